// Corvane::ASN1 attributes: the Attribute of X.501 and CMS (a type and a set
// of values), the typed values signed messages carry, the name attributes,
// and the certificate identifiers of the signing-certificate attributes.
#ifndef CORVANE_ASN1_ATTRIBUTE_H
#define CORVANE_ASN1_ATTRIBUTE_H

#include <list>
#include <memory>
#include <string>

#include "CMS.h"
#include "Extension.h"
#include "Types.h"

namespace Corvane {
namespace ASN1 {

// One value of an attribute: the attribute type it belongs to and the
// complete DER of the value.
class EXTERNRT CAttrValue {
public:
   CAttrValue() {}
   explicit CAttrValue(const char* oid) : m_oid(oid ? oid : "") {}
   CAttrValue(const char* oid, const Corvane::CBlob& value) : m_oid(oid ? oid : ""), m_value(value) {}
   virtual ~CAttrValue() {}

   const char* get_oid() const { return m_oid.c_str(); }
   const Corvane::CBlob& get_value() const { return m_value; }

   bool operator==(const CAttrValue& o) const { return m_oid == o.m_oid && m_value == o.m_value; }
   bool operator!=(const CAttrValue& o) const { return !(*this == o); }

protected:
   Corvane::CBlob& value() { return m_value; }

private:
   std::string m_oid;
   Corvane::CBlob m_value;
};

typedef std::list<CAttrValue> CAttrValueList;

// An attribute: its type and its values in encoding order (a new attribute
// has none). Equal when the types are equal and the values equal pair by
// pair in order. A known attribute type's values must be values of its
// syntax when the attribute is encoded (CRYPT_E_ASN1_INTERNAL).
class EXTERNRT CAttribute {
public:
   typedef CAttrValueList::iterator iterator;
   typedef CAttrValueList::const_iterator const_iterator;

   CAttribute() {}
   explicit CAttribute(const char* oid) : m_oid(oid ? oid : "") {}

   const char* get_oid() const { return m_oid.c_str(); }
   iterator begin() { return m_values.begin(); }
   iterator end() { return m_values.end(); }
   const_iterator begin() const { return m_values.begin(); }
   const_iterator end() const { return m_values.end(); }
   size_t size() const { return m_values.size(); }
   // Appends a copy of the value as it is (its type is not compared with
   // the attribute's).
   void add(const CAttrValue& value) { m_values.push_back(value); }
   // Appends CAttrValue(the attribute's type, bytes).
   void add(const Corvane::CBlob& value) { m_values.push_back(CAttrValue(m_oid.c_str(), value)); }
   iterator erase(iterator it) { return m_values.erase(it); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CAttribute& o) const { return m_oid == o.m_oid && m_values == o.m_values; }
   bool operator!=(const CAttribute& o) const { return !(*this == o); }

private:
   std::string m_oid;
   CAttrValueList m_values;
};

// A set of attributes (as signed or unsigned attributes), in encoding order.
// DER writes a SET OF in order of the encodings, so encode() may give the
// attributes in another order than the list holds. At least one attribute
// is needed to encode.
class EXTERNRT CAttributes : public std::list<CAttribute> {
public:
   iterator find(const char* oid);
   const_iterator find(const char* oid) const;
   // Removes the first attribute of that type, if any.
   void erase(const char* oid);
   using std::list<CAttribute>::erase;

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

// The message digest: an OCTET STRING.
class EXTERNRT CAttrMessageDigest : public CAttrValue {
public:
   CAttrMessageDigest() : CAttrValue("1.2.840.113549.1.9.4") {}
   // From the encoded value; bytes that are not an OCTET STRING throw
   // CRYPT_E_ASN1_INTERNAL.
   explicit CAttrMessageDigest(const Corvane::CBlob& encoded);

   const Corvane::CBlob& get_messageDigest() const { return m_digest; }
   void put_messageDigest(const Corvane::CBlob& digest);

private:
   Corvane::CBlob m_digest;
};

// The content type: an OBJECT IDENTIFIER.
class EXTERNRT CAttrContentType : public CAttrValue {
public:
   // A text that is not an identifier throws E_INVALIDARG.
   explicit CAttrContentType(const char* oid);
   // From the encoded value (CRYPT_E_ASN1_INTERNAL when it is not one).
   explicit CAttrContentType(const Corvane::CBlob& encoded);

