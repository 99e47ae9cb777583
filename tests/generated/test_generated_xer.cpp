// The generated copy, free, XER encoders and SAX handlers: element-name
// rules, defaults, failure statuses of hostile documents, copies, and the
// DER -> record -> XER -> record -> DER round trip over the corpus.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <functional>
#include <set>
#include <iterator>
#include <string>
#include <vector>

#include "CertificateExtensions.h"
#include "CryptographicMessageSyntax.h"
#include "ETS-ElectronicSignatureFormats-97Syntax.h"
#include "Gost28147-89-EncryptionSyntax.h"
#include "PKIX1Explicit88.h"
#include "PKIXCMP.h"
#include "PKIXCRMF.h"
#include "PKIXDVCS.h"
#include "PKIXOCSP.h"
#include "PKIXTSP.h"
#include "CorpusFailures.h"
#include "CountingHooks.h"
#include "asn1Registry.h"

using namespace asn1data;
using Bytes = std::vector<OSOCTET>;

namespace {

// XER document of a record through its control class (status in *stat).
template <class Ctl, class Rec>
std::string toXer(Rec& rec, int* stat, bool fragment = false)
{
   ASN1XEREncodeBuffer b(FALSE);
   if (fragment) b.getCtxtPtr()->flags |= ASN1XERFRAGMENT;
   Ctl c(b, rec);
   *stat = c.Encode();
   if (*stat != 0) return std::string();
   return std::string(reinterpret_cast<const char*>(b.getMsgPtr()), b.getMsgLen());
}

// Decodes an XER document into rec; the SAX failure status when one is thrown.
template <class Ctl, class Rec>
int fromXer(ASN1XERDecodeBuffer& buf, Rec& rec)
{
   Ctl c(buf, rec);
   try {
      return c.Decode();
   }
   catch (const OSRTSAXException& e) {
      return e.getStatus() != 0 ? e.getStatus() : -1000;
   }
}

template <class Ctl, class Rec>
Bytes toDer(Rec& rec, int* stat)
{
   ASN1BEREncodeBuffer buf;
   Ctl c(buf, rec);
   int len = c.Encode();
   *stat = len < 0 ? len : 0;
   if (len < 0) return {};
   return Bytes(buf.getMsgPtr(), buf.getMsgPtr() + len);
}

Bytes readFile(const std::string& path)
{
   std::ifstream in(path, std::ios::binary);
   return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> derFiles(const std::string& dir)
{
   std::vector<std::string> out;
   DIR* d = opendir(dir.c_str());
   if (!d) return out;
   while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) out.push_back(dir + "/" + n);
   }
   closedir(d);
   return out;
}

const OSOCTET* octets(const std::string& s) { return reinterpret_cast<const OSOCTET*>(s.data()); }

}

// ---------------------------------------------------------------- encoding shape

TEST(GeneratedXer, BasicConstraintsCaFalseBothWays)
{
   ASN1T_BasicConstraintsSyntax bc;
   bc.cA = FALSE;
   bc.m.pathLenConstraintPresent = 1;
   bc.pathLenConstraint = 3;
   int st = 0;
   std::string doc = toXer<ASN1C_BasicConstraintsSyntax>(bc, &st);
   ASSERT_EQ(st, 0);
   // cA FALSE is the default: no cA element.
   EXPECT_EQ(doc, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BasicConstraintsSyntax>\n"
                  "   <pathLenConstraint>3</pathLenConstraint>\n</BasicConstraintsSyntax>");

   ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_BasicConstraintsSyntax back;
   back.cA = TRUE;
   ASSERT_EQ((fromXer<ASN1C_BasicConstraintsSyntax>(in, back)), 0);
   EXPECT_EQ(back.cA, FALSE);
   EXPECT_EQ(back.m.pathLenConstraintPresent, 1u);
   EXPECT_EQ(back.pathLenConstraint, 3);

   bc.cA = TRUE;
   bc.m.pathLenConstraintPresent = 0;
   doc = toXer<ASN1C_BasicConstraintsSyntax>(bc, &st, true);
   EXPECT_EQ(doc, "\n<BasicConstraintsSyntax>\n   <cA><true/></cA>\n</BasicConstraintsSyntax>");
   ASN1XERDecodeBuffer in2(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_BasicConstraintsSyntax back2;
   ASSERT_EQ((fromXer<ASN1C_BasicConstraintsSyntax>(in2, back2)), 0);
   EXPECT_EQ(back2.cA, TRUE);
   EXPECT_EQ(back2.m.pathLenConstraintPresent, 0u);
}

TEST(GeneratedXer, GeneralNamesHoldAlternativesDirectly)
{
   ASN1T_GeneralName a, b;
   a.t = T_GeneralName_rfc822Name;
   a.u.rfc822Name = "a@example.com";
   OSOCTET ip[4] = { 10, 0, 0, 1 };
   ASN1TDynOctStr ipStr;
   ipStr.numocts = 4;
   ipStr.data = ip;
   b.t = T_GeneralName_iPAddress;
   b.u.iPAddress = &ipStr;
   ASN1T_GeneralNames names;
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   rtDListAppend(&ctxt, &names, &a);
   rtDListAppend(&ctxt, &names, &b);
   int st = 0;
   std::string doc = toXer<ASN1C_GeneralNames>(names, &st, true);
   ASSERT_EQ(st, 0);
   EXPECT_EQ(doc, "\n<GeneralNames>\n   <rfc822Name>a@example.com</rfc822Name>\n"
                  "   <iPAddress>0A000001</iPAddress>\n</GeneralNames>");

   ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_GeneralNames back;
   ASSERT_EQ((fromXer<ASN1C_GeneralNames>(in, back)), 0);
   ASSERT_EQ(back.count, 2u);
   auto* g0 = static_cast<ASN1T_GeneralName*>(back.head->data);
   auto* g1 = static_cast<ASN1T_GeneralName*>(back.tail->data);
   EXPECT_EQ(g0->t, static_cast<OSUINT32>(T_GeneralName_rfc822Name));
   EXPECT_STREQ(g0->u.rfc822Name, "a@example.com");
   ASSERT_EQ(g1->t, static_cast<OSUINT32>(T_GeneralName_iPAddress));
   ASSERT_EQ(g1->u.iPAddress->numocts, 4u);
   EXPECT_EQ(memcmp(g1->u.iPAddress->data, ip, 4), 0);
   names.mpContext = nullptr;
   rtDListFreeNodes(&ctxt, &names);
   rtFreeContext(&ctxt);
}

TEST(GeneratedXer, ListOfChoiceWithConstructedAlternatives)
{
   // A list element that is a CHOICE has no element of its own: the
   // alternative's element ends the element's handler and the handler of the
   // alternative's value together. What follows goes to the list again, and
   // a failure deep inside the alternative's value is still raised.
   const std::string head =
      "<GeneralNames><directoryName><rdnSequence><RelativeDistinguishedName><AttributeTypeAndValue>"
      "<type>2.5.4.3</type><value><CHOICE><utf8String>CA</utf8String></CHOICE></value>"
      "</AttributeTypeAndValue>";
   const std::string tail =
      "</RelativeDistinguishedName></rdnSequence></directoryName>"
      "<directoryName><rdnSequence></rdnSequence></directoryName>"
      "<rfc822Name>a@example.com</rfc822Name></GeneralNames>";
   const std::string doc = head + tail;
   ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_GeneralNames back;
   ASSERT_EQ((fromXer<ASN1C_GeneralNames>(in, back)), 0);
   ASSERT_EQ(back.count, 3u);
   auto* g0 = static_cast<ASN1T_GeneralName*>(back.head->data);
   auto* g1 = static_cast<ASN1T_GeneralName*>(back.head->next->data);
   auto* g2 = static_cast<ASN1T_GeneralName*>(back.tail->data);
   ASSERT_EQ(g0->t, static_cast<OSUINT32>(T_GeneralName_directoryName));
   ASSERT_EQ(g0->u.directoryName->t, static_cast<OSUINT32>(T_Name_rdnSequence));
   EXPECT_EQ(g0->u.directoryName->u.rdnSequence->count, 1u);
   ASSERT_EQ(g1->t, static_cast<OSUINT32>(T_GeneralName_directoryName));
   EXPECT_EQ(g1->u.directoryName->u.rdnSequence->count, 0u);
   ASSERT_EQ(g2->t, static_cast<OSUINT32>(T_GeneralName_rfc822Name));
   EXPECT_STREQ(g2->u.rfc822Name, "a@example.com");

   const std::string bad = head + "<bogus/>" + tail;
   ASN1XERDecodeBuffer in2(octets(bad), static_cast<OSUINT32>(bad.size()));
   ASN1T_GeneralNames back2;
   ASN1C_GeneralNames c(in2, back2);
   try {
      c.Decode();
      ADD_FAILURE() << "no exception";
   }
   catch (const OSRTSAXException& e) {
      EXPECT_EQ(e.getStatus(), ASN1ERR_TAG_NOT_FOUND);
   }
}

TEST(GeneratedXer, EnumeratedAsEmptyElementAndGaps)
{
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   // 7 lies in a gap of CRLReason: BER takes it, XER has no identifier for it.
   ASSERT_EQ(xe_setp(&ctxt, nullptr, 0), 0);
   ASN1T_CRLReason r = 7;
   EXPECT_GT(asn1E_CRLReason(&ctxt, &r, ASN1TAG_EXPLICIT), 0);
   rtFreeContext(&ctxt);

   ASN1XEREncodeBuffer buf(FALSE);
   EXPECT_EQ(asn1XE_CRLReason(buf.getCtxtPtr(), 7, nullptr, nullptr), ASN1ERR_INVALID_ENUM);
   ASN1XEREncodeBuffer buf2(FALSE);
   ASSERT_EQ(asn1XE_CRLReason(buf2.getCtxtPtr(), 1, "reason", nullptr), 0);
   EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf2.getMsgPtr()), buf2.getMsgLen()),
             "\n<reason><keyCompromise/></reason>");

   // A named value read back through parseNamedValue; an unknown name is -6.
   ASN1XERDecodeBuffer text(octets(std::string("x")), 1);
   char known[] = "removeFromCRL";
   ASSERT_EQ(text.initBuffer(known), 0);
   ASN1T_CRLReason v = 0;
   EXPECT_EQ(ASN1C_CRLReason::parseNamedValue(text.getCtxtPtr(), &v), 0);
   EXPECT_EQ(v, 8u);
   char unknown[] = "notAReason";
   ASSERT_EQ(text.initBuffer(unknown), 0);
   EXPECT_EQ(ASN1C_CRLReason::parseNamedValue(text.getCtxtPtr(), &v), ASN1ERR_INVALID_ENUM);
}

