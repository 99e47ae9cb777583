// Target 3: the run-time primitives on their own. The first octet chooses
// the primitive (low 3 bits) and its options (the rest); the remaining
// octets are the input, held in an exactly sized block so that a read past
// its end is seen by AddressSanitizer. Where a primitive has an inverse the
// result is checked through it (OID text, big integers, UTF-8, times).
#include <string.h>

#include <memory>
#include <vector>

#include "FuzzCommon.h"
#include "asn1ber.h"
#include "rtBigInt.h"
#include "rtMemHeap.h"
#include "rtOID.h"
#include "rtTime.h"
#include "rtUTF8.h"

namespace {

// A small deterministic chooser fed from the input's own octets.
struct Chooser {
   const uint8_t* p;
   size_t n;
   size_t i = 0;
   unsigned pick(unsigned range)
   {
      if (range == 0) return 0;
      unsigned v = n ? p[i++ % n] : 0;
      return v % range;
   }
};

// Walks the elements of a BER buffer with the typed primitive each tag
// suggests (or a structural one), stepping over what fails.
void walkBer(const uint8_t* buf, size_t n, unsigned opts)
{
   ASN1CTXT ctxt;
   if (rtInitContext(&ctxt, nullptr) != 0) return;
   ASN1CTXT* c = &ctxt;
   static const OSUINT16 flagChoices[] = { 0, ASN1FASTCOPY, ASN1NOLENCHECK, ASN1DERSTRICT,
                                           ASN1NOLENCHECK | ASN1FASTCOPY };
   const OSUINT16 flags = flagChoices[opts % 5];
   Chooser ch{ buf, n };
   ASN1TAG tag;
   int len;
   if (xd_setp(c, buf, (int)n, &tag, &len) != 0) {
      rtInitContextBuffer(c, const_cast<OSOCTET*>(buf), (OSUINT32)n);
   }
   else {
      // Walk the content of the outer element.
      c->buffer.byteIndex = 0;
   }
   c->flags |= flags;
   for (int steps = 0; steps < 256 && c->buffer.byteIndex < c->buffer.size; ++steps) {
      const OSUINT32 before = c->buffer.byteIndex;
      int stat = xd_tag_len(c, &tag, &len, 0);
      if (stat != 0) break;
      const ASN1TagType tg = ch.pick(4) == 0 ? ASN1TAG_IMPLICIT : ASN1TAG_EXPLICIT;
      if (tg == ASN1TAG_IMPLICIT) {
         stat = xd_tag_len(c, &tag, &len, XM_ADVANCE);
         if (stat != 0) break;
      }
      union { OSBOOL b; int i; unsigned u; OSUINT16 u16; } v;
      ASN1OBJID oid;
      const char* text = nullptr;
      const OSOCTET* data = nullptr;
      OSUINT32 num = 0;
      OSOCTET fixed[16];
      Asn116BitCharString s16;
      Asn132BitCharString s32;
      switch (tag & ~TM_CONS) {
         case ASN1_ID_BOOL: stat = xd_boolean(c, &v.b, tg, len); break;
         case ASN1_ID_INT:
            switch (ch.pick(4)) {
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
            if (ch.pick(2)) stat = xd_bitstr(c, &data, &num, tg, len);
            else { num = 8 * sizeof fixed; stat = xd_bitstr_s(c, fixed, &num, tg, len); }
            break;
         case ASN1_ID_OCTSTR:
            if (ch.pick(2)) stat = xd_octstr(c, &data, &num, tg, len);
            else { num = sizeof fixed; stat = xd_octstr_s(c, fixed, &num, tg, len); }
            break;
         case ASN1_ID_BMPSTR: stat = xd_16BitCharStr(c, &s16, tg, tag, len); break;
         case ASN1_ID_UNIVSTR: stat = xd_32BitCharStr(c, &s32, tg, tag, len); break;
         case ASN1_ID_UTF8STR: case ASN1_ID_PRTSTR: case ASN1_ID_IA5STR: case ASN1_ID_T61STR:
         case ASN1_ID_UTCTIME: case ASN1_ID_GENTIME:
            stat = xd_charstr(c, &text, tg, tag, len);
            break;
         default:
            if (tag & TM_CONS && ch.pick(2)) {
               // Into the constructed element.
               stat = xd_tag_len(c, &tag, &len, XM_ADVANCE);
               if (stat == 0 && ch.pick(2)) {
                  int count = 0;
                  xd_count(c, len, &count);
               }
               break;
            }
            switch (ch.pick(4)) {
               case 0: stat = xd_OpenType(c, &data, &num); break;
               case 1: stat = xd_match1(c, (OSOCTET)ch.pick(256), &len); break;
               case 2: stat = xd_Tag1AndLen(c, &len); break;
               default: stat = xd_NextElement(c); break;
            }
      }
      fuzz::fuzzCheck(c->buffer.byteIndex <= c->buffer.size, "xd_* position past the end", nullptr);
      if (stat != 0 || c->buffer.byteIndex == before) {
         c->buffer.byteIndex = before;
         if (xd_NextElement(c) != 0) break;
      }
   }
   // The structural helpers over the whole buffer.
   c->buffer.byteIndex = 0;
   c->flags = flags;
   int count = 0;
   xd_count(c, (opts & 8) ? INDEFINITE_LENGTH : (int)n, &count);
   xd_indeflen_ex(buf, (int)n);
   c->buffer.byteIndex = 0;
   Asn1RTDList list;
   rtDListInit(&list);
   ASN1CCB ccb = { buf, (opts & 16) ? INDEFINITE_LENGTH : (int)n };
   xd_OpenTypeExt(c, &ccb, 0xFFFFFFFFu, &list);
   rtFreeContext(c);
}

void times(const char* text, bool utc)
{
   ASN1CTXT ctxt;
   if (rtInitContext(&ctxt, nullptr) != 0) return;
   ASN1DateTime t;
   memset(&t, 0, sizeof t);
   int stat = utc ? rtParseUTCTime(&ctxt, text, &t) : rtParseGeneralizedTime(&ctxt, text, &t);
   if (stat == 0) {
      // A parsed time formats, and the text reads back.
      char* made = nullptr;
      if (rtMakeGeneralizedTime(&ctxt, &t, &made, 0) == 0) {
         ASN1DateTime t2;
         memset(&t2, 0, sizeof t2);
         fuzz::fuzzCheck(rtParseGeneralizedTime(&ctxt, made, &t2) == 0,
                         "a formatted GeneralizedTime does not parse", nullptr);
      }
   }
   rtFreeContext(&ctxt);
}

void bigInt(const char* text, unsigned opts)
{
   static const int radixes[] = { 0, 2, 8, 10, 16 };
   const int radix = radixes[opts % 5];
   ASN1CTXT ctxt;
   if (rtInitContext(&ctxt, nullptr) != 0) return;
   ASN1BigInt a;
   rtBigIntInit(&a);
   if (rtBigIntSetStr(&ctxt, &a, text, radix) == 0) {
      static const int outs[] = { 2, 8, 10, 16 };
      const int out = outs[(opts >> 3) % 4];
      int digits = rtBigIntDigitsNum(&a, out);
      fuzz::fuzzCheck(digits >= 0, "rtBigIntDigitsNum", nullptr);
      std::vector<char> buf((size_t)digits + 3);
      int stat = rtBigIntToString(&ctxt, &a, out, buf.data(), (OSUINT32)buf.size());
      if (stat == ASN1ERR_TOO_BIG) {
         // Only decimal and octal texts have the size limit, and only a
         // value beyond it (read as hexadecimal or binary) is refused.
         size_t bits = (size_t)(a.numocts - 1) * 8;
         for (OSOCTET top = a.mag[0]; top != 0; top >>= 1) bits++;
         fuzz::fuzzCheck((out == 8 || out == 10) && bits > ASN_K_MAXBIGINTBITS,
                         "rtBigIntToString refuses a value within the limit", nullptr);
         rtBigIntFree(&ctxt, &a);
         rtFreeContext(&ctxt);
         return;
      }
      fuzz::fuzzCheck(stat == 0, "rtBigIntToString within rtBigIntDigitsNum", nullptr);
      // The text reads back as the same value.
      ASN1BigInt b;
      rtBigIntInit(&b);
      fuzz::fuzzCheck(rtBigIntSetStr(&ctxt, &b, buf.data(), out) == 0, "big integer text re-read", nullptr);
      int la = rtBigIntGetDataLen(&a), lb = rtBigIntGetDataLen(&b);
      fuzz::fuzzCheck(la == lb, "big integer length through text", nullptr);
      std::vector<OSOCTET> da((size_t)la), db((size_t)lb);
      rtBigIntGetData(&ctxt, &a, da.data(), (OSUINT32)la);
      rtBigIntGetData(&ctxt, &b, db.data(), (OSUINT32)lb);
      fuzz::fuzzCheck(da == db, "big integer value through text", nullptr);
      rtBigIntFree(&ctxt, &b);
   }
   rtBigIntFree(&ctxt, &a);
   rtFreeContext(&ctxt);
}

void oid(const char* text)
{
   ASN1OBJID a;
   memset(&a, 0, sizeof a);
   if (rtStrToOid(text, &a) != 1) return;
   fuzz::fuzzCheck(a.numids <= ASN_K_MAXSUBIDS, "OID arc count", nullptr);
   int n = rtOidToStrLen(&a);
   std::vector<char> buf((size_t)n + 1);
   fuzz::fuzzCheck(rtOidToStr(&a, buf.data(), (int)buf.size()) == 1, "rtOidToStr within rtOidToStrLen", nullptr);
   ASN1OBJID b;
   memset(&b, 0, sizeof b);
   fuzz::fuzzCheck(rtStrToOid(buf.data(), &b) == 1, "OID text re-read", nullptr);
   fuzz::fuzzCheck(a.numids == b.numids && memcmp(a.subid, b.subid, a.numids * sizeof a.subid[0]) == 0,
                   "OID through text", nullptr);
}

void utf8(const OSOCTET* text, size_t n)
{
   ASN1CTXT ctxt;
   if (rtInitContext(&ctxt, nullptr) != 0) return;
   int chars = rtUTF8Len(text);
   fuzz::fuzzCheck(rtUTF8LenBytes(text) == (int)strlen((const char*)text), "rtUTF8LenBytes", nullptr);
   int counted = rtUTF8ToWCS(&ctxt, text, nullptr, 0);
   if (counted >= 0) {
      std::vector<wchar_t> w((size_t)counted + 1);
      int got = rtUTF8ToWCS(&ctxt, text, w.data(), (OSUINT32)w.size());
      fuzz::fuzzCheck(got == counted, "rtUTF8ToWCS count", nullptr);
      std::vector<OSOCTET> back(6 * (size_t)counted + 1);
      int octs = rtWCSToUTF8(&ctxt, w.data(), (OSUINT32)counted, back.data(), (OSUINT32)back.size());
      (void)octs;
      (void)chars;
   }
   // One character at a time over the octets as given (NULs included).
   size_t i = 0;
   while (i < n) {
      int size = (int)(n - i);
      if (rtUTF8DecodeChar(&ctxt, text + i, &size) < 0 || size <= 0) break;
      fuzz::fuzzCheck((size_t)size <= n - i, "rtUTF8DecodeChar size", nullptr);
      i += (size_t)size;
   }
   OSOCTET* copy = rtUTF8Strdup(&ctxt, text);
   if (copy != nullptr) fuzz::fuzzCheck(strcmp((char*)copy, (const char*)text) == 0, "rtUTF8Strdup", nullptr);
   rtFreeContext(&ctxt);
}

}

static int fuzzOne(const uint8_t* data, size_t size)
{
   if (size < 1 || size > 65536) return 0;
   const unsigned op = data[0] & 7, opts = data[0] >> 3;
   ++data;
   --size;
   // Exactly sized copy; the texts get their NUL one octet later.
   std::unique_ptr<uint8_t[]> in(new uint8_t[size + 1]);
   memcpy(in.get(), data, size);
   in[size] = 0;
   const char* text = reinterpret_cast<const char*>(in.get());
   switch (op) {
      case 0: case 1: case 2:
         if (size > 0) {
            std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
            memcpy(exact.get(), data, size);
            walkBer(exact.get(), size, opts + op);
         }
         break;
      case 3: times(text, false); break;
      case 4: times(text, true); break;
      case 5: bigInt(text, opts); break;
      case 6: oid(text); break;
      default: utf8(in.get(), size); break;
   }
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
   fuzz::meterBegin();
   int r = fuzzOne(data, size);
   fuzz::meterEnd(size);
   return r;
}
