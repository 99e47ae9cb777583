// The corpus through the type registry and the converter: every DER file of
// a registered type decodes, gives a well-formed XER document, and comes
// back to the same octets both directly and through XER; BER files decode
// and re-encode differently; identify finds each folder's type; and the
// shipped qvasn1 does the same on a sample of armoured files.
// Folders whose type is not registered are skipped (the generated types
// register themselves from the library).
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <expat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Converter.h"
#include "Pem.h"
#include "asn1Registry.h"

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

// Collects failures and reports the first few.
struct Failures {
   size_t count = 0;
   std::string first;
   void add(const std::string& file, const std::string& what)
   {
      if (count++ < 10) first += "\n  " + file + ": " + what;
   }
};

TEST(CorpusConverter, DerFilesComeBackThroughDerAndXer)
{
   const std::string root = QVASN1_CORPUS_DIR;
   if (listDir(root, true).empty()) GTEST_SKIP() << "no corpus at " << root;
   auto folders = registeredFolders(root);
   if (folders.empty()) GTEST_SKIP() << "no corpus type is registered";
   size_t files = 0;
   Failures f;
   for (const auto& [folder, entry] : folders) {
      for (const std::string& name : listDir(root + "/" + folder, false)) {
         std::string path = folder + "/" + name;
         std::vector<uint8_t> der = readBytes(root + "/" + path);
         files++;
         TypedValue v(*entry);
         ConvError e;
         std::string xml, why;
         std::vector<uint8_t> again;
         if (!decodeWhole(v, der, e) || !v.encodeDer(again, e) || !v.encodeXer(xml, false, e)) {
            f.add(path, e.message());
            continue;
         }
         if (again != der) f.add(path, "DER re-encoding differs");
         if (!wellFormedXml(xml, why)) f.add(path, "XER document not well-formed: " + why);
         if (entry->xerDecode == nullptr) continue;
         TypedValue back(*entry);
         std::vector<uint8_t> viaXer;
         if (!back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e) ||
             !back.encodeDer(viaXer, e))
            f.add(path, "XER back: " + e.message());
         else if (viaXer != der)
            f.add(path, "DER through XER differs");
      }
   }
   EXPECT_EQ(f.count, 0u) << f.count << " of " << files << " files fail:" << f.first;
}

TEST(CorpusConverter, BerFilesDecodeButAreNotDer)
{
   const std::string root = QVASN1_CORPUS_DIR;
   auto folders = registeredFolders(root);
   if (folders.empty()) GTEST_SKIP() << "no corpus type is registered";
   Failures f;
   for (const auto& [folder, entry] : folders) {
      for (const std::string& name : listDir(root + "/" + folder + "/ber", false)) {
         std::string path = folder + "/ber/" + name;
         std::vector<uint8_t> ber = readBytes(root + "/" + path);
         TypedValue v(*entry);
         ConvError e;
         std::vector<uint8_t> der;
         if (!decodeWhole(v, ber, e) || !v.encodeDer(der, e)) f.add(path, e.message());
         else if (der == ber) f.add(path, "re-encodes to the same octets");
      }
      // Invalid values: any outcome but a crash (ASan watches this one).
      for (const std::string& name : listDir(root + "/" + folder + "/invalid", false)) {
         std::vector<uint8_t> bad = readBytes(root + "/" + folder + "/invalid/" + name);
         TypedValue v(*entry);
         ConvError e;
         std::string xml;
         if (decodeWhole(v, bad, e)) v.encodeXer(xml, false, e);
      }
   }
   EXPECT_EQ(f.count, 0u) << f.first;
}

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
      for (const std::string& name : listDir(root + "/" + folderType->name, false)) {
         std::string path = std::string(folderType->name) + "/" + name;
         std::vector<uint8_t> der = readBytes(root + "/" + path);
         TypedValue v(*folderType);
         ConvError e;
         if (!decodeWhole(v, der, e)) f.add(path, "not identified: " + e.message());
      }
   }
   EXPECT_EQ(f.count, 0u) << f.first;
}

// The shipped program on every 25th certificate, armoured: decode gives a
// well-formed document, encode gives the DER back.
TEST(CorpusCli, ShippedProgramOnArmouredCertificates)
{
   const std::string root = QVASN1_CORPUS_DIR;
   std::vector<std::string> certs = listDir(root + "/Certificate", false);
   if (certs.empty()) GTEST_SKIP() << "no corpus at " << root;
   std::string tmp = ::testing::TempDir() + "qvasn1_corpus_" + std::to_string(getpid());
   std::string listing = tmp + ".types";
   std::string cmd = std::string("\"") + QVASN1_CLI_PATH + "\" types Certificate >" + listing + " 2>/dev/null";
   int rc = system(cmd.c_str());
   std::ifstream lf(listing);
   std::string first;
   std::getline(lf, first);
   unlink(listing.c_str());
   if (rc != 0 || first.compare(0, 12, "Certificate ") != 0)
      GTEST_SKIP() << "the shipped qvasn1 has no Certificate type";

   Failures f;
   for (size_t i = 0; i < certs.size(); i += 25) {
      std::vector<uint8_t> der = readBytes(root + "/Certificate/" + certs[i]);
      std::string pem = pemEncode("CERTIFICATE", der.data(), der.size());
      { std::ofstream(tmp + ".pem", std::ios::binary) << pem; }
      cmd = std::string("\"") + QVASN1_CLI_PATH + "\" decode Certificate " + tmp + ".pem >" + tmp +
            ".xml && \"" + QVASN1_CLI_PATH + "\" encode Certificate " + tmp + ".xml >" + tmp + ".der";
      rc = system(cmd.c_str());
      std::ifstream xf(tmp + ".xml", std::ios::binary);
      std::string xml((std::istreambuf_iterator<char>(xf)), std::istreambuf_iterator<char>());
      std::string why;
      if (rc != 0) f.add(certs[i], "exit status " + std::to_string(rc));
      else if (!wellFormedXml(xml, why)) f.add(certs[i], "not well-formed: " + why);
      else if (readBytes(tmp + ".der") != der) f.add(certs[i], "encode gave other octets");
   }
   for (const char* ext : { ".pem", ".xml", ".der" }) unlink((tmp + ext).c_str());
   EXPECT_EQ(f.count, 0u) << f.first;
}

}  // namespace
