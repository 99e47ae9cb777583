// The registration source <Module>Reg.cpp: one table row per top-level type
// of the module, joined to the run-time type registry (asn1Registry.h) when
// the library loads.
#ifndef ASN1GEN_REGISTRY_H
#define ASN1GEN_REGISTRY_H

#include <vector>

#include "Model.h"
#include "Writer.h"

namespace asn1gen {

// Which of the optional functions the generated types have. A row names a
// function only when the emitters produce it; the others are null in the
// table (the registry's users check before calling).
struct RegistryFunctions {
   bool xerEncode = false;   // asn1XE_<T>
   bool xerDecode = false;   // ASN1C_<T>::DecodeFrom over an XER buffer
   bool copy = false;        // asn1Copy_<T>
   bool free = false;        // asn1Free_<T>
};

// The functions the current emitters generate (each row still checks the
// type: no free function where no heap memory is reached, no XER document
// decoder for types decoded only as components).
RegistryFunctions generatedFunctions();

void emitRegistrySource(Module& m, const std::vector<Unit>& units, Writer& w);

}

#endif
