// The generator's front end: diagnostics for bad module texts, and the
// resolved tree of good ones.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "Driver.h"
#include "Printer.h"

using namespace asn1gen;

namespace {

// Loads the texts as files "a.asn", "b.asn", ... with the configuration
// text; returns the diagnostic, or "" on success.
std::string diagnose(const std::vector<std::string>& texts, const std::string& config = "")
{
   std::vector<SourceText> sources;
   char name[] = "a.asn";
   for (const auto& t : texts) {
      sources.push_back({name, t});
      ++name[0];
   }
   try {
      loadProgram(sources, "gen.conf", config);
   }
   catch (const AsnError& e) {
      return e.what();
   }
   return "";
}

std::string readModule(const std::string& name)
{
   std::ifstream in(std::string(ASN1GEN_MODULE_DIR) + "/" + name);
   std::ostringstream s;
   s << in.rdbuf();
   return s.str();
}

std::string wrap(const std::string& body, const std::string& tags = "")
{
   return "M DEFINITIONS " + tags + "::= BEGIN\n" + body + "\nEND\n";
}

}

TEST(Asn1genDiagnostics, BadModulesGiveFileLineColumnMessages)
{
   struct Case {
      const char* what;
      std::vector<std::string> texts;
      const char* diag;
   };
   const Case cases[] = {
      {"stray character", {wrap("A ::= INTEGER $")}, "a.asn:2:15: unexpected character '$'"},
      {"unterminated string", {wrap("a PrintableString ::= \"abc")}, "a.asn:2:23: unterminated character string"},
      {"unterminated block comment", {"/* M DEFINITIONS"}, "a.asn:1:1: unterminated comment"},
      {"bad hex literal", {wrap("a OCTET STRING ::= '0G'H")}, "a.asn:2:20: hex string literal holds 'G'"},
      {"no module name", {"definitions ::= BEGIN END"}, "a.asn:1:1: expected a module name, found 'definitions'"},
      {"no END", {"M DEFINITIONS ::= BEGIN A ::= INTEGER"}, "a.asn:1:38: module M has no END"},
      {"missing type", {wrap("A ::= ")}, "a.asn:3:1: expected a type, found 'END'"},
      {"value without type", {wrap("a ::= 5")}, "a.asn:2:1: value reference 'a' needs a type before '::='"},
      {"unclosed component list", {wrap("A ::= SEQUENCE { a INTEGER b BOOLEAN }")},
       "a.asn:2:28: expected ',' or '}' after a component, found 'b'"},
      {"component named twice", {wrap("A ::= SEQUENCE { a INTEGER, a BOOLEAN }")},
       "a.asn:2:29: component 'a' defined twice"},
      {"empty CHOICE", {wrap("A ::= CHOICE { }")}, "a.asn:2:14: CHOICE needs at least one alternative"},
      {"undefined type", {wrap("A ::= SEQUENCE { b B }")}, "a.asn:2:20: undefined reference 'B'"},
      {"undefined value in constraint", {wrap("A ::= INTEGER (0..ub-a)")},
       "a.asn:2:19: undefined reference 'ub-a'"},
      {"type defined twice", {wrap("A ::= INTEGER\nA ::= BOOLEAN")}, "a.asn:3:1: 'A' is already defined at line 2"},
      {"circular reference", {wrap("A ::= B\nB ::= A")}, "a.asn:2:1: type 'A' is defined in terms of itself"},
      {"duplicate named number", {wrap("A ::= INTEGER { a(1), b(1) }")}, "a.asn:2:23: value 1 is used twice"},
      {"ENUMERATED DEFAULT not an item", {wrap("A ::= SEQUENCE { e ENUMERATED { x, y } DEFAULT z }")},
       "a.asn:2:48: 'z' is not an item of the ENUMERATED type of 'e'"},
      {"BOOLEAN DEFAULT", {wrap("A ::= SEQUENCE { b BOOLEAN DEFAULT 1 }")},
       "a.asn:2:36: DEFAULT of BOOLEAN component 'b' must be TRUE or FALSE"},
      {"import from unknown module", {wrap("IMPORTS X FROM N;\nA ::= X")}, "a.asn:2:9: imports from unknown module 'N'"},
      {"import of undefined symbol", {wrap("IMPORTS X FROM N;"), "N DEFINITIONS ::= BEGIN END"},
       "a.asn:2:9: module N defines no 'X'"},
      {"import of unexported symbol",
       {wrap("IMPORTS X FROM N;"), "N DEFINITIONS ::= BEGIN EXPORTS Y; X ::= INTEGER Y ::= BOOLEAN END"},
       "a.asn:2:9: module N does not export 'X'"},
      {"OID with a bad second arc", {wrap("id OBJECT IDENTIFIER ::= { iso(1) 40 }")},
       "a.asn:2:26: the second arc must be below 40 under arc 1"},
      {"OID from an INTEGER", {wrap("n INTEGER ::= 5\nid OBJECT IDENTIFIER ::= { n 1 }")},
       "a.asn:3:28: 'n' is not an OBJECT IDENTIFIER value"},
      {"OID cycle", {wrap("a OBJECT IDENTIFIER ::= { b 1 }\nb OBJECT IDENTIFIER ::= { a 1 }")},
       "a.asn:3:25: OBJECT IDENTIFIER value is defined in terms of itself"},
      {"CHOICE tag clash", {wrap("A ::= CHOICE { a [1] INTEGER, b [1] BOOLEAN }")},
       "a.asn:2:31: alternative 'b' has the same tag [1] as 'a'"},
      {"CHOICE universal clash", {wrap("A ::= CHOICE { a INTEGER, b INTEGER }")},
       "a.asn:2:27: alternative 'b' has the same tag [UNIVERSAL 2] as 'a'"},
      {"SET tag clash", {wrap("A ::= SET { a INTEGER, b INTEGER OPTIONAL }")},
       "a.asn:2:24: component 'b' has the same tag [UNIVERSAL 2] as 'a'"},
      {"ambiguous OPTIONAL", {wrap("A ::= SEQUENCE { a INTEGER OPTIONAL, b INTEGER }")},
       "a.asn:2:38: component 'b' has the same tag [UNIVERSAL 2] as the optional component 'a' before it"},
      {"IMPLICIT on CHOICE", {wrap("C ::= CHOICE { a INTEGER }\nA ::= SEQUENCE { c [0] IMPLICIT C }")},
       "a.asn:3:20: IMPLICIT tag on a CHOICE or open type"},
      {"tag number out of range", {wrap("A ::= [536870912] INTEGER")},
       "a.asn:2:7: tag number 536870912 out of range"},
      {"class used as a type", {wrap("C ::= CLASS { &id OBJECT IDENTIFIER }\nA ::= SEQUENCE { c C }")},
       "a.asn:3:20: class 'C' used as a type"},
      {"object misses a field",
       {wrap("C ::= CLASS { &id OBJECT IDENTIFIER, &T } WITH SYNTAX { TYPE &T ID &id }\n"
             "o C ::= { TYPE INTEGER }")},
       "a.asn:3:16: expected 'ID', found the end of object 'o'"},
      {"object with a stray word",
       {wrap("C ::= CLASS { &id OBJECT IDENTIFIER, &T } WITH SYNTAX { TYPE &T ID &id }\n"
             "o C ::= { TYPE INTEGER ID { 1 2 } EXTRA }")},
       "a.asn:3:35: unexpected 'EXTRA' in object 'o'"},
      {"set of an unknown object",
       {wrap("C ::= CLASS { &id OBJECT IDENTIFIER }\nS C ::= { o1 }")},
       "a.asn:3:11: undefined reference 'o1'"},
      {"table constraint on a non-set",
       {wrap("C ::= CLASS { &id OBJECT IDENTIFIER, &T }\nA ::= SEQUENCE { id C.&id ({X}) }\nX ::= INTEGER")},
       "a.asn:3:28: 'X' is not an object set"},
      {"parameterised type", {wrap("A ::= SEQUENCE { s SIGNED{INTEGER} }")},
       "a.asn:2:20: parameterised type 'SIGNED' is not supported"},
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      EXPECT_EQ(diagnose(c.texts), c.diag);
   }
}

