// --print: a readable dump of the resolved tree, used by the generator's
// tests and by whoever needs to see what the generator understood.
#ifndef ASN1GEN_PRINTER_H
#define ASN1GEN_PRINTER_H

#include <ostream>

#include "resolve/Resolver.h"

namespace asn1gen {

void printProgram(std::ostream& out, const Program& prog);
// --catalogue: one line per generated type ("type <Module> <Name>") and per
// identifier constant ("oid <Module> <name> <dotted value>").
void printCatalogue(std::ostream& out, const Program& prog);
std::string typeText(const Type& t);
std::string constraintText(const Constraint& c);

}

#endif
