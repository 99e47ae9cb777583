// What the generated asn1data code needs from the run-time, in one place:
// the run-time headers, the SEQUENCE OF list records, and small helpers over
// the BER decoder primitives that every generated decoder uses.
//
// The helpers read the context's buffer only through its bounds: nothing
// here reads at or beyond buffer.size.
#ifndef ASN1DATARUNTIME_H
#define ASN1DATARUNTIME_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "ASN1CBitStr.h"
#include "ASN1CSeqOfList.h"
#include "ASN1CTime.h"
#include "ASN1CType.h"
#include "ASN1XERTypeHandler.h"
#include "asn1BerCppTypes.h"
#include "asn1MessageBuffer.h"
#include "asn1TObject.h"
#include "asn1ber.h"
#include "asn1type.h"
#include "asn1xer.h"
#include "rtCopy.h"
#include "rtErrPath.h"
#include "rtError.h"
#include "rtMemHeap.h"


namespace asn1data {

// Counts the decoders of nesting values active on the decode's context
// (ASN1CTXT::depth, at most ASN1DATA_MAX_DEPTH from asn1Limits.h); one guard
// lives in each such decoder call.
class asn1dataDepthGuard {
public:
   explicit asn1dataDepthGuard(ASN1CTXT* pctxt) : pctxt_(pctxt), ok_(++pctxt->depth <= ASN1DATA_MAX_DEPTH) {}
   ~asn1dataDepthGuard() { --pctxt_->depth; }
   bool ok() const { return ok_; }

private:
   asn1dataDepthGuard(const asn1dataDepthGuard&) = delete;
   asn1dataDepthGuard& operator=(const asn1dataDepthGuard&) = delete;
   ASN1CTXT* pctxt_;
   bool ok_;
};

// The failure path of a decoder inside a component: stat recorded, and the
// component named in the error path attached to the context, if any
// (rtErrPath.h), with its type and the position where it starts (-1: where
// the enclosing element starts, as for a CHOICE alternative). `index` is the
// position of a list element (name null), else -1. Decodes that succeed
// never come here.
#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline int asn1dataFailIn(ASN1CTXT* pctxt, int stat, const char* name, OSINT32 index, const char* type,
                          OSINT64 at)
{
   return rtErrPathAdd(pctxt, stat, ASN1EP_COMPONENT, name, index, type, at);
}

// A size or value outside its constraint: the value is named in the error
// parameters with what it was (the parameters the checks have always given).
#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline bool asn1dataNoteOutside(ASN1CTXT* pctxt, const char* what, OSINT64 value)
{
   xu_addErrParm(pctxt, what);
   xu_addIntErrParm(pctxt, static_cast<int>(value));
   return true;
}

// The check of a size or value constraint: whether value lies outside
// [lo, hi] (INT64_MIN / INT64_MAX for an open side), noted as above when it
// does. Sizes are compared as 64-bit numbers: the counts are unsigned,
// rtUTF8Len is negative for text that is not UTF-8.
inline bool asn1dataOutside(ASN1CTXT* pctxt, const char* what, OSINT64 value, OSINT64 lo, OSINT64 hi)
{
   return (value < lo || value > hi) && asn1dataNoteOutside(pctxt, what, value);
}

// The failure path of an information object's decoder of its value: stat
// recorded, and the value named in the error path by the object's name and
// the value's type; it starts where the octets of the open type do.
#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline int asn1dataFailInValue(ASN1CTXT* pctxt, int stat, const char* object, const char* type)
{
   return rtErrPathAdd(pctxt, stat, ASN1EP_VALUE, object, -1, type, 0);
}

// A component of a SEQUENCE or SET as its decoder matches it, for naming it
// when it fails: whether it may be absent, the tags it may start with
// (constructed bit cleared; none for any tag), its identifier and its type.
struct asn1dataComponentTags {
   OSUINT8 optional;
   OSUINT8 count;
   const ASN1TAG* tags;
   const char* name;
   const char* type;
};

