// Whole PKI messages decoded and encoded by qvasn1 and by OpenSSL 3 on the
// same inputs in one run, with two floors: a bare tag-length walk over the
// DER and expat parsing the XER document with no handlers. Names are
// <operation>/<type>/<implementation> so that runs compare mechanically;
// every benchmark reports bytes per second of the encoding it reads or
// writes (DER for decode/encode, the XML document for xer-*).
//
// Inputs (see PkiInputs.h): the 1.4 KB certificate; the 100k-entry CRL for
// decode/encode CertificateList (a scaling series 1k..1M under
// decode-scaling/); the 10k-entry CRL for the xer-* CertificateList rows
// and their expat floor; the CMS SignedData for decode/ContentInfo.
//
// The qvasn1 rows need the generated asn1data types; without them they are
// not compiled. The XER rows are skipped with a message at run time while
// the generated control classes answer XER buffers with
// ASN1ERR_NOT_SUPPORTED; the expat floor then parses a stand-in document
// (XerSketch.h) and says so in its label.
#include <benchmark/benchmark.h>

#include <expat.h>
#include <openssl/cms.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstring>
#include <string>

#include "PkiInputs.h"
#include "QvXer.h"
#include "TlvWalk.h"
#include "XerSketch.h"

#if __has_include("PKIX1Explicit88.h") && __has_include("CryptographicMessageSyntax.h")
#define QVBENCH_HAVE_GENERATED 1
#include "CryptographicMessageSyntax.h"
#include "PKIX1Explicit88.h"
#include "asn1BerCppTypes.h"
#include "asn1XerCppTypes.h"
#include "rtErrPath.h"
#include "rtMemHeap.h"
#else
#define QVBENCH_HAVE_GENERATED 0
#endif

using namespace qvbench;

namespace {

const long kCrlEntries = 100000;
const long kXerCrlEntries = 10000;

void setBytes(benchmark::State& state, size_t perIteration)
{
   state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)perIteration);
   state.counters["octets"] = (double)perIteration;
}

// ---------------------------------------------------------------------------
// Floors.

void tlvWalkFloor(benchmark::State& state, const Bytes& der)
{
   long elements = tlvWalk(der.data(), der.size());
   if (elements <= 0) {
      state.SkipWithError("FAILED: the input does not walk");
      return;
   }
   for (auto _ : state) benchmark::DoNotOptimize(tlvWalk(der.data(), der.size()));
   state.counters["elements"] = (double)elements;
   setBytes(state, der.size());
}

void BM_TlvWalkCertificate(benchmark::State& state) { tlvWalkFloor(state, certificateDer()); }
void BM_TlvWalkCrl(benchmark::State& state) { tlvWalkFloor(state, crlDer(kCrlEntries)); }
void BM_TlvWalkCms(benchmark::State& state) { tlvWalkFloor(state, cmsSignedDataDer()); }

// The XER document of each message: the library's own once the generated
// types write XER, else the stand-in. `own` tells which.
struct XerDocument {
   std::string text;
   bool own = false;
};
const XerDocument& certificateXer();
const XerDocument& crlXer();

void expatFloor(benchmark::State& state, const XerDocument& doc)
{
   for (auto _ : state) {
      XML_Parser p = XML_ParserCreate(nullptr);
      if (XML_Parse(p, doc.text.data(), (int)doc.text.size(), 1) != XML_STATUS_OK) {
         state.SkipWithError((std::string("FAILED: expat: ") + XML_ErrorString(XML_GetErrorCode(p))).c_str());
         XML_ParserFree(p);
         break;
      }
      XML_ParserFree(p);
   }
   state.SetLabel(doc.own ? "qvasn1 XER document" : "stand-in XER document (XerSketch)");
   setBytes(state, doc.text.size());
}

void BM_ExpatCertificate(benchmark::State& state) { expatFloor(state, certificateXer()); }
void BM_ExpatCrl(benchmark::State& state) { expatFloor(state, crlXer()); }

