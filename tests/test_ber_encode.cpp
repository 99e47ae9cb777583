// BER/DER encoder primitives: exact octets per primitive, buffer growth and
// limits, open types and the DER ordering of SET OF.
#include <limits.h>
#include <string.h>

#include "BerTestUtil.h"
#include "CountingHooks.h"
#include "rtBigInt.h"
#include "rtMemHeap.h"

namespace {

// Encodes with `fn` into a fresh dynamic buffer; returns the octets, and the
// result in *pret.
template <class F>
Bytes encodeWith(F fn, int* pret = nullptr)
{
   TestCtxt t;
   t.encodeInit();
   int ret = fn(t.get());
   if (pret != nullptr) *pret = ret;
   Bytes out = t.encoded();
   if (ret >= 0) {
      EXPECT_EQ((size_t)ret, out.size());
   }
   return out;
}

TEST(BerEncode, IntegerForms)
{
   struct Case { int v; const char* hex; } cases[] = {
      { 0, "02 01 00" }, { 1, "02 01 01" }, { 127, "02 01 7F" }, { 128, "02 02 00 80" },
      { 255, "02 02 00 FF" }, { 256, "02 02 01 00" }, { -1, "02 01 FF" },
      { -128, "02 01 80" }, { -129, "02 02 FF 7F" }, { 32767, "02 02 7F FF" },
      { 32768, "02 03 00 80 00" }, { -32769, "02 03 FF 7F FF" },
      { INT_MAX, "02 04 7F FF FF FF" }, { INT_MIN, "02 04 80 00 00 00" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.v);
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_integer(p, &c.v, ASN1TAG_EXPLICIT); })),
                Hex(H(c.hex)));
      // Implicit: the content alone.
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_integer(p, &c.v, ASN1TAG_IMPLICIT); })),
                Hex(H(c.hex)).substr(6));
      Bytes e = encodeWith([&](ASN1CTXT* p) { return xe_enum(p, &c.v, ASN1TAG_EXPLICIT); });
      EXPECT_EQ(e[0], 0x0A);
   }
}

TEST(BerEncode, UnsignedForms)
{
   struct Case { unsigned v; const char* hex; } cases[] = {
      { 0, "02 01 00" }, { 127, "02 01 7F" }, { 128, "02 02 00 80" },
      { 0x7FFFFFFFu, "02 04 7F FF FF FF" }, { 0x80000000u, "02 05 00 80 00 00 00" },
      { 0xFFFFFFFFu, "02 05 00 FF FF FF FF" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.v);
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_unsigned(p, &c.v, ASN1TAG_EXPLICIT); })),
                Hex(H(c.hex)));
   }
   struct Case16 { OSUINT16 v; const char* hex; } cases16[] = {
      { 0, "02 01 00" }, { 0x7F, "02 01 7F" }, { 0x80, "02 02 00 80" },
      { 0x7FFF, "02 02 7F FF" }, { 0xFFFF, "02 03 00 FF FF" },
   };
   for (const Case16& c : cases16) {
      SCOPED_TRACE(c.v);
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_uint16(p, &c.v, ASN1TAG_EXPLICIT); })),
                Hex(H(c.hex)));
   }
}

