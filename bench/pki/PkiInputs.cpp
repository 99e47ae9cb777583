#include "PkiInputs.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/conf.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>

#include "BenchKeys.h"

namespace qvbench {
namespace {

[[noreturn]] void fail(const char* what)
{
   std::fprintf(stderr, "benchmark input generation failed: %s\n", what);
   ERR_print_errors_fp(stderr);
   std::abort();
}

template <class T, void (*F)(T*)>
struct Deleter {
   void operator()(T* p) const { F(p); }
};
using PKeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

PKeyPtr loadKey(const char* pem)
{
   BioPtr bio(BIO_new_mem_buf(pem, -1));
   EVP_PKEY* k = PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr);
   if (k == nullptr) fail("key");
   return PKeyPtr(k);
}

EVP_PKEY* caKey()
{
   static PKeyPtr k = loadKey(kCaKeyPem);
   return k.get();
}

EVP_PKEY* eeKey()
{
   static PKeyPtr k = loadKey(kEeKeyPem);
   return k.get();
}

// ---------------------------------------------------------------------------
// A forward DER writer: content is built first, then wrapped in its header.

void putLength(Bytes& out, size_t len)
{
   if (len < 0x80) {
      out.push_back((std::uint8_t)len);
      return;
   }
   std::uint8_t tmp[8];
   int n = 0;
   for (size_t v = len; v != 0; v >>= 8) tmp[n++] = (std::uint8_t)(v & 0xFF);
   out.push_back((std::uint8_t)(0x80 | n));
   while (n > 0) out.push_back(tmp[--n]);
}

void putTlv(Bytes& out, std::uint8_t tag, const std::uint8_t* data, size_t len)
{
   out.push_back(tag);
   putLength(out, len);
   out.insert(out.end(), data, data + len);
}

void putTlv(Bytes& out, std::uint8_t tag, const Bytes& content)
{
   putTlv(out, tag, content.data(), content.size());
}

Bytes tlv(std::uint8_t tag, const Bytes& content)
{
   Bytes out;
   out.reserve(content.size() + 6);
   putTlv(out, tag, content);
   return out;
}

// YYMMDDHHMMSSZ (UTCTime) or YYYYMMDDHHMMSSZ (GeneralizedTime) of t.
void putTime(Bytes& out, std::time_t t, bool generalized)
{
   std::tm tm{};
   gmtime_r(&t, &tm);
   char s[20];
   int n;
   if (generalized)
      n = std::snprintf(s, sizeof s, "%04d%02d%02d%02d%02d%02dZ", tm.tm_year + 1900,
                        tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
   else
      n = std::snprintf(s, sizeof s, "%02d%02d%02d%02d%02d%02dZ", tm.tm_year % 100,
                        tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
   putTlv(out, generalized ? 0x18 : 0x17, (const std::uint8_t*)s, (size_t)n);
}

// splitmix64: a fixed, fast pseudo-random sequence.
struct SplitMix {
   std::uint64_t s;
   std::uint64_t next()
   {
      std::uint64_t z = (s += 0x9E3779B97F4A7C15ULL);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      return z ^ (z >> 31);
   }
};

const std::time_t kNotBefore = 1735689600;  // 2025-01-01 00:00:00 UTC
const std::time_t kThisUpdate = 1767225600; // 2026-01-01 00:00:00 UTC

// ---------------------------------------------------------------------------
// Certificates (OpenSSL).

void addExt(X509* cert, X509V3_CTX* ctx, int nid, const char* value)
{
   X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, ctx, nid, value);
   if (ext == nullptr || !X509_add_ext(cert, ext, -1)) fail(value);
   X509_EXTENSION_free(ext);
}

X509_NAME* makeName(const char* const* rdns)
{
   X509_NAME* n = X509_NAME_new();
   for (; rdns[0] != nullptr; rdns += 2) {
      if (!X509_NAME_add_entry_by_txt(n, rdns[0], MBSTRING_ASC,
                                      (const unsigned char*)rdns[1], -1, -1, 0))
         fail(rdns[0]);
   }
   return n;
}

const char* const kCaName[] = {
   "C", "DE", "O", "Qvasn1 Benchmark Trust Services GmbH",
   "OU", "Certification Authority Operations", "CN", "Qvasn1 Benchmark Issuing CA 2025",
   nullptr};
const char* const kEeName[] = {
   "C", "DE", "ST", "Niedersachsen", "L", "Hannover",
   "O", "Qvasn1 Benchmark Example Organisation", "OU", "Public Key Infrastructure",
   "CN", "server01.benchmark.example.org", nullptr};

X509Ptr makeCert(bool ca)
{
   X509Ptr cert(X509_new());
   X509* x = cert.get();
   X509_set_version(x, X509_VERSION_3);
   ASN1_INTEGER* serial = ASN1_INTEGER_new();
   BIGNUM* bn = nullptr;
   BN_hex2bn(&bn, ca ? "1A2B3C4D5E6F70819203" : "5F0E3A9C7B1D2E4F60718293A4B5C6D7E8F90A1B");
   BN_to_ASN1_INTEGER(bn, serial);
   BN_free(bn);
   X509_set_serialNumber(x, serial);
   ASN1_INTEGER_free(serial);
   X509_NAME* issuer = makeName(kCaName);
   X509_NAME* subject = ca ? makeName(kCaName) : makeName(kEeName);
   X509_set_issuer_name(x, issuer);
   X509_set_subject_name(x, subject);
   X509_NAME_free(issuer);
   X509_NAME_free(subject);
   ASN1_TIME_set(X509_getm_notBefore(x), kNotBefore);
   ASN1_TIME_set(X509_getm_notAfter(x), kNotBefore + (ca ? 3650L : 397L) * 86400);
   X509_set_pubkey(x, ca ? caKey() : eeKey());

   static X509Ptr issuerCert; // the CA, for the authority key identifier
   X509V3_CTX ctx;
   X509V3_set_ctx(&ctx, ca ? x : issuerCert.get(), x, nullptr, nullptr, 0);
   // certificatePolicies wants a configuration database, even an empty one.
   CONF* conf = NCONF_new(nullptr);
   X509V3_set_nconf(&ctx, conf);
   if (ca) {
      addExt(x, &ctx, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
      addExt(x, &ctx, NID_key_usage, "critical,keyCertSign,cRLSign");
      addExt(x, &ctx, NID_subject_key_identifier, "hash");
   }
   else {
      addExt(x, &ctx, NID_basic_constraints, "critical,CA:FALSE");
      addExt(x, &ctx, NID_key_usage, "critical,digitalSignature,keyEncipherment");
      addExt(x, &ctx, NID_ext_key_usage, "serverAuth,clientAuth");
      addExt(x, &ctx, NID_subject_key_identifier, "hash");
      addExt(x, &ctx, NID_authority_key_identifier, "keyid:always");
      addExt(x, &ctx, NID_subject_alt_name,
             "DNS:server01.benchmark.example.org,DNS:www.benchmark.example.org,"
             "DNS:api.benchmark.example.org");
      addExt(x, &ctx, NID_crl_distribution_points,
             "URI:http://crl.benchmark.example.org/issuing-ca-2025.crl");
      addExt(x, &ctx, NID_info_access,
             "OCSP;URI:http://ocsp.benchmark.example.org,"
             "caIssuers;URI:http://pki.benchmark.example.org/issuing-ca-2025.crt");
      addExt(x, &ctx, NID_certificate_policies, "2.23.140.1.2.2,1.3.6.1.4.1.99999.1.2.3");
   }
   NCONF_free(conf);
   if (!X509_sign(x, caKey(), EVP_sha256())) fail("certificate signature");
   if (ca) issuerCert.reset(X509_dup(x));
   return cert;
}

Bytes der(X509* x)
{
   unsigned char* p = nullptr;
   int n = i2d_X509(x, &p);
   if (n <= 0) fail("i2d_X509");
   Bytes out(p, p + n);
   OPENSSL_free(p);
   return out;
}

X509* caCert()
{
   static X509Ptr c = makeCert(true);
   return c.get();
}

X509* eeCert()
{
   caCert();
   static X509Ptr c = makeCert(false);
   return c.get();
}

// ---------------------------------------------------------------------------
// CRL: the body in DER, the signature by OpenSSL.

const std::uint8_t kSha256WithRsa[] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7,
                                       0x0D, 0x01, 0x01, 0x0B, 0x05, 0x00};
const std::uint8_t kOidReasonCode[] = {0x06, 0x03, 0x55, 0x1D, 0x15};
const std::uint8_t kOidInvalidityDate[] = {0x06, 0x03, 0x55, 0x1D, 0x18};
const std::uint8_t kOidAuthorityKeyId[] = {0x06, 0x03, 0x55, 0x1D, 0x23};
const std::uint8_t kOidCrlNumber[] = {0x06, 0x03, 0x55, 0x1D, 0x14};

// One revokedCertificates element.
void putRevoked(Bytes& out, SplitMix& rng, long i)
{
   // A positive 12-octet serial number with a non-zero first octet (DER
   // minimal form).
   std::uint8_t serial[12];
   std::uint64_t a = rng.next(), b = rng.next();
   std::memcpy(serial, &a, 8);
   std::memcpy(serial + 8, &b, 4);
   serial[0] = (std::uint8_t)((serial[0] & 0x7F) | 0x01);

   static const std::uint8_t kReasons[] = {1, 3, 4, 5, 1, 4, 9, 6};
   std::time_t revoked = kThisUpdate - 3600 - (std::time_t)i * 17;

   Bytes exts;
   exts.reserve(48);
   {
      Bytes ext(kOidReasonCode, kOidReasonCode + sizeof kOidReasonCode);
      const std::uint8_t reason[] = {0x0A, 0x01, kReasons[i % 8]};
      putTlv(ext, 0x04, reason, sizeof reason);
      putTlv(exts, 0x30, ext);
   }
   if (i % 8 == 3) {
      Bytes ext(kOidInvalidityDate, kOidInvalidityDate + sizeof kOidInvalidityDate);
      Bytes when;
      putTime(when, revoked - 86400 * 3, true);
      putTlv(ext, 0x04, when);
      putTlv(exts, 0x30, ext);
   }

   Bytes entry;
   entry.reserve(96);
   putTlv(entry, 0x02, serial, sizeof serial);
   putTime(entry, revoked, false);
   putTlv(entry, 0x30, exts);
   putTlv(out, 0x30, entry);
}

Bytes signDer(const Bytes& tbs, EVP_PKEY* key)
{
   EVP_MD_CTX* md = EVP_MD_CTX_new();
   size_t len = 0;
   if (EVP_DigestSignInit(md, nullptr, EVP_sha256(), nullptr, key) != 1) fail("sign init");
   if (EVP_DigestSign(md, nullptr, &len, tbs.data(), tbs.size()) != 1) fail("sign size");
   Bytes sig(len);
   if (EVP_DigestSign(md, sig.data(), &len, tbs.data(), tbs.size()) != 1) fail("sign");
   sig.resize(len);
   EVP_MD_CTX_free(md);
   return sig;
}

Bytes makeCrl(long entries)
{
   SplitMix rng{0x51A7E5ULL + (std::uint64_t)entries};
   Bytes revoked;
   revoked.reserve((size_t)entries * 52 + 16);
   for (long i = 0; i < entries; i++) putRevoked(revoked, rng, i);

   Bytes tbs;
   tbs.reserve(revoked.size() + 1024);
   const std::uint8_t version[] = {0x02, 0x01, 0x01}; // v2
   tbs.insert(tbs.end(), version, version + sizeof version);
   tbs.insert(tbs.end(), kSha256WithRsa, kSha256WithRsa + sizeof kSha256WithRsa);
   {
      unsigned char* p = nullptr;
      int n = i2d_X509_NAME(X509_get_subject_name(caCert()), &p);
      if (n <= 0) fail("issuer name");
      tbs.insert(tbs.end(), p, p + n);
      OPENSSL_free(p);
   }
   putTime(tbs, kThisUpdate, false);
   putTime(tbs, kThisUpdate + 7 * 86400, false);
   if (entries > 0) putTlv(tbs, 0x30, revoked);
   revoked = Bytes();
   {
      Bytes exts;
      const ASN1_OCTET_STRING* skid = X509_get0_subject_key_id(caCert());
      if (skid == nullptr) fail("CA key identifier");
      Bytes aki(kOidAuthorityKeyId, kOidAuthorityKeyId + sizeof kOidAuthorityKeyId);
      Bytes keyId;
      putTlv(keyId, 0x80, ASN1_STRING_get0_data(skid), (size_t)ASN1_STRING_length(skid));
      putTlv(aki, 0x04, tlv(0x30, keyId));
      putTlv(exts, 0x30, aki);
      Bytes number(kOidCrlNumber, kOidCrlNumber + sizeof kOidCrlNumber);
      const std::uint8_t crlNumber[] = {0x02, 0x02, 0x10, 0x01};
      putTlv(number, 0x04, crlNumber, sizeof crlNumber);
      putTlv(exts, 0x30, number);
      putTlv(tbs, 0xA0, tlv(0x30, exts));
   }
   Bytes tbsDer = tlv(0x30, tbs);
   tbs = Bytes();
   Bytes sig = signDer(tbsDer, caKey());

   Bytes body;
   body.reserve(tbsDer.size() + sig.size() + 64);
   body.insert(body.end(), tbsDer.begin(), tbsDer.end());
   tbsDer = Bytes();
   body.insert(body.end(), kSha256WithRsa, kSha256WithRsa + sizeof kSha256WithRsa);
   Bytes bits;
   bits.push_back(0); // no unused bits
   bits.insert(bits.end(), sig.begin(), sig.end());
   putTlv(body, 0x03, bits);
   return tlv(0x30, body);
}

// ---------------------------------------------------------------------------
// CMS SignedData (OpenSSL), with a fixed signing time so that the message
// is the same on every run.

Bytes makeCms()
{
   std::string content;
   for (int i = 0; content.size() < 2048; i++)
      content += "Line " + std::to_string(i) + " of the signed benchmark content.\n";
   content.resize(2048);
   BioPtr data(BIO_new_mem_buf(content.data(), (int)content.size()));
   const unsigned flags = CMS_BINARY | CMS_PARTIAL;
   CMS_ContentInfo* cms = CMS_sign(nullptr, nullptr, nullptr, nullptr, flags);
   if (cms == nullptr) fail("CMS_sign");
   CMS_SignerInfo* si = CMS_add1_signer(cms, eeCert(), eeKey(), EVP_sha256(), flags);
   if (si == nullptr) fail("CMS_add1_signer");
   ASN1_TIME* t = ASN1_TIME_set(nullptr, kThisUpdate + 12345);
   if (!CMS_signed_add1_attr_by_NID(si, NID_pkcs9_signingTime, t->type, t, -1))
      fail("signing time");
   ASN1_TIME_free(t);
   if (!CMS_add1_cert(cms, caCert())) fail("CMS_add1_cert");
   if (!CMS_final(cms, data.get(), nullptr, CMS_BINARY)) fail("CMS_final");
   unsigned char* p = nullptr;
   int n = i2d_CMS_ContentInfo(cms, &p);
   if (n <= 0) fail("i2d_CMS_ContentInfo");
   Bytes out(p, p + n);
   OPENSSL_free(p);
   CMS_ContentInfo_free(cms);
   return out;
}

std::mutex& lock()
{
   static std::mutex m;
   return m;
}

}

const Bytes& certificateDer()
{
   std::lock_guard<std::mutex> g(lock());
   static const Bytes b = der(eeCert());
   return b;
}

const Bytes& caCertificateDer()
{
   std::lock_guard<std::mutex> g(lock());
   static const Bytes b = der(caCert());
   return b;
}

const Bytes& crlDer(long entries)
{
   std::lock_guard<std::mutex> g(lock());
   static std::map<long, Bytes> made;
   auto it = made.find(entries);
   if (it == made.end()) it = made.emplace(entries, makeCrl(entries)).first;
   return it->second;
}

const Bytes& cmsSignedDataDer()
{
   std::lock_guard<std::mutex> g(lock());
   static const Bytes b = makeCms();
   return b;
}

bool writeFile(const std::string& path, const Bytes& b)
{
   FILE* f = std::fopen(path.c_str(), "wb");
   if (f == nullptr) return false;
   bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
   return std::fclose(f) == 0 && ok;
}

}
