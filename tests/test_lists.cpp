// Doubly and singly linked lists and memory buffers.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "CountingHooks.h"
#include "asn1type.h"
#include "rtMemHeap.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c); }
   ASN1CTXT* operator&() { return &c; }
};

// The list's data pointers head to tail, checking the back links and count.
std::vector<void*> items(const Asn1RTDList& list)
{
   std::vector<void*> out;
   const Asn1RTDListNode* prev = nullptr;
   for (const Asn1RTDListNode* n = list.head; n != nullptr; n = n->next) {
      EXPECT_EQ(n->prev, prev);
      out.push_back(n->data);
      prev = n;
   }
   EXPECT_EQ(list.tail, prev);
   EXPECT_EQ(list.count, out.size());
   return out;
}

int v[6];

TEST(DList, AppendInsertAndFind)
{
   Ctxt ctxt;
   Asn1RTDList list;
   rtDListInit(&list);
   ASSERT_NE(rtDListAppend(&ctxt, &list, &v[1]), nullptr);
   ASSERT_NE(rtDListInsert(&ctxt, &list, 0, &v[0]), nullptr);        // head
   ASSERT_NE(rtDListInsert(&ctxt, &list, 2, &v[3]), nullptr);        // index count: tail
   EXPECT_EQ(rtDListInsert(&ctxt, &list, 4, &v[5]), nullptr);        // count + 1
   EXPECT_EQ(rtDListInsert(&ctxt, &list, -1, &v[5]), nullptr);
   Asn1RTDListNode* n3 = rtDListFindByData(&list, &v[3]);
   ASSERT_NE(rtDListInsertBefore(&ctxt, &list, n3, &v[2]), nullptr);
   ASSERT_NE(rtDListInsertAfter(&ctxt, &list, n3, &v[4]), nullptr);   // new tail
   EXPECT_EQ(items(list), (std::vector<void*>{ &v[0], &v[1], &v[2], &v[3], &v[4] }));

   // Null node: before means at the tail, after means at the head.
   Asn1RTDList ends;
   rtDListInit(&ends);
   ASSERT_NE(rtDListInsertAfter(&ctxt, &ends, nullptr, &v[1]), nullptr);
   ASSERT_NE(rtDListInsertBefore(&ctxt, &ends, nullptr, &v[2]), nullptr);
   ASSERT_NE(rtDListInsertAfter(&ctxt, &ends, nullptr, &v[0]), nullptr);
   EXPECT_EQ(items(ends), (std::vector<void*>{ &v[0], &v[1], &v[2] }));

   EXPECT_EQ(rtDListFindByIndex(&list, -3)->data, &v[0]);
   EXPECT_EQ(rtDListFindByIndex(&list, 4)->data, &v[4]);
   EXPECT_EQ(rtDListFindByIndex(&list, 5), nullptr);
   EXPECT_EQ(rtDListFindIndexByData(&list, &v[3]), 3);
   EXPECT_EQ(rtDListFindIndexByData(&list, &v[5]), -1);
   EXPECT_EQ(rtDListFindByData(&list, &v[5]), nullptr);
}

TEST(DList, RemoveHeadMiddleTail)
{
   Ctxt ctxt;
   Asn1RTDList list;
   rtDListInit(&list);
   for (int i = 0; i < 5; i++) rtDListAppend(&ctxt, &list, &v[i]);
   Asn1RTDListNode* nodes[3] = { list.head, rtDListFindByIndex(&list, 2), list.tail };
   for (Asn1RTDListNode* n : nodes) rtDListRemove(&list, n);
   EXPECT_EQ(items(list), (std::vector<void*>{ &v[1], &v[3] }));
   rtDListRemove(&list, list.head);
   rtDListRemove(&list, list.head);
   EXPECT_TRUE(items(list).empty());
   EXPECT_EQ(list.head, nullptr);
}

TEST(DList, AppendNodeSharesTheRecordBlockAndFreeAllKeepsIt)
{
   CountingHooks hooks;
   {
      Ctxt ctxt;
      long base = hooks.live();
      Asn1RTDList list;
      rtDListInit(&list);
      // Node and record in one block (as decoders build SEQUENCE OF elements),
      // mixed with separately allocated records.
      for (int i = 0; i < 3; i++) {
         void* blk = rtMemHeapAllocZ(&ctxt.c.memHeap, sizeof(Asn1RTDListNode) + 16);
         ASSERT_NE(blk, nullptr);
         void* rec = static_cast<Asn1RTDListNode*>(blk) + 1;
         Asn1RTDListNode* node = rtDListAppendNode(&ctxt, &list, rec);
         EXPECT_EQ(static_cast<void*>(node), blk);
         ASSERT_NE(rtDListAppend(&ctxt, &list, rtMemHeapAlloc(&ctxt.c.memHeap, 8)), nullptr);
      }
      EXPECT_EQ(items(list).size(), 6u);
      EXPECT_EQ(hooks.live() - base, 3 + 6);
      rtDListFreeAll(&ctxt, &list);
      EXPECT_EQ(hooks.live(), base);
      EXPECT_EQ(list.count, 0u);
      EXPECT_EQ(list.head, nullptr);
   }
   EXPECT_EQ(hooks.live(), 0);
}