TEST(BerEncode, NullValuePointersAreRejected)
{
   int ret;
   encodeWith([](ASN1CTXT* p) { return xe_integer(p, nullptr, ASN1TAG_EXPLICIT); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_BAD_VALUE);
   encodeWith([](ASN1CTXT* p) { return xe_boolean(p, nullptr, ASN1TAG_EXPLICIT); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_BAD_VALUE);
   encodeWith([](ASN1CTXT* p) { return xe_charstr(p, nullptr, ASN1TAG_EXPLICIT, 12); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_BAD_VALUE);
   encodeWith([](ASN1CTXT* p) { return xe_objid(p, nullptr, ASN1TAG_EXPLICIT); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_INVALID_OBJID);
   encodeWith([](ASN1CTXT* p) { return xe_memcpy(p, nullptr, 1); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_BAD_VALUE);
}

TEST(BerEncode, Lengths)
{
   struct Case { int len; const char* hex; } cases[] = {
      { 0, "00" }, { 127, "7F" }, { 128, "81 80" }, { 255, "81 FF" }, { 256, "82 01 00" },
      { 65535, "82 FF FF" }, { 65536, "83 01 00 00" }, { 0x1000000, "84 01 00 00 00" },
      { INT_MAX, "84 7F FF FF FF" }, { INDEFINITE_LENGTH, "80" }, { -5, "" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.len);
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_len(p, c.len); })), Hex(H(c.hex)));
   }
}

TEST(BerEncode, Tags)
{
   struct Case { ASN1TAG tag; const char* hex; } cases[] = {
      { 0x02, "02" }, { ASN1_TAG_SEQ, "30" }, { ASN1_TAG_SET, "31" },
      { TM_CTXT | 0, "80" }, { TM_CTXT | TM_CONS | 0, "A0" }, { TM_CTXT | 30, "9E" },
      { TM_CTXT | 31, "9F 1F" }, { TM_CTXT | 128, "9F 81 00" },
      { TM_APPL | TM_CONS | 1000, "7F 87 68" }, { TM_PRIV | 5, "C5" },
      { TM_UNIV | TM_IDCODE, "1F 81 FF FF FF 7F" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.tag);
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_tag(p, c.tag); })), Hex(H(c.hex)));
   }
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_identifier(p, 0); })), "00");
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_identifier(p, 0xFFFFFFFFu); })),
             "8F FF FF FF 7F");
}

TEST(BerEncode, TagLenPassesFailuresAndIndefinite)
{
   int ret;
   Bytes b = encodeWith([](ASN1CTXT* p) { return xe_tag_len(p, ASN1_TAG_SEQ, ASN1ERR_NO_MEMORY); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_NO_MEMORY);
   EXPECT_TRUE(b.empty());
   b = encodeWith([](ASN1CTXT* p) { return xe_tag_len(p, ASN1_TAG_SEQ, INDEFINITE_LENGTH); }, &ret);
   EXPECT_EQ(ret, 2);
   EXPECT_EQ(Hex(b), "30 80");
   // The returned length counts the content already written.
   b = encodeWith([](ASN1CTXT* p) {
      OSOCTET body[300] = {};
      int len = xe_octstr(p, body, sizeof body, ASN1TAG_IMPLICIT);
      return xe_tag_len(p, TM_CTXT | 40, len);
   }, &ret);
   EXPECT_EQ(ret, 300 + 3 + 2);
   EXPECT_EQ(Hex(b.data(), 5), "9F 28 82 01 2C");
}

TEST(BerEncode, SimpleTypes)
{
   OSBOOL t = 5, f = 0;
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_boolean(p, &t, ASN1TAG_EXPLICIT); })), "01 01 FF");
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_boolean(p, &f, ASN1TAG_EXPLICIT); })), "01 01 00");
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_null(p, ASN1TAG_EXPLICIT); })), "05 00");
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_null(p, ASN1TAG_IMPLICIT); })), "");
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_charstr(p, "Hi", ASN1TAG_EXPLICIT, 0x13); })),
             "13 02 48 69");
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_charstr(p, "", ASN1TAG_EXPLICIT, 0x0C); })),
             "0C 00");
   const OSOCTET oct[] = { 1, 2, 3 };
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_octstr(p, oct, 3, ASN1TAG_EXPLICIT); })),
             "04 03 01 02 03");
   EXPECT_EQ(Hex(encodeWith([](ASN1CTXT* p) { return xe_octstr(p, nullptr, 3, ASN1TAG_EXPLICIT); })),
             "04 00");
   OSUNICHAR bmp[] = { 0x0041, 0x20AC };
   Asn116BitCharString s16 = { 2, bmp };
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_16BitCharStr(p, &s16, ASN1TAG_EXPLICIT, 0x1E); })),
             "1E 04 00 41 20 AC");
   OS32BITCHAR ucs[] = { 0x1F600 };
   Asn132BitCharString s32 = { 1, ucs };
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_32BitCharStr(p, &s32, ASN1TAG_EXPLICIT, 0x1C); })),
             "1C 04 00 01 F6 00");
}

