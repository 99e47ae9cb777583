// Deep copies of run-time values into the memHeap of a context (used by the
// generated copy functions). Every copy returns 1 when it copied and 0 when a
// source or destination pointer is null or an allocation fails.
#ifndef RTCOPY_H
#define RTCOPY_H

#include "asn1type.h"

extern "C" {

// Into caller storage: *pdstnumbits = numbits, then ceil(numbits/8) octets.
// 0 for null pointers or numbits 0.
EXTERNRT int rtCopyBitStr(ASN1CTXT* pctxt, OSUINT32 numbits, const OSOCTET* srcdata, OSUINT32* pdstnumbits, OSOCTET* dstdata);
EXTERNRT int rtCopyOctStr(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* srcdata, OSUINT32* pdstnumocts, OSOCTET* dstdata);

// Count copied; data copied into a new block of ceil(numbits/8) octets
// (numocts octets); null data for an empty string.
EXTERNRT int rtCopyDynBitStr(ASN1CTXT* pctxt, const ASN1DynBitStr* src, ASN1DynBitStr* dst);
EXTERNRT int rtCopyDynOctStr(ASN1CTXT* pctxt, const ASN1DynOctStr* src, ASN1DynOctStr* dst);

// A new NUL-terminated copy of src in *pdst.
EXTERNRT int rtCopyCharStr(ASN1CTXT* pctxt, const char* src, const char** pdst);

// nchars and 2 / 4 octets per character; an empty string gives count 0 and
// null data.
EXTERNRT int rtCopy16BitCharStr(ASN1CTXT* pctxt, const Asn116BitCharString* src, Asn116BitCharString* dst);
EXTERNRT int rtCopy32BitCharStr(ASN1CTXT* pctxt, const Asn132BitCharString* src, Asn132BitCharString* dst);

// Count and arcs (at most 128); 1 also for an empty identifier.
EXTERNRT int rtCopyOID(ASN1CTXT* pctxt, const ASN1OBJID* src, ASN1OBJID* dst);

// numocts and a copy of the encoding.
EXTERNRT int rtCopyOpenType(ASN1CTXT* pctxt, const ASN1OpenType* src, ASN1OpenType* dst);

// Initialises dstlist, then appends a new copy of every open type of
// srclist that has data.
EXTERNRT int rtCopyOpenTypeExt(ASN1CTXT* pctxt, const Asn1RTDList* srclist, Asn1RTDList* dstlist);

}

// The same for a modifiable destination pointer.
inline int rtCopyCharStr(ASN1CTXT* pctxt, const char* src, char** pdst)
{
   return rtCopyCharStr(pctxt, src, const_cast<const char**>(pdst));
}

#endif
