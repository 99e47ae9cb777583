// BER/DER encoders asn1E_<T> and decoders asn1D_<T>: one emitter function
// per construct. Encoders write backwards (last component first); decoders
// read components in declaration order, peeking at the next tag to decide
// whether an OPTIONAL or DEFAULT component is present.
#ifndef ASN1GEN_BER_H
#define ASN1GEN_BER_H

#include <functional>

#include "Model.h"
#include "Writer.h"

namespace asn1gen {

void declareBerFunctions(const Unit& u, Writer& w);
void emitEncoder(const Unit& u, Writer& w);
// `recursive`: the type can contain itself; its decoder counts the nesting
// depth and refuses input nested deeper than ASN1DATA_MAX_DEPTH.
void emitDecoder(const Unit& u, Writer& w, bool recursive);

// How a decoder fails inside a component: the expression returned for the
// status expression `stat` (null: LOG_ASN1ERR(pctxt, stat)), so that the
// failure names the component in the error path.
using FailExpr = std::function<std::string(const std::string& stat)>;

// The size and value checks of node t on the value lv (failing with
// ASN1ERR_CONSTRAINT and the parameters path and the size, through onFail);
// `self` checks a named type's own constraints. The enumerator range check
// of ENUMERATED.
void emitChecks(Writer& w, Type* t, const std::string& lv, const std::string& path, bool self = false,
                const FailExpr& onFail = nullptr);
void emitEnumCheck(Writer& w, Type* t, const std::string& lv);

// Function name suffix: NULL types take a trailing underscore.
std::string functionName(const Unit& u);

// The encoder call of the value lv of node t, its tags written (explicit
// tagging): an expression giving the length or a negative status.
std::string berEncodeExpr(Type* t, const std::string& lv);
// Statements that decode node t with its tags into lv; they need `int stat`
// in scope and return the status on failure (through onFail).
void emitBerDecodeValue(Writer& w, Type* t, const std::string& lv, const FailExpr& onFail = nullptr);
// The ASN.1 name of node t for messages: the referenced name or the built-in
// type's, without tags ("Extensions", "INTEGER", "SEQUENCE OF Extension").
std::string typeLabel(const Type& t);

}

#endif
