// The expat reader, the SAX handler base, open-type capture, and a round trip
// through a hand-written control class.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ASN1XEROpenTypes.h"
#include "XerSample.h"
#include "rtMemHeap.h"
#include "rtXmlExpatIF.h"

namespace {

// Records the events it receives as text.
class RecordingHandler : public ASN1XERSAXDecodeHandler {
public:
   void startElement(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs) override
   {
      EXPECT_STREQ("", uri);
      EXPECT_STREQ(qname, localname);
      log += "<" + std::string(qname);
      for (int i = 0; attrs != nullptr && attrs[i] != nullptr; i += 2)
         log += " " + std::string(attrs[i]) + "=" + attrs[i + 1];
      log += ">";
   }
   void characters(const char* chars, unsigned int length) override
   {
      log += "[" + std::string(chars, length) + "]";
   }
   void endElement(const char*, const char*, const char* qname) override
   {
      log += "</" + std::string(qname) + ">";
   }
   std::string log;
};

// Parses doc with handler h; returns the exception's status and message.
struct ParseResult {
   bool threw = false;
   int status = 0;
   std::string message;
};

ParseResult parse(const std::string& doc, ASN1XERSAXDecodeHandler& h)
{
   ParseResult r;
   OSXMLReader* reader = saxCreateXmlReader(ASN1CtxtPtr(), &h, &h);
   try {
      EXPECT_NE(0, reader->parse(doc.data(), (int)doc.size()));
   }
   catch (const OSRTSAXException& e) {
      r.threw = true;
      r.status = e.getStatus();
      r.message = e.getMessage() != nullptr ? e.getMessage() : "";
   }
   reader->release();
   return r;
}

TEST(XerReader, DeliversEventsWithEntitiesReplaced)
{
   RecordingHandler h;
   ParseResult r = parse("<?xml version=\"1.0\"?><a x=\"1&amp;2\"><b>t &amp; &lt;u&gt;</b><c/></a>", h);
   EXPECT_FALSE(r.threw) << r.message;
   EXPECT_EQ("<a x=1&2><b>[t ][&][ ][<][u][>]</b><c></c></a>", h.log);
}

TEST(XerReader, MalformedDocumentsGiveLineAndColumn)
{
   static const struct { const char* doc; const char* message; } cases[] = {
      { "<a><b></a>", "mismatched tag, line = 1, column = 8" },
      { "<a>\n  <b>\n</a>", "mismatched tag, line = 3, column = 2" },
      { "<a>", "no element found, line = 1, column = 3" },
      { "", "no element found, line = 1, column = 0" },
      { "<a></a><b/>", "junk after document element, line = 1, column = 7" },
      { "<a>&bogus;</a>", "undefined entity, line = 1, column = 3" },
      { "<a>\x01</a>", "not well-formed (invalid token), line = 1, column = 3" },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.doc);
      RecordingHandler h;
      ParseResult r = parse(c.doc, h);
      EXPECT_TRUE(r.threw);
      EXPECT_EQ(ASN1ERR_XML_STATE, r.status);
      EXPECT_EQ(c.message, r.message);
      int status = 0;
      const char* file = "x";
      int line = 1;
      EXPECT_EQ(1, h.getErrorInfo(&status, &file, &line));
      EXPECT_EQ(ASN1ERR_XML_STATE, status);
   }
}

TEST(XerReader, HostileDocumentsAreRejected)
{
   // Nesting beyond the limit ends the parse before any handler sees it.
   RecordingHandler h;
   std::string deep;
   for (int i = 0; i < OSXML_MAX_DEPTH + 1; i++) deep += "<a>";
   ParseResult r = parse(deep, h);
   EXPECT_TRUE(r.threw);
   EXPECT_EQ(ASN1ERR_XML_STATE, r.status);
   EXPECT_NE(std::string::npos, r.message.find("nesting")) << r.message;

   std::string ok;
   for (int i = 0; i < OSXML_MAX_DEPTH; i++) ok += "<a>";
   for (int i = 0; i < OSXML_MAX_DEPTH; i++) ok += "</a>";
   RecordingHandler h2;
   EXPECT_FALSE(parse(ok, h2).threw);

   // Exponential entity expansion: expat's amplification limit stops it.
   std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY l0 \"lollollollollol\">";
   for (int i = 1; i <= 12; i++) {
      laughs += "<!ENTITY l" + std::to_string(i) + " \"";
      for (int j = 0; j < 10; j++) laughs += "&l" + std::to_string(i - 1) + ";";
      laughs += "\">";
   }
   laughs += "]><l>&l12;</l>";
   RecordingHandler h3;
   r = parse(laughs, h3);
   // (12 levels of tenfold expansion would be 15 * 10^12 octets; expat stops
   // once the output passes its activation threshold of 8 MiB.)
   EXPECT_TRUE(r.threw);
   EXPECT_LT(h3.log.size(), 16u * 1024 * 1024);

   // External entities are never loaded.
   RecordingHandler h4;
   r = parse("<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>", h4);
   EXPECT_EQ(std::string::npos, h4.log.find("root:"));

   OSXMLReader* reader = saxCreateXmlReader(ASN1CtxtPtr(), &h4, &h4);
   EXPECT_THROW(reader->parse(nullptr, 5), OSRTSAXException);
   reader->release();
}

