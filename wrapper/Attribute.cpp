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

// ---------------------------------------------------------------------------
// Signing time

CAttrSigningTime::CAttrSigningTime(const Corvane::CDateTime& time) : CAttrValue("1.2.840.113549.1.9.5")
{
   put_time(time);
}

CAttrSigningTime::CAttrSigningTime(const Corvane::CBlob& encoded) : CAttrValue("1.2.840.113549.1.9.5", encoded)
{
   m_time.decode(encoded);
}

void CAttrSigningTime::put_time(const Corvane::CDateTime& time)
{
   CTimeChoice t(time);
   Corvane::CBlob encoded = t.encode();
   m_time = t;
   value() = encoded;
}

// ---------------------------------------------------------------------------
// Certificate identifiers

Corvane::CBlob CIssuerSerial::encode() const { return asn1Encode<ASN1T_IssuerSerial_traits>(*this); }
void CIssuerSerial::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_IssuerSerial_traits>(der, *this); }
Corvane::CBlob CESSCertID::encode() const { return asn1Encode<ASN1T_ESSCertID_traits>(*this); }
void CESSCertID::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_ESSCertID_traits>(der, *this); }
Corvane::CBlob CESSCertIDv2::encode() const { return asn1Encode<ASN1T_ESSCertIDv2_traits>(*this); }
void CESSCertIDv2::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_ESSCertIDv2_traits>(der, *this); }
Corvane::CBlob COtherHashAlgAndValue::encode() const { return asn1Encode<ASN1T_OtherHashAlgAndValue_traits>(*this); }
void COtherHashAlgAndValue::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_OtherHashAlgAndValue_traits>(der, *this);
}
Corvane::CBlob COtherHash::encode() const { return asn1Encode<ASN1T_OtherHash_traits>(*this); }
void COtherHash::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_OtherHash_traits>(der, *this); }
Corvane::CBlob COtherCertID::encode() const { return asn1Encode<ASN1T_OtherCertID_traits>(*this); }
void COtherCertID::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_OtherCertID_traits>(der, *this); }

const ChoiceValueTraits* COtherHashImpl::findTraits(unsigned int type) const
{
   switch (type) {
   case 1: return &ChoiceValueTraitsT<Corvane::CBlob, 1>::instance();
   case 2: return &ChoiceValueTraitsT<COtherHashAlgAndValue, 2>::instance();
   default: return &EmptyChoiceTraits::instance();
   }
}

void ASN1T_IssuerSerial_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CIssuerSerial& v)
{
   ASN1T_GeneralNames_traits::set(ctxt, rec.issuer, v.get_issuer());
   ASN1T_CertificateSerialNumber_traits::set(ctxt, rec.serialNumber, v.get_serialNumber());
}

void ASN1T_IssuerSerial_traits::get(const ASN1_T& rec, CIssuerSerial& v)
{
   CGeneralNames issuer;
   ASN1T_GeneralNames_traits::get(rec.issuer, issuer);
   CBigInteger serial;
   ASN1T_CertificateSerialNumber_traits::get(rec.serialNumber, serial);
   v = CIssuerSerial(issuer, serial);
}

namespace {
template <class Rec>
void setCertIDBase(ASN1CTXT* ctxt, Rec& rec, const CCertIDBase& v)
{
   ASN1TDynOctStr_traits::set(ctxt, rec.certHash, v.get_certHash());
   if (v.get_issuerSerial() != nullptr) {
      ASN1T_IssuerSerial_traits::set(ctxt, rec.issuerSerial, *v.get_issuerSerial());
      rec.m.issuerSerialPresent = 1;
   }
}

template <class Rec>
void getCertIDBase(const Rec& rec, CCertIDBase& v)
{
   Corvane::CBlob hash;
   ASN1TDynOctStr_traits::get(rec.certHash, hash);
   v.put_certHash(hash);
   if (rec.m.issuerSerialPresent) {
      CIssuerSerial is;
      ASN1T_IssuerSerial_traits::get(rec.issuerSerial, is);
      v.put_issuerSerial(&is);
   }
   else {
      v.put_issuerSerial(nullptr);
   }
}

const char* const kSha256 = "2.16.840.1.101.3.4.2.1";
}  // namespace

void ASN1T_ESSCertID_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CESSCertID& v) { setCertIDBase(ctxt, rec, v); }
void ASN1T_ESSCertID_traits::get(const ASN1_T& rec, CESSCertID& v) { getCertIDBase(rec, v); }

void ASN1T_ESSCertIDv2_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CESSCertIDv2& v)
{
   if (std::string(v.get_hashAlgorithm().get_algorithm()) != kSha256) {
      ASN1T_AlgorithmIdentifier_traits::set(ctxt, rec.hashAlgorithm, v.get_hashAlgorithm());
      rec.m.hashAlgorithmPresent = 1;
   }
   setCertIDBase(ctxt, rec, v);
}

void ASN1T_ESSCertIDv2_traits::get(const ASN1_T& rec, CESSCertIDv2& v)
{
   CAlgorithmIdentifier alg(kSha256);
   if (rec.m.hashAlgorithmPresent) ASN1T_AlgorithmIdentifier_traits::get(rec.hashAlgorithm, alg);
   v.put_hashAlgorithm(alg);
   getCertIDBase(rec, v);
}

