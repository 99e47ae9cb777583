// Fuzz-style test of the decoder primitives: random and mutated buffers
// (fixed seed, so every run sees the same inputs) drive every xd_* entry
// point, with the lax-length, no-copy and DER-strict flags mixed in. Each
// input sits in an exactly sized heap block, so a read past its end is
// caught by AddressSanitizer; the memory hooks count blocks so that a leak
// shows as well. Nothing is checked about the values: only that every call
// returns, with a status, and stays inside the buffer.
#include <dirent.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "BerTestUtil.h"
#include "CountingHooks.h"
#include "rtMemHeap.h"

namespace {

const int kIterations = 300000;
long gSteps = 0, gGood = 0;   // walk steps taken / succeeded
const size_t kMaxInput = 512;

// Hand-made seeds covering every primitive and both length forms.
const char* const kSeeds[] = {
   "30 0D 02 01 05 02 02 00 80 01 01 FF 05 00 0A 01 02",
   "06 09 2A 86 48 86 F7 0D 01 01 0B",
   "06 03 88 37 01",
   "24 80 04 02 41 42 04 01 43 00 00",
   "24 07 04 02 41 42 04 01 43",
   "23 80 03 02 00 AA 03 02 04 B0 00 00",
   "03 03 07 FF 80",
   "0C 05 68 65 6C 6C 6F",
   "33 80 04 01 48 04 01 69 00 00",
   "1E 04 00 41 20 AC",
   "1C 04 00 01 F6 00",
   "30 80 31 80 04 01 AA 00 00 30 02 05 00 00 00 02 01 07",
   "A0 80 A1 80 A2 80 02 01 01 00 00 00 00 00 00",
   "30 0B 80 01 01 85 01 78 86 00 81 01 02 05 00",
   "02 09 00 FF FF FF FF FF FF FF FF",
   "9F 81 00 03 01 02 03",
   "30 82 00 05 02 03 01 00 01",
   "31 09 04 01 01 04 01 02 04 01 03",
   "04 84 00 00 00 03 41 42 43",
   "1F 81 80 80 80 00 00",
};

struct Input {
   std::unique_ptr<OSOCTET[]> p;
   size_t n;
};

Input exactCopy(const OSOCTET* data, size_t n)
{
   Input in;
   in.p.reset(new OSOCTET[n == 0 ? 1 : n]);
   in.n = n;
   if (n > 0) memcpy(in.p.get(), data, n);
   return in;
}

// Small corpus files (or windows of larger ones) join the seeds when the
// corpus is present.
void addCorpusSeeds(std::vector<Bytes>* seeds)
{
   const std::string root = QVASN1_CORPUS_DIR;
   DIR* d = opendir(root.c_str());
   if (d == nullptr) return;
   std::vector<std::string> dirs;
   while (dirent* ent = readdir(d)) {
      if (ent->d_name[0] == '.') continue;
      dirs.push_back(root + "/" + ent->d_name);
      dirs.push_back(root + "/" + ent->d_name + "/ber");
   }
   closedir(d);
   for (const std::string& dir : dirs) {
      DIR* dd = opendir(dir.c_str());
      if (dd == nullptr) continue;
      int taken = 0;
      while (dirent* ent = readdir(dd)) {
         std::string name = ent->d_name;
         if (name.size() < 5 || name.compare(name.size() - 4, 4, ".der") != 0) continue;
         std::ifstream in(dir + "/" + name, std::ios::binary);
         Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
         seeds->push_back(b);
         if (++taken == 3) break;
      }
      closedir(dd);
   }
}

class Fuzzer {
public:
   explicit Fuzzer(std::vector<Bytes> seeds) : mSeeds(std::move(seeds)), mRng(0x5EED1234u) {}

   Bytes next()
   {
      Bytes b;
      if (mSeeds.empty() || pick(4) == 0) {
         // Random octets, biased towards the ones that matter in headers.
         static const OSOCTET hot[] = { 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0C, 0x1E,
                                        0x1F, 0x23, 0x24, 0x30, 0x80, 0x81, 0x82, 0x84, 0xFF };
         size_t n = pick(64);
         for (size_t i = 0; i < n; i++)
            b.push_back(pick(2) ? hot[pick(sizeof hot)] : (OSOCTET)pick(256));
         return b;
      }
      const Bytes& seed = mSeeds[pick(mSeeds.size())];
      if (seed.size() > kMaxInput) {
         size_t off = pick(seed.size() - kMaxInput);
         b.assign(seed.begin() + (long)off, seed.begin() + (long)(off + kMaxInput));
         if (pick(2)) b.assign(seed.begin(), seed.begin() + (long)kMaxInput);   // keep the outer header
      }
      else {
         b = seed;
      }
      for (int m = 1 + (int)pick(4); m > 0; m--) mutate(&b);
      if (b.size() > kMaxInput) b.resize(kMaxInput);
      return b;
   }

