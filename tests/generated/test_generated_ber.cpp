// The generated BER/DER codecs of the first modules: record layout rules,
// DER output, decoder failure codes, and a byte-for-byte round trip of every
// certificate and CRL of the corpus.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "CertificateExtensions.h"
#include "PKIX1Explicit88.h"
#include "PKIXCMP.h"
#include "CryptographicMessageSyntax.h"
#include "Gost28147-89-EncryptionSyntax.h"
#include "CorpusFailures.h"

#include "TestContext.h"

using namespace asn1data;
using Bytes = std::vector<OSOCTET>;

namespace {

// Encodes with explicit tagging into a dynamic buffer; the status or length
// goes to *status, the octets are returned.
template <class Rec>
Bytes encode(ASN1CTXT* pctxt, int (*fn)(ASN1CTXT*, Rec*, ASN1TagType), Rec& rec, int* status)
{
   EXPECT_EQ(xe_setp(pctxt, nullptr, 0), 0);
   int len = fn(pctxt, &rec, ASN1TAG_EXPLICIT);
   *status = len;
   if (len < 0) return {};
   const OSOCTET* p = xe_getp(pctxt);
   return Bytes(p, p + len);
}

template <class Rec>
int decode(ASN1CTXT* pctxt, int (*fn)(ASN1CTXT*, Rec*, ASN1TagType, int), Rec& rec, const Bytes& in)
{
   ASN1TAG tag = 0;
   int len = 0;
   int stat = xd_setp(pctxt, in.data(), static_cast<int>(in.size()), &tag, &len);
   if (stat != 0) return stat;
   return fn(pctxt, &rec, ASN1TAG_EXPLICIT, 0);
}

std::string hex(const Bytes& b)
{
   static const char* d = "0123456789ABCDEF";
   std::string s;
   for (OSOCTET o : b) {
      if (!s.empty()) s += ' ';
      s += d[o >> 4];
      s += d[o & 15];
   }
   return s;
}

Bytes readFile(const std::string& path)
{
   std::ifstream in(path, std::ios::binary);
   return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> derFiles(const std::string& dir)
{
   std::vector<std::string> out;
   DIR* d = opendir(dir.c_str());
   if (!d) return out;
   while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) out.push_back(dir + "/" + n);
   }
   closedir(d);
   return out;
}

}

TEST(GeneratedRecords, PresenceBitsFromTheLeastSignificantBit)
{
   ASN1T_TBSCertificate tbs;
   unsigned bits = 0;
   tbs.m.versionPresent = 1;
   memcpy(&bits, &tbs.m, sizeof(tbs.m) < sizeof(bits) ? sizeof(tbs.m) : sizeof(bits));
   EXPECT_EQ(bits & 0xF, 1u);
   tbs.m.versionPresent = 0;
   tbs.m.extensionsPresent = 1;
   bits = 0;
   memcpy(&bits, &tbs.m, sizeof(tbs.m) < sizeof(bits) ? sizeof(tbs.m) : sizeof(bits));
   EXPECT_EQ(bits & 0xF, 8u);
   // Literal DEFAULT: no presence bit, the field holds the default.
   ASN1T_BasicConstraintsSyntax bc;
   EXPECT_EQ(bc.cA, FALSE);
   ASN1T_GeneralSubtree gs;
   EXPECT_EQ(gs.minimum, 0u);
   EXPECT_EQ(sizeof(ASN1T_KeyUsage().data), 2u);
}

