// BER/DER encoder: buffer management, identifier and length octets.
//
// The encode buffer is written from its end towards its start: the encoding
// occupies data[byteIndex .. size-2] and the positions in front of byteIndex
// are free. Every write first makes sure enough free positions exist
// (xe_reserve), growing a dynamic buffer when needed.
#include <string.h>

#include "asn1ber.h"
#include "berInternal.h"
#include "rtMemHeap.h"

extern "C" {

int xe_setp(ASN1CTXT* pctxt, OSOCTET* buf, int size)
{
   if (pctxt == nullptr || size < 0) return ASN1ERR_INVALID_PARAM;
   // A caller's buffer without a single position cannot even hold the
   // reserved last octet.
   if (buf != nullptr && size == 0) return ASN1ERR_INVALID_PARAM;
   int stat = rtInitContextBuffer(pctxt, buf, (OSUINT32)size);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex = pctxt->buffer.size - 1;
   return 0;
}

OSOCTET* xe_getp(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->buffer.data == nullptr) return nullptr;
   return pctxt->buffer.data + pctxt->buffer.byteIndex;
}

// The buffer always lives in msgMemHeap (rtInitContextBuffer allocates it
// there and rtFreeContext frees it there), so growing and freeing it use
// that heap too, even when memHeap has been shared with another context.
void xe_free(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr) return;
   if (pctxt->buffer.dynamic && pctxt->buffer.data != nullptr) {
      rtMemHeapFreePtr(&pctxt->msgMemHeap, pctxt->buffer.data);
      pctxt->buffer.data = nullptr;
      pctxt->buffer.dynamic = 0;
   }
}

int xe_expandBuffer(ASN1CTXT* pctxt, OSUINT32 nbytes)
{
   ASN1BUFFER& b = pctxt->buffer;
   if (!b.dynamic) return ASN1ERR_BUFFER_OVERFLOW;
   // The buffer at least doubles (by the default size at the smallest), so
   // that a message of n octets is copied O(n) times in all, not O(n^2):
   // growing by a fixed step made large encodes quadratic. The heap takes
   // signed 32-bit sizes.
   OSUINT64 need = (OSUINT64)b.size + nbytes;
   if (need > (OSUINT64)INT32_MAX) return ASN1ERR_NO_MEMORY;
   OSUINT64 target = (OSUINT64)b.size + (b.size > ASN1_DEF_DYNBUF_SIZE ? b.size : ASN1_DEF_DYNBUF_SIZE);
   if (target < need) target = need;
   if (target > (OSUINT64)INT32_MAX) target = INT32_MAX;
   OSUINT32 newSize = (OSUINT32)target;
   OSUINT32 grow = newSize - b.size;
   OSOCTET* newData =
      static_cast<OSOCTET*>(rtMemHeapAlloc(&pctxt->msgMemHeap, (int)newSize));
   if (newData == nullptr) return ASN1ERR_NO_MEMORY;
   if (b.data != nullptr && b.size > b.byteIndex) {
      // The used tail, spare last position included.
      OSUINT32 used = b.size - b.byteIndex;
      memcpy(newData + newSize - used, b.data + b.byteIndex, used);
   }
   if (b.data != nullptr) rtMemHeapFreePtr(&pctxt->msgMemHeap, b.data);
   b.data = newData;
   b.size = newSize;
   b.byteIndex += grow;
   return 0;
}

int xe_memcpy(ASN1CTXT* pctxt, const OSOCTET* src, OSUINT32 n)
{
   if (src == nullptr) return ASN1ERR_BAD_VALUE;
   if (n > (OSUINT32)INT32_MAX) return ASN1ERR_BAD_VALUE;
   int stat = xe_reserve(pctxt, n);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex -= n;
   if (n > 0) memcpy(pctxt->buffer.data + pctxt->buffer.byteIndex, src, n);
   return (int)n;
}

int xe_identifier(ASN1CTXT* pctxt, OSUINT32 value)
{
   OSOCTET tmp[5];
   int n = 0;
   // Last octet: low 7 bits, bit 8 clear; earlier octets have bit 8 set.
   tmp[4] = (OSOCTET)(value & 0x7F);
   n = 1;
   value >>= 7;
   while (value != 0) {
      tmp[4 - n] = (OSOCTET)(0x80 | (value & 0x7F));
      n++;
      value >>= 7;
   }
   int stat = xe_reserve(pctxt, (OSUINT32)n);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex -= (OSUINT32)n;
   memcpy(pctxt->buffer.data + pctxt->buffer.byteIndex, tmp + 5 - n, (size_t)n);
   return n;
}

