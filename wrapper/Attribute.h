// Corvane::ASN1 attributes: the Attribute of X.501 and CMS (a type and a set
// of values), the typed values signed messages carry, the name attributes,
// and the certificate identifiers of the signing-certificate attributes.
#ifndef CORVANE_ASN1_ATTRIBUTE_H
#define CORVANE_ASN1_ATTRIBUTE_H

#include <list>
#include <memory>
#include <string>

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

}
}

#endif
