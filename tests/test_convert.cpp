// The converter's conversions over real PKI files made by openssl
// (tests/data/openssl, see make-files.sh there): every file round-trips
// through DER and XML; the lossless and lenient context flags both ways;
// failures that name the component path, the failing element's offset and
// type; text XML cannot carry; and what identify answers.
#include <gtest/gtest.h>

#include <expat.h>

#include <algorithm>
#include <stdexcept>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Converter.h"
#include "Pem.h"
#include "asn1ErrCodes.h"
#include "asn1Registry.h"

using namespace qvasn1tool;

namespace {

typedef std::vector<uint8_t> Bytes;

const std::string kDataDir = std::string(QVASN1_TEST_DATA_DIR) + "/openssl/";

Bytes readBytes(const std::string& path)
{
   std::ifstream f(path, std::ios::binary);
   return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The files of the data folder with their types (files.txt).
std::vector<std::pair<std::string, std::string>> dataFiles()
{
   std::vector<std::pair<std::string, std::string>> out;
   std::ifstream in(kDataDir + "files.txt");
   for (std::string line; std::getline(in, line);) {
      size_t tab = line.find('\t');
      if (tab != std::string::npos) out.emplace_back(line.substr(0, tab), line.substr(tab + 1));
   }
   return out;
}

Bytes dataFile(const std::string& name)
{
   Bytes b = readBytes(kDataDir + name);
   EXPECT_FALSE(b.empty()) << name;
   return b;
}

bool wellFormed(const std::string& xml)
{
   XML_Parser p = XML_ParserCreate(nullptr);
   bool ok = XML_Parse(p, xml.data(), (int)xml.size(), 1) == XML_STATUS_OK;
   XML_ParserFree(p);
   return ok;
}

const Asn1RegEntry& type(const char* name)
{
   const Asn1RegEntry* entry = asn1RegFind(name);
   if (entry == nullptr) throw std::runtime_error(std::string("type not registered: ") + name);
   return *entry;
}

// DER -> record -> XER -> record -> DER under the options; "" or what failed.
std::string viaXer(const Asn1RegEntry& entry, const Bytes& der, const CodecOptions& options, Bytes& out,
                   std::string* xmlOut = nullptr, ConvError* error = nullptr)
{
   TypedValue v(entry, options);
   ConvError e;
   std::string xml;
   if (!decodeWhole(v, der, e)) return "decode: " + e.message();
   if (!v.encodeXer(xml, false, e)) {
      if (error != nullptr) *error = e;
      return "XER encode: " + e.message();
   }
   if (xmlOut != nullptr) *xmlOut = xml;
   if (!wellFormed(xml)) return "not well-formed";
   TypedValue back(entry, options);
   if (!back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e)) {
      if (error != nullptr) *error = e;
      return "XER decode: " + e.message();
   }
   if (!back.encodeDer(out, e)) return "DER encode: " + e.message();
   return "";
}

// ---------------------------------------------------------------------------
// A small DER editor for making broken inputs: a tree of elements (single
// octet tags, definite lengths), changed and written again with new lengths.
struct Node {
   uint8_t tag = 0;
   Bytes content;            // primitive
   std::vector<Node> kids;   // constructed
   bool marked = false;
};

Node parse(const Bytes& der, size_t& pos)
{
   Node n;
   n.tag = der.at(pos++);
   size_t len = der.at(pos++);
   if (len & 0x80) {
      size_t k = len & 0x7F;
      len = 0;
      while (k--) len = (len << 8) | der.at(pos++);
   }
   const size_t end = pos + len;
   // OCTET STRING and BIT STRING stay primitive (their contents are values).
   if (n.tag & 0x20) {
      while (pos < end) n.kids.push_back(parse(der, pos));
   }
   else {
      n.content.assign(der.begin() + (long)pos, der.begin() + (long)end);
      pos = end;
   }
   return n;
}

Node parse(const Bytes& der)
{
   size_t pos = 0;
   return parse(der, pos);
}

// The encoding of n; markAt gets the offset of the marked element inside it
// (-1 when none is marked).
Bytes write(const Node& n, long long& markAt)
{
   Bytes body;
   long long inner = -1;
   if (n.tag & 0x20) {
      for (const Node& k : n.kids) {
         long long at = -1;
         const Bytes kb = write(k, at);
         if (at >= 0) inner = (long long)body.size() + at;
         body.insert(body.end(), kb.begin(), kb.end());
      }
   }
   else body = n.content;
   Bytes out = {n.tag};
   if (body.size() < 0x80) out.push_back((uint8_t)body.size());
   else {
      Bytes len;
      for (size_t v = body.size(); v != 0; v >>= 8) len.insert(len.begin(), (uint8_t)v);
      out.push_back((uint8_t)(0x80 | len.size()));
      out.insert(out.end(), len.begin(), len.end());
   }
   const long long header = (long long)out.size();
   out.insert(out.end(), body.begin(), body.end());
   markAt = n.marked ? 0 : inner >= 0 ? header + inner : -1;
   return out;
}

const Bytes kOidSubjectAltName = {0x55, 0x1D, 0x11};
const Bytes kOidKeyUsage = {0x55, 0x1D, 0x0F};
const Bytes kOidBasicConstraints = {0x55, 0x1D, 0x13};

// The extension (SEQUENCE) with the identifier in a certificate's tree.
Node& extension(Node& cert, const Bytes& oid, size_t* index = nullptr)
{
   Node& list = cert.kids.at(0).kids.at(7).kids.at(0);
   for (size_t i = 0; i < list.kids.size(); i++) {
      if (list.kids[i].kids.at(0).content == oid) {
         if (index != nullptr) *index = i;
         return list.kids[i];
      }
   }
   throw std::runtime_error("no such extension");
}

// The certificate with the value of the extension `oid` replaced; its index
// and the offset of the new value's first octet.
Bytes withExtensionValue(const Bytes& certDer, const Bytes& oid, const Bytes& value, size_t& index, long long& at)
{
   Node cert = parse(certDer);
   Node& ext = extension(cert, oid, &index);
   Node& octets = ext.kids.back();
   octets.content = value;
   octets.marked = true;
   Bytes out = write(cert, at);
   at += 2;   // the OCTET STRING's header: the value is short
   return out;
}

// ---------------------------------------------------------------------------

TEST(ConvertOpensslFiles, EveryFileRoundTripsThroughDerAndXml)
{
   const auto files = dataFiles();
   ASSERT_GE(files.size(), 20u) << "see tests/data/openssl/make-files.sh";
   for (const auto& [name, typeName] : files) {
      SCOPED_TRACE(name);
      const Asn1RegEntry& entry = type(typeName.c_str());
      const Bytes der = dataFile(name);
      TypedValue v(entry);
      ConvError e;
      Bytes again, xmlDer;
      ASSERT_TRUE(decodeWhole(v, der, e)) << e.message();
      ASSERT_TRUE(v.encodeDer(again, e)) << e.message();
      EXPECT_EQ(again, der) << "DER -> DER";
      std::string xml;
      const std::string why = viaXer(entry, der, CodecOptions(), xmlDer, &xml);
      ASSERT_EQ(why, "");
      EXPECT_EQ(xmlDer, der) << "DER -> XML -> DER";
      // The file is what identify says it is.
      const Identification id = identifyValue(topLevelTypes(), der, "", false);
      ASSERT_FALSE(id.types.empty());
      EXPECT_EQ(id.types.front(), typeName);
      EXPECT_FALSE(id.generic);
   }
}

// Values XML has no form for (an eContentType outside the object sets, here
// id-data inside digested data) or that came in another encoding than their
// DER (certificates out of DER order in a SET OF): written as octets with
// ASN1XERLOSSLESS; without it, the designed refusal (-38) and the DER
// re-encoding.
TEST(ConvertFlags, LosslessXerBothWays)
{
   const Asn1RegEntry& ci = type("ContentInfo");
   CodecOptions strict;
   strict.lossless = false;
   for (const char* name : {"cms-digested.der", "cms-signed.der", "req-extensions-challenge.der"}) {
      SCOPED_TRACE(name);
      const Asn1RegEntry& entry = std::string(name).compare(0, 4, "req-") == 0 ? type("CertificationRequest") : ci;
      const Bytes der = dataFile(name);
      Bytes out;
      ConvError e;
      std::string xml;
      EXPECT_NE(viaXer(entry, der, strict, out, nullptr, &e), "");
      EXPECT_EQ(e.status, ASN1ERR_OBJECT_NOT_FOUND);
      ASSERT_EQ(viaXer(entry, der, CodecOptions(), out, &xml), "");
      EXPECT_EQ(out, der);
      // An open type's octets are marked; the eContent of id-data is an
      // OCTET STRING and says its octets in hexadecimal anyway.
      EXPECT_NE(xml.find(name == std::string("cms-digested.der") ? "<eContent>" : "form=\"ber\""), std::string::npos);
   }
   // Certificates out of DER order: their XML would come back sorted.
   const Bytes certsOnly = dataFile("cms-certs-only.der");
   Bytes out;
   ASSERT_EQ(viaXer(ci, certsOnly, CodecOptions(), out), "");
   EXPECT_EQ(out, certsOnly);
   ASSERT_EQ(viaXer(ci, certsOnly, strict, out), "");
   EXPECT_NE(out, certsOnly);
   EXPECT_EQ(out.size(), certsOnly.size()) << "the same certificates, in DER order";
}

// A malformed extension value: the strict decode fails naming it; with
// ASN1LENIENT the value keeps its octets and everything comes back as it was,
// through DER and through XER (whose reader keeps them too only when lenient).
TEST(ConvertFlags, LenientDecodeBothWays)
{
   const Asn1RegEntry& cert = type("Certificate");
   size_t index = 0;
   long long at = -1;
   const Bytes der = withExtensionValue(dataFile("certificate.der"), kOidSubjectAltName, {0x30, 0x00}, index, at);

   TypedValue strict(cert);
   ConvError e;
   ASSERT_FALSE(decodeWhole(strict, der, e));
   EXPECT_EQ(e.status, ASN1ERR_CONSTRAINT);
   EXPECT_TRUE(e.inOpenType);
   EXPECT_NE(e.message().find("--lenient"), std::string::npos) << e.message();

   CodecOptions lenient;
   lenient.lenient = true;
   TypedValue v(cert, lenient);
   Bytes again, out;
   ASSERT_TRUE(decodeWhole(v, der, e)) << e.message();
   ASSERT_TRUE(v.encodeDer(again, e));
   EXPECT_EQ(again, der);
   std::string xml;
   ASSERT_EQ(viaXer(cert, der, lenient, out, &xml), "");
   EXPECT_EQ(out, der);
   EXPECT_NE(xml.find("<extnValue>3000</extnValue>"), std::string::npos) << "kept as octets";
   // The reader of that document is strict unless told otherwise.
   TypedValue back(cert);
   ASSERT_FALSE(back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e));
   EXPECT_EQ(e.status, ASN1ERR_CONSTRAINT);
}

