// Deep copies of run-time values, and release of everything with the heap.
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

const OSOCTET kOcts[] = { 0x30, 0x03, 0x02, 0x01, 0x05 };

TEST(Copy, IntoCallerStorage)
{
   OSOCTET dst[4] = { 0, 0, 0, 0 };
   OSUINT32 n = 0;
   EXPECT_EQ(rtCopyBitStr(nullptr, 9, kOcts, &n, dst), 1);
   EXPECT_EQ(n, 9u);
   EXPECT_EQ(dst[1], 0x03);
   EXPECT_EQ(dst[2], 0x00);                       // ceil(9 / 8) octets only
   EXPECT_EQ(rtCopyBitStr(nullptr, 0, kOcts, &n, dst), 0);
   EXPECT_EQ(rtCopyOctStr(nullptr, 3, kOcts, &n, dst), 1);
   EXPECT_EQ(n, 3u);
   EXPECT_EQ(dst[2], 0x02);
   EXPECT_EQ(rtCopyOctStr(nullptr, 3, nullptr, &n, dst), 0);
   EXPECT_EQ(rtCopyOctStr(nullptr, 3, kOcts, nullptr, dst), 0);
}

TEST(Copy, DynamicValuesAreIndependentHeapCopies)
{
   Ctxt ctxt;
   ASN1CTXT* pctxt = &ctxt.c;

   ASN1TDynOctStr os(5, kOcts), osCopy;
   ASSERT_EQ(rtCopyDynOctStr(pctxt, &os, &osCopy), 1);
   EXPECT_EQ(osCopy.numocts, 5u);
   EXPECT_NE(osCopy.data, os.data);
   EXPECT_EQ(memcmp(osCopy.data, kOcts, 5), 0);
   EXPECT_EQ(rtMemHeapCheckPtr(&pctxt->memHeap, (void*)osCopy.data), 1);

   OSOCTET bits[2] = { 0xA5, 0x80 };
   ASN1TDynBitStr bs(9, bits), bsCopy;
   ASSERT_EQ(rtCopyDynBitStr(pctxt, &bs, &bsCopy), 1);
   EXPECT_EQ(bsCopy.numbits, 9u);
   EXPECT_EQ(memcmp(bsCopy.data, bits, 2), 0);
   bits[0] = 0;
   EXPECT_EQ(bsCopy.data[0], 0xA5);

   ASN1TOpenType ot(5, kOcts), otCopy;
   ASSERT_EQ(rtCopyOpenType(pctxt, &ot, &otCopy), 1);
   EXPECT_EQ(otCopy.numocts, 5u);
   EXPECT_EQ(memcmp(otCopy.data, kOcts, 5), 0);

   const char* text = "Example CA";
   const char* textCopy = nullptr;
   ASSERT_EQ(rtCopyCharStr(pctxt, text, &textCopy), 1);
   EXPECT_NE(textCopy, text);
   EXPECT_STREQ(textCopy, text);
   char* modifiable = nullptr;
   ASSERT_EQ(rtCopyCharStr(pctxt, "", &modifiable), 1);
   EXPECT_STREQ(modifiable, "");

   OSUNICHAR bmpChars[] = { 'A', 0x20AC };
   ASN1BMPString bmp = { 2, bmpChars }, bmpCopy;
   ASSERT_EQ(rtCopy16BitCharStr(pctxt, &bmp, &bmpCopy), 1);
   EXPECT_EQ(bmpCopy.nchars, 2u);
   EXPECT_NE(bmpCopy.data, bmpChars);
   EXPECT_EQ(bmpCopy.data[1], 0x20AC);

   OS32BITCHAR univChars[] = { 0x1F600, 'z', 'q' };
   ASN1UniversalString univ = { 3, univChars }, univCopy;
   ASSERT_EQ(rtCopy32BitCharStr(pctxt, &univ, &univCopy), 1);
   EXPECT_EQ(univCopy.nchars, 3u);
   EXPECT_EQ(univCopy.data[0], 0x1F600u);

   ASN1TObjId oid, oidCopy;
   ASSERT_EQ(rtStrToOid("2.5.4.3", &oid), 1);
   ASSERT_EQ(rtCopyOID(pctxt, &oid, &oidCopy), 1);
   EXPECT_TRUE(oidCopy == oid);
}

TEST(Copy, EmptyValuesAndNullPointers)
{
   Ctxt ctxt;
   ASN1CTXT* pctxt = &ctxt.c;
   ASN1TDynOctStr os, osCopy(7, kOcts);
   EXPECT_EQ(rtCopyDynOctStr(pctxt, &os, &osCopy), 1);
   EXPECT_EQ(osCopy.numocts, 0u);
   EXPECT_EQ(osCopy.data, nullptr);
   ASN1TDynBitStr bs, bsCopy;
   EXPECT_EQ(rtCopyDynBitStr(pctxt, &bs, &bsCopy), 1);
   EXPECT_EQ(bsCopy.data, nullptr);
   ASN1BMPString bmp = { 0, nullptr }, bmpCopy = { 9, nullptr };
   EXPECT_EQ(rtCopy16BitCharStr(pctxt, &bmp, &bmpCopy), 1);
   EXPECT_EQ(bmpCopy.nchars, 0u);
   ASN1TObjId oid, oidCopy;
   EXPECT_EQ(rtCopyOID(pctxt, &oid, &oidCopy), 1);
   EXPECT_EQ(oidCopy.numids, 0u);

   EXPECT_EQ(rtCopyDynOctStr(pctxt, nullptr, &osCopy), 0);
   EXPECT_EQ(rtCopyDynOctStr(pctxt, &os, nullptr), 0);
   EXPECT_EQ(rtCopyOID(nullptr, &oid, &oidCopy), 0);
   const char* s = nullptr;
   EXPECT_EQ(rtCopyCharStr(pctxt, nullptr, &s), 0);
   EXPECT_EQ(rtCopyOpenTypeExt(pctxt, nullptr, nullptr), 0);
}

