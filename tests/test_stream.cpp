// Streams, forward-written output, diagnostics and the hex dump.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "CountingHooks.h"
#include "asn1type.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c); }
};

// A stream sink that records what the hooks receive.
struct Sink {
   std::string written;
   int writes = 0;
   int flushes = 0;
   int closes = 0;
   int writeResult = 0;
   std::string readSource;
};

Sink* sinkOf(ASN1Stream* s) { return static_cast<Sink*>(s->extra); }

int sinkWrite(ASN1Stream* s, const OSOCTET* data, OSUINT32 n)
{
   Sink* k = sinkOf(s);
   k->writes++;
   if (k->writeResult < 0) return k->writeResult;
   k->written.append(reinterpret_cast<const char*>(data), n);
   return (int)n;
}
int sinkFlush(ASN1Stream* s) { sinkOf(s)->flushes++; return 0; }
int sinkClose(ASN1Stream* s) { sinkOf(s)->closes++; return 0; }
int sinkRead(ASN1Stream* s, OSOCTET* buf, OSUINT32 size)
{
   Sink* k = sinkOf(s);
   OSUINT32 n = (OSUINT32)k->readSource.size() < size ? (OSUINT32)k->readSource.size() : size;
   memcpy(buf, k->readSource.data(), n);
   k->readSource.erase(0, n);
   return (int)n;
}

void attach(ASN1CTXT* pctxt, Sink* sink, OSUINT16 flags)
{
   ASN1Stream* s = pctxt->stream;
   s->read = sinkRead;
   s->write = sinkWrite;
   s->flush = sinkFlush;
   s->close = sinkClose;
   s->extra = sink;
   s->streamFlags = (OSUINT16)(s->streamFlags | flags);
}

TEST(Stream, WithoutStreamOrHooks)
{
   Ctxt ctxt;
   OSOCTET b[4];
   EXPECT_EQ(rtStreamRead(&ctxt.c, b, 4), ASN1ERR_NOT_INITIALIZED);
   EXPECT_EQ(rtStreamWrite(&ctxt.c, b, 4), ASN1ERR_NOT_INITIALIZED);
   EXPECT_EQ(rtStreamFlush(&ctxt.c), ASN1ERR_NOT_INITIALIZED);
   EXPECT_EQ(rtStreamClose(&ctxt.c), ASN1ERR_NOT_INITIALIZED);
   EXPECT_EQ(rtStreamGetIOBytes(&ctxt.c), ASN1ERR_NOT_INITIALIZED);
   EXPECT_EQ(rtStreamBufFlush(&ctxt.c), ASN1ERR_NOT_INITIALIZED);

   ASSERT_EQ(rtStreamInit(&ctxt.c), 0);
   EXPECT_EQ(rtStreamGetIOBytes(&ctxt.c), 0);
   EXPECT_EQ(rtStreamRead(&ctxt.c, b, 4), ASN1ERR_NOT_INITIALIZED);    // no hook
   EXPECT_EQ(rtStreamWrite(&ctxt.c, b, 4), ASN1ERR_NOT_INITIALIZED);
   EXPECT_EQ(rtStreamFlush(&ctxt.c), ASN1ERR_INVALID_PARAM);           // not writable
   EXPECT_EQ(rtStreamBufFlush(&ctxt.c), ASN1ERR_INVALID_PARAM);
   EXPECT_EQ(rtStreamClose(&ctxt.c), ASN1ERR_NOT_INITIALIZED);         // no close hook
   Sink sink;
   attach(&ctxt.c, &sink, 0);
   EXPECT_EQ(rtStreamWrite(&ctxt.c, b, 4), ASN1ERR_NOT_INITIALIZED);   // hook, not writable
   EXPECT_EQ(rtStreamClose(&ctxt.c), ASN1ERR_NOT_INITIALIZED);         // neither direction
   EXPECT_EQ(sink.writes, 0);
}

TEST(Stream, ReadWriteCountBytes)
{
   Ctxt ctxt;
   ASSERT_EQ(rtStreamInit(&ctxt.c), 0);
   Sink sink;
   sink.readSource = "hello";
   attach(&ctxt.c, &sink, ASN1STRMF_READABLE | ASN1STRMF_WRITABLE);
   OSOCTET buf[8];
   EXPECT_EQ(rtStreamRead(&ctxt.c, buf, 3), 3);
   EXPECT_EQ(rtStreamWrite(&ctxt.c, (const OSOCTET*)"abcd", 4), 4);
   EXPECT_EQ(rtStreamGetIOBytes(&ctxt.c), 7);
   sink.writeResult = -5;
   EXPECT_EQ(rtStreamWrite(&ctxt.c, (const OSOCTET*)"x", 1), -5);
   EXPECT_EQ(rtStreamGetIOBytes(&ctxt.c), 7);
   EXPECT_EQ(rtStreamClose(&ctxt.c), 0);
   EXPECT_EQ(sink.flushes, 1);
   EXPECT_EQ(sink.closes, 1);
   EXPECT_EQ(ctxt.c.stream->streamFlags, 0);
}

