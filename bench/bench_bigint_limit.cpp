// Big INTEGER values between DER and XER, the two conversions a hostile
// message can ask for: a DER INTEGER written as the decimal text of XER, and
// the decimal text of an XER document written as DER. Rows at 1 KB, 4 KB and
// 8 KB of magnitude (8 KB is ASN_K_MAXBIGINTBITS, the size limit), then one
// octet past the limit and 64 KB, which are refused before any arithmetic:
// their time is that of reading the digits once.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "asn1ber.h"
#include "asn1type.h"
#include "asn1xer.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { rtInitContext(&c, nullptr); }
   ~Ctxt() { rtFreeContext(&c); }
};

// "0x" and the hexadecimal digits of a positive value of n magnitude octets
// (as the BER decoder gives it), top bit of the first octet clear.
std::string hexValue(size_t n)
{
   std::string s = "0x";
   for (size_t i = 0; i < n; i++) {
      unsigned o = (unsigned)((i * 151 + 7) & 0xFF);
      if (i == 0) o = (o & 0x7F) | 0x40;
      static const char hex[] = "0123456789abcdef";
      s += hex[o >> 4];
      s += hex[o & 15];
   }
   return s;
}

// The decimal digits of a value of n magnitude octets: a digit count that
// gives n octets, with a varied pattern.
std::string decimalValue(size_t n)
{
   size_t digits = n * 8 * 30103 / 100000;   // log10(2^(8n)), rounded down
   std::string s;
   for (size_t i = 0; i < digits; i++) s += (char)('1' + (i * 7) % 9);
   return s;
}

void setLabel(benchmark::State& state, int stat)
{
   state.SetLabel(stat == 0 ? "converted" : stat == ASN1ERR_TOO_BIG ? "refused (-33)" : "failed");
}

// DER INTEGER (as the decoder's hexadecimal text) to the decimal of XER.
void BM_BigIntDerToXerText(benchmark::State& state)
{
   std::string hex = hexValue((size_t)state.range(0));
   int stat = 0;
   for (auto _ : state) {
      Ctxt ctxt;
      xerSetEncBufPtr(&ctxt.c, nullptr, 0, FALSE);
      stat = xerEncBigInt(&ctxt.c, hex.c_str(), "v");
      benchmark::DoNotOptimize(stat);
   }
   setLabel(state, stat);
   state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

// The decimal text of an XER document to its DER INTEGER.
void BM_BigIntXerTextToDer(benchmark::State& state)
{
   std::string text = decimalValue((size_t)state.range(0));
   int stat = 0;
   for (auto _ : state) {
      Ctxt ctxt;
      xe_setp(&ctxt.c, nullptr, 0);
      int len = xe_bigint(&ctxt.c, text.c_str(), ASN1TAG_EXPLICIT);
      stat = len < 0 ? len : 0;
      benchmark::DoNotOptimize(len);
   }
   setLabel(state, stat);
   state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

const int64_t kLimitOctets = ASN_K_MAXBIGINTBITS / 8;

BENCHMARK(BM_BigIntDerToXerText)
   ->Arg(1024)->Arg(4096)->Arg(kLimitOctets)->Arg(kLimitOctets + 1)->Arg(65536)
   ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BigIntXerTextToDer)
   ->Arg(1024)->Arg(4096)->Arg(kLimitOctets)->Arg(kLimitOctets + 1)->Arg(65536)
   ->Unit(benchmark::kMicrosecond);

}
