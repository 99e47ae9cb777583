// decode(encode(x)) == x per primitive type, and the DER corpus decoded
// element by element with the typed primitives and re-encoded byte for byte.
#include <dirent.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "BerTestUtil.h"
#include "rtBigInt.h"
#include "rtError.h"

namespace {

// Encodes with `enc` (explicit tagging), then decodes the result with `dec`
// from a buffer of exactly that size; the decoder must consume it all.
// Decoded values live in the heap of `d`.
template <class Enc, class Dec>
void roundTrip(TestCtxt& d, Enc enc, Dec dec)
{
   TestCtxt e;
   e.encodeInit();
   int len = enc(e.get());
   ASSERT_GT(len, 0);
   Bytes der = e.encoded();
   ASSERT_EQ((size_t)len, der.size());
   ASSERT_EQ(xd_setp(d.get(), der.data(), (int)der.size(), nullptr, nullptr), 0);
   ASSERT_EQ(dec(d.get()), 0) << Hex(der);
   EXPECT_EQ(d.c.buffer.byteIndex, der.size()) << Hex(der);
}

TEST(BerRoundTrip, Integers)
{
   TestCtxt d;   // holds the decoded values
   const int ints[] = { 0, 1, -1, 127, 128, -128, -129, 255, 256, 32767, 32768, -32768, -32769,
                        8388607, 8388608, -8388608, -8388609, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1 };
   for (int v : ints) {
      SCOPED_TRACE(v);
      int out = ~v;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_integer(p, &v, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_integer(p, &out, ASN1TAG_EXPLICIT, 0); });
      EXPECT_EQ(out, v);
      roundTrip(d, [&](ASN1CTXT* p) { return xe_enum(p, &v, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_enum(p, &out, ASN1TAG_EXPLICIT, 0); });
      EXPECT_EQ(out, v);
   }
   const unsigned uns[] = { 0, 1, 127, 128, 255, 256, 65535, 65536, 0x7FFFFFFFu, 0x80000000u,
                            0xFFFFFFFEu, 0xFFFFFFFFu };
   for (unsigned v : uns) {
      SCOPED_TRACE(v);
      unsigned out = ~v;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_unsigned(p, &v, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_unsigned(p, &out, ASN1TAG_EXPLICIT, 0); });
      EXPECT_EQ(out, v);
   }
   const OSUINT16 u16[] = { 0, 1, 127, 128, 255, 256, 32767, 32768, 65534, 65535 };
   for (OSUINT16 v : u16) {
      SCOPED_TRACE(v);
      OSUINT16 out = (OSUINT16)~v;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_uint16(p, &v, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_uint16(p, &out, ASN1TAG_EXPLICIT, 0); });
      EXPECT_EQ(out, v);
   }
   for (OSBOOL v : { (OSBOOL)0, (OSBOOL)1 }) {
      OSBOOL out = 7;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_boolean(p, &v, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_boolean(p, &out, ASN1TAG_EXPLICIT, 0); });
      EXPECT_EQ(out != 0, v != 0);
   }
   roundTrip(d, [](ASN1CTXT* p) { return xe_null(p, ASN1TAG_EXPLICIT); },
             [](ASN1CTXT* p) { return xd_null(p, ASN1TAG_EXPLICIT); });
}

