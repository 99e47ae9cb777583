// XER writer: document shape, escaping, value forms and the encode buffer.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "asn1XerCppTypes.h"
#include "rtError.h"
#include "rtMemHeap.h"

namespace {

std::string text(ASN1CTXT* pctxt)
{
   return std::string(reinterpret_cast<const char*>(pctxt->buffer.data), pctxt->buffer.byteIndex);
}

// A dynamic-buffer context ready for XER output.
class XerEnc : public ::testing::Test {
protected:
   void SetUp() override
   {
      ASSERT_EQ(0, rtInitContext(&ctxt, nullptr));
      ASSERT_EQ(0, xerSetEncBufPtr(&ctxt, nullptr, 0, FALSE));
   }
   void TearDown() override { rtFreeContext(&ctxt); }

   ASN1CTXT ctxt;
};

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// An AlgorithmIdentifier-like SEQUENCE with a nested SEQUENCE inside.
int encodeDocument(ASN1CTXT* p)
{
   static const ASN1OBJID oid = { 7, { 1, 2, 840, 113549, 1, 1, 5 } };
   static const OSOCTET octs[] = { 0x0A, 0xFF };
   int stat = xerEncStartDocument(p);
   if (stat == 0) stat = xerEncStartElement(p, "Outer", nullptr);
   p->level++;
   if (stat == 0) stat = xerEncObjId(p, &oid, "algorithm");
   if (stat == 0) stat = xerEncOctStr(p, 0, nullptr, "parameters");
   if (stat == 0) stat = xerEncStartElement(p, "inner", nullptr);
   p->level++;
   if (stat == 0) stat = xerEncBool(p, TRUE, "critical");
   if (stat == 0) stat = xerEncOctStr(p, 2, octs, "value");
   p->level--;
   if (stat == 0) stat = xerEncEndElement(p, "inner");
   if (stat == 0) stat = xerEncNamedValue(p, "keyCompromise", "reason", nullptr);
   p->level--;
   if (stat == 0) stat = xerEncEndElement(p, "Outer");
   if (stat == 0) stat = xerEncEndDocument(p);
   return stat;
}

TEST_F(XerEnc, DocumentShapeIndentedAndCanonical)
{
   ASSERT_EQ(0, encodeDocument(&ctxt));
   const std::string expected = std::string(kDecl) +
      "\n<Outer>"
      "\n   <algorithm>1.2.840.113549.1.1.5</algorithm>"
      "\n   <parameters/>"
      "\n   <inner>"
      "\n      <critical><true/></critical>"
      "\n      <value>0AFF</value>"
      "\n   </inner>"
      "\n   <reason><keyCompromise/></reason>"
      "\n</Outer>";
   EXPECT_EQ(expected, text(&ctxt));
   // Terminated, terminator not counted; no final line feed.
   EXPECT_EQ(0, ctxt.buffer.data[ctxt.buffer.byteIndex]);
   EXPECT_EQ(XER_STATE_ENDTAG, ctxt.state);

   ASN1CTXT canon;
   ASSERT_EQ(0, rtInitContext(&canon, nullptr));
   ASSERT_EQ(0, xerSetEncBufPtr(&canon, nullptr, 0, TRUE));
   EXPECT_TRUE(canon.flags & ASN1XERCANONICAL);
   ASSERT_EQ(0, encodeDocument(&canon));
   std::string flat = expected;
   std::string stripped;
   for (size_t i = 0; i < flat.size(); i++) {
      if (flat[i] == '\n') {
         while (i + 1 < flat.size() && flat[i + 1] == ' ') i++;
         continue;
      }
      stripped += flat[i];
   }
   EXPECT_EQ(stripped, text(&canon));
   EXPECT_EQ(std::string::npos, text(&canon).find('\n'));
   rtFreeContext(&canon);
}

TEST_F(XerEnc, EndDocumentNeedsACompleteDocument)
{
   ASSERT_EQ(0, xerEncStartDocument(&ctxt));
   EXPECT_EQ(ASN1ERR_XML_STATE, xerEncEndDocument(&ctxt));
   EXPECT_EQ(ASN1ERR_XML_STATE, ctxt.errInfo.status);

   rtErrReset(&ctxt.errInfo);
   ASSERT_EQ(0, xerEncStartElement(&ctxt, "a", nullptr));
   ctxt.level++;
   ASSERT_EQ(0, xerEncInt(&ctxt, 1, "b"));
   EXPECT_EQ(ASN1ERR_XML_STATE, xerEncEndDocument(&ctxt)) << "level 1";
}

TEST_F(XerEnc, EscapingOfCharacterData)
{
   static const struct { const char* in; const char* out; } cases[] = {
      { "a<b&\"c\"", "a&lt;b&amp;&quot;c&quot;" },
      { "it's > 2", "it&apos;s &gt; 2" },
      // Tab and line feed are XML characters; a carriage return only as a
      // reference; the other controls as the empty elements of their names.
      { "l1\nl2\tx\ry\bz\f", "l1\nl2\tx&#13;y<bs/>z<ff/>" },
      { "\x1B$B\x01\x1F\x7F", "<esc/>$B<soh/><is1/>\x7F" },
      { "plain text", "plain text" },
      { "", "" },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.in);
      ctxt.buffer.byteIndex = 0;
      ASSERT_EQ(0, xerPutCharStr(&ctxt, c.in, (int)strlen(c.in)));
      EXPECT_EQ(c.out, text(&ctxt));
   }
   ctxt.buffer.byteIndex = 0;
   EXPECT_EQ(0, xerPutCharStr(&ctxt, "abc", 0));
   EXPECT_EQ(0, xerPutCharStr(&ctxt, "abc", -1));
   EXPECT_EQ(0u, ctxt.buffer.byteIndex);
   ASSERT_EQ(0, xerPutCharStr(&ctxt, "a\0b", 3));
   EXPECT_EQ("a<nul/>b", text(&ctxt));
   ctxt.buffer.byteIndex = 0;
   // Every name stands for its character and back; none for TAB, LF, CR.
   int named = 0;
   for (OSUINT32 c = 0; c < 0x80; c++) {
      const char* name = xerControlName(c);
      if (name == nullptr) continue;
      ++named;
      EXPECT_EQ(xerControlChar(name), (int)c) << name;
   }
   EXPECT_EQ(named, 29);
   EXPECT_EQ(xerControlName(0x1B), std::string("esc"));
   EXPECT_EQ(xerControlChar("ht"), -1);
   EXPECT_EQ(xerControlChar("true"), -1);
   EXPECT_EQ(xerControlChar(nullptr), -1);

