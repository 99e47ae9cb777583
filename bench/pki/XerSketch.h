// A stand-in XER writer for the floor benchmark: turns the DER of a
// Certificate or CertificateList into an XML document laid out the way the
// library's XER encoder lays out its documents (an XML declaration, element
// names from the component identifiers, a line feed and three spaces per
// level before each start tag, INTEGER in decimal, OBJECT IDENTIFIER in
// dotted form, BIT STRING as "0"/"1" characters, OCTET STRING in upper-case
// hexadecimal, named values and ENUMERATED as empty elements, the reason
// code, invalidity date, CRL number, key identifiers, basic constraints,
// key usage and subject alternative names written as XML inside extnValue,
// other extension values in hexadecimal).
//
// It exists only so that expat's parse time of a realistic document can be
// measured before the generated types write their own XER; once they do,
// the floor parses the library's own document instead (see bench_pki.cpp).
// It reads trusted input (the generated benchmark inputs) and throws
// std::runtime_error on anything it does not expect.
#ifndef QVBENCH_XERSKETCH_H
#define QVBENCH_XERSKETCH_H

#include <string>

#include "PkiInputs.h"

namespace qvbench {

std::string certificateXerSketch(const Bytes& der);
std::string certificateListXerSketch(const Bytes& der);

}

#endif
