// The library against the module catalogue (asn1data/catalogue.txt): every
// module, type and object identifier constant the library registers is
// listed there under the same name, every listed one is registered, and
// every constant holds the listed value. Each type also has the functions
// the generated library promises.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "asn1Registry.h"

namespace {

// C names: hyphens of ASN.1 names become underscores.
std::string cName(std::string s)
{
   for (char& c : s)
      if (c == '-') c = '_';
   return s;
}

std::string dotted(const ASN1OBJID& o)
{
   std::string s;
   for (OSUINT32 i = 0; i < o.numids; ++i) s += (i ? "." : "") + std::to_string(o.subid[i]);
   return s;
}

struct Catalogue {
   std::set<std::string> modules;
   std::set<std::string> types;                // "Module Type"
   std::map<std::string, std::string> values;  // "Module name" -> dotted value
};

Catalogue readCatalogue()
{
   Catalogue c;
   std::ifstream in(QVASN1_CATALOGUE_FILE);
   for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string kind, module, name, value;
      if (!(words >> kind >> module >> name)) continue;
      c.modules.insert(module);
      if (kind == "type") c.types.insert(module + " " + name);
      else if (kind == "oid" && (words >> value)) c.values[module + " " + name] = value;
      else ADD_FAILURE() << "unreadable catalogue line: " << line;
   }
   return c;
}

// What the registry holds for the catalogue's modules (test modules that
// the test program registers are left out).
struct Registered {
   const Catalogue* listed;
   std::set<std::string> modules, types;
   std::map<std::string, std::string> values;
   std::string artefacts;   // types without a function they must have
};

int collectModule(const Asn1RegModule* m, void* arg)
{
   auto& r = *static_cast<Registered*>(arg);
   if (!r.listed->modules.count(m->name)) return 0;
   EXPECT_TRUE(r.modules.insert(m->name).second) << "module registered twice: " << m->name;
   auto check = [&](const Asn1RegEntry& e, bool decoderOnly) {
      const std::string key = std::string(m->name) + " " + cName(e.name);
      EXPECT_TRUE(r.types.insert(key).second) << "type registered twice: " << key;
      EXPECT_STREQ(e.module, m->name) << key;
      if (decoderOnly) {
         if (e.berDecode == nullptr || e.derEncode != nullptr) r.artefacts += "\n  " + key + ": not decoder-only";
         return;
      }
      if (e.berDecode == nullptr || e.derEncode == nullptr || e.xerEncode == nullptr || e.copy == nullptr)
         r.artefacts += "\n  " + key + ": a codec or the copy function is missing";
   };
   for (size_t i = 0; i < m->count; ++i) check(m->entries[i], false);
   for (size_t i = 0; i < m->componentCount; ++i) {
      const Asn1RegEntry& e = m->components[i];
      // Decoders of open types constrained to one type come without an
      // encoder: they only read the octets of the open type.
      check(e, e.derEncode == nullptr);
   }
   for (size_t i = 0; i < m->valueCount; ++i) {
      const std::string key = std::string(m->name) + " " + m->values[i].name;
      EXPECT_TRUE(r.values.emplace(key, dotted(*m->values[i].value)).second) << "value registered twice: " << key;
   }
   return 0;
}

TEST(Catalogue, LibraryHoldsExactlyTheListedTypesAndValues)
{
   const Catalogue listed = readCatalogue();
   ASSERT_EQ(listed.modules.size(), 27u);
   ASSERT_EQ(listed.types.size(), 507u);
   ASSERT_EQ(listed.values.size(), 352u);

   Registered got{&listed, {}, {}, {}, {}};
   asn1RegForEachModule(collectModule, &got);

   EXPECT_EQ(got.modules, listed.modules);
   std::string missing, extra, wrong;
   for (const auto& t : listed.types)
      if (!got.types.count(t)) missing += "\n  type " + t;
   for (const auto& t : got.types)
      if (!listed.types.count(t)) extra += "\n  type " + t;
   for (const auto& [name, value] : listed.values) {
      auto it = got.values.find(name);
      if (it == got.values.end()) missing += "\n  oid " + name;
      else if (it->second != value) wrong += "\n  oid " + name + " is " + it->second + ", listed " + value;
   }
   for (const auto& v : got.values)
      if (!listed.values.count(v.first)) extra += "\n  oid " + v.first + " " + v.second;
   // A misnamed type or constant shows as one missing and one extra name.
   EXPECT_EQ(missing, "") << "listed but not in the library:" << missing;
   EXPECT_EQ(extra, "") << "in the library but not listed:" << extra;
   EXPECT_EQ(wrong, "") << "wrong values:" << wrong;
   EXPECT_EQ(got.artefacts, "") << got.artefacts;
}

}  // namespace