TEST(DList, FreeNodesKeepsData)
{
   CountingHooks hooks;
   Ctxt ctxt;
   long base = hooks.live();
   Asn1RTDList list;
   rtDListInit(&list);
   int* data = static_cast<int*>(rtMemHeapAlloc(&ctxt.c.memHeap, sizeof(int)));
   *data = 42;
   rtDListAppend(&ctxt, &list, data);
   rtDListAppend(&ctxt, &list, data);
   rtDListFreeNodes(&ctxt, &list);
   EXPECT_EQ(list.count, 0u);
   EXPECT_EQ(hooks.live() - base, 1);
   EXPECT_EQ(*data, 42);
}

TEST(DList, ArraysInAndOut)
{
   Ctxt ctxt;
   struct Elem { OSUINT32 a, b, c, d; };
   const Elem src[3] = { { 1, 2, 3, 4 }, { 5, 6, 7, 8 }, { 9, 10, 11, 12 } };

   Asn1RTDList refs;
   rtDListInit(&refs);
   ASSERT_EQ(rtDListAppendArray(&ctxt, &refs, src, 3, sizeof(Elem)), 0);
   EXPECT_EQ(items(refs), (std::vector<void*>{ (void*)&src[0], (void*)&src[1], (void*)&src[2] }));

   Asn1RTDList copies;
   rtDListInit(&copies);
   ASSERT_EQ(rtDListAppendArrayCopy(&ctxt, &copies, src, 3, sizeof(Elem)), 0);
   ASSERT_EQ(copies.count, 3u);
   int i = 0;
   for (Asn1RTDListNode* n = copies.head; n != nullptr; n = n->next, i++) {
      EXPECT_NE(n->data, &src[i]);
      EXPECT_EQ(memcmp(n->data, &src[i], sizeof(Elem)), 0);
   }
   static_cast<Elem*>(copies.head->data)->a = 99;   // independent of the others
   EXPECT_EQ(src[0].a, 1u);
   EXPECT_EQ(static_cast<Elem*>(copies.head->next->data)->a, 5u);

   // Capacity too small: a new array; large enough: the caller's.
   Elem small[1];
   void* arr = small;
   OSUINT32 cap = 1;
   ASSERT_EQ(rtDListToArray(&ctxt, &refs, &arr, &cap, sizeof(Elem)), 3);
   EXPECT_NE(arr, (void*)small);
   EXPECT_EQ(cap, 3u);
   EXPECT_EQ(memcmp(arr, src, sizeof src), 0);
   Elem big[4];
   arr = big;
   cap = 4;
   ASSERT_EQ(rtDListToArray(&ctxt, &copies, &arr, &cap, sizeof(Elem)), 3);
   EXPECT_EQ(arr, (void*)big);
   EXPECT_EQ(big[0].a, 99u);
   EXPECT_EQ(big[2].d, 12u);
   void* none = nullptr;
   ASSERT_EQ(rtDListToArray(&ctxt, &refs, &none, nullptr, sizeof(Elem)), 3);
   EXPECT_NE(none, nullptr);
}

TEST(DList, OutOfMemoryGivesNullAndLeavesListIntact)
{
   CountingHooks hooks;
   Ctxt ctxt;
   Asn1RTDList list;
   rtDListInit(&list);
   rtDListAppend(&ctxt, &list, &v[0]);
   hooks.failAfter(0);
   EXPECT_EQ(rtDListAppend(&ctxt, &list, &v[1]), nullptr);
   EXPECT_EQ(rtDListInsert(&ctxt, &list, 0, &v[1]), nullptr);
   const int arr[2] = { 1, 2 };
   EXPECT_EQ(rtDListAppendArrayCopy(&ctxt, &list, arr, 2, sizeof(int)), ASN1ERR_NO_MEMORY);
   hooks.failAfter(-1);
   EXPECT_EQ(items(list), (std::vector<void*>{ &v[0] }));
}

TEST(DList, FreeOpenSeqExtReleasesOnlyHeapEncodings)
{
   CountingHooks hooks;
   Ctxt ctxt;
   long base = hooks.live();
   static const OSOCTET inMessage[] = { 0x05, 0x00 };
   Asn1RTDList list;
   rtDListInit(&list);
   for (int i = 0; i < 2; i++) {
      ASN1OpenType* ot = static_cast<ASN1OpenType*>(rtMemHeapAllocZ(&ctxt.c.memHeap, sizeof(ASN1OpenType)));
      ot->numocts = 2;
      if (i == 0) {
         OSOCTET* enc = static_cast<OSOCTET*>(rtMemHeapAlloc(&ctxt.c.memHeap, 2));
         memcpy(enc, inMessage, 2);
         ot->data = enc;
      }
      else {
         ot->data = inMessage;   // no-copy decode: points into the message
      }
      rtDListAppend(&ctxt, &list, ot);
   }
   rtMemFreeOpenSeqExt(&ctxt, &list);
   EXPECT_EQ(hooks.live(), base);
   EXPECT_EQ(list.count, 0u);
}

