// Runs one operation of the PKI benchmarks a fixed number of times, for
// profilers: instruction counts under callgrind repeat exactly from run to
// run where wall-clock times on a shared machine do not.
//
//   valgrind --tool=callgrind --toggle-collect='*qvprof_loop*'
//            qvasn1_bench_profile decode-crl 1 100000
//
// Operations: decode-cert, encode-cert, xer-encode-cert, xer-decode-cert,
// expat-cert, decode-crl, encode-crl, xer-encode-crl, xer-decode-crl,
// expat-crl, decode-cms. The CRL operations take the number of entries as
// third argument (10000 when left out). The inputs are made and the XER
// documents written before the measured loop, which is the function
// qvprof_loop.
#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CryptographicMessageSyntax.h"
#include "PKIX1Explicit88.h"
#include "PkiInputs.h"
#include "QvXer.h"
#include "asn1BerCppTypes.h"
#include "asn1XerCppTypes.h"

using namespace qvbench;
using namespace asn1data;

namespace {

template <class T, class C>
int decodeDer(const Bytes& der)
{
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   T value;
   C cc(decBuf, value);
   return cc.Decode();
}

template <class T, class C>
int decodeXer(const std::string& doc)
{
   ASN1XERDecodeBuffer decBuf((const OSOCTET*)doc.data(), (OSUINT32)doc.size());
   T value;
   C cc(decBuf, value);
   return cc.Decode();
}

int decodeCms(const Bytes& der)
{
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   ASN1T_ContentInfo ci;
   ASN1C_ContentInfo cc(decBuf, ci);
   int stat = cc.Decode();
   if (stat != 0) return stat;
   ASN1BERDecodeBuffer inner(ci.content.data, (int)ci.content.numocts);
   ASN1T_SignedData sd;
   ASN1C_SignedData sc(inner, sd);
   return sc.Decode();
}

int expatParse(const std::string& doc)
{
   XML_Parser p = XML_ParserCreate(nullptr);
   int ok = XML_Parse(p, doc.data(), (int)doc.size(), 1) == XML_STATUS_OK;
   XML_ParserFree(p);
   return ok ? 0 : -1;
}

// An encoder kept across iterations, as the benchmarks keep theirs.
template <class T, class C, class Buf>
struct Encoder {
   ASN1BERDecodeBuffer decBuf;
   T value;
   C dc;
   Buf encBuf;
   C ec;
   explicit Encoder(const Bytes& der)
      : decBuf(der.data(), (int)der.size()), dc(decBuf, value), ec(encBuf, value)
   {
      if (dc.Decode() != 0) {
         std::fprintf(stderr, "decode failed\n");
         std::exit(1);
      }
   }
   int run() { return ec.Encode() < 0 ? -1 : 0; }
};

}

// The measured loop; not inlined so that callgrind can count it alone.
template <class F>
__attribute__((noinline)) int qvprof_loop(long iterations, F&& f)
{
   int failures = 0;
   for (long i = 0; i < iterations; ++i) failures += f() != 0;
   return failures;
}

int main(int argc, char** argv)
{
   if (argc < 2) {
      std::fprintf(stderr, "usage: %s <operation> [iterations] [crl entries]\n", argv[0]);
      return 2;
   }
   std::string op = argv[1];
   long n = argc > 2 ? std::atol(argv[2]) : 1;
   long entries = argc > 3 ? std::atol(argv[3]) : 10000;
   int failures = -1;
   if (op == "decode-cert") {
      const Bytes& der = certificateDer();
      failures = qvprof_loop(n, [&] { return decodeDer<ASN1T_Certificate, ASN1C_Certificate>(der); });
   } else if (op == "decode-crl") {
      const Bytes& der = crlDer(entries);
      failures = qvprof_loop(n, [&] { return decodeDer<ASN1T_CertificateList, ASN1C_CertificateList>(der); });
   } else if (op == "decode-cms") {
      const Bytes& der = cmsSignedDataDer();
      failures = qvprof_loop(n, [&] { return decodeCms(der); });
   } else if (op == "encode-cert") {
      Encoder<ASN1T_Certificate, ASN1C_Certificate, ASN1BEREncodeBuffer> e(certificateDer());
      failures = qvprof_loop(n, [&] { return e.run(); });
   } else if (op == "encode-crl") {
      Encoder<ASN1T_CertificateList, ASN1C_CertificateList, ASN1BEREncodeBuffer> e(crlDer(entries));
      failures = qvprof_loop(n, [&] { return e.run(); });
   } else if (op == "xer-encode-cert") {
      Encoder<ASN1T_Certificate, ASN1C_Certificate, ASN1XEREncodeBuffer> e(certificateDer());
      failures = qvprof_loop(n, [&] { return e.run(); });
   } else if (op == "xer-encode-crl") {
      Encoder<ASN1T_CertificateList, ASN1C_CertificateList, ASN1XEREncodeBuffer> e(crlDer(entries));
      failures = qvprof_loop(n, [&] { return e.run(); });
   } else if (op == "xer-decode-cert" || op == "expat-cert") {
      std::string doc = qvXer<ASN1T_Certificate, ASN1C_Certificate>(certificateDer());
      if (op == "expat-cert") failures = qvprof_loop(n, [&] { return expatParse(doc); });
      else failures = qvprof_loop(n, [&] { return decodeXer<ASN1T_Certificate, ASN1C_Certificate>(doc); });
   } else if (op == "xer-decode-crl" || op == "expat-crl") {
      std::string doc = qvXer<ASN1T_CertificateList, ASN1C_CertificateList>(crlDer(entries));
      if (op == "expat-crl") failures = qvprof_loop(n, [&] { return expatParse(doc); });
      else failures = qvprof_loop(n, [&] { return decodeXer<ASN1T_CertificateList, ASN1C_CertificateList>(doc); });
   } else {
      std::fprintf(stderr, "unknown operation %s\n", op.c_str());
      return 2;
   }
   if (failures != 0) {
      std::fprintf(stderr, "%s: %d of %ld iterations failed\n", op.c_str(), failures, n);
      return 1;
   }
   return 0;
}
