// The names and general names of every certificate and CRL of the corpus
// through the value classes: each decodes and re-encodes to its original
// octets, or is refused for the reason it should be.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "CorpusDer.h"
#include "TypesTraits.h"
#include "WrapperTestUtil.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;

namespace {

bool unsupportedName(const asn1data::ASN1T_GeneralName* g)
{
   return g->t == asn1data::T_GeneralName_otherName || g->t == asn1data::T_GeneralName_x400Address ||
          g->t == asn1data::T_GeneralName_ediPartyName;
}

bool unsupportedNames(const _Asn1RTDList& list)
{
   for (const _Asn1RTDListNode* n = list.head; n != nullptr; n = n->next)
      if (unsupportedName(static_cast<const asn1data::ASN1T_GeneralName*>(n->data))) return true;
   return false;
}

// Decodes the bytes with the generated control class: -1 when they are not
// a value of the type (octets left over after it included), 1 when the value holds an alternative the value
// classes do not support, 0 otherwise.
template <class Rec, class Ctl, class F>
int generatedVerdict(const CBlob& der, F unsupported)
{
   ASN1BERDecodeBuffer dec(der.pbData(), (int)der.cbData());
   Rec rec;
   Ctl ctl(dec, rec);
   if (ctl.Decode() != 0 || dec.getCtxtPtr()->buffer.byteIndex != der.cbData()) return -1;
   return unsupported(rec) ? 1 : 0;
}

struct Tally {
   std::map<std::string, int> counts;
   void add(const std::string& kind, const std::string& outcome) { counts[kind + ": " + outcome]++; }
   void print() const
   {
      for (const auto& c : counts) std::cout << "[ corpus  ] " << c.first << " " << c.second << "\n";
   }
};

// Decode into Obj and encode again; the outcome against the original octets
// and the generated decoder's verdict.
template <class Obj, class Verdict>
std::string roundTrip(const CBlob& der, Verdict verdict, const std::string& file)
{
   Obj obj;
   CBlob again;
   int st = statusOf([&] {
      obj.decode(der);
      again = obj.encode();
   });
   int v = verdict(der);
   if (st == 0) {
      if (again == der) return "same";
      ADD_FAILURE() << file << ": re-encoded differently";
      return "differs";
   }
   if (v < 0 && st == CRYPT_E_ASN1_INTERNAL) return "not a value of its type";
   if (v == 1 && st == E_INVALIDARG) return "unsupported alternative (refused)";
   ADD_FAILURE() << file << ": status " << std::hex << st << " with verdict " << v;
   return "unexpected";
}

bool sameOid(const CBlob& contents, const char* hex)
{
   CBlob want;
   want.readFromHexString(hex);
   return contents == want;
}

// Whether the designed text form carries this name without loss: registered
// types in their row's string type, no "," or "+" in a text.
bool designedFormIsLossless(const CName& name)
{
   for (const CRelativeDistinguishedName& rdn : name) {
      for (const CAttributeTypeAndValue& a : rdn) {
         CATAVRegister::List::const_iterator row = CATAVRegister::find(a.get_type());
         if (row == CATAVRegister::registered_.end()) continue;
         std::wstring text;
         try {
            text = decodeCharString(a.get_value()).str();
            if (!(encodeCharString(text.c_str(), row->type()) == a.get_value())) return false;
         }
         catch (const ATL::CAtlException&) {
            return false;
         }
         if (text.find_first_of(L",+") != std::wstring::npos) return false;
      }
   }
   return true;
}

void checkName(const corpus::Tlv& field, const std::string& kind, const std::string& file, Tally& tally)
{
   CBlob der = field.blob();
   std::string outcome = roundTrip<CName>(
      der, [](const CBlob& d) { return generatedVerdict<asn1data::ASN1T_Name, asn1data::ASN1C_Name>(d, [](auto&) { return false; }); },
      file);
   tally.add(kind, outcome);
   if (outcome != "same") return;
   CName name;
   name.decode(der);
   // The RFC 4514 form reads back to the same DER, always.
   CName back;
   int st = statusOf([&] { back.fromRFC4514(name.toRFC4514().c_str()); });
   EXPECT_EQ(st, 0) << file;
   if (st == 0) {
      EXPECT_TRUE(back.encode() == der) << file << ": " << std::string(tostring(name.toRFC4514().c_str()));
   }
   tally.add("RFC 4514 form of " + kind, st == 0 && back.encode() == der ? "reads back" : "fails");
   // The designed form does wherever it can carry the name.
   if (!designedFormIsLossless(name)) {
      tally.add("designed form of " + kind, "not lossless (other string type, \",\" or \"+\")");
      return;
   }
   CName designed;
   st = statusOf([&] { designed.fromString(name.toString().c_str()); });
   bool ok = st == 0 && (name.empty() ? designed.empty() : designed.encode() == der);
   if (name.empty()) ok = true;  // "" reads as one empty piece, which the form refuses
   EXPECT_TRUE(ok) << file << ": " << std::string(tostring(name.toString().c_str()));
   tally.add("designed form of " + kind, name.empty() ? "empty name" : ok ? "reads back" : "fails");
}

void checkExtension(const std::pair<CBlob, corpus::Tlv>& ext, const std::string& file, Tally& tally)
{
   using namespace asn1data;
   CBlob value = ext.second.contents();
   const CBlob& oid = ext.first;
   if (sameOid(oid, "551D11") || sameOid(oid, "551D12")) {
      auto verdict = [](const CBlob& d) {
         return generatedVerdict<ASN1T_GeneralNames, ASN1C_GeneralNames>(d, [](ASN1T_GeneralNames& r) { return unsupportedNames(r); });
      };
      tally.add(sameOid(oid, "551D11") ? "subjectAltName" : "issuerAltName", roundTrip<CGeneralNames>(value, verdict, file));
   }
   else if (sameOid(oid, "551D1F")) {
      auto verdict = [](const CBlob& d) {
         return generatedVerdict<ASN1T_CRLDistPointsSyntax, ASN1C_CRLDistPointsSyntax>(d, [](ASN1T_CRLDistPointsSyntax& r) {
            for (const _Asn1RTDListNode* n = r.head; n != nullptr; n = n->next) {
               const ASN1T_DistributionPoint* p = static_cast<const ASN1T_DistributionPoint*>(n->data);
               if (p->m.distributionPointPresent &&
                   (p->distributionPoint.t != T_DistributionPointName_fullName || unsupportedNames(*p->distributionPoint.u.fullName)))
                  return true;
               if (p->m.cRLIssuerPresent && unsupportedNames(p->cRLIssuer)) return true;
            }
            return false;
         });
      };
      tally.add("cRLDistributionPoints", roundTrip<CCRLDistPointsSyntax>(value, verdict, file));
   }
   else if (sameOid(oid, "2B06010505070101")) {
      auto verdict = [](const CBlob& d) {
         return generatedVerdict<ASN1T_AuthorityInfoAccessSyntax, ASN1C_AuthorityInfoAccessSyntax>(
            d, [](ASN1T_AuthorityInfoAccessSyntax& r) {
               for (const _Asn1RTDListNode* n = r.head; n != nullptr; n = n->next)
                  if (unsupportedName(static_cast<const ASN1T_AccessDescription*>(n->data)->accessLocation)) return true;
               return false;
            });
      };
      tally.add("authorityInfoAccess", roundTrip<CAuthorityInfoAccessSyntax>(value, verdict, file));
   }
}

TEST(WrapperNamesCorpus, NamesAndGeneralNamesRoundTrip)
{
   std::vector<std::string> certs = corpus::files("Certificate");
   std::vector<std::string> crls = corpus::files("CertificateList");
   if (certs.empty() && crls.empty()) GTEST_SKIP() << "no corpus at " << QVASN1_CORPUS_DIR;
   Tally tally;
   for (int pass = 0; pass < 2; ++pass) {
      bool crl = pass == 1;
      for (const std::string& file : crl ? crls : certs) {
         std::vector<unsigned char> der = corpus::read(file);
         corpus::SignedObject obj;
         if (!corpus::readSignedObject(der, crl, obj)) {
            tally.add(crl ? "CRL" : "certificate", "outer structure unreadable");
            continue;
         }
         tally.add(crl ? "CRL" : "certificate", "read");
         checkName(obj.issuer, crl ? "CRL issuer" : "issuer", file, tally);
         if (!crl) checkName(obj.subject, "subject", file, tally);
         for (const auto& ext : obj.extensions) checkExtension(ext, file, tally);
      }
   }
   tally.print();
}

}  // namespace
