// Peak heap used to decode a CRL (and the certificate), qvasn1 against
// OpenSSL.
//
//   qvasn1_bench_peakmem [entries]      (CRL entries, default 100000)
//
// Every allocation is counted with its size: OpenSSL's through
// CRYPTO_set_mem_functions, qvasn1's by replacing the allocator library's
// QV_malloc / QV_realloc / QV_free in this program (the memory hooks are
// left at their defaults, so that the heap works as it does for users who
// do not install hooks: with its chunks), and C++ operator new (control
// classes, contexts) by replacing it in this program. For each library the
// program reports the peak of live heap octets during decode-and-free above
// what was live before it, the octets still live when the decode returns
// (the decoded value), and the number of allocations. Each block carries a
// 16-octet header holding its size; the headers are not counted. The heap
// maps the chunks of a heap grown to megabytes from the system itself:
// mmap / munmap are replaced too, and anonymous mappings counted as
// allocations of their size.
#include <openssl/crypto.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "PkiInputs.h"

#if __has_include("PKIX1Explicit88.h")
#define QVBENCH_HAVE_GENERATED 1
#include "PKIX1Explicit88.h"
#include "asn1BerCppTypes.h"
#else
#define QVBENCH_HAVE_GENERATED 0
#endif
#include "qvalloc.h"
#include "rtMemHeap.h"

namespace {

const size_t kHeader = 16;

struct Counters {
   long long live = 0;
   long long peak = 0;
   long long allocs = 0;
};
Counters g_count;

void* countedMalloc(size_t n)
{
   unsigned char* p = static_cast<unsigned char*>(std::malloc(n + kHeader));
   if (p == nullptr) return nullptr;
   std::memcpy(p, &n, sizeof n);
   g_count.live += (long long)n;
   g_count.allocs++;
   if (g_count.live > g_count.peak) g_count.peak = g_count.live;
   return p + kHeader;
}

void countedFree(void* q)
{
   if (q == nullptr) return;
   unsigned char* p = static_cast<unsigned char*>(q) - kHeader;
   size_t n;
   std::memcpy(&n, p, sizeof n);
   g_count.live -= (long long)n;
   std::free(p);
}

void* countedRealloc(void* q, size_t n)
{
   if (q == nullptr) return countedMalloc(n);
   unsigned char* p = static_cast<unsigned char*>(q) - kHeader;
   size_t old;
   std::memcpy(&old, p, sizeof old);
   unsigned char* r = static_cast<unsigned char*>(std::realloc(p, n + kHeader));
   if (r == nullptr) return nullptr;
   std::memcpy(r, &n, sizeof n);
   g_count.live += (long long)n - (long long)old;
   g_count.allocs++;
   if (g_count.live > g_count.peak) g_count.peak = g_count.live;
   return r + kHeader;
}

void* sslMalloc(size_t n, const char*, int) { return countedMalloc(n); }
void* sslRealloc(void* p, size_t n, const char*, int) { return countedRealloc(p, n); }
void sslFree(void* p, const char*, int) { countedFree(p); }


struct Result {
   long long peak = 0;
   long long retained = 0;
   long long allocs = 0;
   bool ok = false;
};

// Runs decode (which returns an opaque handle) and release around the
// counters; peak and retained are relative to what was live before.
template <class Decode, class Release>
Result measure(Decode decode, Release release)
{
   Result r;
   long long base = g_count.live;
   long long allocs = g_count.allocs;
   g_count.peak = base;
   auto handle = decode();
   r.retained = g_count.live - base;
   r.ok = handle.ok;
   release(handle);
   r.peak = g_count.peak - base;
   r.allocs = g_count.allocs - allocs;
   return r;
}

void print(const char* who, const Result& r, size_t inputLen)
{
   if (!r.ok) {
      std::printf("%-8s decode FAILED\n", who);
      return;
   }
   std::printf("%-8s peak %12lld octets (%6.2f x input)  retained %12lld  allocations %10lld\n",
               who, r.peak, (double)r.peak / (double)inputLen, r.retained, r.allocs);
}

// OpenSSL: d2i_<T> and <T>_free.
template <class T>
Result measureOpenssl(const qvbench::Bytes& der, T* (*d2i)(T**, const unsigned char**, long),
                      void (*release)(T*))
{
   struct Handle {
      T* value;
      bool ok;
   };
   return measure(
      [&] {
         const unsigned char* p = der.data();
         T* v = d2i(nullptr, &p, (long)der.size());
         return Handle{v, v != nullptr};
      },
      [&](Handle& h) { release(h.value); });
}

#if QVBENCH_HAVE_GENERATED
// qvasn1: decode buffer, record and control class, all destroyed after.
template <class T, class C>
Result measureQvasn1(const qvbench::Bytes& der)
{
   struct Handle {
      ASN1BERDecodeBuffer* buf;
      T* value;
      C* cc;
      bool ok;
   };
   return measure(
      [&] {
         Handle h;
         h.buf = new ASN1BERDecodeBuffer(der.data(), (int)der.size());
         h.value = new T;
         h.cc = new C(*h.buf, *h.value);
         h.ok = h.cc->Decode() == 0;
         return h;
      },
      [](Handle& h) {
         delete h.cc;
         delete h.value;
         delete h.buf;
      });
}
#endif

// Prints both rows and their ratio; false when a decode failed.
bool report(const char* what, const qvbench::Bytes& der, const Result& ssl, const Result* qv)
{
   std::printf("%s: %zu octets\n", what, der.size());
   print("openssl", ssl, der.size());
   if (qv == nullptr) {
      std::printf("qvasn1   not measured: the generated asn1data types are not built\n");
      return ssl.ok;
   }
   print("qvasn1", *qv, der.size());
   if (ssl.ok && qv->ok)
      std::printf("qvasn1 / openssl peak: %.2f\n", (double)qv->peak / (double)ssl.peak);
   return ssl.ok && qv->ok;
}

}

