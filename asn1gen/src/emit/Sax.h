// The SAX side of control classes: getElementID with its elemInfoArray,
// init, startElement, endElement (and finalize for lists) of
// constructed types, parseNamedValue of ENUMERATED and named-number
// INTEGER types. The shared state machine lives in the run-time
// (ASN1XERTypeHandler); the generated code holds the per-component switch.
#ifndef ASN1GEN_SAX_H
#define ASN1GEN_SAX_H

#include "Kinds.h"
#include "Writer.h"

namespace asn1gen {

// Whether the unit's control class decodes XER itself (SEQUENCE, SET,
// CHOICE, SEQUENCE OF, SET OF).
bool hasSaxHandler(const Unit& u);
// The XER conversion of a primitive unit's own value held in lv, from the
// text collected by the ASN1XERValueHandler named handler ("" when the value
// has none); kind receives its ASN1XERValueKind.
std::string valueDecodeCall(const Unit& u, const std::string& lv, const std::string& handler, std::string& kind);
// The same for a value of node t (an inline built-in type) held in lv.
std::string valueDecodeCall(Type* t, const std::string& lv, const std::string& handler, std::string& kind);
// Whether the unit's control class has parseNamedValue.
bool hasNamedValues(const Unit& u);

// Classes the declaration names (forward declarations before it).
std::vector<std::string> saxNestedClasses(const Unit& u);
// Member declarations inside the class body (public part).
void declareSaxMembers(const Unit& u, Writer& w);
// The cached nested handlers (private part).
void declareSaxFields(const Unit& u, Writer& w);
void emitSaxMethods(const Unit& u, Writer& w);
void emitParseNamedValue(const Unit& u, Writer& w);

}

#endif