TEST(BerEncode, BitStrings)
{
   const OSOCTET bits[] = { 0xA5, 0xF0, 0x80 };
   struct Case { OSUINT32 numbits; const OSOCTET* data; const char* hex; } cases[] = {
      { 0, bits, "03 01 00" },
      { 1, bits, "03 02 07 A5" },              // unused bits written as given
      { 8, bits, "03 02 00 A5" },
      { 9, bits, "03 03 07 A5 F0" },
      { 17, bits, "03 04 07 A5 F0 80" },
      { 12, nullptr, "" },                     // no data: nothing at all
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.numbits);
      EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_bitstr(p, c.data, c.numbits, ASN1TAG_EXPLICIT); })),
                Hex(H(c.hex)));
   }
}

TEST(BerEncode, ObjectIdentifiers)
{
   struct Case { std::vector<OSUINT32> arcs; int ret; const char* hex; } cases[] = {
      { { 1, 2, 840 }, 5, "06 03 2A 86 48" },
      { { 2, 999 }, 4, "06 02 88 37" },
      { { 1, 3, 6, 1 }, 5, "06 03 2B 06 01" },
      { { 0, 0 }, 3, "06 01 00" },
      { { 2, 0xFFFFFFFFu - 80 }, 7, "06 05 8F FF FF FF 7F" },
      { { 1, 2, 0xFFFFFFFFu }, 8, "06 06 2A 8F FF FF FF 7F" },
      { { 1, 40 }, ASN1ERR_INVALID_OBJID, "" },
      { { 3, 1 }, ASN1ERR_INVALID_OBJID, "" },
      { { 1 }, ASN1ERR_INVALID_OBJID, "" },
      { { 2, 0xFFFFFFFFu }, ASN1ERR_INVALID_OBJID, "" },   // first subidentifier would wrap
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      ASN1OBJID oid;
      oid.numids = (OSUINT32)c.arcs.size();
      for (size_t i = 0; i < c.arcs.size(); i++) oid.subid[i] = c.arcs[i];
      int ret;
      Bytes b = encodeWith([&](ASN1CTXT* p) { return xe_objid(p, &oid, ASN1TAG_EXPLICIT); }, &ret);
      EXPECT_EQ(ret, c.ret);
      EXPECT_EQ(Hex(b), Hex(H(c.hex)));
   }
}

