// Helpers shared by the BER/DER primitives; not exported.
//
// Decoder reads all go through the bounded parsers below: a parser is given
// the buffer and its size and never looks at data[size] or beyond.
#ifndef BERINTERNAL_H
#define BERINTERNAL_H

#include "asn1ber.h"
#include "rtError.h"

// Makes sure n free positions lie in front of the encoding. 0, -1 or -12.
static inline int xe_reserve(ASN1CTXT* pctxt, OSUINT32 n)
{
   if (pctxt->buffer.byteIndex >= n) return 0;
   return xe_expandBuffer(pctxt, n);
}

// Writes n octets in front of the encoding; the room must be reserved.
static inline void xe_put(ASN1CTXT* pctxt, const OSOCTET* src, OSUINT32 n)
{
   pctxt->buffer.byteIndex -= n;
   OSOCTET* dst = pctxt->buffer.data + pctxt->buffer.byteIndex;
   for (OSUINT32 i = 0; i < n; i++) dst[i] = src[i];
}

// Octets of the minimal two's-complement form of v (no leading 00 before a
// clear top bit, no leading FF before a set one): 1 to 8.
static inline OSUINT32 ber_int64Octets(OSINT64 v)
{
#if defined(__GNUC__)
   // Bits that are not copies of the sign bit, plus the sign bit.
   return (OSUINT32)(64 - __builtin_clrsbll((long long)v) + 7) / 8;
#else
   OSUINT32 n = 1;
   while (n < 8 && (v < -((OSINT64)1 << (8 * n - 1)) || v >= ((OSINT64)1 << (8 * n - 1)))) n++;
   return n;
#endif
}

// The n minimal two's-complement octets of v (n from ber_int64Octets) to
// out[0..n), most significant first.
static inline void ber_int64ToOctets(OSINT64 v, OSOCTET* out, OSUINT32 n)
{
   OSUINT64 u = (OSUINT64)v;
   for (OSUINT32 i = n; i-- > 0;) {
      out[i] = (OSOCTET)u;
      u >>= 8;
   }
}

// Octets left to read at the position (0 when the position lies past size).
static inline OSUINT32 xd_avail(const ASN1CTXT* pctxt)
{
   const ASN1BUFFER& b = pctxt->buffer;
   return (b.byteIndex < b.size) ? b.size - b.byteIndex : 0;
}

// The identifier octet of a tag code whose number is below 31.
static inline OSOCTET ber_idOctet(ASN1TAG tag)
{
   return (OSOCTET)(((tag >> 24) & 0xE0) | (tag & 0x1F));
}

// Parses identifier octets at data[*pidx], reading nothing at or beyond
// size. On success stores the tag code and advances *pidx.
// -2 at the end of the buffer; -21 for a number above 0x1FFFFFFF or one
// that runs into a 10th subsequent octet (X.690 8.1.2.4). With `der`, a
// number written longer than it needs is -21 as well: the long form for a
// number below 31, or a first subsequent octet 80 (X.690 8.1.2.4.2 c).
static inline int ber_parseTag(const OSOCTET* data, OSUINT32 size, OSUINT32* pidx, ASN1TAG* ptag,
                               bool der = false)
{
   OSUINT32 i = *pidx;
   if (i >= size) return ASN1ERR_END_OF_BUFFER;
   OSOCTET b = data[i++];
   ASN1TAG lead = (ASN1TAG)(b & 0xE0) << 24;
   if ((b & 0x1F) != TM_B_IDCODE) {
      *ptag = lead | (b & 0x1F);
      *pidx = i;
      return 0;
   }
   OSUINT32 number = 0;
   for (int n = 0;; n++) {
      if (n >= 9) return ASN1ERR_BAD_TAG;
      if (i >= size) return ASN1ERR_END_OF_BUFFER;
      b = data[i++];
      if (der && n == 0 && b == 0x80) return ASN1ERR_BAD_TAG;
      if (number > (TM_IDCODE >> 7)) return ASN1ERR_BAD_TAG;
      number = (number << 7) | (b & 0x7F);
      if (!(b & 0x80)) break;
   }
   if (number > TM_IDCODE) return ASN1ERR_BAD_TAG;
   if (der && number < 31) return ASN1ERR_BAD_TAG;
   *ptag = lead | number;
   *pidx = i;
   return 0;
}

// Parses length octets at data[*pidx], reading nothing at or beyond size.
// 80 gives INDEFINITE_LENGTH. A value is not compared with the octets left.
// -2 at the end of the buffer; -5 for the reserved FF, more than 4 length
// octets (X.690 8.1.3.5), or a value above 2^31-1. With `der`, a long form
// that DER forbids (X.690 10.1: leading zero octets, a value below 128, the
// indefinite form) is -5 as well.
static inline int ber_parseLen(const OSOCTET* data, OSUINT32 size, OSUINT32* pidx, int* plen, bool der)
{
   OSUINT32 i = *pidx;
   if (i >= size) return ASN1ERR_END_OF_BUFFER;
   OSOCTET b = data[i++];
   if (b < 0x80) {
      *plen = b;
      *pidx = i;
      return 0;
   }
   if (b == 0x80) {
      if (der) return ASN1ERR_INVALID_LENGTH;
      *plen = INDEFINITE_LENGTH;
      *pidx = i;
      return 0;
   }
   OSUINT32 count = b & 0x7F;
   if (count > 4) return ASN1ERR_INVALID_LENGTH;
   if (size - i < count) return ASN1ERR_END_OF_BUFFER;
   if (der && data[i] == 0) return ASN1ERR_INVALID_LENGTH;
   OSUINT32 value = 0;
   for (OSUINT32 k = 0; k < count; k++) value = (value << 8) | data[i++];
   // A definite length never aliases the indefinite marker or any other
   // negative value.
   if (value > (OSUINT32)INT32_MAX) return ASN1ERR_INVALID_LENGTH;
   if (der && value < 0x80) return ASN1ERR_INVALID_LENGTH;
   *plen = (int)value;
   *pidx = i;
   return 0;
}


