// Helpers of the wrapper tests: hexadecimal blobs, the status an operation
// throws, a DER builder for test vectors and a small reader of DER elements
// for taking fields out of real files.
#ifndef QVASN1_TESTS_WRAPPERTESTUTIL_H
#define QVASN1_TESTS_WRAPPERTESTUTIL_H

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "AtlCompat.h"
#include "CorvaneBase.h"

namespace wrappertest {

inline Corvane::CBlob hexBlob(const std::string& hex)
{
   Corvane::CBlob b;
   b.readFromHexString(hex.c_str());
   return b;
}

inline std::string hexOf(const Corvane::CBlob& b) { return b.writeToHexString(0).str(); }

// The status f throws, or 0.
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