TEST(GeneratedXer, EightBitStringsStayWellFormed)
{
   // A TeletexString octet above 0x7F is written as that character in UTF-8
   // and read back as the octet; an inline CHOICE is named "CHOICE".
   ASN1T_EDIPartyName_partyName v;
   v.t = T_EDIPartyName_partyName_teletexString;
   v.u.teletexString = "caf\xE9";
   int st = 0;
   std::string doc = toXer<ASN1C_EDIPartyName_partyName>(v, &st, true);
   ASSERT_EQ(st, 0);
   EXPECT_EQ(doc, "\n<CHOICE>\n   <teletexString>caf\xC3\xA9</teletexString>\n</CHOICE>");
   ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_EDIPartyName_partyName back;
   ASSERT_EQ((fromXer<ASN1C_EDIPartyName_partyName>(in, back)), 0);
   ASSERT_EQ(back.t, static_cast<OSUINT32>(T_EDIPartyName_partyName_teletexString));
   EXPECT_STREQ(back.u.teletexString, "caf\xE9");
}

// Control characters of character strings, which XML 1.0 cannot carry even
// as references, are written as empty elements named after them (<esc/>);
// TAB and LF as they are, CR as a reference. Each string kind reads them
// back to the same value, and so the same DER.
TEST(GeneratedXer, ControlCharactersAsEmptyElements)
{
   const struct {
      const char* name;
      Bytes der;   // an EDIPartyName partyName (DirectoryString) alternative
      const char* xml;
   } cases[] = {
      { "TeletexString escape sequence", { 0x14, 0x04, 0x1B, '$', 'B', 'x' }, "<esc/>$Bx" },
      { "TeletexString TAB LF CR and others", { 0x14, 0x08, 'a', 0x09, 'b', 0x0A, 0x0D, 0x01, 0x1F, 0x7F },
        "a\tb\n&#13;<soh/><is1/>\x7F" },
      { "TeletexString above 0x7F", { 0x14, 0x03, 0x1B, 0x9B, 0xE9 }, "<esc/>\xC2\x9B\xC3\xA9" },
      { "UTF8String", { 0x0C, 0x04, 0x01, 0xC3, 0xA9, 0x0B }, "<soh/>\xC3\xA9<vt/>" },
      { "BMPString with NUL", { 0x1E, 0x06, 0x00, 0x00, 0x00, 0x1B, 0x00, 0xE9 }, "<nul/><esc/>\xC3\xA9" },
      { "UniversalString", { 0x1C, 0x08, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x01, 0xF6, 0x00 },
        "<ff/>\xF0\x9F\x98\x80" },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      ASN1BERDecodeBuffer dec(c.der.data(), static_cast<int>(c.der.size()));
      ASN1T_EDIPartyName_partyName v;
      ASN1C_EDIPartyName_partyName cd(dec, v);
      ASSERT_EQ(cd.Decode(), 0);
      int st = 0;
      std::string doc = toXer<ASN1C_EDIPartyName_partyName>(v, &st, true);
      ASSERT_EQ(st, 0);
      EXPECT_NE(doc.find(std::string(">") + c.xml + "</"), std::string::npos) << doc;
      ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
      ASN1T_EDIPartyName_partyName back;
      ASSERT_EQ((fromXer<ASN1C_EDIPartyName_partyName>(in, back)), 0);
      EXPECT_EQ(toDer<ASN1C_EDIPartyName_partyName>(back, &st), c.der);
   }

   // A list element and an IA5String alternative go the same way.
   ASN1T_GeneralName gn;
   gn.t = T_GeneralName_rfc822Name;
   gn.u.rfc822Name = "a\x07" "b";
   int st = 0;
   std::string doc = toXer<ASN1C_GeneralName>(gn, &st, true);
   ASSERT_EQ(st, 0);
   EXPECT_NE(doc.find("<rfc822Name>a<bel/>b</rfc822Name>"), std::string::npos) << doc;
   ASN1XERDecodeBuffer gin(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_GeneralName gback;
   ASSERT_EQ((fromXer<ASN1C_GeneralName>(gin, gback)), 0);
   EXPECT_STREQ(gback.u.rfc822Name, "a\x07" "b");

   const struct {
      const char* name;
      std::string doc;
      int status;
   } refused[] = {
      { "NUL in a terminated string", "<CHOICE><teletexString>a<nul/></teletexString></CHOICE>", ASN1ERR_INVALID_CHAR },
      { "NUL in a UTF8String", "<CHOICE><utf8String><nul/>a</utf8String></CHOICE>", ASN1ERR_INVALID_CHAR },
      { "no such control", "<CHOICE><teletexString><ht/></teletexString></CHOICE>", ASN1ERR_XML_STATE },
      { "text in a control", "<CHOICE><teletexString><esc>x</esc></teletexString></CHOICE>", ASN1ERR_XML_STATE },
      { "element in a control", "<CHOICE><bmpString><esc><esc/></esc></bmpString></CHOICE>", ASN1ERR_XML_STATE },
   };
   for (const auto& r : refused) {
      SCOPED_TRACE(r.name);
      ASN1XERDecodeBuffer in(octets(r.doc), static_cast<OSUINT32>(r.doc.size()));
      ASN1T_EDIPartyName_partyName back;
      EXPECT_EQ((fromXer<ASN1C_EDIPartyName_partyName>(in, back)), r.status);
   }

   // A character XML has no place for at all (above U+10FFFF): a component
   // cannot be written, a value in an open type is written as its octets.
   const Bytes atv = { 0x30, 0x0B, 0x06, 0x03, 0x55, 0x04, 0x03, 0x1C, 0x04, 0x74, 0x00, 0x00, 0x00 };
   ASN1BERDecodeBuffer adec(atv.data(), static_cast<int>(atv.size()));
   ASN1T_AttributeTypeAndValue a;
   ASN1C_AttributeTypeAndValue acd(adec, a);
   ASSERT_EQ(acd.Decode(), 0);
   ASSERT_NE(a.value.decoded, nullptr);
   doc = toXer<ASN1C_AttributeTypeAndValue>(a, &st, true);
   ASSERT_EQ(st, 0);
   EXPECT_NE(doc.find("<value form=\"ber\">1C0474000000</value>"), std::string::npos) << doc;
   ASN1XERDecodeBuffer ain(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_AttributeTypeAndValue aback;
   ASSERT_EQ((fromXer<ASN1C_AttributeTypeAndValue>(ain, aback)), 0);
   EXPECT_EQ(toDer<ASN1C_AttributeTypeAndValue>(aback, &st), atv);
   ASN1T_EDIPartyName_partyName u;
   OS32BITCHAR big = 0x74000000;
   Asn132BitCharString ustr;
   ustr.nchars = 1;
   ustr.data = &big;
   u.t = T_EDIPartyName_partyName_universalString;
   u.u.universalString = &ustr;
   toXer<ASN1C_EDIPartyName_partyName>(u, &st, true);
   EXPECT_EQ(st, ASN1ERR_INVALID_UTF8);
}

TEST(GeneratedXer, OpenTypesKeepBerOctetsOrXml)
{
   // Octets of a BER encoding are written in hexadecimal, marked form="ber".
   static const OSOCTET nullParams[] = { 0x05, 0x00 };
   ASN1T_AlgorithmIdentifier alg;
   alg.algorithm = ASN1TObjId(id_sha1);
   alg.m.parametersPresent = 1;
   alg.parameters.numocts = 2;
   alg.parameters.data = nullParams;
   int st = 0;
   std::string doc = toXer<ASN1C_AlgorithmIdentifier>(alg, &st, true);
   ASSERT_EQ(st, 0);
   EXPECT_NE(doc.find("<parameters form=\"ber\">0500</parameters>"), std::string::npos) << doc;
   ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_AlgorithmIdentifier back;
   ASSERT_EQ((fromXer<ASN1C_AlgorithmIdentifier>(in, back)), 0);
   ASSERT_EQ(back.parameters.numocts, 2u);
   EXPECT_EQ(memcmp(back.parameters.data, nullParams, 2), 0);

   // Octets that happen to read as XML text ('<' as tag, printable content)
   // are still octets: written in hexadecimal, read back unchanged.
   static const OSUINT32 unknownArcs[] = { 1, 2, 3 };
   alg.algorithm = ASN1TObjId(3, unknownArcs);
   Bytes xmlish = { 0x3C, 0x20 };
   xmlish.insert(xmlish.end(), 0x20, 'a');
   alg.parameters.numocts = static_cast<OSUINT32>(xmlish.size());
   alg.parameters.data = xmlish.data();
   doc = toXer<ASN1C_AlgorithmIdentifier>(alg, &st, true);
   ASSERT_EQ(st, 0);
   EXPECT_NE(doc.find("<parameters form=\"ber\">3C20"), std::string::npos) << doc;
   ASN1XERDecodeBuffer in3(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_AlgorithmIdentifier back3;
   ASSERT_EQ((fromXer<ASN1C_AlgorithmIdentifier>(in3, back3)), 0);
   EXPECT_EQ(Bytes(back3.parameters.data, back3.parameters.data + back3.parameters.numocts), xmlish);

   // A known algorithm with octets that are no value of its parameters type:
   // the BER decoder keeps a NULL there as octets (signers write one for GOST
   // R 34.10 in SignerInfo), and so must the XER reader; other octets are
   // still refused by both.
   const struct {
      const char* name;
      Bytes der;    // AlgorithmIdentifier
      bool accepted;   // by the BER decoder, and by the XER reader as form="ber"
   } known[] = {
      { "GOST R 34.10-2001 with NULL",
        { 0x30, 0x0A, 0x06, 0x06, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x13, 0x05, 0x00 }, true },
      { "GOST R 34.10-2001 with an INTEGER",
        { 0x30, 0x0B, 0x06, 0x06, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x13, 0x02, 0x01, 0x07 }, false },
   };
   for (const auto& k : known) {
      SCOPED_TRACE(k.name);
      ASN1BERDecodeBuffer dec(k.der.data(), static_cast<int>(k.der.size()));
      ASN1T_AlgorithmIdentifier rec;
      ASN1C_AlgorithmIdentifier cd(dec, rec);
      const Bytes params(k.der.begin() + 10, k.der.end());
      EXPECT_EQ(cd.Decode() == 0, k.accepted);
      std::string text = "<AlgorithmIdentifier><algorithm>1.2.643.2.2.19</algorithm><parameters form=\"ber\">";
      for (OSOCTET o : params) {
         static const char hex[] = "0123456789ABCDEF";
         text += hex[o >> 4];
         text += hex[o & 15];
      }
      text += "</parameters></AlgorithmIdentifier>";
      ASN1XERDecodeBuffer xin(octets(text), static_cast<OSUINT32>(text.size()));
      ASN1T_AlgorithmIdentifier fromText;
      EXPECT_EQ((fromXer<ASN1C_AlgorithmIdentifier>(xin, fromText)) == 0, k.accepted);
      if (!k.accepted) continue;
      EXPECT_EQ(fromText.parameters.decoded, nullptr);
      EXPECT_EQ(toDer<ASN1C_AlgorithmIdentifier>(fromText, &st), k.der);
      EXPECT_EQ(toXer<ASN1C_AlgorithmIdentifier>(rec, &st, true), toXer<ASN1C_AlgorithmIdentifier>(fromText, &st, true));
   }
}

// An open type in the XML form (no form="ber") becomes a value through the
// object table, and the record then holds that value's BER octets; XML that
// no object describes, or that is no value of the object's type, is refused
// rather than kept as text where the BER and XER encoders expect octets.
TEST(GeneratedXer, XmlFormOpenTypesBecomeValuesOrAreRefused)
{
   // commonName "Test" (UTF8String): DER -> record -> XER shows the XML form.
   const Bytes der = { 0x30, 0x0B, 0x06, 0x03, 0x55, 0x04, 0x03, 0x0C, 0x04, 'T', 'e', 's', 't' };
   ASN1BERDecodeBuffer dec(der.data(), static_cast<int>(der.size()));
   ASN1T_AttributeTypeAndValue atv;
   ASN1C_AttributeTypeAndValue cd(dec, atv);
   ASSERT_EQ(cd.Decode(), 0);
   int st = 0;
   std::string doc = toXer<ASN1C_AttributeTypeAndValue>(atv, &st, true);
   ASSERT_EQ(st, 0);
   const size_t open = doc.find("<value>"), close = doc.find("</value>");
   ASSERT_NE(open, std::string::npos) << doc;
   ASSERT_NE(close, std::string::npos) << doc;
   ASSERT_EQ(doc[open + 7], '<') << "the value is written as XML: " << doc;
   {
      ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
      ASN1T_AttributeTypeAndValue back;
      ASSERT_EQ((fromXer<ASN1C_AttributeTypeAndValue>(in, back)), 0);
      EXPECT_NE(back.value.decoded, nullptr);
      EXPECT_EQ(Bytes(back.value.data, back.value.data + back.value.numocts), Bytes(der.begin() + 7, der.end()));
      EXPECT_EQ(toDer<ASN1C_AttributeTypeAndValue>(back, &st), der);
      // The record writes the same XER again.
      EXPECT_EQ(toXer<ASN1C_AttributeTypeAndValue>(back, &st, true), doc);
   }

   const std::string valueXml = doc.substr(open + 7, close - open - 7);
   auto atvDoc = [](const std::string& type, const std::string& value) {
      return "<AttributeTypeAndValue><type>" + type + "</type>" + value + "</AttributeTypeAndValue>";
   };
   const std::string unknownExt = "<Extension><extnID>1.2.3.4</extnID>";
   const struct {
      const char* name;
      std::string doc;
      int status;   // ASN1C_AttributeTypeAndValue unless the root says otherwise
   } cases[] = {
      // The fuzzer's finding: hexadecimal BER without form="ber".
      { "known type, octets without form=ber", atvDoc("2.5.4.3", "<value>0C0454657374</value>"), ASN1ERR_XML_STATE },
      { "unknown type, octets without form=ber", atvDoc("1.2.3.4", "<value>0C0454657374</value>"),
        ASN1ERR_OBJECT_NOT_FOUND },
      { "unknown type, XML value", atvDoc("1.2.3.4", "<value>" + valueXml + "</value>"), ASN1ERR_OBJECT_NOT_FOUND },
      { "known type, XML of another type", atvDoc("2.5.4.3", "<value><p><q>7</q></p></value>"), ASN1ERR_XML_STATE },
      { "unknown algorithm, XML parameters",
        "<AlgorithmIdentifier><algorithm>1.2.3</algorithm><parameters><p><q>7</q></p></parameters>"
        "</AlgorithmIdentifier>",
        ASN1ERR_OBJECT_NOT_FOUND },
      { "unknown extension, XML value",
        unknownExt + "<extnValue><BasicConstraintsSyntax/></extnValue></Extension>", ASN1ERR_OBJECT_NOT_FOUND },
      { "unknown attribute, XML values",
        "<Attribute><type>1.2.3.4</type><values><OPEN_TYPE><a/></OPEN_TYPE></values></Attribute>",
        ASN1ERR_OBJECT_NOT_FOUND },
      { "qualifier without object table",
        "<PolicyQualifierInfo><policyQualifierId>1.2.3</policyQualifierId><qualifier><a>1</a></qualifier>"
        "</PolicyQualifierInfo>",
        ASN1ERR_NOT_SUPPORTED },
      // What stays accepted: octets marked as such, hexadecimal extnValue.
      { "unknown type, octets with form=ber", atvDoc("1.2.3.4", "<value form=\"ber\">0C0454657374</value>"), 0 },
      { "unknown extension, hexadecimal octets", unknownExt + "<extnValue>0500</extnValue></Extension>", 0 },
      { "qualifier octets with form=ber",
        "<PolicyQualifierInfo><policyQualifierId>1.2.3</policyQualifierId><qualifier form=\"ber\">0500</qualifier>"
        "</PolicyQualifierInfo>",
        0 },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      ASN1XERDecodeBuffer in(octets(c.doc), static_cast<OSUINT32>(c.doc.size()));
      if (c.doc.compare(0, 10, "<Attribute") == 0 && c.doc[10] == 'T') {
         ASN1T_AttributeTypeAndValue v;
         EXPECT_EQ((fromXer<ASN1C_AttributeTypeAndValue>(in, v)), c.status);
         if (c.status == 0) {
            EXPECT_EQ(v.value.decoded, nullptr);
            EXPECT_EQ(Bytes(v.value.data, v.value.data + v.value.numocts), Bytes(der.begin() + 7, der.end()));
         }
      }
      else if (c.doc.compare(0, 10, "<Attribute") == 0) {
         ASN1T_Attribute v;
         EXPECT_EQ((fromXer<ASN1C_Attribute>(in, v)), c.status);
      }
      else if (c.doc.compare(0, 10, "<Algorithm") == 0) {
         ASN1T_AlgorithmIdentifier v;
         EXPECT_EQ((fromXer<ASN1C_AlgorithmIdentifier>(in, v)), c.status);
      }
      else if (c.doc.compare(0, 10, "<Extension") == 0) {
         ASN1T_Extension v;
         EXPECT_EQ((fromXer<ASN1C_Extension>(in, v)), c.status);
         if (c.status == 0) {
            EXPECT_EQ(v.extnValue.numocts, 2u);
            EXPECT_EQ(v.extnValue.data[0], 0x05);
         }
      }
      else {
         ASN1T_PolicyQualifierInfo v;
         EXPECT_EQ((fromXer<ASN1C_PolicyQualifierInfo>(in, v)), c.status);
         if (c.status == 0) {
            EXPECT_EQ(v.qualifier.numocts, 2u);
         }
      }
   }
}

// Unknown extension elements (kept from BER) travel through XER as their
// octets, after the components, and come back in order.
TEST(GeneratedXer, UnknownExtensionElementsRoundTrip)
{
   // Gost28147-89-BlobParameters { encryptionParamSet 1.2.643.2.2.31.1, ... }
   // with two elements after the root component.
   const Bytes der = { 0x30, 0x10, 0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1F, 0x01,
                       0x02, 0x01, 0x05, 0x04, 0x02, 0xAB, 0xCD };
   ASN1BERDecodeBuffer dec(der.data(), static_cast<int>(der.size()));
   ASN1T_Gost28147_89_BlobParameters v;
   ASN1C_Gost28147_89_BlobParameters cd(dec, v);
   ASSERT_EQ(cd.Decode(), 0);
   ASSERT_EQ(v.extElem1.count, 2u);
   int st = 0;
   std::string doc = toXer<ASN1C_Gost28147_89_BlobParameters>(v, &st);
   ASSERT_EQ(st, 0);
   EXPECT_NE(doc.find("<_extElem form=\"ber\">020105</_extElem>"), std::string::npos) << doc;
   ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
   ASN1T_Gost28147_89_BlobParameters back;
   ASSERT_EQ((fromXer<ASN1C_Gost28147_89_BlobParameters>(in, back)), 0);
   EXPECT_EQ(back.extElem1.count, 2u);
   EXPECT_EQ(toDer<ASN1C_Gost28147_89_BlobParameters>(back, &st), der);

   // Each element must be one whole BER element.
   const std::string head = "<Gost28147-89-BlobParameters><encryptionParamSet>1.2.643.2.2.31.1"
                            "</encryptionParamSet>";
   for (const char* bad : { "0201", "02010500", "0000", "" }) {
      SCOPED_TRACE(bad);
      const std::string d = head + "<_extElem>" + bad + "</_extElem></Gost28147-89-BlobParameters>";
      ASN1XERDecodeBuffer bin(octets(d), static_cast<OSUINT32>(d.size()));
      ASN1T_Gost28147_89_BlobParameters b;
      EXPECT_EQ((fromXer<ASN1C_Gost28147_89_BlobParameters>(bin, b)), ASN1ERR_INVALID_LENGTH);
   }
}

// Every control class reads an XER document of its type, primitive types
// included (through the type registry, as the converter does): the value
// comes back and writes the same document.
TEST(GeneratedXer, PrimitiveTypesDecodeDocuments)
{
   const struct {
      const char* type;
      std::string doc;
      int status;
   } cases[] = {
      { "CRLReason", "<CRLReason><keyCompromise/></CRLReason>", 0 },
      { "CRLNumber", "<CRLNumber>123456789012345678901234567890</CRLNumber>", 0 },
      { "BaseCRLNumber", "<BaseCRLNumber>7</BaseCRLNumber>", 0 },
      { "KeyIdentifier", "<KeyIdentifier>0A0BFF</KeyIdentifier>", 0 },
      { "SubjectKeyIdentifier", "<SubjectKeyIdentifier>01</SubjectKeyIdentifier>", 0 },
      { "KeyUsage", "<KeyUsage>101</KeyUsage>", 0 },
      { "InvalidityDate", "<InvalidityDate>20200101000000Z</InvalidityDate>", 0 },
      { "SkipCerts", "<SkipCerts>3</SkipCerts>", 0 },
      { "CRLReason", "<CRLReason><noSuchReason/></CRLReason>", ASN1ERR_INVALID_ENUM },
      { "CRLReason", "<CRLReason>1</CRLReason>", ASN1ERR_XML_STATE },
      { "BaseCRLNumber", "<CRLNumber>7</CRLNumber>", ASN1ERR_XML_STATE },
      { "KeyIdentifier", "<KeyIdentifier>0G</KeyIdentifier>", ASN1ERR_INVALID_HEX },
      { "SkipCerts", "<SkipCerts><a/></SkipCerts>", ASN1ERR_XML_STATE },
      // Control characters of a string document; only strings take them.
      { "CaseIgnoreIA5StringSyntax", "<CaseIgnoreIA5StringSyntax>a<bel/>b\tc&#13;</CaseIgnoreIA5StringSyntax>", 0 },
      { "CaseIgnoreIA5StringSyntax", "<CaseIgnoreIA5StringSyntax>a<nul/></CaseIgnoreIA5StringSyntax>",
        ASN1ERR_INVALID_CHAR },
      { "CaseIgnoreIA5StringSyntax", "<CaseIgnoreIA5StringSyntax><esc>1</esc></CaseIgnoreIA5StringSyntax>",
        ASN1ERR_XML_STATE },
      { "SkipCerts", "<SkipCerts><esc/></SkipCerts>", ASN1ERR_XML_STATE },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.doc);
      const Asn1RegEntry* e = asn1RegFind(c.type);
      ASSERT_NE(e, nullptr);
      ASSERT_NE(e->xerDecode, nullptr);
      ASN1XERDecodeBuffer in(octets(c.doc), static_cast<OSUINT32>(c.doc.size()));
      void* rec = rtMemHeapAllocZ(&in.getCtxtPtr()->memHeap, static_cast<int>(e->recordSize));
      ASSERT_NE(rec, nullptr);
      int st;
      try {
         st = e->xerDecode(&in, rec);
      }
      catch (const OSRTSAXException& ex) {
         st = ex.getStatus() != 0 ? ex.getStatus() : -1000;
      }
      EXPECT_EQ(st, c.status);
      if (c.status != 0 || st != 0) continue;
      ASN1XEREncodeBuffer out(TRUE);
      ASSERT_EQ(e->xerEncode(out.getCtxtPtr(), rec), 0);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.getMsgPtr()), out.getMsgLen()), c.doc);
   }
}

