// BER decoder: typed primitives for BOOLEAN, the INTEGER forms, ENUMERATED,
// NULL, OBJECT IDENTIFIER and big integers as text.
//
// Each takes the tagging argument: explicit reads and checks the universal
// identifier octet and the length, implicit takes the content length from
// the caller. Content is never read past the buffer's size.
#include <string.h>

#include "asn1ber.h"
#include "berInternal.h"
#include "rtMemHeap.h"

namespace {

// Explicit header, or the implicit length. Returns the raw status.
inline int contentLength(ASN1CTXT* pctxt, OSOCTET idOctet, ASN1TagType tagging, int* plen)
{
   if (tagging == ASN1TAG_EXPLICIT) return xd_expectPrimitive(pctxt, idOctet, plen);
   return 0;
}

// Signed big-endian content of 1..4 octets (the first is sign-extended).
inline int readSigned(ASN1CTXT* pctxt, int* object_p, int length)
{
   if (length > 4) return ASN1ERR_TOO_BIG;
   if (length <= 0) return ASN1ERR_INVALID_LENGTH;
   if ((OSUINT32)length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
   const OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   if (xd_derStrict(pctxt) && !ber_minimalInteger(p, length)) return ASN1ERR_BAD_VALUE;
   OSUINT32 v = (p[0] & 0x80) ? 0xFFFFFFFFU : 0;
   for (int i = 0; i < length; i++) v = (v << 8) | p[i];
   pctxt->buffer.byteIndex += (OSUINT32)length;
   if (object_p != nullptr) *object_p = (int)v;
   return 0;
}

// One subidentifier of an OBJECT IDENTIFIER from p (before end): its
// value in *pv and the position after it, or null for the forms that are
// refused: a group that starts with 80 (X.690 8.19.2: no leading padding),
// a value above 2^32-1 (would wrap), and content that ends inside it.
inline const OSOCTET* readSubid(const OSOCTET* p, const OSOCTET* end, OSUINT32* pv)
{
   if (*p == 0x80) return nullptr;
   OSUINT32 v = 0;
   for (;;) {
      if (p >= end || v > (0xFFFFFFFFU >> 7)) return nullptr;
      const OSOCTET b = *p++;
      v = (v << 7) | (b & 0x7F);
      if (!(b & 0x80)) break;
   }
   *pv = v;
   return p;
}

} // namespace

extern "C" {

int xd_boolean(ASN1CTXT* pctxt, OSBOOL* object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x01, tagging, &length);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   // X.690 8.2.1: one content octet.
   if (length != 1) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if (xd_avail(pctxt) < 1) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   OSOCTET v = pctxt->buffer.data[pctxt->buffer.byteIndex];
   // DER: TRUE is FF (X.690 11.1); BER takes any non-zero octet.
   if (xd_derStrict(pctxt) && v != 0x00 && v != 0xFF) return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
   pctxt->buffer.byteIndex++;
   if (object_p != nullptr) *object_p = v;   // any non-zero octet is TRUE
   return 0;
}

int xd_integer(ASN1CTXT* pctxt, int* object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x02, tagging, &length);
   if (stat == 0) stat = readSigned(pctxt, object_p, length);
   return (stat != 0) ? LOG_STAT(pctxt, stat) : 0;
}

int xd_enum(ASN1CTXT* pctxt, int* object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x0A, tagging, &length);
   if (stat != 0) {
      // The caller may be probing: its own tag check stays unrecorded.
      if (stat == ASN1ERR_TAG_NOT_FOUND || stat == ASN1ERR_END_OF_BUFFER) return stat;
      return LOG_STAT(pctxt, stat);
   }
   stat = readSigned(pctxt, object_p, length);
   return (stat != 0) ? LOG_STAT(pctxt, stat) : 0;
}

