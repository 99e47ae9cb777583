// fuzz_seedgen: writes the seed corpora of the fuzz targets into the build
// tree (never into the sources).
//
//    fuzz_seedgen <corpus dir> <examples dir> <output dir>
//
// <output>/der   whole messages: corpus files (a sample of each folder) and
//                the project's example certificate (PEM armour removed);
// <output>/ber   selector octets + DER: every registered type's empty value
//                where it encodes, the sampled corpus files under their
//                folder's type, and, for every type, a few elements found
//                inside the corpus messages that decode as that type;
// <output>/xer   selector octets + the XER document of each ber seed's
//                value, for the types with XER functions;
// <output>/rt    hand-made inputs of the run-time primitives.
// A missing corpus or examples folder is skipped.
#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FuzzCommon.h"
#include "Pem.h"
#include "asn1ber.h"

namespace {

using Bytes = std::vector<uint8_t>;

const size_t kFilesPerFolder = 12;   // corpus files sampled per type folder
const size_t kPartsPerType = 4;      // inner elements kept per type
const size_t kPartSources = 3;       // messages per folder searched for elements

std::vector<std::string> listDir(const std::string& dir, bool folders)
{
   std::vector<std::string> out;
   DIR* d = opendir(dir.c_str());
   if (d == nullptr) return out;
   while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      struct stat st;
      if (stat((dir + "/" + name).c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode) == folders) out.push_back(name);
   }
   closedir(d);
   std::sort(out.begin(), out.end());
   return out;
}

Bytes readFile(const std::string& path)
{
   std::ifstream in(path, std::ios::binary);
   return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int gWritten = 0;

void writeSeed(const std::string& dir, const std::string& name, const std::string& prefix, const Bytes& body)
{
   std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
   out.write(prefix.data(), (std::streamsize)prefix.size());
   out.write(reinterpret_cast<const char*>(body.data()), (std::streamsize)body.size());
   ++gWritten;
}

std::string safeName(const Asn1RegEntry* e)
{
   std::string s = std::string(e->module) + "." + e->name;
   for (char& c : s)
      if (c == '/' || c == ' ') c = '_';
   return s;
}

// Every element nested in a DER message (outer one included), as octets.
void collectElements(const uint8_t* p, size_t n, std::vector<Bytes>& out, int depth)
{
   size_t i = 0;
   while (i < n && depth < 32) {
      ASN1CTXT ctxt;
      if (rtInitContext(&ctxt, nullptr) != 0) return;
      ASN1TAG tag = 0;
      int len = 0;
      int stat = xd_setp(&ctxt, p + i, (int)(n - i), &tag, &len);
      bool cons = (ctxt.flags & ASN1CONSTAG) != 0;
      OSUINT32 header = ctxt.buffer.byteIndex;
      rtFreeContext(&ctxt);
      if (stat != 0 || len <= 0 || (size_t)len > n - i) return;
      out.emplace_back(p + i, p + i + len);
      if (cons) collectElements(p + i + header, (size_t)len - header, out, depth + 1);
      // The content of a primitive OCTET STRING or BIT STRING often wraps DER.
      else if ((tag == ASN1_ID_OCTSTR || tag == ASN1_ID_BITSTR) && (size_t)len > header + 2) {
         size_t skip = tag == ASN1_ID_BITSTR ? 1 : 0;
         collectElements(p + i + header + skip, (size_t)len - header - skip, out, depth + 1);
      }
      i += (size_t)len;
   }
}

void writeXerSeed(const std::string& dir, const std::string& name, const Asn1RegEntry* e, const Bytes& der)
{
   if (e->xerEncode == nullptr || e->xerDecode == nullptr) return;
   fuzz::Value v(*e);
   size_t consumed = 0;
   if (v.decodeBer(der.data(), der.size(), 0, &consumed) != 0) return;
   std::string doc;
   if (v.encodeXer(doc) != 0) return;
   writeSeed(dir, name, fuzz::selectorOf(e), Bytes(doc.begin(), doc.end()));
}

void rtSeeds(const std::string& dir)
{
   struct Seed { uint8_t op; const char* text; };
   static const Seed texts[] = {
      { 3, "20240229235959.123Z" }, { 3, "2024022912+0130" }, { 3, "19991231235960Z" },
      { 3, "2024010100" }, { 3, "20241301000000Z" }, { 4, "491231235959Z" },
      { 4, "5001010000-0800" }, { 4, "240230000000Z" },
      { 5, "0x00ff80" }, { 5 | 8 * 1, "1011" }, { 5 | 8 * 3, "-123456789012345678901234567890" },
      { 5 | 8 * 4, "ff00" }, { 5, "0o777" }, { 5, "-0" },
      { 6, "1.2.840.113549.1.1.11" }, { 6, "2.999.4294967295" }, { 6, "1..2" }, { 6, "0.39" },
      { 7, "h\xc3\xa9llo \xe2\x82\xac \xf0\x9f\x98\x80" }, { 7, "\xc0\xaf\xed\xa0\x80\xff" },
   };
   int i = 0;
   for (const Seed& s : texts) {
      std::string t = s.text;
      writeSeed(dir, "rt" + std::to_string(i++), std::string(1, (char)s.op), Bytes(t.begin(), t.end()));
   }
   static const char* const ber[] = {
      "30 0D 02 01 05 02 02 00 80 01 01 FF 05 00 0A 01 02",
      "30 80 06 09 2A 86 48 86 F7 0D 01 01 0B 24 80 04 02 41 42 04 01 43 00 00 00 00",
      "30 0C 03 03 07 FF 80 1E 04 00 41 20 AC 1C 00",
      "30 0E 17 0D 32 34 30 31 30 31 30 30 30 30 30 30 5A",
      "A0 80 A1 80 A2 80 02 01 01 00 00 00 00 00 00",
      "31 09 04 01 01 04 01 02 04 01 03",
   };
   for (const char* h : ber) {
      Bytes b;
      for (const char* p = h; *p;) {
         if (*p == ' ') { ++p; continue; }
         b.push_back((uint8_t)std::stoi(std::string(p, 2), nullptr, 16));
         p += 2;
      }
      for (uint8_t op = 0; op < 3; ++op) {
         const char selector = (char)(op | 8 * (i % 32));
         writeSeed(dir, "rt" + std::to_string(i++), std::string(1, selector), b);
      }
   }
}

}

