// XER value decoders: accepted and rejected texts of each, the octet and bit
// collectors, and the bounds of the text they read.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "asn1XerCppTypes.h"
#include "rtError.h"

namespace {

// A decode buffer whose context text can be set for each case.
class XerDec : public ::testing::Test {
protected:
   XerDec() : buf(nullptr, 0) {}

   ASN1CTXT* setText(const std::string& s)
   {
      store.assign(s.begin(), s.end());
      store.push_back(0);
      rtErrReset(&buf.getCtxtPtr()->errInfo);
      EXPECT_EQ(0, buf.initBuffer(store.data()));
      return buf.getCtxtPtr();
   }

   // Installs the octets of a memory buffer, as a handler does at the end of
   // a component.
   ASN1CTXT* finalize(ASN1MemBuf& mb)
   {
      rtErrReset(&buf.getCtxtPtr()->errInfo);
      return ASN1XERSAXDecodeHandler::finalizeMemBuf(&buf, mb);
   }

   ASN1XERDecodeBuffer buf;
   std::vector<char> store;
};

TEST_F(XerDec, Int)
{
   static const struct { const char* in; int stat; int value; } cases[] = {
      { "42", 0, 42 },
      { "  -42", 0, -42 },
      { "\t\r\n7", 0, 7 },
      { "", 0, 0 },
      { "   ", 0, 0 },
      { "-", 0, 0 },
      { "007", 0, 7 },
      { "2147483647", 0, 2147483647 },
      { "-2147483648", 0, -2147483647 - 1 },
      { "2147483648", ASN1ERR_TOO_BIG, 0 },
      { "-2147483649", ASN1ERR_TOO_BIG, 0 },
      { "99999999999999999999999", ASN1ERR_TOO_BIG, 0 },
      { "42 ", ASN1ERR_INVALID_CHAR, 0 },
      { "+1", ASN1ERR_INVALID_CHAR, 0 },
      { "1-", ASN1ERR_INVALID_CHAR, 0 },
      { "--1", ASN1ERR_INVALID_CHAR, 0 },
      { "0x10", ASN1ERR_INVALID_CHAR, 0 },
      { "1 2", ASN1ERR_INVALID_CHAR, 0 },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.in + "\"");
      ASN1CTXT* p = setText(c.in);
      int v = 99;
      EXPECT_EQ(c.stat, xerDecInt(p, &v));
      if (c.stat == 0) {
         EXPECT_EQ(c.value, v);
      }
      EXPECT_EQ(c.stat, p->errInfo.status);
   }
}

TEST_F(XerDec, UIntAndUInt16)
{
   static const struct { const char* in; int stat; unsigned value; int stat16; } cases[] = {
      { "0", 0, 0, 0 },
      { " 65535", 0, 65535, 0 },
      { "65536", 0, 65536, ASN1ERR_TOO_BIG },
      { "4294967295", 0, 4294967295U, ASN1ERR_TOO_BIG },
      { "4294967296", ASN1ERR_TOO_BIG, 0, ASN1ERR_TOO_BIG },
      { "", 0, 0, 0 },
      { "-1", ASN1ERR_INVALID_CHAR, 0, ASN1ERR_INVALID_CHAR },
      { "12x", ASN1ERR_INVALID_CHAR, 0, ASN1ERR_INVALID_CHAR },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.in + "\"");
      unsigned v = 99;
      EXPECT_EQ(c.stat, xerDecUInt(setText(c.in), &v));
      if (c.stat == 0) {
         EXPECT_EQ(c.value, v);
      }
      OSUINT16 v16 = 99;
      EXPECT_EQ(c.stat16, xerDecUInt16(setText(c.in), &v16));
      if (c.stat16 == 0) {
         EXPECT_EQ(c.value, v16);
      }
   }
}

TEST_F(XerDec, Bool)
{
   static const struct { const char* in; int stat; OSBOOL value; } cases[] = {
      { "true", 0, 1 }, { " true", 0, 1 }, { "false", 0, 0 }, { "\nfalse", 0, 0 },
      { "TRUE", ASN1ERR_BAD_VALUE, 0 }, { "true ", ASN1ERR_BAD_VALUE, 0 },
      { "tru", ASN1ERR_BAD_VALUE, 0 }, { "truex", ASN1ERR_BAD_VALUE, 0 },
      { "1", ASN1ERR_BAD_VALUE, 0 }, { "", ASN1ERR_BAD_VALUE, 0 },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.in + "\"");
      OSBOOL v = 7;
      EXPECT_EQ(c.stat, xerDecBool(setText(c.in), &v));
      if (c.stat == 0) {
         EXPECT_EQ(c.value, v);
      }
   }
}