TEST(BerEncode, BigIntegerTexts)
{
   struct Case { const char* text; int ret; const char* hex; } cases[] = {
      { "0", 3, "02 01 00" },
      { "0xFF", 3, "02 01 FF" }, { "0xFFFF", 3, "02 01 FF" }, { "0x00FF", 4, "02 02 00 FF" },
      { "0x7F", 3, "02 01 7F" }, { "0x0", 3, "02 01 00" }, { "0x00", 3, "02 01 00" },
      { "0x080", 4, "02 02 00 80" }, { "0xff7f", 4, "02 02 FF 7F" }, { "0x123", 4, "02 02 01 23" },
      { "0x80", 3, "02 01 80" }, { "0x0800", 4, "02 02 08 00" },
      { "0b10000000", 3, "02 01 80" }, { "0b0101", 3, "02 01 05" }, { "0b11111111", 3, "02 01 FF" },
      { "-1", 3, "02 01 FF" }, { "255", 4, "02 02 00 FF" }, { "-129", 4, "02 02 FF 7F" },
      { "-128", 3, "02 01 80" }, { "128", 4, "02 02 00 80" },
      { "18446744073709551616", 11, "02 09 01 00 00 00 00 00 00 00 00" },
      { "", ASN1ERR_BAD_VALUE, "" }, { "0xZZ", ASN1ERR_BAD_VALUE, "" },
      { "0b102", ASN1ERR_BAD_VALUE, "" }, { "12a", ASN1ERR_BAD_VALUE, "" },
      { "0x1\xB1", ASN1ERR_BAD_VALUE, "" }, { "0xa1B2c3D4e", 7, "02 05 0A 1B 2C 3D 4E" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      TestCtxt t;
      t.encodeInit();
      int ret = xe_bigint(t.get(), c.text, ASN1TAG_EXPLICIT);
      EXPECT_EQ(ret, c.ret);
      EXPECT_EQ(Hex(t.encoded()), Hex(H(c.hex)));
      // Failures are recorded on the context.
      EXPECT_EQ(t.status(), c.ret < 0 ? c.ret : 0);
   }
   int ret;
   encodeWith([](ASN1CTXT* p) { return xe_bigint(p, nullptr, ASN1TAG_EXPLICIT); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_BAD_VALUE);
}

// The DER content of a "0x" text, worked out plainly: an odd count of digits
// is a positive value (a 0 nibble in front), an even count the two's
// complement octets; then the redundant leading 00 / FF octets go.
Bytes hexTextModel(const std::string& digits)
{
   std::string d = (digits.size() % 2) ? "0" + digits : digits;
   Bytes o = H(d.c_str());
   size_t i = 0;
   while (i + 1 < o.size() && ((o[i] == 0x00 && !(o[i + 1] & 0x80)) || (o[i] == 0xFF && (o[i + 1] & 0x80)))) i++;
   return Bytes(o.begin() + (long)i, o.end());
}

// The same text through the big-integer parser (the general path).
Bytes bigIntModel(const char* text)
{
   TestCtxt t;
   ASN1BigInt b;
   rtBigIntInit(&b);
   EXPECT_EQ(rtBigIntSetStr(t.get(), &b, text, 0), 0) << text;
   Bytes out((size_t)rtBigIntGetDataLen(&b));
   EXPECT_EQ(rtBigIntGetData(t.get(), &b, out.data(), (OSUINT32)out.size()), (int)out.size());
   rtBigIntFree(t.get(), &b);
   return out;
}

Bytes bigIntContent(const char* text, int* pret = nullptr)
{
   return encodeWith([&](ASN1CTXT* p) { return xe_bigint(p, text, ASN1TAG_IMPLICIT); }, pret);
}

// Decimal texts (up to 18 digits converted directly, longer ones by the
// big-integer parser) and hexadecimal texts (packed in one pass) against
// the general path and a plain model, over edge values and a run of
// pseudo-random ones.
TEST(BerEncode, BigIntegerTextsAgreeWithTheGeneralPath)
{
   const char* decimals[] = {
      "0", "-0", "1", "-1", "127", "128", "255", "256", "-128", "-129", "-255", "-256", "32767",
      "-32768", "-32769", "000127", "-000128", "2147483647", "-2147483648", "4294967296",
      "999999999999999999", "-999999999999999999", "1000000000000000000", "36028797018963967",
      "36028797018963968", "-36028797018963968", "-36028797018963969", "9223372036854775807",
      "-9223372036854775808", "9223372036854775808", "18446744073709551615", "18446744073709551616",
      "-18446744073709551616", "0000000000000000000000127", "123456789012345678901234567890",
   };
   for (const char* text : decimals) {
      SCOPED_TRACE(text);
      int ret;
      Bytes got = bigIntContent(text, &ret);
      EXPECT_EQ(Hex(got), Hex(bigIntModel(text)));
   }

   std::vector<std::string> hex = {
      "0", "00", "000", "7f", "80", "ff", "fF", "Ff00", "FFFF", "ff7f", "ff80", "00ff", "0080", "080",
      "8", "f", "fff", "0fff", "ffffffffffffffff", "ffffffffffffff7f", "7fffffffffffffff",
      "8000000000000000", "010000000000000000", "0000000000000000000001", "ffffffffffffffffffff",
      "FFFFFFFFFFFFFFFFFF80", "a1B2c3D4e5F6a7b8c9d0e1f2",
   };
   // Pseudo-random texts of 1 to 40 digits led by zeros, F digits or a
   // digit either side of 8.
   OSUINT32 seed = 12345;
   auto next = [&]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
   const char* digits = "0123456789abcdefABCDEF";
   const char* leads[] = { "", "0", "00", "000", "f", "ff", "fff", "FfFf", "7", "8" };
   for (int i = 0; i < 400; i++) {
      std::string t = leads[next() % 10];
      for (unsigned n = next() % 41; n > 0; n--) t += digits[next() % 22];
      if (t.empty()) t = "0";
      hex.push_back(t);
   }
   for (const std::string& d : hex) {
      const std::string text = "0x" + d;
      SCOPED_TRACE(text);
      EXPECT_EQ(Hex(bigIntContent(text.c_str())), Hex(hexTextModel(d)));
      // Even counts are the two's complement octets, as the parser reads them.
      if (d.size() % 2 == 0) {
         EXPECT_EQ(Hex(bigIntContent(text.c_str())), Hex(bigIntModel(text.c_str())));
      }
   }
}

// A malformed text leaves the encoding as it was, with -18 also when the
// caller's buffer has no room for it.
TEST(BerEncode, MalformedBigIntegerTextsWriteNothing)
{
   const char* texts[] = { "0x12G4", "0xfffg", "0x00z", "0xg", "0x12 ", "0x", "-", "--1", "1-", "12a",
                           "0x1\xB1", "99999999999999999x" };
   for (const char* text : texts) {
      SCOPED_TRACE(text);
      TestCtxt t;
      t.encodeInit();
      int v = 5;
      ASSERT_EQ(xe_integer(t.get(), &v, ASN1TAG_EXPLICIT), 3);
      EXPECT_EQ(xe_bigint(t.get(), text, ASN1TAG_EXPLICIT), ASN1ERR_BAD_VALUE);
      EXPECT_EQ(Hex(t.encoded()), "02 01 05");

      TestCtxt s;
      OSOCTET buf[3];
      ASSERT_EQ(xe_setp(s.get(), buf, sizeof buf), 0);
      EXPECT_EQ(xe_bigint(s.get(), text, ASN1TAG_EXPLICIT), ASN1ERR_BAD_VALUE);
   }
   // A well-formed text that does not fit is an overflow.
   TestCtxt s;
   OSOCTET buf[3];
   ASSERT_EQ(xe_setp(s.get(), buf, sizeof buf), 0);
   EXPECT_EQ(xe_bigint(s.get(), "0x123456", ASN1TAG_EXPLICIT), ASN1ERR_BUFFER_OVERFLOW);
   EXPECT_EQ(xe_bigint(s.get(), "1234567", ASN1TAG_EXPLICIT), ASN1ERR_BUFFER_OVERFLOW);
   EXPECT_EQ(xe_bigint(s.get(), "0x7f", ASN1TAG_IMPLICIT), 1);
}

TEST(BerEncode, CallerBufferHoldsSizeMinusOne)
{
   TestCtxt t;
   OSOCTET buf[4];
   ASSERT_EQ(xe_setp(t.get(), buf, sizeof buf), 0);
   int v = 5;
   EXPECT_EQ(xe_integer(t.get(), &v, ASN1TAG_EXPLICIT), 3);   // fills 3 of the 4
   EXPECT_EQ(xe_null(t.get(), ASN1TAG_EXPLICIT), ASN1ERR_BUFFER_OVERFLOW);
   EXPECT_EQ(Hex(t.encoded()), "02 01 05");                   // nothing written by the failure
   EXPECT_EQ(xe_getp(t.get()), buf);
   EXPECT_EQ(xe_setp(t.get(), buf, 0), ASN1ERR_INVALID_PARAM);
}

TEST(BerEncode, DynamicBufferGrowsKeepingTheEncoding)
{
   TestCtxt t;
   ASSERT_EQ(xe_setp(t.get(), nullptr, 8), 0);
   Bytes big(40000);
   for (size_t i = 0; i < big.size(); i++) big[i] = (OSOCTET)(i * 7);
   int v = -2;
   ASSERT_EQ(xe_integer(t.get(), &v, ASN1TAG_EXPLICIT), 3);
   int len = xe_octstr(t.get(), big.data(), (OSUINT32)big.size(), ASN1TAG_EXPLICIT);
   ASSERT_EQ(len, 40000 + 4);
   len = xe_tag_len(t.get(), ASN1_TAG_SEQ, len + 3);
   ASSERT_EQ(len, 40007 + 4);
   Bytes out = t.encoded();
   ASSERT_EQ(out.size(), (size_t)len);
   EXPECT_EQ(Hex(out.data(), 8), "30 82 9C 47 04 82 9C 40");
   EXPECT_EQ(memcmp(out.data() + len - 3 - 40000, big.data(), big.size()), 0);
   EXPECT_EQ(Hex(out.data() + len - 3, 3), "02 01 FE");
   xe_free(t.get());
   EXPECT_EQ(t.c.buffer.data, nullptr);
}

TEST(BerEncode, OpenTypes)
{
   int ret;
   // Only the first element is written.
   Bytes two = H("02 01 05 05 00");
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_OpenType(p, two.data(), (OSUINT32)two.size()); })),
             "02 01 05");
   Bytes indef = H("30 80 04 01 AA 30 80 00 00 00 00 FF");
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_OpenType(p, indef.data(), (OSUINT32)indef.size()); })),
             "30 80 04 01 AA 30 80 00 00 00 00");
   // The shortest indefinite-length element, alone: an empty one.
   Bytes empty = H("30 80 00 00");
   EXPECT_EQ(Hex(encodeWith([&](ASN1CTXT* p) { return xe_OpenType(p, empty.data(), (OSUINT32)empty.size()); })),
             "30 80 00 00");
   struct Bad { const char* hex; int ret; } bad[] = {
      { "00 00", ASN1ERR_BAD_VALUE },
      { "02 05 01", ASN1ERR_INVALID_LENGTH },          // longer than numocts
      { "30 80 02 01 05", ASN1ERR_END_OF_BUFFER },    // end-of-contents missing within numocts
      { "30", ASN1ERR_END_OF_BUFFER },
      { "30 80 00", ASN1ERR_END_OF_BUFFER },
   };
   for (const Bad& b : bad) {
      SCOPED_TRACE(b.hex);
      Bytes in = H(b.hex);
      Bytes out = encodeWith([&](ASN1CTXT* p) { return xe_OpenType(p, in.data(), (OSUINT32)in.size()); }, &ret);
      EXPECT_EQ(ret, b.ret);
      EXPECT_TRUE(out.empty());
   }
   encodeWith([](ASN1CTXT* p) { return xe_OpenType(p, nullptr, 3); }, &ret);
   EXPECT_EQ(ret, ASN1ERR_BAD_VALUE);
   encodeWith([](ASN1CTXT* p) { return xe_OpenType(p, nullptr, 0); }, &ret);
   EXPECT_EQ(ret, 0);

   // Extension list: written in list order.
   TestCtxt t;
   t.encodeInit();
   Asn1RTDList list;
   rtDListInit(&list);
   Bytes e1 = H("80 01 01"), e2 = H("81 00");
   ASN1OpenType o1 = { (OSUINT32)e1.size(), e1.data() }, o2 = { (OSUINT32)e2.size(), e2.data() };
   rtDListAppend(t.get(), &list, &o1);
   rtDListAppend(t.get(), &list, nullptr);
   rtDListAppend(t.get(), &list, &o2);
   EXPECT_EQ(xe_OpenTypeExt(t.get(), &list), 5);
   EXPECT_EQ(Hex(t.encoded()), "80 01 01 81 00");
   EXPECT_EQ(xe_OpenTypeExt(t.get(), nullptr), 0);
}