// Broken inputs and the failure they give: status, the component path, the
// failing element's type and its offset in the input.
TEST(ConvertErrors, FailuresNameTheComponentPath)
{
   const Bytes cert = dataFile("certificate.der");
   struct Case {
      const char* what;
      const char* type;
      Bytes der;
      int status;
      std::string path;
      std::string pathType;
      long long offset;   // -1: not checked
   };
   std::vector<Case> cases;
   auto extensionCase = [&](const char* what, const Bytes& oid, const Bytes& value, int status, const char* ext,
                            const char* pathType, long long shift) {
      // shift: from the value's first octet to the failing one
      size_t index = 0;
      long long at = -1;
      Bytes der = withExtensionValue(cert, oid, value, index, at);
      cases.push_back({what, "Certificate", der, status,
                       "tbsCertificate.extensions[" + std::to_string(index) + "]." + ext, pathType, at + shift});
   };
   extensionCase("empty subjectAltName", kOidSubjectAltName, {0x30, 0x00}, ASN1ERR_CONSTRAINT, "extnValue",
                 "subjectAltName: GeneralNames", 0);
   extensionCase("key usage of 8 unused bits", kOidKeyUsage, {0x03, 0x02, 0x08, 0x80}, ASN1ERR_BAD_VALUE,
                 "extnValue", "keyUsage: KeyUsage", 0);
   extensionCase("an octet after the basic constraints", kOidBasicConstraints, {0x30, 0x00, 0x00},
                 ASN1ERR_INVALID_LENGTH, "extnValue", "OCTET STRING", 2);
   extensionCase("a path length inside that is no INTEGER", kOidBasicConstraints,
                 {0x30, 0x06, 0x01, 0x01, 0xFF, 0x04, 0x01, 0x00}, ASN1ERR_SEQ_OVERFLOW, "extnValue",
                 "basicConstraints: BasicConstraintsSyntax", 0);
   {
      // The version in five octets: too big for its INTEGER.
      Node c = parse(cert);
      Node& version = c.kids.at(0).kids.at(0).kids.at(0);
      version.content = {0x01, 0x00, 0x00, 0x00, 0x02};
      c.kids.at(0).kids.at(0).marked = true;
      long long at = -1;
      Bytes der = write(c, at);
      cases.push_back({"a version of five octets", "Certificate", der, ASN1ERR_TOO_BIG, "tbsCertificate.version",
                       "Version", at});
   }
   {
      // The subject's common name in an OCTET STRING: no DirectoryString.
      Node c = parse(cert);
      Node& rdns = c.kids.at(0).kids.at(5);
      Node& cn = rdns.kids.back().kids.at(0).kids.at(1);
      cn.tag = 0x04;
      cn.marked = true;
      long long at = -1;
      Bytes der = write(c, at);
      cases.push_back({"a common name of no string type", "Certificate", der, ASN1ERR_INVALID_CHOICE,
                       "tbsCertificate.subject.rdnSequence[" + std::to_string(rdns.kids.size() - 1) + "][0].value",
                       "commonName: CHOICE", at});
   }
   {
      // No signature value: the certificate itself is incomplete.
      Node c = parse(cert);
      c.kids.pop_back();
      long long at = -1;
      cases.push_back({"no signature", "Certificate", write(c, at), ASN1ERR_MISSING_ELEMENT, "", "", -1});
   }
   {
      // The same empty subjectAltName inside a certificate of a signed
      // message: found where it is, not at the end of the input.
      Node ci = parse(dataFile("cms-signed.der"));
      Node& sd = ci.kids.at(1).kids.at(0);
      Node* certs = nullptr;
      for (Node& k : sd.kids)
         if (k.tag == 0xA0) certs = &k;
      ASSERT_NE(certs, nullptr);
      Node& inner = certs->kids.at(0);
      size_t index = 0;
      Node& ext = extension(inner, kOidSubjectAltName, &index);
      ext.kids.back().content = {0x30, 0x00};
      ext.kids.back().marked = true;
      long long at = -1;
      Bytes der = write(ci, at);
      cases.push_back({"an empty subjectAltName in a signed message", "ContentInfo", der, ASN1ERR_CONSTRAINT,
                       "content.certificates[0].certificate.tbsCertificate.extensions[" + std::to_string(index) +
                          "].extnValue",
                       "subjectAltName: GeneralNames", at + 2});
   }
   {
      // An extension request attribute of a certification request.
      Node req = parse(dataFile("req-extensions-challenge.der"));
      Node& attrs = req.kids.at(0).kids.back();
      size_t attr = 0;
      for (size_t i = 0; i < attrs.kids.size(); i++)
         if (attrs.kids[i].kids.at(0).content == Bytes{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x0E}) attr = i;
      Node& exts = attrs.kids.at(attr).kids.at(1).kids.at(0);
      size_t index = 0;
      for (size_t i = 0; i < exts.kids.size(); i++)
         if (exts.kids[i].kids.at(0).content == kOidSubjectAltName) index = i;
      Node& value = exts.kids.at(index).kids.back();
      value.content = {0x30, 0x00};
      value.marked = true;
      long long at = -1;
      Bytes der = write(req, at);
      cases.push_back({"an empty subjectAltName in an extension request", "CertificationRequest", der,
                       ASN1ERR_CONSTRAINT,
                       "certificationRequestInfo.attributes[" + std::to_string(attr) + "].values[0][" +
                          std::to_string(index) + "].extnValue",
                       "subjectAltName: GeneralNames", at + 2});
   }

   for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      TypedValue v(type(c.type));
      ConvError e;
      ASSERT_FALSE(decodeWhole(v, c.der, e));
      EXPECT_EQ(e.status, c.status) << e.message();
      EXPECT_EQ(e.path, c.path) << e.message();
      if (!c.pathType.empty()) {
         EXPECT_EQ(e.pathType, c.pathType) << e.message();
      }
      if (c.offset >= 0) {
         EXPECT_EQ(e.offset, c.offset) << e.message();
         EXPECT_LT(e.offset, (long long)c.der.size()) << "the failing element, not the input's end";
      }
      if (!c.path.empty()) {
         EXPECT_NE(e.message().find(" in " + c.path), std::string::npos) << e.message();
      }
   }
}

