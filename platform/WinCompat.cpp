#include "WinCompat.h"

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <wchar.h>

static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32 on this platform");

namespace {
thread_local DWORD g_lastError = 0;

// Sets the last-error code and gives the failure result.
int fail(DWORD code)
{
   g_lastError = code;
   return 0;
}

enum class Page { Utf8, Latin1, Unknown };

Page pageOf(UINT codePage)
{
   switch (codePage) {
   case CP_ACP:
   case CP_UTF8: return Page::Utf8;
   case CP_ISO8859_1: return Page::Latin1;
   default: return Page::Unknown;
   }
}

// Outcome of a conversion loop: the units written or needed, or the error.
struct Count {
   size_t units;
   DWORD error;
};

// Reads one UTF-8 character at p (n > 0 bytes left). Gives its length in
// bytes and stores its value, or gives 0 for an invalid or cut sequence:
// overlong forms, surrogates and values above U+10FFFF included.
size_t decodeUtf8(const unsigned char* p, size_t n, uint32_t* out)
{
   const unsigned char b0 = p[0];
   if (b0 < 0x80) {
      *out = b0;
      return 1;
   }
   size_t len;
   uint32_t cp;
   // The range of the second byte narrows the forms whose first byte alone
   // does not tell: E0 (overlong), ED (surrogates), F0 (overlong), F4 (above
   // U+10FFFF).
   unsigned char lo = 0x80, hi = 0xBF;
   if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2;
      cp = b0 & 0x1Fu;
   }
   else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3;
      cp = b0 & 0x0Fu;
      if (b0 == 0xE0) lo = 0xA0;
      else if (b0 == 0xED) hi = 0x9F;
   }
   else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4;
      cp = b0 & 0x07u;
      if (b0 == 0xF0) lo = 0x90;
      else if (b0 == 0xF4) hi = 0x8F;
   }
   else {
      return 0;  // a continuation byte, C0, C1 or F5..FF
   }
   if (n < len) return 0;
   if (p[1] < lo || p[1] > hi) return 0;
   cp = (cp << 6) | (p[1] & 0x3Fu);
   for (size_t i = 2; i < len; ++i) {
      if ((p[i] & 0xC0) != 0x80) return 0;
      cp = (cp << 6) | (p[i] & 0x3Fu);
   }
   *out = cp;
   return len;
}

// Encodes a Unicode scalar value (already checked) into buf; gives the length.
size_t encodeUtf8(uint32_t cp, unsigned char* buf)
{
   if (cp < 0x80) {
      buf[0] = (unsigned char)cp;
      return 1;
   }
   if (cp < 0x800) {
      buf[0] = (unsigned char)(0xC0 | (cp >> 6));
      buf[1] = (unsigned char)(0x80 | (cp & 0x3F));
      return 2;
   }
   if (cp < 0x10000) {
      buf[0] = (unsigned char)(0xE0 | (cp >> 12));
      buf[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
      buf[2] = (unsigned char)(0x80 | (cp & 0x3F));
      return 3;
   }
   buf[0] = (unsigned char)(0xF0 | (cp >> 18));
   buf[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
   buf[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
   buf[3] = (unsigned char)(0x80 | (cp & 0x3F));
   return 4;
}

bool isScalarValue(uint32_t cp)
{
   return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// dst null: counts only. Otherwise writes at most cap units.
Count narrowToWide(Page page, const unsigned char* src, size_t n, wchar_t* dst, size_t cap)
{
   size_t out = 0;
   size_t i = 0;
   while (i < n) {
      uint32_t cp;
      if (page == Page::Latin1) {
         cp = src[i++];
      }
      else {
         const size_t len = decodeUtf8(src + i, n - i, &cp);
         if (len == 0) return { 0, ERROR_NO_UNICODE_TRANSLATION };
         i += len;
      }
      if (dst) {
         if (out == cap) return { 0, ERROR_INSUFFICIENT_BUFFER };
         dst[out] = (wchar_t)cp;
      }
      ++out;
   }
   return { out, 0 };
}

Count wideToNarrow(Page page, const wchar_t* src, size_t n, char* dst, size_t cap)
{
   size_t out = 0;
   for (size_t i = 0; i < n; ++i) {
      // Negative values become large ones and are refused with them.
      const uint32_t cp = (uint32_t)src[i];
      unsigned char buf[4];
      size_t len;
      if (page == Page::Latin1) {
         if (cp > 0xFF) return { 0, ERROR_NO_UNICODE_TRANSLATION };
         buf[0] = (unsigned char)cp;
         len = 1;
      }
      else {
         if (!isScalarValue(cp)) return { 0, ERROR_NO_UNICODE_TRANSLATION };
         len = encodeUtf8(cp, buf);
      }
      if (dst) {
         // Only whole characters are written.
         if (cap - out < len) return { 0, ERROR_INSUFFICIENT_BUFFER };
         memcpy(dst + out, buf, len);
      }
      out += len;
   }
   return { out, 0 };
}

// The checks the two calls share; gives 0 or the error to report.
DWORD checkCommon(Page page, DWORD flags, DWORD invalidCharsFlag, const void* src, int srcCount,
                  const void* dst, int dstCount)
{
   if (!src || srcCount == 0 || srcCount < -1 || dstCount < 0 || (dstCount > 0 && !dst))
      return ERROR_INVALID_PARAMETER;
   if (page == Page::Unknown) return ERROR_INVALID_PARAMETER;
   if ((flags & ~invalidCharsFlag) != 0) return ERROR_INVALID_FLAGS;
   return 0;
}

// The result for a count that went through: an int, or the failure when it
// does not fit one (only possible for a size query of a huge source).
int finish(const Count& c)
{
   if (c.error) return fail(c.error);
   if (c.units > (size_t)INT_MAX) return fail(ERROR_ARITHMETIC_OVERFLOW);
   return (int)c.units;
}
}

DWORD GetLastError()
{
   return g_lastError;
}

void SetLastError(DWORD code)
{
   g_lastError = code;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcCount, wchar_t* dst,
                        int dstCount)
{
   const Page page = pageOf(codePage);
   if (DWORD err = checkCommon(page, flags, MB_ERR_INVALID_CHARS, src, srcCount, dst, dstCount))
      return fail(err);
   const size_t n = srcCount == -1 ? strlen(src) + 1 : (size_t)srcCount;
   return finish(narrowToWide(page, (const unsigned char*)src, n, dstCount ? dst : nullptr,
                              (size_t)dstCount));
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* src, int srcCount, char* dst,
                        int dstCount, const char* defaultChar, BOOL* usedDefaultChar)
{
   const Page page = pageOf(codePage);
   if (DWORD err = checkCommon(page, flags, WC_ERR_INVALID_CHARS, src, srcCount, dst, dstCount))
      return fail(err);
   if (page == Page::Utf8 && (defaultChar || usedDefaultChar)) return fail(ERROR_INVALID_PARAMETER);
   const size_t n = srcCount == -1 ? wcslen(src) + 1 : (size_t)srcCount;
   const int result =
      finish(wideToNarrow(page, src, n, dstCount ? dst : nullptr, (size_t)dstCount));
   // A character ISO 8859-1 cannot hold is refused, so the default character
   // is never used.
   if (result && usedDefaultChar) *usedDefaultChar = 0;
   return result;
}
