#include "FuzzCommon.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>

#include "asn1ber.h"
#include "asn1XerCppTypes.h"
#include "asn1xer.h"
#include "rtError.h"
#include "rtMemHeap.h"
#include "saxParser.h"

namespace fuzz {

namespace {

int collect(const Asn1RegEntry* entry, void* arg)
{
   static_cast<std::vector<const Asn1RegEntry*>*>(arg)->push_back(entry);
   return 0;
}

}

const std::vector<const Asn1RegEntry*>& allTypes()
{
   static const std::vector<const Asn1RegEntry*> types = [] {
      std::vector<const Asn1RegEntry*> v;
      asn1RegForEach(nullptr, collect, &v);
      std::sort(v.begin(), v.end(), [](const Asn1RegEntry* a, const Asn1RegEntry* b) {
         int c = strcmp(a->module, b->module);
         return c != 0 ? c < 0 : strcmp(a->name, b->name) < 0;
      });
      return v;
   }();
   return types;
}

const Asn1RegEntry* selectType(const uint8_t*& data, size_t& size)
{
   const auto& types = allTypes();
   if (size < 2 || types.empty()) return nullptr;
   size_t index = ((size_t)data[0] << 8 | data[1]) % types.size();
   data += 2;
   size -= 2;
   return types[index];
}

std::string selectorOf(const Asn1RegEntry* entry)
{
   const auto& types = allTypes();
   size_t i = (size_t)(std::find(types.begin(), types.end(), entry) - types.begin());
   return std::string{ (char)(i >> 8), (char)(i & 0xFF) };
}

namespace {

size_t gTaken = 0;          // octets taken for the current input
size_t gMostTaken = 0, gMostTakenInput = 0;
double gMaxRatio = 0;
size_t gMaxRatioTaken = 0, gMaxRatioInput = 0;

void* meterMalloc(void*, size_t size)
{
   gTaken += size;
   return malloc(size);
}

void* meterRealloc(void*, void* p, size_t size)
{
   gTaken += size;
   return realloc(p, size);
}

void meterFree(void*, void* p)
{
   free(p);
}

bool gCarving = false;   // QVASN1_FUZZ_CARVE: the default hooks, no meter

void meterReport()
{
   if (getenv("QVASN1_FUZZ_MEMSTATS") == nullptr) return;
   if (gCarving) {
      fprintf(stderr, "memstats: none (QVASN1_FUZZ_CARVE: blocks carved from chunks, meter off)\n");
      return;
   }
   fprintf(stderr, "memstats: most taken for one input %zu octets (input %zu octets); "
           "largest ratio %.1f (%zu octets for %zu)\n",
           gMostTaken, gMostTakenInput, gMaxRatio, gMaxRatioTaken, gMaxRatioInput);
}

}

void meterBegin()
{
   static bool installed = false;
   if (!installed) {
      installed = true;
      // With QVASN1_FUZZ_CARVE set the run-time keeps its default hooks, so
      // that heaps carve their blocks from chunks (hooks of one's own turn
      // carving off) and AddressSanitizer watches the poisoned space between
      // carved blocks; nothing is metered then.
      const char* carve = getenv("QVASN1_FUZZ_CARVE");
      gCarving = carve != nullptr && *carve != 0 && strcmp(carve, "0") != 0;
      atexit(meterReport);
      if (!gCarving) {
         g_malloc_func = meterMalloc;
         g_realloc_func = meterRealloc;
         g_free_func = meterFree;
      }
   }
   gTaken = 0;
}

void meterEnd(size_t inputSize)
{
   if (gTaken > gMostTaken) {
      gMostTaken = gTaken;
      gMostTakenInput = inputSize;
   }
   if (inputSize >= 256) {
      double r = (double)gTaken / (double)inputSize;
      if (r > gMaxRatio) {
         gMaxRatio = r;
         gMaxRatioTaken = gTaken;
         gMaxRatioInput = inputSize;
      }
   }
}

void fuzzCheck(bool ok, const char* what, const Asn1RegEntry* entry)
{
   if (ok) return;
   fprintf(stderr, "fuzz check failed: %s (%s.%s)\n", what,
           entry ? entry->module : "?", entry ? entry->name : "?");
   abort();
}

Value::Value(const Asn1RegEntry& entry) : Asn1TypedValue(entry)
{
   fuzzCheck(valid(), "record allocation", &entry);
}

int Value::decodeBer(const uint8_t* data, size_t size, unsigned flags, size_t* consumed)
{
   const int stat = Asn1TypedValue::decodeBer(data, size, flags, consumed);
   fuzzCheck(ctxt()->buffer.byteIndex <= size || size == 0, "decode position past the input", &entry());
   return stat;
}

std::vector<uint8_t> checkDerRoundTrip(Value& v)
{
   const Asn1RegEntry* e = &v.entry();
   std::vector<uint8_t> enc1, enc2;
   fuzzCheck(v.encodeDer(enc1) == 0, "a decoded value does not encode", e);
   fuzzCheck(!enc1.empty(), "empty DER encoding", e);
   Value v2(*e);
   size_t consumed = 0;
   // Read back as BER: open types are copied as they came, so the output is
   // only as much DER as their octets were.
   int stat = v2.decodeBer(enc1.data(), enc1.size(), 0, &consumed);
   if (stat != 0) {
      fprintf(stderr, "status %d at offset %u of the re-encoding:", stat, v2.ctxt()->buffer.byteIndex);
      for (size_t i = 0; i < enc1.size() && i < 4096; ++i) fprintf(stderr, "%s%02X", i % 32 ? " " : "\n", enc1[i]);
      fprintf(stderr, "\n");
   }
   fuzzCheck(stat == 0, "the DER encoding of a decoded value does not decode", e);
   fuzzCheck(consumed == enc1.size(), "the DER encoding decodes only in part", e);
   fuzzCheck(v2.encodeDer(enc2) == 0, "the value decoded from DER does not encode", e);
   fuzzCheck(enc1 == enc2, "decode(encode(decode(x))) encodes differently", e);
   return enc1;
}

void checkXerRoundTrip(Value& v)
{
   const Asn1RegEntry* e = &v.entry();
   if (e->xerEncode == nullptr || e->xerDecode == nullptr) return;
   std::string doc1, doc2;
   int enc = v.encodeXer(doc1);
   // A value may name an attribute or content type outside its object set
   // (kept as octets, read from BER or from form="ber"); the XER encoder
   // refuses to write such a value rather than guess its XML form.
   if (enc == ASN1ERR_OBJECT_NOT_FOUND) return;
   fuzzCheck(enc == 0, "a decoded value does not encode in XER", e);
   Value v2(*e);
   int stat = v2.decodeXer(reinterpret_cast<const uint8_t*>(doc1.data()), doc1.size());
   if (stat != 0) fprintf(stderr, "status %d decoding:\n%s\n", stat, doc1.c_str());
   fuzzCheck(stat == 0, "the XER document of a decoded value does not decode", e);
   fuzzCheck(v2.encodeXer(doc2) == 0, "the value decoded from XER does not encode", e);
   fuzzCheck(doc1 == doc2, "XER decode(encode(v)) encodes differently", e);
}

}
