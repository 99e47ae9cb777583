// Corvane::ASN1 text and object-identifier utilities: code-page conversions,
// character-string codecs, dotted object identifiers, and the scratch
// context the conversions run in.
#ifndef CORVANE_ASN1_UTIL_H
#define CORVANE_ASN1_UTIL_H

#include <string>

#include "Types.h"
#include "asn1type.h"

namespace Corvane {
namespace ASN1 {

// One run-time context held in the handle. A scratch context: init() before
// use (false when out of memory), release() or the destructor afterwards.
struct EXTERNRT ctxt_handle {
   ctxt_handle() : m_live(false) {}
   ~ctxt_handle() { release(); }
   bool init();
   void release();
   // init(), throwing CRYPT_E_ASN1_MEMORY when it fails.
   void initOrThrow();
   ASN1CTXT* get() { return &ctxt; }

   ASN1CTXT ctxt;

private:
   bool m_live;
   ctxt_handle(const ctxt_handle&) = delete;
   ctxt_handle& operator=(const ctxt_handle&) = delete;
};

// Wide text to the default code page (UTF-8 here) and back. A conversion
// the code page cannot make throws the status built from GetLastError(); a
// null text converts to "".
EXTERNRT std::string tostring(const wchar_t* text);
EXTERNRT std::wstring towstring(const char* text);
// UTF-16 text (surrogate pairs combined): a lone surrogate throws
// E_INVALIDARG.
EXTERNRT std::string tostring(const unsigned short* text);
EXTERNRT std::wstring utf16towstring(const unsigned short* text);
// "0x" and the value in lower-case hexadecimal (the 32-bit pattern of a
// negative value).
EXTERNRT std::string tostring(int value);
EXTERNRT std::wstring towstring(int value);
EXTERNRT std::string& basic_string_i(int value, std::string& out);
EXTERNRT std::wstring& basic_string_i(int value, std::wstring& out);

// The text without leading and trailing " \t\n\r".
EXTERNRT std::string strip_white_space(const char* text);

// Parses dotted decimal text into *oid: 0 on success, 1 on a syntax error.
// Each arc is read as strtoul reads it in base 0 ("0x10" is 16, "010" is 8,
// white space around an arc is allowed, an empty arc reads as 0). An arc
// that does not fit 32 bits or carries a minus sign, or more arcs than an
// object identifier holds, is a syntax error; *oid is not written past its
// arcs.
EXTERNRT int str2oid(const char* text, ASN1OBJID* oid);
inline int str2oid(char* text, ASN1OBJID* oid) { return str2oid(const_cast<const char*>(text), oid); }
// The arcs in decimal joined by "." and a terminating NUL, the blob resized
// to exactly that; false (blob untouched) for an identifier with more arcs
// than the record holds.
EXTERNRT bool oid2str(Corvane::CBlob& out, const ASN1OBJID* oid);
// The same conversions as values; a text that does not parse or an
// identifier that cannot be printed throws E_INVALIDARG.
EXTERNRT ASN1OBJID toASN1OBJID(const char* text);
EXTERNRT std::string toOID(const ASN1OBJID& oid);
// True when every character is one of "1234567890." (so "" is true).
EXTERNRT bool isOIDA(const char* text);
EXTERNRT bool isOIDW(const wchar_t* text);

// The complete DER (tag, length, contents) of the text as the chosen string
// type. PrintableString, TeletexString and IA5String take the text in the
// default code page without checking their alphabets. A character the type
// cannot hold (above U+FFFF in a BMPString; a surrogate or a value above
// U+10FFFF anywhere) and a type outside 1 to 6 throw CRYPT_E_ASN1_INTERNAL.
EXTERNRT Corvane::CBlob encodeCharString(const wchar_t* text, StringType type);
EXTERNRT Corvane::CBlob encodeCharString(const unsigned short* text, StringType type);

// The text of an encoded character string: UTF8String, NumericString,
// PrintableString, TeletexString, IA5String, UniversalString or BMPString.
// Bytes of the 8-bit types that are not UTF-8 are read as ISO 8859-1 (as
// TeletexString values of real certificates carry them); a BMPString's
// surrogate pairs are combined. Another tag, a broken encoding or text that
// is not valid in its type throws CRYPT_E_ASN1_INTERNAL.
EXTERNRT Corvane::CWStringProxy decodeCharString(const Corvane::CBlob& encoded);

// The GeneralizedTime text of a date in the heap of ctxt. With round set the
// date is first brought to whole seconds (from 500 ms up). Out of memory
// throws CRYPT_E_ASN1_MEMORY.
EXTERNRT const char* DateToASN1GeneralizedTime(ASN1CTXT* ctxt, const Corvane::CDateTime& date, bool round);

}
}

#endif
