// A growing memory buffer whose storage comes from a context's heap.
#ifndef RTMEMBUF_H
#define RTMEMBUF_H

#include "asn1type.h"

struct ASN1MemBuf {
   ASN1CTXT* ctxt;
   OSUINT32  segsize;    // growth granularity
   OSUINT32  startidx;   // first valid octet
   OSUINT32  usedcnt;    // octets in use, counted from the buffer start
   OSUINT32  bufsize;    // capacity
   OSUINT32  bitOffset;  // bits used in the last octet (XER bit/hex collectors)
   OSOCTET*  buffer;
   OSOCTET   isDynamic;
};

extern "C" {

// Binds the buffer to pctxt (storage from its memHeap), sets the growth
// granularity (0 is taken as 1), zeroes the counters; isDynamic = 1.
EXTERNRT void rtMemBufInit(ASN1CTXT* pctxt, ASN1MemBuf* pMemBuf, OSUINT32 segsize);

// Ensures room for nbytes more octets after usedcnt; the capacity becomes the
// smallest multiple of segsize that holds them, contents kept. 0 on success,
// -12 when out of memory (or the size would pass 2^31), -30 for null.
EXTERNRT int rtMemBufPreAllocate(ASN1MemBuf* pMemBuf, OSUINT32 nbytes);

// Appends nbytes octets of pdata (a null pdata only reserves them).
EXTERNRT int rtMemBufAppend(ASN1MemBuf* pMemBuf, const void* pdata, OSUINT32 nbytes);

// Appends nbytes octets of value.
EXTERNRT int rtMemBufSet(ASN1MemBuf* pMemBuf, OSOCTET value, OSUINT32 nbytes);

// buffer + startidx; *length (when given) = usedcnt - startidx.
EXTERNRT OSOCTET* rtMemBufGetData(ASN1MemBuf* pMemBuf, int* length);

// Empties the buffer; storage kept.
EXTERNRT void rtMemBufReset(ASN1MemBuf* pMemBuf);

// Frees dynamic storage; the buffer is empty and may be reused.
EXTERNRT void rtMemBufFree(ASN1MemBuf* pMemBuf);

}

#endif
