// XER value decoders: conversions of the character data a SAX handler has
// collected into the context buffer.
#include <string.h>

#include "asn1xer.h"
#include "rtError.h"
#include "rtMemHeap.h"

namespace {

// The collected text: from byteIndex to the end of the buffer or the first
// zero octet. Every decoder reads through this view only.
struct Text {
   const char* p;
   size_t len;
};

Text currentText(ASN1CTXT* pctxt)
{
   Text t = { "", 0 };
   const ASN1BUFFER& b = pctxt->buffer;
   if (b.data != nullptr && b.byteIndex < b.size) {
      t.p = reinterpret_cast<const char*>(b.data + b.byteIndex);
      t.len = strnlen(t.p, b.size - b.byteIndex);
   }
   return t;
}

// The collected octets (binary, from the octet and bit collectors).
size_t collectedSize(ASN1CTXT* pctxt, const OSOCTET** pdata)
{
   const ASN1BUFFER& b = pctxt->buffer;
   if (b.data == nullptr || b.byteIndex >= b.size) {
      *pdata = nullptr;
      return 0;
   }
   *pdata = b.data + b.byteIndex;
   return b.size - b.byteIndex;
}

// XML white space (XML 1.0, production S).
inline bool isXmlSpace(char c)
{
   return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool isDigit(char c)
{
   return c >= '0' && c <= '9';
}

size_t skipSpace(const Text& t, size_t i)
{
   while (i < t.len && isXmlSpace(t.p[i])) i++;
   return i;
}

// Shared by the signed and unsigned integer decoders: optional leading white
// space, an optional '-' (when allowed), decimal digits to the end.
// *pmag receives the magnitude, bounded by limit.
int parseDecimal(ASN1CTXT* pctxt, bool allowSign, OSUINT64 limitPos, OSUINT64 limitNeg,
                 bool* pnegative, OSUINT64* pmag)
{
   Text t = currentText(pctxt);
   *pnegative = false;
   *pmag = 0;
   size_t i = skipSpace(t, 0);
   if (i < t.len && t.p[i] == '-') {
      if (!allowSign) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHAR);
      *pnegative = true;
      i++;
   }
   OSUINT64 limit = *pnegative ? limitNeg : limitPos;
   OSUINT64 mag = 0;
   for (; i < t.len; i++) {
      char c = t.p[i];
      if (!isDigit(c)) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHAR);
      mag = mag * 10 + (OSUINT64)(c - '0');
      if (mag > limit) return LOG_ASN1ERR(pctxt, ASN1ERR_TOO_BIG);
   }
   *pmag = mag;
   return 0;
}

// Decodes the UTF-8 text into characters; calls put(c) for each. Returns the
// character count or -26 for malformed text.
template <typename Put>
int forEachUTF8Char(ASN1CTXT* pctxt, const Text& t, Put put)
{
   const OSOCTET* p = reinterpret_cast<const OSOCTET*>(t.p);
   size_t pos = 0;
   int count = 0;
   while (pos < t.len) {
      if (p[pos] < 0x80) {
         // ASCII, as most text of certificates is: one octet, one character.
         int stat = put((OSUINT32)p[pos]);
         if (stat != 0) return stat;
         pos++;
         count++;
         continue;
      }
      int size = (int)(t.len - pos < 8 ? t.len - pos : 8);
      int c = rtUTF8DecodeChar(pctxt, p + pos, &size);
      if (c < 0 || size <= 0) return ASN1ERR_INVALID_UTF8;
      int stat = put((OSUINT32)c);
      if (stat != 0) return stat;
      pos += (size_t)size;
      count++;
   }
   return count;
}

int hexValue(char c)
{
   if (c >= '0' && c <= '9') return c - '0';
   if (c >= 'a' && c <= 'f') return c - 'a' + 10;
   if (c >= 'A' && c <= 'F') return c - 'A' + 10;
   return -1;
}

}  // namespace

