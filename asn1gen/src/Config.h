// The generator's configuration: the representation choices that are not
// pure rules of the record model. One entry a line:
//
//    <kind> <Module>.<Type>[.<component>]
//
// kinds: bigint (INTEGER as big-integer text), uint16, uint32 (INTEGER held
// unsigned), pointer (a constructed component held by pointer), array (a
// SEQUENCE OF / SET OF in array form), fixed (an OCTET STRING of fixed
// capacity, the upper bound of its SIZE constraint); and xeroctets, which is
// no representation of the record: the XER encoder of a table-constrained
// type writes the value of an identifier outside its object set as its octets
// instead of refusing it. <Type> is the generated
// type name (derived names such as NameForms_otherNameForms included).
// '#' starts a comment. Entries naming a module that is not being generated
// are ignored; entries naming a missing type of a generated module are errors.
#ifndef ASN1GEN_CONFIG_H
#define ASN1GEN_CONFIG_H

#include <string>
#include <vector>

#include "Diag.h"

namespace asn1gen {

enum class Repr { Default, BigInt, UInt16, UInt32, Pointer, Array, Fixed };

struct ConfigEntry {
   Repr repr = Repr::Default;
   bool xerOctets = false;                // xeroctets (repr stays Default)
   std::string module, type, component;   // component empty for a whole type
   Loc loc;
   bool used = false;
};

struct Config {
   std::vector<ConfigEntry> entries;
   // Representation chosen for a type or one of its components.
   Repr lookup(const std::string& module, const std::string& type,
               const std::string& component = "") const;
};

Config parseConfig(const std::string& file, const std::string& text);
const char* reprName(Repr r);

}

#endif
