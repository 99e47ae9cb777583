// Context, memory heap and ASN1Context.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "ASN1Context.h"
#include "CountingHooks.h"
#include "asn1MessageBuffer.h"
#include "rtMemHeap.h"

namespace {

// The blocks of a heap whose blocks are calls of the memory hooks (the
// heap keeps them in a list), newest first.
std::vector<void*> heapBlocks(OSMemHeap* heap)
{
   std::vector<void*> out;
   for (OSMemLink* b = heap->blockList; b != nullptr; b = b->next) {
      out.push_back(reinterpret_cast<OSOCTET*>(b) + sizeof(OSMemLink));
      if (b->next != nullptr) {
         EXPECT_EQ(b->next->prev, b);
      }
   }
   return out;
}

// A carving heap keeps no list: every one of blocks must be a member whose
// header holds its size.
void expectMembers(OSMemHeap* heap, const std::vector<OSOCTET*>& blocks, const std::vector<int>& sizes)
{
   EXPECT_EQ(heap->blockList, nullptr);
   for (size_t i = 0; i < blocks.size(); i++) {
      if (blocks[i] == nullptr) continue;
      EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[i]), 1) << i;
      EXPECT_EQ(reinterpret_cast<OSMemBlk*>(blocks[i])[-1].size, (OSUINT32)sizes[i]) << i;
   }
}

TEST(Context, InitSetsKeyHeapAndLists)
{
   ASN1CTXT ctxt;
   memset(&ctxt, 0xA5, sizeof ctxt);
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   EXPECT_EQ(ctxt.key, ASN1CTXT_KEY);
   ASSERT_NE(ctxt.memHeap, nullptr);
   EXPECT_EQ(ctxt.memHeap, ctxt.msgMemHeap);
   EXPECT_EQ(ctxt.memHeap->refCount, 2u);
   EXPECT_EQ(ctxt.memHeap->heapFlags, RT_MH_FREEHEAPDESC);
   EXPECT_EQ(ctxt.memHeap->defBlkSize, g_defBlkSize);
   EXPECT_EQ(ctxt.errInfo.status, 0);
   EXPECT_EQ(ctxt.flags, 0);
   EXPECT_EQ(ctxt.stream, nullptr);
   EXPECT_EQ(ctxt.listA.ctxt, &ctxt);
   EXPECT_EQ(ctxt.listB.ctxt, &ctxt);
   EXPECT_EQ(ctxt.listA.count, 0u);
   rtFreeContext(&ctxt);
   EXPECT_EQ(ctxt.key, 0u);
}

TEST(Context, InitPassesMemoryContextToHooks)
{
   static void* seen = nullptr;
   OSMallocFunc oldMalloc = g_malloc_func;
   g_malloc_func = [](void* memCtx, size_t size) -> void* {
      seen = memCtx;
      return malloc(size);
   };
   int tag = 0;
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, &tag), 0);
   g_malloc_func = oldMalloc;
   EXPECT_EQ(seen, &tag);
   EXPECT_EQ(ctxt.memCtx, &tag);
   EXPECT_EQ(ctxt.memHeap->memCtx, &tag);
   rtFreeContext(&ctxt);
}

TEST(Context, InitFailsWhenHeapCannotBeAllocated)
{
   CountingHooks hooks;
   hooks.failAfter(0);
   ASN1CTXT ctxt;
   EXPECT_EQ(rtInitContext(&ctxt, nullptr), ASN1ERR_NO_MEMORY);
   EXPECT_NE(ctxt.key, ASN1CTXT_KEY);
   rtFreeContext(&ctxt);  // not initialised: no effect
   EXPECT_EQ(hooks.live(), 0);
}

TEST(Context, InitContextBuffer)
{
   struct Case { bool callerData; OSUINT32 size; OSUINT32 expSize; OSOCTET expDynamic; };
   const Case cases[] = {
      { false, 0, 16384, 1 },
      { false, 100, 100, 1 },
      { true, 10, 10, 0 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.size);
      CountingHooks hooks;
      ASN1CTXT ctxt;
      ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
      OSOCTET mine[10];
      ASSERT_EQ(rtInitContextBuffer(&ctxt, c.callerData ? mine : nullptr, c.size), 0);
      EXPECT_EQ(ctxt.buffer.size, c.expSize);
      EXPECT_EQ(ctxt.buffer.dynamic, c.expDynamic);
      EXPECT_EQ(ctxt.buffer.byteIndex, 0u);
      EXPECT_EQ(ctxt.buffer.bitOffset, 8);
      if (c.callerData) EXPECT_EQ(ctxt.buffer.data, mine);
      else EXPECT_EQ(rtMemHeapCheckPtr(&ctxt.msgMemHeap, ctxt.buffer.data), 1);
      rtFreeContext(&ctxt);
      EXPECT_EQ(hooks.live(), 0);
   }
}

