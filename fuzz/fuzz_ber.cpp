// Target 1: BER decode of every registered type. The first two octets
// choose the type, the rest is the message. A value that decodes is
// re-encoded in DER, decoded again and re-encoded: both encodings must be
// equal. Records are freed and contexts released after every input.
#include "FuzzCommon.h"

static int fuzzOne(const uint8_t* data, size_t size)
{
   const Asn1RegEntry* entry = fuzz::selectType(data, size);
   if (entry == nullptr || size == 0) return 0;
   fuzz::Value v(*entry);
   size_t consumed = 0;
   if (v.decodeBer(data, size, 0, &consumed) == 0) fuzz::checkDerRoundTrip(v);
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
   fuzz::meterBegin();
   int r = fuzzOne(data, size);
   fuzz::meterEnd(size);
   return r;
}
