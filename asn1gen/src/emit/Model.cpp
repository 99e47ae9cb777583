#include "Model.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>

namespace asn1gen {

std::vector<OidConstant> oidConstants(Module& m)
{
   std::vector<OidConstant> out;
   for (auto& a : m.assignments) {
      if (a->kind != Assignment::Kind::Value) continue;
      Type* gov = baseType(a->type);
      if (gov && gov->kind == Type::Kind::ObjectId && a->value->oidResolved)
         out.push_back({cName(a->name), a->value->oid});
   }
   return out;
}

std::vector<Unit> unitsOf(Module& m)
{
   std::vector<Unit> units;
   for (auto& a : m.assignments)
      if (a->kind == Assignment::Kind::Type && a->params.empty())
         units.push_back({a->type->genName, a->type, &m, a.get()});
   for (auto& t : m.derivedTypes)
      if (!t->sharedWith) units.push_back({t->genName, t, &m, nullptr});
   return units;
}

Shape shapeOfType(Type* t)
{
   using K = Type::Kind;
   switch (t->kind) {
   case K::Reference: return Shape::Typedef;
   case K::Null: return Shape::Null;
   case K::Sequence: return Shape::Sequence;
   case K::Set: return Shape::Set;
   case K::Choice: return Shape::Choice;
   case K::SequenceOf:
   case K::SetOf: return t->repr == Repr::Array ? Shape::Array : Shape::List;
   case K::BitString: return t->named.empty() ? Shape::Primitive : Shape::NamedBits;
   case K::OctetString: return t->repr == Repr::Fixed ? Shape::FixedOctets : Shape::Primitive;
   default: return Shape::Primitive;
   }
}

Shape shapeOf(const Unit& u) { return shapeOfType(u.type.get()); }

bool unitName(Type* t, std::string& name)
{
   if (t->kind == Type::Kind::Reference) {
      if (!t->target || !t->target->type) return false;
      name = t->target->type->genName;
      return true;
   }
   if (!t->genName.empty()) {
      name = t->genName;
      return true;
   }
   return false;
}

Type* primitiveBase(Type* t) { return baseType(t); }

std::string recordType(Type* t)
{
   std::string name;
   if (unitName(t, name)) {
      Type* b = baseType(t);
      if (b && b->kind == Type::Kind::Null) return "";
      return "ASN1T_" + name;
   }
   return primitiveRecordType(t);
}

std::string primitiveRecordType(Type* t)
{
   using K = Type::Kind;
   switch (t->kind) {
   case K::Boolean: return "OSBOOL";
   case K::Integer:
      switch (t->repr) {
      case Repr::BigInt: return "const char*";
      case Repr::UInt16: return "OSUINT16";
      case Repr::UInt32: return "OSUINT32";
      default: return "OSINT32";
      }
   case K::Enumerated: return "OSUINT32";
   case K::BitString: return "ASN1TDynBitStr";
   case K::OctetString: return "ASN1TDynOctStr";
   case K::Null: return "";
   case K::ObjectId: return "ASN1TObjId";
   case K::CharString:
      switch (charWidth(*t)) {
      case 2: return "Asn116BitCharString";
      case 4: return "Asn132BitCharString";
      default: return "const char*";
      }
   case K::UTCTime:
   case K::GeneralizedTime: return "const char*";
   case K::Any: return "ASN1TOpenType";
   case K::ClassField:
      if (isOpenType(*t)) {
         // An open type whose object is chosen by a component beside it
         // carries the decoded value too.
         if (t->tableConstraint && !t->tableConstraint->atPaths.empty()) return "Asn1TObject";
         return "ASN1TOpenType";
      }
      if (t->classField && t->classField->type) return recordType(t->classField->type.get());
      fail(t->loc, "this class field cannot be used as a type");
   case K::Reference:
      return recordType(t);
   default:
      fail(t->loc, std::string(typeKindName(*t)) + " is not supported by the generator");
   }
}

uint32_t namedBitsCapacity(Type* t)
{
   int64_t hi = 0;
   for (const auto& n : t->named)
      if (n.num > hi) hi = n.num;
   return static_cast<uint32_t>(hi + 1);
}

uint32_t fixedOctetsCapacity(Type* t)
{
   Bounds b = sizeBounds(t);
   if (!b.hi || *b.hi <= 0 || *b.hi > 65536)
      fail(t->loc, "a fixed-capacity OCTET STRING needs an upper SIZE bound up to 65536");
   return static_cast<uint32_t>(*b.hi);
}

uint32_t tagWord(const Tag& tag, bool constructed)
{
   uint32_t cls = 0;
   switch (tag.cls) {
   case TagClass::Universal: cls = 0; break;
   case TagClass::Application: cls = 0x40000000u; break;
   case TagClass::Context: cls = 0x80000000u; break;
   case TagClass::Private: cls = 0xC0000000u; break;
   }
   return cls | (constructed ? 0x20000000u : 0) | tag.num;
}

uint32_t universalWord(uint32_t number, bool constructed)
{
   return (constructed ? 0x20000000u : 0) | number;
}

std::string tagText(uint32_t w)
{
   // The names of the run-time's tag fields, as a reader of the code knows
   // them: ASN1_TAG_SEQ, (TM_UNIV|ASN1_ID_INT), (TM_CTXT|TM_CONS|3).
   static const char* const universalIds[] = {
      "ASN1_ID_EOC", "ASN1_ID_BOOL", "ASN1_ID_INT", "ASN1_ID_BITSTR", "ASN1_ID_OCTSTR", "ASN1_ID_NULL",
      "ASN1_ID_OBJID", "ASN1_ID_OBJDSC", "ASN1_ID_EXTERN", "ASN1_ID_REAL", "ASN1_ID_ENUM", "ASN1_ID_EPDV",
      "ASN1_ID_UTF8STR", "ASN1_ID_RELOID", nullptr, nullptr, "ASN1_ID_SEQ", "ASN1_ID_SET", "ASN1_ID_NUMSTR",
      "ASN1_ID_PRTSTR", "ASN1_ID_T61STR", "ASN1_ID_VIDSTR", "ASN1_ID_IA5STR", "ASN1_ID_UTCTIME",
      "ASN1_ID_GENTIME", "ASN1_ID_GRASTR", "ASN1_ID_VISSTR", "ASN1_ID_GENSTR", "ASN1_ID_UNIVSTR", nullptr,
      "ASN1_ID_BMPSTR"};
   const uint32_t cls = w & 0xC0000000u;
   const bool constructed = (w & 0x20000000u) != 0;
   const uint32_t number = w & 0x1FFFFFFFu;
   if (cls == 0 && constructed && number == 16) return "ASN1_TAG_SEQ";
   if (cls == 0 && constructed && number == 17) return "ASN1_TAG_SET";
   std::string text = "(";
   switch (cls) {
   case 0x00000000u: text += "TM_UNIV"; break;
   case 0x40000000u: text += "TM_APPL"; break;
   case 0x80000000u: text += "TM_CTXT"; break;
   default: text += "TM_PRIV"; break;
   }
   if (constructed) text += "|TM_CONS";
   const size_t ids = sizeof universalIds / sizeof universalIds[0];
   if (cls == 0 && number < ids && universalIds[number] != nullptr) text += std::string("|") + universalIds[number];
   else text += "|" + std::to_string(number);
   return text + ")";
}

bool constructedFrom(Type* t, size_t k)
{
   // An implicit tag takes the form of the tag it replaces; an explicit tag
   // is always constructed.
   if (k < t->tags.size()) return t->tags[k].explicitTag ? true : constructedFrom(t, k + 1);
   return baseConstructed(t);
}

bool baseConstructed(Type* t)
{
   using K = Type::Kind;
   if (t->kind == K::Reference) {
      Type* target = t->target ? t->target->type.get() : nullptr;
      return target ? constructedFrom(target, 0) : false;
   }
   switch (t->kind) {
   case K::Sequence: case K::Set: case K::SequenceOf: case K::SetOf: case K::Choice:
   case K::External: case K::EmbeddedPdv:
      return true;
   default:
      return false;
   }
}

namespace {

void hull(Bounds& acc, const Bounds& b, bool first)
{
   if (first) { acc = b; return; }
   if (!acc.lo || !b.lo) acc.lo.reset(); else acc.lo = std::min(*acc.lo, *b.lo);
   if (!acc.hi || !b.hi) acc.hi.reset(); else acc.hi = std::max(*acc.hi, *b.hi);
}

void intersect(Bounds& acc, const Bounds& b)
{
   if (b.lo) acc.lo = acc.lo ? std::max(*acc.lo, *b.lo) : *b.lo;
   if (b.hi) acc.hi = acc.hi ? std::min(*acc.hi, *b.hi) : *b.hi;
}

std::optional<int64_t> num(const ValuePtr& v)
{
   if (!v || v->kind == Value::Kind::Min || v->kind == Value::Kind::Max) return std::nullopt;
   return v->number;
}

// Value bounds of one element set; `known` is cleared when the set holds
// something that is not a plain range (then no check is generated).
Bounds evalValue(const ConstraintPtr& c, bool& known)
{
   using K = Constraint::Kind;
   Bounds b;
   switch (c->kind) {
   case K::Range:
      b.lo = num(c->lower);
      b.hi = num(c->upper);
      if (b.lo && c->lowerOpen) ++*b.lo;
      if (b.hi && c->upperOpen) --*b.hi;
      if ((c->lower->kind != Value::Kind::Min && !b.lo) || (c->upper->kind != Value::Kind::Max && !b.hi))
         known = false;
      return b;
   case K::Single:
      b.lo = b.hi = num(c->value);
      if (!b.lo) known = false;
      return b;
   case K::Union: {
      bool first = true;
      for (auto& ch : c->children) { hull(b, evalValue(ch, known), first); first = false; }
      return b;
   }
   case K::Intersection:
      for (auto& ch : c->children) intersect(b, evalValue(ch, known));
      return b;
   default:
      known = false;
      return b;
   }
}

Bounds evalSize(const ConstraintPtr& c, bool& found, bool& known)
{
   using K = Constraint::Kind;
   Bounds b;
   switch (c->kind) {
   case K::Size:
      found = true;
      return evalValue(c->children.front(), known);
   case K::Union: {
      bool first = true;
      for (auto& ch : c->children) {
         bool f = false;
         Bounds x = evalSize(ch, f, known);
         if (!f) { known = false; continue; }
         found = true;
         hull(b, x, first);
         first = false;
      }
      return b;
   }
   case K::Intersection:
      for (auto& ch : c->children) {
         bool f = false;
         Bounds x = evalSize(ch, f, known);
         if (f) { found = true; intersect(b, x); }
      }
      return b;
   default:
      return b;   // FROM, table and opaque parts do not bound the size
   }
}

}

Bounds sizeBounds(Type* t)
{
   Bounds all;
   std::vector<ConstraintPtr> cs = t->constraints;
   if (t->sizeOfConstraint) cs.push_back(t->sizeOfConstraint);
   for (auto& c : cs) {
      if (c->kind == Constraint::Kind::Extensible) continue;   // not enforced by BER
      bool found = false, known = true;
      Bounds b = evalSize(c, found, known);
      if (found && known) intersect(all, b);
   }
   return all;
}

Bounds valueBounds(Type* t)
{
   Bounds all;
   for (auto& c : t->constraints) {
      using K = Constraint::Kind;
      if (c->kind != K::Range && c->kind != K::Single && c->kind != K::Union &&
          c->kind != K::Intersection)
         continue;
      bool known = true;
      Bounds b = evalValue(c, known);
      if (known) intersect(all, b);
   }
   return all;
}

int charWidth(const Type& t)
{
   if (t.stringType == "BMPString") return 2;
   if (t.stringType == "UniversalString") return 4;
   return 1;
}

bool isUtf8(const Type& t) { return t.stringType == "UTF8String"; }

std::string fieldName(const std::string& asn)
{
   static const std::set<std::string> keywords = {
      "auto", "bool", "break", "case", "catch", "char", "class", "const", "continue",
      "default", "delete", "do", "double", "else", "enum", "explicit", "extern", "false",
      "float", "for", "friend", "goto", "if", "inline", "int", "long", "namespace", "new",
      "operator", "private", "protected", "public", "register", "return", "short",
      "signed", "sizeof", "static", "struct", "switch", "template", "this", "throw",
      "true", "try", "typedef", "typename", "union", "unsigned", "using", "virtual",
      "void", "volatile", "while", "m", "t", "u", "mpContext", "extElem1"};
   std::string n = cName(asn);
   if (keywords.count(n)) n += "_";
   return n;
}

void firstTagWords(Type* t, std::vector<uint32_t>& out, bool& any)
{
   std::function<void(Type*, int)> walk = [&](Type* x, int depth) {
      if (!x || depth > 64) return;
      if (!x->tags.empty()) { out.push_back(tagWord(x->tags.front(), false)); return; }
      if (x->kind == Type::Kind::Reference) {
         walk(x->target ? x->target->type.get() : nullptr, depth + 1);
         return;
      }
      if (x->kind == Type::Kind::Choice) {
         for (auto& c : x->components) walk(c.type.get(), depth + 1);
         return;
      }
      if (isOpenType(*x)) { any = true; return; }
      uint32_t n;
      if (universalTag(*x, n)) out.push_back(n);
   };
   walk(t, 0);
}

}

