// Target 2: XER decode of every registered type. The first two octets
// choose the type, the rest is the XML document. A value that decodes is
// re-encoded in XER, decoded again and re-encoded: both documents must be
// equal; its DER round trip must hold as well. Types without an XER
// decoder take no part (the input is ignored).
#include "FuzzCommon.h"

#include "asn1type.h"

static int fuzzOne(const uint8_t* data, size_t size)
{
   const Asn1RegEntry* entry = fuzz::selectType(data, size);
   if (entry == nullptr || entry->xerDecode == nullptr) return 0;
   fuzz::Value v(*entry);
   if (v.decodeXer(data, size) != 0) return 0;
   fuzz::checkXerRoundTrip(v);
   fuzz::checkDerRoundTrip(v);
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
   fuzz::meterBegin();
   int r = fuzzOne(data, size);
   fuzz::meterEnd(size);
   return r;
}
