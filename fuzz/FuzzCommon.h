// Shared pieces of the libFuzzer targets: the registered types in a stable
// order, the choice of a type from the first input octets, a record with
// its own context, and the BER/DER and XER legs of a round trip.
//
// A broken property is reported with fuzzCheck, which prints what failed
// and aborts, so that libFuzzer keeps the input as a crash.
#ifndef QVASN1_FUZZCOMMON_H
#define QVASN1_FUZZCOMMON_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "asn1TypedValue.h"

namespace fuzz {

// Every registered type, sorted by module and name so that a selector octet
// pair names the same type from build to build.
const std::vector<const Asn1RegEntry*>& allTypes();

// The type chosen by the first two input octets (big-endian, modulo the
// number of types); data and size are advanced past them. Null when the
// input is shorter than two octets or nothing is registered.
const Asn1RegEntry* selectType(const uint8_t*& data, size_t& size);

// The two selector octets of a type in allTypes() (for writing seeds).
std::string selectorOf(const Asn1RegEntry* entry);

// Memory meter: counts the octets taken through the run-time's memory hooks
// (g_malloc_func, g_realloc_func) while one input is processed. Installed by
// the first meterBegin; at exit, when the environment variable
// QVASN1_FUZZ_MEMSTATS is set, prints the most octets taken for one input
// and the largest ratio of octets taken to input size (inputs of 256 octets
// and more, so that the fixed cost of a context does not dominate).
// With the environment variable QVASN1_FUZZ_CARVE set (not "0") no hooks are
// installed: the heaps then carve their blocks from chunks, the mode that
// AddressSanitizer watches through the heap's poisoning, and nothing is
// metered.
void meterBegin();
void meterEnd(size_t inputSize);

// Prints "fuzz check failed: <what> (<type>)" and aborts when !ok.
void fuzzCheck(bool ok, const char* what, const Asn1RegEntry* entry);

// A record of one type in a context of its own (the registry's typed
// value), with the fuzzers' checks: the record must be allocated, and a
// decode must never stand past its input.
class Value : public Asn1TypedValue {
public:
   explicit Value(const Asn1RegEntry& entry);

   // Asn1TypedValue::decodeBer (flags or-ed into the context's flags).
   int decodeBer(const uint8_t* data, size_t size, unsigned flags, size_t* consumed);
   // The XER document of the record (not canonical, no flags).
   int encodeXer(std::string& out) { return Asn1TypedValue::encodeXer(out, 0, false); }
};

// decode(encode(v)) for a value that decoded: the DER encoding of v must
// exist, decode again as the same type (all of it), and re-encode to the
// same octets. Aborts otherwise. Returns the encoding. (The encoding is not
// read back DER-strict: open types are copied as they came.)
std::vector<uint8_t> checkDerRoundTrip(Value& v);

// The same through XER, when the type has an XER encoder and decoder: the
// document of v decodes again and re-encodes to the same document.
void checkXerRoundTrip(Value& v);

}

#endif
