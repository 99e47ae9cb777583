// Test helpers for the BER/DER primitives: hex texts, a context that frees
// itself, and encode/decode set-up.
#ifndef TESTS_BERTESTUTIL_H
#define TESTS_BERTESTUTIL_H

#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "asn1ber.h"
#include "rtError.h"

typedef std::vector<OSOCTET> Bytes;

// "30 03 02 01 05" (spaces optional) -> octets.
inline Bytes H(const char* hex)
{
   Bytes out;
   int hi = -1;
   for (const char* p = hex; *p != '\0'; p++) {
      if (isspace((unsigned char)*p)) continue;
      int v = isdigit((unsigned char)*p) ? *p - '0' : (tolower((unsigned char)*p) - 'a' + 10);
      if (hi < 0) hi = v;
      else {
         out.push_back((OSOCTET)(hi * 16 + v));
         hi = -1;
      }
   }
   return out;
}

inline std::string Hex(const OSOCTET* p, size_t n)
{
   std::string s;
   char buf[4];
   for (size_t i = 0; i < n; i++) {
      snprintf(buf, sizeof buf, i ? " %02X" : "%02X", p[i]);
      s += buf;
   }
   return s;
}
inline std::string Hex(const Bytes& b) { return Hex(b.data(), b.size()); }

// An initialised context, freed at scope exit.
struct TestCtxt {
   ASN1CTXT c;
   TestCtxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~TestCtxt() { rtFreeContext(&c); }
   ASN1CTXT* get() { return &c; }
   int status() const { return c.errInfo.status; }

   // Installs msg as the decode buffer with byteIndex 0 and size = msg size,
   // without reading a header (as a caller positioned inside a message).
   void decodeFrom(const Bytes& msg)
   {
      EXPECT_EQ(rtInitContextBuffer(&c, msg.empty() ? dummy() : const_cast<OSOCTET*>(msg.data()),
                                    (OSUINT32)msg.size()), 0);
      c.flags = 0;
   }
   // A dynamic encode buffer.
   void encodeInit() { EXPECT_EQ(xe_setp(&c, nullptr, 0), 0); }
   // The encoding so far.
   Bytes encoded() const
   {
      const ASN1BUFFER& b = c.buffer;
      return Bytes(b.data + b.byteIndex, b.data + b.size - 1);
   }

private:
   static OSOCTET* dummy() { static OSOCTET d[1]; return d; }
};

#endif