// ---------------------------------------------------------------------------
// OpenSSL 3.

void BM_OpensslDecodeCertificate(benchmark::State& state)
{
   const Bytes& der = certificateDer();
   for (auto _ : state) {
      const unsigned char* p = der.data();
      X509* x = d2i_X509(nullptr, &p, (long)der.size());
      if (x == nullptr) {
         state.SkipWithError("FAILED: d2i_X509");
         break;
      }
      X509_free(x);
   }
   setBytes(state, der.size());
}

// OpenSSL's real re-encode of der. i2d alone would return the octets kept
// from the decode; reTbs (i2d_re_X509_tbs, i2d_re_X509_CRL_tbs) marks the
// kept to-be-signed octets stale, so that every i2d below encodes the whole
// value. The encoding must give der back before it is timed.
template <class T, class D2i, class ReTbs, class I2d, class Free>
void opensslEncode(benchmark::State& state, const Bytes& der, D2i d2i, ReTbs reTbs, I2d i2d, Free freeFn)
{
   const unsigned char* in = der.data();
   T* x = d2i(nullptr, &in, (long)der.size());
   if (x != nullptr) reTbs(x, nullptr);
   Bytes out(der.size() + 64);
   unsigned char* o = out.data();
   if (x == nullptr || i2d(x, &o) != (int)der.size() || std::memcmp(out.data(), der.data(), der.size()) != 0) {
      state.SkipWithError("FAILED: OpenSSL re-encode differs from the input");
      freeFn(x);
      return;
   }
   for (auto _ : state) {
      unsigned char* p = out.data();
      benchmark::DoNotOptimize(i2d(x, &p));
      benchmark::ClobberMemory();
   }
   freeFn(x);
   setBytes(state, der.size());
}

void BM_OpensslEncodeCertificate(benchmark::State& state)
{
   opensslEncode<X509>(state, certificateDer(), d2i_X509, i2d_re_X509_tbs, i2d_X509, X509_free);
}

void BM_OpensslDecodeCrl(benchmark::State& state, long entries)
{
   const Bytes& der = crlDer(entries);
   for (auto _ : state) {
      const unsigned char* p = der.data();
      X509_CRL* c = d2i_X509_CRL(nullptr, &p, (long)der.size());
      if (c == nullptr) {
         state.SkipWithError("FAILED: d2i_X509_CRL");
         break;
      }
      X509_CRL_free(c);
   }
   setBytes(state, der.size());
}

void BM_OpensslDecodeCrl100k(benchmark::State& state) { BM_OpensslDecodeCrl(state, kCrlEntries); }
void BM_OpensslDecodeCrlScaling(benchmark::State& state)
{
   BM_OpensslDecodeCrl(state, (long)state.range(0));
   state.SetComplexityN(state.range(0));
}

void BM_OpensslEncodeCrl(benchmark::State& state)
{
   opensslEncode<X509_CRL>(state, crlDer(kCrlEntries), d2i_X509_CRL, i2d_re_X509_CRL_tbs, i2d_X509_CRL,
                           X509_CRL_free);
}

void BM_OpensslDecodeCms(benchmark::State& state)
{
   const Bytes& der = cmsSignedDataDer();
   for (auto _ : state) {
      const unsigned char* p = der.data();
      CMS_ContentInfo* ci = d2i_CMS_ContentInfo(nullptr, &p, (long)der.size());
      if (ci == nullptr) {
         state.SkipWithError("FAILED: d2i_CMS_ContentInfo");
         break;
      }
      CMS_ContentInfo_free(ci);
   }
   setBytes(state, der.size());
}

#if QVBENCH_HAVE_GENERATED
// ---------------------------------------------------------------------------
// qvasn1: the generated types through their control classes. A decode
// builds the value in the decode buffer's context heap; destroying the
// buffer frees it, so "decode" here is decode and free, as for OpenSSL.

using namespace asn1data;