TEST(GeneratedBer, BasicConstraintsDefaultsAndOrder)
{
   Ctxt c;
   ASN1T_BasicConstraintsSyntax bc;
   int st = 0;
   EXPECT_EQ(hex(encode(&c, asn1E_BasicConstraintsSyntax, bc, &st)), "30 00");
   bc.cA = TRUE;
   bc.m.pathLenConstraintPresent = 1;
   bc.pathLenConstraint = 3;
   EXPECT_EQ(hex(encode(&c, asn1E_BasicConstraintsSyntax, bc, &st)), "30 06 01 01 FF 02 01 03");

   struct Case { const char* what; Bytes in; int status; bool cA; bool lenPresent; };
   const Case cases[] = {
      {"empty", {0x30, 0x00}, 0, false, false},
      {"cA only", {0x30, 0x03, 0x01, 0x01, 0xFF}, 0, true, false},
      {"path length only", {0x30, 0x03, 0x02, 0x01, 0x05}, 0, false, true},
      {"indefinite length", {0x30, 0x80, 0x01, 0x01, 0xFF, 0x02, 0x01, 0x05, 0x00, 0x00}, 0, true, true},
      {"declaration order only", {0x30, 0x06, 0x02, 0x01, 0x05, 0x01, 0x01, 0xFF}, ASN1ERR_SEQ_OVERFLOW, false, true},
      {"negative path length", {0x30, 0x03, 0x02, 0x01, 0xFF}, ASN1ERR_CONSTRAINT, false, false},
      {"element runs past the length", {0x30, 0x02, 0x02, 0x01, 0x05}, -5, false, false},
      {"unterminated indefinite", {0x30, 0x80, 0x01, 0x01, 0xFF}, ASN1ERR_END_OF_BUFFER, true, false},
   };
   for (const auto& k : cases) {
      SCOPED_TRACE(k.what);
      Ctxt d;
      ASN1T_BasicConstraintsSyntax out;
      int stat = decode(&d, asn1D_BasicConstraintsSyntax, out, k.in);
      EXPECT_EQ(stat, k.status);
      if (stat == 0) {
         EXPECT_EQ(out.cA != 0, k.cA);
         EXPECT_EQ(out.m.pathLenConstraintPresent != 0, k.lenPresent);
      }
   }
}

TEST(GeneratedBer, SizeConstraintsOnArraysAndLists)
{
   Ctxt c;
   int st = 0;
   ASN1T_CertPolicySet empty{};
   encode(&c, asn1E_CertPolicySet, empty, &st);
   EXPECT_EQ(st, ASN1ERR_CONSTRAINT);
   ASN1T_RelativeDistinguishedName rdn;
   encode(&c, asn1E_RelativeDistinguishedName, rdn, &st);
   EXPECT_EQ(st, ASN1ERR_CONSTRAINT);
   Ctxt d;
   ASN1T_CertPolicySet out{};
   EXPECT_EQ(decode(&d, asn1D_CertPolicySet, out, {0x30, 0x00}), ASN1ERR_CONSTRAINT);
   Ctxt e;
   ASN1T_CertPolicySet two{};
   EXPECT_EQ(decode(&e, asn1D_CertPolicySet, two, {0x30, 0x06, 0x06, 0x01, 0x2A, 0x06, 0x01, 0x2B}), 0);
   ASSERT_EQ(two.n, 2u);
   EXPECT_EQ(two.elem[1].numids, 2u);
   EXPECT_EQ(two.elem[1].subid[1], 3u);
}

TEST(GeneratedBer, RelativeDistinguishedNameInDerOrder)
{
   // Two AttributeTypeAndValue elements given in reverse DER order.
   ASN1T_AttributeTypeAndValue a, b;
   const OSOCTET valueA[] = {0x13, 0x01, 'Z'};
   const OSOCTET valueB[] = {0x13, 0x01, 'A'};
   a.type = ASN1TObjId(id_at_commonName);
   a.value.numocts = 3;
   a.value.data = valueA;
   b.type = ASN1TObjId(id_at_commonName);
   b.value.numocts = 3;
   b.value.data = valueB;
   ASN1T_RelativeDistinguishedName rdn;
   Asn1RTDListNode na{&a, nullptr, nullptr}, nb{&b, nullptr, nullptr};
   na.next = &nb;
   nb.prev = &na;
   rdn.head = &na;
   rdn.tail = &nb;
   rdn.count = 2;
   Ctxt c;
   int st = 0;
   Bytes out = encode(&c, asn1E_RelativeDistinguishedName, rdn, &st);
   ASSERT_GT(st, 0);
   EXPECT_EQ(hex(out), "31 14 30 08 06 03 55 04 03 13 01 41 30 08 06 03 55 04 03 13 01 5A");
}

