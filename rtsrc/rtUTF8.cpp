#include <string.h>

#include "rtError.h"
#include "rtMemHeap.h"
#include "rtUTF8.h"

namespace {

inline int fail(ASN1CTXT* pctxt, int stat)
{
   return (pctxt != nullptr) ? LOG_ASN1ERR(pctxt, stat) : stat;
}

// Length of the sequence a lead octet starts (1 to 6), or 0 for an octet
// that cannot start one (a continuation octet, FE, FF).
inline int seqLength(OSOCTET c)
{
   if (c < 0x80) return 1;
   if (c < 0xC0) return 0;
   if (c < 0xE0) return 2;
   if (c < 0xF0) return 3;
   if (c < 0xF8) return 4;
   if (c < 0xFC) return 5;
   if (c < 0xFE) return 6;
   return 0;
}

// Payload bits of a lead octet of a sequence of n octets.
inline OSUINT32 leadBits(OSOCTET c, int n)
{
   return (n == 1) ? c : (OSUINT32)(c & (0x7F >> n));
}

inline bool isCont(OSOCTET c) { return (c & 0xC0) == 0x80; }

bool permitted(OS32BITCHAR c, const Asn132BitCharSet* pCharSet)
{
   if (pCharSet == nullptr) return true;
   if (c < pCharSet->first || c > pCharSet->last) return false;
   if (pCharSet->count > 0) {
      if (pCharSet->chars == nullptr) return false;
      for (OSUINT32 i = 0; i < pCharSet->count; i++) {
         if (pCharSet->chars[i] == c) return true;
      }
      return false;
   }
   return true;
}

// Shared by the two UCS conversions: length counted first, then one array.
template <typename Ch, typename Low>
int toUCS(ASN1CTXT* pctxt, const Ch* text, ASN1UniversalString* pUCS,
          const Asn132BitCharSet* pCharSet, Low low)
{
   if (pctxt == nullptr || text == nullptr || pUCS == nullptr) return ASN1ERR_INVALID_PARAM;
   size_t n = 0;
   for (const Ch* p = text; *p != 0; p++) {
      if (permitted(low(*p), pCharSet)) n++;
   }
   pUCS->nchars = 0;
   pUCS->data = nullptr;
   if (n == 0) return 0;
   if (n > (size_t)INT32_MAX / sizeof(OS32BITCHAR)) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   OS32BITCHAR* data = static_cast<OS32BITCHAR*>(
      rtMemHeapAlloc(&pctxt->memHeap, (int)(n * sizeof(OS32BITCHAR))));
   if (data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   size_t i = 0;
   for (const Ch* p = text; *p != 0; p++) {
      OS32BITCHAR c = low(*p);
      if (permitted(c, pCharSet)) data[i++] = c;
   }
   pUCS->nchars = (OSUINT32)n;
   pUCS->data = data;
   return (int)n;
}

}  // namespace

extern "C" {

int rtCToUCSString(ASN1CTXT* pctxt, const char* text, ASN1UniversalString* pUCS, const Asn132BitCharSet* pCharSet)
{
   return toUCS(pctxt, text, pUCS, pCharSet,
                [](char c) { return (OS32BITCHAR)(OSOCTET)c; });
}

int rtWCSToUCSString(ASN1CTXT* pctxt, const wchar_t* wtext, ASN1UniversalString* pUCS, const Asn132BitCharSet* pCharSet)
{
   return toUCS(pctxt, wtext, pUCS, pCharSet,
                [](wchar_t c) { return (OS32BITCHAR)((OSUINT32)c & 0xFFFFu); });
}

wchar_t* rtUCSToWCSString(const ASN1UniversalString* pUCS, wchar_t* wbuf, OSUINT32 wbufsize)
{
   if (pUCS == nullptr || wbuf == nullptr || wbufsize == 0) return wbuf;
   OSUINT32 n = 0;
   for (OSUINT32 i = 0; i < pUCS->nchars && pUCS->data != nullptr; i++) {
      OS32BITCHAR c = pUCS->data[i];
      if (c >= 0x10000) continue;
      wbuf[n++] = (wchar_t)c;
      if (n == wbufsize) return wbuf;   // full: no room for the terminator
   }
   wbuf[n] = 0;
   return wbuf;
}

int rtUTF8ToWCS(ASN1CTXT* pctxt, const OSOCTET* utf8, wchar_t* wbuf, OSUINT32 wbufsize)
{
   if (utf8 == nullptr) return fail(pctxt, ASN1ERR_INVALID_UTF8);
   const OSOCTET* p = utf8;
   OSUINT32 count = 0;
   while (*p != 0) {
      int n = seqLength(*p);
      if (n == 0) return fail(pctxt, ASN1ERR_INVALID_UTF8);
      OSUINT32 c = leadBits(*p++, n);
      // A sequence cut short by the terminating NUL keeps the bits read so
      // far; the NUL itself is never passed.
      for (int i = 1; i < n && *p != 0; i++, p++) {
         if (!isCont(*p)) return fail(pctxt, ASN1ERR_INVALID_UTF8);
         c = (c << 6) | (*p & 0x3F);
      }
      if (wbuf != nullptr) {
         if (count >= wbufsize) return fail(pctxt, ASN1ERR_BUFFER_OVERFLOW);
         wbuf[count] = (wchar_t)c;
      }
      count++;
   }
   return (int)count;
}

int rtWCSToUTF8(ASN1CTXT* pctxt, const wchar_t* wtext, OSUINT32 nchars, OSOCTET* buf, OSUINT32 bufsize)
{
   if (wtext == nullptr && nchars > 0) return fail(pctxt, ASN1ERR_INVALID_PARAM);
   OSUINT32 pos = 0;
   for (OSUINT32 i = 0; i < nchars; i++) {
      if ((OSINT32)wtext[i] < 0) return fail(pctxt, ASN1ERR_INVALID_UTF8);
      OS32BITCHAR c = (OS32BITCHAR)wtext[i];
      int size = rtUTF8CharSize(c);
      if (buf != nullptr) {
         // A single-octet character needs one free position, a longer one
         // its octets plus one.
         OSUINT64 need = (size == 1) ? 1 : (OSUINT64)size + 1;
         if ((OSUINT64)pos + need > bufsize) return fail(pctxt, ASN1ERR_BUFFER_OVERFLOW);
         rtUTF8EncodeChar(c, buf + pos, size);
      }
      pos += (OSUINT32)size;
      if (pos > (OSUINT32)INT32_MAX - 8) return fail(pctxt, ASN1ERR_BUFFER_OVERFLOW);
   }
   return (int)pos;
}

int rtUTF8Len(const OSOCTET* text)
{
   if (text == nullptr) return 0;
   int count = 0;
   const OSOCTET* p = text;
   for (;;) {
      // A run of ASCII (1..0x7F), as most text is, in one tight loop, four
      // octets a step: an octet is only read when those before it are
      // neither the NUL nor the start of a longer character.
      const OSOCTET* run = p;
      for (;;) {
         if ((OSOCTET)(p[0] - 1) >= 0x7F) break;
         if ((OSOCTET)(p[1] - 1) >= 0x7F) { p += 1; break; }
         if ((OSOCTET)(p[2] - 1) >= 0x7F) { p += 2; break; }
         if ((OSOCTET)(p[3] - 1) >= 0x7F) { p += 3; break; }
         p += 4;
      }
      count += (int)(p - run);
      if (*p == 0) break;
      int n = seqLength(*p);
      if (n == 0) return ASN1ERR_INVALID_UTF8;
      p++;
      // Skip the continuation octets of this character, never the NUL.
      for (int i = 1; i < n && isCont(*p); i++) p++;
      count++;
   }
   return count;
}

int rtUTF8LenBytes(const OSOCTET* text)
{
   return (text == nullptr) ? 0 : (int)strlen(reinterpret_cast<const char*>(text));
}

int rtUTF8CharSize(OS32BITCHAR c)
{
   if (c < 0x80) return 1;
   if (c < 0x800) return 2;
   if (c < 0x10000) return 3;
   if (c < 0x200000) return 4;
   if (c < 0x4000000) return 5;
   return 6;
}

int rtUTF8EncodeChar(OS32BITCHAR c, OSOCTET* buf, int bufsize)
{
   static const OSOCTET leadMark[7] = { 0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC };
   int size = rtUTF8CharSize(c);
   if (buf == nullptr || bufsize < size) return ASN1ERR_BUFFER_OVERFLOW;
   if (size == 1) {
      buf[0] = (OSOCTET)c;
      return 1;
   }
   for (int i = size - 1; i > 0; i--) {
      buf[i] = (OSOCTET)(0x80 | (c & 0x3F));
      c >>= 6;
   }
   buf[0] = (OSOCTET)(leadMark[size] | c);
   return size;
}

int rtUTF8DecodeChar(ASN1CTXT* pctxt, const OSOCTET* text, int* psize)
{
   if (text == nullptr || psize == nullptr || *psize <= 0) return fail(pctxt, ASN1ERR_INVALID_UTF8);
   int n = seqLength(text[0]);
   if (n == 0 || n > *psize) return fail(pctxt, ASN1ERR_INVALID_UTF8);
   OSUINT32 c = leadBits(text[0], n);
   for (int i = 1; i < n; i++) {
      if (!isCont(text[i])) return fail(pctxt, ASN1ERR_INVALID_UTF8);
      c = (c << 6) | (text[i] & 0x3F);
   }
   *psize = n;
   return (int)c;
}

OSOCTET* rtUTF8Strdup(ASN1CTXT* pctxt, const OSOCTET* text)
{
   if (pctxt == nullptr || text == nullptr) return nullptr;
   size_t len = strlen(reinterpret_cast<const char*>(text));
   if (len >= (size_t)INT32_MAX) return nullptr;
   OSOCTET* copy = static_cast<OSOCTET*>(rtMemHeapAlloc(&pctxt->memHeap, (int)(len + 1)));
   if (copy != nullptr) memcpy(copy, text, len + 1);
   return copy;
}

}
