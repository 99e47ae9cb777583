// BER decoder primitives: tables of good and malformed encodings per
// primitive with the expected status, position and recording behaviour.
#include <stdio.h>
#include <string.h>

#include <functional>
#include <memory>
#include <string>

#include "BerTestUtil.h"
#include "CountingHooks.h"
#include "rtMemHeap.h"

namespace {

// The message in an exactly sized heap block, so that AddressSanitizer sees
// any read past its end.
struct ExactBuf {
   std::unique_ptr<OSOCTET[]> p;
   size_t n;
   explicit ExactBuf(const Bytes& b) : p(new OSOCTET[b.empty() ? 1 : b.size()]), n(b.size())
   {
      if (!b.empty()) memcpy(p.get(), b.data(), b.size());
   }
};

// A context positioned at the start of an exactly sized copy of `hex`.
struct Dec {
   ExactBuf buf;
   TestCtxt t;
   explicit Dec(const char* hex, OSUINT16 flags = 0) : buf(H(hex))
   {
      EXPECT_EQ(rtInitContextBuffer(t.get(), buf.p.get(), (OSUINT32)buf.n), 0);
      t.c.flags = flags;
   }
   ASN1CTXT* c() { return t.get(); }
   OSUINT32 pos() const { return t.c.buffer.byteIndex; }
   int recorded() const { return t.c.errInfo.status; }
};

TEST(BerDecode, Lengths)
{
   struct Case { const char* hex; OSUINT16 flags; int stat; int len; OSUINT32 pos; } cases[] = {
      { "00", 0, 0, 0, 1 },
      { "7F", 0, ASN1ERR_INVALID_LENGTH, 0, 0 },             // 127 octets are not there
      { "01 AA", 0, 0, 1, 1 },
      { "80", 0, 0, INDEFINITE_LENGTH, 1 },
      { "81 02 AA BB", 0, 0, 2, 2 },
      { "82 00 01 AA", 0, 0, 1, 3 },                        // BER allows leading zeros
      { "82 00 01 AA", ASN1DERSTRICT, ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "81 01 AA", ASN1DERSTRICT, ASN1ERR_INVALID_LENGTH, 0, 0 },   // long form below 128
      { "80", ASN1DERSTRICT, ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "84 7F FF FF FF 00", 0, ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "84 7F FF FF FF", ASN1NOLENCHECK, 0, 0x7FFFFFFF, 5 },
      { "84 FF FF D8 F1", ASN1NOLENCHECK, ASN1ERR_INVALID_LENGTH, 0, 0 },   // never aliases -9999
      { "84 80 00 00 00", ASN1NOLENCHECK, ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "85 00 00 00 00 01", 0, ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "FF", 0, ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "82 01", 0, ASN1ERR_END_OF_BUFFER, 0, 0 },
      { "", 0, ASN1ERR_END_OF_BUFFER, 0, 0 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex, c.flags);
      int len = 0;
      EXPECT_EQ(xd_len(d.c(), &len), c.stat);
      EXPECT_EQ(d.recorded(), c.stat);
      if (c.stat == 0) {
         EXPECT_EQ(len, c.len);
         EXPECT_EQ(d.pos(), c.pos);
      }
   }
}

TEST(BerDecode, Tags)
{
   struct Case { const char* hex; int stat; ASN1TAG tag; bool cons; } cases[] = {
      { "02", 0, 0x02, false },
      { "30", 0, ASN1_TAG_SEQ, true },
      { "A3", 0, TM_CTXT | TM_CONS | 3, true },
      { "5E", 0, TM_APPL | 30, false },
      { "1F 81 00", 0, 128, false },
      { "DF 1F", 0, TM_PRIV | 31, false },
      { "3F 81 FF FF FF 7F", 0, TM_CONS | TM_IDCODE, true },
      { "1F 82 80 80 80 00", ASN1ERR_BAD_TAG, 0, false },        // above 0x1FFFFFFF
      { "1F 80 80 80 80 80 80 80 80 80", ASN1ERR_BAD_TAG, 0, false },   // 10th octet
      { "1F 81", ASN1ERR_END_OF_BUFFER, 0, false },
      { "", ASN1ERR_END_OF_BUFFER, 0, false },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex);
      d.t.c.flags = c.cons ? 0 : ASN1CONSTAG;   // must be set or cleared by the read
      ASN1TAG tag = 0;
      EXPECT_EQ(xd_tag(d.c(), &tag), c.stat);
      if (c.stat == 0) {
         EXPECT_EQ(tag, c.tag);
         EXPECT_EQ((d.t.c.flags & ASN1CONSTAG) != 0, c.cons);
      }
   }
   // Outer indefinite and last end-of-contents: every tag read ends.
   Dec d("02 01 00", ASN1INDEFLEN | ASN1LASTEOC);
   ASN1TAG tag;
   EXPECT_EQ(xd_tag(d.c(), &tag), ASN1ERR_END_OF_BUFFER);
}

TEST(BerDecode, SetpLimitsTheMessage)
{
   TestCtxt t;
   Bytes msg = H("30 03 02 01 05 FF FF");
   ASN1TAG tag;
   int len;
   ASSERT_EQ(xd_setp(t.get(), msg.data(), (int)msg.size(), &tag, &len), 0);
   EXPECT_EQ(tag, ASN1_TAG_SEQ);
   EXPECT_EQ(len, 5);                                 // header included
   EXPECT_EQ(t.c.buffer.size, 5u);                    // trailing octets cut off
   EXPECT_EQ(t.c.buffer.byteIndex, 0u);

   Bytes indef = H("30 80 05 00 00 00");
   ASSERT_EQ(xd_setp(t.get(), indef.data(), (int)indef.size(), &tag, &len), 0);
   EXPECT_EQ(len, INDEFINITE_LENGTH);
   EXPECT_TRUE(t.c.flags & ASN1INDEFLEN);
   EXPECT_EQ(t.c.buffer.size, 6u);

   struct Bad { const char* hex; int stat; } bad[] = {
      { "30 05 02 01 05", ASN1ERR_INVALID_LENGTH },
      { "04 80 00 00", ASN1ERR_INVALID_LENGTH },          // primitive, indefinite
      { "30", ASN1ERR_END_OF_BUFFER },
   };
   for (const Bad& b : bad) {
      SCOPED_TRACE(b.hex);
      Bytes m = H(b.hex);
      EXPECT_EQ(xd_setp(t.get(), m.data(), (int)m.size(), &tag, &len), b.stat);
      EXPECT_EQ(t.c.buffer.byteIndex, 0u);
      EXPECT_FALSE(t.c.flags & ASN1INDEFLEN);
   }
   EXPECT_EQ(xd_setp(t.get(), nullptr, 3, &tag, &len), ASN1ERR_INVALID_PARAM);
}

