// Mutated XML documents through the reader, the Sample control class and the
// open-type capture, and random texts through every value decoder. Nothing
// may crash, read out of bounds or leak (run under the asan preset); a
// document that decodes must re-encode to one that decodes to the same value.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "XerSample.h"

namespace {

// splitmix64: a fixed seed gives the same run everywhere.
class Rng {
public:
   explicit Rng(OSUINT64 seed) : mState(seed) {}
   OSUINT64 next()
   {
      OSUINT64 z = (mState += 0x9E3779B97F4A7C15ULL);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      return z ^ (z >> 31);
   }
   size_t below(size_t n) { return n == 0 ? 0 : (size_t)(next() % n); }

private:
   OSUINT64 mState;
};

const char* const kSeeds[] = {
   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Sample>\n   <number>-12345</number>\n"
   "   <data>DEADBEEF01</data>\n   <params><alg>1.2.3</alg><flag><true/></flag></params>\n</Sample>",
   "<Sample><number>7</number><data>0a bc D</data><params>\n  <x y=\"1\">a &amp; b</x>\n"
   "  <e/>\n</params></Sample>",
   "<!DOCTYPE Sample [<!ENTITY n \"42\">]><Sample><number>&n;</number><data></data>"
   "<params>t&#x10FFFF;<![CDATA[<raw>]]></params></Sample>",
   "<Sample><number>2147483647</number><data>ff</data></Sample>",
};

const char* const kTokens[] = {
   "<", ">", "</", "/>", "&amp;", "&lt;", "&#", "&#0;", "&#x10FFFF;", "&e;", "\"", "=", "'",
   "<![CDATA[", "]]>", "<!--", "-->", "<!DOCTYPE Sample [<!ENTITY e \"<a>\">]>", "<params>",
   "</params>", "<data>", "</data>", "<number>", "</number>", "<Sample>", "</Sample>", "-",
   "9999999999", "\xC3", "\xE2\x82\xAC", "\xFF", " ", "\n", "<?xml version=\"1.0\"?>",
   "<a><a><a><a>", "</a></a>",
};

std::string mutate(Rng& rng, std::string doc)
{
   int steps = 1 + (int)rng.below(4);
   for (int s = 0; s < steps; s++) {
      size_t pos = rng.below(doc.size() + 1);
      switch (rng.below(6)) {
      case 0:   // replace a byte
         if (!doc.empty()) doc[rng.below(doc.size())] = (char)rng.below(256);
         break;
      case 1:   // insert a token
         doc.insert(pos, kTokens[rng.below(sizeof kTokens / sizeof kTokens[0])]);
         break;
      case 2:   // delete a range
         doc.erase(pos, rng.below(12));
         break;
      case 3:   // duplicate a range
         if (pos < doc.size()) doc.insert(pos, doc.substr(pos, rng.below(40)));
         break;
      case 4:   // truncate
         doc.resize(pos);
         break;
      default:  // insert a random byte
         doc.insert(pos, 1, (char)rng.below(256));
         break;
      }
   }
   return doc;
}

struct Decoded {
   int number = 0;
   std::vector<OSOCTET> data;
   bool hasParams = false;
   std::string params;
   bool operator==(const Decoded& o) const
   {
      return number == o.number && data == o.data && hasParams == o.hasParams && params == o.params;
   }
};

// 0 and the value on success; otherwise the status of the exception.
int decode(const std::string& doc, Decoded& d)
{
   ASN1XERDecodeBuffer in(reinterpret_cast<const OSOCTET*>(doc.data()), (OSUINT32)doc.size());
   SampleValue v;
   SampleHandler dec(in, v);
   try {
      int stat = dec.decode(in);
      if (stat != 0) return stat;
   }
   catch (const OSRTSAXException& e) {
      return e.getStatus() != 0 ? e.getStatus() : -1;
   }
   catch (const ASN1RTLException& e) {
      return e.getStatus();
   }
   d.number = v.number;
   if (v.data.numocts > 0) d.data.assign(v.data.data, v.data.data + v.data.numocts);
   d.hasParams = v.hasParams;
   if (v.hasParams && v.params.numocts > 0)
      d.params.assign(reinterpret_cast<const char*>(v.params.data), v.params.numocts);
   return 0;
}

std::string encode(const Decoded& d)
{
   SampleValue v;
   v.number = d.number;
   v.data.numocts = (OSUINT32)d.data.size();
   v.data.data = d.data.data();
   v.hasParams = d.hasParams;
   v.params.numocts = (OSUINT32)d.params.size();
   v.params.data = reinterpret_cast<const OSOCTET*>(d.params.data());
   ASN1XEREncodeBuffer out;
   SampleHandler enc(out, v);
   EXPECT_EQ(0, enc.Encode());
   return std::string(reinterpret_cast<const char*>(out.getMsgPtr()), out.getMsgLen());
}

// Captures a whole document with an open-type handler as the root handler.
void captureWhole(const std::string& doc)
{
   ASN1XERDecodeBuffer in(reinterpret_cast<const OSOCTET*>(doc.data()), (OSUINT32)doc.size());
   ASN1TOpenType ot;
   ASN1CXerOpenType h(in, ot);
   h.init(0);
   OSXMLReader* reader = saxCreateXmlReader(in.getContext(), &h, &h);
   try {
      in.decodeXML(reader);
   }
   catch (const OSRTSAXException&) {
   }
   reader->release();
}

// Runs every value decoder on text of exactly n octets, without a
// terminator, in storage of exactly that size.
void decodeValues(const char* text, size_t n)
{
   ASN1XERDecodeBuffer buf(nullptr, 0);
   ASN1CTXT* p = buf.getCtxtPtr();
   std::unique_ptr<OSOCTET[]> exact(new OSOCTET[n > 0 ? n : 1]);
   if (n > 0) memcpy(exact.get(), text, n);
   auto reset = [&] {
      rtErrReset(&p->errInfo);
      rtInitContextBuffer(p, exact.get(), (OSUINT32)n);
   };
   int i;
   unsigned u;
   OSUINT16 u16;
   OSBOOL b;
   const char* s;
   ASN1OBJID oid;
   ASN1BMPString bmp;
   ASN1UniversalString ucs;
   reset(); xerDecInt(p, &i);
   reset(); xerDecUInt(p, &u);
   reset(); xerDecUInt16(p, &u16);
   reset(); xerDecBool(p, &b);
   reset(); xerDecObjId(p, &oid);
   for (int radix : { 2, 8, 10, 16 }) {
      reset(); xerDecBigInt(p, &s, radix);
   }
   reset(); xerDecDynAscCharStr(p, &s);
   reset(); xerDecDynUTF8Str(p, &s);
   reset(); xerDecBMPStr(p, &bmp);
   reset(); xerDecUnivStr(p, &ucs);

   // The collectors, fed in two pieces, then copied out.
   for (int kind = 0; kind < 2; kind++) {
      ASN1MemBuf mb;
      rtMemBufInit(p, &mb, 16);
      size_t cut = n / 2;
      int stat = kind == 0 ? xerDecOctStrMemBuf(&mb, text, (int)cut, TRUE)
                           : xerDecBitStrMemBuf(&mb, text, (int)cut, TRUE);
      if (stat == 0) {
         stat = kind == 0 ? xerDecOctStrMemBuf(&mb, text + cut, (int)(n - cut), TRUE)
                          : xerDecBitStrMemBuf(&mb, text + cut, (int)(n - cut), TRUE);
      }
      if (stat == 0) {
         ASN1XERSAXDecodeHandler::finalizeMemBuf(&buf, mb);
         OSOCTET small[4];
         OSUINT32 count;
         ASN1DynOctStr dos;
         ASN1DynBitStr dbs;
         if (kind == 0) {
            xerDecCopyOctStr(p, small, &count, sizeof small, (int)mb.bitOffset);
            xerDecCopyDynOctStr(p, &dos, (int)mb.bitOffset);
         }
         else {
            xerDecCopyBitStr(p, small, &count, sizeof small, (int)mb.bitOffset);
            xerDecCopyDynBitStr(p, &dbs, (int)mb.bitOffset);
         }
      }
      rtMemBufFree(&mb);
   }
}

TEST(XerFuzz, MutatedDocumentsAndTexts)
{
   Rng rng(0x5EED0006ULL);
   int decodedOk = 0;
   for (int iter = 0; iter < 40000; iter++) {
      std::string doc = mutate(rng, kSeeds[rng.below(sizeof kSeeds / sizeof kSeeds[0])]);
      if (iter % 7 == 0) doc = mutate(rng, doc);

      Decoded d;
      if (decode(doc, d) == 0) {
         // A value that decodes must survive a round trip unchanged.
         decodedOk++;
         std::string again = encode(d);
         Decoded d2;
         ASSERT_EQ(0, decode(again, d2)) << "re-encoding of: " << doc << "\nis: " << again;
         EXPECT_TRUE(d == d2) << doc;
      }
      if (iter % 3 == 0) captureWhole(doc);

      size_t start = rng.below(doc.size() + 1);
      size_t len = rng.below(doc.size() - start + 1);
      decodeValues(doc.data() + start, len < 64 ? len : 64);
   }
   // The mutations keep a fair share of documents valid, so the round trip
   // is exercised.
   EXPECT_GT(decodedOk, 500) << decodedOk;
}

}  // namespace
