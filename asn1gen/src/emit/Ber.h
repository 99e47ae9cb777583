// BER/DER encoders asn1E_<T> and decoders asn1D_<T>: one emitter function
// per construct. Encoders write backwards (last component first); decoders
// read components in declaration order, peeking at the next tag to decide
// whether an OPTIONAL or DEFAULT component is present.
#ifndef ASN1GEN_BER_H
#define ASN1GEN_BER_H

#include "Model.h"
#include "Writer.h"

namespace asn1gen {

void declareBerFunctions(const Unit& u, Writer& w);
void emitEncoder(const Unit& u, Writer& w);
// `recursive`: the type can contain itself; its decoder counts the nesting
// depth and refuses input nested deeper than ASN1DATA_MAX_DEPTH.
void emitDecoder(const Unit& u, Writer& w, bool recursive);

// The size and value checks of node t on the value lv (failing with
// ASN1ERR_CONSTRAINT and the parameters path and the size); `self` checks a
// named type's own constraints. The enumerator range check of ENUMERATED.
void emitChecks(Writer& w, Type* t, const std::string& lv, const std::string& path, bool self = false);
void emitEnumCheck(Writer& w, Type* t, const std::string& lv);

// Function name suffix: NULL types take a trailing underscore.
std::string functionName(const Unit& u);

}

#endif
