// The maker's own modules where their encodings have a rule of their own:
// DEFAULT values that are left out, value ranges, fixed-size octet strings
// and an empty SEQUENCE OF that must still be written.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Audit-Log.h"
#include "Converter.h"
#include "PKIX1Explicit88.h"
#include "Cryptographic-Gost-Useful-Definitions.h"
#include "Name-Service.h"
#include "QVPKIXCMP.h"
#include "asn1ErrCodes.h"
#include "asn1Registry.h"

#include "TestContext.h"

using namespace asn1data;
using Bytes = std::vector<OSOCTET>;

namespace {

std::string hex(const OSOCTET* p, size_t n)
{
   static const char* d = "0123456789ABCDEF";
   std::string s;
   for (size_t i = 0; i < n; ++i) {
      if (!s.empty()) s += ' ';
      s += d[p[i] >> 4];
      s += d[p[i] & 15];
   }
   return s;
}

Bytes bytes(const std::string& hexText)
{
   Bytes b;
   for (size_t i = 0; i + 1 < hexText.size();) {
      if (hexText[i] == ' ') { ++i; continue; }
      b.push_back(static_cast<OSOCTET>(std::stoul(hexText.substr(i, 2), nullptr, 16)));
      i += 2;
   }
   return b;
}

// The DER encoding as hex, or "status N".
template <class Rec>
std::string der(int (*fn)(ASN1CTXT*, Rec*, ASN1TagType), Rec& rec)
{
   Ctxt c;
   EXPECT_EQ(xe_setp(&c, nullptr, 0), 0);
   int len = fn(&c, &rec, ASN1TAG_EXPLICIT);
   if (len < 0) return "status " + std::to_string(len);
   return hex(xe_getp(&c), static_cast<size_t>(len));
}

template <class Rec>
int decode(ASN1CTXT* pctxt, int (*fn)(ASN1CTXT*, Rec*, ASN1TagType, int), Rec& rec, const std::string& hexText)
{
   static thread_local Bytes in;
   in = bytes(hexText);
   ASN1TAG tag = 0;
   int len = 0;
   int stat = xd_setp(pctxt, in.data(), static_cast<int>(in.size()), &tag, &len);
   return stat != 0 ? stat : fn(pctxt, &rec, ASN1TAG_EXPLICIT, 0);
}

const char* const kTime = "20240101000000Z";
const char* const kTimeHex = "32 30 32 34 30 31 30 31 30 30 30 30 30 30 5A";

}  // namespace

// Encodings: each case builds a value and gives its DER (or the failure).
TEST(CatalogueEdges, EncodingsOfTheMakersModules)
{
   struct Case {
      const char* what;
      std::function<std::string()> encode;
      std::string expected;
   };
   const std::string time = kTimeHex;
   const Case cases[] = {
      {"PKIAudit: success TRUE is the default and not written",
       [] { ASN1T_PKIAudit a; a.type = 1; a.session = 5; a.counter = -1;
            return der(asn1E_PKIAudit, a); },
       "30 09 0A 01 01 02 01 05 02 01 FF"},
      {"PKIAudit: success FALSE is written",
       [] { ASN1T_PKIAudit a; a.type = 30; a.session = 0; a.counter = 7; a.success = FALSE;
            return der(asn1E_PKIAudit, a); },
       "30 0C 0A 01 1E 02 01 00 02 01 07 01 01 00"},
      {"PKIAuditType above 30",
       [] { ASN1T_PKIAudit a; a.type = 31; return der(asn1E_PKIAudit, a); },
       "status -6"},
      {"NSData: reservedPeriod 0 and nameType 1 are the defaults, only nsName is written",
       [] { ASN1T_SubjectNameInfo s; ASN1T_NSData d;
            d.nsName.t = T_NameInfo_subjectNameInfo; d.nsName.u.subjectNameInfo = &s;
            return der(asn1E_NSData, d); },
       "30 02 30 00"},
      {"NSData: other values are written",
       [] { ASN1T_SubjectNameInfo s; ASN1T_NSData d; d.reservedPeriod = 5; d.nameType = 0;
            d.nsName.t = T_NameInfo_subjectNameInfo; d.nsName.u.subjectNameInfo = &s;
            return der(asn1E_NSData, d); },
       "30 08 80 01 05 81 01 00 30 00"},
      {"NSRequestInformation: no [0] without versionPresent, whatever version holds",
       [] { ASN1T_NSRequestInformation r; r.version = 7; r.service = 1; r.requestTime = kTime;
            return der(asn1E_NSRequestInformation, r); },
       "30 14 0A 01 01 18 0F " + time},
      {"NSServiceType 0", [] { ASN1T_NSServiceType t = 0; return der(asn1E_NSServiceType, t); }, "status -6"},
      {"NSServiceType 1", [] { ASN1T_NSServiceType t = 1; return der(asn1E_NSServiceType, t); }, "0A 01 01"},
      {"NSServiceType 4", [] { ASN1T_NSServiceType t = 4; return der(asn1E_NSServiceType, t); }, "0A 01 04"},
      {"NSServiceType 5", [] { ASN1T_NSServiceType t = 5; return der(asn1E_NSServiceType, t); }, "status -6"},
      {"PBECorvaneGostParameters: salt of 16 and iv of 8 octets",
       [] { ASN1T_PBECorvaneGostParameters p; p.salt.numocts = 16; memset(p.salt.data, 0x11, 16);
            p.iterationCount = 2048; p.iv.numocts = 8; memset(p.iv.data, 0x22, 8);
            return der(asn1E_PBECorvaneGostParameters, p); },
       "30 20 04 10 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 02 02 08 00 "
       "04 08 22 22 22 22 22 22 22 22"},
      {"PBECorvaneGostParameters: salt of 15 octets",
       [] { ASN1T_PBECorvaneGostParameters p; p.salt.numocts = 15; p.iv.numocts = 8;
            return der(asn1E_PBECorvaneGostParameters, p); },
       "status -23"},
      {"PBECorvaneGostParameters: iv of 7 octets",
       [] { ASN1T_PBECorvaneGostParameters p; p.salt.numocts = 16; p.iv.numocts = 7;
            return der(asn1E_PBECorvaneGostParameters, p); },
       "status -23"},
      {"PBECorvaneGostParameters: an iv count beyond the record's 8 octets is a bad record",
       [] { ASN1T_PBECorvaneGostParameters p; p.salt.numocts = 16; p.iv.numocts = 9;
            return der(asn1E_PBECorvaneGostParameters, p); },
       "status -18"},
      {"AuditLog without records still writes the empty SEQUENCE OF",
       [] { ASN1T_AuditLog l; l.version = 0; l.startLogTime = kTime; l.finishLogTime = kTime;
            l.serviceType = id_Corvane_audit_service_TSP; l.statusInfo.status = 0;
            return der(asn1E_AuditLog, l); },
       "30 35 02 01 00 18 0F " + time + " 18 0F " + time + " 06 07 2A 85 03 02 02 2A 01 30 00 30 03 02 01 00"},
   };
   for (const auto& c : cases) EXPECT_EQ(c.encode(), c.expected) << c.what;
}