// Decodes der into a T with control class C; 0 or the status.
template <class T, class C>
int decodeOnce(const Bytes& der)
{
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   T value;
   C cc(decBuf, value);
   return cc.Decode();
}

// withPath: an error path attached to the context for the decode, as the
// converter decodes.
template <class T, class C, bool withPath = false>
void qvDecode(benchmark::State& state, const Bytes& der)
{
   for (auto _ : state) {
      ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
      T value;
      C cc(decBuf, value);
      ASN1ErrPath path;
      ASN1ErrPath* previous = withPath ? rtErrPathAttach(decBuf.getCtxtPtr(), &path) : nullptr;
      int stat = cc.Decode();
      if (withPath) rtErrPathDetach(decBuf.getCtxtPtr(), previous);
      if (stat != 0) {
         state.SkipWithError(("FAILED: decode status " + std::to_string(stat)).c_str());
         break;
      }
      benchmark::DoNotOptimize(&value);
   }
   setBytes(state, der.size());
}

void BM_QvDecodeCertificate(benchmark::State& state)
{
   qvDecode<ASN1T_Certificate, ASN1C_Certificate>(state, certificateDer());
}

// The same decode with an error path attached to the context, as the
// converter decodes: the decoders name the failing component only on their
// failure paths, so a decode that succeeds costs what it costs without.
void BM_QvDecodeCertificateErrPath(benchmark::State& state)
{
   qvDecode<ASN1T_Certificate, ASN1C_Certificate, true>(state, certificateDer());
}

// The certificate with its key usage made invalid (an unused-bit count of 8
// in the BIT STRING): the decode fails there, on its second extension, and
// the error path names the component.
void BM_QvDecodeCertificateFailure(benchmark::State& state)
{
   Bytes der = certificateDer();
   // The key usage's extnValue: 04 04 03 02 <unused bits> <bits>.
   size_t at = der.size();
   for (size_t i = 0; i + 5 < der.size(); i++)
      if (der[i] == 0x04 && der[i + 1] == 0x04 && der[i + 2] == 0x03 && der[i + 3] == 0x02) at = i + 4;
   if (at == der.size()) {
      state.SkipWithError("FAILED: no key usage value in the certificate");
      return;
   }
   der[at] = 0x08;
   for (auto _ : state) {
      ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
      ASN1T_Certificate value;
      ASN1C_Certificate cc(decBuf, value);
      ASN1ErrPath path;
      ASN1ErrPath* previous = rtErrPathAttach(decBuf.getCtxtPtr(), &path);
      int stat = cc.Decode();
      rtErrPathDetach(decBuf.getCtxtPtr(), previous);
      if (stat == 0 || path.count == 0) {
         state.SkipWithError("FAILED: the broken certificate decodes, or names no component");
         break;
      }
      benchmark::DoNotOptimize(&path);
   }
   setBytes(state, der.size());
}

void BM_QvDecodeCrl100k(benchmark::State& state)
{
   qvDecode<ASN1T_CertificateList, ASN1C_CertificateList>(state, crlDer(kCrlEntries));
}

void BM_QvDecodeCrlScaling(benchmark::State& state)
{
   qvDecode<ASN1T_CertificateList, ASN1C_CertificateList>(state, crlDer((long)state.range(0)));
   state.SetComplexityN(state.range(0));
}

// The ContentInfo, then its content as a SignedData (OpenSSL's
// d2i_CMS_ContentInfo decodes both).
void BM_QvDecodeCms(benchmark::State& state)
{
   const Bytes& der = cmsSignedDataDer();
   for (auto _ : state) {
      ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
      ASN1T_ContentInfo ci;
      ASN1C_ContentInfo cc(decBuf, ci);
      int stat = cc.Decode();
      if (stat == 0) {
         ASN1BERDecodeBuffer inner(ci.content.data, (int)ci.content.numocts);
         ASN1T_SignedData sd;
         ASN1C_SignedData sc(inner, sd);
         stat = sc.Decode();
         benchmark::DoNotOptimize(&sd);
      }
      if (stat != 0) {
         state.SkipWithError(("FAILED: decode status " + std::to_string(stat)).c_str());
         break;
      }
   }
   setBytes(state, der.size());
}

