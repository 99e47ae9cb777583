#include "Xer.h"

#include "Ber.h"
#include "Records.h"
#include "Tables.h"

namespace asn1gen {

namespace {

std::string q(const std::string& s) { return "\"" + s + "\""; }

std::string xeSignature(const Unit& u)
{
   if (shapeOf(u) == Shape::Null)
      return "int asn1XE_" + u.name + "_(ASN1CTXT* pctxt, void* pvalue, const char* elemName, const char* attributes)";
   if (xerByValue(u))
      return "int asn1XE_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name +
         " value, const char* elemName, const char* attributes)";
   return "int asn1XE_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name +
      "* pvalue, const char* elemName, const char* attributes)";
}

// The XER encoder call of a value of node t held in lv, written as element
// `name` (an expression).
std::string xeCall(Type* t, const std::string& lv, const std::string& name)
{
   ValueInfo v = valueInfo(t);
   if (!v.unit.empty()) {
      if (v.kind == VKind::None) return "asn1XE_" + v.unit + "_(pctxt, 0, " + name + ", 0)";
      if (xerByValueInfo(v)) return "asn1XE_" + v.unit + "(pctxt, " + lv + ", " + name + ", 0)";
      return "asn1XE_" + v.unit + "(pctxt, &" + lv + ", " + name + ", 0)";
   }
   switch (v.kind) {
   case VKind::None: return "xerEncNull(pctxt, " + name + ")";
   case VKind::Bool: return "xerEncBool(pctxt, " + lv + ", " + name + ")";
   case VKind::Int: return "xerEncInt(pctxt, " + lv + ", " + name + ")";
   case VKind::UInt: case VKind::UInt16: return "xerEncUInt(pctxt, " + lv + ", " + name + ")";
   case VKind::BigInt: return "xerEncBigInt(pctxt, " + lv + ", " + name + ")";
   case VKind::Str8: return "xerEnc8BitCharStr(pctxt, " + lv + ", " + name + ")";
   case VKind::Utf8: return "xerEncUTF8Str(pctxt, " + lv + ", " + name + ")";
   case VKind::Str16: return "xerEncBMPStr(pctxt, &" + lv + ", " + name + ")";
   case VKind::Str32: return "xerEncUnivStr(pctxt, &" + lv + ", " + name + ")";
   case VKind::Oid: return "xerEncObjId(pctxt, &" + lv + ", " + name + ")";
   case VKind::Octets: case VKind::FixedOctets:
      return "xerEncOctStr(pctxt, " + lv + ".numocts, " + lv + ".data, " + name + ")";
   case VKind::Bits: case VKind::NamedBits:
      return "xerEncBitStr(pctxt, " + lv + ".numbits, " + lv + ".data, " + name + ", XER_BITSTR_BINARY)";
   case VKind::Open: return "xerEncOpenTypeValue(pctxt, " + lv + ".numocts, " + lv + ".data, " + name + ")";
   default: fail(t->loc, "no XER encoder for this type");
   }
}

void emitStep(Writer& w, const std::string& call)
{
   w.line("if ((stat = " + call + ") != 0) return LOG_ASN1ERR(pctxt, stat);");
}

void emitStart(Writer& w)
{
   emitStep(w, "xerEncStartElement(pctxt, elemName, attributes)");
   w.line("pctxt->level++;");
}

void emitEnd(Writer& w)
{
   w.line("pctxt->level--;");
   emitStep(w, "xerEncEndElement(pctxt, elemName)");
}

// The condition under which a component is written ("" for always).
std::string writeCondition(const Component& c, const std::string& lv)
{
   std::string f = fieldName(c.name);
   if (hasPresenceBit(c)) return "pvalue->m." + f + "Present";
   if (literalDefault(c)) {
      // A value equal to its default is left out (a BOOLEAN DEFAULT FALSE
      // is written only when TRUE).
      if (c.defaultValue->kind == Value::Kind::Bool) return c.defaultValue->boolVal ? "!" + lv : lv;
      return lv + " != " + literalDefaultText(c);
   }
   return "";
}

}  // namespace

void emitComponentChecks(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   if (t.kind == Type::Kind::Choice) {
      Writer checks;
      for (const auto& c : t.components) {
         std::string rt = recordType(c.type.get());
         if (rt.empty()) continue;
         std::string f = fieldName(c.name);
         std::string lv = "pvalue->u." + f;
         Writer one;
         emitChecks(one, c.type.get(), rt != "const char*" ? "(*" + lv + ")" : lv, lv);
         if (one.str().empty()) continue;
         checks.line("case T_" + u.name + "_" + f + ":");
         checks.indent();
         if (rt != "const char*") checks.open("if (" + lv + " != 0) {");
         checks.lines(one.str());
         if (rt != "const char*") checks.close();
         checks.line("break;");
         checks.outdent();
      }
      if (checks.str().empty()) return;
      w.open("switch (pvalue->t) {");
      w.lines(checks.str());
      w.line("default: break;");
      w.close();
      return;
   }
   for (const auto& c : t.components) {
      if (fieldType(c).empty()) continue;
      bool ptr = c.type->repr == Repr::Pointer;
      std::string f = fieldName(c.name);
      std::string lv = ptr ? "(*pvalue->" + f + ")" : "pvalue->" + f;
      std::string cond = writeCondition(c, lv);
      Writer checks;
      if (ptr) checks.line("if (pvalue->" + f + " == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      emitChecks(checks, c.type.get(), lv, "pvalue->" + f);
      if (checks.str().empty()) continue;
      if (!cond.empty()) w.open("if (" + cond + ") {");
      w.lines(checks.str());
      if (!cond.empty()) w.close();
   }
}

std::string valueCheckFunction(const Unit& u)
{
   const Shape s = shapeOf(u);
   if (s != Shape::Sequence && s != Shape::Set && s != Shape::Choice) return "";
   Writer checks;
   emitComponentChecks(u, checks);
   return checks.str().empty() ? "" : "checkValue_" + u.name;
}

void emitValueCheckFunction(const Unit& u, Writer& w)
{
   const std::string fn = valueCheckFunction(u);
   if (fn.empty()) return;
   w.line("// The constraints of the components of " + asnName(u) + ": checked before a value is");
   w.line("// written in XER and after one is read from XML; 0 or the failure's status.");
   w.line("static int " + fn + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue)");
   w.open("");
   emitComponentChecks(u, w);
   w.line("return 0;");
   w.close();
   w.line();
}

namespace {

void emitSequence(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   // Constraints first: nothing is written for a value that breaks one.
   const std::string checks = valueCheckFunction(u);
   if (!checks.empty()) {
      w.line("if ((stat = " + checks + "(pctxt, pvalue)) != 0) return stat;");
   }
   emitXerEncodeHook(u, w);
   emitStart(w);
   for (const auto& c : t.components) {
      if (fieldType(c).empty() && valueInfo(c.type.get()).kind != VKind::None) continue;
      bool ptr = c.type->repr == Repr::Pointer;
      std::string f = fieldName(c.name);
      std::string lv = ptr ? "(*pvalue->" + f + ")" : "pvalue->" + f;
      std::string cond = writeCondition(c, lv);
      if (!cond.empty()) w.open("if (" + cond + ") {");
      emitStep(w, xerContainingCall(u, c, xeCall(c.type.get(), lv, q(c.name))));
      if (!cond.empty()) w.close();
   }
   if (t.extensible) {
      w.line("// Unknown extension elements: their BER octets, after the components.");
      w.open("for (_Asn1RTDListNode* pnode = pvalue->extElem1.head; pnode != 0; pnode = pnode->next) {");
      w.line("const ASN1OpenType* pext = static_cast<const ASN1OpenType*>(pnode->data);");
      w.line("if (pext == 0) continue;");
      emitStep(w, "xerEncOpenTypeValue(pctxt, pext->numocts, pext->data, XER_EXTELEM_NAME)");
      w.close();
   }
   emitEnd(w);
   w.line("return 0;");
}

void emitChoice(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   w.line("if (pvalue->t < 1 || pvalue->t > " + std::to_string(t.components.size()) +
          ") return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHOICE);");
   w.line("// An empty name: the alternative's element stands alone (SEQUENCE OF elements).");
   w.line("const bool wrap = elemName[0] != 0;");
   w.open("if (wrap) {");
   emitStart(w);
   w.close();
   w.open("switch (pvalue->t) {");
   for (const auto& c : t.components) {
      std::string f = fieldName(c.name);
      std::string rt = recordType(c.type.get());
      w.line("case T_" + u.name + "_" + f + ":");
      w.indent();
      std::string lv = "pvalue->u." + f;
      if (!rt.empty() && rt != "const char*") {
         w.line("if (pvalue->u." + f + " == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
         lv = "(*pvalue->u." + f + ")";
      }
      if (!rt.empty()) emitChecks(w, c.type.get(), lv, "pvalue->u." + f);
      emitStep(w, xeCall(c.type.get(), lv, q(c.name)));
      w.line("break;");
      w.outdent();
   }
   w.line("default: return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHOICE);");
   w.close();
   w.open("if (wrap) {");
   emitEnd(w);
   w.close();
   w.line("return 0;");
}

void emitList(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   Type* e = t.element.get();
   std::string er = recordType(e);
   emitChecks(w, &t, "(*pvalue)", "*pvalue", true);
   emitStart(w);
   w.open("for (_Asn1RTDListNode* pnode = pvalue->head; pnode != 0; pnode = pnode->next) {");
   w.line("if (pnode->data == 0) continue;");
   w.line(er + "* pelem = static_cast<" + er + "*>(pnode->data);");
   emitChecks(w, e, "(*pelem)", "*pelem");
   emitStep(w, xeCall(e, "(*pelem)", q(elementNameOf(e))));
   w.close();
   emitEnd(w);
   w.line("return 0;");
}

void emitArray(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   Type* e = t.element.get();
   emitChecks(w, &t, "(*pvalue)", "*pvalue", true);
   w.line("if (pvalue->n > 0 && pvalue->elem == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
   emitStart(w);
   w.open("for (OSUINT32 xx1 = 0; xx1 < pvalue->n; ++xx1) {");
   emitChecks(w, e, "pvalue->elem[xx1]", "pvalue->elem[xx1]");
   emitStep(w, xeCall(e, "pvalue->elem[xx1]", q(elementNameOf(e))));
   w.close();
   emitEnd(w);
   w.line("return 0;");
}

void emitEnumerated(const Unit& u, Writer& w, const std::string& value)
{
   Type& t = *u.type;
   w.line("const char* ident = 0;");
   w.open("switch (" + value + ") {");
   for (auto* list : {&t.named, &t.enumAdditions})
      for (const auto& n : *list)
         w.line("case " + std::to_string(n.num) + "U: ident = " + q(n.name) + "; break;");
   w.line("default: break;");
   w.close();
   w.line("// A value that is no enumerator (also one in a gap of the range) has no XER form.");
   w.line("if (ident == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_ENUM);");
   emitStep(w, "xerEncNamedValue(pctxt, ident, elemName, attributes)");
   w.line("return 0;");
}

}

std::string xerValueCall(Type* t, const std::string& lv, const std::string& name)
{
   return xeCall(t, lv, name);
}

std::string xmlTypeName(const Unit& u)
{
   if (u.topLevel()) return u.assignment->name;
   using K = Type::Kind;
   switch (u.type->kind) {
   case K::Sequence: return "SEQUENCE";
   case K::Set: return "SET";
   case K::Choice: return "CHOICE";
   case K::SequenceOf: return "SEQUENCE_OF";
   case K::SetOf: return "SET_OF";
   case K::Enumerated: return "ENUMERATED";
   case K::Integer: return "INTEGER";
   case K::BitString: return "BIT_STRING";
   case K::OctetString: return "OCTET_STRING";
   default: return u.name;
   }
}

void declareXerEncoder(const Unit& u, Writer& w)
{
   w.line("EXTERNRT " + xeSignature(u) + ";");
}

void emitXerEncoder(const Unit& u, Writer& w)
{
   Shape s = shapeOf(u);
   w.line(xeSignature(u));
   w.open("");
   w.line("if (elemName == 0) elemName = " + q(xmlTypeName(u)) + ";");
   bool byValue = s != Shape::Null && xerByValue(u);
   switch (s) {
   case Shape::Null:
      w.line("return xerEncNull(pctxt, elemName);");
      break;
   case Shape::Typedef: {
      std::string target;
      unitName(u.type.get(), target);
      const Unit* tu = findUnit(target);
      std::string arg = byValue ? "value" : "pvalue";
      if (tu && shapeOf(*tu) == Shape::Null) arg = "0";
      if (tu && shapeOf(*tu) == Shape::Null) target += "_";
      w.line("return asn1XE_" + target + "(pctxt, " + arg + ", elemName, attributes);");
      break;
   }
   case Shape::Sequence: case Shape::Set:
      w.line("int stat = 0;");
      emitSequence(u, w);
      break;
   case Shape::Choice:
      w.line("int stat = 0;");
      emitChoice(u, w);
      break;
   case Shape::List:
      w.line("int stat = 0;");
      emitList(u, w);
      break;
   case Shape::Array:
      w.line("int stat = 0;");
      emitArray(u, w);
      break;
   case Shape::NamedBits: {
      w.line("int stat = 0;");
      w.line("if (pvalue->numbits > " + std::to_string(namedBitsCapacity(u.type.get())) +
             "U) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      Type copy = *u.type;
      copy.genName.clear();
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
      emitStep(w, "xerEncBitStr(pctxt, pvalue->numbits, pvalue->data, elemName, XER_BITSTR_BINARY)");
      w.line("return 0;");
      break;
   }
   case Shape::FixedOctets: {
      w.line("int stat = 0;");
      w.line("if (pvalue->numocts > " + std::to_string(fixedOctetsCapacity(u.type.get())) +
             "U) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      Type copy = *u.type;
      copy.genName.clear();
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
      emitStep(w, "xerEncOctStr(pctxt, pvalue->numocts, pvalue->data, elemName)");
      w.line("return 0;");
      break;
   }
   default: {
      w.line("int stat = 0;");
      std::string lv = byValue ? "value" : "(*pvalue)";
      Type copy = *u.type;
      copy.genName.clear();
      if (u.type->kind == Type::Kind::Enumerated) {
         emitEnumerated(u, w, lv);
         break;
      }
      emitChecks(w, &copy, lv, byValue ? "value" : "*pvalue");
      emitStep(w, xeCall(&copy, lv, "elemName"));
      w.line("return 0;");
   }
   }
   w.close();
}

}
