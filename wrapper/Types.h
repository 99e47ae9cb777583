// Corvane::ASN1 value classes: what every class of the wrapper shares.
//
// The wrapper's value classes own their data in standard containers and in
// the base library's CBlob / CDateTime, and turn themselves into DER in a
// CBlob and back (see TypesTraits.h). Every failure is thrown as
// ATL::CAtlException carrying one of the statuses below.
#ifndef CORVANE_ASN1_TYPES_H
#define CORVANE_ASN1_TYPES_H

#include <list>
#include <memory>
#include <new>
#include <string>

#include "AtlCompat.h"
#include "CorvaneBase.h"
#include "rtexport.h"

namespace Corvane {
namespace ASN1 {

// Statuses thrown by the wrapper (the Windows HRESULT values of the same
// meaning).
constexpr int CRYPT_E_ASN1_INTERNAL = (int)0x80093101;  // an encoder or decoder failed
constexpr int CRYPT_E_ASN1_MEMORY = (int)0x80093106;    // a context or its heap ran out
constexpr int E_INVALIDARG = (int)0x80070057;           // an argument is not acceptable
constexpr int CRYPT_E_ASN1_UTF8 = (int)0x8009310E;      // a UTF-8 text does not convert
constexpr int E_OUTOFMEMORY = (int)0x8007000E;          // an integer conversion ran out

// The ASN.1 character-string type a text value is encoded in.
enum StringType {
   stDefault = 0,    // the type the attribute-type register gives
   stUTF8 = 1,       // UTF8String, universal tag 12
   stPrintable = 2,  // PrintableString, 19
   stTeletex = 3,    // TeletexString, 20
   stBMP = 4,        // BMPString, 30
   stIA5 = 5,        // IA5String, 22
   stUniversal = 6   // UniversalString, 28
};

// The handler of one alternative of a CHOICE: how its value is made, copied
// and released. There is one handler object per alternative type, shared by
// all objects.
class EXTERNRT ChoiceValueTraits {
public:
   virtual ~ChoiceValueTraits() {}
   virtual bool isType(unsigned int type) const = 0;
   virtual void deleteValue(void* value) const = 0;
   // A new value copied from *from (null gives null).
   virtual void* newValue(const void* from) const = 0;
   virtual void copyValue(void* to, const void* from) const = 0;
};

// The handler of the alternative with selector N whose value is a T.
template <class T, unsigned int N>
class ChoiceValueTraitsT : public ChoiceValueTraits {
public:
   bool isType(unsigned int type) const override { return type == N; }
   void deleteValue(void* value) const override { delete static_cast<T*>(value); }
   void* newValue(const void* from) const override
   {
      return from != nullptr ? new T(*static_cast<const T*>(from)) : nullptr;
   }
   void copyValue(void* to, const void* from) const override
   {
      *static_cast<T*>(to) = *static_cast<const T*>(from);
   }

   // The one handler of this alternative in the process (visible across
   // shared objects, so that every module sees the same object).
   __attribute__((visibility("default"))) static const ChoiceValueTraitsT& instance()
   {
      static const ChoiceValueTraitsT handler;
      return handler;
   }
};

// The empty choice: selector 0; its value, when it has one, is a cell holding
// a pointer, copied by value.
typedef ChoiceValueTraitsT<void*, 0> EmptyChoiceTraits;

// The holder of a CHOICE value: the selector (the generated record's
// alternative number, 1 for the first; 0 when nothing is chosen) and the
// owned value of the chosen alternative. A class derived from it maps the
// selectors it supports to their handlers in findTraits, every other
// selector to the empty choice, and calls clear() in its destructor.
class EXTERNRT Choice {
public:
   Choice() : type(0), value(nullptr) {}
   virtual ~Choice() {}
   virtual const ChoiceValueTraits* findTraits(unsigned int type) const = 0;

   // Makes the alternative newType with a copy of *from. The new value is
   // made before the old one is released, so a failure (an unsupported
   // selector: E_INVALIDARG; a copy that throws) leaves the old alternative
   // in place.
   void select(unsigned int newType, const void* from)
   {
      const ChoiceValueTraits* next = findTraits(newType);
      if (next == nullptr || !next->isType(newType)) ATL::AtlThrowImpl(E_INVALIDARG);
      void* made = next->newValue(from);
      const ChoiceValueTraits* cur = findTraits(type);
      if (cur != nullptr) cur->deleteValue(value);
      value = made;
      type = newType;
   }
   // Releases the value: the empty choice.
   void clear()
   {
      const ChoiceValueTraits* cur = findTraits(type);
      if (cur != nullptr) cur->deleteValue(value);
      value = nullptr;
      type = 0;
   }
   // Becomes a copy of other (its selector, a new copy of its value).
   void assign(const Choice& other)
   {
      if (&other == this) return;
      if (other.type == 0 && other.value == nullptr) {
         clear();
         return;
      }
      select(other.type, other.value);
   }
   // The value of the alternative t, or null when another one is chosen.
   const void* valueOf(unsigned int t) const { return type == t ? value : nullptr; }

   unsigned int type;
   void* value;

private:
   Choice(const Choice&) = delete;
   Choice& operator=(const Choice&) = delete;
};

// Optional members: a null source empties the target, otherwise the target
// gets a new copy; the old value is deleted only when the pointer changes
// (so copying a value onto itself is safe).
template <class T>
void copy_to_auto_ptr(std::unique_ptr<T>& to, const T* from)
{
   if (from == nullptr) {
      to.reset();
      return;
   }
   if (from == to.get()) return;
   to.reset(new T(*from));
}

// Both null: equal; one null: different; else the values compared.
template <class T>
bool is_equal_ptr(const T* a, const T* b)
{
   if (a == nullptr || b == nullptr) return a == b;
   return *a == *b;
}

// ---------------------------------------------------------------------------
// X.500 names: each attribute's value held as its DER.

// One attribute of a name: the type's object identifier in dotted text and
// the complete DER (tag, length, contents) of the value.
class EXTERNRT CAttributeTypeAndValue {
public:
   CAttributeTypeAndValue() {}
   CAttributeTypeAndValue(const char* oid, const Corvane::CBlob& value) : m_type(oid ? oid : ""), m_value(value) {}

   const char* get_type() const { return m_type.c_str(); }
   void put_type(const char* oid) { m_type = oid ? oid : ""; }
   const Corvane::CBlob& get_value() const { return m_value; }
   void put_value(const Corvane::CBlob& value) { m_value = value; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   // Equal identifier texts and equal value bytes (so a value's string type
   // matters).
   bool operator==(const CAttributeTypeAndValue& o) const { return m_type == o.m_type && m_value == o.m_value; }
   bool operator!=(const CAttributeTypeAndValue& o) const { return !(*this == o); }

private:
   std::string m_type;
   Corvane::CBlob m_value;
};

typedef std::list<CAttributeTypeAndValue> CAttributeTypeAndValueSet;

// A relative distinguished name: its attributes in the order of the encoding
// (or of the text); equal when the attributes are equal pair by pair.
class EXTERNRT CRelativeDistinguishedName : public CAttributeTypeAndValueSet {
public:
   CRelativeDistinguishedName() {}
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

typedef std::list<CRelativeDistinguishedName> CRDNSequence;

// A name: its RDNs in the order of the encoding (never reversed).
class EXTERNRT CName : public CRDNSequence {
public:
   CName() {}
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

}
}

#endif
