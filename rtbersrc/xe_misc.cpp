// BER/DER encoder: big integers from text, open types, and the DER ordering
// of SET OF elements.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "asn1ber.h"
#include "berInternal.h"
#include "rtMemHeap.h"

namespace {

// The value of each character as a hexadecimal digit, -1 for the others.
struct HexTable {
   signed char v[256];
   constexpr HexTable() : v()
   {
      for (int c = 0; c < 256; c++) {
         v[c] = (c >= '0' && c <= '9')   ? (signed char)(c - '0')
                : (c >= 'a' && c <= 'f') ? (signed char)(c - 'a' + 10)
                : (c >= 'A' && c <= 'F') ? (signed char)(c - 'A' + 10)
                                         : (signed char)-1;
      }
   }
};
constexpr HexTable kHex;

inline int hexDigit(char c)
{
   return kHex.v[(unsigned char)c];
}

// "0x..." or "0b...": the digits are the two's-complement octets. Writes
// the minimal form; returns the octets written or -18.
int encodeRadixDigits(ASN1CTXT* pctxt, const char* digits, size_t ndigits, int bitsPerDigit)
{
   const size_t perOctet = 8 / (size_t)bitsPerDigit;
   // Validate first: nothing is written for a malformed text.
   for (size_t i = 0; i < ndigits; i++) {
      int d = hexDigit(digits[i]);
      if (d < 0 || d >= (1 << bitsPerDigit)) return ASN1ERR_BAD_VALUE;
   }
   const bool whole = (ndigits % perOctet) == 0;
   // Top bit of the first digit: 8 for hexadecimal, 1 for binary.
   const bool negative =
      whole && ndigits > 0 && (hexDigit(digits[0]) & (1 << (bitsPerDigit - 1))) != 0;
   size_t first = 0;
   if (negative) {
      // Leading groups that form FF octets are redundant sign octets.
      while (first + perOctet <= ndigits) {
         OSUINT32 v = 0;
         for (size_t k = 0; k < perOctet; k++)
            v = (v << bitsPerDigit) | (OSUINT32)hexDigit(digits[first + k]);
         if (v != 0xFF) break;
         first += perOctet;
      }
   }
   else {
      while (first < ndigits && digits[first] == '0') first++;
   }
   if (first == ndigits) {
      int stat = xe_reserve(pctxt, 1);
      if (stat != 0) return stat;
      pctxt->buffer.data[--pctxt->buffer.byteIndex] = negative ? 0xFF : 0x00;
      return 1;
   }
   const size_t left = ndigits - first;
   const size_t noctets = (left + perOctet - 1) / perOctet;
   if (noctets + 1 > (size_t)INT32_MAX) return ASN1ERR_BAD_VALUE;
   int stat = xe_reserve(pctxt, (OSUINT32)noctets + 1);
   if (stat != 0) return stat;
   // Pack from the last digit backwards.
   OSUINT32 written = 0;
   size_t pos = ndigits;
   OSOCTET lead = 0;
   while (pos > first) {
      OSUINT32 v = 0;
      size_t take = std::min(perOctet, pos - first);
      for (size_t k = 0; k < take; k++)
         v |= (OSUINT32)hexDigit(digits[pos - 1 - k]) << (k * (size_t)bitsPerDigit);
      pos -= take;
      lead = (OSOCTET)v;
      pctxt->buffer.data[--pctxt->buffer.byteIndex] = lead;
      written++;
   }
   // A leading partial octet stands as it is; a complete one may need a
   // sign octet so that the value keeps its sign.
   const bool leadComplete = ((left % perOctet) == 0);
   if (leadComplete) {
      if (!negative && lead > 0x7F) {
         pctxt->buffer.data[--pctxt->buffer.byteIndex] = 0x00;
         written++;
      }
      else if (negative && lead <= 0x7F) {
         pctxt->buffer.data[--pctxt->buffer.byteIndex] = 0xFF;
         written++;
      }
   }
   return (int)written;
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Eight hexadecimal digits at s to four octets at out, all lanes at once;
// false (out undefined) when one of them is no digit.
inline bool hexDigits8(const char* s, OSOCTET* out)
{
   const OSUINT64 ones = 0x0101010101010101ULL;
   const OSUINT64 high = ones * 0x80;
   OSUINT64 x;
   memcpy(&x, s, 8);
   if (x & high) return false;
   // Every lane is below 0x80 now, so adding to it carries into no other:
   // the top bit of x + (0x80 - lo) tells x >= lo.
   const OSUINT64 digit = (x + ones * (0x80 - '0')) & ~(x + ones * (0x80 - '9' - 1)) & high;
   const OSUINT64 lower = x | (ones * 0x20);   // 'A'..'F' as 'a'..'f'
   const OSUINT64 letter = (lower + ones * (0x80 - 'a')) & ~(lower + ones * (0x80 - 'f' - 1)) & high;
   if ((digit | letter) != high) return false;
   // Digit values: the low four bits, plus 9 for a letter.
   const OSUINT64 v = (x & (ones * 0x0F)) + (letter >> 7) * 9;
   // Lane 2k becomes digit 2k << 4 | digit 2k + 1; then lanes 0, 2, 4, 6 are
   // gathered into the low four, first octet lowest.
   OSUINT64 w = ((v << 4) | (v >> 8)) & 0x00FF00FF00FF00FFULL;
   w = (w | (w >> 8)) & 0x0000FFFF0000FFFFULL;
   w = (w | (w >> 16)) & 0xFFFFFFFFULL;
   const OSUINT32 octets = (OSUINT32)w;
   memcpy(out, &octets, 4);
   return true;
}
#endif

// "0x..." (the form the decoder gives): the same octets as
// encodeRadixDigits(..., 4) in one pass that checks the digits as it packs
// them. Returns the octets written or a negative status; a malformed text
// leaves the encoding as it was.
int encodeHexDigits(ASN1CTXT* pctxt, const char* digits, size_t ndigits)
{
   // An even count is two's complement: a first digit of 8..F is negative.
   // An odd one stands for a positive value (a 0 nibble in front).
   const int d0 = hexDigit(digits[0]);
   const bool negative = (ndigits % 2) == 0 && d0 >= 8;
   size_t first = 0;
   if (negative) {
      // Leading FF octets are redundant sign octets.
      while (first + 2 <= ndigits && (digits[first] | 0x20) == 'f' && (digits[first + 1] | 0x20) == 'f')
         first += 2;
   }
   else {
      while (first < ndigits && digits[first] == '0') first++;
   }
   // What was skipped was valid digits; the rest is checked below.
   const size_t left = ndigits - first;
   const size_t noctets = left / 2 + (left % 2) + 1;   // a sign octet at most
   if (noctets > (size_t)INT32_MAX) return ASN1ERR_BAD_VALUE;
   int stat = xe_reserve(pctxt, (OSUINT32)noctets);
   if (stat != 0) {
      // A malformed text is reported as such whatever the buffer's room.
      for (size_t i = first; i < ndigits; i++)
         if (hexDigit(digits[i]) < 0) return ASN1ERR_BAD_VALUE;
      return stat;
   }
   OSOCTET* const end = pctxt->buffer.data + pctxt->buffer.byteIndex;
   OSOCTET* p = end;
   const char* s = digits + ndigits;
   const char* const stop = digits + first;
   int bad = 0;   // negative once a character is no digit
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
   while (s - stop >= 8) {
      p -= 4;
      s -= 8;
      if (!hexDigits8(s, p)) bad = -1;
   }
#endif
   while (s - stop >= 2) {
      const int hi = hexDigit(s[-2]);
      const int lo = hexDigit(s[-1]);
      bad |= hi | lo;
      *--p = (OSOCTET)(((unsigned)hi << 4) | (unsigned)lo);   // checked below
      s -= 2;
   }
   if (s != stop) {
      // An odd leading digit: a partial octet, positive as it stands.
      const int d = hexDigit(s[-1]);
      bad |= d;
      *--p = (OSOCTET)d;
   }
   else if (p == end) {
      // Nothing left after the redundant octets: 0 or -1.
      *--p = negative ? 0xFF : 0x00;
   }
   else if (!negative && (*p & 0x80)) {
      *--p = 0x00;
   }
   else if (negative && !(*p & 0x80)) {
      *--p = 0xFF;
   }
   if (bad < 0) return ASN1ERR_BAD_VALUE;
   const OSUINT32 written = (OSUINT32)(end - p);
   pctxt->buffer.byteIndex -= written;
   return (int)written;
}

// Decimal text of at most 18 digits after an optional '-': its value in
// *pv and true; false for anything else (left to the big-integer parser).
inline bool shortDecimal(const char* text, size_t tlen, OSINT64* pv)
{
   const bool minus = (text[0] == '-');
   const char* s = text + (minus ? 1 : 0);
   const size_t n = tlen - (minus ? 1 : 0);
   if (n == 0 || n > 18) return false;
   OSINT64 v = 0;
   for (size_t i = 0; i < n; i++) {
      const unsigned d = (unsigned)(unsigned char)s[i] - '0';
      if (d > 9) return false;
      v = v * 10 + (OSINT64)d;
   }
   *pv = minus ? -v : v;
   return true;
}

// Descending DER order: the list is sorted largest first, a shorter element
// counting as smaller than a longer one with the same prefix.
struct DescrView {
   const OSOCTET* p;
   Asn1BufLocDescr* d;
};

inline bool derLess(const DescrView& a, const DescrView& b)
{
   OSUINT32 n = std::min(a.d->numocts, b.d->numocts);
   int c = memcmp(a.p, b.p, n);
   if (c != 0) return c < 0;
   return a.d->numocts < b.d->numocts;
}

} // namespace

extern "C" {

int xe_bigint(ASN1CTXT* pctxt, const char* text, ASN1TagType tagging)
{
   if (text == nullptr || *text == '\0') return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
   int len;
   const size_t tlen = strlen(text);
   OSINT64 small;
   if (tlen >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      len = encodeHexDigits(pctxt, text + 2, tlen - 2);
      if (len < 0) return LOG_STAT(pctxt, len);
   }
   else if (tlen >= 3 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) {
      len = encodeRadixDigits(pctxt, text + 2, tlen - 2, 1);
      if (len < 0) return LOG_STAT(pctxt, len);
   }
   else if (shortDecimal(text, tlen, &small)) {
      const OSUINT32 n = ber_int64Octets(small);
      int stat = xe_reserve(pctxt, n);
      if (stat != 0) return LOG_STAT(pctxt, stat);
      ber_int64ToOctets(small, pctxt->buffer.data + (pctxt->buffer.byteIndex -= n), n);
      len = (int)n;
   }
   else {
      // Decimal (or "0o" octal): through the big-integer parser, with the
      // first 512 octets of magnitude on the stack.
      OSOCTET local[512];
      ASN1BigInt big;
      rtBigIntInit(&big);
      big.mag = local;
      big.allocated = sizeof(local);
      int stat = rtBigIntSetStr(pctxt, &big, text, 0);
      if (stat != 0) {
         rtBigIntFree(pctxt, &big);
         return LOG_STAT(pctxt, stat);
      }
      len = rtBigIntGetDataLen(&big);
      stat = xe_reserve(pctxt, (OSUINT32)len);
      if (stat == 0) {
         pctxt->buffer.byteIndex -= (OSUINT32)len;
         stat = rtBigIntGetData(pctxt, &big, pctxt->buffer.data + pctxt->buffer.byteIndex,
                                (OSUINT32)len);
         if (stat < 0) pctxt->buffer.byteIndex += (OSUINT32)len;
      }
      rtBigIntFree(pctxt, &big);
      if (stat < 0) return LOG_STAT(pctxt, stat);
   }
   if (tagging == ASN1TAG_EXPLICIT) {
      len = xe_quickTagLen(pctxt, TM_UNIV | ASN1_ID_INT, len);
      if (len < 0) return LOG_STAT(pctxt, len);
   }
   return len;
}

int xe_OpenType(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 numocts)
{
   if (numocts == 0) return 0;
   if (data == nullptr) return ASN1ERR_BAD_VALUE;
   if (numocts > (OSUINT32)INT32_MAX) return ASN1ERR_BAD_VALUE;

   // Measure the first element, reading no further than numocts: its
   // header, then a definite length that must fit in what is there.
   ASN1TAG tag;
   int len;
   OSUINT32 i = 0;
   int stat = ber_parseTag(data, numocts, &i, &tag);
   if (stat == 0) stat = ber_parseLen(data, numocts, &i, &len, false);
   if (stat != 0) return stat;
   if (len == INDEFINITE_LENGTH) {
      // Only a constructed element may use the indefinite form.
      if (!(tag & TM_CONS)) return ASN1ERR_INVALID_LENGTH;
   }
   else {
      if ((OSUINT32)len > numocts - i) return ASN1ERR_INVALID_LENGTH;
      len += (int)i;   // the whole element
   }
   if (tag == 0 && len == 2) return ASN1ERR_BAD_VALUE;   // 00 00: end-of-contents
   if (len == INDEFINITE_LENGTH) {
      len = xd_indeflen_ex(data, (int)numocts);
      if (len < 0) return len;
      // xd_indeflen_ex measures nothing shorter than five octets; the one
      // complete element that short is an empty one: tag, 80, end-of-contents.
      if (len == 0 && numocts == 4 && data[1] == 0x80 && data[2] == 0 && data[3] == 0) len = 4;
      if (len == 0) return ASN1ERR_END_OF_BUFFER;
   }
   const OSOCTET* cur = pctxt->buffer.data + pctxt->buffer.byteIndex;
   if (data == cur && (OSUINT32)len <= pctxt->buffer.size - 1 - pctxt->buffer.byteIndex)
      return len;   // already in place at the start of the encoding
   return xe_memcpy(pctxt, data, (OSUINT32)len);
}

int xe_OpenTypeExt(ASN1CTXT* pctxt, const Asn1RTDList* pList)
{
   if (pList == nullptr) return 0;
   int total = 0;
   for (Asn1RTDListNode* node = pList->tail; node != nullptr; node = node->prev) {
      if (node->data == nullptr) continue;
      const ASN1OpenType* ot = static_cast<const ASN1OpenType*>(node->data);
      int len = xe_OpenType(pctxt, ot->data, ot->numocts);
      if (len < 0) return LOG_STAT(pctxt, len);
      if (len > INT32_MAX - total) return LOG_STAT(pctxt, ASN1ERR_BUFFER_OVERFLOW);
      total += len;
   }
   return total;
}

int xe_derCanonicalSort(ASN1CTXT* pctxt, Asn1RTSList* pList)
{
   if (pList == nullptr || pList->count == 0 || pList->head == nullptr) return 0;
   ASN1BUFFER& b = pctxt->buffer;
   const OSUINT32 used = b.size - 1 - b.byteIndex;
   const OSUINT32 count = pList->count;

   int stat = 0;
   OSUINT64 total = 0;
   DescrView* views = nullptr;
   if (count == 1) {
      // One element (most sets of a certificate): nothing to order, only
      // the descriptor to check.
      Asn1BufLocDescr* d = static_cast<Asn1BufLocDescr*>(pList->head->data);
      if (pList->head->next != nullptr || d == nullptr || d->offset > used || d->numocts > d->offset ||
          d->numocts > used)
         stat = ASN1ERR_INVALID_PARAM;
      else
         total = d->numocts;
   }
   else if ((OSUINT64)count * sizeof(DescrView) > (OSUINT64)INT32_MAX) stat = ASN1ERR_NO_MEMORY;
   else {
      views = static_cast<DescrView*>(ASN1MALLOC(pctxt, count * sizeof(DescrView)));
      if (views == nullptr) stat = ASN1ERR_NO_MEMORY;
   }
   // Every descriptor must name an element inside the encoding; the
   // elements together must be the start of the encoding.
   OSUINT32 n = 0;
   bool ordered = true;
   for (Asn1RTSListNode* node = pList->head; stat == 0 && views != nullptr && node != nullptr; node = node->next) {
      Asn1BufLocDescr* d = static_cast<Asn1BufLocDescr*>(node->data);
      if (d == nullptr || n >= count || d->offset > used || d->numocts > d->offset) {
         stat = ASN1ERR_INVALID_PARAM;
         break;
      }
      views[n].p = b.data + (b.size - 1 - d->offset);
      views[n].d = d;
      // The list runs from the first-written (last) element to the first.
      if (n > 0 && derLess(views[n - 1], views[n])) ordered = false;
      total += d->numocts;
      n++;
   }
   if (stat == 0 && count > 1 && (n != count || total > used)) stat = ASN1ERR_INVALID_PARAM;

   if (stat == 0 && !ordered) {
      OSOCTET* scratch = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, total));
      if (scratch == nullptr) stat = ASN1ERR_NO_MEMORY;
      else {
         // Ascending order into the scratch area, then over the elements.
         std::stable_sort(views, views + n, [](const DescrView& x, const DescrView& y) {
            return derLess(x, y);
         });
         OSUINT32 pos = 0;
         for (OSUINT32 i = 0; i < n; i++) {
            memcpy(scratch + pos, views[i].p, views[i].d->numocts);
            pos += views[i].d->numocts;
         }
         memcpy(b.data + b.byteIndex, scratch, (size_t)total);
         ASN1MEMFREEPTR(pctxt, scratch);
      }
   }
   if (views != nullptr) ASN1MEMFREEPTR(pctxt, views);

   // The descriptors and nodes are spent in every case.
   Asn1RTSListNode* node = pList->head;
   while (node != nullptr) {
      Asn1RTSListNode* next = node->next;
      if (node->data != nullptr) ASN1MEMFREEPTR(pctxt, node->data);
      if (pList->ctxt != nullptr) rtMemHeapFreePtr(&pList->ctxt->memHeap, node);
      node = next;
   }
   pList->count = 0;
   pList->head = nullptr;
   pList->tail = nullptr;
   if (stat != 0) return stat;
   return (int)total;
}

}
