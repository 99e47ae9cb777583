#include "rtStream.h"

#include "rtMemHeap.h"

extern "C" {

int rtStreamInit(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   if (pctxt->stream != nullptr) rtStreamRelease(pctxt);
   ASN1Stream* s = static_cast<ASN1Stream*>(rtMemHeapAllocZ(&pctxt->memHeap, sizeof(ASN1Stream)));
   if (s == nullptr) return ASN1ERR_NO_MEMORY;
   pctxt->stream = s;
   return 0;
}

void rtStreamRelease(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return;
   rtMemHeapFreePtr(&pctxt->memHeap, pctxt->stream);
   pctxt->stream = nullptr;
}

}