// Deeply nested notation is refused with a diagnostic, not a stack overflow.
TEST(Asn1genDiagnostics, NestingIsBounded)
{
   std::string deepType = "A ::= ", deepConstraint = "B ::= INTEGER ";
   for (int i = 0; i < 100000; ++i) deepType += "SEQUENCE OF ";
   deepType += "INTEGER";
   for (int i = 0; i < 100000; ++i) deepConstraint += "(";
   EXPECT_EQ(diagnose({wrap(deepType)}), "a.asn:2:2407: nesting deeper than 200 levels");
   EXPECT_EQ(diagnose({wrap(deepConstraint)}), "a.asn:2:214: nesting deeper than 200 levels");
}

TEST(Asn1genDiagnostics, BadConfigurationEntries)
{
   const std::string mod = wrap("I ::= INTEGER\nS ::= SEQUENCE { a I, l SEQUENCE OF I }\nB ::= BOOLEAN");
   struct Case { const char* config; const char* diag; };
   const Case cases[] = {
      {"bigint M.I\nuint32 M.B\n", "gen.conf:2:1: uint32 needs an INTEGER, B is BOOLEAN"},
      {"  wide M.I", "gen.conf:1:3: unknown representation 'wide'"},
      {"bigint MI", "gen.conf:1:1: 'MI' is not <Module>.<Type>"},
      {"bigint M.Nope", "gen.conf:1:1: module M has no type Nope"},
      {"pointer M.S.zz", "gen.conf:1:1: type S has no component zz"},
      {"pointer M.S.a", "gen.conf:1:1: pointer needs a component of constructed type, S.a is INTEGER"},
      {"array M.I", "gen.conf:1:1: array needs a SEQUENCE OF or SET OF, I is INTEGER"},
      {"bigint M.I extra", "gen.conf:1:1: unexpected 'extra' after M.I"},
      {"bigint Other.I   # module not generated: ignored", ""},
      {"array M._SeqOfI\nbigint M.S.a", ""},
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.config);
      EXPECT_EQ(diagnose({mod}, c.config), c.diag);
   }
}

