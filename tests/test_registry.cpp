// The type registry: joining and leaving, lookup by name, pattern listing,
// and the adapters, through the hand-written test types (regtypes/) and
// tables of entries registered by the tests themselves.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string.h>

#include <string>
#include <vector>

#include "Converter.h"
#include "CountingHooks.h"
#include "asn1Registry.h"
#include "asn1TypedValue.h"
#include "asn1XerCppTypes.h"
#include "rtXmlExpatIF.h"
#include "asn1ber.h"

using qvasn1tool::ConvError;
using qvasn1tool::TypedValue;

namespace {

// Entries whose functions are never called: only names matter here.
const Asn1RegEntry kFakeTypes[] = {
   { "Fake-Certificate", "Fake-Module-A", 8, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr },
   { "FakeVersion", "Fake-Module-A", 4, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr },
};
const Asn1RegEntry kFakeTypesB[] = {
   { "FakeVersion", "FakeModuleB", 4, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr },
   { "FakeExtension", "FakeModuleB", 16, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr },
};

// Registers the two fake modules for one test.
class RegistryFixture : public ::testing::Test {
protected:
   void SetUp() override
   {
      mBase = asn1RegCount();
      ASSERT_EQ(asn1RegAddModule(&mA), 0);
      ASSERT_EQ(asn1RegAddModule(&mB), 0);
   }
   void TearDown() override
   {
      asn1RegRemoveModule(&mA);
      asn1RegRemoveModule(&mB);
   }

