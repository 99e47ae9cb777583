// Distinguished names (the register, the designed text form and the RFC 4514
// form) and general names, distribution points and access descriptions.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "TypesTraits.h"
#include "WrapperTestUtil.h"
#include "Util.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;

namespace {

TEST(WrapperNames, RegisterRowsInOrder)
{
   const char* oids[] = {"2.5.4.3", "2.5.4.6", "2.5.4.7", "2.5.4.8", "1.2.840.113549.1.9.1", "2.5.4.10", "2.5.4.11",
                         "2.5.4.12", "2.5.4.42", "2.5.4.43", "2.5.4.4", "2.5.4.65", "1.2.643.100.1", "1.2.643.100.5",
                         "1.2.643.100.3", "1.2.643.3.131.1.1", "2.5.4.9", "0.9.2342.19200300.100.1.25",
                         "1.2.840.113549.1.9.2", "2.5.4.17"};
   ASSERT_EQ(CATAVRegister::registered_.size(), 20u);
   size_t i = 0;
   for (const CATAVRegister& row : CATAVRegister::registered_) {
      EXPECT_EQ(row.oid(), oids[i++]);
      EXPECT_EQ(row.maxLength(), 32768u);
   }
   EXPECT_EQ(CATAVRegister::find(L"cn"), CATAVRegister::registered_.end());
   EXPECT_EQ(CATAVRegister::typeToStr("2.5.4.6"), L"C");
   EXPECT_EQ(CATAVRegister::typeToStr("1.2.3"), L"1.2.3");
   EXPECT_EQ(CATAVRegister::typeFromStr(L"E"), "1.2.840.113549.1.9.1");
   EXPECT_EQ(CATAVRegister::typeFromStr(L"1.2.3"), "1.2.3");
}

TEST(WrapperNames, DesignedTextForm)
{
   struct Case {
      const wchar_t* text;
      size_t rdns;
      const char* der;  // null: not checked
      const wchar_t* back;
   };
   const Case cases[] = {
      {L"CN=Test,O=Org", 2, "301D310D300B06035504030C0454657374310C300A060355040A0C034F7267", L"CN=Test,O=Org"},
      {L"C=RU", 1, "300D310B3009060355040613025255", L"C=RU"},
      {L"E=abc", 1, "30143112301006092A864886F70D0109011603616263", L"E=abc"},
      {L"CN=a+OU=b", 1, nullptr, L"CN=a+OU=b"},
      {L"2.5.4.3=x", 1, "300C310A300806035504030C0178", L"CN=x"},
      {L"1.2.3.4=#0C0161", 1, "300C310A300806032A03040C0161", L"1.2.3.4=#0C0161"},
      {L"CN=a=b", 1, nullptr, L"CN=a=b"},  // later "=" belong to the value
   };
   for (const Case& c : cases) {
      CName n(c.text);
      EXPECT_EQ(n.size(), c.rdns) << c.text;
      if (c.der != nullptr) {
         EXPECT_EQ(hexOf(n.encode()), c.der) << c.text;
      }
      EXPECT_EQ(n.toString().str(), c.back) << c.text;
   }

   // Nothing is trimmed: " O" is not a registered name, so its value is read
   // as "#" and hexadecimal digits, which "Org" is not; "cn" is not "CN".
   EXPECT_EQ(statusOf([] { CName(L"CN=Test, O=Org"); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([] { CName(L"cn=x"); }), E_INVALIDARG);
   CName unknownType(L"cn=#0C0178");
   EXPECT_STREQ(unknownType.front().front().get_type(), "cn");
   EXPECT_EQ(statusOf([&] { unknownType.encode(); }), E_INVALIDARG);
   EXPECT_EQ(CName().toString().str(), L"");
   EXPECT_EQ(hexOf(CName().encode()), "3000");

   // Failures and what is kept of the name under construction.
   struct Bad {
      const wchar_t* text;
      int status;
   };
   std::wstring tooLong = L"CN=" + std::wstring(32769, L'a');
   const Bad bads[] = {
      {L"CN=a,,O=b", E_INVALIDARG}, {L"CN=a,", E_INVALIDARG},   {L"noequals", E_INVALIDARG},
      {L"1.2.3=", E_INVALIDARG},    {L"1.2.3=#", E_INVALIDARG}, {L"1.2.3=#0G", E_INVALIDARG},
      {tooLong.c_str(), E_INVALIDARG},
   };
   for (const Bad& b : bads) EXPECT_EQ(statusOf([&] { CName n(b.text); }), b.status) << b.text;
   CName partial;
   EXPECT_EQ(statusOf([&] { partial.fromString(L"CN=a,CN=b,bad"); }), E_INVALIDARG);
   EXPECT_EQ(partial.size(), 2u);
   EXPECT_EQ(CName(std::wstring(L"CN=" + std::wstring(32768, L'a')).c_str()).size(), 1u);

   // A value that is not a character string under a registered type.
   CAttributeTypeAndValue odd("2.5.4.3", hexBlob("020101"));
   EXPECT_EQ(statusOf([&] { odd.get_value_str(); }), CRYPT_E_ASN1_INTERNAL);
   // A known type's value is checked against its type when encoded.
   EXPECT_EQ(statusOf([&] { odd.encode(); }), CRYPT_E_ASN1_INTERNAL);
   // Bytes that are not one element cannot stand as a value.
   EXPECT_EQ(statusOf([] { CAttributeTypeAndValue("1.2.3", hexBlob("0C01610C0162")).encode(); }),
             CRYPT_E_ASN1_INTERNAL);

   // The UTF-16 entry point.
   const unsigned short utf16[] = {'C', 'N', '=', 0xD83D, 0xDE00, 0};
   CName fromUtf16;
   fromString(fromUtf16, utf16);
   EXPECT_EQ(decodeCharString(fromUtf16.front().front().get_value()).str(), L"\U0001F600");
}

TEST(WrapperNames, AttributeAccessorsAndEquality)
{
   CAttributeTypeAndValue a(L"CN", L"Test", stDefault);
   EXPECT_STREQ(a.get_type(), "2.5.4.3");
   EXPECT_EQ(a.get_type_str().str(), L"CN");
   EXPECT_EQ(a.get_value_str().str(), L"Test");
   CAttributeTypeAndValue p(L"CN", L"Test", stPrintable);
   EXPECT_NE(a, p);  // the string type matters
   p.put_value_str(L"Test", stDefault);
   EXPECT_EQ(a, p);
   p.put_type_str(L"O");
   EXPECT_NE(a, p);

   CAttributeTypeAndValue back;
   back.decode(a.encode());
   EXPECT_EQ(back, a);

   // RDN order matters.
   CRelativeDistinguishedName ab(L"CN=a+OU=b"), ba(L"OU=b+CN=a");
   EXPECT_NE(ab, ba);
   EXPECT_EQ(ab, CRelativeDistinguishedName(L"CN=a+OU=b"));
}

TEST(WrapperNames, Rfc4514Form)
{
   struct Case {
      const wchar_t* designed;  // built through the designed form
      const wchar_t* rfc;
   };
   const Case cases[] = {
      {L"C=DE,O=Example GmbH,CN=www.example.com", L"CN=www.example.com,O=Example GmbH,C=DE"},
      {L"CN=a+OU=b", L"CN=a+OU=b"},
      {L"CN= lead", L"CN=\\ lead"},
      {L"CN=trail ", L"CN=trail\\ "},
      {L"CN=#x", L"CN=\\#x"},
      {L"CN=a;b<c>d\"e\\f=g", L"CN=a\\;b\\<c\\>d\\\"e\\\\f\\=g"},
      {L"CN=Jürgen", L"CN=Jürgen"},
      {L"1.2.3.4=#0C0161", L"1.2.3.4=#0C0161"},
   };
   for (const Case& c : cases) {
      CName n(c.designed);
      EXPECT_EQ(n.toRFC4514().str(), c.rfc) << c.designed;
      CName back;
      back.fromRFC4514(c.rfc);
      EXPECT_EQ(hexOf(back.encode()), hexOf(n.encode())) << c.rfc;
   }

   CName none;
   EXPECT_EQ(none.toRFC4514().str(), L"");
   none.fromRFC4514(L"");
   EXPECT_TRUE(none.empty());

   // Values the designed form cannot carry.
   CName commas;
   commas.push_back(CRelativeDistinguishedName());
   commas.back().push_back(CAttributeTypeAndValue("2.5.4.10", encodeCharString(L"Acme, Inc. + Co", stUTF8)));
   EXPECT_EQ(commas.toRFC4514().str(), L"O=Acme\\, Inc. \\+ Co");
   // Another string type than the row's, and control characters.
   commas.back().push_back(CAttributeTypeAndValue("2.5.4.3", encodeCharString(L"Print", stPrintable)));
   commas.back().push_back(CAttributeTypeAndValue("2.5.4.11", encodeCharString(L"tab\there", stUTF8)));
   EXPECT_EQ(commas.toRFC4514().str(), L"O=Acme\\, Inc. \\+ Co+CN=#13055072696E74+OU=tab\\09here");
   CName back;
   back.fromRFC4514(commas.toRFC4514().c_str());
   EXPECT_EQ(back, commas);
   // The form to show writes every text as text.
   EXPECT_EQ(commas.toRFC4514(false).str(), L"O=Acme\\, Inc. \\+ Co+CN=Print+OU=tab\\09here");

   // Reading: names in any case, hex pairs of UTF-8, types as identifiers.
   CName read;
   read.fromRFC4514(L"cn=J\\C3\\BCrgen,2.5.4.10=x,DC=example");
   ASSERT_EQ(read.size(), 3u);
   EXPECT_STREQ(read.back().front().get_type(), "2.5.4.3");
   EXPECT_EQ(decodeCharString(read.back().front().get_value()).str(), L"Jürgen");
   EXPECT_EQ(hexOf(read.front().front().get_value()), "16076578616D706C65");

   // Refused, and the name is left as it was.
   const wchar_t* bad[] = {L"CN", L"=x", L"CN=a,", L"XX=y", L"CN=a\\", L"CN=a\\zz", L"CN=\\C3", L"1.2.3=#0C0",
                           L"1=#0C00", L"CN=a\\00b"};
   for (const wchar_t* t : bad) {
      CName keep(L"CN=keep");
      EXPECT_EQ(statusOf([&] { keep.fromRFC4514(t); }), E_INVALIDARG) << t;
      EXPECT_EQ(keep, CName(L"CN=keep")) << t;
   }
}

// Long and hostile texts: a result or a clear exception, in bounded time.
TEST(WrapperNames, HostileTexts)
{
   auto start = std::chrono::steady_clock::now();
   {
      std::wstring big = L"CN=" + std::wstring(1 << 20, L'x');
      EXPECT_EQ(statusOf([&] { CName n(big.c_str()); }), E_INVALIDARG);
      CName n;
      EXPECT_EQ(statusOf([&] { n.fromRFC4514(big.c_str()); }), E_INVALIDARG);
   }
   {
      std::wstring seps(100000, L',');
      EXPECT_EQ(statusOf([&] { CName n(seps.c_str()); }), E_INVALIDARG);
      CName n;
      EXPECT_EQ(statusOf([&] { n.fromRFC4514(seps.c_str()); }), E_INVALIDARG);
      std::wstring plus(100000, L'+');
      EXPECT_EQ(statusOf([&] { n.fromRFC4514((L"CN=a" + plus).c_str()); }), E_INVALIDARG);
   }
   {
      // 100,000 RDNs: built, encoded, written and read back.
      std::wstring many;
      for (int i = 0; i < 100000; ++i) many += i == 0 ? L"CN=a" : L",CN=a";
      CName n(many.c_str());
      EXPECT_EQ(n.size(), 100000u);
      CName back;
      back.fromRFC4514(n.toRFC4514().c_str());
      EXPECT_EQ(back.encode(), n.encode());
      CName commas;
      commas.push_back(CRelativeDistinguishedName());
      commas.back().push_back(CAttributeTypeAndValue("2.5.4.3", encodeCharString(std::wstring(30000, L',').c_str(), stUTF8)));
      back.fromRFC4514(commas.toRFC4514().c_str());
      EXPECT_EQ(back, commas);
   }
   {
      // A NUL ends a wide text; invalid code points are refused.
      const wchar_t withNul[] = {L'C', L'N', L'=', L'a', 0, L'b', 0};
      EXPECT_EQ(CName(withNul).toString().str(), L"CN=a");
      const wchar_t surrogate[] = {L'C', L'N', L'=', (wchar_t)0xDC00, 0};
      EXPECT_EQ(statusOf([&] { CName n(surrogate); }), CRYPT_E_ASN1_INTERNAL);
      const wchar_t huge[] = {L'C', L'N', L'=', (wchar_t)0x7FFFFFFF, 0};
      EXPECT_EQ(statusOf([&] { CName n(huge); }), CRYPT_E_ASN1_INTERNAL);
      CName n;
      EXPECT_EQ(statusOf([&] { n.fromRFC4514(surrogate); }), (int)(0x80070000u | 1113u));
      const unsigned short lone[] = {'C', 'N', '=', 0xD800, 0};
      EXPECT_EQ(statusOf([&] { fromString(n, lone); }), E_INVALIDARG);
   }
   auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
   EXPECT_LT(secs, 30.0);  // a generous bound: quadratic work would take minutes
}

// ---------------------------------------------------------------------------

TEST(WrapperGeneralNames, ChoiceSwitching)
{
   CGeneralName g;
   EXPECT_EQ(g.get_type(), 0u);
   EXPECT_EQ(g.toString().str(), L"");
   EXPECT_EQ(statusOf([&] { g.encode(); }), E_INVALIDARG);

   g.put_rfc822Name(L"a@example.com");
   g.put_dNSName(L"example.com");
   EXPECT_EQ(g.get_type(), 3u);
   EXPECT_EQ(g.get_rfc822Name(), nullptr);
   EXPECT_STREQ(g.get_dNSName(), L"example.com");

   struct Case {
      std::function<void(CGeneralName&)> put;
      const char* der;
      const wchar_t* text;
   };
   const Case cases[] = {
      {[](CGeneralName& n) { n.put_rfc822Name(L"a@b"); }, "8103614062", L"rfc822Name: a@b"},
      {[](CGeneralName& n) { n.put_dNSName(L"x.org"); }, "8205782E6F7267", L"dNSName: x.org"},
      {[](CGeneralName& n) { n.put_directoryName(hexBlob("300C310A300806035504030C0178")); },
       "A40E300C310A300806035504030C0178", L"directoryName: CN=x"},
      {[](CGeneralName& n) { n.put_uniformResourceIdentifier(L"http://x/"); }, "8609687474703A2F2F782F",
       L"uniformResourceIdentifier: http://x/"},
      {[](CGeneralName& n) { n.put_iPAddress(hexBlob("7F000001")); }, "87047F000001",
       L"iPAddress: (to string is not implemented)"},
      {[](CGeneralName& n) { n.put_registeredID(L"1.2.3"); }, "88022A03", L"registeredID: 1.2.3"},
   };
   for (const Case& c : cases) {
      CGeneralName n;
      c.put(n);
      EXPECT_EQ(hexOf(n.encode()), c.der);
      EXPECT_EQ(n.toString().str(), c.text);
      CGeneralName back;
      back.decode(hexBlob(c.der));
      EXPECT_EQ(back, n) << c.der;
      CGeneralName copy(n), assigned;
      assigned = n;
      EXPECT_EQ(copy, n);
      EXPECT_EQ(assigned, n);
   }

   // Equality compares whole texts; unsupported alternatives are refused.
   CGeneralName a, b;
   a.put_dNSName(L"example.com");
   b.put_dNSName(L"example.org");
   EXPECT_NE(a, b);
   b.put_rfc822Name(L"example.com");
   EXPECT_NE(a, b);
   const char* unsupported[] = {"A00806032A0304A0010A", "A40030", "A5023000"};  // otherName, x400, ediParty
   for (const char* der : unsupported) {
      CGeneralName n;
      n.put_dNSName(L"kept");
      int st = statusOf([&] { n.decode(hexBlob(der)); });
      EXPECT_TRUE(st == E_INVALIDARG || st == CRYPT_E_ASN1_INTERNAL) << der << " " << st;
      EXPECT_STREQ(n.get_dNSName(), L"kept");
   }
   CGeneralName other;
   EXPECT_EQ(statusOf([&] { other.decode(hexBlob("A00A06032A0304A0030C0161")); }), E_INVALIDARG);
   CGeneralName badOid;
   badOid.put_registeredID(L"not.an.oid");
   EXPECT_EQ(statusOf([&] { badOid.encode(); }), E_INVALIDARG);
}

TEST(WrapperGeneralNames, DistributionPointsAndAccess)
{
   CReasonFlags r(0);
   r.put_bit(1, true);
   r.put_bit(6, true);
   EXPECT_EQ(r.get_value(), 0x42u);
   EXPECT_EQ(hexOf(r.encode()), "03020142");  // seven bits
   EXPECT_FALSE(r.get_bit(40));
   r.put_bit(40, true);
   EXPECT_EQ(r.get_value(), 0x42u);
   EXPECT_TRUE(r.get_flag(CReasonFlags::certificateHold));
   r.remove_flag(CReasonFlags::certificateHold);
   r.add_flag(CReasonFlags::aACompromise);
   EXPECT_EQ(hexOf(r.encode()), "0303074080");
   CReasonFlags rb(7);
   rb.decode(r.encode());
   EXPECT_EQ(rb, r);  // decode replaces the value
   EXPECT_EQ(hexOf(CReasonFlags(0).encode()), "030100");
   EXPECT_EQ(statusOf([] { CReasonFlags(1u << 20).encode(); }), E_INVALIDARG);

   CDistributionPoint empty;
   EXPECT_EQ(hexOf(empty.encode()), "3000");

   CGeneralName uri;
   uri.put_uniformResourceIdentifier(L"http://crl/x.crl");
   CGeneralNames names;
   names.push_back(uri);
   CDistributionPointName dpn(names);
   CDistributionPoint dp;
   dp.put_distributionPoint(&dpn);
   dp.put_reasons(&r);
   CGeneralNames noIssuer;
   dp.put_cRLIssuer(&noIssuer);  // an empty list is written as absent
   CDistributionPoint back;
   back.decode(dp.encode());
   EXPECT_EQ(back.get_cRLIssuer(), nullptr);
   EXPECT_EQ(*back.get_distributionPoint(), dpn);
   EXPECT_EQ(*back.get_reasons(), r);
   dp.put_cRLIssuer(nullptr);
   EXPECT_EQ(back, dp);

   CCRLDistPointsSyntax points;
   points.push_back(dp);
   points.push_back(empty);
   CCRLDistPointsSyntax pointsBack;
   pointsBack.decode(points.encode());
   EXPECT_EQ(pointsBack, points);
   // nameRelativeToCRLIssuer is not supported.
   EXPECT_EQ(statusOf([] { CDistributionPoint p; p.decode(hexBlob("3011A00FA10D300B06035504030C0474657374")); }),
             E_INVALIDARG);
   EXPECT_EQ(statusOf([] { CDistributionPointName().encode(); }), CRYPT_E_ASN1_INTERNAL);

   CAuthorityInfoAccessSyntax aia;
   aia.push_back(CAccessDescription("1.3.6.1.5.5.7.48.1", uri));
   CAuthorityInfoAccessSyntax aiaBack;
   aiaBack.decode(aia.encode());
   EXPECT_EQ(aiaBack, aia);
   EXPECT_STREQ(aiaBack.front().get_accessMethod(), "1.3.6.1.5.5.7.48.1");
   EXPECT_NE(CAccessDescription("1.3.6.1.5.5.7.48.2", uri), aia.front());
}

}  // namespace