// Where a failing component started, found again on the failure path, so
// that decoding keeps no position for it: from the content start `start` of
// the SEQUENCE (or SET, or list), the elements before it are passed over as
// the decoder matched them. For a SEQUENCE the components before `index` that
// are absent are skipped by their tags; for a SET the first element that can
// be component `index` is it; for a list (rows null) element `index` is
// counted. The context's position, flags and error information are left as
// they were. -1 when the elements cannot be read again.
#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline OSINT64 asn1dataElementStart(ASN1CTXT* pctxt, OSUINT32 start, const asn1dataComponentTags* rows, int index,
                                    bool set)
{
   auto matches = [](const asn1dataComponentTags& row, ASN1TAG tag) {
      for (OSUINT8 k = 0; k < row.count; k++)
         if (row.tags[k] == tag) return true;
      return row.count == 0;
   };
   const OSUINT32 byteIndex = pctxt->buffer.byteIndex;
   const ASN1BUFSAVE savedState = pctxt->savedState;
   const ASN1ErrInfo errInfo = pctxt->errInfo;
   const auto flags = pctxt->flags;
   pctxt->buffer.byteIndex = start;
   OSINT64 at = -1;
   for (int j = 0; j <= index || set;) {
      const OSUINT32 here = pctxt->buffer.byteIndex;
      ASN1TAG tag = 0;
      int len = 0;
      if (here >= pctxt->buffer.size || xd_tag_len(pctxt, &tag, &len, 0) != 0) break;
      tag &= ~TM_CONS;
      if (rows == nullptr) {
         if (j == index) at = here;
      }
      else if (set) {
         if (matches(rows[index], tag)) at = here;
      }
      else {
         while (j < index && rows[j].optional && !matches(rows[j], tag)) ++j;
         if (j == index) at = here;
      }
      if (at >= 0 || xd_NextElement(pctxt) != 0) break;
      ++j;
   }
   pctxt->buffer.byteIndex = byteIndex;
   pctxt->savedState = savedState;
   pctxt->errInfo = errInfo;
   pctxt->flags = flags;
   return at;
}

// The failure paths of a decoder inside component `index` of a SEQUENCE (set
// false) or SET (true) whose content starts at `start`, and inside element
// `index` of a list of `type`: stat recorded, and the component named in the
// error path with where it starts (asn1dataElementStart). One call each, out
// of line, so that the decoders keep nothing for them.
#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline int asn1dataFailInComponent(ASN1CTXT* pctxt, int stat, const asn1dataComponentTags* rows, int index,
                                   OSUINT32 start, bool set)
{
   return rtErrPathAdd(pctxt, stat, ASN1EP_COMPONENT, rows[index].name, -1, rows[index].type,
                       asn1dataElementStart(pctxt, start, rows, index, set));
}

#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline int asn1dataFailInElement(ASN1CTXT* pctxt, int stat, const char* type, OSUINT32 index, OSUINT32 start)
{
   return rtErrPathAdd(pctxt, stat, ASN1EP_COMPONENT, nullptr, static_cast<OSINT32>(index), type,
                       asn1dataElementStart(pctxt, start, nullptr, static_cast<int>(index), false));
}

// The decoders' helpers below are inlined at every call whatever else the
// translation unit inlines (the compiler's growth budget for a large module
// would otherwise leave some of them as calls).
#if defined(__GNUC__)
#define ASN1DATA_INLINE inline __attribute__((always_inline))
#else
#define ASN1DATA_INLINE inline
#endif

// True while the content that started at byte index `start` with `length`
// octets (or INDEFINITE_LENGTH) has an element left: octets remain before
// its end, and for the indefinite form the next two octets are not an
// end-of-contents.
ASN1DATA_INLINE bool asn1dataMore(ASN1CTXT* pctxt, OSUINT32 start, int length)
{
   const ASN1BUFFER& b = pctxt->buffer;
   if (length >= 0) return b.byteIndex - start < static_cast<OSUINT32>(length) && b.byteIndex < b.size;
   if (length != INDEFINITE_LENGTH || b.byteIndex >= b.size) return false;
   return !(b.byteIndex + 1 < b.size && b.data[b.byteIndex] == 0 && b.data[b.byteIndex + 1] == 0);
}

// Closes a content that started at `start`: a definite length must have been
// consumed exactly (an element that ran past it gives -5); an indefinite one
// must end in an end-of-contents, which is consumed (-2 when the input ends
// first, -5 when something else is there).
ASN1DATA_INLINE int asn1dataEnd(ASN1CTXT* pctxt, OSUINT32 start, int length)
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