   Asn1RegModule mA = ASN1REG_MODULE("Fake-Module-A", kFakeTypes);
   Asn1RegModule mB = ASN1REG_MODULE("FakeModuleB", kFakeTypesB);
   size_t mBase = 0;
};

int collect(const Asn1RegEntry* e, void* arg)
{
   static_cast<std::vector<std::string>*>(arg)->push_back(std::string(e->module) + "." + e->name);
   return 0;
}

TEST_F(RegistryFixture, ModulesJoinAndLeave)
{
   EXPECT_EQ(asn1RegCount(), mBase + 4);
   // A module joins once; null and malformed modules are refused.
   EXPECT_EQ(asn1RegAddModule(&mA), ASN1ERR_INVALID_PARAM);
   EXPECT_EQ(asn1RegAddModule(nullptr), ASN1ERR_INVALID_PARAM);
   Asn1RegModule broken = ASN1REG_MODULE_ALL("Broken", nullptr, 3, nullptr, 0, nullptr, 0);
   EXPECT_EQ(asn1RegAddModule(&broken), ASN1ERR_INVALID_PARAM);
   broken = ASN1REG_MODULE_ALL("Broken", nullptr, 0, nullptr, 2, nullptr, 0);
   EXPECT_EQ(asn1RegAddModule(&broken), ASN1ERR_INVALID_PARAM);
   broken = ASN1REG_MODULE_ALL("Broken", nullptr, 0, nullptr, 0, nullptr, 1);
   EXPECT_EQ(asn1RegAddModule(&broken), ASN1ERR_INVALID_PARAM);
   Asn1RegModule empty = ASN1REG_MODULE_ALL("Empty", nullptr, 0, nullptr, 0, nullptr, 0);
   EXPECT_EQ(asn1RegAddModule(&empty), 0);
   EXPECT_EQ(asn1RegRemoveModule(&empty), 0);
   EXPECT_EQ(asn1RegRemoveModule(&empty), ASN1ERR_INVALID_PARAM);

   // Leaving takes the module's types away and keeps the others.
   ASSERT_EQ(asn1RegRemoveModule(&mA), 0);
   EXPECT_EQ(asn1RegCount(), mBase + 2);
   EXPECT_EQ(asn1RegFind("Fake-Certificate"), nullptr);
   ASSERT_NE(asn1RegFind("FakeVersion"), nullptr);
   EXPECT_STREQ(asn1RegFind("FakeVersion")->module, "FakeModuleB");
   // It may join again, now after B.
   ASSERT_EQ(asn1RegAddModule(&mA), 0);
   EXPECT_STREQ(asn1RegFind("FakeVersion")->module, "FakeModuleB");
}

TEST_F(RegistryFixture, FindByName)
{
   struct Case { const char* name; const Asn1RegEntry* expected; };
   const Case cases[] = {
      { "Fake-Certificate", &kFakeTypes[0] },
      { "Fake_Certificate", &kFakeTypes[0] },           // the C name finds it too
      { "fake-certificate", nullptr },                  // ASN.1 names are case-sensitive
      { "FakeVersion", &kFakeTypes[0] + 1 },            // first registered wins
      { "FakeModuleB.FakeVersion", &kFakeTypesB[0] },   // the module picks the table
      { "Fake_Module_A.FakeVersion", &kFakeTypes[1] },
      { "FakeModuleB.Fake-Certificate", nullptr },
      { "NoSuchModule.FakeVersion", nullptr },
      { "FakeVersio", nullptr },
      { "FakeVersionX", nullptr },
      { "", nullptr },
      { ".", nullptr },
      { "FakeModuleB.", nullptr },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_EQ(asn1RegFind(c.name), c.expected);
   }
   EXPECT_EQ(asn1RegFind(nullptr), nullptr);
}

TEST_F(RegistryFixture, PatternsSelectNames)
{
   struct Case { const char* pattern; std::vector<std::string> expected; };
   const Case cases[] = {
      { "Fake*", { "Fake-Module-A.Fake-Certificate", "Fake-Module-A.FakeVersion",
                   "FakeModuleB.FakeVersion", "FakeModuleB.FakeExtension" } },
      { "fake?ersion", { "Fake-Module-A.FakeVersion", "FakeModuleB.FakeVersion" } },
      { "FAKE_CERT", { "Fake-Module-A.Fake-Certificate" } },      // substring, any case, '_' = '-'
      { "*Ext*sion", { "FakeModuleB.FakeExtension" } },
      { "FakeModuleB.*", { "FakeModuleB.FakeVersion", "FakeModuleB.FakeExtension" } },
      { "*.FakeVersion", { "Fake-Module-A.FakeVersion", "FakeModuleB.FakeVersion" } },
      { "Fake*Version*X", {} },
      { "*****?*", {} },   // many stars: matched without blow-up (checked below via count)
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.pattern);
      std::vector<std::string> got;
      asn1RegForEach(c.pattern, collect, &got);
      // Only the fake modules' names are compared; other registered types
      // (the test types) may match the wider patterns.
      std::vector<std::string> fake;
      for (const std::string& s : got) {
         if (s.compare(0, 4, "Fake") == 0) fake.push_back(s);
      }
      if (strcmp(c.pattern, "*****?*") == 0) {
         EXPECT_EQ(got.size(), asn1RegCount());
         continue;
      }
      EXPECT_EQ(fake, c.expected);
   }
   // A null or empty pattern visits everything; a non-zero result stops.
   EXPECT_EQ(asn1RegForEach(nullptr, nullptr, nullptr), asn1RegCount());
   EXPECT_EQ(asn1RegForEach("", nullptr, nullptr), asn1RegCount());
   EXPECT_EQ(asn1RegForEach("Fake*", [](const Asn1RegEntry*, void*) { return 1; }, nullptr), 1u);
   EXPECT_EQ(asn1RegMatch("x", nullptr), 0);
}

// An entry without functions is refused with a status, not called.
TEST_F(RegistryFixture, MissingFunctionsAreNotSupported)
{
   TypedValue v(*asn1RegFind("FakeExtension"));
   ConvError e;
   std::vector<uint8_t> der = { 0x30, 0x00 }, out;
   std::string xml;
   EXPECT_FALSE(qvasn1tool::decodeWhole(v, der, e));
   EXPECT_EQ(e.status, ASN1ERR_NOT_SUPPORTED);
   EXPECT_FALSE(v.encodeDer(out, e));
   EXPECT_EQ(e.status, ASN1ERR_NOT_SUPPORTED);
   EXPECT_FALSE(v.encodeXer(xml, false, e));
   EXPECT_EQ(e.status, ASN1ERR_NOT_SUPPORTED);
   EXPECT_FALSE(v.decodeXer(der.data(), der.size(), e));
   EXPECT_EQ(e.status, ASN1ERR_NOT_SUPPORTED);
}

