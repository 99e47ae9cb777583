#include "ASN1XEROpenTypes.h"

#include <stdint.h>
#include <string.h>

#include <new>

#include "ASN1XERTypeHandler.h"
#include "asn1ErrCodes.h"

ASN1XEROpenTypes::~ASN1XEROpenTypes()
{
   if (mEntries != mInline) delete[] mEntries;
   delete[] mSlots;
}

ASN1XEROpenTypes::Entry* ASN1XEROpenTypes::findIndexed(const ASN1OpenType* holder, Form form)
{
   const size_t mask = mSlotCount - 1;
   for (size_t h = slotOf(holder); mSlots[h] != 0; h = (h + 1) & mask) {
      Entry& e = mEntries[mSlots[h] - 1];
      if (e.holder == holder && e.form == form && !e.taken) return &e;
   }
   return nullptr;
}

void ASN1XEROpenTypes::addIndexed(ASN1OpenType* holder, Form form, int status)
{
   if (mSize == mCapacity) {
      // A decode of more open types than the record holds by itself: the
      // entries move to the heap (a failure to get memory throws).
      Entry* grown = new Entry[2 * mCapacity];
      memcpy(grown, mEntries, mSize * sizeof(Entry));
      if (mEntries != mInline) delete[] mEntries;
      mEntries = grown;
      mCapacity *= 2;
   }
   mEntries[mSize++] = Entry{holder, status, static_cast<OSUINT8>(form), false};
   // At most a quarter full, so that a probe ends soon at an empty slot.
   if (mSlots == nullptr ? mSize > kScan : 4 * mSize > mSlotCount) reindex();
   else if (mSlots != nullptr) index(mSize - 1);
}

int ASN1XEROpenTypes::releaseFrom(size_t mark)
{
   int stat = 0;
   for (size_t i = mark; i < mSize && stat == 0; ++i) {
      const Entry& e = mEntries[i];
      if (e.form != XmlText || e.taken) continue;
      ASN1OpenType* holder = e.holder;
      if (holder->numocts > 0 && (holder->data == nullptr ||
                                  !xerIsBlankText(reinterpret_cast<const char*>(holder->data), holder->numocts)))
         stat = ASN1ERR_NOT_SUPPORTED;
      else {
         holder->numocts = 0;
         holder->data = nullptr;
      }
   }
   pop(mark);
   return stat;
}

void ASN1XEROpenTypes::pop(size_t mark)
{
   if (mSlots != nullptr) {
      // Last in, first out: each entry's slot is emptied as it was filled.
      const size_t mask = mSlotCount - 1;
      for (size_t i = mSize; i-- > mark;) {
         size_t h = slotOf(mEntries[i].holder);
         while (mSlots[h] != i + 1) h = (h + 1) & mask;
         mSlots[h] = 0;
      }
   }
   mSize = mark;
}

size_t ASN1XEROpenTypes::slotOf(const ASN1OpenType* holder) const
{
   const uint64_t k = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(holder)) * 0x9E3779B97F4A7C15ULL;
   return static_cast<size_t>(k >> 32) & (mSlotCount - 1);
}

void ASN1XEROpenTypes::index(size_t entry)
{
   const size_t mask = mSlotCount - 1;
   size_t h = slotOf(mEntries[entry].holder);
   while (mSlots[h] != 0) h = (h + 1) & mask;
   mSlots[h] = static_cast<OSUINT32>(entry + 1);
}

void ASN1XEROpenTypes::reindex()
{
   size_t n = 64;
   while (n < 8 * mSize) n *= 2;
   OSUINT32* slots = new OSUINT32[n]();
   delete[] mSlots;
   mSlots = slots;
   mSlotCount = n;
   // In the order of entry, so that entries can leave last in, first out.
   for (size_t i = 0; i < mSize; ++i) index(i);
}