TEST(BerRoundTrip, ObjectIdentifiers)
{
   TestCtxt d;   // holds the decoded values
   const char* oids[] = {
      "0.0", "0.39", "1.0", "1.39", "2.0", "2.39", "2.40", "2.999", "2.4294967215",
      "1.2.840.113549.1.1.11", "1.3.6.1.5.5.7.48.1", "2.5.4.3", "1.2.643.2.2.19",
      "1.2.127.128.16383.16384.2097151.2097152.268435455.268435456.4294967295",
   };
   for (const char* text : oids) {
      SCOPED_TRACE(text);
      ASN1OBJID in, out;
      ASSERT_EQ(rtStrToOid(text, &in), 1);
      roundTrip(d, [&](ASN1CTXT* p) { return xe_objid(p, &in, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_objid(p, &out, ASN1TAG_EXPLICIT, 0); });
      EXPECT_TRUE(in == out);
   }
   // The longest identifier there is: 128 arcs.
   ASN1OBJID in, out;
   in.numids = ASN_K_MAXSUBIDS;
   for (OSUINT32 i = 0; i < in.numids; i++) in.subid[i] = i < 2 ? 1 : i * 1000003u;
   roundTrip(d, [&](ASN1CTXT* p) { return xe_objid(p, &in, ASN1TAG_EXPLICIT); },
             [&](ASN1CTXT* p) { return xd_objid(p, &out, ASN1TAG_EXPLICIT, 0); });
   EXPECT_TRUE(in == out);
}

TEST(BerRoundTrip, Strings)
{
   TestCtxt d;   // holds the decoded values
   for (size_t n : { 0, 1, 2, 127, 128, 255, 256, 1000, 65536, 70000 }) {
      SCOPED_TRACE(n);
      Bytes data(n);
      for (size_t i = 0; i < n; i++) data[i] = (OSOCTET)(i * 31 + 7);
      const OSOCTET* out = nullptr;
      OSUINT32 outn = 0;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_octstr(p, data.data(), (OSUINT32)n, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_octstr(p, &out, &outn, ASN1TAG_EXPLICIT, 0); });
      ASSERT_EQ(outn, n);
      if (n > 0) {
         EXPECT_EQ(memcmp(out, data.data(), n), 0);
      }

      std::string text(n, 'x');
      for (size_t i = 0; i < n; i++) text[i] = (char)(' ' + i % 90);
      const char* outText = nullptr;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_charstr(p, text.c_str(), ASN1TAG_EXPLICIT, 0x16); },
                [&](ASN1CTXT* p) { return xd_charstr(p, &outText, ASN1TAG_EXPLICIT, 0x16, 0); });
      EXPECT_EQ(std::string(outText), text);

      std::vector<OSUNICHAR> u16(n);
      std::vector<OS32BITCHAR> u32(n);
      for (size_t i = 0; i < n; i++) {
         u16[i] = (OSUNICHAR)(i * 2654435761u);
         u32[i] = (OS32BITCHAR)(i * 2654435761u);
      }
      Asn116BitCharString s16 = { (OSUINT32)n, u16.data() }, o16 = { 0, nullptr };
      roundTrip(d, [&](ASN1CTXT* p) { return xe_16BitCharStr(p, &s16, ASN1TAG_EXPLICIT, 0x1E); },
                [&](ASN1CTXT* p) { return xd_16BitCharStr(p, &o16, ASN1TAG_EXPLICIT, 0x1E, 0); });
      ASSERT_EQ(o16.nchars, n);
      if (n > 0) {
         EXPECT_EQ(memcmp(o16.data, u16.data(), n * 2), 0);
      }
      Asn132BitCharString s32 = { (OSUINT32)n, u32.data() }, o32 = { 0, nullptr };
      roundTrip(d, [&](ASN1CTXT* p) { return xe_32BitCharStr(p, &s32, ASN1TAG_EXPLICIT, 0x1C); },
                [&](ASN1CTXT* p) { return xd_32BitCharStr(p, &o32, ASN1TAG_EXPLICIT, 0x1C, 0); });
      ASSERT_EQ(o32.nchars, n);
      if (n > 0) {
         EXPECT_EQ(memcmp(o32.data, u32.data(), n * 4), 0);
      }
   }
}