// Encodes the given elements as a generated SET OF encoder does (last to
// first, one descriptor each) and sorts them.
Bytes sortedSetOf(const std::vector<const char*>& elems, int* pret, bool checkLeaks = false)
{
   CountingHooks hooks;
   Bytes out;
   {
      TestCtxt t;
      t.encodeInit();
      long before = hooks.live();
      Asn1RTSList list;
      rtSListInitEx(t.get(), &list);
      for (size_t i = elems.size(); i-- > 0;) {
         Bytes e = H(elems[i]);
         int len = xe_memcpy(t.get(), e.data(), (OSUINT32)e.size());
         Asn1BufLocDescr* d = static_cast<Asn1BufLocDescr*>(ASN1MALLOC(t.get(), sizeof(Asn1BufLocDescr)));
         xe_getBufLocDescr(t.get(), (OSUINT32)len, d);
         rtSListAppend(&list, d);
      }
      *pret = xe_derCanonicalSort(t.get(), &list);
      EXPECT_EQ(list.count, 0u);
      EXPECT_EQ(list.head, nullptr);
      if (checkLeaks) {   // descriptors, nodes, scratch freed
         EXPECT_EQ(hooks.live(), before);
      }
      out = t.encoded();
   }
   return out;
}

TEST(BerEncode, DerSetOfOrdering)
{
   int ret;
   EXPECT_EQ(Hex(sortedSetOf({ "04 01 02", "04 01 01", "04 02 01 00" }, &ret, true)),
             "04 01 01 04 01 02 04 02 01 00");
   EXPECT_EQ(ret, 10);
   // Already in order: left as it is.
   EXPECT_EQ(Hex(sortedSetOf({ "02 01 01", "02 01 02" }, &ret, true)), "02 01 01 02 01 02");
   // A shorter element sorts before a longer one with the same prefix;
   // equal elements stay.
   EXPECT_EQ(Hex(sortedSetOf({ "31 03 02 01 05", "31 02 02 01", "05 00", "05 00" }, &ret)),
             "05 00 05 00 31 02 02 01 31 03 02 01 05");
   EXPECT_EQ(ret, 13);
   EXPECT_EQ(Hex(sortedSetOf({ "0C 01 41" }, &ret, true)), "0C 01 41");
   EXPECT_EQ(ret, 3);
   TestCtxt t;
   t.encodeInit();
   Asn1RTSList empty;
   rtSListInitEx(t.get(), &empty);
   EXPECT_EQ(xe_derCanonicalSort(t.get(), &empty), 0);
}

TEST(BerEncode, DerSortRejectsDescriptorsOutsideTheEncoding)
{
   TestCtxt t;
   t.encodeInit();
   int v = 1;
   xe_integer(t.get(), &v, ASN1TAG_EXPLICIT);
   Asn1RTSList list;
   rtSListInitEx(t.get(), &list);
   Asn1BufLocDescr* d = static_cast<Asn1BufLocDescr*>(ASN1MALLOC(t.get(), sizeof(Asn1BufLocDescr)));
   d->numocts = 3;
   d->offset = 50;   // beyond the 3 octets written
   rtSListAppend(&list, d);
   EXPECT_EQ(xe_derCanonicalSort(t.get(), &list), ASN1ERR_INVALID_PARAM);
   EXPECT_EQ(list.count, 0u);
}

} // namespace
