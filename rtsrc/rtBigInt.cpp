#include <string.h>

#include "rtBigInt.h"
#include "rtError.h"
#include "rtMemHeap.h"

extern "C" {

// Indexed by radix / 2.
const short rtBigIntBitsPerDigit[9] = { 0, 1024, 2048, 2648, 3072, 3402, 3672, 3899, 4096 };
const short rtBigIntDigitsPerByte[9] = { 0, 8, 4, 0, 2, 2, 0, 0, 2 };
const short rtBigIntByteRadix[9] = { 0, 256, 256, 0, 64, 100, 0, 0, 256 };

}

namespace {

inline int fail(ASN1CTXT* pctxt, int stat)
{
   return (pctxt != nullptr) ? LOG_ASN1ERR(pctxt, stat) : stat;
}

int hexValue(char c)
{
   if (c >= '0' && c <= '9') return c - '0';
   if (c >= 'a' && c <= 'f') return c - 'a' + 10;
   if (c >= 'A' && c <= 'F') return c - 'A' + 10;
   return -1;
}

// Makes room for n magnitude octets: the current storage when it is large
// enough, else a block of memHeap (replacing an earlier dynamic block).
int reserve(ASN1CTXT* pctxt, ASN1BigInt* pInt, OSUINT64 n)
{
   if (n <= pInt->allocated && pInt->mag != nullptr) return 0;
   if (n > (OSUINT64)INT32_MAX - 64) return fail(pctxt, ASN1ERR_NO_MEMORY);
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   // The old contents are not needed: the value is rebuilt from the text.
   OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAlloc(&pctxt->memHeap, (int)n));
   if (p == nullptr) return fail(pctxt, ASN1ERR_NO_MEMORY);
   if (pInt->dynamic && pInt->mag != nullptr) rtMemHeapFreePtr(&pctxt->memHeap, pInt->mag);
   pInt->mag = p;
   pInt->allocated = (OSUINT32)n;
   pInt->dynamic = 1;
   return 0;
}

// Removes leading zero octets; a zero magnitude makes the value zero.
void normalize(ASN1BigInt* pInt)
{
   OSINT32 lead = 0;
   while (lead < pInt->numocts && pInt->mag[lead] == 0) lead++;
   if (lead > 0) {
      memmove(pInt->mag, pInt->mag + lead, (size_t)(pInt->numocts - lead));
      pInt->numocts -= lead;
   }
   if (pInt->numocts == 0) pInt->sign = 0;
}

// Hexadecimal and binary texts: the digits are the two's-complement octets.
int setTwosComplement(ASN1CTXT* pctxt, ASN1BigInt* pInt, const char* digits, int radix)
{
   size_t ndigits = strlen(digits);
   if (ndigits == 0) return fail(pctxt, ASN1ERR_BAD_VALUE);
   int per = (radix == 16) ? 2 : 8;
   int bits = (radix == 16) ? 4 : 1;
   for (size_t i = 0; i < ndigits; i++) {
      int v = hexValue(digits[i]);
      if (v < 0 || v >= radix) return fail(pctxt, ASN1ERR_BAD_VALUE);
   }
   OSUINT64 nocts = (ndigits + (size_t)per - 1) / (size_t)per;
   int stat = reserve(pctxt, pInt, nocts);
   if (stat != 0) return stat;
   // The partial group (if any) forms the first octet.
   size_t first = ndigits % (size_t)per;
   if (first == 0) first = (size_t)per;
   size_t pos = 0;
   for (OSUINT64 o = 0; o < nocts; o++) {
      size_t take = (o == 0) ? first : (size_t)per;
      unsigned v = 0;
      for (size_t k = 0; k < take; k++) v = (v << bits) | (unsigned)hexValue(digits[pos++]);
      pInt->mag[o] = (OSOCTET)v;
   }
   pInt->numocts = (OSINT32)nocts;
   pInt->sign = 1;
   if ((pInt->mag[0] & 0x80) && digits[0] != '0') {
      // Negative: the magnitude is the two's complement of the octets.
      pInt->sign = -1;
      unsigned carry = 1;
      for (OSINT64 i = (OSINT64)nocts - 1; i >= 0; i--) {
         unsigned v = (unsigned)(OSOCTET)~pInt->mag[i] + carry;
         pInt->mag[i] = (OSOCTET)v;
         carry = v >> 8;
      }
   }
   normalize(pInt);
   return 0;
}