TEST(XerReader, KeptParserStartsEachDocumentAfresh)
{
   // A thread's readers share one parser: nothing of a document, or of how
   // its parse ended, may reach the next one.
   static const struct { const char* doc; const char* log; const char* message; } steps[] = {
      { "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "<a>[x]</a>", nullptr },
      { "<a>&e;</a>", nullptr, "undefined entity, line = 1, column = 3" },
      { "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>", "<a>[\xC3\xA9]</a>", nullptr },
      { "<a>\xC3\xA9</a>", "<a>[\xC3\xA9]</a>", nullptr },
      { "<a><b></a>", nullptr, "mismatched tag, line = 1, column = 8" },
      { "<a x=\"1\"><b/></a>", "<a x=1><b></b></a>", nullptr },
      { "<a>", nullptr, "no element found, line = 1, column = 3" },
      { "<a/>", "<a></a>", nullptr },
   };
   for (const auto& step : steps) {
      SCOPED_TRACE(step.doc);
      RecordingHandler h;
      ParseResult r = parse(step.doc, h);
      EXPECT_EQ(step.message != nullptr, r.threw);
      if (step.message != nullptr) EXPECT_EQ(step.message, r.message);
      else EXPECT_EQ(step.log, h.log);
   }
}

// Throws from the second start tag.
class ThrowingHandler : public ASN1XERSAXDecodeHandler {
public:
   void startElement(const char*, const char*, const char*, const char* const*) override
   {
      if (++mCount == 2) throwSAXException(ASN1ERR_TAG_NOT_FOUND, "here.cpp", 7);
   }
   void endElement(const char*, const char*, const char*) override { mEnds++; }
   int mCount = 0;
   int mEnds = 0;
};

TEST(XerReader, HandlerExceptionsPassThroughUnchanged)
{
   ThrowingHandler h;
   OSXMLReader* reader = saxCreateXmlReader(ASN1CtxtPtr(), &h, &h);
   try {
      const char doc[] = "<a><b/><c/></a>";
      reader->parse(doc, sizeof doc - 1);
      ADD_FAILURE() << "no exception";
   }
   catch (const OSRTSAXException& e) {
      EXPECT_EQ(ASN1ERR_TAG_NOT_FOUND, e.getStatus());
      EXPECT_STREQ("here.cpp", e.getSrcFileName());
      EXPECT_EQ(7, e.getSrcLineNum());
      EXPECT_EQ(nullptr, e.getMessage());
   }
   reader->release();
   EXPECT_EQ(2, h.mCount);
   EXPECT_EQ(0, h.mEnds) << "no event after the failure";
   int status = 0;
   EXPECT_EQ(1, h.getErrorInfo(&status, nullptr, nullptr));
   EXPECT_EQ(ASN1ERR_TAG_NOT_FOUND, status);
   h.resetErrorInfo();
   EXPECT_EQ(0, h.getErrorInfo(&status, nullptr, nullptr));

   // A memory-buffer failure in a handler keeps its own type.
   struct Failing : public ASN1XERSAXDecodeHandler {
      void characters(const char*, unsigned int) override { throw ASN1MessageBuffer::RTLError(-12); }
   } f;
   reader = saxCreateXmlReader(ASN1CtxtPtr(), &f, &f);
   EXPECT_THROW(reader->parse("<a>x</a>", 8), ASN1MessageBuffer::RTLError);
   reader->release();
}

TEST(XerSaxHandler, BaseBehaviour)
{
   ASN1XERSAXDecodeHandler h;
   h.init(3);
   EXPECT_EQ(0, h.getState());
   EXPECT_EQ(3, h.getLevel());
   EXPECT_EQ(3, h.getStartLevel());
   EXPECT_EQ(0, h.getErrorInfo(nullptr, nullptr, nullptr));
   try {
      h.throwSAXException(ASN1ERR_MISSING_ELEMENT, nullptr, 0);
      ADD_FAILURE();
   }
   catch (const OSRTSAXExceptionImpl& e) {
      EXPECT_EQ(ASN1ERR_MISSING_ELEMENT, e.getStatus());
   }
   int status = 0;
   EXPECT_EQ(1, h.getErrorInfo(&status, nullptr, nullptr));
   EXPECT_EQ(ASN1ERR_MISSING_ELEMENT, status);

   // A reader without content handler drops the events.
   OSExpatXMLReader* reader = new OSExpatXMLReader();
   EXPECT_NE(0, reader->parse("<a>b</a>", 8));
   reader->release();
}

TEST(XerSaxHandler, ExceptionAndStringHelpers)
{
   OSRTSAXExceptionImpl e("boom", -3, "f.cpp", 12);
   OSRTSAXExceptionImpl copy(e);
   OSRTSAXExceptionImpl assigned;
   EXPECT_STREQ("", assigned.getMessage());
   EXPECT_EQ(0, assigned.getStatus());
   assigned = e;
   assigned = assigned;
   for (const OSRTSAXExceptionImpl* x : { &copy, &assigned }) {
      EXPECT_STREQ("boom", x->getMessage());
      EXPECT_NE(e.getMessage(), x->getMessage());
      EXPECT_EQ(-3, x->getStatus());
      EXPECT_STREQ("f.cpp", x->getSrcFileName());
      EXPECT_EQ(12, x->getSrcLineNum());
   }
   OSRTSAXExceptionImpl* heap = OSRTSAXExceptionImpl::createSAXException("m", -8, nullptr, 0);
   EXPECT_EQ(-8, heap->getStatus());
   EXPECT_EQ(nullptr, heap->getSrcFileName());
   delete heap;
   delete OSRTSAXExceptionImpl::createSAXException();

   StrX name("element");
   EXPECT_STREQ("element", name.localForm());

   EXPECT_STREQ("", OSXMLString::zeroLenString());
   EXPECT_EQ(0, OSXMLString::stringLen(static_cast<const char*>(nullptr)));
   EXPECT_EQ(0, OSXMLString::compareString("abc", "abc"));
   EXPECT_LT(OSXMLString::compareString("abc", "abd"), 0);
   EXPECT_EQ(-3, OSXMLString::compareString(nullptr, "abc"));
   EXPECT_EQ(3, OSXMLString::compareString("abc", nullptr));
   EXPECT_EQ(nullptr, OSXMLString::replicate(nullptr));

   char dst[6] = "ab";
   EXPECT_EQ(dst, OSXMLString::catString(dst, sizeof dst, "cdefg"));
   EXPECT_STREQ("abcde", dst);
   EXPECT_EQ(nullptr, OSXMLString::catString(dst, sizeof dst, "x")) << "full";
   static const unsigned short wide[] = { 'h', 0x141, 'i', 0 };
   char* narrow = OSXMLString::transcode(wide);
   EXPECT_STREQ("hAi", narrow);
   delete[] narrow;

   // UTF-8 <-> 16-bit units, with a caller buffer or a new one.
   int len = 0;
   char small[4];
   char* utf8 = OSXMLString::safeTranscode(wide, &len, small, sizeof small);
   EXPECT_NE(small, utf8) << "4 octets and a terminator do not fit in 4";
   EXPECT_STREQ("h\xC5\x81i", utf8);
   EXPECT_EQ(4, len);
   delete[] utf8;
   unsigned short units[8];
   unsigned short* back = OSXMLString::safeTranscode("h\xC5\x81i\xF0\x9F\x98\x80", &len, units, 8);
   EXPECT_EQ(units, back);
   ASSERT_EQ(5, len);
   EXPECT_EQ(0x141, units[1]);
   EXPECT_EQ(0xD83D, units[3]);
   EXPECT_EQ(0xDE00, units[4]);
   EXPECT_EQ(0, units[5]);
   EXPECT_EQ(nullptr, OSXMLString::safeTranscode("\xC3\x41", &len, units, 8));
   char roomy[16];
   EXPECT_EQ(roomy, OSXMLString::safeTranscode(units, &len, roomy, sizeof roomy));
   EXPECT_STREQ("h\xC5\x81i\xF0\x9F\x98\x80", roomy) << "the surrogate pair is one character";
   EXPECT_EQ(8, len);
   EXPECT_EQ(ASN1ERR_INVALID_UTF8,
             OSXMLString::stringUTF8Len(reinterpret_cast<const unsigned char*>("\xE2\x82"), 2));
}

// ---------------------------------------------------------------------------
// Round trip through the hand-written Sample control class.

std::string encodeSample(SampleValue& v, OSBOOL canonical = FALSE)
{
   ASN1XEREncodeBuffer out(canonical);
   SampleHandler enc(out, v);
   EXPECT_EQ(0, enc.Encode());
   return std::string(reinterpret_cast<const char*>(out.getMsgPtr()), out.getMsgLen());
}

// The decoded value, copied out before the decode buffer (and its heap) goes.
struct Decoded {
   int number = 0;
   std::vector<OSOCTET> data;
   bool hasParams = false;
   std::string params;
};

// Decodes doc; returns the status of the exception (0 when none).
int decodeSample(const std::string& doc, Decoded& d)
{
   ASN1XERDecodeBuffer in(reinterpret_cast<const OSOCTET*>(doc.data()), (OSUINT32)doc.size());
   SampleValue v;
   SampleHandler dec(in, v);
   try {
      int stat = dec.decode(in);
      d.number = v.number;
      if (v.data.numocts > 0) d.data.assign(v.data.data, v.data.data + v.data.numocts);
      d.hasParams = v.hasParams;
      if (v.hasParams && v.params.numocts > 0)
         d.params.assign(reinterpret_cast<const char*>(v.params.data), v.params.numocts);
      return stat;
   }
   catch (const OSRTSAXException& e) {
      int status = 0;
      EXPECT_EQ(1, dec.getErrorInfo(&status, nullptr, nullptr));
      EXPECT_EQ(e.getStatus(), status);
      return e.getStatus();
   }
}

TEST(XerRoundTrip, SampleSequence)
{
   static const OSOCTET octs[] = { 0xDE, 0xAD, 0xBE, 0xEF, 0x01 };
   static const char params[] = "<alg>1.2.3</alg><flag><true/></flag>";
   SampleValue v;
   v.number = -12345;
   v.data.numocts = sizeof octs;
   v.data.data = octs;
   v.hasParams = true;
   v.params.numocts = sizeof params - 1;
   v.params.data = reinterpret_cast<const OSOCTET*>(params);

   std::string doc = encodeSample(v);
   EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Sample>\n   <number>-12345</number>"
             "\n   <data>DEADBEEF01</data>\n   <params><alg>1.2.3</alg><flag><true/></flag></params>"
             "\n</Sample>", doc);

   Decoded back;
   ASSERT_EQ(0, decodeSample(doc, back));
   EXPECT_EQ(v.number, back.number);
   EXPECT_EQ(std::vector<OSOCTET>(octs, octs + sizeof octs), back.data);
   EXPECT_TRUE(back.hasParams);
   EXPECT_EQ(params, back.params);

   // Canonical form, optional component absent.
   v.hasParams = false;
   doc = encodeSample(v, TRUE);
   EXPECT_EQ(std::string::npos, doc.find('\n'));
   Decoded back2;
   ASSERT_EQ(0, decodeSample(doc, back2));
   EXPECT_EQ(v.number, back2.number);
   EXPECT_FALSE(back2.hasParams);
}

