#include "ASN1XEROpenTypes.h"

#include <stdint.h>

#include "ASN1XERTypeHandler.h"
#include "asn1ErrCodes.h"

bool ASN1XEROpenTypes::take(const ASN1OpenType* holder, Form form, int* status)
{
   Entry* found = nullptr;
   if (mSlots.empty()) {
      for (Entry& e : mEntries) {
         if (e.holder == holder && e.form == form && !e.taken) {
            found = &e;
            break;
         }
      }
   }
   else {
      const size_t mask = mSlots.size() - 1;
      for (size_t h = slotOf(holder); mSlots[h] != 0; h = (h + 1) & mask) {
         Entry& e = mEntries[mSlots[h] - 1];
         if (e.holder == holder && e.form == form && !e.taken) {
            found = &e;
            break;
         }
      }
   }
   if (found == nullptr) return false;
   found->taken = true;
   if (status != nullptr) *status = found->status;
   return true;
}

void ASN1XEROpenTypes::clear()
{
   mEntries.clear();
   mSlots.clear();
}

void ASN1XEROpenTypes::add(ASN1OpenType* holder, Form form, int status)
{
   mEntries.push_back(Entry{holder, status, static_cast<OSUINT8>(form), false});
   if (!mSlots.empty()) {
      // At most half full, so that a probe ends soon at an empty slot.
      if (2 * mEntries.size() > mSlots.size()) reindex();
      else index(mEntries.size() - 1);
   }
   else if (mEntries.size() > kScan) reindex();
}

int ASN1XEROpenTypes::releaseFrom(size_t mark)
{
   int stat = 0;
   for (size_t i = mark; i < mEntries.size() && stat == 0; ++i) {
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
   if (!mSlots.empty()) {
      // Last in, first out: each entry's slot is emptied as it was filled.
      const size_t mask = mSlots.size() - 1;
      for (size_t i = mEntries.size(); i-- > mark;) {
         size_t h = slotOf(mEntries[i].holder);
         while (mSlots[h] != i + 1) h = (h + 1) & mask;
         mSlots[h] = 0;
      }
   }
   mEntries.resize(mark);
}

size_t ASN1XEROpenTypes::slotOf(const ASN1OpenType* holder) const
{
   const uint64_t k = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(holder)) * 0x9E3779B97F4A7C15ULL;
   return static_cast<size_t>(k >> 32) & (mSlots.size() - 1);
}

void ASN1XEROpenTypes::index(size_t entry)
{
   const size_t mask = mSlots.size() - 1;
   size_t h = slotOf(mEntries[entry].holder);
   while (mSlots[h] != 0) h = (h + 1) & mask;
   mSlots[h] = static_cast<OSUINT32>(entry + 1);
}

void ASN1XEROpenTypes::reindex()
{
   size_t n = 64;
   while (n < 4 * mEntries.size()) n *= 2;
   mSlots.assign(n, 0);
   // In the order of entry, so that entries can leave last in, first out.
   for (size_t i = 0; i < mEntries.size(); ++i) index(i);
}