TEST(BerRoundTrip, BitStrings)
{
   TestCtxt d;   // holds the decoded values
   for (OSUINT32 numbits : { 0u, 1u, 2u, 7u, 8u, 9u, 15u, 16u, 17u, 1000u, 1001u, 65535u }) {
      SCOPED_TRACE(numbits);
      // Unused bits are zero, as a DER encoder must write them.
      Bytes data((numbits + 7) / 8);
      for (size_t i = 0; i < data.size(); i++) data[i] = (OSOCTET)(0xA5 ^ i);
      if (numbits % 8) data.back() &= (OSOCTET)(0xFF << (8 - numbits % 8));
      const OSOCTET* out = nullptr;
      OSUINT32 outbits = 12345;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_bitstr(p, data.data(), numbits, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_bitstr(p, &out, &outbits, ASN1TAG_EXPLICIT, 0); });
      ASSERT_EQ(outbits, numbits);
      if (numbits > 0) {
         EXPECT_EQ(memcmp(out, data.data(), data.size()), 0);
      }
      // The static form with exactly enough room.
      Bytes room(data.size() + 1);
      OSUINT32 cap = numbits;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_bitstr(p, data.data(), numbits, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_bitstr_s(p, room.data(), &cap, ASN1TAG_EXPLICIT, 0); });
      EXPECT_EQ(cap, numbits);
   }
}

TEST(BerRoundTrip, BigIntegerTexts)
{
   TestCtxt d;   // holds the decoded values
   const char* texts[] = {
      "0", "1", "-1", "127", "128", "-128", "-129", "255", "256", "65535", "-65536",
      "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296",
      "18446744073709551615", "18446744073709551616", "-18446744073709551616",
      "340282366920938463463374607431768211455",
      "-340282366920938463463374607431768211457",
      "0x00ff", "0xff", "0x7f", "0x0100", "0x80", "0xFF7F", "0x123456789abcdef0123",
      "0b1", "0b10000000", "0b011111111",
   };
   for (const char* text : texts) {
      SCOPED_TRACE(text);
      const char* out = nullptr;
      TestCtxt cmp;
      roundTrip(d, [&](ASN1CTXT* p) { return xe_bigint(p, text, ASN1TAG_EXPLICIT); },
                [&](ASN1CTXT* p) { return xd_bigint(p, &out, ASN1TAG_EXPLICIT, 0); });
      ASSERT_NE(out, nullptr);
      // Same value; the decoded text is the two's-complement hexadecimal form.
      EXPECT_EQ(rtBigIntStrCompare(cmp.get(), text, out), 0) << out;
      EXPECT_EQ(strncmp(out, "0x", 2), 0);
   }
   // A 2000-digit number (magnitude beyond the 512 octets kept on the stack).
   std::string big(2000, '7');
   const char* out = nullptr;
   TestCtxt cmp;
   roundTrip(d, [&](ASN1CTXT* p) { return xe_bigint(p, big.c_str(), ASN1TAG_EXPLICIT); },
             [&](ASN1CTXT* p) { return xd_bigint(p, &out, ASN1TAG_EXPLICIT, 0); });
   EXPECT_EQ(rtBigIntStrCompare(cmp.get(), big.c_str(), out), 0);
}

/* ---------------------------------------------------------------------
 * Corpus: every element of every DER file is decoded with the typed
 * primitive for its universal type and written back with the matching
 * encoder; the result must be the file, byte for byte.
 * ------------------------------------------------------------------ */