TEST(GeneratedBer, ChoiceSelectorsAndTags)
{
   Ctxt c;
   int st = 0;
   ASN1T_GeneralName gn;
   for (OSUINT32 t : {0u, 10u}) {
      gn.t = t;
      encode(&c, asn1E_GeneralName, gn, &st);
      EXPECT_EQ(st, ASN1ERR_INVALID_CHOICE) << t;
   }
   gn.t = T_GeneralName_dNSName;
   gn.u.dNSName = "a.example";
   EXPECT_EQ(hex(encode(&c, asn1E_GeneralName, gn, &st)), "82 09 61 2E 65 78 61 6D 70 6C 65");
   Ctxt d;
   ASN1T_GeneralName out;
   EXPECT_EQ(decode(&d, asn1D_GeneralName, out, {0x89, 0x01, 0x00}), ASN1ERR_INVALID_CHOICE);
   Ctxt e;
   EXPECT_EQ(decode(&e, asn1D_GeneralName, out, {0x87, 0x04, 10, 0, 0, 1}), 0);
   ASSERT_EQ(out.t, static_cast<OSUINT32>(T_GeneralName_iPAddress));
   EXPECT_EQ(out.u.iPAddress->numocts, 4u);
   // directoryName [4] is EXPLICIT around the Name CHOICE.
   Ctxt f;
   EXPECT_EQ(decode(&f, asn1D_GeneralName, out, {0xA4, 0x02, 0x30, 0x00}), 0);
   EXPECT_EQ(out.t, static_cast<OSUINT32>(T_GeneralName_directoryName));
}

TEST(GeneratedBer, EnumeratedRangeAndNamedBitCapacity)
{
   Ctxt c;
   int st = 0;
   ASN1T_CRLReason r = 11;
   encode(&c, asn1E_CRLReason, r, &st);
   EXPECT_EQ(st, ASN1ERR_INVALID_ENUM);
   r = 7;   // inside the range, between two enumerators: BER passes it
   EXPECT_EQ(hex(encode(&c, asn1E_CRLReason, r, &st)), "0A 01 07");
   Ctxt d;
   EXPECT_EQ(decode(&d, asn1D_CRLReason, r, {0x0A, 0x01, 0x0B}), ASN1ERR_INVALID_ENUM);

   Ctxt e;
   ASN1T_KeyUsage ku;
   EXPECT_EQ(decode(&e, asn1D_KeyUsage, ku, {0x03, 0x03, 0x07, 0x80, 0x80}), 0);   // 9 bits
   EXPECT_EQ(ku.numbits, 9u);
   Ctxt f;
   EXPECT_NE(decode(&f, asn1D_KeyUsage, ku, {0x03, 0x03, 0x06, 0x80, 0xC0}), 0);  // 10 bits
}

TEST(GeneratedBer, CorpusCertificatesAndCrlsRoundTrip)
{
   std::string root = QVASN1_CORPUS_DIR;
   auto certs = derFiles(root + "/Certificate");
   auto crls = derFiles(root + "/CertificateList");
   if (certs.empty() && crls.empty()) GTEST_SKIP() << "corpus not found at " << root;
   // Files that cannot round-trip, with the decoder status they give:
   // Version is held unsigned in 32 bits (as the record model requires), so a
   // negative or longer version is refused; Extensions is
   // SIZE (1..MAX), so a present but empty extensions list is refused.
   std::vector<std::pair<std::string, int>> exceptions = {
      {"boringssl-crypto-x509-x509_test-48.der", -33},   // version -1
      {"boringssl-crypto-x509-x509_test-50.der", -33},   // version of 36 octets
      {"boringssl-parse_certificate_unittest-extensions_empty_sequence.der", ASN1ERR_CONSTRAINT},
      {"boringssl-x509-unusual_tbs_empty_extension_not_omitted.der", ASN1ERR_CONSTRAINT},
      {"webpki-crl.entry.empty.ext.seq.der", ASN1ERR_CONSTRAINT},
      {"boringssl-crypto-x509-x509_test-59.der", ASN1ERR_CONSTRAINT},
      {"boringssl-crypto-x509-x509_test-60.der", ASN1ERR_CONSTRAINT},
   };
   // And the files whose extension or attribute values the object tables
   // refuse.
   for (const auto* failures : {&kCertificateFailures, &kCrlFailures})
      for (const auto& f : *failures) {
         bool listed = false;
         for (const auto& x : exceptions) listed = listed || x.first == f.first;
         if (!listed) exceptions.push_back(f);
      }
   int checked = 0, excepted = 0;
   auto roundTrip = [&](const std::string& path, auto decodeFn, auto encodeFn, auto rec) {
      SCOPED_TRACE(path);
      Bytes in = readFile(path);
      for (const auto& x : exceptions) {
         const std::string& u = x.first;
         if (path.size() >= u.size() && path.compare(path.size() - u.size(), u.size(), u) == 0) {
            Ctxt d;
            EXPECT_EQ(decode(&d, decodeFn, rec, in), x.second);
            ++excepted;
            return;
         }
      }
      Ctxt d;
      ASSERT_EQ(decode(&d, decodeFn, rec, in), 0);
      Ctxt e;
      int st = 0;
      Bytes out = encode(&e, encodeFn, rec, &st);
      ASSERT_GT(st, 0);
      EXPECT_TRUE(out == in);
      ++checked;
   };
   for (const auto& p : certs) roundTrip(p, asn1D_Certificate, asn1E_Certificate, ASN1T_Certificate());
   for (const auto& p : crls) roundTrip(p, asn1D_CertificateList, asn1E_CertificateList, ASN1T_CertificateList());
   EXPECT_EQ(excepted, static_cast<int>(exceptions.size()));
   EXPECT_EQ(checked + excepted, static_cast<int>(certs.size() + crls.size()));
}

