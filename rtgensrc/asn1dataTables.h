// What the generated object tables (<Module>Table sources) need beyond the
// codec helpers: the comparison of identifiers, and the two steps that carry
// a table-constrained value between its octets and its decoded record.
//
// Both steps switch the context's buffer to the value and back: the caller's
// message buffer and the decoder flags are saved first and restored on every
// path, success or failure. What is no template (the XER reader of values in
// place, the text forms of open types) is in asn1dataTables.cpp.
#ifndef ASN1DATATABLES_H
#define ASN1DATATABLES_H

#include <string.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "asn1TObject.h"
#include "ASN1XERTypeHandler.h"
#include "asn1XerCppTypes.h"
#include "saxParser.h"
#include "asn1dataRuntime.h"

namespace asn1data {

// Equal arc counts and equal arcs. The object sets are searched one entry
// after another and their identifiers share long prefixes (2.5.29.x), so
// the last arc, where they differ, is compared first.
inline bool asn1dataOidEqual(const ASN1OBJID& a, const ASN1OBJID& b)
{
   OSUINT32 n = a.numids;
   if (n != b.numids) return false;
   if (n == 0) return true;
   if (n > sizeof(a.subid) / sizeof(a.subid[0])) return false;
   if (a.subid[n - 1] != b.subid[n - 1]) return false;
   for (OSUINT32 i = 0; i + 1 < n; i++) {
      if (a.subid[i] != b.subid[i]) return false;
   }
   return true;
}

// The lookup keys of an object set: (arc count, last arc) of each object's
// identifier with its position in the set, sorted by key and position, and
// a hash table from a key to its first entry, made once from the set. find()
// returns the first object in the set's order whose identifier equals oid,
// as a plain scan would: only the objects with the oid's key are compared
// in full, in the set's order.
class asn1dataOidKeys {
public:
   template <class T>
   asn1dataOidKeys(T* const* objects, OSUINT32 count) : mKeys(count)
   {
      for (OSUINT32 i = 0; i < count; i++) mKeys[i] = Key{key(objects[i]->id), i};
      std::sort(mKeys.begin(), mKeys.end(),
                [](const Key& a, const Key& b) { return a.key < b.key || (a.key == b.key && a.index < b.index); });
      // At most half full: a probe sequence ends soon at an empty slot.
      unsigned bits = 1;
      while ((1u << bits) < 2 * count) ++bits;
      mShift = 64 - bits;
      mSlots.assign(static_cast<size_t>(1) << bits, 0);
      for (OSUINT32 i = 0; i < count; i++) {
         if (i > 0 && mKeys[i].key == mKeys[i - 1].key) continue;
         size_t h = slot(mKeys[i].key);
         while (mSlots[h] != 0) h = (h + 1) & (mSlots.size() - 1);
         mSlots[h] = i + 1;
      }
   }

   template <class T>
   T* find(T* const* objects, OSUINT32 count, const ASN1OBJID& oid) const
   {
      if (count == mKeys.size()) {
         const OSUINT64 k = key(oid);
         for (size_t h = slot(k); mSlots[h] != 0; h = (h + 1) & (mSlots.size() - 1)) {
            OSUINT32 at = mSlots[h] - 1;
            if (mKeys[at].key != k) continue;
            for (; at < mKeys.size() && mKeys[at].key == k; at++) {
               T* object = objects[mKeys[at].index];
               if (asn1dataOidEqual(object->id, oid)) return object;
            }
            return nullptr;
         }
         return nullptr;
      }
      for (OSUINT32 i = 0; i < count; i++) {
         if (asn1dataOidEqual(objects[i]->id, oid)) return objects[i];
      }
      return nullptr;
   }

private:
   struct Key {
      OSUINT64 key;
      OSUINT32 index;
   };

   static OSUINT64 key(const ASN1OBJID& oid)
   {
      OSUINT32 n = oid.numids;
      if (n == 0 || n > sizeof(oid.subid) / sizeof(oid.subid[0])) return (OSUINT64)n << 32;
      return ((OSUINT64)n << 32) | oid.subid[n - 1];
   }

   size_t slot(OSUINT64 k) const { return static_cast<size_t>((k * 0x9E3779B97F4A7C15ULL) >> mShift); }