// Re-encodes a decoded value into one encode buffer, reused across
// iterations as OpenSSL's output buffer is; the first encoding must equal
// the input.
template <class T, class C>
void qvEncode(benchmark::State& state, const Bytes& der)
{
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   T value;
   C dc(decBuf, value);
   if (int stat = dc.Decode()) {
      state.SkipWithError(("FAILED: decode status " + std::to_string(stat)).c_str());
      return;
   }
   ASN1BEREncodeBuffer encBuf;
   C ec(encBuf, value);
   int len = ec.Encode();
   if (len != (int)der.size() || std::memcmp(encBuf.getMsgPtr(), der.data(), der.size()) != 0) {
      state.SkipWithError("FAILED: the re-encoding differs from the input");
      return;
   }
   for (auto _ : state) {
      len = ec.Encode();
      if (len < 0) {
         state.SkipWithError("FAILED: encode");
         break;
      }
      benchmark::DoNotOptimize(encBuf.getMsgPtr());
   }
   setBytes(state, der.size());
}

void BM_QvEncodeCertificate(benchmark::State& state)
{
   qvEncode<ASN1T_Certificate, ASN1C_Certificate>(state, certificateDer());
}

void BM_QvEncodeCrl(benchmark::State& state)
{
   qvEncode<ASN1T_CertificateList, ASN1C_CertificateList>(state, crlDer(kCrlEntries));
}

template <class T, class C>
void qvXerEncode(benchmark::State& state, const Bytes& der)
{
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   T value;
   C dc(decBuf, value);
   if (int stat = dc.Decode()) {
      state.SkipWithError(("FAILED: decode status " + std::to_string(stat)).c_str());
      return;
   }
   ASN1XEREncodeBuffer xerBuf;
   C xc(xerBuf, value);
   int stat = xc.Encode();
   if (stat == ASN1ERR_NOT_SUPPORTED) {
      state.SkipWithError("not wired yet: the generated types do not write XER");
      return;
   }
   if (stat < 0) {
      state.SkipWithError(("FAILED: XER encode status " + std::to_string(stat)).c_str());
      return;
   }
   size_t docLen = xerBuf.getMsgLen();
   for (auto _ : state) benchmark::DoNotOptimize(xc.Encode()); // Encode starts the buffer afresh
   setBytes(state, docLen);
}

template <class T, class C>
void qvXerDecode(benchmark::State& state, const XerDocument& doc)
{
   if (!doc.own) {
      state.SkipWithError("not wired yet: the generated types do not write XER");
      return;
   }
   for (auto _ : state) {
      ASN1XERDecodeBuffer decBuf((const OSOCTET*)doc.text.data(), (OSUINT32)doc.text.size());
      T value;
      C cc(decBuf, value);
      int stat = cc.Decode();
      if (stat != 0) {
         state.SkipWithError(("FAILED: XER decode status " + std::to_string(stat)).c_str());
         break;
      }
      benchmark::DoNotOptimize(&value);
   }
   setBytes(state, doc.text.size());
}

void BM_QvXerEncodeCertificate(benchmark::State& state)
{
   qvXerEncode<ASN1T_Certificate, ASN1C_Certificate>(state, certificateDer());
}
void BM_QvXerEncodeCrl(benchmark::State& state)
{
   qvXerEncode<ASN1T_CertificateList, ASN1C_CertificateList>(state, crlDer(kXerCrlEntries));
}
void BM_QvXerDecodeCertificate(benchmark::State& state)
{
   qvXerDecode<ASN1T_Certificate, ASN1C_Certificate>(state, certificateXer());
}
void BM_QvXerDecodeCrl(benchmark::State& state)
{
   qvXerDecode<ASN1T_CertificateList, ASN1C_CertificateList>(state, crlXer());
}