TEST(BerDecode, TagLenAndSavedState)
{
   Dec d("A1 03 02 01 05");
   ASN1TAG tag;
   int len;
   ASSERT_EQ(xd_tag_len(d.c(), &tag, &len, 0), 0);
   EXPECT_EQ(tag, TM_CTXT | TM_CONS | 1);
   EXPECT_EQ(len, 3);
   EXPECT_EQ(d.pos(), 0u);                    // peek only
   ASSERT_EQ(xd_tag_len(d.c(), &tag, &len, XM_ADVANCE), 0);
   EXPECT_EQ(d.pos(), 2u);
   EXPECT_EQ(d.t.c.savedState.byteIndex, 0u);
   xu_RestoreBufferState(d.c(), nullptr);    // undo the look-ahead
   EXPECT_EQ(d.pos(), 0u);

   ASN1BUFSAVE s;
   d.t.c.buffer.byteIndex = 2;
   xu_SaveBufferState(d.c(), &s);
   d.t.c.buffer.byteIndex = 5;
   d.t.c.flags |= ASN1LASTEOC;
   xu_RestoreBufferState(d.c(), &s);
   EXPECT_EQ(d.pos(), 2u);
   EXPECT_FALSE(d.t.c.flags & ASN1LASTEOC);

   // At the end: -2, not recorded.
   d.t.c.buffer.byteIndex = 5;
   EXPECT_EQ(xd_tag_len(d.c(), &tag, &len, XM_ADVANCE), ASN1ERR_END_OF_BUFFER);
   EXPECT_EQ(d.recorded(), 0);
   Dec p("04 80 00 00");
   EXPECT_EQ(xd_tag_len(p.c(), &tag, &len, 0), ASN1ERR_INVALID_LENGTH);
   EXPECT_EQ(p.recorded(), ASN1ERR_INVALID_LENGTH);
}

TEST(BerDecode, Match)
{
   // SEQUENCE { [0] { INTEGER 1 }, OCTET STRING 'AA' }, then NULL.
   const char* msg = "30 08 A0 03 02 01 01 04 01 AA 05 00";
   struct Case { ASN1TAG tag; OSOCTET opts; OSUINT32 start; int stat; int len; OSUINT32 pos; } cases[] = {
      { ASN1_TAG_SEQ, 0, 0, 0, 8, 0 },
      { 0x10, XM_ADVANCE, 0, 0, 8, 2 },                    // constructed bit ignored
      { 0x02, 0, 0, ASN1ERR_TAG_NOT_FOUND, 0, 0 },
      { 0x02, XM_SEEK, 0, 0, 1, 4 },                       // nested inside [0]
      { 0x04, XM_SEEK | XM_ADVANCE, 0, 0, 1, 9 },
      { 0x05, XM_SEEK, 0, 0, 0, 10 },
      { 0x06, XM_SEEK, 0, ASN1ERR_TAG_NOT_FOUND, 0, 0 },
      { 0x04, XM_SKIP, 4, 0, 1, 7 },                       // steps over INTEGER 1 first
      { 0x02, XM_SKIP, 2, 0, 1, 4 },                       // a constructed element is entered
      { 0x05, XM_SKIP, 10, ASN1ERR_TAG_NOT_FOUND, 0, 12 }, // nothing after the NULL
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.tag << "/" << (int)c.opts << "@" << c.start);
      Dec d(msg);
      d.t.c.buffer.byteIndex = c.start;
      int len = -1;
      EXPECT_EQ(xd_match(d.c(), c.tag, &len, c.opts), c.stat);
      EXPECT_EQ(d.recorded(), 0);
      EXPECT_EQ(d.pos(), c.pos);
      if (c.stat == 0) {
         EXPECT_EQ(len, c.len);
      }
   }
   // Malformed content met while seeking is an error of its own.
   Dec bad("30 03 04 85 01");
   EXPECT_EQ(xd_match(bad.c(), 0x05, nullptr, XM_SEEK), ASN1ERR_INVALID_LENGTH);
}

TEST(BerDecode, Match1AndTag1AndLen)
{
   struct Case { const char* hex; OSOCTET id; int stat; int len; bool cons; } cases[] = {
      { "30 02 05 00", 0x30, 0, 2, true },
      { "30 02 05 00", 0x10, 0, 2, true },                 // constructed bit ignored
      { "24 80 00 00", 0x04, 0, INDEFINITE_LENGTH, true },
      { "04 80 00 00", 0x04, ASN1ERR_INVALID_LENGTH, 0, false },
      { "02 01 05", 0x04, ASN1ERR_TAG_NOT_FOUND, 0, false },
      { "02", 0x02, ASN1ERR_END_OF_BUFFER, 0, false },
      { "02 02 05", 0x02, ASN1ERR_INVALID_LENGTH, 0, false },
      { "", 0x02, ASN1ERR_END_OF_BUFFER, 0, false },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex);
      int len = 0;
      EXPECT_EQ(xd_match1(d.c(), c.id, &len), c.stat);
      EXPECT_EQ(d.recorded(), c.stat);
      if (c.stat == 0) {
         EXPECT_EQ(len, c.len);
         EXPECT_EQ((d.t.c.flags & ASN1CONSTAG) != 0, c.cons);
      }
      else {
         EXPECT_EQ(d.pos(), 0u);
      }
      if (c.stat != ASN1ERR_TAG_NOT_FOUND) {
         Dec e(c.hex);
         EXPECT_EQ(xd_Tag1AndLen(e.c(), &len), c.stat);
      }
   }
}

