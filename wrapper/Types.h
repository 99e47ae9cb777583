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

class CAttributeTypeAndValue;
class CAttrValue;

// One row of the register of attribute types known by a short name: the
// type's identifier, its name in the text form, the string type a text value
// is encoded in by default and the longest text value accepted (in wide
// characters). Constructing a row with its four values appends a copy to
// registered_; the library's rows are made at load time and never change.
class EXTERNRT CATAVRegister {
public:
   typedef std::list<CATAVRegister> List;

   CATAVRegister(const char* oid, const wchar_t* name, StringType type, unsigned long maxLength);
   CATAVRegister(const CATAVRegister&) = default;
   CATAVRegister& operator=(const CATAVRegister&) = default;

   const std::string& oid() const { return m_oid; }
   const std::wstring& name() const { return m_name; }
   StringType type() const { return m_type; }
   unsigned long maxLength() const { return m_maxLength; }

   static List registered_;

   // The first row of that identifier / that name (exact, case-sensitive),
   // or registered_.end().
   static List::const_iterator find(const char* oid);
   static List::const_iterator find(const wchar_t* name);
   // The row's name, or the identifier itself.
   static std::wstring typeToStr(const char* oid);
   // The row's identifier, or the name narrowed (so a dotted identifier
   // given as a name is taken as itself).
   static std::string typeFromStr(const wchar_t* name);
   // A registered type's value as its text (any character-string type; a
   // value that is not one throws CRYPT_E_ASN1_INTERNAL); another type's
   // value as "#" and the hexadecimal digits of its DER.
   static std::wstring valueToStr(const char* oid, const Corvane::CBlob& value);
   // The reverse: a registered type's text encoded in the given string type
   // (its row's type for stDefault; longer than the row allows:
   // E_INVALIDARG); another type's text read as "#" and hexadecimal digits
   // (an empty text, or one without digits after the "#": E_INVALIDARG).
   static Corvane::CBlob valueFromStr(const char* oid, const wchar_t* text, StringType type);
   static CAttributeTypeAndValue makeATAV(const wchar_t* name, const wchar_t* text, StringType type);
   // From "name=value": everything before the first "=" is the name,
   // everything after it the value; nothing is trimmed. No "=": E_INVALIDARG.
   static CAttributeTypeAndValue makeATAV(const wchar_t* text, StringType type);

private:
   std::string m_oid;
   std::wstring m_name;
   StringType m_type;
   unsigned long m_maxLength;
};

// One attribute of a name: the type's object identifier in dotted text and
// the complete DER (tag, length, contents) of the value.
class EXTERNRT CAttributeTypeAndValue {
public:
   CAttributeTypeAndValue() {}
   CAttributeTypeAndValue(const char* oid, const Corvane::CBlob& value) : m_type(oid ? oid : ""), m_value(value) {}
   CAttributeTypeAndValue(const wchar_t* name, const wchar_t* text, StringType type);
   CAttributeTypeAndValue(const wchar_t* text, StringType type);
   // The attribute value's type and encoded value.
   explicit CAttributeTypeAndValue(const CAttrValue& value);

   const char* get_type() const { return m_type.c_str(); }
   void put_type(const char* oid) { m_type = oid ? oid : ""; }
   const Corvane::CBlob& get_value() const { return m_value; }
   void put_value(const Corvane::CBlob& value) { m_value = value; }

   Corvane::CWStringProxy get_type_str() const;
   void put_type_str(const wchar_t* name);
   Corvane::CWStringProxy get_value_str() const;
   void put_value_str(const wchar_t* text, StringType type);

   // "type=value" in the register's names.
   Corvane::CWStringProxy toString() const;
   void fromString(const wchar_t* text, StringType type);

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   // Equal identifier texts and equal value bytes (so a value's string type
   // matters).
   bool operator==(const CAttributeTypeAndValue& o) const { return m_type == o.m_type && m_value == o.m_value; }
   bool operator!=(const CAttributeTypeAndValue& o) const { return !(*this == o); }

private:
   friend struct ASN1T_AttributeTypeAndValue_traits;
   std::string m_type;
   Corvane::CBlob m_value;
};

