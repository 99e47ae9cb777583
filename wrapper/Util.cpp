#include "Util.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "WinCompat.h"
#include "asn1ber.h"
#include "rtMemHeap.h"

namespace Corvane {
namespace ASN1 {

namespace {

[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }

bool isSurrogate(unsigned long c) { return c >= 0xD800 && c <= 0xDFFF; }
bool isUnicodeScalar(unsigned long c) { return c <= 0x10FFFF && !isSurrogate(c); }

// Characters of a UTF-16 text, surrogate pairs combined; a lone surrogate
// throws E_INVALIDARG.
std::wstring fromUtf16(const unsigned short* text)
{
   std::wstring out;
   if (text == nullptr) return out;
   for (size_t i = 0; text[i] != 0; ++i) {
      unsigned long c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
         c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
         ++i;
      }
      else if (isSurrogate(c)) {
         fail(E_INVALIDARG);
      }
      out.push_back((wchar_t)c);
   }
   return out;
}

// Octets of one primitive or segmented string element whose tag and length
// xd_setp has read; the whole blob must be that one element.
struct StringReader {
   ctxt_handle h;
   ASN1TAG tag = 0;
   int len = 0;

   explicit StringReader(const Corvane::CBlob& blob)
   {
      h.initOrThrow();
      if (blob.cbData() == 0 || blob.cbData() > (unsigned long)INT32_MAX) fail(CRYPT_E_ASN1_INTERNAL);
      if (xd_setp(h.get(), blob.pbData(), (int)blob.cbData(), &tag, &len) != 0) fail(CRYPT_E_ASN1_INTERNAL);
      // A definite outer element must span the blob: trailing octets would
      // be dropped without notice.
      if (len != INDEFINITE_LENGTH && (unsigned long)len != blob.cbData()) fail(CRYPT_E_ASN1_INTERNAL);
      if ((tag & TM_CLASS) != TM_UNIV) fail(CRYPT_E_ASN1_INTERNAL);
   }
   unsigned number() const { return tag & TM_IDCODE; }
};

}  // namespace

// ---------------------------------------------------------------------------
// Scratch context

bool ctxt_handle::init()
{
   if (m_live) return true;
   m_live = rtInitContext(&ctxt, nullptr) == 0;
   return m_live;
}

void ctxt_handle::release()
{
   if (!m_live) return;
   rtFreeContext(&ctxt);
   m_live = false;
}

void ctxt_handle::initOrThrow()
{
   if (!init()) fail(CRYPT_E_ASN1_MEMORY);
}

// ---------------------------------------------------------------------------
// Code pages

std::string tostring(const wchar_t* text)
{
   if (text == nullptr || *text == 0) return std::string();
   // The narrow form may need up to four bytes a character: ask for its size.
   int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
   if (n == 0) ATL::AtlThrowLastWin32();
   std::string out((size_t)n, '\0');
   if (WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr) == 0)
      ATL::AtlThrowLastWin32();
   out.resize((size_t)n - 1);
   return out;
}

std::wstring towstring(const char* text)
{
   if (text == nullptr || *text == 0) return std::wstring();
   int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
   if (n == 0) ATL::AtlThrowLastWin32();
   std::wstring out((size_t)n, L'\0');
   if (MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n) == 0) ATL::AtlThrowLastWin32();
   out.resize((size_t)n - 1);
   return out;
}

std::wstring utf16towstring(const unsigned short* text) { return fromUtf16(text); }

std::string tostring(const unsigned short* text) { return tostring(fromUtf16(text).c_str()); }

std::string& basic_string_i(int value, std::string& out)
{
   static const char digits[] = "0123456789abcdef";
   unsigned int v = (unsigned int)value;
   char buf[16];
   int pos = (int)sizeof buf;
   do {
      buf[--pos] = digits[v & 0xF];
      v >>= 4;
   } while (v != 0);
   out.assign("0x");
   out.append(buf + pos, sizeof buf - (size_t)pos);
   return out;
}

std::wstring& basic_string_i(int value, std::wstring& out)
{
   std::string narrow;
   basic_string_i(value, narrow);
   out.assign(narrow.begin(), narrow.end());
   return out;
}

std::string tostring(int value)
{
   std::string s;
   return basic_string_i(value, s);
}

std::wstring towstring(int value)
{
   std::wstring s;
   return basic_string_i(value, s);
}

std::string strip_white_space(const char* text)
{
   if (text == nullptr) return std::string();
   static const char ws[] = " \t\n\r";
   const char* b = text;
   while (*b != 0 && strchr(ws, *b) != nullptr) ++b;
   const char* e = b + strlen(b);
   while (e > b && strchr(ws, e[-1]) != nullptr) --e;
   return std::string(b, (size_t)(e - b));
}