TEST(Context, InitContextBufferNeedsInitialisedContext)
{
   ASN1CTXT ctxt;
   memset(&ctxt, 0, sizeof ctxt);
   EXPECT_EQ(rtInitContextBuffer(&ctxt, nullptr, 0), ASN1ERR_NOT_INITIALIZED);
}

TEST(Context, FreeTwiceAndFreeZeroedRecordDoNothing)
{
   CountingHooks hooks;
   ASN1CTXT zeroed;
   memset(&zeroed, 0, sizeof zeroed);
   rtFreeContext(&zeroed);

   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   ASSERT_NE(rtMemHeapAlloc(&ctxt.memHeap, 10), nullptr);
   rtFreeContext(&ctxt);
   EXPECT_EQ(hooks.live(), 0);
   rtFreeContext(&ctxt);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(Context, FreeReleasesEverythingAllocated)
{
   CountingHooks hooks;
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   ASSERT_EQ(rtInitContextBuffer(&ctxt, nullptr, 0), 0);
   for (int i = 0; i < 100; i++) ASSERT_NE(rtMemHeapAlloc(&ctxt.memHeap, i * 7), nullptr);
   ASSERT_NE(rtSListAppend(&ctxt.listA, &ctxt), nullptr);
   ASSERT_NE(rtSListAppend(&ctxt.listB, &ctxt), nullptr);
   EXPECT_GT(hooks.live(), 100);
   rtFreeContext(&ctxt);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(Context, SaveBufFlagLeavesBufferToHeapRelease)
{
   CountingHooks hooks;
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   ASSERT_EQ(rtInitContextBuffer(&ctxt, nullptr, 64), 0);
   rtCtxtSetFlag(&ctxt, ASN1SAVEBUF);
   ASN1CTXT other;
   ASSERT_EQ(rtInitContext(&other, nullptr), 0);
   rtCtxtSetMsgMemHeap(&other, &ctxt);  // keeps the buffer's heap alive
   OSOCTET* data = ctxt.buffer.data;
   rtFreeContext(&ctxt);
   EXPECT_EQ(rtMemHeapCheckPtr(&other.msgMemHeap, data), 1);
   rtFreeContext(&other);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(Context, CopyContextCopiesBufferAndFlagsOnly)
{
   ASN1CTXT a, b;
   ASSERT_EQ(rtInitContext(&a, nullptr), 0);
   ASSERT_EQ(rtInitContext(&b, nullptr), 0);
   OSOCTET data[4];
   ASSERT_EQ(rtInitContextBuffer(&a, data, 4), 0);
   a.buffer.byteIndex = 3;
   rtCtxtSetFlag(&a, ASN1FASTCOPY | ASN1NOLENCHECK);
   a.errInfo.status = -5;
   OSMemHeap* bHeap = b.memHeap;
   rtCopyContext(&b, &a);
   EXPECT_EQ(b.buffer.data, data);
   EXPECT_EQ(b.buffer.byteIndex, 3u);
   EXPECT_EQ(b.buffer.size, 4u);
   EXPECT_EQ(b.buffer.bitOffset, 8);
   EXPECT_EQ(b.buffer.dynamic, 0);
   EXPECT_EQ(b.flags, ASN1FASTCOPY | ASN1NOLENCHECK);
   EXPECT_EQ(b.errInfo.status, 0);
   EXPECT_EQ(b.memHeap, bHeap);
   rtFreeContext(&a);
   rtFreeContext(&b);
}

// Two contexts sharing heaps, released in either order, leave nothing behind.
TEST(Context, SharedHeapsReleasedInEitherOrder)
{
   for (int order = 0; order < 2; order++) {
      SCOPED_TRACE(order);
      CountingHooks hooks;
      ASN1CTXT a, b;
      ASSERT_EQ(rtInitContext(&a, nullptr), 0);
      ASSERT_EQ(rtInitContext(&b, nullptr), 0);
      ASSERT_EQ(rtInitContextBuffer(&b, nullptr, 32), 0);
      rtCtxtSetMemHeap(&b, &a);
      EXPECT_EQ(b.memHeap, a.memHeap);
      EXPECT_EQ(a.memHeap->refCount, 3u);
      EXPECT_EQ(b.msgMemHeap->refCount, 1u);
      rtCtxtSetMemHeap(&b, &a);  // same heap: no change
      EXPECT_EQ(a.memHeap->refCount, 3u);
      void* shared = rtMemHeapAlloc(&b.memHeap, 50);
      ASSERT_NE(shared, nullptr);
      if (order == 0) {
         rtFreeContext(&a);
         EXPECT_GT(hooks.live(), 0);
         memset(shared, 1, 50);  // still valid: b holds the heap
         rtFreeContext(&b);
      }
      else {
         rtFreeContext(&b);
         EXPECT_EQ(rtMemHeapCheckPtr(&a.memHeap, shared), 1);
         rtFreeContext(&a);
      }
      EXPECT_EQ(hooks.live(), 0);
   }
}

TEST(Context, SetMsgMemHeapShares)
{
   CountingHooks hooks;
   ASN1CTXT a, b;
   ASSERT_EQ(rtInitContext(&a, nullptr), 0);
   ASSERT_EQ(rtInitContext(&b, nullptr), 0);
   rtCtxtSetMsgMemHeap(&b, &a);
   EXPECT_EQ(b.msgMemHeap, a.msgMemHeap);
   EXPECT_EQ(a.msgMemHeap->refCount, 3u);
   rtCtxtSetMsgMemHeap(&b, nullptr);  // no effect
   rtFreeContext(&b);
   rtFreeContext(&a);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MemHeap, CreateAndNullArguments)
{
   EXPECT_EQ(rtMemHeapCreate(nullptr, nullptr), ASN1ERR_INVALID_PARAM);
   EXPECT_EQ(rtMemHeapAlloc(nullptr, 10), nullptr);
   OSMemHeap* heap = nullptr;
   EXPECT_EQ(rtMemHeapRealloc(&heap, nullptr, 10), nullptr);  // no heap is created
   EXPECT_EQ(heap, nullptr);
   rtMemHeapFreePtr(&heap, nullptr);
   rtMemHeapAddRef(&heap);
   rtMemHeapRelease(&heap);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, nullptr), 0);
   EXPECT_EQ(rtMemHeapMarkSaved(&heap, nullptr, TRUE), 0);
}

TEST(MemHeap, AllocCreatesHeapOnDemand)
{
   CountingHooks hooks;
   OSMemHeap* heap = nullptr;
   void* p = rtMemHeapAlloc(&heap, 16);
   ASSERT_NE(p, nullptr);
   ASSERT_NE(heap, nullptr);
   EXPECT_EQ(heap->refCount, 1u);
   EXPECT_EQ(heap->memCtx, nullptr);
   EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
   rtMemHeapRelease(&heap);
   EXPECT_EQ(heap, nullptr);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MemHeap, AllocRefusesSizesThatOverflow)
{
   CountingHooks hooks;
   OSMemHeap* heap = nullptr;
   ASSERT_EQ(rtMemHeapCreate(&heap, nullptr), 0);
   long before = hooks.allocCount();
   const int sizes[] = { -1, -100, INT32_MIN, INT32_MAX, INT32_MAX - 8 };
   for (int n : sizes) {
      SCOPED_TRACE(n);
      EXPECT_EQ(rtMemHeapAlloc(&heap, n), nullptr);
      EXPECT_EQ(rtMemHeapAllocZ(&heap, n), nullptr);
   }
   EXPECT_EQ(hooks.allocCount(), before);  // no short block was ever requested
   EXPECT_EQ(heap->blockList, nullptr);
   rtMemHeapRelease(&heap);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MemHeap, AllocZClears)
{
   OSMemHeap* heap = nullptr;
   OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAllocZ(&heap, 33));
   ASSERT_NE(p, nullptr);
   for (int i = 0; i < 33; i++) EXPECT_EQ(p[i], 0);
   rtMemHeapRelease(&heap);
}