// Every prefix of a real module is either a module or a diagnostic: the
// front end never crashes or loops on truncated input.
TEST(Asn1genDiagnostics, TruncatedModulesNeverCrash)
{
   const std::string text = readModule("CertificateExtensions.asn");
   const std::string other = readModule("PKIX1Explicit88.asn");
   ASSERT_FALSE(text.empty());
   int diagnostics = 0;
   for (size_t cut = 0; cut < text.size(); cut += 37) {
      std::string d = diagnose({text.substr(0, cut), other});
      if (!d.empty()) ++diagnostics;
      EXPECT_EQ(d.rfind("a.asn:", 0) == 0 || d.rfind("b.asn:", 0) == 0 || d.empty(), true) << d;
   }
   EXPECT_GT(diagnostics, 0);
}

class Asn1genModules : public ::testing::Test {
protected:
   void SetUp() override
   {
      std::ifstream conf(std::string(ASN1GEN_MODULE_DIR) + "/asn1gen.conf");
      std::ostringstream c;
      c << conf.rdbuf();
      std::vector<SourceText> sources;
      DIR* d = opendir(ASN1GEN_MODULE_DIR);
      ASSERT_NE(d, nullptr);
      while (dirent* e = readdir(d)) {
         std::string n = e->d_name;
         if (n.size() > 4 && n.compare(n.size() - 4, 4, ".asn") == 0) sources.push_back({n, readModule(n)});
      }
      closedir(d);
      std::sort(sources.begin(), sources.end(),
                [](const SourceText& a, const SourceText& b) { return a.file < b.file; });
      prog_ = loadProgram(sources, "asn1gen.conf", c.str());
      std::ostringstream out;
      printProgram(out, prog_);
      printed_ = out.str();
   }
   bool printedLine(const std::string& line) const
   {
      return printed_.find(line + "\n") != std::string::npos;
   }
   Program prog_;
   std::string printed_;
};