   std::vector<Key> mKeys;
   std::vector<OSUINT32> mSlots;   // 1 + the first entry of a key; 0: empty
   unsigned mShift = 63;
};

// The control object of an open type's value of a primitive type (a
// character string, INTEGER, BOOLEAN, OBJECT IDENTIFIER, NULL ...), so that
// such a value is written in its XML value form (<PrintableString>DE</
// PrintableString>) rather than as octets, and read back from it: `encode`
// writes the record as the element `typeName`; the element's content is
// collected by `kind` (an ASN1XERValueKind) and turned into the record by
// `convert`. It is a SAX handler of its own type, so that the open type's
// value is read in place while the document is parsed.
class asn1dataValueControl : public ASN1CType, public ASN1XERValueHandler {
public:
   typedef int (*Encode)(ASN1CTXT* pctxt, void* record, const char* elemName);

   asn1dataValueControl(ASN1MessageBufferIF& msgBuf, void* record, const char* typeName, int kind, Encode encode,
                        Convert convert)
      : ASN1CType(msgBuf), ASN1XERValueHandler(typeName, kind, msgBuf.getCtxtPtr(), convert, record),
        mpValue(record), mEncode(encode), mTypeName(typeName)
   {
      ASN1XERValueHandler::setMsgBuf(&msgBuf);
   }

   int EncodeTo(ASN1MessageBufferIF& msgBuf) override
   {
      ASN1CType::setMsgBuf(msgBuf);
      int stat = msgBuf.init();
      if (stat != 0) return stat;
      if (!msgBuf.isA(ASN1MessageBufferIF::XEREncode)) return ASN1ERR_NOT_SUPPORTED;
      return asn1dataXerEncodeDocument(msgBuf.getCtxtPtr(),
                                       [this](ASN1CTXT* p) { return mEncode(p, mpValue, mTypeName); });
   }

