// Hot paths of the BER/DER primitives: tag+length reads, INTEGER, OBJECT
// IDENTIFIER and OCTET STRING decoding, INTEGER and OBJECT IDENTIFIER
// encoding. Each iteration works on a small message of the kind found in
// certificates, so the figures are per primitive call (see items/s).
#include <benchmark/benchmark.h>

#include <string.h>

#include "asn1ber.h"
#include "rtMemHeap.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { rtInitContext(&c, nullptr); }
   ~Ctxt() { rtFreeContext(&c); }
};

// SEQUENCE { INTEGER 65537, OID 1.2.840.113549.1.1.11, OCTET STRING (20) }
const OSOCTET kMsg[] = {
   0x30, 0x24,
   0x02, 0x03, 0x01, 0x00, 0x01,
   0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B,
   0x04, 0x14, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
};

void BM_TagLenRead(benchmark::State& state)
{
   Ctxt ctx;
   xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = 0;
      ASN1TAG tag;
      int len;
      xd_tag_len(&ctx.c, &tag, &len, XM_ADVANCE);        // SEQUENCE
      xd_tag_len(&ctx.c, &tag, &len, XM_ADVANCE);        // INTEGER
      benchmark::DoNotOptimize(tag);
      benchmark::DoNotOptimize(len);
   }
   state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_TagLenRead);

void BM_Match1(benchmark::State& state)
{
   Ctxt ctx;
   xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = 0;
      int len;
      xd_match1(&ctx.c, 0x10, &len);
      benchmark::DoNotOptimize(len);
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Match1);

void BM_DecodeInteger(benchmark::State& state)
{
   Ctxt ctx;
   xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = 2;
      int v;
      xd_integer(&ctx.c, &v, ASN1TAG_EXPLICIT, 0);
      benchmark::DoNotOptimize(v);
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeInteger);

void BM_DecodeObjId(benchmark::State& state)
{
   Ctxt ctx;
   xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
   ASN1OBJID oid;
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = 7;
      xd_objid(&ctx.c, &oid, ASN1TAG_EXPLICIT, 0);
      benchmark::DoNotOptimize(oid.numids);
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeObjId);

// Copying decode allocates from the heap each time; the heap is released
// every 1024 iterations so it does not grow without bound.
void BM_DecodeOctStr(benchmark::State& state)
{
   Ctxt ctx;
   xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
   int n = 0;
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = 18;
      const OSOCTET* data;
      OSUINT32 numocts;
      xd_octstr(&ctx.c, &data, &numocts, ASN1TAG_EXPLICIT, 0);
      benchmark::DoNotOptimize(data);
      if (++n == 1024) {
         state.PauseTiming();
         rtFreeContext(&ctx.c);
         rtInitContext(&ctx.c, nullptr);
         xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
         n = 0;
         state.ResumeTiming();
      }
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeOctStr);

void BM_DecodeOctStrNoCopy(benchmark::State& state)
{
   Ctxt ctx;
   xd_setp(&ctx.c, kMsg, sizeof(kMsg), nullptr, nullptr);
   rtCtxtSetFlag(&ctx.c, ASN1FASTCOPY);
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = 18;
      const OSOCTET* data;
      OSUINT32 numocts;
      xd_octstr(&ctx.c, &data, &numocts, ASN1TAG_EXPLICIT, 0);
      benchmark::DoNotOptimize(data);
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeOctStrNoCopy);

void BM_EncodeInteger(benchmark::State& state)
{
   Ctxt ctx;
   OSOCTET buf[64];
   xe_setp(&ctx.c, buf, sizeof(buf));
   int v = 65537;
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = sizeof(buf) - 1;
      int len = xe_integer(&ctx.c, &v, ASN1TAG_EXPLICIT);
      benchmark::DoNotOptimize(len);
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeInteger);

void BM_EncodeObjId(benchmark::State& state)
{
   Ctxt ctx;
   OSOCTET buf[128];
   xe_setp(&ctx.c, buf, sizeof(buf));
   ASN1OBJID oid;
   const OSUINT32 arcs[] = { 1, 2, 840, 113549, 1, 1, 11 };
   oid.numids = 7;
   memcpy(oid.subid, arcs, sizeof(arcs));
   for (auto _ : state) {
      ctx.c.buffer.byteIndex = sizeof(buf) - 1;
      int len = xe_objid(&ctx.c, &oid, ASN1TAG_EXPLICIT);
      benchmark::DoNotOptimize(len);
   }
   state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeObjId);

} // namespace
