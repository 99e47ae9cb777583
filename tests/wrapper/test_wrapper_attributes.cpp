// Attributes, their typed values and the name attributes.
#include <gtest/gtest.h>

#include "AttributeTraits.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;

namespace {

TEST(WrapperAttributes, TypedValues)
{
   struct Case {
      CAttrValue value;
      const char* oid;
      const char* der;
   };
   const Case cases[] = {
      {CAttrCountry("RU"), "2.5.4.6", "13025255"},
      {CAttrCommonName("Иван"), "2.5.4.3", "0C08D098D0B2D0B0D0BD"},
      {CAttrEmailAddress(L"a@b"), "1.2.840.113549.1.9.1", "1603614062"},
      {CAttrContentType("1.2.840.113549.1.7.1"), "1.2.840.113549.1.9.3", "06092A864886F70D010701"},
   };
   for (const Case& c : cases) {
      EXPECT_STREQ(c.value.get_oid(), c.oid);
      EXPECT_EQ(hexOf(c.value.get_value()), c.der) << c.oid;
   }

   CAttrMessageDigest digest;
   digest.put_messageDigest(hexBlob("0102"));
   EXPECT_EQ(hexOf(digest.get_value()), "04020102");
   CAttrMessageDigest read(hexBlob("04020102"));
   EXPECT_EQ(read.get_messageDigest(), hexBlob("0102"));
   EXPECT_EQ(read, digest);
   EXPECT_EQ(statusOf([] { CAttrMessageDigest d(hexBlob("0C0161")); }), CRYPT_E_ASN1_INTERNAL);
   EXPECT_EQ(statusOf([] { CAttrMessageDigest d(hexBlob("0402010200")); }), CRYPT_E_ASN1_INTERNAL);

   CAttrContentType type(hexBlob("06092A864886F70D010702"));
   EXPECT_STREQ(type.get_contentType(), "1.2.840.113549.1.7.2");
   EXPECT_EQ(statusOf([] { CAttrContentType t("not an oid"); }), E_INVALIDARG);
   EXPECT_EQ(statusOf([] { CAttrContentType t(hexBlob("0500")); }), CRYPT_E_ASN1_INTERNAL);

   EXPECT_EQ(statusOf([] { CAttrCommonName n(std::string(32769, 'a').c_str()); }), E_INVALIDARG);
   CAttrStringValue unknown("1.2.3.4", "#0C0161");
   EXPECT_EQ(hexOf(unknown.get_value()), "0C0161");

   CAttributeTypeAndValue atav(CAttrCountry("DE"));
   EXPECT_STREQ(atav.get_type(), "2.5.4.6");
   EXPECT_EQ(atav.get_value_str().str(), L"DE");
}

TEST(WrapperAttributes, AttributesAndTheirOrder)
{
   CAttribute a("1.2.840.113549.1.9.4");
   a.add(CAttrMessageDigest(hexBlob("04020102")));
   a.add(hexBlob("04020304"));
   EXPECT_EQ(a.size(), 2u);
   CAttribute back;
   back.decode(a.encode());
   EXPECT_EQ(back, a);

   // The same values in another order: another attribute.
   CAttribute reordered("1.2.840.113549.1.9.4");
   reordered.add(hexBlob("04020304"));
   reordered.add(hexBlob("04020102"));
   EXPECT_NE(reordered, a);

   // A value that is not of the attribute's syntax does not encode.
   CAttribute wrong("1.2.840.113549.1.9.4");
   wrong.add(hexBlob("0C0161"));
   EXPECT_EQ(statusOf([&] { wrong.encode(); }), CRYPT_E_ASN1_INTERNAL);
   // An unknown attribute type's values go as they are.
   CAttribute other("1.2.3.4");
   other.add(hexBlob("0C0161"));
   back.decode(other.encode());
   EXPECT_EQ(back, other);

   CAttributes set;
   set.push_back(a);
   set.push_back(other);
   set.push_back(CAttribute("1.2.840.113549.1.9.3"));
   set.back().add(CAttrContentType("1.2.840.113549.1.7.1"));
   EXPECT_EQ(set.find("1.2.3.4")->get_oid(), std::string("1.2.3.4"));
   EXPECT_EQ(set.find("9.9"), set.end());
   set.erase("9.9");  // not there: nothing changes
   EXPECT_EQ(set.size(), 3u);
   CAttributes setBack;
   setBack.decode(set.encode());
   EXPECT_EQ(setBack.size(), 3u);
   EXPECT_EQ(setBack.encode(), set.encode());  // DER orders the set
   set.erase("1.2.3.4");
   EXPECT_EQ(set.size(), 2u);
}

TEST(WrapperAttributes, CertificateValues)
{
   CBlob cert = hexBlob(kTestCertificate);
   CCertificateValues values;
   values.push_back(cert);
   values.push_back(cert);
   CCertificateValues back;
   back.decode(values.encode());
   EXPECT_EQ(back, values);
   CCertificateValues bad;
   bad.push_back(hexBlob("3000"));
   EXPECT_EQ(statusOf([&] { bad.encode(); }), CRYPT_E_ASN1_INTERNAL);
}

TEST(WrapperAttributes, SigningTimeFollowsTheYearRule)
{
   struct Case {
      Corvane::CDateTime date;
      unsigned char tag;
   };
   const Case cases[] = {
      {Corvane::CDateTime(2049, 12, 31, 23, 59, 59), 0x17},
      {Corvane::CDateTime(2050, 1, 1, 0, 0, 0), 0x18},
      {Corvane::CDateTime(1950, 1, 1, 0, 0, 0), 0x17},
      {Corvane::CDateTime(1949, 12, 31, 23, 59, 59), 0x18},  // a UTCTime would read back as 2049
   };
   for (const Case& c : cases) {
      CAttrSigningTime t(c.date);
      EXPECT_EQ(t.get_value().pbData()[0], c.tag) << c.date.year();
      CAttrSigningTime back(t.get_value());
      EXPECT_EQ(back.get_time(), c.date) << c.date.year();
   }
   EXPECT_EQ(statusOf([] { CAttrSigningTime t(hexBlob("0500")); }), CRYPT_E_ASN1_INTERNAL);
}

TEST(WrapperAttributes, SigningCertificateIdentifiers)
{
   CGeneralNames issuer;
   issuer.push_back(CGeneralName());
   issuer.back().put_directoryName(hexBlob("300F310D300B06035504030C0474657374"));
   CBigInteger serial(reinterpret_cast<const unsigned char*>("\x01\x02"), 2);
   CIssuerSerial is(issuer, serial);
   CIssuerSerial isBack;
   isBack.decode(is.encode());
   EXPECT_EQ(isBack, is);

   // ESSCertIDv2: the default algorithm is not written and comes back.
   CESSCertIDv2 v2(hexBlob("00112233"));
   EXPECT_EQ(hexOf(v2.encode()), "3006040400112233");
   CESSCertIDv2 v2Back;
   v2Back.decode(v2.encode());
   EXPECT_STREQ(v2Back.get_hashAlgorithm().get_algorithm(), "2.16.840.1.101.3.4.2.1");
   EXPECT_EQ(v2Back, v2);
   CESSCertIDv2 sha512(hexBlob("0011"), CAlgorithmIdentifier("2.16.840.1.101.3.4.2.3"));
   sha512.put_issuerSerial(&is);
   v2Back.decode(sha512.encode());
   EXPECT_EQ(v2Back, sha512);

   // COtherCertID with an algorithm takes the otherHash form, even SHA-1.
   COtherCertID other(hexBlob("AABB"), CAlgorithmIdentifier("1.3.14.3.2.26"));
   EXPECT_EQ(other.get_otherCertHash().get_type(), 2u);
   COtherCertID otherBack;
   otherBack.decode(other.encode());
   EXPECT_EQ(otherBack, other);
   COtherCertID sha1(hexBlob("AABB"));
   EXPECT_EQ(sha1.get_otherCertHash().get_type(), 1u);
   EXPECT_NE(sha1, other);
   EXPECT_EQ(statusOf([] { COtherHash().encode(); }), CRYPT_E_ASN1_INTERNAL);

   // The three attributes keep their typed contents and DER in step.
   CESSCertIDList certs;
   certs.push_back(CESSCertID(hexBlob("00112233445566778899AABBCCDDEEFF00112233")));
   certs.back().put_issuerSerial(&is);
   CAttrSigningCertificate sc(certs);
   CAttrSigningCertificate scBack(sc.get_value());
   EXPECT_EQ(scBack.get_certs(), certs);
   EXPECT_EQ(scBack.get_policies(), nullptr);
   CPolicyInformationList policies;
   policies.push_back(CPolicyInformation("1.2.3.4"));
   sc.put_policies(&policies);
   CAttrSigningCertificate withPolicies(sc.get_value());
   ASSERT_NE(withPolicies.get_policies(), nullptr);
   EXPECT_EQ(*withPolicies.get_policies(), policies);

   CESSCertIDv2List certs2;
   certs2.push_back(v2);
   CAttrSigningCertificateV2 sc2(certs2);
   EXPECT_EQ(CAttrSigningCertificateV2(sc2.get_value()).get_certs(), certs2);
   COtherCertIDList others;
   others.push_back(other);
   CAttrOtherSigningCertificate osc(others);
   EXPECT_EQ(CAttrOtherSigningCertificate(osc.get_value()).get_certs(), others);
   EXPECT_STREQ(osc.get_oid(), "1.2.840.113549.1.9.16.2.19");
   EXPECT_EQ(statusOf([] { CAttrSigningCertificate s(hexBlob("3000")); }), CRYPT_E_ASN1_INTERNAL);
}

}  // namespace