TEST(MemHeap, FreeNewestOldestAndMiddleKeepListIntact)
{
   for (int which = 0; which < 3; which++) {
      SCOPED_TRACE(which);
      CountingHooks hooks;
      OSMemHeap* heap = nullptr;
      void* blocks[5];
      for (int i = 0; i < 5; i++) blocks[i] = rtMemHeapAlloc(&heap, 8 + i);
      void* victim = which == 0 ? blocks[4] : which == 1 ? blocks[0] : blocks[2];
      rtMemHeapFreePtr(&heap, victim);
      std::vector<void*> expect;
      for (int i = 4; i >= 0; i--) {
         if (blocks[i] != victim) expect.push_back(blocks[i]);
      }
      EXPECT_EQ(heapBlocks(heap), expect);
      EXPECT_EQ(rtMemHeapCheckPtr(&heap, victim), 0);
      EXPECT_EQ(heap->blockList->prev, nullptr);
      rtMemHeapRelease(&heap);
      EXPECT_EQ(hooks.live(), 0);
   }
}

TEST(MemHeap, ReallocKeepsContents)
{
   CountingHooks hooks;
   OSMemHeap* heap = nullptr;
   OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAlloc(&heap, 10));
   for (int i = 0; i < 10; i++) p[i] = (OSOCTET)(i + 1);
   OSOCTET* q = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, p, 40));
   ASSERT_NE(q, nullptr);
   for (int i = 0; i < 10; i++) EXPECT_EQ(q[i], i + 1);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, p), 0);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, q), 1);
   OSOCTET* r = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, q, 3));  // shrink
   ASSERT_NE(r, nullptr);
   EXPECT_EQ(r[0], 1);
   EXPECT_EQ(r[2], 3);
   void* fresh = rtMemHeapRealloc(&heap, nullptr, 5);  // null p allocates
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, fresh), 1);
   EXPECT_EQ(heapBlocks(heap).size(), 2u);
   rtMemHeapRelease(&heap);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MemHeap, FailedReallocLeavesOldBlockValid)
{
   CountingHooks hooks;
   OSMemHeap* heap = nullptr;
   OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAlloc(&heap, 4));
   memcpy(p, "abc", 4);
   hooks.failAfter(0);
   EXPECT_EQ(rtMemHeapRealloc(&heap, p, 400), nullptr);
   EXPECT_EQ(rtMemHeapRealloc(&heap, p, -1), nullptr);
   hooks.failAfter(-1);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, p), 1);
   EXPECT_STREQ(reinterpret_cast<char*>(p), "abc");
   rtMemHeapRelease(&heap);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MemHeap, CheckPtrTestsMembership)
{
   OSMemHeap* heap = nullptr;
   OSMemHeap* other = nullptr;
   void* p = rtMemHeapAlloc(&heap, 8);
   void* q = rtMemHeapAlloc(&other, 8);
   char local[32];
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, p), 1);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, q), 0);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, local + 16), 0);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, static_cast<char*>(p) + 1), 0);
   rtMemHeapRelease(&heap);
   rtMemHeapRelease(&other);
}

