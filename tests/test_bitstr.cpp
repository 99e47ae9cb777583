// ASN1CBitStr: bindings, bit and range operations, logic, shifts, capacity.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ASN1CBitStr.h"
#include "CountingHooks.h"
#include "rtError.h"

namespace {

using Bytes = std::vector<OSOCTET>;

Bytes usedBytes(ASN1CBitStr& b)
{
   Bytes out((size_t)b.size());
   if (!out.empty()) {
      EXPECT_EQ(0, b.getBytes(out.data(), (int)out.size()));
   }
   return out;
}

class BitStrTest : public ::testing::Test {
protected:
   BitStrTest() : mCtxt(new ASN1Context()) {}
   ASN1CTXT* ctxt() { return mCtxt->getPtr(); }
   ASN1CtxtPtr mCtxt;
};

} // namespace

// Each row starts from an unbounded string holding `initial` (8 bits per
// byte, trimmed), applies one operation and checks status, bytes and length.
TEST_F(BitStrTest, OperationTable)
{
   struct Case {
      const char* name;
      Bytes initial;
      std::function<int(ASN1CBitStr&)> op;
      int status;
      Bytes expected;
      OSUINT32 length;
   };
   const OSOCTET opF00F[] = {0xF0, 0x0F};
   const OSOCTET opFF[] = {0xFF, 0xFF};
   const OSOCTET opA5[] = {0xA5};
   const OSOCTET opF0[] = {0xF0};
   const std::vector<Case> cases = {
      {"set one bit", {}, [](ASN1CBitStr& b) { return b.set(3); }, 0, {0x10}, 4},
      {"set whole byte", {}, [](ASN1CBitStr& b) { return b.set(0, 8); }, 0, {0xFF}, 8},
      {"set to byte end", {}, [](ASN1CBitStr& b) { return b.set(3, 8); }, 0, {0x1F}, 8},
      {"set across bytes", {}, [](ASN1CBitStr& b) { return b.set(3, 13); }, 0, {0x1F, 0xF8}, 13},
      {"set inside a byte", {}, [](ASN1CBitStr& b) { return b.set(9, 10); }, 0, {0x00, 0x40}, 10},
      {"set over three bytes", {}, [](ASN1CBitStr& b) { return b.set(7, 17); }, 0,
       {0x01, 0xFF, 0x80}, 17},
      {"set reversed range", {}, [](ASN1CBitStr& b) { return b.set(5, 3); }, -24, {}, 0},
      {"set empty range", {0x80}, [](ASN1CBitStr& b) { return b.set(4, 4); }, 0, {0x80}, 1},
      {"clear only bit", {0x10}, [](ASN1CBitStr& b) { return b.clear(3); }, 0, {}, 0},
      {"clear last bit trims", {0x80, 0x01}, [](ASN1CBitStr& b) { return b.clear(15); }, 0,
       {0x80}, 1},
      {"clear beyond used", {0x80}, [](ASN1CBitStr& b) { return b.clear(20); }, 0, {0x80}, 1},
      {"clear range", {0xFF, 0xFF}, [](ASN1CBitStr& b) { return b.clear(2, 12); }, 0,
       {0xC0, 0x0F}, 16},
      {"clear range past used", {0xFF}, [](ASN1CBitStr& b) { return b.clear(4, 100); }, 0,
       {0xF0}, 4},
      {"clear reversed range", {0xFF}, [](ASN1CBitStr& b) { return b.clear(4, 2); }, -24,
       {0xFF}, 8},
      {"clear all", {0xFF, 0x01}, [](ASN1CBitStr& b) { b.clear(); return 0; }, 0, {}, 0},
      {"invert range grows", {0xF0}, [](ASN1CBitStr& b) { return b.invert(0, 16); }, 0,
       {0x0F, 0xFF}, 16},
      {"invert only bit", {0x01}, [](ASN1CBitStr& b) { return b.invert(7); }, 0, {}, 0},
      {"invert new bit", {0x80}, [](ASN1CBitStr& b) { return b.invert(9); }, 0, {0x80, 0x40}, 10},
      {"shift left", {0x0F, 0xF0}, [](ASN1CBitStr& b) { return b.shiftLeft(4); }, 0, {0xFF}, 8},
      {"shift left odd", {0x01, 0x80}, [](ASN1CBitStr& b) { return b.shiftLeft(3); }, 0,
       {0x0C}, 6},
      {"shift left past length", {0xFF}, [](ASN1CBitStr& b) { return b.shiftLeft(20); }, 0, {}, 0},
      {"shift right grows", {0xFF}, [](ASN1CBitStr& b) { return b.shiftRight(4); }, 0,
       {0x0F, 0xF0}, 12},
      {"shift right by bytes", {0x81}, [](ASN1CBitStr& b) { return b.shiftRight(16); }, 0,
       {0x00, 0x00, 0x81}, 24},
      {"and", {0xFF, 0xFF}, [&](ASN1CBitStr& b) { return b.doAnd(opF00F, 16); }, 0,
       {0xF0, 0x0F}, 16},
      {"and shorter operand", {0xFF, 0xFF}, [&](ASN1CBitStr& b) { return b.doAnd(opFF, 8); }, 0,
       {0xFF}, 8},
      {"and ignores operand bits past its count", {0xFF},
       [&](ASN1CBitStr& b) { return b.doAnd(opFF, 4); }, 0, {0xF0}, 4},
      {"and with nothing clears", {0xFF}, [&](ASN1CBitStr& b) { return b.doAnd(opFF, 0); }, 0,
       {}, 0},
      {"and null", {0xFF}, [](ASN1CBitStr& b) { return b.doAnd(nullptr, 8); }, -30, {0xFF}, 8},
      {"or", {0x0F}, [&](ASN1CBitStr& b) { return b.doOr(opA5, 8); }, 0, {0xAF}, 8},
      {"or masks the operand", {}, [&](ASN1CBitStr& b) { return b.doOr(opFF, 3); }, 0, {0xE0}, 3},
      {"or null", {0x0F}, [](ASN1CBitStr& b) { return b.doOr(nullptr, 8); }, -30, {0x0F}, 8},
      {"or nothing on unbounded", {0x0F}, [&](ASN1CBitStr& b) { return b.doOr(opA5, 0); }, -30,
       {0x0F}, 8},
      {"xor", {0x0F}, [&](ASN1CBitStr& b) { return b.doXor(opFF, 8); }, 0, {0xF0}, 4},
      {"xor to nothing", {0xFF}, [&](ASN1CBitStr& b) { return b.doXor(opFF, 8); }, 0, {}, 0},
      {"xor grows", {0x80}, [&](ASN1CBitStr& b) { return b.doXor(opFF, 12); }, 0, {0x7F, 0xF0}, 12},
      {"and not", {0xFF}, [&](ASN1CBitStr& b) { return b.doAndNot(opF0, 8); }, 0, {0x0F}, 8},
      {"and not masks the operand", {0xFF}, [&](ASN1CBitStr& b) { return b.doAndNot(opFF, 4); }, 0,
       {0x0F}, 8},
      {"and not null", {0xFF}, [](ASN1CBitStr& b) { return b.doAndNot(nullptr, 4); }, -30,
       {0xFF}, 8},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      ASN1CBitStr b(*mCtxt, 0);
      if (!c.initial.empty()) {
         ASSERT_EQ(0, b.doOr(c.initial.data(), (OSUINT32)c.initial.size() * 8));
      }
      rtErrReset(&ctxt()->errInfo);
      EXPECT_EQ(c.status, c.op(b));
      EXPECT_EQ(c.status, ctxt()->errInfo.status);   // failures are recorded
      EXPECT_EQ(c.expected, usedBytes(b));
      EXPECT_EQ(c.length, b.length());
   }
}