TEST(Copy, FailedAllocationReturnsZero)
{
   CountingHooks hooks;
   Ctxt ctxt;
   ASN1TDynOctStr os(5, kOcts), osCopy;
   hooks.failAfter(0);
   EXPECT_EQ(rtCopyDynOctStr(&ctxt.c, &os, &osCopy), 0);
   const char* s = nullptr;
   EXPECT_EQ(rtCopyCharStr(&ctxt.c, "abc", &s), 0);
   EXPECT_EQ(s, nullptr);
   hooks.failAfter(-1);
}

TEST(Copy, OpenTypeExtensionList)
{
   Ctxt ctxt;
   ASN1CTXT* pctxt = &ctxt.c;
   ASN1TOpenType a(2, kOcts), b(3, kOcts + 2);
   Asn1RTDList src;
   rtDListInit(&src);
   rtDListAppend(pctxt, &src, &a);
   rtDListAppend(pctxt, &src, nullptr);   // nodes without data are skipped
   rtDListAppend(pctxt, &src, &b);
   Asn1RTDList dst;
   ASSERT_EQ(rtCopyOpenTypeExt(pctxt, &src, &dst), 1);
   ASSERT_EQ(dst.count, 2u);
   const ASN1OpenType* c0 = static_cast<ASN1OpenType*>(dst.head->data);
   const ASN1OpenType* c1 = static_cast<ASN1OpenType*>(dst.tail->data);
   EXPECT_EQ(c0->numocts, 2u);
   EXPECT_NE(c0->data, a.data);
   EXPECT_EQ(memcmp(c1->data, kOcts + 2, 3), 0);
}

// Everything the value utilities take from a heap goes back: piece by piece
// through their own free operations, and all at once with the context.
TEST(HeapRelease, ListsBuffersStreamsAndCopies)
{
   CountingHooks hooks;
   {
      Ctxt ctxt;
      ASN1CTXT* pctxt = &ctxt.c;
      long base = hooks.live();

      // Lists: copied elements, node-and-record blocks, open-type encodings.
      Asn1RTDList list;
      rtDListInit(&list);
      const int arr[4] = { 1, 2, 3, 4 };
      ASSERT_EQ(rtDListAppendArrayCopy(pctxt, &list, arr, 4, sizeof(int)), 0);
      rtDListFreeAll(pctxt, &list);
      EXPECT_EQ(hooks.live(), base);

      ASN1TOpenType ot(5, kOcts);
      Asn1RTDList src;
      rtDListInit(&src);
      rtDListAppend(pctxt, &src, &ot);
      rtDListAppend(pctxt, &src, &ot);
      Asn1RTDList ext;
      ASSERT_EQ(rtCopyOpenTypeExt(pctxt, &src, &ext), 1);
      rtMemFreeOpenSeqExt(pctxt, &ext);
      rtDListFreeNodes(pctxt, &src);
      EXPECT_EQ(hooks.live(), base);

      // Memory buffer.
      ASN1MemBuf mb;
      rtMemBufInit(pctxt, &mb, 16);
      for (int i = 0; i < 50; i++) ASSERT_EQ(rtMemBufAppend(&mb, "0123456789", 10), 0);
      rtMemBufFree(&mb);
      EXPECT_EQ(hooks.live(), base);

      // Stream record.
      ASSERT_EQ(rtStreamInit(pctxt), 0);
      rtStreamRelease(pctxt);
      EXPECT_EQ(hooks.live(), base);

      // Big integer storage.
      ASN1BigInt bi;
      rtBigIntInit(&bi);
      ASSERT_EQ(rtBigIntSetStr(pctxt, &bi, "123456789012345678901234567890", 0), 0);
      rtBigIntFree(pctxt, &bi);
      EXPECT_EQ(hooks.live(), base);

      // Left for the heap: a bit of everything, released with the context.
      rtDListAppendArrayCopy(pctxt, &list, arr, 4, sizeof(int));
      rtMemBufInit(pctxt, &mb, 8);
      rtMemBufAppend(&mb, "abcdefghijk", 11);
      ASSERT_EQ(rtStreamBufInit(pctxt), 0);
      ASN1TDynOctStr os(5, kOcts), osCopy;
      rtCopyDynOctStr(pctxt, &os, &osCopy);
      const char* s = nullptr;
      rtCopyCharStr(pctxt, "text", &s);
      ASN1UniversalString ucs;
      rtCToUCSString(pctxt, "abc", &ucs, nullptr);
      char* timeText = nullptr;
      ASN1DateTime t;
      ASSERT_EQ(rtParseGeneralizedTime(pctxt, "20240101000000Z", &t), 0);
      ASSERT_EQ(rtMakeGeneralizedTime(pctxt, &t, &timeText, 0), 0);
      rtBigIntSetStr(pctxt, &bi, "-98765432109876543210", 0);
      EXPECT_GT(hooks.live(), base + 10);
   }
   EXPECT_EQ(hooks.live(), 0);
}

}  // namespace