typedef std::list<CAttributeTypeAndValue> CAttributeTypeAndValueSet;

// A relative distinguished name: its attributes in the order of the encoding
// (or of the text); equal when the attributes are equal pair by pair.
//
// The text form joins the attributes' texts with "+". There is no quoting:
// a "+" always separates, so a value holding one cannot be written this way
// (the RFC 4514 form of CName can).
class EXTERNRT CRelativeDistinguishedName : public CAttributeTypeAndValueSet {
public:
   CRelativeDistinguishedName() {}
   explicit CRelativeDistinguishedName(const wchar_t* text) { fromString(text); }

   Corvane::CWStringProxy toString() const;
   // Appends one attribute per "+"-separated piece (register string types).
   void fromString(const wchar_t* text);

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

typedef std::list<CRelativeDistinguishedName> CRDNSequence;

// A name: its RDNs in the order of the encoding (never reversed).
//
// toString() / fromString() are the designed text form: RDNs joined by ","
// in encoding order, no quoting. toRFC4514() / fromRFC4514() are the
// standard string form: most specific RDN first, special characters escaped,
// and "#" with the hexadecimal DER for a value of a type outside the
// register or in another string type than its row's, so that every string
// the writer produces reads back to the same DER.
class EXTERNRT CName : public CRDNSequence {
public:
   CName() {}
   explicit CName(const wchar_t* text) { fromString(text); }

   Corvane::CWStringProxy toString() const;
   // Appends one RDN per ","-separated piece.
   void fromString(const wchar_t* text);

   // With exact false every value of a registered type that holds text is
   // written as text whatever its string type (a form to show, which may
   // read back in another string type).
   Corvane::CWStringProxy toRFC4514(bool exact = true) const;
   // Replaces the name by the one the text gives. A text that is not a
   // string of RFC 4514 throws E_INVALIDARG, a value a type cannot hold
   // CRYPT_E_ASN1_INTERNAL; the name is then unchanged.
   void fromRFC4514(const wchar_t* text);

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

// The text forms from UTF-16 text (surrogate pairs combined).
EXTERNRT void fromString(CRelativeDistinguishedName& rdn, const unsigned short* text);
EXTERNRT void fromString(CName& name, const unsigned short* text);

// ---------------------------------------------------------------------------
// General names, distribution points and access descriptions.

class EXTERNRT CGeneralNameImpl : public Choice {
public:
   ~CGeneralNameImpl() override { clear(); }
   const ChoiceValueTraits* findTraits(unsigned int type) const override;
};

// The X.509 GeneralName CHOICE. Supported alternatives (the selector is the
// generated record's): rfc822Name (2), dNSName (3), directoryName (5, the
// DER of a whole Name), uniformResourceIdentifier (7), iPAddress (8, the
// address bytes), registeredID (9, dotted text). otherName, x400Address and
// ediPartyName are not: decoding one throws E_INVALIDARG, as does encoding
// the empty choice. Setters store their argument unchecked; a text an
// IA5String cannot carry or a registeredID that is not an identifier fails
// when encoded.
class EXTERNRT CGeneralName {
public:
   enum Type {
      none = 0,
      rfc822Name = 2,
      dNSName = 3,
      directoryName = 5,
      uniformResourceIdentifier = 7,
      iPAddress = 8,
      registeredID = 9
   };

   CGeneralName() {}
   CGeneralName(const CGeneralName& o) { m_impl.assign(o.m_impl); }
   CGeneralName& operator=(const CGeneralName& o)
   {
      m_impl.assign(o.m_impl);
      return *this;
   }
   ~CGeneralName() {}

   void clear() { m_impl.clear(); }
   unsigned int get_type() const { return m_impl.type; }

