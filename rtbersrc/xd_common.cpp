// BER decoder: set-up, identifier and length octets, tag search and
// element walking.
//
// Every read is bounded by the buffer's `size`; an element that claims more
// octets than remain is an error, never a read past the end. Nested
// indefinite-length elements are walked with a depth counter (no recursion)
// that stops at ASN1_MAX_NESTING_DEPTH.
#include <string.h>

#include "asn1ber.h"
#include "berInternal.h"
#include "rtMemHeap.h"

extern "C" {

void xu_SaveBufferState(ASN1CTXT* pctxt, ASN1BUFSAVE* pSavedInfo)
{
   ASN1BUFSAVE* s = (pSavedInfo != nullptr) ? pSavedInfo : &pctxt->savedState;
   s->byteIndex = pctxt->buffer.byteIndex;
   s->bitOffset = (OSUINT16)pctxt->buffer.bitOffset;
   s->flags = pctxt->flags;
}

void xu_RestoreBufferState(ASN1CTXT* pctxt, ASN1BUFSAVE* pSavedInfo)
{
   const ASN1BUFSAVE* s = (pSavedInfo != nullptr) ? pSavedInfo : &pctxt->savedState;
   pctxt->buffer.byteIndex = s->byteIndex;
   pctxt->buffer.bitOffset = (OSINT16)s->bitOffset;
   pctxt->flags = (OSUINT16)(s->flags & ~ASN1LASTEOC);
}

RTINTERNAL int xd_expectPrimitiveLong(ASN1CTXT* pctxt, OSOCTET idOctet, int* plen)
{
   ASN1BUFFER& b = pctxt->buffer;
   if ((pctxt->flags & (ASN1INDEFLEN | ASN1LASTEOC)) == (ASN1INDEFLEN | ASN1LASTEOC))
      return ASN1ERR_END_OF_BUFFER;
   OSUINT32 i = b.byteIndex;
   if (i >= b.size) return ASN1ERR_END_OF_BUFFER;
   if (b.data[i] != idOctet) return ASN1ERR_TAG_NOT_FOUND;
   i++;
   int stat = ber_parseLen(b.data, b.size, &i, plen, (pctxt->flags & ASN1DERSTRICT) != 0);
   if (stat != 0) return stat;
   if (*plen < 0) return ASN1ERR_INVALID_LENGTH;   // primitive: never indefinite
   if (!(pctxt->flags & ASN1NOLENCHECK) && (OSUINT32)*plen > b.size - i)
      return ASN1ERR_INVALID_LENGTH;
   b.byteIndex = i;
   pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   return 0;
}

int xd_setp(ASN1CTXT* pctxt, const OSOCTET* msg_p, int msglen, ASN1TAG* tag_p, int* len_p)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   if (msg_p == nullptr) return LOG_STAT(pctxt, ASN1ERR_INVALID_PARAM);
   // An unknown size (msglen <= 0) trusts the outer element's length.
   OSUINT32 size = (msglen > 0) ? (OSUINT32)msglen : 0x7FFFFFFFU;
   if (pctxt->key != ASN1CTXT_KEY) return LOG_STAT(pctxt, ASN1ERR_NOT_INITIALIZED);
   // The message becomes the context's buffer (rtInitContextBuffer's work
   // for a buffer of the caller's, without the call).
   pctxt->buffer.dynamic = 0;
   pctxt->buffer.data = const_cast<OSOCTET*>(msg_p);
   pctxt->buffer.size = size;
   pctxt->buffer.byteIndex = 0;
   pctxt->buffer.bitOffset = 8;
   pctxt->flags &= (OSUINT16)~(ASN1LASTEOC | ASN1INDEFLEN);

   // The common case: a definite length that fits (xd_readHeader's result,
   // without the call); the buffer ends with the element.
   OSUINT32 qlen;
   if (const OSUINT32 h = xd_quickHeader(pctxt, &qlen)) {
      const OSOCTET id = msg_p[0];
      if (id & 0x20) pctxt->flags |= ASN1CONSTAG;
      else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
      pctxt->buffer.size = h + qlen;
      if (len_p != nullptr) *len_p = (int)(h + qlen);
      if (tag_p != nullptr) *tag_p = ((ASN1TAG)(id & 0xE0) << 24) | (id & 0x1F);
      return 0;
   }

   ASN1TAG tag;
   int len;
   int stat = xd_readHeader(pctxt, &tag, &len);
   if (stat != 0) {
      pctxt->buffer.byteIndex = 0;
      return LOG_STAT(pctxt, stat);
   }
   if (len == INDEFINITE_LENGTH) {
      // X.690 8.1.3.2: only a constructed element may use the indefinite form.
      if (!(tag & TM_CONS)) {
         pctxt->buffer.byteIndex = 0;
         return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
      }
      pctxt->flags |= ASN1INDEFLEN;
      if (len_p != nullptr) *len_p = INDEFINITE_LENGTH;
   }
   else {
      OSUINT64 end = (OSUINT64)pctxt->buffer.byteIndex + (OSUINT32)len;
      if (end <= pctxt->buffer.size || !(pctxt->flags & ASN1NOLENCHECK))
         pctxt->buffer.size = (OSUINT32)end;
      if (len_p != nullptr) *len_p = (int)end;
      if (msglen > 0 && pctxt->buffer.size > (OSUINT32)msglen) {
         pctxt->buffer.byteIndex = 0;
         return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
      }
   }
   pctxt->buffer.byteIndex = 0;
   if (tag_p != nullptr) *tag_p = tag;
   return 0;
}

