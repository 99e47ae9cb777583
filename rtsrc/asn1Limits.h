// The named limits of the library, in one place: every bound that hostile
// input meets (nesting, sizes, lengths of texts) and what is refused beyond
// it. Each limit is checked before the work it bounds is done.
#ifndef ASN1LIMITS_H
#define ASN1LIMITS_H

// --- Values ----------------------------------------------------------------

// Maximum number of arcs of an object identifier.
#define ASN_K_MAXSUBIDS 128

// Largest big integer, in bits of magnitude, that is converted between its
// binary form and decimal or octal text: a value must lie below 2^65536 in
// magnitude. The conversions take time that grows with the square of the
// length, so a longer value is refused with ASN1ERR_TOO_BIG (-33) before any
// work is done, on both sides alike: the text parser (rtBigIntSetStr), the
// text writer (rtBigIntToString), the DER encoder of decimal texts
// (xe_bigint) and the XER reader and writer of INTEGER values (xerDecBigInt,
// xerEncBigInt). A value read is therefore always a value that can be
// written. 65536 bits is four times the largest RSA modulus in use (16384
// bits) and covers every key and domain parameter of the PKI standards.
// Hexadecimal and binary texts and the BER/DER forms themselves are linear
// and have no such limit.
#define ASN_K_MAXBIGINTBITS 65536

// Most significant decimal digits of a value within ASN_K_MAXBIGINTBITS
// (2^65536 has 19729 digits). A text with fewer digits always fits; one with
// exactly this many is converted to be sure; one with more is refused
// unread.
#define ASN_K_MAXBIGINTDIGITS 19729

// Digits of the fraction of a second a GeneralizedTime may carry.
#define ASN1_MAX_FRACTION_DIGITS 20

// --- Nesting ---------------------------------------------------------------

// Deepest nesting of indefinite-length elements the BER decoder walks
// through (xd_MovePastEOC, xd_NextElement, xd_count, xd_indeflen_ex,
// xd_OpenType). Anything deeper is refused with ASN1ERR_NOT_SUPPORTED
// instead of being followed: no legitimate PKI message nests anywhere near
// this deep.
#define ASN1_MAX_NESTING_DEPTH 256

// The most calls of generated decoders that can nest values in values
// (recursive types such as PKIMessage, PKIBody and NestedMessageContent:
// three per nested message; values of open types decoded through their
// objects) that may be active on one context at once (counted in
// ASN1CTXT::depth); deeper input fails with ASN1ERR_NOT_SUPPORTED before it
// can exhaust the stack.
#define ASN1DATA_MAX_DEPTH 128

// Deepest element nesting an XML reader accepts. A document nested deeper
// is rejected before any handler sees the offending start tag, so that
// handler chains (one nested handler per constructed level) and open-type
// capture stay bounded whatever the input.
#define OSXML_MAX_DEPTH 256

// --- Error reports ---------------------------------------------------------

// Items an error path keeps: the innermost ASN1_ERRPATH_INNER and the
// outermost rest; the ones between are counted, not kept.
#define ASN1_ERRPATH_MAX 64
#define ASN1_ERRPATH_INNER 16

#endif