// ---------------------------------------------------------------------------
// Object identifiers

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// One arc as strtoul reads it in base 0; false when it does not fit 32 bits
// or is negative. *end receives the first character after it.
bool readArc(const char* p, OSUINT32* arc, const char** end)
{
   const char* q = p;
   while (isSpace(*q)) ++q;
   if (*q == '-') return false;  // strtoul would wrap it around
   errno = 0;
   char* stop = nullptr;
   unsigned long v = strtoul(p, &stop, 0);
   if (errno == ERANGE || v > 0xFFFFFFFFUL) return false;
   *arc = (OSUINT32)v;
   *end = stop;
   return true;
}

}  // namespace

int str2oid(const char* text, ASN1OBJID* oid)
{
   if (text == nullptr || oid == nullptr) return 1;
   OSUINT32 count = 0;
   const char* p = text;
   for (;;) {
      OSUINT32 arc = 0;
      const char* end = p;
      if (!readArc(p, &arc, &end)) return 1;
      if (count >= ASN_K_MAXSUBIDS) return 1;
      oid->subid[count++] = arc;
      while (isSpace(*end)) ++end;
      if (*end == '.') {
         p = end + 1;
         continue;
      }
      if (*end != 0) return 1;
      break;
   }
   oid->numids = count;
   return 0;
}

namespace {
// The dotted text of the arcs; false for more arcs than the record holds.
bool appendOidText(std::string& text, const ASN1OBJID* oid)
{
   if (oid == nullptr || oid->numids > ASN_K_MAXSUBIDS) return false;
   char buf[16];
   for (OSUINT32 i = 0; i < oid->numids; ++i) {
      if (i != 0) text.push_back('.');
      int pos = (int)sizeof buf;
      OSUINT32 v = oid->subid[i];
      do {
         buf[--pos] = (char)('0' + v % 10);
         v /= 10;
      } while (v != 0);
      text.append(buf + pos, sizeof buf - (size_t)pos);
   }
   return true;
}
}  // namespace

bool oid2str(Corvane::CBlob& out, const ASN1OBJID* oid)
{
   std::string text;
   if (!appendOidText(text, oid)) return false;
   out.assign(reinterpret_cast<const unsigned char*>(text.c_str()), (unsigned long)text.size() + 1);
   return true;
}

ASN1OBJID toASN1OBJID(const char* text)
{
   ASN1OBJID oid;
   oid.numids = 0;
   if (str2oid(text, &oid) != 0) fail(E_INVALIDARG);
   return oid;
}

std::string toOID(const ASN1OBJID& oid)
{
   std::string text;
   if (!appendOidText(text, &oid)) fail(E_INVALIDARG);
   return text;
}

bool isOIDA(const char* text)
{
   if (text == nullptr) return true;
   for (; *text != 0; ++text)
      if (strchr("1234567890.", *text) == nullptr) return false;
   return true;
}

bool isOIDW(const wchar_t* text)
{
   if (text == nullptr) return true;
   // Any character outside the digits and "." makes it false; checking the
   // wide text directly gives the answer the narrowed text would, without a
   // conversion that could fail.
   for (; *text != 0; ++text)
      if (!((*text >= L'0' && *text <= L'9') || *text == L'.')) return false;
   return true;
}

// ---------------------------------------------------------------------------
// Character strings

