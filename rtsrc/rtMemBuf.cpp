#include <string.h>

#include "rtMemBuf.h"
#include "rtMemHeap.h"

extern "C" {

void rtMemBufInit(ASN1CTXT* pctxt, ASN1MemBuf* pMemBuf, OSUINT32 segsize)
{
   if (pMemBuf == nullptr) return;
   pMemBuf->ctxt = pctxt;
   pMemBuf->segsize = (segsize == 0) ? 1 : segsize;
   pMemBuf->startidx = 0;
   pMemBuf->usedcnt = 0;
   pMemBuf->bufsize = 0;
   pMemBuf->bitOffset = 0;
   pMemBuf->buffer = nullptr;
   pMemBuf->isDynamic = 1;
}

int rtMemBufPreAllocate(ASN1MemBuf* pMemBuf, OSUINT32 nbytes)
{
   if (pMemBuf == nullptr || pMemBuf->ctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   if (nbytes == 0) return 0;
   OSUINT64 needed = (OSUINT64)pMemBuf->usedcnt + nbytes;
   if (needed <= pMemBuf->bufsize) return 0;
   OSUINT64 seg = (pMemBuf->segsize == 0) ? 1 : pMemBuf->segsize;
   OSUINT64 newSize = (needed + seg - 1) / seg * seg;
   // The heap takes a signed 32-bit size.
   if (newSize > (OSUINT64)INT32_MAX - 64) return ASN1ERR_NO_MEMORY;
   ASN1CTXT* pctxt = pMemBuf->ctxt;
   OSOCTET* p;
   if (pMemBuf->isDynamic && pMemBuf->buffer != nullptr) {
      p = static_cast<OSOCTET*>(rtMemHeapRealloc(&pctxt->memHeap, pMemBuf->buffer, (int)newSize));
      if (p == nullptr) return ASN1ERR_NO_MEMORY;
   }
   else {
      // First storage, or a caller's buffer that is replaced by a dynamic one.
      p = static_cast<OSOCTET*>(rtMemHeapAlloc(&pctxt->memHeap, (int)newSize));
      if (p == nullptr) return ASN1ERR_NO_MEMORY;
      if (pMemBuf->buffer != nullptr && pMemBuf->usedcnt > 0) {
         memcpy(p, pMemBuf->buffer, pMemBuf->usedcnt);
      }
      pMemBuf->isDynamic = 1;
   }
   pMemBuf->buffer = p;
   pMemBuf->bufsize = (OSUINT32)newSize;
   return 0;
}

int rtMemBufAppend(ASN1MemBuf* pMemBuf, const void* pdata, OSUINT32 nbytes)
{
   int stat = rtMemBufPreAllocate(pMemBuf, nbytes);
   if (stat != 0 || nbytes == 0) return stat;
   if (pdata != nullptr) memcpy(pMemBuf->buffer + pMemBuf->usedcnt, pdata, nbytes);
   pMemBuf->usedcnt += nbytes;
   return 0;
}

int rtMemBufSet(ASN1MemBuf* pMemBuf, OSOCTET value, OSUINT32 nbytes)
{
   int stat = rtMemBufPreAllocate(pMemBuf, nbytes);
   if (stat != 0 || nbytes == 0) return stat;
   memset(pMemBuf->buffer + pMemBuf->usedcnt, value, nbytes);
   pMemBuf->usedcnt += nbytes;
   return 0;
}

OSOCTET* rtMemBufGetData(ASN1MemBuf* pMemBuf, int* length)
{
   if (pMemBuf == nullptr) {
      if (length != nullptr) *length = 0;
      return nullptr;
   }
   if (length != nullptr) *length = (int)(pMemBuf->usedcnt - pMemBuf->startidx);
   return (pMemBuf->buffer != nullptr) ? pMemBuf->buffer + pMemBuf->startidx : nullptr;
}

void rtMemBufReset(ASN1MemBuf* pMemBuf)
{
   if (pMemBuf == nullptr) return;
   pMemBuf->usedcnt = 0;
   pMemBuf->startidx = 0;
   pMemBuf->bitOffset = 0;
}

void rtMemBufFree(ASN1MemBuf* pMemBuf)
{
   if (pMemBuf == nullptr) return;
   if (pMemBuf->isDynamic && pMemBuf->buffer != nullptr && pMemBuf->ctxt != nullptr) {
      rtMemHeapFreePtr(&pMemBuf->ctxt->memHeap, pMemBuf->buffer);
   }
   pMemBuf->buffer = nullptr;
   pMemBuf->bufsize = 0;
   pMemBuf->usedcnt = 0;
   pMemBuf->startidx = 0;
   pMemBuf->bitOffset = 0;
}

}
