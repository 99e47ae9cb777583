// Test helper: the corpus files of one folder, and a small reader of DER
// elements that gives the original octets of a field (not a re-encoding).
#ifndef QVASN1_TESTS_WRAPPER_CORPUSDER_H
#define QVASN1_TESTS_WRAPPER_CORPUSDER_H

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CorvaneBase.h"
#include "WrapperTestUtil.h"

namespace corpus {

// The DER files directly in a corpus folder, sorted.
using wrappertest::corpusFiles;
inline std::vector<std::string> files(const std::string& folder) { return corpusFiles(folder); }

inline std::vector<unsigned char> read(const std::string& path)
{
   std::ifstream in(path, std::ios::binary);
   return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One element of definite length: its first identifier octet, where it
// starts, and its contents.
struct Tlv {
   unsigned char tag = 0;
   const unsigned char* start = nullptr;
   const unsigned char* body = nullptr;
   size_t len = 0;
   size_t total() const { return (size_t)(body - start) + len; }
   Corvane::CBlob blob() const { return Corvane::CBlob(start, (unsigned long)total()); }
   Corvane::CBlob contents() const { return Corvane::CBlob(body, (unsigned long)len); }
};

// Reads the element at p (at most n octets); false for anything else than a
// low-tag-number element of definite length that fits.
inline bool readTlv(const unsigned char* p, size_t n, Tlv& t)
{
   if (n < 2 || (p[0] & 0x1F) == 0x1F) return false;
   size_t i = 2, len = p[1];
   if (len == 0x80) return false;
   if (len > 0x80) {
      size_t k = len & 0x7F;
      if (k > 4 || n < 2 + k) return false;
      len = 0;
      for (size_t j = 0; j < k; ++j) len = (len << 8) | p[2 + j];
      i += k;
   }
   if (len > n - i) return false;
   t.tag = p[0];
   t.start = p;
   t.body = p + i;
   t.len = len;
   return true;
}

// The children of a constructed element; false when one does not read.
inline bool children(const Tlv& parent, std::vector<Tlv>& out)
{
   out.clear();
   const unsigned char* p = parent.body;
   size_t left = parent.len;
   while (left > 0) {
      Tlv t;
      if (!readTlv(p, left, t)) return false;
      out.push_back(t);
      p += t.total();
      left -= t.total();
   }
   return true;
}

// The extensions of a certificate or CRL as (identifier contents, extnValue
// contents), and its issuer and subject names (the subject is empty for a
// CRL). False when the outer structure does not read.
struct SignedObject {
   Tlv issuer, subject;
   std::vector<std::pair<Corvane::CBlob, Tlv>> extensions;
};

inline bool readExtensions(const Tlv& list, SignedObject& out)
{
   std::vector<Tlv> exts, parts;
   if (!children(list, exts)) return false;
   for (const Tlv& e : exts) {
      if (!children(e, parts) || parts.size() < 2 || parts[0].tag != 0x06 || parts.back().tag != 0x04) return false;
      out.extensions.push_back({parts[0].contents(), parts.back()});
   }
   return true;
}

inline bool readSignedObject(const std::vector<unsigned char>& der, bool crl, SignedObject& out)
{
   Tlv outer, tbs;
   std::vector<Tlv> top, fields;
   if (!readTlv(der.data(), der.size(), outer) || !children(outer, top) || top.empty()) return false;
   tbs = top[0];
   if (!children(tbs, fields)) return false;
   size_t i = 0;
   if (!crl) {
      if (i < fields.size() && fields[i].tag == 0xA0) ++i;
      i += 2;  // serial number, signature algorithm
      if (i + 3 >= fields.size()) return false;
      out.issuer = fields[i];
      out.subject = fields[i + 2];
      for (size_t k = i + 4; k < fields.size(); ++k) {
         std::vector<Tlv> inner;
         if (fields[k].tag == 0xA3 && (!children(fields[k], inner) || inner.size() != 1 || !readExtensions(inner[0], out)))
            return false;
      }
      return true;
   }
   if (i < fields.size() && fields[i].tag == 0x02) ++i;
   ++i;  // signature algorithm
   if (i >= fields.size()) return false;
   out.issuer = fields[i];
   for (size_t k = i + 1; k < fields.size(); ++k) {
      std::vector<Tlv> inner;
      if (fields[k].tag == 0xA0 && (!children(fields[k], inner) || inner.size() != 1 || !readExtensions(inner[0], out)))
         return false;
   }
   return true;
}

}  // namespace corpus

#endif
