// Several contexts used by several threads at once: certificates, CRLs and
// CMS messages decoded from DER, encoded to DER and to XER, and decoded from
// XER again, by threads that all start together in a fresh process, so that
// the object sets, the heap's cache of chunks and every other process-wide
// state are first touched by racing threads. Run under ThreadSanitizer
// (preset tsan) this shows the library free of data races; in every preset
// it checks that each thread gets the same results.
//
// This program holds only this test: nothing of the library may run before
// the threads start.
#include <gtest/gtest.h>

#include <dirent.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "ASN1Context.h"
#include "asn1Registry.h"
#include "asn1XerCppTypes.h"
#include "asn1ber.h"
#include "asn1xer.h"
#include "rtError.h"
#include "rtMemHeap.h"
#include "saxParser.h"

namespace {

struct Sample {
   const char* type;   // registered type name
   std::string file;
   std::vector<OSOCTET> der;
};

// What one thread made of one sample.
struct Outcome {
   int decode = 1;
   std::vector<OSOCTET> der;   // DER re-encoding
   std::string xer;            // XER document
   int xerDecode = 1;
   std::vector<OSOCTET> derFromXer;
   bool operator==(const Outcome& o) const
   {
      return decode == o.decode && der == o.der && xer == o.xer && xerDecode == o.xerDecode &&
             derFromXer == o.derFromXer;
   }
};

// Up to `count` files of a corpus folder, spread over its sorted listing.
std::vector<Sample> corpusSamples(const char* type, const char* folder, size_t count)
{
   std::vector<std::string> names;
   std::string dir = std::string(QVASN1_CORPUS_DIR) + "/" + folder;
   if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
         if (e->d_name[0] != '.') names.push_back(e->d_name);
      }
      closedir(d);
   }
   std::sort(names.begin(), names.end());
   std::vector<Sample> out;
   for (size_t i = 0; i < count && !names.empty(); i++) {
      const std::string& n = names[i * names.size() / count];
      std::ifstream in(dir + "/" + n, std::ios::binary);
      std::vector<OSOCTET> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (bytes.empty() || bytes.size() > 256 * 1024) continue;
      out.push_back(Sample{ type, n, std::move(bytes) });
   }
   return out;
}

// A record of a registered type in a context of its own.
class Value {
public:
   explicit Value(const Asn1RegEntry& e) : mEntry(e), mCtx(new ASN1Context())
   {
      mCtx->_ref();
      mRecord = rtMemHeapAllocZ(&mCtx->getPtr()->memHeap, (int)(e.recordSize ? e.recordSize : 1));
   }
   ~Value()
   {
      if (mEntry.free != nullptr) mEntry.free(mCtx->getPtr(), mRecord);
      mCtx->_unref();
   }
   Value(const Value&) = delete;
   Value& operator=(const Value&) = delete;

   int decodeBer(const std::vector<OSOCTET>& der)
   {
      ASN1CTXT* p = mCtx->getPtr();
      ASN1TAG tag;
      int len;
      int stat = xd_setp(p, der.data(), (int)der.size(), &tag, &len);
      return stat != 0 ? stat : mEntry.berDecode(p, mRecord);
   }
   int encodeDer(std::vector<OSOCTET>& out)
   {
      ASN1CTXT* p = mCtx->getPtr();
      int stat = xe_setp(p, nullptr, 0);
      if (stat != 0) return stat;
      int len = mEntry.derEncode(p, mRecord);
      if (len < 0) return len;
      out.assign(xe_getp(p), xe_getp(p) + len);
      return 0;
   }
   int encodeXer(std::string& out)
   {
      ASN1XEREncodeBuffer buf(FALSE);
      buf.init();
      ASN1CTXT* p = buf.getCtxtPtr();
      int stat = xerEncStartDocument(p);
      if (stat == 0) stat = mEntry.xerEncode(p, mRecord);
      if (stat == 0) stat = xerEncEndDocument(p);
      if (stat == 0) out.assign(reinterpret_cast<const char*>(p->buffer.data), buf.getMsgLen());
      return stat;
   }
   int decodeXer(const std::string& doc)
   {
      if (mEntry.xerDecode == nullptr) return ASN1ERR_NOT_SUPPORTED;
      try {
         ASN1XERDecodeBuffer buf(reinterpret_cast<const OSOCTET*>(doc.data()), (OSUINT32)doc.size(), FALSE, mCtx);
         int stat = mEntry.xerDecode(&buf, mRecord);
         return stat != 0 ? stat : mCtx->getPtr()->errInfo.status;
      }
      catch (const OSRTSAXException& e) {
         return e.getStatus();
      }
      catch (const ASN1RTLException& e) {
         return e.status;
      }
      catch (const std::bad_alloc&) {
         return ASN1ERR_NO_MEMORY;
      }
   }

private:
   const Asn1RegEntry& mEntry;
   ASN1Context* mCtx;
   void* mRecord = nullptr;
};

