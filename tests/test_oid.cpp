// Object identifiers and bit addressing.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "asn1type.h"

namespace {

ASN1OBJID makeOid(std::vector<OSUINT32> arcs)
{
   ASN1OBJID oid;
   memset(&oid, 0, sizeof oid);
   oid.numids = (OSUINT32)arcs.size();
   for (size_t i = 0; i < arcs.size(); i++) oid.subid[i] = arcs[i];
   return oid;
}

std::vector<OSUINT32> arcsOf(const ASN1OBJID& oid)
{
   return std::vector<OSUINT32>(oid.subid, oid.subid + oid.numids);
}

TEST(Oid, ToStringAndLength)
{
   struct Case { std::vector<OSUINT32> arcs; const char* text; };
   const Case cases[] = {
      { {}, "" },
      { { 0 }, "0" },
      { { 1, 2, 840, 113549 }, "1.2.840.113549" },
      { { 2, 4294967295u }, "2.4294967295" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      ASN1OBJID oid = makeOid(c.arcs);
      char buf[64];
      EXPECT_EQ(rtOidToStr(&oid, buf, sizeof buf), 1);
      EXPECT_STREQ(buf, c.text);
      EXPECT_EQ(rtOidToStrLen(&oid), (int)strlen(c.text));
   }
}

TEST(Oid, ToStringNeverWritesPastBufsize)
{
   ASN1OBJID oid = makeOid({ 1, 2, 840, 113549 });
   struct Case { int bufsize; int result; const char* text; };
   const Case cases[] = {
      { 15, 1, "1.2.840.113549" },
      { 14, 0, "1.2.840" },      // the arcs that fit, terminated
      { 8, 0, "1.2.840" },
      { 7, 0, "1.2" },
      { 2, 0, "1" },
      { 1, 0, "" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.bufsize);
      std::vector<char> buf((size_t)c.bufsize);   // exact size: ASan sees any overrun
      EXPECT_EQ(rtOidToStr(&oid, buf.data(), c.bufsize), c.result);
      EXPECT_STREQ(buf.data(), c.text);
   }
   char one = 'x';
   EXPECT_EQ(rtOidToStr(&oid, &one, 0), 0);
   EXPECT_EQ(one, 'x');

   ASN1OBJID bad = makeOid({ 1, 2 });
   bad.numids = 500;   // corrupt count: refused, never read past 128 arcs
   char buf[8];
   EXPECT_EQ(rtOidToStr(&bad, buf, sizeof buf), 0);
   EXPECT_STREQ(buf, "");
}

TEST(Oid, FromStringTable)
{
   struct Case { const char* text; int result; std::vector<OSUINT32> arcs; };
   const Case cases[] = {
      { "1.2.3", 1, { 1, 2, 3 } },
      { "1.2.840.113549.1.1.11", 1, { 1, 2, 840, 113549, 1, 1, 11 } },
      { "2.4294967295", 1, { 2, 4294967295u } },
      { "1..2", 1, { 1, 0, 2 } },            // an empty component reads as 0
      { "1.2.x", 0, { 1, 2, 0 } },           // the arcs read so far stay
      { "1,2", 0, { 1 } },
      { "1.2x", 0, { 1, 2 } },
      { "1.4294967296", 0, { 1 } },          // does not fit 32 bits: not wrapped
      { "1.99999999999999999999999", 0, { 1 } },
      { "1.-1", 0, { 1 } },                  // no signed arcs
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      ASN1OBJID oid;
      EXPECT_EQ(rtStrToOid(c.text, &oid), c.result);
      EXPECT_EQ(arcsOf(oid), c.arcs);
   }
}

TEST(Oid, FromStringStopsAt128Arcs)
{
   std::string text = "1";
   for (int i = 1; i < 128; i++) text += "." + std::to_string(i);
   ASN1OBJID oid;
   ASSERT_EQ(rtStrToOid(text.c_str(), &oid), 1);
   EXPECT_EQ(oid.numids, 128u);
   EXPECT_EQ(oid.subid[127], 127u);
   char buf[600];
   ASSERT_EQ(rtOidToStr(&oid, buf, sizeof buf), 1);
   EXPECT_EQ(text, buf);

   text += ".128";
   EXPECT_EQ(rtStrToOid(text.c_str(), &oid), 0);
   EXPECT_EQ(oid.numids, 128u);
}

TEST(Oid, CompareCopyAndValueClass)
{
   ASN1OBJID a = makeOid({ 1, 2, 3 });
   ASN1OBJID b = makeOid({ 1, 2, 3 });
   ASN1OBJID c = makeOid({ 1, 2, 4 });
   ASN1OBJID d = makeOid({ 1, 2 });
   int equal = 1;
   EXPECT_EQ(rtCmpOIDValue("x", &a, &b, &equal), 1);
   EXPECT_EQ(equal, 1);
   EXPECT_EQ(rtCmpOID(nullptr, &a, &c, &equal), 0);
   EXPECT_EQ(equal, 0);
   EXPECT_TRUE(a == b);
   EXPECT_FALSE(a == c);
   EXPECT_FALSE(a == d);

   ASN1OBJID e;
   rtSetOID(&e, &c);
   EXPECT_TRUE(e == c);

   const OSUINT32 arcs[] = { 2, 5, 4, 3 };
   ASN1TObjId t1(4, arcs);
   ASN1TObjId t2(t1);
   ASN1TObjId t3(a);
   ASN1TObjId t4;
   EXPECT_EQ(t4.numids, 0u);
   t4 = t1;
   EXPECT_EQ(arcsOf(t2), (std::vector<OSUINT32>{ 2, 5, 4, 3 }));
   EXPECT_TRUE(t4 == t1);
   EXPECT_TRUE(t3 == a);
   t4 = c;
   EXPECT_TRUE(t4 == c);

   const OSINT64 big[] = { 1, 3, 6, 1, 4, 1, 0x7FFFFFFFFFFFLL };
   ASN1TObjId64 w1(7, big);
   ASN1TObjId64 w2(w1);
   ASN1TObjId64 w3;
   w3 = w2;
   EXPECT_EQ(w3.numids, 7u);
   EXPECT_EQ(w3.subid[6], 0x7FFFFFFFFFFFLL);
   EXPECT_TRUE(w3 == w1);
}

TEST(Bits, SetClearTest)
{
   OSOCTET bits[2] = { 0, 0 };
   EXPECT_EQ(rtSetBit(bits, 8, 0), 0);
   EXPECT_EQ(bits[0], 0x80);
   EXPECT_NE(rtSetBit(bits, 8, 0), 0);          // previous state: set
   EXPECT_EQ(rtSetBit(bits, 8, 8), ASN1ERR_OUT_OF_BOUNDS);
   EXPECT_EQ(rtSetBit(bits, 16, 15), 0);
   EXPECT_EQ(bits[1], 0x01);
   EXPECT_NE(rtTestBit(bits, 16, 15), 0);
   EXPECT_EQ(rtTestBit(bits, 15, 15), 0);        // out of range
   EXPECT_EQ(rtTestBit(bits, 16, 1), 0);
   EXPECT_NE(rtClearBit(bits, 16, 0), 0);
   EXPECT_EQ(rtClearBit(bits, 16, 0), 0);
   EXPECT_EQ(bits[0], 0x00);
   EXPECT_EQ(rtClearBit(bits, 16, 16), ASN1ERR_OUT_OF_BOUNDS);
}

TEST(Bits, OctetBitLen)
{
   const int expect[][2] = { { 0x80, 1 }, { 0x01, 8 }, { 0x00, 0 }, { 0xC0, 2 }, { 0xFF, 8 }, { 0x10, 4 } };
   for (const auto& e : expect) EXPECT_EQ(rtOctetBitLen((OSOCTET)e[0]), e[1]) << e[0];
}

}  // namespace