TEST(XerRoundTrip, Rejections)
{
   static const struct { const char* doc; int status; } cases[] = {
      { "<Other><number>1</number><data>00</data></Other>", ASN1ERR_XML_STATE },
      { "<Sample><number>1</number><bogus/><data>00</data></Sample>", ASN1ERR_TAG_NOT_FOUND },
      { "<Sample><data>00</data><number>1</number></Sample>", ASN1ERR_TAG_NOT_FOUND },
      { "<Sample><number>1</number></Sample>", ASN1ERR_MISSING_ELEMENT },
      { "<Sample/>", ASN1ERR_MISSING_ELEMENT },
      { "<Sample><number>x</number><data>00</data></Sample>", ASN1ERR_INVALID_CHAR },
      { "<Sample><number>1</number><data>0G</data></Sample>", ASN1ERR_INVALID_HEX },
      { "<Sample><number>1</number><data>00</data>", ASN1ERR_XML_STATE },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.doc);
      Decoded d;
      EXPECT_EQ(c.status, decodeSample(c.doc, d));
   }
}

TEST(XerRoundTrip, OpenTypeCapture)
{
   static const struct { const char* params; const char* captured; } cases[] = {
      // Indentation between the tags is character data and stays as it was.
      { "<params>\n      <x>a &amp; b</x>\n      <empty></empty>\n   </params>",
        "\n      <x>a &amp; b</x>\n      <empty/>\n   " },
      { "<params><e/></params>", "<e/>" },
      // Attributes stay (form="ber" marks the octets of a nested open type).
      { "<params><x y=\"1\">&lt;&gt;&quot;</x></params>", "<x y=\"1\">&lt;&gt;\"</x>" },
      { "<params><a><b>t</b><b/></a></params>", "<a><b>t</b><b/></a>" },
      { "<params>just text &amp;</params>", "just text &amp;" },
      { "<params><x>a&#13;b\r\nc</x></params>", "<x>a&#13;b\nc</x>" },
      { "<params/>", "" },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.params);
      std::string doc = std::string("<Sample><number>1</number><data>AB</data>") + c.params + "</Sample>";
      Decoded d;
      ASSERT_EQ(0, decodeSample(doc, d));
      EXPECT_TRUE(d.hasParams);
      EXPECT_EQ(c.captured, d.params);

      // Written out again, the capture reads back to the same text.
      SampleValue v;
      v.number = d.number;
      v.data.numocts = (OSUINT32)d.data.size();
      v.data.data = d.data.data();
      v.hasParams = true;
      v.params.numocts = (OSUINT32)d.params.size();
      v.params.data = reinterpret_cast<const OSOCTET*>(d.params.data());
      std::string doc2 = encodeSample(v);
      Decoded d2;
      ASSERT_EQ(0, decodeSample(doc2, d2)) << doc2;
      EXPECT_EQ(d.params, d2.params);
      EXPECT_EQ(d.data, d2.data);
   }
}

