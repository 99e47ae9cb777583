// Deep copies asn1Copy_<T> (into <Module>Copy.cpp, with the control-class
// getCopy/newCopy, its copy constructor and the record constructor from a
// control object) and the free functions asn1Free_<T> with the record
// destructors (beside the BER code).
#ifndef ASN1GEN_COPY_H
#define ASN1GEN_COPY_H

#include "Kinds.h"
#include "Writer.h"

namespace asn1gen {

void declareCopyFree(const Unit& u, Writer& w);
void emitCopyFunction(const Unit& u, Writer& w);
void emitFreeFunction(const Unit& u, Writer& w);
// getCopy, newCopy, the control class's copy constructor and
// ASN1T_<T>(ASN1C_<T>&): for units whose record carries mpContext.
void emitCopyMembers(const Unit& u, Writer& w);
void emitRecordDestructor(const Unit& u, Writer& w);

}

#endif
