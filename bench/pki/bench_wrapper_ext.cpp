// The value classes against OpenSSL on the same octets in one run:
//  - a certificate's extension list (the Extensions SEQUENCE inside [3] of
//    the benchmark certificate, 9 extensions) decoded into CExtensions and
//    three extensions looked up by identifier and their values read,
//    against d2i_X509_EXTENSIONS with X509v3_get_ext_by_OBJ and
//    X509_EXTENSION_get_data;
//  - the certificate's 20-byte serial number through its hexadecimal text
//    and back: BigIntegerToString and StringToBigInteger against BN_bin2bn,
//    BN_bn2hex, BN_hex2bn and BN_bn2bin.
// Names are <operation>/<type>/<implementation> as in bench_pki.cpp.
#include <benchmark/benchmark.h>

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <string>

#include "PkiInputs.h"

#if __has_include("PKIX1Explicit88.h")
#define QVBENCH_HAVE_WRAPPER 1
#include "CMS.h"
#include "Extension.h"
#else
#define QVBENCH_HAVE_WRAPPER 0
#endif

using namespace qvbench;

namespace {

// The identifiers looked up: two in the middle of the list and the last.
const char* const kLookups[3] = {"2.5.29.15", "2.5.29.17", "2.5.29.32"};
const int kLookupNids[3] = {NID_key_usage, NID_subject_alt_name, NID_certificate_policies};

struct Tlv {
   const std::uint8_t* begin;
   const std::uint8_t* contents;
   const std::uint8_t* end;
   std::uint8_t tag;
};

// Reads the element at p (DER, low tag numbers); false when it does not fit.
bool readTlv(const std::uint8_t*& p, const std::uint8_t* end, Tlv& t)
{
   if (end - p < 2) return false;
   t.begin = p;
   t.tag = *p++;
   size_t len = *p++;
   if (len & 0x80) {
      size_t k = len & 0x7F;
      if (k == 0 || k > 4 || (size_t)(end - p) < k) return false;
      len = 0;
      while (k-- > 0) len = len << 8 | *p++;
   }
   if ((size_t)(end - p) < len) return false;
   t.contents = p;
   t.end = p + len;
   p = t.end;
   return true;
}

// The first element inside t whose tag is `tag` (0: the first one).
bool child(const Tlv& t, std::uint8_t tag, Tlv& out)
{
   const std::uint8_t* p = t.contents;
   while (p < t.end && readTlv(p, t.end, out))
      if (tag == 0 || out.tag == tag) return true;
   return false;
}

struct CertificateParts {
   Bytes extensions;  // the Extensions SEQUENCE
   Bytes serial;      // the INTEGER's content octets
};

const CertificateParts& certificateParts()
{
   static const CertificateParts parts = [] {
      CertificateParts out;
      const Bytes& der = certificateDer();
      const std::uint8_t* p = der.data();
      Tlv cert, tbs, version, serial, field3, exts;
      if (!readTlv(p, der.data() + der.size(), cert) || !child(cert, 0x30, tbs) || !child(tbs, 0xA0, version))
         return out;
      p = version.end;
      if (readTlv(p, tbs.end, serial)) out.serial.assign(serial.contents, serial.end);
      if (child(tbs, 0xA3, field3) && child(field3, 0x30, exts)) out.extensions.assign(exts.begin, exts.end);
      return out;
   }();
   return parts;
}

void setBytes(benchmark::State& state, size_t perIteration)
{
   state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)perIteration);
   state.counters["octets"] = (double)perIteration;
}

// ---------------------------------------------------------------------------
// Extensions: decode and look up three.