TEST(GeneratedXer, ConstraintsCheckedBeforeWriting)
{
   ASN1T_CertPolicySet empty;
   empty.n = 0;
   empty.elem = nullptr;
   ASN1XEREncodeBuffer buf(FALSE);
   EXPECT_EQ(asn1XE_CertPolicySet(buf.getCtxtPtr(), &empty, nullptr, nullptr), ASN1ERR_CONSTRAINT);
   EXPECT_EQ(buf.getMsgLen(), 0u);

   ASN1T_GeneralName bad;
   bad.t = 10;
   EXPECT_EQ(asn1XE_GeneralName(buf.getCtxtPtr(), &bad, nullptr, nullptr), ASN1ERR_INVALID_CHOICE);
}

// ---------------------------------------------------------------- hostile documents

TEST(GeneratedXer, DocumentsRejectedWithAClearStatus)
{
   const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
   std::string deep = decl + "<BasicConstraintsSyntax>";
   for (int i = 0; i < OSXML_MAX_DEPTH + 10; ++i) deep += "<cA>";
   const struct {
      const char* name;
      std::string doc;
      int status;
   } cases[] = {
      { "wrong root", decl + "<AlgorithmIdentifier/>", ASN1ERR_XML_STATE },
      { "unknown component", decl + "<BasicConstraintsSyntax><foo/></BasicConstraintsSyntax>",
        ASN1ERR_TAG_NOT_FOUND },
      { "component repeated",
        decl + "<BasicConstraintsSyntax><cA><true/></cA><cA><true/></cA></BasicConstraintsSyntax>",
        ASN1ERR_TAG_NOT_FOUND },
      { "components out of order",
        decl + "<BasicConstraintsSyntax><pathLenConstraint>1</pathLenConstraint><cA><true/></cA>"
               "</BasicConstraintsSyntax>",
        ASN1ERR_TAG_NOT_FOUND },
      { "text between components", decl + "<BasicConstraintsSyntax>x<cA><true/></cA></BasicConstraintsSyntax>",
        ASN1ERR_XML_STATE },
      { "text for a BOOLEAN", decl + "<BasicConstraintsSyntax><cA>true</cA></BasicConstraintsSyntax>",
        ASN1ERR_XML_STATE },
      { "element for a number",
        decl + "<BasicConstraintsSyntax><pathLenConstraint><a/></pathLenConstraint></BasicConstraintsSyntax>",
        ASN1ERR_XML_STATE },
      { "two values", decl + "<BasicConstraintsSyntax><cA><true/><false/></cA></BasicConstraintsSyntax>",
        ASN1ERR_XML_STATE },
      { "bad number",
        decl + "<BasicConstraintsSyntax><pathLenConstraint>1x</pathLenConstraint></BasicConstraintsSyntax>",
        ASN1ERR_INVALID_CHAR },
      { "too deep", deep, -1000 },   // the reader's depth limit: an expat-style message, no status
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      ASN1XERDecodeBuffer in(octets(c.doc), static_cast<OSUINT32>(c.doc.size()));
      ASN1T_BasicConstraintsSyntax v;
      int st = fromXer<ASN1C_BasicConstraintsSyntax>(in, v);
      if (c.status == -1000) EXPECT_NE(st, 0);
      else EXPECT_EQ(st, c.status);
   }

   // A required component missing: -8 when the element closes.
   const std::string noAlg = decl + "<AlgorithmIdentifier></AlgorithmIdentifier>";
   ASN1XERDecodeBuffer in(octets(noAlg), static_cast<OSUINT32>(noAlg.size()));
   ASN1T_AlgorithmIdentifier alg;
   EXPECT_EQ((fromXer<ASN1C_AlgorithmIdentifier>(in, alg)), ASN1ERR_MISSING_ELEMENT);

   // A list below its size constraint (GeneralNames is SIZE (1..MAX)).
   const std::string noNames = decl + "<GeneralNames>\n</GeneralNames>";
   ASN1XERDecodeBuffer in4(octets(noNames), static_cast<OSUINT32>(noNames.size()));
   ASN1T_GeneralNames names;
   EXPECT_EQ((fromXer<ASN1C_GeneralNames>(in4, names)), ASN1ERR_CONSTRAINT);

   // Values outside their components' constraints, refused as the BER
   // decoder refuses them (the encoders would refuse to write them back).
   const struct {
      const char* name;
      std::string doc;
   } outOfRange[] = {
      { "millis 0 of (1..999)", decl + "<Accuracy><seconds>3</seconds><millis>0</millis></Accuracy>" },
      { "micros 1000 of (1..999)", decl + "<Accuracy><micros>1000</micros></Accuracy>" },
   };
   for (const auto& c : outOfRange) {
      SCOPED_TRACE(c.name);
      ASN1XERDecodeBuffer buf(octets(c.doc), static_cast<OSUINT32>(c.doc.size()));
      ASN1T_Accuracy acc;
      EXPECT_EQ((fromXer<ASN1C_Accuracy>(buf, acc)), ASN1ERR_CONSTRAINT);
   }
   const std::string inRange = decl + "<Accuracy><millis>999</millis></Accuracy>";
   ASN1XERDecodeBuffer in5(octets(inRange), static_cast<OSUINT32>(inRange.size()));
   ASN1T_Accuracy acc;
   EXPECT_EQ((fromXer<ASN1C_Accuracy>(in5, acc)), 0);
   EXPECT_EQ(acc.millis, 999);

   // A second CHOICE alternative; a CHOICE without any.
   const std::string two = decl + "<GeneralName><dNSName>a</dNSName><dNSName>b</dNSName></GeneralName>";
   ASN1XERDecodeBuffer in2(octets(two), static_cast<OSUINT32>(two.size()));
   ASN1T_GeneralName gn;
   EXPECT_EQ((fromXer<ASN1C_GeneralName>(in2, gn)), ASN1ERR_SEQ_OVERFLOW);
   const std::string none = decl + "<GeneralName/>";
   ASN1XERDecodeBuffer in3(octets(none), static_cast<OSUINT32>(none.size()));
   EXPECT_EQ((fromXer<ASN1C_GeneralName>(in3, gn)), ASN1ERR_MISSING_ELEMENT);
}

