// Arbitrary-length integers and their text forms (radix 2, 8, 10, 16).
#ifndef RTBIGINT_H
#define RTBIGINT_H

#include "asn1type.h"

extern "C" {

// Radix tables indexed by radix / 2 (radix 0..16): bits per digit x 1024,
// digits per chunk, and the chunk base of the text conversions.
EXTERNRT extern const short rtBigIntBitsPerDigit[9];
EXTERNRT extern const short rtBigIntDigitsPerByte[9];
EXTERNRT extern const short rtBigIntByteRadix[9];

// All fields 0, mag null. A caller may then point mag at its own storage and
// set allocated; that storage is used until a larger magnitude is needed.
EXTERNRT void rtBigIntInit(ASN1BigInt* pInt);

// The decimal and octal conversions below refuse a value of more than
// ASN_K_MAXBIGINTBITS bits (asn1type.h) with -33, decided before any
// arithmetic: their time grows with the square of the length.

// Parses text. Radix 0 chooses from a "0x", "0b" or "0o" prefix (else 10);
// an explicit radix must be 2, 8, 10 or 16 and takes no prefix. Hexadecimal
// and binary digits are two's complement (a leading digit with the top bit
// set and not '0' makes the value negative); decimal and octal take an
// optional '-'. 0, -18 for a malformed text, -30 for a bad radix, -33 for a
// decimal or octal value beyond the limit, -12 (all recorded).
EXTERNRT int rtBigIntSetStr(ASN1CTXT* pctxt, ASN1BigInt* pInt, const char* text, int radix);

// Octets of the minimal two's-complement form (1 for zero).
EXTERNRT int rtBigIntGetDataLen(const ASN1BigInt* pInt);

// Writes that form, big-endian, into buf; returns its length, or -17
// (recorded) when it needs more than bufsize octets.
EXTERNRT int rtBigIntGetData(ASN1CTXT* pctxt, const ASN1BigInt* pInt, OSOCTET* buf, OSUINT32 bufsize);

// Text form, NUL-terminated: radix 16 / 2 as the two's-complement octets (2
// or 8 digits per octet, no prefix); radix 10 with a leading '-' for negative
// values; radix 8 as the octal digits of the magnitude with a leading '-' for
// negative values. 0, -17 when the text and its NUL do not fit, -33 for a
// decimal or octal text of a value beyond the limit, -30 for another radix
// (recorded).
EXTERNRT int rtBigIntToString(ASN1CTXT* pctxt, const ASN1BigInt* pInt, int radix, char* buf, OSUINT32 bufsize);

// Upper bound of the digits needed in radix: (numocts + 1) * 8192 /
// bitsPerDigit, plus one per 512 octets for the rounding of the table.
// -30 for a radix without a table entry.
EXTERNRT int rtBigIntDigitsNum(const ASN1BigInt* pInt, int radix);

// 0 when the decimal digits text[0..n) (no sign; leading zeros allowed)
// name a value within ASN_K_MAXBIGINTBITS, so that the decimal conversions
// accept it; -33 when not, -18 for a character that is not a digit
// (recorded). Decided by the count of significant digits, except for a
// text of exactly ASN_K_MAXBIGINTDIGITS of them, which is converted.
EXTERNRT int rtBigIntCheckDecimal(ASN1CTXT* pctxt, const char* text, size_t n);

// Parses both texts with automatic radix and compares the values: -1, 0 or
// 1. A text that does not parse gives its (recorded) status, which is below
// -1.
EXTERNRT int rtBigIntStrCompare(ASN1CTXT* pctxt, const char* text1, const char* text2);

// Frees mag from memHeap when it is dynamic and set; the record is then
// empty (zero).
EXTERNRT void rtBigIntFree(ASN1CTXT* pctxt, ASN1BigInt* pInt);

}

#endif