extern "C" {

int xerDecBool(ASN1CTXT* pctxt, OSBOOL* pvalue)
{
   Text t = currentText(pctxt);
   size_t i = skipSpace(t, 0);
   size_t rest = t.len - i;
   if (rest == 4 && memcmp(t.p + i, "true", 4) == 0) *pvalue = 1;
   else if (rest == 5 && memcmp(t.p + i, "false", 5) == 0) *pvalue = 0;
   else return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   return 0;
}

int xerDecInt(ASN1CTXT* pctxt, int* pvalue)
{
   *pvalue = 0;
   bool negative;
   OSUINT64 mag;
   int stat = parseDecimal(pctxt, true, 0x7FFFFFFFULL, 0x80000000ULL, &negative, &mag);
   if (stat != 0) return stat;
   *pvalue = negative ? (int)(-(OSINT64)mag) : (int)mag;
   return 0;
}

int xerDecUInt(ASN1CTXT* pctxt, unsigned int* pvalue)
{
   *pvalue = 0;
   bool negative;
   OSUINT64 mag;
   int stat = parseDecimal(pctxt, false, 0xFFFFFFFFULL, 0, &negative, &mag);
   if (stat != 0) return stat;
   *pvalue = (unsigned int)mag;
   return 0;
}

int xerDecUInt16(ASN1CTXT* pctxt, OSUINT16* pvalue)
{
   unsigned int value = 0;
   *pvalue = 0;
   int stat = xerDecUInt(pctxt, &value);
   if (stat != 0) return stat;
   if (value > 65535) return LOG_ASN1ERR(pctxt, ASN1ERR_TOO_BIG);
   *pvalue = (OSUINT16)value;
   return 0;
}

int xerDecBigInt(ASN1CTXT* pctxt, const char** ppvalue, int radix)
{
   *ppvalue = nullptr;
   if (radix != 2 && radix != 8 && radix != 10 && radix != 16)
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   Text t = currentText(pctxt);
   const size_t start = skipSpace(t, 0);
   // The token: an optional '-' and at least one digit; only white space
   // after it.
   size_t end = start;
   if (end < t.len && t.p[end] == '-') end++;
   const size_t firstDigit = end - start;
   while (end < t.len && isDigit(t.p[end])) end++;
   if (end - start <= firstDigit || skipSpace(t, end) != t.len) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   const size_t tokenLen = end - start;
   const char* token = t.p + start;
   // The size limit of the writers, checked on the digits before anything
   // is converted or copied (fewer digits than the limit always fit).
   if (tokenLen - firstDigit >= (size_t)ASN_K_MAXBIGINTDIGITS) {
      int fits = rtBigIntCheckDecimal(pctxt, token + firstDigit, tokenLen - firstDigit);
      if (fits != 0) return fits;
   }

   if (radix == 10) {
      char* copy = static_cast<char*>(ASN1MALLOC(pctxt, tokenLen + 1));
      if (copy == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
      memcpy(copy, token, tokenLen);
      copy[tokenLen] = 0;
      *ppvalue = copy;
      return 0;
   }

   // A terminated copy of the token for the parser; short ones stay local.
   char local[512];
   char* decimal = local;
   if (tokenLen >= sizeof local) {
      decimal = static_cast<char*>(ASN1MALLOC(pctxt, tokenLen + 1));
      if (decimal == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   }
   memcpy(decimal, token, tokenLen);
   decimal[tokenLen] = 0;

   ASN1BigInt big;
   rtBigIntInit(&big);
   int stat = rtBigIntSetStr(pctxt, &big, decimal, 10);
   if (decimal != local) ASN1MEMFREEPTR(pctxt, decimal);
   if (stat != 0) {
      rtBigIntFree(pctxt, &big);
      return LOG_ASN1ERR(pctxt, stat);
   }

   const char* prefix = radix == 16 ? "0x" : radix == 8 ? "0o" : "0b";
   int digits = rtBigIntDigitsNum(&big, radix);
   if (digits < 0) digits = 0;
   // Prefix, a possible sign, the digits and the terminator.
   int bufsize = digits + 8;
   char* result = static_cast<char*>(ASN1MALLOC(pctxt, bufsize));
   if (result == nullptr) {
      rtBigIntFree(pctxt, &big);
      return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   }
   memcpy(result, prefix, 2);
   if (radix == 8 && big.sign == 0) {
      // Zero has no octal magnitude digits.
      result[2] = '0';
      result[3] = 0;
      stat = 0;
   }
   else {
      stat = rtBigIntToString(pctxt, &big, radix, result + 2, (OSUINT32)(bufsize - 2));
   }
   rtBigIntFree(pctxt, &big);
   if (stat != 0) {
      ASN1MEMFREEPTR(pctxt, result);
      return LOG_ASN1ERR(pctxt, stat);
   }
   *ppvalue = result;
   return 0;
}

int xerDecObjId(ASN1CTXT* pctxt, ASN1OBJID* pvalue)
{
   pvalue->numids = 0;
   Text t = currentText(pctxt);
   size_t i = skipSpace(t, 0);
   OSUINT32 count = 0;
   for (;;) {
      // One arc: at least one digit, within 32 bits.
      if (i >= t.len || !isDigit(t.p[i])) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_OBJID);
      OSUINT64 arc = 0;
      while (i < t.len && isDigit(t.p[i])) {
         arc = arc * 10 + (OSUINT64)(t.p[i] - '0');
         if (arc > 0xFFFFFFFFULL) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_OBJID);
         i++;
      }
      if (count >= ASN_K_MAXSUBIDS) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_OBJID);
      pvalue->subid[count++] = (OSUINT32)arc;
      if (i < t.len && t.p[i] == '.') {
         i++;
         continue;
      }
      break;
   }
   if (skipSpace(t, i) != t.len) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_OBJID);
   // X.660: at least two arcs, the first 0, 1 or 2, the second below 40 under
   // the first two roots.
   if (count < 2 || pvalue->subid[0] > 2 || (pvalue->subid[0] < 2 && pvalue->subid[1] > 39))
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_OBJID);
   pvalue->numids = count;
   return 0;
}

