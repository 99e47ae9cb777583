// What the generated asn1data code needs from the run-time, in one place:
// the run-time headers, the SEQUENCE OF list records, and small helpers over
// the BER decoder primitives that every generated decoder uses.
//
// The helpers read the context's buffer only through its bounds: nothing
// here reads at or beyond buffer.size.
#ifndef ASN1DATARUNTIME_H
#define ASN1DATARUNTIME_H

#include <stddef.h>
#include <string.h>

#include "ASN1CType.h"
#include "asn1BerCppTypes.h"
#include "asn1MessageBuffer.h"
#include "asn1TObject.h"
#include "asn1ber.h"
#include "asn1type.h"
#include "rtError.h"
#include "rtMemHeap.h"

// A list type's record (ASN1TSeqOfList: rtList.h): the list followed by the context that owns the
// elements of a copy (null for a record filled by its user).
struct ASN1TPDUSeqOfList : public ASN1TSeqOfList {
   ASN1CtxtPtr mpContext;
};

namespace asn1data {

// The most calls of decoders of recursive types (PKIMessage, PKIBody and
// NestedMessageContent: three per nested message) that may be active at
// once; deeper input fails with ASN1ERR_NOT_SUPPORTED before it can
// exhaust the stack.
#define ASN1DATA_MAX_DEPTH 128

// Counts the decoders of recursive types active on this thread; one guard
// lives in each such decoder call.
class asn1dataDepthGuard {
public:
   asn1dataDepthGuard() : ok_(++depth() <= ASN1DATA_MAX_DEPTH) {}
   ~asn1dataDepthGuard() { --depth(); }
   bool ok() const { return ok_; }

private:
   asn1dataDepthGuard(const asn1dataDepthGuard&) = delete;
   asn1dataDepthGuard& operator=(const asn1dataDepthGuard&) = delete;
   static int& depth()
   {
      static thread_local int d = 0;
      return d;
   }
   bool ok_;
};

// True while the content that started at byte index `start` with `length`
// octets (or INDEFINITE_LENGTH) has an element left: octets remain before
// its end, and for the indefinite form the next two octets are not an
// end-of-contents.
inline bool asn1dataMore(ASN1CTXT* pctxt, OSUINT32 start, int length)
{
   const ASN1BUFFER& b = pctxt->buffer;
   if (b.byteIndex >= b.size) return false;
   if (length == INDEFINITE_LENGTH)
      return !(b.byteIndex + 1 < b.size && b.data[b.byteIndex] == 0 && b.data[b.byteIndex + 1] == 0);
   return length > 0 && b.byteIndex - start < static_cast<OSUINT32>(length);
}

// Closes a content that started at `start`: a definite length must have been
// consumed exactly (an element that ran past it gives -5); an indefinite one
// must end in an end-of-contents, which is consumed (-2 when the input ends
// first, -5 when something else is there).
inline int asn1dataEnd(ASN1CTXT* pctxt, OSUINT32 start, int length)
{
   ASN1BUFFER& b = pctxt->buffer;
   if (length == INDEFINITE_LENGTH) {
      if (b.byteIndex + 1 >= b.size) return ASN1ERR_END_OF_BUFFER;
      if (b.data[b.byteIndex] != 0 || b.data[b.byteIndex + 1] != 0) return ASN1ERR_INVALID_LENGTH;
      b.byteIndex += 2;
      return 0;
   }
   if (length < 0 || b.byteIndex - start != static_cast<OSUINT32>(length)) return ASN1ERR_INVALID_LENGTH;
   return 0;
}

// The tag of the next element, constructed bit cleared; nothing consumed.
inline int asn1dataPeekTag(ASN1CTXT* pctxt, ASN1TAG* ptag)
{
   int len = 0;
   int stat = xd_tag_len(pctxt, ptag, &len, 0);
   if (stat == 0) *ptag &= ~TM_CONS;
   return stat;
}

inline void asn1dataListInit(Asn1RTDList* pList)
{
   rtDListInit(pList);
}

// One zero-filled heap block holding a list node followed by an element of
// elemSize octets; node->data points at the element. Null when out of memory.
inline Asn1RTDListNode* asn1dataNewListNode(ASN1CTXT* pctxt, size_t elemSize)
{
   if (elemSize > static_cast<size_t>(0x7FFFFFFF) - sizeof(Asn1RTDListNode)) return nullptr;
   Asn1RTDListNode* node = static_cast<Asn1RTDListNode*>(
      ASN1MALLOCZ(pctxt, sizeof(Asn1RTDListNode) + elemSize));
   if (node != nullptr) node->data = node + 1;
   return node;
}

inline void asn1dataListAppend(ASN1CTXT* pctxt, Asn1RTDList* pList, Asn1RTDListNode* node)
{
   rtDListAppendNode(pctxt, pList, node->data);
}

// Every element from the position to the end of the content that started at
// `start` is appended whole, in order, to pList (unknown extension elements).
inline int asn1dataCollectExtensions(ASN1CTXT* pctxt, OSUINT32 start, int length, Asn1RTDList* pList)
{
   ASN1CCB ccb;
   ccb.start = pctxt->buffer.data + start;
   ccb.length = length;
   return xd_OpenTypeExt(pctxt, &ccb, 0xFFFFFFFFU, pList);
}

// DER SET OF: the location of every element encoding is collected while the
// elements are written, then xe_derCanonicalSort puts them in order.
inline void asn1dataSortInit(ASN1CTXT* pctxt, Asn1RTSList* pList)
{
   rtSListInitEx(pctxt, pList);
}

// Records the element of elemLen octets just written; returns elemLen, or
// -12 when out of memory.
inline int asn1dataSortAdd(ASN1CTXT* pctxt, Asn1RTSList* pList, int elemLen)
{
   Asn1BufLocDescr* descr = static_cast<Asn1BufLocDescr*>(ASN1MALLOC(pctxt, sizeof(Asn1BufLocDescr)));
   if (descr == nullptr) return ASN1ERR_NO_MEMORY;
   xe_getBufLocDescr(pctxt, static_cast<OSUINT32>(elemLen), descr);
   if (rtSListAppend(pList, descr) == nullptr) {
      rtMemHeapFreePtr(&pctxt->memHeap, descr);
      return ASN1ERR_NO_MEMORY;
   }
   return elemLen;
}

// Releases the descriptors of an abandoned SET OF encoding; returns stat.
inline int asn1dataSortAbandon(ASN1CTXT* pctxt, Asn1RTSList* pList, int stat)
{
   for (Asn1RTSListNode* n = pList->head; n != nullptr; n = n->next)
      rtMemHeapFreePtr(&pctxt->memHeap, n->data);
   rtSListFree(pList);
   return stat;
}

}  // namespace asn1data

#endif
