// The emitter on small modules: record layout and codec shapes, checked on
// the generated text (the generated code itself is compiled and run by the
// library's tests).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Driver.h"
#include "emit/Emitter.h"

using namespace asn1gen;

namespace {

class EmitterTest : public ::testing::Test {
protected:
   void SetUp() override
   {
      char tmpl[] = "/tmp/asn1gen_emit_XXXXXX";
      ASSERT_NE(mkdtemp(tmpl), nullptr);
      dir_ = tmpl;
   }
   void TearDown() override
   {
      for (const char* f : {"asn1dataRecords.h", "M.h", "M.cpp", "MCopy.cpp", "MReg.cpp"})
         unlink((dir_ + "/" + f).c_str());
      rmdir(dir_.c_str());
   }
   void generate(const std::string& body, const std::string& config = "",
                 const std::string& tags = "")
   {
      Program prog = loadProgram({{"m.asn", "M DEFINITIONS " + tags + "::= BEGIN\n" + body + "\nEND\n"}},
                                 "gen.conf", config);
      emitProgram(prog, dir_);
      records_ = read("asn1dataRecords.h");
      source_ = read("M.cpp");
      header_ = read("M.h");
      copy_ = read("MCopy.cpp");
      registry_ = read("MReg.cpp");
   }
   std::string read(const std::string& name)
   {
      std::ifstream in(dir_ + "/" + name);
      std::ostringstream s;
      s << in.rdbuf();
      return s.str();
   }
   static bool has(const std::string& text, const std::string& fragment)
   {
      return text.find(fragment) != std::string::npos;
   }
   std::string dir_, records_, source_, header_, copy_, registry_;
};

}

TEST_F(EmitterTest, SequenceRecordFieldsBitsAndDefaults)
{
   generate("S ::= SEQUENCE { a INTEGER OPTIONAL, b BOOLEAN DEFAULT TRUE,\n"
            "  c [0] INTEGER { one(1) } DEFAULT one, d OCTET STRING, ... }");
   EXPECT_TRUE(has(records_,
                   "struct EXTERNRT ASN1T_S {\n"
                   "   ASN1CtxtPtr mpContext;\n"
                   "   struct {\n"
                   "      unsigned aPresent : 1;\n"
                   "      unsigned cPresent : 1;\n"
                   "   } m;\n"
                   "   OSINT32 a;\n"
                   "   OSBOOL b;\n"
                   "   ASN1T_S_c c;\n"
                   "   ASN1TDynOctStr d;\n"
                   "   _Asn1RTDList extElem1;\n"));
   EXPECT_TRUE(has(source_, "   , b(TRUE)\n"));
   // DER leaves out a literal default; a named default follows its bit.
   EXPECT_TRUE(has(source_, "if (!pvalue->b) {"));
   EXPECT_TRUE(has(source_, "if (pvalue->m.cPresent) {"));
   EXPECT_TRUE(has(source_, "if ((ll = xe_OpenTypeExt(pctxt, &pvalue->extElem1)) < 0)"));
}

TEST_F(EmitterTest, TagsUnderEachTagDefault)
{
   const std::string body = "C ::= CHOICE { i [1] INTEGER, s [2] SEQUENCE { x INTEGER }, n [3] C2 }\n"
                            "C2 ::= CHOICE { a INTEGER, b BOOLEAN }";
   generate(body, "", "IMPLICIT TAGS ");
   EXPECT_TRUE(has(source_, "asn1dataTagLen(pctxt, (TM_CTXT|1), xe_integer(pctxt, pvalue->u.i, ASN1TAG_IMPLICIT))"));
   EXPECT_TRUE(has(source_, "asn1dataTagLen(pctxt, (TM_CTXT|TM_CONS|2), asn1E_C_s(pctxt, pvalue->u.s, ASN1TAG_IMPLICIT))"));
   EXPECT_TRUE(has(source_, "asn1dataTagLen(pctxt, (TM_CTXT|TM_CONS|3), asn1E_C2(pctxt, pvalue->u.n, ASN1TAG_EXPLICIT))"));
   generate(body, "", "EXPLICIT TAGS ");
   EXPECT_TRUE(has(source_, "asn1dataTagLen(pctxt, (TM_CTXT|TM_CONS|1), xe_integer(pctxt, pvalue->u.i, ASN1TAG_EXPLICIT))"));
   generate("S ::= SEQUENCE { a INTEGER, b BOOLEAN }", "", "AUTOMATIC TAGS ");
   EXPECT_TRUE(has(source_, "asn1dataTagLen(pctxt, (TM_CTXT|0), xe_integer(pctxt, &pvalue->a, ASN1TAG_IMPLICIT))"));
   EXPECT_TRUE(has(source_, "asn1dataTagLen(pctxt, (TM_CTXT|1), xe_boolean(pctxt, &pvalue->b, ASN1TAG_IMPLICIT))"));
}