   // Escapes spanning the 80-octet chunks come out whole and in order.
   std::string in, out;
   for (int i = 0; i < 100; i++) {
      in += "x&";
      out += "x&amp;";
   }
   ASSERT_EQ(0, xerPutCharStr(&ctxt, in.data(), (int)in.size()));
   EXPECT_EQ(out, text(&ctxt));

   ctxt.buffer.byteIndex = 0;
   ASSERT_EQ(0, xerEncAscCharStr(&ctxt, "R&D <dept>", "ou"));
   EXPECT_EQ("\n<ou>R&amp;D &lt;dept&gt;</ou>", text(&ctxt));
   EXPECT_EQ(ASN1ERR_INVALID_PARAM, xerEncAscCharStr(&ctxt, "x", nullptr));
}

TEST(XerEncStatic, FullCallerBufferKeepsWhatWasWritten)
{
   // Output is written in 80-octet pieces: with room for 100 octets, the
   // first piece of a 200-character text fits, the second does not.
   OSOCTET buf[100];
   ASN1CTXT ctxt;
   ASSERT_EQ(0, rtInitContext(&ctxt, nullptr));
   ASSERT_EQ(0, xerSetEncBufPtr(&ctxt, buf, sizeof buf, FALSE));
   EXPECT_EQ(0, buf[0]);
   std::string in(200, 'a');
   EXPECT_EQ(ASN1ERR_BUFFER_OVERFLOW, xerPutCharStr(&ctxt, in.data(), (int)in.size()));
   EXPECT_EQ(80u, ctxt.buffer.byteIndex);
   EXPECT_EQ(ASN1ERR_BUFFER_OVERFLOW, ctxt.errInfo.status);

   // Hexadecimal text goes in 80-character pieces too.
   ctxt.buffer.byteIndex = 0;
   std::string octs(60, '\x11');
   EXPECT_EQ(ASN1ERR_BUFFER_OVERFLOW,
             xerEncHexStrValue(&ctxt, (OSUINT32)octs.size(), reinterpret_cast<const OSOCTET*>(octs.data())));
   EXPECT_EQ(80u, ctxt.buffer.byteIndex);
   rtFreeContext(&ctxt);
}