// The generated type names and identifier constants of all modules are the
// ones the module catalogue lists.
TEST_F(Asn1genModules, NamesMatchTheCatalogue)
{
   std::ostringstream out;
   printCatalogue(out, prog_);
   std::set<std::string> made, listed;
   std::istringstream a(out.str());
   for (std::string line; std::getline(a, line);) made.insert(line);
   std::istringstream b(readModule("catalogue.txt"));
   for (std::string line; std::getline(b, line);)
      if (!line.empty()) listed.insert(line);
   for (const auto& m : made) EXPECT_TRUE(listed.count(m)) << "not in the catalogue: " << m;
   for (const auto& l : listed) EXPECT_TRUE(made.count(l)) << "not generated: " << l;
}

TEST_F(Asn1genModules, DerivedNamesFollowTheNamingRules)
{
   auto derived = [&](const char* module) {
      std::string all;
      for (const auto& t : prog_.byName.at(module)->derivedTypes) all += " " + t->genName;
      return all;
   };
   EXPECT_EQ(derived("CertificateExtensions"),
             " PolicyInformation_policyQualifiers PolicyMappingsSyntax_element GeneralName_otherName"
             " EDIPartyName_nameAssigner EDIPartyName_partyName NameForms_otherNameForms"
             " AltNameType_builtinNameForm _extKeyUsage_ExtnType");
}

TEST_F(Asn1genModules, TagsFollowTheModuleDefaults)
{
   // IMPLICIT TAGS module: [4] Name stays EXPLICIT because Name is a CHOICE.
   EXPECT_TRUE(printedLine("    x400Address [3] IMPLICIT ORAddress@PKIX1Explicit88"));
   EXPECT_TRUE(printedLine("    directoryName [4] EXPLICIT Name@PKIX1Explicit88"));
   EXPECT_TRUE(printedLine("    rfc822Name [1] IMPLICIT IA5String"));
   // EXPLICIT TAGS module.
   EXPECT_TRUE(printedLine("    version [0] EXPLICIT Version@PKIX1Explicit88 DEFAULT v1(0)"));
   EXPECT_TRUE(printedLine("    issuerUniqueID [1] IMPLICIT UniqueIdentifier@PKIX1Explicit88 OPTIONAL"));
   EXPECT_TRUE(printedLine("  type CountryName ::= [APPLICATION 1] EXPLICIT CHOICE -> CountryName {"));
}

TEST_F(Asn1genModules, ValuesObjectsAndRepresentations)
{
   EXPECT_TRUE(printedLine("  value id-ce-nameConstraint OBJECT IDENTIFIER ::= 2.5.29.30.1"));
   EXPECT_TRUE(printedLine("  value id-pe-authorityInfoAccess OBJECT IDENTIFIER ::= 1.3.6.1.5.5.7.1.1"));
   EXPECT_TRUE(printedLine("  value id-at-domainComponent OBJECT IDENTIFIER ::= 0.9.2342.19200300.100.1.25"));
   EXPECT_TRUE(printedLine("    &id 2.5.29.19"));
   EXPECT_TRUE(printedLine("  type CertificateSerialNumber ::= INTEGER -> CertificateSerialNumber <bigint>"));
   EXPECT_TRUE(printedLine("  type Version ::= INTEGER { v1(0), v2(1), v3(2) } -> Version <uint32>"));
   EXPECT_TRUE(printedLine("    base GeneralName@CertificateExtensions <pointer>"));
   EXPECT_TRUE(printedLine("  type CertPolicySet ::= SEQUENCE OF SIZE(1..MAX) -> CertPolicySet <array> OF "
                           "CertPolicyId@CertificateExtensions"));
   EXPECT_TRUE(printedLine("    pathLenConstraint INTEGER (0..MAX) OPTIONAL"));
}
