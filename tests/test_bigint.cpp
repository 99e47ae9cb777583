// Big integers: text parsing, two's-complement form and text output.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "CountingHooks.h"
#include "asn1type.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c); }
};

std::vector<OSOCTET> magOf(const ASN1BigInt& b)
{
   return std::vector<OSOCTET>(b.mag, b.mag + b.numocts);
}

std::vector<OSOCTET> dataOf(ASN1CTXT* pctxt, const ASN1BigInt& b)
{
   OSOCTET buf[64];
   int n = rtBigIntGetData(pctxt, &b, buf, sizeof buf);
   EXPECT_EQ(n, rtBigIntGetDataLen(&b));
   return n > 0 ? std::vector<OSOCTET>(buf, buf + n) : std::vector<OSOCTET>();
}

std::string toString(ASN1CTXT* pctxt, const ASN1BigInt& b, int radix)
{
   char buf[256];
   int stat = rtBigIntToString(pctxt, &b, radix, buf, sizeof buf);
   return stat == 0 ? std::string(buf) : "error " + std::to_string(stat);
}

TEST(BigInt, ParseTable)
{
   struct Case {
      const char* text; int radix; int sign; std::vector<OSOCTET> mag;
      std::vector<OSOCTET> der; const char* dec;
   };
   const Case cases[] = {
      { "255", 0, 1, { 0xFF }, { 0x00, 0xFF }, "255" },
      { "0xFF", 0, -1, { 0x01 }, { 0xFF }, "-1" },                   // two's complement
      { "0x0FF", 0, 1, { 0xFF }, { 0x00, 0xFF }, "255" },
      { "-1", 0, -1, { 0x01 }, { 0xFF }, "-1" },
      { "  -129", 0, -1, { 0x81 }, { 0xFF, 0x7F }, "-129" },
      { "-128", 10, -1, { 0x80 }, { 0x80 }, "-128" },
      { "-8388609", 0, -1, { 0x80, 0x00, 0x01 }, { 0xFF, 0x7F, 0xFF, 0xFF }, "-8388609" },
      { "0x80", 0, -1, { 0x80 }, { 0x80 }, "-128" },
      { "0xFF00", 0, -1, { 0x01, 0x00 }, { 0xFF, 0x00 }, "-256" },
      { "0x7F", 0, 1, { 0x7F }, { 0x7F }, "127" },
      { "7f", 16, 1, { 0x7F }, { 0x7F }, "127" },
      { "0x123", 0, 1, { 0x01, 0x23 }, { 0x01, 0x23 }, "291" },     // partial group first
      { "0b101", 0, 1, { 0x05 }, { 0x05 }, "5" },
      { "0b11111110", 0, -1, { 0x02 }, { 0xFE }, "-2" },
      { "0o777", 0, 1, { 0x01, 0xFF }, { 0x01, 0xFF }, "511" },
      { "-0o10", 0, 0, {}, {}, "" },                                 // '-' before prefix: decimal text
      { "0", 0, 0, {}, { 0x00 }, "0" },
      { "000", 10, 0, {}, { 0x00 }, "0" },
      { "-0", 0, 0, {}, { 0x00 }, "0" },
      { "0x0000", 0, 0, {}, { 0x00 }, "0" },                         // zero has sign 0
      { "18446744073709551616", 0, 1, { 1, 0, 0, 0, 0, 0, 0, 0, 0 },
        { 1, 0, 0, 0, 0, 0, 0, 0, 0 }, "18446744073709551616" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      int stat = rtBigIntSetStr(&ctxt.c, &b, c.text, c.radix);
      if (c.dec[0] == '\0') {
         EXPECT_EQ(stat, ASN1ERR_BAD_VALUE);
         continue;
      }
      ASSERT_EQ(stat, 0);
      EXPECT_EQ(b.sign, c.sign);
      EXPECT_EQ(magOf(b), c.mag);
      EXPECT_EQ(dataOf(&ctxt.c, b), c.der);
      EXPECT_EQ(toString(&ctxt.c, b, 10), c.dec);
      rtBigIntFree(&ctxt.c, &b);
   }
}

TEST(BigInt, ParseRejects)
{
   struct Case { const char* text; int radix; int status; };
   const Case cases[] = {
      { "", 0, ASN1ERR_BAD_VALUE },
      { "-", 0, ASN1ERR_BAD_VALUE },
      { "0x", 0, ASN1ERR_BAD_VALUE },
      { "0b", 0, ASN1ERR_BAD_VALUE },
      { "0b102", 0, ASN1ERR_BAD_VALUE },
      { "0xFG", 0, ASN1ERR_BAD_VALUE },
      { "12a", 0, ASN1ERR_BAD_VALUE },
      { "1 2", 0, ASN1ERR_BAD_VALUE },     // a blank inside the digits
      { "12-4", 0, ASN1ERR_BAD_VALUE },
      { "255 ", 0, ASN1ERR_BAD_VALUE },
      { "+5", 0, ASN1ERR_BAD_VALUE },
      { "0o8", 0, ASN1ERR_BAD_VALUE },
      { "0x10", 16, ASN1ERR_BAD_VALUE },   // an explicit radix takes no prefix
      { "-ff", 16, ASN1ERR_BAD_VALUE },
      { "10", 3, ASN1ERR_INVALID_PARAM },
      { "10", 36, ASN1ERR_INVALID_PARAM },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      EXPECT_EQ(rtBigIntSetStr(&ctxt.c, &b, c.text, c.radix), c.status);
      EXPECT_EQ(ctxt.c.errInfo.status, c.status);
   }
}

TEST(BigInt, ToStringRadixes)
{
   struct Case { const char* text; const char* hex; const char* bin; const char* oct; };
   const Case cases[] = {
      { "-129", "ff7f", "1111111101111111", "-201" },
      { "255", "00ff", "0000000011111111", "377" },
      { "0", "00", "00000000", "0" },
      { "-128", "80", "10000000", "-200" },
      { "8", "08", "00001000", "10" },
      { "65536", "010000", "000000010000000000000000", "200000" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, c.text, 0), 0);
      EXPECT_EQ(toString(&ctxt.c, b, 16), c.hex);
      EXPECT_EQ(toString(&ctxt.c, b, 2), c.bin);
      EXPECT_EQ(toString(&ctxt.c, b, 8), c.oct);
      // The octal text reads back to the same value.
      ASN1BigInt back;
      rtBigIntInit(&back);
      ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &back, c.oct, 8), 0);
      EXPECT_EQ(back.sign, b.sign);
      EXPECT_EQ(magOf(back), magOf(b));
      EXPECT_EQ(toString(&ctxt.c, b, 7), "error -30");
   }
}

