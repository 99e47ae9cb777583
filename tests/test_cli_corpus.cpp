// The corpus through the type registry and the converter: every DER file of
// a registered type decodes, gives a well-formed XER document, and comes
// back to the same octets both directly and through XER; identify finds each
// folder's type; and the shipped qvasn1 does the same on a sample of
// armoured certificates. Folders whose type is not registered are skipped.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <expat.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Converter.h"
#include "Pem.h"
#include "asn1Registry.h"
#include "asn1ErrCodes.h"
#include "generated/CorpusFailures.h"

using namespace qvasn1tool;

namespace {

const char* const kTopLevel[] = {
   "Certificate", "CertificateList", "CertificationRequest", "ContentInfo", "OCSPRequest",
   "OCSPResponse", "TimeStampReq", "TimeStampResp", "PKIMessage", "CertReqMessages",
   "DVCSRequest", "DVCSResponse", "AttributeCertificate",
};

std::vector<std::string> listDir(const std::string& dir, bool wantDirs)
{
   std::vector<std::string> names;
   DIR* d = opendir(dir.c_str());
   if (d == nullptr) return names;
   while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name[0] == '.') continue;
      struct stat st;
      if (stat((dir + "/" + name).c_str(), &st) != 0) continue;
      if (wantDirs ? S_ISDIR(st.st_mode) : (S_ISREG(st.st_mode) && name.size() > 4 &&
                                            name.compare(name.size() - 4, 4, ".der") == 0))
         names.push_back(name);
   }
   closedir(d);
   std::sort(names.begin(), names.end());
   return names;
}