int main(int argc, char** argv)
{
   if (argc != 4) {
      fprintf(stderr, "usage: fuzz_seedgen <corpus dir> <examples dir> <output dir>\n");
      return 2;
   }
   const std::string corpus = argv[1], examples = argv[2], out = argv[3];
   for (const char* sub : { "", "/der", "/ber", "/xer", "/rt" }) mkdir((out + sub).c_str(), 0755);
   const std::string derDir = out + "/der", berDir = out + "/ber", xerDir = out + "/xer";

   // Whole messages of the corpus and the examples.
   std::vector<Bytes> messages;   // searched for inner elements
   for (const std::string& folder : listDir(corpus, true)) {
      const Asn1RegEntry* e = asn1RegFind(folder.c_str());
      std::vector<std::string> files = listDir(corpus + "/" + folder, false);
      size_t step = files.size() > kFilesPerFolder ? files.size() / kFilesPerFolder : 1;
      for (size_t i = 0; i < files.size(); i += step) {
         Bytes der = readFile(corpus + "/" + folder + "/" + files[i]);
         if (der.empty()) continue;
         writeSeed(derDir, folder + "." + files[i], "", der);
         if (e != nullptr) {
            writeSeed(berDir, folder + "." + files[i], fuzz::selectorOf(e), der);
            writeXerSeed(xerDir, folder + "." + files[i], e, der);
         }
         if (i / step < kPartSources) messages.push_back(der);
      }
   }
   for (const std::string& name : listDir(examples, false)) {
      Bytes raw = readFile(examples + "/" + name), der;
      std::string label, error;
      if (qvasn1tool::pemDecode(raw.data(), raw.size(), label, der, error) != qvasn1tool::PemStatus::Ok)
         continue;
      writeSeed(derDir, "example." + name, "", der);
      if (const Asn1RegEntry* e = asn1RegFind("Certificate"))
         writeSeed(berDir, "example." + name, fuzz::selectorOf(e), der);
      messages.push_back(der);
   }

   // Every type: its empty value, and elements of the messages that decode
   // as it (whole, to the last octet).
   std::vector<Bytes> parts;
   for (const Bytes& m : messages) collectElements(m.data(), m.size(), parts, 0);
   std::set<Bytes> unique(parts.begin(), parts.end());
   for (const Asn1RegEntry* e : fuzz::allTypes()) {
      const std::string base = safeName(e);
      {
         fuzz::Value v(*e);
         std::vector<uint8_t> der;
         if (v.encodeDer(der) == 0 && !der.empty()) {
            writeSeed(berDir, base + ".empty", fuzz::selectorOf(e), der);
            writeXerSeed(xerDir, base + ".empty", e, der);
         }
      }
      size_t kept = 0;
      for (const Bytes& p : unique) {
         if (kept == kPartsPerType) break;
         fuzz::Value v(*e);
         size_t consumed = 0;
         if (v.decodeBer(p.data(), p.size(), 0, &consumed) != 0 || consumed != p.size()) continue;
         const std::string name = base + ".part" + std::to_string(kept++);
         writeSeed(berDir, name, fuzz::selectorOf(e), p);
         writeXerSeed(xerDir, name, e, p);
      }
   }
   rtSeeds(out + "/rt");
   printf("fuzz_seedgen: %d seeds for %zu types in %s\n", gWritten, fuzz::allTypes().size(), out.c_str());
   return 0;
}