TEST_F(EmitterTest, ListsArraysAndConfiguredRepresentations)
{
   generate("L ::= SET SIZE (1..MAX) OF S\nA ::= SEQUENCE OF OBJECT IDENTIFIER\n"
            "S ::= SEQUENCE { big INTEGER, p CHOICE { x INTEGER }, f OCTET STRING (SIZE (16)) }",
            "array M.A\nbigint M.S.big\npointer M.S.p\nfixed M.S.f\n");
   EXPECT_TRUE(has(records_, "struct EXTERNRT ASN1T_L : public ASN1TPDUSeqOfList {"));
   EXPECT_TRUE(has(records_, "   OSUINT32 n;\n   ASN1TObjId* elem;\n"));
   EXPECT_TRUE(has(records_, "   const char* big;\n   ASN1T_S_p* p;\n   ASN1T_S_f f;\n"));
   EXPECT_TRUE(has(records_, "   OSOCTET data[16];\n"));
   EXPECT_TRUE(has(source_, "xe_derCanonicalSort(pctxt, &sorted)"));
   EXPECT_TRUE(has(source_, "if (asn1dataOutside(pctxt, \"pvalue->count\", pvalue->count, 1, INT64_MAX))"));
   EXPECT_TRUE(has(source_, "xd_bigint(pctxt, &pvalue->big, ASN1TAG_EXPLICIT, 0)"));
}

TEST_F(EmitterTest, CopyFreeXerAndSaxShapes)
{
   generate("B ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE, n INTEGER OPTIONAL }\n"
            "C ::= CHOICE { s IA5String, o OCTET STRING }\n"
            "L ::= SEQUENCE OF C\n"
            "S ::= SEQUENCE { xs SEQUENCE OF INTEGER, e ENUMERATED { a(0), c(2) } }\n");
   // Copies in their own source; a free function only where heap memory is reached.
   EXPECT_TRUE(has(copy_, "int asn1Copy_B(ASN1CTXT* pctxt, ASN1T_B* pSrcValue, ASN1T_B* pDstValue)"));
   EXPECT_TRUE(has(copy_, "ASN1T_L* ASN1C_L::getCopy(ASN1T_L* pDstData)"));
   EXPECT_FALSE(has(header_, "asn1Free_B("));
   EXPECT_TRUE(has(header_, "void asn1Free_C(ASN1CTXT* pctxt, ASN1T_C* pvalue);"));
   EXPECT_TRUE(has(source_, "asn1dataFreePtr(pctxt, pvalue->u.s);"));
   // XER names: CHOICE elements of a list have none; an inline SEQUENCE OF
   // is "SEQUENCE_OF"; cA only when TRUE; ENUMERATED by value.
   EXPECT_TRUE(has(source_, "if ((stat = asn1XE_C(pctxt, &(*pelem), \"\", 0)) != 0)"));
   EXPECT_TRUE(has(source_, "if (elemName == 0) elemName = \"SEQUENCE_OF\";"));
   EXPECT_TRUE(has(source_, "if (pvalue->cA) {"));
   EXPECT_TRUE(has(header_, "int asn1XE_S_e(ASN1CTXT* pctxt, ASN1T_S_e value, const char* elemName"));
   // SAX: element table rows with the optional flag and the value form.
   EXPECT_TRUE(has(source_, "{ \"cA\", 1, XERV_ELEM },"));
   EXPECT_TRUE(has(source_, "{ \"n\", 1, XERV_TEXT },"));
   EXPECT_TRUE(has(source_, "{ \"o\", 0, XERV_HEX },"));
   EXPECT_TRUE(has(source_, "return choiceElementID(elemInfoArray, 2, qName);"));
   EXPECT_TRUE(has(source_, "check(ASN1C_S_e::parseNamedValue(pctxt, &msgData.e));"));
   EXPECT_TRUE(has(source_, "checkRequired(2);"));
}

