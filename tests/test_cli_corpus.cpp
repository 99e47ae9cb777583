// The corpus through the type registry and the converter: the corpus report
// (every DER, BER and invalid file of a registered type does what its folder
// says, with the pass counts of each type), and the shipped qvasn1 on a
// sample of armoured files.
// Folders whose type is not registered are skipped (the generated types
// register themselves from the library).
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <expat.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Converter.h"
#include "Pem.h"
#include "asn1ErrCodes.h"
#include "asn1Registry.h"
#include "generated/CorpusFailures.h"

using namespace qvasn1tool;

namespace {

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

// One element of a DER encoding: its identifier octets, where its contents
// lie, and whether it is constructed.
struct Tlv {
   std::vector<uint8_t> tag;
   size_t start = 0, contents = 0, end = 0;
   bool constructed = false;
};

// The elements of data[from, to), definite lengths only; false when they do
// not parse.
bool elements(const std::vector<uint8_t>& data, size_t from, size_t to, std::vector<Tlv>& out)
{
   size_t p = from;
   while (p < to) {
      Tlv t;
      t.start = p;
      t.constructed = (data[p] & 0x20) != 0;
      t.tag.push_back(data[p]);
      if ((data[p++] & 0x1F) == 0x1F) {
         do {
            if (p >= to) return false;
            t.tag.push_back(data[p]);
         } while (data[p++] & 0x80);
      }
      if (p >= to) return false;
      size_t len = data[p++];
      if (len & 0x80) {
         size_t n = len & 0x7F;
         if (n == 0 || n > sizeof(size_t) || to - p < n) return false;
         len = 0;
         while (n--) len = (len << 8) | data[p++];
      }
      if (to - p < len) return false;
      t.contents = p;
      t.end = p + len;
      p = t.end;
      out.push_back(t);
   }
   return true;
}

// Whether b keeps the outer structure of a: the same elements with the same
// tags, differing only inside an encapsulated value, which is the contents
// of an OCTET STRING or BIT STRING, or an open-type value (an element that
// follows an OBJECT IDENTIFIER, as in extensions, attributes and algorithm
// parameters). `where` gets the path of the first other difference.
bool sameOuterStructure(const std::vector<uint8_t>& a, size_t af, size_t at, const std::vector<uint8_t>& b,
                        size_t bf, size_t bt, const std::string& path, std::string& where)
{
   std::vector<Tlv> ea, eb;
   if (!elements(a, af, at, ea) || !elements(b, bf, bt, eb) || ea.size() != eb.size()) {
      where = path + " (element count)";
      return false;
   }
   for (size_t i = 0; i < ea.size(); i++) {
      const Tlv& x = ea[i];
      const Tlv& y = eb[i];
      const std::string here = path + "/" + std::to_string(i);
      if (x.tag != y.tag) {
         where = here + " (tag)";
         return false;
      }
      if (std::equal(a.begin() + x.start, a.begin() + x.end, b.begin() + y.start, b.begin() + y.end)) continue;
      const bool openType = i > 0 && ea[i - 1].tag.size() == 1 && ea[i - 1].tag[0] == 0x06;
      if (openType || x.tag == std::vector<uint8_t>{0x04} || x.tag == std::vector<uint8_t>{0x03}) continue;
      if (!x.constructed || !sameOuterStructure(a, x.contents, x.end, b, y.contents, y.end, here, where)) {
         if (where.empty()) where = here;
         return false;
      }
   }
   return true;
}

// The corpus files whose manifest notes say "encapsulated non-DER".
std::set<std::string> nonDerInside(const std::string& root)
{
   std::set<std::string> out;
   std::ifstream in(root + "/MANIFEST.tsv");
   for (std::string line; std::getline(in, line);)
      if (line.find("encapsulated non-DER") != std::string::npos) out.insert(line.substr(0, line.find('\t')));
   return out;
}

// Collects failures and reports them all; a failure listed in the corpus
// allowlist (CorpusFailures.h) with its fragment is counted apart, and a
// listed file that fails otherwise, or passes, fails the test: the list
// only ever shrinks.
struct Failures {
   std::set<std::string> listedMet;
   std::map<std::string, std::string> listed;   // path -> fragment, of the folders seen
   size_t count = 0;
   std::string all;
   // 1 when the failure is a listed one, else 0.
   int add(const std::string& path, const std::string& what)
   {
      auto it = listed.find(path);
      if (it != listed.end() && what.find(it->second) != std::string::npos) {
         listedMet.insert(path);
         return 1;
      }
      count++;
      all += "\n  " + path + ": " + what;
      return 0;
   }
   void expectListedMet()
   {
      for (const auto& [path, fragment] : listed)
         EXPECT_TRUE(listedMet.count(path)) << path << " no longer fails with '" << fragment
                                            << "': take it off the list";
   }
};

// What one folder's files did.
struct FolderReport {
   int der = 0, derPassed = 0, xerPassed = 0, xerNoForm = 0, nonDerInside = 0;
   int ber = 0, berPassed = 0, invalid = 0, invalidRefused = 0, listed = 0;
   int lenient = 0, lenientPassed = 0;
};

// record -> XER -> record -> DER; "" or what failed. `noForm` is set when
// XER has no form for a value in it (-38: a value outside the object sets,
// which the converter writes as octets unless asked for strict XER).
std::string throughXer(const Asn1RegEntry& entry, TypedValue& v, std::vector<uint8_t>& out, bool& noForm,
                       const CodecOptions& options = CodecOptions())
{
   ConvError e;
   std::string xml, why;
   noForm = false;
   if (!v.encodeXer(xml, false, e)) {
      noForm = e.status == ASN1ERR_OBJECT_NOT_FOUND;
      return "XER encode: " + e.message();
   }
   if (!wellFormedXml(xml, why)) return "XER document not well-formed: " + why;
   TypedValue back(entry, options);
   if (!back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e)) return "XER decode: " + e.message();
   if (!back.encodeDer(out, e)) return "DER encode after XER: " + e.message();
   return "";
}