int xd_tag(ASN1CTXT* pctxt, ASN1TAG* tag_p)
{
   ASN1BUFFER& b = pctxt->buffer;
   if ((pctxt->flags & (ASN1INDEFLEN | ASN1LASTEOC)) == (ASN1INDEFLEN | ASN1LASTEOC))
      return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   ASN1TAG tag;
   int stat = ber_parseTag(b.data, b.size, &b.byteIndex, &tag, (pctxt->flags & ASN1DERSTRICT) != 0);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (tag & TM_CONS) pctxt->flags |= ASN1CONSTAG;
   else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   if (tag_p != nullptr) *tag_p = tag;
   return 0;
}

int xd_len(ASN1CTXT* pctxt, int* len_p)
{
   ASN1BUFFER& b = pctxt->buffer;
   int len;
   OSUINT32 i = b.byteIndex;
   int stat = ber_parseLen(b.data, b.size, &i, &len, (pctxt->flags & ASN1DERSTRICT) != 0);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (len >= 0 && !(pctxt->flags & ASN1NOLENCHECK) && (OSUINT32)len > b.size - i)
      return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   b.byteIndex = i;
   if (len_p != nullptr) *len_p = len;
   return 0;
}

int xd_tag_len(ASN1CTXT* pctxt, ASN1TAG* tag_p, int* len_p, OSOCTET options)
{
   pctxt->savedState.byteIndex = pctxt->buffer.byteIndex;
   pctxt->savedState.bitOffset = (OSUINT16)pctxt->buffer.bitOffset;
   pctxt->savedState.flags = pctxt->flags;
   ASN1TAG tag;
   int len;
   int stat = xd_readHeader(pctxt, &tag, &len);
   if (stat == 0 && len == INDEFINITE_LENGTH && !(tag & TM_CONS)) {
      // X.690 8.1.3.2: a primitive element has a definite length.
      return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   }
   if (!(options & XM_ADVANCE) || stat != 0) {
      pctxt->buffer.byteIndex = pctxt->savedState.byteIndex;
      pctxt->flags = pctxt->savedState.flags;
   }
   if (stat != 0) {
      return (stat == ASN1ERR_END_OF_BUFFER) ? stat : LOG_STAT(pctxt, stat);
   }
   if (tag_p != nullptr) *tag_p = tag;
   if (len_p != nullptr) *len_p = len;
   return 0;
}

int xd_match1(ASN1CTXT* pctxt, OSOCTET idOctet, int* len_p)
{
   ASN1BUFFER& b = pctxt->buffer;
   if ((pctxt->flags & (ASN1INDEFLEN | ASN1LASTEOC)) == (ASN1INDEFLEN | ASN1LASTEOC))
      return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   OSUINT32 i = b.byteIndex;
   if (i >= b.size) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   OSOCTET actual = b.data[i];
   if (((actual ^ idOctet) & ~0x20) != 0) return LOG_STAT(pctxt, ASN1ERR_TAG_NOT_FOUND);
   i++;
   int len;
   if (i < b.size && b.data[i] < 0x80) {
      len = b.data[i++];
   }
   else {
      int stat = ber_parseLen(b.data, b.size, &i, &len, (pctxt->flags & ASN1DERSTRICT) != 0);
      if (stat != 0) return LOG_STAT(pctxt, stat);
      if (len == INDEFINITE_LENGTH && !(actual & 0x20))
         return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   }
   if (len >= 0 && !(pctxt->flags & ASN1NOLENCHECK) && (OSUINT32)len > b.size - i)
      return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   b.byteIndex = i;
   if (actual & 0x20) pctxt->flags |= ASN1CONSTAG;
   else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   if (len_p != nullptr) *len_p = len;
   return 0;
}

