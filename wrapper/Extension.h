// Corvane::ASN1 X.509 extensions: one extension, a list of them, the
// identifier-plus-bytes value an extension carries, the typed values of the
// CRL entry and certificate extensions the library builds and reads itself,
// the CRL reason names, and certificate policy entries.
#ifndef CORVANE_ASN1_EXTENSION_H
#define CORVANE_ASN1_EXTENSION_H

#include <string.h>

#include <list>
#include <memory>
#include <string>
#include <utility>

#include "Types.h"

namespace Corvane {
namespace ASN1 {

// An extension's identifier (dotted text) and its value: the DER of the
// value, that is the contents of the extnValue OCTET STRING.
class EXTERNRT CExtValue {
public:
   CExtValue() {}
   explicit CExtValue(const char* oid) : m_oid(oid ? oid : "") {}
   CExtValue(const char* oid, const Corvane::CBlob& value) : m_oid(oid ? oid : ""), m_value(value) {}
   CExtValue(const char* oid, Corvane::CBlob&& value) : m_oid(oid ? oid : ""), m_value(std::move(value)) {}
   CExtValue(std::string&& oid, Corvane::CBlob&& value) : m_oid(std::move(oid)), m_value(std::move(value)) {}
   CExtValue(const CExtValue&) = default;
   CExtValue(CExtValue&&) = default;
   CExtValue& operator=(const CExtValue&) = default;
   CExtValue& operator=(CExtValue&&) = default;
   virtual ~CExtValue() {}

   const char* get_oid() const { return m_oid.c_str(); }
   const Corvane::CBlob& get_value() const { return m_value; }

protected:
   Corvane::CBlob& value() { return m_value; }

private:
   std::string m_oid;
   Corvane::CBlob m_value;
};

// Extension: a value and its critical flag (false by default).
class EXTERNRT CExtension {
public:
   CExtension() : m_critical(false) {}
   // A typed value is copied as its identifier and bytes.
   CExtension(const CExtValue& value, bool critical) : m_value(value), m_critical(critical) {}
   CExtension(CExtValue&& value, bool critical) : m_value(std::move(value)), m_critical(critical) {}

   const char* get_extnID() const { return m_value.get_oid(); }
   const Corvane::CBlob& get_extnValue() const { return m_value.get_value(); }
   bool get_critical() const { return m_critical; }

   // An identifier that does not parse: E_INVALIDARG. A value that is not
   // one of the registered syntax of a known identifier:
   // CRYPT_E_ASN1_INTERNAL. The value bytes are written as they are.
   Corvane::CBlob encode() const;
   // Reads the identifier, the flag and the value bytes (DER or BER); the
   // value is not checked against its extension's syntax here (encode()
   // and the typed values do that), so a certificate with one malformed
   // value still gives its other extensions.
   void decode(const Corvane::CBlob& der);

   // Equal critical flags, identifier texts and value bytes.
   bool operator==(const CExtension& o) const
   {
      return m_critical == o.m_critical && strcmp(get_extnID(), o.get_extnID()) == 0 &&
             get_extnValue() == o.get_extnValue();
   }
   bool operator!=(const CExtension& o) const { return !(*this == o); }

private:
   CExtValue m_value;
   bool m_critical;
};

// Extensions, in encoding order. An identifier occurs at most once when the
// list is built with insert(); decode() keeps what the encoding holds,
// repeated identifiers included (RFC 5280 forbids them; refusing them is
// left to the caller, which can see them).
class EXTERNRT CExtensions : public std::list<CExtension> {
public:
   // The first extension whose identifier is oid character for character,
   // or end().
   iterator find(const char* oid);
   const_iterator find(const char* oid) const;
   // Replaces the extension of the same identifier in place, or appends.
   void insert(const CExtension& ext);
   // Removes the first extension of that identifier, if any.
   void erase(const char* oid);

