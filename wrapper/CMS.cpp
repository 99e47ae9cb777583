#include "CMS.h"

#include <stdio.h>
#include <string.h>

#include "ASN1CTime.h"
#include "CMSTraits.h"
#include "rtCopy.h"

namespace Corvane {
namespace ASN1 {

namespace {
[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }

int hexDigit(char c)
{
   if (c >= '0' && c <= '9') return c - '0';
   if (c >= 'a' && c <= 'f') return c - 'a' + 10;
   if (c >= 'A' && c <= 'F') return c - 'A' + 10;
   return -1;
}
}  // namespace

// ---------------------------------------------------------------------------
// Algorithm identifiers

namespace {
void setAlgorithm(ASN1CTXT* ctxt, asn1data::ASN1T_AlgorithmIdentifier& rec, const char* oid,
                  const Corvane::CBlob* parameters)
{
   if (oid == nullptr || str2oid(oid, &rec.algorithm) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   if (parameters == nullptr || parameters->empty()) return;
   // The open type writes its first element only: anything else would be
   // lost or break the SEQUENCE.
   if (!detail::isOneElement(*parameters)) fail(CRYPT_E_ASN1_INTERNAL);
   Asn1TObject_traits::set(ctxt, rec.parameters, *parameters);
   rec.m.parametersPresent = 1;
   // Parameters of a known algorithm must be a value of its parameter type.
   if (asn1data::asn1DTC_AlgorithmIdentifier(ctxt, &rec) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   // The bytes stand as they are; the decoded form is not encoded again.
   rec.parameters.decoded = nullptr;
}
}  // namespace

asn1data::ASN1T_AlgorithmIdentifier* ASN1T_AlgorithmIdentifier_set(ASN1CTXT* ctxt, const char* oid,
                                                                   const Corvane::CBlob* parameters)
{
   asn1data::ASN1T_AlgorithmIdentifier* rec = asn1New<asn1data::ASN1T_AlgorithmIdentifier>(ctxt);
   setAlgorithm(ctxt, *rec, oid, parameters);
   return rec;
}

void ASN1T_AlgorithmIdentifier_get(CAlgorithmIdentifier& alg, const asn1data::ASN1T_AlgorithmIdentifier& rec)
{
   std::string oid = toOID(rec.algorithm);
   Corvane::CBlob parameters;
   if (rec.m.parametersPresent) Asn1TObject_traits::get(rec.parameters, parameters);
   alg.put_algorithm(oid.c_str());
   alg.put_parameters(parameters);
}

void ASN1T_AlgorithmIdentifier_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CAlgorithmIdentifier& alg)
{
   setAlgorithm(ctxt, rec, alg.get_algorithm(), alg.get_parameters());
}

Corvane::CBlob CAlgorithmIdentifier::encode() const { return asn1Encode<ASN1T_AlgorithmIdentifier_traits>(*this); }

void CAlgorithmIdentifier::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_AlgorithmIdentifier_traits>(der, *this); }

// ---------------------------------------------------------------------------
// Big integers

namespace {
// A view of an integer's bytes without its redundant leading bytes (00
// before a byte below 0x80, FF before one of 0x80 or more); an empty value
// is the single byte 00.
struct MinimalBytes {
   const unsigned char* p;
   unsigned long n;
   bool negative;
};

MinimalBytes minimalBytes(const Corvane::CBlob& b)
{
   static const unsigned char zero = 0;
   if (b.empty()) return {&zero, 1, false};
   const unsigned char* p = b.pbData();
   unsigned long n = b.cbData();
   bool negative = (p[0] & 0x80) != 0;
   const unsigned char pad = negative ? 0xFF : 0x00;
   while (n > 1 && p[0] == pad && ((p[1] & 0x80) != 0) == negative) {
      ++p;
      --n;
   }
   return {p, n, negative};
}
}  // namespace

int CBigInteger::compare(const CBigInteger& o) const
{
   MinimalBytes a = minimalBytes(*this), b = minimalBytes(o);
   if (a.negative != b.negative) return a.negative ? -1 : 1;
   if (a.n != b.n) {
      // More bytes is further from zero: larger when non-negative, smaller
      // when negative.
      bool aLonger = a.n > b.n;
      return aLonger != a.negative ? 1 : -1;
   }
   // Two's complement of one length and one sign orders as unsigned bytes.
   int c = memcmp(a.p, b.p, a.n);
   return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CBigInteger::add(const CBigInteger& o)
{
   if (o.cbData() != cbData()) fail(E_INVALIDARG);
   unsigned char* p = pbData();
   const unsigned char* q = o.pbData();
   unsigned int carry = 0;
   for (unsigned long i = cbData(); i-- > 0;) {
      unsigned int sum = (unsigned int)p[i] + q[i] + carry;
      p[i] = (unsigned char)sum;
      carry = sum >> 8;
   }
   return (int)carry;
}

int ASN1T_BigInt_inc(unsigned char* data, int count, int stop)
{
   if (count < 0 || stop < 0 || (data == nullptr && count > 0)) fail(E_INVALIDARG);
   unsigned int carry = 1;
   for (int i = count - 1; i >= stop && carry != 0; --i) {
      unsigned int sum = (unsigned int)data[i] + carry;
      data[i] = (unsigned char)sum;
      carry = sum >> 8;
   }
   return (int)carry;
}

int CBigInteger::increment(int stop)
{
   if (cbData() > (unsigned long)INT32_MAX) fail(E_INVALIDARG);
   return ASN1T_BigInt_inc(pbData(), (int)cbData(), stop);
}

CBigInteger CBigInteger::abs() const
{
   CBigInteger r(*this);
   if (!r.empty()) r.pbData()[0] &= 0x7F;
   return r;
}

void ASN1T_CertificateSerialNumber_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CBigInteger& value)
{
   rec = BigIntegerToASN1String(ctxt, value);
}

void ASN1T_CertificateSerialNumber_traits::get(const ASN1_T& rec, CBigInteger& value)
{
   ASN1StringToBigInteger(rec, value);
}

Corvane::CBlob CBigInteger::encode() const
{
   // "0x" alone is no number.
   if (empty()) fail(CRYPT_E_ASN1_INTERNAL);
   return asn1Encode<ASN1T_CertificateSerialNumber_traits>(*this);
}

void CBigInteger::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_CertificateSerialNumber_traits>(der, *this); }

void StringToBigInteger(const char* text, CBigInteger& value)
{
   if (text == nullptr || text[0] != '0' || text[1] != 'x' || text[2] == 0) fail(CRYPT_E_ASN1_INTERNAL);
   const char* digits = text + 2;
   size_t count = strlen(digits);
   for (size_t i = 0; i < count; ++i)
      if (hexDigit(digits[i]) < 0) fail(E_INVALIDARG);
   // An odd count has its leading "0" implied: the first digit is a low
   // half-byte of its own.
   CBigInteger bytes((unsigned long)((count + 1) / 2));
   unsigned char* out = bytes.pbData();
   size_t i = 0;
   if (count % 2 != 0) *out++ = (unsigned char)hexDigit(digits[i++]);
   for (; i < count; i += 2) *out++ = (unsigned char)(hexDigit(digits[i]) << 4 | hexDigit(digits[i + 1]));
   value.swap(bytes);
}

void ASN1StringToBigInteger(const char* text, CBigInteger& value) { StringToBigInteger(text, value); }

void BigIntegerToString(const CBigInteger& value, Corvane::CBlob& out)
{
   static const char kDigits[] = "0123456789ABCDEF";
   const unsigned long n = value.cbData();
   out.resize_to(2 * n + 3);
   unsigned char* p = out.pbData();
   const unsigned char* v = value.pbData();
   *p++ = '0';
   *p++ = 'x';
   for (unsigned long i = 0; i < n; ++i) {
      *p++ = (unsigned char)kDigits[v[i] >> 4];
      *p++ = (unsigned char)kDigits[v[i] & 0x0F];
   }
   *p = 0;
}

const char* BigIntegerToASN1String(ASN1CTXT* ctxt, const CBigInteger& value)
{
   Corvane::CBlob text;
   BigIntegerToString(value, text);
   char* copy = static_cast<char*>(asn1Alloc(ctxt, text.cbData(), false));
   memcpy(copy, text.pbData(), text.cbData());
   return copy;
}

const char* DWORDToASN1BigInteger(ASN1CTXT* ctxt, unsigned int n)
{
   char text[16];
   // The encoder reads hexadecimal text as two's complement: a top bit set
   // needs a 00 byte in front to stay positive.
   int len = snprintf(text, sizeof text, (n & 0x80000000u) != 0 ? "0x00%08X" : "0x%08X", n);
   char* copy = ctxt != nullptr ? static_cast<char*>(rtMemHeapAlloc(&ctxt->memHeap, len + 1)) : nullptr;
   if (copy == nullptr) fail(E_OUTOFMEMORY);
   memcpy(copy, text, (size_t)len + 1);
   return copy;
}

unsigned int ASN1BigIntegerToDWORD(const char* text)
{
   CBigInteger value;
   StringToBigInteger(text, value);
   const unsigned char* p = value.pbData();
   unsigned long n = value.cbData();
   // A positive value with its top bit set carries a 00 byte in front.
   while (n > 4 && *p == 0) {
      ++p;
      --n;
   }
   if (n > 4) fail(E_INVALIDARG);
   unsigned int r = 0;
   for (unsigned long i = 0; i < n; ++i) r = r << 8 | p[i];
   return r;
}

// ---------------------------------------------------------------------------
// Times

const ChoiceValueTraits* CTimeChoiceImpl::findTraits(unsigned int type) const
{
   switch (type) {
   case CTimeChoice::utcTime: return &ChoiceValueTraitsT<Corvane::CDateTime, CTimeChoice::utcTime>::instance();
   case CTimeChoice::generalTime:
      return &ChoiceValueTraitsT<Corvane::CDateTime, CTimeChoice::generalTime>::instance();
   default: return &EmptyChoiceTraits::instance();
   }
}

CTimeChoice::CTimeChoice()
{
   Corvane::CDateTime epoch(0, 0);
   m_impl.select(utcTime, &epoch);
}

void CTimeChoice::put_time(const Corvane::CDateTime& time) { m_impl.select(typeForYear(time.year()), &time); }

Corvane::CBlob CTimeChoice::encode() const { return asn1Encode<ASN1T_Time_traits>(*this); }

void CTimeChoice::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_Time_traits>(der, *this); }

