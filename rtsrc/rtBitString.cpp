#include "rtBitString.h"

extern "C" {

int rtSetBit(OSOCTET* pBits, OSUINT32 numbits, OSUINT32 bitno)
{
   if (pBits == nullptr || bitno >= numbits) return ASN1ERR_OUT_OF_BOUNDS;
   OSOCTET mask = (OSOCTET)(0x80u >> (bitno % 8));
   int was = (pBits[bitno / 8] & mask) != 0;
   pBits[bitno / 8] |= mask;
   return was;
}

int rtClearBit(OSOCTET* pBits, OSUINT32 numbits, OSUINT32 bitno)
{
   if (pBits == nullptr || bitno >= numbits) return ASN1ERR_OUT_OF_BOUNDS;
   OSOCTET mask = (OSOCTET)(0x80u >> (bitno % 8));
   int was = (pBits[bitno / 8] & mask) != 0;
   pBits[bitno / 8] &= (OSOCTET)~mask;
   return was;
}

int rtTestBit(const OSOCTET* pBits, OSUINT32 numbits, OSUINT32 bitno)
{
   if (pBits == nullptr || bitno >= numbits) return 0;
   return (pBits[bitno / 8] & (0x80u >> (bitno % 8))) != 0;
}

int rtOctetBitLen(OSOCTET octet)
{
   if (octet == 0) return 0;
   int pos = 8;
   while ((octet & 1) == 0) {
      octet >>= 1;
      pos--;
   }
   return pos;
}

}