TEST_F(XerEnc, OctetAndBitStrings)
{
   static const OSOCTET octs[] = { 0x0A, 0xFF };
   ASSERT_EQ(0, xerEncOctStr(&ctxt, 2, octs, nullptr));
   EXPECT_EQ("\n<OCTET_STRING>0AFF</OCTET_STRING>", text(&ctxt));

   ctxt.buffer.byteIndex = 0;
   ctxt.level = 1;
   ASSERT_EQ(0, xerEncOctStr(&ctxt, 0, nullptr, "parameters"));
   EXPECT_EQ("\n   <parameters/>", text(&ctxt));
   EXPECT_EQ(XER_STATE_ENDTAG, ctxt.state);
   ctxt.level = 0;

   static const OSOCTET bits[] = { 0xAC, 0x1F };   // 1010 1100 0001 (1111 unused)
   static const struct { int type; OSUINT32 numbits; const char* out; } cases[] = {
      { XER_BITSTR_BINARY, 12, "\n<BIT_STRING>101011000001</BIT_STRING>" },
      { XER_BITSTR_HEX, 12, "\n<BIT_STRING form=\"hex\">AC1F</BIT_STRING>" },
      { XER_BITSTR_HEX, 0, "\n<BIT_STRING form=\"hex\"/>" },
      { XER_BITSTR_BINARY, 0, "\n<BIT_STRING/>" },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.out);
      ctxt.buffer.byteIndex = 0;
      ASSERT_EQ(0, xerEncBitStr(&ctxt, c.numbits, bits, nullptr, c.type));
      EXPECT_EQ(c.out, text(&ctxt));
   }
   EXPECT_EQ(ASN1ERR_INVALID_PARAM, xerEncBitStr(&ctxt, 12, bits, nullptr, 2));

   // A long binary value is written whole (40-character pieces).
   ctxt.buffer.byteIndex = 0;
   std::string ones(13, '\xFF');
   ASSERT_EQ(0, xerEncBinStrValue(&ctxt, 100, reinterpret_cast<const OSOCTET*>(ones.data())));
   EXPECT_EQ(std::string(100, '1'), text(&ctxt));
}