   int DecodeFrom(ASN1MessageBufferIF& msgBuf) override
   {
      ASN1CType::setMsgBuf(msgBuf);
      int stat = msgBuf.init();
      if (stat != 0) return stat;
      if (!msgBuf.isA(ASN1MessageBufferIF::XERDecode)) return ASN1ERR_NOT_SUPPORTED;
      ASN1XERValueHandler::setMsgBuf(&msgBuf);
      return decodeDocument(msgBuf);
   }

private:
   void* mpValue;
   Encode mEncode;
   const char* mTypeName;
};

// The context's buffer and flags, restored when the saver goes out of scope.
class asn1dataBufferSaver {
public:
   explicit asn1dataBufferSaver(ASN1CTXT* pctxt) : pctxt_(pctxt), buffer_(pctxt->buffer), flags_(pctxt->flags) {}
   ~asn1dataBufferSaver()
   {
      pctxt_->buffer = buffer_;
      pctxt_->flags = flags_;
   }

private:
   asn1dataBufferSaver(const asn1dataBufferSaver&) = delete;
   asn1dataBufferSaver& operator=(const asn1dataBufferSaver&) = delete;
   ASN1CTXT* pctxt_;
   ASN1BUFFER buffer_;
   decltype(ASN1CTXT::flags) flags_;
};

// Octets after an open type's value: -5, with the first of them as the
// failing element in the error path.
#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
inline int asn1dataValueOverrun(ASN1CTXT* pctxt, OSUINT32 at)
{
   return rtErrPathAdd(pctxt, ASN1ERR_INVALID_LENGTH, ASN1EP_VALUE, nullptr, -1, nullptr, at);
}

// Decodes the octets of `object` (one complete encoding, nothing after it)
// with `dec`, which stores the decoded record in object.decoded. Returns 0
// or the negative status; on failure object.decoded is null. Octets after
// the value's encoding fail with ASN1ERR_INVALID_LENGTH. Nested tables count
// towards the decoder nesting limit, so that values containing values cannot
// exhaust the stack.
template <class Dec>
int asn1dataTableDecode(ASN1CTXT* pctxt, Asn1TObject& object, Dec dec)
{
   object.decoded = nullptr;
   if (object.data == nullptr || object.numocts == 0) return 0;
   if (object.numocts > 0x7FFFFFFFU) return ASN1ERR_INVALID_LENGTH;
   asn1dataDepthGuard depth(pctxt);
   if (!depth.ok()) return ASN1ERR_NOT_SUPPORTED;
   int stat;
   {
      asn1dataBufferSaver saved(pctxt);
      stat = xd_setp(pctxt, object.data, static_cast<int>(object.numocts), nullptr, nullptr);
      // xd_setp ends a definite-length buffer at the end of the first element:
      // the octets after it are the failing element.
      if (stat == 0 && pctxt->buffer.size != object.numocts) stat = asn1dataValueOverrun(pctxt, pctxt->buffer.size);
      if (stat == 0) stat = dec(pctxt, object);
      // An object without a type for the field decodes nothing and leaves
      // decoded null: the value stays octets. Octets after the value are
      // the failing element (for the error path).
      if (stat == 0 && object.decoded != nullptr && pctxt->buffer.byteIndex != object.numocts)
         stat = asn1dataValueOverrun(pctxt, pctxt->buffer.byteIndex);
   }
   if (stat != 0) object.decoded = nullptr;
   return stat;
}

// A failure the caller goes on from is taken back: the error information as
// it was before the step (`saved`) and, when no failure was recorded then,
// an empty error path (items are only ever added with a recorded failure).
inline void asn1dataTakeBack(ASN1CTXT* pctxt, const ASN1ErrInfo& saved)
{
   pctxt->errInfo = saved;
   if (saved.status == 0) rtErrPathRewind(pctxt, 0);
}

// Where the octets of an open type that was decoded from the context's
// buffer lie in it: they are a copy of an element that ends at or before the
// position (the decoder stands at the end of the record holding it, and the
// value is its last component), so the last such run of octets is it. -1
// when they are not found (a constructed OCTET STRING holding the value in
// segments). A candidate is compared on its first and last octets only
// (kLocateProbe each), so that the search stays linear in the buffer
// whatever the octets: the offset is for the message, not for a decision.
OSINT64 asn1dataLocateValue(const ASN1CTXT* pctxt, const Asn1TObject& object);

// The failure of an open type's value (asn1dataTableDecodeIn): under
// ASN1LENIENT it is taken back and the value keeps its octets (as for an
// unknown identifier); otherwise the switch to the value's octets and the
// component holding them (element `index` of it, for a list of values; else
// -1) are added to the error path. Returns 0 or stat.
// (Kept out of line: the decoders that succeed carry none of it.)
#if defined(__GNUC__)
__attribute__((cold))
#endif
int asn1dataTableValueFailed(ASN1CTXT* pctxt, Asn1TObject& object, int stat, const char* name, const char* type,
                             OSINT32 index);

// The table post-decoder's step for one value: asn1dataTableDecode, and on
// failure asn1dataTableValueFailed. `name` and `type` are the component's.
template <class Dec>
int asn1dataTableDecodeIn(ASN1CTXT* pctxt, Asn1TObject& object, Dec dec, const char* name, const char* type)
{
   const int stat = asn1dataTableDecode(pctxt, object, dec);
   if (stat == 0) return 0;
   return asn1dataTableValueFailed(pctxt, object, stat, name, type, -1);
}

// The same for the value of element `node` of the list of values `list`
// (`type` is the element's).
template <class Dec>
int asn1dataTableDecodeIn(ASN1CTXT* pctxt, Asn1TObject& object, Dec dec, const char* name, const char* type,
                          const Asn1RTDList* list, const Asn1RTDListNode* node)
{
   const int stat = asn1dataTableDecode(pctxt, object, dec);
   if (stat == 0) return 0;
   OSINT32 index = 0;
   for (const Asn1RTDListNode* n = list->head; n != nullptr && n != node; n = n->next) ++index;
   return asn1dataTableValueFailed(pctxt, object, stat, name, type, index);
}

// Encodes object.decoded with `enc` into a fresh buffer of the context (it
// lives in the context's heap) and makes the open type hold that encoding.
//
// The octets the open type already holds are kept when they stand for the
// same value: when the new encoding equals them, or when they decode (with
// `dec`) to a value whose encoding equals the new one. A value that was
// received in another valid encoding (BER inside a DER message, a DEFAULT
// written out) therefore goes out as it came in, which keeps signatures over
// it valid; a changed value is written in its new encoding.
// Returns 0 or the negative status of the encoder.
// The dynamic buffer an encoder ended with (it may have grown to another
// block), given back to msgMemHeap, where xe_setp and growth take it from.
inline void asn1dataDropEncodeBuffer(ASN1CTXT* pctxt, OSOCTET* block)
{
   if (block != nullptr) rtMemHeapFreePtr(&pctxt->msgMemHeap, block);
}

// The open type keeps a new encoding: its octets sit at the end of an
// encode buffer of at least 16 KB. They move to the buffer's start and the
// block shrinks to them (in place when it is the heap's newest), so that a
// value of many open types does not hold 16 KB for each.
inline const OSOCTET* asn1dataKeepEncoding(ASN1CTXT* pctxt, const OSOCTET* fresh, OSUINT32 n, OSOCTET* block)
{
   if (block == nullptr || n == 0) return fresh;   // the caller's own buffer, or nothing to move
   memmove(block, fresh, n);
   void* kept = rtMemHeapRealloc(&pctxt->msgMemHeap, block, static_cast<int>(n));
   return kept != nullptr ? static_cast<const OSOCTET*>(kept) : block;
}

// Encodes object with `enc` into a fresh buffer of the context: the
// encoding's octets in *fresh and the buffer's block in *block (null when
// the buffer is not the context's own). Returns the length, or the negative
// status with the buffer already given back.
template <class Enc>
int asn1dataEncodeFresh(ASN1CTXT* pctxt, Asn1TObject& object, Enc enc, const OSOCTET** fresh, OSOCTET** block)
{
   int len;
   {
      asn1dataBufferSaver saved(pctxt);
      len = xe_setp(pctxt, nullptr, 0);
      if (len == 0) {
         len = enc(pctxt, object);
         if (pctxt->buffer.dynamic) *block = pctxt->buffer.data;
      }
      if (len >= 0) *fresh = xe_getp(pctxt);
   }
   if (len < 0) asn1dataDropEncodeBuffer(pctxt, *block);
   return len;
}

// The same into the caller's scratch area local[0..localSize) first (no
// heap block: *block stays null and *fresh points into local); an encoding
// that does not fit is made again in a fresh buffer of the context, the
// overflow taken back.
template <class Enc>
int asn1dataEncodeFresh(ASN1CTXT* pctxt, Asn1TObject& object, Enc enc, OSOCTET* local, OSUINT32 localSize,
                        const OSOCTET** fresh, OSOCTET** block)
{
   const ASN1ErrInfo errInfo = pctxt->errInfo;
   int len;
   {
      asn1dataBufferSaver saved(pctxt);
      // The buffer xe_setp installs for a caller's area, set up in place.
      ASN1BUFFER& b = pctxt->buffer;
      b.data = local;
      b.size = localSize;
      b.byteIndex = localSize - 1;
      b.bitOffset = 8;
      b.dynamic = 0;
      len = enc(pctxt, object);
      if (len >= 0) *fresh = b.data + b.byteIndex;
   }
   if (len != ASN1ERR_BUFFER_OVERFLOW) return len;
   asn1dataTakeBack(pctxt, errInfo);
   return asn1dataEncodeFresh(pctxt, object, enc, fresh, block);
}

// Scratch area of asn1dataTableEncode: most values of open types are short.
constexpr OSUINT32 kAsn1dataLocalEncode = 1024;

// An encoding made in a scratch area (block null) moves to a block of
// msgMemHeap of its size; one in a fresh buffer is kept as
// asn1dataKeepEncoding keeps it. Null when no block can be had.
inline const OSOCTET* asn1dataKeepFresh(ASN1CTXT* pctxt, const OSOCTET* fresh, OSUINT32 n, OSOCTET* block)
{
   if (block != nullptr) return asn1dataKeepEncoding(pctxt, fresh, n, block);
   OSOCTET* kept = static_cast<OSOCTET*>(rtMemHeapAlloc(&pctxt->msgMemHeap, static_cast<int>(n > 0 ? n : 1)));
   if (kept != nullptr && n > 0) memcpy(kept, fresh, n);
   return kept;
}

template <class Enc, class Dec>
int asn1dataTableEncode(ASN1CTXT* pctxt, Asn1TObject& object, Enc enc, Dec dec)
{
   OSOCTET local[kAsn1dataLocalEncode];
   const OSOCTET* fresh = nullptr;
   OSOCTET* freshBlock = nullptr;   // the block holding fresh (null: in local)
   const int len = asn1dataEncodeFresh(pctxt, object, enc, local, sizeof local, &fresh, &freshBlock);
   if (len < 0) return len;
   const OSUINT32 n = static_cast<OSUINT32>(len);
   if (object.data != nullptr && object.numocts > 0) {
      // Keeping the octets the open type holds, the new encoding is not
      // needed: its buffer goes back to the heap, so that encoding a value
      // again and again does not make the heap grow.
      if (object.numocts == n && memcmp(object.data, fresh, n) == 0) {
         asn1dataDropEncodeBuffer(pctxt, freshBlock);
         return 0;
      }
      // Another encoding: the same value when its own decoding re-encodes
      // to the same octets.
      // A failure of this trial is no failure of the encoding: the error
      // information is put back as it was.
      const ASN1ErrInfo errInfo = pctxt->errInfo;
      Asn1TObject original;
      original.numocts = object.numocts;
      original.data = object.data;
      if (asn1dataTableDecode(pctxt, original, dec) == 0 && original.decoded != nullptr) {
         OSOCTET trialLocal[kAsn1dataLocalEncode];
         const OSOCTET* trial = nullptr;
         OSOCTET* trialBlock = nullptr;
         const int len2 = asn1dataEncodeFresh(pctxt, original, enc, trialLocal, sizeof trialLocal, &trial, &trialBlock);
         const bool same = len2 >= 0 && static_cast<OSUINT32>(len2) == n && memcmp(trial, fresh, n) == 0;
         asn1dataDropEncodeBuffer(pctxt, trialBlock);
         if (same) {
            asn1dataDropEncodeBuffer(pctxt, freshBlock);
            asn1dataTakeBack(pctxt, errInfo);
            return 0;
         }
      }
      asn1dataTakeBack(pctxt, errInfo);
   }
   const OSOCTET* kept = asn1dataKeepFresh(pctxt, fresh, n, freshBlock);
   if (kept == nullptr) return ASN1ERR_NO_MEMORY;
   object.numocts = n;
   object.data = kept;
   return 0;
}

// XER encode: the octets of open types are put back when the encoder is
// done, so that writing XML text leaves the caller's record as it was; the
// text loses its mark (xerMarkXmlText) and, taken from pctxt's heap for this
// one encoding, goes back to it (repeated encodings would grow the heap).
inline void asn1dataDropXmlText(ASN1CTXT* pctxt, const OSOCTET* data)
{
   if (data == nullptr || !xerIsMarkedXmlText(pctxt, data)) return;
   xerMarkXmlText(pctxt, data, FALSE);
   void* block = const_cast<OSOCTET*>(data);
   if (pctxt != nullptr && rtMemHeapCheckPtr(&pctxt->memHeap, block)) rtMemHeapFreePtr(&pctxt->memHeap, block);
}

class asn1dataOpenTypeRestorer {
public:
   asn1dataOpenTypeRestorer(ASN1CTXT* pctxt, ASN1OpenType& object) : pctxt_(pctxt), object_(object), saved_(object) {}
   ~asn1dataOpenTypeRestorer()
   {
      if (object_.data != saved_.data) asn1dataDropXmlText(pctxt_, object_.data);
      object_ = saved_;
   }

private:
   asn1dataOpenTypeRestorer(const asn1dataOpenTypeRestorer&) = delete;
   asn1dataOpenTypeRestorer& operator=(const asn1dataOpenTypeRestorer&) = delete;
   ASN1CTXT* pctxt_;
   ASN1OpenType& object_;
   ASN1OpenType saved_;
};

// The same for every element of a list of open types.
class asn1dataOpenTypeListRestorer {
public:
   asn1dataOpenTypeListRestorer(ASN1CTXT* pctxt, _Asn1RTDList& list) : pctxt_(pctxt), list_(list)
   {
      for (_Asn1RTDListNode* n = list.head; n != nullptr; n = n->next)
         saved_.push_back(*static_cast<ASN1OpenType*>(n->data));
   }
   ~asn1dataOpenTypeListRestorer()
   {
      size_t i = 0;
      for (_Asn1RTDListNode* n = list_.head; n != nullptr && i < saved_.size(); n = n->next) {
         ASN1OpenType& object = *static_cast<ASN1OpenType*>(n->data);
         if (object.data != saved_[i].data) asn1dataDropXmlText(pctxt_, object.data);
         object = saved_[i++];
      }
   }

private:
   asn1dataOpenTypeListRestorer(const asn1dataOpenTypeListRestorer&) = delete;
   asn1dataOpenTypeListRestorer& operator=(const asn1dataOpenTypeListRestorer&) = delete;
   ASN1CTXT* pctxt_;
   _Asn1RTDList& list_;
   std::vector<ASN1OpenType> saved_;
};

// Whether the octets of object are the DER encoding of object.decoded
// (`enc` encodes it into a scratch buffer, given back afterwards). A failing
// encoder counts as no: the caller's own encode reports it.
template <class Enc>
bool asn1dataHoldsDer(ASN1CTXT* pctxt, Asn1TObject& object, Enc enc)
{
   const ASN1ErrInfo errInfo = pctxt->errInfo;
   const OSOCTET* fresh = nullptr;
   OSOCTET* block = nullptr;
   const int len = asn1dataEncodeFresh(pctxt, object, enc, &fresh, &block);
   if (len < 0) {
      asn1dataTakeBack(pctxt, errInfo);
      return false;
   }
   const bool same = static_cast<OSUINT32>(len) == object.numocts && memcmp(fresh, object.data, object.numocts) == 0;
   asn1dataDropEncodeBuffer(pctxt, block);
   return same;
}

// XER: whether captured text (of an OCTET STRING CONTAINING a table value,
// which XER writes either as the value's XML or as hexadecimal octets) is XML:
// the first non-blank character is '<', no control characters but TAB, LF
// and CR.
bool asn1dataIsXmlText(const ASN1OpenType& object);

// XER: hexadecimal text (white space ignored) turned into octets in pctxt's
// heap, replacing the text the open type holds. 0, ASN1ERR_INVALID_HEX or
// ASN1ERR_NO_MEMORY.
int asn1dataHexTextToOctets(ASN1CTXT* pctxt, ASN1OpenType& object);

// XER encode: object.decoded written as an XML fragment through the control
// object that `make` builds (destroyed with `drop`); the text, in pctxt's
// heap, replaces what the open type holds. A value whose type has no control
// object (NULL, a bare character string) is written as its BER octets
// instead: they are brought up to date with `enc` / `dec` and 0 is returned;
// so is a value holding a character that XML cannot carry (-26 or -34 from
// the XML encoder).
// The installed text is marked (xerMarkXmlText) so that the open-type writer
// writes it as XML; the restorers remove the mark.
// Returns 1 (text installed), 0 (octets) or a negative status, recorded in
// pctxt.
template <class Make, class Drop, class Enc, class Dec>
int asn1dataTableXmlEncode(ASN1CTXT* pctxt, Asn1TObject& object, Make make, Drop drop, Enc enc, Dec dec)
{
   int stat;
   if ((pctxt->flags & ASN1XERLOSSLESS) && object.data != nullptr && object.numocts > 0 &&
       !asn1dataHoldsDer(pctxt, object, enc)) {
      // The value came in another encoding than its DER (BER inside a DER
      // message, a SET OF out of order): its XML would come back as the DER,
      // its octets say it exactly. They are brought up to date (a changed
      // value has new octets) and written.
      stat = asn1dataTableEncode(pctxt, object, enc, dec);
      return stat < 0 ? LOG_ASN1ERR(pctxt, stat) : 0;
   }
   try {
      ASN1XEREncodeBuffer buffer(TRUE, pctxt, 1024);
      ASN1CTXT* pbuf = buffer.getCtxtPtr();
      // The value is written as the document around it is.
      pbuf->flags |= ASN1XERFRAGMENT | ASN1XERCANONICAL | (pctxt->flags & (ASN1XERLOSSLESS | ASN1LENIENT));
      ASN1CType* pobj = make(buffer, object.decoded);
      if (pobj == nullptr) {
         stat = asn1dataTableEncode(pctxt, object, enc, dec);
         return stat < 0 ? LOG_ASN1ERR(pctxt, stat) : 0;
      }
      stat = pobj->Encode();
      drop(pobj);
      if (stat == 0) {
         const OSUINT32 len = buffer.getMsgLen();
         OSOCTET* text = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, len > 0 ? len : 1));
         if (text == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
         memcpy(text, pbuf->buffer.data, len);
         if (xerMarkXmlText(pctxt, text, TRUE) != 0) {
            rtMemHeapFreePtr(&pctxt->memHeap, text);
            return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
         }
         object.data = text;
         object.numocts = len;
         return 1;
      }
      if (pbuf->errInfo.status != 0) stat = pbuf->errInfo.status;
   }
   catch (...) {
      stat = ASN1ERR_NO_MEMORY;
   }
   if (stat == ASN1ERR_INVALID_UTF8 || stat == ASN1ERR_INVALID_CHAR) {
      // A character XML cannot carry (text that is not UTF-8, a surrogate in
      // a UniversalString or BMPString): the value has no XML form, its BER
      // octets still say it exactly.
      const ASN1ErrInfo errInfo = pctxt->errInfo;
      stat = asn1dataTableEncode(pctxt, object, enc, dec);
      if (stat >= 0) {
         asn1dataTakeBack(pctxt, errInfo);
         return 0;
      }
   }
   return LOG_ASN1ERR(pctxt, stat < 0 ? stat : ASN1ERR_BAD_VALUE);
}

