// Stream objects: a memory source and sink attached through the stream hooks.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "CountingHooks.h"
#include "OSCStream.h"
#include "rtStream.h"

namespace {

struct Memory {
   std::string out;
   const char* in = nullptr;
   size_t inLen = 0;
   size_t inPos = 0;
   int closes = 0;
   int flushResult = 0;
};

int memWrite(_Asn1RTStream* s, const OSOCTET* data, OSUINT32 n)
{
   static_cast<Memory*>(s->extra)->out.append(reinterpret_cast<const char*>(data), n);
   return 0;
}

int memRead(_Asn1RTStream* s, OSOCTET* buf, OSUINT32 n)
{
   Memory* m = static_cast<Memory*>(s->extra);
   size_t k = m->inLen - m->inPos;
   if (k > n) k = n;
   memcpy(buf, m->in + m->inPos, k);
   m->inPos += k;
   return (int)k;
}

int memFlush(_Asn1RTStream* s)
{
   return static_cast<Memory*>(s->extra)->flushResult;
}

int memClose(_Asn1RTStream* s)
{
   static_cast<Memory*>(s->extra)->closes++;
   return 0;
}

void attach(ASN1CTXT* pctxt, Memory& m, OSUINT16 flags)
{
   _Asn1RTStream* s = pctxt->stream;
   ASSERT_NE(nullptr, s);
   s->read = memRead;
   s->write = memWrite;
   s->flush = memFlush;
   s->close = memClose;
   s->extra = &m;
   s->streamFlags |= flags;
}

} // namespace

TEST(OSCStream, BufferedOutputReachesTheSinkOnFlushAndClose)
{
   Memory m;
   {
      OSCStream out;
      EXPECT_TRUE(out.isBuffered());
      attach(out.getCtxtPtr(), m, ASN1STRMF_WRITABLE);
      const OSOCTET text[] = "hello";
      ASSERT_EQ(0, rtStreamBufWrite(out.getCtxtPtr(), text, 5));
      EXPECT_EQ("", m.out);                  // still in the buffer
      EXPECT_EQ(0, out.flush());
      EXPECT_EQ("hello", m.out);
      ASSERT_EQ(0, rtStreamBufWrite(out.getCtxtPtr(), text, 2));
      EXPECT_EQ(0, out.close());
      EXPECT_EQ("hellohe", m.out);
      EXPECT_EQ(1, m.closes);
   }
   EXPECT_EQ(1, m.closes);                   // the destructor does not close twice
}

TEST(OSCStream, FailuresAreThrown)
{
   Memory m;
   OSCStream plain(FALSE);
   EXPECT_FALSE(plain.isBuffered());
   // No hooks and no flags yet.
   try {
      plain.close();
      FAIL() << "close without a close hook must throw";
   }
   catch (const OSCStreamException& e) {
      EXPECT_EQ(ASN1ERR_NOT_INITIALIZED, e.getStatus());
   }
   EXPECT_THROW(plain.flush(), OSCStreamException);   // not writable: -30
   attach(plain.getCtxtPtr(), m, ASN1STRMF_WRITABLE);
   m.flushResult = -1;
   try {
      plain.flush();
      FAIL() << "a failing flush hook must throw";
   }
   catch (const ASN1RTLException& e) {
      EXPECT_EQ(-1, e.getStatus());
   }
   m.flushResult = 0;
}

TEST(OSCInputStream, ReadsCountsAndThrows)
{
   CountingHooks hooks;
   {
      Memory m;
      m.in = "0123456789";
      m.inLen = 10;
      OSCInputStream in;
      EXPECT_FALSE(in.isBuffered());
      OSOCTET buf[8];
      EXPECT_THROW(in.read(buf, sizeof(buf)), OSCStreamException);   // not readable yet
      attach(in.getCtxtPtr(), m, ASN1STRMF_READABLE);
      EXPECT_EQ(8, in.read(buf, sizeof(buf)));
      EXPECT_EQ(0, memcmp(buf, "01234567", 8));
      EXPECT_EQ(2, in.read(buf, sizeof(buf)));
      EXPECT_EQ(0, in.read(buf, sizeof(buf)));
      EXPECT_EQ(10, in.currentPos());
      EXPECT_EQ(0, in.close());
      EXPECT_EQ(1, m.closes);
   }
   EXPECT_EQ(0, hooks.live());
}
