// Error recording. Only the first failure on a context is kept: a caller that
// sees a failure deep inside a nested encode or decode can still learn which
// code was raised first. Reusing a context after a failure needs rtErrReset.
#ifndef RTERROR_H
#define RTERROR_H

#include "asn1type.h"

extern "C" {

// Records status when no status is recorded yet; returns status unchanged in
// every case, so callers can `return rtErrSetData(...)`. module and line are
// accepted and ignored.
EXTERNRT int rtErrSetData(ASN1ErrInfo* pErrInfo, int status, const char* module, int lineno);
EXTERNRT int rtErrReset(ASN1ErrInfo* pErrInfo);
// Copies the recorded status from src to dest; returns it.
EXTERNRT int rtErrCopyData(ASN1ErrInfo* pSrcErrInfo, ASN1ErrInfo* pDestErrInfo);
// Diagnostic parameters are accepted and discarded; both return 1.
EXTERNRT int rtErrAddIntParm(ASN1ErrInfo* pErrInfo, int errParm);
EXTERNRT int rtErrAddStrParm(ASN1ErrInfo* pErrInfo, const char* errprm_p);
// A short static message for the context's recorded status ("" for 0).
EXTERNRT const char* rtErrGetText(ASN1CTXT* pctxt);
// A short static message for any status code (never null).
EXTERNRT const char* rtErrGetStatusText(int status);
// Writes "ASN.1 ERROR: Status %d\n" with the recorded status to stdout.
EXTERNRT void rtErrPrint(ASN1ErrInfo* pErrInfo);

// Codec helpers over the context's error information.
EXTERNRT int xu_error(ASN1CTXT* pctxt, int status);
EXTERNRT int xu_addErrParm(ASN1CTXT* pctxt, const char* errprm_p);
EXTERNRT int xu_addIntErrParm(ASN1CTXT* pctxt, int errParm);
EXTERNRT int xu_addUnsignedErrParm(ASN1CTXT* pctxt, unsigned int errParm);
EXTERNRT int xu_addTagErrParm(ASN1CTXT* pctxt, ASN1TAG errParm);
EXTERNRT void xu_freeErrParms(ASN1CTXT* pctxt);
EXTERNRT void xu_perror(ASN1CTXT* pctxt);
EXTERNRT void xu_log_error(ASN1CTXT* pctxt);
EXTERNRT const char* xu_fmtErrMsg(ASN1CTXT* pctxt, char* bufp, int bufsiz);

}

// Records stat on the context and evaluates to it.
#define LOG_ASN1ERR(pctxt, stat) rtErrSetData(&(pctxt)->errInfo, (stat), 0, 0)

#endif
