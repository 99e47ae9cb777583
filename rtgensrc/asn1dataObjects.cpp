#include "asn1dataObjects.h"

namespace asn1data {

void* asn1dataOpsNewRecord(const asn1dataTypeOps* ops, ASN1CTXT* pctxt)
{
   return ops != nullptr ? ASN1MALLOCZ(pctxt, ops->size) : nullptr;
}

ASN1CType* asn1dataOpsControl(const asn1dataTypeOps* ops, ASN1MessageBufferIF& msgBuf, void* record)
{
   if (ops == nullptr || ops->control == nullptr || record == nullptr) return nullptr;
   return ops->control(msgBuf, record);
}

void asn1dataOpsDropControl(const asn1dataTypeOps* ops, ASN1CType* pobj)
{
   if (ops != nullptr) delete pobj;
}

void asn1dataOpsCopy(const asn1dataTypeOps* ops, ASN1CTXT* pctxt, Asn1TObject& src, Asn1TObject& dst)
{
   dst.decoded = nullptr;
   if (ops == nullptr || src.decoded == nullptr) return;
   // A new record in pctxt's heap; dst stays null when memory runs out.
   void* pvalue = ASN1MALLOCZ(pctxt, ops->size);
   if (pvalue == nullptr) return;
   if (ops->copy != nullptr && ops->copy(pctxt, src.decoded, pvalue) != 0) return;
   dst.decoded = pvalue;
}

void asn1dataOpsFree(const asn1dataTypeOps* ops, ASN1CTXT* pctxt, Asn1TObject& object)
{
   // The record block itself stays in the heap.
   if (ops != nullptr && object.decoded != nullptr && ops->release != nullptr) ops->release(pctxt, object.decoded);
   object.decoded = nullptr;
}

}  // namespace asn1data