// With the default hooks the blocks are carved from shared chunks: blocks of
// every size (some above the carving limit, which get chunks of their own)
// must not overlap, must stay in the list in order, and freeing, growing and
// membership must work on them as on single blocks.
TEST(MemHeap, CarvedBlocksKeepListContentsAndMembership)
{
   ASSERT_EQ(g_malloc_func, &rtDefaultMalloc);
   OSMemHeap* heap = nullptr;
   ASSERT_EQ(rtMemHeapCreate(&heap, nullptr), 0);
   std::vector<OSOCTET*> blocks;
   std::vector<int> sizes;
   for (int i = 0; i < 3000; i++) {
      int n = (i % 97 == 0) ? 300000 + i : (i * 37) % 700;
      OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAlloc(&heap, n));
      ASSERT_NE(p, nullptr);
      ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
      memset(p, i & 0xFF, (size_t)n);
      blocks.push_back(p);
      sizes.push_back(n);
   }
   expectMembers(heap, blocks, sizes);
   char local[64];
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, local + 32), 0);
   for (size_t i = 0; i < blocks.size(); i++) {
      EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[i]), 1) << i;
      if (sizes[i] >= 64) {
         EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[i] + 32), 0) << i;
      }
   }
   // Free every third block, the newest among them.
   for (size_t i = 0; i < blocks.size(); i += 3) {
      rtMemHeapFreePtr(&heap, blocks[i]);
      EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[i]), 0) << i;
   }
   rtMemHeapFreePtr(&heap, blocks.back());
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks.back()), 0);
   blocks.back() = nullptr;
   std::vector<OSOCTET*> kept;
   std::vector<int> keptSizes;
   for (size_t i = 0; i < blocks.size(); i++) {
      if (i % 3 != 0 && blocks[i] != nullptr) {
         kept.push_back(blocks[i]);
         keptSizes.push_back(sizes[i]);
      }
   }
   expectMembers(heap, kept, keptSizes);
   // A block's header copied into another block's payload does not make a
   // block there: the check word names the chunk from where it stands.
   OSOCTET* host = blocks[4];
   ASSERT_GE(sizes[4], 48);
   memcpy(host + 16, blocks[5] - sizeof(OSMemBlk), sizeof(OSMemBlk));
   memcpy(host + 40, blocks[2] - sizeof(OSMemBlk), sizeof(OSMemBlk));
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, host + 16 + sizeof(OSMemBlk)), 0);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, host + 40 + sizeof(OSMemBlk)), 0);
   memset(host, 4 & 0xFF, (size_t)sizes[4]);
   // What is left kept its contents; new blocks do not overwrite it.
   OSOCTET* fresh = static_cast<OSOCTET*>(rtMemHeapAllocZ(&heap, 5000));
   ASSERT_NE(fresh, nullptr);
   OSOCTET* grown = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, fresh, 9000));   // the newest
   ASSERT_NE(grown, nullptr);
   for (int k = 0; k < 5000; k++) ASSERT_EQ(grown[k], 0);
   memset(grown, 0xEE, 9000);
   OSOCTET* moved = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, blocks[1], sizes[1] + 100));
   ASSERT_NE(moved, nullptr);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[1]), 0);
   blocks[1] = moved;
   for (size_t i = 0; i < blocks.size(); i++) {
      if (i % 3 == 0 || blocks[i] == nullptr) continue;
      for (int k = 0; k < sizes[i]; k++) ASSERT_EQ(blocks[i][k], (OSOCTET)(i & 0xFF)) << i;
   }
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, grown), 1);
   // A large block (an older one, then the newest) grows step by step, as a
   // message buffer does, and shrinks back below the carving limit.
   for (int which = 0; which < 2; which++) {
      SCOPED_TRACE(which);
      OSOCTET* big = which == 0 ? blocks[97] : static_cast<OSOCTET*>(rtMemHeapAlloc(&heap, 400000));
      ASSERT_NE(big, nullptr);
      int size = which == 0 ? sizes[97] : 400000;
      memset(big, 0x5A, (size_t)size);
      for (int step = 0; step < 4; step++) {
         OSOCTET* next = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, big, size + 300000));
         ASSERT_NE(next, nullptr);
         for (int k = 0; k < size; k += 97) ASSERT_EQ(next[k], 0x5A) << k;
         memset(next + size, 0x5A, 300000);
         size += 300000;
         big = next;
         EXPECT_EQ(rtMemHeapCheckPtr(&heap, big), 1);
         EXPECT_EQ(reinterpret_cast<OSMemBlk*>(big)[-1].size, (OSUINT32)size);
      }
      OSOCTET* small = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, big, 100));
      ASSERT_NE(small, nullptr);
      EXPECT_EQ(small[99], 0x5A);
      EXPECT_EQ(rtMemHeapCheckPtr(&heap, small), 1);
      if (small != big) {
         EXPECT_EQ(rtMemHeapCheckPtr(&heap, big), 0);
      }
      if (which == 0) blocks[97] = nullptr;
   }
   for (size_t i = 0; i < blocks.size(); i++) {
      if (i % 3 == 0 || blocks[i] == nullptr) continue;
      EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[i]), 1) << i;
      for (int k = 0; k < sizes[i]; k++) ASSERT_EQ(blocks[i][k], (OSOCTET)(i & 0xFF)) << i;
   }
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, grown), 1);
   rtMemHeapRelease(&heap);
   EXPECT_EQ(heap, nullptr);
}