// XER decode: whether the open type `object` was read in the XML form (its
// entry taken from the record of the decode that the SAX handler `forms`
// belongs to; without a handler every open type counts as XML text, which
// is how the capture leaves it). Blank text is no value: the open type
// becomes empty and false is returned.
bool asn1dataTakeXmlForm(ASN1XERTypeHandler* forms, ASN1OpenType& object);

// XER decode: whether the value of `object` was read in place (its entry
// taken from the record of the decode that `forms` belongs to): 1 when it
// was and holds its record and octets, 0 when it was not (forms null, or the
// value was captured), or the failure the reader entered, recorded in pctxt
// here, where a failure of a value read in place is raised.
#if defined(__GNUC__)
__attribute__((cold))
#endif
int asn1dataRaiseValueRead(ASN1CTXT* pctxt, int status);
inline int asn1dataTakeValueRead(ASN1CTXT* pctxt, ASN1XERTypeHandler* forms, const ASN1OpenType& object)
{
   int status = 0;
   if (forms == nullptr || !forms->openTypes().take(&object, ASN1XEROpenTypes::ValueRead, &status)) return 0;
   return status == 0 ? 1 : asn1dataRaiseValueRead(pctxt, status);
}

// XER decode: `record`, read from XML, becomes object.decoded, and the open
// type holds its BER encoding (`enc`) instead of the text, in a block of its
// size, so that the record reads the same to the BER and XER encoders.
// 0 or the negative status of the encoder.
template <class Enc>
int asn1dataHoldRecord(ASN1CTXT* pctxt, Asn1TObject& object, void* record, Enc enc)
{
   object.decoded = record;
   const OSOCTET* fresh = nullptr;
   OSOCTET* freshBlock = nullptr;   // the block holding fresh
   const int len = asn1dataEncodeFresh(pctxt, object, enc, &fresh, &freshBlock);
   if (len < 0) return len;
   object.data = asn1dataKeepEncoding(pctxt, fresh, static_cast<OSUINT32>(len), freshBlock);
   object.numocts = static_cast<OSUINT32>(len);
   return 0;
}

