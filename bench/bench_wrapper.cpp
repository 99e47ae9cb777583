// What the value classes add to the generated codecs: a typical subject name
// decoded and re-encoded through the wrapper (CName, its traits and the
// encode / decode templates) against the generated control class alone, on
// the same DER in one run. The ratio of the two rows is the wrapper's cost.
#include <benchmark/benchmark.h>

#include "TypesTraits.h"

namespace {

using Corvane::CBlob;

// C=DE, ST=Berlin, L=Berlin, O=Example GmbH, CN=www.example.com
CBlob subjectName()
{
   CBlob b;
   b.readFromHexString(
      "3060310b3009060355040613024445310f300d06035504080c064265726c696e310f300d06035504070c064265726c696e"
      "31153013060355040a0c0c4578616d706c6520476d62483118301606035504030c0f7777772e6578616d706c652e636f6d");
   return b;
}

void BM_NameGenerated(benchmark::State& state)
{
   CBlob der = subjectName();
   for (auto _ : state) {
      ASN1BERDecodeBuffer dec(der.pbData(), (int)der.cbData());
      asn1data::ASN1T_Name rec;
      asn1data::ASN1C_Name decoder(dec, rec);
      if (decoder.Decode() != 0) state.SkipWithError("decode failed");
      ASN1BEREncodeBuffer enc;
      asn1data::ASN1C_Name encoder(enc, rec);
      int len = encoder.Encode();
      if (len != (int)der.cbData()) state.SkipWithError("encode failed");
      benchmark::DoNotOptimize(enc.getMsgPtr());
   }
}
BENCHMARK(BM_NameGenerated);

void BM_NameWrapper(benchmark::State& state)
{
   CBlob der = subjectName();
   for (auto _ : state) {
      Corvane::ASN1::CName name;
      name.decode(der);
      CBlob out = name.encode();
      if (out.cbData() != der.cbData()) state.SkipWithError("encode failed");
      benchmark::DoNotOptimize(out.pbData());
   }
}
BENCHMARK(BM_NameWrapper);

}  // namespace