TEST(MemHeap, LargeHeapKeepsBlocksInMappedChunks)
{
   // Some tens of megabytes of small blocks, as a large CRL decodes into:
   // the later chunks are megabytes each (mapped in huge pages where the
   // system has them). Every block stays a member with its contents; a
   // block left alone in such a chunk still grows past the carving limit.
   ASSERT_EQ(g_malloc_func, &rtDefaultMalloc);
   OSMemHeap* heap = nullptr;
   ASSERT_EQ(rtMemHeapCreate(&heap, nullptr), 0);
   const int kBlocks = 40000, kSize = 600;
   std::vector<OSOCTET*> blocks;
   for (int i = 0; i < kBlocks; i++) {
      OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAlloc(&heap, kSize));
      ASSERT_NE(p, nullptr);
      p[0] = (OSOCTET)i;
      p[kSize - 1] = (OSOCTET)(i >> 8);
      blocks.push_back(p);
   }
   for (int i = 0; i < kBlocks; i++) {
      ASSERT_EQ(rtMemHeapCheckPtr(&heap, blocks[i]), 1) << i;
      ASSERT_EQ(blocks[i][0], (OSOCTET)i);
      ASSERT_EQ(blocks[i][kSize - 1], (OSOCTET)(i >> 8));
   }
   // Keep the first block of a mapped chunk (2 MB aligned; any block where
   // the system maps none), free the others but the newest, then grow it.
   int keep = kBlocks * 3 / 4;
   const uintptr_t kChunkHeaders = 48 + sizeof(OSMemBlk);
   for (int i = kBlocks / 2; i < kBlocks - 1; i++) {
      if ((reinterpret_cast<uintptr_t>(blocks[i]) & (2 * 1024 * 1024 - 1)) == kChunkHeaders) {
         keep = i;
         break;
      }
   }
   for (int i = 0; i < kBlocks - 1; i++) {
      if (i != keep) rtMemHeapFreePtr(&heap, blocks[i]);
   }
   memset(blocks[keep], 0x3C, kSize);
   OSOCTET* grown = static_cast<OSOCTET*>(rtMemHeapRealloc(&heap, blocks[keep], 400000));
   ASSERT_NE(grown, nullptr);
   for (int k = 0; k < kSize; k++) ASSERT_EQ(grown[k], 0x3C) << k;
   memset(grown + kSize, 0x3C, 400000 - kSize);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, grown), 1);
   EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[kBlocks - 1]), 1);
   for (int i = 0; i < kBlocks - 1; i += 997) {
      if (i != keep) {
         EXPECT_EQ(rtMemHeapCheckPtr(&heap, blocks[i]), 0) << i;
      }
   }
   rtMemHeapRelease(&heap);
   EXPECT_EQ(heap, nullptr);
   // The next large heap may get those chunks again, with what was written
   // in them: cleared blocks are cleared all the same.
   ASSERT_EQ(rtMemHeapCreate(&heap, nullptr), 0);
   for (int i = 0; i < kBlocks; i++) {
      OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAllocZ(&heap, kSize));
      ASSERT_NE(p, nullptr);
      ASSERT_EQ(p[0] | p[kSize / 2] | p[kSize - 1], 0) << i;
      p[0] = p[kSize / 2] = p[kSize - 1] = 0xA5;
   }
   rtMemHeapRelease(&heap);
}