TEST(SList, AppendAndFree)
{
   CountingHooks hooks;
   Ctxt ctxt;
   long base = hooks.live();
   Asn1RTSList list;
   rtSListInitEx(&ctxt, &list);
   for (int i = 0; i < 4; i++) ASSERT_NE(rtSListAppend(&list, &v[i]), nullptr);
   EXPECT_EQ(list.count, 4u);
   EXPECT_EQ(list.head->data, &v[0]);
   EXPECT_EQ(list.tail->data, &v[3]);
   rtSListFree(&list);
   EXPECT_EQ(hooks.live(), base);
   EXPECT_EQ(list.ctxt, nullptr);
   EXPECT_EQ(rtSListAppend(&list, &v[0]), nullptr);   // unbound
}

TEST(MemBuf, GrowsBySegmentsAndKeepsContents)
{
   Ctxt ctxt;
   ASN1MemBuf mb;
   rtMemBufInit(&ctxt, &mb, 8);
   EXPECT_EQ(mb.isDynamic, 1);
   OSOCTET first[10], second[10];
   for (int i = 0; i < 10; i++) {
      first[i] = (OSOCTET)i;
      second[i] = (OSOCTET)(100 + i);
   }
   ASSERT_EQ(rtMemBufAppend(&mb, first, 10), 0);
   EXPECT_EQ(mb.bufsize, 16u);
   ASSERT_EQ(rtMemBufAppend(&mb, second, 10), 0);
   EXPECT_EQ(mb.bufsize, 24u);
   ASSERT_EQ(rtMemBufSet(&mb, 0xEE, 3), 0);
   EXPECT_EQ(mb.bufsize, 24u);
   ASSERT_EQ(rtMemBufAppend(&mb, nullptr, 2), 0);   // reserves only
   int len = 0;
   OSOCTET* data = rtMemBufGetData(&mb, &len);
   ASSERT_EQ(len, 25);
   EXPECT_EQ(memcmp(data, first, 10), 0);
   EXPECT_EQ(memcmp(data + 10, second, 10), 0);
   EXPECT_EQ(data[22], 0xEE);
   mb.startidx = 4;
   EXPECT_EQ(rtMemBufGetData(&mb, &len), data + 4);
   EXPECT_EQ(len, 21);
   EXPECT_EQ(rtMemBufPreAllocate(&mb, 0), 0);

   rtMemBufReset(&mb);
   EXPECT_EQ(rtMemBufGetData(&mb, &len), data);
   EXPECT_EQ(len, 0);
   EXPECT_EQ(mb.bufsize, 32u);
}

TEST(MemBuf, CallerStorageIsReplacedNotFreed)
{
   CountingHooks hooks;
   Ctxt ctxt;
   long base = hooks.live();
   OSOCTET mine[4] = { 1, 2, 3, 4 };
   ASN1MemBuf mb;
   rtMemBufInit(&ctxt, &mb, 16);
   mb.buffer = mine;
   mb.bufsize = 4;
   mb.usedcnt = 4;
   mb.isDynamic = 0;
   ASSERT_EQ(rtMemBufSet(&mb, 5, 1), 0);
   EXPECT_NE(mb.buffer, mine);
   EXPECT_EQ(mb.isDynamic, 1);
   EXPECT_EQ(mb.bufsize, 16u);
   const OSOCTET expect[5] = { 1, 2, 3, 4, 5 };
   EXPECT_EQ(memcmp(mb.buffer, expect, 5), 0);
   rtMemBufFree(&mb);
   EXPECT_EQ(hooks.live(), base);
}

TEST(MemBuf, FailedGrowthKeepsOldContents)
{
   CountingHooks hooks;
   Ctxt ctxt;
   ASN1MemBuf mb;
   rtMemBufInit(&ctxt, &mb, 4);
   ASSERT_EQ(rtMemBufAppend(&mb, "abcd", 4), 0);
   hooks.failAfter(0);
   EXPECT_EQ(rtMemBufAppend(&mb, "efgh", 4), ASN1ERR_NO_MEMORY);
   EXPECT_EQ(rtMemBufPreAllocate(&mb, 0xFFFFFFFFu), ASN1ERR_NO_MEMORY);
   hooks.failAfter(-1);
   int len = 0;
   OSOCTET* data = rtMemBufGetData(&mb, &len);
   ASSERT_EQ(len, 4);
   EXPECT_EQ(memcmp(data, "abcd", 4), 0);
   rtMemBufFree(&mb);
}

}  // namespace