// XER decode of a value given as its BER octets: asn1dataTableDecode, except
// that under ASN1LENIENT a value that does not decode keeps its octets, as
// the BER decoder keeps them.
template <class Dec>
int asn1dataTableDecodeOctets(ASN1CTXT* pctxt, Asn1TObject& object, Dec dec)
{
   const ASN1ErrInfo before = pctxt->errInfo;
   const int stat = asn1dataTableDecode(pctxt, object, dec);
   if (stat != 0 && (pctxt->flags & ASN1LENIENT)) {
      asn1dataTakeBack(pctxt, before);
      object.decoded = nullptr;
      return 0;
   }
   return stat;
}

// XER decode: with xmlText, a new record (`makeRecord`) decoded from the XML
// text of the open type through the control object of `make`, stored in
// object.decoded; the open type then holds the record's BER encoding
// (`enc`), so that the record reads the same to the BER and XER encoders and
// never keeps the text. Without xmlText the open type holds octets (written
// in hexadecimal), decoded as BER with `dec`.
// 0 or a negative status (ASN1ERR_NOT_SUPPORTED when the object's type has
// no record or control object to read XML with); on failure the open type
// may still hold the text, and the caller must fail the decode.
template <class MakeRecord, class Make, class Drop, class Enc, class Dec>
int asn1dataTableXmlDecode(ASN1CtxtPtr& ctxt, Asn1TObject& object, bool xmlText, MakeRecord makeRecord, Make make,
                           Drop drop, Enc enc, Dec dec)
{
   ASN1CTXT* pctxt = ctxt->getPtr();
   object.decoded = nullptr;
   if (object.data == nullptr || object.numocts == 0) return 0;
   if (!xmlText) return asn1dataTableDecodeOctets(pctxt, object, dec);
   asn1dataDepthGuard depth(pctxt);
   if (!depth.ok()) return ASN1ERR_NOT_SUPPORTED;
   void* record = makeRecord(pctxt);
   if (record == nullptr) return ASN1ERR_NOT_SUPPORTED;
   int stat;
   try {
      ASN1XERDecodeBuffer buffer(object.data, object.numocts, TRUE, ctxt.get());
      ASN1CType* pobj = make(buffer, record);
      if (pobj == nullptr) return ASN1ERR_NOT_SUPPORTED;
      try {
         stat = pobj->Decode();
      }
      catch (...) {
         drop(pobj);
         throw;
      }
      drop(pobj);
   }
   catch (const OSRTSAXException& e) {
      // A handler failed: its status ends the parse. The reader's own
      // failures (text that is no well-formed XML) carry no status.
      stat = e.getStatus() != 0 ? e.getStatus() : ASN1ERR_XML_STATE;
   }
   catch (...) {
      stat = ASN1ERR_XML_STATE;
   }
   if (stat != 0) return stat < 0 ? stat : ASN1ERR_BAD_VALUE;
   return asn1dataHoldRecord(pctxt, object, record, enc);
}

