// The library's XER document of a DER input, for the XER rows of the
// benchmark and the profiling program.
#ifndef QVASN1_BENCH_QVXER_H
#define QVASN1_BENCH_QVXER_H

#include <string>

#include "PkiInputs.h"
#include "asn1BerCppTypes.h"
#include "asn1XerCppTypes.h"

namespace qvbench {

// The document of der decoded as T (empty when it does not decode or encode).
template <class T, class C>
std::string qvXer(const Bytes& der)
{
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   T value;
   C dc(decBuf, value);
   if (dc.Decode() != 0) return std::string();
   ASN1XEREncodeBuffer xerBuf;
   C xc(xerBuf, value);
   if (xc.Encode() < 0) return std::string();
   return std::string((const char*)xerBuf.getMsgPtr(), xerBuf.getMsgLen());
}

}  // namespace qvbench

#endif
