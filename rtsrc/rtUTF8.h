// Character conversions between 8-bit, wide, 32-bit (UCS-4) and UTF-8 texts.
#ifndef RTUTF8_H
#define RTUTF8_H

#include <wchar.h>

#include "asn1type.h"

extern "C" {

// Each octet of the NUL-terminated text becomes one 32-bit character of a new
// memHeap array in *pUCS (null data for an empty result); with a charset,
// characters it does not permit are dropped. Returns the character count or
// -12 / -30.
EXTERNRT int rtCToUCSString(ASN1CTXT* pctxt, const char* text, ASN1UniversalString* pUCS, const Asn132BitCharSet* pCharSet);

// The same from a NUL-terminated wide text; each wide character contributes
// its low 16 bits.
EXTERNRT int rtWCSToUCSString(ASN1CTXT* pctxt, const wchar_t* wtext, ASN1UniversalString* pUCS, const Asn132BitCharSet* pCharSet);

// Copies the characters below 0x10000 (others dropped) into wbuf and
// terminates it; when wbufsize characters have been written it stops without
// a terminator. Returns wbuf (null for null arguments).
EXTERNRT wchar_t* rtUCSToWCSString(const ASN1UniversalString* pUCS, wchar_t* wbuf, OSUINT32 wbufsize);

// Decodes the NUL-terminated UTF-8 text into wide characters (a null wbuf
// only counts). Returns the character count, -26 for malformed input, -1
// when wbuf is full before the end. No terminator is written. A sequence cut
// short by the end of the text keeps the bits read so far.
EXTERNRT int rtUTF8ToWCS(ASN1CTXT* pctxt, const OSOCTET* utf8, wchar_t* wbuf, OSUINT32 wbufsize);

// Encodes nchars wide characters; returns the octets written, -26 for a
// negative character, -1 when out of room (a single-octet character needs
// one free position, a longer one its octets plus one). No terminator.
EXTERNRT int rtWCSToUTF8(ASN1CTXT* pctxt, const wchar_t* wtext, OSUINT32 nchars, OSOCTET* buf, OSUINT32 bufsize);

// Characters of the NUL-terminated text counted by lead octets; -26 for an
// invalid lead octet. A final sequence cut short by the NUL counts as one
// character and nothing after the NUL is read. 0 for null.
EXTERNRT int rtUTF8Len(const OSOCTET* text);

// Octets before the NUL; 0 for null.
EXTERNRT int rtUTF8LenBytes(const OSOCTET* text);

// Octets needed to encode c (1 to 6).
EXTERNRT int rtUTF8CharSize(OS32BITCHAR c);

// Encodes c into buf; the octets written, or -1 when bufsize is too small.
EXTERNRT int rtUTF8EncodeChar(OS32BITCHAR c, OSOCTET* buf, int bufsize);

// Decodes one character from text; *psize gives the octets available on
// entry and receives the octets used. -26 for null arguments, an invalid lead
// octet, a missing or invalid continuation octet, or too few octets.
EXTERNRT int rtUTF8DecodeChar(ASN1CTXT* pctxt, const OSOCTET* text, int* psize);

// A NUL-terminated copy in memHeap; null for null or out of memory.
EXTERNRT OSOCTET* rtUTF8Strdup(ASN1CTXT* pctxt, const OSOCTET* text);

}

#endif