TEST_F(XerDec, ObjId)
{
   std::string arcs128 = "1";
   for (int i = 1; i < 128; i++) arcs128 += ".1";
   static const struct { const char* in; int stat; OSUINT32 numids; OSUINT32 last; } cases[] = {
      { "1.2.840.113549", 0, 4, 113549 },
      { "  2.999.1 \n", 0, 3, 1 },
      { "0.39", 0, 2, 39 },
      { "1.2.4294967295", 0, 3, 4294967295U },
      { "3.1", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1.40", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1..2", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1.2.", ASN1ERR_INVALID_OBJID, 0, 0 },
      { ".1.2", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1.2 x", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1.2.-3", ASN1ERR_INVALID_OBJID, 0, 0 },
      { "1.2.4294967296", ASN1ERR_INVALID_OBJID, 0, 0 },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.in + "\"");
      ASN1OBJID oid;
      EXPECT_EQ(c.stat, xerDecObjId(setText(c.in), &oid));
      if (c.stat == 0) {
         EXPECT_EQ(c.numids, oid.numids);
         EXPECT_EQ(c.last, oid.subid[oid.numids - 1]);
      }
   }
   ASN1OBJID oid;
   EXPECT_EQ(0, xerDecObjId(setText(arcs128), &oid));
   EXPECT_EQ(128u, oid.numids);
   EXPECT_EQ(ASN1ERR_INVALID_OBJID, xerDecObjId(setText(arcs128 + ".1"), &oid));
}

TEST_F(XerDec, BigInt)
{
   static const struct { const char* in; int radix; int stat; const char* out; } cases[] = {
      { "123456789012345678901234567890", 10, 0, "123456789012345678901234567890" },
      { "  -5 ", 10, 0, "-5" },
      { "007", 10, 0, "007" },
      { "255", 16, 0, "0x00ff" },
      { "-129", 16, 0, "0xff7f" },
      { "5", 2, 0, "0b00000101" },
      { "8", 8, 0, "0o10" },
      { "0", 8, 0, "0o0" },
      { "-", 10, ASN1ERR_BAD_VALUE, nullptr },
      { "", 10, ASN1ERR_BAD_VALUE, nullptr },
      { "12a", 10, ASN1ERR_BAD_VALUE, nullptr },
      { "1-2", 10, ASN1ERR_BAD_VALUE, nullptr },
      { "12 34", 10, ASN1ERR_BAD_VALUE, nullptr },
      { "0x10", 16, ASN1ERR_BAD_VALUE, nullptr },
      { "10", 3, ASN1ERR_INVALID_PARAM, nullptr },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.in + "\"");
      const char* v = "unset";
      EXPECT_EQ(c.stat, xerDecBigInt(setText(c.in), &v, c.radix));
      if (c.stat == 0) {
         EXPECT_STREQ(c.out, v);
      }
      else {
         EXPECT_EQ(nullptr, v);
      }
   }

   // Long tokens: a heap copy for the conversion, and the size limit of the
   // conversions in every radix (tests/test_bigint_limit.cpp has its edge).
   std::string longDec(600, '9');
   const char* v = nullptr;
   ASSERT_EQ(0, xerDecBigInt(setText(longDec), &v, 16));
   EXPECT_EQ(0, strncmp(v, "0x", 2));
   std::string tooLong(XER_MAX_BIGINT_CONV_DIGITS + 1, '1');
   EXPECT_EQ(ASN1ERR_TOO_BIG, xerDecBigInt(setText(tooLong), &v, 16));
   EXPECT_EQ(ASN1ERR_TOO_BIG, xerDecBigInt(setText(tooLong), &v, 10));
   std::string longest(XER_MAX_BIGINT_CONV_DIGITS - 1, '9');
   ASSERT_EQ(0, xerDecBigInt(setText(longest), &v, 10));
   EXPECT_EQ(longest, v);
}

