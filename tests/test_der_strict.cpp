// DER-strict decoding (ASN1DERSTRICT): every rule of X.690 clause 10 and 11
// that a signature verifier relies on, each as an input that the default
// (BER) mode reads and the strict mode refuses, beside a DER input that both
// read. One table, the two modes side by side.
#include <gtest/gtest.h>

#include <string>

#include "ASN1Context.h"
#include "BerTestUtil.h"
#include "asn1Registry.h"
#include "rtMemHeap.h"

namespace {

struct Case {
   const char* rule;
   const char* type;   // a registered type, or "tag" for the identifier octets alone
   const char* hex;
   int ber;            // status in the default mode
   int der;            // status with ASN1DERSTRICT
};

const int OK = 0;
const int BAD_VALUE = ASN1ERR_BAD_VALUE;
const int BAD_TAG = ASN1ERR_BAD_TAG;
const int BAD_LEN = ASN1ERR_INVALID_LENGTH;

// A TBSCertificate after its version: serial number, signature algorithm,
// issuer, validity, subject and key, with the fewest octets that decode.
#define TBS_TAIL "02 01 01 30 04 06 02 2A 03 30 00 30 1E 17 0D 32 34 30 31 30 31 30 30 30 30 30 30 5A 17 0D 32 35 30 31 30 31 30 30 30 30 30 30 5A 30 00 30 0A 30 04 06 02 2A 03 03 02 00 00"

const Case kCases[] = {
   // Lengths (X.690 10.1).
   { "definite length, short form", "KeyIdentifier", "04 01 AA", OK, OK },
   { "long form for a short length", "KeyIdentifier", "04 81 01 AA", OK, BAD_LEN },
   { "length with a leading zero octet", "KeyIdentifier", "04 82 00 01 AA", OK, BAD_LEN },
   { "indefinite length", "RelativeDistinguishedName", "31 80 30 08 06 03 55 04 03 0C 01 41 00 00", OK, BAD_LEN },
   // INTEGER in its shortest form (X.690 8.3.2; BER forbids the longer
   // forms too, the default mode reads them).
   { "INTEGER, sign octet needed", "Version", "02 02 00 80", OK, OK },
   { "INTEGER, nine leading zero bits", "Version", "02 02 00 01", OK, BAD_VALUE },
   { "INTEGER, nine leading one bits", "CertificateSerialNumber", "02 02 FF 80", OK, BAD_VALUE },
   { "big INTEGER, nine leading zero bits", "CertificateSerialNumber", "02 03 00 00 FF", OK, BAD_VALUE },
   { "big INTEGER, no content", "CertificateSerialNumber", "02 00", OK, BAD_VALUE },
   { "ENUMERATED, nine leading zero bits", "CRLReason", "0A 02 00 01", OK, BAD_VALUE },
   // BOOLEAN TRUE is FF (X.690 11.1); FALSE as the DEFAULT is not encoded.
   { "BOOLEAN FF", "BasicConstraintsSyntax", "30 03 01 01 FF", OK, OK },
   { "BOOLEAN 01", "BasicConstraintsSyntax", "30 03 01 01 01", OK, BAD_VALUE },
   // Strings are primitive (X.690 10.2).
   { "constructed OCTET STRING", "KeyIdentifier", "24 04 04 02 AB CD", OK, BAD_TAG },
   { "constructed PrintableString", "ASN1PrintableString", "33 04 04 02 41 42", OK, BAD_TAG },
   { "constructed BIT STRING", "UniqueIdentifier", "23 05 03 03 00 AB CD", OK, BAD_TAG },
   // Identifier octets: a tag number in its shortest form (X.690 8.1.2).
   { "tag number 5 in one octet", "tag", "85", OK, OK },
   { "tag number 5 in the long form", "tag", "9F 05", OK, BAD_TAG },
   { "tag number 33", "tag", "9F 21", OK, OK },
   { "tag number 33 after a zero group", "tag", "9F 80 21", OK, BAD_TAG },
   // BIT STRING: unused bits zero (X.690 11.2.1), the initial octet present.
   { "unused bits zero", "UniqueIdentifier", "03 02 07 80", OK, OK },
   { "unused bits set", "UniqueIdentifier", "03 02 07 81", OK, BAD_VALUE },
   { "empty BIT STRING without its initial octet", "UniqueIdentifier", "03 00", OK, BAD_LEN },
   // Named bits: no trailing zero bits (X.690 11.2.2).
   { "named bits, last bit set", "KeyUsage", "03 02 05 A0", OK, OK },
   { "named bits, a trailing zero bit", "KeyUsage", "03 02 04 A0", OK, BAD_VALUE },
   { "named bits, whole zero octet", "KeyUsage", "03 03 07 80 00", OK, BAD_VALUE },
   // SET OF in ascending order of the encodings (X.690 11.6).
   { "SET OF in order", "RelativeDistinguishedName",
     "31 14 30 08 06 03 55 04 03 0C 01 41 30 08 06 03 55 04 0A 0C 01 42", OK, OK },
   { "SET OF out of order", "RelativeDistinguishedName",
     "31 14 30 08 06 03 55 04 0A 0C 01 42 30 08 06 03 55 04 03 0C 01 41", OK, BAD_VALUE },
   { "SET OF, equal elements", "RelativeDistinguishedName",
     "31 14 30 08 06 03 55 04 03 0C 01 41 30 08 06 03 55 04 03 0C 01 41", OK, OK },
   // DEFAULT values are not encoded (X.690 11.5).
   { "BOOLEAN DEFAULT FALSE encoded", "BasicConstraintsSyntax", "30 03 01 01 00", OK, BAD_VALUE },
   { "critical DEFAULT FALSE encoded", "Extension", "30 0E 06 03 55 1D 0F 01 01 00 04 04 03 02 05 A0", OK, BAD_VALUE },
   { "critical TRUE", "Extension", "30 0E 06 03 55 1D 0F 01 01 FF 04 04 03 02 05 A0", OK, OK },
   { "INTEGER DEFAULT 0 encoded (pathLen absent)", "GeneralSubtree", "30 07 82 02 41 42 80 01 00", OK, BAD_VALUE },
   { "INTEGER above its DEFAULT", "GeneralSubtree", "30 07 82 02 41 42 80 01 01", OK, OK },
   { "Version DEFAULT v1 encoded", "TBSCertificate", "30 3E A0 03 02 01 00 " TBS_TAIL, OK, BAD_VALUE },
   { "Version v3", "TBSCertificate", "30 3E A0 03 02 01 02 " TBS_TAIL, OK, OK },
   { "SEQUENCE DEFAULT { algorithm id-sha256 } encoded", "ESSCertIDv2",
     "30 11 30 0B 06 09 60 86 48 01 65 03 04 02 01 04 02 AA BB", OK, BAD_VALUE },
   { "another algorithm", "ESSCertIDv2", "30 11 30 0B 06 09 60 86 48 01 65 03 04 02 02 04 02 AA BB", OK, OK },
   { "sha-256 with parameters", "ESSCertIDv2",
     "30 13 30 0D 06 09 60 86 48 01 65 03 04 02 01 05 00 04 02 AA BB", OK, OK },
};

// Decodes hex as the case's type (or its identifier octets) with the flags.
int decode(const Case& c, OSUINT16 flags)
{
   Bytes in = H(c.hex);
   ASN1Context* ctx = new ASN1Context();
   ctx->_ref();
   ASN1CTXT* p = ctx->getPtr();
   int stat;
   if (std::string(c.type) == "tag") {
      rtInitContextBuffer(p, in.data(), (OSUINT32)in.size());
      p->flags |= flags;
      ASN1TAG tag = 0;
      stat = xd_tag(p, &tag);
   }
   else {
      const Asn1RegEntry* e = asn1RegFind(c.type);
      EXPECT_NE(e, nullptr) << c.type;
      if (e == nullptr) return 1;
      void* record = rtMemHeapAllocZ(&p->memHeap, (int)e->recordSize);
      ASN1TAG tag;
      int len;
      stat = xd_setp(p, in.data(), (int)in.size(), &tag, &len);
      if (stat == 0) {
         p->flags |= flags;
         stat = e->berDecode(p, record);
         // A value read must be read whole.
         if (stat == 0) {
            EXPECT_EQ(p->buffer.byteIndex, in.size());
         }
      }
      if (e->free != nullptr) e->free(p, record);
   }
   ctx->_unref();
   return stat;
}

TEST(DerStrict, EveryRuleBothModes)
{
   for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(c.rule) + ": " + c.hex);
      EXPECT_EQ(decode(c, 0), c.ber) << "default mode";
      EXPECT_EQ(decode(c, ASN1DERSTRICT), c.der) << "strict mode";
   }
}

}  // namespace