// The allocator library behind the default memory hooks, replaced for the
// whole process: the library's calls resolve to these definitions.
extern "C" {
void* QV_malloc(size_t n) { return countedMalloc(n == 0 ? 1 : n); }
void* QV_realloc(void* p, size_t n) { return countedRealloc(p, n == 0 ? 1 : n); }
void QV_free(void* p) { countedFree(p); }
}

// Calls of mmap / munmap from the libraries resolve to these (glibc's
// malloc maps through its own internal entry, which is not replaced).
extern "C" {
__attribute__((visibility("default"))) void* mmap(void* addr, size_t len, int prot, int flags, int fd, off_t off)
{
   long r = syscall(SYS_mmap, addr, len, prot, flags, fd, off);
   if (r < 0 && r > -4096) {
      errno = (int)-r;
      return MAP_FAILED;
   }
   if (flags & MAP_ANONYMOUS) {
      g_count.live += (long long)len;
      g_count.allocs++;
      if (g_count.live > g_count.peak) g_count.peak = g_count.live;
   }
   return reinterpret_cast<void*>(r);
}

__attribute__((visibility("default"))) int munmap(void* addr, size_t len)
{
   long r = syscall(SYS_munmap, addr, len);
   if (r != 0) {
      errno = (int)-r;
      return -1;
   }
   g_count.live -= (long long)len;
   return 0;
}
}

// C++ allocations of the whole program go through the same counters.
void* operator new(size_t n)
{
   void* p = countedMalloc(n);
   if (p == nullptr) throw std::bad_alloc();
   return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, size_t) noexcept { countedFree(p); }
void operator delete[](void* p, size_t) noexcept { countedFree(p); }

int main(int argc, char** argv)
{
   // OpenSSL's hooks go in before it allocates anything.
   if (!CRYPTO_set_mem_functions(sslMalloc, sslRealloc, sslFree)) {
      std::fprintf(stderr, "CRYPTO_set_mem_functions failed\n");
      return 1;
   }
   if (g_malloc_func != rtDefaultMalloc) {
      std::fprintf(stderr, "the memory hooks are not the defaults\n");
      return 1;
   }

   long entries = argc > 1 ? std::atol(argv[1]) : 100000;
   const qvbench::Bytes& crl = qvbench::crlDer(entries);
   const qvbench::Bytes& cert = qvbench::certificateDer();
   std::string crlName = "CRL with " + std::to_string(entries) + " entries";

   // The CRL first, so that the certificate's figures do not hide in its
   // freed memory (the counters count blocks, not pages, either way).
   Result sslCrl = measureOpenssl<X509_CRL>(crl, d2i_X509_CRL, X509_CRL_free);
   Result sslCert = measureOpenssl<X509>(cert, d2i_X509, X509_free);
#if QVBENCH_HAVE_GENERATED
   Result qvCrl = measureQvasn1<asn1data::ASN1T_CertificateList, asn1data::ASN1C_CertificateList>(crl);
   Result qvCert = measureQvasn1<asn1data::ASN1T_Certificate, asn1data::ASN1C_Certificate>(cert);
   bool ok = report(crlName.c_str(), crl, sslCrl, &qvCrl);
   ok &= report("Certificate", cert, sslCert, &qvCert);
#else
   bool ok = report(crlName.c_str(), crl, sslCrl, nullptr);
   ok &= report("Certificate", cert, sslCert, nullptr);
#endif
   return ok ? 0 : 1;
}