// Room, in 32-bit limbs, for any value the positional conversions accept,
// with a limb to spare for the carry out of the last step.
const size_t kMaxLimbs = ASN_K_MAXBIGINTBITS / 32 + 4;

// Most significant digits a positional text may have before its value is
// certainly above the limit.
inline size_t digitLimit(int radix)
{
   return (radix == 10) ? (size_t)ASN_K_MAXBIGINTDIGITS : (size_t)(ASN_K_MAXBIGINTBITS + 2) / 3;
}

// Bits of the value held in limbs[0..used), least significant limb first.
size_t limbBits(const OSUINT32* limbs, size_t used)
{
   while (used > 0 && limbs[used - 1] == 0) used--;
   if (used == 0) return 0;
   size_t bits = (used - 1) * 32;
   for (OSUINT32 top = limbs[used - 1]; top != 0; top >>= 1) bits++;
   return bits;
}

// The value of ndigits digits (radix 8 or 10, no leading zeros needed, at
// most digitLimit(radix) of them) into limbs, least significant first; the
// limbs in use go to *pused. Digits are taken in chunks that fit 32 bits (9
// decimal or 10 octal digits): for each chunk the value so far is multiplied
// by radix^chunk and the chunk added. The work grows with the square of the
// length, which the digit limit bounds.
void digitsToLimbs(const char* text, size_t ndigits, int radix, OSUINT32* limbs, size_t* pused)
{
   const size_t chunk = (radix == 10) ? 9 : 10;
   size_t firstLen = ndigits % chunk;
   if (firstLen == 0) firstLen = chunk;
   size_t used = 0;
   size_t pos = 0;
   while (pos < ndigits) {
      size_t take = (pos == 0) ? firstLen : chunk;
      OSUINT64 mul = 1, add = 0;
      for (size_t k = 0; k < take; k++) {
         mul *= (OSUINT64)radix;
         add = add * (OSUINT64)radix + (OSUINT64)(text[pos + k] - '0');
      }
      pos += take;
      OSUINT64 carry = add;
      for (size_t i = 0; i < used; i++) {
         OSUINT64 t = (OSUINT64)limbs[i] * mul + carry;
         limbs[i] = (OSUINT32)t;
         carry = t >> 32;
      }
      if (carry != 0) limbs[used++] = (OSUINT32)carry;
   }
   *pused = used;
}

// Decimal and octal texts with an optional '-'.
int setPositional(ASN1CTXT* pctxt, ASN1BigInt* pInt, const char* text, int radix)
{
   int sign = 1;
   if (*text == '-') {
      sign = -1;
      text++;
   }
   size_t len = strlen(text);
   if (len == 0) return fail(pctxt, ASN1ERR_BAD_VALUE);
   for (size_t i = 0; i < len; i++) {
      if (text[i] < '0' || text[i] >= '0' + radix) return fail(pctxt, ASN1ERR_BAD_VALUE);
   }
   while (*text == '0') {
      text++;
      len--;
   }
   size_t ndigits = len;
   if (ndigits == 0) {
      pInt->numocts = 0;
      pInt->sign = 0;
      return 0;
   }
   // The length decides before any arithmetic is done.
   if (ndigits > digitLimit(radix)) return fail(pctxt, ASN1ERR_TOO_BIG);
   OSUINT32 limbs[kMaxLimbs];
   size_t used = 0;
   digitsToLimbs(text, ndigits, radix, limbs, &used);
   if (limbBits(limbs, used) > (size_t)ASN_K_MAXBIGINTBITS) return fail(pctxt, ASN1ERR_TOO_BIG);

   OSUINT64 nocts = ((OSUINT64)rtBigIntBitsPerDigit[radix / 2] * ndigits / 1024 + 8) / 8;
   if (nocts < (OSUINT64)used * 4) nocts = (OSUINT64)used * 4;
   int stat = reserve(pctxt, pInt, nocts);
   if (stat != 0) return stat;
   OSOCTET* mag = pInt->mag;
   memset(mag, 0, (size_t)nocts);
   // Limbs to big-endian octets, from the end of the magnitude.
   for (size_t i = 0; i < used; i++) {
      OSUINT32 v = limbs[i];
      OSOCTET* o = mag + nocts - 4 * i - 4;
      o[0] = (OSOCTET)(v >> 24);
      o[1] = (OSOCTET)(v >> 16);
      o[2] = (OSOCTET)(v >> 8);
      o[3] = (OSOCTET)v;
   }
   pInt->numocts = (OSINT32)nocts;
   pInt->sign = sign;
   normalize(pInt);
   return 0;
}