// Decodes the element at the position and appends its re-encoding (in
// forward order) to `out`. Constructed elements recurse (the corpus is
// shallow; depth is bounded anyway).
int reencode(ASN1CTXT* dec, Bytes* out, int depth)
{
   if (depth > 64) return ASN1ERR_NOT_SUPPORTED;
   const OSUINT32 start = dec->buffer.byteIndex;
   ASN1TAG tag;
   int len;
   int stat = xd_tag_len(dec, &tag, &len, 0);   // peek
   if (stat != 0) return stat;
   TestCtxt enc;
   enc.encodeInit();
   ASN1CTXT* e = enc.get();
   int elen = -1;
   const ASN1TagType X = ASN1TAG_EXPLICIT;
   if (tag & TM_CONS) {
      xd_tag_len(dec, &tag, &len, XM_ADVANCE);
      if (len < 0) return ASN1ERR_NOT_SUPPORTED;   // DER has definite lengths only
      const OSUINT32 end = dec->buffer.byteIndex + (OSUINT32)len;
      Bytes content;
      while (dec->buffer.byteIndex < end) {
         stat = reencode(dec, &content, depth + 1);
         if (stat != 0) return stat;
      }
      int clen = xe_octstr(e, content.data(), (OSUINT32)content.size(), ASN1TAG_IMPLICIT);
      elen = xe_tag_len(e, tag, clen);
   }
   else if ((tag & TM_CLASS) != TM_UNIV) {
      const OSOCTET* data;
      OSUINT32 n;
      xd_tag_len(dec, &tag, &len, XM_ADVANCE);
      stat = xd_octstr(dec, &data, &n, ASN1TAG_IMPLICIT, len);
      if (stat != 0) return stat;
      elen = xe_tag_len(e, tag, xe_octstr(e, data, n, ASN1TAG_IMPLICIT));
   }
   else {
      switch (tag) {
         case ASN1_ID_BOOL: {
            OSBOOL b;
            if ((stat = xd_boolean(dec, &b, X, 0)) != 0) return stat;
            elen = xe_boolean(e, &b, X);
            break;
         }
         case ASN1_ID_INT: {
            if (len <= 4) {
               int v;
               if ((stat = xd_integer(dec, &v, X, 0)) != 0) return stat;
               elen = xe_integer(e, &v, X);
            }
            else {
               const char* text;
               if ((stat = xd_bigint(dec, &text, X, 0)) != 0) return stat;
               elen = xe_bigint(e, text, X);
            }
            break;
         }
         case ASN1_ID_ENUM: {
            int v;
            if ((stat = xd_enum(dec, &v, X, 0)) != 0) return stat;
            elen = xe_enum(e, &v, X);
            break;
         }
         case ASN1_ID_NULL:
            if ((stat = xd_null(dec, X)) != 0) return stat;
            elen = xe_null(e, X);
            break;
         case ASN1_ID_OBJID: {
            ASN1OBJID oid;
            if ((stat = xd_objid(dec, &oid, X, 0)) != 0) return stat;
            elen = xe_objid(e, &oid, X);
            break;
         }
         case ASN1_ID_BITSTR: {
            const OSOCTET* data;
            OSUINT32 bits;
            if ((stat = xd_bitstr(dec, &data, &bits, X, 0)) != 0) return stat;
            elen = xe_bitstr(e, data, bits, X);
            break;
         }
         case ASN1_ID_OCTSTR: {
            const OSOCTET* data;
            OSUINT32 n;
            if ((stat = xd_octstr(dec, &data, &n, X, 0)) != 0) return stat;
            elen = xe_octstr(e, data, n, X);
            break;
         }
         case ASN1_ID_BMPSTR: {
            Asn116BitCharString s;
            if ((stat = xd_16BitCharStr(dec, &s, X, tag, 0)) != 0) return stat;
            elen = xe_16BitCharStr(e, &s, X, tag);
            break;
         }
         case ASN1_ID_UNIVSTR: {
            Asn132BitCharString s;
            if ((stat = xd_32BitCharStr(dec, &s, X, tag, 0)) != 0) return stat;
            elen = xe_32BitCharStr(e, &s, X, tag);
            break;
         }
         default: {
            // Character strings and times: as text when free of NUL octets
            // (xd_charstr refuses those), otherwise as octets.
            const char* text;
            const OSUINT32 save = dec->buffer.byteIndex;
            stat = xd_charstr(dec, &text, X, tag, 0);
            if (stat != 0 && stat != ASN1ERR_INVALID_CHAR) return stat;
            if (stat == 0) {
               elen = xe_charstr(e, text, X, tag);
            }
            else {
               rtErrReset(&dec->errInfo);
               dec->buffer.byteIndex = save;
               const OSOCTET* data;
               OSUINT32 n;
               xd_tag_len(dec, &tag, &len, XM_ADVANCE);
               if ((stat = xd_octstr(dec, &data, &n, ASN1TAG_IMPLICIT, len)) != 0) return stat;
               elen = xe_tag_len(e, tag, xe_octstr(e, data, n, ASN1TAG_IMPLICIT));
            }
         }
      }
   }
   if (elen < 0) return elen;
   Bytes mine = enc.encoded();
   if (mine.size() != dec->buffer.byteIndex - start) return ASN1ERR_INVALID_LENGTH;
   out->insert(out->end(), mine.begin(), mine.end());
   return 0;
}

