// XML Encoding Rules (XER) primitives: the writer functions xerEnc* that put
// one element or value at a time into the context's output, the character
// data helpers, and the value decoders xerDec* that convert the text a SAX
// handler has collected.
//
// Writer state lives in the context: `level` is the element nesting depth
// (generated encoders raise it after a start tag and lower it before the end
// tag) and `state` what was written last (XER_STATE_*). Every start tag is
// preceded by a line feed and three spaces per level, an end tag only when it
// follows another end tag, so that simple components sit on one line each.
// Context flag ASN1XERCANONICAL suppresses all line feeds and indentation.
//
// Every function returns 0 or a negative status; failures are recorded in
// the context's error information (xerEncObjId's -4 excepted). Output goes
// through rtWriteBytes: a dynamic buffer grows, a caller's buffer that is full
// fails with -1 and keeps what was written before the failure.
#ifndef ASN1XER_H
#define ASN1XER_H

#include "asn1type.h"

// Values of ASN1CTXT::state while writing XER.
#define XER_STATE_START     0   // document start
#define XER_STATE_STARTTAG  1   // a start tag (or empty element, raw text) is open
#define XER_STATE_CHARDATA  2   // character data
#define XER_STATE_ENDTAG    3   // an end tag or a complete empty element

// Forms of xerEncBitStr.
#define XER_BITSTR_HEX      0   // <name form="hex">0AFF</name>
#define XER_BITSTR_BINARY   1   // <name>101011000001</name>