Corvane::CBlob encodeCharString(const wchar_t* text, StringType type)
{
   std::wstring copy = text != nullptr ? text : L"";
   ctxt_handle h;
   h.initOrThrow();
   ASN1CTXT* ctxt = h.get();
   if (xe_setp(ctxt, nullptr, 0) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   for (wchar_t c : copy)
      if (!isUnicodeScalar((unsigned long)(OSUINT32)c)) fail(CRYPT_E_ASN1_INTERNAL);
   int len = -1;
   switch (type) {
   case stUTF8: {
      std::string utf8;
      int n = WideCharToMultiByte(CP_UTF8, 0, copy.c_str(), -1, nullptr, 0, nullptr, nullptr);
      if (n == 0) fail(CRYPT_E_ASN1_INTERNAL);
      utf8.resize((size_t)n);
      if (WideCharToMultiByte(CP_UTF8, 0, copy.c_str(), -1, &utf8[0], n, nullptr, nullptr) != n)
         fail(CRYPT_E_ASN1_INTERNAL);
      len = xe_charstr(ctxt, utf8.c_str(), ASN1TAG_EXPLICIT, ASN1_ID_UTF8STR);
      break;
   }
   case stPrintable:
   case stTeletex:
   case stIA5: {
      std::string narrow = tostring(copy.c_str());
      ASN1TAG tag = type == stPrintable ? ASN1_ID_PRTSTR : type == stTeletex ? ASN1_ID_T61STR : ASN1_ID_IA5STR;
      len = xe_charstr(ctxt, narrow.c_str(), ASN1TAG_EXPLICIT, tag);
      break;
   }
   case stBMP: {
      // A BMPString holds U+0000 to U+FFFF only; a character above it is
      // refused rather than cut to a different one.
      std::vector<OSUNICHAR> units(copy.size() + 1);
      for (size_t i = 0; i < copy.size(); ++i) {
         if ((OSUINT32)copy[i] > 0xFFFF) fail(CRYPT_E_ASN1_INTERNAL);
         units[i] = (OSUNICHAR)copy[i];
      }
      Asn116BitCharString s;
      s.nchars = (OSUINT32)copy.size();
      s.data = units.data();
      len = xe_16BitCharStr(ctxt, &s, ASN1TAG_EXPLICIT, ASN1_ID_BMPSTR);
      break;
   }
   case stUniversal: {
      std::vector<OS32BITCHAR> chars(copy.size() + 1);
      for (size_t i = 0; i < copy.size(); ++i) chars[i] = (OS32BITCHAR)copy[i];
      Asn132BitCharString s;
      s.nchars = (OSUINT32)copy.size();
      s.data = chars.data();
      len = xe_32BitCharStr(ctxt, &s, ASN1TAG_EXPLICIT, ASN1_ID_UNIVSTR);
      break;
   }
   default:
      fail(CRYPT_E_ASN1_INTERNAL);
   }
   if (len < 0) fail(CRYPT_E_ASN1_INTERNAL);
   return Corvane::CBlob(xe_getp(ctxt), (unsigned long)len);
}

Corvane::CBlob encodeCharString(const unsigned short* text, StringType type)
{
   return encodeCharString(fromUtf16(text).c_str(), type);
}

namespace {

// The text of the content octets of a character string of universal type
// `tag`; a NUL character is refused, as the text could not carry it.
std::wstring contentText(unsigned tag, const OSOCTET* p, size_t n)
{
   std::wstring out;
   switch (tag) {
   case ASN1_ID_UTF8STR:
   case ASN1_ID_NUMSTR:
   case ASN1_ID_PRTSTR:
   case ASN1_ID_T61STR:
   case ASN1_ID_IA5STR: {
      if (n == 0) break;
      if (n > (size_t)INT32_MAX) fail(CRYPT_E_ASN1_INTERNAL);
      const char* text = reinterpret_cast<const char*>(p);
      UINT cp = CP_UTF8;
      int count = MultiByteToWideChar(cp, 0, text, (int)n, nullptr, 0);
      if (count == 0) {
         // UTF8String must be UTF-8; the 8-bit types that are not are read
         // as ISO 8859-1 (one character per octet).
         if (tag == ASN1_ID_UTF8STR || GetLastError() != ERROR_NO_UNICODE_TRANSLATION) fail(CRYPT_E_ASN1_INTERNAL);
         cp = CP_ISO8859_1;
         count = (int)n;
      }
      out.resize((size_t)count);
      if (MultiByteToWideChar(cp, 0, text, (int)n, &out[0], count) != count) fail(CRYPT_E_ASN1_INTERNAL);
      break;
   }
   case ASN1_ID_UNIVSTR: {
      if (n % 4 != 0) fail(CRYPT_E_ASN1_INTERNAL);
      out.reserve(n / 4);
      for (size_t i = 0; i < n; i += 4) {
         unsigned long c = ((unsigned long)p[i] << 24) | ((unsigned long)p[i + 1] << 16) | ((unsigned long)p[i + 2] << 8) | p[i + 3];
         if (!isUnicodeScalar(c)) fail(CRYPT_E_ASN1_INTERNAL);
         out.push_back((wchar_t)c);
      }
      break;
   }
   case ASN1_ID_BMPSTR: {
      if (n % 2 != 0) fail(CRYPT_E_ASN1_INTERNAL);
      out.reserve(n / 2);
      for (size_t i = 0; i < n; i += 2) {
         unsigned long c = ((unsigned long)p[i] << 8) | p[i + 1];
         // Writers that take BMPString for UTF-16 put pairs of surrogates
         // for characters above U+FFFF: they stand for one character.
         if (c >= 0xD800 && c <= 0xDBFF && i + 3 < n) {
            unsigned long d = ((unsigned long)p[i + 2] << 8) | p[i + 3];
            if (d >= 0xDC00 && d <= 0xDFFF) {
               c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
               i += 2;
            }
         }
         if (isSurrogate(c)) fail(CRYPT_E_ASN1_INTERNAL);
         out.push_back((wchar_t)c);
      }
      break;
   }
   default:
      fail(CRYPT_E_ASN1_INTERNAL);
   }
   if (out.find(L'\0') != std::wstring::npos) fail(CRYPT_E_ASN1_INTERNAL);
   return out;
}

}  // namespace

Corvane::CWStringProxy decodeCharString(const Corvane::CBlob& encoded)
{
   const OSOCTET* p = encoded.pbData();
   size_t n = encoded.cbData();
   // The common case, a primitive string of definite length, is read in
   // place; segmented strings go through the decoder.
   if (n >= 2 && (p[0] & 0xE0) == 0 && (p[0] & 0x1F) != 0x1F && p[1] != 0x80) {
      size_t hdr = 2, len = p[1];
      if (len > 0x80) {
         size_t k = len & 0x7F;
         if (k > 4 || n < 2 + k) fail(CRYPT_E_ASN1_INTERNAL);
         len = 0;
         for (size_t i = 0; i < k; ++i) len = (len << 8) | p[2 + i];
         hdr += k;
      }
      // The element must span the blob: trailing octets would be dropped
      // without notice.
      if (len != n - hdr) fail(CRYPT_E_ASN1_INTERNAL);
      return Corvane::CWStringProxy(contentText(p[0] & 0x1F, p + hdr, len));
   }

   StringReader r(encoded);
   ASN1CTXT* ctxt = r.h.get();
   std::wstring out;
   switch (r.number()) {
   case ASN1_ID_UTF8STR:
   case ASN1_ID_NUMSTR:
   case ASN1_ID_PRTSTR:
   case ASN1_ID_T61STR:
   case ASN1_ID_IA5STR: {
      const char* text = nullptr;
      if (xd_charstr(ctxt, &text, ASN1TAG_EXPLICIT, r.number(), 0) != 0) fail(CRYPT_E_ASN1_INTERNAL);
      out = contentText(r.number(), reinterpret_cast<const OSOCTET*>(text), strlen(text));
      break;
   }
   case ASN1_ID_UNIVSTR: {
      Asn132BitCharString s{0, nullptr};
      if (xd_32BitCharStr(ctxt, &s, ASN1TAG_EXPLICIT, ASN1_ID_UNIVSTR, 0) != 0) fail(CRYPT_E_ASN1_INTERNAL);
      std::vector<OSOCTET> bytes;
      bytes.reserve((size_t)s.nchars * 4);
      for (OSUINT32 i = 0; i < s.nchars; ++i)
         for (int k = 3; k >= 0; --k) bytes.push_back((OSOCTET)(s.data[i] >> (8 * k)));
      out = contentText(ASN1_ID_UNIVSTR, bytes.data(), bytes.size());
      break;
   }
   case ASN1_ID_BMPSTR: {
      Asn116BitCharString s{0, nullptr};
      if (xd_16BitCharStr(ctxt, &s, ASN1TAG_EXPLICIT, ASN1_ID_BMPSTR, 0) != 0) fail(CRYPT_E_ASN1_INTERNAL);
      std::vector<OSOCTET> bytes;
      bytes.reserve((size_t)s.nchars * 2);
      for (OSUINT32 i = 0; i < s.nchars; ++i) {
         bytes.push_back((OSOCTET)(s.data[i] >> 8));
         bytes.push_back((OSOCTET)s.data[i]);
      }
      out = contentText(ASN1_ID_BMPSTR, bytes.data(), bytes.size());
      break;
   }
   default:
      fail(CRYPT_E_ASN1_INTERNAL);
   }
   return Corvane::CWStringProxy(std::move(out));
}

// ---------------------------------------------------------------------------
// Times

const char* DateToASN1GeneralizedTime(ASN1CTXT* ctxt, const Corvane::CDateTime& date, bool round)
{
   Corvane::CDateTime t = date;
   if (round) {
      if (t.millisecond() > 499) t += Corvane::CDateTimeSpan::OneSecond();
      t = Corvane::CDateTime(t.year(), t.month(), t.day(), t.hour(), t.minute(), t.second(), 0, 0);
   }
   Corvane::CStringProxy text = t.getGeneralizedTime();
   size_t n = strlen(text.c_str()) + 1;
   char* copy = static_cast<char*>(rtMemHeapAlloc(&ctxt->memHeap, (int)n));
   if (copy == nullptr) fail(CRYPT_E_ASN1_MEMORY);
   memcpy(copy, text.c_str(), n);
   return copy;
}

}
}