XerDocument makeXer(std::string own, std::string (*sketch)(const Bytes&), const Bytes& der)
{
   XerDocument d;
   d.own = !own.empty();
   d.text = d.own ? std::move(own) : sketch(der);
   return d;
}

const XerDocument& certificateXer()
{
   static const XerDocument d =
      makeXer(qvXer<ASN1T_Certificate, ASN1C_Certificate>(certificateDer()),
              certificateXerSketch, certificateDer());
   return d;
}

const XerDocument& crlXer()
{
   static const XerDocument d =
      makeXer(qvXer<ASN1T_CertificateList, ASN1C_CertificateList>(crlDer(kXerCrlEntries)),
              certificateListXerSketch, crlDer(kXerCrlEntries));
   return d;
}

// The scaling family: the CRL of N entries decoded and encoded, reported
// as ns_per_entry (the time of one operation over N; flat from 1k to 1M
// entries when the cost is linear). Times are taken around the operation
// alone (manual time), so that what a cold row does between iterations is
// not counted.
//  - warm: each decode runs in the memory the previous one gave back (the
//    heap keeps the mapped chunks of a large heap for the next one); one
//    decode before the first iteration warms it;
//  - cold: before each iteration the heap's cache of mapped chunks is given
//    back to the system (rtMemHeapTrimCache), so that the decode maps fresh
//    memory and the kernel faults in and clears every page, as in the first
//    decode of a new process.
void qvScalingDecode(benchmark::State& state, long entries, bool cold)
{
   const Bytes& der = crlDer(entries);
   if (!cold && decodeOnce<ASN1T_CertificateList, ASN1C_CertificateList>(der) != 0) {
      state.SkipWithError("FAILED: decode");
      return;
   }
   double seconds = 0;
   for (auto _ : state) {
      if (cold) rtMemHeapTrimCache();
      auto t0 = std::chrono::steady_clock::now();
      int stat = decodeOnce<ASN1T_CertificateList, ASN1C_CertificateList>(der);
      double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      state.SetIterationTime(s);
      seconds += s;
      if (stat != 0) {
         state.SkipWithError(("FAILED: decode status " + std::to_string(stat)).c_str());
         break;
      }
   }
   if (state.iterations() > 0) state.counters["ns_per_entry"] = seconds * 1e9 / (double)state.iterations() / (double)entries;
   state.counters["entries"] = (double)entries;
   setBytes(state, der.size());
}

void qvScalingEncode(benchmark::State& state, long entries)
{
   const Bytes& der = crlDer(entries);
   ASN1BERDecodeBuffer decBuf(der.data(), (int)der.size());
   ASN1T_CertificateList value;
   ASN1C_CertificateList dc(decBuf, value);
   if (int stat = dc.Decode()) {
      state.SkipWithError(("FAILED: decode status " + std::to_string(stat)).c_str());
      return;
   }
   ASN1BEREncodeBuffer encBuf;
   ASN1C_CertificateList ec(encBuf, value);
   int len = ec.Encode();
   if (len != (int)der.size() || std::memcmp(encBuf.getMsgPtr(), der.data(), der.size()) != 0) {
      state.SkipWithError("FAILED: the re-encoding differs from the input");
      return;
   }
   double seconds = 0;
   for (auto _ : state) {
      auto t0 = std::chrono::steady_clock::now();
      len = ec.Encode();
      double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      state.SetIterationTime(s);
      seconds += s;
      if (len < 0) {
         state.SkipWithError("FAILED: encode");
         break;
      }
      benchmark::DoNotOptimize(encBuf.getMsgPtr());
   }
   if (state.iterations() > 0) state.counters["ns_per_entry"] = seconds * 1e9 / (double)state.iterations() / (double)entries;
   state.counters["entries"] = (double)entries;
   setBytes(state, der.size());
}

#else

const XerDocument& certificateXer()
{
   static const XerDocument d{certificateXerSketch(certificateDer()), false};
   return d;
}

