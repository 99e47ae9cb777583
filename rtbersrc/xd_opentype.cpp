// BER decoder: open types (a complete element kept as its encoding) and the
// collection of unknown extension elements.
#include <string.h>

#include "asn1ber.h"
#include "berInternal.h"
#include "rtMemHeap.h"

namespace {

// Open-type list node and its record in one heap block: rtDListAppendNode
// finds the node right in front of the record.
struct OpenTypeNode {
   Asn1RTDListNode node;
   ASN1OpenType value;
};

// True when the position has reached the end of the enclosing content.
bool atContentEnd(ASN1CTXT* pctxt, const ASN1CCB* ccb)
{
   const ASN1BUFFER& b = pctxt->buffer;
   const OSUINT32 left = xd_avail(pctxt);
   if (ccb->length == INDEFINITE_LENGTH) {
      return left < 2 || (b.data[b.byteIndex] == 0 && b.data[b.byteIndex + 1] == 0);
   }
   if (left == 0) return true;
   // Compare as offsets into the buffer; a start outside it ends at once.
   if (ccb->start < b.data || ccb->start > b.data + b.size) return true;
   OSUINT64 end = (OSUINT64)(ccb->start - b.data) + (OSUINT32)(ccb->length < 0 ? 0 : ccb->length);
   return (OSUINT64)b.byteIndex >= end;
}

} // namespace

extern "C" {

int xd_OpenType(ASN1CTXT* pctxt, const OSOCTET** object_p2, OSUINT32* numocts_p)
{
   const OSUINT32 start = pctxt->buffer.byteIndex;
   OSUINT32 qlen;
   if (const OSUINT32 h = xd_quickHeader(pctxt, &qlen)) {
      // A definite length that fits, the common case: the element is its
      // header and content (an end-of-contents is not an element). The
      // flags as xd_readHeader leaves them.
      const OSOCTET id = pctxt->buffer.data[start];
      if (id & 0x20) pctxt->flags |= ASN1CONSTAG;
      else pctxt->flags &= (OSUINT16)~ASN1CONSTAG;
      if (qlen == 0 && id == 0) return ASN1ERR_BAD_VALUE;
      const OSUINT32 numocts = h + qlen;
      const OSOCTET* src = pctxt->buffer.data + start;
      if (pctxt->flags & ASN1FASTCOPY) {
         if (object_p2 != nullptr) *object_p2 = src;
      }
      else {
         OSOCTET* copy = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, numocts));
         if (copy == nullptr) {
            // As the general path leaves it: past the element.
            pctxt->buffer.byteIndex = start + numocts;
            return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
         }
         memcpy(copy, src, numocts);
         if (object_p2 != nullptr) *object_p2 = copy;
      }
      pctxt->buffer.byteIndex = start + numocts;
      if (numocts_p != nullptr) *numocts_p = numocts;
      return 0;
   }
   ASN1TAG tag;
   int len;
   int stat = xd_readHeader(pctxt, &tag, &len);
   if (stat == ASN1ERR_END_OF_BUFFER && start >= pctxt->buffer.size) {
      // Nothing left: an empty open type.
      if (object_p2 != nullptr) *object_p2 = nullptr;
      if (numocts_p != nullptr) *numocts_p = 0;
      return 0;
   }
   if (stat == ASN1ERR_INVALID_LENGTH && !(pctxt->flags & ASN1NOLENCHECK)) {
      // The element's length passes the end of the buffer.
      return ASN1ERR_BAD_VALUE;
   }
   if (stat != 0) return LOG_STAT(pctxt, stat);

   if (len == INDEFINITE_LENGTH) {
      if (!(tag & TM_CONS)) return LOG_STAT(pctxt, ASN1ERR_INVALID_LENGTH);
      stat = xd_skipIndefContent(pctxt);
      if (stat != 0) return LOG_STAT(pctxt, stat);
   }
   else if (len > 0) {
      if ((OSUINT32)len > xd_avail(pctxt)) {
         pctxt->buffer.byteIndex = start;
         return ASN1ERR_BAD_VALUE;
      }
      pctxt->buffer.byteIndex += (OSUINT32)len;
   }
   else if (tag == 0) {
      // An end-of-contents is not an element.
      pctxt->buffer.byteIndex = start;
      return ASN1ERR_BAD_VALUE;
   }

   const OSUINT32 numocts = pctxt->buffer.byteIndex - start;
   const OSOCTET* src = pctxt->buffer.data + start;
   if (pctxt->flags & ASN1FASTCOPY) {
      if (object_p2 != nullptr) *object_p2 = src;
   }
   else {
      OSOCTET* copy = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, numocts));
      if (copy == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
      memcpy(copy, src, numocts);
      if (object_p2 != nullptr) *object_p2 = copy;
   }
   if (numocts_p != nullptr) *numocts_p = numocts;
   return 0;
}

int xd_OpenTypeAppend(ASN1CTXT* pctxt, Asn1RTDList* pList)
{
   if (pList == nullptr) return xd_NextElement(pctxt);
   OpenTypeNode* block = static_cast<OpenTypeNode*>(ASN1MALLOCZ(pctxt, sizeof(OpenTypeNode)));
   if (block == nullptr) return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
   block->node.data = &block->value;
   int stat = xd_OpenType(pctxt, &block->value.data, &block->value.numocts);
   if (stat != 0) {
      ASN1MEMFREEPTR(pctxt, block);
      return LOG_STAT(pctxt, stat);
   }
   if (rtDListAppendNode(pctxt, pList, &block->value) == nullptr) {
      ASN1MEMFREEPTR(pctxt, block);
      return LOG_STAT(pctxt, ASN1ERR_NO_MEMORY);
   }
   return 0;
}

int xd_OpenTypeExt(ASN1CTXT* pctxt, ASN1CCB* ccb_p, ASN1TAG tag, Asn1RTDList* pList)
{
   if (ccb_p == nullptr) return LOG_STAT(pctxt, ASN1ERR_INVALID_PARAM);
   if (tag == 0xFFFFFFFFU) {
      // Nothing follows: everything up to the end is an extension.
      while (!atContentEnd(pctxt, ccb_p)) {
         int stat = xd_OpenTypeAppend(pctxt, pList);
         if (stat != 0) return LOG_STAT(pctxt, stat);
      }
      return 0;
   }
   for (;;) {
      int stat = xd_match(pctxt, tag, nullptr, 0);
      if (stat != ASN1ERR_TAG_NOT_FOUND) return stat;   // found (0) or failed
      if (atContentEnd(pctxt, ccb_p)) return LOG_STAT(pctxt, ASN1ERR_END_OF_BUFFER);
      stat = xd_OpenTypeAppend(pctxt, pList);
      if (stat != 0) return LOG_STAT(pctxt, stat);
   }
}

}