   const char* get_contentType() const { return m_type.c_str(); }
   void put_contentType(const char* oid);

private:
   std::string m_type;
};

// A text value in its register row's string type (a type outside the
// register takes "#" and hexadecimal digits; a registered type's text longer
// than its row allows throws E_INVALIDARG).
class EXTERNRT CAttrStringValue : public CAttrValue {
public:
   CAttrStringValue(const char* oid, const wchar_t* text);
   CAttrStringValue(const char* oid, const char* text);
};

#define QVASN1_NAME_ATTRIBUTE(Class, Oid)                                       \
   class EXTERNRT Class : public CAttrStringValue {                            \
   public:                                                                     \
      explicit Class(const char* text) : CAttrStringValue(Oid, text) {}        \
      explicit Class(const wchar_t* text) : CAttrStringValue(Oid, text) {}     \
   };

QVASN1_NAME_ATTRIBUTE(CAttrCommonName, "2.5.4.3")
QVASN1_NAME_ATTRIBUTE(CAttrSurname, "2.5.4.4")
QVASN1_NAME_ATTRIBUTE(CAttrCountry, "2.5.4.6")
QVASN1_NAME_ATTRIBUTE(CAttrLocality, "2.5.4.7")
QVASN1_NAME_ATTRIBUTE(CAttrStateOrProvinceName, "2.5.4.8")
QVASN1_NAME_ATTRIBUTE(CAttrOrganizationName, "2.5.4.10")
QVASN1_NAME_ATTRIBUTE(CAttrOrganizationalUnitName, "2.5.4.11")
QVASN1_NAME_ATTRIBUTE(CAttrTitle, "2.5.4.12")
QVASN1_NAME_ATTRIBUTE(CAttrGivenName, "2.5.4.42")
QVASN1_NAME_ATTRIBUTE(CAttrInitials, "2.5.4.43")
QVASN1_NAME_ATTRIBUTE(CAttrPseudonym, "2.5.4.65")
QVASN1_NAME_ATTRIBUTE(CAttrEmailAddress, "1.2.840.113549.1.9.1")

#undef QVASN1_NAME_ATTRIBUTE

// CertificateValues: the DER of each certificate.
class EXTERNRT CCertificateValues : public Corvane::CBlobList {
public:
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

// ---------------------------------------------------------------------------
// Certificate identifiers of the signing-certificate attributes.

// IssuerSerial: the issuer's names and the serial number.
class EXTERNRT CIssuerSerial {
public:
   CIssuerSerial() {}
   CIssuerSerial(const CGeneralNames& issuer, const CBigInteger& serial) : m_issuer(issuer), m_serial(serial) {}

   const CGeneralNames& get_issuer() const { return m_issuer; }
   const CBigInteger& get_serialNumber() const { return m_serial; }
   void put_issuer(const CGeneralNames& issuer) { m_issuer = issuer; }
   void put_serialNumber(const CBigInteger& serial) { m_serial = serial; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CIssuerSerial& o) const { return m_issuer == o.m_issuer && m_serial == o.m_serial; }
   bool operator!=(const CIssuerSerial& o) const { return !(*this == o); }

private:
   CGeneralNames m_issuer;
   CBigInteger m_serial;
};

// The hash of a certificate and, optionally, its issuer and serial number;
// the base of ESSCertID and ESSCertIDv2.
class EXTERNRT CCertIDBase {
public:
   CCertIDBase() {}
   explicit CCertIDBase(const Corvane::CBlob& hash) : m_hash(hash) {}
   CCertIDBase(const CCertIDBase& o) : m_hash(o.m_hash) { put_issuerSerial(o.get_issuerSerial()); }
   CCertIDBase& operator=(const CCertIDBase& o)
   {
      m_hash = o.m_hash;
      put_issuerSerial(o.get_issuerSerial());
      return *this;
   }
   virtual ~CCertIDBase() {}

   const Corvane::CBlob& get_certHash() const { return m_hash; }
   void put_certHash(const Corvane::CBlob& hash) { m_hash = hash; }
   const CIssuerSerial* get_issuerSerial() const { return m_issuerSerial.get(); }
   void put_issuerSerial(const CIssuerSerial* v) { copy_to_auto_ptr(m_issuerSerial, v); }

protected:
   bool sameBase(const CCertIDBase& o) const
   {
      return m_hash == o.m_hash && is_equal_ptr(get_issuerSerial(), o.get_issuerSerial());
   }

private:
   Corvane::CBlob m_hash;
   std::unique_ptr<CIssuerSerial> m_issuerSerial;
};

// ESSCertID: the SHA-1 hash of a certificate.
class EXTERNRT CESSCertID : public CCertIDBase {
public:
   CESSCertID() {}
   explicit CESSCertID(const Corvane::CBlob& hash) : CCertIDBase(hash) {}

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CESSCertID& o) const { return sameBase(o); }
   bool operator!=(const CESSCertID& o) const { return !(*this == o); }
};

// ESSCertIDv2: a hash under an algorithm, SHA-256 (2.16.840.1.101.3.4.2.1)
// by default, which is not written.
class EXTERNRT CESSCertIDv2 : public CCertIDBase {
public:
   CESSCertIDv2() : m_algorithm("2.16.840.1.101.3.4.2.1") {}
   explicit CESSCertIDv2(const Corvane::CBlob& hash) : CCertIDBase(hash), m_algorithm("2.16.840.1.101.3.4.2.1") {}
   CESSCertIDv2(const Corvane::CBlob& hash, const CAlgorithmIdentifier& algorithm)
      : CCertIDBase(hash), m_algorithm(algorithm)
   {
   }

