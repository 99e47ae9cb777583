// Bit addressing inside bit strings: bit 0 is the most significant bit of
// the first octet.
#ifndef RTBITSTRING_H
#define RTBITSTRING_H

#include "asn1type.h"

extern "C" {

// Set / clear bit bitno; the previous state (non-zero when it was set), or
// -29 when bitno is not below numbits (or bits is null).
EXTERNRT int rtSetBit(OSOCTET* pBits, OSUINT32 numbits, OSUINT32 bitno);
EXTERNRT int rtClearBit(OSOCTET* pBits, OSUINT32 numbits, OSUINT32 bitno);

// Non-zero when bit bitno is set; 0 when clear or out of range.
EXTERNRT int rtTestBit(const OSOCTET* pBits, OSUINT32 numbits, OSUINT32 bitno);

// 1-based position, from the most significant bit, of the lowest set bit:
// 0x80 gives 1, 0x01 gives 8, 0x00 gives 0.
EXTERNRT int rtOctetBitLen(OSOCTET octet);

}

#endif