TEST(GeneratedXer, FailureDeepInsideNestedHandlersUnwinds)
{
   // A failure at the bottom of Certificate -> TBSCertificate -> Extensions
   // -> Extension passes through every nested handler; the handlers and the
   // records go with their owners (checked by the asan preset).
   const std::string doc =
      "<Certificate><tbsCertificate><version>2</version><serialNumber>1</serialNumber>"
      "<signature><algorithm>1.2.3</algorithm></signature>"
      "<issuer><rdnSequence></rdnSequence></issuer>"
      "<validity><notBefore><utcTime>200101000000Z</utcTime></notBefore>"
      "<notAfter><utcTime>300101000000Z</utcTime></notAfter></validity>"
      "<subject><rdnSequence></rdnSequence></subject>"
      "<subjectPublicKeyInfo><algorithm><algorithm>1.2.3</algorithm></algorithm>"
      "<subjectPublicKey>0101</subjectPublicKey></subjectPublicKeyInfo>"
      "<extensions><Extension><extnID>1.x</extnID></Extension></extensions>"
      "</tbsCertificate></Certificate>";
   for (int round = 0; round < 2; ++round) {
      ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
      ASN1T_Certificate cert;
      ASN1C_Certificate c(in, cert);
      try {
         c.Decode();
         ADD_FAILURE() << "no exception";
      }
      catch (const OSRTSAXException& e) {
         EXPECT_EQ(e.getStatus(), ASN1ERR_INVALID_OBJID);
      }
   }
}

