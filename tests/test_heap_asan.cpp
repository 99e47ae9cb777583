// Carved heap blocks under AddressSanitizer: the heap cuts blocks out of
// larger chunks, and poisons what lies between them (payload padding, a red
// zone), the free space of a chunk and every freed block, so that an
// overflow from one block into the next is reported as for blocks of their
// own. Only meaningful in the asan preset; elsewhere the tests are skipped.
#include <gtest/gtest.h>

#include <string.h>

#include "ASN1Context.h"
#include "rtMemHeap.h"

#if defined(__SANITIZE_ADDRESS__)
#define HEAP_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_ASAN 1
#endif
#endif

namespace {

// Two blocks carved one after the other from a fresh context's heap.
struct TwoBlocks {
   ASN1CTXT ctxt;
   volatile OSOCTET* first;
   volatile OSOCTET* second;
   TwoBlocks(int n1, int n2)
   {
      rtInitContext(&ctxt, nullptr);
      first = static_cast<OSOCTET*>(rtMemHeapAlloc(&ctxt.memHeap, n1));
      second = static_cast<OSOCTET*>(rtMemHeapAlloc(&ctxt.memHeap, n2));
   }
   ~TwoBlocks() { rtFreeContext(&ctxt); }
};

class CarvedHeapDeathTest : public ::testing::Test {
protected:
   void SetUp() override
   {
#if !defined(HEAP_ASAN)
      GTEST_SKIP() << "needs AddressSanitizer (preset asan)";
#endif
      ASSERT_EQ(g_malloc_func, &rtDefaultMalloc) << "carving needs the default hooks";
      GTEST_FLAG_SET(death_test_style, "threadsafe");
   }
};

TEST_F(CarvedHeapDeathTest, BlocksAreCarvedFromOneChunk)
{
   TwoBlocks b(24, 24);
   ASSERT_NE(b.first, nullptr);
   ASSERT_NE(b.second, nullptr);
   // Neighbours in one chunk, not blocks of the allocator's own.
   EXPECT_GT(b.second, b.first);
   EXPECT_LT(b.second - b.first, 128);
   // Every octet of both blocks is usable.
   for (int i = 0; i < 24; i++) {
      b.first[i] = 1;
      b.second[i] = 2;
   }
}

// Writes and reads one octet past a block's end (into its padding, its red
// zone, and the next block's header), and use of a freed block.
TEST_F(CarvedHeapDeathTest, OverflowIntoTheNextBlockIsReported)
{
   struct Case { int size; int offset; bool write; };
   const Case cases[] = {
      { 24, 24, true },    // the first octet past the end, in the padding
      { 32, 32, true },    // past a payload without padding: the red zone
      { 24, 24, false },   // a read past the end
      { 1, 15, false },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.size) + "+" + std::to_string(c.offset));
      EXPECT_DEATH(
         {
            TwoBlocks b(c.size, 24);
            if (c.write) b.first[c.offset] = 0x41;
            else fprintf(stderr, "%d\n", b.first[c.offset]);
         },
         "AddressSanitizer");
   }
   // A block written up to its last octet is fine.
   TwoBlocks b(24, 24);
   b.first[23] = 1;
}

TEST_F(CarvedHeapDeathTest, FreedAndUncarvedSpaceIsReported)
{
   EXPECT_DEATH(
      {
         TwoBlocks b(40, 40);
         OSOCTET* p = const_cast<OSOCTET*>(b.first);
         rtMemHeapFreePtr(&b.ctxt.memHeap, p);
         b.first[0] = 1;   // freed, its chunk still alive
      },
      "AddressSanitizer");
   EXPECT_DEATH(
      {
         TwoBlocks b(40, 40);
         b.second[40 + 100] = 1;   // beyond the newest block: the chunk's free space
      },
      "AddressSanitizer");
}

// The membership test looks at headers only where a block can start: an
// address inside a payload or a freed block is answered, not reported.
TEST_F(CarvedHeapDeathTest, CheckPtrReadsNoPoisonedHeader)
{
   TwoBlocks b(200, 24);
   OSOCTET* first = const_cast<OSOCTET*>(b.first);
   EXPECT_EQ(rtMemHeapCheckPtr(&b.ctxt.memHeap, first), 1);
   EXPECT_EQ(rtMemHeapCheckPtr(&b.ctxt.memHeap, first + 32), 0);
   EXPECT_EQ(rtMemHeapCheckPtr(&b.ctxt.memHeap, first + 208), 0);   // in the red zone
   rtMemHeapFreePtr(&b.ctxt.memHeap, first);
   EXPECT_EQ(rtMemHeapCheckPtr(&b.ctxt.memHeap, first), 0);
}

}  // namespace