const XerDocument& crlXer()
{
   static const XerDocument d{certificateListXerSketch(crlDer(kXerCrlEntries)), false};
   return d;
}

#endif

}

// Certificate.
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvDecodeCertificate)->Name("decode/Certificate/qvasn1")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QvDecodeCertificateErrPath)->Name("decode-errpath/Certificate/qvasn1")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QvDecodeCertificateFailure)->Name("decode-failure/Certificate/qvasn1")->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_OpensslDecodeCertificate)->Name("decode/Certificate/openssl")->Unit(benchmark::kMicrosecond);
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvEncodeCertificate)->Name("encode/Certificate/qvasn1")->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_OpensslEncodeCertificate)->Name("encode/Certificate/openssl")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TlvWalkCertificate)->Name("floor/tlv-walk/Certificate")->Unit(benchmark::kMicrosecond);
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvXerEncodeCertificate)->Name("xer-encode/Certificate/qvasn1")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QvXerDecodeCertificate)->Name("xer-decode/Certificate/qvasn1")->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_ExpatCertificate)->Name("floor/expat-parse/Certificate")->Unit(benchmark::kMicrosecond);

// CertificateList: 100k entries for BER, 10k for XER.
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvDecodeCrl100k)->Name("decode/CertificateList/qvasn1")->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_OpensslDecodeCrl100k)->Name("decode/CertificateList/openssl")->Unit(benchmark::kMillisecond);
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvEncodeCrl)->Name("encode/CertificateList/qvasn1")->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_OpensslEncodeCrl)->Name("encode/CertificateList/openssl")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TlvWalkCrl)->Name("floor/tlv-walk/CertificateList")->Unit(benchmark::kMillisecond);
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvXerEncodeCrl)->Name("xer-encode/CertificateList/qvasn1")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QvXerDecodeCrl)->Name("xer-decode/CertificateList/qvasn1")->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_ExpatCrl)->Name("floor/expat-parse/CertificateList")->Unit(benchmark::kMillisecond);

// Scaling of the CRL decode, 1k to 1M entries.
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvDecodeCrlScaling)
   ->Name("decode-scaling/CertificateList/qvasn1")
   ->RangeMultiplier(10)->Range(1000, 1000000)
   ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
#endif
BENCHMARK(BM_OpensslDecodeCrlScaling)
   ->Name("decode-scaling/CertificateList/openssl")
   ->RangeMultiplier(10)->Range(1000, 1000000)
   ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// CMS SignedData.
#if QVBENCH_HAVE_GENERATED
BENCHMARK(BM_QvDecodeCms)->Name("decode/ContentInfo/qvasn1")->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_OpensslDecodeCms)->Name("decode/ContentInfo/openssl")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TlvWalkCms)->Name("floor/tlv-walk/ContentInfo")->Unit(benchmark::kMicrosecond);

#if QVBENCH_HAVE_GENERATED
// scaling/decode/crl-<N>/{warm,cold} and scaling/encode/crl-<N>. The 1M rows
// take a second or more per iteration: they run a fixed 3 iterations.
const int kScalingRows = [] {
   for (long n : {1000L, 10000L, 100000L, 1000000L}) {
      std::string crl = "crl-" + std::to_string(n);
      for (bool cold : {false, true}) {
         auto* b = benchmark::RegisterBenchmark(("scaling/decode/" + crl + (cold ? "/cold" : "/warm")).c_str(),
                                                [n, cold](benchmark::State& st) { qvScalingDecode(st, n, cold); });
         b->UseManualTime()->Unit(benchmark::kMillisecond);
         if (n >= 1000000) b->Iterations(3);
      }
      auto* e = benchmark::RegisterBenchmark(("scaling/encode/" + crl).c_str(),
                                             [n](benchmark::State& st) { qvScalingEncode(st, n); });
      e->UseManualTime()->Unit(benchmark::kMillisecond);
      if (n >= 1000000) e->Iterations(3);
   }
   return 0;
}();
#endif