   const CAlgorithmIdentifier& get_hashAlgorithm() const { return m_algorithm; }
   void put_hashAlgorithm(const CAlgorithmIdentifier& algorithm) { m_algorithm = algorithm; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CESSCertIDv2& o) const { return sameBase(o) && m_algorithm == o.m_algorithm; }
   bool operator!=(const CESSCertIDv2& o) const { return !(*this == o); }

private:
   CAlgorithmIdentifier m_algorithm;
};

// OtherHashAlgAndValue.
class EXTERNRT COtherHashAlgAndValue {
public:
   COtherHashAlgAndValue() {}
   COtherHashAlgAndValue(const Corvane::CBlob& value, const CAlgorithmIdentifier& algorithm)
      : m_algorithm(algorithm), m_value(value)
   {
   }

   const CAlgorithmIdentifier& get_hashAlgorithm() const { return m_algorithm; }
   void put_hashAlgorithm(const CAlgorithmIdentifier& algorithm) { m_algorithm = algorithm; }
   const Corvane::CBlob& get_hashValue() const { return m_value; }
   void put_hashValue(const Corvane::CBlob& value) { m_value = value; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const COtherHashAlgAndValue& o) const { return m_algorithm == o.m_algorithm && m_value == o.m_value; }
   bool operator!=(const COtherHashAlgAndValue& o) const { return !(*this == o); }

private:
   CAlgorithmIdentifier m_algorithm;
   Corvane::CBlob m_value;
};

class EXTERNRT COtherHashImpl : public Choice {
public:
   ~COtherHashImpl() override { clear(); }
   const ChoiceValueTraits* findTraits(unsigned int type) const override;
};

// OtherHash: sha1Hash (1) or otherHash (2). The empty choice does not
// encode (CRYPT_E_ASN1_INTERNAL).
class EXTERNRT COtherHash {
public:
   COtherHash() {}
   explicit COtherHash(const Corvane::CBlob& sha1) { put_sha1Hash(sha1); }
   explicit COtherHash(const COtherHashAlgAndValue& other) { put_otherHash(other); }
   COtherHash(const COtherHash& o) { m_impl.assign(o.m_impl); }
   COtherHash& operator=(const COtherHash& o)
   {
      m_impl.assign(o.m_impl);
      return *this;
   }
   virtual ~COtherHash() {}

   unsigned int get_type() const { return m_impl.type; }
   const Corvane::CBlob* get_sha1Hash() const { return static_cast<const Corvane::CBlob*>(m_impl.valueOf(1)); }
   const COtherHashAlgAndValue* get_otherHash() const
   {
      return static_cast<const COtherHashAlgAndValue*>(m_impl.valueOf(2));
   }
   void put_sha1Hash(const Corvane::CBlob& v) { m_impl.select(1, &v); }
   void put_otherHash(const COtherHashAlgAndValue& v) { m_impl.select(2, &v); }
   void clear() { m_impl.clear(); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const COtherHash& o) const
   {
      return get_type() == o.get_type() && is_equal_ptr(get_sha1Hash(), o.get_sha1Hash()) &&
             is_equal_ptr(get_otherHash(), o.get_otherHash());
   }
   bool operator!=(const COtherHash& o) const { return !(*this == o); }

private:
   COtherHashImpl m_impl;
};

// OtherCertID: a hash of the certificate (SHA-1, or under an algorithm:
// the second constructor takes the otherHash form whatever the algorithm)
// and, optionally, its issuer and serial number.
class EXTERNRT COtherCertID {
public:
   COtherCertID() {}
   explicit COtherCertID(const Corvane::CBlob& hash) : m_hash(hash) {}
   COtherCertID(const Corvane::CBlob& hash, const CAlgorithmIdentifier& algorithm)
      : m_hash(COtherHashAlgAndValue(hash, algorithm))
   {
   }
   COtherCertID(const COtherCertID& o) : m_hash(o.m_hash) { put_issuerSerial(o.get_issuerSerial()); }
   COtherCertID& operator=(const COtherCertID& o)
   {
      m_hash = o.m_hash;
      put_issuerSerial(o.get_issuerSerial());
      return *this;
   }

