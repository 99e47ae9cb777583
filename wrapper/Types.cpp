#include "Types.h"

#include "TypesTraits.h"

namespace Corvane {
namespace ASN1 {

Corvane::CBlob CAttributeTypeAndValue::encode() const
{
   return asn1Encode<ASN1T_AttributeTypeAndValue_traits>(*this);
}

void CAttributeTypeAndValue::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_AttributeTypeAndValue_traits>(der, *this);
}

Corvane::CBlob CRelativeDistinguishedName::encode() const
{
   return asn1Encode<ASN1T_RelativeDistinguishedName_traits>(*this);
}

void CRelativeDistinguishedName::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_RelativeDistinguishedName_traits>(der, *this);
}

Corvane::CBlob CName::encode() const
{
   return asn1Encode<ASN1T_CName_traits>(*this);
}

void CName::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_CName_traits>(der, *this);
}

// ---------------------------------------------------------------------------

void ASN1T_AttributeTypeAndValue_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CAttributeTypeAndValue& atav)
{
   ASN1TObjId_traits::set(ctxt, rec.type, atav.get_type());
   Asn1TObject_traits::set(ctxt, rec.value, atav.get_value());
}

void ASN1T_AttributeTypeAndValue_traits::get(const ASN1_T& rec, CAttributeTypeAndValue& atav)
{
   std::string type;
   ASN1TObjId_traits::get(rec.type, type);
   atav.put_type(type.c_str());
   Corvane::CBlob value;
   Asn1TObject_traits::get(rec.value, value);
   atav.put_value(value);
}

void ASN1T_CName_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CRDNSequence& name)
{
   asn1data::ASN1T_RDNSequence* seq = asn1New<asn1data::ASN1T_RDNSequence>(ctxt);
   ASN1T_RDNSequence_traits::set(ctxt, *seq, name);
   rec.t = asn1data::T_Name_rdnSequence;
   rec.u.rdnSequence = seq;
}

void ASN1T_CName_traits::get(const ASN1_T& rec, CRDNSequence& name)
{
   if (rec.t != asn1data::T_Name_rdnSequence || rec.u.rdnSequence == nullptr) ATL::AtlThrowImpl(CRYPT_E_ASN1_INTERNAL);
   ASN1T_RDNSequence_traits::get(*rec.u.rdnSequence, name);
}

}
}