// XER input: the element path, line and column of a failure.
TEST(ConvertErrors, XerFailuresNameTheElementPath)
{
   const Asn1RegEntry& cert = type("Certificate");
   TypedValue v(cert);
   ConvError e;
   ASSERT_TRUE(decodeWhole(v, dataFile("certificate.der"), e));
   std::string xml;
   ASSERT_TRUE(v.encodeXer(xml, false, e));
   struct Case {
      const char* what;
      std::string from, to;
      int status;
      std::string path;
   };
   const Case cases[] = {
      {"a version that is no number", "<version>2</version>", "<version>x</version>", ASN1ERR_INVALID_CHAR,
       "Certificate/tbsCertificate/version"},
      {"an unknown component", "<validity>", "<validity><x/>", ASN1ERR_TAG_NOT_FOUND,
       "Certificate/tbsCertificate/validity/x"},
      {"a country that is no PrintableString", "<PrintableString>DE</PrintableString>", "<INTEGER>1</INTEGER>",
       ASN1ERR_XML_STATE, "Certificate/tbsCertificate/issuer/rdnSequence/RelativeDistinguishedName/"
                          "AttributeTypeAndValue"},
      {"a document that breaks off", "</tbsCertificate>", "</tbsCertificat>", ASN1ERR_XML_STATE,
       "Certificate/tbsCertificate"},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      std::string doc = xml;
      size_t at = doc.find(c.from);
      ASSERT_NE(at, std::string::npos);
      doc.replace(at, c.from.size(), c.to);
      TypedValue back(cert);
      ASSERT_FALSE(back.decodeXer(reinterpret_cast<const uint8_t*>(doc.data()), doc.size(), e));
      EXPECT_EQ(e.status, c.status) << e.message();
      EXPECT_EQ(e.path, c.path) << e.message();
      // The line of the change (or of the end of the element that failed).
      const long line = (long)std::count(doc.begin(), doc.begin() + (long)at, '\n') + 1;
      EXPECT_GE(e.line, line) << e.message();
      EXPECT_NE(e.message().find("line"), std::string::npos) << e.message();
   }
}

