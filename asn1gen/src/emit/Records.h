// Records ASN1T_<T>: the shared record header (every module's records in one
// dependency order, because the modules embed each other's records both
// ways) and the record constructors.
#ifndef ASN1GEN_RECORDS_H
#define ASN1GEN_RECORDS_H

#include "Model.h"
#include "Writer.h"

namespace asn1gen {

// Whether a component has a presence bit in m: OPTIONAL, or DEFAULT with a
// named value. A literal DEFAULT (TRUE, FALSE, a number) has none.
bool hasPresenceBit(const Component& c);
bool literalDefault(const Component& c);
std::string literalDefaultText(const Component& c);

// The declared C++ type of a component's field ("" for NULL).
std::string fieldType(const Component& c);

void emitRecordsHeader(Program& prog, const std::vector<Unit>& units, Writer& w);
void emitRecordConstructor(const Unit& u, Writer& w);

}

#endif