extern "C" {

// ---------------------------------------------------------------------------
// Writer

// Installs the output buffer: the caller's buf of size octets (never grown or
// freed), or with a null buf a dynamic buffer of size octets (the default
// size when size <= 0). Writes a terminating zero at the start of the buffer,
// resets the state and sets ASN1XERCANONICAL when canonical is true.
EXTERNRT int xerSetEncBufPtr(ASN1CTXT* pctxt, OSOCTET* buf, int size, OSBOOL canonical);

// Resets state and level and writes the 38-character declaration
// <?xml version="1.0" encoding="UTF-8"?> (no line feed after it).
EXTERNRT int xerEncStartDocument(ASN1CTXT* pctxt);

// With a stream attached: flushes it. Otherwise the document must be
// complete (level 0 and the last thing written an end tag, else -35); a zero
// octet is written after the text without counting it, so the buffer holds a
// terminated string of byteIndex octets.
EXTERNRT int xerEncEndDocument(ASN1CTXT* pctxt);

// A line feed and 3 spaces per level; nothing in canonical mode.
EXTERNRT int xerEncIndent(ASN1CTXT* pctxt);
EXTERNRT int xerEncNewLine(ASN1CTXT* pctxt);

// Start tag <name> or <name attrs>, after indentation. A null or empty name
// writes nothing (so does xerEncEndElement).
EXTERNRT int xerEncStartElement(ASN1CTXT* pctxt, const char* elemName, const char* attributes);
EXTERNRT int xerEncEndElement(ASN1CTXT* pctxt, const char* elemName);
// <name/> or <name attrs/>, without indentation of its own.
EXTERNRT int xerEncEmptyElement(ASN1CTXT* pctxt, const char* elemName, const char* attributes);

// Simple values; a null name selects the default element name given.
EXTERNRT int xerEncBool(ASN1CTXT* pctxt, OSBOOL value, const char* elemName);             // "BOOLEAN"
EXTERNRT int xerEncInt(ASN1CTXT* pctxt, int value, const char* elemName);                 // "INTEGER"
EXTERNRT int xerEncUInt(ASN1CTXT* pctxt, unsigned int value, const char* elemName);       // "INTEGER"
// The value as text: decimal with an optional '-', or "0x"/"0b"/"0o" followed
// by hexadecimal/binary/octal digits (converted to decimal). Leading zeros are
// dropped. -18 for any other text, -33 for a value beyond ASN_K_MAXBIGINTBITS
// (asn1type.h; decided before any conversion), -12 when out of memory.
EXTERNRT int xerEncBigInt(ASN1CTXT* pctxt, const char* value, const char* elemName);      // "INTEGER"
EXTERNRT int xerEncNull(ASN1CTXT* pctxt, const char* elemName);                           // "NULL"
// <name><valueName/></name>: an enumeration or named-number identifier.
EXTERNRT int xerEncNamedValue(ASN1CTXT* pctxt, const char* valueName, const char* elemName,
                              const char* attributes);
// Dotted decimal arcs. -4 (not recorded) for a null value, fewer than two
// arcs, a first arc above 2, or a second arc above 39 under a first arc of 0
// or 1.
EXTERNRT int xerEncObjId(ASN1CTXT* pctxt, const ASN1OBJID* pvalue, const char* elemName); // "OBJECT_IDENTIFIER"
// Upper-case hexadecimal; an empty string is written as an empty element.
EXTERNRT int xerEncOctStr(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data,
                          const char* elemName);                                          // "OCTET_STRING"
EXTERNRT int xerEncHexStrValue(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data);
// outputType XER_BITSTR_HEX or XER_BITSTR_BINARY (else -30).
EXTERNRT int xerEncBitStr(ASN1CTXT* pctxt, OSUINT32 numbits, const OSOCTET* data,
                          const char* elemName, int outputType);                          // "BIT_STRING"
EXTERNRT int xerEncBinStrValue(ASN1CTXT* pctxt, OSUINT32 numbits, const OSOCTET* data);
// An 8-bit character string, escaped; the name is required (-30).
EXTERNRT int xerEncAscCharStr(ASN1CTXT* pctxt, const char* value, const char* elemName);
EXTERNRT int xerEncBMPStr(ASN1CTXT* pctxt, const ASN1BMPString* pvalue, const char* elemName);       // "BMPString"
// -26 for a character with the top bit set.
EXTERNRT int xerEncUnivStr(ASN1CTXT* pctxt, const ASN1UniversalString* pvalue, const char* elemName); // "UniversalString"
// One character: escaped below 0x80, otherwise its UTF-8 form (2 to 4
// octets); -26 for a character XML 1.0 cannot carry (a surrogate
// D800-DFFF, FFFE, FFFF, or above 10FFFF).
EXTERNRT int xerEncChar(ASN1CTXT* pctxt, OSUINT32 c);
// numocts octets that already are XML, written as they are: inside
// <name>...</name>, or without a name on a line of their own.
EXTERNRT int xerEncOpenType(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data,
                            const char* elemName);
// len octets as they are; nothing for a null pointer or len <= 0.
EXTERNRT int xerEncXmlCharData(ASN1CTXT* pctxt, const char* data, int len);

// Writes len octets of str as character data: '"', '&', '\'', '<' and '>' as
// entity references, carriage return as "&#13;" (a raw one reads back as a
// line feed), the other control characters below 0x20 but tab and line feed
// (which XML cannot carry, not even as character references) as the empty
// element named by xerControlName ("<esc/>" for 0x1B, "<nul/>" for a zero
// octet); everything else as it is. The output is collected and written in
// pieces of at most 80 octets. Nothing for len < 1.
EXTERNRT int xerPutCharStr(ASN1CTXT* pctxt, const char* str, int len);
// The names of the control characters in XER character data: nul soh stx etx
// eot enq ack bel bs (0x00-0x08), vt ff (0x0B, 0x0C), so si dle dc1 dc2 dc3
// dc4 nak syn etb can em sub esc (0x0E-0x1B), is4 is3 is2 is1 (0x1C-0x1F).
// xerControlName: null for any other character (tab, line feed and carriage
// return included). xerControlChar: the character of a name, -1 for none.
EXTERNRT const char* xerControlName(OSUINT32 c);
EXTERNRT int xerControlChar(const char* name);
// s (s1 then s2) as it is; nothing for a null s (s1).
EXTERNRT int xerCopyText(ASN1CTXT* pctxt, const char* text);
EXTERNRT int xerCopyText2(ASN1CTXT* pctxt, const char* text1, const char* text2);
// Length of s, 0 for null.
EXTERNRT int xerTextLength(const char* text);

// ---------------------------------------------------------------------------
// Value decoders
//
// Each reads the text at the context buffer's current position: the octets
// from byteIndex up to the end of the buffer or the first zero octet,
// whichever comes first (finalizeMemBuf installs the collected text there).
// Nothing beyond that is read. White space is space, tab, line feed and
// carriage return.

// Optional leading white space, then exactly "true" (1) or "false" (0); -18
// otherwise.
EXTERNRT int xerDecBool(ASN1CTXT* pctxt, OSBOOL* pvalue);
// Optional leading white space, an optional '-', decimal digits to the end of
// the text. Empty or all-white-space text and a lone '-' give 0. -33 beyond
// 32 bits, -34 for any other character (trailing white space included).
EXTERNRT int xerDecInt(ASN1CTXT* pctxt, int* pvalue);
// As xerDecInt without a sign ('-' is -34), 32-bit unsigned range.
EXTERNRT int xerDecUInt(ASN1CTXT* pctxt, unsigned int* pvalue);
// xerDecUInt, then -33 above 65535.
EXTERNRT int xerDecUInt16(ASN1CTXT* pctxt, OSUINT16* pvalue);
// A decimal integer token (optional leading white space, an optional '-',
// at least one digit, only white space after it; else -18). Radix 10 returns
// the token; radix 2, 8 or 16 its two's-complement binary or hexadecimal, or
// octal form prefixed "0b", "0o" or "0x". Every radix refuses a value beyond
// ASN_K_MAXBIGINTBITS (asn1type.h) with -33, decided by the digit count before
// any conversion, so that every value read can be written again (DER or
// XER). The result is a new string in the context heap; -12 when out of
// memory, -30 for another radix.
EXTERNRT int xerDecBigInt(ASN1CTXT* pctxt, const char** ppvalue, int radix);
// Dotted decimal arcs with optional white space around them. -4 for any other
// text, an arc beyond 32 bits, more than 128 or fewer than 2 arcs, a first arc
// above 2 or a second arc above 39 under a first arc of 0 or 1.
EXTERNRT int xerDecObjId(ASN1CTXT* pctxt, ASN1OBJID* pvalue);

// Collectors called with each piece of character data. Hexadecimal digits
// (either case), two per octet, first digit in the high half; bitOffset of the
// memory buffer is 4 while the last octet holds only its high half, else 0.
// White space is skipped when skipWhitespace is set; other characters -14.
EXTERNRT int xerDecOctStrMemBuf(ASN1MemBuf* pMemBuf, const char* chars, int len,
                                OSBOOL skipWhitespace);
// '0'/'1' characters as bits, most significant first; bitOffset is the
// number of bits used in the last octet (0: full). Other characters -15.
EXTERNRT int xerDecBitStrMemBuf(ASN1MemBuf* pMemBuf, const char* chars, int len,
                                OSBOOL skipWhitespace);

// Copy the octets collected by the two collectors above from the context
// buffer. shift is the collector's bitOffset: 4 (an odd number of digits)
// moves the octets right by four bits, so that "ABC" gives 0A BC. -17 when
// more than outSize octets were collected; -12 when out of memory.
EXTERNRT int xerDecCopyOctStr(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32* pnumocts, int outSize,
                              int shift);
EXTERNRT int xerDecCopyDynOctStr(ASN1CTXT* pctxt, ASN1DynOctStr* pvalue, int shift);
// lastBits is the bit collector's bitOffset; the bit count is
// 8 * octets - 8 + (lastBits, or 8 when it is 0).
EXTERNRT int xerDecCopyBitStr(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32* pnumbits, int outSize,
                              int lastBits);
EXTERNRT int xerDecCopyDynBitStr(ASN1CTXT* pctxt, ASN1DynBitStr* pvalue, int lastBits);

// Character strings from the UTF-8 text, as new terminated strings or arrays
// in the context heap. xerDecDynAscCharStr keeps the low 8 bits of each
// character; xerDecBMPStr fails with -26 for a character above U+FFFF.
// Malformed UTF-8 is -26; -12 when out of memory. The SAX handlers collect
// the control character NUL (<nul/>) as the octets C0 80: the BMP and
// universal strings take it as U+0000, the terminated strings (8-bit and
// UTF-8) refuse it with -34.
EXTERNRT int xerDecDynAscCharStr(ASN1CTXT* pctxt, const char** ppvalue);
EXTERNRT int xerDecDynUTF8Str(ASN1CTXT* pctxt, const char** ppvalue);
EXTERNRT int xerDecBMPStr(ASN1CTXT* pctxt, ASN1BMPString* pvalue);
EXTERNRT int xerDecUnivStr(ASN1CTXT* pctxt, ASN1UniversalString* pvalue);

// 1 when both texts are non-null and equal, else 0.
EXTERNRT int xerCmpText(const char* text1, const char* text2);

}

