#include "Kinds.h"

#include <map>

namespace asn1gen {

namespace {

std::map<std::string, const Unit*> g_units;
std::map<std::string, bool> g_freeMemo;

VKind primitiveKind(Type* t)
{
   using K = Type::Kind;
   switch (t->kind) {
   case K::Boolean: return VKind::Bool;
   case K::Integer:
      switch (t->repr) {
      case Repr::BigInt: return VKind::BigInt;
      case Repr::UInt16: return VKind::UInt16;
      case Repr::UInt32: return VKind::UInt;
      default: return VKind::Int;
      }
   case K::Enumerated: return VKind::Enum;
   case K::BitString: return t->named.empty() ? VKind::Bits : VKind::NamedBits;
   case K::OctetString: return t->repr == Repr::Fixed ? VKind::FixedOctets : VKind::Octets;
   case K::Null: return VKind::None;
   case K::ObjectId: return VKind::Oid;
   case K::CharString:
      if (charWidth(*t) == 2) return VKind::Str16;
      if (charWidth(*t) == 4) return VKind::Str32;
      return isUtf8(*t) ? VKind::Utf8 : VKind::Str8;
   case K::UTCTime: case K::GeneralizedTime: return VKind::Str8;
   case K::Any: return VKind::Open;
   case K::ClassField:
      if (isOpenType(*t)) return VKind::Open;
      if (t->classField && t->classField->type) return primitiveKind(t->classField->type.get());
      return VKind::None;
   case K::Sequence: case K::Set: case K::Choice: case K::SequenceOf: case K::SetOf:
      return VKind::Constructed;
   default:
      fail(t->loc, std::string("no XER form for ") + typeKindName(*t));
   }
}

// The end of a unit's typedef chain.
const Unit* rootOf(const Unit* u)
{
   for (int guard = 0; u && shapeOf(*u) == Shape::Typedef && guard < 100; ++guard) {
      std::string target;
      if (!unitName(u->type.get(), target)) break;
      const Unit* next = findUnit(target);
      if (!next) break;
      u = next;
   }
   return u;
}

ValueInfo infoOfUnit(const Unit* u, const std::string& name)
{
   ValueInfo v;
   v.unit = name;
   const Unit* r = rootOf(u);
   v.root = r->name;
   v.rootShape = shapeOf(*r);
   Type* rt = r->type.get();
   switch (v.rootShape) {
   case Shape::Sequence: case Shape::Set: case Shape::Choice: case Shape::List: case Shape::Array:
      v.kind = VKind::Constructed;
      break;
   case Shape::Null: v.kind = VKind::None; break;
   case Shape::NamedBits: v.kind = VKind::NamedBits; break;
   case Shape::FixedOctets: v.kind = VKind::FixedOctets; break;
   default:
      v.kind = primitiveKind(rt);
      v.namedNumbers = (rt->kind == Type::Kind::Integer && !rt->named.empty() && rt->repr != Repr::BigInt) ||
         rt->kind == Type::Kind::Enumerated;
   }
   return v;
}

}

void setUnitIndex(const std::vector<Unit>& all)
{
   g_units.clear();
   g_freeMemo.clear();
   for (const auto& u : all) g_units[u.name] = &u;
}

const Unit* findUnit(const std::string& name)
{
   auto it = g_units.find(name);
   return it == g_units.end() ? nullptr : it->second;
}

ValueInfo valueInfo(Type* t)
{
   std::string name;
   if (unitName(t, name)) {
      const Unit* u = findUnit(name);
      if (u) return infoOfUnit(u, name);
   }
   ValueInfo v;
   v.kind = primitiveKind(t);
   return v;
}

ValueInfo unitValueInfo(const Unit& u)
{
   return infoOfUnit(&u, u.name);
}

bool needsFree(Type* t)
{
   std::string name;
   if (unitName(t, name)) {
      const Unit* u = findUnit(name);
      if (u) return unitNeedsFree(*u);
   }
   switch (valueInfo(t).kind) {
   case VKind::BigInt: case VKind::Str8: case VKind::Utf8: case VKind::Str16: case VKind::Str32:
   case VKind::Octets: case VKind::Bits: case VKind::Open:
      return true;
   default:
      return false;
   }
}

bool unitNeedsFree(const Unit& u)
{
   auto it = g_freeMemo.find(u.name);
   if (it != g_freeMemo.end()) return it->second;
   g_freeMemo[u.name] = true;   // a recursive type reaches the heap through pointers or lists
   bool r = false;
   switch (shapeOf(u)) {
   case Shape::Typedef: {
      std::string target;
      const Unit* t = unitName(u.type.get(), target) ? findUnit(target) : nullptr;
      r = t && unitNeedsFree(*t);
      break;
   }
   case Shape::Sequence: case Shape::Set:
      r = u.type->extensible;
      for (const auto& c : u.type->components)
         r = r || c.type->repr == Repr::Pointer || needsFree(c.type.get());
      break;
   case Shape::Choice:
      for (const auto& c : u.type->components) r = r || !recordType(c.type.get()).empty();
      break;
   case Shape::List: case Shape::Array: r = true; break;
   case Shape::Primitive: {
      Type copy = *u.type;
      copy.genName.clear();
      r = needsFree(&copy);
      break;
   }
   default: r = false;
   }
   g_freeMemo[u.name] = r;
   return r;
}

bool xerByValueInfo(const ValueInfo& v)
{
   return v.kind == VKind::Int || v.kind == VKind::UInt || v.kind == VKind::Enum || v.kind == VKind::BigInt;
}

bool xerByValue(const Unit& u)
{
   return xerByValueInfo(unitValueInfo(u));
}

std::string asnName(const Unit& u)
{
   return u.topLevel() ? u.assignment->name : u.name;
}

bool hasRecordContext(const Unit& u)
{
   Shape s = shapeOf(u);
   return s == Shape::Sequence || s == Shape::Set || s == Shape::Choice || s == Shape::List;
}

std::string elementNameOf(Type* t)
{
   using K = Type::Kind;
   ValueInfo v = valueInfo(t);
   if (v.kind == VKind::Constructed && v.rootShape == Shape::Choice) return "";
   if (t->kind == K::Reference) return t->refName;
   switch (t->kind) {
   case K::Boolean: return "BOOLEAN";
   case K::Integer: return "INTEGER";
   case K::Enumerated: return "ENUMERATED";
   case K::BitString: return "BIT_STRING";
   case K::OctetString: return "OCTET_STRING";
   case K::Null: return "NULL";
   case K::ObjectId: return "OBJECT_IDENTIFIER";
   case K::CharString: return t->stringType;
   case K::UTCTime: return "UTCTime";
   case K::GeneralizedTime: return "GeneralizedTime";
   case K::Sequence: return "SEQUENCE";
   case K::Set: return "SET";
   case K::SequenceOf: return "SEQUENCE_OF";
   case K::SetOf: return "SET_OF";
   case K::Choice: return "";
   case K::ClassField:
      if (!isOpenType(*t) && t->classField && t->classField->type) return elementNameOf(t->classField->type.get());
      return "OPEN_TYPE";
   default: return "ANY";
   }
}

}