std::vector<uint8_t> readBytes(const std::string& path)
{
   std::ifstream f(path, std::ios::binary);
   return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool wellFormedXml(const std::string& xml, std::string& why)
{
   XML_Parser p = XML_ParserCreate(nullptr);
   bool ok = XML_Parse(p, xml.data(), (int)xml.size(), 1) == XML_STATUS_OK;
   if (!ok) {
      why = std::string(XML_ErrorString(XML_GetErrorCode(p))) + " at line " +
            std::to_string(XML_GetCurrentLineNumber(p));
   }
   XML_ParserFree(p);
   return ok;
}

// These tests hold a registered type to the generated library's full form:
// a type whose XER and copy functions are not generated yet (and whose open
// types are still kept as octets) is left out until they are.
bool complete(const Asn1RegEntry* entry)
{
   return entry != nullptr && entry->xerEncode != nullptr && entry->copy != nullptr;
}

// The corpus folders whose type is registered.
std::vector<std::pair<std::string, const Asn1RegEntry*>> registeredFolders(const std::string& root)
{
   std::vector<std::pair<std::string, const Asn1RegEntry*>> v;
   for (const std::string& folder : listDir(root, true)) {
      const Asn1RegEntry* entry = asn1RegFind(folder.c_str());
      if (complete(entry)) v.emplace_back(folder, entry);
   }
   return v;
}

// The manifest's notes per file ("Certificate/x.der" -> notes).
std::map<std::string, std::string> manifestNotes(const std::string& root)
{
   std::map<std::string, std::string> notes;
   std::ifstream f(root + "/MANIFEST.tsv");
   for (std::string line; std::getline(f, line);) {
      size_t tab = line.find('\t');
      size_t last = line.rfind('\t');
      if (tab != std::string::npos) notes[line.substr(0, tab)] = line.substr(last + 1);
   }
   return notes;
}

// Files under <Type>/ that the generated types refuse, with the status they
// give. Certificates and CRLs share the list of the codec tests; the other
// folders' refusals are these (each an invalid value or a form the modules
// do not have).
const std::map<std::string, int> kOtherDerFailures = {
   // an INTEGER beyond 32 bits where the type holds a 32-bit one
   { "CertReqMessages/pyasn1-modules-rfc2511-pem-text.der", ASN1ERR_TOO_BIG },
   { "DVCSResponse/bc-DVCSParseTest-RESPONSE_CCPD_CLEPSYDRE-econtent.der", ASN1ERR_TOO_BIG },
   { "ContentInfo/bc-DVCSParseTest-RESPONSE_CCPD_CLEPSYDRE.der", ASN1ERR_TOO_BIG },
   { "PKIMessage/rustcrypto-cmpv2-rr_req_01.der", ASN1ERR_TOO_BIG },
   { "PKIMessage/siemens-lwcmpra-Rr-downstream_REVOCATION_REQ.der", ASN1ERR_TOO_BIG },
   { "PKIMessage/siemens-lwcmpra-Rr-upstream_REVOCATION_REQ.der", ASN1ERR_TOO_BIG },
   // an empty SEQUENCE where SIZE (1..MAX) applies
   { "OCSPResponse/bc-OCSPTest-emptyExtResp.der", ASN1ERR_CONSTRAINT },
   // CMP v2 body alternatives the module does not have
   { "PKIMessage/siemens-lwcmpra-CrDelayed-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-CrDelayed-downstream_POLL_REP.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-CrDelayed-downstream_POLL_REQ.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-CrWithSignatureProtection-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-CrWithSignatureProtection-upstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-IrWithMacProtection-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-IrWithMacProtection-upstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-Kur-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   { "PKIMessage/siemens-lwcmpra-Kur-upstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE },
   // CMS recipient-info alternatives and versions after RFC 3852 (KEM,
   // password recipients of the later CMS), a tag the module does not expect
   { "ContentInfo/rustcrypto-cms-1.3.6.1.4.1.22554.5.6.1_ML-KEM-512-ipd_kemri_id-alg-hkdf-with-sha256.der", ASN1ERR_INVALID_CHOICE },
   { "ContentInfo/rustcrypto-cms-1.3.6.1.4.1.22554.5.6.1_ML-KEM-512-ipd_kemri_ukm.der", ASN1ERR_INVALID_CHOICE },
   { "ContentInfo/rustcrypto-cms-enveloped_data_multi.der", ASN1ERR_INVALID_CHOICE },
   { "ContentInfo/rustcrypto-cms-enveloped_data_pwri.der", ASN1ERR_INVALID_CHOICE },
   { "ContentInfo/bc-res-SignedMSPkcs7.sig.der", ASN1ERR_TAG_NOT_FOUND },
   { "ContentInfo/pyasn1-modules-rfc5940-pem-text.der", ASN1ERR_TAG_NOT_FOUND },
   { "ContentInfo/rustcrypto-cms-apple_mdm_signature_der.der", ASN1ERR_TAG_NOT_FOUND },
   { "ContentInfo/rustcrypto-cms-authroot.der", ASN1ERR_TAG_NOT_FOUND },
   { "SignaturePolicy/pyasn1-modules-rfc3125-pem-text.der", ASN1ERR_TAG_NOT_FOUND },
};

// The status a folder's file is expected to be refused with, or 1 when it is
// not listed (0: listed as decoding but not reproduced).
int listedDerFailure(const std::string& folder, const std::string& name)
{
   const std::map<std::string, int>* list = nullptr;
   if (folder == "Certificate") list = &kCertificateFailures;
   if (folder == "CertificateList") list = &kCrlFailures;
   if (list != nullptr) {
      auto it = list->find(name);
      return it == list->end() ? 1 : it->second;
   }
   auto it = kOtherDerFailures.find(folder + "/" + name);
   return it == kOtherDerFailures.end() ? 1 : it->second;
}

// Files whose XER document does not decode back or does not give the DER
// back, with a fragment of the failure: values the XML form does not carry
// yet. A listed file that passes, or fails otherwise, fails the test.
const std::map<std::string, const char*> kXerGaps = {
   // none at present
};

// Collects failures and reports the first few; a failure listed in `gaps`
// with its fragment is counted apart.
struct Failures {
   explicit Failures(const std::map<std::string, const char*>* gaps = nullptr) : gaps(gaps) {}
   const std::map<std::string, const char*>* gaps;
   std::set<std::string> gapsMet;
   size_t count = 0;
   std::string first;
   void add(const std::string& file, const std::string& what)
   {
      if (gaps != nullptr) {
         auto it = gaps->find(file);
         if (it != gaps->end() && what.find(it->second) != std::string::npos) {
            gapsMet.insert(file);
            return;
         }
      }
      if (count++ < 20) first += "\n  " + file + ": " + what;
   }
   // Every listed gap must still fail as listed.
   void expectGapsMet()
   {
      for (const auto& [file, fragment] : *gaps)
         EXPECT_TRUE(gapsMet.count(file)) << file << " no longer fails with '" << fragment
                                          << "': take it off the list";
   }
};

// Per folder: files that pass every step, and the files set aside by rule.
struct FolderCount {
   size_t files = 0, passed = 0, listed = 0, refusedInXer = 0, canonicalised = 0;
};

// DER -> record -> DER gives the file; record -> XER gives a well-formed
// document; XER -> record -> DER gives the file again. Set aside by rule:
//  - files the decoder refuses as listed above (invalid values);
//  - XER encoding that fails with "object not found": a name attribute or
//    content type outside the object sets cannot be written as XML, and the
//    encoder says so instead of writing octets;
//  - files the manifest flags "encapsulated non-DER": a value inside an
//    extension or open type comes back through XER in DER, so the file
//    changes there; a second round trip must then change nothing.
TEST(CorpusConverter, DerFilesComeBackThroughDerAndXer)
{
   const std::string root = QVASN1_CORPUS_DIR;
   if (listDir(root, true).empty()) GTEST_SKIP() << "no corpus at " << root;
   auto folders = registeredFolders(root);
   if (folders.empty()) GTEST_SKIP() << "no corpus type is registered";
   const auto notes = manifestNotes(root);
   size_t files = 0;
   Failures f(&kXerGaps);
   std::map<std::string, FolderCount> counts;
   for (const auto& [folder, entry] : folders) {
      FolderCount& c = counts[folder];
      for (const std::string& name : listDir(root + "/" + folder, false)) {
         std::string path = folder + "/" + name;
         std::vector<uint8_t> der = readBytes(root + "/" + path);
         files++;
         c.files++;
         const int listed = listedDerFailure(folder, name);
         TypedValue v(*entry);
         ConvError e;
         std::vector<uint8_t> again;
         if (!decodeWhole(v, der, e)) {
            if (e.status == listed) c.listed++;
            else f.add(path, e.message());
            continue;
         }
         if (listed != 1 && listed != 0) {
            f.add(path, "decodes, but is listed as refused with status " + std::to_string(listed));
            continue;
         }
         if (!v.encodeDer(again, e)) {
            f.add(path, e.message());
            continue;
         }
         if (again != der) {
            if (listed == 0) c.listed++;
            else f.add(path, "DER re-encoding differs");
            continue;
         }
         std::string xml, why;
         if (!v.encodeXer(xml, false, e)) {
            if (e.status == ASN1ERR_OBJECT_NOT_FOUND) c.refusedInXer++;
            else f.add(path, "XER: " + e.message());
            continue;
         }
         if (!wellFormedXml(xml, why)) {
            f.add(path, "XER document not well-formed: " + why);
            continue;
         }
         TypedValue back(*entry);
         std::vector<uint8_t> viaXer;
         if (!back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e) ||
             !back.encodeDer(viaXer, e)) {
            f.add(path, "XER back: " + e.message());
            continue;
         }
         if (viaXer == der) {
            c.passed++;
            continue;
         }
         auto n = notes.find(path);
         if (n == notes.end() || n->second.find("encapsulated non-DER") == std::string::npos) {
            f.add(path, "DER through XER differs");
            continue;
         }
         // Canonicalised inside: a second round trip through XER is stable.
         TypedValue second(*entry), third(*entry);
         std::string xml2;
         std::vector<uint8_t> viaXer2;
         if (!decodeWhole(second, viaXer, e) || !second.encodeXer(xml2, false, e) ||
             !third.decodeXer(reinterpret_cast<const uint8_t*>(xml2.data()), xml2.size(), e) ||
             !third.encodeDer(viaXer2, e))
            f.add(path, "second round trip: " + e.message());
         else if (viaXer2 != viaXer)
            f.add(path, "second round trip through XER changes the octets again");
         else
            c.canonicalised++;
      }
   }
   std::string report;
   for (const auto& [folder, c] : counts) {
      report += "\n  " + folder + ": " + std::to_string(c.passed) + " of " + std::to_string(c.files) +
                " unchanged through DER and XER";
      if (c.canonicalised) report += ", " + std::to_string(c.canonicalised) + " canonicalised inside";
      if (c.refusedInXer) report += ", " + std::to_string(c.refusedInXer) + " refused in XER (object not in its set)";
      if (c.listed) report += ", " + std::to_string(c.listed) + " listed as refused";
   }
   std::cout << "[ corpus   ] " << files << " files through the converter:" << report << std::endl;
   EXPECT_EQ(f.count, 0u) << f.count << " of " << files << " files fail:" << f.first;
   f.expectGapsMet();
}

