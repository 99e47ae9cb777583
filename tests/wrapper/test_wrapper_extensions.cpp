// Extensions, the typed CRL entry and certificate extension values, CRL
// reason names and policy information.
#include <gtest/gtest.h>

#include "ExtensionTraits.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using namespace wrappertest;
using Corvane::CBlob;
using Corvane::CDateTime;

namespace {

std::string ascii(const char* text) { return hexOf(CBlob((const unsigned char*)text, strlen(text))); }

// ---------------------------------------------------------------------------
// Typed values

TEST(WrapperExtValues, CRLReason)
{
   const struct {
      CrlReason reason;
      const char* der;
   } cases[] = {{crUnspecified, "0A0100"},     {crKeyCompromise, "0A0101"},      {crCertificateHold, "0A0106"},
                {crRemoveFromCRL, "0A0108"},   {crPrivilegeWithdrawn, "0A0109"}, {crAACompromise, "0A010A"}};
   for (const auto& c : cases) {
      CExtCRLReason r(c.reason);
      EXPECT_STREQ(r.get_oid(), "2.5.29.21");
      EXPECT_EQ(hexOf(r.get_value()), c.der);
      CExtCRLReason back(hexBlob(c.der));
      EXPECT_EQ(back.get_reason(), c.reason);
      EXPECT_EQ(hexOf(back.get_value()), c.der);
   }

   // Before a reason is given: unspecified, and no bytes.
   CExtCRLReason none;
   EXPECT_STREQ(none.get_oid(), "2.5.29.21");
   EXPECT_EQ(none.get_reason(), crUnspecified);
   EXPECT_TRUE(none.get_value().empty());
   none.put_reason(crSuperseded);
   EXPECT_EQ(hexOf(none.get_value()), "0A0104");
   EXPECT_EQ(statusOf([&] { none.put_reason((CrlReason)11); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(none.get_reason(), crSuperseded);
   EXPECT_EQ(hexOf(none.get_value()), "0A0104");

   for (const char* bad : {"0A010B", "020101", "0A0101FF", ""})
      EXPECT_EQ(statusOf([&] { CExtCRLReason r(hexBlob(bad)); }), CRYPT_E_ASN1_INTERNAL) << bad;
}

TEST(WrapperExtValues, ReasonNames)
{
   const struct {
      unsigned int reason;
      const char* name;
   } names[] = {{0, "unspecified"},   {1, "keyCompromise"},        {2, "caCompromise"},    {3, "affiliationChanged"},
                {4, "superseded"},    {5, "cessationOfOperation"}, {6, "certificateHold"}, {7, "0x7"},
                {8, "removeFromCRL"}, {9, "0x9"},                  {10, "0xa"},            {255, "0xff"}};
   for (const auto& n : names) {
      EXPECT_EQ(CrlReason_toStringA((CrlReason)n.reason), n.name);
      EXPECT_EQ(CrlReason_toStringW((CrlReason)n.reason), towstring(n.name));
      EXPECT_EQ((unsigned)CrlReason_fromStringA(n.name), n.reason) << n.name;
   }
   const struct {
      const char* text;
      unsigned int reason;
   } reads[] = {{"caCompromise", 2}, {"cACompromise", 0}, {"9", 9}, {"011", 9}, {"junk", 0}, {"", 0}, {nullptr, 0}};
   for (const auto& r : reads) {
      EXPECT_EQ((unsigned)CrlReason_fromStringA(r.text), r.reason) << (r.text ? r.text : "null");
      if (r.text != nullptr) {
         EXPECT_EQ((unsigned)CrlReason_fromStringW(towstring(r.text).c_str()), r.reason);
      }
   }
}

TEST(WrapperExtValues, HoldInvalidityIssuerAndPeriod)
{
   CExtHoldInstructionCode hold("1.2.840.10040.2.2");
   EXPECT_STREQ(hold.get_oid(), "2.5.29.23");
   EXPECT_EQ(hexOf(hold.get_value()), "06072A8648CE380202");
   EXPECT_STREQ(CExtHoldInstructionCode(hexBlob("06072A8648CE380202")).get_code().c_str(), "1.2.840.10040.2.2");
   CExtHoldInstructionCode emptyHold;
   EXPECT_STREQ(emptyHold.get_code().c_str(), "");
   EXPECT_TRUE(emptyHold.get_value().empty());
   EXPECT_EQ(statusOf([&] { hold.put_code("1.2x"); }), E_INVALIDARG);
   EXPECT_STREQ(hold.get_code().c_str(), "1.2.840.10040.2.2");
   EXPECT_EQ(hexOf(hold.get_value()), "06072A8648CE380202");

   // Whole seconds, from 500 ms up rounded to the next one.
   CExtInvalidityDate inv(CDateTime(2024, 1, 2, 3, 4, 5, 500));
   EXPECT_STREQ(inv.get_oid(), "2.5.29.24");
   EXPECT_EQ(hexOf(inv.get_value()), tlv("18", ascii("20240102030406Z")));
   CExtInvalidityDate invBack(hexBlob(tlv("18", ascii("20240102030405.25Z"))));
   EXPECT_EQ(invBack.get_invalidityDate(), CDateTime(2024, 1, 2, 3, 4, 5, 250));
   EXPECT_EQ(hexOf(invBack.get_value()), tlv("18", ascii("20240102030405.25Z")));  // the bytes as given
   EXPECT_EQ(CExtInvalidityDate().get_invalidityDate(), CDateTime(0, 0));
   EXPECT_EQ(statusOf([] { CExtInvalidityDate d(hexBlob(tlv("17", ascii("240102030405Z")))); }),
             CRYPT_E_ASN1_INTERNAL);

   CGeneralName dns;
   dns.put_dNSName(L"example.com");
   CGeneralNames names;
   names.push_back(dns);
   CExtCertificateIssuer issuer(names);
   EXPECT_STREQ(issuer.get_oid(), "2.5.29.29");
   const std::string issuerDer = tlv("30", "820B" + ascii("example.com"));
   EXPECT_EQ(hexOf(issuer.get_value()), issuerDer);
   EXPECT_EQ(CExtCertificateIssuer(hexBlob(issuerDer)).get_issuer(), names);
   EXPECT_TRUE(CExtCertificateIssuer().get_issuer().empty());
   CGeneralNames unsupported(names);
   unsupported.push_back(CGeneralName());  // the empty choice does not encode
   EXPECT_EQ(statusOf([&] { issuer.put_issuer(unsupported); }), E_INVALIDARG);
   EXPECT_EQ(issuer.get_issuer(), names);
   EXPECT_EQ(hexOf(issuer.get_value()), issuerDer);

   const CDateTime from(2024, 1, 1, 0, 0, 0), to(2026, 1, 1, 0, 0, 0);
   const std::string fromDer = tlv("80", ascii("20240101000000Z")), toDer = tlv("81", ascii("20260101000000Z"));
   struct Period {
      const CDateTime* notBefore;
      const CDateTime* notAfter;
      std::string der;
   };
   const Period periods[] = {{nullptr, nullptr, "3000"},
                             {&from, nullptr, tlv("30", fromDer)},
                             {nullptr, &to, tlv("30", toDer)},
                             {&from, &to, tlv("30", fromDer + toDer)}};
   for (const Period& p : periods) {
      CExtPrivateKeyUsagePeriod period(p.notBefore, p.notAfter);
      EXPECT_STREQ(period.get_oid(), "2.5.29.16");
      EXPECT_EQ(hexOf(period.get_value()), p.der);
      CExtPrivateKeyUsagePeriod back(hexBlob(p.der));
      EXPECT_TRUE(is_equal_ptr(back.get_notBefore(), p.notBefore)) << p.der;
      EXPECT_TRUE(is_equal_ptr(back.get_notAfter(), p.notAfter)) << p.der;
      CExtPrivateKeyUsagePeriod copy(back), assigned(nullptr, nullptr);
      assigned = back;
      EXPECT_TRUE(is_equal_ptr(copy.get_notBefore(), p.notBefore));
      EXPECT_EQ(assigned.get_value(), back.get_value());
   }
   // Read from bytes, the bytes are kept as given (a fraction is not
   // rounded away).
   const std::string fraction = tlv("30", tlv("80", ascii("20240101000000.5Z")));
   CExtPrivateKeyUsagePeriod withFraction(hexBlob(fraction));
   EXPECT_EQ(*withFraction.get_notBefore(), CDateTime(2024, 1, 1, 0, 0, 0, 500));
   EXPECT_EQ(hexOf(withFraction.get_value()), fraction);
   EXPECT_EQ(statusOf([] { CExtPrivateKeyUsagePeriod p(hexBlob("3003800100")); }), CRYPT_E_ASN1_INTERNAL);

   CExtPrivateKeyUsagePeriod period(&from, &to);
   period.put_notBefore(nullptr);
   EXPECT_EQ(period.get_notBefore(), nullptr);
   EXPECT_EQ(hexOf(period.get_value()), tlv("30", toDer));
   period.put_notAfter(&from);
   EXPECT_EQ(hexOf(period.get_value()), tlv("30", tlv("81", ascii("20240101000000Z"))));
}

// ---------------------------------------------------------------------------
// Extensions

TEST(WrapperExtensions, EncodeDecode)
{
   const std::string basic = "0603551D13";  // basicConstraints
   struct Case {
      const char* oid;
      bool critical;
      const char* value;
      std::string der;
   };
   const Case cases[] = {
      {"2.5.29.19", true, "30030101FF", tlv("30", basic + "0101FF" + tlv("04", "30030101FF"))},
      {"2.5.29.19", false, "3000", tlv("30", basic + tlv("04", "3000"))},
      // cA FALSE written out is not DER, but the bytes stand as they are.
      {"2.5.29.19", false, "3003010100", tlv("30", basic + tlv("04", "3003010100"))},
      {"1.2.3.4", false, "DEADBEEF", tlv("30", "06032A0304" + tlv("04", "DEADBEEF"))},  // unknown: any bytes
   };
   CExtensions list;
   std::string listDer;
   for (const Case& c : cases) {
      CExtension e(CExtValue(c.oid, hexBlob(c.value)), c.critical);
      EXPECT_EQ(hexOf(e.encode()), c.der) << c.value;
      CExtension back;
      back.decode(hexBlob(c.der));
      EXPECT_EQ(back, e);
      EXPECT_EQ(back.get_critical(), c.critical);
      EXPECT_STREQ(back.get_extnID(), c.oid);
      EXPECT_EQ(hexOf(back.get_extnValue()), c.value);
      list.push_back(e);
      listDer += c.der;
   }
   EXPECT_EQ(hexOf(list.encode()), tlv("30", listDer));
   CExtensions listBack;
   listBack.decode(hexBlob(tlv("30", listDer)));
   EXPECT_EQ(listBack, list);  // the repeated identifier is kept as encoded

   // A typed value becomes an extension with its identifier and bytes.
   CExtension reason(CExtCRLReason(crKeyCompromise), false);
   EXPECT_EQ(hexOf(reason.encode()), tlv("30", "0603551D15" + tlv("04", "0A0101")));

   struct Bad {
      const char* oid;
      const char* value;
      int status;
   };
   const Bad bads[] = {
      {"2.5.29.15", "0401AA", CRYPT_E_ASN1_INTERNAL},  // keyUsage is a BIT STRING
      {"2.5.29.19", "30030101FF00", CRYPT_E_ASN1_INTERNAL},  // bytes after the value
      {"2.5.29.19", "", CRYPT_E_ASN1_INTERNAL},              // no value at all
      {"not.an.oid", "00", E_INVALIDARG},
   };
   for (const Bad& b : bads) {
      CExtensions one;
      one.push_back(CExtension(CExtValue(b.oid, hexBlob(b.value)), false));
      EXPECT_EQ(statusOf([&] { one.front().encode(); }), b.status) << b.oid;
      EXPECT_EQ(statusOf([&] { one.encode(); }), b.status) << b.oid;
   }
   EXPECT_EQ(statusOf([] { CExtensions().encode(); }), CRYPT_E_ASN1_INTERNAL);  // SIZE (1..MAX)
}

TEST(WrapperExtensions, Reading)
{
   const std::string basic = "0603551D13";
   const std::string der = tlv("30", tlv("30", basic + "0101FF" + tlv("04", "3000")));
   // BER forms read as the same extensions; encode() writes them in DER.
   const std::string ber[] = {
      "3080" + tlv("30", basic + "0101FF" + tlv("04", "3000")) + "0000",      // indefinite list
      tlv("30", "3080" + basic + "0101FF" + tlv("04", "3000") + "0000"),      // indefinite extension
      tlv("30", tlv("30", basic + "0101FF" + "2480" + "040130" + "040100" + "0000")),  // segmented value
      tlv("30", tlv("30", basic + "0101FF" + "2406" + "040130" + "040100")),
   };
   CExtensions expected;
   expected.decode(hexBlob(der));
   ASSERT_EQ(expected.size(), 1u);
   EXPECT_EQ(hexOf(expected.front().get_extnValue()), "3000");
   for (const std::string& b : ber) {
      CExtensions list;
      list.decode(hexBlob(b));
      EXPECT_EQ(list, expected) << b;
      EXPECT_EQ(hexOf(list.encode()), der) << b;
   }
   // critical FALSE written out reads as not critical and is left out.
   CExtension falseWritten;
   falseWritten.decode(hexBlob(tlv("30", basic + "010100" + tlv("04", "3000"))));
   EXPECT_FALSE(falseWritten.get_critical());
   EXPECT_EQ(hexOf(falseWritten.encode()), tlv("30", basic + tlv("04", "3000")));

   // A malformed value of a known extension is read as bytes, so the other
   // extensions stay readable; encode() refuses it.
   const std::string badKeyUsage = tlv("30", "0603551D0F" + tlv("04", "0401AA"));
   CExtensions withBad;
   withBad.decode(hexBlob(tlv("30", badKeyUsage + tlv("30", basic + tlv("04", "3000")))));
   ASSERT_EQ(withBad.size(), 2u);
   EXPECT_EQ(hexOf(withBad.find("2.5.29.15")->get_extnValue()), "0401AA");
   EXPECT_EQ(statusOf([&] { withBad.encode(); }), CRYPT_E_ASN1_INTERNAL);

   CExtensions kept(expected);
   const std::string bads[] = {
      "3000",                                                   // SIZE (1..MAX)
      "3003020101",                                             // not an Extension
      "30050603551D13",                                         // no extnValue
      tlv("30", tlv("30", basic + tlv("04", "3000") + "0500")),  // an element too many
      tlv("30", tlv("30", basic + "0101FF")),                   // the flag but no value
      tlv("30", tlv("30", "0500" + tlv("04", "3000"))),         // no identifier
      der + "00",                                               // octets after the list
      "3080" + tlv("30", basic + tlv("04", "3000")),            // no end-of-contents
      tlv("30", tlv("30", basic + "0409" + "3000")),            // value longer than its element
      "",
   };
   CExtension one(CExtValue("1.2", hexBlob("00")), true);
   for (const std::string& bad : bads) {
      EXPECT_EQ(statusOf([&] { kept.decode(hexBlob(bad)); }), CRYPT_E_ASN1_INTERNAL) << bad;
      // None of them is one Extension either.
      EXPECT_EQ(statusOf([&] { one.decode(hexBlob(bad)); }), CRYPT_E_ASN1_INTERNAL) << bad;
   }
   EXPECT_EQ(kept, expected);
   EXPECT_STREQ(one.get_extnID(), "1.2");
}

TEST(WrapperExtensions, FindInsertErase)
{
   auto ext = [](const char* oid, const char* value, bool critical = false) {
      return CExtension(CExtValue(oid, hexBlob(value)), critical);
   };
   CExtensions list;
   list.insert(ext("2.5.29.19", "3000", true));
   list.insert(ext("2.5.29.14", "040101"));
   list.insert(ext("2.5.29.15", "03020780", true));
   ASSERT_EQ(list.size(), 3u);

   // Replaced in place: same length, same position.
   list.insert(ext("2.5.29.14", "040102"));
   ASSERT_EQ(list.size(), 3u);
   auto it = list.begin();
   EXPECT_STREQ((++it)->get_extnID(), "2.5.29.14");
   EXPECT_EQ(hexOf(it->get_extnValue()), "040102");

   const CExtensions& constList = list;
   EXPECT_EQ(constList.find("2.5.29.15")->get_critical(), true);
   EXPECT_EQ(list.find("2.5.29.1"), list.end());  // a prefix is not a match
   EXPECT_EQ(list.find(nullptr), list.end());

   list.erase("2.5.29.19");
   list.erase("9.9.9");  // absent: nothing happens
   ASSERT_EQ(list.size(), 2u);
   EXPECT_STREQ(list.front().get_extnID(), "2.5.29.14");

   // Order matters; so do the critical flag and the value bytes.
   CExtensions reversed(list);
   reversed.reverse();
   EXPECT_NE(reversed, list);
   reversed.reverse();
   EXPECT_EQ(reversed, list);
   reversed.insert(ext("2.5.29.15", "03020780", false));
   EXPECT_NE(reversed, list);
   CExtensions shorter(list);
   shorter.pop_back();
   EXPECT_NE(shorter, list);
}

TEST(WrapperPolicyInformation, EncodeDecode)
{
   CPolicyInformation any("2.5.29.32.0");
   EXPECT_EQ(hexOf(any.encode()), "30060604551D2000");
   // Qualifiers are ignored when read and never written.
   std::string qualifier = tlv("30", "06082B06010505070201" + tlv("16", ascii("http://x/")));
   std::string withQualifiers = tlv("30", "0604551D2000" + tlv("30", qualifier));
   CPolicyInformation back("1.2");
   back.decode(hexBlob(withQualifiers));
   EXPECT_EQ(back, any);
   EXPECT_EQ(hexOf(back.encode()), "30060604551D2000");
   EXPECT_EQ(statusOf([] { CPolicyInformation("x").encode(); }), E_INVALIDARG);
   CPolicyInformationList list{any, CPolicyInformation("1.2.3")};
   EXPECT_EQ(list.size(), 2u);
}

}  // namespace
