// Algorithm identifiers, big integers and their text form, the Time choice,
// ContentInfo and SignerInfo.
#include <gtest/gtest.h>

#include <random>

#include "ASN1CTime.h"
#include "CMSTraits.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using namespace wrappertest;
using Corvane::CBlob;
using Corvane::CDateTime;

namespace {

CBigInteger big(const char* hex)
{
   CBlob b = hexBlob(hex);
   return CBigInteger(b.pbData(), b.cbData());
}

std::string textOf(const CBigInteger& v)
{
   CBlob out;
   BigIntegerToString(v, out);
   return std::string(reinterpret_cast<const char*>(out.pbData()), out.cbData());
}

// ---------------------------------------------------------------------------
// Big integers

TEST(WrapperBigInteger, TextForms)
{
   struct Case {
      const char* text;
      const char* bytes;
   };
   const Case cases[] = {
      {"0x0ab", "00AB"},   // odd count with a leading 0
      {"0xabc", "0ABC"},   // odd count, first digit not 0: a 0 is implied in front
      {"0x1", "01"},       {"0x00ff", "00FF"}, {"0xFF", "FF"},
      {"0x080", "0080"},   // the decoder's text of 00 80
   };
   for (const Case& c : cases) {
      CBigInteger v;
      StringToBigInteger(c.text, v);
      EXPECT_EQ(hexOf(v), c.bytes) << c.text;
      CBigInteger a;
      ASN1StringToBigInteger(c.text, a);
      EXPECT_EQ(hexOf(a), c.bytes) << c.text;
   }
   // Two upper-case digits per byte and a NUL.
   EXPECT_EQ(textOf(big("00AB7f")), std::string("0x00AB7F\0", 9));
   EXPECT_EQ(textOf(CBigInteger()), std::string("0x\0", 3));

   struct Bad {
      const char* text;
      int status;
   };
   const Bad bads[] = {{"12", CRYPT_E_ASN1_INTERNAL},   {"0x", CRYPT_E_ASN1_INTERNAL},
                       {"0X12", CRYPT_E_ASN1_INTERNAL}, {nullptr, CRYPT_E_ASN1_INTERNAL},
                       {"0x1g", E_INVALIDARG},          {"0x 1", E_INVALIDARG}};
   for (const Bad& b : bads) {
      CBigInteger v = big("42");
      EXPECT_EQ(statusOf([&] { StringToBigInteger(b.text, v); }), b.status) << (b.text ? b.text : "null");
      EXPECT_EQ(hexOf(v), "42");
   }

   ctxt_handle h;
   h.initOrThrow();
   EXPECT_STREQ(BigIntegerToASN1String(h.get(), big("0102")), "0x0102");
   EXPECT_STREQ(DWORDToASN1BigInteger(h.get(), 1), "0x00000001");
   // From 0x80000000 up a 00 byte keeps the number positive.
   EXPECT_STREQ(DWORDToASN1BigInteger(h.get(), 0x80000000u), "0x0080000000");
   EXPECT_STREQ(DWORDToASN1BigInteger(h.get(), 0xFFFFFFFFu), "0x00FFFFFFFF");
   struct Dword {
      const char* text;
      unsigned int value;
   };
   const Dword dwords[] = {{"0x00000001", 1},          {"0x0101", 257},         {"0x0080000000", 0x80000000u},
                           {"0xFFFFFFFF", 0xFFFFFFFFu}, {"0x0000000005", 5},     {"0x0", 0}};
   for (const Dword& d : dwords) EXPECT_EQ(ASN1BigIntegerToDWORD(d.text), d.value) << d.text;
   EXPECT_EQ(statusOf([] { ASN1BigIntegerToDWORD("0x0100000000"); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([] { ASN1BigIntegerToDWORD("7"); }), CRYPT_E_ASN1_INTERNAL);
   for (unsigned int n : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
      // Through the encoder as a record's INTEGER text and back.
      CBigInteger v;
      StringToBigInteger(DWORDToASN1BigInteger(h.get(), n), v);
      CBigInteger back;
      back.decode(v.encode());
      EXPECT_GE(back, CBigInteger()) << n;
      CBlob text;
      BigIntegerToString(back, text);
      EXPECT_EQ(ASN1BigIntegerToDWORD(reinterpret_cast<const char*>(text.pbData())), n);
   }
}

TEST(WrapperBigInteger, EncodeDecode)
{
   struct Case {
      const char* bytes;
      const char* der;
      const char* back;  // the bytes decoding gives
   };
   const Case cases[] = {
      {"00", "020100", "00"},         {"7F", "02017F", "7F"},         {"80", "020180", "80"},
      {"0080", "02020080", "0080"},   {"000080", "02020080", "0080"}, {"FFFF80", "020180", "80"},
      {"FF7F", "0202FF7F", "FF7F"},   {"0000", "020100", "00"},       {"0123", "02020123", "0123"},
   };
   for (const Case& c : cases) {
      CBigInteger v = big(c.bytes);
      EXPECT_EQ(hexOf(v.encode()), c.der) << c.bytes;
      CBigInteger back;
      back.decode(hexBlob(c.der));
      EXPECT_EQ(hexOf(back), c.back) << c.der;
      EXPECT_EQ(back, v);
   }
   // BER with a redundant leading byte reads as the number.
   CBigInteger ber;
   ber.decode(hexBlob("0203000080"));
   EXPECT_EQ(hexOf(ber), "0080");

   EXPECT_EQ(statusOf([] { CBigInteger().encode(); }), CRYPT_E_ASN1_INTERNAL);
   CBigInteger kept = big("01");
   for (const char* bad : {"0401AA", "0201", "02020001FF", ""})
      EXPECT_EQ(statusOf([&] { kept.decode(hexBlob(bad)); }), CRYPT_E_ASN1_INTERNAL) << bad;
   EXPECT_EQ(hexOf(kept), "01");
}

TEST(WrapperBigInteger, OrderEdgeCases)
{
   struct Case {
      const char* a;
      const char* b;
      int expected;
   };
   const Case cases[] = {
      {"FF", "00", -1},     {"0001", "01", 0},   {"", "00", 0},       {"", "01", -1},
      {"", "80", 1},        {"FF80", "80", 0},   {"FF7F", "80", -1},  // -129 < -128
      {"FF", "FF00", 1},    // -1 > -256
      {"80", "FF7FFF", 1},  // -128 > -32769
      {"7F", "0080", -1},   {"00FF", "7F", 1},   {"0100", "FF", 1},   {"FFFF", "FF", 0},
   };
   for (const Case& c : cases) {
      CBigInteger a = big(c.a), b = big(c.b);
      SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
      EXPECT_EQ(a.compare(b), c.expected);
      EXPECT_EQ(b.compare(a), -c.expected);
      EXPECT_EQ(a == b, c.expected == 0);
      EXPECT_EQ(a != b, c.expected != 0);
      EXPECT_EQ(a < b, c.expected < 0);
      EXPECT_EQ(a > b, c.expected > 0);
      EXPECT_EQ(a <= b, c.expected <= 0);
      EXPECT_EQ(a >= b, c.expected >= 0);
   }
}

// The order against a plain reference: the bytes read as a signed 64-bit
// number. Values get redundant sign bytes in front now and then, so that
// lengths differ for the same number.
TEST(WrapperBigInteger, OrderMatchesNumbers)
{
   std::mt19937 rng(20240521);
   auto make = [&](long long& number) {
      size_t len = rng() % 7;  // 0..6 bytes, then up to 1 sign byte
      std::vector<unsigned char> bytes(len);
      for (unsigned char& b : bytes) b = (unsigned char)rng();
      if (len > 0 && rng() % 4 == 0) bytes[0] = rng() % 2 ? 0x00 : 0xFF;  // values near zero
      if (len > 0 && rng() % 3 == 0) bytes.insert(bytes.begin(), (bytes[0] & 0x80) ? 0xFF : 0x00);
      number = 0;
      if (!bytes.empty() && (bytes[0] & 0x80)) number = -1;
      for (unsigned char b : bytes) number = (long long)((unsigned long long)number << 8 | b);
      return CBigInteger(bytes.data(), (unsigned long)bytes.size());
   };
   int mismatches = 0;
   for (int i = 0; i < 5000; ++i) {
      long long x, y;
      CBigInteger a = make(x), b = make(y);
      int expected = x < y ? -1 : x > y ? 1 : 0;
      if (a.compare(b) != expected || (a < b) != (x < y) || (a <= b) != (x <= y) || (a == b) != (x == y) ||
          (a > b) != (x > y) || (a >= b) != (x >= y)) {
         if (++mismatches <= 5) ADD_FAILURE() << hexOf(a) << " vs " << hexOf(b) << ": " << x << " vs " << y;
      }
   }
   EXPECT_EQ(mismatches, 0);
}

TEST(WrapperBigInteger, Arithmetic)
{
   struct Add {
      const char* a;
      const char* b;
      const char* sum;
      int carry;
   };
   const Add adds[] = {{"00FF", "0001", "0100", 0}, {"FFFF", "0001", "0000", 1}, {"7F", "01", "80", 0}, {"", "", "", 0}};
   for (const Add& c : adds) {
      CBigInteger a = big(c.a);
      EXPECT_EQ(a.add(big(c.b)), c.carry) << c.a;
      EXPECT_EQ(hexOf(a), c.sum) << c.a;
   }
   CBigInteger shorter = big("01");
   EXPECT_EQ(statusOf([&] { shorter.add(big("0001")); }), E_INVALIDARG);
   EXPECT_EQ(hexOf(shorter), "01");

   struct Inc {
      const char* before;
      int stop;
      const char* after;
      int carry;
   };
   const Inc incs[] = {
      {"00FF", 0, "0100", 0}, {"FFFF", 0, "0000", 1}, {"01FF", 1, "0100", 1},  // byte 0 is left alone
      {"0101", 2, "0101", 1},                                                   // nothing to add to
      {"", 0, "", 1},
   };
   for (const Inc& c : incs) {
      CBigInteger v = big(c.before);
      EXPECT_EQ(v.increment(c.stop), c.carry) << c.before;
      EXPECT_EQ(hexOf(v), c.after) << c.before;
   }
   CBigInteger v = big("00FE");
   EXPECT_EQ(hexOf(v++), "00FE");
   EXPECT_EQ(hexOf(++v), "0100");
   unsigned char raw[2] = {0x00, 0xFF};
   EXPECT_EQ(statusOf([&] { ASN1T_BigInt_inc(raw, 2, -1); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([&] { ASN1T_BigInt_inc(raw, -1, 0); }), E_INVALIDARG);
   EXPECT_EQ(raw[1], 0xFF);

   // abs() clears the top bit; it is not the absolute value of a negative
   // number.
   const char* absCases[][2] = {{"FF", "7F"}, {"8000", "0000"}, {"7F", "7F"}, {"", ""}};
   for (auto& c : absCases) EXPECT_EQ(hexOf(big(c[0]).abs()), c[1]) << c[0];
}

// ---------------------------------------------------------------------------
// Times

std::string utc(const char* text) { return tlv("17", hexOf(CBlob((const unsigned char*)text, strlen(text)))); }
std::string gen(const char* text) { return tlv("18", hexOf(CBlob((const unsigned char*)text, strlen(text)))); }

TEST(WrapperTime, YearRuleAndRoundTrip)
{
   struct Case {
      CDateTime date;
      unsigned int type;
      std::string der;
   };
   const Case cases[] = {
      {CDateTime(2049, 12, 31, 23, 59, 59), CTimeChoice::utcTime, utc("491231235959Z")},
      {CDateTime(2050, 1, 1, 0, 0, 0), CTimeChoice::generalTime, gen("20500101000000Z")},
      {CDateTime(1950, 1, 1, 0, 0, 0), CTimeChoice::utcTime, utc("500101000000Z")},
      // Before 1950 a UTCTime would read back a century later.
      {CDateTime(1949, 12, 31, 23, 59, 59), CTimeChoice::generalTime, gen("19491231235959Z")},
      {CDateTime(1900, 6, 15, 8, 0, 0), CTimeChoice::generalTime, gen("19000615080000Z")},
      {CDateTime(1, 1, 1, 0, 0, 0), CTimeChoice::generalTime, gen("00010101000000Z")},
      {CDateTime(9999, 12, 31, 23, 59, 59), CTimeChoice::generalTime, gen("99991231235959Z")},
      {CDateTime(2024, 2, 29, 12, 0, 0, 999), CTimeChoice::utcTime, utc("240229120000Z")},  // ms cut
   };
   for (const Case& c : cases) {
      CTimeChoice t(c.date);
      SCOPED_TRACE(c.der);
      EXPECT_EQ(t.get_type(), c.type);
      EXPECT_EQ(*t.get_time(), c.date);
      EXPECT_EQ(hexOf(t.encode()), c.der);
      CTimeChoice back;
      back.decode(hexBlob(c.der));
      EXPECT_EQ(back.get_type(), c.type);
      EXPECT_EQ(*back.get_time(), CDateTime(c.date.year(), c.date.month(), c.date.day(), c.date.hour(),
                                            c.date.minute(), c.date.second()));
   }

   CTimeChoice fresh;
   EXPECT_EQ(fresh.get_type(), (unsigned)CTimeChoice::utcTime);
   EXPECT_EQ(*fresh.get_time(), CDateTime(0, 0));
   EXPECT_EQ(hexOf(fresh.encode()), utc("700101000000Z"));

   // Reading chooses the alternative again by the year; a zone offset (BER)
   // gives the UTC instant.
   struct Read {
      std::string der;
      unsigned int type;
      CDateTime date;
   };
   const Read reads[] = {
      {gen("20300101000000Z"), CTimeChoice::utcTime, CDateTime(2030, 1, 1, 0, 0, 0)},
      {utc("491231235959Z"), CTimeChoice::utcTime, CDateTime(2049, 12, 31, 23, 59, 59)},
      {utc("500101000000Z"), CTimeChoice::utcTime, CDateTime(1950, 1, 1, 0, 0, 0)},
      {gen("20240101120000.5Z"), CTimeChoice::utcTime, CDateTime(2024, 1, 1, 12, 0, 0)},
      {utc("240101120000+0130"), CTimeChoice::utcTime, CDateTime(2024, 1, 1, 10, 30, 0)},
      {utc("491231233000-0100"), CTimeChoice::generalTime, CDateTime(2050, 1, 1, 0, 30, 0)},
   };
   for (const Read& r : reads) {
      CTimeChoice t;
      t.decode(hexBlob(r.der));
      EXPECT_EQ(t.get_type(), r.type) << r.der;
      EXPECT_EQ(*t.get_time(), r.date) << r.der;
   }

   for (const std::string& bad : {utc("240101120000"), utc("241301120000Z"), gen("2024"), std::string("0401AA"),
                                  std::string("")}) {
      CTimeChoice kept(CDateTime(2060, 1, 1, 0, 0, 0));
      EXPECT_EQ(statusOf([&] { kept.decode(hexBlob(bad)); }), CRYPT_E_ASN1_INTERNAL) << bad;
      EXPECT_EQ(kept.get_type(), (unsigned)CTimeChoice::generalTime);
   }

   CTimeChoice a(CDateTime(2060, 1, 1, 0, 0, 0)), b;
   b = a;
   EXPECT_EQ(b, a);
   CTimeChoice c(b);
   EXPECT_EQ(c, a);
   c.clear();
   EXPECT_EQ(c.get_type(), 0u);
   EXPECT_EQ(c.get_time(), nullptr);
   EXPECT_NE(c, a);
   EXPECT_EQ(statusOf([&] { c.encode(); }), CRYPT_E_ASN1_INTERNAL);
   c.put_time(CDateTime(2000, 1, 1, 0, 0, 0));
   EXPECT_EQ(c.get_type(), (unsigned)CTimeChoice::utcTime);
}

TEST(WrapperTime, TimeTextsAndPeriods)
{
   const char* utcText = nullptr;
   ASN1CUTCTime u(utcText, TRUE);
   EXPECT_STREQ(GetASN1CTimeString(CDateTime(2024, 2, 29, 1, 2, 3, 900), u).c_str(), "240229010203Z");
   for (unsigned int year : {1949u, 2050u, 1900u})
      EXPECT_EQ(statusOf([&] { GetASN1CTimeString(CDateTime(year, 1, 1, 0, 0, 0), u); }), CRYPT_E_ASN1_INTERNAL)
         << year;
   const char* genText = nullptr;
   ASN1CGeneralizedTime g(genText, TRUE);
   EXPECT_STREQ(GetASN1CTimeString(CDateTime(1850, 1, 2, 3, 4, 5), g).c_str(), "18500102030405Z");

   // Kept to 32 bits: only the difference of two nearby results means
   // anything.
   CDateTime t(2024, 1, 2, 3, 4, 5);
   unsigned long long full = (2024ULL * 365 + 1 * 30 + 2) * 86400 + 3 * 3600 + 4 * 60 + 5;
   EXPECT_EQ(DateToSecondPeriod(t), (unsigned int)full);
   EXPECT_EQ(DateToSecondPeriod(CDateTime(2024, 1, 3, 3, 4, 5)) - DateToSecondPeriod(t), 86400u);
   EXPECT_EQ(DateToSecondPeriod(CDateTime(2024, 2, 1, 0, 0, 0)) - DateToSecondPeriod(CDateTime(2024, 1, 31, 0, 0, 0)),
             0u);  // every month has 30 days
}

// ---------------------------------------------------------------------------
// Algorithm identifiers, ContentInfo, SignerInfo

const char* kSha256 = "2.16.840.1.101.3.4.2.1";
const char* kRsa = "1.2.840.113549.1.1.1";
const char* kGost2012 = "1.2.643.7.1.1.1.1";

TEST(WrapperAlgorithmIdentifier, EncodeDecode)
{
   const std::string gostParams = tlv("30", tlv("06", "2A850302022301"));
   struct Case {
      const char* oid;
      std::string params;
      std::string der;
   };
   const Case cases[] = {
      {kSha256, "", tlv("30", "0609608648016503040201")},
      {kSha256, "0500", tlv("30", "06096086480165030402010500")},  // NULL is not absent
      {kRsa, "0500", tlv("30", "06092A864886F70D0101010500")},
      {kGost2012, gostParams, tlv("30", "06082A85030701010101" + gostParams)},
      {"1.2.3", "A003020101", tlv("30", "06022A03A003020101")},  // unknown: any one element
   };
   for (const Case& c : cases) {
      CAlgorithmIdentifier a(c.oid, hexBlob(c.params));
      EXPECT_EQ(hexOf(a.encode()), c.der) << c.oid;
      CAlgorithmIdentifier back("9.9");
      back.decode(hexBlob(c.der));
      EXPECT_EQ(back, a) << c.oid;
      EXPECT_EQ(hexOf(*back.get_parameters()), c.params);
   }
   EXPECT_NE(CAlgorithmIdentifier(kSha256), CAlgorithmIdentifier(kSha256, hexBlob("0500")));
   EXPECT_NE(CAlgorithmIdentifier(kSha256), CAlgorithmIdentifier(kRsa));

   struct Bad {
      const char* oid;
      const char* params;
   };
   const Bad bads[] = {
      {"1.2x", ""},          // does not parse
      {"1.2.3", "05000500"},  // two elements: the second would be lost
      {"1.2.3", "0502"},      // a header without its contents
      {kGost2012, "020101"},  // not the parameter type of the algorithm
   };
   for (const Bad& b : bads)
      EXPECT_EQ(statusOf([&] { CAlgorithmIdentifier(b.oid, hexBlob(b.params)).encode(); }), CRYPT_E_ASN1_INTERNAL)
         << b.oid << " " << b.params;

   ctxt_handle h;
   h.initOrThrow();
   CBlob none;
   asn1data::ASN1T_AlgorithmIdentifier* rec = ASN1T_AlgorithmIdentifier_set(h.get(), kSha256, &none);
   EXPECT_EQ(rec->m.parametersPresent, 0u);
   CBlob nul = hexBlob("0500");
   rec = ASN1T_AlgorithmIdentifier_set(h.get(), kRsa, &nul);
   EXPECT_EQ(rec->m.parametersPresent, 1u);
   CAlgorithmIdentifier got;
   ASN1T_AlgorithmIdentifier_get(got, *rec);
   EXPECT_EQ(got, CAlgorithmIdentifier(kRsa, nul));
   EXPECT_EQ(statusOf([&] { ASN1T_AlgorithmIdentifier_set(h.get(), nullptr, nullptr); }), CRYPT_E_ASN1_INTERNAL);

   CAlgorithmIdentifier x(kSha256), y(kRsa, nul);
   x.swap(y);
   EXPECT_STREQ(x.get_algorithm(), kRsa);
   EXPECT_EQ(*y.get_parameters(), CBlob());
   y.assign(x);
   EXPECT_EQ(y, x);
}

TEST(WrapperContentInfo, EncodeDecode)
{
   const char* kData = "1.2.840.113549.1.7.1";
   std::string der = tlv("30", "06092A864886F70D010701" + tlv("A0", "0403616263"));
   CContentInfo ci(kData, hexBlob("0403616263"));
   EXPECT_EQ(hexOf(ci.encode()), der);
   CContentInfo back;
   back.decode(hexBlob(der));
   EXPECT_EQ(back, ci);
   EXPECT_STREQ(back.get_contentType(), kData);

   // The traits between a record and the DER of a whole ContentInfo.
   ctxt_handle h;
   h.initOrThrow();
   asn1data::ASN1T_ContentInfo rec;
   ASN1T_ContentInfo_traits::set(h.get(), rec, hexBlob(der));
   CBlob again;
   ASN1T_ContentInfo_traits::get(rec, again);
   EXPECT_EQ(hexOf(again), der);

   struct Bad {
      const char* type;
      const char* content;
      int status;
   };
   const Bad bads[] = {
      {"x", "0400", E_INVALIDARG},
      {kData, "", CRYPT_E_ASN1_INTERNAL},          // content is not optional
      {kData, "04000400", CRYPT_E_ASN1_INTERNAL},  // two elements
      {kData, "020101", CRYPT_E_ASN1_INTERNAL},    // data is an OCTET STRING
   };
   for (const Bad& b : bads)
      EXPECT_EQ(statusOf([&] { CContentInfo(b.type, hexBlob(b.content)).encode(); }), b.status) << b.content;
   CContentInfo kept(kData, hexBlob("0400"));
   EXPECT_EQ(statusOf([&] { kept.decode(hexBlob("3003060100")); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(kept, CContentInfo(kData, hexBlob("0400")));
}

// A SignerInfo record decoded from DER, living in the decode buffer.
struct SignerInfoRecord {
   explicit SignerInfoRecord(const CBlob& der) : bytes(der), dec(bytes.pbData(), (int)bytes.cbData()), ctl(dec, rec)
   {
      status = ctl.Decode();
   }
   CBlob bytes;
   ASN1BERDecodeBuffer dec;
   asn1data::ASN1T_SignerInfo rec;
   asn1data::ASN1C_SignerInfo ctl;
   int status;
};

TEST(WrapperSignerInfo, ReadFromRecord)
{
   const std::string issuer = "300C310A300806035504030C0178";  // CN=x
   const std::string digest = tlv("30", "0609608648016503040201");
   const std::string sigAlg = tlv("30", "06092A864886F70D0101010500");
   const std::string signedAttrs = tlv("A0", tlv("30", "06092A864886F70D010903" + tlv("31", "06092A864886F70D010701")));
   std::string der = tlv("30", "020101" + tlv("30", issuer + "02020080") + digest + signedAttrs + sigAlg + "0403010203");
   SignerInfoRecord r(hexBlob(der));
   ASSERT_EQ(r.status, 0);
   CSignerInfo si;
   ASN1T_SignerInfo_get(si, r.rec);
   EXPECT_EQ(si.get_version(), 1u);
   EXPECT_EQ(hexOf(si.get_issuer()), issuer);
   EXPECT_EQ(hexOf(si.get_serialNumber()), "0080");
   EXPECT_EQ(hexOf(si.get_digestAlgorithm().encode()), digest);
   EXPECT_EQ(hexOf(si.get_signatureAlgorithm().encode()), sigAlg);
   EXPECT_EQ(hexOf(si.get_signature()), "010203");
   CSignerInfo viaTraits;
   ASN1T_SignerInfo_traits::get(r.rec, viaTraits);
   EXPECT_EQ(viaTraits, si);

   CSignerInfo other(si);
   EXPECT_EQ(other, si);
   other.put_serialNumber(big("80"));
   EXPECT_NE(other, si);
   other.put_serialNumber(big("000080"));  // the same number
   EXPECT_EQ(other, si);
   other.put_signature(hexBlob("01"));
   EXPECT_NE(other, si);

   // A signer named by its key identifier is not read; the object is kept.
   std::string ski = tlv("30", "020103" + tlv("80", "01020304") + digest + sigAlg + "0403010203");
   SignerInfoRecord s(hexBlob(ski));
   ASSERT_EQ(s.status, 0);
   EXPECT_EQ(statusOf([&] { ASN1T_SignerInfo_get(other, s.rec); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(hexOf(other.get_signature()), "01");
}

}  // namespace