TEST(BigInt, OutputNeverPassesBufsize)
{
   Ctxt ctxt;
   ASN1BigInt b;
   rtBigIntInit(&b);
   ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, "-129", 10), 0);
   struct Case { int radix; const char* text; };
   const Case cases[] = { { 10, "-129" }, { 16, "ff7f" }, { 2, "1111111101111111" }, { 8, "-201" } };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.radix);
      size_t exact = strlen(c.text) + 1;
      std::vector<char> fits(exact), shortBuf(exact - 1);   // exact sizes: ASan sees overruns
      EXPECT_EQ(rtBigIntToString(&ctxt.c, &b, c.radix, fits.data(), (OSUINT32)exact), 0);
      EXPECT_STREQ(fits.data(), c.text);
      EXPECT_EQ(rtBigIntToString(&ctxt.c, &b, c.radix, shortBuf.data(), (OSUINT32)exact - 1),
                ASN1ERR_STRING_OVERFLOW);
   }
   OSOCTET one[1];
   EXPECT_EQ(rtBigIntGetData(&ctxt.c, &b, one, 1), ASN1ERR_STRING_OVERFLOW);
   EXPECT_EQ(ctxt.c.errInfo.status, ASN1ERR_STRING_OVERFLOW);
}

TEST(BigInt, DataLenBoundaries)
{
   struct Case { const char* text; int len; };
   const Case cases[] = {
      { "0", 1 }, { "127", 1 }, { "128", 2 }, { "-128", 1 }, { "-129", 2 },
      { "32767", 2 }, { "32768", 3 }, { "-32768", 2 }, { "-32769", 3 }, { "-256", 2 }, { "-255", 2 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, c.text, 10), 0);
      EXPECT_EQ(rtBigIntGetDataLen(&b), c.len);
   }
}

TEST(BigInt, CallerStorageUsedUntilTooSmall)
{
   CountingHooks hooks;
   Ctxt ctxt;
   long base = hooks.live();
   OSOCTET store[4];
   ASN1BigInt b;
   rtBigIntInit(&b);
   b.mag = store;
   b.allocated = sizeof store;
   ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, "0x01020304", 0), 0);
   EXPECT_EQ(b.mag, store);
   EXPECT_EQ(b.dynamic, 0);
   EXPECT_EQ(hooks.live(), base);
   ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, "0x0102030405", 0), 0);
   EXPECT_NE(b.mag, store);
   EXPECT_EQ(b.dynamic, 1);
   EXPECT_EQ(magOf(b), (std::vector<OSOCTET>{ 1, 2, 3, 4, 5 }));
   rtBigIntFree(&ctxt.c, &b);
   EXPECT_EQ(hooks.live(), base);
   EXPECT_EQ(b.mag, nullptr);
}