// Decoding: the defaults come back for what is left out, and out-of-range
// or wrongly sized values are refused.
TEST(CatalogueEdges, DecodingOfTheMakersModules)
{
   {
      Ctxt c;
      ASN1T_PKIAudit a;
      a.success = FALSE;
      ASSERT_EQ(decode(&c, asn1D_PKIAudit, a, "30 09 0A 01 01 02 01 05 02 01 FF"), 0);
      EXPECT_TRUE(a.success);
      EXPECT_EQ(a.counter, -1);
      Ctxt c2;
      ASSERT_EQ(decode(&c2, asn1D_PKIAudit, a, "30 0C 0A 01 1E 02 01 00 02 01 07 01 01 00"), 0);
      EXPECT_FALSE(a.success);
      Ctxt c3;
      EXPECT_EQ(decode(&c3, asn1D_PKIAudit, a, "30 09 0A 01 1F 02 01 05 02 01 FF"), ASN1ERR_INVALID_ENUM);
   }
   {
      Ctxt c;
      ASN1T_NSData d;
      d.reservedPeriod = 9;
      d.nameType = 9;
      ASSERT_EQ(decode(&c, asn1D_NSData, d, "30 02 30 00"), 0);
      EXPECT_EQ(d.reservedPeriod, 0);
      EXPECT_EQ(d.nameType, 1);
      EXPECT_EQ(d.nsName.t, static_cast<OSUINT32>(T_NameInfo_subjectNameInfo));
   }
   for (const char* bad : {"0A 01 00", "0A 01 05"}) {
      Ctxt c;
      ASN1T_NSServiceType t = 1;
      EXPECT_EQ(decode(&c, asn1D_NSServiceType, t, bad), ASN1ERR_INVALID_ENUM) << bad;
   }
   {
      // A salt of 15 octets.
      Ctxt c;
      ASN1T_PBECorvaneGostParameters p;
      EXPECT_EQ(decode(&c, asn1D_PBECorvaneGostParameters, p,
                       "30 1F 04 0F 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 02 02 08 00 "
                       "04 08 22 22 22 22 22 22 22 22"),
                ASN1ERR_CONSTRAINT);
   }
   {
      // An AuditLog with an empty records list decodes and encodes the same.
      Ctxt c;
      ASN1T_AuditLog l;
      const std::string in = "30 35 02 01 00 18 0F " + std::string(kTimeHex) + " 18 0F " + kTimeHex +
                             " 06 07 2A 85 03 02 02 2A 01 30 00 30 03 02 01 00";
      ASSERT_EQ(decode(&c, asn1D_AuditLog, l, in), 0);
      EXPECT_EQ(l.records.count, 0u);
      EXPECT_EQ(der(asn1E_AuditLog, l), in);
   }
}

// SignedOpenType (a signed value of any type) keeps the signed octets as
// they came, also through XER, so a signature can be checked over them.
TEST(CatalogueEdges, SignedOpenTypeKeepsTheSignedOctets)
{
   const Asn1RegEntry* entry = asn1RegFind("PKIX1Explicit88.SignedOpenType");
   ASSERT_NE(entry, nullptr);
   // toBeSigned: a BER (not DER) INTEGER of two octets, which must stay so.
   const Bytes in = bytes("30 19 30 04 02 02 00 01 30 0D 06 09 2A 86 48 86 F7 0D 01 01 05 05 00 03 02 00 AA");
   qvasn1tool::TypedValue v(*entry);
   qvasn1tool::ConvError e;
   ASSERT_TRUE(qvasn1tool::decodeWhole(v, in, e)) << e.message();
   const auto* rec = static_cast<const ASN1T_SignedOpenType*>(v.record());
   EXPECT_EQ(hex(rec->toBeSigned.data, rec->toBeSigned.numocts), "30 04 02 02 00 01");
   std::vector<uint8_t> out, viaXer;
   ASSERT_TRUE(v.encodeDer(out, e)) << e.message();
   EXPECT_TRUE(out == in);
   std::string xml;
   ASSERT_TRUE(v.encodeXer(xml, false, e)) << e.message();
   qvasn1tool::TypedValue back(*entry);
   ASSERT_TRUE(back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e)) << e.message() << "\n" << xml;
   ASSERT_TRUE(back.encodeDer(viaXer, e)) << e.message();
   EXPECT_TRUE(viaXer == in) << xml;
}
