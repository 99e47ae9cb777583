// XER encoders asn1XE_<T>: one emitter per construct. Element names: the
// outer element is elemName when given, else the type's name ("SEQUENCE_OF",
// "CHOICE" ... for inline types); components are named by their
// identifiers; SEQUENCE OF elements by their type, CHOICE elements by
// nothing (the alternative's element stands alone).
#ifndef ASN1GEN_XER_H
#define ASN1GEN_XER_H

#include "Kinds.h"
#include "Writer.h"

namespace asn1gen {

void declareXerEncoder(const Unit& u, Writer& w);
void emitXerEncoder(const Unit& u, Writer& w);
// The value checks of a SEQUENCE's or SET's present components, or of a
// CHOICE's chosen alternative, over `pvalue` in a function returning int
// (a broken constraint returns -23 with the component as its parameter).
void emitComponentChecks(const Unit& u, Writer& w);
// Those checks as a function of the source file of a SEQUENCE, SET or
// CHOICE unit, shared by its XER encoder and its SAX handler: its name ("":
// nothing to check), and its definition (nothing when there is none).
std::string valueCheckFunction(const Unit& u);
void emitValueCheckFunction(const Unit& u, Writer& w);
// The default outer element name of the unit (and the document element).
std::string xmlTypeName(const Unit& u);
// The XER encoder call of a value of node t held in lv, written as element
// `name` (an expression giving 0 or a negative status).
std::string xerValueCall(Type* t, const std::string& lv, const std::string& name);

}

#endif
