// The hostile-input checklist at the level of the generated types: small
// hand-made messages decoded as Certificate, PKIMessage, ContentInfo,
// GeneralName ... through the type registry, each with the status it must
// give. One table per class of attack. A message that decodes must also
// survive the DER round trip (encode, decode again, same octets), and every
// decode runs in an exactly sized heap block so that AddressSanitizer sees
// any read past the end. The primitive-level cases live in
// test_ber_decode.cpp, test_ber_fuzz.cpp and the test_xer_*.cpp files.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "asn1TypedValue.h"
#include "asn1XerCppTypes.h"
#include "asn1ber.h"
#include "ASN1Context.h"
#include "PKIX1Explicit88.h"
#include "asn1dataRuntime.h"
#include "rtMemHeap.h"
#include "rtTime.h"

namespace {

using Bytes = std::vector<OSOCTET>;

Bytes hex(const std::string& h)
{
   Bytes b;
   std::string digits;
   for (char c : h)
      if (isxdigit(static_cast<unsigned char>(c))) digits += c;
   for (size_t i = 0; i + 1 < digits.size(); i += 2) b.push_back((OSOCTET)std::stoi(digits.substr(i, 2), nullptr, 16));
   return b;
}

Bytes cat(std::initializer_list<Bytes> parts)
{
   Bytes out;
   for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
   return out;
}

// Definite-length element: identifier octets, the shortest length, content.
Bytes tlv(const Bytes& id, const Bytes& content)
{
   Bytes out = id;
   size_t n = content.size();
   if (n < 128) out.push_back((OSOCTET)n);
   else {
      Bytes len;
      for (; n > 0; n >>= 8) len.insert(len.begin(), (OSOCTET)(n & 0xFF));
      out.push_back((OSOCTET)(0x80 | len.size()));
      out.insert(out.end(), len.begin(), len.end());
   }
   return cat({ out, content });
}

// Indefinite-length element: identifier octets, 80, content, end-of-contents.
Bytes indef(const Bytes& id, const Bytes& content)
{
   return cat({ id, { 0x80 }, content, { 0x00, 0x00 } });
}

Bytes repeat(const Bytes& b, size_t n)
{
   Bytes out;
   for (size_t i = 0; i < n; ++i) out.insert(out.end(), b.begin(), b.end());
   return out;
}

// Decodes `in` as the registered type `type` from an exactly sized copy and
// returns the status (the first one recorded when the decode fails). A value
// that decodes goes through DER and back; the octets must agree.
int decodeAs(const char* type, const Bytes& in, unsigned flags = 0)
{
   const Asn1RegEntry* e = asn1RegFind(type);
   if (e == nullptr) {
      ADD_FAILURE() << type << " is not registered";
      return 1;
   }
   std::unique_ptr<OSOCTET[]> exact(new OSOCTET[in.empty() ? 1 : in.size()]);
   std::copy(in.begin(), in.end(), exact.get());
   Asn1TypedValue value(*e);
   EXPECT_TRUE(value.valid());
   size_t consumed = 0;
   int stat = value.decodeBer(exact.get(), in.size(), flags, &consumed);
   EXPECT_LE(value.ctxt()->buffer.byteIndex, in.size()) << "position past the input";
   if (stat == 0) {
      Bytes enc;
      EXPECT_EQ(value.encodeDer(enc), 0) << "a decoded " << type << " does not encode";
      if (!enc.empty()) {
         Asn1TypedValue again(*e);
         EXPECT_EQ(again.decodeBer(enc.data(), enc.size(), 0, &consumed), 0)
            << "the DER of a decoded " << type << " does not decode";
         Bytes enc2;
         EXPECT_EQ(again.encodeDer(enc2), 0);
         EXPECT_EQ(enc, enc2) << type << " encodes differently after a DER round trip";
      }
   }
   return stat;
}

struct Case {
   const char* what;
   const char* type;
   Bytes input;
   int status;
   unsigned flags;
};

void runTable(const std::vector<Case>& cases)
{
   for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " as " + c.type);
      EXPECT_EQ(decodeAs(c.type, c.input, c.flags), c.status) << c.what;
   }
}