int xd_unsigned(ASN1CTXT* pctxt, unsigned int* object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x02, tagging, &length);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (length < 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if (length > 5) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   if ((OSUINT32)length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
   const OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   if (xd_derStrict(pctxt) && !ber_minimalInteger(p, length)) return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
   if (length == 5 && p[0] != 0) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   // INTEGER is two's complement: a leading 1 bit is a negative value, which
   // an unsigned target cannot hold (read as unsigned, FF would become 255).
   if (length > 0 && length < 5 && (p[0] & 0x80) != 0) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   OSUINT32 v = 0;
   for (int i = 0; i < length; i++) v = (v << 8) | p[i];
   pctxt->buffer.byteIndex += (OSUINT32)length;
   if (object_p != nullptr) *object_p = v;
   return 0;
}

// A content length of 0 gives 0 and consumes nothing, like xd_unsigned.
int xd_uint16(ASN1CTXT* pctxt, OSUINT16* object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x02, tagging, &length);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (length < 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if (length > 3) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   if ((OSUINT32)length > xd_avail(pctxt)) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   const OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   if (xd_derStrict(pctxt) && !ber_minimalInteger(p, length)) return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
   if (length == 3 && p[0] != 0) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   if (length > 0 && length < 3 && (p[0] & 0x80) != 0) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   OSUINT32 v = 0;
   for (int i = 0; i < length; i++) v = (v << 8) | p[i];
   pctxt->buffer.byteIndex += (OSUINT32)length;
   if (object_p != nullptr) *object_p = (OSUINT16)v;
   return 0;
}

int xd_null(ASN1CTXT* pctxt, ASN1TagType tagging)
{
   if (tagging != ASN1TAG_EXPLICIT) return 0;
   int length;
   int stat = xd_expectPrimitive(pctxt, 0x05, &length);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   // X.690 8.8.2: no content octets.
   if (length != 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   return 0;
}

// X.690 8.19. Subidentifiers are base 128, most significant group first.
// Beyond the basic decoding, three forms are refused with -4 because they
// would let two different encodings decode to the same identifier (or hide
// octets): a group that starts with 80 (X.690 8.19.2: no leading padding),
// a subidentifier above 2^32-1 (would wrap), and content that ends inside
// a subidentifier.
int xd_objid(ASN1CTXT* pctxt, ASN1OBJID* object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x06, tagging, &length);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (length <= 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if ((OSUINT32)length > xd_avail(pctxt)) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);

   const OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   const OSOCTET* const end = p + length;
   ASN1OBJID scratch;
   ASN1OBJID* oid = (object_p != nullptr) ? object_p : &scratch;
   OSUINT32 v;
   const OSOCTET* q = p + 1;
   if (*p < 0x80) {
      v = *p;
   }
   else {
      q = readSubid(p, end, &v);
      if (q == nullptr) {
         oid->numids = 0;
         return LOG_STAT(pctxt, ASN1ERR_INVALID_OBJID);
      }
   }
   // The first subidentifier holds the first two arcs.
   if (v < 80) {
      oid->subid[0] = v / 40;
      oid->subid[1] = v % 40;
   }
   else {
      oid->subid[0] = 2;
      oid->subid[1] = v - 80;
   }
   p = q;
   OSUINT32* out = oid->subid + 2;
   // Every further arc takes at least one octet: content of fewer octets
   // than the room left cannot run past subid[], and the common one-octet
   // arcs are stored without further tests.
   OSUINT32* const limit = oid->subid + ASN_K_MAXSUBIDS;
   if ((OSUINT32)(end - p) <= (OSUINT32)(limit - out)) {
      while (p < end) {
         if (*p < 0x80) {
            *out++ = *p++;
            continue;
         }
         q = readSubid(p, end, &v);
         if (q == nullptr) {
            oid->numids = (OSUINT32)(out - oid->subid);
            return LOG_STAT(pctxt, ASN1ERR_INVALID_OBJID);
         }
         p = q;
         *out++ = v;
      }
   }
   else {
      while (p < end) {
         q = readSubid(p, end, &v);
         if (q == nullptr) {
            oid->numids = (OSUINT32)(out - oid->subid);
            return LOG_STAT(pctxt, ASN1ERR_INVALID_OBJID);
         }
         p = q;
         if (out == limit) {
            oid->numids = ASN_K_MAXSUBIDS;
            return ASN1ERR_INVALID_OBJID;   // not recorded
         }
         *out++ = v;
      }
   }
   oid->numids = (OSUINT32)(out - oid->subid);
   pctxt->buffer.byteIndex += (OSUINT32)length;
   return 0;
}

int xd_bigint(ASN1CTXT* pctxt, const char** object_p, ASN1TagType tagging, int length)
{
   int stat = contentLength(pctxt, 0x02, tagging, &length);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (length < 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   // Checked before anything is allocated.
   if ((OSUINT32)length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
   if ((OSUINT64)2 * ((OSUINT64)length + 2) > (OSUINT64)INT32_MAX)
      return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);

   const OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   if (xd_derStrict(pctxt) && !ber_minimalInteger(p, length)) return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
   int i = 0;
   while (i < length && p[i] == 0) i++;
   const bool droppedZero = (i > 0);

   char* text = static_cast<char*>(ASN1MALLOC(pctxt, 2 * (length + 2)));
   if (text == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
   static const char hex[] = "0123456789abcdef";
   char* t = text;
   *t++ = '0';
   *t++ = 'x';
   if (i == length) {
      *t++ = '0';
   }
   else {
      // Keep a positive value positive when its sign octet was dropped.
      if (droppedZero && (p[i] & 0x80)) *t++ = '0';
      // Two digits per octet from a table of all 256 pairs.
      static const struct HexPairs {
         char pair[256][2];
         HexPairs()
         {
            for (int o = 0; o < 256; o++) {
               pair[o][0] = hex[o >> 4];
               pair[o][1] = hex[o & 0x0F];
            }
         }
      } pairs;
      for (; i < length; i++) {
         memcpy(t, pairs.pair[p[i]], 2);
         t += 2;
      }
   }
   *t = '\0';
   pctxt->buffer.byteIndex += (OSUINT32)length;
   if (object_p != nullptr) *object_p = text;
   return 0;
}

}