Outcome process(const Sample& s)
{
   Outcome o;
   const Asn1RegEntry* e = asn1RegFind(s.type);
   if (e == nullptr) return o;
   Value v(*e);
   o.decode = v.decodeBer(s.der);
   if (o.decode != 0) return o;
   v.encodeDer(o.der);
   if (v.encodeXer(o.xer) != 0) return o;
   Value back(*e);
   o.xerDecode = back.decodeXer(o.xer);
   if (o.xerDecode == 0) back.encodeDer(o.derFromXer);
   return o;
}

// A heap grown to some megabytes, as a large CRL decodes into: its larger
// chunks are mapped from the system and, released, go to the process-wide
// cache that the next large heap (of any thread) takes them from. Returns
// false when a block did not keep its contents.
bool largeHeap(unsigned seed)
{
   ASN1CTXT ctxt;
   if (rtInitContext(&ctxt, nullptr) != 0) return false;
   std::vector<OSOCTET*> blocks;
   for (int i = 0; i < 48000; i++) {
      OSOCTET* p = static_cast<OSOCTET*>(rtMemHeapAlloc(&ctxt.memHeap, 200));
      if (p == nullptr) break;
      memset(p, (int)((seed + i) & 0xFF), 200);
      blocks.push_back(p);
   }
   bool ok = blocks.size() == 48000;
   for (size_t i = 0; ok && i < blocks.size(); i += 97) ok = blocks[i][199] == (OSOCTET)((seed + i) & 0xFF);
   rtFreeContext(&ctxt);
   return ok;
}

TEST(Threads, ContextsOfTheirOwnDecodeAndEncodeAtOnce)
{
   std::vector<Sample> samples;
   for (auto& part : { corpusSamples("Certificate", "Certificate", 12),
                       corpusSamples("CertificateList", "CertificateList", 6),
                       corpusSamples("ContentInfo", "ContentInfo", 12) }) {
      samples.insert(samples.end(), part.begin(), part.end());
   }
   if (samples.empty()) GTEST_SKIP() << "no DER corpus at " << QVASN1_CORPUS_DIR;

   const unsigned kThreads = 4;
   const int kRounds = 2;
   std::vector<std::vector<Outcome>> results(kThreads, std::vector<Outcome>(samples.size()));
   std::atomic<unsigned> ready{ 0 };
   std::atomic<unsigned> largeHeapsOk{ 0 };
   std::vector<std::thread> threads;
   for (unsigned t = 0; t < kThreads; t++) {
      threads.emplace_back([&, t] {
         // All threads start together; each begins at a different sample,
         // so that the first uses of the object sets race.
         ready++;
         while (ready.load() < kThreads) std::this_thread::yield();
         for (int r = 0; r < kRounds; r++) {
            for (size_t k = 0; k < samples.size(); k++) {
               size_t i = (k + t * samples.size() / kThreads) % samples.size();
               Outcome o = process(samples[i]);
               if (r == 0) results[t][i] = std::move(o);
            }
            if (largeHeap(t * 7 + (unsigned)r)) largeHeapsOk++;
         }
      });
   }
   for (std::thread& th : threads) th.join();
   EXPECT_EQ(largeHeapsOk.load(), kThreads * kRounds);

   size_t decoded = 0, throughXer = 0;
   for (size_t i = 0; i < samples.size(); i++) {
      SCOPED_TRACE(samples[i].file);
      for (unsigned t = 1; t < kThreads; t++) EXPECT_TRUE(results[t][i] == results[0][i]) << "thread " << t;
      const Outcome& o = results[0][i];
      if (o.decode == 0) decoded++;
      if (o.xerDecode == 0) {
         throughXer++;
         EXPECT_EQ(o.derFromXer, o.der);
      }
   }
   // Most of the samples are valid messages of their type.
   EXPECT_GT(decoded, samples.size() / 2);
   EXPECT_GT(throughXer, samples.size() / 2);
}

}  // namespace