// --- Building blocks -------------------------------------------------------

const Bytes kNullName = hex("A4 02 30 00");   // GeneralName: directoryName, empty RDN sequence

// PKIMessage { header { pvno 2, sender, recipient }, body }.
Bytes pkiMessage(const Bytes& body, bool indefinite = false)
{
   Bytes header = tlv({ 0x30 }, cat({ hex("02 01 01"), kNullName, kNullName }));
   return indefinite ? indef({ 0x30 }, cat({ header, body })) : tlv({ 0x30 }, cat({ header, body }));
}

// A PKIMessage that nests `depth` further PKIMessages through body nested
// [20] (NestedMessageContent), the innermost one a confirmation.
Bytes nestedPkiMessage(int depth, bool indefinite)
{
   Bytes m = pkiMessage(hex("B3 02 05 00"), indefinite);
   for (int i = 0; i < depth; ++i) {
      Bytes body = indefinite ? indef({ 0xB4 }, m) : tlv({ 0xB4 }, m);
      m = pkiMessage(body, indefinite);
   }
   return m;
}

const Bytes kAlgRsaSha256 = hex("30 0D 06 09 2A 86 48 86 F7 0D 01 01 0B 05 00");

// AlgorithmIdentifier with the given OID content.
Bytes algorithm(const Bytes& oidContent)
{
   return tlv({ 0x30 }, tlv({ 0x06 }, oidContent));
}

// ContentInfo { contentType id-data, content [0] EXPLICIT <content> }.
Bytes contentInfo(const Bytes& content)
{
   return tlv({ 0x30 }, cat({ hex("06 09 2A 86 48 86 F7 0D 01 07 01"), tlv({ 0xA0 }, content) }));
}

}

// Nesting deeper than the limits: recursive types (a PKIMessage nested in
// its own body without end) stop at the generated depth limit, and open
// types (the content of a ContentInfo kept as octets) at the run-time's.
TEST(HostileInput, NestingDepth)
{
   Bytes deepIndef;
   for (int i = 0; i < ASN1_MAX_NESTING_DEPTH + 4; ++i) deepIndef = indef({ 0x30 }, deepIndef);
   Bytes deepDef;
   for (int i = 0; i < ASN1_MAX_NESTING_DEPTH + 4; ++i) deepDef = tlv({ 0x30 }, deepDef);
   runTable({
      { "PKIMessage nested 3 deep", "PKIMessage", nestedPkiMessage(3, false), 0, 0 },
      { "PKIMessage nested 3 deep, indefinite", "PKIMessage", nestedPkiMessage(3, true), 0, 0 },
      { "PKIMessage nested beyond the limit", "PKIMessage",
        nestedPkiMessage(ASN1DATA_MAX_DEPTH + 2, false), ASN1ERR_NOT_SUPPORTED, 0 },
      { "PKIMessage nested beyond the limit, indefinite", "PKIMessage",
        nestedPkiMessage(ASN1DATA_MAX_DEPTH + 2, true), ASN1ERR_NOT_SUPPORTED, 0 },
      { "ContentInfo content nested beyond the limit, indefinite", "ContentInfo",
        contentInfo(deepIndef), ASN1ERR_NOT_SUPPORTED, 0 },
      // Definite lengths are stepped over, not walked: depth costs nothing;
      // the content is then decoded through the content-type set, and a bare
      // nest of SEQUENCEs is not a value of its type.
      { "ContentInfo content nested deep, definite", "ContentInfo", contentInfo(deepDef),
        ASN1ERR_TAG_NOT_FOUND, 0 },
      // An open type that is an empty indefinite-length element is written
      // back as it came.
      { "OtherKeyAttribute, empty indefinite-length attribute", "OtherKeyAttribute",
        hex("30 80 06 03 2A 03 04 30 80 00 00 00 00"), 0, 0 },
      { "CMS inside CMS, indefinite", "ContentInfo",
        indef({ 0x30 }, cat({ hex("06 09 2A 86 48 86 F7 0D 01 07 02"),
                              indef({ 0xA0 }, contentInfo(contentInfo(hex("04 01 41")))) })),
        ASN1ERR_TAG_NOT_FOUND, 0 },  // the signed-data content is decoded, and this is none
   });
}