TEST_F(XerEnc, CharactersAsUTF8)
{
   static const OSUNICHAR bmp[] = { 'a', 0xE9, '<', 0x20AC };
   ASN1BMPString s = { 4, const_cast<OSUNICHAR*>(bmp) };
   ASSERT_EQ(0, xerEncBMPStr(&ctxt, &s, "name"));
   EXPECT_EQ("\n<name>a\xC3\xA9&lt;\xE2\x82\xAC</name>", text(&ctxt));

   // Characters XML 1.0 has no place for (surrogates, U+FFFE, U+FFFF,
   // anything above U+10FFFF) are refused rather than written malformed.
   static const struct { OSUINT32 c; const char* utf8; } cases[] = {
      { 0x7F, "\x7F" }, { 0x80, "\xC2\x80" }, { 0x7FF, "\xDF\xBF" }, { 0x800, "\xE0\xA0\x80" },
      { 0xD7FF, "\xED\x9F\xBF" }, { 0xE000, "\xEE\x80\x80" }, { 0xFFFD, "\xEF\xBF\xBD" },
      { 0x10000, "\xF0\x90\x80\x80" }, { 0x10FFFF, "\xF4\x8F\xBF\xBF" },
      { 0xD800, nullptr }, { 0xDFFF, nullptr }, { 0xFFFE, nullptr }, { 0xFFFF, nullptr },
      { 0x110000, nullptr }, { 0x4000000, nullptr },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.c);
      ctxt.buffer.byteIndex = 0;
      if (c.utf8 == nullptr) {
         EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerEncChar(&ctxt, c.c));
         EXPECT_EQ(0u, ctxt.buffer.byteIndex);
         continue;
      }
      ASSERT_EQ(0, xerEncChar(&ctxt, c.c));
      EXPECT_EQ(c.utf8, text(&ctxt));
   }

   static const OS32BITCHAR ucs[] = { 0x1F600, 0x80000000U };
   ASN1UniversalString u = { 1, const_cast<OS32BITCHAR*>(ucs) };
   ctxt.buffer.byteIndex = 0;
   ASSERT_EQ(0, xerEncUnivStr(&ctxt, &u, nullptr));
   EXPECT_EQ("\n<UniversalString>\xF0\x9F\x98\x80</UniversalString>", text(&ctxt));
   u.nchars = 2;
   EXPECT_EQ(ASN1ERR_INVALID_UTF8, xerEncUnivStr(&ctxt, &u, nullptr));
}

TEST_F(XerEnc, IntegersAndBigIntegers)
{
   ASSERT_EQ(0, xerEncInt(&ctxt, -2147483647 - 1, nullptr));
   ASSERT_EQ(0, xerEncUInt(&ctxt, 4294967295U, "n"));
   ASSERT_EQ(0, xerEncNull(&ctxt, nullptr));
   EXPECT_EQ("\n<INTEGER>-2147483648</INTEGER>\n<n>4294967295</n>\n<NULL/>", text(&ctxt));

   static const struct { const char* in; int stat; const char* out; } cases[] = {
      { "123", 0, "123" },
      { "000123", 0, "123" },
      { "-0042", 0, "-42" },
      { "0000", 0, "0" },
      { "-0", 0, "0" },
      { "0x0FF", 0, "255" },
      { "0xFF", 0, "-1" },           // hexadecimal text is two's complement
      { "0b0101", 0, "5" },
      { "0o17", 0, "15" },
      { "12a", ASN1ERR_BAD_VALUE, nullptr },
      { "", ASN1ERR_BAD_VALUE, nullptr },
      { "-", ASN1ERR_BAD_VALUE, nullptr },
      { " 1", ASN1ERR_BAD_VALUE, nullptr },
      { "0xZZ", ASN1ERR_BAD_VALUE, nullptr },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.in);
      ctxt.buffer.byteIndex = 0;
      rtErrReset(&ctxt.errInfo);
      EXPECT_EQ(c.stat, xerEncBigInt(&ctxt, c.in, "v"));
      if (c.stat == 0) {
         EXPECT_EQ(std::string("\n<v>") + c.out + "</v>", text(&ctxt));
      }
      else {
         EXPECT_EQ(c.stat, ctxt.errInfo.status);
      }
   }

   // A hexadecimal value whose decimal form needs more than 1000 digits.
   std::string hex = "0x0" + std::string(1000, 'f');
   ctxt.buffer.byteIndex = 0;
   ASSERT_EQ(0, xerEncBigInt(&ctxt, hex.c_str(), "v"));
   std::string out = text(&ctxt);
   std::string digits = out.substr(4, out.size() - 4 - 4);
   EXPECT_GT(digits.size(), 1000u);
   ASN1BigInt big;
   rtBigIntInit(&big);
   ASSERT_EQ(0, rtBigIntSetStr(&ctxt, &big, digits.c_str(), 10));
   std::string back(1100, 0);
   ASSERT_EQ(0, rtBigIntToString(&ctxt, &big, 16, &back[0], (OSUINT32)back.size()));
   EXPECT_EQ("00" + std::string(1000, 'f'), std::string(back.c_str()));
   rtBigIntFree(&ctxt, &big);
}

