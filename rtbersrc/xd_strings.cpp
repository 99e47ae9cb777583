// BER decoder: OCTET STRING, BIT STRING and the character strings, in the
// primitive and the constructed (segmented) forms, with definite or
// indefinite length.
//
// A constructed string is read as a flat run of primitive segments of the
// string's own type (X.690 8.6.4, 8.7.3, 8.23.4): a segment that is itself
// constructed is refused with -21, so no input makes the decoder recurse.
// Every segment must lie inside the enclosing content, and the data are
// only ever copied into storage sized before the copy.
#include <string.h>

#include "asn1ber.h"
#include "berInternal.h"
#include "rtMemHeap.h"

namespace {

// The explicit header of a primitive string element with identifier octet
// idOctet, when xd_quickHeader takes it: consumed, the content length in
// *plen. False (nothing consumed) for any other header.
inline bool quickStringHeader(ASN1CTXT* pctxt, OSOCTET idOctet, OSUINT32* plen)
{
   const OSUINT32 h = xd_quickHeader(pctxt, plen);
   if (h == 0 || pctxt->buffer.data[pctxt->buffer.byteIndex] != idOctet) return false;
   pctxt->buffer.byteIndex += h;
   pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   return true;
}

// Reads the explicit header of a string type: identifier `tag` (constructed
// bit ignored) and length; a primitive element may not use the indefinite
// length. Raw status (nothing recorded).
int expectStringTag(ASN1CTXT* pctxt, ASN1TAG tag, int* plen)
{
   // The common case inline: the primitive form of a low tag number with a
   // definite length that fits.
   OSUINT32 qlen;
   if ((tag & TM_IDCODE) < 31 && quickStringHeader(pctxt, ber_idOctet(tag & ~TM_CONS), &qlen)) {
      *plen = (int)qlen;
      return 0;
   }
   ASN1TAG found;
   ASN1BUFSAVE before;
   xu_SaveBufferState(pctxt, &before);
   int stat = xd_readHeader(pctxt, &found, plen);
   if (stat != 0) return stat;
   if ((found & ~TM_CONS) != (tag & ~TM_CONS)) {
      xu_RestoreBufferState(pctxt, &before);
      return ASN1ERR_TAG_NOT_FOUND;
   }
   if (*plen == INDEFINITE_LENGTH && !(found & TM_CONS)) return ASN1ERR_INVALID_LENGTH;
   return 0;
}

// The primitive content of a string element that lies in the buffer: with
// explicit tagging its header (quickStringHeader) consumed, with implicit
// tagging the `length` octets at the position after a primitive header.
// False for anything else (nothing consumed), which gatherString reads.
inline bool quickStringContent(ASN1CTXT* pctxt, ASN1TagType tagging, OSOCTET idOctet, int length,
                               OSUINT32* plen)
{
   if (tagging == ASN1TAG_EXPLICIT) return quickStringHeader(pctxt, idOctet, plen);
   if ((pctxt->flags & ASN1CONSTAG) || length < 0 || (OSUINT32)length > xd_avail(pctxt)) return false;
   *plen = (OSUINT32)length;
   return true;
}

// Copies the segments of a constructed content of `length` octets (no
// end-of-contents inside) into buf of capacity `cap` octets. For bit
// strings (segId 3) each segment starts with its unused-bit count, which
// must be 0 in every segment but the last (X.690 8.6.4); *punused gets the
// last one. Raw status.
int readSegments(ASN1CTXT* pctxt, OSOCTET segId, OSOCTET* buf, OSUINT32 cap,
                 OSUINT32 length, OSUINT32* pcopied, int* punused)
{
   if (length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
   const OSUINT32 end = pctxt->buffer.byteIndex + length;
   const bool bits = (segId == ASN1_ID_BITSTR);
   OSUINT32 copied = 0;
   int unused = 0;
   while (pctxt->buffer.byteIndex < end) {
      ASN1TAG tag;
      int len;
      int stat = xd_readHeader(pctxt, &tag, &len);
      if (stat != 0) return stat;
      // The segment header itself must lie inside the enclosing content.
      if (pctxt->buffer.byteIndex > end) return ASN1ERR_INVALID_LENGTH;
      // An end-of-contents cannot occur inside a definite-length content.
      if (tag == 0 && len == 0) return ASN1ERR_INVALID_LENGTH;
      if (tag != (ASN1TAG)segId) return ASN1ERR_BAD_TAG;
      if (len < 0) return ASN1ERR_INVALID_LENGTH;
      // A segment may not claim more than the enclosing content holds.
      if ((OSUINT32)len > end - pctxt->buffer.byteIndex) return ASN1ERR_INVALID_LENGTH;
      const OSOCTET* src = pctxt->buffer.data + pctxt->buffer.byteIndex;
      OSUINT32 n = (OSUINT32)len;
      if (bits) {
         if (n == 0) return ASN1ERR_INVALID_LENGTH;     // the count octet is required
         if (unused != 0) return ASN1ERR_BAD_VALUE;     // only the last segment may have unused bits
         unused = src[0];
         if (unused > 7) return ASN1ERR_BAD_VALUE;
         if (n == 1 && unused != 0) return ASN1ERR_INVALID_LENGTH;
         src++;
         n--;
      }
      if (n > cap - copied) return ASN1ERR_STRING_OVERFLOW;
      if (n > 0) memcpy(buf + copied, src, n);
      copied += n;
      pctxt->buffer.byteIndex += (OSUINT32)len;
   }
   *pcopied = copied;
   if (punused != nullptr) *punused = unused;
   return 0;
}

// The end-of-contents that closes a constructed string of indefinite length.
int consumeEOC(ASN1CTXT* pctxt)
{
   const ASN1BUFFER& b = pctxt->buffer;
   if (xd_avail(pctxt) < 2 || b.data[b.byteIndex] != 0 || b.data[b.byteIndex + 1] != 0)
      return ASN1ERR_INVALID_LENGTH;
   pctxt->buffer.byteIndex += 2;
   pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   return 0;
}

// The data of a string element, primitive or segmented.
struct StringData {
   const OSOCTET* data;   // null for empty content
   OSUINT32 count;        // data octets (bit strings: without the count octet)
   int unused;            // bit strings: unused bits of the last octet
   bool borrowed;         // data points into the message
};

// Reads a string element. `borrow` lets primitive content stay in the
// message; otherwise the data are copied into a new memHeap block with
// `extra` spare octets after them (zeroed). Raw status.
int gatherString(ASN1CTXT* pctxt, ASN1TagType tagging, ASN1TAG tag, OSOCTET segId,
                 int length, bool borrow, OSUINT32 extra, StringData* out)
{
   const bool bits = (segId == ASN1_ID_BITSTR);
   out->data = nullptr;
   out->count = 0;
   out->unused = 0;
   out->borrowed = false;
   int stat;
   if (tagging == ASN1TAG_EXPLICIT) {
      stat = expectStringTag(pctxt, tag, &length);
      if (stat != 0) return stat;
   }
   const bool constructed = (pctxt->flags & ASN1CONSTAG) != 0;
   // DER: strings are primitive (X.690 10.2).
   if (constructed && xd_derStrict(pctxt)) return ASN1ERR_BAD_TAG;

   if (!constructed) {
      if (length < 0) return ASN1ERR_INVALID_LENGTH;
      if ((OSUINT32)length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
      const OSOCTET* src = pctxt->buffer.data + pctxt->buffer.byteIndex;
      OSUINT32 n = (OSUINT32)length;
      // X.690 8.6.2: the initial octet is always there (BER reads an empty
      // content as an empty string).
      if (bits && n == 0 && xd_derStrict(pctxt)) return ASN1ERR_INVALID_LENGTH;
      if (bits && n > 0) {
         // X.690 8.6.2.2: the count octet is 0..7, and 0 without data.
         out->unused = src[0];
         if (out->unused > 7) return ASN1ERR_BAD_VALUE;
         if (n == 1 && out->unused != 0) return ASN1ERR_INVALID_LENGTH;
         src++;
         n--;
         if (xd_derStrict(pctxt) && !ber_unusedBitsClear(src, n, out->unused)) return ASN1ERR_BAD_VALUE;
      }
      if (n > 0) {
         if (borrow) {
            out->data = src;
            out->borrowed = true;
         }
         else {
            if ((OSUINT64)n + extra > (OSUINT64)INT32_MAX) return ASN1ERR_NO_MEMORY;
            OSOCTET* p = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, n + extra));
            if (p == nullptr) return ASN1ERR_NO_MEMORY;
            memcpy(p, src, n);
            if (extra > 0) memset(p + n, 0, extra);
            out->data = p;
         }
      }
      out->count = n;
      pctxt->buffer.byteIndex += (OSUINT32)length;
      return 0;
   }

   // Segmented: first learn the sizes without consuming anything.
   int datalen, contentlen;
   const bool indefinite = (length == INDEFINITE_LENGTH);
   if (indefinite) {
      stat = xd_consStrIndefLenAndSize(pctxt, segId, &datalen, &contentlen);
      if (stat != 0) return stat;
   }
   else {
      if (length < 0) return ASN1ERR_INVALID_LENGTH;
      if ((OSUINT32)length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
      datalen = contentlen = length;
   }
   OSOCTET* p = nullptr;
   if (datalen > 0) {
      if ((OSUINT64)datalen + extra > (OSUINT64)INT32_MAX) return ASN1ERR_NO_MEMORY;
      p = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, (OSUINT32)datalen + extra));
      if (p == nullptr) return ASN1ERR_NO_MEMORY;
   }
   OSUINT32 copied = 0;
   stat = readSegments(pctxt, segId, p, (OSUINT32)datalen, (OSUINT32)contentlen,
                       &copied, &out->unused);
   if (stat == 0 && indefinite) stat = consumeEOC(pctxt);
   if (stat != 0) {
      if (p != nullptr) ASN1MEMFREEPTR(pctxt, p);
      return stat;
   }
   if (copied == 0) {
      if (p != nullptr) ASN1MEMFREEPTR(pctxt, p);
      p = nullptr;
   }
   else if (extra > 0) {
      memset(p + copied, 0, extra);
   }
   out->data = p;
   out->count = copied;
   return 0;
}

} // namespace