int xd_Tag1AndLen(ASN1CTXT* pctxt, int* len_p)
{
   ASN1BUFFER& b = pctxt->buffer;
   if ((pctxt->flags & (ASN1INDEFLEN | ASN1LASTEOC)) == (ASN1INDEFLEN | ASN1LASTEOC))
      return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   OSUINT32 i = b.byteIndex;
   if (i >= b.size) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
   OSOCTET actual = b.data[i++];
   int len;
   int stat = ber_parseLen(b.data, b.size, &i, &len, (pctxt->flags & ASN1DERSTRICT) != 0);
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (len == INDEFINITE_LENGTH && !(actual & 0x20))
      return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   if (len >= 0 && !(pctxt->flags & ASN1NOLENCHECK) && (OSUINT32)len > b.size - i)
      return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   b.byteIndex = i;
   if (actual & 0x20) pctxt->flags |= ASN1CONSTAG;
   else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
   if (len_p != nullptr) *len_p = len;
   return 0;
}

// Not recorded: a caller probing for an optional element handles -3 itself.
int xd_match(ASN1CTXT* pctxt, ASN1TAG tag, int* len_p, OSOCTET options)
{
   ASN1TAG found;
   int len;
   int stat;
   if (options & XM_SKIP) {
      ASN1BUFSAVE before;
      xu_SaveBufferState(pctxt, &before);
      stat = xd_readHeader(pctxt, &found, &len);
      if (stat == 0 && !(found & TM_CONS)) {
         stat = (len < 0) ? ASN1ERR_INVALID_LENGTH : xd_skip(pctxt, (OSUINT32)len);
      }
      if (stat != 0) {
         xu_RestoreBufferState(pctxt, &before);
         if (stat == ASN1ERR_END_OF_BUFFER) return ASN1ERR_TAG_NOT_FOUND;
         return LOG_STAT(pctxt, stat);
      }
   }
   ASN1BUFSAVE start;
   xu_SaveBufferState(pctxt, &start);
   const ASN1TAG want = tag & ~TM_CONS;
   for (;;) {
      ASN1BUFSAVE here;
      xu_SaveBufferState(pctxt, &here);
      stat = xd_readHeader(pctxt, &found, &len);
      if (stat != 0) {
         xu_RestoreBufferState(pctxt, &start);
         if (stat == ASN1ERR_END_OF_BUFFER) return ASN1ERR_TAG_NOT_FOUND;
         return LOG_STAT(pctxt, stat);
      }
      if ((found & ~TM_CONS) == want) {
         if (len_p != nullptr) *len_p = len;
         if (!(options & XM_ADVANCE)) xu_RestoreBufferState(pctxt, &here);
         return 0;
      }
      if (!(options & XM_SEEK)) {
         xu_RestoreBufferState(pctxt, &start);
         return ASN1ERR_TAG_NOT_FOUND;
      }
      // Depth-first: enter a constructed element, step over a primitive one.
      if (!(found & TM_CONS)) {
         stat = (len < 0) ? ASN1ERR_INVALID_LENGTH : xd_skip(pctxt, (OSUINT32)len);
         if (stat != 0) {
            xu_RestoreBufferState(pctxt, &start);
            if (stat == ASN1ERR_END_OF_BUFFER) return ASN1ERR_TAG_NOT_FOUND;
            return LOG_STAT(pctxt, stat);
         }
      }
   }
}

RTINTERNAL int xd_skipIndefContent(ASN1CTXT* pctxt)
{
   OSUINT32 depth = 1;
   while (depth > 0) {
      ASN1TAG tag;
      int len;
      int stat = xd_readHeader(pctxt, &tag, &len);
      if (stat != 0) return stat;
      if (len == INDEFINITE_LENGTH) {
         if (!(tag & TM_CONS)) return ASN1ERR_INVALID_LENGTH;
         if (++depth > ASN1_MAX_NESTING_DEPTH) return ASN1ERR_NOT_SUPPORTED;
      }
      else if (tag == 0 && len == 0) {
         depth--;
      }
      else if (len > 0) {
         stat = xd_skip(pctxt, (OSUINT32)len);
         if (stat != 0) return stat;
      }
   }
   return 0;
}

int xd_MovePastEOC(ASN1CTXT* pctxt)
{
   int stat = xd_skipIndefContent(pctxt);
   return (stat != 0) ? LOG_STAT(pctxt, stat) : 0;
}

int xd_NextElement(ASN1CTXT* pctxt)
{
   ASN1TAG tag;
   int len;
   int stat = xd_readHeader(pctxt, &tag, &len);
   if (stat == 0) {
      if (len == INDEFINITE_LENGTH) {
         stat = (tag & TM_CONS) ? xd_skipIndefContent(pctxt) : ASN1ERR_INVALID_LENGTH;
      }
      else {
         stat = xd_skip(pctxt, (OSUINT32)len);
      }
   }
   return (stat != 0) ? LOG_STAT(pctxt, stat) : 0;
}