// The test types through their registry entries: BER in, XER out, XER in,
// DER out, copies, and nothing left behind.
const OSOCTET kPairDer[] = { 0x30, 0x07, 0x02, 0x02, 0x01, 0x2C, 0x04, 0x01, 0xAB };

TEST(RegistryThunks, PairThroughEveryEntryPoint)
{
   const Asn1RegEntry* pair = asn1RegFind("QvTestTypes.Pair");
   ASSERT_NE(pair, nullptr);
   EXPECT_NE(pair->free, nullptr);
   EXPECT_NE(pair->xerDecode, nullptr);
   CountingHooks hooks;
   {
      std::vector<uint8_t> der(kPairDer, kPairDer + sizeof kPairDer);
      TypedValue v(*pair);
      ConvError e;
      ASSERT_TRUE(qvasn1tool::decodeWhole(v, der, e)) << e.message();
      std::string xml;
      ASSERT_TRUE(v.encodeXer(xml, false, e)) << e.message();
      EXPECT_EQ(xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Pair>\n   <num>300</num>\n"
                     "   <data>AB</data>\n</Pair>\n");

      TypedValue back(*pair);
      ASSERT_TRUE(back.decodeXer(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), e)) << e.message();
      std::vector<uint8_t> out;
      ASSERT_TRUE(back.encodeDer(out, e)) << e.message();
      EXPECT_EQ(out, der);

      // The copy lands in another heap and encodes the same.
      ASN1CTXT ctxt;
      ASSERT_EQ(rtInitContext(&ctxt, nullptr), 0);
      void* copy = rtMemHeapAllocZ(&ctxt.memHeap, (int)pair->recordSize);
      ASSERT_NE(copy, nullptr);
      ASSERT_EQ(pair->copy(&ctxt, v.record(), copy), 0);
      ASSERT_EQ(xe_setp(&ctxt, nullptr, 0), 0);
      int len = pair->derEncode(&ctxt, copy);
      ASSERT_EQ(len, (int)sizeof kPairDer);
      EXPECT_EQ(0, memcmp(xe_getp(&ctxt), kPairDer, sizeof kPairDer));
      pair->free(&ctxt, copy);
      rtFreeContext(&ctxt);
   }
   EXPECT_EQ(hooks.live(), 0);
}

