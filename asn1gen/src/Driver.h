// The generator's entry points: load and resolve a set of module files, and
// the command line.
#ifndef ASN1GEN_DRIVER_H
#define ASN1GEN_DRIVER_H

#include <ostream>
#include <string>
#include <vector>

#include "resolve/Resolver.h"

namespace asn1gen {

struct SourceText {
   std::string file;
   std::string text;
};

// Parses every source and the configuration and resolves them together.
// Throws AsnError on the first problem.
Program loadProgram(const std::vector<SourceText>& sources,
                    const std::string& configFile, const std::string& configText);

// The command line: asn1gen [--print] [--config FILE] [--out DIR] FILE...
// Returns the process exit status; diagnostics go to err.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}

#endif