   size_t pick(size_t n) { return n == 0 ? 0 : (size_t)(mRng() % n); }

private:
   void mutate(Bytes* b)
   {
      static const OSOCTET interesting[] = { 0x00, 0x7F, 0x80, 0x81, 0x84, 0x85, 0xFF, 0x1F, 0x20 };
      size_t n = b->size();
      switch (pick(7)) {
         case 0: if (n) (*b)[pick(n)] ^= (OSOCTET)(1u << pick(8)); break;
         case 1: if (n) (*b)[pick(n)] = (OSOCTET)pick(256); break;
         case 2: if (n) (*b)[pick(n)] = interesting[pick(sizeof interesting)]; break;
         case 3: b->insert(b->begin() + (long)pick(n + 1), (OSOCTET)pick(256)); break;
         case 4: if (n) b->erase(b->begin() + (long)pick(n)); break;
         case 5: if (n) b->resize(pick(n)); break;
         case 6:
            if (n >= 2) {
               size_t from = pick(n), len = 1 + pick(std::min<size_t>(16, n - from));
               Bytes chunk(b->begin() + (long)from, b->begin() + (long)(from + len));
               b->insert(b->begin() + (long)pick(n + 1), chunk.begin(), chunk.end());
            }
            break;
      }
   }

   std::vector<Bytes> mSeeds;
   std::mt19937 mRng;
};

// Walks the message element by element, calling the typed primitive that
// fits each header (explicit or implicit) or a generic step. Each step
// either moves forward or ends the walk, so the loop is bounded.
void walk(ASN1CTXT* c, Fuzzer& f)
{
   for (int steps = 0; steps < 400; steps++) {
      const OSUINT32 before = c->buffer.byteIndex;
      ASN1TAG tag;
      int len;
      if (xd_tag_len(c, &tag, &len, 0) != 0) return;
      const ASN1TagType tg = f.pick(3) ? ASN1TAG_EXPLICIT : ASN1TAG_IMPLICIT;
      if (tg == ASN1TAG_IMPLICIT) xd_tag_len(c, &tag, &len, XM_ADVANCE);
      int stat = 0;
      union {
         OSBOOL b;
         int i;
         unsigned u;
         OSUINT16 u16;
      } v;
      const OSOCTET* data;
      OSUINT32 n;
      const char* text;
      ASN1OBJID oid;
      OSOCTET fixed[64];
      Asn116BitCharString s16;
      Asn132BitCharString s32;
      const ASN1TAG number = tag & ~TM_CONS;
      if ((tag & TM_CONS) && tg == ASN1TAG_EXPLICIT && number != ASN1_ID_OCTSTR &&
          number != ASN1_ID_BITSTR && f.pick(4) != 0) {
         // Enter the constructed element, now and then after counting it.
         if (f.pick(4) == 0) {
            int count;
            xd_tag_len(c, &tag, &len, XM_ADVANCE);
            xd_count(c, len, &count);
            continue;
         }
         stat = xd_match(c, tag, &len, XM_ADVANCE);
      }
      else switch (f.pick(2) ? number : 0xFFu) {
         case ASN1_ID_BOOL: stat = xd_boolean(c, &v.b, tg, len); break;
         case ASN1_ID_INT:
            switch (f.pick(4)) {
               case 0: stat = xd_integer(c, &v.i, tg, len); break;
               case 1: stat = xd_unsigned(c, &v.u, tg, len); break;
               case 2: stat = xd_uint16(c, &v.u16, tg, len); break;
               default: stat = xd_bigint(c, &text, tg, len); break;
            }
            break;
         case ASN1_ID_ENUM: stat = xd_enum(c, &v.i, tg, len); break;
         case ASN1_ID_NULL: stat = xd_null(c, tg); break;
         case ASN1_ID_OBJID: stat = xd_objid(c, &oid, tg, len); break;
         case ASN1_ID_BITSTR:
            if (f.pick(2)) stat = xd_bitstr(c, &data, &n, tg, len);
            else {
               n = (OSUINT32)f.pick(8 * sizeof fixed + 1);
               stat = xd_bitstr_s(c, fixed, &n, tg, len);
            }
            break;
         case ASN1_ID_OCTSTR:
            if (f.pick(2)) stat = xd_octstr(c, &data, &n, tg, len);
            else {
               n = (OSUINT32)f.pick(sizeof fixed + 1);
               stat = xd_octstr_s(c, fixed, &n, tg, len);
            }
            break;
         case ASN1_ID_BMPSTR: stat = xd_16BitCharStr(c, &s16, tg, tag, len); break;
         case ASN1_ID_UNIVSTR: stat = xd_32BitCharStr(c, &s32, tg, tag, len); break;
         case ASN1_ID_UTF8STR: case ASN1_ID_PRTSTR: case ASN1_ID_IA5STR: case ASN1_ID_T61STR:
         case ASN1_ID_UTCTIME: case ASN1_ID_GENTIME:
            stat = xd_charstr(c, &text, tg, tag, len);
            break;
         default:
            if (tg == ASN1TAG_IMPLICIT) c->buffer.byteIndex = before;
            switch (f.pick(4)) {
               case 0: stat = xd_OpenType(c, &data, &n); break;
               case 1: stat = xd_match1(c, (OSOCTET)f.pick(256), &len); break;
               case 2: stat = xd_Tag1AndLen(c, &len); break;
               default: stat = xd_NextElement(c); break;
            }
      }
      gSteps++;
      if (stat == 0) gGood++;
      if (c->buffer.byteIndex > c->buffer.size) {
         ADD_FAILURE() << "position past the end";
         return;
      }
      if (stat != 0 || c->buffer.byteIndex == before) {
         // Resynchronise: step over the element from where it started.
         c->buffer.byteIndex = before;
         if (xd_NextElement(c) != 0) return;
      }
   }
}

void driveAll(const OSOCTET* buf, size_t n, Fuzzer& f)
{
   ASN1CTXT ctxt;
   ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
   ASN1CTXT* c = &ctxt;
   const OSUINT16 flagChoices[] = { 0, ASN1FASTCOPY, ASN1NOLENCHECK, ASN1DERSTRICT,
                                    ASN1NOLENCHECK | ASN1FASTCOPY };
   const OSUINT16 flags = flagChoices[f.pick(sizeof flagChoices / sizeof flagChoices[0])];

   // Through xd_setp, as a message decode starts (a size of 0 would mean
   // "size unknown" to xd_setp, so an empty input skips this part).
   c->flags = flags;
   ASN1TAG tag;
   int len;
   if (n > 0 && xd_setp(c, buf, (int)n, &tag, &len) == 0) walk(c, f);

   // The same octets as a content positioned anywhere, size exactly n.
   rtInitContextBuffer(c, const_cast<OSOCTET*>(buf), (OSUINT32)n);
   c->flags = flags | (f.pick(2) ? ASN1CONSTAG : 0);
   c->buffer.byteIndex = (OSUINT32)f.pick(n + 2);
   walk(c, f);

   c->buffer.byteIndex = 0;
   c->flags = flags;
   switch (f.pick(6)) {
      case 0: {
         int count;
         xd_count(c, f.pick(2) ? INDEFINITE_LENGTH : (int)f.pick(n + 1), &count);
         break;
      }
      case 1: xd_match(c, (ASN1TAG)f.pick(32) | (f.pick(2) ? TM_CTXT : 0), &len,
                       (OSOCTET)(XM_SEEK | (f.pick(2) ? XM_SKIP : 0) | (f.pick(2) ? XM_ADVANCE : 0)));
         break;
      case 2: {
         Asn1RTDList list;
         rtDListInit(&list);
         ASN1CCB ccb = { buf, f.pick(2) ? INDEFINITE_LENGTH : (int)f.pick(n + 1) };
         xd_OpenTypeExt(c, &ccb, f.pick(2) ? 0xFFFFFFFFu : TM_CTXT | (ASN1TAG)f.pick(4), &list);
         break;
      }
      case 3: {
         int datalen, contentlen;
         xd_consStrIndefLenAndSize(c, (OSOCTET)(3 + f.pick(2)), &datalen, &contentlen);
         break;
      }
      case 4: xd_indeflen_ex(buf, (int)n); break;
      default: {
         // The encoder reads hostile open-type octets too.
         ASN1CTXT enc;
         ASSERT_EQ(rtInitContext(&enc, nullptr), 0);
         xe_setp(&enc, nullptr, 0);
         xe_OpenType(&enc, buf, (OSUINT32)n);
         rtFreeContext(&enc);
      }
   }
   rtFreeContext(c);
}

TEST(BerFuzz, DecoderPrimitivesSurviveHostileInput)
{
   std::vector<Bytes> seeds;
   for (const char* s : kSeeds) seeds.push_back(H(s));
   addCorpusSeeds(&seeds);
   Fuzzer f(seeds);
   CountingHooks hooks;
   for (int i = 0; i < kIterations; i++) {
      Bytes b = f.next();
      Input in = exactCopy(b.data(), b.size());
      driveAll(in.p.get(), in.n, f);
      if (HasFailure()) {
         ADD_FAILURE() << "iteration " << i << ": " << Hex(b);
         break;
      }
   }
   EXPECT_EQ(hooks.live(), 0);
   // The inputs must reach the primitives, not just fail at the first octet
   // (without the corpus seeds about four in five inputs get that far).
   EXPECT_GT(gGood, (long)kIterations / 2);
}

} // namespace