TEST(XerRoundTrip, OpenTypeCaptureOutlivesTheHandler)
{
   // The capture lives in the message buffer's heap: the record stays valid
   // after the control objects are gone, for as long as the buffer lives.
   std::string doc = "<Sample><number>1</number><data>AB</data><params><x>v</x></params></Sample>";
   ASN1XERDecodeBuffer in(reinterpret_cast<const OSOCTET*>(doc.data()), (OSUINT32)doc.size());
   SampleValue v;
   {
      SampleHandler dec(in, v);
      ASSERT_EQ(0, dec.decode(in));
   }
   ASSERT_TRUE(v.hasParams);
   EXPECT_EQ("<x>v</x>", std::string(reinterpret_cast<const char*>(v.params.data), v.params.numocts));
   EXPECT_EQ(1, rtMemHeapCheckPtr(&in.getCtxtPtr()->msgMemHeap, const_cast<OSOCTET*>(v.params.data)));

   // A handler reused for a second open type leaves the first capture alone
   // (neither overwritten nor moved when the second one grows).
   ASN1TOpenType target;
   ASN1CXerOpenType ot(in, target);
   ot.init(1);
   ot.startElement("", "a", "a", nullptr);
   ot.characters("1", 1);
   ot.endElement("", "a", "a");
   const OSOCTET* firstData = target.data;
   ASSERT_EQ(8u, target.numocts);
   ot.init(1);
   std::string big(5000, 'z');
   ot.startElement("", "b", "b", nullptr);
   ot.characters(big.data(), (unsigned)big.size());
   ot.endElement("", "b", "b");
   EXPECT_EQ("<a>1</a>", std::string(reinterpret_cast<const char*>(firstData), 8));
   EXPECT_EQ("<b>" + big + "</b>", std::string(reinterpret_cast<const char*>(target.data), target.numocts));
}

