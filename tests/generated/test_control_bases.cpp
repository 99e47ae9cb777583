// The control classes of bit-string and GeneralizedTime types are the
// run-time's value classes bound to the record: bits set through the class
// land in the record and are encoded, a decoded record is seen by the class,
// and assignment copies the value into the target's own record.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "CertificateExtensions.h"
#include "PKIX1Explicit88.h"
#include "PKIXOCSP.h"

using namespace asn1data;
using Bytes = std::vector<OSOCTET>;

static_assert(std::is_base_of<ASN1CBitStr, ASN1C_KeyUsage>::value, "named-bit BIT STRING");
static_assert(std::is_base_of<ASN1CBitStr, ASN1C_UniqueIdentifier>::value, "BIT STRING");
static_assert(std::is_base_of<ASN1CGeneralizedTime, ASN1C_InvalidityDate>::value, "GeneralizedTime");
static_assert(std::is_base_of<ASN1CGeneralizedTime, ASN1C_ArchiveCutoff>::value, "GeneralizedTime");
static_assert(std::is_base_of<ASN1XERSAXDecodeHandler, ASN1C_KeyUsage>::value &&
                 std::is_base_of<ASN1XERSAXDecodeHandler, ASN1C_InvalidityDate>::value,
              "SAX handler base");

namespace {

Bytes msgOf(ASN1BEREncodeBuffer& buf, int len)
{
   const OSOCTET* p = buf.getMsgPtr();
   return Bytes(p, p + len);
}

}

TEST(ControlBases, KeyUsageIsABitStringOverItsRecord)
{
   ASN1T_KeyUsage ku = {};
   ASN1BEREncodeBuffer enc;
   ASN1C_KeyUsage ctl(enc, ku);
   ASN1CBitStr& bits = ctl;
   ASSERT_EQ(bits.set(ASN1T_KeyUsage::digitalSignature), 0);
   ASSERT_EQ(bits.set(ASN1T_KeyUsage::keyCertSign), 0);
   EXPECT_EQ(ku.numbits, 6u);
   EXPECT_EQ(ku.data[0], 0x84);
   // The record holds 9 bits in two octets: nothing is written beyond them.
   EXPECT_LT(bits.set(16), 0);

   int len = ctl.Encode();
   ASSERT_GT(len, 0);
   EXPECT_EQ(msgOf(enc, len), (Bytes{0x03, 0x02, 0x02, 0x84}));

   // A decoded record is seen through the class bound to it beforehand.
   Bytes der = msgOf(enc, len);
   ASN1T_KeyUsage back = {};
   ASN1BERDecodeBuffer dec(der.data(), static_cast<int>(der.size()));
   ASN1C_KeyUsage in(dec, back);
   EXPECT_FALSE(in.get(ASN1T_KeyUsage::keyCertSign));
   ASSERT_EQ(in.Decode(), 0);
   EXPECT_TRUE(in.get(ASN1T_KeyUsage::digitalSignature));
   EXPECT_TRUE(in.get(ASN1T_KeyUsage::keyCertSign));
   EXPECT_FALSE(in.get(ASN1T_KeyUsage::nonRepudiation));
   EXPECT_EQ(in.cardinality(), 2);

   // Assignment copies the bits into the target's record, not by reference.
   ASN1T_KeyUsage copy = {};
   ASN1C_KeyUsage target(copy);
   target = in;
   EXPECT_EQ(copy.numbits, 6u);
   EXPECT_TRUE(target.get(ASN1T_KeyUsage::keyCertSign));
   ASSERT_EQ(target.clear(ASN1T_KeyUsage::keyCertSign), 0);
   EXPECT_EQ(target.cardinality(), 1);
   EXPECT_TRUE(in.get(ASN1T_KeyUsage::keyCertSign));
   EXPECT_EQ(back.data[0], 0x84);

   // XER still goes through the generated encoder.
   ASN1XEREncodeBuffer xml;
   EXPECT_EQ(ctl.EncodeTo(xml), 0);
   std::string doc(reinterpret_cast<const char*>(xml.getCtxtPtr()->buffer.data), xml.getMsgLen());
   EXPECT_NE(doc.find("<KeyUsage>"), std::string::npos) << doc;
}