TEST_F(XerDec, CharacterStrings)
{
   const char* s = nullptr;
   ASSERT_EQ(0, xerDecDynUTF8Str(setText("caf\xC3\xA9 & co"), &s));
   EXPECT_STREQ("caf\xC3\xA9 & co", s);
   ASSERT_EQ(0, xerDecDynAscCharStr(setText("caf\xC3\xA9"), &s));
   EXPECT_STREQ("caf\xE9", s);
   ASSERT_EQ(0, xerDecDynAscCharStr(setText(""), &s));
   EXPECT_STREQ("", s);
   EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerDecDynAscCharStr(setText("a\xC3\x41"), &s));
   EXPECT_EQ(nullptr, s);

   ASN1BMPString bmp;
   ASSERT_EQ(0, xerDecBMPStr(setText("a\xC3\xA9\xE2\x82\xAC"), &bmp));
   ASSERT_EQ(3u, bmp.nchars);
   EXPECT_EQ(0x61, bmp.data[0]);
   EXPECT_EQ(0xE9, bmp.data[1]);
   EXPECT_EQ(0x20AC, bmp.data[2]);
   EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerDecBMPStr(setText("\xF0\x9F\x98\x80"), &bmp))
      << "outside the BMP";
   EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerDecBMPStr(setText("\x80"), &bmp));
   ASSERT_EQ(0, xerDecBMPStr(setText(""), &bmp));
   EXPECT_EQ(0u, bmp.nchars);

   ASN1UniversalString ucs;
   ASSERT_EQ(0, xerDecUnivStr(setText("x\xF0\x9F\x98\x80"), &ucs));
   ASSERT_EQ(2u, ucs.nchars);
   EXPECT_EQ(0x1F600u, ucs.data[1]);
   EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerDecUnivStr(setText("\xE2\x82"), &ucs)) << "cut short";

   EXPECT_EQ(1, xerCmpText("abc", "abc"));
   EXPECT_EQ(0, xerCmpText("abc", "abd"));
   EXPECT_EQ(0, xerCmpText("abc", "ab"));
   EXPECT_EQ(0, xerCmpText(nullptr, nullptr));
}

TEST_F(XerDec, DecodersStopAtTheEndOfTheText)
{
   // A buffer without terminator: only its size counts.
   char digits[] = { '1', '2', '3', '4', '5', '6' };
   ASN1CTXT* p = buf.getCtxtPtr();
   ASSERT_EQ(0, rtInitContextBuffer(p, reinterpret_cast<OSOCTET*>(digits), 3));
   int v = 0;
   EXPECT_EQ(0, xerDecInt(p, &v));
   EXPECT_EQ(123, v);
   const char* s = nullptr;
   EXPECT_EQ(0, xerDecDynUTF8Str(p, &s));
   EXPECT_STREQ("123", s);
   // A UTF-8 lead octet at the very end is not completed from beyond it.
   char lead[] = { 'a', '\xE2', '\x82', '\xAC' };
   ASSERT_EQ(0, rtInitContextBuffer(p, reinterpret_cast<OSOCTET*>(lead), 2));
   ASN1UniversalString ucs;
   EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerDecUnivStr(p, &ucs));
   // The read position counts: the text starts at byteIndex.
   ASSERT_EQ(0, rtInitContextBuffer(p, reinterpret_cast<OSOCTET*>(digits), 6));
   p->buffer.byteIndex = 4;
   EXPECT_EQ(0, xerDecInt(p, &v));
   EXPECT_EQ(56, v);
   p->buffer.byteIndex = 9;
   EXPECT_EQ(0, xerDecInt(p, &v));
   EXPECT_EQ(0, v);
}

TEST_F(XerDec, OctetCollectorAcrossPieces)
{
   static const struct {
      std::vector<const char*> pieces;
      OSBOOL skip;
      int stat;
      std::vector<OSOCTET> octets;
   } cases[] = {
      { { "0AFF" }, TRUE, 0, { 0x0A, 0xFF } },
      { { "A", "BC", "D" }, TRUE, 0, { 0xAB, 0xCD } },
      { { "ab", "c" }, TRUE, 0, { 0x0A, 0xBC } },          // odd: moved right
      { { " 0a\n", "\tfF " }, TRUE, 0, { 0x0A, 0xFF } },
      { { "" }, TRUE, 0, {} },
      { { "0A FF" }, FALSE, ASN1ERR_INVALID_HEX, {} },
      { { "0G" }, TRUE, ASN1ERR_INVALID_HEX, {} },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.pieces[0]);
      ASN1MemBuf mb;
      rtMemBufInit(buf.getCtxtPtr(), &mb, 4);
      int stat = 0;
      for (const char* piece : c.pieces) {
         stat = xerDecOctStrMemBuf(&mb, piece, (int)strlen(piece), c.skip);
         if (stat != 0) break;
      }
      EXPECT_EQ(c.stat, stat);
      if (stat != 0) continue;
      ASN1CTXT* p = finalize(mb);
      ASN1DynOctStr dyn;
      ASSERT_EQ(0, xerDecCopyDynOctStr(p, &dyn, (int)mb.bitOffset));
      EXPECT_EQ(c.octets, std::vector<OSOCTET>(dyn.data, dyn.data + dyn.numocts));

      OSOCTET fixed[2];
      OSUINT32 n = 0;
      EXPECT_EQ(0, xerDecCopyOctStr(p, fixed, &n, 2, (int)mb.bitOffset));
      EXPECT_EQ(c.octets.size(), n);
      EXPECT_EQ(c.octets, std::vector<OSOCTET>(fixed, fixed + n));
      if (n > 0) {
         EXPECT_EQ(ASN1ERR_STRING_OVERFLOW, xerDecCopyOctStr(p, fixed, &n, 1, 0));
      }
   }
}