#if QVBENCH_HAVE_WRAPPER
void BM_QvExtensionsLookup(benchmark::State& state)
{
   const Bytes& der = certificateParts().extensions;
   const Corvane::CBlob blob(der.data(), (unsigned long)der.size());
   {
      Corvane::ASN1::CExtensions check;
      check.decode(blob);
      for (const char* oid : kLookups)
         if (check.find(oid) == check.end()) {
            state.SkipWithError("FAILED: an extension is missing");
            return;
         }
   }
   for (auto _ : state) {
      Corvane::ASN1::CExtensions exts;
      exts.decode(blob);
      size_t total = 0;
      for (const char* oid : kLookups) total += exts.find(oid)->get_extnValue().cbData();
      benchmark::DoNotOptimize(total);
   }
   setBytes(state, der.size());
}
BENCHMARK(BM_QvExtensionsLookup)->Name("decode-lookup/Extensions/qvasn1")->Unit(benchmark::kMicrosecond);
#endif

void BM_OpensslExtensionsLookup(benchmark::State& state)
{
   const Bytes& der = certificateParts().extensions;
   const ASN1_OBJECT* objs[3];
   for (int i = 0; i < 3; ++i) objs[i] = OBJ_nid2obj(kLookupNids[i]);
   for (auto _ : state) {
      const unsigned char* p = der.data();
      STACK_OF(X509_EXTENSION)* exts = d2i_X509_EXTENSIONS(nullptr, &p, (long)der.size());
      if (exts == nullptr) {
         state.SkipWithError("FAILED: d2i_X509_EXTENSIONS");
         break;
      }
      size_t total = 0;
      for (const ASN1_OBJECT* obj : objs) {
         int at = X509v3_get_ext_by_OBJ(exts, obj, -1);
         if (at >= 0) total += (size_t)ASN1_STRING_length(X509_EXTENSION_get_data(sk_X509_EXTENSION_value(exts, at)));
      }
      benchmark::DoNotOptimize(total);
      sk_X509_EXTENSION_pop_free(exts, X509_EXTENSION_free);
   }
   setBytes(state, der.size());
}
BENCHMARK(BM_OpensslExtensionsLookup)->Name("decode-lookup/Extensions/openssl")->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Integer text round trip.

#if QVBENCH_HAVE_WRAPPER
void BM_QvBigIntegerText(benchmark::State& state)
{
   const Bytes& serial = certificateParts().serial;
   const Corvane::ASN1::CBigInteger value(serial.data(), (unsigned long)serial.size());
   Corvane::CBlob text;
   Corvane::ASN1::CBigInteger back;
   for (auto _ : state) {
      Corvane::ASN1::BigIntegerToString(value, text);
      Corvane::ASN1::StringToBigInteger(reinterpret_cast<const char*>(text.pbData()), back);
      benchmark::DoNotOptimize(back.pbData());
   }
   if (Corvane::CBlob(back) != Corvane::CBlob(value)) state.SkipWithError("FAILED: the bytes changed");
   setBytes(state, serial.size());
}
BENCHMARK(BM_QvBigIntegerText)->Name("text-round-trip/serial/qvasn1")->Unit(benchmark::kNanosecond);
#endif

void BM_OpensslBigIntegerText(benchmark::State& state)
{
   const Bytes& serial = certificateParts().serial;
   std::vector<unsigned char> back(serial.size() + 1);
   int len = 0;
   for (auto _ : state) {
      BIGNUM* bn = BN_bin2bn(serial.data(), (int)serial.size(), nullptr);
      char* hex = BN_bn2hex(bn);
      BIGNUM* again = nullptr;
      BN_hex2bn(&again, hex);
      len = BN_bn2bin(again, back.data());
      benchmark::DoNotOptimize(back.data());
      OPENSSL_free(hex);
      BN_free(again);
      BN_free(bn);
   }
   if (len != (int)serial.size() || std::memcmp(back.data(), serial.data(), serial.size()) != 0)
      state.SkipWithError("FAILED: the bytes changed");
   setBytes(state, serial.size());
}
BENCHMARK(BM_OpensslBigIntegerText)->Name("text-round-trip/serial/openssl")->Unit(benchmark::kNanosecond);

}  // namespace
