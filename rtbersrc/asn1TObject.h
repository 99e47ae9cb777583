// Asn1TObject: the value holder of a table-constrained component, an open
// type followed by the decoded value of the type its information object
// selects.
#ifndef ASN1TOBJECT_H
#define ASN1TOBJECT_H

#include "asn1type.h"

struct Asn1TObject : public ASN1TOpenType {
   // The decoded record of the object's type, in the context heap; null when
   // the identifier is unknown or the value was not decoded.
   void* decoded;

   Asn1TObject() : decoded(nullptr) {}
};

#endif