// xd_match1 with its common case inline: the identifier octet idOctet
// (constructed bit ignored) with a header xd_quickHeader takes.
ASN1DATA_INLINE int asn1dataMatch1(ASN1CTXT* pctxt, OSOCTET idOctet, int* plen)
{
   OSUINT32 len;
   const OSUINT32 h = xd_quickHeader(pctxt, &len);
   if (h == 0) return xd_match1(pctxt, idOctet, plen);
   const OSOCTET id = pctxt->buffer.data[pctxt->buffer.byteIndex];
   if (((id ^ idOctet) & ~0x20) != 0) return xd_match1(pctxt, idOctet, plen);
   *plen = static_cast<int>(len);
   pctxt->buffer.byteIndex += h;
   if (id & 0x20) pctxt->flags |= ASN1CONSTAG;
   else pctxt->flags &= static_cast<OSUINT16>(~ASN1CONSTAG);
   return 0;
}

// The tag of the next element, constructed bit cleared; nothing consumed.
ASN1DATA_INLINE int asn1dataPeekTag(ASN1CTXT* pctxt, ASN1TAG* ptag)
{
   OSUINT32 len;
   if (xd_quickHeader(pctxt, &len) != 0) {
      const OSOCTET id = pctxt->buffer.data[pctxt->buffer.byteIndex];
      *ptag = (static_cast<ASN1TAG>(id & 0xC0) << 24) | (id & 0x1F);
      return 0;
   }
   int hlen = 0;
   int stat = xd_tag_len(pctxt, ptag, &hlen, 0);
   if (stat == 0) *ptag &= ~TM_CONS;
   return stat;
}

// The generated encoders' tag and length: xe_tag_len with its common case
// inline.
inline int asn1dataTagLen(ASN1CTXT* pctxt, ASN1TAG tag, int length) { return xe_quickTagLen(pctxt, tag, length); }

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

// Links a node of asn1dataNewListNode at the list's tail.
inline void asn1dataListAppend(ASN1CTXT*, Asn1RTDList* pList, Asn1RTDListNode* node)
{
   rtDListLinkTail(pList, node);
}

// The list encoders walk a list from its tail, and each element's record
// and the blocks it owns lie wherever the heap put them. A list the decoder
// made lies in order: each node with its element, then the blocks of the
// element's components, then the next node. The element two nodes ahead is
// asked into the cache while this one is encoded: the octets from its node
// up to the next node, at most kAsn1dataPrefetchSpan of them (only its node's
// first lines when the nodes are not in that order). A hint only: nothing is
// read through the addresses but the nodes' links.
constexpr uintptr_t kAsn1dataPrefetchSpan = 1024;