// Lengths that overflow 32 bits, exceed the buffer or the enclosing element.
TEST(HostileInput, Lengths)
{
   runTable({
      { "outer length 2^32-1", "Certificate", hex("30 84 FF FF FF FF 30 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "outer length 2^31", "Certificate", hex("30 84 80 00 00 00 30 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "outer length past the end", "Certificate", hex("30 10 30 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "inner length past the outer element", "Certificate",
        hex("30 06 30 84 7F FF FF F0 00 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "inner length past the outer element, within the buffer", "AlgorithmIdentifier",
        hex("30 03 06 05 2A 03 04 05 06"), ASN1ERR_INVALID_LENGTH, 0 },
      { "serial number of length 2^32-1", "TBSCertificate",
        hex("30 0B A0 03 02 01 02 02 84 FF FF FF FF"), ASN1ERR_INVALID_LENGTH, 0 },
      { "indefinite length without end-of-contents", "AlgorithmIdentifier",
        hex("30 80 06 03 2A 03 04"), ASN1ERR_END_OF_BUFFER, 0 },
      { "primitive element of indefinite length", "AlgorithmIdentifier",
        hex("30 80 06 80 2A 03 04 00 00 00 00"), ASN1ERR_INVALID_LENGTH, 0 },
   });
}

// Long-form lengths: more than four octets, or leading zero octets (BER
// allows those, DER does not).
TEST(HostileInput, LongFormLengths)
{
   runTable({
      { "five length octets", "AlgorithmIdentifier", hex("30 85 00 00 00 00 05 06 03 2A 03 04"),
        ASN1ERR_INVALID_LENGTH, 0 },
      { "eight length octets", "Name", hex("30 88 00 00 00 00 00 00 00 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "length octets 0x80|127", "Name", hex("30 FF 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "leading zero octet, BER", "AlgorithmIdentifier", hex("30 82 00 05 06 03 2A 03 04"), 0, 0 },
      { "leading zero octet, DER-strict", "AlgorithmIdentifier", hex("30 82 00 05 06 03 2A 03 04"),
        ASN1ERR_INVALID_LENGTH, ASN1DERSTRICT },
      { "inner leading zero octets, DER-strict", "AlgorithmIdentifier",
        hex("30 07 06 84 00 00 00 03 2A 03 04"), ASN1ERR_INVALID_LENGTH, ASN1DERSTRICT },
   });
}

// Identifier octets with huge tag numbers.
TEST(HostileInput, HugeTagNumbers)
{
   runTable({
      { "outer tag number above 2^32", "Certificate", hex("3F 90 80 80 80 80 00 00"), ASN1ERR_BAD_TAG, 0 },
      { "outer tag number above 2^29", "Certificate", hex("3F 82 80 80 80 00 00"), ASN1ERR_BAD_TAG, 0 },
      { "tag number without its last octet", "Certificate", hex("3F 81 81"), ASN1ERR_END_OF_BUFFER, 0 },
      // 2^29-1 is the largest tag number a tag word holds: a valid tag that
      // no alternative has.
      { "tag number 2^29-1 inside a GeneralNames", "GeneralNames", hex("30 06 BF 81 FF FF 7F 00"),
        ASN1ERR_INVALID_CHOICE, 0 },
      { "tag number 2^32 inside a GeneralNames", "GeneralNames", hex("30 07 BF 90 80 80 80 00 00"),
        ASN1ERR_BAD_TAG, 0 },
      { "unknown high context tag in a choice", "GeneralName", hex("9F 81 00 00"), ASN1ERR_INVALID_CHOICE, 0 },
   });
}

// Object identifiers: too many arcs, arcs above 2^32, bad arc forms.
TEST(HostileInput, ObjectIdentifiers)
{
   Bytes arcs129 = repeat({ 0x01 }, 128);   // 1.1 + 127 more arcs = 129
   Bytes arcs128 = repeat({ 0x01 }, 127);
   runTable({
      { "128 arcs", "AlgorithmIdentifier", algorithm(arcs128), 0, 0 },
      { "129 arcs", "AlgorithmIdentifier", algorithm(arcs129), ASN1ERR_INVALID_OBJID, 0 },
      { "arc 2^32", "AlgorithmIdentifier", algorithm(hex("2A 90 80 80 80 00")), ASN1ERR_INVALID_OBJID, 0 },
      { "arc 2^35 in ten octets", "AlgorithmIdentifier",
        algorithm(hex("2A FF FF FF FF FF FF FF FF FF 7F")), ASN1ERR_INVALID_OBJID, 0 },
      { "arc with a leading 0x80 octet", "AlgorithmIdentifier", algorithm(hex("2A 80 01")),
        ASN1ERR_INVALID_OBJID, 0 },
      { "last arc cut short", "AlgorithmIdentifier", algorithm(hex("2A 86")), ASN1ERR_INVALID_OBJID, 0 },
      { "empty OID", "AlgorithmIdentifier", algorithm({}), ASN1ERR_INVALID_LENGTH, 0 },
      { "first arcs 2.999 in two octets", "AlgorithmIdentifier", algorithm(hex("88 37 01")), 0, 0 },
   });
}

// BIT STRING: unused-bit counts above 7, or with no data octet, and set
// padding bits.
TEST(HostileInput, BitStrings)
{
   const Bytes spkiHead = kAlgRsaSha256;
   runTable({
      { "unused bits 8", "SubjectPublicKeyInfo", tlv({ 0x30 }, cat({ spkiHead, hex("03 02 08 00") })),
        ASN1ERR_BAD_VALUE, 0 },
      { "unused bits 255", "SubjectPublicKeyInfo", tlv({ 0x30 }, cat({ spkiHead, hex("03 02 FF 00") })),
        ASN1ERR_BAD_VALUE, 0 },
      { "unused bits without data", "SubjectPublicKeyInfo", tlv({ 0x30 }, cat({ spkiHead, hex("03 01 03") })),
        ASN1ERR_INVALID_LENGTH, 0 },
      // Empty content is read as the empty bit string.
      { "no unused-bits octet", "SubjectPublicKeyInfo", tlv({ 0x30 }, cat({ spkiHead, hex("03 00") })), 0, 0 },
      // Padding bits are not significant in BER; DER output clears them.
      { "KeyUsage 7 unused bits, padding set", "KeyUsage", hex("03 02 07 FF"), 0, 0 },
      { "KeyUsage beyond the capacity of its named bits", "KeyUsage", hex("03 04 00 FF FF FF"),
        ASN1ERR_STRING_OVERFLOW, 0 },
      // Named-bit strings are decoded in place and take the primitive form only.
      { "segmented KeyUsage", "KeyUsage", hex("23 08 03 02 00 F0 03 02 07 80"), ASN1ERR_TAG_NOT_FOUND, 0 },
      { "segmented BIT STRING", "SubjectPublicKeyInfo",
        tlv({ 0x30 }, cat({ spkiHead, hex("23 08 03 02 00 F0 03 02 07 80") })), 0, 0 },
      { "segmented BIT STRING, unused bits in a middle segment", "SubjectPublicKeyInfo",
        tlv({ 0x30 }, cat({ spkiHead, hex("23 08 03 02 04 F0 03 02 00 80") })), ASN1ERR_BAD_VALUE, 0 },
      { "BIT STRING, OCTET STRING segment", "SubjectPublicKeyInfo",
        tlv({ 0x30 }, cat({ spkiHead, hex("23 04 04 02 00 80") })), ASN1ERR_BAD_TAG, 0 },
   });
}

// BMPString and UniversalString of a length that is not a whole number of
// characters; 8-bit strings with a NUL inside (the record holds them as
// NUL-terminated text, which would cut them short: "a.example\0.evil"
// must not pass as "a.example"); malformed UTF-8.
TEST(HostileInput, CharacterStrings)
{
   auto postal = [](const Bytes& s) { return tlv({ 0x30 }, s); };
   runTable({
      { "BMPString of 3 octets", "PostalAddress", postal(hex("1E 03 00 41 00")), ASN1ERR_INVALID_LENGTH, 0 },
      { "BMPString of 1 octet", "PostalAddress", postal(hex("1E 01 41")), ASN1ERR_INVALID_LENGTH, 0 },
      { "UniversalString of 6 octets", "PostalAddress", postal(hex("1C 06 00 00 00 41 00 00")),
        ASN1ERR_INVALID_LENGTH, 0 },
      { "UniversalString of 2 octets", "PostalAddress", postal(hex("1C 02 00 41")), ASN1ERR_INVALID_LENGTH, 0 },
      // Segments of a character string are OCTET STRINGs; odd segments may
      // add up to whole characters.
      { "BMPString, odd segments making one character", "PostalAddress",
        postal(hex("3E 80 04 01 00 04 01 41 00 00")), 0, 0 },
      { "BMPString, odd segments making 3 octets", "PostalAddress",
        postal(hex("3E 80 04 01 00 04 02 41 00 00 00")), ASN1ERR_INVALID_LENGTH, 0 },
      { "BMPString, BMPString segments", "PostalAddress", postal(hex("3E 80 1E 02 00 41 00 00")),
        ASN1ERR_BAD_TAG, 0 },
      { "PrintableString with a NUL", "PostalAddress", postal(hex("13 03 41 00 42")), ASN1ERR_INVALID_CHAR, 0 },
      { "dNSName with a NUL", "GeneralName", tlv({ 0x82 }, hex("61 2E 65 78 00 2E 65 76 69 6C")),
        ASN1ERR_INVALID_CHAR, 0 },
      { "UTF8String ending in a NUL", "PostalAddress", postal(hex("0C 02 41 00")), ASN1ERR_INVALID_CHAR, 0 },
      { "segmented IA5String, NUL in the second segment", "GeneralName",
        hex("A2 80 04 01 61 04 01 00 00 00"), ASN1ERR_INVALID_CHAR, 0 },
      // UTF8String octets are kept as written: overlong forms, surrogates
      // and truncated sequences are left to the text conversions. A lead
      // octet that no UTF-8 character starts with fails the character count
      // of the SIZE check.
      { "UTF-8 overlong '/'", "PostalAddress", postal(hex("0C 02 C0 AF")), 0, 0 },
      { "UTF-8 surrogate", "PostalAddress", postal(hex("0C 03 ED A0 80")), 0, 0 },
      { "UTF-8 lone continuation octet", "PostalAddress", postal(hex("0C 01 80")), ASN1ERR_CONSTRAINT, 0 },
      { "UTF-8 octet FF", "PostalAddress", postal(hex("0C 01 FF")), ASN1ERR_CONSTRAINT, 0 },
      { "UTF-8 valid, four-octet", "PostalAddress", postal(hex("0C 04 F0 9F 98 80")), 0, 0 },
   });
}

// Time texts that are malformed or out of range: the record keeps a time as
// the text it was sent as, and the time parsers refuse the text.
TEST(HostileInput, TimeTexts)
{
   struct TimeCase {
      const char* text;
      bool utc;
      int parse;
   };
   const TimeCase cases[] = {
      { "240229235959Z", true, 0 },
      { "241301000000Z", true, ASN1ERR_INVALID_FORMAT },
      { "240230000000Z", true, ASN1ERR_INVALID_FORMAT },
      { "230229000000Z", true, ASN1ERR_INVALID_FORMAT },
      { "240101240000Z", true, ASN1ERR_INVALID_FORMAT },
      { "24O1O1000000Z", true, ASN1ERR_INVALID_FORMAT },
      { "2401", true, ASN1ERR_INVALID_FORMAT },
      { "", true, ASN1ERR_INVALID_FORMAT },
      { "240101000000+2400", true, ASN1ERR_INVALID_FORMAT },
      { "240101000000Z0", true, ASN1ERR_INVALID_FORMAT },
      { "20240229235959.5Z", false, 0 },
      { "20240101006000Z", false, ASN1ERR_INVALID_FORMAT },
      { "20240101000000.Z", false, ASN1ERR_INVALID_FORMAT },
      { "-0240101000000Z", false, ASN1ERR_INVALID_FORMAT },
   };
   for (const TimeCase& c : cases) {
      SCOPED_TRACE(c.text);
      Bytes der = tlv({ (OSOCTET)(c.utc ? 0x17 : 0x18) }, Bytes(c.text, c.text + strlen(c.text)));
      ASN1CTXT ctxt;
      ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
      asn1data::ASN1T_Time t;
      ASN1TAG tag;
      int len;
      ASSERT_EQ(xd_setp(&ctxt, der.data(), (int)der.size(), &tag, &len), 0);
      EXPECT_EQ(asn1data::asn1D_Time(&ctxt, &t, ASN1TAG_EXPLICIT, 0), 0);
      const char* text = c.utc ? t.u.utcTime : t.u.generalTime;
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text, c.text);
      ASN1DateTime dt;
      EXPECT_EQ(c.utc ? rtParseUTCTime(&ctxt, text, &dt) : rtParseGeneralizedTime(&ctxt, text, &dt), c.parse);
      rtFreeContext(&ctxt);
   }
   // The fraction of a GeneralizedTime is bounded.
   std::string longFraction = "20240101000000." + std::string(200, '9') + "Z";
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   ASN1DateTime dt;
   EXPECT_EQ(rtParseGeneralizedTime(&ctxt, longFraction.c_str(), &dt), ASN1ERR_INVALID_FORMAT);
   rtFreeContext(&ctxt);
}

// SEQUENCE OF / SET OF whose claimed size is far beyond the buffer, or whose
// elements are empty: nothing may be allocated for what is not there.
TEST(HostileInput, ListSizes)
{
   // 5000 RDNs of one attribute each (common name "A").
   Bytes manyRdns = tlv({ 0x30 }, repeat(hex("31 0A 30 08 06 03 55 04 03 0C 01 41"), 5000));
   runTable({
      { "RDNSequence claiming 16 MB", "Name", hex("30 84 00 FF FF FF 31 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "Extensions claiming 2 GB", "Extensions", hex("30 84 7F FF FF FF 30 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "5000 RDNs", "Name", manyRdns, 0, 0 },
      { "5000 empty RDNs (SIZE (1..MAX))", "Name", tlv({ 0x30 }, repeat(hex("31 00"), 5000)),
        ASN1ERR_CONSTRAINT, 0 },
      { "GeneralNames of 4000 empty elements", "GeneralNames",
        tlv({ 0x30 }, repeat(hex("05 00"), 4000)), ASN1ERR_INVALID_CHOICE, 0 },
      { "CRL entries: one good, then a length past the end", "CertificateList",
        hex("30 0C 30 0A 30 84 00 10 00 00 02 01 01 00"), ASN1ERR_INVALID_LENGTH, 0 },
   });
}

// Constructed (segmented) strings whose segments carry the wrong tag or are
// constructed themselves.
TEST(HostileInput, SegmentedStrings)
{
   runTable({
      { "OCTET STRING, segments of OCTET STRING", "SubjectKeyIdentifier", hex("24 06 04 01 41 04 01 42"), 0, 0 },
      { "OCTET STRING, BIT STRING segment", "SubjectKeyIdentifier", hex("24 06 04 01 41 03 01 00"),
        ASN1ERR_BAD_TAG, 0 },
      { "OCTET STRING, INTEGER segment, indefinite", "SubjectKeyIdentifier", hex("24 80 02 01 01 00 00"),
        ASN1ERR_BAD_TAG, 0 },
      // Segments are taken one level deep only.
      { "OCTET STRING, nested segments", "SubjectKeyIdentifier", hex("24 08 24 06 04 01 41 04 01 42"),
        ASN1ERR_BAD_TAG, 0 },
      { "OCTET STRING, segment past the end", "SubjectKeyIdentifier", hex("24 04 04 05 41 42"),
        ASN1ERR_INVALID_LENGTH, 0 },
      { "IA5String dNSName, UTF8String segment", "GeneralName", hex("A2 05 0C 03 61 62 63"), ASN1ERR_BAD_TAG, 0 },
   });
}

// GeneralName alternatives held through pointers (x400Address,
// ediPartyName, directoryName) with contents that do not fit them.
TEST(HostileInput, GeneralNamePointerAlternatives)
{
   runTable({
      { "directoryName, empty", "GeneralName", hex("A4 02 30 00"), 0, 0 },
      { "directoryName, no content", "GeneralName", hex("A4 00"), ASN1ERR_END_OF_BUFFER, 0 },
      { "directoryName holding an INTEGER", "GeneralName", hex("A4 03 02 01 01"), ASN1ERR_INVALID_CHOICE, 0 },
      { "directoryName, Name longer than the tag", "GeneralName", hex("A4 02 30 02 31 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "directoryName, trailing octets", "GeneralName", hex("A4 04 30 00 05 00"), ASN1ERR_INVALID_LENGTH, 0 },
      { "x400Address, empty", "GeneralName", hex("A3 00"), ASN1ERR_MISSING_ELEMENT, 0 },
      { "x400Address, garbage", "GeneralName", hex("A3 03 02 01 01"), ASN1ERR_TAG_NOT_FOUND, 0 },
      // Tags are matched without their constructed bit.
      { "x400Address, primitive", "GeneralName", hex("83 02 30 00"), 0, 0 },
      { "ediPartyName, empty", "GeneralName", hex("A5 00"), ASN1ERR_MISSING_ELEMENT, 0 },
      { "ediPartyName, nameAssigner only", "GeneralName", hex("A5 05 A0 03 13 01 41"), ASN1ERR_MISSING_ELEMENT, 0 },
      { "ediPartyName, partyName empty string", "GeneralName", hex("A5 04 A1 02 13 00"), ASN1ERR_CONSTRAINT, 0 },
      { "ediPartyName, valid", "GeneralName", hex("A5 05 A1 03 13 01 41"), 0, 0 },
      { "ediPartyName, INTEGER partyName", "GeneralName", hex("A5 05 A1 03 02 01 01"), ASN1ERR_INVALID_CHOICE, 0 },
      { "otherName, no value", "GeneralName", hex("A0 05 06 03 2A 03 04"), ASN1ERR_MISSING_ELEMENT, 0 },
      { "GeneralNames mixing all", "GeneralNames",
        hex("30 10 A4 02 30 00 A5 05 A1 03 13 01 41 82 03 61 62 63"), 0, 0 },
   });
}

namespace {

// Decodes an XER document as the registered type; the status, with the
// reader's exceptions turned into the status they carry. A document that
// decodes must also encode in DER.
int decodeXerAs(const char* type, const std::string& doc)
{
   const Asn1RegEntry* e = asn1RegFind(type);
   if (e == nullptr || e->xerDecode == nullptr) {
      ADD_FAILURE() << type << " decodes no XER document";
      return 1;
   }
   ASN1Context* context = new ASN1Context();
   context->_ref();
   ASN1CTXT* pctxt = context->getPtr();
   void* rec = ASN1MALLOCZ(pctxt, e->recordSize ? e->recordSize : 1);
   int stat;
   try {
      ASN1XERDecodeBuffer buf(reinterpret_cast<const OSOCTET*>(doc.data()), (OSUINT32)doc.size(), FALSE, context);
      stat = e->xerDecode(&buf, rec);
   }
   catch (const OSRTSAXException& x) {
      stat = x.getStatus();
   }
   catch (const ASN1RTLException& x) {
      stat = x.status;
   }
   if (pctxt->errInfo.status != 0) stat = pctxt->errInfo.status;
   if (stat == 0) {
      EXPECT_EQ(xe_setp(pctxt, nullptr, 0), 0);
      EXPECT_GT(e->derEncode(pctxt, rec), 0) << "an XER-decoded " << type << " does not encode in DER";
   }
   if (e->free) e->free(pctxt, rec);
   context->_unref();
   return stat;
}

std::string algorithmXml(const std::string& parameters)
{
   return "<AlgorithmIdentifier><algorithm>1.2.840.113549.1.1.11</algorithm>" + parameters +
          "</AlgorithmIdentifier>";
}

}

// XML documents as generated types: open-type octets that are not one
// element, entity expansion, deep nesting, huge attributes, invalid UTF-8
// and unknown elements.
TEST(HostileInput, XmlDocuments)
{
   std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY l0 \"lollollollol\">";
   for (int i = 1; i < 10; ++i) {
      laughs += "<!ENTITY l" + std::to_string(i) + " \"";
      for (int j = 0; j < 10; ++j) laughs += "&l" + std::to_string(i - 1) + ";";
      laughs += "\">";
   }
   laughs += "]>" + algorithmXml("<parameters form=\"ber\">&l9;</parameters>");
   std::string deep;
   for (int i = 0; i < 10000; ++i) deep += "<a>";
   std::string hugeAttribute = "<AlgorithmIdentifier x=\"" + std::string(1 << 20, 'a') + "\">" +
                               "<algorithm>1.2.3</algorithm></AlgorithmIdentifier>";
   struct XmlCase {
      const char* what;
      std::string doc;
      int status;
   };
   const XmlCase cases[] = {
      { "open type, one element", algorithmXml("<parameters form=\"ber\">0500</parameters>"), 0 },
      { "open type, empty indefinite element", algorithmXml("<parameters form=\"ber\">30800000</parameters>"), 0 },
      { "open type cut short", algorithmXml("<parameters form=\"ber\">020301</parameters>"), ASN1ERR_INVALID_LENGTH },
      { "open type, two elements", algorithmXml("<parameters form=\"ber\">05000500</parameters>"),
        ASN1ERR_INVALID_LENGTH },
      { "open type, end-of-contents", algorithmXml("<parameters form=\"ber\">0000</parameters>"),
        ASN1ERR_INVALID_LENGTH },
      // The reader bounds the expansion; the text it delivers is no hex.
      { "entity expansion", laughs, ASN1ERR_INVALID_HEX },
      // The first element no component has stops the decode.
      { "nesting 10000 deep", algorithmXml(deep), ASN1ERR_TAG_NOT_FOUND },
      { "1 MB attribute", hugeAttribute, 0 },
      { "invalid UTF-8", algorithmXml("<parameters form=\"ber\">05\xC0\xAF" "00</parameters>"), ASN1ERR_XML_STATE },
      { "unknown element", algorithmXml("<unknown/>"), ASN1ERR_TAG_NOT_FOUND },
   };
   for (const XmlCase& c : cases) {
      SCOPED_TRACE(c.what);
      EXPECT_EQ(decodeXerAs("AlgorithmIdentifier", c.doc), c.status) << c.what;
   }
}
