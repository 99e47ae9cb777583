#include "rtError.h"

#include <stdio.h>

extern "C" {

int rtErrSetData(ASN1ErrInfo* pErrInfo, int status, const char*, int)
{
   if (pErrInfo != nullptr && pErrInfo->status == 0) pErrInfo->status = status;
   return status;
}

int rtErrReset(ASN1ErrInfo* pErrInfo)
{
   if (pErrInfo != nullptr) pErrInfo->status = 0;
   return 0;
}

int rtErrCopyData(ASN1ErrInfo* pSrcErrInfo, ASN1ErrInfo* pDestErrInfo)
{
   if (pSrcErrInfo == nullptr || pDestErrInfo == nullptr) return 0;
   pDestErrInfo->status = pSrcErrInfo->status;
   return pDestErrInfo->status;
}

int rtErrAddIntParm(ASN1ErrInfo*, int)
{
   return 1;
}

int rtErrAddStrParm(ASN1ErrInfo*, const char*)
{
   return 1;
}

const char* rtErrGetStatusText(int status)
{
   switch (status) {
   case ASN1ERR_OK:                      return "";
   case ASN1ERR_BUFFER_OVERFLOW:         return "buffer overflow";
   case ASN1ERR_END_OF_BUFFER:           return "unexpected end of buffer";
   case ASN1ERR_TAG_NOT_FOUND:           return "expected tag not found";
   case ASN1ERR_INVALID_OBJID:           return "invalid object identifier";
   case ASN1ERR_INVALID_LENGTH:          return "invalid length";
   case ASN1ERR_INVALID_ENUM:            return "invalid enumerated value";
   case ASN1ERR_SET_DUPLICATE:           return "duplicate element in SET";
   case ASN1ERR_MISSING_ELEMENT:         return "missing required element";
   case ASN1ERR_NOT_IN_SET:              return "element not defined in SET";
   case ASN1ERR_SEQ_OVERFLOW:            return "too many elements in SEQUENCE";
   case ASN1ERR_INVALID_CHOICE:          return "invalid CHOICE alternative";
   case ASN1ERR_NO_MEMORY:               return "out of memory";
   case ASN1ERR_INVALID_HEX:             return "invalid hexadecimal text";
   case ASN1ERR_INVALID_BINARY:          return "invalid binary text";
   case ASN1ERR_STRING_OVERFLOW:         return "value too large for target";
   case ASN1ERR_BAD_VALUE:               return "invalid value";
   case ASN1ERR_BAD_TAG:                 return "invalid tag";
   case ASN1ERR_CONSTRAINT:              return "constraint violated";
   case ASN1ERR_RANGE:                   return "invalid range";
   case ASN1ERR_INVALID_UTF8:            return "invalid UTF-8";
   case ASN1ERR_CONCURRENT_MODIFICATION: return "list modified during iteration";
   case ASN1ERR_ILLEGAL_STATE:           return "illegal state";
   case ASN1ERR_OUT_OF_BOUNDS:           return "index out of bounds";
   case ASN1ERR_INVALID_PARAM:           return "invalid parameter";
   case ASN1ERR_INVALID_FORMAT:          return "invalid time format";
   case ASN1ERR_NOT_INITIALIZED:         return "not initialised";
   case ASN1ERR_TOO_BIG:                 return "value too big for target type";
   case ASN1ERR_INVALID_CHAR:            return "invalid character";
   case ASN1ERR_XML_STATE:               return "invalid XML state";
   case ASN1ERR_OBJECT_NOT_FOUND:        return "information object not found";
   case ASN1ERR_NOT_SUPPORTED:           return "operation not supported";
   default:                              return "unknown error";
   }
}

const char* rtErrGetText(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr) return "";
   return rtErrGetStatusText(pctxt->errInfo.status);
}

void rtErrPrint(ASN1ErrInfo* pErrInfo)
{
   printf("ASN.1 ERROR: Status %d\n", pErrInfo != nullptr ? pErrInfo->status : 0);
}

int xu_error(ASN1CTXT* pctxt, int status)
{
   if (pctxt == nullptr) return status;
   return rtErrSetData(&pctxt->errInfo, status, nullptr, 0);
}

int xu_addErrParm(ASN1CTXT*, const char*)
{
   return 1;
}

int xu_addIntErrParm(ASN1CTXT*, int)
{
   return 1;
}

int xu_addUnsignedErrParm(ASN1CTXT*, unsigned int)
{
   return 1;
}

int xu_addTagErrParm(ASN1CTXT*, ASN1TAG)
{
   return 1;
}

void xu_freeErrParms(ASN1CTXT*)
{
}

void xu_perror(ASN1CTXT* pctxt)
{
   if (pctxt != nullptr) rtErrPrint(&pctxt->errInfo);
}

void xu_log_error(ASN1CTXT*)
{
}

const char* xu_fmtErrMsg(ASN1CTXT* pctxt, char*, int)
{
   return rtErrGetText(pctxt);
}

}
