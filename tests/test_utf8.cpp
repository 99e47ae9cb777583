// UTF-8, wide and UCS-4 conversions.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "asn1type.h"
#include "rtMemHeap.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c); }
};

const OSOCTET* u8(const char* s) { return reinterpret_cast<const OSOCTET*>(s); }

TEST(UTF8, DecodeToWideTable)
{
   struct Case { const char* in; int result; std::vector<wchar_t> chars; };
   const Case cases[] = {
      { "", 0, {} },
      { "abc", 3, { L'a', L'b', L'c' } },
      { "\xC3\xA9", 1, { 0xE9 } },
      { "\xE2\x82\xAC!", 2, { 0x20AC, L'!' } },
      { "\xF0\x9F\x98\x80", 1, { 0x1F600 } },
      { "\xF8\x88\x80\x80\x80", 1, { 0x200000 } },
      { "\xFC\x84\x80\x80\x80\x80", 1, { 0x4000000 } },
      { "\xC0\x80", 1, { 0 } },                       // overlong forms are not rejected
      { "\xED\xA0\x80", 1, { 0xD800 } },              // nor surrogates
      { "\xC3\x41", ASN1ERR_INVALID_UTF8, {} },       // continuation missing
      { "\x80", ASN1ERR_INVALID_UTF8, {} },           // continuation as lead
      { "a\xFE", ASN1ERR_INVALID_UTF8, {} },
      { "\xFF", ASN1ERR_INVALID_UTF8, {} },
      { "\xE2\x82", 1, { 0x82 } },                    // cut short by the end: bits so far
      { "x\xF0", 2, { L'x', 0 } },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(testing::PrintToString(std::string(c.in)));
      Ctxt ctxt;
      EXPECT_EQ(rtUTF8ToWCS(&ctxt.c, u8(c.in), nullptr, 0), c.result);   // counting only
      wchar_t buf[8];
      wmemset(buf, 0x5A5A, 8);
      int n = rtUTF8ToWCS(&ctxt.c, u8(c.in), buf, 8);
      ASSERT_EQ(n, c.result);
      if (n >= 0) {
         EXPECT_EQ(std::vector<wchar_t>(buf, buf + n), c.chars);
         EXPECT_EQ(buf[n], (wchar_t)0x5A5A);   // no terminator written
      }
      else {
         EXPECT_EQ(ctxt.c.errInfo.status, c.result);
      }
   }
}

TEST(UTF8, DecodeStopsWhenWideBufferIsFull)
{
   wchar_t buf[2];
   EXPECT_EQ(rtUTF8ToWCS(nullptr, u8("abc"), buf, 2), ASN1ERR_BUFFER_OVERFLOW);
   EXPECT_EQ(rtUTF8ToWCS(nullptr, u8("ab"), buf, 2), 2);
}

TEST(UTF8, EncodeFromWideTable)
{
   struct Case { std::vector<wchar_t> in; OSUINT32 bufsize; int result; const char* out; };
   const Case cases[] = {
      { { 0x20AC }, 8, 3, "\xE2\x82\xAC" },
      { { L'a', 0xE9 }, 8, 3, "a\xC3\xA9" },
      { { 0x10FFFF }, 8, 4, "\xF4\x8F\xBF\xBF" },
      { { 0x7FFFFFFF }, 8, 6, "\xFD\xBF\xBF\xBF\xBF\xBF" },
      { { L'a', L'b' }, 2, 2, "ab" },                 // one octet needs one free position
      { { 0xE9 }, 2, ASN1ERR_BUFFER_OVERFLOW, "" },   // two octets need three
      { { 0xE9 }, 3, 2, "\xC3\xA9" },
      { { (wchar_t)-5 }, 8, ASN1ERR_INVALID_UTF8, "" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.result);
      OSOCTET buf[8] = { 0 };
      int n = rtWCSToUTF8(nullptr, c.in.data(), (OSUINT32)c.in.size(), buf, c.bufsize);
      ASSERT_EQ(n, c.result);
      if (n > 0) {
         EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), (size_t)n), c.out);
      }
   }
}

TEST(UTF8, CharHelpers)
{
   struct Case { OS32BITCHAR c; int size; };
   const Case cases[] = {
      { 0, 1 }, { 0x7F, 1 }, { 0x80, 2 }, { 0x7FF, 2 }, { 0x800, 3 }, { 0xFFFF, 3 },
      { 0x10000, 4 }, { 0x1FFFFF, 4 }, { 0x200000, 5 }, { 0x3FFFFFF, 5 }, { 0x4000000, 6 },
      { 0x7FFFFFFF, 6 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.c);
      EXPECT_EQ(rtUTF8CharSize(c.c), c.size);
      OSOCTET buf[6];
      EXPECT_EQ(rtUTF8EncodeChar(c.c, buf, c.size - 1), ASN1ERR_BUFFER_OVERFLOW);
      ASSERT_EQ(rtUTF8EncodeChar(c.c, buf, 6), c.size);
      int size = c.size;
      EXPECT_EQ((OS32BITCHAR)rtUTF8DecodeChar(nullptr, buf, &size), c.c);   // round trip
      EXPECT_EQ(size, c.size);
      size = c.size - 1;   // one octet short: never read past what is given
      if (c.size > 1) {
         EXPECT_EQ(rtUTF8DecodeChar(nullptr, buf, &size), ASN1ERR_INVALID_UTF8);
      }
   }
   int size = 2;
   EXPECT_EQ(rtUTF8DecodeChar(nullptr, u8("\xC3\x41"), &size), ASN1ERR_INVALID_UTF8);
   size = 1;
   EXPECT_EQ(rtUTF8DecodeChar(nullptr, u8("\x80"), &size), ASN1ERR_INVALID_UTF8);
   EXPECT_EQ(rtUTF8DecodeChar(nullptr, nullptr, &size), ASN1ERR_INVALID_UTF8);
   EXPECT_EQ(rtUTF8DecodeChar(nullptr, u8("a"), nullptr), ASN1ERR_INVALID_UTF8);
}