// A file that fails only in an open type's value, decoded with --lenient:
// "" when the value keeps its octets and everything else decodes, and the
// octets come back as they were through DER and through XER (for a BER
// file: its DER re-encoding decodes to the same value); else what failed.
std::string throughLenient(const Asn1RegEntry& entry, const std::vector<uint8_t>& input, bool ber)
{
   CodecOptions options;
   options.lenient = true;
   TypedValue v(entry, options);
   ConvError e;
   std::vector<uint8_t> der, viaXer;
   if (!decodeWhole(v, input, e) || !v.encodeDer(der, e)) return e.message();
   bool noForm = false;
   const std::string why = throughXer(entry, v, viaXer, noForm, options);
   if (!why.empty()) return why;
   if (viaXer != der) return "DER through XER differs from DER";
   if (!ber) return der == input ? "" : "DER re-encoding differs";
   TypedValue back(entry, options);
   std::vector<uint8_t> der2;
   if (!decodeWhole(back, der, e) || !back.encodeDer(der2, e)) return "its DER re-encoding: " + e.message();
   return der2 == der ? "" : "its DER re-encoding decodes to another value";
}

// The corpus report: every DER file of a registered type decodes as its
// folder's type, re-encodes byte for byte and comes back through XER to the
// same octets; a file with a non-DER value inside an encapsulated value
// keeps its outer structure and a second round trip changes nothing; every
// ber/ file decodes and its DER re-encoding decodes to the same value;
// every invalid/ file is refused. Prints how many files of each type passed.
TEST(CorpusConverter, EveryFileDoesWhatItsFolderSays)
{
   const std::string root = QVASN1_CORPUS_DIR;
   if (listDir(root, true).empty()) GTEST_SKIP() << "no corpus at " << root;
   auto folders = registeredFolders(root);
   if (folders.empty()) GTEST_SKIP() << "no corpus type is registered";
   const std::set<std::string> nonDer = nonDerInside(root);
   Failures f;
   std::map<std::string, FolderReport> report;
   for (const auto& [folder, entry] : folders) {
      FolderReport& r = report[folder];
      for (const auto& [path, fragment] : corpusAllowlist(folder)) f.listed[path] = fragment;
      for (const std::string& name : listDir(root + "/" + folder, false)) {
         const std::string path = folder + "/" + name;
         const std::vector<uint8_t> der = readBytes(root + "/" + path);
         r.der++;
         TypedValue v(*entry);
         ConvError e;
         std::vector<uint8_t> again, viaXer;
         if (!decodeWhole(v, der, e) || !v.encodeDer(again, e)) {
            r.listed += f.add(path, e.message());
            if (e.inOpenType) {
               r.lenient++;
               const std::string why = throughLenient(*entry, der, false);
               if (why.empty()) r.lenientPassed++;
               else f.add(path, "with --lenient: " + why);
            }
            continue;
         }
         bool noForm = false;
         const std::string why = throughXer(*entry, v, viaXer, noForm);
         if (!nonDer.count(path)) {
            if (again != der) {
               r.listed += f.add(path, "DER re-encoding differs");
               continue;
            }
            r.derPassed++;
            if (noForm) r.xerNoForm++;
            else if (!why.empty()) r.listed += f.add(path, why);
            else if (viaXer != der) r.listed += f.add(path, "DER through XER differs");
            else r.xerPassed++;
            continue;
         }
         // A non-DER value inside an encapsulated value: a round trip that
         // re-encodes it canonically keeps the outer structure, and a
         // second round trip changes nothing.
         r.nonDerInside++;
         auto stable = [&](const std::vector<uint8_t>& out) -> std::string {
            std::string where;
            if (out == der) return "";
            if (!sameOuterStructure(der, 0, der.size(), out, 0, out.size(), "", where))
               return "the outer structure changes at " + where;
            TypedValue second(*entry);
            std::vector<uint8_t> third;
            if (!decodeWhole(second, out, e)) return "the re-encoding does not decode: " + e.message();
            return second.encodeDer(third, e) && third == out ? "" : "a second round trip changes it";
         };
         std::string derWhy = stable(again);
         if (!derWhy.empty()) {
            r.listed += f.add(path, "DER: " + derWhy);
            continue;
         }
         r.derPassed++;
         if (noForm) r.xerNoForm++;
         else if (!why.empty()) r.listed += f.add(path, why);
         // Values received in another encoding than their DER are written as
         // their octets: XER gives what DER gives.
         else if (viaXer != again) r.listed += f.add(path, "DER through XER differs from the DER re-encoding");
         else r.xerPassed++;
      }
      for (const std::string& name : listDir(root + "/" + folder + "/ber", false)) {
         const std::string path = folder + "/ber/" + name;
         const std::vector<uint8_t> ber = readBytes(root + "/" + path);
         r.ber++;
         TypedValue v(*entry);
         ConvError e;
         std::vector<uint8_t> der, der2;
         if (!decodeWhole(v, ber, e) || !v.encodeDer(der, e)) {
            r.listed += f.add(path, e.message());
            if (e.inOpenType) {
               r.lenient++;
               const std::string why = throughLenient(*entry, ber, true);
               if (why.empty()) r.lenientPassed++;
               else f.add(path, "with --lenient: " + why);
            }
            continue;
         }
         TypedValue back(*entry);
         if (!decodeWhole(back, der, e) || !back.encodeDer(der2, e))
            r.listed += f.add(path, "its DER re-encoding: " + e.message());
         else if (der2 != der)
            r.listed += f.add(path, "its DER re-encoding decodes to another value");
         else
            r.berPassed++;
      }
      for (const std::string& name : listDir(root + "/" + folder + "/invalid", false)) {
         const std::string path = folder + "/invalid/" + name;
         const std::vector<uint8_t> bad = readBytes(root + "/" + path);
         r.invalid++;
         TypedValue v(*entry);
         ConvError e;
         if (decodeWhole(v, bad, e)) {
            r.listed += f.add(path, "decodes");
            continue;
         }
         EXPECT_LT(e.status, 0) << path << ": refused without a negative status: " << e.message();
         r.invalidRefused++;
      }
   }
   std::ostringstream out;
   out << "corpus report, passed/files (XER: values outside the object sets written as octets; lenient: files "
          "failing in an open type's value that pass with --lenient)\n";
   int noForm = 0;
   for (const auto& [folder, r] : report) {
      noForm += r.xerNoForm;
      out << "  " << folder << ": DER " << r.derPassed << "/" << r.der;
      if (r.nonDerInside) out << " (" << r.nonDerInside << " with a non-DER value inside)";
      out << ", XER " << r.xerPassed << "/" << r.der;
      if (r.xerNoForm) out << " (" << r.xerNoForm << " without XML form)";
      if (r.ber) out << ", BER " << r.berPassed << "/" << r.ber;
      if (r.invalid) out << ", invalid refused " << r.invalidRefused << "/" << r.invalid;
      if (r.listed) out << ", listed failures " << r.listed;
      if (r.lenient) out << ", lenient " << r.lenientPassed << "/" << r.lenient;
      out << "\n";
   }
   std::cout << out.str();
   EXPECT_EQ(noForm, 0) << "every file that decodes has an XML form";
   EXPECT_EQ(f.count, 0u) << f.count << " files fail:" << f.all;
   f.expectListedMet();
}

