// Test helpers of the value classes: blobs from and to hexadecimal text, the
// status of the exception a call throws, a DER builder for test vectors and
// a small reader of DER elements for taking fields out of real files.
#ifndef QVASN1_TESTS_WRAPPER_WRAPPERTESTUTIL_H
#define QVASN1_TESTS_WRAPPER_WRAPPERTESTUTIL_H

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "AtlCompat.h"
#include "CorvaneBase.h"

inline Corvane::CBlob hexBlob(const char* hex)
{
   Corvane::CBlob b;
   b.readFromHexString(hex);
   return b;
}

inline Corvane::CBlob hexBlob(const std::string& hex) { return hexBlob(hex.c_str()); }

inline std::string hexOf(const Corvane::CBlob& b) { return b.writeToHexString(0).str(); }

// A self-signed certificate made by openssl (P-256), as hexadecimal text.
inline const char* const kTestCertificate =
      "30820215308201BBA003020102021432DDADF6051F5B35BE97B3592B3339C3F6F7D2F9300A06082A8648CE3D04030230"
      "60310B3009060355040613024445310F300D06035504080C064265726C696E310F300D06035504070C064265726C696E"
      "31153013060355040A0C0C4578616D706C6520476D62483118301606035504030C0F7777772E6578616D706C652E636F"
      "6D301E170D3236313231313032323330395A170D3237303131303032323330395A3060310B3009060355040613024445"
      "310F300D06035504080C064265726C696E310F300D06035504070C064265726C696E31153013060355040A0C0C457861"
      "6D706C6520476D62483118301606035504030C0F7777772E6578616D706C652E636F6D3059301306072A8648CE3D0201"
      "06082A8648CE3D03010703420004C87CEB9617BD451811CC11B26BC4BA4738A82D619AA977BAEF6D458374F1D288CD22"
      "B02CC75627BD77E3FE5A09730FD9079827337A2B99AA85CFEE282BBEA342A3533051301D0603551D0E041604144EC115"
      "527D4F0B1040B325C0338D17DB2995F1A6301F0603551D230418301680144EC115527D4F0B1040B325C0338D17DB2995"
      "F1A6300F0603551D130101FF040530030101FF300A06082A8648CE3D0403020348003045022100BD7FE2B0F04EC1E12F"
      "7BE012DF2CEBA993BA5E93E9D2CD40213116BFCE5BB226022074569D0E65C9DAAA1324A6E28E763F53D7CA1A6162DABF"
      "7FEB90E9533F336F5C";

// The status of the ATL::CAtlException the call throws; 0 when it returns.
inline int statusOf(const std::function<void()>& f)
{
   try {
      f();
   }
   catch (const ATL::CAtlException& e) {
      return e.m_hr;
   }
   return 0;
}

namespace wrappertest {

using ::hexBlob;
using ::hexOf;
using ::statusOf;

// One DER element in hexadecimal: the tag (hexadecimal), the length and the
// contents (hexadecimal).
inline std::string tlv(const std::string& tag, const std::string& contentHex)
{
   static const char* digits = "0123456789ABCDEF";
   size_t n = contentHex.size() / 2;
   std::string len;
   if (n < 0x80) {
      len = {digits[n >> 4], digits[n & 15]};
   }
   else {
      std::string bytes;
      for (size_t m = n; m != 0; m >>= 8) bytes.insert(0, {digits[(m >> 4) & 15], digits[m & 15]});
      size_t k = bytes.size() / 2;
      len = std::string{'8', digits[k]} + bytes;
   }
   return tag + len + contentHex;
}

// A DER element inside a buffer: where it starts, where its contents start
// and end, and its first identifier octet.
struct Element {
   const unsigned char* begin = nullptr;
   const unsigned char* contents = nullptr;
   const unsigned char* end = nullptr;
   unsigned char tag = 0;

   Corvane::CBlob whole() const { return Corvane::CBlob(begin, (unsigned long)(end - begin)); }
   Corvane::CBlob value() const { return Corvane::CBlob(contents, (unsigned long)(end - contents)); }
   bool constructed() const { return (tag & 0x20) != 0; }
};

// Reads the element at p (low tag numbers, definite lengths: DER); false
// when it does not fit before end.
inline bool readElement(const unsigned char*& p, const unsigned char* end, Element& e)
{
   if (end - p < 2 || (p[0] & 0x1F) == 0x1F) return false;
   e.begin = p;
   e.tag = p[0];
   const unsigned char* q = p + 1;
   size_t len = *q++;
   if (len >= 0x80) {
      size_t k = len & 0x7F;
      if (k == 0 || k > 4 || (size_t)(end - q) < k) return false;
      len = 0;
      while (k-- > 0) len = len << 8 | *q++;
   }
   if ((size_t)(end - q) < len) return false;
   e.contents = q;
   e.end = q + len;
   p = e.end;
   return true;
}

// The elements inside a constructed element; empty when they do not read.
inline std::vector<Element> children(const Element& parent)
{
   std::vector<Element> out;
   const unsigned char* p = parent.contents;
   while (p < parent.end) {
      Element e;
      if (!readElement(p, parent.end, e)) return {};
      out.push_back(e);
   }
   return out;
}

inline bool readWhole(const Corvane::CBlob& file, Element& e)
{
   const unsigned char* p = file.pbData();
   return p != nullptr && readElement(p, p + file.cbData(), e) && p == file.pbData() + file.cbData();
}

// The DER files directly in a corpus folder (not ber/ or invalid/), sorted.
inline std::vector<std::string> corpusFiles(const std::string& folder)
{
   std::vector<std::string> out;
   std::string dir = std::string(QVASN1_CORPUS_DIR) + "/" + folder;
   DIR* d = opendir(dir.c_str());
   if (d == nullptr) return out;
   while (dirent* ent = readdir(d)) {
      std::string name = ent->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".der") == 0) out.push_back(dir + "/" + name);
   }
   closedir(d);
   std::sort(out.begin(), out.end());
   return out;
}

inline Corvane::CBlob readFile(const std::string& path)
{
   std::ifstream in(path, std::ios::binary);
   std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
   return Corvane::CBlob(bytes.data(), (unsigned long)bytes.size());
}

}  // namespace wrappertest

#endif