// Every top-level type gets one registry row under its ASN.1 name; a NULL
// type registers its void functions with no record; derived types are
// listed apart under their C names, and OBJECT IDENTIFIER values with
// their constants.
TEST_F(EmitterTest, RegistryRowsOfTopLevelTypes)
{
   generate("Top-Seq ::= SEQUENCE { inner SEQUENCE { x INTEGER } }\nNothing ::= NULL\n"
            "Alias ::= Top-Seq\nCount ::= INTEGER\nText ::= IA5String\nv INTEGER ::= 3\n"
            "id-x OBJECT IDENTIFIER ::= { 1 2 3 }");
   EXPECT_TRUE(has(registry_, "{ \"Top-Seq\", \"M\", sizeof(ASN1T_Top_Seq),"));
   EXPECT_TRUE(has(registry_, "asn1RegBerDecodeOf<ASN1T_Top_Seq, asn1D_Top_Seq>"));
   EXPECT_TRUE(has(registry_, "{ \"Nothing\", \"M\", 0,"));
   EXPECT_TRUE(has(registry_, "asn1RegDerEncodeOf<void, asn1E_Nothing_>"));
   EXPECT_TRUE(has(registry_, "ASN1REG_MODULE_ALL(\"M\", kTypes, sizeof(kTypes) / sizeof(kTypes[0]), "
                              "kComponents, sizeof(kComponents) / sizeof(kComponents[0]), "
                              "kValues, sizeof(kValues) / sizeof(kValues[0]))"));
   EXPECT_TRUE(has(registry_, "const Asn1RegEntry kComponents[] = {\n   { \"Top_Seq_inner\", \"M\","));
   EXPECT_TRUE(has(registry_, "const Asn1RegValue kValues[] = {\n   { \"id_x\", &id_x },\n};"));
   EXPECT_FALSE(has(registry_, "\"v\""));
   // XER documents are decoded by every type with a control class, also
   // through a type reference (NULL has none); free functions only where heap
   // memory is reached.
   EXPECT_TRUE(has(registry_, "asn1RegXerDecodeOf<ASN1T_Top_Seq, ASN1C_Top_Seq>"));
   EXPECT_TRUE(has(registry_, "asn1RegXerDecodeOf<ASN1T_Alias, ASN1C_Alias>"));
   EXPECT_TRUE(has(registry_, "asn1RegXerDecodeOf<ASN1T_Count, ASN1C_Count>"));
   EXPECT_TRUE(has(registry_, "asn1RegXerDecodeOf<ASN1T_Text, ASN1C_Text>"));
   EXPECT_FALSE(has(registry_, "asn1RegXerDecodeOf<void"));
   EXPECT_TRUE(has(registry_, "asn1RegXerEncodeOf<ASN1T_Count, asn1XE_Count>"));
   EXPECT_TRUE(has(registry_, "asn1RegCopyOf<ASN1T_Count, asn1Copy_Count>"));
   EXPECT_FALSE(has(registry_, "asn1RegFreeOf<ASN1T_Count"));
   EXPECT_TRUE(has(registry_, "asn1RegFreeOf<ASN1T_Text, asn1Free_Text>"));
}
