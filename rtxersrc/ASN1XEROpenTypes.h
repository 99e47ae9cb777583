// ASN1XEROpenTypes: what each open type of one XER decode holds.
//
// An open type read from XML ends up in one of three forms: octets (written
// in hexadecimal, form="ber", or captured text that turns out to be octets),
// the XML text of a value captured for an object table to read, or a value
// read in place (its record and BER octets already made, or its failure).
// Octets need no entry; the other two are entered here, while the document
// is read, by the handler that starts the open type (XML text) or by the
// reader of the value in place (the value and its status). The table
// post-decoder of the record holding the open type takes the entry when the
// record ends, and the record's handler then releases what its value
// entered: XML text that no table took is refused there.
//
// One record serves a whole decode: the top-level decode (decodeDocument)
// owns it, the handlers nested in it and the values read in place in it
// share it. Entries are released last in, first out: a handler releases
// from the mark it took when it started, so what the records inside it
// entered is gone when it ends, except the entries of lists, which belong
// to the record around them.
//
// Failures of a value read in place travel only here: the reader enters
// the status with the open type, and the post-decoder raises it.
//
// Look-ups are by the open type's address: a scan while there are few
// entries, then a hash index (linear probing; entries leave it in the
// reverse order of their entry, which leaves it as it was before them), so
// that a document of many open types costs time in proportion to them.
#ifndef ASN1XEROPENTYPES_H
#define ASN1XEROPENTYPES_H

#include <stddef.h>

#include "asn1type.h"

class EXTERNRT ASN1XEROpenTypes {
public:
   // What an entry says the open type holds.
   enum Form { XmlText = 1, ValueRead = 2 };

   ASN1XEROpenTypes() = default;
   ~ASN1XEROpenTypes();

   // The open type holds the captured XML text of a value.
   void noteXmlText(ASN1OpenType* holder) { add(holder, XmlText, 0); }
   // The open type's value was read in place: 0, or the failure to raise.
   void noteValueRead(const ASN1OpenType* holder, int status)
   {
      add(const_cast<ASN1OpenType*>(holder), ValueRead, status);
   }

   // Takes the first entry of holder in the given form that was not taken
   // yet: true when there was one (its status in *status, when given).
   bool take(const ASN1OpenType* holder, Form form, int* status = nullptr)
   {
      Entry* e = find(holder, form);
      if (e == nullptr) return false;
      e->taken = true;
      if (status != nullptr) *status = e->status;
      return true;
   }

   // Where the next entry goes, for release.
   size_t mark() const { return mSize; }
   // The entries from `mark` on are removed. Of the XML text among them that
   // no table took, blank text leaves an empty open type; anything else is
   // ASN1ERR_NOT_SUPPORTED (returned), so that no record keeps XML text
   // where BER octets belong.
   int release(size_t mark)
   {
      if (mark >= mSize) return 0;
      return releaseFrom(mark);
   }
   // The entries from `mark` on are removed, nothing refused (a value that
   // failed: its records are gone).
   void drop(size_t mark)
   {
      if (mark < mSize) pop(mark);
   }

private:
   struct Entry {
      ASN1OpenType* holder;
      int status;
      OSUINT8 form;
      bool taken;
   };
   // Entries up to this count live in the record itself and are found by a
   // scan, without index.
   static const size_t kScan = 16;

   ASN1XEROpenTypes(const ASN1XEROpenTypes&) = delete;
   ASN1XEROpenTypes& operator=(const ASN1XEROpenTypes&) = delete;

   Entry* find(const ASN1OpenType* holder, Form form)
   {
      if (mSlots == nullptr) {
         for (size_t i = 0; i < mSize; ++i) {
            Entry& e = mEntries[i];
            if (e.holder == holder && e.form == form && !e.taken) return &e;
         }
         return nullptr;
      }
      return findIndexed(holder, form);
   }
   void add(ASN1OpenType* holder, Form form, int status)
   {
      if (mSize < mCapacity && mSlots == nullptr) mEntries[mSize++] = Entry{holder, status, static_cast<OSUINT8>(form), false};
      else addIndexed(holder, form, status);
   }
   Entry* findIndexed(const ASN1OpenType* holder, Form form);
   void addIndexed(ASN1OpenType* holder, Form form, int status);
   int releaseFrom(size_t mark);
   void pop(size_t mark);
   size_t slotOf(const ASN1OpenType* holder) const;
   void index(size_t entry);
   void reindex();

   Entry mInline[kScan];
   Entry* mEntries = mInline;      // the entries in the order of entry
   size_t mSize = 0;
   size_t mCapacity = kScan;
   OSUINT32* mSlots = nullptr;     // 1 + the entry's index; 0: empty; null: no index
   size_t mSlotCount = 0;          // a power of two
};

#endif
