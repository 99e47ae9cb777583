// One value of a registered type, and the list of top-level message types:
// what the converter, the fuzzers and the tests use to reach any type by its
// name and move a value of it between BER/DER, XER and a record.
//
//    const Asn1RegEntry* e = asn1RegFind("Certificate");
//    Asn1TypedValue v(*e);
//    size_t used = 0;
//    int stat = v.decodeBer(der, len, 0, &used);
//    std::string xml;
//    if (stat == 0) stat = v.encodeXer(xml, ASN1XERLOSSLESS, true);
//
// Nothing here throws: every failure is a negative status (the first one
// recorded in the value's context, where the decoders record the innermost).
#ifndef ASN1TYPEDVALUE_H
#define ASN1TYPEDVALUE_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "asn1Registry.h"
#include "rtErrPath.h"

class ASN1Context;

// A record of one type in a context of its own (zero-filled, which is an
// empty record of every registered type). The destructor frees the record's
// parts and releases the context with everything allocated in it.
class EXTERNRT Asn1TypedValue {
public:
   // `flags` (ASN1LENIENT, ...) are set on the value's context for all its
   // calls.
   explicit Asn1TypedValue(const Asn1RegEntry& entry, unsigned flags = 0) noexcept;
   ~Asn1TypedValue();
   Asn1TypedValue(const Asn1TypedValue&) = delete;
   Asn1TypedValue& operator=(const Asn1TypedValue&) = delete;

   // False when the context or the record could not be allocated; every
   // call then fails with ASN1ERR_NO_MEMORY.
   bool valid() const { return mpRecord != nullptr; }
   const Asn1RegEntry& entry() const { return mEntry; }
   ASN1CTXT* ctxt() const;
   ASN1Context* context() const { return mpContext; }
   void* record() const { return mpRecord; }

   // Decodes one value at the start of data[0..size). `flags` (ASN1LENIENT,
   // ASN1DERSTRICT, ...) are or-ed into the context's flags and stay there
   // for the value's later calls. *consumed gets the octets the value took;
   // octets after it are the caller's business. With `path`, the decoders
   // name the failing component in it (rtErrPath.h; emptied first). 0 or a
   // negative status.
   int decodeBer(const uint8_t* data, size_t size, unsigned flags, size_t* consumed,
                 ASN1ErrPath* path = nullptr) noexcept;
   // The DER encoding of the record, made in the value's own context (an
   // open type whose octets the encoder renews keeps them in the value's
   // heap). 0 or a negative status.
   int encodeDer(std::vector<uint8_t>& out) noexcept;
   // The XER document of the record: the XML declaration, the value's
   // element, and with `canonical` no white space between elements. `flags`
   // (ASN1XERLOSSLESS, ...) are set for the encoding, and the value's own
   // ASN1LENIENT with them. 0, a negative status, or ASN1ERR_NOT_SUPPORTED
   // for a type without an XER encoder.
   int encodeXer(std::string& out, unsigned flags, bool canonical) noexcept;
   // Decodes an XER document into the record. The reader's position and
   // message of a failure stay with OSExpatXMLReader::lastFailure /
   // lastFailureMessage. ASN1ERR_NOT_SUPPORTED for a type that decodes XER
   // only as a component of another.
   int decodeXer(const uint8_t* xml, size_t size) noexcept;

private:
   const Asn1RegEntry& mEntry;
   ASN1Context* mpContext;   // one reference, held for the value's lifetime
   void* mpRecord;
};

// The top-level message types (certificates, CRLs, requests, CMS, OCSP,
// TSP, CMP, DVCS, attribute certificates), those registered, in the order
// in which a file of unknown type is best tried: the specific types first,
// AttributeCertificate last (its first version takes any signed body).
EXTERNRT std::vector<const Asn1RegEntry*> asn1RegTopLevelTypes();

#endif