TEST(GeneratedXer, ListElementsLeaveNoDeadBlocksInTheHeap)
{
   // The text of each element is collected without a heap block of its own:
   // a block the decoder takes and gives back stays dead in the chunk it was
   // carved from, so a block per element would make the decoded value of a
   // large list several times its size. A value longer than a handler holds
   // goes to the heap, and still decodes whole.
   const int kRdns = 300;
   const std::string longName(200, 'n');
   auto hexOf = [](const std::string& text) {
      static const char digits[] = "0123456789ABCDEF";
      std::string hex;
      for (unsigned char c : text) {
         hex += digits[c >> 4];
         hex += digits[c & 15];
      }
      return hex;
   };
   std::string doc = "<Name><rdnSequence>";
   for (int i = 0; i < kRdns; ++i) {
      const std::string name = i == 7 ? longName : "name " + std::to_string(i);
      // UTF8String, in BER octets (two-octet length for the long one).
      std::string tlv = "0C" + (name.size() > 127 ? std::string("81") : std::string()) +
         hexOf(std::string(1, static_cast<char>(name.size()))) + hexOf(name);
      doc += "<RelativeDistinguishedName><AttributeTypeAndValue><type>2.5.4.3</type>"
             "<value form=\"ber\">" + tlv + "</value></AttributeTypeAndValue></RelativeDistinguishedName>\n";
   }
   doc += "</rdnSequence></Name>";

   CountingHooks hooks;
   {
      ASN1XERDecodeBuffer in(octets(doc), static_cast<OSUINT32>(doc.size()));
      ASN1T_Name name;
      const long before = hooks.allocCount() - hooks.live();
      ASSERT_EQ(fromXer<ASN1C_Name>(in, name), 0);
      const long freedDuringDecode = hooks.allocCount() - hooks.live() - before;
      EXPECT_LT(freedDuringDecode, 16) << "blocks given back while decoding " << kRdns << " elements";

      ASSERT_EQ(name.t, T_Name_rdnSequence);
      ASSERT_EQ(name.u.rdnSequence->count, static_cast<OSUINT32>(kRdns));
      int stat = 0;
      const Bytes derBytes = toDer<ASN1C_Name>(name, &stat);
      ASSERT_EQ(stat, 0);
      const std::string der(derBytes.begin(), derBytes.end());
      EXPECT_NE(der.find(longName), std::string::npos);
      EXPECT_NE(der.find("name 299"), std::string::npos);
   }
   EXPECT_EQ(hooks.live(), 0);
}