// identify answers what each file is: for every DER file of a folder named
// after a top-level message type, its first answer is that type (decoding as
// it is, or with --lenient; the attribute certificates of RFC 5755 as the
// version 1 form over a body this library does not read, marked generic); a
// file that decodes as neither is named as the closest type.
TEST(CorpusConverter, IdentifyAnswersTheFilesOwnType)
{
   const std::string root = QVASN1_CORPUS_DIR;
   if (listDir(root, true).empty()) GTEST_SKIP() << "no corpus at " << root;
   const std::vector<const Asn1RegEntry*> candidates = topLevelTypes();
   Failures f;
   int files = 0, lenient = 0, closest = 0;
   for (const Asn1RegEntry* entry : candidates) {
      const std::string folder = entry->name;
      for (const std::string& name : listDir(root + "/" + folder, false)) {
         const std::string path = folder + "/" + name;
         files++;
         const Identification id = identifyValue(candidates, readBytes(root + "/" + path), "", false);
         if (!id.types.empty() && id.types.front() == folder) {
            if (id.lines.front().find("(lenient") != std::string::npos) lenient++;
            continue;
         }
         // Nothing specific fits (a generic signed form at most): the closest.
         if (!id.types.empty() && !id.generic) f.add(path, "identified first as " + id.lines.front());
         else if (id.closestType != folder) f.add(path, "identified as nothing, closest " + id.closestType);
         else closest++;
      }
   }
   std::cout << "identify: " << files << " files, " << lenient << " with --lenient, " << closest
             << " named as the closest type\n";
   EXPECT_EQ(f.count, 0u) << f.count << " files:" << f.all;
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
   // The pattern matches as a substring (AttributeCertificate comes first):
   // look for the type's own line.
   std::ifstream lf(listing);
   bool found = false;
   for (std::string line; std::getline(lf, line);)
      if (line.compare(0, 12, "Certificate ") == 0) found = true;
   unlink(listing.c_str());
   if (rc != 0 || !found) GTEST_SKIP() << "the shipped qvasn1 has no Certificate type";
   // The sample leaves out what the report above expects to fail or to
   // change: listed files, non-DER values inside, values without XML form.
   const Asn1RegEntry* entry = asn1RegFind("Certificate");
   ASSERT_NE(entry, nullptr);
   const std::map<std::string, std::string> listed = corpusAllowlist("Certificate");
   const std::set<std::string> nonDer = nonDerInside(root);
   auto sampled = [&](const std::string& name, const std::vector<uint8_t>& der) {
      const std::string path = "Certificate/" + name;
      if (listed.count(path) || nonDer.count(path)) return false;
      TypedValue v(*entry);
      ConvError e;
      std::string xml;
      return decodeWhole(v, der, e) && v.encodeXer(xml, false, e);
   };

   Failures f;
   int runs = 0;
   for (size_t i = 0; i < certs.size(); i += 25) {
      std::vector<uint8_t> der = readBytes(root + "/Certificate/" + certs[i]);
      if (!sampled(certs[i], der)) continue;
      runs++;
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
   EXPECT_GT(runs, 50);
   for (const char* ext : { ".pem", ".xml", ".der" }) unlink((tmp + ext).c_str());
   EXPECT_EQ(f.count, 0u) << f.all;
}

}  // namespace