// Bits of a non-zero magnitude.
OSUINT64 magBits(const ASN1BigInt* pInt)
{
   OSINT32 lead = 0;
   while (lead < pInt->numocts - 1 && pInt->mag[lead] == 0) lead++;
   OSUINT64 bits = (OSUINT64)(pInt->numocts - lead - 1) * 8;
   for (OSOCTET top = pInt->mag[lead]; top != 0; top >>= 1) bits++;
   return bits;
}

// Index of the last non-zero magnitude octet (-1 for zero).
OSINT32 lastNonZero(const ASN1BigInt* pInt)
{
   for (OSINT32 i = pInt->numocts - 1; i >= 0; i--) {
      if (pInt->mag[i] != 0) return i;
   }
   return -1;
}

inline bool isZero(const ASN1BigInt* pInt)
{
   return pInt->sign == 0 || pInt->numocts <= 0 || pInt->mag == nullptr;
}

// Octet i of the numocts-octet two's complement of a negative value: the
// complement of the magnitude octet while a later octet is non-zero, the
// negation at the last non-zero octet, zero after it.
inline OSOCTET negOctet(const ASN1BigInt* pInt, OSINT32 i, OSINT32 lnz)
{
   if (i < lnz) return (OSOCTET)~pInt->mag[i];
   if (i == lnz) return (OSOCTET)(0x100u - pInt->mag[i]);
   return 0;
}

// Octet k of the minimal two's-complement form of length len.
inline OSOCTET formOctet(const ASN1BigInt* pInt, int len, int k, OSINT32 lnz)
{
   if (isZero(pInt)) return 0;
   int ext = len - pInt->numocts;   // 0 or 1 extension octet
   if (k < ext) return (pInt->sign < 0) ? 0xFF : 0x00;
   OSINT32 i = k - ext;
   return (pInt->sign < 0) ? negOctet(pInt, i, lnz) : pInt->mag[i];
}

int compareParsed(const ASN1BigInt& a, const ASN1BigInt& b)
{
   int sa = isZero(&a) ? 0 : (a.sign < 0 ? -1 : 1);
   int sb = isZero(&b) ? 0 : (b.sign < 0 ? -1 : 1);
   if (sa != sb) return (sa < sb) ? -1 : 1;
   if (sa == 0) return 0;
   int mag = 0;
   if (a.numocts != b.numocts) mag = (a.numocts < b.numocts) ? -1 : 1;
   else {
      int c = memcmp(a.mag, b.mag, (size_t)a.numocts);
      mag = (c < 0) ? -1 : (c > 0 ? 1 : 0);
   }
   return mag * sa;
}

}  // namespace