   const wchar_t* get_rfc822Name() const { return text(rfc822Name); }
   const wchar_t* get_dNSName() const { return text(dNSName); }
   const Corvane::CBlob* get_directoryName() const { return blob(directoryName); }
   const wchar_t* get_uniformResourceIdentifier() const { return text(uniformResourceIdentifier); }
   const Corvane::CBlob* get_iPAddress() const { return blob(iPAddress); }
   const wchar_t* get_registeredID() const { return text(registeredID); }

   void put_rfc822Name(const wchar_t* v) { putText(rfc822Name, v); }
   void put_dNSName(const wchar_t* v) { putText(dNSName, v); }
   void put_directoryName(const Corvane::CBlob& v) { m_impl.select(directoryName, &v); }
   void put_uniformResourceIdentifier(const wchar_t* v) { putText(uniformResourceIdentifier, v); }
   void put_iPAddress(const Corvane::CBlob& v) { m_impl.select(iPAddress, &v); }
   void put_registeredID(const wchar_t* v) { putText(registeredID, v); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
   // "dNSName: example.com" and so on; a directory name in its designed text
   // form; "" for the empty choice.
   Corvane::CWStringProxy toString() const;

   bool operator==(const CGeneralName& o) const;
   bool operator!=(const CGeneralName& o) const { return !(*this == o); }

private:
   const wchar_t* text(unsigned int t) const
   {
      const void* v = m_impl.valueOf(t);
      return v != nullptr ? static_cast<const std::wstring*>(v)->c_str() : nullptr;
   }
   const Corvane::CBlob* blob(unsigned int t) const { return static_cast<const Corvane::CBlob*>(m_impl.valueOf(t)); }
   void putText(unsigned int t, const wchar_t* v)
   {
      std::wstring s = v != nullptr ? v : L"";
      m_impl.select(t, &s);
   }

   CGeneralNameImpl m_impl;
};

// The GeneralNames list, in encoding order.
class EXTERNRT CGeneralNames : public std::list<CGeneralName> {
public:
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

class EXTERNRT CDistributionPointNameImpl : public Choice {
public:
   ~CDistributionPointNameImpl() override { clear(); }
   const ChoiceValueTraits* findTraits(unsigned int type) const override;
};

// DistributionPointName: fullName (1) only; nameRelativeToCRLIssuer is not
// supported (E_INVALIDARG when decoded; the empty choice does not encode).
class EXTERNRT CDistributionPointName {
public:
   CDistributionPointName() {}
   explicit CDistributionPointName(const CGeneralNames& fullName) { put_fullName(fullName); }
   CDistributionPointName(const CDistributionPointName& o) { m_impl.assign(o.m_impl); }
   CDistributionPointName& operator=(const CDistributionPointName& o)
   {
      m_impl.assign(o.m_impl);
      return *this;
   }

   void clear() { m_impl.clear(); }
   unsigned int get_type() const { return m_impl.type; }
   const CGeneralNames* get_fullName() const { return static_cast<const CGeneralNames*>(m_impl.valueOf(1)); }
   void put_fullName(const CGeneralNames& names) { m_impl.select(1, &names); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CDistributionPointName& o) const
   {
      return get_type() == o.get_type() && is_equal_ptr(get_fullName(), o.get_fullName());
   }
   bool operator!=(const CDistributionPointName& o) const { return !(*this == o); }

private:
   CDistributionPointNameImpl m_impl;
};

// ReasonFlags: bit n of the BIT STRING is value bit 1 << n. Bits 0 to 15 can
// be encoded; a bit number above 31 lies outside the value (get_bit gives
// false, put_bit changes nothing).
class EXTERNRT CReasonFlags {
public:
   enum Flag {
      unused = 1u << 0,
      keyCompromise = 1u << 1,
      cACompromise = 1u << 2,
      affiliationChanged = 1u << 3,
      superseded = 1u << 4,
      cessationOfOperation = 1u << 5,
      certificateHold = 1u << 6,
      privilegeWithdrawn = 1u << 7,
      aACompromise = 1u << 8
   };

