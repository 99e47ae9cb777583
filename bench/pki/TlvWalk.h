// The floor of any BER decoder: a minimal recursive walk over the tags and
// lengths of an encoding that visits every element once and touches no
// content octet. It checks just enough to stay inside the buffer (a length
// past the end, a truncated header or nesting deeper than kTlvMaxDepth
// stop the walk), so that its time is the cost of reading the headers.
#ifndef QVBENCH_TLVWALK_H
#define QVBENCH_TLVWALK_H

#include <cstddef>
#include <cstdint>

namespace qvbench {

const int kTlvMaxDepth = 64;

// Walks the elements in [p, end); returns the number of elements visited,
// or -1 when the encoding is malformed. Indefinite lengths (BER) are walked
// to their end-of-contents octets.
inline long tlvWalk(const std::uint8_t*& p, const std::uint8_t* end, int depth, bool untilEoc)
{
   if (depth > kTlvMaxDepth) return -1;
   long count = 0;
   while (p < end) {
      if (untilEoc && end - p >= 2 && p[0] == 0 && p[1] == 0) {
         p += 2;
         return count;
      }
      std::uint8_t id = *p++;
      if ((id & 0x1F) == 0x1F) { // high tag number: base-128 octets
         while (p < end && (*p & 0x80)) p++;
         if (p >= end) return -1;
         p++;
      }
      if (p >= end) return -1;
      std::uint8_t first = *p++;
      size_t len;
      bool indefinite = false;
      if (first < 0x80) len = first;
      else if (first == 0x80) {
         if (!(id & 0x20)) return -1;
         indefinite = true;
         len = 0;
      }
      else {
         int n = first & 0x7F;
         if (n > 8 || end - p < n) return -1;
         len = 0;
         while (n-- > 0) len = (len << 8) | *p++;
      }
      count++;
      if (indefinite) {
         long inner = tlvWalk(p, end, depth + 1, true);
         if (inner < 0) return -1;
         count += inner;
         continue;
      }
      if (len > (size_t)(end - p)) return -1;
      if (id & 0x20) {
         const std::uint8_t* q = p;
         long inner = tlvWalk(q, p + len, depth + 1, false);
         if (inner < 0 || q != p + len) return -1;
         count += inner;
      }
      p += len;
   }
   return untilEoc ? -1 : count;
}

inline long tlvWalk(const std::uint8_t* data, size_t len)
{
   const std::uint8_t* p = data;
   return tlvWalk(p, data + len, 0, false);
}

}

#endif