// Reads a tag and a length at the position (advancing), setting or clearing
// ASN1CONSTAG. A definite length must fit in the octets left unless
// ASN1NOLENCHECK. Nothing is recorded. -2, -5, -21.
static inline int xd_readHeader(ASN1CTXT* pctxt, ASN1TAG* ptag, int* plen)
{
   ASN1BUFFER& b = pctxt->buffer;
   if ((pctxt->flags & (ASN1INDEFLEN | ASN1LASTEOC)) == (ASN1INDEFLEN | ASN1LASTEOC))
      return ASN1ERR_END_OF_BUFFER;
   // One identifier octet and a definite length that fits, the common
   // case, inline.
   OSUINT32 qlen;
   if (const OSUINT32 h = xd_quickHeader(pctxt, &qlen)) {
      const OSOCTET id = b.data[b.byteIndex];
      *ptag = ((ASN1TAG)(id & 0xE0) << 24) | (id & 0x1F);
      *plen = (int)qlen;
      b.byteIndex += h;
      if (id & 0x20) pctxt->flags |= ASN1CONSTAG;
      else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
      return 0;
   }
   OSUINT32 i = b.byteIndex;
   int stat = ber_parseTag(b.data, b.size, &i, ptag, (pctxt->flags & ASN1DERSTRICT) != 0);
   if (stat != 0) return stat;
   stat = ber_parseLen(b.data, b.size, &i, plen, (pctxt->flags & ASN1DERSTRICT) != 0);
   if (stat != 0) return stat;
   if (*plen >= 0 && !(pctxt->flags & ASN1NOLENCHECK) && (OSUINT32)*plen > b.size - i)
      return ASN1ERR_INVALID_LENGTH;
   b.byteIndex = i;
   if (*ptag & TM_CONS) pctxt->flags |= ASN1CONSTAG;
   else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   return 0;
}

// Skips len content octets (bounded by size). -2 when they are not all there.
static inline int xd_skip(ASN1CTXT* pctxt, OSUINT32 len)
{
   if (len > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
   pctxt->buffer.byteIndex += len;
   return 0;
}

// Walks past the end-of-contents of an indefinite-length element whose
// header was just read (nesting depth 1), without recursion.
extern "C" RTINTERNAL int xd_skipIndefContent(ASN1CTXT* pctxt);

// Reads the explicit header of a typed primitive: the identifier octet must
// be exactly idOctet (-3), then the length. Nothing is recorded. The common
// headers inline, every other one through xd_expectPrimitiveLong.
extern "C" RTINTERNAL int xd_expectPrimitiveLong(ASN1CTXT* pctxt, OSOCTET idOctet, int* plen);

#if defined(__GNUC__)
__attribute__((always_inline))
#endif
static inline int xd_expectPrimitive(ASN1CTXT* pctxt, OSOCTET idOctet, int* plen)
{
   OSUINT32 len;
   const OSUINT32 h = xd_quickHeader(pctxt, &len);
   if (h == 0 || pctxt->buffer.data[pctxt->buffer.byteIndex] != idOctet)
      return xd_expectPrimitiveLong(pctxt, idOctet, plen);
   *plen = (int)len;
   pctxt->buffer.byteIndex += h;
   pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   return 0;
}

#define LOG_STAT(pctxt, stat) rtErrSetData(&(pctxt)->errInfo, (stat), 0, 0)

// The DER rules on content, checked in ASN1DERSTRICT mode only.
static inline bool xd_derStrict(const ASN1CTXT* pctxt)
{
   return (pctxt->flags & ASN1DERSTRICT) != 0;
}

// INTEGER and ENUMERATED content of len octets at p is in its shortest form:
// at least one octet, and the first nine bits not all equal (X.690 8.3.2).
// BER forbids the longer forms too; the default mode reads them for the
// sake of the messages in circulation that use them, ASN1DERSTRICT refuses
// them.
static inline bool ber_minimalInteger(const OSOCTET* p, int len)
{
   if (len <= 0) return false;
   if (len == 1) return true;
   return !((p[0] == 0x00 && !(p[1] & 0x80)) || (p[0] == 0xFF && (p[1] & 0x80)));
}

// The unused bits of a BIT STRING's last octet are zero (X.690 11.2.1).
static inline bool ber_unusedBitsClear(const OSOCTET* data, OSUINT32 numocts, int unused)
{
   return numocts == 0 || unused == 0 || (data[numocts - 1] & ((1u << unused) - 1u)) == 0;
}

#endif