TEST_F(XerEnc, ObjectIdentifierChecksAreNotRecorded)
{
   static const struct { ASN1OBJID oid; int stat; } cases[] = {
      { { 2, { 2, 999 } }, 0 },
      { { 2, { 1, 39 } }, 0 },
      { { 3, { 1, 2, 4294967295U } }, 0 },
      { { 1, { 1 } }, ASN1ERR_INVALID_OBJID },
      { { 2, { 3, 1 } }, ASN1ERR_INVALID_OBJID },
      { { 2, { 1, 40 } }, ASN1ERR_INVALID_OBJID },
      { { 2, { 0, 40 } }, ASN1ERR_INVALID_OBJID },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.oid.subid[1]);
      EXPECT_EQ(c.stat, xerEncObjId(&ctxt, &c.oid, nullptr));
   }
   EXPECT_EQ(ASN1ERR_INVALID_OBJID, xerEncObjId(&ctxt, nullptr, nullptr));
   EXPECT_EQ(0, ctxt.errInfo.status);
   EXPECT_NE(std::string::npos, text(&ctxt).find("<OBJECT_IDENTIFIER>1.2.4294967295</OBJECT_IDENTIFIER>"));
}

TEST_F(XerEnc, OpenTypesAndRawText)
{
   static const char xml[] = "<x>1</x>";
   ctxt.level = 1;
   ASSERT_EQ(0, xerEncOpenType(&ctxt, 8, reinterpret_cast<const OSOCTET*>(xml), "params"));
   ASSERT_EQ(0, xerEncOpenType(&ctxt, 8, reinterpret_cast<const OSOCTET*>(xml), nullptr));
   EXPECT_EQ(XER_STATE_ENDTAG, ctxt.state);
   ASSERT_EQ(0, xerEncXmlCharData(&ctxt, "a&b", 3));
   EXPECT_EQ(0, xerEncXmlCharData(&ctxt, nullptr, 3));
   ASSERT_EQ(0, xerCopyText2(&ctxt, "c", "d"));
   ASSERT_EQ(0, xerCopyText2(&ctxt, nullptr, "e"));
   ASSERT_EQ(0, xerCopyText(&ctxt, nullptr));
   ASSERT_EQ(0, xerEncNewLine(&ctxt));
   EXPECT_EQ("\n   <params><x>1</x></params>\n   <x>1</x>a&bcd\n", text(&ctxt));
   EXPECT_EQ(3, xerTextLength("abc"));
   EXPECT_EQ(0, xerTextLength(nullptr));
   // Start and end with no name write nothing.
   ctxt.buffer.byteIndex = 0;
   ASSERT_EQ(0, xerEncStartElement(&ctxt, "", nullptr));
   ASSERT_EQ(0, xerEncEndElement(&ctxt, nullptr));
   ASSERT_EQ(0, xerEncEmptyElement(&ctxt, "e", "a=\"1\""));
   EXPECT_EQ("<e a=\"1\"/>", text(&ctxt));
}

