// Target 4: the top-level messages (certificates, CRLs, requests, CMS,
// OCSP, TSP, CMP, DVCS) from whole DER files, as the corpus holds them, with
// no selector octets. The input is tried as every one of these types, once
// in BER mode and once DER-strict; each decode that succeeds must round-trip
// through DER (decode(encode(decode(x))) encodes the same).
#include "FuzzCommon.h"
#include "asn1ber.h"

static int fuzzOne(const uint8_t* data, size_t size)
{
   static const std::vector<const Asn1RegEntry*> types = asn1RegTopLevelTypes();
   if (size == 0) return 0;
   for (const Asn1RegEntry* entry : types) {
      for (unsigned flags : { 0u, (unsigned)ASN1DERSTRICT }) {
         // The memory meter measures each decode (with its round trip) on
         // its own.
         fuzz::meterBegin();
         fuzz::Value v(*entry);
         size_t consumed = 0;
         bool ok = v.decodeBer(data, size, flags, &consumed) == 0;
         if (ok) fuzz::checkDerRoundTrip(v);
         fuzz::meterEnd(size);
         if (!ok) break;
      }
   }
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
   return fuzzOne(data, size);
}