Corvane::CStringProxy GetASN1CTimeString(const Corvane::CDateTime& date, ASN1CTime& time)
{
   // Two year digits read back as 1950 to 2049 only: any other year would
   // come back in another century.
   if (dynamic_cast<ASN1CUTCTime*>(&time) != nullptr && CTimeChoice::typeForYear(date.year()) != CTimeChoice::utcTime)
      fail(CRYPT_E_ASN1_INTERNAL);
   time.clear();
   if (time.setYear((int)date.year()) != 0 || time.setMonth((int)date.month()) != 0 ||
       time.setDay((int)date.day()) != 0 || time.setHour((int)date.hour()) != 0 ||
       time.setMinute((int)date.minute()) != 0 || time.setSecond((int)date.second()) != 0)
      fail(CRYPT_E_ASN1_INTERNAL);
   int len = time.getTimeStringLen();
   if (len < 0) fail(CRYPT_E_ASN1_INTERNAL);
   std::string text((size_t)len + 1, '\0');
   if (time.getTimeString(&text[0], len + 1) == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
   text.resize((size_t)len);
   return Corvane::CStringProxy(std::move(text));
}

namespace {
template <class Time>
void writeTime(ASN1CTXT* ctxt, const Corvane::CDateTime& date, const char*& out)
{
   ASN1BEREncodeBuffer scratch;
   const char* bound = nullptr;
   Time time(scratch, bound, TRUE);
   Corvane::CStringProxy text = GetASN1CTimeString(date, time);
   if (rtCopyCharStr(ctxt, text.c_str(), &out) != 1) fail(CRYPT_E_ASN1_MEMORY);  // 1: copied
}

// The UTC instant a time text gives, fractions of a second dropped.
template <class Time>
Corvane::CDateTime readTime(const char* text)
{
   if (text == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
   const char* bound = text;
   Time time(bound, FALSE);
   int year = time.getYear(), month = time.getMonth(), day = time.getDay();
   int hour = time.getHour(), minute = time.getMinute(), second = time.getSecond();
   if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) fail(CRYPT_E_ASN1_INTERNAL);
   int offset = time.getDiff();  // minutes east of UTC (BER only)
   try {
      Corvane::CDateTime date((unsigned)year, (unsigned)month, (unsigned)day, (unsigned)hour, (unsigned)minute,
                              (unsigned)second);
      if (offset != 0) date -= Corvane::CDateTimeSpan(offset * 60000LL);
      return date;
   }
   catch (const ATL::CAtlException&) {
      fail(CRYPT_E_ASN1_INTERNAL);
   }
}
}  // namespace

void ASN1T_Time_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CTimeChoice& time)
{
   switch (time.get_type()) {
   case CTimeChoice::utcTime:
      writeTime<ASN1CUTCTime>(ctxt, *time.get_time(), rec.u.utcTime);
      rec.t = asn1data::T_Time_utcTime;
      break;
   case CTimeChoice::generalTime:
      writeTime<ASN1CGeneralizedTime>(ctxt, *time.get_time(), rec.u.generalTime);
      rec.t = asn1data::T_Time_generalTime;
      break;
   default: break;  // no alternative: the encoder refuses the record
   }
}

