// Benchmarks of the value utilities: big-integer text conversions on
// thousands of digits (the growth with the digit count is reported as a
// complexity estimate), UTF-8 decoding and object identifier text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "asn1type.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { rtInitContext(&c, nullptr); }
   ~Ctxt() { rtFreeContext(&c); }
};

std::string decimalDigits(size_t n)
{
   std::string s;
   for (size_t i = 0; i < n; i++) s += (char)('1' + (i * 7) % 9);
   return s;
}

void BM_BigIntParseDecimal(benchmark::State& state)
{
   std::string text = decimalDigits((size_t)state.range(0));
   for (auto _ : state) {
      Ctxt ctxt;
      ASN1BigInt b;
      rtBigIntInit(&b);
      benchmark::DoNotOptimize(rtBigIntSetStr(&ctxt.c, &b, text.c_str(), 10));
   }
   state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BigIntParseDecimal)->RangeMultiplier(2)->Range(500, 16000)->Complexity();

void BM_BigIntToDecimal(benchmark::State& state)
{
   Ctxt ctxt;
   std::string text = decimalDigits((size_t)state.range(0));
   ASN1BigInt b;
   rtBigIntInit(&b);
   rtBigIntSetStr(&ctxt.c, &b, text.c_str(), 10);
   std::vector<char> out((size_t)state.range(0) + 16);
   for (auto _ : state) {
      benchmark::DoNotOptimize(rtBigIntToString(&ctxt.c, &b, 10, out.data(), (OSUINT32)out.size()));
   }
   state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BigIntToDecimal)->RangeMultiplier(2)->Range(500, 16000)->Complexity();

void BM_BigIntHexRoundTrip(benchmark::State& state)
{
   Ctxt ctxt;
   std::string text = "0x7" + std::string((size_t)state.range(0), 'a');
   std::vector<char> out((size_t)state.range(0) + 16);
   for (auto _ : state) {
      ASN1BigInt b;
      rtBigIntInit(&b);
      rtBigIntSetStr(&ctxt.c, &b, text.c_str(), 0);
      benchmark::DoNotOptimize(rtBigIntToString(&ctxt.c, &b, 16, out.data(), (OSUINT32)out.size()));
      rtBigIntFree(&ctxt.c, &b);
   }
   state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BigIntHexRoundTrip)->RangeMultiplier(4)->Range(1000, 64000)->Complexity();

void BM_UTF8ToWCS(benchmark::State& state)
{
   std::string text;
   for (int i = 0; i < 1000; i++) text += "a\xC3\xA9\xE2\x82\xAC";
   std::vector<wchar_t> out(4000);
   for (auto _ : state) {
      benchmark::DoNotOptimize(rtUTF8ToWCS(nullptr, (const OSOCTET*)text.c_str(), out.data(), 4000));
   }
   state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}
BENCHMARK(BM_UTF8ToWCS);

void BM_OidText(benchmark::State& state)
{
   ASN1OBJID oid;
   char buf[128];
   for (auto _ : state) {
      rtStrToOid("1.2.840.113549.1.9.16.2.47", &oid);
      benchmark::DoNotOptimize(rtOidToStr(&oid, buf, sizeof buf));
   }
}
BENCHMARK(BM_OidText);

}  // namespace