TEST(ControlBases, DynamicBitStringGrowsAfterDecodeAndAssignmentCopies)
{
   const Bytes der = {0x03, 0x02, 0x04, 0xF0};   // 4 bits, all set
   ASN1T_UniqueIdentifier id;
   ASN1BERDecodeBuffer dec(der.data(), static_cast<int>(der.size()));
   ASN1C_UniqueIdentifier ctl(dec, id);
   ASSERT_EQ(ctl.Decode(), 0);
   ASSERT_EQ(id.numbits, 4u);
   EXPECT_EQ(ctl.cardinality(), 4);
   // Growing beyond the decoded octet keeps the decoded bits.
   ASSERT_EQ(ctl.set(12), 0);
   EXPECT_EQ(id.numbits, 13u);
   EXPECT_TRUE(ctl.get(0));
   EXPECT_TRUE(ctl.get(3));
   EXPECT_TRUE(ctl.get(12));
   EXPECT_EQ(ctl.cardinality(), 5);

   ASN1T_UniqueIdentifier other;
   ASN1C_UniqueIdentifier target(other);
   target = ctl;
   ASSERT_EQ(other.numbits, 13u);
   EXPECT_NE(other.data, id.data);
   ASSERT_EQ(target.clear(0), 0);
   EXPECT_TRUE(ctl.get(0));
   EXPECT_EQ(target.cardinality(), 4);
}

TEST(ControlBases, InvalidityDateIsAGeneralizedTimeOverItsRecord)
{
   const std::string text = "20250301123045Z";
   Bytes der = {0x18, static_cast<OSOCTET>(text.size())};
   der.insert(der.end(), text.begin(), text.end());

   ASN1T_InvalidityDate date = nullptr;
   ASN1BERDecodeBuffer dec(der.data(), static_cast<int>(der.size()));
   ASN1C_InvalidityDate ctl(dec, date);
   ASSERT_EQ(ctl.Decode(), 0);
   ASN1CGeneralizedTime& time = ctl;
   EXPECT_EQ(time.getYear(), 2025);
   EXPECT_EQ(time.getMonth(), 3);
   EXPECT_EQ(time.getDay(), 1);
   EXPECT_EQ(time.getHour(), 12);
   EXPECT_EQ(time.getMinute(), 30);
   EXPECT_EQ(time.getSecond(), 45);

   // A second decode into the same object is parsed afresh.
   const std::string later = "20310102030405Z";
   Bytes der2 = {0x18, static_cast<OSOCTET>(later.size())};
   der2.insert(der2.end(), later.begin(), later.end());
   ASN1BERDecodeBuffer dec2(der2.data(), static_cast<int>(der2.size()));
   ASSERT_EQ(ctl.DecodeFrom(dec2), 0);
   EXPECT_EQ(time.getYear(), 2031);
   EXPECT_EQ(time.getHour(), 3);

   // Assignment copies the text into the target's record; a change there
   // leaves the source alone and is what the target encodes.
   ASN1T_InvalidityDate copy = nullptr;
   ASN1C_InvalidityDate target(copy);
   target = ctl;
   ASSERT_NE(copy, nullptr);
   EXPECT_EQ(std::string(copy), later);
   EXPECT_EQ(target.getMonth(), 1);
   ASSERT_EQ(target.setYear(2040), 0);
   EXPECT_EQ(std::string(date), later);
   EXPECT_EQ(time.getYear(), 2031);

   ASN1BEREncodeBuffer enc;
   int len = target.EncodeTo(enc);
   ASSERT_GT(len, 2);
   Bytes out = msgOf(enc, len);
   EXPECT_EQ(out[0], 0x18);
   EXPECT_EQ(std::string(out.begin() + 2, out.end()), std::string(copy));
   EXPECT_EQ(std::string(copy).substr(0, 4), "2040");
}