TEST(BigInt, DigitsNum)
{
   ASN1BigInt b;
   rtBigIntInit(&b);
   b.numocts = 3;
   EXPECT_EQ(rtBigIntDigitsNum(&b, 10), 4 * 8192 / 3402);
   EXPECT_EQ(rtBigIntDigitsNum(&b, 16), 8);
   EXPECT_EQ(rtBigIntDigitsNum(&b, 2), 32);
   EXPECT_EQ(rtBigIntDigitsNum(&b, 3), ASN1ERR_INVALID_PARAM);
   EXPECT_EQ(rtBigIntBitsPerDigit[5], 3402);
   EXPECT_EQ(rtBigIntDigitsPerByte[4], 2);
   EXPECT_EQ(rtBigIntByteRadix[5], 100);
}

TEST(BigInt, StrCompare)
{
   struct Case { const char* a; const char* b; int result; };
   const Case cases[] = {
      { "10", "9", 1 }, { "-10", "-9", -1 }, { "0x10", "16", 0 }, { "-1", "0", -1 },
      { "0", "-0", 0 }, { "0xFF", "-1", 0 }, { "256", "255", 1 }, { "-256", "255", -1 },
      { "123456789012345678901234567890", "123456789012345678901234567891", -1 },
      { "0b1000", "0o10", 0 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
      Ctxt ctxt;
      EXPECT_EQ(rtBigIntStrCompare(&ctxt.c, c.a, c.b), c.result);
      EXPECT_EQ(rtBigIntStrCompare(&ctxt.c, c.b, c.a), -c.result);
   }
   Ctxt ctxt;
   EXPECT_EQ(rtBigIntStrCompare(&ctxt.c, "12x", "1"), ASN1ERR_BAD_VALUE);
}

// Decimal text of 10^k by the school method, to check big conversions.
std::string powerOfTen(int k) { return "1" + std::string((size_t)k, '0'); }

TEST(BigInt, ThousandsOfDigitsRoundTrip)
{
   CountingHooks hooks;
   {
      Ctxt ctxt;
      // 5000 decimal digits with a varied pattern, positive and negative.
      std::string digits;
      for (int i = 0; i < 5000; i++) digits += (char)('1' + (i * 7) % 9);
      for (const std::string& text : { digits, "-" + digits, powerOfTen(4000) }) {
         ASN1BigInt b;
         rtBigIntInit(&b);
         ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, text.c_str(), 10), 0);
         std::vector<char> out((size_t)rtBigIntDigitsNum(&b, 10) + 2);
         ASSERT_EQ(rtBigIntToString(&ctxt.c, &b, 10, out.data(), (OSUINT32)out.size()), 0);
         EXPECT_EQ(std::string(out.data()), text);

         // Hexadecimal form reads back as the same two's-complement value.
         std::vector<char> hex((size_t)rtBigIntGetDataLen(&b) * 2 + 3);
         hex[0] = '0';
         hex[1] = 'x';
         ASSERT_EQ(rtBigIntToString(&ctxt.c, &b, 16, hex.data() + 2, (OSUINT32)hex.size() - 2), 0);
         ASN1BigInt back;
         rtBigIntInit(&back);
         ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &back, hex.data(), 0), 0);
         EXPECT_EQ(back.sign, b.sign);
         EXPECT_EQ(magOf(back), magOf(b));
         rtBigIntFree(&ctxt.c, &back);
         rtBigIntFree(&ctxt.c, &b);
      }
   }
   EXPECT_EQ(hooks.live(), 0);
}

TEST(BigInt, OutOfMemoryIsReported)
{
   CountingHooks hooks;
   Ctxt ctxt;
   ASN1BigInt b;
   rtBigIntInit(&b);
   hooks.failAfter(0);
   EXPECT_EQ(rtBigIntSetStr(&ctxt.c, &b, "123456", 10), ASN1ERR_NO_MEMORY);
   hooks.failAfter(-1);
   EXPECT_EQ(ctxt.c.errInfo.status, ASN1ERR_NO_MEMORY);
}

}  // namespace
