#include "Diag.h"

namespace asn1gen {

std::string formatDiag(const Loc& loc, const std::string& message)
{
   if (loc.line <= 0) return loc.file + ": " + message;
   return loc.file + ":" + std::to_string(loc.line) + ":" +
      std::to_string(loc.col) + ": " + message;
}

AsnError::AsnError(const Loc& loc, const std::string& message)
   : std::runtime_error(formatDiag(loc, message)), loc_(loc), message_(message)
{
}

void fail(const Loc& loc, const std::string& message)
{
   throw AsnError(loc, message);
}

}
