// Corvane::ASN1 value classes shared by signed messages: algorithm
// identifiers, big integers and their text form, the X.509 Time CHOICE with
// the time-text functions, and the CMS ContentInfo envelope and SignerInfo.
#ifndef CORVANE_ASN1_CMS_H
#define CORVANE_ASN1_CMS_H

#include <string>

#include "Types.h"
#include "asn1type.h"

class ASN1CTime;

namespace Corvane {
namespace ASN1 {

// ---------------------------------------------------------------------------
// AlgorithmIdentifier: the algorithm's dotted identifier and the DER of its
// parameters (an empty blob: no parameters; a NULL written out is the two
// bytes 05 00, which is not the same as absent).
class EXTERNRT CAlgorithmIdentifier {
public:
   CAlgorithmIdentifier() {}
   explicit CAlgorithmIdentifier(const char* oid) : m_algorithm(oid ? oid : "") {}
   CAlgorithmIdentifier(const char* oid, const Corvane::CBlob& parameters)
      : m_algorithm(oid ? oid : ""), m_parameters(parameters)
   {
   }
   CAlgorithmIdentifier(const CAlgorithmIdentifier&) = default;
   CAlgorithmIdentifier& operator=(const CAlgorithmIdentifier&) = default;
   virtual ~CAlgorithmIdentifier() {}

   void assign(const CAlgorithmIdentifier& o) { *this = o; }
   void swap(CAlgorithmIdentifier& o)
   {
      m_algorithm.swap(o.m_algorithm);
      m_parameters.swap(o.m_parameters);
   }

   const char* get_algorithm() const { return m_algorithm.c_str(); }
   // Never null; an empty blob when there are no parameters.
   const Corvane::CBlob* get_parameters() const { return &m_parameters; }
   void put_algorithm(const char* oid) { m_algorithm = oid ? oid : ""; }
   void put_parameters(const Corvane::CBlob& parameters) { m_parameters = parameters; }

   // An identifier that does not parse throws CRYPT_E_ASN1_INTERNAL, as do
   // parameters that are not exactly one DER element or that do not match
   // the registered syntax of a known algorithm.
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   // Equal identifier texts and equal parameter bytes.
   bool operator==(const CAlgorithmIdentifier& o) const
   {
      return m_algorithm == o.m_algorithm && m_parameters == o.m_parameters;
   }
   bool operator!=(const CAlgorithmIdentifier& o) const { return !(*this == o); }

private:
   std::string m_algorithm;
   Corvane::CBlob m_parameters;
};

// ---------------------------------------------------------------------------
// An INTEGER of any length as its big-endian two's-complement bytes: the top
// bit of the first byte is the sign. The bytes need not be minimal (00 01 and
// 01 are the same number); an empty value counts as zero.
//
// Its text form, the one the generated records hold big INTEGER values in,
// is "0x" and two hexadecimal digits for every byte.
class EXTERNRT CBigInteger : public Corvane::CBlob {
public:
   CBigInteger() {}
   CBigInteger(const unsigned char* data, unsigned long n) : Corvane::CBlob(data, n) {}
   // n zero bytes.
   explicit CBigInteger(unsigned long n) : Corvane::CBlob(n) {}

   // The DER of the INTEGER (always minimal). An empty value has no
   // encoding: CRYPT_E_ASN1_INTERNAL.
   Corvane::CBlob encode() const;
   // The content octets of the INTEGER as they were written.
   void decode(const Corvane::CBlob& der);

   // -1, 0 or 1 as this number is below, equal to or above o. The order is
   // the order of the numbers, whatever the byte counts.
   int compare(const CBigInteger& o) const;
   // Adds o byte by byte from the last one with carry; both must have the
   // same number of bytes (else E_INVALIDARG). Returns the carry out of the
   // first byte (the sum is kept modulo 256^n).
   int add(const CBigInteger& o);
   // Adds 1 at the last byte and carries towards the first, leaving the
   // bytes before index `stop` alone. Returns the carry out of byte `stop`
   // (1 also when there is no byte to add to).
   int increment(int stop);
   CBigInteger& operator++()
   {
      increment(0);
      return *this;
   }
   CBigInteger operator++(int)
   {
      CBigInteger before(*this);
      increment(0);
      return before;
   }
   // A copy with the top bit of the first byte cleared. This is not the
   // mathematical absolute value: it turns a serial number made of random
   // bytes into a non-negative one of the same length, so -1 (FF) gives 127
   // (7F). Callers rely on exactly that.
   CBigInteger abs() const;