int xerDecOctStrMemBuf(ASN1MemBuf* pMemBuf, const char* chars, int len, OSBOOL skipWhitespace)
{
   if (pMemBuf == nullptr || (chars == nullptr && len > 0)) return ASN1ERR_INVALID_PARAM;
   if (len <= 0) return 0;
   // Room for every octet these digits can start, reserved once; the digits
   // then go straight into the buffer.
   int stat = rtMemBufPreAllocate(pMemBuf, (OSUINT32)len / 2 + 1);
   if (stat != 0) return stat;
   OSOCTET* buf = pMemBuf->buffer;
   OSUINT32 used = pMemBuf->usedcnt;
   OSUINT32 bitOffset = pMemBuf->bitOffset;
   for (int i = 0; i < len; i++) {
      char c = chars[i];
      if (skipWhitespace && isXmlSpace(c)) continue;
      int v = hexValue(c);
      if (v < 0) {
         stat = ASN1ERR_INVALID_HEX;
         break;
      }
      if (bitOffset == 4 && used > pMemBuf->startidx) {
         // Complete the half-filled last octet.
         buf[used - 1] |= (OSOCTET)v;
         bitOffset = 0;
      }
      else {
         buf[used++] = (OSOCTET)(v << 4);
         bitOffset = 4;
      }
   }
   pMemBuf->usedcnt = used;
   pMemBuf->bitOffset = bitOffset;
   return stat;
}

