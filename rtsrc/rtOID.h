// Object identifiers: copy, comparison and the dotted-decimal text form.
#ifndef RTOID_H
#define RTOID_H

#include "asn1type.h"

extern "C" {

// Copies numids and the arcs (at most 128).
EXTERNRT void rtSetOID(ASN1OBJID* pdst, const ASN1OBJID* psrc);

// 1 when a and b have the same count and arcs; otherwise writes 0 to
// *pEqual (when given) and returns 0. name is not used.
EXTERNRT int rtCmpOIDValue(const char* name, const ASN1OBJID* a, const ASN1OBJID* b, int* pEqual);
EXTERNRT int rtCmpOID(const char* name, const ASN1OBJID* a, const ASN1OBJID* b, int* pEqual);

// Dotted decimal text ("1.2.840.113549"), NUL-terminated; the empty text for
// no arcs. 1 when the whole text and its NUL fit in bufsize; otherwise 0,
// with the arcs that fitted in buf (terminated when bufsize > 0).
EXTERNRT int rtOidToStr(const ASN1OBJID* pOID, char* buf, int bufsize);

// Length of that text without the NUL; 0 for no arcs.
EXTERNRT int rtOidToStrLen(const ASN1OBJID* pOID);

// Parses dotted decimal; an empty component reads as 0. 1 when the whole
// text was read; 0 on a bad separator, a component above 2^32-1 or more than
// 128 components (the arcs read so far stay in *pOID).
EXTERNRT int rtStrToOid(const char* text, ASN1OBJID* pOID);

}

#endif
