// Diagnostics of the generator: every problem found in an ASN.1 text is
// reported as "file:line:column: message". The first error stops the run:
// it is thrown as AsnError and turned into a non-zero exit status by main.
#ifndef ASN1GEN_DIAG_H
#define ASN1GEN_DIAG_H

#include <stdexcept>
#include <string>

namespace asn1gen {

// A position in an input file; line and column count from 1.
struct Loc {
   std::string file;
   int line = 0;
   int col = 0;
};

// An error in the input (ASN.1 text or configuration). what() holds the
// complete diagnostic line.
class AsnError : public std::runtime_error {
public:
   AsnError(const Loc& loc, const std::string& message);
   const std::string& message() const { return message_; }
   const Loc& loc() const { return loc_; }
private:
   Loc loc_;
   std::string message_;
};

// Formats "file:line:column: message" (without line and column when unknown).
std::string formatDiag(const Loc& loc, const std::string& message);

[[noreturn]] void fail(const Loc& loc, const std::string& message);

}

#endif