namespace {

// A buffer of a kind the BER control classes do not handle.
class OtherBuffer : public ASN1MessageBufferIF {
public:
   OtherBuffer() : ctxt_(new ASN1Context()) {}
   ASN1CtxtPtr getContext() override { return ctxt_; }
   ASN1CTXT* getCtxtPtr() override { return ctxt_->getPtr(); }
   bool isA(Type) override { return false; }
private:
   ASN1CtxtPtr ctxt_;
};

}

TEST(GeneratedControl, EncodeToAndDecodeFromBerBuffers)
{
   ASN1T_BasicConstraintsSyntax bc;
   bc.cA = TRUE;
   bc.m.pathLenConstraintPresent = 1;
   bc.pathLenConstraint = 0;
   ASN1BEREncodeBuffer enc;
   ASN1C_BasicConstraintsSyntax ce(enc, bc);
   int len = ce.Encode();
   ASSERT_EQ(len, 8);
   Bytes out(enc.getMsgPtr(), enc.getMsgPtr() + len);
   EXPECT_EQ(hex(out), "30 06 01 01 FF 02 01 00");

   ASN1BERDecodeBuffer dec(out.data(), static_cast<int>(out.size()));
   ASN1T_BasicConstraintsSyntax back;
   ASN1C_BasicConstraintsSyntax cd(dec, back);
   EXPECT_EQ(cd.Decode(), 0);
   EXPECT_NE(back.cA, 0);
   EXPECT_EQ(back.m.pathLenConstraintPresent, 1u);
   EXPECT_STREQ(ASN1C_BasicConstraintsSyntax::typeName(), "BasicConstraintsSyntax");

   OtherBuffer other;
   ASN1C_BasicConstraintsSyntax co(bc);
   EXPECT_EQ(co.EncodeTo(other), ASN1ERR_NOT_SUPPORTED);
   EXPECT_EQ(co.DecodeFrom(other), ASN1ERR_NOT_SUPPORTED);

   // A type reference's class is its referenced type's class.
   ASN1T_CertificateIssuer issuer;
   ASN1C_CertificateIssuer ci(enc, issuer);
   ASN1C_GeneralNames& asBase = ci;
   EXPECT_EQ(asBase.Encode(), ASN1ERR_CONSTRAINT);   // SIZE (1..MAX): an empty list
}