int xd_count(ASN1CTXT* pctxt, int length, int* count_p)
{
   if (count_p == nullptr) return LOG_STAT(pctxt, ASN1ERR_INVALID_PARAM);
   const ASN1BUFFER saved = pctxt->buffer;
   const OSUINT16 savedFlags = pctxt->flags;
   OSUINT32 end;
   if (length == INDEFINITE_LENGTH) {
      end = pctxt->buffer.size;
   }
   else if (length < 0) {
      return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
   }
   else {
      if ((OSUINT32)length > xd_avail(pctxt)) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
      end = pctxt->buffer.byteIndex + (OSUINT32)length;
   }
   int count = 0;
   for (;;) {
      const ASN1BUFFER& b = pctxt->buffer;
      if (b.byteIndex >= end) break;
      if (length == INDEFINITE_LENGTH && end - b.byteIndex >= 2 &&
          b.data[b.byteIndex] == 0 && b.data[b.byteIndex + 1] == 0)
         break;
      int stat = xd_NextElement(pctxt);
      if (stat != 0) return stat;   // position left where the failure occurred
      // An element of a definite content must end inside it.
      if (pctxt->buffer.byteIndex > end) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
      count++;
   }
   pctxt->buffer = saved;
   pctxt->flags = savedFlags;
   *count_p = count;
   return 0;
}

int xd_indeflen_ex(const OSOCTET* buf, int bufsiz)
{
   if (buf == nullptr) return ASN1ERR_INVALID_PARAM;
   if (bufsiz < 5) return 0;
   // A context without a heap: nothing here allocates.
   ASN1CTXT temp;
   memset(&temp, 0, sizeof(temp));
   temp.key = ASN1CTXT_KEY;
   ASN1TAG tag;
   int len;
   int stat = xd_setp(&temp, buf, bufsiz, &tag, &len);
   if (stat == 0 && len != INDEFINITE_LENGTH) stat = ASN1ERR_INVALID_LENGTH;
   if (stat == 0) {
      stat = xd_readHeader(&temp, &tag, &len);   // the outer header again
      if (stat == 0) stat = xd_skipIndefContent(&temp);
   }
   if (stat != 0) return stat;
   return (int)temp.buffer.byteIndex;
}

int xd_consStrIndefLenAndSize(ASN1CTXT* pctxt, OSOCTET idOctet, int* pdatalen, int* pcontentlen)
{
   const OSUINT32 start = pctxt->buffer.byteIndex;
   const OSUINT16 flags = pctxt->flags;
   OSUINT32 datalen = 0;
   int stat = 0;
   for (;;) {
      OSUINT32 segStart = pctxt->buffer.byteIndex;
      ASN1TAG tag;
      int len;
      stat = xd_readHeader(pctxt, &tag, &len);
      if (stat != 0) break;
      if (tag == 0 && len == 0) {
         pctxt->buffer.byteIndex = segStart;   // the end-of-contents stays
         break;
      }
      // X.690 8.6.4 / 8.7.3: each segment is a primitive element of the
      // string's own type.
      if (tag != (ASN1TAG)idOctet) {
         stat = ASN1ERR_BAD_TAG;
         pctxt->buffer.byteIndex = segStart;
         pctxt->flags = flags;
         return LOG_STAT(pctxt, stat);
      }
      if (len < 0) {
         stat = ASN1ERR_INVALID_LENGTH;
         break;
      }
      stat = xd_skip(pctxt, (OSUINT32)len);
      if (stat != 0) break;
      datalen += (OSUINT32)len;
   }
   OSUINT32 contentlen = pctxt->buffer.byteIndex - start;
   pctxt->buffer.byteIndex = start;
   pctxt->flags = flags;
   if (stat != 0) return LOG_STAT(pctxt, stat);
   if (pdatalen != nullptr) *pdatalen = (int)datalen;
   if (pcontentlen != nullptr) *pcontentlen = (int)contentlen;
   return 0;
}

int xd_memcpy(ASN1CTXT* pctxt, OSOCTET* object_p, int length)
{
   if (length < 0 || (OSUINT32)length > xd_avail(pctxt)) return ASN1ERR_END_OF_BUFFER;
   if (length > 0) {
      memcpy(object_p, pctxt->buffer.data + pctxt->buffer.byteIndex, (size_t)length);
      pctxt->buffer.byteIndex += (OSUINT32)length;
   }
   return 0;
}

}