namespace asn1gen {

std::string asnText(const Type& t)
{
   std::string s;
   for (const auto& tag : t.tags) {
      s += "[";
      if (tag.cls == TagClass::Application) s += "APPLICATION ";
      else if (tag.cls == TagClass::Private) s += "PRIVATE ";
      else if (tag.cls == TagClass::Universal) s += "UNIVERSAL ";
      s += std::to_string(tag.num) + "] " + (tag.explicitTag ? "EXPLICIT " : "IMPLICIT ");
   }
   using K = Type::Kind;
   switch (t.kind) {
   case K::Reference: s += t.refName; break;
   case K::CharString: s += t.stringType; break;
   case K::ClassField:
      s += t.refName;
      for (const auto& f : t.fieldPath) s += "." + f;
      break;
   case K::SequenceOf:
   case K::SetOf:
      s += std::string(t.kind == K::SequenceOf ? "SEQUENCE OF " : "SET OF ") + asnText(*t.element);
      break;
   case K::Any:
      s += "ANY";
      if (!t.definedBy.empty()) s += " DEFINED BY " + t.definedBy;
      break;
   default: s += typeKindName(t); break;
   }
   return s;
}

}

namespace asn1gen {

std::set<std::string> recursiveUnits(const std::vector<Unit>& all)
{
   // Edges: the units a unit's own type tree names directly.
   std::map<std::string, std::set<std::string>> edges;
   for (const auto& u : all) {
      std::set<std::string>& out = edges[u.name];
      std::function<void(Type*, bool)> walk = [&](Type* t, bool root) {
         std::string name;
         if (!root && unitName(t, name)) { out.insert(name); return; }
         for (auto& c : t->components) walk(c.type.get(), false);
         if (t->element) walk(t->element.get(), false);
         if (root && t->kind == Type::Kind::Reference && unitName(t, name)) out.insert(name);
      };
      walk(u.type.get(), true);
   }
   std::set<std::string> result;
   for (const auto& u : all) {
      // Depth-first search from the unit's successors back to the unit.
      std::set<std::string> seen;
      std::vector<std::string> stack(edges[u.name].begin(), edges[u.name].end());
      while (!stack.empty()) {
         std::string n = stack.back();
         stack.pop_back();
         if (n == u.name) { result.insert(u.name); break; }
         if (!seen.insert(n).second) continue;
         auto it = edges.find(n);
         if (it != edges.end()) stack.insert(stack.end(), it->second.begin(), it->second.end());
      }
   }
   return result;
}

}