TEST(GeneratedBer, DefiniteAndIndefiniteFormsDecodeAlike)
{
   // Validity { notBefore UTCTime, notAfter GeneralizedTime } in both forms.
   const Bytes definite = {0x30, 0x20, 0x17, 0x0D, '2', '4', '0', '1', '0', '1', '0', '0', '0', '0', '0', '0', 'Z',
                           0x18, 0x0F, '2', '0', '5', '0', '0', '1', '0', '1', '0', '0', '0', '0', '0', '0', 'Z'};
   Bytes indefinite = definite;
   indefinite[1] = 0x80;
   indefinite.push_back(0);
   indefinite.push_back(0);
   Ctxt a, b;
   ASN1T_Validity va, vb;
   ASSERT_EQ(decode(&a, asn1D_Validity, va, definite), 0);
   ASSERT_EQ(decode(&b, asn1D_Validity, vb, indefinite), 0);
   EXPECT_EQ(va.notBefore.t, vb.notBefore.t);
   EXPECT_STREQ(va.notBefore.u.utcTime, vb.notBefore.u.utcTime);
   EXPECT_EQ(vb.notAfter.t, static_cast<OSUINT32>(T_Time_generalTime));
   EXPECT_STREQ(va.notAfter.u.generalTime, vb.notAfter.u.generalTime);
   Ctxt e;
   int st = 0;
   EXPECT_TRUE(encode(&e, asn1E_Validity, vb, &st) == definite);
}

// PKIMessage contains itself through the nested body: a message nested far
// deeper than any real one is refused with a status, not a stack overflow.
TEST(GeneratedBer, RecursiveTypesHaveADepthLimit)
{
   // header: pvno 2, sender and recipient as empty directory names.
   const Bytes header = {0x30, 0x0B, 0x02, 0x01, 0x02, 0xA4, 0x02, 0x30, 0x00, 0xA4, 0x02, 0x30, 0x00};
   auto nest = [&](int levels) {
      Bytes b;
      for (int i = 0; i < levels; ++i) {
         b.insert(b.end(), {0x30, 0x80});
         b.insert(b.end(), header.begin(), header.end());
         b.insert(b.end(), {0xB4, 0x80});
      }
      // The innermost body: pkiconf [19] NULL.
      b.insert(b.end(), {0x30, 0x80});
      b.insert(b.end(), header.begin(), header.end());
      b.insert(b.end(), {0xB3, 0x02, 0x05, 0x00, 0x00, 0x00});
      for (int i = 0; i < levels; ++i) b.insert(b.end(), {0x00, 0x00, 0x00, 0x00});
      return b;
   };
   {
      Ctxt c;
      ASN1T_PKIMessage msg;
      EXPECT_EQ(decode(&c, asn1D_PKIMessage, msg, nest(3)), 0);
      EXPECT_EQ(msg.body.t, static_cast<OSUINT32>(T_PKIBody_nested));
   }
   {
      Ctxt c;
      ASN1T_PKIMessage msg;
      EXPECT_EQ(decode(&c, asn1D_PKIMessage, msg, nest(5000)), ASN1ERR_NOT_SUPPORTED);
   }
}

// Gost28147-89-BlobParameters ::= SEQUENCE { encryptionParamSet, ... }:
// unknown trailing elements are kept in order and written back unchanged.
TEST(GeneratedBer, ExtensionElementsRoundTrip)
{
   const Bytes in = {0x30, 0x0D, 0x06, 0x03, 0x2A, 0x03, 0x04,   // the root component
                     0x02, 0x01, 0x07,                          // two unknown elements
                     0xA5, 0x03, 0x04, 0x01, 0xFF};
   Ctxt d;
   ASN1T_Gost28147_89_BlobParameters blob;
   ASSERT_EQ(decode(&d, asn1D_Gost28147_89_BlobParameters, blob, in), 0);
   ASSERT_EQ(blob.extElem1.count, 2u);
   auto* first = static_cast<ASN1OpenType*>(blob.extElem1.head->data);
   EXPECT_EQ(hex(Bytes(first->data, first->data + first->numocts)), "02 01 07");
   Ctxt e;
   int st = 0;
   EXPECT_EQ(hex(encode(&e, asn1E_Gost28147_89_BlobParameters, blob, &st)), hex(in));

   // Without extension elements nothing follows the root.
   ASN1T_Gost28147_89_BlobParameters plain;
   plain.encryptionParamSet = blob.encryptionParamSet;
   EXPECT_EQ(hex(encode(&e, asn1E_Gost28147_89_BlobParameters, plain, &st)), "30 05 06 03 2A 03 04");
}