TEST(RegistryThunks, ValueTypeEncodesByValue)
{
   const Asn1RegEntry* num = asn1RegFind("Num");
   ASSERT_NE(num, nullptr);
   EXPECT_EQ(num->xerDecode, nullptr);
   EXPECT_EQ(num->free, nullptr);
   const std::vector<uint8_t> der = { 0x02, 0x01, 0xFB };
   TypedValue v(*num);
   ConvError e;
   ASSERT_TRUE(qvasn1tool::decodeWhole(v, der, e)) << e.message();
   std::string xml;
   ASSERT_TRUE(v.encodeXer(xml, true, e)) << e.message();
   EXPECT_EQ(xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Num>-5</Num>\n");
   // No document decoder: a clear status, not a crash.
   EXPECT_FALSE(v.decodeXer(reinterpret_cast<const uint8_t*>("<Num>1</Num>"), 12, e));
   EXPECT_EQ(e.status, ASN1ERR_NOT_SUPPORTED);
}

// Failures carry the status, and the offset where decoding stopped.
TEST(RegistryThunks, FailuresNameStatusAndOffset)
{
   const Asn1RegEntry* pair = asn1RegFind("Pair");
   ASSERT_NE(pair, nullptr);
   struct Case { const char* what; std::vector<uint8_t> der; int status; long long offset; };
   const Case cases[] = {
      { "wrong outer tag", { 0x31, 0x03, 0x02, 0x01, 0x05 }, ASN1ERR_TAG_NOT_FOUND, 0 },
      { "INTEGER where OCTET STRING", { 0x30, 0x06, 0x02, 0x01, 0x05, 0x02, 0x01, 0x05 }, ASN1ERR_TAG_NOT_FOUND, 5 },
      { "trailing octets", { 0x30, 0x06, 0x02, 0x01, 0x05, 0x04, 0x01, 0xAA, 0x00 }, 0, 8 },
      { "content longer than its element", { 0x30, 0x05, 0x02, 0x01, 0x05, 0x04, 0x01, 0xAA }, 0, -2 },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      TypedValue v(*pair);
      ConvError e;
      ASSERT_FALSE(qvasn1tool::decodeWhole(v, c.der, e));
      if (c.offset != -2) {
         EXPECT_EQ(e.status, c.status) << e.message();
         EXPECT_EQ(e.offset, c.offset) << e.message();
      }
      else {
         EXPECT_LT(e.status, 0) << e.message();
      }
      EXPECT_EQ(e.message().find('\n'), std::string::npos);
   }
}

// The XER adapter of an entry never throws: a document the reader refuses
// and one a handler refuses come back as their status, the reader's message
// beside them; the typed value over the entry says the same.
TEST(RegistryThunks, XerFailuresAreStatusesNotExceptions)
{
   const Asn1RegEntry* pair = asn1RegFind("Pair");
   ASSERT_NE(pair, nullptr);
   struct Case { const char* what; std::string xml; const char* message; };
   const Case cases[] = {
      { "not well-formed", "<Pair><num>1</num><data>AB</data></Pai>", "mismatched tag" },
      { "not a number", "<Pair><num>x</num><data>AB</data></Pair>", nullptr },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      Asn1TypedValue v(*pair);
      ASSERT_TRUE(v.valid());
      OSExpatXMLReader::clearFailure();
      int stat = 0;
      {
         ASN1XERDecodeBuffer buf(reinterpret_cast<const OSOCTET*>(c.xml.data()), (OSUINT32)c.xml.size(), FALSE,
                                 v.context());
         EXPECT_NO_THROW(stat = pair->xerDecode(&buf, v.record()));
      }
      EXPECT_LT(stat, 0);
      if (c.message != nullptr) {
         ASSERT_NE(OSExpatXMLReader::lastFailureMessage(), nullptr);
         EXPECT_NE(std::string(OSExpatXMLReader::lastFailureMessage()).find(c.message), std::string::npos);
      }
      Asn1TypedValue again(*pair);
      EXPECT_EQ(again.decodeXer(reinterpret_cast<const uint8_t*>(c.xml.data()), c.xml.size()), stat);
   }
}

// A module in a shared object joins when the object is loaded and leaves
// when it is unloaded, leaving the registry usable.
TEST(RegistryModules, JoinAndLeaveWithTheirSharedObject)
{
   ASSERT_EQ(asn1RegFind("PluginNum"), nullptr);
   size_t before = asn1RegCount();
   void* handle = dlopen(QVASN1_REGPLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
   ASSERT_NE(handle, nullptr) << dlerror();
   const Asn1RegEntry* num = asn1RegFind("QvPluginTypes.PluginNum");
   ASSERT_NE(num, nullptr);
   EXPECT_EQ(asn1RegCount(), before + 1);
   {
      TypedValue v(*num);
      ConvError e;
      ASSERT_TRUE(qvasn1tool::decodeWhole(v, { 0x02, 0x02, 0x01, 0x00 }, e)) << e.message();
      std::string xml;
      ASSERT_TRUE(v.encodeXer(xml, true, e)) << e.message();
      EXPECT_NE(xml.find("<PluginNum>256</PluginNum>"), std::string::npos) << xml;
   }
   EXPECT_EQ(dlclose(handle), 0);
   EXPECT_EQ(asn1RegFind("PluginNum"), nullptr);
   EXPECT_EQ(asn1RegCount(), before);
   EXPECT_NE(asn1RegFind("Pair"), nullptr);
}

}  // namespace
