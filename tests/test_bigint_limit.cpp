// The size limit of the big-integer text conversions, ASN_K_MAXBIGINTBITS:
// every conversion between the binary form and decimal (or octal) text
// accepts the largest value below 2^65536 and refuses 2^65536 and anything
// longer with -33, on the reading and the writing side alike.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "asn1ber.h"
#include "asn1type.h"
#include "asn1xer.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c); }
};

const size_t kLimitOctets = ASN_K_MAXBIGINTBITS / 8;

// Hexadecimal text of 2^65536 - 1 (the largest value within the limit) and
// of 2^65536 (the smallest beyond it), as the BER decoder writes them.
std::string hexLargest() { return "0x00" + std::string(2 * kLimitOctets, 'f'); }
std::string hexBeyond() { return "0x01" + std::string(2 * kLimitOctets, '0'); }

// Decimal text of a hexadecimal one, through the run-time.
std::string decimalOf(const std::string& hex)
{
   Ctxt ctxt;
   ASN1BigInt b;
   rtBigIntInit(&b);
   EXPECT_EQ(rtBigIntSetStr(&ctxt.c, &b, hex.c_str(), 0), 0);
   std::vector<char> out((size_t)rtBigIntDigitsNum(&b, 10) + 2);
   EXPECT_EQ(rtBigIntToString(&ctxt.c, &b, 10, out.data(), (OSUINT32)out.size()), 0);
   rtBigIntFree(&ctxt.c, &b);
   return out.data();
}

// n + 1 for a decimal text n.
std::string plusOne(std::string n)
{
   for (size_t i = n.size(); i-- > 0;) {
      if (n[i] != '9') {
         n[i]++;
         return n;
      }
      n[i] = '0';
   }
   return "1" + n;
}

struct Texts {
   std::string largest;   // 2^65536 - 1, 19729 digits
   std::string beyond;    // 2^65536, 19729 digits too
   std::string longer;    // 19730 digits
};

const Texts& texts()
{
   static const Texts t = [] {
      Texts x;
      x.largest = decimalOf(hexLargest());
      x.beyond = plusOne(x.largest);
      x.longer = "1" + std::string(ASN_K_MAXBIGINTDIGITS, '0');
      return x;
   }();
   return t;
}

TEST(BigIntLimit, LargestValueHasTheDigitsOfTheLimit)
{
   EXPECT_EQ(texts().largest.size(), (size_t)ASN_K_MAXBIGINTDIGITS);
   EXPECT_EQ(texts().beyond.size(), (size_t)ASN_K_MAXBIGINTDIGITS);
   // Leading zeros do not count; one digit fewer always fits.
   Ctxt ctxt;
   std::string padded = std::string(100000, '0') + texts().largest;
   EXPECT_EQ(rtBigIntCheckDecimal(&ctxt.c, padded.data(), padded.size()), 0);
   std::string nines(ASN_K_MAXBIGINTDIGITS - 1, '9');
   EXPECT_EQ(rtBigIntCheckDecimal(&ctxt.c, nines.data(), nines.size()), 0);
   EXPECT_EQ(rtBigIntCheckDecimal(&ctxt.c, "12a", 3), ASN1ERR_BAD_VALUE);
}

// The parsers: at the limit and one past it, in decimal and octal, with
// either sign.
TEST(BigIntLimit, TextParsers)
{
   const std::string octalLargest = std::string(1, '1') + std::string(ASN_K_MAXBIGINTBITS / 3, '7');   // 2^65536 - 1
   const std::string octalBeyond = "2" + std::string(ASN_K_MAXBIGINTBITS / 3, '0');                    // 2^65536
   struct Case { std::string text; int radix; int stat; };
   const Case cases[] = {
      { texts().largest, 10, 0 },
      { "-" + texts().largest, 10, 0 },
      { texts().beyond, 10, ASN1ERR_TOO_BIG },
      { "-" + texts().beyond, 10, ASN1ERR_TOO_BIG },
      { texts().longer, 10, ASN1ERR_TOO_BIG },
      { texts().longer, 0, ASN1ERR_TOO_BIG },
      { octalLargest, 8, 0 },
      { octalBeyond, 8, ASN1ERR_TOO_BIG },
      { "0o" + octalBeyond, 0, ASN1ERR_TOO_BIG },
      // Hexadecimal is linear and has no such limit.
      { hexBeyond(), 0, 0 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 12) + "... radix " + std::to_string(c.radix));
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      EXPECT_EQ(rtBigIntSetStr(&ctxt.c, &b, c.text.c_str(), c.radix), c.stat);
      EXPECT_EQ(ctxt.c.errInfo.status, c.stat);
      if (c.stat == 0) {
         EXPECT_GE(b.numocts, (OSINT32)kLimitOctets);
      }
      rtBigIntFree(&ctxt.c, &b);
   }
}

