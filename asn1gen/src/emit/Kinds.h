// How the copy, free, XER and SAX emitters see a value: its kind after
// following type references, the unit whose functions handle it, and the
// index of all units of the program.
#ifndef ASN1GEN_KINDS_H
#define ASN1GEN_KINDS_H

#include <string>
#include <vector>

#include "Model.h"

namespace asn1gen {

enum class VKind {
   None,          // NULL: no value
   Bool, Int, UInt, UInt16, BigInt, Enum,
   Str8,          // 8-bit strings other than UTF8String, times
   Utf8,          // UTF8String
   Str16, Str32,  // BMPString, UniversalString
   Oid, Octets, Bits, Open,
   NamedBits, FixedOctets,
   Constructed    // SEQUENCE, SET, CHOICE, SEQUENCE OF, SET OF
};

struct ValueInfo {
   VKind kind = VKind::None;
   std::string unit;       // the unit named by the node ("" for an inline primitive)
   std::string root;       // the unit at the end of its typedef chain
   Shape rootShape = Shape::Primitive;
   bool namedNumbers = false;   // INTEGER with named numbers, ENUMERATED
};

// Every unit of the program, by name; set once before emitting.
void setUnitIndex(const std::vector<Unit>& all);
const Unit* findUnit(const std::string& name);

ValueInfo valueInfo(Type* t);
// The same for a unit's own value (following its typedef chain).
ValueInfo unitValueInfo(const Unit& u);

// Whether a value of type t (or of the unit) can hold heap memory, so that
// it has (or is part of) an asn1Free_ function.
bool needsFree(Type* t);
bool unitNeedsFree(const Unit& u);

// XER: whether the unit's asn1XE_ takes its value by value (32-bit INTEGER,
// ENUMERATED, big integer).
bool xerByValue(const Unit& u);
bool xerByValueInfo(const ValueInfo& v);

// The element name of a SEQUENCE OF element of type t: the type's name,
// or the XML name of an inline built-in type; "" for a CHOICE.
std::string elementNameOf(Type* t);

// The ASN.1 name of a unit (the assignment's, or the derived name).
std::string asnName(const Unit& u);

// Whether the unit's record carries mpContext (SEQUENCE, SET, CHOICE, list).
bool hasRecordContext(const Unit& u);

}

#endif