extern "C" {

int xd_octstr_s(ASN1CTXT* pctxt, OSOCTET* object_p, OSUINT32* pnumocts, ASN1TagType tagging, int length)
{
   if (pnumocts == nullptr || (object_p == nullptr && *pnumocts > 0))
      return LOG_STAT(pctxt, ASN1ERR_INVALID_PARAM);
   int stat;
   if (tagging == ASN1TAG_EXPLICIT) {
      stat = xd_expectPrimitive(pctxt, 0x04, &length);
      if (stat != 0) return LOG_STAT(pctxt, stat);
   }
   if (length < 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if ((pctxt->flags & ASN1CONSTAG) && xd_derStrict(pctxt)) return LOG_STAT(pctxt, ASN1ERR_BAD_TAG);
   if (!(pctxt->flags & ASN1CONSTAG)) {
      if ((OSUINT32)length > *pnumocts) return LOG_STAT(pctxt, ASN1ERR_STRING_OVERFLOW);
      stat = xd_memcpy(pctxt, object_p, length);
      if (stat != 0) return LOG_STAT(pctxt, stat);
      *pnumocts = (OSUINT32)length;
      return 0;
   }
   // Segmented: bounded by the caller's capacity, not by the content length
   // (which also counts the segment headers).
   OSUINT32 copied = 0;
   stat = readSegments(pctxt, ASN1_ID_OCTSTR, object_p, *pnumocts, (OSUINT32)length,
                       &copied, nullptr);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   *pnumocts = copied;
   return 0;
}

int xd_bitstr_s(ASN1CTXT* pctxt, OSOCTET* object_p, OSUINT32* pnumbits, ASN1TagType tagging, int length)
{
   if (pnumbits == nullptr || (object_p == nullptr && *pnumbits > 0))
      return LOG_STAT(pctxt, ASN1ERR_INVALID_PARAM);
   // Capacity in octets: a capacity of 0 bits holds no octet at all.
   const OSUINT32 cap = *pnumbits / 8 + ((*pnumbits % 8) ? 1 : 0);
   int stat;
   if (tagging == ASN1TAG_EXPLICIT) {
      stat = xd_expectPrimitive(pctxt, 0x03, &length);
      if (stat != 0) return LOG_STAT(pctxt, stat);
   }
   if (length < 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if ((pctxt->flags & ASN1CONSTAG) && xd_derStrict(pctxt)) return LOG_STAT(pctxt, ASN1ERR_BAD_TAG);
   if (!(pctxt->flags & ASN1CONSTAG)) {
      if (length == 0) {
         // X.690 8.6.2: the initial octet is always there.
         if (xd_derStrict(pctxt)) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
         *pnumbits = 0;
         return 0;
      }
      if ((OSUINT32)length > xd_avail(pctxt)) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
      const OSOCTET* src = pctxt->buffer.data + pctxt->buffer.byteIndex;
      int unused = src[0];
      if (unused > 7) return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
      OSUINT32 n = (OSUINT32)length - 1;
      if (n > cap) return LOG_STAT(pctxt, ASN1ERR_STRING_OVERFLOW);
      if (n == 0 && unused != 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
      if (xd_derStrict(pctxt) && !ber_unusedBitsClear(src + 1, n, unused)) return LOG_STAT(pctxt, ASN1ERR_BAD_VALUE);
      if (n > 0) memcpy(object_p, src + 1, n);
      pctxt->buffer.byteIndex += (OSUINT32)length;
      *pnumbits = n * 8 - (OSUINT32)unused;
      return 0;
   }
   OSUINT32 copied = 0;
   int unused = 0;
   stat = readSegments(pctxt, ASN1_ID_BITSTR, object_p, cap, (OSUINT32)length, &copied, &unused);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   *pnumbits = copied * 8 - (OSUINT32)unused;
   return 0;
}

int xd_octstr(ASN1CTXT* pctxt, const OSOCTET** object_p2, OSUINT32* pnumocts, ASN1TagType tagging, int length)
{
   const bool noCopy = (pctxt->flags & ASN1FASTCOPY) != 0;
   OSUINT32 n;
   if (quickStringContent(pctxt, tagging, 0x04, length, &n)) {
      // Primitive, and the content lies in the buffer: taken or copied in
      // one step.
      const OSOCTET* src = pctxt->buffer.data + pctxt->buffer.byteIndex;
      const OSOCTET* data = nullptr;
      if (n > 0) {
         if (noCopy) {
            data = src;
         }
         else {
            OSOCTET* p = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, n));
            if (p == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
            memcpy(p, src, n);
            data = p;
         }
      }
      pctxt->buffer.byteIndex += n;
      if (object_p2 != nullptr) *object_p2 = data;
      if (pnumocts != nullptr) *pnumocts = n;
      return 0;
   }
   StringData s;
   int stat = gatherString(pctxt, tagging, TM_UNIV | ASN1_ID_OCTSTR, ASN1_ID_OCTSTR, length,
                           noCopy, 0, &s);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (object_p2 != nullptr) *object_p2 = s.data;
   if (pnumocts != nullptr) *pnumocts = s.count;
   return 0;
}

int xd_bitstr(ASN1CTXT* pctxt, const OSOCTET** object_p2, OSUINT32* pnumbits, ASN1TagType tagging, int length)
{
   StringData s;
   const bool noCopy = (pctxt->flags & ASN1FASTCOPY) != 0;
   int stat = gatherString(pctxt, tagging, TM_UNIV | ASN1_ID_BITSTR, ASN1_ID_BITSTR, length,
                           noCopy, 0, &s);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (s.count > 0x1FFFFFFFU) return LOG_STAT(pctxt, ASN1ERR_TOO_BIG);
   if (object_p2 != nullptr) *object_p2 = s.data;
   if (pnumbits != nullptr) *pnumbits = s.count * 8 - (OSUINT32)s.unused;
   return 0;
}

int xd_charstr(ASN1CTXT* pctxt, const char** object_p, ASN1TagType tagging, ASN1TAG tag, int length)
{
   OSUINT32 n;
   if ((tagging != ASN1TAG_EXPLICIT || (tag & TM_IDCODE) < 31) &&
       quickStringContent(pctxt, tagging, ber_idOctet(tag & ~TM_CONS), length, &n)) {
      // Primitive, and the content lies in the buffer: checked for a NUL
      // (see below) before the copy is made.
      const OSOCTET* src = pctxt->buffer.data + pctxt->buffer.byteIndex;
      if (n > 0 && memchr(src, 0, n) != nullptr) {
         pctxt->buffer.byteIndex += n;
         return LOG_STAT(pctxt, ASN1ERR_INVALID_CHAR);
      }
      char* text = static_cast<char*>(ASN1MALLOC(pctxt, n + 1));
      if (text == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
      if (n > 0) memcpy(text, src, n);
      text[n] = '\0';
      pctxt->buffer.byteIndex += n;
      if (object_p != nullptr) *object_p = text;
      return 0;
   }
   StringData s;
   int stat = gatherString(pctxt, tagging, tag, ASN1_ID_OCTSTR, length, false, 1, &s);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   // The text is handed on NUL-terminated: a NUL among the octets would
   // silently cut it short ("a.example\0.evil" read as "a.example").
   if (s.data != nullptr && memchr(s.data, 0, s.count) != nullptr) {
      if (!s.borrowed) ASN1MEMFREEPTR(pctxt, s.data);
      return LOG_STAT(pctxt, ASN1ERR_INVALID_CHAR);
   }
   const char* text = reinterpret_cast<const char*>(s.data);
   if (text == nullptr) {
      char* empty = static_cast<char*>(ASN1MALLOC(pctxt, 1));
      if (empty == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
      empty[0] = '\0';
      text = empty;
   }
   if (object_p != nullptr) *object_p = text;
   return 0;
}

int xd_16BitCharStr(ASN1CTXT* pctxt, Asn116BitCharString* object_p, ASN1TagType tagging, ASN1TAG tag, int length)
{
   StringData s;
   int stat = gatherString(pctxt, tagging, tag, ASN1_ID_OCTSTR, length, true, 0, &s);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   // A character is two octets; an odd octet would be lost.
   if (s.count % 2 != 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   OSUINT32 nchars = s.count / 2;
   OSUNICHAR* chars = nullptr;
   if (nchars > 0) {
      chars = static_cast<OSUNICHAR*>(ASN1MALLOC(pctxt, nchars * sizeof(OSUNICHAR)));
      if (chars == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
      for (OSUINT32 i = 0; i < nchars; i++)
         chars[i] = (OSUNICHAR)((s.data[2 * i] << 8) | s.data[2 * i + 1]);
   }
   if (!s.borrowed && s.data != nullptr) ASN1MEMFREEPTR(pctxt, s.data);
   if (object_p != nullptr) {
      object_p->nchars = nchars;
      object_p->data = chars;
   }
   return 0;
}

int xd_32BitCharStr(ASN1CTXT* pctxt, Asn132BitCharString* object_p, ASN1TagType tagging, ASN1TAG tag, int length)
{
   StringData s;
   int stat = gatherString(pctxt, tagging, tag, ASN1_ID_OCTSTR, length, true, 0, &s);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   // A character is four octets.
   if (s.count % 4 != 0) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   OSUINT32 nchars = s.count / 4;
   OS32BITCHAR* chars = nullptr;
   if (nchars > 0) {
      chars = static_cast<OS32BITCHAR*>(ASN1MALLOC(pctxt, nchars * sizeof(OS32BITCHAR)));
      if (chars == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
      for (OSUINT32 i = 0; i < nchars; i++) {
         const OSOCTET* c = s.data + 4 * i;
         chars[i] = ((OSUINT32)c[0] << 24) | ((OSUINT32)c[1] << 16) | ((OSUINT32)c[2] << 8) | c[3];
      }
   }
   if (!s.borrowed && s.data != nullptr) ASN1MEMFREEPTR(pctxt, s.data);
   if (object_p != nullptr) {
      object_p->nchars = nchars;
      object_p->data = chars;
   }
   return 0;
}

}
