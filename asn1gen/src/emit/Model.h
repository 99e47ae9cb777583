// The C++ side of the resolved tree: the units that get artefacts of their
// own, the record type of every type node, tag codes and the bounds of
// constraints. Shared by all emitters.
#ifndef ASN1GEN_MODEL_H
#define ASN1GEN_MODEL_H

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../resolve/Resolver.h"

namespace asn1gen {

// A generated type: one top-level type assignment or one derived type.
struct Unit {
   std::string name;            // ASN1T_<name>, asn1E_<name> ...
   TypePtr type;
   Module* module = nullptr;
   Assignment* assignment = nullptr;   // null for a derived type
   bool topLevel() const { return assignment != nullptr; }
};

// How a unit's record is shaped.
enum class Shape {
   Null,         // no record; functions with a trailing underscore
   Typedef,      // A ::= B: a typedef of B's record
   Primitive,    // a typedef of a run-time record or a scalar
   Sequence, Set, Choice,
   List,         // SEQUENCE OF / SET OF in list form
   Array,        // SEQUENCE OF / SET OF in array form
   NamedBits,    // BIT STRING with named bits: numbits and a fixed array
   FixedOctets   // OCTET STRING of fixed capacity
};

std::vector<Unit> unitsOf(Module& m);
Shape shapeOf(const Unit& u);
Shape shapeOfType(Type* t);

// The unit a type node stands for in generated code: the named type of a
// reference or an inline named type; null for an inline primitive.
// `name` receives the unit's name.
bool unitName(Type* t, std::string& name);

// The C++ record type held for a node: "ASN1T_X" for named types, else the
// run-time scalar or record ("OSINT32", "const char*", "ASN1TObjId" ...).
// Empty for NULL. Fails (diagnostic at the node) for unsupported types.
std::string recordType(Type* t);
// The same for the node's own construct, ignoring its generated name.
std::string primitiveRecordType(Type* t);

// The kind used for primitive encoding after following references.
Type* primitiveBase(Type* t);

// BIT STRING with named bits: the capacity in bits (highest named bit + 1).
uint32_t namedBitsCapacity(Type* t);
// Fixed OCTET STRING: the capacity in octets (upper SIZE bound).
uint32_t fixedOctetsCapacity(Type* t);

// Tag word of a tag: class bits, the number, 0x20000000 when constructed.
uint32_t tagWord(const Tag& tag, bool constructed);
uint32_t universalWord(uint32_t number, bool constructed);
// A tag word as code: the run-time's names of its class, form and number.
std::string tagText(uint32_t w);
// Whether the outermost encoding of t (without its own tags) is constructed.
bool baseConstructed(Type* t);
// Whether the tag written for t's tag k (or t's base when k is past its
// tags) is constructed.
bool constructedFrom(Type* t, size_t k);

// Bounds from a constraint list (root parts only, MIN/MAX open).
struct Bounds {
   std::optional<int64_t> lo, hi;
   bool any() const { return lo || hi; }
};
Bounds sizeBounds(Type* t);     // SIZE constraints of the node itself
Bounds valueBounds(Type* t);    // value ranges / single values of the node

// The 8-bit, 16-bit or 32-bit family of a character string type.
int charWidth(const Type& t);   // 1, 2 or 4
bool isUtf8(const Type& t);

// C++ identifier of a component (hyphens become underscores; C++
// keywords get a trailing underscore).
std::string fieldName(const std::string& asn);

// The type as it reads in ASN.1, for comments beside generated code.
std::string asnText(const Type& t);

// The units whose value can contain a value of the same unit (through
// components, elements and alternatives, at any depth): their decoders
// carry the nesting-depth limit.
std::set<std::string> recursiveUnits(const std::vector<Unit>& all);

// The first tags of a type as (tag word without constructed bit); `any`
// when an open type may start there.
void firstTagWords(Type* t, std::vector<uint32_t>& out, bool& any);

// The OBJECT IDENTIFIER value assignments of a module, as the constants
// they become (C name, arcs), in module order.
struct OidConstant {
   std::string name;
   std::vector<uint32_t> arcs;
};
std::vector<OidConstant> oidConstants(Module& m);

}

#endif