std::vector<std::string> listDer(const std::string& dir)
{
   std::vector<std::string> files;
   DIR* d = opendir(dir.c_str());
   if (d == nullptr) return files;
   while (dirent* ent = readdir(d)) {
      std::string name = ent->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".der") == 0) files.push_back(dir + "/" + name);
   }
   closedir(d);
   return files;
}

TEST(BerRoundTrip, DerCorpusReencodesByteForByte)
{
   const std::string root = QVASN1_CORPUS_DIR;
   DIR* d = opendir(root.c_str());
   if (d == nullptr) GTEST_SKIP() << "no corpus at " << root;
   std::vector<std::string> types;
   while (dirent* ent = readdir(d)) {
      if (ent->d_name[0] != '.') types.push_back(ent->d_name);
   }
   closedir(d);
   int files = 0;
   for (const std::string& type : types) {
      // The main folder of each type holds strict DER; ber/ and invalid/
      // are walked by the decoding test below.
      for (const std::string& path : listDer(root + "/" + type)) {
         SCOPED_TRACE(path);
         std::ifstream in(path, std::ios::binary);
         Bytes der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
         TestCtxt t;
         int len;
         ASSERT_EQ(xd_setp(t.get(), der.data(), (int)der.size(), nullptr, &len), 0);
         EXPECT_EQ((size_t)len, der.size());
         Bytes again;
         ASSERT_EQ(reencode(t.get(), &again, 0), 0);
         EXPECT_TRUE(again == der);
         files++;
      }
   }
   EXPECT_GT(files, 0);
}

// BER and deliberately invalid files: the walk over every element (the
// generic steps, not the typed ones) must cover the file exactly.
TEST(BerRoundTrip, BerCorpusWalksToTheEnd)
{
   const std::string root = QVASN1_CORPUS_DIR;
   DIR* d = opendir(root.c_str());
   if (d == nullptr) GTEST_SKIP() << "no corpus at " << root;
   std::vector<std::string> files;
   while (dirent* ent = readdir(d)) {
      if (ent->d_name[0] == '.') continue;
      for (const char* sub : { "/ber", "/invalid" }) {
         std::vector<std::string> f = listDer(root + "/" + ent->d_name + sub);
         files.insert(files.end(), f.begin(), f.end());
      }
   }
   closedir(d);
   for (const std::string& path : files) {
      SCOPED_TRACE(path);
      std::ifstream in(path, std::ios::binary);
      Bytes ber((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      TestCtxt t;
      int len;
      ASSERT_EQ(xd_setp(t.get(), ber.data(), (int)ber.size(), nullptr, &len), 0);
      ASSERT_EQ(xd_NextElement(t.get()), 0);
      EXPECT_EQ(t.c.buffer.byteIndex, ber.size());
      if (len == INDEFINITE_LENGTH) {
         EXPECT_EQ(xd_indeflen_ex(ber.data(), (int)ber.size()), (int)ber.size());
      }
      // Every element that a depth-first search finds is a readable header.
      t.c.buffer.byteIndex = 0;
      int found = 0;
      while (xd_match(t.get(), TM_UNIV | ASN1_ID_OCTSTR, &len, XM_SEEK) == 0) {
         const OSOCTET* data;
         OSUINT32 n;
         int stat = xd_octstr(t.get(), &data, &n, ASN1TAG_EXPLICIT, 0);
         EXPECT_EQ(stat, 0);
         if (stat != 0) break;
         found++;
      }
      (void)found;
   }
}

} // namespace