// XER decode of an open type in place. When the element of an open type
// starts and the object of its value is already known (the identifier comes
// first in the record) and has a control object, the record's handler nests
// this reader instead of capturing the value as text: the value's events go
// straight to the control object, which checks them as a decode of the
// captured text would (asn1dataTableXmlDecode), and when the value's element
// ends the record becomes the open type's value and BER octets
// (asn1dataHoldRecord). The value is then entered in the decode's record
// (ASN1XEROpenTypes::noteValueRead), so that the post-decoder leaves it as
// it is (asn1dataTakeValueRead).
//
// An OCTET STRING CONTAINING the value (an extension's extnValue) may hold
// its octets in hexadecimal instead: given `dec`, this reader also reads that
// text, known object or not, turns it into the octets and decodes them as
// the post-decoder would (asn1dataHexTextToOctets, asn1dataTableDecode).
//
// Other content (text before the value's element, an element where only
// octets can be read, nothing at all) is captured as text from the first
// such event on, exactly as without this reader, and left to the post-
// decoder. Text after the value's element, or a second element, is -35, as a
// reader of the captured text would find.
//
// A value that fails is not raised at once: whatever it raised is caught
// here, the rest of the open type's element is passed over, and the failure
// is entered with the open type in the decode's record (what the value
// entered itself is dropped), for the post-decoder to raise when the record
// ends, as it would raise the failure of captured text; so a document that
// also breaks off later reports what it reported before. The context's error
// information stays as it was until then. Values read in place inside values count towards the decoder
// nesting limit (-99 beyond it).
class asn1dataXerObjectValue : public ASN1XERSAXDecodeHandler {
public:
   typedef void* (*MakeRecord)(void* object, ASN1CTXT* pctxt);
   typedef ASN1CType* (*Make)(void* object, ASN1MessageBufferIF& msgBuf, void* record);
   typedef void (*Drop)(void* object, ASN1CType* control);
   typedef int (*Encode)(void* object, ASN1CTXT* pctxt, Asn1TObject& value);
   typedef int (*Decode)(void* object, ASN1CTXT* pctxt, Asn1TObject& value);

