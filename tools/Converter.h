// The converter's work, apart from its command line: reading input, removing
// PEM armour, and moving one value of a registered type between DER/BER, XER
// and a record. Every failure is reported as a ConvError; nothing is written
// anywhere by these functions.
#ifndef QVASN1_TOOL_CONVERTER_H
#define QVASN1_TOOL_CONVERTER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "asn1Registry.h"

class ASN1Context;

namespace qvasn1tool {

// Input beyond this size is refused before it is read into memory.
constexpr size_t kMaxInputSize = 64u * 1024u * 1024u;

// What went wrong: a run-time status (0 when the failure is not one) with
// the byte offset where decoding stopped (-1 when unknown), and a text.
struct ConvError {
   int status = 0;
   long long offset = -1;
   bool offsetInPem = false;   // the offset counts in the PEM block's decoded content
   std::string text;     // "cannot decode Certificate", "cannot open 'x.der': ..."
   std::string detail;   // the XML reader's message, a PEM reason, ...

   // One line: text, then "status N (status text)", the offset and the detail
   // when present.
   std::string message() const;
};

// Reads the whole of the named file, or of standard input for null or "-".
bool readInput(const char* path, std::vector<uint8_t>& out, ConvError& err);

// The DER/BER octets of the input: the first PEM block's content when the
// input is armoured (pemLabel gets its label), otherwise the input itself.
bool derFromInput(const std::vector<uint8_t>& raw, std::vector<uint8_t>& der, bool& wasPem,
                  std::string& pemLabel, ConvError& err);

// One record of a registered type, in a context of its own; the record and
// everything decoded into it are released with the object.
class TypedValue {
public:
   // Throws ASN1MessageBuffer::RTLError when no context can be created.
   explicit TypedValue(const Asn1RegEntry& entry);
   ~TypedValue();
   TypedValue(const TypedValue&) = delete;
   TypedValue& operator=(const TypedValue&) = delete;

   // Decodes one value from der[0..len). `consumed` gets the octets the value
   // took; octets after it are not an error here (the caller decides).
   bool decodeBer(const uint8_t* der, size_t len, size_t& consumed, ConvError& err);
   // Decodes an XER document.
   bool decodeXer(const uint8_t* xml, size_t len, ConvError& err);
   // The DER encoding of the record.
   bool encodeDer(std::vector<uint8_t>& out, ConvError& err);
   // The XER document of the record (declaration included, ended by '\n').
   bool encodeXer(std::string& out, bool canonical, ConvError& err);

   const Asn1RegEntry& entry() const { return mEntry; }
   // The record (null when it could not be allocated).
   void* record() const { return mpRecord; }

private:
   const Asn1RegEntry& mEntry;
   ASN1Context* mpContext;
   void* mpRecord;
};

// Decodes der as the type and requires the value to take all of it.
bool decodeWhole(TypedValue& value, const std::vector<uint8_t>& der, ConvError& err);

}  // namespace qvasn1tool

#endif