int xerDecBitStrMemBuf(ASN1MemBuf* pMemBuf, const char* chars, int len, OSBOOL skipWhitespace)
{
   if (pMemBuf == nullptr || (chars == nullptr && len > 0)) return ASN1ERR_INVALID_PARAM;
   if (len <= 0) return 0;
   // Room for every octet these characters can start, reserved once; the
   // bits then go straight into the buffer.
   int stat = rtMemBufPreAllocate(pMemBuf, (OSUINT32)len / 8 + 1);
   if (stat != 0) return stat;
   OSOCTET* buf = pMemBuf->buffer;
   OSUINT32 used = pMemBuf->usedcnt;
   OSUINT32 bitOffset = pMemBuf->bitOffset;
   stat = 0;
   for (int i = 0; i < len; i++) {
      const bool newOctet = (bitOffset == 0 || used <= pMemBuf->startidx);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
      if (newOctet && len - i >= 8) {
         // Eight digits at once when they are all '0' or '1': each octet of
         // d is then 0 or 1, and the multiplication gathers the eight bits,
         // the first digit as the most significant.
         OSUINT64 w;
         memcpy(&w, chars + i, 8);
         OSUINT64 d = w ^ 0x3030303030303030ULL;
         if ((d & ~0x0101010101010101ULL) == 0) {
            buf[used++] = (OSOCTET)((d * 0x8040201008040201ULL) >> 56);
            bitOffset = 0;
            i += 7;
            continue;
         }
      }
#endif
      char c = chars[i];
      if (skipWhitespace && isXmlSpace(c)) continue;
      if (c != '0' && c != '1') {
         stat = ASN1ERR_INVALID_BINARY;
         break;
      }
      if (newOctet) {
         buf[used++] = 0;
         bitOffset = 0;
      }
      if (c == '1') buf[used - 1] |= (OSOCTET)(0x80 >> bitOffset);
      bitOffset = (bitOffset + 1) % 8;
   }
   pMemBuf->usedcnt = used;
   pMemBuf->bitOffset = bitOffset;
   return stat;
}

// Copies n collected octets to out, moved right by four bits when shift is 4.
static void copyShifted(OSOCTET* out, const OSOCTET* data, size_t n, int shift)
{
   if (shift != 4) {
      if (n > 0) memcpy(out, data, n);
      return;
   }
   // The digits d0 d1 ... d(2n-2) sit in the high halves first; moving the
   // whole string right by four bits puts a zero digit in front.
   OSOCTET carry = 0;
   for (size_t i = 0; i < n; i++) {
      out[i] = (OSOCTET)((carry << 4) | (data[i] >> 4));
      carry = data[i] & 0x0F;
   }
}

int xerDecCopyOctStr(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32* pnumocts, int outSize, int shift)
{
   const OSOCTET* src;
   size_t n = collectedSize(pctxt, &src);
   if (outSize < 0 || n > (size_t)outSize) return LOG_ASN1ERR(pctxt, ASN1ERR_STRING_OVERFLOW);
   copyShifted(data, src, n, shift);
   *pnumocts = (OSUINT32)n;
   return 0;
}

int xerDecCopyDynOctStr(ASN1CTXT* pctxt, ASN1DynOctStr* pvalue, int shift)
{
   const OSOCTET* src;
   size_t n = collectedSize(pctxt, &src);
   pvalue->numocts = 0;
   pvalue->data = nullptr;
   if (n == 0) return 0;
   OSOCTET* out = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, n));
   if (out == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   copyShifted(out, src, n, shift);
   pvalue->numocts = (OSUINT32)n;
   pvalue->data = out;
   return 0;
}

// 8 * n - 8 + (lastBits, or 8 when 0); 0 for no octets.
static OSUINT32 bitCount(size_t n, int lastBits)
{
   if (n == 0) return 0;
   int last = (lastBits > 0 && lastBits < 8) ? lastBits : 8;
   return (OSUINT32)(8 * n - 8 + (size_t)last);
}

int xerDecCopyBitStr(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32* pnumbits, int outSize, int lastBits)
{
   const OSOCTET* src;
   size_t n = collectedSize(pctxt, &src);
   if (outSize < 0 || n > (size_t)outSize) return LOG_ASN1ERR(pctxt, ASN1ERR_STRING_OVERFLOW);
   if (n > 0) memcpy(data, src, n);
   *pnumbits = bitCount(n, lastBits);
   return 0;
}

