// Real certificates, CRLs and CMS messages through the value classes of
// extensions, integers, times and signer information. Every field is taken
// out of the file's own octets with a DER reader and compared with what the
// value class writes, so that a codec that drops or changes a byte shows.
// The counts of each outcome are printed and recorded as test properties.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "CMSTraits.h"
#include "ExtensionTraits.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using namespace wrappertest;
using Corvane::CBlob;

namespace {

// Outcome counts of one test, printed and recorded at the end.
class Tally {
public:
   explicit Tally(const char* what) : m_what(what) {}
   ~Tally()
   {
      std::cout << "[ corpus   ] " << m_what << ":";
      for (const auto& c : m_counts) {
         std::cout << " " << c.first << "=" << c.second;
         ::testing::Test::RecordProperty(c.first, std::to_string(c.second));
      }
      std::cout << std::endl;
   }
   void add(const std::string& outcome) { ++m_counts[outcome]; }
   void put(const std::string& what, int n) { m_counts[what] = n; }

private:
   const char* m_what;
   std::map<std::string, int> m_counts;
};

std::string statusText(int status)
{
   char buf[16];
   snprintf(buf, sizeof buf, "%08X", (unsigned)status);
   return buf;
}

// The year of a UTCTime or GeneralizedTime element (RFC 5280 reading of
// UTCTime: 50..99 is 19xx).
int yearOf(const Element& t)
{
   auto digits = [&](int at, int n) {
      int v = 0;
      for (int i = 0; i < n; ++i) v = v * 10 + (t.contents[at + i] - '0');
      return v;
   };
   if (t.tag == 0x17) {
      int yy = digits(0, 2);
      return yy < 50 ? 2000 + yy : 1900 + yy;
   }
   return digits(0, 4);
}

// True when the generated decoder of Extension, which also decodes the value
// of a known extension, refuses one of the list's extensions on its own.
bool holdsRefusedValue(const Element& list)
{
   for (const Element& e : children(list)) {
      CBlob der = e.whole();
      ASN1BERDecodeBuffer dec(der.pbData(), (int)der.cbData());
      asn1data::ASN1T_Extension rec;
      asn1data::ASN1C_Extension ctl(dec, rec);
      if (ctl.Decode() != 0) return true;
   }
   return false;
}

TEST(WrapperCorpus, CertificateSerialsValidityAndExtensions)
{
   std::vector<std::string> files = corpusFiles("Certificate");
   if (files.empty()) GTEST_SKIP() << "corpus not found at " << QVASN1_CORPUS_DIR;
   Tally serials("serial numbers"), times("validity times"), exts("extension lists");
   for (const std::string& path : files) {
      SCOPED_TRACE(path);
      CBlob file = readFile(path);
      Element cert;
      ASSERT_TRUE(readWhole(file, cert));
      std::vector<Element> top = children(cert);
      ASSERT_EQ(top.size(), 3u);
      std::vector<Element> tbs = children(top[0]);
      size_t i = !tbs.empty() && tbs[0].tag == 0xA0 ? 1 : 0;
      ASSERT_GE(tbs.size(), i + 6);

      // serialNumber: the content octets as they are, and the same DER.
      const Element& serial = tbs[i];
      CBigInteger value;
      int st = statusOf([&] { value.decode(serial.whole()); });
      if (st != 0) {
         serials.add("throws " + statusText(st));
         ADD_FAILURE() << "serial " << hexOf(serial.whole()) << ": " << statusText(st);
      }
      else if (hexOf(value) != hexOf(serial.value()) || hexOf(value.encode()) != hexOf(serial.whole())) {
         serials.add("changed");
         ADD_FAILURE() << "serial " << hexOf(serial.whole()) << " came back as " << hexOf(value.encode());
      }
      else {
         serials.add((serial.contents[0] & 0x80) != 0 ? "unchanged (negative)" : "unchanged");
      }

      // validity: unchanged wherever the certificate follows RFC 5280
      // (UTCTime up to 2049, GeneralizedTime "YYYYMMDDHHMMSSZ" from 2050).
      for (const Element& t : children(tbs[i + 3])) {
         int year = yearOf(t);
         size_t len = (size_t)(t.end - t.contents);
         bool utcForm = t.tag == 0x17 && len == 13;
         bool genForm = t.tag == 0x18 && len == 15 && t.contents[14] == 'Z';
         bool followsRule = utcForm || (genForm && (year < 1950 || year > 2049));
         CTimeChoice choice;
         st = statusOf([&] { choice.decode(t.whole()); });
         if (st != 0) {
            // The date class holds the years 1 to 9999.
            bool yearZero = year == 0;
            times.add(yearZero && st == CRYPT_E_ASN1_INTERNAL ? "year 0000, refused" : "throws " + statusText(st));
            EXPECT_TRUE(yearZero) << "time " << hexOf(t.whole()) << ": " << statusText(st);
            continue;
         }
         CBlob again = choice.encode();
         if (followsRule) {
            times.add(again == t.whole() ? "unchanged" : "changed");
            EXPECT_EQ(hexOf(again), hexOf(t.whole()));
         }
         else if (genForm) {
            // GeneralizedTime for a year UTCTime must carry: read as the same
            // instant, written back as the UTCTime RFC 5280 asks for.
            times.add("GeneralizedTime before 2050, rewritten as UTCTime");
            EXPECT_EQ(choice.get_type(), (unsigned)CTimeChoice::utcTime);
            CTimeChoice reread;
            reread.decode(again);
            EXPECT_EQ(reread, choice);
            std::string text(reinterpret_cast<const char*>(t.contents), len);
            EXPECT_EQ(*choice.get_time(), Corvane::CDateTime(text.c_str()));
         }
         else {
            times.add("other form (tag " + std::to_string(t.tag) + ", " + std::to_string(len) + " chars)");
         }
      }

      // extensions: decode and encode give the same octets.
      const Element* extField = nullptr;
      for (size_t k = i + 6; k < tbs.size(); ++k)
         if (tbs[k].tag == 0xA3) extField = &tbs[k];
      if (extField == nullptr) {
         exts.add("no extensions");
         continue;
      }
      std::vector<Element> inner = children(*extField);
      ASSERT_EQ(inner.size(), 1u);
      CExtensions list;
      st = statusOf([&] { list.decode(inner[0].whole()); });
      if (st != 0) {
         // Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension
         bool empty = inner[0].end == inner[0].contents;
         exts.add(empty && st == CRYPT_E_ASN1_INTERNAL ? "empty list, refused" : "decode throws " + statusText(st));
         EXPECT_TRUE(empty) << "extensions: " << statusText(st);
         continue;
      }
      EXPECT_EQ(list.size(), children(inner[0]).size());
      CBlob encoded;
      st = statusOf([&] { encoded = list.encode(); });
      if (st != 0) {
         // Only a value that breaks its extension's syntax is refused.
         bool refused = holdsRefusedValue(inner[0]);
         exts.add(refused && st == CRYPT_E_ASN1_INTERNAL ? "a value breaks its syntax, refused by encode"
                                                         : "encode throws " + statusText(st));
         EXPECT_TRUE(refused) << "extensions: " << statusText(st);
      }
      else {
         exts.add(encoded == inner[0].whole() ? "unchanged" : "changed");
         EXPECT_EQ(hexOf(encoded), hexOf(inner[0].whole()));
      }
   }
}

TEST(WrapperCorpus, CrlEntryExtensions)
{
   std::vector<std::string> files = corpusFiles("CertificateList");
   if (files.empty()) GTEST_SKIP() << "corpus not found at " << QVASN1_CORPUS_DIR;
   Tally tally("CRL entry extensions");
   // Each typed value: read from the bytes, then written from its member.
   struct Typed {
      std::string name;
      std::function<CBlob(const CBlob&)> roundTrip;
      // The value's outer form as the extension's syntax has it: reasonCode
      // an ENUMERATED up to 10, invalidityDate a GeneralizedTime, the hold
      // instruction an OBJECT IDENTIFIER, certificateIssuer a SEQUENCE.
      std::function<bool(const CBlob&)> wellFormed;
   };
   auto startsWith = [](unsigned char tag) {
      return [tag](const CBlob& v) { return v.cbData() > 0 && v.pbData()[0] == tag; };
   };
   const std::map<std::string, Typed> typed = {
      {"551D15",
       {"reasonCode", [](const CBlob& v) { return CExtCRLReason(CExtCRLReason(v).get_reason()).get_value(); },
        [](const CBlob& v) { return v.cbData() == 3 && hexOf(v).substr(0, 4) == "0A01" && v.pbData()[2] <= 10; }}},
      {"551D18",
       {"invalidityDate",
        [](const CBlob& v) { return CExtInvalidityDate(CExtInvalidityDate(v).get_invalidityDate()).get_value(); },
        startsWith(0x18)}},
      {"551D17",
       {"holdInstructionCode",
        [](const CBlob& v) {
           return CExtHoldInstructionCode(CExtHoldInstructionCode(v).get_code().c_str()).get_value();
        },
        startsWith(0x06)}},
      {"551D1D",
       {"certificateIssuer",
        [](const CBlob& v) { return CExtCertificateIssuer(CExtCertificateIssuer(v).get_issuer()).get_value(); },
        startsWith(0x30)}},
   };
   int entries = 0;
   for (const std::string& path : files) {
      SCOPED_TRACE(path);
      CBlob file = readFile(path);
      Element crl;
      ASSERT_TRUE(readWhole(file, crl));
      std::vector<Element> tbs = children(children(crl).at(0));
      size_t i = !tbs.empty() && tbs[0].tag == 0x02 ? 1 : 0;  // version
      i += 3;                                                  // signature, issuer, thisUpdate
      if (i < tbs.size() && (tbs[i].tag == 0x17 || tbs[i].tag == 0x18)) ++i;  // nextUpdate
      if (i >= tbs.size() || tbs[i].tag != 0x30) continue;                   // no revokedCertificates
      for (const Element& entry : children(tbs[i])) {
         ++entries;
         std::vector<Element> fields = children(entry);
         if (fields.size() < 3) continue;
         for (const Element& ext : children(fields[2])) {
            std::vector<Element> parts = children(ext);
            ASSERT_GE(parts.size(), 2u);
            auto known = typed.find(hexOf(parts[0].value()));
            if (known == typed.end()) {
               tally.add("other extension");
               continue;
            }
            CBlob value = parts.back().value();
            CBlob again;
            const Typed& type = known->second;
            int st = statusOf([&] { again = type.roundTrip(value); });
            if (st != 0) {
               bool bad = !type.wellFormed(value);
               tally.add(type.name + (bad && st == CRYPT_E_ASN1_INTERNAL ? " not of its syntax, refused"
                                                                          : " throws " + statusText(st)));
               EXPECT_TRUE(bad) << type.name << " " << hexOf(value) << ": " << statusText(st);
            }
            else if (again != value) {
               tally.add(type.name + " changed");
               ADD_FAILURE() << type.name << " " << hexOf(value) << " came back as " << hexOf(again);
            }
            else {
               tally.add(type.name + " unchanged");
            }
         }
      }
   }
   tally.put("entries walked", entries);
}

// The generated ContentInfo decoder (which decodes the content of a known
// type too) accepts the file.
bool generatedContentInfoReads(const CBlob& der)
{
   ASN1BERDecodeBuffer dec(der.pbData(), (int)der.cbData());
   asn1data::ASN1T_ContentInfo rec;
   asn1data::ASN1C_ContentInfo ctl(dec, rec);
   return ctl.Decode() == 0;
}

TEST(WrapperCorpus, SignerInfos)
{
   std::vector<std::string> files = corpusFiles("ContentInfo");
   if (files.empty()) GTEST_SKIP() << "corpus not found at " << QVASN1_CORPUS_DIR;
   Tally messages("ContentInfo messages"), signers("SignerInfos");
   const std::string kSignedData = "2A864886F70D010702";
   for (const std::string& path : files) {
      SCOPED_TRACE(path);
      CBlob file = readFile(path);

      // The envelope through CContentInfo.
      CContentInfo ci;
      CBlob encoded;
      int st = statusOf([&] {
         ci.decode(file);
         encoded = ci.encode();
      });
      if (st != 0) {
         bool generatedRefuses = !generatedContentInfoReads(file);
         messages.add(generatedRefuses && st == CRYPT_E_ASN1_INTERNAL ? "the generated decoder refuses it"
                                                                      : "throws " + statusText(st));
         EXPECT_TRUE(generatedRefuses) << "ContentInfo: " << statusText(st);
      }
      else {
         messages.add(encoded == file ? "unchanged" : "changed");
         EXPECT_EQ(encoded, file);
      }

      // Every SignerInfo of a SignedData, taken out by the DER reader and
      // decoded on its own.
      Element top;
      ASSERT_TRUE(readWhole(file, top));
      std::vector<Element> ciParts = children(top);
      ASSERT_EQ(ciParts.size(), 2u);
      if (hexOf(ciParts[0].value()) != kSignedData) continue;
      std::vector<Element> sd = children(children(ciParts[1]).at(0));
      ASSERT_GE(sd.size(), 4u);
      for (const Element& signer : children(sd.back())) {
         CBlob der = signer.whole();
         ASN1BERDecodeBuffer dec(der.pbData(), (int)der.cbData());
         asn1data::ASN1T_SignerInfo rec;
         asn1data::ASN1C_SignerInfo ctl(dec, rec);
         if (ctl.Decode() != 0) {
            signers.add("the generated decoder refuses it");
            ADD_FAILURE() << "SignerInfo does not decode";
            continue;
         }
         std::vector<Element> f = children(signer);
         ASSERT_GE(f.size(), 5u);
         CSignerInfo si;
         st = statusOf([&] { ASN1T_SignerInfo_get(si, rec); });
         if (st != 0) {
            bool ski = f[1].tag == 0x80;
            signers.add(ski && st == CRYPT_E_ASN1_INTERNAL ? "subjectKeyIdentifier, refused"
                                                           : "throws " + statusText(st));
            EXPECT_TRUE(ski) << statusText(st);
            EXPECT_EQ(st, CRYPT_E_ASN1_INTERNAL);
            continue;
         }
         const Element& sigAlg = f[3].tag == 0xA0 ? f[4] : f[3];
         const Element& sig = f[3].tag == 0xA0 ? f[5] : f[4];
         std::vector<Element> sid = children(f[1]);
         ASSERT_EQ(sid.size(), 2u);
         bool same = hexOf(si.get_digestAlgorithm().encode()) == hexOf(f[2].whole()) &&
                     hexOf(si.get_signatureAlgorithm().encode()) == hexOf(sigAlg.whole()) &&
                     si.get_issuer() == sid[0].whole() && hexOf(si.get_serialNumber()) == hexOf(sid[1].value()) &&
                     si.get_signature() == sig.value() && si.get_version() == (unsigned)f[0].contents[0];
         signers.add(same ? "issuerAndSerialNumber, read, algorithms re-encode unchanged" : "changed");
         EXPECT_TRUE(same);
      }
   }
}

}  // namespace
