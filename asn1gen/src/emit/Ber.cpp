#include "Ber.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>

#include "Records.h"
#include "Tables.h"

namespace asn1gen {

namespace {

const char* EXPL = "ASN1TAG_EXPLICIT";
const char* IMPL = "ASN1TAG_IMPLICIT";

std::string q(const std::string& s) { return "\"" + s + "\""; }

// ---------------------------------------------------------------- lvalues
// Generated code reads better as p->f than (*p).f and as p than &(*p).
bool isDeref(const std::string& lv)
{
   if (lv.size() < 4 || lv.compare(0, 2, "(*") != 0 || lv.back() != ')') return false;
   int depth = 0;
   for (size_t i = 0; i + 1 < lv.size(); ++i) {
      if (lv[i] == '(') ++depth;
      else if (lv[i] == ')' && --depth == 0) return false;   // "(*a) + (b)"
   }
   return true;
}

std::string addr(const std::string& lv)
{
   return isDeref(lv) ? lv.substr(2, lv.size() - 3) : "&" + lv;
}

std::string mem(const std::string& lv, const std::string& field)
{
   return isDeref(lv) ? lv.substr(2, lv.size() - 3) + "->" + field : lv + "." + field;
}

// ---------------------------------------------------------------- paths
// Error parameter paths: "pvalue->c", "pvalue->c.numocts", "*pvalue",
// "pvalue->numocts" for a bare value, "pvalue->u.alt".
std::string subPath(const std::string& path, const std::string& member)
{
   if (path == "*pvalue") return "pvalue->" + member;
   return path + "." + member;
}

}  // namespace

// ---------------------------------------------------------------- failures
namespace {

std::string failReturn(const FailExpr& onFail, const std::string& stat)
{
   return "return " + (onFail ? onFail(stat) : "LOG_ASN1ERR(pctxt, " + stat + ")") + ";";
}

// The test of a size or value against its bounds (an empty bound is open),
// naming the value in the error parameters when it fails.
std::string outside(const std::string& path, const std::string& value, const std::string& lo,
                    const std::string& hi)
{
   return "asn1dataOutside(pctxt, " + q(path) + ", " + value + ", " + (lo.empty() ? "INT64_MIN" : lo) + ", " +
      (hi.empty() ? "INT64_MAX" : hi) + ")";
}

}  // namespace

std::string typeLabel(const Type& t)
{
   Type bare = t;
   bare.tags.clear();
   return asnText(bare);
}

// ---------------------------------------------------------------- constraints
// Emits the size and value checks of node t on the value lv; `path` names it
// in the error parameters. Checks that cannot fail for the C type are left out.
void emitChecks(Writer& w, Type* t, const std::string& lv, const std::string& path, bool self,
                const FailExpr& onFail)
{
   using K = Type::Kind;
   if (t->kind == K::Reference || (!t->genName.empty() && !self)) {
      // Named types check their own constraints in their functions.
      return;
   }
   Bounds sb = sizeBounds(t);
   if (sb.any()) {
      std::string expr, p = path, guard;
      switch (t->kind) {
      case K::CharString:
         if (charWidth(*t) == 1) {
            guard = lv + " != 0 && ";
            expr = isUtf8(*t) ? "rtUTF8Len(reinterpret_cast<const OSOCTET*>(" + lv + "))"
                              : "strlen(" + lv + ")";
         }
         else { expr = mem(lv, "nchars"); p = subPath(path, "nchars"); }
         break;
      case K::OctetString: expr = mem(lv, "numocts"); p = subPath(path, "numocts"); break;
      case K::BitString: expr = mem(lv, "numbits"); p = subPath(path, "numbits"); break;
      case K::SequenceOf: case K::SetOf:
         if (t->repr == Repr::Array) { expr = mem(lv, "n"); p = subPath(path, "n"); }
         else { expr = mem(lv, "count"); p = subPath(path, "count"); }
         break;
      default:
         expr.clear();
      }
      if (!expr.empty()) {
         // rtUTF8Len is negative for text that is not UTF-8.
         std::string lo, hi;
         if (sb.lo && *sb.lo > 0) lo = std::to_string(*sb.lo);
         else if (isUtf8(*t)) lo = "0";
         if (sb.hi) hi = std::to_string(*sb.hi);
         if (!lo.empty() || !hi.empty()) {
            // A null text is left to the encoder, which refuses it.
            w.line("if (" + guard + outside(p, expr, lo, hi) + ") " + failReturn(onFail, "ASN1ERR_CONSTRAINT"));
         }
      }
   }
   if (t->kind == K::Integer && t->repr != Repr::BigInt) {
      Bounds vb = valueBounds(t);
      int64_t tmin = INT32_MIN, tmax = INT32_MAX;
      if (t->repr == Repr::UInt32) { tmin = 0; tmax = UINT32_MAX; }
      if (t->repr == Repr::UInt16) { tmin = 0; tmax = 0xFFFF; }
      std::string lo, hi;
      if (vb.lo && *vb.lo > tmin) lo = std::to_string(*vb.lo);
      if (vb.hi && *vb.hi < tmax) hi = std::to_string(*vb.hi);
      if (!lo.empty() || !hi.empty())
         w.line("if (" + outside(path, lv, lo, hi) + ") " + failReturn(onFail, "ASN1ERR_CONSTRAINT"));
   }
}

void emitEnumCheck(Writer& w, Type* t, const std::string& lv)
{
   int64_t lo = INT64_MAX, hi = INT64_MIN;
   for (auto* list : {&t->named, &t->enumAdditions})
      for (const auto& n : *list) { lo = std::min(lo, n.num); hi = std::max(hi, n.num); }
   std::vector<std::string> conds;
   if (lo > 0) conds.push_back(lv + " < " + std::to_string(lo) + "U");
   conds.push_back(lv + " > " + std::to_string(hi) + "U");
   std::string c = conds.size() == 2 ? conds[0] + " || " + conds[1] : conds[0];
   w.line("if (" + c + ") return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_ENUM);");
}

namespace {

// ---------------------------------------------------------------- encoding
std::string charTag(const Type& t)
{
   uint32_t n = 0;
   universalTag(t, n);
   return std::to_string(n);
}

// The encoder call of node t without its own tags.
std::string baseEnc(Type* t, const std::string& lv, const std::string& tagging)
{
   using K = Type::Kind;
   std::string name;
   if (unitName(t, name)) {
      Type* b = baseType(t);
      if (b->kind == K::Null) return "asn1E_" + name + "_(pctxt, 0, " + tagging + ")";
      return "asn1E_" + name + "(pctxt, " + addr(lv) + ", " + tagging + ")";
   }
   switch (t->kind) {
   case K::Boolean: return "xe_boolean(pctxt, " + addr(lv) + ", " + tagging + ")";
   case K::Integer:
      switch (t->repr) {
      case Repr::BigInt: return "xe_bigint(pctxt, " + lv + ", " + tagging + ")";
      case Repr::UInt16: return "xe_uint16(pctxt, " + addr(lv) + ", " + tagging + ")";
      case Repr::UInt32: return "xe_unsigned(pctxt, " + addr(lv) + ", " + tagging + ")";
      default: return "xe_integer(pctxt, " + addr(lv) + ", " + tagging + ")";
      }
   case K::Enumerated: return "xe_enum(pctxt, reinterpret_cast<OSINT32*>(" + addr(lv) + "), " + tagging + ")";
   case K::BitString: return "xe_bitstr(pctxt, " + mem(lv, "data") + ", " + mem(lv, "numbits") + ", " + tagging + ")";
   case K::OctetString: return "xe_octstr(pctxt, " + mem(lv, "data") + ", " + mem(lv, "numocts") + ", " + tagging + ")";
   case K::Null: return "xe_null(pctxt, " + tagging + ")";
   case K::ObjectId: return "xe_objid(pctxt, " + addr(lv) + ", " + tagging + ")";
   case K::CharString:
      if (charWidth(*t) == 2) return "xe_16BitCharStr(pctxt, " + addr(lv) + ", " + tagging + ", " + charTag(*t) + ")";
      if (charWidth(*t) == 4) return "xe_32BitCharStr(pctxt, " + addr(lv) + ", " + tagging + ", " + charTag(*t) + ")";
      return "xe_charstr(pctxt, " + lv + ", " + tagging + ", " + charTag(*t) + ")";
   case K::UTCTime: return "xe_charstr(pctxt, " + lv + ", " + tagging + ", 23)";
   case K::GeneralizedTime: return "xe_charstr(pctxt, " + lv + ", " + tagging + ", 24)";
   case K::Any: return "xe_OpenType(pctxt, " + mem(lv, "data") + ", " + mem(lv, "numocts") + ")";
   case K::ClassField:
      if (isOpenType(*t)) return "xe_OpenType(pctxt, " + mem(lv, "data") + ", " + mem(lv, "numocts") + ")";
      return baseEnc(t->classField->type.get(), lv, tagging);
   default:
      fail(t->loc, std::string("cannot encode ") + typeKindName(*t));
   }
}

// The encoding of node t from its tag k on: with `writeTag` the tag k is
// written; without, it was replaced by the caller's implicit tag.
std::string encChain(Type* t, size_t k, bool writeTag, const std::string& lv)
{
   if (k == t->tags.size()) return baseEnc(t, lv, writeTag ? EXPL : IMPL);
   const Tag& tag = t->tags[k];
   if (!writeTag) return encChain(t, k + 1, tag.explicitTag, lv);
   if (tag.explicitTag)
      return "asn1dataTagLen(pctxt, " + tagText(tagWord(tag, true)) + ", " + encChain(t, k + 1, true, lv) + ")";
   return "asn1dataTagLen(pctxt, " + tagText(tagWord(tag, constructedFrom(t, k + 1))) + ", " +
      encChain(t, k + 1, false, lv) + ")";
}

void emitAccumulate(Writer& w, const std::string& expr)
{
   w.line("if ((ll = " + expr + ") < 0) return LOG_ASN1ERR(pctxt, ll);");
   w.line("len += ll;");
}

std::string componentComment(const Component& c)
{
   std::string s = "// " + c.name + " " + asnText(*c.type);
   if (c.optional) s += " OPTIONAL";
   if (c.defaultValue) s += " DEFAULT";
   return s;
}

void emitComponentEncode(Writer& w, const Component& c)
{
   std::string f = fieldName(c.name);
   bool ptr = c.type->repr == Repr::Pointer;
   std::string lv = ptr ? "(*pvalue->" + f + ")" : "pvalue->" + f;
   w.line(componentComment(c));
   std::string cond;
   if (hasPresenceBit(c)) cond = "pvalue->m." + f + "Present";
   else if (literalDefault(c)) {
      // DER: a value equal to the default is not written.
      if (c.defaultValue->kind == Value::Kind::Bool)
         cond = c.defaultValue->boolVal ? "!" + lv : lv;
      else cond = lv + " != " + literalDefaultText(c);
   }
   if (!cond.empty()) w.open("if (" + cond + ") {");
   if (ptr) w.line("if (pvalue->" + f + " == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
   emitChecks(w, c.type.get(), lv, "pvalue->" + f);
   if (!recordType(c.type.get()).empty() || baseType(c.type)->kind == Type::Kind::Null)
      emitAccumulate(w, encChain(c.type.get(), 0, true, lv));
   if (!cond.empty()) w.close();
}

// The components of a SET in the DER order of their tags (X.690 10.3), when
// every component has one known tag; otherwise in declaration order.
std::vector<const Component*> derSetOrder(const Type& t)
{
   std::vector<std::pair<uint64_t, const Component*>> keyed;
   bool sortable = true;
   for (const auto& c : t.components) {
      std::vector<uint32_t> tags;
      bool any = false;
      firstTagWords(c.type.get(), tags, any);
      if (any || tags.size() != 1) sortable = false;
      uint32_t w = tags.empty() ? 0 : tags[0];
      // Class first (universal, application, context, private), then number.
      uint64_t key = (static_cast<uint64_t>(w >> 30) << 32) | (w & 0x1FFFFFFFu);
      keyed.push_back({key, &c});
   }
   if (sortable)
      std::stable_sort(keyed.begin(), keyed.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
   std::vector<const Component*> out;
   for (const auto& k : keyed) out.push_back(k.second);
   return out;
}

void emitSequenceEncodeBody(Writer& w, const Unit& u, bool isSet)
{
   Type& t = *u.type;
   w.line("int ll, len = 0;");
   emitTableEncodeHook(u, w);
   if (t.extensible) {
      w.line("// Unknown extension elements come last in the output: written first.");
      w.open("if (pvalue->extElem1.count > 0) {");
      emitAccumulate(w, "xe_OpenTypeExt(pctxt, &pvalue->extElem1)");
      w.close();
   }
   std::vector<const Component*> order;
   if (isSet) order = derSetOrder(t);
   else for (const auto& c : t.components) order.push_back(&c);
   for (auto it = order.rbegin(); it != order.rend(); ++it) emitComponentEncode(w, **it);
   w.line("if (tagging == ASN1TAG_EXPLICIT) len = asn1dataTagLen(pctxt, " +
          tagText(universalWord(isSet ? 17 : 16, true)) + ", len);");
   w.line("return len;");
}

void emitChoiceEncodeBody(Writer& w, const Unit& u)
{
   Type& t = *u.type;
   w.line("int len;");
   w.open("switch (pvalue->t) {");
   for (size_t i = 0; i < t.components.size(); ++i) {
      const Component& c = t.components[i];
      std::string f = fieldName(c.name);
      std::string rt = recordType(c.type.get());
      w.line("case T_" + u.name + "_" + f + ":   // " + c.name + " " + asnText(*c.type));
      w.indent();
      std::string lv;
      if (rt == "const char*") lv = "pvalue->u." + f;
      else if (!rt.empty()) {
         lv = "(*pvalue->u." + f + ")";
         w.line("if (pvalue->u." + f + " == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      }
      emitChecks(w, c.type.get(), lv, "pvalue->u." + f);
      w.line("len = " + encChain(c.type.get(), 0, true, lv.empty() ? "pvalue" : lv) + ";");
      w.line("break;");
      w.outdent();
   }
   w.line("default: return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHOICE);");
   w.close();
   w.line("if (len < 0) return LOG_ASN1ERR(pctxt, len);");
   w.line("return len;");
}

void emitListEncodeBody(Writer& w, const Unit& u, bool isSet)
{
   Type& t = *u.type;
   Type* e = t.element.get();
   std::string er = recordType(e);
   emitChecks(w, &t, "(*pvalue)", "*pvalue", true);
   w.line("int ll, len = 0;");
   if (isSet) {
      w.line("// DER: the encodings of the elements are put in ascending order.");
      w.line("Asn1RTSList sorted;");
      w.line("asn1dataSortInit(pctxt, &sorted);");
   }
   w.open("for (_Asn1RTDListNode* pnode = pvalue->tail; pnode != 0; pnode = pnode->prev) {");
   w.line("asn1dataPrefetchAhead(pnode);");
   w.line(er + "* pelem = static_cast<" + er + "*>(pnode->data);");
   w.line("if (pelem == 0) continue;");
   emitChecks(w, e, "(*pelem)", "*pelem");
   if (isSet) {
      w.line("ll = " + encChain(e, 0, true, "(*pelem)") + ";");
      w.line("if (ll >= 0) ll = asn1dataSortAdd(pctxt, &sorted, ll);");
      w.line("if (ll < 0) return LOG_ASN1ERR(pctxt, asn1dataSortAbandon(pctxt, &sorted, ll));");
   }
   else w.line("if ((ll = " + encChain(e, 0, true, "(*pelem)") + ") < 0) return LOG_ASN1ERR(pctxt, ll);");
   w.line("len += ll;");
   w.close();
   if (isSet) {
      w.line("len = xe_derCanonicalSort(pctxt, &sorted);");
      w.line("if (len < 0) return LOG_ASN1ERR(pctxt, len);");
   }
   w.line("if (tagging == ASN1TAG_EXPLICIT) len = asn1dataTagLen(pctxt, " +
          tagText(universalWord(isSet ? 17 : 16, true)) + ", len);");
   w.line("return len;");
}

void emitArrayEncodeBody(Writer& w, const Unit& u, bool isSet)
{
   Type& t = *u.type;
   Type* e = t.element.get();
   emitChecks(w, &t, "(*pvalue)", "*pvalue", true);
   w.line("if (pvalue->n > 0 && pvalue->elem == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
   w.line("int ll, len = 0;");
   if (isSet) {
      w.line("// DER: the encodings of the elements are put in ascending order.");
      w.line("Asn1RTSList sorted;");
      w.line("asn1dataSortInit(pctxt, &sorted);");
   }
   w.open("for (OSUINT32 xx1 = pvalue->n; xx1-- > 0;) {");
   emitChecks(w, e, "pvalue->elem[xx1]", "pvalue->elem[xx1]");
   if (isSet) {
      w.line("ll = " + encChain(e, 0, true, "pvalue->elem[xx1]") + ";");
      w.line("if (ll >= 0) ll = asn1dataSortAdd(pctxt, &sorted, ll);");
      w.line("if (ll < 0) return LOG_ASN1ERR(pctxt, asn1dataSortAbandon(pctxt, &sorted, ll));");
   }
   else w.line("if ((ll = " + encChain(e, 0, true, "pvalue->elem[xx1]") + ") < 0) return LOG_ASN1ERR(pctxt, ll);");
   w.line("len += ll;");
   w.close();
   if (isSet) {
      w.line("len = xe_derCanonicalSort(pctxt, &sorted);");
      w.line("if (len < 0) return LOG_ASN1ERR(pctxt, len);");
   }
   w.line("if (tagging == ASN1TAG_EXPLICIT) len = asn1dataTagLen(pctxt, " +
          tagText(universalWord(isSet ? 17 : 16, true)) + ", len);");
   w.line("return len;");
}

// ---------------------------------------------------------------- decoding
class DecEmitter {
public:
   explicit DecEmitter(Writer& w) : w_(w) {}

   // How the statements emitted from now on fail (null: plain LOG_ASN1ERR).
   void setFail(const FailExpr& onFail) { fail_ = onFail; }

   // What the end of a chain decodes instead of the node's base type (a
   // unit's own value under its tags): called with the tagging and the
   // length expression.
   using BaseHook = std::function<void(const std::string& tagging, const std::string& len)>;
   void setBase(const BaseHook& hook) { baseHook_ = hook; }

   // Decodes node t from its tag k on into lv. explicitMode: the tag k is
   // still in the input; otherwise its header was read or replaced, and
   // `lenVar` holds the content length.
   void chain(Type* t, size_t k, bool explicitMode, const std::string& lv, const std::string& lenVar)
   {
      if (k == t->tags.size()) {
         if (baseHook_) baseHook_(explicitMode ? EXPL : IMPL, explicitMode ? "0" : lenVar);
         else base(t, lv, explicitMode ? EXPL : IMPL, explicitMode ? "0" : lenVar);
         return;
      }
      const Tag& tag = t->tags[k];
      std::string len = lenVar;
      if (explicitMode) {
         len = "len" + std::to_string(++counter_);
         w_.line("int " + len + " = 0;");
         match(tagWord(tag, false), len);
      }
      if (tag.explicitTag) {
         std::string start = "start" + std::to_string(++counter_);
         w_.line("OSUINT32 " + start + " = pctxt->buffer.byteIndex;");
         chain(t, k + 1, true, lv, "");
         w_.line("if ((stat = asn1dataEnd(pctxt, " + start + ", " + len + ")) != 0) " + failReturn(fail_, "stat"));
      }
      else chain(t, k + 1, false, lv, len);
   }

   void match(uint32_t word, const std::string& lenVar)
   {
      uint32_t num = word & 0x1FFFFFFFu;
      std::string call;
      if (num < 31) call = "asn1dataMatch1(pctxt, ASN1_TAG_OCTET(" + tagText(word) + "), &" + lenVar + ")";
      else call = "xd_match(pctxt, " + tagText(word) + ", &" + lenVar + ", XM_ADVANCE)";
      w_.line("if ((stat = " + call + ") != 0) " + failReturn(fail_, "stat"));
   }

   void base(Type* t, const std::string& lv, const std::string& tagging, const std::string& len)
   {
      using K = Type::Kind;
      std::string name, call;
      if (unitName(t, name)) {
         if (baseType(t)->kind == K::Null) call = "asn1D_" + name + "_(pctxt, 0, " + tagging + ", " + len + ")";
         else call = "asn1D_" + name + "(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")";
      }
      else {
         switch (t->kind) {
         case K::Boolean: call = "xd_boolean(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")"; break;
         case K::Integer:
            switch (t->repr) {
            case Repr::BigInt: call = "xd_bigint(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")"; break;
            case Repr::UInt16: call = "xd_uint16(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")"; break;
            case Repr::UInt32: call = "xd_unsigned(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")"; break;
            default: call = "xd_integer(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")"; break;
            }
            break;
         case K::Enumerated:
            call = "xd_enum(pctxt, reinterpret_cast<OSINT32*>(" + addr(lv) + "), " + tagging + ", " + len + ")";
            break;
         case K::BitString:
            // The record's data is writable; the decoder hands out const octets.
            w_.open("{");
            w_.line("const OSOCTET* pbits = 0;");
            w_.line("stat = xd_bitstr(pctxt, &pbits, &" + mem(lv, "numbits") + ", " + tagging + ", " + len + ");");
            w_.line(mem(lv, "data") + " = const_cast<OSOCTET*>(pbits);");
            w_.close();
            w_.line("if (stat != 0) " + failReturn(fail_, "stat"));
            return;
         case K::OctetString:
            call = "xd_octstr(pctxt, &" + mem(lv, "data") + ", &" + mem(lv, "numocts") + ", " + tagging + ", " + len + ")";
            break;
         case K::Null: call = "xd_null(pctxt, " + tagging + ")"; break;
         case K::ObjectId: call = "xd_objid(pctxt, " + addr(lv) + ", " + tagging + ", " + len + ")"; break;
         case K::CharString: {
            const char* fn = charWidth(*t) == 2 ? "xd_16BitCharStr" : charWidth(*t) == 4 ? "xd_32BitCharStr" : "xd_charstr";
            call = std::string(fn) + "(pctxt, " + addr(lv) + ", " + tagging + ", " + charTag(*t) + ", " + len + ")";
            break;
         }
         case K::UTCTime: call = "xd_charstr(pctxt, " + addr(lv) + ", " + tagging + ", 23, " + len + ")"; break;
         case K::GeneralizedTime: call = "xd_charstr(pctxt, " + addr(lv) + ", " + tagging + ", 24, " + len + ")"; break;
         case K::Any: call = "xd_OpenType(pctxt, &" + mem(lv, "data") + ", &" + mem(lv, "numocts") + ")"; break;
         case K::ClassField:
            if (isOpenType(*t)) call = "xd_OpenType(pctxt, &" + mem(lv, "data") + ", &" + mem(lv, "numocts") + ")";
            else { base(t->classField->type.get(), lv, tagging, len); return; }
            break;
         default:
            fail(t->loc, std::string("cannot decode ") + typeKindName(*t));
         }
      }
      w_.line("if ((stat = " + call + ") != 0) " + failReturn(fail_, "stat"));
   }

