#include "Attribute.h"

#include "AttributeTraits.h"
#include "PKIX1Explicit88Table.h"

namespace Corvane {
namespace ASN1 {

namespace {
[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }
}  // namespace

CAttributeTypeAndValue::CAttributeTypeAndValue(const CAttrValue& value)
   : m_type(value.get_oid()), m_value(value.get_value())
{
}

// ---------------------------------------------------------------------------
// Attributes

Corvane::CBlob CAttribute::encode() const { return asn1Encode<ASN1T_Attribute_traits>(*this); }

void CAttribute::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_Attribute_traits>(der, *this); }

void ASN1T_Attribute_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CAttribute& attribute)
{
   ASN1TObjId_traits::set(ctxt, rec.type, attribute.get_oid());
   rtDListInit(&rec.values);
   for (const CAttrValue& v : attribute) {
      Asn1TObject* value = asn1New<Asn1TObject>(ctxt);
      Asn1TObject_traits::set(ctxt, *value, v.get_value());
      if (rtDListAppend(ctxt, &rec.values, value) == nullptr) fail(CRYPT_E_ASN1_MEMORY);
   }
   // The values of a known type must be values of its syntax; their octets
   // stand as they are.
   if (asn1data::asn1DTC_Attribute(ctxt, &rec) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   for (_Asn1RTDListNode* n = rec.values.head; n != nullptr; n = n->next) static_cast<Asn1TObject*>(n->data)->decoded = nullptr;
}

void ASN1T_Attribute_traits::get(const ASN1_T& rec, CAttribute& attribute)
{
   std::string type;
   ASN1TObjId_traits::get(rec.type, type);
   CAttribute out(type.c_str());
   for (const _Asn1RTDListNode* n = rec.values.head; n != nullptr; n = n->next) {
      Corvane::CBlob bytes;
      Asn1TObject_traits::get(*static_cast<const Asn1TObject*>(n->data), bytes);
      out.add(bytes);
   }
   attribute = std::move(out);
}

CAttributes::iterator CAttributes::find(const char* oid)
{
   std::string t = oid != nullptr ? oid : "";
   iterator it = begin();
   while (it != end() && t != it->get_oid()) ++it;
   return it;
}

CAttributes::const_iterator CAttributes::find(const char* oid) const
{
   return const_cast<CAttributes*>(this)->find(oid);
}

void CAttributes::erase(const char* oid)
{
   iterator it = find(oid);
   if (it != end()) std::list<CAttribute>::erase(it);
}

Corvane::CBlob CAttributes::encode() const { return asn1Encode<ASN1T_Attributes_traits>(*this); }

void CAttributes::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_Attributes_traits>(der, *this); }

// ---------------------------------------------------------------------------
// Typed values

CAttrMessageDigest::CAttrMessageDigest(const Corvane::CBlob& encoded) : CAttrValue("1.2.840.113549.1.9.4", encoded)
{
   asn1Decode<ASN1TDynOctStr_traits>(encoded, m_digest);
}

void CAttrMessageDigest::put_messageDigest(const Corvane::CBlob& digest)
{
   Corvane::CBlob encoded = asn1Encode<ASN1TDynOctStr_traits>(digest);
   m_digest = digest;
   value() = encoded;
}

CAttrContentType::CAttrContentType(const char* oid) : CAttrValue("1.2.840.113549.1.9.3") { put_contentType(oid); }

CAttrContentType::CAttrContentType(const Corvane::CBlob& encoded) : CAttrValue("1.2.840.113549.1.9.3", encoded)
{
   asn1Decode<ASN1TObjId_traits>(encoded, m_type);
}

void CAttrContentType::put_contentType(const char* oid)
{
   std::string type = oid != nullptr ? oid : "";
   Corvane::CBlob encoded = asn1Encode<ASN1TObjId_traits>(type);
   m_type = type;
   value() = encoded;
}

CAttrStringValue::CAttrStringValue(const char* oid, const wchar_t* text)
   : CAttrValue(oid, CATAVRegister::valueFromStr(oid, text, stDefault))
{
}

CAttrStringValue::CAttrStringValue(const char* oid, const char* text)
   : CAttrValue(oid, CATAVRegister::valueFromStr(oid, towstring(text).c_str(), stDefault))
{
}

Corvane::CBlob CCertificateValues::encode() const { return asn1Encode<ASN1T_CertificateValues_traits>(*this); }

void CCertificateValues::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_CertificateValues_traits>(der, *this); }

}
}