TEST_F(BitStrTest, QueriesAndRanges)
{
   ASN1CBitStr b(*mCtxt, 0);
   ASSERT_EQ(0, b.set(4, 12));            // 0F F0
   EXPECT_EQ(8, b.cardinality());
   EXPECT_EQ(4, b.unusedBitsInLastUnit());
   EXPECT_TRUE(b.get(4));
   EXPECT_FALSE(b.get(3));
   EXPECT_FALSE(b.get(4000));

   OSOCTET out[3] = {0xAA, 0xAA, 0xAA};
   EXPECT_EQ(0, b.get(4, 12, out, 1));
   EXPECT_EQ(0xFF, out[0]);
   EXPECT_EQ(0, b.get(2, 26, out, 3));   // bits 2..11, the rest zero
   EXPECT_EQ(0x3F, out[0]);
   EXPECT_EQ(0xC0, out[1]);
   EXPECT_EQ(0x00, out[2]);
   EXPECT_EQ(-17, b.get(4, 13, out, 1));  // 9 bits in one byte
   EXPECT_EQ(-24, b.get(5, 4, out, 1));
   EXPECT_EQ(0, b.get(20, 24, out, 1));   // beyond the length: zeros
   EXPECT_EQ(0x00, out[0]);

   OSOCTET small[1];
   EXPECT_EQ(-5, b.getBytes(small, 1));

   ASN1TDynBitStr shared = b;
   EXPECT_EQ(12u, shared.numbits);
   ASN1TDynBitStr* copy = b;
   ASSERT_NE(nullptr, copy);
   EXPECT_EQ(12u, copy->numbits);
   EXPECT_NE(shared.data, copy->data);
   EXPECT_EQ(0x0F, copy->data[0]);
   EXPECT_EQ(0xF0, copy->data[1]);
}