TEST(Stream, BufferedWritesGoOutInOrder)
{
   Ctxt ctxt;
   ASSERT_EQ(rtStreamBufInit(&ctxt.c), 0);
   EXPECT_EQ(ctxt.c.stream->bufsize, 1024u);
   EXPECT_EQ(ctxt.c.buffer.size, 1024u);
   EXPECT_TRUE(ctxt.c.stream->streamFlags & ASN1STRMF_BUFFERED);
   Sink sink;
   attach(&ctxt.c, &sink, ASN1STRMF_WRITABLE);

   std::string expect;
   std::string small(600, 'a'), big(3000, 'b'), tail(10, 'c');
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)small.data(), 600), 0);
   EXPECT_EQ(sink.writes, 0);                       // collected
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)small.data(), 600), 0);
   EXPECT_EQ(sink.writes, 1);                       // the first 600 went out
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)big.data(), 3000), 0);
   EXPECT_EQ(sink.writes, 3);                       // buffered 600, then directly
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)tail.data(), 10), 0);
   ASSERT_EQ(rtStreamBufClose(&ctxt.c), 0);
   EXPECT_EQ(sink.written, small + small + big + tail);
   EXPECT_EQ(sink.closes, 1);
   EXPECT_EQ(rtStreamGetIOBytes(&ctxt.c), 4210);
}

TEST(Stream, BufferedWriteFailureIsReturnedAndRecorded)
{
   Ctxt ctxt;
   ASSERT_EQ(rtStreamBufInit(&ctxt.c), 0);
   Sink sink;
   attach(&ctxt.c, &sink, ASN1STRMF_WRITABLE);
   sink.writeResult = ASN1ERR_NOT_SUPPORTED;
   std::string big(2000, 'x');
   EXPECT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)big.data(), 2000), ASN1ERR_NOT_SUPPORTED);
   EXPECT_EQ(ctxt.c.errInfo.status, ASN1ERR_NOT_SUPPORTED);
}

TEST(WriteBytes, DynamicBufferGrowsAndCallerBufferOverflows)
{
   Ctxt ctxt;
   ASSERT_EQ(rtInitContextBuffer(&ctxt.c, nullptr, 16), 0);
   std::string data(20, 'q');
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)"0123456789", 10), 0);
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)data.data(), 20), 0);
   EXPECT_EQ(ctxt.c.buffer.size, 16u + 16384u);   // grew by the larger of n and 16384
   EXPECT_EQ(ctxt.c.buffer.byteIndex, 30u);
   EXPECT_EQ(std::string((char*)ctxt.c.buffer.data, 30), "0123456789" + data);
   std::string huge(40000, 'h');
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)huge.data(), 40000), 0);
   EXPECT_EQ(ctxt.c.buffer.size, 16u + 16384u + 40000u);

   Ctxt fixed;
   OSOCTET mine[8];
   ASSERT_EQ(rtInitContextBuffer(&fixed.c, mine, sizeof mine), 0);
   ASSERT_EQ(rtWriteBytes(&fixed.c, (const OSOCTET*)"abcdefgh", 8), 0);
   EXPECT_EQ(rtWriteBytes(&fixed.c, (const OSOCTET*)"i", 1), ASN1ERR_BUFFER_OVERFLOW);
   EXPECT_EQ(fixed.c.buffer.data, mine);
   EXPECT_EQ(fixed.c.buffer.byteIndex, 8u);
   EXPECT_EQ(rtCheckBuffer(&fixed.c, 0), 0);
}

TEST(WriteBytes, GrowthFailureKeepsWhatWasWritten)
{
   CountingHooks hooks;
   Ctxt ctxt;
   ASSERT_EQ(rtInitContextBuffer(&ctxt.c, nullptr, 4), 0);
   ASSERT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)"abcd", 4), 0);
   hooks.failAfter(0);
   EXPECT_EQ(rtWriteBytes(&ctxt.c, (const OSOCTET*)"e", 1), ASN1ERR_NO_MEMORY);
   hooks.failAfter(-1);
   EXPECT_EQ(std::string((char*)ctxt.c.buffer.data, 4), "abcd");
}

