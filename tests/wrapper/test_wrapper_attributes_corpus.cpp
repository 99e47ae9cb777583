// The signed attributes of every SignerInfo of the corpus's CMS messages
// through the value classes: the attribute set, each attribute and each
// typed value re-encode to their original octets.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "AttributeTraits.h"
#include "CorpusDer.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;
using corpus::Tlv;

namespace {

// The signed attributes ([0] IMPLICIT SET OF Attribute) of each SignerInfo
// of a SignedData ContentInfo.
std::vector<Tlv> signedAttributes(const std::vector<unsigned char>& der)
{
   std::vector<Tlv> out, ci, sd, fields, infos, si;
   Tlv top, content;
   if (!corpus::readTlv(der.data(), der.size(), top) || !corpus::children(top, ci) || ci.size() != 2) return out;
   if (!(ci[0].contents() == hexBlob("2A864886F70D010702")) || !corpus::children(ci[1], sd) || sd.size() != 1) return out;
   if (!corpus::children(sd[0], fields) || fields.empty() || fields.back().tag != 0x31) return out;
   if (!corpus::children(fields.back(), infos)) return out;
   for (const Tlv& info : infos)
      if (corpus::children(info, si))
         for (const Tlv& f : si)
            if (f.tag == 0xA0) out.push_back(f);
   return out;
}

// A signing-certificate value read and written again from its typed
// contents.
template <class T>
CBlob reencode(const CBlob& bytes)
{
   T read(bytes);
   T made(read.get_certs());
   made.put_policies(read.get_policies());
   return made.get_value();
}

// The typed class of an attribute value, re-encoded; "" for a type without
// one here.
std::string typedOutcome(const CAttrValue& v)
{
   std::string oid = v.get_oid();
   CBlob again;
   int st = statusOf([&] {
      // Each typed value is read from the bytes, then re-encoded from its
      // typed contents.
      if (oid == "1.2.840.113549.1.9.3") {
         again = CAttrContentType(CAttrContentType(v.get_value()).get_contentType()).get_value();
      }
      else if (oid == "1.2.840.113549.1.9.4") {
         CAttrMessageDigest d;
         d.put_messageDigest(CAttrMessageDigest(v.get_value()).get_messageDigest());
         again = d.get_value();
      }
      else if (oid == "1.2.840.113549.1.9.5") {
         again = CAttrSigningTime(CAttrSigningTime(v.get_value()).get_time()).get_value();
      }
      else if (oid == "1.2.840.113549.1.9.16.2.12") {
         again = reencode<CAttrSigningCertificate>(v.get_value());
      }
      else if (oid == "1.2.840.113549.1.9.16.2.47") {
         again = reencode<CAttrSigningCertificateV2>(v.get_value());
      }
      else if (oid == "1.2.840.113549.1.9.16.2.19") {
         again = reencode<CAttrOtherSigningCertificate>(v.get_value());
      }
      else {
         again = v.get_value();
      }
   });
   if (st != 0) return "refused";
   return again == v.get_value() ? "same" : "differs";
}

const char* typeName(const std::string& oid)
{
   static const std::map<std::string, const char*> names = {
      {"1.2.840.113549.1.9.3", "contentType"},
      {"1.2.840.113549.1.9.4", "messageDigest"},
      {"1.2.840.113549.1.9.5", "signingTime"},
      {"1.2.840.113549.1.9.16.2.12", "signingCertificate"},
      {"1.2.840.113549.1.9.16.2.47", "signingCertificateV2"},
      {"1.2.840.113549.1.9.16.2.19", "otherSigningCertificate"},
   };
   auto it = names.find(oid);
   return it != names.end() ? it->second : "other";
}

TEST(WrapperAttributesCorpus, SignedAttributesRoundTrip)
{
   std::vector<std::string> files = corpus::files("ContentInfo");
   if (files.empty()) GTEST_SKIP() << "no corpus at " << QVASN1_CORPUS_DIR;
   std::map<std::string, int> tally;
   for (const std::string& file : files) {
      std::vector<unsigned char> der = corpus::read(file);
      for (const Tlv& attrs : signedAttributes(der)) {
         // The implicit [0] stands for SET OF: the same octets under the
         // SET tag.
         CBlob set = attrs.blob();
         set.pbData()[0] = 0x31;
         CAttributes attributes;
         CBlob again;
         int st = statusOf([&] {
            attributes.decode(set);
            again = attributes.encode();
         });
         if (st != 0) {
            ADD_FAILURE() << file << ": status " << std::hex << st;
            tally["attribute set: fails"]++;
            continue;
         }
         tally[again == set ? "attribute set: same" : "attribute set: in another order (BER)"]++;
         for (const CAttribute& a : attributes) {
            CAttribute back;
            back.decode(a.encode());
            EXPECT_EQ(back, a) << file;
            for (const CAttrValue& v : a) {
               std::string outcome = typedOutcome(v);
               EXPECT_EQ(outcome, "same") << file << " " << v.get_oid();
               tally[std::string(typeName(v.get_oid())) + ": " + outcome]++;
            }
         }
      }
   }
   for (const auto& t : tally) std::cout << "[ corpus  ] " << t.first << " " << t.second << "\n";
}

}  // namespace