// Text that is not valid in its string type never reaches a document: a
// UTF8String of invalid UTF-8 inside a name (an open type) is written as its
// octets and comes back the same; one outside an open type has no XML form
// (-26), and nothing is written.
TEST(ConvertXml, InvalidTextNeverMakesABrokenDocument)
{
   const Asn1RegEntry& cert = type("Certificate");
   Node c = parse(dataFile("certificate.der"));
   Node& cn = c.kids.at(0).kids.at(5).kids.back().kids.at(0).kids.at(1);
   ASSERT_EQ(cn.tag, 0x0C) << "a UTF8String common name";
   cn.content = {'c', 'l', 0xC3, 0x28, 'n', 't'};   // 0xC3 without its continuation octet
   long long unused = -1;
   const Bytes der = write(c, unused);
   Bytes out;
   std::string xml;
   ASSERT_EQ(viaXer(cert, der, CodecOptions(), out, &xml), "");
   EXPECT_EQ(out, der);
   EXPECT_NE(xml.find("<value form=\"ber\">0C06636CC3286E74</value>"), std::string::npos) << xml;

   for (const Bytes& text : {Bytes{0xC3, 0x28}, Bytes{0xED, 0xA0, 0x80}, Bytes{0xC0, 0xAF}, Bytes{0xEF, 0xBF, 0xBF},
                             Bytes{0xF4, 0x90, 0x80, 0x80}}) {
      SCOPED_TRACE(::testing::PrintToString(text));
      Bytes utf8 = {0x0C, (uint8_t)text.size()};
      utf8.insert(utf8.end(), text.begin(), text.end());
      TypedValue v(type("UTF8Pairs"));
      ConvError e;
      ASSERT_TRUE(decodeWhole(v, utf8, e)) << e.message();
      std::string doc;
      EXPECT_FALSE(v.encodeXer(doc, false, e));
      EXPECT_EQ(e.status, ASN1ERR_INVALID_UTF8);
      EXPECT_TRUE(doc.empty());
   }
   // Valid text of every length passes.
   const Bytes valid = {0x0C, 0x0A, 'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80};
   Bytes back;
   std::string doc;
   ASSERT_EQ(viaXer(type("UTF8Pairs"), valid, CodecOptions(), back, &doc), "");
   EXPECT_EQ(back, valid);
}

// identify: a specific type before a generic signed form, lenient matches
// marked, a PEM label first.
TEST(ConvertIdentify, RanksSpecificBeforeGeneric)
{
   const auto candidates = topLevelTypes();
   const Bytes cert = dataFile("certificate.der");
   Identification id = identifyValue(candidates, cert, "", false);
   EXPECT_EQ(id.types, std::vector<std::string>{"Certificate"});

   // A malformed extension: the certificate with its value kept as octets.
   size_t index = 0;
   long long at = -1;
   const Bytes broken = withExtensionValue(cert, kOidSubjectAltName, {0x30, 0x00}, index, at);
   id = identifyValue(candidates, broken, "", false);
   ASSERT_EQ(id.types, std::vector<std::string>{"Certificate"});
   EXPECT_NE(id.lines.front().find("(lenient"), std::string::npos) << id.lines.front();
   id = identifyValue(candidates, broken, "", true);
   EXPECT_EQ(id.lines.front(), "Certificate");

   // A broken certificate outside any open type: only the generic signed
   // form fits, marked, and the certificate is named as the closest type.
   Node c = parse(cert);
   c.kids.at(0).kids.at(0).kids.at(0).content = {0x01, 0x00, 0x00, 0x00, 0x02};
   const Bytes badVersion = write(c, at);
   id = identifyValue(candidates, badVersion, "", false);
   ASSERT_EQ(id.types, std::vector<std::string>{"AttributeCertificate"});
   EXPECT_TRUE(id.generic);
   EXPECT_NE(id.lines.front().find("generic signed form"), std::string::npos);
   EXPECT_EQ(id.closestType, "Certificate");
   EXPECT_NE(id.closest.find("tbsCertificate.version"), std::string::npos) << id.closest;

   // Every registered type: the label's type comes first.
   std::vector<const Asn1RegEntry*> all;
   asn1RegForEach(nullptr, [](const Asn1RegEntry* e, void* arg) {
      static_cast<std::vector<const Asn1RegEntry*>*>(arg)->push_back(e);
      return 0;
   }, &all);
   const Bytes req = dataFile("req-plain.der");
   id = identifyValue(all, req, "NEW CERTIFICATE REQUEST", false);
   ASSERT_FALSE(id.types.empty());
   EXPECT_EQ(id.types.front(), "CertificationRequest");
}

}  // namespace
