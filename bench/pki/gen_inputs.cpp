// Writes the benchmark inputs to a directory (for inspection, or to run
// other decoders on the same octets) and checks each with OpenSSL: every
// input must parse and every signature must verify.
//
//   qvasn1_bench_inputs <dir> [--max-crl N]
//
// Exit status 0 when every input was written and checked.
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PkiInputs.h"

using namespace qvbench;

namespace {

bool check(const char* what, bool ok)
{
   std::printf("%-34s %s\n", what, ok ? "ok" : "FAILED");
   return ok;
}

}

int main(int argc, char** argv)
{
   if (argc < 2) {
      std::fprintf(stderr, "usage: %s <dir> [--max-crl N]\n", argv[0]);
      return 2;
   }
   std::string dir = argv[1];
   long maxCrl = 1000000;
   if (argc >= 4 && std::strcmp(argv[2], "--max-crl") == 0) maxCrl = std::atol(argv[3]);

   bool ok = true;
   const Bytes& ee = certificateDer();
   const Bytes& ca = caCertificateDer();
   const unsigned char* p = ee.data();
   X509* eeX = d2i_X509(nullptr, &p, (long)ee.size());
   p = ca.data();
   X509* caX = d2i_X509(nullptr, &p, (long)ca.size());
   ok &= check("certificate parses", eeX != nullptr && caX != nullptr);
   if (eeX == nullptr || caX == nullptr) return 1;
   EVP_PKEY* caKey = X509_get0_pubkey(caX);
   ok &= check("certificate signature", X509_verify(eeX, caKey) == 1);
   ok &= writeFile(dir + "/certificate.der", ee);
   ok &= writeFile(dir + "/ca-certificate.der", ca);
   std::printf("certificate.der: %zu octets\n", ee.size());

   for (long n : {1000L, 10000L, 100000L, 1000000L}) {
      if (n > maxCrl) break;
      const Bytes& crl = crlDer(n);
      p = crl.data();
      X509_CRL* c = d2i_X509_CRL(nullptr, &p, (long)crl.size());
      std::string what = "crl-" + std::to_string(n) + " parses and verifies";
      bool good = c != nullptr && p == crl.data() + crl.size() &&
                  sk_X509_REVOKED_num(X509_CRL_get_REVOKED(c)) == n &&
                  X509_CRL_verify(c, caKey) == 1;
      ok &= check(what.c_str(), good);
      X509_CRL_free(c);
      std::string name = dir + "/crl-" + std::to_string(n) + ".der";
      ok &= writeFile(name, crl);
      std::printf("crl-%ld.der: %zu octets\n", n, crl.size());
   }

   const Bytes& cms = cmsSignedDataDer();
   p = cms.data();
   CMS_ContentInfo* ci = d2i_CMS_ContentInfo(nullptr, &p, (long)cms.size());
   bool good = ci != nullptr;
   if (good) {
      X509_STORE* store = X509_STORE_new();
      X509_STORE_add_cert(store, caX);
      X509_VERIFY_PARAM_set_time(X509_STORE_get0_param(store), 1767225600 + 20000);
      // The signature and the message digest; the certificate's key
      // purposes are not what is checked here.
      good = CMS_verify(ci, nullptr, store, nullptr, nullptr,
                        CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) == 1;
      if (!good) ERR_print_errors_fp(stderr);
      X509_STORE_free(store);
   }
   ok &= check("CMS SignedData verifies", good);
   CMS_ContentInfo_free(ci);
   ok &= writeFile(dir + "/cms-signed-data.der", cms);
   std::printf("cms-signed-data.der: %zu octets\n", cms.size());

   X509_free(eeX);
   X509_free(caX);
   return ok ? 0 : 1;
}