void ASN1T_OtherHashAlgAndValue_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const COtherHashAlgAndValue& v)
{
   ASN1T_AlgorithmIdentifier_traits::set(ctxt, rec.hashAlgorithm, v.get_hashAlgorithm());
   ASN1TDynOctStr_traits::set(ctxt, rec.hashValue, v.get_hashValue());
}

void ASN1T_OtherHashAlgAndValue_traits::get(const ASN1_T& rec, COtherHashAlgAndValue& v)
{
   CAlgorithmIdentifier alg;
   ASN1T_AlgorithmIdentifier_traits::get(rec.hashAlgorithm, alg);
   Corvane::CBlob value;
   ASN1TDynOctStr_traits::get(rec.hashValue, value);
   v = COtherHashAlgAndValue(value, alg);
}

void ASN1T_OtherHash_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const COtherHash& v)
{
   if (v.get_type() == 1) {
      ASN1TDynOctStr* hash = asn1New<ASN1TDynOctStr>(ctxt);
      ASN1TDynOctStr_traits::set(ctxt, *hash, *v.get_sha1Hash());
      rec.u.sha1Hash = hash;
      rec.t = asn1data::T_OtherHash_sha1Hash;
   }
   else if (v.get_type() == 2) {
      asn1data::ASN1T_OtherHashAlgAndValue* other = asn1New<asn1data::ASN1T_OtherHashAlgAndValue>(ctxt);
      ASN1T_OtherHashAlgAndValue_traits::set(ctxt, *other, *v.get_otherHash());
      rec.u.otherHash = other;
      rec.t = asn1data::T_OtherHash_otherHash;
   }
   // The empty choice leaves the record empty: it does not encode.
}

void ASN1T_OtherHash_traits::get(const ASN1_T& rec, COtherHash& v)
{
   if (rec.t == asn1data::T_OtherHash_sha1Hash && rec.u.sha1Hash != nullptr) {
      Corvane::CBlob hash;
      ASN1TDynOctStr_traits::get(*rec.u.sha1Hash, hash);
      v.put_sha1Hash(hash);
   }
   else if (rec.t == asn1data::T_OtherHash_otherHash && rec.u.otherHash != nullptr) {
      COtherHashAlgAndValue other;
      ASN1T_OtherHashAlgAndValue_traits::get(*rec.u.otherHash, other);
      v.put_otherHash(other);
   }
   else {
      fail(CRYPT_E_ASN1_INTERNAL);
   }
}

void ASN1T_OtherCertID_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const COtherCertID& v)
{
   ASN1T_OtherHash_traits::set(ctxt, rec.otherCertHash, v.get_otherCertHash());
   if (v.get_issuerSerial() != nullptr) {
      ASN1T_IssuerSerial_traits::set(ctxt, rec.issuerSerial, *v.get_issuerSerial());
      rec.m.issuerSerialPresent = 1;
   }
}

void ASN1T_OtherCertID_traits::get(const ASN1_T& rec, COtherCertID& v)
{
   COtherHash hash;
   ASN1T_OtherHash_traits::get(rec.otherCertHash, hash);
   v.put_otherCertHash(hash);
   if (rec.m.issuerSerialPresent) {
      CIssuerSerial is;
      ASN1T_IssuerSerial_traits::get(rec.issuerSerial, is);
      v.put_issuerSerial(&is);
   }
   else {
      v.put_issuerSerial(nullptr);
   }
}

// ---------------------------------------------------------------------------
// Signing-certificate attributes

template <class CertList, class BodyTraits>
CAttrSigningCertificateOf<CertList, BodyTraits>::CAttrSigningCertificateOf(const char* oid, const CertList& certs)
   : CAttrValue(oid)
{
   put_certs(certs);
}

template <class CertList, class BodyTraits>
CAttrSigningCertificateOf<CertList, BodyTraits>::CAttrSigningCertificateOf(const char* oid, const Corvane::CBlob& encoded)
   : CAttrValue(oid, encoded)
{
   asn1Decode<BodyTraits>(encoded, m_body);
}

template <class CertList, class BodyTraits>
void CAttrSigningCertificateOf<CertList, BodyTraits>::put_certs(const CertList& certs)
{
   CSigningCertificateBody<CertList> body(m_body);
   body.certs = certs;
   Corvane::CBlob encoded = asn1Encode<BodyTraits>(body);
   m_body = body;
   value() = encoded;
}

template <class CertList, class BodyTraits>
void CAttrSigningCertificateOf<CertList, BodyTraits>::put_policies(const CPolicyInformationList* policies)
{
   CSigningCertificateBody<CertList> body(m_body);
   copy_to_auto_ptr(body.policies, policies);
   Corvane::CBlob encoded = asn1Encode<BodyTraits>(body);
   m_body = body;
   value() = encoded;
}

template class CAttrSigningCertificateOf<CESSCertIDList, ASN1T_SigningCertificate_traits>;
template class CAttrSigningCertificateOf<CESSCertIDv2List, ASN1T_SigningCertificateV2_traits>;
template class CAttrSigningCertificateOf<COtherCertIDList, ASN1T_OtherSigningCertificate_traits>;

}
}