// identify's candidates: each top-level folder's files decode whole as the
// folder's type, so identify names it among the types that fit.
TEST(CorpusConverter, IdentifyFindsTheFolderType)
{
   const std::string root = QVASN1_CORPUS_DIR;
   if (listDir(root, true).empty()) GTEST_SKIP() << "no corpus at " << root;
   std::vector<const Asn1RegEntry*> candidates;
   for (const char* name : kTopLevel) {
      const Asn1RegEntry* e = asn1RegFind(name);
      if (complete(e)) candidates.push_back(e);
   }
   if (candidates.empty()) GTEST_SKIP() << "no top-level message type is registered";
   Failures f;
   for (const Asn1RegEntry* folderType : candidates) {
      const std::string folder = folderType->name;
      for (const std::string& name : listDir(root + "/" + folder, false)) {
         std::string path = folder + "/" + name;
         std::vector<uint8_t> der = readBytes(root + "/" + path);
         TypedValue v(*folderType);
         ConvError e;
         if (!decodeWhole(v, der, e) && e.status != listedDerFailure(folder, name))
            f.add(path, "not identified: " + e.message());
      }
   }
   EXPECT_EQ(f.count, 0u) << f.first;
}

// The shipped program on every 10th certificate, armoured: decode gives a
// well-formed document, encode gives the DER back. Set aside as above:
// listed refusals, certificates XER refuses (status -38), and inner values
// canonicalised on the way (manifest: encapsulated non-DER).
TEST(CorpusCli, ShippedProgramOnArmouredCertificates)
{
   const std::string root = QVASN1_CORPUS_DIR;
   std::vector<std::string> certs = listDir(root + "/Certificate", false);
   if (certs.empty()) GTEST_SKIP() << "no corpus at " << root;
   std::string tmp = ::testing::TempDir() + "qvasn1_corpus_" + std::to_string(getpid());
   std::string listing = tmp + ".types";
   std::string cmd = std::string("\"") + QVASN1_CLI_PATH + "\" types Certificate >" + listing + " 2>/dev/null";
   int rc = system(cmd.c_str());
   // The pattern matches as a substring (AttributeCertificate comes first):
   // look for the type's own line.
   std::ifstream lf(listing);
   bool found = false;
   for (std::string line; std::getline(lf, line);)
      if (line.compare(0, 12, "Certificate ") == 0) found = true;
   unlink(listing.c_str());
   if (rc != 0 || !found) GTEST_SKIP() << "the shipped qvasn1 has no Certificate type";
   const auto notes = manifestNotes(root);

   Failures f;
   size_t run = 0;
   for (size_t i = 0; i < certs.size(); i += 10) {
      if (listedDerFailure("Certificate", certs[i]) != 1) continue;
      std::vector<uint8_t> der = readBytes(root + "/Certificate/" + certs[i]);
      std::string pem = pemEncode("CERTIFICATE", der.data(), der.size());
      { std::ofstream(tmp + ".pem", std::ios::binary) << pem; }
      cmd = std::string("\"") + QVASN1_CLI_PATH + "\" decode Certificate " + tmp + ".pem >" + tmp +
            ".xml 2>" + tmp + ".err && \"" + QVASN1_CLI_PATH + "\" encode Certificate " + tmp +
            ".xml >" + tmp + ".der 2>>" + tmp + ".err";
      rc = system(cmd.c_str());
      std::ifstream ef(tmp + ".err");
      std::string err((std::istreambuf_iterator<char>(ef)), std::istreambuf_iterator<char>());
      std::ifstream xf(tmp + ".xml", std::ios::binary);
      std::string xml((std::istreambuf_iterator<char>(xf)), std::istreambuf_iterator<char>());
      std::string why;
      auto n = notes.find("Certificate/" + certs[i]);
      bool canonicalised = n != notes.end() && n->second.find("encapsulated non-DER") != std::string::npos;
      if (rc != 0 && err.find("status -38 ") != std::string::npos && xml.empty()) continue;
      run++;
      if (rc != 0 && kXerGaps.count("Certificate/" + certs[i])) continue;
      if (rc != 0) f.add(certs[i], "exit status " + std::to_string(rc) + ": " + err);
      else if (!wellFormedXml(xml, why)) f.add(certs[i], "not well-formed: " + why);
      else if (readBytes(tmp + ".der") != der && !canonicalised) f.add(certs[i], "encode gave other octets");
   }
   for (const char* ext : { ".pem", ".xml", ".der", ".err" }) unlink((tmp + ext).c_str());
   EXPECT_GT(run, 0u);
   EXPECT_EQ(f.count, 0u) << f.count << " of " << run << " certificates fail:" << f.first;
}

}  // namespace