inline void asn1dataPrefetchAhead(const Asn1RTDListNode* pnode)
{
#if defined(__GNUC__)
   const Asn1RTDListNode* next = pnode->prev;
   if (next == nullptr || next->prev == nullptr) return;
   const uintptr_t node = reinterpret_cast<uintptr_t>(next->prev);
   const uintptr_t end = reinterpret_cast<uintptr_t>(next);
   const uintptr_t span = (end > node && end - node <= kAsn1dataPrefetchSpan) ? end - node : 128;
   for (uintptr_t a = node & ~static_cast<uintptr_t>(63); a < node + span; a += 64)
      __builtin_prefetch(reinterpret_cast<const void*>(a));
#else
   (void)pnode;
#endif
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

// DER SET OF order (X.690 11.6), checked by the decoders in ASN1DERSTRICT
// mode: the element just decoded, data[elemStart .. byteIndex), may not sort
// before the one decoded before it, data[*prevStart .. *prevEnd) (none while
// both are 0). Encodings compare as octet strings, the shorter padded with
// zero octets at its end. The element becomes the one before the next.
// 0, or ASN1ERR_BAD_VALUE.
inline int asn1dataDerSetOfOrder(ASN1CTXT* pctxt, OSUINT32* prevStart, OSUINT32* prevEnd, OSUINT32 elemStart)
{
   const OSOCTET* d = pctxt->buffer.data;
   const OSUINT32 end = pctxt->buffer.byteIndex;
   if (*prevEnd > *prevStart) {
      const OSOCTET* a = d + *prevStart;
      const OSUINT32 na = *prevEnd - *prevStart;
      const OSUINT32 nb = end - elemStart;
      const OSUINT32 n = na < nb ? na : nb;
      int c = memcmp(a, d + elemStart, n);
      for (OSUINT32 i = n; c == 0 && i < na; i++) {
         if (a[i] != 0) c = 1;
      }
      if (c > 0) return ASN1ERR_BAD_VALUE;
   }
   *prevStart = elemStart;
   *prevEnd = end;
   return 0;
}

// DER BIT STRING with named bits (X.690 11.2.2): no trailing zero bits.
inline bool asn1dataDerNamedBits(const OSOCTET* data, OSUINT32 numbits)
{
   return numbits == 0 || (data[(numbits - 1) / 8] & (0x80u >> ((numbits - 1) % 8))) != 0;
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


// ---------------------------------------------------------------- copy and free
// Copies return 0 or ASN1ERR_NO_MEMORY; every allocation comes from pctxt's
// heap.

inline int asn1dataCopyCharStr(ASN1CTXT* pctxt, const char* src, const char** pdst)
{
   *pdst = nullptr;
   if (src == nullptr) return 0;
   return rtCopyCharStr(pctxt, src, pdst) ? 0 : ASN1ERR_NO_MEMORY;
}

inline int asn1dataCopyOctStr(ASN1CTXT* pctxt, const ASN1DynOctStr* src, ASN1DynOctStr* dst)
{
   return rtCopyDynOctStr(pctxt, src, dst) ? 0 : ASN1ERR_NO_MEMORY;
}

inline int asn1dataCopyBitStr(ASN1CTXT* pctxt, const ASN1DynBitStr* src, ASN1DynBitStr* dst)
{
   return rtCopyDynBitStr(pctxt, src, dst) ? 0 : ASN1ERR_NO_MEMORY;
}

inline int asn1dataCopyOpenType(ASN1CTXT* pctxt, const ASN1OpenType* src, ASN1OpenType* dst)
{
   return rtCopyOpenType(pctxt, src, dst) ? 0 : ASN1ERR_NO_MEMORY;
}

inline int asn1dataCopy16BitStr(ASN1CTXT* pctxt, const Asn116BitCharString* src, Asn116BitCharString* dst)
{
   return rtCopy16BitCharStr(pctxt, src, dst) ? 0 : ASN1ERR_NO_MEMORY;
}

inline int asn1dataCopy32BitStr(ASN1CTXT* pctxt, const Asn132BitCharString* src, Asn132BitCharString* dst)
{
   return rtCopy32BitCharStr(pctxt, src, dst) ? 0 : ASN1ERR_NO_MEMORY;
}

inline int asn1dataCopyExtensions(ASN1CTXT* pctxt, const Asn1RTDList* src, Asn1RTDList* dst)
{
   return rtCopyOpenTypeExt(pctxt, src, dst) ? 0 : ASN1ERR_NO_MEMORY;
}

// A zero-filled record of `size` octets from pctxt's heap, or null.
template <class T>
inline T* asn1dataNewRecord(ASN1CTXT* pctxt)
{
   return static_cast<T*>(ASN1MALLOCZ(pctxt, sizeof(T)));
}

// The SAX handler of a nested component, held in `member`: the handler
// there while it is bound to `target` in the same buffer, else a new one
// bound to it (the old one deleted).
template <class H, class R>
H* asn1dataComponentHandler(H*& member, R& target, ASN1MessageBufferIF* msgBuf)
{
   if (member == nullptr || &member->msgData != &target || member->getMsgBuf() != msgBuf) {
      delete member;
      member = nullptr;
      member = new H(*msgBuf, target);
   }
   return member;
}

// A new SAX handler bound to `target` in `member` (a list element, an open
// type), the old one deleted.
template <class H, class R>
H* asn1dataNewHandler(H*& member, R& target, ASN1MessageBufferIF* msgBuf)
{
   delete member;
   member = nullptr;
   member = new H(*msgBuf, target);
   return member;
}

// Releases p when it is a block of pctxt's heap; memory of the caller
// (static text, stack or its own allocations) is left alone.
inline void asn1dataFreePtr(ASN1CTXT* pctxt, const void* p)
{
   void* q = const_cast<void*>(p);
   if (q != nullptr && rtMemHeapCheckPtr(&pctxt->memHeap, q)) rtMemHeapFreePtr(&pctxt->memHeap, q);
}

// Releases the nodes of a list, and element data held in blocks of their own,
// as far as they lie in pctxt's heap; the list becomes empty.
inline void asn1dataFreeList(ASN1CTXT* pctxt, Asn1RTDList* pList)
{
   Asn1RTDListNode* node = pList->head;
   while (node != nullptr) {
      Asn1RTDListNode* next = node->next;
      if (node->data != static_cast<void*>(node + 1)) asn1dataFreePtr(pctxt, node->data);
      asn1dataFreePtr(pctxt, node);
      node = next;
   }
   rtDListInit(pList);
}

// Unknown extension elements (open types) and their list.
inline void asn1dataFreeExtensions(ASN1CTXT* pctxt, Asn1RTDList* pList)
{
   for (Asn1RTDListNode* node = pList->head; node != nullptr; node = node->next)
      if (node->data != nullptr) asn1dataFreePtr(pctxt, static_cast<ASN1OpenType*>(node->data)->data);
   asn1dataFreeList(pctxt, pList);
}

// The context reference of a record: ASN1CtxtPtr in SEQUENCE, SET and
// CHOICE records, a counted raw pointer in list records.
inline void asn1dataSetRecordContext(ASN1CtxtPtr& field, ASN1Context* pContext)
{
   field = ASN1CtxtPtr(pContext);
}

inline void asn1dataSetRecordContext(ASN1Context*& field, ASN1Context* pContext)
{
   if (pContext != nullptr) pContext->_ref();
   if (field != nullptr) field->_unref();
   field = pContext;
}

// The copy a control-class copy constructor binds to; an allocation failure
// is thrown.
template <class T>
inline T& asn1dataCopyOrThrow(T* p)
{
   if (p == nullptr) throw ASN1MessageBuffer::RTLError(ASN1ERR_NO_MEMORY);
   return *p;
}

// getCopy of a control class over its record `data` (the class's context
// pctxt and context object): a deep copy into pDstData, which then holds a
// reference to the context, or for null into a new record in the context
// heap (a copy placed in the heap lives and dies with the heap: it takes no
// reference, which would keep the heap alive for ever). pDstData == &data
// is returned unchanged; null when out of memory.
template <class R>
R* asn1dataGetCopy(ASN1CTXT* pctxt, ASN1Context* context, R& data, R* pDstData, int (*copy)(ASN1CTXT*, R*, R*))
{
   if (pDstData == &data) return pDstData;
   if (pctxt == nullptr) return nullptr;
   const bool inHeap = pDstData == nullptr;
   if (inHeap) {
      pDstData = asn1dataNewRecord<R>(pctxt);
      if (pDstData == nullptr) return nullptr;
   }
   if (copy(pctxt, &data, pDstData) != 0) return nullptr;
   if (!inHeap && pDstData->mpContext == 0) asn1dataSetRecordContext(pDstData->mpContext, context);
   return pDstData;
}

// newCopy of a control class: a new record (delete it) holding a deep copy;
// null when out of memory.
template <class R, class C>
R* asn1dataNewCopy(C& control)
{
   R* p = new R();
   if (control.getCopy(p) == nullptr) {
      delete p;
      return nullptr;
   }
   return p;
}

// ---------------------------------------------------------------- XER
// A top-level XER encode into msgBuf's context: the document (declaration,
// value, end) or, with ASN1XERFRAGMENT set, the value alone. A failure is
// recorded in the context and returned; success returns 0.
template <class F>
inline int asn1dataXerEncodeDocument(ASN1CTXT* pctxt, F encodeValue)
{
   int stat = 0;
   if ((pctxt->flags & ASN1XERFRAGMENT) != 0) stat = encodeValue(pctxt);
   else {
      stat = xerEncStartDocument(pctxt);
      if (stat == 0) stat = encodeValue(pctxt);
      if (stat == 0) stat = xerEncEndDocument(pctxt);
   }
   return stat == 0 ? 0 : LOG_ASN1ERR(pctxt, stat);
}

// The text a value decoder reads: the terminated text at the context
// buffer's position (installed by finalizeMemBuf).
inline const char* asn1dataXerText(ASN1CTXT* pctxt)
{
   const ASN1BUFFER& b = pctxt->buffer;
   if (b.data == nullptr || b.byteIndex > b.size) return "";
   return reinterpret_cast<const char*>(b.data + b.byteIndex);
}

// A BIT STRING with named bits from its collected binary text: the record's
// octets, and no more bits than the highest named bit allows (-17).
inline int asn1dataXerCopyNamedBits(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32* pnumbits, int outSize,
                                    OSUINT32 capacity, int lastBits)
{
   int stat = xerDecCopyBitStr(pctxt, data, pnumbits, outSize, lastBits);
   if (stat == 0 && *pnumbits > capacity) return LOG_ASN1ERR(pctxt, ASN1ERR_STRING_OVERFLOW);
   return stat;
}

// Whether data[0..numocts) is exactly one complete BER element (the open
// type the BER/DER encoders can write back).
inline bool asn1dataIsOneElement(const OSOCTET* data, OSUINT32 numocts)
{
   if (data == nullptr || numocts < 2 || numocts > 0x7FFFFFFFu) return false;
   ASN1CTXT temp;   // no heap: measuring allocates nothing
   memset(&temp, 0, sizeof(temp));
   temp.key = ASN1CTXT_KEY;
   ASN1TAG tag = 0;
   int len = 0;
   if (xd_setp(&temp, data, static_cast<int>(numocts), &tag, &len) != 0) return false;
   if (tag == 0 && len == 2) return false;   // end-of-contents
   if (len == INDEFINITE_LENGTH) {
      // xd_indeflen_ex measures nothing shorter than five octets; the one
      // complete element that short is an empty one.
      if (numocts == 4) return data[1] == 0x80 && data[2] == 0 && data[3] == 0;
      len = xd_indeflen_ex(data, static_cast<int>(numocts));
   }
   return len > 0 && static_cast<OSUINT32>(len) == numocts;
}

// An open type written as hexadecimal BER octets (form="ber"): one complete
// element, or -5 (octets cut short, or running on past the element, could
// not be written back).
inline int asn1dataXerCopyOpenType(ASN1CTXT* pctxt, ASN1OpenType* pvalue, int shift)
{
   ASN1DynOctStr octets;
   int stat = xerDecCopyDynOctStr(pctxt, &octets, shift);
   if (stat != 0) return stat;
   if (octets.numocts > 0 && !asn1dataIsOneElement(octets.data, octets.numocts))
      return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_LENGTH);
   pvalue->numocts = octets.numocts;
   pvalue->data = octets.data;
   return 0;
}

// Grows an array record's element block to hold n + 1 elements (capacity
// doubling); the new slot is zeroed. Null when out of memory or too large.
inline void* asn1dataGrowArray(ASN1CTXT* pctxt, void* elem, OSUINT32 n, OSUINT32* pCapacity, size_t elemSize)
{
   if (n < *pCapacity && elem != nullptr) {
      memset(static_cast<char*>(elem) + n * elemSize, 0, elemSize);
      return elem;
   }
   OSUINT32 cap = *pCapacity < 4 ? 4 : *pCapacity;
   while (cap <= n) {
      if (cap > 0x7FFFFFFFu / 2) return nullptr;
      cap *= 2;
   }
   if (static_cast<size_t>(cap) > static_cast<size_t>(0x7FFFFFFF) / elemSize) return nullptr;
   void* p = ASN1REALLOC(pctxt, elem, cap * elemSize);
   if (p == nullptr) return nullptr;
   memset(static_cast<char*>(p) + n * elemSize, 0, (cap - n) * elemSize);
   *pCapacity = cap;
   return p;
}

// ---------------------------------------------------------------------------
// The members of every generated control class ASN1C_<T> over its record
// ASN1T_<T> (msgData):
//   ASN1C_<T>(data)            a new context of its own; no message buffer yet.
//   ASN1C_<T>(msgBuf, data)    the buffer's context; the buffer is attached.
//   ASN1C_<T>(original)        shares the original's context and buffer; binds a
//                              new deep copy of its record (in the context
//                              heap). Out of memory: ASN1MessageBuffer::RTLError.
//   EncodeTo(msgBuf)           BER buffers: the encoded length or a negative
//                              status. XER encode buffers: the document (or,
//                              with ASN1XERFRAGMENT, the value alone); 0 or a
//                              negative status. Other buffers:
//                              ASN1ERR_NOT_SUPPORTED.
//   DecodeFrom(msgBuf)         BER buffers: 0 or a negative status. XER decode
//                              buffers: the document is parsed with the class
//                              as SAX handler (constructed types) or read as a
//                              value; the status recorded in the context is
//                              returned, and the handler's failures pass as
//                              OSRTSAXException. Other buffers:
//                              ASN1ERR_NOT_SUPPORTED.
//   getCopy(pDstData = 0)      a deep copy of the bound record: into pDstData
//                              (which then holds a reference to the context and
//                              frees the copy when destroyed), or, for null,
//                              into a new record in the context heap. The bound
//                              record itself is returned unchanged. Null when
//                              out of memory.
//   newCopy()                  a new record (delete it) holding a deep copy;
//                              null when out of memory.
//   typeName()                 the type name: the top element of an XML
//                              document of the type.
//   operator=(original)        (bit-string and time classes) copies original's
//                              value into this object's record (a bit string's
//                              bits into this object's context heap, a time's
//                              text into its own buffer) and rebinds the value
//                              class.
// SEQUENCE, SET, CHOICE and SEQUENCE OF classes are SAX handlers
// (startElement, endElement, init; getElementID: the 1-based component or
// alternative named qName, 0 when unknown), with their nested handlers
// created on first use (list elements: one per element). The other classes
// read XER documents through xerElemName() (the document element: the type
// name, a type reference's class names its own) and xerConvert (the
// collected content into the record; 0 or a negative status).
// ENUMERATED and named-number INTEGER classes have parseNamedValue: the
// named value at the context's buffer position stored as its number (0),
// -6 for another text.

// ---------------------------------------------------------------------------
// Control classes and object tables call a type's codecs through plain
// function pointers over the record (void*); these adapt the generated
// functions to that form, one small function per type.
typedef int (*asn1dataCodec)(ASN1CTXT* pctxt, void* record);

// BER, explicit tagging: the length (encoder) or 0, or a negative status.
template <class R, int (*F)(ASN1CTXT*, R*, ASN1TagType)>
int asn1dataEncodeAs(ASN1CTXT* pctxt, void* record)
{
   return F(pctxt, static_cast<R*>(record), ASN1TAG_EXPLICIT);
}

template <class R, int (*F)(ASN1CTXT*, R*, ASN1TagType, int)>
int asn1dataDecodeAs(ASN1CTXT* pctxt, void* record)
{
   return F(pctxt, static_cast<R*>(record), ASN1TAG_EXPLICIT, 0);
}

// XER, the type's own element name; by pointer or (for the types whose XER
// encoder takes the value) by value.
template <class R, int (*F)(ASN1CTXT*, R*, const char*, const char*)>
int asn1dataXerEncodeAs(ASN1CTXT* pctxt, void* record)
{
   return F(pctxt, static_cast<R*>(record), nullptr, nullptr);
}

template <class R, int (*F)(ASN1CTXT*, R, const char*, const char*)>
int asn1dataXerEncodeValueAs(ASN1CTXT* pctxt, void* record)
{
   return F(pctxt, *static_cast<R*>(record), nullptr, nullptr);
}

// EncodeTo of a control class over its record: BER buffers get the BER
// encoding (the length or a negative status), XER encode buffers the
// document (or, with ASN1XERFRAGMENT, the value alone; 0 or a negative
// status), other buffers ASN1ERR_NOT_SUPPORTED.
int asn1dataEncodeTo(ASN1CType& self, ASN1MessageBufferIF& msgBuf, void* record, asn1dataCodec ber,
                     asn1dataCodec xer);
// DecodeFrom of a control class whose SAX handler reads its XER documents.
int asn1dataDecodeFrom(ASN1CType& self, ASN1XERTypeHandler& sax, ASN1MessageBufferIF& msgBuf, void* record,
                       asn1dataCodec ber);
// DecodeFrom of a control class of a simple type: in XER the document
// element holds the value as a component's element would (`kind`), turned
// into the record by `convert`.
int asn1dataDecodeValueFrom(ASN1CType& self, ASN1MessageBufferIF& msgBuf, void* record, asn1dataCodec ber,
                            const char* elemName, int kind, ASN1XERValueHandler::Convert convert);

}  // namespace asn1data

#endif
