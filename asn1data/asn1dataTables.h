// What the generated object tables (<Module>Table sources) need beyond the
// codec helpers: the comparison of identifiers, and the two steps that carry
// a table-constrained value between its octets and its decoded record.
//
// Both steps switch the context's buffer to the value and back: the caller's
// message buffer and the decoder flags are saved first and restored on every
// path, success or failure.
#ifndef ASN1DATATABLES_H
#define ASN1DATATABLES_H

#include <string.h>

#include "asn1TObject.h"
#include "asn1dataRuntime.h"

namespace asn1data {

// Equal arc counts and equal arcs.
inline bool asn1dataOidEqual(const ASN1OBJID& a, const ASN1OBJID& b)
{
   return a.numids == b.numids && memcmp(a.subid, b.subid, a.numids * sizeof(a.subid[0])) == 0;
}

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
   asn1dataDepthGuard depth;
   if (!depth.ok()) return ASN1ERR_NOT_SUPPORTED;
   int stat;
   {
      asn1dataBufferSaver saved(pctxt);
      stat = xd_setp(pctxt, object.data, static_cast<int>(object.numocts), nullptr, nullptr);
      // xd_setp ends a definite-length buffer at the end of the first element.
      if (stat == 0 && pctxt->buffer.size != object.numocts) stat = ASN1ERR_INVALID_LENGTH;
      if (stat == 0) stat = dec(pctxt, object);
      // An object without a type for the field decodes nothing and leaves
      // decoded null: the value stays octets.
      if (stat == 0 && object.decoded != nullptr && pctxt->buffer.byteIndex != object.numocts)
         stat = ASN1ERR_INVALID_LENGTH;
   }
   if (stat != 0) object.decoded = nullptr;
   return stat;
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
template <class Enc, class Dec>
int asn1dataTableEncode(ASN1CTXT* pctxt, Asn1TObject& object, Enc enc, Dec dec)
{
   const OSOCTET* fresh = nullptr;
   int len;
   {
      asn1dataBufferSaver saved(pctxt);
      len = xe_setp(pctxt, nullptr, 0);
      if (len == 0) len = enc(pctxt, object);
      if (len >= 0) fresh = xe_getp(pctxt);
   }
   if (len < 0) return len;
   const OSUINT32 n = static_cast<OSUINT32>(len);
   if (object.data != nullptr && object.numocts > 0) {
      if (object.numocts == n && memcmp(object.data, fresh, n) == 0) return 0;
      // Another encoding: the same value when its own decoding re-encodes
      // to the same octets.
      // A failure of this trial is no failure of the encoding: the error
      // information is put back as it was.
      const ASN1ErrInfo errInfo = pctxt->errInfo;
      Asn1TObject original;
      original.numocts = object.numocts;
      original.data = object.data;
      if (asn1dataTableDecode(pctxt, original, dec) == 0 && original.decoded != nullptr) {
         asn1dataBufferSaver saved(pctxt);
         int len2 = xe_setp(pctxt, nullptr, 0);
         if (len2 == 0) len2 = enc(pctxt, original);
         if (len2 >= 0 && static_cast<OSUINT32>(len2) == n && memcmp(xe_getp(pctxt), fresh, n) == 0) {
            pctxt->errInfo = errInfo;
            return 0;
         }
      }
      pctxt->errInfo = errInfo;
   }
   object.numocts = n;
   object.data = fresh;
   return 0;
}

}  // namespace asn1data

#endif