TEST(BerDecode, WalkingElements)
{
   // Nested indefinite lengths with definite parts inside.
   const char* msg = "30 80 31 80 04 01 AA 00 00 30 02 05 00 00 00 02 01 07";
   Dec d(msg);
   ASSERT_EQ(xd_NextElement(d.c()), 0);
   EXPECT_EQ(d.pos(), 15u);
   ASSERT_EQ(xd_NextElement(d.c()), 0);
   EXPECT_EQ(d.pos(), 18u);

   Dec e(msg);
   int count = -1;
   e.t.c.buffer.byteIndex = 2;
   ASSERT_EQ(xd_count(e.c(), INDEFINITE_LENGTH, &count), 0);
   EXPECT_EQ(count, 2);
   EXPECT_EQ(e.pos(), 2u);                        // nothing consumed
   e.t.c.buffer.byteIndex = 4;
   ASSERT_EQ(xd_count(e.c(), 3, &count), 0);
   EXPECT_EQ(count, 1);
   e.t.c.buffer.byteIndex = 2;
   ASSERT_EQ(xd_MovePastEOC(e.c()), 0);
   EXPECT_EQ(e.pos(), 15u);
   e.t.c.buffer.byteIndex = 0;
   EXPECT_EQ(xd_count(e.c(), 1000, &count), ASN1ERR_INVALID_LENGTH);

   EXPECT_EQ(xd_indeflen_ex(H(msg).data(), 18), 15);
   struct Bad { const char* hex; int stat; } bad[] = {
      { "30 03 05 00 00", ASN1ERR_INVALID_LENGTH },          // definite
      { "30 80 05 00 00", 0 },                               // bufsiz below 5... (size 5: missing EOC)
      { "30 80 04 80 00 00 00 00", ASN1ERR_INVALID_LENGTH }, // primitive indefinite inside
      { "30 80 04 05 01 00 00", ASN1ERR_INVALID_LENGTH },    // content passes the end
      { "30 80 30 80 00 00", ASN1ERR_END_OF_BUFFER },        // outer end-of-contents missing
   };
   for (const Bad& b : bad) {
      SCOPED_TRACE(b.hex);
      Bytes m = H(b.hex);
      ExactBuf eb(m);
      int r = xd_indeflen_ex(eb.p.get(), (int)eb.n);
      if (b.stat == 0) {
         EXPECT_LT(r, 0);
      }
      else EXPECT_EQ(r, b.stat);
   }
   EXPECT_EQ(xd_indeflen_ex(H("30 80 00 00").data(), 4), 0);
}

// Absurd nesting ends in a clear status, without deep recursion.
TEST(BerDecode, NestingDepthIsLimited)
{
   Bytes deep;
   const int depth = 100000;
   for (int i = 0; i < depth; i++) {
      deep.push_back(0x30);
      deep.push_back(0x80);
   }
   for (int i = 0; i < depth; i++) {
      deep.push_back(0);
      deep.push_back(0);
   }
   ExactBuf eb(deep);
   EXPECT_EQ(xd_indeflen_ex(eb.p.get(), (int)eb.n), ASN1ERR_NOT_SUPPORTED);
   TestCtxt t;
   ASSERT_EQ(rtInitContextBuffer(t.get(), eb.p.get(), (OSUINT32)eb.n), 0);
   EXPECT_EQ(xd_NextElement(t.get()), ASN1ERR_NOT_SUPPORTED);
   t.c.buffer.byteIndex = 0;
   const OSOCTET* data;
   OSUINT32 n;
   EXPECT_EQ(xd_OpenType(t.get(), &data, &n), ASN1ERR_NOT_SUPPORTED);

   // Exactly at the limit still works.
   Bytes ok;
   for (int i = 0; i < ASN1_MAX_NESTING_DEPTH; i++) { ok.push_back(0x30); ok.push_back(0x80); }
   for (int i = 0; i < ASN1_MAX_NESTING_DEPTH; i++) { ok.push_back(0); ok.push_back(0); }
   EXPECT_EQ(xd_indeflen_ex(ok.data(), (int)ok.size()), (int)ok.size());
}

TEST(BerDecode, ConstructedStringSizes)
{
   struct Case { const char* hex; int stat; int datalen; int contentlen; } cases[] = {
      { "04 02 41 42 04 01 43 00 00", 0, 3, 7 },
      { "00 00", 0, 0, 0 },
      { "04 00 00 00", 0, 0, 2 },
      { "24 80 04 01 41 00 00 00 00", ASN1ERR_BAD_TAG, 0, 0 },   // nested segment
      { "0C 01 41 00 00", ASN1ERR_BAD_TAG, 0, 0 },
      { "04 02 41", ASN1ERR_INVALID_LENGTH, 0, 0 },
      { "04 01 41", ASN1ERR_END_OF_BUFFER, 0, 0 },               // no end-of-contents
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex);
      int datalen = -1, contentlen = -1;
      EXPECT_EQ(xd_consStrIndefLenAndSize(d.c(), 4, &datalen, &contentlen), c.stat);
      EXPECT_EQ(d.pos(), 0u);
      if (c.stat == 0) {
         EXPECT_EQ(datalen, c.datalen);
         EXPECT_EQ(contentlen, c.contentlen);
      }
   }
}

TEST(BerDecode, Memcpy)
{
   Dec d("01 02 03");
   OSOCTET out[3];
   EXPECT_EQ(xd_memcpy(d.c(), out, 2), 0);
   EXPECT_EQ(d.pos(), 2u);
   EXPECT_EQ(xd_memcpy(d.c(), out, 2), ASN1ERR_END_OF_BUFFER);
   EXPECT_EQ(d.recorded(), 0);
   EXPECT_EQ(d.pos(), 2u);
}

// One row of a typed-primitive table: the input, flags, the call (which
// renders the decoded value as text), and the expected outcome.
struct TypedCase {
   const char* name;
   const char* hex;
   std::function<int(ASN1CTXT*, std::string*)> call;
   int stat;
   const char* value;   // expected rendering when stat is 0
   int pos;             // expected position afterwards (-1: not checked)
   int recorded;        // expected recorded status
};

void runTyped(const std::vector<TypedCase>& cases, OSUINT16 flags = 0)
{
   for (const TypedCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ": " + c.hex);
      Dec d(c.hex, flags);
      std::string v;
      EXPECT_EQ(c.call(d.c(), &v), c.stat);
      if (c.stat == 0) {
         EXPECT_EQ(v, c.value);
      }
      if (c.pos >= 0) {
         EXPECT_EQ(d.pos(), (OSUINT32)c.pos);
      }
      EXPECT_EQ(d.recorded(), c.recorded);
   }
}