extern "C" {

void rtBigIntInit(ASN1BigInt* pInt)
{
   if (pInt == nullptr) return;
   pInt->numocts = 0;
   pInt->mag = nullptr;
   pInt->sign = 0;
   pInt->allocated = 0;
   pInt->dynamic = 0;
}

int rtBigIntSetStr(ASN1CTXT* pctxt, ASN1BigInt* pInt, const char* text, int radix)
{
   if (pInt == nullptr) return fail(pctxt, ASN1ERR_INVALID_PARAM);
   if (text == nullptr) return fail(pctxt, ASN1ERR_BAD_VALUE);
   while (*text == ' ') text++;
   if (radix == 0) {
      radix = 10;
      if (text[0] == '0') {
         switch (text[1]) {
            case 'x': case 'X': radix = 16; text += 2; break;
            case 'b': case 'B': radix = 2; text += 2; break;
            case 'o': case 'O': radix = 8; text += 2; break;
            default: break;
         }
      }
   }
   switch (radix) {
      case 2: case 16: return setTwosComplement(pctxt, pInt, text, radix);
      case 8: case 10: return setPositional(pctxt, pInt, text, radix);
      default: return fail(pctxt, ASN1ERR_INVALID_PARAM);
   }
}

int rtBigIntGetDataLen(const ASN1BigInt* pInt)
{
   if (pInt == nullptr || isZero(pInt)) return 1;
   int len = pInt->numocts;
   if (pInt->sign > 0) return len + ((pInt->mag[0] & 0x80) ? 1 : 0);
   OSOCTET lead = negOctet(pInt, 0, lastNonZero(pInt));
   return len + ((lead & 0x80) ? 0 : 1);
}

int rtBigIntGetData(ASN1CTXT* pctxt, const ASN1BigInt* pInt, OSOCTET* buf, OSUINT32 bufsize)
{
   if (pInt == nullptr || buf == nullptr) return fail(pctxt, ASN1ERR_INVALID_PARAM);
   int len = rtBigIntGetDataLen(pInt);
   if ((OSUINT32)len > bufsize) return fail(pctxt, ASN1ERR_STRING_OVERFLOW);
   OSINT32 lnz = isZero(pInt) ? -1 : lastNonZero(pInt);
   for (int k = 0; k < len; k++) buf[k] = formOctet(pInt, len, k, lnz);
   return len;
}

int rtBigIntToString(ASN1CTXT* pctxt, const ASN1BigInt* pInt, int radix, char* buf, OSUINT32 bufsize)
{
   static const char digitChars[] = "0123456789abcdef";
   if (pInt == nullptr || buf == nullptr) return fail(pctxt, ASN1ERR_INVALID_PARAM);
   bool zero = isZero(pInt);

   if (radix == 16 || radix == 2) {
      int len = rtBigIntGetDataLen(pInt);
      OSUINT64 ndigits = (OSUINT64)len * (radix == 16 ? 2 : 8);
      if (ndigits >= bufsize) return fail(pctxt, ASN1ERR_STRING_OVERFLOW);
      OSINT32 lnz = zero ? -1 : lastNonZero(pInt);
      char* out = buf;
      for (int k = 0; k < len; k++) {
         OSOCTET o = formOctet(pInt, len, k, lnz);
         if (radix == 16) {
            *out++ = digitChars[o >> 4];
            *out++ = digitChars[o & 0xF];
         }
         else {
            for (int b = 7; b >= 0; b--) *out++ = (char)('0' + ((o >> b) & 1));
         }
      }
      *out = '\0';
      return 0;
   }
   if (radix != 10 && radix != 8) return fail(pctxt, ASN1ERR_INVALID_PARAM);

   if (zero) {
      if (bufsize < 2) return fail(pctxt, ASN1ERR_STRING_OVERFLOW);
      buf[0] = '0';
      buf[1] = '\0';
      return 0;
   }
   // Digits are produced least significant first behind the sign position,
   // each checked against bufsize (the NUL keeps one octet), then reversed.
   OSUINT32 signLen = (pInt->sign < 0) ? 1 : 0;
   if (bufsize < signLen + 2) return fail(pctxt, ASN1ERR_STRING_OVERFLOW);
   OSUINT32 maxDigits = bufsize - signLen - 1;
   char* digits = buf + signLen;
   OSUINT32 nd = 0;

   // The same limit as the parser's, checked before any work.
   const OSUINT64 bitLen = magBits(pInt);
   if (bitLen > (OSUINT64)ASN_K_MAXBIGINTBITS) return fail(pctxt, ASN1ERR_TOO_BIG);

   if (radix == 8) {
      // Three bits a digit, taken from the least significant end; the digit
      // count is known from the bit length, so the check is exact.
      OSUINT64 total = (bitLen + 2) / 3;
      if (total > maxDigits) return fail(pctxt, ASN1ERR_STRING_OVERFLOW);
      OSUINT32 acc = 0;
      int accBits = 0;
      OSINT32 i = pInt->numocts - 1;
      for (nd = 0; nd < (OSUINT32)total; nd++) {
         if (accBits < 3 && i >= 0) {
            acc |= (OSUINT32)pInt->mag[i--] << accBits;
            accBits += 8;
         }
         digits[nd] = (char)('0' + (acc & 7));
         acc >>= 3;
         accBits -= 3;
      }
   }
   else {
      // Repeated division by 10^9 of the magnitude in 32-bit limbs; the
      // limit bounds the limbs and so the work.
      const OSUINT32 kChunk = 1000000000u;
      OSUINT32 limbs[kMaxLimbs];
      size_t used = 0;
      OSINT32 lead = 0;
      while (lead < pInt->numocts && pInt->mag[lead] == 0) lead++;
      for (OSINT32 i = pInt->numocts; i > lead; i -= 4) {
         OSUINT32 v = 0;
         for (OSINT32 k = (i - 4 > lead ? i - 4 : lead); k < i; k++) v = (v << 8) | pInt->mag[k];
         limbs[used++] = v;
      }
      while (used > 0 && limbs[used - 1] == 0) used--;
      while (used > 0) {
         OSUINT64 rem = 0;
         for (size_t i = used; i-- > 0;) {
            OSUINT64 cur = (rem << 32) | limbs[i];
            limbs[i] = (OSUINT32)(cur / kChunk);
            rem = cur % kChunk;
         }
         while (used > 0 && limbs[used - 1] == 0) used--;
         // Nine digits per chunk, except the most significant chunk.
         for (int k = 0; k < 9 && (used > 0 || rem != 0); k++) {
            if (nd == maxDigits) return fail(pctxt, ASN1ERR_STRING_OVERFLOW);
            digits[nd++] = (char)('0' + rem % 10);
            rem /= 10;
         }
      }
   }
   for (OSUINT32 a = 0, b = nd - 1; a < b; a++, b--) {
      char t = digits[a];
      digits[a] = digits[b];
      digits[b] = t;
   }
   if (signLen) buf[0] = '-';
   digits[nd] = '\0';
   return 0;
}

int rtBigIntDigitsNum(const ASN1BigInt* pInt, int radix)
{
   if (pInt == nullptr || radix < 2 || radix > 16 || (radix & 1) ||
       rtBigIntBitsPerDigit[radix / 2] == 0) {
      return ASN1ERR_INVALID_PARAM;
   }
   // The table's bits per digit are rounded to the nearest 1/1024, up for
   // radixes 6, 10, 12 and 14, which alone would fall short of the digits a
   // long value needs (a 200 KB value by some 50 decimal digits); one digit
   // more per 512 octets covers that rounding for every radix.
   OSINT64 n = ((OSINT64)pInt->numocts + 1) * 8192 / rtBigIntBitsPerDigit[radix / 2] + pInt->numocts / 512;
   return (n > INT32_MAX) ? INT32_MAX : (int)n;
}

int rtBigIntCheckDecimal(ASN1CTXT* pctxt, const char* text, size_t n)
{
   if (text == nullptr) return fail(pctxt, ASN1ERR_BAD_VALUE);
   size_t lead = 0;
   while (lead < n && text[lead] == '0') lead++;
   for (size_t i = lead; i < n; i++) {
      if (text[i] < '0' || text[i] > '9') return fail(pctxt, ASN1ERR_BAD_VALUE);
   }
   const size_t ndigits = n - lead;
   if (ndigits < (size_t)ASN_K_MAXBIGINTDIGITS) return 0;
   if (ndigits > (size_t)ASN_K_MAXBIGINTDIGITS) return fail(pctxt, ASN1ERR_TOO_BIG);
   // Just as many digits as the largest value has: the value decides.
   OSUINT32 limbs[kMaxLimbs];
   size_t used = 0;
   digitsToLimbs(text + lead, ndigits, 10, limbs, &used);
   return (limbBits(limbs, used) > (size_t)ASN_K_MAXBIGINTBITS) ? fail(pctxt, ASN1ERR_TOO_BIG) : 0;
}

int rtBigIntStrCompare(ASN1CTXT* pctxt, const char* text1, const char* text2)
{
   OSOCTET store1[64], store2[64];
   ASN1BigInt a, b;
   rtBigIntInit(&a);
   rtBigIntInit(&b);
   a.mag = store1;
   a.allocated = sizeof store1;
   b.mag = store2;
   b.allocated = sizeof store2;
   int stat = rtBigIntSetStr(pctxt, &a, text1, 0);
   if (stat == 0) stat = rtBigIntSetStr(pctxt, &b, text2, 0);
   int result = (stat == 0) ? compareParsed(a, b) : stat;
   rtBigIntFree(pctxt, &a);
   rtBigIntFree(pctxt, &b);
   return result;
}

void rtBigIntFree(ASN1CTXT* pctxt, ASN1BigInt* pInt)
{
   if (pInt == nullptr) return;
   if (pInt->dynamic && pInt->mag != nullptr && pctxt != nullptr) {
      rtMemHeapFreePtr(&pctxt->memHeap, pInt->mag);
   }
   rtBigIntInit(pInt);
}

}