// ---------------------------------------------------------------- copies and free

TEST(GeneratedCopy, GetCopyNewCopyAndFree)
{
   ASN1T_AlgorithmIdentifier alg;
   alg.algorithm = ASN1TObjId(id_sha1);
   alg.m.parametersPresent = 1;
   static const OSOCTET nullParams[] = { 0x05, 0x00 };
   alg.parameters.numocts = 2;
   alg.parameters.data = nullParams;
   ASN1C_AlgorithmIdentifier c(alg);

   // The bound record comes back unchanged.
   EXPECT_EQ(c.getCopy(&alg), &alg);
   // Two copies in the heap: independent, and the heap owns them.
   ASN1T_AlgorithmIdentifier* a = c.getCopy();
   ASN1T_AlgorithmIdentifier* b = c.getCopy();
   ASSERT_NE(a, nullptr);
   ASSERT_NE(b, nullptr);
   EXPECT_NE(a, b);
   EXPECT_NE(a->parameters.data, b->parameters.data);
   EXPECT_NE(a->parameters.data, nullParams);
   EXPECT_TRUE(rtMemHeapCheckPtr(&c.getCtxtPtr()->memHeap, const_cast<OSOCTET*>(a->parameters.data)));
   EXPECT_EQ(a->mpContext.get(), nullptr);

   // Into a caller's record: it keeps the context and frees the copy itself.
   {
      ASN1T_AlgorithmIdentifier mine;
      EXPECT_EQ(c.getCopy(&mine), &mine);
      EXPECT_NE(mine.mpContext.get(), nullptr);
      EXPECT_EQ(mine.parameters.numocts, 2u);
      EXPECT_EQ(memcmp(mine.parameters.data, nullParams, 2), 0);
   }
   ASN1T_AlgorithmIdentifier* n = c.newCopy();
   ASSERT_NE(n, nullptr);
   EXPECT_TRUE(n->algorithm == alg.algorithm);
   delete n;

   // The copy constructor binds a copy in the shared context.
   ASN1C_AlgorithmIdentifier c2(c);
   EXPECT_NE(&c2.msgData, &alg);
   EXPECT_EQ(c2.msgData.parameters.numocts, 2u);
   EXPECT_EQ(c2.getCtxtPtr(), c.getCtxtPtr());

   // Freeing a record whose parts are caller memory leaves them alone.
   asn1Free_AlgorithmIdentifier(c.getCtxtPtr(), &alg);
   EXPECT_EQ(alg.parameters.data, nullParams);
   EXPECT_EQ(nullParams[0], 0x05);
   ASN1T_GeneralName dns;
   dns.t = T_GeneralName_dNSName;
   dns.u.dNSName = "static.example";
   asn1Free_GeneralName(c.getCtxtPtr(), &dns);
   EXPECT_STREQ(dns.u.dNSName, "static.example");
}