   explicit CReasonFlags(unsigned int value = 0) : m_value(value) {}

   unsigned int get_value() const { return m_value; }
   void put_value(unsigned int value) { m_value = value; }
   bool get_bit(unsigned int n) const { return n < 32 && (m_value & (1u << n)) != 0; }
   void put_bit(unsigned int n, bool on)
   {
      if (n >= 32) return;
      if (on) m_value |= 1u << n;
      else m_value &= ~(1u << n);
   }
   void add_flag(Flag f) { m_value |= (unsigned int)f; }
   void remove_flag(Flag f) { m_value &= ~(unsigned int)f; }
   bool get_flag(Flag f) const { return (m_value & (unsigned int)f) != 0; }

   // A value with bits above 15 set does not encode (E_INVALIDARG).
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CReasonFlags& o) const { return m_value == o.m_value; }
   bool operator!=(const CReasonFlags& o) const { return m_value != o.m_value; }

private:
   unsigned int m_value;
};

// DistributionPoint: three optional members, all absent in a new object. An
// empty cRLIssuer list is written as absent.
class EXTERNRT CDistributionPoint {
public:
   CDistributionPoint() {}
   CDistributionPoint(const CDistributionPoint& o) { *this = o; }
   CDistributionPoint& operator=(const CDistributionPoint& o)
   {
      if (&o == this) return *this;
      put_distributionPoint(o.get_distributionPoint());
      put_reasons(o.get_reasons());
      put_cRLIssuer(o.get_cRLIssuer());
      return *this;
   }

   void clear()
   {
      m_distributionPoint.reset();
      m_reasons.reset();
      m_cRLIssuer.reset();
   }
   const CDistributionPointName* get_distributionPoint() const { return m_distributionPoint.get(); }
   const CReasonFlags* get_reasons() const { return m_reasons.get(); }
   const CGeneralNames* get_cRLIssuer() const { return m_cRLIssuer.get(); }
   void put_distributionPoint(const CDistributionPointName* v) { copy_to_auto_ptr(m_distributionPoint, v); }
   void put_reasons(const CReasonFlags* v) { copy_to_auto_ptr(m_reasons, v); }
   void put_cRLIssuer(const CGeneralNames* v) { copy_to_auto_ptr(m_cRLIssuer, v); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CDistributionPoint& o) const
   {
      return is_equal_ptr(get_cRLIssuer(), o.get_cRLIssuer()) &&
             is_equal_ptr(get_distributionPoint(), o.get_distributionPoint()) &&
             is_equal_ptr(get_reasons(), o.get_reasons());
   }
   bool operator!=(const CDistributionPoint& o) const { return !(*this == o); }

private:
   std::unique_ptr<CDistributionPointName> m_distributionPoint;
   std::unique_ptr<CReasonFlags> m_reasons;
   std::unique_ptr<CGeneralNames> m_cRLIssuer;
};

// CRLDistributionPoints.
class EXTERNRT CCRLDistPointsSyntax : public std::list<CDistributionPoint> {
public:
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

// AccessDescription: the method's identifier and the location.
class EXTERNRT CAccessDescription {
public:
   CAccessDescription() {}
   CAccessDescription(const char* method, const CGeneralName& location)
      : m_method(method ? method : ""), m_location(location)
   {
   }

   const char* get_accessMethod() const { return m_method.c_str(); }
   const CGeneralName& get_accessLocation() const { return m_location; }
   void put_accessMethod(const char* method) { m_method = method ? method : ""; }
   void put_accessLocation(const CGeneralName& location) { m_location = location; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CAccessDescription& o) const { return m_method == o.m_method && m_location == o.m_location; }
   bool operator!=(const CAccessDescription& o) const { return !(*this == o); }

private:
   std::string m_method;
   CGeneralName m_location;
};

// AuthorityInfoAccessSyntax.
class EXTERNRT CAuthorityInfoAccessSyntax : public std::list<CAccessDescription> {
public:
   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

}
}

#endif
