// The value-class foundation: statuses, conversions, character strings,
// object identifiers, the CHOICE holder, optional members and the encode /
// decode templates.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CountingHooks.h"
#include "TypesTraits.h"
#include "WrapperTestUtil.h"
#include "Util.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;

namespace {

// A typical subject: C=DE, ST=Berlin, L=Berlin, O=Example GmbH, CN=www.example.com.
const char* kSubject =
   "3060310b3009060355040613024445310f300d06035504080c064265726c696e310f300d06035504070c064265726c696e"
   "31153013060355040a0c0c4578616d706c6520476d62483118301606035504030c0f7777772e6578616d706c652e636f6d";

// ---------------------------------------------------------------------------

// Which input gives which status, across the foundation.
TEST(WrapperFoundation, FailureTable)
{
   const int kWin32NoTranslation = (int)(0x80070000u | 1113u);
   struct Case {
      const char* what;
      std::function<void()> call;
      int status;
   };
   CName name;
   const Case cases[] = {
      {"decode of bytes that are not a name", [&] { name.decode(hexBlob("020101")); }, CRYPT_E_ASN1_INTERNAL},
      {"decode of a truncated name", [&] { name.decode(hexBlob("3060310b30")); }, CRYPT_E_ASN1_INTERNAL},
      {"decode of an empty blob", [&] { name.decode(CBlob()); }, CRYPT_E_ASN1_INTERNAL},
      {"decode with octets after the value", [&] { name.decode(hexBlob("300000")); }, CRYPT_E_ASN1_INTERNAL},
      {"encode of an unparsable type", [&] {
          CName n;
          n.push_back(CRelativeDistinguishedName());
          n.back().push_back(CAttributeTypeAndValue("1.2x", hexBlob("0C0161")));
          n.encode();
       }, E_INVALIDARG},
      {"encodeCharString stDefault", [] { encodeCharString(L"a", stDefault); }, CRYPT_E_ASN1_INTERNAL},
      {"encodeCharString type 7", [] { encodeCharString(L"a", (StringType)7); }, CRYPT_E_ASN1_INTERNAL},
      {"BMPString above U+FFFF", [] { encodeCharString(L"a\U0001F600", stBMP); }, CRYPT_E_ASN1_INTERNAL},
      {"UTF8String with a lone surrogate", [] {
          const wchar_t t[] = {L'a', (wchar_t)0xD800, 0};
          encodeCharString(t, stUTF8);
       }, CRYPT_E_ASN1_INTERNAL},
      {"UniversalString above U+10FFFF", [] {
          const wchar_t t[] = {(wchar_t)0x110000, 0};
          encodeCharString(t, stUniversal);
       }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of an OCTET STRING", [] { decodeCharString(hexBlob("040161")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of nothing", [] { decodeCharString(CBlob()); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString with a short length", [] { decodeCharString(hexBlob("0C0561")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString with octets after", [] { decodeCharString(hexBlob("0C016162")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of bad UTF-8", [] { decodeCharString(hexBlob("0C02C328")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of a context tag", [] { decodeCharString(hexBlob("800161")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of a lone BMP surrogate", [] { decodeCharString(hexBlob("1E02D800")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of an odd BMP length", [] { decodeCharString(hexBlob("1E03004100")); }, CRYPT_E_ASN1_INTERNAL},
      {"decodeCharString of a UniversalString surrogate", [] { decodeCharString(hexBlob("1C040000DC00")); },
       CRYPT_E_ASN1_INTERNAL},
      {"object identifier text 1,2", [] { ASN1OBJID o; ASN1TObjId_traits::set(nullptr, o, "1,2"); }, E_INVALIDARG},
      {"toASN1OBJID of 129 arcs", [] {
          std::string t = "1";
          for (int i = 0; i < 128; ++i) t += ".1";
          toASN1OBJID(t.c_str());
       }, E_INVALIDARG},
      {"toOID of 129 arcs", [] { ASN1OBJID o{}; o.numids = 129; toOID(o); }, E_INVALIDARG},
      {"tostring of a lone surrogate", [] {
          const wchar_t t[] = {(wchar_t)0xDC00, 0};
          tostring(t);
       }, kWin32NoTranslation},
      {"towstring of bytes that are not UTF-8", [] { towstring("\xff"); }, kWin32NoTranslation},
      {"UTF-16 text with a lone surrogate", [] {
          const unsigned short t[] = {0x41, 0xD800, 0x42, 0};
          tostring(t);
       }, E_INVALIDARG},
      {"UTF8String traits: bytes that are not UTF-8", [] {
          std::wstring w;
          ASN1UTF8String_traits::get("\xc3(", w);
       }, CRYPT_E_ASN1_INTERNAL},
      {"GeneralizedTime traits: not a time", [] {
          Corvane::CDateTime t;
          ASN1GeneralizedTime_traits::get("2024", t);
       }, CRYPT_E_ASN1_INTERNAL},
   };
   for (const Case& c : cases) EXPECT_EQ(statusOf(c.call), c.status) << c.what;
}

// A failing decode leaves the object as it was.
TEST(WrapperFoundation, FailedDecodeLeavesTheObject)
{
   CName name;
   name.decode(hexBlob(kSubject));
   CName before = name;
   EXPECT_EQ(statusOf([&] { name.decode(hexBlob("3060310b3009060355040613024445")); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(name, before);
   EXPECT_EQ(name.size(), 5u);
}

// ---------------------------------------------------------------------------

TEST(WrapperFoundation, NameRoundTripThroughTheTraits)
{
   CName name;
   name.decode(hexBlob(kSubject));
   ASSERT_EQ(name.size(), 5u);
   EXPECT_STREQ(name.front().front().get_type(), "2.5.4.6");
   EXPECT_EQ(hexOf(name.front().front().get_value()), "13024445");
   EXPECT_STREQ(name.back().front().get_type(), "2.5.4.3");
   EXPECT_EQ(decodeCharString(name.back().front().get_value()).str(), L"www.example.com");
   EXPECT_EQ(hexOf(name.encode()), hexOf(hexBlob(kSubject)));

   // Record level: a name held as DER goes into a record of another context
   // and comes back.
   ctxt_handle h;
   h.initOrThrow();
   asn1data::ASN1T_Name rec;
   ASN1T_Name_traits::set(h.get(), rec, hexBlob(kSubject));
   CBlob again;
   ASN1T_Name_traits::get(rec, again);
   EXPECT_EQ(again, hexBlob(kSubject));

   // An empty name and a multi-valued RDN.
   EXPECT_EQ(hexOf(CName().encode()), "3000");
   CRelativeDistinguishedName rdn;
   rdn.push_back(CAttributeTypeAndValue("2.5.4.3", encodeCharString(L"a", stUTF8)));
   rdn.push_back(CAttributeTypeAndValue("2.5.4.11", encodeCharString(L"b", stUTF8)));
   CRelativeDistinguishedName rdnBack;
   rdnBack.decode(rdn.encode());
   EXPECT_EQ(rdnBack, rdn);
}

TEST(WrapperFoundation, PrimitiveTraitsThroughTheTemplates)
{
   // An object identifier and a time have no control class: they are written
   // directly.
   ctxt_handle h;
   h.initOrThrow();
   ASN1OBJID oid;
   ASN1TObjId_traits::set(h.get(), oid, "1.2.840.113549");
   CBlob der = asn1EncodeT<ASN1TObjId_traits>(oid);
   EXPECT_EQ(hexOf(der), "06062A864886F70D");
   ASN1OBJID back{};
   asn1DecodeT<ASN1TObjId_traits>(der, h.get(), back);
   EXPECT_EQ(toOID(back), "1.2.840.113549");

   const char* time = nullptr;
   ASN1GeneralizedTime_traits::set(h.get(), time, Corvane::CDateTime(2024, 2, 29, 23, 59, 59, 700));
   EXPECT_STREQ(time, "20240301000000Z");  // rounded up across the month
   EXPECT_EQ(hexOf(asn1EncodeT<ASN1GeneralizedTime_traits>(time)), "180F32303234303330313030303030305A");
   Corvane::CDateTime date;
   ASN1GeneralizedTime_traits::get("20240229235959.25+0100", date);
   EXPECT_EQ(date, Corvane::CDateTime(2024, 2, 29, 22, 59, 59, 250));
   EXPECT_STREQ(DateToASN1GeneralizedTime(h.get(), Corvane::CDateTime(2020, 1, 1, 12, 0, 0, 499), true),
                "20200101120000Z");
   EXPECT_STREQ(DateToASN1GeneralizedTime(h.get(), Corvane::CDateTime(2020, 1, 1, 12, 0, 0, 500), true),
                "20200101120001Z");

   // Bit strings hold whole bytes; bytes, texts and open types are copies.
   ASN1DynBitStr bits{};
   ASN1TDynBitStr_traits::set(h.get(), bits, hexBlob("A5F0"));
   EXPECT_EQ(bits.numbits, 16u);
   bits.numbits = 9;
   CBlob bytes;
   ASN1TDynBitStr_traits::get(bits, bytes);
   EXPECT_EQ(hexOf(bytes), "A5F0");
   bits.numbits = 0;
   ASN1TDynBitStr_traits::get(bits, bytes);
   EXPECT_EQ(bytes.cbData(), 0u);

   const char* utf8 = nullptr;
   ASN1UTF8String_traits::set(h.get(), utf8, L"Grüße \U0001F600");
   EXPECT_STREQ(utf8, "Gr\xc3\xbc\xc3\x9f" "e \xf0\x9f\x98\x80");
   std::wstring wide;
   ASN1UTF8String_traits::get(utf8, wide);
   EXPECT_EQ(wide, L"Grüße \U0001F600");
}

// The whole-certificate traits keep a certificate as its DER.
TEST(WrapperFoundation, CertificateTraitsKeepTheDer)
{
   const char* cert = kTestCertificate;
   ctxt_handle h;
   h.initOrThrow();
   asn1data::ASN1T_Certificate rec;
   ASN1T_Certificate_traits::set(h.get(), rec, hexBlob(cert));
   CBlob back;
   ASN1T_Certificate_traits::get(rec, back);
   EXPECT_EQ(hexOf(back), hexOf(hexBlob(cert)));
   EXPECT_EQ(statusOf([&] {
                asn1data::ASN1T_Certificate r2;
                ASN1T_Certificate_traits::set(h.get(), r2, hexBlob("3000"));
             }),
             CRYPT_E_ASN1_INTERNAL);
}

// ---------------------------------------------------------------------------

TEST(WrapperFoundation, CharacterStrings)
{
   struct Case {
      const wchar_t* text;
      StringType type;
      const char* der;
   };
   const Case cases[] = {
      {L"Test", stUTF8, "0C0454657374"},
      {L"Тест", stUTF8, "0C08D0A2D0B5D181D182"},
      {L"\U0001F600", stUTF8, "0C04F09F9880"},
      {L"RU", stPrintable, "13025255"},
      {L"abc@x", stIA5, "16056162634078"},
      {L"T61", stTeletex, "1403543631"},
      {L"Aé", stBMP, "1E04004100E9"},
      {L"A\U0001F600", stUniversal, "1C08000000410001F600"},  // kept whole, not cut to 16 bits
      {L"", stUTF8, "0C00"},
      {L"", stBMP, "1E00"},
   };
   for (const Case& c : cases) {
      CBlob der = encodeCharString(c.text, c.type);
      EXPECT_EQ(hexOf(der), c.der) << (int)c.type;
      EXPECT_EQ(decodeCharString(der).str(), c.text) << c.der;
   }

   // Read only: other 8-bit types, Latin-1 bytes in Teletex and Printable
   // strings, UTF-16 pairs in a BMPString, segmented BER.
   struct Read {
      const char* der;
      const wchar_t* text;
   };
   const Read reads[] = {
      {"120431323334", L"1234"},
      {"14034DFC6E", L"Mün"},      // Latin-1 bytes, as real certificates carry them
      {"14044DC3BC6E", L"Mün"},    // UTF-8 bytes
      {"1303E9E8E0", L"éèà"},
      {"1E04D83DDE00", L"\U0001F600"},
      {"2C80040161040162000000", L"ab"},  // constructed UTF8String of two segments, indefinite length
   };
   for (const Read& r : reads) EXPECT_EQ(decodeCharString(hexBlob(r.der)).str(), r.text) << r.der;

   // The UTF-16 entry points combine pairs.
   const unsigned short utf16[] = {0x41, 0xD83D, 0xDE00, 0};
   EXPECT_EQ(hexOf(encodeCharString(utf16, stUTF8)), "0C0541F09F9880");
   EXPECT_EQ(utf16towstring(utf16), L"A\U0001F600");
}

TEST(WrapperFoundation, CodePageText)
{
   // Non-ASCII text needs more bytes than characters: the narrow buffer is
   // sized by the conversion, not by the character count.
   EXPECT_EQ(tostring(L"Привет, 世界 \U0001F600"), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, "
                                                  "\xe4\xb8\x96\xe7\x95\x8c \xf0\x9f\x98\x80");
   EXPECT_EQ(towstring(tostring(L"Привет, 世界 \U0001F600").c_str()), L"Привет, 世界 \U0001F600");
   std::wstring longText(100000, L'я');
   EXPECT_EQ(tostring(longText.c_str()).size(), 200000u);
   EXPECT_EQ(tostring((const wchar_t*)nullptr), "");
   EXPECT_EQ(towstring(""), L"");

   EXPECT_EQ(tostring(255), "0xff");
   EXPECT_EQ(tostring(-1), "0xffffffff");
   EXPECT_EQ(tostring(0), "0x0");
   EXPECT_EQ(towstring(0x1234abcd), L"0x1234abcd");
   std::string s;
   EXPECT_EQ(basic_string_i(16, s), "0x10");

   EXPECT_EQ(strip_white_space(" \t\r\n"), "");
   EXPECT_EQ(strip_white_space(" a b "), "a b");
   EXPECT_EQ(strip_white_space("\tx\n"), "x");
}

TEST(WrapperFoundation, ObjectIdentifierText)
{
   struct Case {
      const char* text;
      int result;
      std::vector<OSUINT32> arcs;
   };
   const Case cases[] = {
      {"1.2.840.113549", 0, {1, 2, 840, 113549}},
      {" 1 . 2 ", 0, {1, 2}},
      {"1.0x10", 0, {1, 16}},
      {"1.010", 0, {1, 8}},
      {"1..2", 0, {1, 0, 2}},
      {"2.4294967295", 0, {2, 4294967295u}},
      {"1.2x", 1, {}},
      {"1,2", 1, {}},
      {"1.4294967296", 1, {}},  // does not fit an arc
      {"1.-1", 1, {}},          // strtoul would wrap it
      {"1.2 3", 1, {}},
   };
   for (const Case& c : cases) {
      ASN1OBJID oid{};
      ASSERT_EQ(str2oid(c.text, &oid), c.result) << c.text;
      if (c.result != 0) continue;
      ASSERT_EQ(oid.numids, c.arcs.size()) << c.text;
      for (size_t i = 0; i < c.arcs.size(); ++i) EXPECT_EQ(oid.subid[i], c.arcs[i]) << c.text;
   }

   // The record holds 128 arcs: 128 parse, 129 are refused without a write
   // past the record.
   struct Guarded {
      ASN1OBJID oid;
      OSUINT32 guard;
   } g{};
   g.guard = 0xA5A5A5A5u;
   std::string t = "1";
   for (int i = 1; i < 128; ++i) t += "." + std::to_string(i);
   EXPECT_EQ(str2oid(t.c_str(), &g.oid), 0);
   EXPECT_EQ(g.oid.numids, 128u);
   EXPECT_EQ(toOID(g.oid), t);
   t += ".999";
   EXPECT_EQ(str2oid(t.c_str(), &g.oid), 1);
   EXPECT_EQ(g.guard, 0xA5A5A5A5u);

   CBlob out;
   ASN1OBJID none{};
   EXPECT_TRUE(oid2str(out, &none));
   EXPECT_EQ(out.cbData(), 1u);
   EXPECT_EQ(out.pbData()[0], 0);

   EXPECT_TRUE(isOIDA("1.2.3"));
   EXPECT_TRUE(isOIDA(""));
   EXPECT_FALSE(isOIDA("1.2a"));
   EXPECT_TRUE(isOIDW(L"2.5.4.3"));
   EXPECT_FALSE(isOIDW(L"CN"));
   EXPECT_FALSE(isOIDW(L"1.2\U0001F600"));
}

// ---------------------------------------------------------------------------

// A value whose copy can be made to fail.
struct Fragile {
   static bool failCopies;
   int n = 0;
   Fragile() {}
   explicit Fragile(int v) : n(v) {}
   Fragile(const Fragile& o) : n(o.n)
   {
      if (failCopies) throw ATL::CAtlException(E_OUTOFMEMORY);
   }
   Fragile& operator=(const Fragile&) = default;
};
bool Fragile::failCopies = false;

class TestChoiceImpl : public Choice {
public:
   ~TestChoiceImpl() override { clear(); }
   const ChoiceValueTraits* findTraits(unsigned int t) const override
   {
      switch (t) {
      case 2: return &ChoiceValueTraitsT<std::wstring, 2>::instance();
      case 5: return &ChoiceValueTraitsT<CBlob, 5>::instance();
      case 7: return &ChoiceValueTraitsT<Fragile, 7>::instance();
      default: return &EmptyChoiceTraits::instance();
      }
   }
};

TEST(WrapperFoundation, ChoiceHolder)
{
   TestChoiceImpl c;
   EXPECT_EQ(c.type, 0u);
   EXPECT_EQ(c.value, nullptr);

   std::wstring dns = L"example.com";
   c.select(2, &dns);
   EXPECT_EQ(c.type, 2u);
   EXPECT_EQ(*static_cast<const std::wstring*>(c.valueOf(2)), dns);
   EXPECT_EQ(c.valueOf(5), nullptr);

   CBlob ip = hexBlob("7F000001");
   c.select(5, &ip);
   EXPECT_EQ(c.type, 5u);
   EXPECT_EQ(*static_cast<const CBlob*>(c.valueOf(5)), ip);

   // Copying makes a value of its own.
   TestChoiceImpl d;
   d.assign(c);
   EXPECT_EQ(d.type, 5u);
   EXPECT_NE(d.value, c.value);
   EXPECT_EQ(*static_cast<const CBlob*>(d.value), ip);
   d.assign(d);
   EXPECT_EQ(d.type, 5u);
   // Selecting from the value it holds itself.
   d.select(5, d.value);
   EXPECT_EQ(*static_cast<const CBlob*>(d.value), ip);

   // An unsupported selector is refused and changes nothing.
   EXPECT_EQ(statusOf([&] { c.select(3, &dns); }), E_INVALIDARG);
   EXPECT_EQ(c.type, 5u);

   // A failing copy of the new value leaves the old alternative.
   Fragile f(42);
   Fragile::failCopies = true;
   EXPECT_EQ(statusOf([&] { c.select(7, &f); }), E_OUTOFMEMORY);
   Fragile::failCopies = false;
   EXPECT_EQ(c.type, 5u);
   EXPECT_EQ(*static_cast<const CBlob*>(c.valueOf(5)), ip);
   c.select(7, &f);
   EXPECT_EQ(static_cast<const Fragile*>(c.value)->n, 42);

   c.clear();
   EXPECT_EQ(c.type, 0u);
   EXPECT_EQ(c.value, nullptr);
   d.assign(c);
   EXPECT_EQ(d.type, 0u);
   EXPECT_EQ(d.value, nullptr);

   // One handler per alternative type.
   const ChoiceValueTraits* dnsHandler = &ChoiceValueTraitsT<std::wstring, 2>::instance();
   EXPECT_EQ(dnsHandler, c.findTraits(2));
   EXPECT_TRUE(c.findTraits(9)->isType(0));
}

TEST(WrapperFoundation, OptionalMembers)
{
   std::unique_ptr<CBlob> p;
   CBlob a = hexBlob("01");
   copy_to_auto_ptr(p, &a);
   ASSERT_TRUE(p);
   EXPECT_EQ(*p, a);
   copy_to_auto_ptr(p, p.get());  // onto itself: kept
   ASSERT_TRUE(p);
   EXPECT_EQ(*p, a);
   copy_to_auto_ptr<CBlob>(p, nullptr);
   EXPECT_FALSE(p);

   CBlob b = hexBlob("02");
   EXPECT_TRUE(is_equal_ptr<CBlob>(nullptr, nullptr));
   EXPECT_FALSE(is_equal_ptr<CBlob>(nullptr, &a));
   EXPECT_FALSE(is_equal_ptr<CBlob>(&a, nullptr));
   EXPECT_FALSE(is_equal_ptr(&a, &b));
   CBlob a2 = a;
   EXPECT_TRUE(is_equal_ptr(&a, &a2));
}

// ---------------------------------------------------------------------------

// Exceptions thrown from inside the templates and the string codecs release
// every scratch context and heap block, and so do allocation failures at any
// step.
TEST(WrapperFoundation, ExceptionsReleaseEverything)
{
   CountingHooks hooks;
   long base = hooks.live();
   CName bad;
   bad.push_back(CRelativeDistinguishedName());
   bad.back().push_back(CAttributeTypeAndValue("2.5.4.3", encodeCharString(L"x", stUTF8)));
   bad.back().push_back(CAttributeTypeAndValue("not an oid", hexBlob("0C0161")));
   EXPECT_EQ(statusOf([&] { bad.encode(); }), E_INVALIDARG);
   CName n;
   EXPECT_EQ(statusOf([&] { n.decode(hexBlob("3060310b3009060355040613024445")); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(statusOf([] { encodeCharString(L"a\U0001F600", stBMP); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(statusOf([] { decodeCharString(hexBlob("0C02C328")); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(hooks.live(), base);

   // Every allocation of a decode and an encode made to fail in turn.
   CBlob subject = hexBlob(kSubject);
   int failures = 0;
   for (long k = 0; k < 400; ++k) {
      hooks.failAfter(k);
      int st = statusOf([&] {
         CName name;
         name.decode(subject);
         name.encode();
         decodeCharString(encodeCharString(L"Тест", stBMP));
      });
      hooks.failAfter(-1);
      EXPECT_EQ(hooks.live(), base) << k;
      if (st == 0) break;
      EXPECT_TRUE(st == CRYPT_E_ASN1_MEMORY || st == CRYPT_E_ASN1_INTERNAL) << k << " " << st;
      ++failures;
   }
   EXPECT_GT(failures, 0);
   EXPECT_LT(failures, 400);
}

}  // namespace