TEST_F(BitStrTest, CallerBufferIsBounded)
{
   // Binding cuts the count to the maximum and clears bits beyond it.
   OSOCTET buf[3] = {0xFF, 0xFF, 0xFF};
   OSUINT32 numbits = 20;
   ASN1CBitStr b(*mCtxt, buf, numbits, 12);
   EXPECT_EQ(12u, numbits);
   EXPECT_EQ(0xF0, buf[1]);
   EXPECT_EQ(0xFF, buf[2]);   // beyond the buffer's 12 bits: untouched
   EXPECT_EQ(12u, b.length());

   // An index equal to the maximum passes the range test and then depends
   // on the space: 12 bits leave room for bit 12, 16 bits do not for 16.
   EXPECT_EQ(0, b.set(12));
   EXPECT_EQ(13u, numbits);
   EXPECT_EQ(-29, b.set(13));
   EXPECT_EQ(-29, b.set(0, 13));
   OSOCTET buf16[2] = {0, 0};
   OSUINT32 n16 = 0;
   ASN1CBitStr b16(*mCtxt, buf16, n16, 16);
   rtErrReset(&ctxt()->errInfo);
   EXPECT_EQ(-5, b16.set(16));
   EXPECT_EQ(-5, ctxt()->errInfo.status);

   // OR with an empty operand fills a bounded string.
   OSOCTET buf10[2] = {0, 0};
   OSUINT32 n10 = 0;
   ASN1CBitStr b10(*mCtxt, buf10, n10, 10);
   EXPECT_EQ(0, b10.doOr(buf16, 0));
   EXPECT_EQ(0xFF, buf10[0]);
   EXPECT_EQ(0xC0, buf10[1]);
   EXPECT_EQ(10u, n10);

   // A bounded right shift drops the bits pushed past the length.
   EXPECT_EQ(0, b10.shiftRight(4));
   EXPECT_EQ(0x0F, buf10[0]);
   EXPECT_EQ(0xC0, buf10[1]);
   EXPECT_EQ(0, b10.shiftRight(10));
   EXPECT_EQ(0u, b10.length());

   // A short string in a larger bounded buffer keeps the bits it shifts
   // within its length; only the byte holding the maximum is cut at it.
   OSOCTET buf12[2] = {0xFE, 0x00};
   OSUINT32 n12 = 7;
   ASN1CBitStr b12(*mCtxt, buf12, n12, 12);
   EXPECT_EQ(0, b12.shiftRight(1));
   EXPECT_EQ(0x7E, buf12[0]);
   EXPECT_EQ(7u, n12);
}

TEST_F(BitStrTest, UnboundUntilInit)
{
   ASN1CBitStr b(*mCtxt);
   EXPECT_EQ(-5, b.set(0));
   EXPECT_EQ(-29, b.set(1));
   EXPECT_EQ(0u, b.length());

   OSOCTET buf[2] = {0x80, 0x00};
   OSUINT32 n = 1;
   b.init(buf, n, 16);
   EXPECT_EQ(0, b.set(15));
   EXPECT_EQ(0x01, buf[1]);
   EXPECT_EQ(16u, n);
}

TEST_F(BitStrTest, RecordBindingGrowsIntoTheHeap)
{
   // The edge case: set(3) on an empty unbounded string.
   ASN1TDynBitStr rec;
   ASN1CBitStr b(*mCtxt, rec);
   EXPECT_EQ(0, b.set(3));
   EXPECT_EQ(4u, b.length());
   EXPECT_EQ(1, b.size());
   EXPECT_EQ(4u, rec.numbits);
   ASSERT_NE(nullptr, rec.data);
   // 1 + 1024 units: the last of them is reached without moving the block.
   OSOCTET* first = rec.data;
   EXPECT_EQ(0, b.set(1025 * 8 - 1));
   EXPECT_EQ(first, rec.data);
   EXPECT_EQ(1025 * 8u, rec.numbits);

   // A record's own bytes are copied into a heap block when it grows.
   OSOCTET bytes[2] = {0xFF, 0xFF};
   ASN1TDynBitStr rec2(12, bytes);
   ASN1CBitStr b2(*mCtxt, rec2);
   EXPECT_EQ(0xF0, bytes[1]);          // bits past the count cleared
   EXPECT_EQ(0, b2.set(100));
   EXPECT_NE(bytes, rec2.data);
   EXPECT_EQ(0xFF, rec2.data[0]);
   EXPECT_EQ(0xF0, rec2.data[1]);
   EXPECT_EQ(101u, rec2.numbits);
}

