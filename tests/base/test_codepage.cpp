// The code-page calls of the Windows stand-in: MultiByteToWideChar and
// WideCharToMultiByte with UTF-8 and ISO 8859-1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinCompat.h"

namespace {

const DWORD NO_ERROR_YET = 0xDEADu;  // what the last error holds before a call
const DWORD OK = 0;                  // "no error" in the tables

// One conversion case. The source holds no NUL unless it is marked, so that
// the same case also runs NUL-terminated (count -1).
template <typename From, typename To>
struct Case {
   const char* name;
   UINT codePage;
   std::basic_string<From> src;
   std::basic_string<To> expected;  // when error is OK
   DWORD error;
   bool embeddedNul;
};

int convert(UINT cp, const char* src, int n, wchar_t* dst, int cap)
{
   return MultiByteToWideChar(cp, 0, src, n, dst, cap);
}

int convert(UINT cp, const wchar_t* src, int n, char* dst, int cap)
{
   return WideCharToMultiByte(cp, 0, src, n, dst, cap, nullptr, nullptr);
}

// Runs a case through a size query, an exact fit and an output one unit too
// small, with the explicit count and (when the source has no NUL) with -1.
template <typename From, typename To>
void check(const Case<From, To>& c)
{
   SCOPED_TRACE(c.name);
   for (bool terminated : { false, true }) {
      if (terminated && c.embeddedNul) continue;
      SCOPED_TRACE(terminated ? "count -1" : "explicit count");
      const int srcCount = terminated ? -1 : (int)c.src.size();
      std::basic_string<To> expected = c.expected;
      if (terminated) expected.push_back(To(0));
      const int n = (int)expected.size();

      // Size query: nothing written even when an output is given.
      To sentinel[1] = { To(0x55) };
      SetLastError(NO_ERROR_YET);
      int r = convert(c.codePage, c.src.c_str(), srcCount, sentinel, 0);
      EXPECT_EQ(sentinel[0], To(0x55));
      if (c.error != OK) {
         EXPECT_EQ(r, 0);
         EXPECT_EQ(GetLastError(), c.error);
         // A roomy output changes nothing.
         std::vector<To> out(4 * c.src.size() + 8);
         SetLastError(NO_ERROR_YET);
         EXPECT_EQ(convert(c.codePage, c.src.c_str(), srcCount, out.data(), (int)out.size()), 0);
         EXPECT_EQ(GetLastError(), c.error);
         continue;
      }
      EXPECT_EQ(r, n);
      EXPECT_EQ(convert(c.codePage, c.src.c_str(), srcCount, nullptr, 0), n);

      // Exact fit (the buffer is exactly n long, so an overrun shows under ASan).
      std::vector<To> out(n);
      EXPECT_EQ(convert(c.codePage, c.src.c_str(), srcCount, out.data(), n), n);
      EXPECT_EQ(std::basic_string<To>(out.begin(), out.end()), expected);
      // Success leaves the last error as it was.
      EXPECT_EQ(GetLastError(), NO_ERROR_YET);

      // One unit too small.
      if (n > 1) {
         std::vector<To> small(n - 1);
         EXPECT_EQ(convert(c.codePage, c.src.c_str(), srcCount, small.data(), n - 1), 0);
         EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
      }
   }
}

TEST(CodePage, MultiByteToWideChar)
{
   using S = std::string;
   using W = std::wstring;
   const Case<char, wchar_t> cases[] = {
      { "ascii", CP_UTF8, S("abc"), W(L"abc"), OK, false },
      { "default code page is UTF-8", CP_ACP, S("\xC3\xA9"), W(L"\u00E9"), OK, false },
      { "two-byte bounds", CP_UTF8, S("\xC2\x80\xDF\xBF"), W(L"\u0080\u07FF"), OK, false },
      { "three-byte bounds", CP_UTF8, S("\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"),
        W(L"\u0800\uD7FF\uE000\uFFFF"), OK, false },
      { "four-byte bounds", CP_UTF8, S("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"),
        W(L"\U00010000\U0010FFFF"), OK, false },
      { "mixed lengths", CP_UTF8, S("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"),
        W(L"a\u00E9\u20AC\U0001F600z"), OK, false },
      { "embedded NUL with a count", CP_UTF8, S("a\0b", 3), W(L"a\0b", 3), OK, true },
      { "latin-1", CP_ISO8859_1, S("A\x80\xE9\xFF"), W(L"A\u0080\u00E9\u00FF"), OK, false },

      { "lone continuation byte", CP_UTF8, S("a\x80"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "overlong two bytes C0", CP_UTF8, S("\xC0\xAF"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "overlong two bytes C1", CP_UTF8, S("\xC1\xBF"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "overlong three bytes", CP_UTF8, S("\xE0\x9F\xBF"), W(), ERROR_NO_UNICODE_TRANSLATION,
        false },
      { "overlong four bytes", CP_UTF8, S("\xF0\x8F\xBF\xBF"), W(), ERROR_NO_UNICODE_TRANSLATION,
        false },
      { "surrogate D800", CP_UTF8, S("\xED\xA0\x80"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "surrogate DFFF", CP_UTF8, S("\xED\xBF\xBF"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "above U+10FFFF", CP_UTF8, S("\xF4\x90\x80\x80"), W(), ERROR_NO_UNICODE_TRANSLATION,
        false },
      { "lead byte F5", CP_UTF8, S("\xF5\x80\x80\x80"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "byte FF", CP_UTF8, S("\xFF"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "cut at the end", CP_UTF8, S("a\xF0\x9F\x98"), W(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "cut by an ASCII byte", CP_UTF8, S("\xE2\x82" "A"), W(), ERROR_NO_UNICODE_TRANSLATION,
        false },
      { "cut by a NUL", CP_UTF8, S("\xC3\0", 2), W(), ERROR_NO_UNICODE_TRANSLATION, true },
   };
   for (const auto& c : cases) check(c);
}

TEST(CodePage, WideCharToMultiByte)
{
   using S = std::string;
   using W = std::wstring;
   const Case<wchar_t, char> cases[] = {
      { "ascii", CP_UTF8, W(L"abc"), S("abc"), OK, false },
      { "default code page is UTF-8", CP_ACP, W(L"\u00E9"), S("\xC3\xA9"), OK, false },
      { "length bounds", CP_UTF8, W(L"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"),
        S("\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), OK,
        false },
      { "embedded NUL with a count", CP_UTF8, W(L"a\0b", 3), S("a\0b", 3), OK, true },
      { "latin-1", CP_ISO8859_1, W(L"A\u0080\u00E9\u00FF"), S("A\x80\xE9\xFF"), OK, false },

      { "surrogate D800", CP_UTF8, W(1, (wchar_t)0xD800), S(), ERROR_NO_UNICODE_TRANSLATION,
        false },
      { "surrogate DFFF after text", CP_UTF8, W(L"ab") + (wchar_t)0xDFFF, S(),
        ERROR_NO_UNICODE_TRANSLATION, false },
      { "above U+10FFFF", CP_UTF8, W(1, (wchar_t)0x110000), S(), ERROR_NO_UNICODE_TRANSLATION,
        false },
      { "negative", CP_UTF8, W(1, (wchar_t)-1), S(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "latin-1 U+0100", CP_ISO8859_1, W(L"a\u0100"), S(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "latin-1 euro sign", CP_ISO8859_1, W(L"\u20AC"), S(), ERROR_NO_UNICODE_TRANSLATION, false },
      { "latin-1 negative", CP_ISO8859_1, W(1, (wchar_t)-1), S(), ERROR_NO_UNICODE_TRANSLATION,
        false },
   };
   for (const auto& c : cases) check(c);
}

// A count that ends inside a character refuses it, whatever follows in memory.
TEST(CodePage, CountEndsInsideACharacter)
{
   wchar_t out[4];
   SetLastError(NO_ERROR_YET);
   EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC3\xA9", 2, out, 4), 0);
   EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
   EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC3\xA9", 1, out, 4), 1);
   EXPECT_EQ(out[0], L'a');
}

// An output too small for the next character holds only whole characters.
TEST(CodePage, ShortOutputHoldsWholeCharacters)
{
   char out[3] = { 'x', 'x', 'x' };
   SetLastError(NO_ERROR_YET);
   EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a\u20AC", 2, out, 3, nullptr, nullptr), 0);
   EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
   EXPECT_EQ(out[0], 'a');
   EXPECT_EQ(out[1], 'x');
   EXPECT_EQ(out[2], 'x');
}

// Buffers of the parameter checks (the calls below are captureless lambdas).
const char g_text[] = "ab";
const wchar_t g_wtext[] = L"ab";
wchar_t g_wout[8];
char g_out[8];
BOOL g_used;

TEST(CodePage, BadParametersSetTheLastError)
{
   struct Row {
      const char* name;
      int (*call)();
      DWORD error;
   };
   const Row rows[] = {
      { "MB null source", [] { return MultiByteToWideChar(CP_UTF8, 0, nullptr, 2, g_wout, 8); },
        ERROR_INVALID_PARAMETER },
      { "MB count 0", [] { return MultiByteToWideChar(CP_UTF8, 0, g_text, 0, g_wout, 8); },
        ERROR_INVALID_PARAMETER },
      { "MB count -2", [] { return MultiByteToWideChar(CP_UTF8, 0, g_text, -2, g_wout, 8); },
        ERROR_INVALID_PARAMETER },
      { "MB negative output size",
        [] { return MultiByteToWideChar(CP_UTF8, 0, g_text, 2, g_wout, -1); },
        ERROR_INVALID_PARAMETER },
      { "MB size without output",
        [] { return MultiByteToWideChar(CP_UTF8, 0, g_text, 2, nullptr, 8); },
        ERROR_INVALID_PARAMETER },
      { "MB unknown code page", [] { return MultiByteToWideChar(1252, 0, g_text, 2, g_wout, 8); },
        ERROR_INVALID_PARAMETER },
      { "MB unknown flag", [] { return MultiByteToWideChar(CP_UTF8, 0x01, g_text, 2, g_wout, 8); },
        ERROR_INVALID_FLAGS },
      { "MB the other call's flag",
        [] { return MultiByteToWideChar(CP_UTF8, WC_ERR_INVALID_CHARS, g_text, 2, g_wout, 8); },
        ERROR_INVALID_FLAGS },
      { "WC null source",
        [] { return WideCharToMultiByte(CP_UTF8, 0, nullptr, 2, g_out, 8, nullptr, nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC count 0",
        [] { return WideCharToMultiByte(CP_UTF8, 0, g_wtext, 0, g_out, 8, nullptr, nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC count -2",
        [] { return WideCharToMultiByte(CP_UTF8, 0, g_wtext, -2, g_out, 8, nullptr, nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC negative output size",
        [] { return WideCharToMultiByte(CP_UTF8, 0, g_wtext, 2, g_out, -1, nullptr, nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC size without output",
        [] { return WideCharToMultiByte(CP_UTF8, 0, g_wtext, 2, nullptr, 8, nullptr, nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC unknown code page",
        [] { return WideCharToMultiByte(437, 0, g_wtext, 2, g_out, 8, nullptr, nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC unknown flag",
        [] { return WideCharToMultiByte(CP_UTF8, 0x400, g_wtext, 2, g_out, 8, nullptr, nullptr); },
        ERROR_INVALID_FLAGS },
      { "WC UTF-8 with a default character",
        [] { return WideCharToMultiByte(CP_UTF8, 0, g_wtext, 2, g_out, 8, "?", nullptr); },
        ERROR_INVALID_PARAMETER },
      { "WC UTF-8 asking whether it was used",
        [] { return WideCharToMultiByte(CP_UTF8, 0, g_wtext, 2, g_out, 8, nullptr, &g_used); },
        ERROR_INVALID_PARAMETER },
   };
   for (const auto& row : rows) {
      SCOPED_TRACE(row.name);
      SetLastError(NO_ERROR_YET);
      EXPECT_EQ(row.call(), 0);
      EXPECT_EQ(GetLastError(), row.error);
   }
}

TEST(CodePage, AcceptedFlagsAndDefaultCharacter)
{
   wchar_t wout[3];
   EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "ab", -1, wout, 3), 3);
   EXPECT_EQ(MultiByteToWideChar(CP_ISO8859_1, MB_ERR_INVALID_CHARS, "ab", 2, wout, 3), 2);
   char out[3];
   EXPECT_EQ(
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, L"ab", -1, out, 3, nullptr, nullptr), 3);
   // ISO 8859-1 takes the default-character arguments but never uses them.
   BOOL used = 7;
   EXPECT_EQ(WideCharToMultiByte(CP_ISO8859_1, 0, L"\u00E9", 1, out, 3, "?", &used), 1);
   EXPECT_EQ(used, 0);
   EXPECT_EQ(out[0], '\xE9');
   used = 7;
   SetLastError(NO_ERROR_YET);
   EXPECT_EQ(WideCharToMultiByte(CP_ISO8859_1, 0, L"\u0100", 1, out, 3, "?", &used), 0);
   EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

}
