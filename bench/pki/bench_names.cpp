// Names through the value classes against OpenSSL, on the same DER in one
// run: a typical five-attribute subject decoded into CName and printed in
// its text form, against d2i_X509_NAME and X509_NAME_print_ex into a memory
// BIO.
#include <benchmark/benchmark.h>

#include <openssl/bio.h>
#include <openssl/x509.h>

#include "TypesTraits.h"

namespace {

using Corvane::CBlob;

// C=DE, ST=Berlin, L=Berlin, O=Example GmbH, CN=www.example.com
const CBlob& subjectName()
{
   static const CBlob der = [] {
      CBlob b;
      b.readFromHexString(
         "3060310b3009060355040613024445310f300d06035504080c064265726c696e310f300d06035504070c064265726c696e"
         "31153013060355040a0c0c4578616d706c6520476d62483118301606035504030c0f7777772e6578616d706c652e636f6d");
      return b;
   }();
   return der;
}

void BM_QvNameToText(benchmark::State& state)
{
   const CBlob& der = subjectName();
   for (auto _ : state) {
      Corvane::ASN1::CName name;
      name.decode(der);
      Corvane::CWStringProxy text = name.toString();
      benchmark::DoNotOptimize(text.c_str());
   }
}
BENCHMARK(BM_QvNameToText);

void BM_QvNameToRfc4514(benchmark::State& state)
{
   const CBlob& der = subjectName();
   for (auto _ : state) {
      Corvane::ASN1::CName name;
      name.decode(der);
      Corvane::CWStringProxy text = name.toRFC4514();
      benchmark::DoNotOptimize(text.c_str());
   }
}
BENCHMARK(BM_QvNameToRfc4514);

void BM_OpensslNameToText(benchmark::State& state)
{
   const CBlob& der = subjectName();
   BIO* bio = BIO_new(BIO_s_mem());
   for (auto _ : state) {
      const unsigned char* p = der.pbData();
      X509_NAME* name = d2i_X509_NAME(nullptr, &p, (long)der.cbData());
      if (name == nullptr) state.SkipWithError("d2i_X509_NAME failed");
      X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
      char* text = nullptr;
      benchmark::DoNotOptimize(BIO_get_mem_data(bio, &text));
      (void)BIO_reset(bio);
      X509_NAME_free(name);
   }
   BIO_free(bio);
}
BENCHMARK(BM_OpensslNameToText);

}  // namespace