int xerDecCopyDynBitStr(ASN1CTXT* pctxt, ASN1DynBitStr* pvalue, int lastBits)
{
   const OSOCTET* src;
   size_t n = collectedSize(pctxt, &src);
   pvalue->numbits = 0;
   pvalue->data = nullptr;
   if (n == 0) return 0;
   OSOCTET* out = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, n));
   if (out == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   memcpy(out, src, n);
   pvalue->numbits = bitCount(n, lastBits);
   pvalue->data = out;
   return 0;
}

int xerDecDynAscCharStr(ASN1CTXT* pctxt, const char** ppvalue)
{
   *ppvalue = nullptr;
   Text t = currentText(pctxt);
   // A character takes at least one octet, so len + 1 bytes always suffice.
   char* out = static_cast<char*>(ASN1MALLOC(pctxt, t.len + 1));
   if (out == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   size_t n = 0;
   int count = forEachUTF8Char(pctxt, t, [&](OSUINT32 c) {
      // A terminated string has no room for NUL (<nul/>).
      if (c == 0) return ASN1ERR_INVALID_CHAR;
      out[n++] = (char)(c & 0xFF);
      return 0;
   });
   if (count < 0) {
      ASN1MEMFREEPTR(pctxt, out);
      return LOG_ASN1ERR(pctxt, count);
   }
   out[n] = 0;
   *ppvalue = out;
   return 0;
}

int xerDecDynUTF8Str(ASN1CTXT* pctxt, const char** ppvalue)
{
   *ppvalue = nullptr;
   Text t = currentText(pctxt);
   // NUL (<nul/>, collected as C0 80): a terminated string has no room for it.
   for (size_t i = 0; i + 1 < t.len; i++)
      if ((OSOCTET)t.p[i] == 0xC0 && (OSOCTET)t.p[i + 1] == 0x80) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHAR);
   char* out = static_cast<char*>(ASN1MALLOC(pctxt, t.len + 1));
   if (out == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   if (t.len > 0) memcpy(out, t.p, t.len);
   out[t.len] = 0;
   *ppvalue = out;
   return 0;
}

int xerDecBMPStr(ASN1CTXT* pctxt, ASN1BMPString* pvalue)
{
   pvalue->nchars = 0;
   pvalue->data = nullptr;
   Text t = currentText(pctxt);
   int count = forEachUTF8Char(pctxt, t, [](OSUINT32 c) {
      return c > 0xFFFF ? ASN1ERR_INVALID_UTF8 : 0;
   });
   if (count < 0) return LOG_ASN1ERR(pctxt, count);
   if (count == 0) return 0;
   OSUNICHAR* out = static_cast<OSUNICHAR*>(ASN1MALLOC(pctxt, (size_t)count * sizeof(OSUNICHAR)));
   if (out == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   size_t n = 0;
   forEachUTF8Char(pctxt, t, [&](OSUINT32 c) {
      out[n++] = (OSUNICHAR)c;
      return 0;
   });
   pvalue->nchars = (OSUINT32)count;
   pvalue->data = out;
   return 0;
}

int xerDecUnivStr(ASN1CTXT* pctxt, ASN1UniversalString* pvalue)
{
   pvalue->nchars = 0;
   pvalue->data = nullptr;
   Text t = currentText(pctxt);
   int count = forEachUTF8Char(pctxt, t, [](OSUINT32) { return 0; });
   if (count < 0) return LOG_ASN1ERR(pctxt, count);
   if (count == 0) return 0;
   OS32BITCHAR* out =
      static_cast<OS32BITCHAR*>(ASN1MALLOC(pctxt, (size_t)count * sizeof(OS32BITCHAR)));
   if (out == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   size_t n = 0;
   forEachUTF8Char(pctxt, t, [&](OSUINT32 c) {
      out[n++] = c;
      return 0;
   });
   pvalue->nchars = (OSUINT32)count;
   pvalue->data = out;
   return 0;
}

int xerCmpText(const char* text1, const char* text2)
{
   if (text1 == nullptr || text2 == nullptr) return 0;
   return strcmp(text1, text2) == 0 ? 1 : 0;
}

}