// ASCII runs of every length around the step of the counting loop, each
// followed by the terminator, a longer character, or an octet that starts
// none; in exactly sized copies, so that an over-read shows.
TEST(UTF8, LengthsAfterAsciiRunsOfEveryLength)
{
   struct Tail { const char* text; int chars; } tails[] = {
      { "", 0 }, { "\xC3\xA9", 1 }, { "\xE2\x82\xACz", 2 }, { "\x80", ASN1ERR_INVALID_UTF8 },
   };
   for (int run = 0; run <= 9; run++) {
      for (const Tail& t : tails) {
         std::string text = std::string((size_t)run, 'a') + t.text;
         std::vector<OSOCTET> exact(text.begin(), text.end());
         exact.push_back(0);
         SCOPED_TRACE(std::to_string(run) + " + " + std::to_string(strlen(t.text)));
         EXPECT_EQ(rtUTF8Len(exact.data()), t.chars < 0 ? t.chars : run + t.chars);
      }
   }
}

TEST(UTF8, LengthsStopAtTheTerminator)
{
   EXPECT_EQ(rtUTF8Len(u8("a\xC3\xA9\xE2\x82\xAC")), 3);
   EXPECT_EQ(rtUTF8Len(u8("\x80")), ASN1ERR_INVALID_UTF8);
   EXPECT_EQ(rtUTF8Len(nullptr), 0);
   // A final sequence cut short: counted once, nothing after the NUL is read
   // (the heap copy makes an over-read visible to the address sanitizer).
   const char cut[] = "ab\xE2\x82";
   std::vector<OSOCTET> exact(cut, cut + sizeof cut);
   EXPECT_EQ(rtUTF8Len(exact.data()), 3);
   EXPECT_EQ(rtUTF8ToWCS(nullptr, exact.data(), nullptr, 0), 3);
   EXPECT_EQ(rtUTF8LenBytes(u8("a\xC3\xA9")), 3);
   EXPECT_EQ(rtUTF8LenBytes(nullptr), 0);
}

TEST(UTF8, StrdupCopiesIntoTheHeap)
{
   Ctxt ctxt;
   const OSOCTET* src = u8("gr\xC3\xBC\xC3\x9F");
   OSOCTET* copy = rtUTF8Strdup(&ctxt.c, src);
   ASSERT_NE(copy, nullptr);
   EXPECT_NE(copy, src);
   EXPECT_STREQ(reinterpret_cast<char*>(copy), reinterpret_cast<const char*>(src));
   EXPECT_EQ(rtMemHeapCheckPtr(&ctxt.c.memHeap, copy), 1);
}

TEST(UCS, FromNarrowAndWideWithCharset)
{
   Ctxt ctxt;
   ASN1UniversalString ucs;
   ASSERT_EQ(rtCToUCSString(&ctxt.c, "a\xE9z", &ucs, nullptr), 3);
   EXPECT_EQ(std::vector<OS32BITCHAR>(ucs.data, ucs.data + ucs.nchars),
             (std::vector<OS32BITCHAR>{ 'a', 0xE9, 'z' }));

   Asn132BitCharSet range = { 0, nullptr, 'a', 'y' };
   ASSERT_EQ(rtCToUCSString(&ctxt.c, "a\xE9z", &ucs, &range), 1);
   EXPECT_EQ(ucs.data[0], (OS32BITCHAR)'a');

   OS32BITCHAR allowed[] = { 'b', 0x20AC };
   Asn132BitCharSet list = { 2, allowed, 0, 0xFFFF };
   const wchar_t wide[] = { L'a', L'b', 0x20AC, 0x1F600, 0 };
   // 0x1F600 contributes its low 16 bits (0xF600), which is not in the list.
   ASSERT_EQ(rtWCSToUCSString(&ctxt.c, wide, &ucs, &list), 2);
   EXPECT_EQ(ucs.data[0], (OS32BITCHAR)'b');
   EXPECT_EQ(ucs.data[1], (OS32BITCHAR)0x20AC);
   ASSERT_EQ(rtWCSToUCSString(&ctxt.c, wide, &ucs, nullptr), 4);
   EXPECT_EQ(ucs.data[3], (OS32BITCHAR)0xF600);

   ASSERT_EQ(rtCToUCSString(&ctxt.c, "", &ucs, nullptr), 0);
   EXPECT_EQ(ucs.nchars, 0u);
   EXPECT_EQ(ucs.data, nullptr);
}

TEST(UCS, ToWideDropsAstralAndRespectsBufferSize)
{
   OS32BITCHAR chars[] = { 'a', 0x1F600, 0x20AC, 'z' };
   ASN1UniversalString ucs = { 4, chars };
   wchar_t buf[5];
   wmemset(buf, 0x5A5A, 5);
   EXPECT_EQ(rtUCSToWCSString(&ucs, buf, 5), buf);
   EXPECT_EQ(std::wstring(buf), (std::wstring{ L'a', (wchar_t)0x20AC, L'z' }));
   wmemset(buf, 0x5A5A, 5);
   rtUCSToWCSString(&ucs, buf, 2);   // full after two: no terminator
   EXPECT_EQ(buf[0], L'a');
   EXPECT_EQ(buf[1], (wchar_t)0x20AC);
   EXPECT_EQ(buf[2], (wchar_t)0x5A5A);
}

}  // namespace