TEST(XerDecodeBuffer, ContextSharingAndFragmentFlag)
{
   ASN1XEREncodeBuffer owner;
   ASN1Context* ctx = owner.getContext().get();
   OSUINT32 refs = ctx->getRefCount();
   {
      ASN1XERDecodeBuffer in(reinterpret_cast<const OSOCTET*>("<a/>"), 4, TRUE, ctx);
      EXPECT_EQ(owner.getCtxtPtr(), in.getCtxtPtr());
      EXPECT_EQ(refs + 1, ctx->getRefCount());
      EXPECT_TRUE(in.getCtxtPtr()->flags & ASN1XERFRAGMENT);
      RecordingHandler h;
      OSXMLReader* reader = saxCreateXmlReader(in.getContext(), &h, &h);
      EXPECT_EQ(0, in.decodeXML(reader));
      reader->release();
      EXPECT_EQ("<a></a>", h.log);
      EXPECT_THROW(in.throwSAXException(-3, nullptr, 0), OSRTSAXExceptionImpl);
   }
   EXPECT_EQ(refs, ctx->getRefCount());
}

}  // namespace

// The record of what the open types of a decode hold: entries are taken once
// and in their form only, and leave by marks, last in, first out; XML text
// that nobody took is refused then unless it is blank. The same holds past
// the entries the record keeps by itself, where an index finds them.
TEST(XerOpenTypes, EntriesAreTakenOnceAndLeaveByMarks)
{
   static const char kBlank[] = " \n\t ";
   static const char kXml[] = "<x/>";
   for (size_t count : {3u, 5000u}) {
      SCOPED_TRACE(count);
      std::vector<ASN1OpenType> holders(2 * count);
      ASN1XEROpenTypes record;
      // The outer half: values read in place (every third one failed).
      for (size_t i = 0; i < count; ++i) record.noteValueRead(&holders[i], i % 3 == 0 ? -(int)(i % 7) - 1 : 0);
      const size_t mark = record.mark();
      ASSERT_EQ(count, mark);
      // The inner half: blank XML text, with one piece of real XML last.
      for (size_t i = count; i < 2 * count; ++i) {
         holders[i].numocts = sizeof kBlank - 1;
         holders[i].data = reinterpret_cast<const OSOCTET*>(kBlank);
         record.noteXmlText(&holders[i]);
      }
      holders.back().numocts = sizeof kXml - 1;
      holders.back().data = reinterpret_cast<const OSOCTET*>(kXml);

      // Found in their form only, then gone; from the last one backwards.
      int status = 1;
      EXPECT_FALSE(record.take(&holders[count], ASN1XEROpenTypes::ValueRead, &status));
      EXPECT_FALSE(record.take(&holders[0], ASN1XEROpenTypes::XmlText));
      for (size_t i = 2 * count - 1; i-- > count + 1;) ASSERT_TRUE(record.take(&holders[i], ASN1XEROpenTypes::XmlText));
      EXPECT_FALSE(record.take(&holders[count + 1], ASN1XEROpenTypes::XmlText));

      // Released: the blank text nobody took becomes empty, the XML fails.
      EXPECT_EQ(ASN1ERR_NOT_SUPPORTED, record.release(mark));
      EXPECT_EQ(0u, holders[count].numocts);
      EXPECT_EQ(nullptr, holders[count].data);
      EXPECT_EQ(mark, record.mark());
      EXPECT_FALSE(record.take(&holders.back(), ASN1XEROpenTypes::XmlText));

      // The outer entries are still there, each with its status, once.
      for (size_t i = 0; i < count; ++i) {
         ASSERT_TRUE(record.take(&holders[i], ASN1XEROpenTypes::ValueRead, &status));
         EXPECT_EQ(i % 3 == 0 ? -(int)(i % 7) - 1 : 0, status);
         ASSERT_FALSE(record.take(&holders[i], ASN1XEROpenTypes::ValueRead));
      }
      // A holder entered again after it was taken is found again; dropped
      // entries refuse nothing.
      record.noteXmlText(&holders.back());
      record.noteValueRead(&holders[0], 0);
      EXPECT_TRUE(record.take(&holders[0], ASN1XEROpenTypes::ValueRead, &status));
      EXPECT_EQ(0, status);
      record.drop(mark);
      EXPECT_EQ(mark, record.mark());
      EXPECT_EQ(sizeof kXml - 1, holders.back().numocts);
      EXPECT_EQ(0, record.release(0));
      EXPECT_EQ(0u, record.mark());
   }
}