void ASN1T_Time_traits::get(const ASN1_T& rec, CTimeChoice& time)
{
   switch (rec.t) {
   case asn1data::T_Time_utcTime: time.put_time(readTime<ASN1CUTCTime>(rec.u.utcTime)); break;
   case asn1data::T_Time_generalTime: time.put_time(readTime<ASN1CGeneralizedTime>(rec.u.generalTime)); break;
   default: fail(CRYPT_E_ASN1_INTERNAL);
   }
}

unsigned int DateToSecondPeriod(const Corvane::CDateTime& date)
{
   unsigned long long days = date.year() * 365ULL + date.month() * 30ULL + date.day();
   unsigned long long seconds = days * 86400ULL + date.hour() * 3600ULL + date.minute() * 60ULL + date.second();
   return (unsigned int)seconds;
}

// ---------------------------------------------------------------------------
// CMS

void ASN1T_ContentInfo_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CContentInfo& info)
{
   ASN1TObjId_traits::set(ctxt, rec.contentType, info.get_contentType());
   if (!detail::isOneElement(info.get_content())) fail(CRYPT_E_ASN1_INTERNAL);
   Asn1TObject_traits::set(ctxt, rec.content, info.get_content());
   // Content of a known type must be a value of that type.
   if (asn1data::asn1DTC_ContentInfo(ctxt, &rec) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   rec.content.decoded = nullptr;
}

void ASN1T_ContentInfo_traits::get(const ASN1_T& rec, CContentInfo& info)
{
   std::string type = toOID(rec.contentType);
   Corvane::CBlob content;
   Asn1TObject_traits::get(rec.content, content);
   info.put_contentType(type.c_str());
   info.put_content(content);
}

Corvane::CBlob CContentInfo::encode() const { return asn1Encode<ASN1T_ContentInfo_traits>(*this); }

void CContentInfo::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_ContentInfo_traits>(der, *this); }

void ASN1T_SignerInfo_get(CSignerInfo& info, const asn1data::ASN1T_SignerInfo& rec)
{
   CSignerInfo out;
   out.put_version(rec.version);
   CAlgorithmIdentifier alg;
   ASN1T_AlgorithmIdentifier_get(alg, rec.digestAlgorithm);
   out.put_digestAlgorithm(alg);
   ASN1T_AlgorithmIdentifier_get(alg, rec.signatureAlgorithm);
   out.put_signatureAlgorithm(alg);
   Corvane::CBlob bytes;
   ASN1TDynOctStr_traits::get(rec.signature, bytes);
   out.put_signature(bytes);

   const asn1data::ASN1T_IssuerAndSerialNumber* ias = rec.sid.u.issuerAndSerialNumber;
   if (rec.sid.t != asn1data::T_SignerIdentifier_issuerAndSerialNumber || ias == nullptr)
      fail(CRYPT_E_ASN1_INTERNAL);
   CBigInteger serial;
   ASN1StringToBigInteger(ias->serialNumber, serial);
   out.put_serialNumber(serial);
   ASN1T_Name_traits::get(ias->issuer, bytes);
   out.put_issuer(bytes);
   info = out;
}

}
}
