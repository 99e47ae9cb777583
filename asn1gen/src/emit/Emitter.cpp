#include "Emitter.h"

namespace asn1gen {

void emitProgram(Program& prog, const std::string& outDir)
{
   (void)prog;
   (void)outDir;
}

}