TEST_F(BitStrTest, CopiesAndOwnStorage)
{
   ASN1CBitStr fixed(*mCtxt, 12);      // 12 bits of own storage
   EXPECT_EQ(0, fixed.set(0, 12));
   EXPECT_EQ(-29, fixed.set(13));

   ASN1CBitStr copy(fixed);
   EXPECT_EQ(usedBytes(fixed), usedBytes(copy));
   EXPECT_EQ(0, copy.clear(0));
   EXPECT_TRUE(fixed.get(0));          // independent storage
   EXPECT_EQ(-29, copy.set(13));       // same maximum

   ASN1CBitStr ext(fixed, TRUE);
   EXPECT_EQ(0, ext.set(5000));        // unbounded
   EXPECT_EQ(5001u, ext.length());
   EXPECT_EQ(12, fixed.cardinality());
}

TEST(BitStrMemory, EverythingReturnsWithTheHeap)
{
   CountingHooks hooks;
   {
      ASN1CtxtPtr ctx(new ASN1Context());
      ASN1CBitStr own(*ctx, 0);
      ASSERT_EQ(0, own.set(10000));
      ASN1CBitStr ext(own, TRUE);
      ASSERT_EQ(0, ext.shiftRight(20000));
      ASN1TDynBitStr rec;
      ASN1CBitStr bound(*ctx, rec);
      ASSERT_EQ(0, bound.set(7));
      ASN1TDynBitStr* copy = own;
      ASSERT_NE(nullptr, copy);
   }
   EXPECT_EQ(0, hooks.live());
}

// Random operations on an unbounded string against a plain bit vector.
TEST_F(BitStrTest, MatchesAReferenceModel)
{
   ASN1CBitStr b(*mCtxt, 0);
   std::vector<bool> model;
   unsigned state = 777;
   auto rnd = [&state](unsigned n) {
      state = state * 1103515245u + 12345u;
      return ((state >> 16) & 0x7FFF) % n;
   };
   auto bit = [&model](OSUINT32 i) { return i < model.size() && model[i]; };
   auto put = [&model](OSUINT32 i, bool on) {
      if (i >= model.size()) model.resize(i + 1, false);
      model[i] = on;
   };
   for (int iter = 0; iter < 3000; iter++) {
      OSUINT32 a = rnd(200), c = rnd(200);
      OSUINT32 from = a < c ? a : c, to = a < c ? c : a;
      int op = (int)rnd(7);
      SCOPED_TRACE(testing::Message() << "iter " << iter << " op " << op << " " << from << ".." << to);
      switch (op) {
      case 0: ASSERT_EQ(0, b.set(from)); put(from, true); break;
      case 1: ASSERT_EQ(0, b.clear(from)); put(from, false); break;
      case 2: ASSERT_EQ(0, b.set(from, to)); for (OSUINT32 i = from; i < to; i++) put(i, true); break;
      case 3: ASSERT_EQ(0, b.clear(from, to)); for (OSUINT32 i = from; i < to; i++) put(i, false); break;
      case 4: ASSERT_EQ(0, b.invert(from, to)); for (OSUINT32 i = from; i < to; i++) put(i, !bit(i)); break;
      case 5: {
         OSUINT32 n = rnd(20);
         ASSERT_EQ(0, b.shiftLeft(n));
         std::vector<bool> next;
         for (OSUINT32 i = n; i < model.size(); i++) next.push_back(model[i]);
         model = next;
         break;
      }
      default: {
         OSUINT32 n = rnd(20);
         ASSERT_EQ(0, b.shiftRight(n));
         if (!model.empty()) model.insert(model.begin(), n, false);
         break;
      }
      }
      if (model.size() > 400) {   // keep the string short
         b.clear();
         model.clear();
      }
      OSUINT32 len = 0;
      int card = 0;
      for (OSUINT32 i = 0; i < model.size(); i++) {
         if (model[i]) {
            len = i + 1;
            card++;
         }
      }
      ASSERT_EQ(len, b.length());
      ASSERT_EQ(card, b.cardinality());
      for (OSUINT32 i = 0; i < len + 8; i++) ASSERT_EQ(bit(i), b.get(i) != 0) << "bit " << i;
   }
}