// ---------------------------------------------------------------- corpus

namespace {

struct CorpusType {
   const char* folder;
   // DER -> record -> XER -> record -> DER and the copy; returns "" or what failed.
   std::function<std::string(const std::string& name, const Bytes&, bool* skipped)> run;
};

// Files whose notes say a value inside an extension or open type is not DER:
// the object tables re-encode such values canonically, so the XER round trip
// must be stable rather than identical.
const std::set<std::string>& nonDerInside()
{
   static const std::set<std::string> files = [] {
      std::set<std::string> out;
      std::ifstream in(std::string(QVASN1_CORPUS_DIR) + "/MANIFEST.tsv");
      for (std::string line; std::getline(in, line);) {
         if (line.find("encapsulated non-DER") == std::string::npos) continue;
         out.insert(line.substr(0, line.find('\t')));
      }
      return out;
   }();
   return files;
}


template <class Ctl, class Rec>
std::string roundTrip(const std::string& name, const Bytes& in, bool* skipped, int (*copyFn)(ASN1CTXT*, Rec*, Rec*))
{
   *skipped = false;
   ASN1BERDecodeBuffer dec(in.data(), static_cast<int>(in.size()));
   Rec rec;
   Ctl cd(dec, rec);
   int st = 0;
   // Values the BER codec itself cannot take or give back are not XER's to test.
   if (cd.Decode() != 0 || toDer<Ctl>(rec, &st) != in || st != 0) {
      *skipped = true;
      return "";
   }
   std::string doc = toXer<Ctl>(rec, &st);
   // XER refuses attribute types it does not know (their values have no XML
   // form); the object-table tests check that refusal.
   if (st == ASN1ERR_OBJECT_NOT_FOUND || kXerLimits.count(name)) {
      *skipped = true;
      return "";
   }
   if (st != 0) return "XER encode " + std::to_string(st);
   ASN1XERDecodeBuffer xin(octets(doc), static_cast<OSUINT32>(doc.size()));
   Rec back;
   st = fromXer<Ctl>(xin, back);
   if (st != 0) return "XER decode " + std::to_string(st);
   Bytes out = toDer<Ctl>(back, &st);
   if (st != 0) return "DER encode after XER " + std::to_string(st);
   if (out != in) {
      if (!nonDerInside().count(name)) return "XER round trip changed the value";
      // A canonicalised inner value: a second round trip changes nothing.
      ASN1BERDecodeBuffer dec2(out.data(), static_cast<int>(out.size()));
      Rec again;
      Ctl cd2(dec2, again);
      if (cd2.Decode() != 0) return "canonical re-encoding does not decode";
      std::string doc2 = toXer<Ctl>(again, &st);
      if (st != 0) return "second XER encode " + std::to_string(st);
      ASN1XERDecodeBuffer xin2(octets(doc2), static_cast<OSUINT32>(doc2.size()));
      Rec back2;
      if (fromXer<Ctl>(xin2, back2) != 0) return "second XER decode";
      if (toDer<Ctl>(back2, &st) != out) return "second XER round trip changed the value";
      return "";
   }

   ASN1CTXT cctxt;
   if (rtInitContext(&cctxt, nullptr) != 0) return "context";
   Rec copy;
   st = copyFn(&cctxt, &rec, &copy);
   std::string why;
   if (st != 0) why = "copy " + std::to_string(st);
   else if (toDer<Ctl>(copy, &st) != in) why = "the copy encodes differently";
   rtFreeContext(&cctxt);
   return why;
}

}