   // An empty list is no Extensions value (SIZE (1..MAX)): encoding it
   // throws CRYPT_E_ASN1_INTERNAL.
   Corvane::CBlob encode() const;
   // Reads every extension as CExtension::decode does. An empty list is
   // refused (CRYPT_E_ASN1_INTERNAL), as is anything that is not an
   // Extensions value; the list is then unchanged.
   void decode(const Corvane::CBlob& der);

   // Same length, equal pair by pair in order.
   bool operator==(const CExtensions& o) const
   {
      return static_cast<const std::list<CExtension>&>(*this) == static_cast<const std::list<CExtension>&>(o);
   }
   bool operator!=(const CExtensions& o) const { return !(*this == o); }

   // The list's own insert and erase stay available.
   using std::list<CExtension>::insert;
   using std::list<CExtension>::erase;
};

// CRLReason values. The type holds any 32-bit number, since the names and
// the text conversions below deal in numbers the ENUMERATED does not list.
enum CrlReason : unsigned int {
   crUnspecified = 0,
   crKeyCompromise = 1,
   crCACompromise = 2,
   crAffiliationChanged = 3,
   crSuperseded = 4,
   crCessationOfOperation = 5,
   crCertificateHold = 6,
   crRemoveFromCRL = 8,
   crPrivilegeWithdrawn = 9,
   crAACompromise = 10
};

// The name of a reason: "unspecified", "keyCompromise", "caCompromise",
// "affiliationChanged", "superseded", "cessationOfOperation",
// "certificateHold", "removeFromCRL" for 0 to 8; "0x" and the number in
// lower-case hexadecimal for 7 and everything above 8 (privilegeWithdrawn is
// "0x9", aACompromise "0xa").
EXTERNRT std::string CrlReason_toStringA(CrlReason reason);
EXTERNRT std::wstring CrlReason_toStringW(CrlReason reason);
// The reason a name gives (exact, case-sensitive); otherwise the text read
// as strtoul reads it in base 0 ("9", "0x9", "011"), so a text that is no
// name and no number gives 0 (unspecified).
EXTERNRT CrlReason CrlReason_fromStringA(const char* text);
EXTERNRT CrlReason CrlReason_fromStringW(const wchar_t* text);

// Typed values: the identifier is fixed, and value is kept equal to the DER
// of the typed member. A constructor from bytes keeps the bytes and decodes
// them (bytes that do not decode throw CRYPT_E_ASN1_INTERNAL); a constructor
// from a typed value and every put_ encode it. A default-constructed value
// has no bytes until a typed value is given.

// reasonCode (2.5.29.21), CRLReason.
//
// Before a reason is given get_reason() is crUnspecified: an entry without
// a reasonCode has the reason unspecified (RFC 5280, 5.3.1), and the value
// bytes stay empty, so nothing claims a reasonCode was written.
class EXTERNRT CExtCRLReason : public CExtValue {
public:
   static const char* const OID;
   CExtCRLReason() : CExtValue(OID), m_reason(crUnspecified) {}
   explicit CExtCRLReason(CrlReason reason) : CExtValue(OID), m_reason(crUnspecified) { put_reason(reason); }
   explicit CExtCRLReason(const Corvane::CBlob& der) : CExtValue(OID, der), m_reason(crUnspecified) { decode(); }

   CrlReason get_reason() const { return m_reason; }
   // A number above 10 does not encode: CRYPT_E_ASN1_INTERNAL, and the
   // value is left as it was.
   void put_reason(CrlReason reason);

protected:
   void encode();
   void decode();

private:
   CrlReason m_reason;
};

// holdInstructionCode (2.5.29.23), an OBJECT IDENTIFIER (dotted; empty by
// default).
class EXTERNRT CExtHoldInstructionCode : public CExtValue {
public:
   static const char* const OID;
   CExtHoldInstructionCode() : CExtValue(OID) {}
   explicit CExtHoldInstructionCode(const char* oid) : CExtValue(OID) { put_code(oid); }
   explicit CExtHoldInstructionCode(const Corvane::CBlob& der) : CExtValue(OID, der) { decode(); }