std::function<int(ASN1CTXT*, std::string*)> intCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      int v = 0;
      int s = xd_integer(p, &v, tg, len);
      *out = std::to_string(v);
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> unsCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      unsigned v = 0;
      int s = xd_unsigned(p, &v, tg, len);
      *out = std::to_string(v);
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> u16Call(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      OSUINT16 v = 0;
      int s = xd_uint16(p, &v, tg, len);
      *out = std::to_string(v);
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> enumCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      int v = 0;
      int s = xd_enum(p, &v, tg, len);
      *out = std::to_string(v);
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> boolCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      OSBOOL v = 0;
      int s = xd_boolean(p, &v, tg, len);
      *out = std::to_string(v);
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> nullCall(ASN1TagType tg)
{
   return [=](ASN1CTXT* p, std::string* out) {
      *out = "null";
      return xd_null(p, tg);
   };
}
std::function<int(ASN1CTXT*, std::string*)> oidCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      ASN1OBJID oid;
      oid.numids = 0;
      int s = xd_objid(p, &oid, tg, len);
      for (OSUINT32 i = 0; i < oid.numids && i < 3; i++)
         *out += (i ? "." : "") + std::to_string(oid.subid[i]);
      if (oid.numids > 3) *out += "...(" + std::to_string(oid.numids) + ")";
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> bigCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      const char* text = nullptr;
      int s = xd_bigint(p, &text, tg, len);
      if (text != nullptr) *out = text;
      return s;
   };
}

const ASN1TagType E = ASN1TAG_EXPLICIT;
const ASN1TagType I = ASN1TAG_IMPLICIT;