TEST(GeneratedXer, CorpusRoundTripsThroughXerAndCopy)
{
   std::string root = QVASN1_CORPUS_DIR;
   const CorpusType types[] = {
      { "Certificate", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_Certificate, ASN1T_Certificate>(n, b, s, asn1Copy_Certificate); } },
      { "CertificateList", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_CertificateList, ASN1T_CertificateList>(n, b, s, asn1Copy_CertificateList); } },
      { "ContentInfo", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_ContentInfo, ASN1T_ContentInfo>(n, b, s, asn1Copy_ContentInfo); } },
      { "AttributeCertificate", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_AttributeCertificate, ASN1T_AttributeCertificate>(n, b, s, asn1Copy_AttributeCertificate); } },
      { "OCSPResponse", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_OCSPResponse, ASN1T_OCSPResponse>(n, b, s, asn1Copy_OCSPResponse); } },
      { "OCSPRequest", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_OCSPRequest, ASN1T_OCSPRequest>(n, b, s, asn1Copy_OCSPRequest); } },
      { "PKIMessage", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_PKIMessage, ASN1T_PKIMessage>(n, b, s, asn1Copy_PKIMessage); } },
      { "CertificationRequest", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_CertificationRequest, ASN1T_CertificationRequest>(n, b, s, asn1Copy_CertificationRequest); } },
      { "CertReqMessages", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_CertReqMessages, ASN1T_CertReqMessages>(n, b, s, asn1Copy_CertReqMessages); } },
      { "TimeStampResp", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_TimeStampResp, ASN1T_TimeStampResp>(n, b, s, asn1Copy_TimeStampResp); } },
      { "TimeStampReq", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_TimeStampReq, ASN1T_TimeStampReq>(n, b, s, asn1Copy_TimeStampReq); } },
      { "TSTInfo", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_TSTInfo, ASN1T_TSTInfo>(n, b, s, asn1Copy_TSTInfo); } },
      { "DVCSRequest", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_DVCSRequest, ASN1T_DVCSRequest>(n, b, s, asn1Copy_DVCSRequest); } },
      { "DVCSResponse", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_DVCSResponse, ASN1T_DVCSResponse>(n, b, s, asn1Copy_DVCSResponse); } },
      { "SignedAttributes", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_SignedAttributes, ASN1T_SignedAttributes>(n, b, s, asn1Copy_SignedAttributes); } },
      { "SignaturePolicy", [](const std::string& n, const Bytes& b, bool* s) { return roundTrip<ASN1C_SignaturePolicy, ASN1T_SignaturePolicy>(n, b, s, asn1Copy_SignaturePolicy); } },
   };
   int files = 0;
   for (const auto& t : types) {
      auto paths = derFiles(root + "/" + t.folder);
      int checked = 0, skipped = 0;
      for (const auto& p : paths) {
         ++files;
         bool skip = false;
         std::string why = t.run(std::string(t.folder) + "/" + p.substr(p.rfind('/') + 1), readFile(p), &skip);
         if (skip) ++skipped;
         else ++checked;
         EXPECT_EQ(why, "") << p;
      }
      // Certificates and CRLs: most go through XER (the rest are the few the
      // BER codec refuses and names with attribute types XER does not know).
      if (!paths.empty() && std::string(t.folder).find("Certificate") == 0) {
         EXPECT_GT(checked, (int)paths.size() / 2) << t.folder << ": " << skipped << " skipped";
      }
   }
   if (files == 0) GTEST_SKIP() << "corpus not found at " << root;
}