   Corvane::CStringProxy get_code() const { return Corvane::CStringProxy(m_code); }
   // A text that does not parse throws E_INVALIDARG; the value is unchanged.
   void put_code(const char* oid);

protected:
   void encode();
   void decode();

private:
   std::string m_code;
};

// invalidityDate (2.5.29.24), a GeneralizedTime in whole seconds (from
// 500 ms up rounded to the next second).
class EXTERNRT CExtInvalidityDate : public CExtValue {
public:
   static const char* const OID;
   CExtInvalidityDate() : CExtValue(OID), m_date(0, 0) {}
   explicit CExtInvalidityDate(const Corvane::CDateTime& date) : CExtValue(OID) { put_invalidityDate(date); }
   explicit CExtInvalidityDate(const Corvane::CBlob& der) : CExtValue(OID, der) { decode(); }

   const Corvane::CDateTime& get_invalidityDate() const { return m_date; }
   void put_invalidityDate(const Corvane::CDateTime& date);

protected:
   void encode();
   void decode();

private:
   Corvane::CDateTime m_date;
};

// certificateIssuer (2.5.29.29), GeneralNames (empty by default).
class EXTERNRT CExtCertificateIssuer : public CExtValue {
public:
   static const char* const OID;
   CExtCertificateIssuer() : CExtValue(OID) {}
   explicit CExtCertificateIssuer(const CGeneralNames& issuer) : CExtValue(OID) { put_issuer(issuer); }
   explicit CExtCertificateIssuer(const Corvane::CBlob& der) : CExtValue(OID, der) { decode(); }

   const CGeneralNames& get_issuer() const { return m_issuer; }
   // Names that do not encode throw as CGeneralNames::encode does; the
   // value is unchanged.
   void put_issuer(const CGeneralNames& issuer);

protected:
   void encode();
   void decode();

private:
   CGeneralNames m_issuer;
};

// privateKeyUsagePeriod (2.5.29.16): two optional GeneralizedTimes.
class EXTERNRT CExtPrivateKeyUsagePeriod : public CExtValue {
   friend struct ASN1T_PrivateKeyUsagePeriod_traits;

public:
   static const char* const OID;
   CExtPrivateKeyUsagePeriod(const Corvane::CDateTime* notBefore, const Corvane::CDateTime* notAfter);
   explicit CExtPrivateKeyUsagePeriod(const Corvane::CBlob& der) : CExtValue(OID, der) { decode(); }
   CExtPrivateKeyUsagePeriod(const CExtPrivateKeyUsagePeriod& o);
   CExtPrivateKeyUsagePeriod& operator=(const CExtPrivateKeyUsagePeriod& o);

   const Corvane::CDateTime* get_notBefore() const { return m_notBefore.get(); }
   const Corvane::CDateTime* get_notAfter() const { return m_notAfter.get(); }
   // Null removes the time.
   void put_notBefore(const Corvane::CDateTime* time);
   void put_notAfter(const Corvane::CDateTime* time);

protected:
   void encode();
   void decode();

private:
   std::unique_ptr<Corvane::CDateTime> m_notBefore;
   std::unique_ptr<Corvane::CDateTime> m_notAfter;
};

// PolicyInformation: the policy's identifier. Qualifiers are not held: never
// written, ignored when read.
class EXTERNRT CPolicyInformation {
public:
   CPolicyInformation() {}
   explicit CPolicyInformation(const char* oid) : m_oid(oid ? oid : "") {}

   const char* get_policyIdentifier() const { return m_oid.c_str(); }
   void put_policyIdentifier(const char* oid) { m_oid = oid ? oid : ""; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CPolicyInformation& o) const { return m_oid == o.m_oid; }
   bool operator!=(const CPolicyInformation& o) const { return !(*this == o); }

private:
   std::string m_oid;
};

typedef std::list<CPolicyInformation> CPolicyInformationList;

}
}

#endif