int xe_tag(ASN1CTXT* pctxt, ASN1TAG tag)
{
   OSOCTET lead = (OSOCTET)((tag >> 24) & 0xE0);
   OSUINT32 number = tag & TM_IDCODE;
   if (number < 31) {
      int stat = xe_reserve(pctxt, 1);
      if (stat != 0) return stat;
      pctxt->buffer.data[--pctxt->buffer.byteIndex] = (OSOCTET)(lead | number);
      return 1;
   }
   // X.690 8.1.2.4: numbers of 31 and above follow in base 128 after an
   // octet with all five low bits set.
   int n = xe_identifier(pctxt, number);
   if (n < 0) return n;
   int stat = xe_reserve(pctxt, 1);
   if (stat != 0) return stat;
   pctxt->buffer.data[--pctxt->buffer.byteIndex] = (OSOCTET)(lead | TM_B_IDCODE);
   return n + 1;
}

int xe_len(ASN1CTXT* pctxt, int length)
{
   if (length < 0) {
      if (length != INDEFINITE_LENGTH) return 0;
      int stat = xe_reserve(pctxt, 1);
      if (stat != 0) return stat;
      pctxt->buffer.data[--pctxt->buffer.byteIndex] = 0x80;
      return 1;
   }
   if (length < 0x80) {
      int stat = xe_reserve(pctxt, 1);
      if (stat != 0) return stat;
      pctxt->buffer.data[--pctxt->buffer.byteIndex] = (OSOCTET)length;
      return 1;
   }
   // X.690 10.1 (DER): the long form in the fewest octets.
   OSOCTET tmp[5];
   OSUINT32 v = (OSUINT32)length;
   int n = 0;
   while (v != 0) {
      tmp[4 - n] = (OSOCTET)(v & 0xFF);
      v >>= 8;
      n++;
   }
   tmp[4 - n] = (OSOCTET)(0x80 | n);
   n++;
   int stat = xe_reserve(pctxt, (OSUINT32)n);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex -= (OSUINT32)n;
   memcpy(pctxt->buffer.data + pctxt->buffer.byteIndex, tmp + 5 - n, (size_t)n);
   return n;
}

}

namespace {

// xe_tag_len beyond its common case: any identifier and length, a failure
// status passed on, the buffer grown.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
int tagLenGeneral(ASN1CTXT* pctxt, ASN1TAG tag, int length)
{
   // A negative length other than the indefinite marker is the content
   // encoder's failure status: pass it on untouched.
   if (length < 0 && length != INDEFINITE_LENGTH) return length;

   OSUINT32 number = tag & TM_IDCODE;
   if (number < 31 && length >= 0 && length < 0x80) {
      int stat = xe_reserve(pctxt, 2);
      if (stat != 0) return stat;
      OSOCTET* p = pctxt->buffer.data + (pctxt->buffer.byteIndex -= 2);
      p[0] = (OSOCTET)(((tag >> 24) & 0xE0) | number);
      p[1] = (OSOCTET)length;
      return length + 2;
   }

   int ll = xe_len(pctxt, length);
   if (ll < 0) return ll;
   int tl = xe_tag(pctxt, tag);
   if (tl < 0) return tl;
   if (length == INDEFINITE_LENGTH) return ll + tl;
   if (length > INT32_MAX - ll - tl) return ASN1ERR_BUFFER_OVERFLOW;
   return length + ll + tl;
}

} // namespace

extern "C" {

int xe_tag_len(ASN1CTXT* pctxt, ASN1TAG tag, int length)
{
   // Common case, kept free of calls.
   if (const int n = xe_shortTagLen(pctxt, tag, length)) return n;
   return tagLenGeneral(pctxt, tag, length);
}

void xe_getBufLocDescr(ASN1CTXT* pctxt, OSUINT32 numocts, Asn1BufLocDescr* pDescr)
{
   if (pctxt == nullptr || pDescr == nullptr) return;
   pDescr->numocts = numocts;
   pDescr->offset = pctxt->buffer.size - 1 - pctxt->buffer.byteIndex;
}

}