TEST_F(XerDec, BitCollectorAcrossPieces)
{
   static const struct {
      std::vector<const char*> pieces;
      int stat;
      OSUINT32 numbits;
      std::vector<OSOCTET> octets;
   } cases[] = {
      { { "1010", "11000001" }, 0, 12, { 0xAC, 0x10 } },
      { { "10101100" }, 0, 8, { 0xAC } },
      { { "1", "0", "1 1\n" }, 0, 4, { 0xB0 } },
      { { "101010110" }, 0, 9, { 0xAB, 0x00 } },
      { { "" }, 0, 0, {} },
      { { "102" }, ASN1ERR_INVALID_BINARY, 0, {} },
      // Runs of eight digits that start an octet are taken at once; a run
      // that starts mid-piece, or that holds white space, must give the same.
      { { "10", "11000011101010" }, 0, 16, { 0xB0, 0xEA } },
      { { "1100 0011\t10101010" }, 0, 16, { 0xC3, 0xAA } },
      { { "11110000101x1010" }, ASN1ERR_INVALID_BINARY, 0, {} },
      { { "1111000020101010" }, ASN1ERR_INVALID_BINARY, 0, {} },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.pieces[0]);
      ASN1MemBuf mb;
      rtMemBufInit(buf.getCtxtPtr(), &mb, 4);
      int stat = 0;
      for (const char* piece : c.pieces) {
         stat = xerDecBitStrMemBuf(&mb, piece, (int)strlen(piece), TRUE);
         if (stat != 0) break;
      }
      EXPECT_EQ(c.stat, stat);
      if (stat != 0) continue;
      ASN1CTXT* p = finalize(mb);
      ASN1DynBitStr dyn;
      ASSERT_EQ(0, xerDecCopyDynBitStr(p, &dyn, (int)mb.bitOffset));
      EXPECT_EQ(c.numbits, dyn.numbits);
      EXPECT_EQ(c.octets, std::vector<OSOCTET>(dyn.data, dyn.data + (dyn.numbits + 7) / 8));
      OSOCTET fixed[2];
      OSUINT32 numbits = 0;
      EXPECT_EQ(0, xerDecCopyBitStr(p, fixed, &numbits, 2, (int)mb.bitOffset));
      EXPECT_EQ(c.numbits, numbits);
   }
   EXPECT_EQ(ASN1ERR_INVALID_BINARY, [] {
      ASN1MemBuf mb;
      ASN1CTXT c;
      rtInitContext(&c, nullptr);
      rtMemBufInit(&c, &mb, 4);
      int stat = xerDecBitStrMemBuf(&mb, "1 0", 3, FALSE);
      rtFreeContext(&c);
      return stat;
   }()) << "white space is data unless skipped";
}

TEST_F(XerDec, FinalizeMemBufTerminatesWithoutCounting)
{
   ASN1MemBuf mb;
   rtMemBufInit(buf.getCtxtPtr(), &mb, 4);
   ASSERT_EQ(0, rtMemBufAppend(&mb, "1234", 4));     // exactly fills a segment
   ASN1CTXT* p = finalize(mb);
   EXPECT_EQ(buf.getCtxtPtr(), p);
   EXPECT_EQ(4u, p->buffer.size);
   EXPECT_EQ(mb.buffer, p->buffer.data);
   EXPECT_EQ(0, p->buffer.data[4]);
   int v = 0;
   EXPECT_EQ(0, xerDecInt(p, &v));
   EXPECT_EQ(1234, v);

   // The decode buffer's own text form counts the terminator.
   char name[] = "true";
   ASSERT_EQ(0, buf.initBuffer(name));
   EXPECT_EQ(5u, p->buffer.size);
   OSBOOL b = 0;
   EXPECT_EQ(0, xerDecBool(p, &b));
   EXPECT_EQ(1, b);
   EXPECT_EQ(ASN1ERR_NOT_SUPPORTED, buf.initBuffer(static_cast<unsigned short*>(nullptr)));
   EXPECT_EQ(ASN1ERR_INVALID_PARAM, buf.initBuffer(static_cast<char*>(nullptr)));
   EXPECT_TRUE(buf.isA(ASN1MessageBufferIF::XERDecode));
   EXPECT_FALSE(buf.isA(ASN1MessageBufferIF::XEREncode));
}

}  // namespace