   bool operator==(const CBigInteger& o) const { return compare(o) == 0; }
   bool operator!=(const CBigInteger& o) const { return compare(o) != 0; }
   bool operator<(const CBigInteger& o) const { return compare(o) < 0; }
   bool operator>(const CBigInteger& o) const { return compare(o) > 0; }
   bool operator<=(const CBigInteger& o) const { return compare(o) <= 0; }
   bool operator>=(const CBigInteger& o) const { return compare(o) >= 0; }
};

// Integer text <-> bytes. StringToBigInteger takes "0x" and at least one
// hexadecimal digit (else CRYPT_E_ASN1_INTERNAL; a character that is not a
// digit: E_INVALIDARG); an odd number of digits reads as if a leading "0"
// were there, so "0xabc" is 0A BC. BigIntegerToString writes "0x", two
// upper-case digits per byte and a NUL into out.
EXTERNRT void StringToBigInteger(const char* text, CBigInteger& value);
EXTERNRT void BigIntegerToString(const CBigInteger& value, Corvane::CBlob& out);
EXTERNRT void ASN1StringToBigInteger(const char* text, CBigInteger& value);
// The text of the value in the heap of ctxt (out of memory:
// CRYPT_E_ASN1_MEMORY).
EXTERNRT const char* BigIntegerToASN1String(ASN1CTXT* ctxt, const CBigInteger& value);
// The integer text of an unsigned 32-bit number in the heap of ctxt: "0x"
// and eight digits, or ten ("0x00" first) from 0x80000000 up, since the
// encoder takes hexadecimal text as two's complement (out of memory:
// E_OUTOFMEMORY).
EXTERNRT const char* DWORDToASN1BigInteger(ASN1CTXT* ctxt, unsigned int n);
// The number an integer text holds, as unsigned 32 bits: the bytes
// combined big-endian once redundant leading 00 bytes are dropped; more
// than four bytes left throws E_INVALIDARG.
EXTERNRT unsigned int ASN1BigIntegerToDWORD(const char* text);
// Adds 1 to the count bytes at data as increment() does; count or stop
// below 0 throws E_INVALIDARG.
EXTERNRT int ASN1T_BigInt_inc(unsigned char* data, int count, int stop);

// ---------------------------------------------------------------------------
// The X.509 Time CHOICE.

class EXTERNRT CTimeChoiceImpl : public Choice {
public:
   ~CTimeChoiceImpl() override { clear(); }
   const ChoiceValueTraits* findTraits(unsigned int type) const override;
};

// Time: utcTime (1) or generalTime (2), each a date in whole seconds. A new
// object is utcTime holding 1970-01-01 00:00:00.
//
// put_time chooses the alternative as RFC 5280 requires: UTCTime for the
// years 1950 to 2049 (the two-digit years it can carry), GeneralizedTime for
// every other year. Decoding chooses again by that rule, so a
// GeneralizedTime of 2030 reads back as utcTime. Milliseconds are not
// written (cut, not rounded).
class EXTERNRT CTimeChoice {
public:
   enum Type { none = 0, utcTime = 1, generalTime = 2 };

   CTimeChoice();
   explicit CTimeChoice(const Corvane::CDateTime& time) { put_time(time); }
   CTimeChoice(const CTimeChoice& o) { m_impl.assign(o.m_impl); }
   CTimeChoice& operator=(const CTimeChoice& o)
   {
      m_impl.assign(o.m_impl);
      return *this;
   }

   // The empty choice (encoding it throws CRYPT_E_ASN1_INTERNAL).
   void clear() { m_impl.clear(); }
   unsigned int get_type() const { return m_impl.type; }
   // Null for the empty choice.
   const Corvane::CDateTime* get_time() const
   {
      return static_cast<const Corvane::CDateTime*>(m_impl.type != 0 ? m_impl.value : nullptr);
   }
   void put_time(const Corvane::CDateTime& time);

   // The empty choice does not encode: CRYPT_E_ASN1_INTERNAL.
   Corvane::CBlob encode() const;
   // UTCTime or GeneralizedTime, DER or BER (a zone offset is applied, so
   // the date is the UTC instant). A date outside the years 1 to 9999 the
   // date class holds, or anything else, throws CRYPT_E_ASN1_INTERNAL.
   void decode(const Corvane::CBlob& der);

   // Same alternative and same date.
   bool operator==(const CTimeChoice& o) const
   {
      return get_type() == o.get_type() && is_equal_ptr(get_time(), o.get_time());
   }
   bool operator!=(const CTimeChoice& o) const { return !(*this == o); }

