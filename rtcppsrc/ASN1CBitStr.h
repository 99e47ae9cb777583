// ASN1CBitStr: object access to a BIT STRING held in a caller's fixed
// buffer, in an ASN1TDynBitStr record, or in storage the object takes from
// its context's memory heap.
//
// Bits are numbered MSB first: bit i is in byte i/8 under mask
// 0x80 >> (i % 8). Space is counted in units of one byte. A bounded string
// (a caller buffer, or own storage of a fixed size) never grows: setting a
// bit beyond its space fails with -5. An unbounded string grows on the
// context heap, 1024 units beyond what is needed each time.
//
// Failures are negative statuses, recorded in the context's error
// information before they are returned. A failed operation leaves the string
// unchanged (apart from capacity already grown).
#ifndef ASN1CBITSTR_H
#define ASN1CBITSTR_H

#include "ASN1CType.h"

// Maximum bit count of an unbounded string.
#define ASN1CBITSTR_UNBOUNDED 0xFFFFFFFFU

class EXTERNRT ASN1CBitStr : public ASN1CType {
public:
   // Unbound (maximum 0): every setting operation fails until init().
   ASN1CBitStr();
   explicit ASN1CBitStr(ASN1MessageBufferIF& msgBuf);
   explicit ASN1CBitStr(ASN1Context& ctxt);

   // Binds a caller buffer of maxNumBits bits and the caller's bit count;
   // a bit count above the maximum is cut to it, the bits of the last used
   // byte beyond the count and the unused bytes are zeroed. Not owned.
   ASN1CBitStr(OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits);
   ASN1CBitStr(ASN1MessageBufferIF& msgBuf, OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits);
   ASN1CBitStr(ASN1Context& ctxt, OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits);

   // Binds a record (unbounded); growing replaces the record's data pointer
   // with a block of the context heap.
   explicit ASN1CBitStr(ASN1TDynBitStr& bitStr);
   ASN1CBitStr(ASN1MessageBufferIF& msgBuf, ASN1TDynBitStr& bitStr);
   ASN1CBitStr(ASN1Context& ctxt, ASN1TDynBitStr& bitStr);

   // Own storage of nbits bits from the context heap; nbits 0: unbounded.
   ASN1CBitStr(ASN1MessageBufferIF& msgBuf, OSUINT32 nbits);
   ASN1CBitStr(ASN1Context& ctxt, OSUINT32 nbits);

   // Own copy of the source's bits, sharing its context. The extendable
   // form is unbounded and keeps 1024 units of room.
   ASN1CBitStr(const ASN1CBitStr& bitStr);
   ASN1CBitStr(const ASN1CBitStr& bitStr, OSBOOL extendable);

   // Frees owned storage from the context heap.
   ~ASN1CBitStr() override;

   // Rebinds without clamping, masking or zeroing; previously owned storage
   // stays with the heap (freed with it) and the new storage is not owned.
   void init(OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits);
   void init(ASN1TDynBitStr& bitStr);

   // Single bits and ranges [fromIndex, toIndex). Status 0 or negative:
   // -29 index beyond the maximum, -24 range start after its end,
   // -5 no room in a bounded string, -12 out of memory.
   int set(OSUINT32 bitIndex);
   int set(OSUINT32 fromIndex, OSUINT32 toIndex);
   int change(OSUINT32 bitIndex, OSBOOL value)
   {
      return value ? set(bitIndex) : clear(bitIndex);
   }
   void clear();
   int clear(OSUINT32 bitIndex);
   int clear(OSUINT32 fromIndex, OSUINT32 toIndex);
   int invert(OSUINT32 bitIndex);
   int invert(OSUINT32 fromIndex, OSUINT32 toIndex);

   // False beyond the maximum or the used bytes.
   OSBOOL get(OSUINT32 bitIndex);
   // Copies bits [fromIndex, toIndex) to pBuf from its first bit; -17 when
   // they do not fit in bufSz bytes.
   int get(OSUINT32 fromIndex, OSUINT32 toIndex, OSOCTET* pBuf, int bufSz);
   // Copies the used bytes and zeroes the rest of pBuf; -5 when too small.
   int getBytes(OSOCTET* pBuf, int bufSz);

   // Index of the last set bit + 1 (0 for no set bit).
   OSUINT32 length() const;
   // Bytes in use.
   int size() const { return mUnitsUsed; }
   // Number of set bits.
   int cardinality() const;
   // 8 - position of the last set bit in the last used byte (0 when empty).
   int unusedBitsInLastUnit();
   OSBOOL isEmpty() const { return length() == 0; }

   // {length(), data}: shares the storage.
   operator ASN1TDynBitStr();
   // A record and a copy of the used bytes, both from the context heap;
   // null when out of memory.
   operator ASN1TDynBitStr*();

   // Logical operations with another string given as (bits, bit count).
   // -30 for a null operand (and for the string's own storage where noted).
   int doAnd(const OSOCTET* pOctstr, OSUINT32 octsNumbits);     // own storage: -30
   int doOr(const OSOCTET* pOctstr, OSUINT32 octsNumbits);      // own storage: -30
   int doXor(const OSOCTET* pOctstr, OSUINT32 octsNumbits);     // own storage: -30
   int doAndNot(const OSOCTET* pOctstr, OSUINT32 octsNumbits);

   // Bit i moves to i - shift (left) or i + shift (right). An unbounded
   // string grows on a right shift; a bounded one drops the bits pushed out.
   int shiftLeft(OSUINT32 shift);
   int shiftRight(OSUINT32 shift);

protected:
   ASN1CBitStr& operator=(const ASN1CBitStr&) = delete;

   // Ensures room for `units` bytes and raises the used count to it.
   int checkCapacity(int units);
   // Drops trailing zero bytes and sets the bit count to length().
   void recalculateUnitsUsed();
   int logError(int stat);

private:
   void bindCaller(OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits);
   void bindRecord(ASN1TDynBitStr& bitStr);
   void allocOwn(OSUINT32 nbits);
   void copyFrom(const ASN1CBitStr& src, bool extendable);
   void unbound();
   OSOCTET* bits() const { return *mpUnits; }
   bool bitAt(OSUINT32 i) const;
   void putBit(OSUINT32 i, bool on);

   OSUINT32  mOwnNumbits;
   OSOCTET*  mOwnUnits;
   OSOCTET** mpUnits;
   OSUINT32  mMaxNumBits;
   OSUINT32* mpNumBits;
   OSINT32   mUnitsUsed;
   OSINT32   mUnitsAllocated;
   bool      mDynAlloc;
};

#endif
