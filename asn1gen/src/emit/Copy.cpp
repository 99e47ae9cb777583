#include "Copy.h"

#include "Ber.h"
#include "Records.h"
#include "Tables.h"

namespace asn1gen {

namespace {

std::string recName(const Unit& u) { return "ASN1T_" + u.name; }

// The value of node t copied from src to dst (lvalues of its record type).
void copyValue(Writer& w, Type* t, const std::string& src, const std::string& dst)
{
   ValueInfo v = valueInfo(t);
   if (v.kind == VKind::None) return;
   auto call = [&](const std::string& expr) {
      w.line("if ((stat = " + expr + ") != 0) return stat;");
   };
   if (!v.unit.empty()) {
      call("asn1Copy_" + v.unit + "(pctxt, &" + src + ", &" + dst + ")");
      return;
   }
   switch (v.kind) {
   case VKind::BigInt: case VKind::Str8: case VKind::Utf8:
      call("asn1dataCopyCharStr(pctxt, " + src + ", &" + dst + ")");
      break;
   case VKind::Str16: call("asn1dataCopy16BitStr(pctxt, &" + src + ", &" + dst + ")"); break;
   case VKind::Str32: call("asn1dataCopy32BitStr(pctxt, &" + src + ", &" + dst + ")"); break;
   case VKind::Octets: call("asn1dataCopyOctStr(pctxt, &" + src + ", &" + dst + ")"); break;
   case VKind::Bits: call("asn1dataCopyBitStr(pctxt, &" + src + ", &" + dst + ")"); break;
   case VKind::Open: call("asn1dataCopyOpenType(pctxt, &" + src + ", &" + dst + ")"); break;
   default: w.line(dst + " = " + src + ";"); break;
   }
}

// Releases what a value of node t holds in the heap.
void freeValue(Writer& w, Type* t, const std::string& lv)
{
   ValueInfo v = valueInfo(t);
   if (!v.unit.empty()) {
      const Unit* u = findUnit(v.unit);
      if (u && unitNeedsFree(*u)) w.line("asn1Free_" + v.unit + "(pctxt, &" + lv + ");");
      return;
   }
   switch (v.kind) {
   case VKind::BigInt: case VKind::Str8: case VKind::Utf8:
      w.line("asn1dataFreePtr(pctxt, " + lv + ");");
      break;
   case VKind::Str16: case VKind::Str32: case VKind::Octets: case VKind::Bits: case VKind::Open:
      w.line("asn1dataFreePtr(pctxt, " + lv + ".data);");
      break;
   default: break;
   }
}

// A record held by pointer: allocated zero-filled, then copied into.
void copyPointer(Writer& w, Type* t, const std::string& srcPtr, const std::string& dstPtr)
{
   std::string rt = recordType(t);
   w.line("if (" + srcPtr + " == 0) " + dstPtr + " = 0;");
   w.open("else {");
   w.line(dstPtr + " = asn1dataNewRecord<" + rt + ">(pctxt);");
   w.line("if (" + dstPtr + " == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   copyValue(w, t, "(*" + srcPtr + ")", "(*" + dstPtr + ")");
   w.close();
}

void freePointer(Writer& w, Type* t, const std::string& ptr)
{
   w.open("if (" + ptr + " != 0) {");
   freeValue(w, t, "(*" + ptr + ")");
   w.line("asn1dataFreePtr(pctxt, " + ptr + ");");
   w.close();
}

std::string presence(const Component& c, const std::string& rec)
{
   return hasPresenceBit(c) ? rec + "->m." + fieldName(c.name) + "Present" : "";
}

// The statements of `body` (written at level 0) under the presence bit
// `cond` ("" for always): one statement stays one line, a test of its own
// joining the condition; more become a block.
void emitUnder(Writer& w, const std::string& cond, const Writer& body)
{
   const std::string& text = body.str();
   const size_t nl = text.find('\n');
   if (cond.empty() || text.empty()) {
      w.lines(text);
      return;
   }
   if (nl + 1 != text.size() || text[0] == ' ') {
      w.open("if (" + cond + ") {");
      w.lines(text);
      w.close();
      return;
   }
   const std::string line = text.substr(0, nl);
   if (line.compare(0, 4, "if (") == 0) {
      size_t close = 3;
      for (int depth = 0; close < line.size(); ++close) {
         if (line[close] == '(') ++depth;
         else if (line[close] == ')' && --depth == 0) break;
      }
      w.line("if (" + cond + " && " + line.substr(4, close - 4) + line.substr(close));
   }
   else w.line("if (" + cond + ") " + line);
}

void emitSequenceCopy(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   bool anyBit = false;
   for (const auto& c : t.components) anyBit = anyBit || hasPresenceBit(c);
   if (anyBit) w.line("pDstValue->m = pSrcValue->m;");
   for (const auto& c : t.components) {
      if (fieldType(c).empty()) continue;
      std::string f = fieldName(c.name);
      Writer body;
      if (c.type->repr == Repr::Pointer) copyPointer(body, c.type.get(), "pSrcValue->" + f, "pDstValue->" + f);
      else copyValue(body, c.type.get(), "pSrcValue->" + f, "pDstValue->" + f);
      emitUnder(w, presence(c, "pSrcValue"), body);
   }
   if (t.extensible) {
      w.line("if ((stat = asn1dataCopyExtensions(pctxt, &pSrcValue->extElem1, &pDstValue->extElem1)) != 0) return stat;");
   }
}

void emitChoiceCopy(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   w.line("pDstValue->t = pSrcValue->t;");
   w.open("switch (pSrcValue->t) {");
   for (const auto& c : t.components) {
      std::string rt = recordType(c.type.get());
      if (rt.empty()) continue;
      std::string f = fieldName(c.name);
      w.line("case T_" + u.name + "_" + f + ":");
      w.indent();
      if (rt == "const char*") copyValue(w, c.type.get(), "pSrcValue->u." + f, "pDstValue->u." + f);
      else copyPointer(w, c.type.get(), "pSrcValue->u." + f, "pDstValue->u." + f);
      w.line("break;");
      w.outdent();
   }
   w.line("default: break;");
   w.close();
}

void emitListCopy(const Unit& u, Writer& w)
{
   Type* e = u.type->element.get();
   std::string er = recordType(e);
   w.line("asn1dataListInit(pDstValue);");
   w.open("for (const _Asn1RTDListNode* psrc = pSrcValue->head; psrc != 0; psrc = psrc->next) {");
   w.line("if (psrc->data == 0) continue;");
   w.line("_Asn1RTDListNode* pnode = asn1dataNewListNode(pctxt, sizeof(" + er + "));");
   w.line("if (pnode == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   copyValue(w, e, "(*static_cast<" + er + "*>(psrc->data))", "(*static_cast<" + er + "*>(pnode->data))");
   w.line("asn1dataListAppend(pctxt, pDstValue, pnode);");
   w.close();
}

void emitArrayCopy(const Unit& u, Writer& w)
{
   Type* e = u.type->element.get();
   std::string er = recordType(e);
   w.line("pDstValue->n = 0;");
   w.line("pDstValue->elem = 0;");
   w.line("if (pSrcValue->n == 0 || pSrcValue->elem == 0) return 0;");
   w.line("if (static_cast<size_t>(pSrcValue->n) > static_cast<size_t>(0x7FFFFFFF) / sizeof(" + er + "))");
   w.line("   return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   w.line("pDstValue->elem = static_cast<" + er + "*>(ASN1MALLOCZ(pctxt, sizeof(" + er +
          ") * pSrcValue->n));");
   w.line("if (pDstValue->elem == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   w.open("for (OSUINT32 i = 0; i < pSrcValue->n; ++i) {");
   copyValue(w, e, "pSrcValue->elem[i]", "pDstValue->elem[i]");
   w.line("pDstValue->n = i + 1;");
   w.close();
}

std::string copySignature(const Unit& u)
{
   if (shapeOf(u) == Shape::Null)
      return "int asn1Copy_" + u.name + "_(ASN1CTXT* pctxt, void* pSrcValue, void* pDstValue)";
   return "int asn1Copy_" + u.name + "(ASN1CTXT* pctxt, " + recName(u) + "* pSrcValue, " + recName(u) +
      "* pDstValue)";
}

std::string freeSignature(const Unit& u)
{
   return "void asn1Free_" + u.name + "(ASN1CTXT* pctxt, " + recName(u) + "* pvalue)";
}

}

void declareCopyFree(const Unit& u, Writer& w)
{
   w.line("EXTERNRT " + copySignature(u) + ";");
   if (shapeOf(u) != Shape::Null && unitNeedsFree(u)) w.line("EXTERNRT " + freeSignature(u) + ";");
}

void emitCopyFunction(const Unit& u, Writer& w)
{
   Shape s = shapeOf(u);
   w.line(copySignature(u));
   w.open("");
   if (s == Shape::Null) {
      w.line("return 0;");
      w.close();
      return;
   }
   const size_t body = w.str().size();
   w.line("if (pSrcValue == pDstValue) return 0;");
   w.line("int stat = 0;");
   switch (s) {
   case Shape::Sequence: case Shape::Set:
      emitSequenceCopy(u, w);
      emitTableCopyHook(u, w);
      break;
   case Shape::Choice: emitChoiceCopy(u, w); break;
   case Shape::List: emitListCopy(u, w); break;
   case Shape::Array: emitArrayCopy(u, w); break;
   case Shape::Typedef: {
      std::string target;
      unitName(u.type.get(), target);
      w.line("stat = asn1Copy_" + target + "(pctxt, pSrcValue, pDstValue);");
      break;
   }
   case Shape::NamedBits: case Shape::FixedOctets:
      w.line("*pDstValue = *pSrcValue;");
      break;
   default: {
      Type copy = *u.type;
      copy.genName.clear();
      copyValue(w, &copy, "(*pSrcValue)", "(*pDstValue)");
   }
   }
   // The copy functions keep one signature, with the context named, also
   // where the value holds nothing in the heap.
   if (w.str().find("pctxt", body) == std::string::npos) w.line("(void)pctxt;");
   w.line("return stat;");
   w.close();
}

void emitFreeFunction(const Unit& u, Writer& w)
{
   Shape s = shapeOf(u);
   if (s == Shape::Null || !unitNeedsFree(u)) return;
   w.line(freeSignature(u));
   w.open("");
   w.line("if (pvalue == 0) return;");
   Type& t = *u.type;
   switch (s) {
   case Shape::Sequence: case Shape::Set:
      emitTableFreeHook(u, w);
      for (const auto& c : t.components) {
         if (fieldType(c).empty()) continue;
         bool ptr = c.type->repr == Repr::Pointer;
         if (!ptr && !needsFree(c.type.get())) continue;
         std::string f = "pvalue->" + fieldName(c.name);
         Writer body;
         if (ptr) freePointer(body, c.type.get(), f);
         else freeValue(body, c.type.get(), f);
         emitUnder(w, presence(c, "pvalue"), body);
      }
      if (t.extensible) w.line("asn1dataFreeExtensions(pctxt, &pvalue->extElem1);");
      break;
   case Shape::Choice:
      w.open("switch (pvalue->t) {");
      for (const auto& c : t.components) {
         std::string rt = recordType(c.type.get());
         if (rt.empty()) continue;
         std::string f = fieldName(c.name);
         w.line("case T_" + u.name + "_" + f + ":");
         w.indent();
         if (rt == "const char*") freeValue(w, c.type.get(), "pvalue->u." + f);
         else freePointer(w, c.type.get(), "pvalue->u." + f);
         w.line("break;");
         w.outdent();
      }
      w.line("default: break;");
      w.close();
      break;
   case Shape::List: {
      Type* e = t.element.get();
      if (needsFree(e)) {
         std::string er = recordType(e);
         w.open("for (_Asn1RTDListNode* pnode = pvalue->head; pnode != 0; pnode = pnode->next) {");
         w.line("if (pnode->data == 0) continue;");
         freeValue(w, e, "(*static_cast<" + er + "*>(pnode->data))");
         w.close();
      }
      w.line("asn1dataFreeList(pctxt, pvalue);");
      break;
   }
   case Shape::Array: {
      Type* e = t.element.get();
      if (needsFree(e)) {
         w.open("if (pvalue->elem != 0) {");
         w.open("for (OSUINT32 i = 0; i < pvalue->n; ++i) {");
         freeValue(w, e, "pvalue->elem[i]");
         w.close();
         w.close();
      }
      w.line("asn1dataFreePtr(pctxt, pvalue->elem);");
      break;
   }
   case Shape::Typedef: {
      std::string target;
      unitName(u.type.get(), target);
      w.line("asn1Free_" + target + "(pctxt, pvalue);");
      break;
   }
   default: {
      Type copy = *u.type;
      copy.genName.clear();
      freeValue(w, &copy, "(*pvalue)");
   }
   }
   w.close();
}

void emitCopyMembers(const Unit& u, Writer& w)
{
   if (!hasRecordContext(u)) return;
   std::string c = "ASN1C_" + u.name, r = recName(u);
   bool list = shapeOf(u) == Shape::List;
   w.line(r + "* " + c + "::getCopy(" + r + "* pDstData)");
   w.open("");
   w.line("return asn1dataGetCopy(getCtxtPtr(), mpContext, msgData, pDstData, &asn1Copy_" + u.name + ");");
   w.close();
   w.line();
   w.line(r + "* " + c + "::newCopy() { return asn1dataNewCopy<" + r + ">(*this); }");
   w.line();
   if (list) {
      w.line(c + "::" + c + "(" + c + "& original)");
      w.line("   : " + c + "(original, &asn1dataCopyOrThrow(original.getCopy(0)))");
      w.line("{");
      w.line("}");
      w.line();
      w.line(c + "::" + c + "(" + c + "& original, " + r + "* pCopy)");
      w.line("   : ASN1CSeqOfList(*original.mpContext, *pCopy), ASN1XERTypeHandler(), msgData(*pCopy)");
      w.open("");
      w.line("mpMsgBuf = original.mpMsgBuf;");
      w.line("setElemName(original.getElemName());");
      w.close();
   }
   else {
      w.line(c + "::" + c + "(" + c + "& original)");
      w.line("   : ASN1CType(original), ASN1XERTypeHandler(), msgData(asn1dataCopyOrThrow(original.getCopy(0)))");
      w.open("");
      w.line("setElemName(original.getElemName());");
      w.close();
   }
   w.line();
   w.line(r + "::" + r + "(" + c + "& original)");
   w.line("   : " + r + "()");
   w.open("");
   w.line("original.getCopy(this);");
   w.close();
}

void emitRecordDestructor(const Unit& u, Writer& w)
{
   if (!hasRecordContext(u)) return;
   std::string r = recName(u);
   bool list = shapeOf(u) == Shape::List;
   if (!list && !unitNeedsFree(u)) w.line(r + "::~" + r + "() {}");
   else {
      w.line(r + "::~" + r + "()");
      w.open("");
      if (!list) w.line("if (mpContext != 0) asn1Free_" + u.name + "(mpContext->getPtr(), this);");
      else {
         w.open("if (mpContext != 0) {");
         if (unitNeedsFree(u)) w.line("asn1Free_" + u.name + "(mpContext->getPtr(), this);");
         w.line("mpContext->_unref();");
         w.line("mpContext = 0;");
         w.close();
      }
      w.close();
   }
   if (list) {
      // The raw context pointer of a list record is counted by hand.
      w.line();
      w.line(r + "::" + r + "(const " + r + "& other)");
      w.line("   : ASN1TPDUSeqOfList(other)");
      w.open("");
      w.line("if (mpContext != 0) mpContext->_ref();");
      w.close();
      w.line();
      w.line(r + "& " + r + "::operator=(const " + r + "& other)");
      w.open("");
      w.line("if (this == &other) return *this;");
      w.line("ASN1Context* keep = other.mpContext;");
      w.line("if (keep != 0) keep->_ref();");
      w.line("if (mpContext != 0) mpContext->_unref();");
      w.line("ASN1TPDUSeqOfList::operator=(other);");
      w.line("mpContext = keep;");
      w.line("return *this;");
      w.close();
   }
}

}