TEST(MemHeap, ClearedBlocksStayClearOverReusedRoom)
{
   // Freshly mapped memory is zero, and cleared blocks carved from it are
   // not written again; room handed out before (the last block freed, or
   // shrunk where it is) must be cleared all the same.
   ASSERT_EQ(g_malloc_func, &rtDefaultMalloc);
   rtMemHeapTrimCache();
   OSMemHeap* heap = nullptr;
   ASSERT_EQ(rtMemHeapCreate(&heap, nullptr), 0);
   static const OSOCTET zero[1000] = {};
   for (int i = 0; i < 20000; i++) {
      OSOCTET* a = static_cast<OSOCTET*>(rtMemHeapAlloc(&heap, 600));
      ASSERT_NE(a, nullptr);
      memset(a, 0xAB, 600);
      if (i % 3 == 0) rtMemHeapFreePtr(&heap, a);
      if (i % 3 == 1) {
         ASSERT_EQ(rtMemHeapRealloc(&heap, a, 40), a);
      }
      OSOCTET* z = static_cast<OSOCTET*>(rtMemHeapAllocZ(&heap, 1000));
      ASSERT_NE(z, nullptr);
      ASSERT_EQ(memcmp(z, zero, sizeof zero), 0) << i;
      memset(z, 0xCD, 1000);
   }
   rtMemHeapRelease(&heap);
}

