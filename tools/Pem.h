// Base64 (RFC 4648, standard alphabet) and PEM armour (RFC 7468) for the
// converter: small and strict, our own rather than a crypto library's.
#ifndef QVASN1_TOOL_PEM_H
#define QVASN1_TOOL_PEM_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace qvasn1tool {

// The base64 text of data[0..len): padded with '=', lines of lineLength
// characters (0: one line) each ended by '\n'; empty data gives "".
std::string base64Encode(const uint8_t* data, size_t len, size_t lineLength = 64);

// Decodes base64 text. Space, tab, CR and LF may stand anywhere and are
// skipped. Strict: every quantum is complete (padding written out), '='
// only at the end, nothing after the padding, the unused bits of the last
// octet zero. On failure returns false with a one-line reason in `error`
// (out is then unspecified).
bool base64Decode(const char* text, size_t len, std::vector<uint8_t>& out, std::string& error);

// RFC 7468 label: printable characters other than '-' (and space), with single
// '-' or space between them; the empty label is allowed.
bool pemLabelValid(const std::string& label);

// "-----BEGIN label-----\n", the base64 lines (64 characters), "-----END
// label-----\n". The label must be valid.
std::string pemEncode(const std::string& label, const uint8_t* data, size_t len);

enum class PemStatus { NotPem, Ok, Error };

// Finds the armoured block of the input: the input is PEM when its first
// line that starts with "-----BEGIN " is preceded by text only (printable
// characters, tab, CR, LF: explanatory text is allowed before the block).
// NotPem for anything else (DER/BER octets). Ok: the block's label and its
// decoded octets; only the first block is read. Error: a malformed block
// (no END line or another label on it, headers such as "Proc-Type:", bad
// base64, an empty body) with a one-line reason.
PemStatus pemDecode(const uint8_t* in, size_t len, std::string& label, std::vector<uint8_t>& out,
                    std::string& error);

// One armoured block: its label and decoded octets, or why it could not be
// read (error non-empty, der empty).
struct PemBlock {
   std::string label;
   std::vector<uint8_t> der;
   std::string error;
};

// Every block of the input, in order (a private key and its certificate, a
// chain): explanatory text may stand before each block and after the last.
// NotPem as for pemDecode, else Ok. A malformed block is kept with its
// reason, and reading goes on after its END line (when it has one), so that
// a block the caller does not want cannot spoil the one it wants.
PemStatus pemDecodeAll(const uint8_t* in, size_t len, std::vector<PemBlock>& blocks);

// The labels under which a value of the named type is armoured, the usual
// one first (RFC 7468 and common practice: CERTIFICATE, X509 CRL,
// CERTIFICATE REQUEST / NEW CERTIFICATE REQUEST, PKCS7 / CMS, ...); none for
// a type without an armour label of its own.
std::vector<std::string> pemLabelsOf(const std::string& typeName);

}  // namespace qvasn1tool

#endif
