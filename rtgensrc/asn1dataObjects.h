// The operations of a type field of an information object class, as one
// table per type: every object whose field names the same type shares it.
// The generated class implements its virtual operations (constructASN1T<F>,
// encodeBER<F> ...) once, over the table its object sets; the object itself
// only names its identifier and its tables.
#ifndef ASN1DATAOBJECTS_H
#define ASN1DATAOBJECTS_H

#include <stddef.h>

#include "asn1dataRuntime.h"

namespace asn1data {

// How the value of one type is held and coded. A field left out by its
// object (an OPTIONAL type field) has no table: its operations code nothing.
struct asn1dataTypeOps {
   size_t size;               // the record's size (NULL: a one-octet marker)
   bool marker;               // NULL: the record only says that the value is there
   const char* type;          // the value's type, for the error path
   // Explicit tagging; the length or a negative status.
   int (*encode)(ASN1CTXT* pctxt, void* record);
   // Decodes into the zeroed record; 0 or a status (the caller names the
   // object in the error path).
   int (*decode)(ASN1CTXT* pctxt, void* record);
   // A deep copy into the zeroed record dst; 0 or a status. Null: nothing
   // to copy beyond the record (NULL).
   int (*copy)(ASN1CTXT* pctxt, void* src, void* dst);
   // Releases what the record holds in pctxt's heap; null when nothing.
   void (*release)(ASN1CTXT* pctxt, void* record);
   // The control object over a record (never null); null when the type has
   // none.
   ASN1CType* (*control)(ASN1MessageBufferIF& msgBuf, void* record);
};

// The operations of the class over its object's table `ops` (null: the
// object leaves the field out); `object` names the object in the error path.
void* asn1dataOpsNewRecord(const asn1dataTypeOps* ops, ASN1CTXT* pctxt);
ASN1CType* asn1dataOpsControl(const asn1dataTypeOps* ops, ASN1MessageBufferIF& msgBuf, void* record);
void asn1dataOpsDropControl(const asn1dataTypeOps* ops, ASN1CType* pobj);
void asn1dataOpsCopy(const asn1dataTypeOps* ops, ASN1CTXT* pctxt, Asn1TObject& src, Asn1TObject& dst);
void asn1dataOpsFree(const asn1dataTypeOps* ops, ASN1CTXT* pctxt, Asn1TObject& object);

// The codecs, on every open type's way: inline.
inline int asn1dataOpsEncode(const asn1dataTypeOps* ops, ASN1CTXT* pctxt, Asn1TObject& object)
{
   if (ops == nullptr) return 0;
   // A NULL value is its tag alone, whatever the record says.
   if (!ops->marker && object.decoded == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   return ops->encode(pctxt, object.decoded);
}

inline int asn1dataOpsDecode(const asn1dataTypeOps* ops, const char* object, ASN1CTXT* pctxt, Asn1TObject& value)
{
   value.decoded = nullptr;
   if (ops == nullptr) return 0;
   void* pvalue = ASN1MALLOCZ(pctxt, ops->size);
   if (pvalue == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   const int stat = ops->decode(pctxt, pvalue);
   if (stat != 0) return asn1dataFailInValue(pctxt, stat, object, ops->type);
   value.decoded = pvalue;
   return 0;
}

// The entries of a generated type's table, over its functions (with
// asn1dataEncodeAs and asn1dataDecodeAs of asn1dataRuntime.h).
template <class R, int (*F)(ASN1CTXT*, R*, R*)>
int asn1dataCopyAs(ASN1CTXT* pctxt, void* src, void* dst)
{
   return F(pctxt, static_cast<R*>(src), static_cast<R*>(dst));
}

template <class R, void (*F)(ASN1CTXT*, R*)>
void asn1dataFreeAs(ASN1CTXT* pctxt, void* record)
{
   F(pctxt, static_cast<R*>(record));
}

// A constructed type's control class, which is its SAX handler.
template <class R, class C>
ASN1CType* asn1dataControlAs(ASN1MessageBufferIF& msgBuf, void* record)
{
   return new C(msgBuf, *static_cast<R*>(record));
}

}  // namespace asn1data

#endif