// Most significant digits of an INTEGER value xerDecBigInt reads, in any
// radix: the one limit of the big-integer text conversions, kept under its
// former name.
#define XER_MAX_BIGINT_CONV_DIGITS ASN_K_MAXBIGINTDIGITS

// --- Writers above the primitives (C++ linkage) ----------------------------

// An open type holds the octets of one BER element; they are written in
// hexadecimal in an element carrying the attribute form="ber", so that they
// survive an XER round trip whatever they look like. The one exception is
// the XML text that an object table installs for the time of an XER
// encoding (xerMarkXmlText): that text is written as it is. No octets: an
// empty element. 0 or a negative status.
EXTERNRT int xerEncOpenTypeValue(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data,
                                 const char* elemName);
// Marks (on) or unmarks (off) data as XML text standing in an open type while
// pctxt writes an XER document; xerEncOpenTypeValue writes marked text as it
// is. Marks belong to the context and must be removed by whoever set them
// (their storage goes when the last one is removed). 0, or ASN1ERR_NO_MEMORY
// when a mark cannot be kept.
EXTERNRT int xerMarkXmlText(ASN1CTXT* pctxt, const OSOCTET* data, OSBOOL on);
EXTERNRT OSBOOL xerIsMarkedXmlText(const ASN1CTXT* pctxt, const OSOCTET* data);
// An 8-bit character string (PrintableString, IA5String, TeletexString,
// times ...): as xerEncAscCharStr (control characters as empty elements
// such as <esc/>), except that an octet of 0x80 or above is
// written as the character of that code (U+0080..U+00FF) in UTF-8, so that
// the document stays well-formed UTF-8 and xerDecDynAscCharStr gives the
// octet back. elemName is required (-30).
EXTERNRT int xerEnc8BitCharStr(ASN1CTXT* pctxt, const char* value, const char* elemName);
// A UTF8String: as xerEncAscCharStr, after checking that the text is UTF-8
// that an XML document can hold (RFC 3629: no overlong forms, surrogates or
// characters above U+10FFFF; nor U+FFFE and U+FFFF, which XML excludes).
// Other text fails with ASN1ERR_INVALID_UTF8 and nothing of the element is
// written: a document is never made that its reader would refuse.
// elemName is required (-30).
EXTERNRT int xerEncUTF8Str(ASN1CTXT* pctxt, const char* value, const char* elemName);
// The length of the UTF-8 sequence at p (of n octets left) that XML can
// hold: 1 to 4, or 0 when it is not one.
EXTERNRT int xerUTF8CharLen(const OSOCTET* p, size_t n);

#endif