   explicit asn1dataXerObjectValue(ASN1XERTypeHandler& owner) : owner_(owner) {}
   ~asn1dataXerObjectValue() override;

   // The reader of holder's value through `object` (the information object
   // of the value, passed back to the functions; null when the identifier is
   // unknown), set up on owner's reader (made on first use). Null when there
   // is nothing to read in place: no control object for the object's type
   // and no hexadecimal form (dec null). noteXml: captured text is entered
   // in the decode's record as XML text (noteXmlText).
   static ASN1XERSAXDecodeHandler* begin(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner,
                                         Asn1TObject& holder, bool noteXml, void* object, MakeRecord makeRecord,
                                         Make make, Drop drop, Encode enc, Decode dec);

   void startElement(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs) override;
   void characters(const char* chars, unsigned int length) override;
   void endElement(const char* uri, const char* localname, const char* qname) override;

private:
   // Where the value stands: before its element (white space only so far),
   // read by the control object, read as hexadecimal text, complete, failed
   // (the rest is passed over), or captured as text for the post-decoder.
   enum Mode { Waiting, Direct, Hex, Done, Failed, Capture };

   asn1dataXerObjectValue(const asn1dataXerObjectValue&) = delete;
   asn1dataXerObjectValue& operator=(const asn1dataXerObjectValue&) = delete;

   void dropControl();
   void dropRecord();
   void toCapture();
   void finish();
   void finishHex();
   void failed();
   void fail(int stat);

   ASN1XERTypeHandler& owner_;
   ASN1MessageBufferIF* msgBuf_ = nullptr;
   Asn1TObject* holder_ = nullptr;
   bool noteXml_ = false;
   void* object_ = nullptr;
   void* record_ = nullptr;
   ASN1CType* control_ = nullptr;
   ASN1XERTypeHandler* handler_ = nullptr;
   // The value's events go to its innermost handler (ASN1XERDispatch rooted
   // at handler_), made when the value's element starts.
   std::optional<ASN1XERDispatch> dispatch_;
   Drop drop_ = nullptr;
   Encode enc_ = nullptr;
   Decode dec_ = nullptr;
   Mode mode_ = Done;
   size_t mark_ = 0;   // the entries of the decode's record when the value started
   ASN1ErrInfo errInfo_ = ASN1ErrInfo();   // the context's, when the value started
   std::string text_;   // white space before the value's element, or the hexadecimal text
   std::unique_ptr<ASN1CXerOpenType> capture_;
};

}  // namespace asn1data

#endif