TEST(MemHeap, ReleaseKeepsFieldWhileReferencesRemain)
{
   CountingHooks hooks;
   OSMemHeap* heap = nullptr;
   ASSERT_EQ(rtMemHeapCreate(&heap, nullptr), 0);
   rtMemHeapAddRef(&heap);
   OSMemHeap* same = heap;
   rtMemHeapRelease(&heap);
   EXPECT_EQ(heap, same);
   EXPECT_EQ(heap->refCount, 1u);
   rtMemHeapRelease(&heap);
   EXPECT_EQ(heap, nullptr);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MemHeap, DefaultHooksUseAllocatorLibrary)
{
   EXPECT_EQ(g_malloc_func, &rtDefaultMalloc);
   EXPECT_EQ(g_realloc_func, &rtDefaultRealloc);
   EXPECT_EQ(g_free_func, &rtDefaultFree);
   EXPECT_EQ(g_defBlkSize, 4096u);
   void* p = rtDefaultMalloc(nullptr, 10);
   ASSERT_NE(p, nullptr);
   p = rtDefaultRealloc(nullptr, p, 100);
   ASSERT_NE(p, nullptr);
   rtDefaultFree(nullptr, p);
}

TEST(SList, AppendAndFree)
{
   CountingHooks hooks;
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   Asn1RTSList list;
   rtSListInitEx(&ctxt, &list);
   int values[3] = { 1, 2, 3 };
   for (int& v : values) ASSERT_NE(rtSListAppend(&list, &v), nullptr);
   EXPECT_EQ(list.count, 3u);
   EXPECT_EQ(list.head->data, &values[0]);
   EXPECT_EQ(list.tail->data, &values[2]);
   EXPECT_EQ(list.head->next->next, list.tail);
   rtSListFree(&list);
   EXPECT_EQ(list.count, 0u);
   EXPECT_EQ(list.head, nullptr);
   EXPECT_EQ(list.ctxt, nullptr);
   EXPECT_EQ(rtSListAppend(&list, values), nullptr);  // unbound
   rtFreeContext(&ctxt);
   EXPECT_EQ(hooks.live(), 0);
}

TEST(ASN1ContextClass, RefCountingAndRelease)
{
   CountingHooks hooks;
   ASN1Context* c = new ASN1Context();
   EXPECT_EQ(c->getRefCount(), 0u);
   c->_ref();
   {
      ASN1CtxtPtr handle(c);
      EXPECT_EQ(c->getRefCount(), 2u);
      ASN1CtxtPtr copy = handle;
      EXPECT_EQ(c->getRefCount(), 3u);
      ASSERT_NE(rtMemHeapAlloc(&c->getPtr()->memHeap, 100), nullptr);
   }
   EXPECT_EQ(c->getRefCount(), 1u);
   EXPECT_GT(hooks.live(), 0);
   c->_unref();  // the last reference deletes the object and frees the heap
   EXPECT_EQ(hooks.live(), 0);
}

TEST(ASN1ContextClass, ConstructorThrowsRTLErrorOnFailure)
{
   CountingHooks hooks;
   hooks.failAfter(0);
   try {
      ASN1Context c;
      FAIL() << "no exception";
   }
   catch (const ASN1MessageBuffer::RTLError& e) {
      EXPECT_EQ(e.status, ASN1ERR_NO_MEMORY);
      EXPECT_EQ(e.getStatus(), ASN1ERR_NO_MEMORY);
   }
}

TEST(ASN1ContextClass, SharedHeapBetweenContextObjectsFreedInEitherOrder)
{
   for (int order = 0; order < 2; order++) {
      SCOPED_TRACE(order);
      CountingHooks hooks;
      ASN1Context* a = new ASN1Context();
      ASN1Context* b = new ASN1Context();
      a->_ref();
      b->_ref();
      rtCtxtSetMemHeap(b->getPtr(), a->getPtr());
      ASSERT_NE(rtMemHeapAlloc(&b->getPtr()->memHeap, 10), nullptr);
      ASSERT_NE(rtMemHeapAlloc(&a->getPtr()->memHeap, 10), nullptr);
      if (order == 0) { a->_unref(); b->_unref(); }
      else { b->_unref(); a->_unref(); }
      EXPECT_EQ(hooks.live(), 0);
   }
}

}  // namespace
