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

#include "asn1TypedValue.h"

namespace qvasn1tool {

// Input beyond this size is refused before it is read into memory.
constexpr size_t kMaxInputSize = 64u * 1024u * 1024u;

// What went wrong: a run-time status (0 when the failure is not one) with
// the byte offset of the failing element (-1 when unknown), where in the value
// it lies, and a text.
struct ConvError {
   int status = 0;
   long long offset = -1;
   bool offsetInPem = false;   // the offset counts in the PEM block's decoded content
   std::string path;           // the components from the top-level value to the failing
                               // element: "tbsCertificate.extensions[2].extnValue" (DER),
                               // "Certificate/tbsCertificate/extensions/Extension[3]" (XER)
   std::string pathType;       // the failing element's type ("issuerAltName: GeneralNames")
   int depth = 0;              // the components in the path
   long long stopped = -1;     // DER input: where the decoder stopped
   long line = -1, column = -1;   // XER input: where the reader stopped
   bool inOpenType = false;    // the failure lies in an open type's value
   std::string text;     // "cannot decode Certificate", "cannot open 'x.der': ..."
   std::string detail;   // the XML reader's message, a PEM reason, ...
   std::string hint;     // what the user may do about it

   // One line: text, then "status N (status text)", the offset, the path
   // with its type, the line and column, the detail and the hint when
   // present.
   std::string message() const;
};

// How values are decoded and written.
struct CodecOptions {
   // XER: a value that XML cannot say exactly (of an identifier outside its
   // object set, received in another encoding than its DER) is written as
   // its BER octets (ASN1XERLOSSLESS); without, the library's strict XER.
   bool lossless = true;
   // An open type whose value does not decode as its object's type keeps its
   // octets (ASN1LENIENT); without, it fails the decode.
   bool lenient = false;
};

// Reads the whole of the named file, or of standard input for null or "-".
bool readInput(const char* path, std::vector<uint8_t>& out, ConvError& err);

// The DER/BER octets of the input: the input itself, or for armoured input
// the content of a PEM block (pemLabel gets its label). With a type name,
// the first block whose label is one of the type's (pemLabelsOf), else the
// first block when no label fits; without, the first block.
bool derFromInput(const std::vector<uint8_t>& raw, const char* typeName, std::vector<uint8_t>& der, bool& wasPem,
                  std::string& pemLabel, ConvError& err);
// Every PEM block of the input that could be read (or the input itself when
// it is not armoured, with an empty label), for callers that try them all.
bool derBlocksFromInput(const std::vector<uint8_t>& raw, std::vector<std::pair<std::string, std::vector<uint8_t>>>& out,
                        bool& wasPem, ConvError& err);

// One record of a registered type, in a context of its own; the record and
// everything decoded into it are released with the object.
class TypedValue {
public:
   // Throws ASN1MessageBuffer::RTLError when no context can be created.
   explicit TypedValue(const Asn1RegEntry& entry, const CodecOptions& options = CodecOptions());
   TypedValue(const TypedValue&) = delete;
   TypedValue& operator=(const TypedValue&) = delete;

   // Decodes one value from der[0..len). `consumed` gets the octets the value
   // took; octets after it are not an error here (the caller decides). A
   // failure names the failing element: its offset and its path.
   bool decodeBer(const uint8_t* der, size_t len, size_t& consumed, ConvError& err);
   // Decodes an XER document. A failure names the element path and the line
   // and column where the reader stopped.
   bool decodeXer(const uint8_t* xml, size_t len, ConvError& err);
   // The DER encoding of the record.
   bool encodeDer(std::vector<uint8_t>& out, ConvError& err);
   // The XER document of the record (declaration included, ended by '\n').
   bool encodeXer(std::string& out, bool canonical, ConvError& err);

   const Asn1RegEntry& entry() const { return mValue.entry(); }
   // The record (null when it could not be allocated).
   void* record() const { return mValue.record(); }

private:
   Asn1TypedValue mValue;
   CodecOptions mOptions;
};

// Decodes der as the type and requires the value to take all of it.
bool decodeWhole(TypedValue& value, const std::vector<uint8_t>& der, ConvError& err);

// The message types `identify` tries, in its order (those registered).
std::vector<const Asn1RegEntry*> topLevelTypes();

// Which of the candidate types der is a value of, best first.
struct Identification {
   std::vector<std::string> types;   // the fitting types
   std::vector<std::string> lines;   // the same with their marks, for showing
   bool generic = false;             // only a generic signed form fits
   std::string closest;              // no specific type fits: the failure of the type that got furthest
   std::string closestType;          // and that type
};
// A type fits when it decodes the whole input; a type whose PEM label the
// input carried comes first. When none fits, the types that fit with their
// open types' values kept as octets (ASN1LENIENT; marked unless
// lenientFits). A generic signed form (AttributeCertificate over any signed
// body: every certificate, CRL and request decodes as one) counts only when
// its body decodes as its body type; otherwise it is given, marked, only when
// nothing else fits.
Identification identifyValue(const std::vector<const Asn1RegEntry*>& candidates, const std::vector<uint8_t>& der,
                             const std::string& pemLabel, bool lenientFits);

// The path of open elements at byte `offset` of an XML document, as
// "Root/child/list[2]/..." (a position among siblings of the same name is
// given from the second one on, counted from 0); "" when the document cannot
// be read up to there.
std::string xmlElementPath(const uint8_t* xml, size_t len, long long offset);

}  // namespace qvasn1tool

#endif