// Runs fn with stdout redirected to a temporary file and returns the output.
template <typename Fn>
std::string captureStdout(Fn fn)
{
   fflush(stdout);
   FILE* tmp = tmpfile();
   EXPECT_NE(tmp, nullptr);
   int saved = dup(fileno(stdout));
   dup2(fileno(tmp), fileno(stdout));
   fn();
   fflush(stdout);
   dup2(saved, fileno(stdout));
   close(saved);
   std::string out;
   rewind(tmp);
   char buf[512];
   size_t n;
   while ((n = fread(buf, 1, sizeof buf, tmp)) > 0) out.append(buf, n);
   fclose(tmp);
   return out;
}

std::string dump(const void* data, OSUINT32 n, int wordSize)
{
   FILE* tmp = tmpfile();
   rtHexDumpToFileEx(tmp, static_cast<const OSOCTET*>(data), n, wordSize);
   rewind(tmp);
   std::string out;
   char buf[512];
   size_t k;
   while ((k = fread(buf, 1, sizeof buf, tmp)) > 0) out.append(buf, k);
   fclose(tmp);
   return out;
}

std::string pad48(const std::string& s) { return s + std::string(48 - s.size(), ' '); }

TEST(HexDump, LineLayout)
{
   EXPECT_EQ(dump("abc", 3, 1), pad48("61 62 63 ") + " abc\n");
   EXPECT_EQ(dump("", 0, 1), "");

   const char* line = "ABCDEFGH\x01\x02 ~ \t\x7f\x80";
   std::string full = "41 42 43 44 45 46 47 48 01 02 20 7e 20 09 7f 80 ";
   EXPECT_EQ(dump(line, 16, 1), full + " ABCDEFGH.. ~ ...\n");
   // A partial line's text is cut after its last non-blank character.
   EXPECT_EQ(dump("ab  ", 4, 1), pad48("61 62 20 20 ") + " ab\n");
   // Second line after a full one.
   EXPECT_EQ(dump("0123456789abcdefXY", 18, 1),
             "30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66  0123456789abcdef\n" +
             pad48("58 59 ") + " XY\n");
}

TEST(HexDump, WordsInMachineOrder)
{
   const OSUINT32 words[4] = { 0x01020304, 0xA0B0C0D0, 0, 0xFFFFFFFF };
   std::string out4 = dump(words, 16, 4);
   EXPECT_EQ(out4.substr(0, 48), pad48("01020304 a0b0c0d0 00000000 ffffffff "));
   const OSUINT16 halves[2] = { 0x1234, 0xABCD };
   EXPECT_EQ(dump(halves, 4, 2).substr(0, 48), pad48("1234 abcd "));
   EXPECT_EQ(dump(words, 4, 8).substr(0, 48), pad48("01020304 "));   // more than 4 counts as 4
}

TEST(Diag, OutputOnlyWhileSwitchedOn)
{
   std::string off = captureStdout([] {
      rtSetDiag(0);
      rtdiag("value %d\n", 7);
      rtDiagHexDump((const OSOCTET*)"abc", 3);
   });
   EXPECT_EQ(off, "");
   std::string on = captureStdout([] {
      rtSetDiag(1);
      rtdiag("value %d\n", 7);
      rtDiagHexDump((const OSOCTET*)"abc", 3);
      rtSetDiag(0);
   });
   EXPECT_EQ(on, "value 7\n" + pad48("61 62 63 ") + " abc\n");
}

TEST(Ctype, Classes)
{
   EXPECT_EQ(rtCtypeTable[(int)' '], 0x88);
   for (int c : { '\t', '\n', '\v', '\f', '\r' }) EXPECT_EQ(rtCtypeTable[c], 0x28) << c;
   EXPECT_EQ(rtCtypeTable[0], 0x20);
   EXPECT_EQ(rtCtypeTable[127], 0x20);
   EXPECT_EQ(rtCtypeTable[(int)'A'], 0x41);
   EXPECT_EQ(rtCtypeTable[(int)'G'], 0x01);
   EXPECT_EQ(rtCtypeTable[(int)'f'], 0x42);
   EXPECT_EQ(rtCtypeTable[(int)'z'], 0x02);
   EXPECT_EQ(rtCtypeTable[(int)'5'], 0x04);
   for (int c : { '!', '/', ':', '@', '[', '`', '{', '~' }) EXPECT_EQ(rtCtypeTable[c], 0x10) << c;
   for (int c = 128; c < 256; c++) EXPECT_EQ(rtCtypeTable[c], 0) << c;
}

}  // namespace
