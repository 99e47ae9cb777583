#include "ASN1CBitStr.h"

#include <string.h>

#include "rtError.h"
#include "rtMemHeap.h"

namespace {

// Bytes needed for n bits.
OSINT32 unitsFor(OSUINT32 n)
{
   return n == 0 ? 0 : (OSINT32)((n - 1) / 8 + 1);
}

// Mask of the valid bits of the last byte of an n-bit string (n > 0).
OSOCTET lastByteMask(OSUINT32 n)
{
   unsigned r = n % 8;
   return r == 0 ? 0xFF : (OSOCTET)(0xFF << (8 - r));
}

// 1..8: position (MSB first) of the lowest-order set bit of b; 0 for b == 0.
int lastBitPos(OSOCTET b)
{
   for (int pos = 8; pos > 0; pos--) {
      if (b & (0x80 >> (pos - 1))) return pos;
   }
   return 0;
}

enum RangeOp { OP_SET, OP_CLEAR, OP_FLIP };

// Applies op to bits [from, to) of data (from < to).
void applyRange(OSOCTET* data, OSUINT32 from, OSUINT32 to, RangeOp op)
{
   OSUINT32 first = from / 8;
   OSUINT32 last = (to - 1) / 8;
   for (OSUINT32 b = first; b <= last; b++) {
      OSOCTET mask = 0xFF;
      if (b == first) mask &= (OSOCTET)(0xFF >> (from % 8));
      if (b == last) mask &= lastByteMask(to);
      switch (op) {
      case OP_SET: data[b] |= mask; break;
      case OP_CLEAR: data[b] &= (OSOCTET)~mask; break;
      case OP_FLIP: data[b] ^= mask; break;
      }
   }
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and binding

void ASN1CBitStr::unbound()
{
   mOwnNumbits = 0;
   mOwnUnits = nullptr;
   mpUnits = &mOwnUnits;
   mMaxNumBits = 0;
   mpNumBits = &mOwnNumbits;
   mUnitsUsed = 0;
   mUnitsAllocated = 0;
   mDynAlloc = false;
}

void ASN1CBitStr::bindCaller(OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits)
{
   mMaxNumBits = maxNumBits;
   mpNumBits = &numbits;
   mOwnUnits = pBits;
   mpUnits = &mOwnUnits;
   mDynAlloc = false;
   if (pBits == nullptr) {
      // Nothing to write into: every setting operation fails with -5.
      mUnitsUsed = mUnitsAllocated = 0;
      numbits = 0;
      return;
   }
   if (numbits > maxNumBits) numbits = maxNumBits;
   mUnitsUsed = unitsFor(numbits);
   mUnitsAllocated = unitsFor(maxNumBits);
   if (mUnitsUsed > 0) pBits[mUnitsUsed - 1] &= lastByteMask(numbits);
   if (mUnitsAllocated > mUnitsUsed) {
      memset(pBits + mUnitsUsed, 0, (size_t)(mUnitsAllocated - mUnitsUsed));
   }
}

void ASN1CBitStr::bindRecord(ASN1TDynBitStr& bitStr)
{
   mMaxNumBits = ASN1CBITSTR_UNBOUNDED;
   mpNumBits = &bitStr.numbits;
   mpUnits = &bitStr.data;
   mDynAlloc = false;
   if (bitStr.data == nullptr) {
      mUnitsUsed = mUnitsAllocated = 0;
      bitStr.numbits = 0;
      return;
   }
   mUnitsUsed = mUnitsAllocated = unitsFor(bitStr.numbits);
   if (mUnitsUsed > 0) bitStr.data[mUnitsUsed - 1] &= lastByteMask(bitStr.numbits);
}

void ASN1CBitStr::allocOwn(OSUINT32 nbits)
{
   mDynAlloc = true;
   if (nbits == 0) {
      mMaxNumBits = ASN1CBITSTR_UNBOUNDED;
      return;
   }
   mMaxNumBits = nbits;
   OSINT32 units = unitsFor(nbits);
   mOwnUnits = static_cast<OSOCTET*>(rtMemHeapAllocZ(&getCtxtPtr()->memHeap, units));
   mUnitsAllocated = (mOwnUnits != nullptr) ? units : 0;
}

void ASN1CBitStr::copyFrom(const ASN1CBitStr& src, bool extendable)
{
   mOwnNumbits = *src.mpNumBits;
   mMaxNumBits = extendable ? ASN1CBITSTR_UNBOUNDED : src.mMaxNumBits;
   mDynAlloc = true;
   OSINT32 units = extendable ? src.mUnitsUsed + 1024 : src.mUnitsAllocated;
   if (units > 0) {
      mOwnUnits = static_cast<OSOCTET*>(rtMemHeapAllocZ(&getCtxtPtr()->memHeap, units));
   }
   if (mOwnUnits != nullptr) {
      mUnitsAllocated = units;
      mUnitsUsed = src.mUnitsUsed;
      if (mUnitsUsed > 0) memcpy(mOwnUnits, *src.mpUnits, (size_t)mUnitsUsed);
   }
   else {
      mOwnNumbits = 0;
   }
}

ASN1CBitStr::ASN1CBitStr() : ASN1CType()
{
   unbound();
}

ASN1CBitStr::ASN1CBitStr(ASN1MessageBufferIF& msgBuf) : ASN1CType(msgBuf)
{
   unbound();
}

ASN1CBitStr::ASN1CBitStr(ASN1Context& ctxt) : ASN1CType(ctxt)
{
   unbound();
}

ASN1CBitStr::ASN1CBitStr(OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits) : ASN1CType()
{
   unbound();
   bindCaller(pBits, numbits, maxNumBits);
}

ASN1CBitStr::ASN1CBitStr(ASN1MessageBufferIF& msgBuf, OSOCTET* pBits, OSUINT32& numbits,
                         OSUINT32 maxNumBits)
   : ASN1CType(msgBuf)
{
   unbound();
   bindCaller(pBits, numbits, maxNumBits);
}

ASN1CBitStr::ASN1CBitStr(ASN1Context& ctxt, OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits)
   : ASN1CType(ctxt)
{
   unbound();
   bindCaller(pBits, numbits, maxNumBits);
}

ASN1CBitStr::ASN1CBitStr(ASN1TDynBitStr& bitStr) : ASN1CType()
{
   unbound();
   bindRecord(bitStr);
}

ASN1CBitStr::ASN1CBitStr(ASN1MessageBufferIF& msgBuf, ASN1TDynBitStr& bitStr) : ASN1CType(msgBuf)
{
   unbound();
   bindRecord(bitStr);
}

ASN1CBitStr::ASN1CBitStr(ASN1Context& ctxt, ASN1TDynBitStr& bitStr) : ASN1CType(ctxt)
{
   unbound();
   bindRecord(bitStr);
}

ASN1CBitStr::ASN1CBitStr(ASN1MessageBufferIF& msgBuf, OSUINT32 nbits) : ASN1CType(msgBuf)
{
   unbound();
   allocOwn(nbits);
}

ASN1CBitStr::ASN1CBitStr(ASN1Context& ctxt, OSUINT32 nbits) : ASN1CType(ctxt)
{
   unbound();
   allocOwn(nbits);
}

ASN1CBitStr::ASN1CBitStr(const ASN1CBitStr& bitStr) : ASN1CType(bitStr)
{
   unbound();
   copyFrom(bitStr, false);
}

ASN1CBitStr::ASN1CBitStr(const ASN1CBitStr& bitStr, OSBOOL extendable) : ASN1CType(bitStr)
{
   unbound();
   copyFrom(bitStr, extendable != 0);
}

ASN1CBitStr::~ASN1CBitStr()
{
   // A block handed to a bound record stays with the heap: the record still
   // points at it.
   if (mDynAlloc && mpUnits == &mOwnUnits && mOwnUnits != nullptr && getCtxtPtr() != nullptr) {
      rtMemHeapFreePtr(&getCtxtPtr()->memHeap, mOwnUnits);
      mOwnUnits = nullptr;
   }
}

void ASN1CBitStr::init(OSOCTET* pBits, OSUINT32& numbits, OSUINT32 maxNumBits)
{
   // A block owned so far stays with the heap; the caller's buffer is never
   // ours to grow or free.
   mDynAlloc = false;
   mOwnUnits = pBits;
   mpUnits = &mOwnUnits;
   mMaxNumBits = maxNumBits;
   mpNumBits = &numbits;
   mUnitsUsed = (pBits != nullptr) ? unitsFor(numbits) : 0;
   mUnitsAllocated = (pBits != nullptr) ? unitsFor(maxNumBits) : 0;
   // A caller's count may exceed its buffer: never use more than exists.
   if (mUnitsUsed > mUnitsAllocated) mUnitsUsed = mUnitsAllocated;
}

void ASN1CBitStr::init(ASN1TDynBitStr& bitStr)
{
   mDynAlloc = false;
   mpUnits = &bitStr.data;
   mpNumBits = &bitStr.numbits;
   mMaxNumBits = ASN1CBITSTR_UNBOUNDED;
   mUnitsUsed = mUnitsAllocated = (bitStr.data != nullptr) ? unitsFor(bitStr.numbits) : 0;
}

// ---------------------------------------------------------------------------
// Helpers

int ASN1CBitStr::logError(int stat)
{
   ASN1CTXT* pctxt = getCtxtPtr();
   if (pctxt != nullptr) LOG_ASN1ERR(pctxt, stat);
   return stat;
}

int ASN1CBitStr::checkCapacity(int units)
{
   if (mUnitsAllocated < units) {
      if (mMaxNumBits != ASN1CBITSTR_UNBOUNDED) return logError(ASN1ERR_INVALID_LENGTH);
      OSINT32 newUnits = units + 1024;
      OSMemHeap** heap = &getCtxtPtr()->memHeap;
      OSOCTET* p;
      if (mUnitsAllocated > 0 && mDynAlloc && *mpUnits != nullptr) {
         p = static_cast<OSOCTET*>(rtMemHeapRealloc(heap, *mpUnits, newUnits));
         if (p == nullptr) return logError(ASN1ERR_NO_MEMORY);
         memset(p + mUnitsAllocated, 0, (size_t)(newUnits - mUnitsAllocated));
      }
      else if (mUnitsAllocated > 0) {
         // Space that is not ours (a record's data) is copied into our own.
         p = static_cast<OSOCTET*>(rtMemHeapAllocZ(heap, newUnits));
         if (p == nullptr) return logError(ASN1ERR_NO_MEMORY);
         if (mUnitsUsed > 0) memcpy(p, *mpUnits, (size_t)mUnitsUsed);
         mDynAlloc = true;
      }
      else {
         p = static_cast<OSOCTET*>(rtMemHeapAllocZ(heap, newUnits));
         if (p == nullptr) return logError(ASN1ERR_NO_MEMORY);
      }
      *mpUnits = p;
      mUnitsAllocated = newUnits;
   }
   if (mUnitsUsed < units) mUnitsUsed = units;
   return 0;
}

void ASN1CBitStr::recalculateUnitsUsed()
{
   OSOCTET* data = bits();
   while (mUnitsUsed > 0 && (data == nullptr || data[mUnitsUsed - 1] == 0)) mUnitsUsed--;
   *mpNumBits = length();
}

bool ASN1CBitStr::bitAt(OSUINT32 i) const
{
   return (bits()[i / 8] & (0x80 >> (i % 8))) != 0;
}

void ASN1CBitStr::putBit(OSUINT32 i, bool on)
{
   if (on) bits()[i / 8] |= (OSOCTET)(0x80 >> (i % 8));
   else bits()[i / 8] &= (OSOCTET)~(0x80 >> (i % 8));
}

// ---------------------------------------------------------------------------
// Bits and ranges

int ASN1CBitStr::set(OSUINT32 bitIndex)
{
   // An index equal to the maximum passes; it then stands or falls by the
   // space available. The last index of an unbounded string has no count.
   if (bitIndex > mMaxNumBits || bitIndex == ASN1CBITSTR_UNBOUNDED) {
      return logError(ASN1ERR_OUT_OF_BOUNDS);
   }
   int stat = checkCapacity((int)(bitIndex / 8 + 1));
   if (stat != 0) return stat;
   putBit(bitIndex, true);
   if (*mpNumBits < bitIndex + 1) *mpNumBits = bitIndex + 1;
   return 0;
}

int ASN1CBitStr::set(OSUINT32 fromIndex, OSUINT32 toIndex)
{
   if (fromIndex > mMaxNumBits || toIndex > mMaxNumBits) return logError(ASN1ERR_OUT_OF_BOUNDS);
   if (fromIndex > toIndex) return logError(ASN1ERR_RANGE);
   if (fromIndex == toIndex) return 0;
   int stat = checkCapacity((int)((toIndex - 1) / 8 + 1));
   if (stat != 0) return stat;
   if (*mpNumBits < toIndex) *mpNumBits = toIndex;
   applyRange(bits(), fromIndex, toIndex, OP_SET);
   return 0;
}

void ASN1CBitStr::clear()
{
   if (mUnitsUsed > 0 && bits() != nullptr) memset(bits(), 0, (size_t)mUnitsUsed);
   mUnitsUsed = 0;
   *mpNumBits = 0;
}

int ASN1CBitStr::clear(OSUINT32 bitIndex)
{
   if (bitIndex > mMaxNumBits) return logError(ASN1ERR_OUT_OF_BOUNDS);
   if (bitIndex / 8 >= (OSUINT32)mUnitsUsed) return 0;
   putBit(bitIndex, false);
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::clear(OSUINT32 fromIndex, OSUINT32 toIndex)
{
   if (fromIndex > mMaxNumBits || toIndex > mMaxNumBits) return logError(ASN1ERR_OUT_OF_BOUNDS);
   if (fromIndex > toIndex) return logError(ASN1ERR_RANGE);
   if (fromIndex / 8 >= (OSUINT32)mUnitsUsed) return 0;
   OSUINT32 end = (OSUINT32)mUnitsUsed * 8;
   if (toIndex > end) toIndex = end;
   if (fromIndex < toIndex) applyRange(bits(), fromIndex, toIndex, OP_CLEAR);
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::invert(OSUINT32 bitIndex)
{
   if (bitIndex > mMaxNumBits || bitIndex == ASN1CBITSTR_UNBOUNDED) {
      return logError(ASN1ERR_OUT_OF_BOUNDS);
   }
   int stat = checkCapacity((int)(bitIndex / 8 + 1));
   if (stat != 0) return stat;
   putBit(bitIndex, !bitAt(bitIndex));
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::invert(OSUINT32 fromIndex, OSUINT32 toIndex)
{
   if (fromIndex > mMaxNumBits || toIndex > mMaxNumBits) return logError(ASN1ERR_OUT_OF_BOUNDS);
   if (fromIndex > toIndex) return logError(ASN1ERR_RANGE);
   if (fromIndex == toIndex) return 0;
   int stat = checkCapacity((int)((toIndex - 1) / 8 + 1));
   if (stat != 0) return stat;
   applyRange(bits(), fromIndex, toIndex, OP_FLIP);
   recalculateUnitsUsed();
   return 0;
}

OSBOOL ASN1CBitStr::get(OSUINT32 bitIndex)
{
   if (bitIndex > mMaxNumBits || bitIndex / 8 >= (OSUINT32)mUnitsUsed || bits() == nullptr) {
      return FALSE;
   }
   return bitAt(bitIndex) ? TRUE : FALSE;
}

int ASN1CBitStr::get(OSUINT32 fromIndex, OSUINT32 toIndex, OSOCTET* pBuf, int bufSz)
{
   if (fromIndex > mMaxNumBits || toIndex > mMaxNumBits) return logError(ASN1ERR_OUT_OF_BOUNDS);
   if (fromIndex > toIndex) return logError(ASN1ERR_RANGE);
   if (bufSz < 0 || (OSUINT64)(toIndex - fromIndex) > (OSUINT64)bufSz * 8) {
      return logError(ASN1ERR_STRING_OVERFLOW);
   }
   if (bufSz > 0 && pBuf == nullptr) return logError(ASN1ERR_INVALID_PARAM);
   if (bufSz > 0) memset(pBuf, 0, (size_t)bufSz);
   OSUINT32 len = length();
   if (fromIndex < len && fromIndex != toIndex) {
      OSUINT32 end = toIndex < len ? toIndex : len;
      for (OSUINT32 i = fromIndex; i < end; i++) {
         if (bitAt(i)) pBuf[(i - fromIndex) / 8] |= (OSOCTET)(0x80 >> ((i - fromIndex) % 8));
      }
   }
   return 0;
}

int ASN1CBitStr::getBytes(OSOCTET* pBuf, int bufSz)
{
   if (mUnitsUsed > bufSz) return logError(ASN1ERR_INVALID_LENGTH);
   if (bufSz > 0 && pBuf == nullptr) return logError(ASN1ERR_INVALID_PARAM);
   if (mUnitsUsed > 0) memcpy(pBuf, bits(), (size_t)mUnitsUsed);
   if (bufSz > mUnitsUsed) memset(pBuf + mUnitsUsed, 0, (size_t)(bufSz - mUnitsUsed));
   return 0;
}

OSUINT32 ASN1CBitStr::length() const
{
   const OSOCTET* data = bits();
   if (data == nullptr) return 0;
   // Counted from the last byte that holds a set bit, so that untrimmed
   // trailing zero bytes do not count.
   for (OSINT32 u = mUnitsUsed; u > 0; u--) {
      int pos = lastBitPos(data[u - 1]);
      if (pos != 0) return (OSUINT32)(8 * (u - 1) + pos);
   }
   return 0;
}

int ASN1CBitStr::cardinality() const
{
   const OSOCTET* data = bits();
   int count = 0;
   for (OSINT32 u = 0; data != nullptr && u < mUnitsUsed; u++) {
      for (OSOCTET b = data[u]; b != 0; b &= (OSOCTET)(b - 1)) count++;
   }
   return count;
}

int ASN1CBitStr::unusedBitsInLastUnit()
{
   if (mUnitsUsed == 0 || bits() == nullptr) return 0;
   return 8 - lastBitPos(bits()[mUnitsUsed - 1]);
}

ASN1CBitStr::operator ASN1TDynBitStr()
{
   return ASN1TDynBitStr(length(), bits());
}

ASN1CBitStr::operator ASN1TDynBitStr*()
{
   OSMemHeap** heap = &getCtxtPtr()->memHeap;
   ASN1TDynBitStr* rec = static_cast<ASN1TDynBitStr*>(rtMemHeapAllocZ(heap, sizeof(ASN1TDynBitStr)));
   if (rec == nullptr) return nullptr;
   rec->numbits = length();
   rec->data = nullptr;
   if (mUnitsUsed > 0) {
      rec->data = static_cast<OSOCTET*>(rtMemHeapAlloc(heap, mUnitsUsed));
      if (rec->data == nullptr) {
         rtMemHeapFreePtr(heap, rec);
         return nullptr;
      }
      memcpy(rec->data, bits(), (size_t)mUnitsUsed);
   }
   return rec;
}

// ---------------------------------------------------------------------------
// Logical operations

int ASN1CBitStr::doAnd(const OSOCTET* pOctstr, OSUINT32 octsNumbits)
{
   if (octsNumbits == 0) {
      clear();
      return 0;
   }
   if (pOctstr == nullptr || pOctstr == bits()) return logError(ASN1ERR_INVALID_PARAM);
   OSINT32 opUnits = unitsFor(octsNumbits);
   OSINT32 n = opUnits < mUnitsUsed ? opUnits : mUnitsUsed;
   OSOCTET* data = bits();
   for (OSINT32 i = 0; i < n; i++) {
      OSOCTET op = pOctstr[i];
      // The operand has no bits beyond its count: they are zero.
      if (i == opUnits - 1) op &= lastByteMask(octsNumbits);
      data[i] &= op;
   }
   if (mUnitsUsed > n) memset(data + n, 0, (size_t)(mUnitsUsed - n));
   mUnitsUsed = n;
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::doOr(const OSOCTET* pOctstr, OSUINT32 octsNumbits)
{
   if (octsNumbits == 0) {
      if (mMaxNumBits == ASN1CBITSTR_UNBOUNDED) return logError(ASN1ERR_INVALID_PARAM);
      return set(0, mMaxNumBits);
   }
   if (pOctstr == nullptr || pOctstr == bits()) return logError(ASN1ERR_INVALID_PARAM);
   OSUINT32 nbits = octsNumbits < mMaxNumBits ? octsNumbits : mMaxNumBits;
   if (nbits == 0) return 0;
   OSINT32 n = unitsFor(nbits);
   int stat = checkCapacity(n);
   if (stat != 0) return stat;
   OSOCTET* data = bits();
   for (OSINT32 i = 0; i < n - 1; i++) data[i] |= pOctstr[i];
   data[n - 1] |= (OSOCTET)(pOctstr[n - 1] & lastByteMask(nbits));
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::doXor(const OSOCTET* pOctstr, OSUINT32 octsNumbits)
{
   if (octsNumbits == 0) return 0;
   // Growing could move our own storage under the operand.
   if (pOctstr == nullptr || pOctstr == bits()) return logError(ASN1ERR_INVALID_PARAM);
   OSUINT32 nbits = octsNumbits < mMaxNumBits ? octsNumbits : mMaxNumBits;
   if (nbits == 0) return 0;
   OSINT32 n = unitsFor(nbits);
   if (mUnitsUsed < n) {
      int stat = checkCapacity(n);
      if (stat != 0) return stat;
   }
   OSOCTET* data = bits();
   for (OSINT32 i = 0; i < n - 1; i++) data[i] ^= pOctstr[i];
   data[n - 1] ^= (OSOCTET)(pOctstr[n - 1] & lastByteMask(nbits));
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::doAndNot(const OSOCTET* pOctstr, OSUINT32 octsNumbits)
{
   if (octsNumbits == 0) return 0;
   if (pOctstr == nullptr) return logError(ASN1ERR_INVALID_PARAM);
   OSINT32 opUnits = unitsFor(octsNumbits);
   OSINT32 n = opUnits < mUnitsUsed ? opUnits : mUnitsUsed;
   OSOCTET* data = bits();
   for (OSINT32 i = 0; i < n; i++) {
      OSOCTET op = pOctstr[i];
      if (i == opUnits - 1) op &= lastByteMask(octsNumbits);
      data[i] &= (OSOCTET)~op;
   }
   recalculateUnitsUsed();
   return 0;
}

// ---------------------------------------------------------------------------
// Shifts

int ASN1CBitStr::shiftLeft(OSUINT32 shift)
{
   OSUINT32 len = length();
   if (len == 0 || shift == 0) return 0;
   OSUINT32 newLen = shift < len ? len - shift : 0;
   for (OSUINT32 i = 0; i < newLen; i++) putBit(i, bitAt(i + shift));
   OSUINT32 end = (OSUINT32)mUnitsUsed * 8;
   if (newLen < end) applyRange(bits(), newLen, end, OP_CLEAR);
   recalculateUnitsUsed();
   return 0;
}

int ASN1CBitStr::shiftRight(OSUINT32 shift)
{
   OSUINT32 len = length();
   if (len == 0 || shift == 0) return 0;
   if (mMaxNumBits == ASN1CBITSTR_UNBOUNDED) {
      // Every bit is kept: the string grows by `shift` bits.
      if (shift >= ASN1CBITSTR_UNBOUNDED - len) return logError(ASN1ERR_OUT_OF_BOUNDS);
      OSUINT32 newLen = len + shift;
      int stat = checkCapacity((int)((newLen - 1) / 8 + 1));
      if (stat != 0) return stat;
      for (OSUINT32 i = len; i-- > 0;) putBit(i + shift, bitAt(i));
      applyRange(bits(), 0, shift, OP_CLEAR);
   }
   else {
      // The length does not grow: the last `shift` bits are dropped.
      if (shift >= len) {
         clear();
         return 0;
      }
      for (OSUINT32 i = len - shift; i-- > 0;) putBit(i + shift, bitAt(i));
      applyRange(bits(), 0, shift, OP_CLEAR);
      // Bits at or beyond the maximum are dropped from the byte that holds
      // the maximum.
      if (mUnitsUsed > 0 && mUnitsUsed == unitsFor(mMaxNumBits)) {
         bits()[mUnitsUsed - 1] &= lastByteMask(mMaxNumBits);
      }
   }
   recalculateUnitsUsed();
   return 0;
}
