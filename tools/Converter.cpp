#include "Converter.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include <expat.h>

#include <algorithm>
#include <map>

#include "Pem.h"
#include "rtErrPath.h"
#include "rtXmlExpatIF.h"
#include "asn1XerCppTypes.h"
#include "rtError.h"

namespace qvasn1tool {

std::string ConvError::message() const
{
   std::string m = text;
   if (status != 0) {
      m += ": status " + std::to_string(status) + " (" + rtErrGetStatusText(status) + ")";
   }
   if (offset >= 0) {
      m += " at offset " + std::to_string(offset);
      if (offsetInPem) m += " of the PEM content";
   }
   if (!path.empty()) {
      m += " in " + path;
      if (!pathType.empty()) m += " (" + pathType + ")";
   }
   if (line >= 0 && detail.find("line =") == std::string::npos) {
      m += " at line " + std::to_string(line) + ", column " + std::to_string(column);
   }
   if (!detail.empty()) m += ": " + detail;
   if (!hint.empty()) m += "; " + hint;
   // The message is one line whatever the detail holds.
   for (char& c : m) {
      if (c == '\n' || c == '\r') c = ' ';
   }
   return m;
}

bool readInput(const char* path, std::vector<uint8_t>& out, ConvError& err)
{
   bool useStdin = path == nullptr || strcmp(path, "-") == 0;
   const char* shown = useStdin ? "standard input" : path;
   FILE* fp = useStdin ? stdin : fopen(path, "rb");
   if (fp == nullptr) {
      err.text = std::string("cannot open '") + path + "'";
      err.detail = strerror(errno);
      return false;
   }
   out.clear();
   uint8_t chunk[65536];
   bool ok = true;
   for (;;) {
      size_t n = fread(chunk, 1, sizeof chunk, fp);
      if (n > 0) {
         if (out.size() + n > kMaxInputSize) {
            err.text = std::string("cannot read ") + (useStdin ? shown : "'" + std::string(path) + "'");
            err.detail = "input larger than " + std::to_string(kMaxInputSize) + " octets";
            ok = false;
            break;
         }
         out.insert(out.end(), chunk, chunk + n);
      }
      if (n < sizeof chunk) {
         if (ferror(fp)) {
            err.text = std::string("cannot read ") + (useStdin ? shown : "'" + std::string(path) + "'");
            err.detail = strerror(errno);
            ok = false;
         }
         break;
      }
   }
   if (!useStdin) fclose(fp);
   return ok;
}

bool derFromInput(const std::vector<uint8_t>& raw, const char* typeName, std::vector<uint8_t>& der, bool& wasPem,
                  std::string& pemLabel, ConvError& err)
{
   std::vector<PemBlock> blocks;
   if (pemDecodeAll(raw.data(), raw.size(), blocks) == PemStatus::NotPem) {
      wasPem = false;
      der = raw;
      return true;
   }
   wasPem = true;
   // The block the type is armoured under; without one, the first block.
   const PemBlock* chosen = &blocks.front();
   if (typeName != nullptr) {
      const std::vector<std::string> labels = pemLabelsOf(typeName);
      for (const PemBlock& b : blocks) {
         if (std::find(labels.begin(), labels.end(), b.label) != labels.end()) {
            chosen = &b;
            break;
         }
      }
   }
   if (!chosen->error.empty()) {
      err.text = "malformed PEM input";
      err.detail = chosen->error;
      return false;
   }
   pemLabel = chosen->label;
   der = chosen->der;
   return true;
}

bool derBlocksFromInput(const std::vector<uint8_t>& raw, std::vector<std::pair<std::string, std::vector<uint8_t>>>& out,
                        bool& wasPem, ConvError& err)
{
   out.clear();
   std::vector<PemBlock> blocks;
   if (pemDecodeAll(raw.data(), raw.size(), blocks) == PemStatus::NotPem) {
      wasPem = false;
      out.emplace_back(std::string(), raw);
      return true;
   }
   wasPem = true;
   for (PemBlock& b : blocks)
      if (b.error.empty()) out.emplace_back(b.label, std::move(b.der));
   if (out.empty()) {
      err.text = "malformed PEM input";
      err.detail = blocks.front().error;
      return false;
   }
   return true;
}

TypedValue::TypedValue(const Asn1RegEntry& entry, const CodecOptions& options)
   : mValue(entry, options.lenient ? ASN1LENIENT : 0), mOptions(options)
{
   if (mValue.context() == nullptr) throw ASN1MessageBuffer::RTLError(ASN1ERR_NO_MEMORY);
}

bool TypedValue::decodeBer(const uint8_t* der, size_t len, size_t& consumed, ConvError& err)
{
   const Asn1RegEntry& entry = mValue.entry();
   err.text = std::string("cannot decode ") + entry.name;
   consumed = 0;
   if (len == 0) {
      err.detail = "the input is empty";
      return false;
   }
   if (len > (size_t)INT_MAX) {
      err.status = ASN1ERR_TOO_BIG;
      return false;
   }
   // The decoders name the components a failure passes on its way out.
   ASN1ErrPath path;
   const int stat = mValue.decodeBer(der, len, 0, &consumed, &path);
   if (stat == 0) return true;
   // The first status recorded is the one raised deepest; the offset is
   // where the failing element starts (else where the decoder stopped).
   err.status = stat;
   err.offset = mValue.valid() ? (long long)mValue.ctxt()->buffer.byteIndex : -1;
   err.stopped = err.offset;
   const int inner = rtErrPathInnermost(&path);
   if (inner >= 0) {
      const OSINT64 at = rtErrPathOffset(&path, (OSUINT32)inner);
      if (at >= 0) err.offset = at;
      char text[1024];
      rtErrPathToString(&path, text, sizeof text);
      err.path = text;
      // The type of the innermost element that has one: an open type's
      // value with its object's name.
      for (OSUINT32 i = (OSUINT32)inner; i < path.count; i++) {
         const ASN1ErrPathItem& item = path.items[i];
         if (item.type == nullptr || item.kind == ASN1EP_BUFFER) continue;
         err.pathType = item.kind == ASN1EP_VALUE && item.name != nullptr ? std::string(item.name) + ": " + item.type
                                                                          : item.type;
         break;
      }
      for (OSUINT32 i = 0; i < path.count; i++) {
         if (path.items[i].kind == ASN1EP_BUFFER) err.inOpenType = true;
         if (path.items[i].kind == ASN1EP_COMPONENT) err.depth++;
      }
   }
   if (err.inOpenType && !mOptions.lenient) err.hint = "with --lenient such a value is kept as its octets";
   return false;
}

bool TypedValue::decodeXer(const uint8_t* xml, size_t len, ConvError& err)
{
   err.text = std::string("cannot decode the XER document as ") + mValue.entry().name;
   const int stat = mValue.decodeXer(xml, len);
   if (stat == 0) return true;
   err.status = stat;
   if (stat == ASN1ERR_NOT_SUPPORTED && mValue.entry().xerDecode == nullptr) {
      err.detail = "the type decodes XER only as a component of another type";
      return false;
   }
   if (const char* msg = OSExpatXMLReader::lastFailureMessage()) err.detail = msg;
   // Where the reader stopped, and the elements open there.
   long long at = -1;
   if (OSExpatXMLReader::lastFailure(&err.line, &err.column, &at)) err.path = xmlElementPath(xml, len, at);
   return false;
}

bool TypedValue::encodeDer(std::vector<uint8_t>& out, ConvError& err)
{
   err.text = std::string("cannot encode ") + mValue.entry().name + " in DER";
   err.status = mValue.encodeDer(out);
   return err.status == 0;
}

bool TypedValue::encodeXer(std::string& out, bool canonical, ConvError& err)
{
   err.text = std::string("cannot encode ") + mValue.entry().name + " in XER";
   err.status = mValue.encodeXer(out, mOptions.lossless ? ASN1XERLOSSLESS : 0, canonical);
   if (err.status != 0) return false;
   out.push_back('\n');
   return true;
}

bool decodeWhole(TypedValue& value, const std::vector<uint8_t>& der, ConvError& err)
{
   size_t consumed = 0;
   if (!value.decodeBer(der.data(), der.size(), consumed, err)) return false;
   if (consumed != der.size()) {
      err.text = std::string("cannot decode ") + value.entry().name;
      err.offset = (long long)consumed;
      size_t extra = der.size() - consumed;
      err.detail = std::to_string(extra) + (extra == 1 ? " octet follows" : " octets follow") + " the value";
      return false;
   }
   return true;
}

namespace {

// Signed forms whose signed body is an open type: any SEQUENCE { body,
// algorithm, signature } decodes as them (every certificate, CRL and request
// does). Such a match is the type itself only when the body (the first
// element) decodes as the body type; otherwise it is a generic signed form,
// reported only when no other type fits.
const struct {
   const char* type;
   const char* body;
} kSignedForms[] = {
   { "AttributeCertificate", "AttributeCertificateInfo" },
};

// The first element inside the outer SEQUENCE of der (definite lengths):
// the signed body of a signed form. False when der does not have that shape.
bool firstInnerElement(const std::vector<uint8_t>& der, std::vector<uint8_t>& body)
{
   auto header = [&](size_t at, size_t& contents, size_t& end) -> bool {
      if (at + 2 > der.size() || (der[at] & 0x1F) == 0x1F) return false;
      size_t len = der[at + 1];
      size_t p = at + 2;
      if (len & 0x80) {
         size_t n = len & 0x7F;
         if (n == 0 || n > 4 || p + n > der.size()) return false;
         len = 0;
         while (n--) len = (len << 8) | der[p++];
      }
      if (len > der.size() - p) return false;
      contents = p;
      end = p + len;
      return true;
   };
   size_t contents = 0, end = 0, inner = 0, innerEnd = 0;
   if (der.empty() || der[0] != 0x30 || !header(0, contents, end) || !header(contents, inner, innerEnd)) return false;
   body.assign(der.begin() + (long)contents, der.begin() + (long)innerEnd);
   return true;
}

}  // namespace

std::vector<const Asn1RegEntry*> topLevelTypes()
{
   return asn1RegTopLevelTypes();
}

Identification identifyValue(const std::vector<const Asn1RegEntry*>& candidates, const std::vector<uint8_t>& der,
                            const std::string& label, bool lenientFits)
{
   // A type whose PEM label the input carries goes first.
   std::vector<const Asn1RegEntry*> order;
   for (const Asn1RegEntry* entry : candidates) {
      const std::vector<std::string> labels = pemLabelsOf(entry->name);
      if (!label.empty() && std::find(labels.begin(), labels.end(), label) != labels.end()) order.push_back(entry);
   }
   for (const Asn1RegEntry* entry : candidates)
      if (std::find(order.begin(), order.end(), entry) == order.end()) order.push_back(entry);

   Identification result;
   std::vector<std::string> specific, lenient, generic;
   std::vector<const Asn1RegEntry*> inOpenType;
   ConvError furthest;
   std::string furthestType;
   for (const Asn1RegEntry* entry : order) {
      ConvError e;
      TypedValue value(*entry);
      if (decodeWhole(value, der, e)) {
         const char* body = nullptr;
         for (const auto& form : kSignedForms)
            if (strcmp(form.type, entry->name) == 0) body = form.body;
         const Asn1RegEntry* bodyEntry = body != nullptr ? asn1RegFind(body) : nullptr;
         std::vector<uint8_t> bodyDer;
         if (bodyEntry != nullptr) {
            TypedValue bodyValue(*bodyEntry);
            ConvError ignored;
            if (!firstInnerElement(der, bodyDer) || !decodeWhole(bodyValue, bodyDer, ignored)) {
               generic.push_back(std::string(entry->name) + " (generic signed form: the signed body is no " + body + ")");
               continue;
            }
         }
         specific.push_back(entry->name);
         continue;
      }
      // The closest type is the one whose decoder got furthest into the input
      // (then deepest into the value); a signed form, which passes over its
      // body whatever it holds, is none.
      bool signedForm = false;
      for (const auto& form : kSignedForms) signedForm = signedForm || strcmp(form.type, entry->name) == 0;
      if (!signedForm && (furthestType.empty() || e.stopped > furthest.stopped ||
                          (e.stopped == furthest.stopped && e.depth > furthest.depth))) {
         furthest = e;
         furthestType = entry->name;
         result.closestType = entry->name;
      }
      if (e.inOpenType) inOpenType.push_back(entry);
   }
   // None fits as it is: those that failed through an open type's value only,
   // with such values kept as octets.
   for (const Asn1RegEntry* entry : specific.empty() ? inOpenType : std::vector<const Asn1RegEntry*>()) {
      CodecOptions options;
      options.lenient = true;
      TypedValue again(*entry, options);
      ConvError ignored;
      if (decodeWhole(again, der, ignored)) lenient.push_back(entry->name);
   }
   if (!specific.empty()) {
      result.lines = specific;
      result.types = specific;
   }
   else if (!lenient.empty()) {
      for (const std::string& name : lenient)
         result.lines.push_back(lenientFits ? name : name + " (lenient: a value inside does not decode as its type)");
      result.types = lenient;
   }
   else {
      result.lines = generic;
      result.generic = !generic.empty();
      for (const std::string& line : generic) result.types.push_back(line.substr(0, line.find(' ')));
   }
   if (specific.empty() && lenient.empty() && !furthestType.empty()) {
      furthest.text = furthestType;
      furthest.hint.clear();
      result.closest = furthest.message();
   }
   return result;
}

namespace {

// Follows the open elements of a document up to a byte offset.
struct ElementTrail {
   XML_Parser parser = nullptr;
   long long offset = 0;
   bool reached = false;
   std::vector<std::string> open;                  // names of the open elements
   std::vector<std::map<std::string, int>> seen;   // per open element: its children seen, by name
   std::vector<int> position;                      // per open element: its position among its namesakes
};

void XMLCALL trailStart(void* data, const XML_Char* name, const XML_Char**)
{
   ElementTrail& t = *static_cast<ElementTrail*>(data);
   if (XML_GetCurrentByteIndex(t.parser) >= t.offset) {
      // The failing event: the element it starts is open there too.
      t.reached = true;
      XML_StopParser(t.parser, XML_FALSE);
   }
   int n = t.seen.empty() ? 0 : t.seen.back()[name]++;
   t.open.push_back(name);
   t.position.push_back(n);
   t.seen.emplace_back();
}

void XMLCALL trailEnd(void* data, const XML_Char*)
{
   ElementTrail& t = *static_cast<ElementTrail*>(data);
   if (t.reached) return;
   if (XML_GetCurrentByteIndex(t.parser) >= t.offset) {
      // The failing event is this end tag: its element is still open.
      t.reached = true;
      XML_StopParser(t.parser, XML_FALSE);
      return;
   }
   t.open.pop_back();
   t.position.pop_back();
   t.seen.pop_back();
}

void XMLCALL trailText(void* data, const XML_Char*, int)
{
   ElementTrail& t = *static_cast<ElementTrail*>(data);
   if (!t.reached && XML_GetCurrentByteIndex(t.parser) >= t.offset) {
      t.reached = true;
      XML_StopParser(t.parser, XML_FALSE);
   }
}

}  // namespace

std::string xmlElementPath(const uint8_t* xml, size_t len, long long offset)
{
   if (xml == nullptr || len > (size_t)INT_MAX || offset < 0) return "";
   ElementTrail t;
   t.parser = XML_ParserCreate(nullptr);
   if (t.parser == nullptr) return "";
   t.offset = offset;
   XML_SetUserData(t.parser, &t);
   XML_SetElementHandler(t.parser, trailStart, trailEnd);
   XML_SetCharacterDataHandler(t.parser, trailText);
   XML_Parse(t.parser, reinterpret_cast<const char*>(xml), (int)len, 1);
   // A document that is not well-formed stops at its fault: the elements
   // open there.
   XML_ParserFree(t.parser);
   std::string path;
   for (size_t i = 0; i < t.open.size(); i++) {
      if (i != 0) path += '/';
      path += t.open[i];
      if (t.position[i] > 0) path += '[' + std::to_string(t.position[i]) + ']';
   }
   return path;
}

}  // namespace qvasn1tool
