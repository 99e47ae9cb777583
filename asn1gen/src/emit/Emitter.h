// The emitter: writes the generated C++ of every resolved module.
#ifndef ASN1GEN_EMITTER_H
#define ASN1GEN_EMITTER_H

#include <set>
#include <string>

#include "../resolve/Resolver.h"

namespace asn1gen {

// Writes into outDir, for every module, <Module>.h, <Module>.cpp and
// <Module>Reg.cpp (its types in the type registry), and the
// shared record header asn1dataRecords.h. Files whose text is unchanged are
// not rewritten, so that dependent objects are not rebuilt needlessly.
// Modules with information objects or table-constrained types also get
// <Module>Table.h and <Module>Table.cpp.
void emitProgram(Program& prog, const std::string& outDir);

// The names of the modules that get <Module>Table sources.
std::set<std::string> tableModules(Program& prog);

}

#endif