// The writers: the largest value converts in every radix; the next is
// refused in decimal and octal, not in hexadecimal and binary.
TEST(BigIntLimit, TextWriters)
{
   for (const std::string& hex : { hexLargest(), hexBeyond() }) {
      const bool within = hex == hexLargest();
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, hex.c_str(), 0), 0);
      for (int radix : { 10, 8, 16, 2 }) {
         SCOPED_TRACE(std::to_string(radix) + (within ? " within" : " beyond"));
         std::vector<char> out((size_t)rtBigIntDigitsNum(&b, radix) + 2);
         int expected = (within || radix == 16 || radix == 2) ? 0 : ASN1ERR_TOO_BIG;
         EXPECT_EQ(rtBigIntToString(&ctxt.c, &b, radix, out.data(), (OSUINT32)out.size()), expected);
      }
      rtBigIntFree(&ctxt.c, &b);
   }
   EXPECT_EQ(decimalOf(hexLargest()), texts().largest);
}

// The bound of the digits needed holds for long values (the table's rounded
// bits per digit alone fall short past some thousand octets).
TEST(BigIntLimit, DigitsNumIsAnUpperBound)
{
   Ctxt ctxt;
   ASN1BigInt b;
   rtBigIntInit(&b);
   ASSERT_EQ(rtBigIntSetStr(&ctxt.c, &b, hexLargest().c_str(), 0), 0);
   EXPECT_GE(rtBigIntDigitsNum(&b, 10), ASN_K_MAXBIGINTDIGITS);
   b.numocts = 200 * 1024;   // the bound alone, for a 200 KB magnitude
   EXPECT_GE((double)rtBigIntDigitsNum(&b, 10), 200.0 * 1024 * 2.40824);
   b.numocts = (OSINT32)kLimitOctets;
   rtBigIntFree(&ctxt.c, &b);
}

// XER and DER: every INTEGER value the XER reader takes can be written as
// DER and as XER, and what the writers refuse the reader refuses too.
TEST(BigIntLimit, XerReadAndWriteAgree)
{
   struct Case { std::string text; int stat; };
   const Case cases[] = {
      { texts().largest, 0 },
      { "-" + texts().largest, 0 },
      { texts().beyond, ASN1ERR_TOO_BIG },
      { "-" + texts().beyond, ASN1ERR_TOO_BIG },
      { texts().longer, ASN1ERR_TOO_BIG },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 12) + "... of " + std::to_string(c.text.size()));
      for (int radix : { 10, 16 }) {
         Ctxt ctxt;
         ASSERT_EQ(rtInitContextBuffer(&ctxt.c, (OSOCTET*)const_cast<char*>(c.text.c_str()),
                                       (OSUINT32)c.text.size() + 1), 0);
         const char* value = nullptr;
         EXPECT_EQ(xerDecBigInt(&ctxt.c, &value, radix), c.stat);
         if (c.stat != 0) continue;
         // DER of the value read.
         ASSERT_EQ(xe_setp(&ctxt.c, nullptr, 0), 0);
         EXPECT_GT(xe_bigint(&ctxt.c, value, ASN1TAG_EXPLICIT), (int)kLimitOctets);
         // XER of the value read.
         ASSERT_EQ(xerSetEncBufPtr(&ctxt.c, nullptr, 0, FALSE), 0);
         EXPECT_EQ(xerEncBigInt(&ctxt.c, value, "v"), 0);
      }
      // The writers on their own refuse the same texts.
      Ctxt ctxt;
      ASSERT_EQ(xe_setp(&ctxt.c, nullptr, 0), 0);
      int len = xe_bigint(&ctxt.c, c.text.c_str(), ASN1TAG_EXPLICIT);
      EXPECT_EQ(len < 0 ? len : 0, c.stat);
      ASSERT_EQ(xerSetEncBufPtr(&ctxt.c, nullptr, 0, FALSE), 0);
      EXPECT_EQ(xerEncBigInt(&ctxt.c, c.text.c_str(), "v"), c.stat);
   }
   // The DER decoder's hexadecimal text: within the limit it becomes
   // decimal, beyond it is refused before any conversion (a 200 KB value
   // included), while its DER form stays writable.
   const std::string huge = "0x7" + std::string(400 * 1024, 'a');
   for (const std::string& hex : { hexLargest(), hexBeyond(), huge }) {
      Ctxt ctxt;
      ASSERT_EQ(xerSetEncBufPtr(&ctxt.c, nullptr, 0, FALSE), 0);
      EXPECT_EQ(xerEncBigInt(&ctxt.c, hex.c_str(), "v"), hex == hexLargest() ? 0 : ASN1ERR_TOO_BIG);
      ASSERT_EQ(xe_setp(&ctxt.c, nullptr, 0), 0);
      EXPECT_GT(xe_bigint(&ctxt.c, hex.c_str(), ASN1TAG_EXPLICIT), (int)kLimitOctets);
   }
}

}  // namespace
