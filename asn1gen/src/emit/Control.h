// Control classes ASN1C_<T>: bind a record to a message buffer and run the
// type's encoder or decoder for the buffer's kind (BER so far; other
// buffers get ASN1ERR_NOT_SUPPORTED).
#ifndef ASN1GEN_CONTROL_H
#define ASN1GEN_CONTROL_H

#include "Model.h"
#include "Writer.h"

namespace asn1gen {

bool hasControlClass(const Unit& u);
void declareControlClass(const Unit& u, Writer& w);
void emitControlClass(const Unit& u, Writer& w);

}

#endif