TEST(XerEncodeBuffer, ConstructorsFlagsAndInit)
{
   ASN1XEREncodeBuffer plain;
   EXPECT_TRUE(plain.isA(ASN1MessageBufferIF::XEREncode));
   EXPECT_FALSE(plain.isA(ASN1MessageBufferIF::XERDecode));
   EXPECT_FALSE(plain.isA(ASN1MessageBufferIF::BEREncode));
   EXPECT_EQ(ASN1_DEF_DYNBUF_SIZE, (int)plain.getCtxtPtr()->buffer.size);
   EXPECT_FALSE(plain.getCtxtPtr()->flags & ASN1XERCANONICAL);

   ASN1XEREncodeBuffer canonical(TRUE);
   EXPECT_TRUE(canonical.getCtxtPtr()->flags & ASN1XERCANONICAL);

   OSOCTET buf[64];
   ASN1XEREncodeBuffer fixed(buf, sizeof buf, TRUE, TRUE);
   EXPECT_EQ(buf, fixed.getMsgPtr());
   EXPECT_TRUE(fixed.getCtxtPtr()->flags & ASN1XERFRAGMENT);
   EXPECT_TRUE(fixed.getCtxtPtr()->flags & ASN1XERCANONICAL);
   ASSERT_EQ(0, xerEncInt(fixed.getCtxtPtr(), 5, "i"));
   EXPECT_EQ(8u, fixed.getMsgLen());   // "<i>5</i>", canonical
   EXPECT_EQ(0, fixed.init());
   EXPECT_EQ(0u, fixed.getMsgLen());
   // The fixed buffer is never grown.
   std::string big(100, 'x');
   EXPECT_EQ(ASN1ERR_BUFFER_OVERFLOW, xerCopyText(fixed.getCtxtPtr(), big.c_str()));

   // Output stored in another context's heap outlives the buffer.
   ASN1XEREncodeBuffer owner;
   const OSOCTET* kept;
   {
      ASN1XEREncodeBuffer shared(FALSE, owner.getCtxtPtr(), 32);
      EXPECT_EQ(32u, shared.getCtxtPtr()->buffer.size);
      EXPECT_EQ(owner.getCtxtPtr()->msgMemHeap, shared.getCtxtPtr()->msgMemHeap);
      kept = shared.getMsgPtr();
      EXPECT_EQ(1, rtMemHeapCheckPtr(&owner.getCtxtPtr()->msgMemHeap, const_cast<OSOCTET*>(kept)));
   }
}

TEST(XerEncodeBuffer, WritesToStreamsAndFiles)
{
   ASN1XEREncodeBuffer buf;
   ASN1CTXT* p = buf.getCtxtPtr();
   ASSERT_EQ(0, xerEncStartDocument(p));
   ASSERT_EQ(0, xerEncInt(p, 7, "n"));
   ASSERT_EQ(0, xerEncEndDocument(p));
   const std::string expected = std::string(kDecl) + "\n<n>7</n>";

   char path[] = "/tmp/xerencXXXXXX";
   int fd = mkstemp(path);
   ASSERT_GE(fd, 0);
   close(fd);
   EXPECT_EQ((int)expected.size(), buf.write(path));
   FILE* fp = fopen(path, "rb");
   ASSERT_NE(nullptr, fp);
   char back[128] = { 0 };
   size_t n = fread(back, 1, sizeof back, fp);
   fclose(fp);
   unlink(path);
   EXPECT_EQ(expected, std::string(back, n));

   EXPECT_EQ(-1, buf.write("/nonexistent-dir/x.xml"));
   EXPECT_EQ(-1, buf.write(static_cast<FILE*>(nullptr)));
   FILE* tmp = tmpfile();
   ASSERT_NE(nullptr, tmp);
   EXPECT_EQ((int)expected.size(), buf.write(tmp));
   fclose(tmp);
}

}  // namespace

namespace {

std::string g_streamed;

int appendToString(ASN1Stream*, const OSOCTET* data, OSUINT32 n)
{
   g_streamed.append(reinterpret_cast<const char*>(data), n);
   return (int)n;
}

TEST(XerEncStream, DocumentGoesToTheStreamAndEndDocumentFlushes)
{
   ASN1CTXT ctxt;
   ASSERT_EQ(0, rtInitContext(&ctxt, nullptr));
   ASSERT_EQ(0, rtStreamBufInit(&ctxt));
   ctxt.stream->write = appendToString;
   ctxt.stream->streamFlags |= ASN1STRMF_WRITABLE;
   g_streamed.clear();

   std::string longText(3000, 'q');   // passes the stream's 1024-octet buffer
   ASSERT_EQ(0, xerEncStartDocument(&ctxt));
   ASSERT_EQ(0, xerEncAscCharStr(&ctxt, longText.c_str(), "t"));
   EXPECT_LT(g_streamed.size(), 3000u) << "not all written before the flush";
   ASSERT_EQ(0, xerEncEndDocument(&ctxt));
   EXPECT_EQ(std::string(kDecl) + "\n<t>" + longText + "</t>", g_streamed);
   rtFreeContext(&ctxt);
}

}  // namespace