TEST(BerDecode, Integers)
{
   runTyped({
      { "int", "02 01 FF", intCall(E, 0), 0, "-1", 3, 0 },
      { "int", "02 02 00 FF", intCall(E, 0), 0, "255", 4, 0 },
      { "int", "02 01 80", intCall(E, 0), 0, "-128", 3, 0 },
      { "int", "02 04 80 00 00 00", intCall(E, 0), 0, "-2147483648", 6, 0 },
      { "int", "02 04 7F FF FF FF", intCall(E, 0), 0, "2147483647", 6, 0 },
      { "int", "02 05 00 80 00 00 00", intCall(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "int", "02 00", intCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "int", "04 01 05", intCall(E, 0), ASN1ERR_TAG_NOT_FOUND, "", 0, ASN1ERR_TAG_NOT_FOUND },
      { "int", "22 01 05", intCall(E, 0), ASN1ERR_TAG_NOT_FOUND, "", 0, ASN1ERR_TAG_NOT_FOUND },
      { "int", "02 80 05 00 00", intCall(E, 0), ASN1ERR_INVALID_LENGTH, "", 0, ASN1ERR_INVALID_LENGTH },
      { "int", "FF 7F", intCall(I, 2), 0, "-129", 2, 0 },
      { "int", "FF", intCall(I, 2), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "int", "", intCall(I, INDEFINITE_LENGTH), ASN1ERR_INVALID_LENGTH, "", 0, ASN1ERR_INVALID_LENGTH },
      { "int", "", intCall(E, 0), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "enum", "0A 01 03", enumCall(E, 0), 0, "3", 3, 0 },
      { "enum", "02 01 03", enumCall(E, 0), ASN1ERR_TAG_NOT_FOUND, "", 0, 0 },   // probe: not recorded
      { "enum", "", enumCall(E, 0), ASN1ERR_END_OF_BUFFER, "", 0, 0 },
      { "enum", "0A 05 01 02 03 04 05", enumCall(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "uns", "02 05 00 FF FF FF FF", unsCall(E, 0), 0, "4294967295", 7, 0 },
      { "uns", "02 02 00 FF", unsCall(E, 0), 0, "255", 4, 0 },
      // a negative INTEGER does not fit an unsigned target
      { "uns", "02 01 FF", unsCall(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "uns", "02 04 80 00 00 00", unsCall(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "u16", "02 01 80", u16Call(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "uns", "02 05 01 00 00 00 00", unsCall(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "uns", "02 06 00 00 00 00 00 01", unsCall(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "uns", "02 00", unsCall(E, 0), 0, "0", 2, 0 },
      { "uns", "01 02", unsCall(I, 3), ASN1ERR_END_OF_BUFFER, "", 0, 0 },   // not recorded
      { "u16", "02 03 00 FF FF", u16Call(E, 0), 0, "65535", 5, 0 },
      { "u16", "02 02 12 34", u16Call(E, 0), 0, "4660", 4, 0 },
      { "u16", "02 03 01 00 00", u16Call(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "u16", "02 04 00 00 00 01", u16Call(E, 0), ASN1ERR_TOO_BIG, "", -1, ASN1ERR_TOO_BIG },
      { "u16", "02 00", u16Call(E, 0), 0, "0", 2, 0 },
      { "u16", "55", u16Call(I, 0), 0, "0", 0, 0 },                       // nothing consumed
      { "u16", "01", u16Call(I, 2), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
   });
}

TEST(BerDecode, BooleanNullObjIdBigInt)
{
   runTyped({
      { "bool", "01 01 FF", boolCall(E, 0), 0, "255", 3, 0 },
      { "bool", "01 01 00", boolCall(E, 0), 0, "0", 3, 0 },
      { "bool", "01 02 00 00", boolCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "bool", "01", boolCall(E, 0), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "bool", "", boolCall(I, 1), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "bool", "02 01 00", boolCall(E, 0), ASN1ERR_TAG_NOT_FOUND, "", 0, ASN1ERR_TAG_NOT_FOUND },
      { "null", "05 00", nullCall(E), 0, "null", 2, 0 },
      { "null", "05 01 00", nullCall(E), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "null", "05", nullCall(E), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "null", "", nullCall(I), 0, "null", 0, 0 },
      { "oid", "06 03 2B 06 01", oidCall(E, 0), 0, "1.3.6...(4)", 5, 0 },
      { "oid", "06 02 88 37", oidCall(E, 0), 0, "2.999", 4, 0 },
      { "oid", "06 01 00", oidCall(E, 0), 0, "0.0", 3, 0 },
      { "oid", "06 01 50", oidCall(E, 0), 0, "2.0", 3, 0 },
      { "oid", "06 05 8F FF FF FF 7F", oidCall(E, 0), 0, "2.4294967215", 7, 0 },
      { "oid", "06 06 2A 90 80 80 80 00", oidCall(E, 0), ASN1ERR_INVALID_OBJID, "", -1, ASN1ERR_INVALID_OBJID },  // > 32 bits
      { "oid", "06 03 2A 80 01", oidCall(E, 0), ASN1ERR_INVALID_OBJID, "", -1, ASN1ERR_INVALID_OBJID },  // padded
      { "oid", "06 02 2A 86", oidCall(E, 0), ASN1ERR_INVALID_OBJID, "", -1, ASN1ERR_INVALID_OBJID },     // cut short
      { "oid", "06 06 2A 86 48 86 F7 0D", oidCall(E, 0), 0, "1.2.840...(4)", 8, 0 },
      { "oid", "06 04 2A 01 80 01", oidCall(E, 0), ASN1ERR_INVALID_OBJID, "", -1, ASN1ERR_INVALID_OBJID },  // padded after a short arc
      { "oid", "06 03 2A 01 86", oidCall(E, 0), ASN1ERR_INVALID_OBJID, "", -1, ASN1ERR_INVALID_OBJID },     // cut short after a short arc
      { "oid", "06 00", oidCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "oid", "2A 03", oidCall(I, 3), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "big", "02 02 FF 7F", bigCall(E, 0), 0, "0xff7f", 4, 0 },
      { "big", "02 02 00 80", bigCall(E, 0), 0, "0x080", 4, 0 },
      { "big", "02 03 00 00 01", bigCall(E, 0), 0, "0x01", 5, 0 },
      { "big", "02 02 00 00", bigCall(E, 0), 0, "0x0", 4, 0 },
      { "big", "02 00", bigCall(E, 0), 0, "0x0", 2, 0 },
      { "big", "02 01 7F", bigCall(E, 0), 0, "0x7f", 3, 0 },
      { "big", "01 02", bigCall(I, 3), ASN1ERR_END_OF_BUFFER, "", 0, 0 },   // not recorded
   });
   // 129 one-octet subidentifiers make 130 arcs: -4, not recorded, 128 kept.
   std::string hex = "06 81 81";
   for (int i = 0; i < 129; i++) hex += " 01";
   Dec d(hex.c_str());
   ASN1OBJID oid;
   EXPECT_EQ(xd_objid(d.c(), &oid, E, 0), ASN1ERR_INVALID_OBJID);
   EXPECT_EQ(oid.numids, 128u);
   EXPECT_EQ(d.recorded(), 0);
   // 127 subidentifiers (128 arcs) fit, whether the content is short (one
   // octet each) or long (two); one more is -4 again.
   struct Limit { int arcs; const char* arc; OSUINT32 value; int stat; } limits[] = {
      { 127, " 01", 1, 0 },
      { 127, " 81 01", 129, 0 },
      { 128, " 81 01", 129, ASN1ERR_INVALID_OBJID },
   };
   for (const Limit& l : limits) {
      std::string body = "2A";
      for (int i = 0; i < l.arcs - 1; i++) body += l.arc;
      const int len = (int)(body.size() + 1) / 3;
      char head[16];
      std::snprintf(head, sizeof head, "06 81 %02X ", len);
      Dec dl((head + body).c_str());
      ASN1OBJID o;
      EXPECT_EQ(xd_objid(dl.c(), &o, E, 0), l.stat) << l.arcs << l.arc;
      EXPECT_EQ(o.numids, 128u) << l.arcs << l.arc;
      EXPECT_EQ(o.subid[127], l.value) << l.arcs << l.arc;
   }
}

std::function<int(ASN1CTXT*, std::string*)> octCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      const OSOCTET* data = nullptr;
      OSUINT32 n = 12345;
      int s = xd_octstr(p, &data, &n, tg, len);
      if (s == 0) *out = data == nullptr ? "null/" + std::to_string(n) : Hex(data, n);
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> bitCall(ASN1TagType tg, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      const OSOCTET* data = nullptr;
      OSUINT32 n = 12345;
      int s = xd_bitstr(p, &data, &n, tg, len);
      if (s == 0) *out = std::to_string(n) + ":" + (data ? Hex(data, (n + 7) / 8) : "null");
      return s;
   };
}
std::function<int(ASN1CTXT*, std::string*)> charCall(ASN1TagType tg, ASN1TAG tag, int len)
{
   return [=](ASN1CTXT* p, std::string* out) {
      const char* text = nullptr;
      int s = xd_charstr(p, &text, tg, tag, len);
      if (s == 0) *out = text;
      return s;
   };
}

TEST(BerDecode, OctetStrings)
{
   runTyped({
      { "prim", "04 03 01 02 03", octCall(E, 0), 0, "01 02 03", 5, 0 },
      { "empty", "04 00", octCall(E, 0), 0, "null/0", 2, 0 },
      { "cons-def", "24 07 04 02 41 42 04 01 43", octCall(E, 0), 0, "41 42 43", 9, 0 },
      { "cons-indef", "24 80 04 02 41 42 04 01 43 00 00", octCall(E, 0), 0, "41 42 43", 11, 0 },
      { "cons-indef-empty", "24 80 00 00", octCall(E, 0), 0, "null/0", 4, 0 },
      { "cons-indef-empty-segs", "24 80 04 00 04 00 00 00", octCall(E, 0), 0, "null/0", 8, 0 },
      { "wrong tag", "03 01 00", octCall(E, 0), ASN1ERR_TAG_NOT_FOUND, "", 0, ASN1ERR_TAG_NOT_FOUND },
      { "prim indef", "04 80 01 00 00", octCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "too long", "04 04 01 02 03", octCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      // A segment may not claim more than the outer length, even when the
      // octets exist in the buffer.
      { "seg > outer", "24 03 04 02 41 42", octCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "seg > outer 2", "24 04 04 01 41 04 01 42", octCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "eoc in definite", "24 06 04 01 41 00 00 00", octCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "nested seg", "24 05 24 03 04 01 41", octCall(E, 0), ASN1ERR_BAD_TAG, "", -1, ASN1ERR_BAD_TAG },
      { "wrong seg", "24 03 0C 01 41", octCall(E, 0), ASN1ERR_BAD_TAG, "", -1, ASN1ERR_BAD_TAG },
      { "missing eoc", "24 80 04 01 41", octCall(E, 0), ASN1ERR_END_OF_BUFFER, "", -1, ASN1ERR_END_OF_BUFFER },
      { "implicit", "01 02", octCall(I, 2), 0, "01 02", 2, 0 },
      { "implicit short", "01 02", octCall(I, 3), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "charstr", "0C 02 48 69", charCall(E, 0x0C, 0), 0, "Hi", 4, 0 },
      { "charstr empty", "16 00", charCall(E, 0x16, 0), 0, "", 2, 0 },
      { "charstr seg", "33 80 04 01 48 04 01 69 00 00", charCall(E, 0x13, 0), 0, "Hi", 10, 0 },
      { "charstr ctx tag", "9F 28 01 41", charCall(E, TM_CTXT | 40, 0), 0, "A", 4, 0 },
      { "charstr wrong", "13 01 41", charCall(E, 0x0C, 0), ASN1ERR_TAG_NOT_FOUND, "", 0, ASN1ERR_TAG_NOT_FOUND },
      { "charstr implicit", "48 69", charCall(I, TM_CTXT | 2, 2), 0, "Hi", 2, 0 },
      { "charstr implicit short", "48", charCall(I, TM_CTXT | 2, 2), ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "charstr NUL", "16 03 61 00 62", charCall(E, 0x16, 0), ASN1ERR_INVALID_CHAR, "", 5, ASN1ERR_INVALID_CHAR },
      { "charstr implicit NUL", "61 00", charCall(I, TM_CTXT | 2, 2), ASN1ERR_INVALID_CHAR, "", 2, ASN1ERR_INVALID_CHAR },
   });
}

// The 81 and 82 length forms of a header, read by the general header
// reader, the strings and the typed primitives alike: DER refuses a form
// longer than needed, and a content that is not all there fails unless
// ASN1NOLENCHECK (where the content read itself then fails).
TEST(BerDecode, LongLengthForms)
{
   struct Case { const char* len; OSUINT32 content; OSUINT16 flags; int header; int value; } cases[] = {
      { "81 80", 128, 0, 0, 0 },
      { "81 80", 128, ASN1DERSTRICT, 0, 0 },
      { "81 7F", 127, 0, 0, 0 },
      { "81 7F", 127, ASN1DERSTRICT, ASN1ERR_INVALID_LENGTH, ASN1ERR_INVALID_LENGTH },
      { "82 01 00", 256, ASN1DERSTRICT, 0, 0 },
      { "82 00 80", 128, 0, 0, 0 },
      { "82 00 80", 128, ASN1DERSTRICT, ASN1ERR_INVALID_LENGTH, ASN1ERR_INVALID_LENGTH },
      { "82 FF FF", 65535, 0, 0, 0 },
      { "81 81", 128, 0, ASN1ERR_INVALID_LENGTH, ASN1ERR_INVALID_LENGTH },
      { "82 01 01", 256, ASN1DERSTRICT, ASN1ERR_INVALID_LENGTH, ASN1ERR_INVALID_LENGTH },
      { "81 81", 128, ASN1NOLENCHECK, 0, ASN1ERR_END_OF_BUFFER },
      { "81", 0, 0, ASN1ERR_END_OF_BUFFER, ASN1ERR_END_OF_BUFFER },
      { "82 01", 0, 0, ASN1ERR_END_OF_BUFFER, ASN1ERR_END_OF_BUFFER },
   };
   for (const Case& c : cases) {
      // One string type per reader: OCTET STRING, IA5String, INTEGER.
      for (OSOCTET id : { OSOCTET(0x04), OSOCTET(0x16), OSOCTET(0x02) }) {
         SCOPED_TRACE(std::string(c.len) + " id " + std::to_string(id) + " flags " + std::to_string(c.flags));
         Bytes msg = H(c.len);
         msg.insert(msg.begin(), id);
         msg.insert(msg.end(), c.content, 0x41);
         const OSUINT32 hdr = (OSUINT32)(msg.size() - c.content);
         TestCtxt t;
         t.decodeFrom(msg);
         t.c.flags = c.flags;
         ASN1TAG tag = 0;
         int len = -1;
         EXPECT_EQ(xd_tag_len(t.get(), &tag, &len, XM_ADVANCE), c.header);
         if (c.header == 0) {
            EXPECT_EQ(tag, (ASN1TAG)id);
            EXPECT_EQ(t.c.buffer.byteIndex, hdr);
            const int declared = (msg[2] << (msg[1] == 0x82 ? 8 : 0)) | (msg[1] == 0x82 ? msg[3] : 0);
            EXPECT_EQ(len, declared);
         }
         t.decodeFrom(msg);
         t.c.flags = c.flags;
         int stat;
         OSUINT32 count = 0;
         if (id == 0x04) {
            const OSOCTET* data = nullptr;
            stat = xd_octstr(t.get(), &data, &count, ASN1TAG_EXPLICIT, 0);
         }
         else if (id == 0x16) {
            const char* text = nullptr;
            stat = xd_charstr(t.get(), &text, ASN1TAG_EXPLICIT, TM_UNIV | 22, 0);
            if (stat == 0) count = (OSUINT32)strlen(text);
         }
         else {
            // Content longer than four octets is too big for an int once the
            // header is read.
            int v = 0;
            EXPECT_EQ(xd_integer(t.get(), &v, ASN1TAG_EXPLICIT, 0), c.header == 0 ? ASN1ERR_TOO_BIG : c.header);
            continue;
         }
         EXPECT_EQ(stat, c.value);
         if (c.value == 0) {
            EXPECT_EQ(count, c.content);
            EXPECT_EQ(t.c.buffer.byteIndex, (OSUINT32)msg.size());
         }
      }
   }
}

TEST(BerDecode, BitStrings)
{
   runTyped({
      { "prim", "03 02 07 80", bitCall(E, 0), 0, "1:80", 4, 0 },
      { "prim full", "03 03 00 A5 5A", bitCall(E, 0), 0, "16:A5 5A", 5, 0 },
      { "empty", "03 01 00", bitCall(E, 0), 0, "0:null", 3, 0 },
      { "no count octet", "03 00", bitCall(E, 0), 0, "0:null", 2, 0 },
      { "unused > 7", "03 02 08 00", bitCall(E, 0), ASN1ERR_BAD_VALUE, "", -1, ASN1ERR_BAD_VALUE },
      { "unused w/o data", "03 01 03", bitCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "cons", "23 08 03 02 00 AA 03 02 04 B0", bitCall(E, 0), 0, "12:AA B0", 10, 0 },
      { "cons indef", "23 80 03 02 00 AA 03 02 04 B0 00 00", bitCall(E, 0), 0, "12:AA B0", 12, 0 },
      { "cons mid unused", "23 08 03 02 04 AA 03 02 00 B0", bitCall(E, 0), ASN1ERR_BAD_VALUE, "", -1, ASN1ERR_BAD_VALUE },
      { "cons unused > 7", "23 04 03 02 09 AA", bitCall(E, 0), ASN1ERR_BAD_VALUE, "", -1, ASN1ERR_BAD_VALUE },
      { "cons empty seg", "23 02 03 00", bitCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "cons seg > outer", "23 03 03 02 00 AA", bitCall(E, 0), ASN1ERR_INVALID_LENGTH, "", -1, ASN1ERR_INVALID_LENGTH },
      { "cons octet seg", "23 03 04 01 00", bitCall(E, 0), ASN1ERR_BAD_TAG, "", -1, ASN1ERR_BAD_TAG },
   });
}

TEST(BerDecode, NoCopyPointsIntoTheMessage)
{
   Dec d("04 02 AA BB 03 02 00 CC 24 80 04 01 DD 00 00", ASN1FASTCOPY);
   const OSOCTET* data;
   OSUINT32 n;
   ASSERT_EQ(xd_octstr(d.c(), &data, &n, E, 0), 0);
   EXPECT_EQ(data, d.buf.p.get() + 2);
   EXPECT_EQ(n, 2u);
   ASSERT_EQ(xd_bitstr(d.c(), &data, &n, E, 0), 0);
   EXPECT_EQ(data, d.buf.p.get() + 7);
   EXPECT_EQ(n, 8u);
   // A segmented string is gathered into a copy.
   ASSERT_EQ(xd_octstr(d.c(), &data, &n, E, 0), 0);
   EXPECT_TRUE(data < d.buf.p.get() || data >= d.buf.p.get() + d.buf.n);
   EXPECT_EQ(Hex(data, n), "DD");
   Dec o("30 03 02 01 05", ASN1FASTCOPY);
   ASSERT_EQ(xd_OpenType(o.c(), &data, &n), 0);
   EXPECT_EQ(data, o.buf.p.get());
   EXPECT_EQ(n, 5u);
}

TEST(BerDecode, StaticStrings)
{
   OSOCTET buf[4];
   struct Case { const char* hex; OSUINT16 flags; int len; OSUINT32 cap; int stat; const char* out; } cases[] = {
      { "04 03 01 02 03", 0, 0, 4, 0, "01 02 03" },
      { "04 03 01 02 03", 0, 0, 2, ASN1ERR_STRING_OVERFLOW, "" },
      { "24 03 04 01 05", 0, 0, 4, ASN1ERR_TAG_NOT_FOUND, "" },    // explicit: primitive only
      // Implicit constructed: the content length (which counts the segment
      // headers) may exceed the capacity; the data may not.
      { "04 02 41 42 04 02 43 44", ASN1CONSTAG, 8, 4, 0, "41 42 43 44" },
      { "04 02 41 42 04 03 43 44 45", ASN1CONSTAG, 9, 4, ASN1ERR_STRING_OVERFLOW, "" },
      { "", ASN1CONSTAG, INDEFINITE_LENGTH, 4, ASN1ERR_INVALID_LENGTH, "" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex, c.flags);
      OSUINT32 n = c.cap;
      EXPECT_EQ(xd_octstr_s(d.c(), buf, &n, c.len ? I : E, c.len), c.stat);
      if (c.stat == 0) {
         EXPECT_EQ(Hex(buf, n), c.out);
      }
   }
   struct BitCase { const char* hex; OSUINT16 flags; int len; OSUINT32 capbits; int stat; OSUINT32 bits; } bits[] = {
      { "03 02 07 80", 0, 0, 1, 0, 1 },
      { "03 03 00 FF FF", 0, 0, 9, 0, 16 },
      { "03 03 00 FF FF", 0, 0, 8, ASN1ERR_STRING_OVERFLOW, 0 },
      { "03 02 00 FF", 0, 0, 0, ASN1ERR_STRING_OVERFLOW, 0 },      // no room at all
      { "03 02 09 FF", 0, 0, 8, ASN1ERR_BAD_VALUE, 0 },
      { "03 01 01", 0, 0, 8, ASN1ERR_INVALID_LENGTH, 0 },
      { "03 02 00 AA 03 02 03 F8", ASN1CONSTAG, 8, 16, 0, 13 },
      { "03 02 00 AA 03 02 03 F8", ASN1CONSTAG, 8, 12, 0, 13 },    // 12 bits -> 2 octets of room
      { "03 02 00 AA 03 02 03 F8", ASN1CONSTAG, 8, 8, ASN1ERR_STRING_OVERFLOW, 0 },
      { "03 02 00 AA 03 02 03 F8", ASN1CONSTAG, 7, 16, ASN1ERR_INVALID_LENGTH, 0 },
   };
   for (const BitCase& c : bits) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex, c.flags);
      OSUINT32 n = c.capbits;
      EXPECT_EQ(xd_bitstr_s(d.c(), buf, &n, c.len ? I : E, c.len), c.stat);
      if (c.stat == 0) {
         EXPECT_EQ(n, c.bits);
      }
   }
}

TEST(BerDecode, WideCharacterStrings)
{
   Dec d("1E 04 00 41 20 AC 3E 80 04 02 00 42 00 00 1C 04 00 01 F6 00 1E 03 00 41 00");
   Asn116BitCharString s16;
   ASSERT_EQ(xd_16BitCharStr(d.c(), &s16, E, 0x1E, 0), 0);
   ASSERT_EQ(s16.nchars, 2u);
   EXPECT_EQ(s16.data[0], 0x41);
   EXPECT_EQ(s16.data[1], 0x20AC);
   ASSERT_EQ(xd_16BitCharStr(d.c(), &s16, E, 0x1E, 0), 0);
   ASSERT_EQ(s16.nchars, 1u);
   EXPECT_EQ(s16.data[0], 0x42);
   Asn132BitCharString s32;
   ASSERT_EQ(xd_32BitCharStr(d.c(), &s32, E, 0x1C, 0), 0);
   ASSERT_EQ(s32.nchars, 1u);
   EXPECT_EQ(s32.data[0], 0x1F600u);
   // An odd octet count is not a BMPString.
   EXPECT_EQ(xd_16BitCharStr(d.c(), &s16, E, 0x1E, 0), ASN1ERR_INVALID_LENGTH);
   Dec e("1E 00");
   ASSERT_EQ(xd_16BitCharStr(e.c(), &s16, E, 0x1E, 0), 0);
   EXPECT_EQ(s16.nchars, 0u);
   EXPECT_EQ(s16.data, nullptr);
}

TEST(BerDecode, OpenTypes)
{
   struct Case { const char* hex; int stat; const char* out; OSUINT32 pos; int recorded; } cases[] = {
      { "30 03 02 01 05 FF", 0, "30 03 02 01 05", 5, 0 },
      { "30 80 02 01 05 00 00 FF", 0, "30 80 02 01 05 00 00", 7, 0 },
      { "05 00", 0, "05 00", 2, 0 },
      { "", 0, "", 0, 0 },                                         // at the end: empty
      { "00 00", ASN1ERR_BAD_VALUE, "", 0, 0 },
      { "04 05 01", ASN1ERR_BAD_VALUE, "", 0, 0 },                 // passes the end
      { "30 80 02 01 05", ASN1ERR_END_OF_BUFFER, "", 0, ASN1ERR_END_OF_BUFFER },
      { "04 80 00 00", ASN1ERR_INVALID_LENGTH, "", 0, ASN1ERR_INVALID_LENGTH },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.hex);
      Dec d(c.hex);
      const OSOCTET* data = nullptr;
      OSUINT32 n = 99;
      EXPECT_EQ(xd_OpenType(d.c(), &data, &n), c.stat);
      EXPECT_EQ(d.recorded(), c.recorded);
      if (c.stat == 0) {
         EXPECT_EQ(Hex(data, n), c.out);
         EXPECT_EQ(d.pos(), c.pos);
      }
   }
}

TEST(BerDecode, OpenTypeExtensions)
{
   // SEQUENCE { [0] 1, [5] 'x', [6] NULL, [1] 2 }: [5] and [6] are unknown.
   const char* msg = "30 0B 80 01 01 85 01 78 86 00 81 01 02 05 00";
   {
      Dec d(msg);
      d.t.c.buffer.byteIndex = 5;
      ASN1CCB ccb = { d.buf.p.get() + 2, 11 };
      Asn1RTDList list;
      rtDListInit(&list);
      ASSERT_EQ(xd_OpenTypeExt(d.c(), &ccb, TM_CTXT | 1, &list), 0);
      EXPECT_EQ(d.pos(), 10u);                        // left at [1]
      ASSERT_EQ(list.count, 2u);
      const ASN1OpenType* o1 = static_cast<const ASN1OpenType*>(list.head->data);
      const ASN1OpenType* o2 = static_cast<const ASN1OpenType*>(list.tail->data);
      EXPECT_EQ(Hex(o1->data, o1->numocts), "85 01 78");
      EXPECT_EQ(Hex(o2->data, o2->numocts), "86 00");
      // Round trip: the extensions re-encode as they came.
      TestCtxt t;
      t.encodeInit();
      EXPECT_EQ(xe_OpenTypeExt(t.get(), &list), 5);
      EXPECT_EQ(Hex(t.encoded()), "85 01 78 86 00");
   }
   {
      // Tag never found within the content: -2, recorded.
      Dec d(msg);
      d.t.c.buffer.byteIndex = 5;
      ASN1CCB ccb = { d.buf.p.get() + 2, 11 };
      Asn1RTDList list;
      rtDListInit(&list);
      EXPECT_EQ(xd_OpenTypeExt(d.c(), &ccb, TM_CTXT | 9, &list), ASN1ERR_END_OF_BUFFER);
      EXPECT_EQ(d.recorded(), ASN1ERR_END_OF_BUFFER);
      EXPECT_EQ(list.count, 3u);
   }
   {
      // Everything to the end of an indefinite content; a null list skips.
      Dec d("30 80 85 01 78 86 00 00 00");
      d.t.c.buffer.byteIndex = 2;
      ASN1CCB ccb = { d.buf.p.get() + 2, INDEFINITE_LENGTH };
      Asn1RTDList list;
      rtDListInit(&list);
      ASSERT_EQ(xd_OpenTypeExt(d.c(), &ccb, 0xFFFFFFFFu, &list), 0);
      EXPECT_EQ(list.count, 2u);
      EXPECT_EQ(d.pos(), 7u);
      d.t.c.buffer.byteIndex = 2;
      ASSERT_EQ(xd_OpenTypeExt(d.c(), &ccb, 0xFFFFFFFFu, nullptr), 0);
      EXPECT_EQ(d.pos(), 7u);
   }
}

// With length checks off (ASN1NOLENCHECK) a huge definite length is still
// never followed past the end: every consumer compares it with the octets
// left instead of adding it to the position.
TEST(BerDecode, HugeLengthsWithoutLengthCheck)
{
   const char* msg = "04 84 7F FF FF FF 41 42";
   struct Case { const char* name; std::function<int(ASN1CTXT*)> call; int stat; } cases[] = {
      { "octstr", [](ASN1CTXT* p) { const OSOCTET* d; OSUINT32 n; return xd_octstr(p, &d, &n, E, 0); }, ASN1ERR_END_OF_BUFFER },
      { "opentype", [](ASN1CTXT* p) { const OSOCTET* d; OSUINT32 n; return xd_OpenType(p, &d, &n); }, ASN1ERR_BAD_VALUE },
      { "next", [](ASN1CTXT* p) { return xd_NextElement(p); }, ASN1ERR_END_OF_BUFFER },
      { "charstr", [](ASN1CTXT* p) { const char* t; return xd_charstr(p, &t, E, 4, 0); }, ASN1ERR_END_OF_BUFFER },
      { "static", [](ASN1CTXT* p) { OSOCTET b[4]; OSUINT32 n = 4; return xd_octstr_s(p, b, &n, E, 0); }, ASN1ERR_STRING_OVERFLOW },
      { "seek", [](ASN1CTXT* p) { return xd_match(p, 5, nullptr, XM_SEEK); }, ASN1ERR_TAG_NOT_FOUND },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Dec d(msg, ASN1NOLENCHECK);
      EXPECT_EQ(c.call(d.c()), c.stat);
      EXPECT_LE(d.pos(), 8u);
   }
   // Implicit callers passing a length near 2^31 at a late position.
   Dec d("00 00 00 00 00 00 01 02");
   d.t.c.buffer.byteIndex = 6;
   int v;
   EXPECT_EQ(xd_integer(d.c(), &v, I, 0x7FFFFFFF), ASN1ERR_TOO_BIG);
   const char* text;
   EXPECT_EQ(xd_bigint(d.c(), &text, I, 0x7FFFFFFF), ASN1ERR_END_OF_BUFFER);
   ASN1OBJID oid;
   EXPECT_EQ(xd_objid(d.c(), &oid, I, 0x7FFFFFFF), ASN1ERR_END_OF_BUFFER);
   const OSOCTET* data;
   OSUINT32 n;
   EXPECT_EQ(xd_octstr(d.c(), &data, &n, I, 0x7FFFFFFF), ASN1ERR_END_OF_BUFFER);
   EXPECT_EQ(d.pos(), 6u);
}

// Allocation failures come back as -12, and nothing stays allocated once
// the context is freed.
TEST(BerDecode, AllocationFailuresAreReported)
{
   CountingHooks hooks;
   {
      TestCtxt t;
      Bytes m = H("04 02 AA BB");
      ASSERT_EQ(rtInitContextBuffer(t.get(), m.data(), (OSUINT32)m.size()), 0);
      hooks.failAfter(0);
      const OSOCTET* data;
      OSUINT32 n;
      EXPECT_EQ(xd_octstr(t.get(), &data, &n, E, 0), ASN1ERR_NO_MEMORY);
      hooks.failAfter(-1);
   }
   EXPECT_EQ(hooks.live(), 0);
}

} // namespace
