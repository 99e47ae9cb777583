#include <string.h>

#include "rtCopy.h"
#include "rtMemHeap.h"

namespace {

// A memHeap copy of n octets; null for n 0, out of memory or a size the heap
// cannot take.
void* dupBlock(ASN1CTXT* pctxt, const void* src, OSUINT64 n)
{
   if (n == 0 || n > (OSUINT64)INT32_MAX - 64) return nullptr;
   void* p = rtMemHeapAlloc(&pctxt->memHeap, (int)n);
   if (p != nullptr) memcpy(p, src, (size_t)n);
   return p;
}

inline OSUINT64 bitOctets(OSUINT32 numbits)
{
   return ((OSUINT64)numbits + 7) / 8;
}

template <typename Str, typename Ch>
int copyCharArray(ASN1CTXT* pctxt, const Str* src, Str* dst)
{
   if (pctxt == nullptr || src == nullptr || dst == nullptr) return 0;
   if (src->nchars == 0 || src->data == nullptr) {
      dst->nchars = 0;
      dst->data = nullptr;
      return 1;
   }
   Ch* p = static_cast<Ch*>(dupBlock(pctxt, src->data, (OSUINT64)src->nchars * sizeof(Ch)));
   if (p == nullptr) return 0;
   dst->nchars = src->nchars;
   dst->data = p;
   return 1;
}

}  // namespace

extern "C" {

int rtCopyBitStr(ASN1CTXT*, OSUINT32 numbits, const OSOCTET* srcdata, OSUINT32* pdstnumbits, OSOCTET* dstdata)
{
   if (srcdata == nullptr || pdstnumbits == nullptr || dstdata == nullptr || numbits == 0) return 0;
   *pdstnumbits = numbits;
   memcpy(dstdata, srcdata, (size_t)bitOctets(numbits));
   return 1;
}

int rtCopyOctStr(ASN1CTXT*, OSUINT32 numocts, const OSOCTET* srcdata, OSUINT32* pdstnumocts, OSOCTET* dstdata)
{
   if (srcdata == nullptr || pdstnumocts == nullptr || dstdata == nullptr || numocts == 0) return 0;
   *pdstnumocts = numocts;
   memcpy(dstdata, srcdata, numocts);
   return 1;
}

int rtCopyDynBitStr(ASN1CTXT* pctxt, const ASN1DynBitStr* src, ASN1DynBitStr* dst)
{
   if (pctxt == nullptr || src == nullptr || dst == nullptr) return 0;
   if (src->numbits == 0 || src->data == nullptr) {
      dst->numbits = src->numbits;
      dst->data = nullptr;
      return 1;
   }
   OSOCTET* p = static_cast<OSOCTET*>(dupBlock(pctxt, src->data, bitOctets(src->numbits)));
   if (p == nullptr) return 0;
   dst->numbits = src->numbits;
   dst->data = p;
   return 1;
}

int rtCopyDynOctStr(ASN1CTXT* pctxt, const ASN1DynOctStr* src, ASN1DynOctStr* dst)
{
   if (pctxt == nullptr || src == nullptr || dst == nullptr) return 0;
   if (src->numocts == 0 || src->data == nullptr) {
      dst->numocts = src->numocts;
      dst->data = nullptr;
      return 1;
   }
   const OSOCTET* p = static_cast<const OSOCTET*>(dupBlock(pctxt, src->data, src->numocts));
   if (p == nullptr) return 0;
   dst->numocts = src->numocts;
   dst->data = p;
   return 1;
}

int rtCopyCharStr(ASN1CTXT* pctxt, const char* src, const char** pdst)
{
   if (pctxt == nullptr || src == nullptr || pdst == nullptr) return 0;
   const char* p = static_cast<const char*>(dupBlock(pctxt, src, (OSUINT64)strlen(src) + 1));
   if (p == nullptr) return 0;
   *pdst = p;
   return 1;
}

int rtCopy16BitCharStr(ASN1CTXT* pctxt, const Asn116BitCharString* src, Asn116BitCharString* dst)
{
   return copyCharArray<Asn116BitCharString, OSUNICHAR>(pctxt, src, dst);
}

int rtCopy32BitCharStr(ASN1CTXT* pctxt, const Asn132BitCharString* src, Asn132BitCharString* dst)
{
   return copyCharArray<Asn132BitCharString, OS32BITCHAR>(pctxt, src, dst);
}

int rtCopyOID(ASN1CTXT* pctxt, const ASN1OBJID* src, ASN1OBJID* dst)
{
   if (pctxt == nullptr || src == nullptr || dst == nullptr) return 0;
   rtSetOID(dst, src);
   return 1;
}

int rtCopyOpenType(ASN1CTXT* pctxt, const ASN1OpenType* src, ASN1OpenType* dst)
{
   if (pctxt == nullptr || src == nullptr || dst == nullptr) return 0;
   if (src->numocts == 0 || src->data == nullptr) {
      dst->numocts = 0;
      dst->data = nullptr;
      return 1;
   }
   const OSOCTET* p = static_cast<const OSOCTET*>(dupBlock(pctxt, src->data, src->numocts));
   if (p == nullptr) return 0;
   dst->numocts = src->numocts;
   dst->data = p;
   return 1;
}

int rtCopyOpenTypeExt(ASN1CTXT* pctxt, const Asn1RTDList* srclist, Asn1RTDList* dstlist)
{
   if (pctxt == nullptr || srclist == nullptr || dstlist == nullptr) return 0;
   rtDListInit(dstlist);
   for (const Asn1RTDListNode* node = srclist->head; node != nullptr; node = node->next) {
      if (node->data == nullptr) continue;
      ASN1OpenType* copy = static_cast<ASN1OpenType*>(
         rtMemHeapAllocZ(&pctxt->memHeap, sizeof(ASN1OpenType)));
      if (copy == nullptr) return 0;
      if (!rtCopyOpenType(pctxt, static_cast<const ASN1OpenType*>(node->data), copy) ||
          rtDListAppend(pctxt, dstlist, copy) == nullptr) {
         if (copy->data != nullptr) rtMemHeapFreePtr(&pctxt->memHeap, const_cast<OSOCTET*>(copy->data));
         rtMemHeapFreePtr(&pctxt->memHeap, copy);
         return 0;
      }
   }
   return 1;
}

}