   // The alternative put_time chooses for a year.
   static unsigned int typeForYear(unsigned int year)
   {
      return year >= 1950 && year <= 2049 ? utcTime : generalTime;
   }

private:
   CTimeChoiceImpl m_impl;
};

// The text of a date written through a time object (UTCTime or
// GeneralizedTime, as the object is): clear(), then year, month, day, hour,
// minute and second set one by one (a field the object refuses throws
// CRYPT_E_ASN1_INTERNAL, and so does a UTCTime object for a year outside
// 1950 to 2049, which its two digits would carry into another century).
// Milliseconds are not written.
EXTERNRT Corvane::CStringProxy GetASN1CTimeString(const Corvane::CDateTime& date, ASN1CTime& time);

// A rough count of seconds: (year * 365 + month * 30 + day) * 86400 +
// hour * 3600 + minute * 60 + second, kept to its low 32 bits. It is no
// calendar count (every month has 30 days, every year 365) and it wraps for
// every year after 136, so only the difference of two nearby results
// (computed in 32 bits) means anything: roughly the seconds between them.
// Callers rely on exactly this value.
EXTERNRT unsigned int DateToSecondPeriod(const Corvane::CDateTime& date);

// ---------------------------------------------------------------------------
// CMS.

// ContentInfo: the content type's dotted identifier and the DER of the
// content (the value inside the [0] tag).
class EXTERNRT CContentInfo {
public:
   CContentInfo() {}
   CContentInfo(const char* type, const Corvane::CBlob& content) : m_type(type ? type : ""), m_content(content) {}

   const char* get_contentType() const { return m_type.c_str(); }
   const Corvane::CBlob& get_content() const { return m_content; }
   void put_contentType(const char* type) { m_type = type ? type : ""; }
   void put_content(const Corvane::CBlob& content) { m_content = content; }

   // An identifier that does not parse: E_INVALIDARG. Content that is not
   // exactly one DER element or not a value of a known content type:
   // CRYPT_E_ASN1_INTERNAL.
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CContentInfo& o) const { return m_type == o.m_type && m_content == o.m_content; }
   bool operator!=(const CContentInfo& o) const { return !(*this == o); }

private:
   std::string m_type;
   Corvane::CBlob m_content;
};

// SignerInfo of a signer identified by issuer and serial number. The signed
// and unsigned attributes are not held. Read from a decoded record with
// ASN1T_SignerInfo_get (CMSTraits.h).
class EXTERNRT CSignerInfo {
public:
   CSignerInfo() : m_version(0) {}

   unsigned int get_version() const { return m_version; }
   // The DER of the issuer's Name.
   const Corvane::CBlob& get_issuer() const { return m_issuer; }
   const CBigInteger& get_serialNumber() const { return m_serialNumber; }
   const CAlgorithmIdentifier& get_digestAlgorithm() const { return m_digestAlgorithm; }
   const CAlgorithmIdentifier& get_signatureAlgorithm() const { return m_signatureAlgorithm; }
   const Corvane::CBlob& get_signature() const { return m_signature; }

   void put_version(unsigned int version) { m_version = version; }
   void put_issuer(const Corvane::CBlob& issuer) { m_issuer = issuer; }
   void put_serialNumber(const CBigInteger& serial) { m_serialNumber = serial; }
   void put_digestAlgorithm(const CAlgorithmIdentifier& a) { m_digestAlgorithm = a; }
   void put_signatureAlgorithm(const CAlgorithmIdentifier& a) { m_signatureAlgorithm = a; }
   void put_signature(const Corvane::CBlob& signature) { m_signature = signature; }

   // Serial numbers compare as numbers, everything else byte for byte.
   bool operator==(const CSignerInfo& o) const
   {
      return m_version == o.m_version && m_digestAlgorithm == o.m_digestAlgorithm && m_issuer == o.m_issuer &&
             m_serialNumber == o.m_serialNumber && m_signature == o.m_signature &&
             m_signatureAlgorithm == o.m_signatureAlgorithm;
   }
   bool operator!=(const CSignerInfo& o) const { return !(*this == o); }

private:
   unsigned int m_version;
   Corvane::CBlob m_issuer;
   CBigInteger m_serialNumber;
   CAlgorithmIdentifier m_digestAlgorithm;
   CAlgorithmIdentifier m_signatureAlgorithm;
   Corvane::CBlob m_signature;
};

}
}

#endif