   const COtherHash& get_otherCertHash() const { return m_hash; }
   void put_otherCertHash(const COtherHash& hash) { m_hash = hash; }
   const CIssuerSerial* get_issuerSerial() const { return m_issuerSerial.get(); }
   void put_issuerSerial(const CIssuerSerial* v) { copy_to_auto_ptr(m_issuerSerial, v); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const COtherCertID& o) const
   {
      return m_hash == o.m_hash && is_equal_ptr(get_issuerSerial(), o.get_issuerSerial());
   }
   bool operator!=(const COtherCertID& o) const { return !(*this == o); }

private:
   COtherHash m_hash;
   std::unique_ptr<CIssuerSerial> m_issuerSerial;
};

typedef std::list<CESSCertID> CESSCertIDList;
typedef std::list<CESSCertIDv2> CESSCertIDv2List;
typedef std::list<COtherCertID> COtherCertIDList;

// The contents of a signing-certificate attribute: the certificates'
// identifiers and, optionally, policies (their identifiers).
template <class CertList>
struct CSigningCertificateBody {
   CertList certs;
   std::unique_ptr<CPolicyInformationList> policies;

   CSigningCertificateBody() {}
   CSigningCertificateBody(const CSigningCertificateBody& o) : certs(o.certs) { copy_to_auto_ptr(policies, o.policies.get()); }
   CSigningCertificateBody& operator=(const CSigningCertificateBody& o)
   {
      certs = o.certs;
      copy_to_auto_ptr(policies, o.policies.get());
      return *this;
   }
   bool operator==(const CSigningCertificateBody& o) const
   {
      return certs == o.certs && is_equal_ptr(policies.get(), o.policies.get());
   }
};

// A signing-certificate attribute value (SigningCertificate,
// SigningCertificateV2, OtherSigningCertificate): the typed contents and
// their DER, kept in step; made from bytes, the bytes stand as they are.
template <class CertList, class BodyTraits>
class EXTERNRT CAttrSigningCertificateOf : public CAttrValue {
public:
   const CertList& get_certs() const { return m_body.certs; }
   const CPolicyInformationList* get_policies() const { return m_body.policies.get(); }
   void put_certs(const CertList& certs);
   void put_policies(const CPolicyInformationList* policies);

protected:
   explicit CAttrSigningCertificateOf(const char* oid) : CAttrValue(oid) {}
   CAttrSigningCertificateOf(const char* oid, const CertList& certs);
   CAttrSigningCertificateOf(const char* oid, const Corvane::CBlob& encoded);

private:
   CSigningCertificateBody<CertList> m_body;
};

struct ASN1T_SigningCertificate_traits;
struct ASN1T_SigningCertificateV2_traits;
struct ASN1T_OtherSigningCertificate_traits;

class EXTERNRT CAttrSigningCertificate
   : public CAttrSigningCertificateOf<CESSCertIDList, ASN1T_SigningCertificate_traits> {
public:
   CAttrSigningCertificate() : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.12") {}
   explicit CAttrSigningCertificate(const CESSCertIDList& certs) : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.12", certs) {}
   explicit CAttrSigningCertificate(const Corvane::CBlob& encoded)
      : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.12", encoded)
   {
   }
};

class EXTERNRT CAttrSigningCertificateV2
   : public CAttrSigningCertificateOf<CESSCertIDv2List, ASN1T_SigningCertificateV2_traits> {
public:
   CAttrSigningCertificateV2() : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.47") {}
   explicit CAttrSigningCertificateV2(const CESSCertIDv2List& certs)
      : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.47", certs)
   {
   }
   explicit CAttrSigningCertificateV2(const Corvane::CBlob& encoded)
      : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.47", encoded)
   {
   }
};

class EXTERNRT CAttrOtherSigningCertificate
   : public CAttrSigningCertificateOf<COtherCertIDList, ASN1T_OtherSigningCertificate_traits> {
public:
   CAttrOtherSigningCertificate() : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.19") {}
   explicit CAttrOtherSigningCertificate(const COtherCertIDList& certs)
      : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.19", certs)
   {
   }
   explicit CAttrOtherSigningCertificate(const Corvane::CBlob& encoded)
      : CAttrSigningCertificateOf("1.2.840.113549.1.9.16.2.19", encoded)
   {
   }
};

// The signing time: a Time, chosen as RFC 5280 requires (UTCTime for 1950
// to 2049, GeneralizedTime otherwise), in whole seconds.
class EXTERNRT CAttrSigningTime : public CAttrValue {
public:
   explicit CAttrSigningTime(const Corvane::CDateTime& time);
   // From the encoded value (CRYPT_E_ASN1_INTERNAL when it is not a Time).
   explicit CAttrSigningTime(const Corvane::CBlob& encoded);

   Corvane::CDateTime get_time() const { return *m_time.get_time(); }
   void put_time(const Corvane::CDateTime& time);

private:
   CTimeChoice m_time;
};

}
}

#endif