// The presence bit of a DEFAULT component with a named value decides
// whether it is written, whatever the field holds.
TEST(GeneratedBer, PresenceBitDecidesANamedDefault)
{
   std::string root = QVASN1_CORPUS_DIR;
   Bytes in = readFile(root + "/Certificate/LightweightCmpRa-CMP_CA_Chain.der");
   if (in.empty()) GTEST_SKIP() << "corpus not found at " << root;
   Ctxt d;
   ASN1T_Certificate cert;
   ASSERT_EQ(decode(&d, asn1D_Certificate, cert, in), 0);
   ASSERT_EQ(cert.tbsCertificate.m.versionPresent, 1u);
   EXPECT_EQ(cert.tbsCertificate.version, 2u);
   cert.tbsCertificate.m.versionPresent = 0;   // version still holds v3
   Ctxt e;
   int st = 0;
   Bytes out = encode(&e, asn1E_Certificate, cert, &st);
   ASSERT_GT(st, 0);
   EXPECT_EQ(out.size() + 5, in.size());   // A0 03 02 01 02 left out
   Ctxt f;
   ASN1T_Certificate back;
   ASSERT_EQ(decode(&f, asn1D_Certificate, back, out), 0);
   EXPECT_EQ(back.tbsCertificate.m.versionPresent, 0u);
}

// Mutated certificates: every decode ends in a status (success or a negative
// code) without reading outside the input; run under the asan preset this
// also checks the generated decoders for over-reads.
TEST(GeneratedBer, MutatedCertificatesDecodeSafely)
{
   std::string root = QVASN1_CORPUS_DIR;
   Bytes seed = readFile(root + "/Certificate/LightweightCmpRa-CMP_CA_Chain.der");
   if (seed.empty()) GTEST_SKIP() << "corpus not found at " << root;
   uint32_t state = 12345;
   auto next = [&]() {
      state = state * 1103515245u + 12345u;
      return state >> 8;
   };
   int failures = 0;
   for (int round = 0; round < 3000; ++round) {
      Bytes in = seed;
      int edits = 1 + static_cast<int>(next() % 4);
      for (int e = 0; e < edits; ++e) {
         size_t pos = next() % in.size();
         switch (next() % 4) {
         case 0: in[pos] = static_cast<OSOCTET>(next()); break;       // any octet
         case 1: in[pos] ^= static_cast<OSOCTET>(1u << (next() % 8)); break;
         case 2: in[pos] = 0x80; break;                                // indefinite length
         default: in.resize(pos + 1); break;                           // truncation
         }
      }
      // An exact-size copy, so that asan sees any read past the end.
      std::unique_ptr<OSOCTET[]> exact(new OSOCTET[in.size()]);
      memcpy(exact.get(), in.data(), in.size());
      Ctxt d;
      ASN1T_Certificate cert;
      ASN1TAG tag = 0;
      int len = 0;
      int stat = xd_setp(&d, exact.get(), static_cast<int>(in.size()), &tag, &len);
      if (stat == 0) stat = asn1D_Certificate(&d, &cert, ASN1TAG_EXPLICIT, 0);
      EXPECT_LE(stat, 0);
      if (stat < 0) ++failures;
   }
   EXPECT_GT(failures, 0);
}

// The signed part of an attribute certificate is kept as received; its
// decoder reads those octets as an AttributeCertificateInfo. The module
// holds the version 1 syntax and the corpus has version 2 certificates, so
// the inner decode ends in a status (the subject CHOICE differs).
TEST(GeneratedBer, AttributeCertificateToBeSignedDecoder)
{
   std::string root = QVASN1_CORPUS_DIR;
   auto files = derFiles(root + "/AttributeCertificate");
   if (files.empty()) GTEST_SKIP() << "corpus not found at " << root;
   int decoded = 0;
   for (const auto& path : files) {
      SCOPED_TRACE(path);
      Bytes in = readFile(path);
      Ctxt d;
      ASN1T_AttributeCertificate ac;
      if (decode(&d, asn1D_AttributeCertificate, ac, in) != 0) continue;   // other versions
      Ctxt t;
      ASN1T_AttributeCertificateInfo info;
      ASSERT_EQ(xd_setp(&t, ac.toBeSigned.data, static_cast<int>(ac.toBeSigned.numocts), nullptr, nullptr), 0);
      int stat = asn1D_AttributeCertificate_toBeSigned_OpenType(&t, &info);
      EXPECT_TRUE(stat == 0 || stat == ASN1ERR_INVALID_CHOICE) << stat;
      ++decoded;
   }
   EXPECT_GT(decoded, 0);
}