   // A condition on the peeked tag word `tag` (constructed bit cleared)
   // that selects the type t; "true" for open types.
   static std::string tagCondition(Type* t)
   {
      std::vector<uint32_t> tags;
      bool any = false;
      firstTagWords(t, tags, any);
      if (any || tags.empty()) return "true";
      std::string c;
      for (size_t i = 0; i < tags.size(); ++i) c += (i ? " || tag == " : "tag == ") + tagText(tags[i]);
      return c;
   }

private:
   Writer& w_;
   int counter_ = 0;
   FailExpr fail_;
   BaseHook baseHook_;
};

void emitOuterMatch(Writer& w, uint32_t universal)
{
   w.open("if (tagging == ASN1TAG_EXPLICIT) {");
   w.line("if ((stat = asn1dataMatch1(pctxt, ASN1_TAG_OCTET(" + tagText(universal | 0x20000000u) +
          "), &length)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   w.close();
   w.line("OSUINT32 start = pctxt->buffer.byteIndex;");
}

// A test that the SEQUENCE value at lv equals a braced DEFAULT value that
// names object identifier components only ("{ algorithm id-sha256 }"): the
// named components hold those values and every other component is absent.
// Empty when the default is of another form.
std::string structuredDefaultTest(const Component& c, const std::string& lv)
{
   const Type* bt = baseType(c.type);
   if (bt->kind != Type::Kind::Sequence) return "";
   const auto& toks = c.defaultValue->tokens;
   std::vector<std::pair<std::string, std::string>> given;
   for (size_t i = 0; i < toks.size();) {
      if (i + 1 >= toks.size()) return "";
      given.emplace_back(toks[i].text, toks[i + 1].text);
      i += 2;
      if (i < toks.size()) {
         if (toks[i].text != ",") return "";
         i++;
      }
   }
   std::string test;
   size_t used = 0;
   for (const auto& sc : bt->components) {
      std::string f = fieldName(sc.name);
      auto it = std::find_if(given.begin(), given.end(), [&](const auto& g) { return g.first == sc.name; });
      if (it != given.end()) {
         // An object identifier, or the identifier field of a class.
         const Type* st = baseType(sc.type);
         if (st->kind == Type::Kind::ClassField && !isOpenType(*st) && st->classField->type)
            st = baseType(st->classField->type);
         if (st->kind != Type::Kind::ObjectId) return "";
         std::string ref = it->second;
         std::replace(ref.begin(), ref.end(), '-', '_');
         test += " && " + mem(lv, f) + " == " + ref;
         used++;
      }
      else {
         if (!hasPresenceBit(sc)) return "";
         test += " && !" + mem(lv, "m." + f + "Present");
      }
   }
   if (used != given.size() || test.empty()) return "";
   return test.substr(4);
}

// The failure of a CHOICE alternative names it in the error path (it starts
// where the CHOICE does).
FailExpr alternativeFail(const Component& c)
{
   const std::string n = q(c.name), type = q(typeLabel(*c.type));
   return [n, type](const std::string& stat) {
      return "asn1dataFailIn(pctxt, " + stat + ", " + n + ", -1, " + type + ", -1)";
   };
}

// The failure of component i of a SEQUENCE or SET: named from the table of
// its components (emitComponentTable), where it starts found on the failure
// path only.
FailExpr componentFail(size_t i, bool set)
{
   const std::string args = std::to_string(i) + ", start, " + (set ? "true" : "false");
   return [args](const std::string& stat) {
      return "asn1dataFailInComponent(pctxt, " + stat + ", kComponents, " + args + ")";
   };
}

// The failure of a list element `index` (an expression) of type t.
FailExpr elementFail(const Type& t, const std::string& index)
{
   const std::string type = q(typeLabel(t));
   return [type, index](const std::string& stat) {
      return "asn1dataFailInElement(pctxt, " + stat + ", " + type + ", " + index + ", start)";
   };
}

// The table of how the decoder matches the components of a SEQUENCE or SET
// (asn1dataComponentTags), for naming a failing component.
void emitComponentTable(Writer& w, const Type& t)
{
   std::vector<std::string> rows;
   for (size_t i = 0; i < t.components.size(); ++i) {
      const Component& c = t.components[i];
      std::vector<uint32_t> tags;
      bool any = false;
      firstTagWords(c.type.get(), tags, any);
      const std::string optional = c.optional || c.defaultValue || c.extensionAddition ? "1" : "0";
      const std::string names = q(c.name) + ", " + q(typeLabel(*c.type));
      if (any || tags.empty()) {
         rows.push_back("{" + optional + ", 0, 0, " + names + "}");
         continue;
      }
      std::string list;
      for (size_t k = 0; k < tags.size(); ++k) list += (k ? ", " : "") + tagText(tags[k]);
      const std::string name = "kTags" + std::to_string(i);
      w.line("static const ASN1TAG " + name + "[] = { " + list + " };");
      rows.push_back("{" + optional + ", " + std::to_string(tags.size()) + ", " + name + ", " + names + "}");
   }
   w.line("// The components as the decoder matches them (for naming a failing one).");
   w.open("static const asn1dataComponentTags kComponents[] = {");
   for (const std::string& r : rows) w.line(r + ",");
   w.close("};");
}

void emitComponentDecode(Writer& w, DecEmitter& d, const Component& c, const FailExpr& onFail)
{
   std::string f = fieldName(c.name);
   bool ptr = c.type->repr == Repr::Pointer;
   std::string lv = ptr ? "(*pvalue->" + f + ")" : "pvalue->" + f;
   if (recordType(c.type.get()).empty() && baseType(c.type)->kind != Type::Kind::Null) return;
   if (ptr) {
      std::string rt = recordType(c.type.get());
      w.line("pvalue->" + f + " = static_cast<" + rt + "*>(ASN1MALLOCZ(pctxt, sizeof(" + rt + ")));");
      w.line("if (pvalue->" + f + " == 0) " + failReturn(onFail, "ASN1ERR_NO_MEMORY"));
   }
   d.setFail(onFail);
   d.chain(c.type.get(), 0, true, lv, "");
   d.setFail(nullptr);
   emitChecks(w, c.type.get(), lv, "pvalue->" + f, false, onFail);
   if (c.defaultValue) {
      // DER (ASN1DERSTRICT): a value equal to the default is never encoded
      // (X.690 11.5). BOOLEAN, INTEGER and ENUMERATED defaults are compared,
      // and SEQUENCE defaults that name object identifiers only.
      const Type* bt = baseType(c.type);
      std::string same;
      if (bt->kind == Type::Kind::Boolean && c.defaultValue->kind == Value::Kind::Bool)
         same = c.defaultValue->boolVal ? lv + " != 0" : lv + " == 0";
      else if ((bt->kind == Type::Kind::Integer || bt->kind == Type::Kind::Enumerated) &&
               bt->repr != Repr::BigInt && c.type->repr != Repr::BigInt && c.defaultValue->number)
         same = lv + " == " + std::to_string(*c.defaultValue->number);
      else if (c.defaultValue->kind == Value::Kind::Braced)
         same = structuredDefaultTest(c, lv);
      if (!same.empty())
         w.line("if ((pctxt->flags & ASN1DERSTRICT) && " + same + ") " + failReturn(onFail, "ASN1ERR_BAD_VALUE"));
   }
   if (hasPresenceBit(c)) w.line("pvalue->m." + f + "Present = 1;");
}

void emitResetRecord(Writer& w, const Type& t)
{
   bool anyBit = false;
   for (const auto& c : t.components) anyBit = anyBit || hasPresenceBit(c);
   if (anyBit) w.line("memset(&pvalue->m, 0, sizeof(pvalue->m));");
   for (const auto& c : t.components)
      if (literalDefault(c)) w.line("pvalue->" + fieldName(c.name) + " = " + literalDefaultText(c) + ";");
   if (t.extensible) w.line("asn1dataListInit(&pvalue->extElem1);");
}

void emitSequenceDecodeBody(Writer& w, const Unit& u)
{
   Type& t = *u.type;
   DecEmitter d(w);
   bool peeks = false;   // whether a component may be absent: the next tag is peeked at
   for (const auto& c : t.components) peeks = peeks || c.optional || c.defaultValue || c.extensionAddition;
   w.line("int stat = 0;");
   if (peeks) w.line("ASN1TAG tag = 0;");
   emitOuterMatch(w, 0x10);
   emitResetRecord(w, t);
   if (!t.components.empty()) emitComponentTable(w, t);
   for (size_t i = 0; i < t.components.size(); ++i) {
      const Component& c = t.components[i];
      w.line(componentComment(c));
      if (c.optional || c.defaultValue || c.extensionAddition) {
         // Present when content remains and the next tag is one it can start with.
         w.open("if (asn1dataMore(pctxt, start, length)) {");
         w.line("if ((stat = asn1dataPeekTag(pctxt, &tag)) != 0) return LOG_ASN1ERR(pctxt, stat);");
         w.open("if (" + DecEmitter::tagCondition(c.type.get()) + ") {");
         emitComponentDecode(w, d, c, componentFail(i, false));
         w.close();
         w.close();
      }
      else {
         w.line("if (!asn1dataMore(pctxt, start, length)) return LOG_ASN1ERR(pctxt, ASN1ERR_MISSING_ELEMENT);");
         // A block of its own only where the tags' lengths are declared.
         Writer one;
         DecEmitter d1(one);
         emitComponentDecode(one, d1, c, componentFail(i, false));
         const bool scoped = one.str().find("int len") != std::string::npos;
         if (scoped) w.open("{");
         w.lines(one.str());
         if (scoped) w.close();
      }
   }
   if (t.extensible) {
      w.open("if (asn1dataMore(pctxt, start, length)) {");
      w.line("// Elements after the root components: kept whole, in order.");
      w.line("if ((stat = asn1dataCollectExtensions(pctxt, start, length, &pvalue->extElem1)) != 0) return LOG_ASN1ERR(pctxt, stat);");
      w.close();
   }
   else w.line("if (asn1dataMore(pctxt, start, length)) return LOG_ASN1ERR(pctxt, ASN1ERR_SEQ_OVERFLOW);");
   w.line("if ((stat = asn1dataEnd(pctxt, start, length)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   emitTableDecodeHook(u, w);
   w.line("return 0;");
}

void emitSetDecodeBody(Writer& w, const Unit& u)
{
   Type& t = *u.type;
   DecEmitter d(w);
   if (t.components.size() > 32)
      fail(t.loc, "a SET of more than 32 components is not supported");
   w.line("int stat = 0;");
   w.line("ASN1TAG tag = 0;");
   w.line("OSUINT32 seen = 0;");
   emitOuterMatch(w, 0x11);
   emitResetRecord(w, t);
   if (!t.components.empty()) emitComponentTable(w, t);
   uint32_t required = 0;
   w.open("while (asn1dataMore(pctxt, start, length)) {");
   w.line("if ((stat = asn1dataPeekTag(pctxt, &tag)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   for (size_t i = 0; i < t.components.size(); ++i) {
      const Component& c = t.components[i];
      uint32_t bit = 1u << i;
      if (!c.optional && !c.defaultValue) required |= bit;
      w.line(componentComment(c));
      w.open(std::string(i ? "else if (" : "if (") + DecEmitter::tagCondition(c.type.get()) + ") {");
      w.line("if (seen & " + std::to_string(bit) + "U) return LOG_ASN1ERR(pctxt, ASN1ERR_SET_DUPLICATE);");
      emitComponentDecode(w, d, c, componentFail(i, true));
      w.line("seen |= " + std::to_string(bit) + "U;");
      w.close();
   }
   if (t.extensible) {
      w.open("else {");
      w.line("if ((stat = asn1dataCollectExtensions(pctxt, start, length, &pvalue->extElem1)) != 0) return LOG_ASN1ERR(pctxt, stat);");
      w.close();
   }
   else w.line("else return LOG_ASN1ERR(pctxt, ASN1ERR_NOT_IN_SET);");
   w.close();
   w.line("if ((seen & " + std::to_string(required) + "U) != " + std::to_string(required) +
          "U) return LOG_ASN1ERR(pctxt, ASN1ERR_MISSING_ELEMENT);");
   w.line("if ((stat = asn1dataEnd(pctxt, start, length)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   w.line("return 0;");
}

void emitChoiceDecodeBody(Writer& w, const Unit& u)
{
   Type& t = *u.type;
   DecEmitter d(w);
   w.line("int stat = 0;");
   w.line("ASN1TAG tag = 0;");
   w.line("if ((stat = asn1dataPeekTag(pctxt, &tag)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   for (size_t i = 0; i < t.components.size(); ++i) {
      const Component& c = t.components[i];
      std::string f = fieldName(c.name);
      std::string rt = recordType(c.type.get());
      w.line("// " + c.name + " " + asnText(*c.type));
      w.open(std::string(i ? "else if (" : "if (") + DecEmitter::tagCondition(c.type.get()) + ") {");
      const FailExpr onFail = alternativeFail(c);
      std::string lv;
      if (rt == "const char*") lv = "pvalue->u." + f;
      else if (!rt.empty()) {
         w.line("pvalue->u." + f + " = static_cast<" + rt + "*>(ASN1MALLOCZ(pctxt, sizeof(" + rt + ")));");
         w.line("if (pvalue->u." + f + " == 0) " + failReturn(onFail, "ASN1ERR_NO_MEMORY"));
         lv = "(*pvalue->u." + f + ")";
      }
      d.setFail(onFail);
      d.chain(c.type.get(), 0, true, lv.empty() ? "pvalue" : lv, "");
      d.setFail(nullptr);
      if (!lv.empty()) emitChecks(w, c.type.get(), lv, "pvalue->u." + f, false, onFail);
      w.line("pvalue->t = T_" + u.name + "_" + f + ";");
      w.close();
   }
   w.open("else {");
   w.line("xu_addTagErrParm(pctxt, tag);");
   w.line("return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_CHOICE);");
   w.close();
   w.line("return 0;");
}

// DER (ASN1DERSTRICT): the element just decoded may not sort before the
// one before it (X.690 11.6).
void emitSetOfOrderCheck(Writer& w)
{
   w.open("if (pctxt->flags & ASN1DERSTRICT) {");
   w.line("if ((stat = asn1dataDerSetOfOrder(pctxt, &prevStart, &prevEnd, elemStart)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   w.close();
}

void emitListDecodeBody(Writer& w, const Unit& u, bool isSet)
{
   Type& t = *u.type;
   Type* e = t.element.get();
   std::string er = recordType(e);
   DecEmitter d(w);
   w.line("int stat = 0;");
   emitOuterMatch(w, isSet ? 0x11 : 0x10);
   w.line("asn1dataListInit(pvalue);");
   if (isSet) w.line("OSUINT32 prevStart = 0, prevEnd = 0;   // the element before, for the DER order");
   w.open("while (asn1dataMore(pctxt, start, length)) {");
   if (isSet) w.line("OSUINT32 elemStart = pctxt->buffer.byteIndex;");
   w.line("if (pvalue->count > 2147483646U) return LOG_ASN1ERR(pctxt, ASN1ERR_SEQ_OVERFLOW);");
   const FailExpr onFail = elementFail(*e, "pvalue->count");
   w.line("// One zero-filled heap block holds the list node and the element.");
   w.line("_Asn1RTDListNode* pnode = asn1dataNewListNode(pctxt, sizeof(" + er + "));");
   w.line("if (pnode == 0) " + failReturn(onFail, "ASN1ERR_NO_MEMORY"));
   w.line(er + "* pelem = static_cast<" + er + "*>(pnode->data);");
   d.setFail(onFail);
   d.chain(e, 0, true, "(*pelem)", "");
   d.setFail(nullptr);
   emitChecks(w, e, "(*pelem)", "*pelem", false, onFail);
   w.line("asn1dataListAppend(pctxt, pvalue, pnode);");
   if (isSet) emitSetOfOrderCheck(w);
   w.close();
   emitChecks(w, &t, "(*pvalue)", "*pvalue", true);
   w.line("if ((stat = asn1dataEnd(pctxt, start, length)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   w.line("return 0;");
}

void emitArrayDecodeBody(Writer& w, const Unit& u, bool isSet)
{
   Type& t = *u.type;
   Type* e = t.element.get();
   std::string er = recordType(e);
   DecEmitter d(w);
   w.line("int stat = 0;");
   emitOuterMatch(w, isSet ? 0x11 : 0x10);
   w.line("int count = 0;");
   w.line("if ((stat = xd_count(pctxt, length, &count)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   w.line("pvalue->n = 0;");
   w.line("pvalue->elem = 0;");
   w.open("if (count > 0) {");
   w.line("// Every element takes at least two octets, so count is bounded by the input.");
   w.line("if (static_cast<size_t>(count) > static_cast<size_t>(INT_MAX) / sizeof(" + er + "))");
   w.line("   return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   w.line("pvalue->elem = static_cast<" + er + "*>(ASN1MALLOCZ(pctxt, sizeof(" + er + ") * static_cast<size_t>(count)));");
   w.line("if (pvalue->elem == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   w.close();
   if (isSet) w.line("OSUINT32 prevStart = 0, prevEnd = 0;   // the element before, for the DER order");
   w.open("while (asn1dataMore(pctxt, start, length)) {");
   if (isSet) w.line("OSUINT32 elemStart = pctxt->buffer.byteIndex;");
   w.line("if (pvalue->n >= static_cast<OSUINT32>(count)) return LOG_ASN1ERR(pctxt, ASN1ERR_SEQ_OVERFLOW);");
   w.line("OSUINT32 xx1 = pvalue->n;");
   const FailExpr onFail = elementFail(*e, "xx1");
   d.setFail(onFail);
   d.chain(e, 0, true, "pvalue->elem[xx1]", "");
   d.setFail(nullptr);
   emitChecks(w, e, "pvalue->elem[xx1]", "pvalue->elem[xx1]", false, onFail);
   w.line("++pvalue->n;");
   if (isSet) emitSetOfOrderCheck(w);
   w.close();
   emitChecks(w, &t, "(*pvalue)", "*pvalue", true);
   w.line("if ((stat = asn1dataEnd(pctxt, start, length)) != 0) return LOG_ASN1ERR(pctxt, stat);");
   w.line("return 0;");
}

std::string signatureE(const Unit& u)
{
   if (shapeOf(u) == Shape::Null)
      return "int asn1E_" + u.name + "_(ASN1CTXT* pctxt, void* pvalue, ASN1TagType tagging)";
   return "int asn1E_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue, ASN1TagType tagging)";
}

std::string signatureD(const Unit& u)
{
   if (shapeOf(u) == Shape::Null)
      return "int asn1D_" + u.name + "_(ASN1CTXT* pctxt, void* pvalue, ASN1TagType tagging, int length)";
   return "int asn1D_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name +
      "* pvalue, ASN1TagType tagging, int length)";
}

bool constructedShape(Shape s)
{
   return s == Shape::Sequence || s == Shape::Set || s == Shape::Choice || s == Shape::List ||
      s == Shape::Array;
}

// Top-level types with tags of their own wrap the construct's body.
bool needsContentFunction(const Unit& u)
{
   return u.topLevel() && !u.type->tags.empty() && constructedShape(shapeOf(u));
}

void emitConstructEncodeBody(Writer& w, const Unit& u)
{
   Type* t = u.type.get();
   switch (shapeOf(u)) {
   case Shape::Sequence: emitSequenceEncodeBody(w, u, false); break;
   case Shape::Set: emitSequenceEncodeBody(w, u, true); break;
   case Shape::Choice: emitChoiceEncodeBody(w, u); break;
   case Shape::List: emitListEncodeBody(w, u, t->kind == Type::Kind::SetOf); break;
   case Shape::Array: emitArrayEncodeBody(w, u, t->kind == Type::Kind::SetOf); break;
   default: break;
   }
}

void emitConstructDecodeBody(Writer& w, const Unit& u)
{
   Type* t = u.type.get();
   switch (shapeOf(u)) {
   case Shape::Sequence: emitSequenceDecodeBody(w, u); break;
   case Shape::Set: emitSetDecodeBody(w, u); break;
   case Shape::Choice: emitChoiceDecodeBody(w, u); break;
   case Shape::List: emitListDecodeBody(w, u, t->kind == Type::Kind::SetOf); break;
   case Shape::Array: emitArrayDecodeBody(w, u, t->kind == Type::Kind::SetOf); break;
   default: break;
   }
}

// The unit's value as the base of its own tag chain: the construct's
// content function, or the primitive itself.
std::string selfBaseEnc(const Unit& u, const std::string& tagging)
{
   Type* t = u.type.get();
   Shape s = shapeOf(u);
   if (constructedShape(s)) return "asn1E_" + u.name + "_content(pctxt, pvalue, " + tagging + ")";
   if (s == Shape::NamedBits || s == Shape::FixedOctets) {
      if (s == Shape::NamedBits) return "xe_bitstr(pctxt, pvalue->data, pvalue->numbits, " + tagging + ")";
      return "xe_octstr(pctxt, pvalue->data, pvalue->numocts, " + tagging + ")";
   }
   if (s == Shape::Null) return "xe_null(pctxt, " + tagging + ")";
   if (s == Shape::Typedef) return baseEnc(t, "(*pvalue)", tagging);
   // Primitive: the node without its generated name.
   Type copy = *t;
   copy.genName.clear();
   copy.tags.clear();
   return baseEnc(&copy, "(*pvalue)", tagging);
}

std::string selfChain(const Unit& u, size_t k, bool writeTag)
{
   Type* t = u.type.get();
   if (k == t->tags.size()) return selfBaseEnc(u, writeTag ? EXPL : IMPL);
   const Tag& tag = t->tags[k];
   if (!writeTag) return selfChain(u, k + 1, tag.explicitTag);
   if (tag.explicitTag)
      return "asn1dataTagLen(pctxt, " + tagText(tagWord(tag, true)) + ", " + selfChain(u, k + 1, true) + ")";
   return "asn1dataTagLen(pctxt, " + tagText(tagWord(tag, constructedFrom(t, k + 1))) + ", " +
      selfChain(u, k + 1, false) + ")";
}

}

std::string functionName(const Unit& u)
{
   return shapeOf(u) == Shape::Null ? u.name + "_" : u.name;
}

std::string berEncodeExpr(Type* t, const std::string& lv)
{
   return encChain(t, 0, true, lv);
}

void emitBerDecodeValue(Writer& w, Type* t, const std::string& lv, const FailExpr& onFail)
{
   DecEmitter d(w);
   d.setFail(onFail);
   d.chain(t, 0, true, lv, "");
   emitChecks(w, t, lv, "*pvalue", false, onFail);
}

void declareBerFunctions(const Unit& u, Writer& w)
{
   w.line("EXTERNRT " + signatureE(u) + ";");
   w.line("EXTERNRT " + signatureD(u) + ";");
}

void emitEncoder(const Unit& u, Writer& w)
{
   Type* t = u.type.get();
   Shape s = shapeOf(u);
   bool content = needsContentFunction(u);
   if (content) {
      w.line("// The content of " + u.name + " under its own tags.");
      w.line("static int asn1E_" + u.name + "_content(ASN1CTXT* pctxt, ASN1T_" + u.name +
             "* pvalue, ASN1TagType tagging)");
      w.open("");
      emitConstructEncodeBody(w, u);
      w.close();
      w.line();
   }
   w.line(signatureE(u));
   w.open("");
   if (constructedShape(s) && !content) {
      emitConstructEncodeBody(w, u);
      w.close();
      return;
   }
   // Checks on the value itself.
   if (s == Shape::Primitive) {
      Type copy = *t;
      copy.genName.clear();
      if (t->kind == Type::Kind::Enumerated) emitEnumCheck(w, t, "(*pvalue)");
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
   }
   else if (s == Shape::NamedBits) {
      w.line("if (pvalue->numbits > " + std::to_string(namedBitsCapacity(t)) +
             "U) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      Type copy = *t;
      copy.genName.clear();
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
   }
   else if (s == Shape::FixedOctets) {
      w.line("if (pvalue->numocts > " + std::to_string(fixedOctetsCapacity(t)) +
             "U) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      Type copy = *t;
      copy.genName.clear();
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
   }
   if (t->tags.empty() || !u.topLevel()) {
      w.line("int len = " + selfBaseEnc(u, "tagging") + ";");
   }
   else {
      w.line("int len = tagging == ASN1TAG_EXPLICIT");
      w.line("   ? " + selfChain(u, 0, true));
      w.line("   : " + selfChain(u, 0, false) + ";");
   }
   w.line("if (len < 0) return LOG_ASN1ERR(pctxt, len);");
   w.line("return len;");
   w.close();
}

void emitDecoder(const Unit& u, Writer& w, bool recursive)
{
   Type* t = u.type.get();
   Shape s = shapeOf(u);
   bool content = needsContentFunction(u);
   if (content) {
      w.line("// The content of " + u.name + " under its own tags.");
      w.line("static int asn1D_" + u.name + "_content(ASN1CTXT* pctxt, ASN1T_" + u.name +
             "* pvalue, ASN1TagType tagging, int length)");
      w.open("");
      emitConstructDecodeBody(w, u);
      w.close();
      w.line();
   }
   w.line(signatureD(u));
   w.open("");
   if (recursive) {
      w.line("// " + u.name + " can contain itself: hostile input must not nest it without bound.");
      w.line("asn1dataDepthGuard depth(pctxt);");
      w.line("if (!depth.ok()) return LOG_ASN1ERR(pctxt, ASN1ERR_NOT_SUPPORTED);");
   }
   if (constructedShape(s) && !content) {
      emitConstructDecodeBody(w, u);
      w.close();
      return;
   }
   // A primitive or tagged unit: its tag chain around the value.
   Type copy = *t;
   copy.genName.clear();
   std::string baseCall;
   std::string lenArg = "length";
   w.line("int stat = 0;");
   if (s == Shape::NamedBits)
      w.line("pvalue->numbits = " + std::to_string(namedBitsCapacity(t)) + ";   // the record's capacity");
   if (s == Shape::FixedOctets)
      w.line("pvalue->numocts = " + std::to_string(fixedOctetsCapacity(t)) + ";   // the record's capacity");

   // Emit the chain with the runtime tagging: explicit matches the first
   // tag; implicit starts after it with the caller's length.
   auto emitBase = [&](Writer& ww, const std::string& tagging, const std::string& len) {
      std::string call;
      if (constructedShape(s)) call = "asn1D_" + u.name + "_content(pctxt, pvalue, " + tagging + ", " + len + ")";
      else if (s == Shape::NamedBits) call = "xd_bitstr_s(pctxt, pvalue->data, &pvalue->numbits, " + tagging + ", " + len + ")";
      else if (s == Shape::FixedOctets) call = "xd_octstr_s(pctxt, pvalue->data, &pvalue->numocts, " + tagging + ", " + len + ")";
      else if (s == Shape::Null) call = "xd_null(pctxt, " + tagging + ")";
      if (!call.empty()) {
         ww.line("if ((stat = " + call + ") != 0) return LOG_ASN1ERR(pctxt, stat);");
         return;
      }
      Type base = copy;
      base.tags.clear();
      DecEmitter d(ww);
      d.base(s == Shape::Typedef ? t : &base, "(*pvalue)", tagging, len);
   };
   if (t->tags.empty() || !u.topLevel()) {
      emitBase(w, "tagging", "length");
   }
   else {
      // Tags of a top-level type: written out level by level, the unit's
      // own value at the end.
      DecEmitter chain(w);
      chain.setBase([&](const std::string& tagging, const std::string& len) { emitBase(w, tagging, len); });
      w.open("if (tagging == ASN1TAG_EXPLICIT) {");
      chain.chain(t, 0, true, "(*pvalue)", "");
      w.close();
      w.open("else {");
      // The caller read (or replaced) the first tag: continue after it.
      const Tag& first = t->tags[0];
      if (first.explicitTag) {
         w.line("OSUINT32 start0 = pctxt->buffer.byteIndex;");
         chain.chain(t, 1, true, "(*pvalue)", "");
         w.line("if ((stat = asn1dataEnd(pctxt, start0, length)) != 0) return LOG_ASN1ERR(pctxt, stat);");
      }
      else chain.chain(t, 1, false, "(*pvalue)", "length");
      w.close();
   }
   // Checks on the decoded value.
   if (s == Shape::Primitive) {
      if (t->kind == Type::Kind::Enumerated) emitEnumCheck(w, t, "(*pvalue)");
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
   }
   else if (s == Shape::NamedBits || s == Shape::FixedOctets) {
      if (s == Shape::NamedBits) {
         // The octet array may hold a few bits more than the named ones; a
         // string longer than the highest named bit does not fit the record.
         w.line("if (pvalue->numbits > " + std::to_string(namedBitsCapacity(t)) +
                "U) return LOG_ASN1ERR(pctxt, ASN1ERR_STRING_OVERFLOW);");
         // DER (ASN1DERSTRICT): no trailing zero bits (X.690 11.2.2).
         w.line("if ((pctxt->flags & ASN1DERSTRICT) && !asn1dataDerNamedBits(pvalue->data, pvalue->numbits))");
         w.line("   return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);");
      }
      emitChecks(w, &copy, "(*pvalue)", "*pvalue");
   }
   w.line("return 0;");
   w.close();
}

}
