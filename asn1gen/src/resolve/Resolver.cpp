// The pass driver and the tree helpers shared by the passes.
#include "Resolver.h"

namespace asn1gen {

void resolveProgram(Program& prog)
{
   bindSymbols(prog);
   classifyAssignments(prog);
   resolveReferences(prog);
   resolveObjects(prog);
   resolveValues(prog);
   resolveOids(prog);
   resolveTags(prog);
   assignNames(prog);
   applyRepresentation(prog);
}

Type* baseType(Type* t)
{
   // Chains are checked for cycles by resolveReferences; the bound keeps a
   // tree that was not checked from looping.
   for (int guard = 0; t && t->kind == Type::Kind::Reference && guard < 1000; ++guard) {
      if (!t->target || !t->target->type) return t;
      t = t->target->type.get();
   }
   return t;
}

Type* baseType(const TypePtr& t) { return baseType(t.get()); }

ObjectClass* classOf(Assignment* a)
{
   // Aliases share the ObjectClass of the class they name (Classify.cpp).
   if (!a || a->kind != Assignment::Kind::Class) return nullptr;
   return a->objClass.get();
}

void walkType(const TypePtr& t, const std::function<void(const TypePtr&)>& fn)
{
   if (!t) return;
   fn(t);
   for (auto& c : t->components) walkType(c.type, fn);
   if (t->element) walkType(t->element, fn);
   for (auto& c : t->constraints) {
      std::function<void(const ConstraintPtr&)> wc = [&](const ConstraintPtr& k) {
         if (!k) return;
         if (k->type) walkType(k->type, fn);
         for (auto& ch : k->children) wc(ch);
      };
      wc(c);
   }
}

void walkModuleTypes(Module& m, const std::function<void(const TypePtr&, Assignment&)>& fn)
{
   for (auto& a : m.assignments) {
      // The governor of an object or object set names a class, not a type.
      bool governedByClass = a->kind == Assignment::Kind::Object ||
         a->kind == Assignment::Kind::ObjectSet || a->kind == Assignment::Kind::Class;
      if (a->type && !governedByClass) walkType(a->type, [&](const TypePtr& t) { fn(t, *a); });
      for (auto& s : a->settings)
         if (s.second.type) walkType(s.second.type, [&](const TypePtr& t) { fn(t, *a); });
      if (a->objClass)
         for (auto& f : a->objClass->fields)
            if (f.type) walkType(f.type, [&](const TypePtr& t) { fn(t, *a); });
   }
}

bool universalTag(const Type& t, uint32_t& num)
{
   using K = Type::Kind;
   switch (t.kind) {
   case K::Boolean: num = 1; return true;
   case K::Integer: num = 2; return true;
   case K::BitString: num = 3; return true;
   case K::OctetString: num = 4; return true;
   case K::Null: num = 5; return true;
   case K::ObjectId: num = 6; return true;
   case K::External: num = 8; return true;
   case K::Real: num = 9; return true;
   case K::Enumerated: num = 10; return true;
   case K::EmbeddedPdv: num = 11; return true;
   case K::RelativeOid: num = 13; return true;
   case K::Sequence: case K::SequenceOf: num = 16; return true;
   case K::Set: case K::SetOf: num = 17; return true;
   case K::UTCTime: num = 23; return true;
   case K::GeneralizedTime: num = 24; return true;
   case K::CharString: {
      static const struct { const char* name; uint32_t tag; } tags[] = {
         {"UTF8String", 12}, {"NumericString", 18}, {"PrintableString", 19},
         {"TeletexString", 20}, {"T61String", 20}, {"VideotexString", 21},
         {"IA5String", 22}, {"GraphicString", 25}, {"VisibleString", 26},
         {"ISO646String", 26}, {"GeneralString", 27}, {"UniversalString", 28},
         {"BMPString", 30}, {"ObjectDescriptor", 7}};
      for (const auto& e : tags)
         if (t.stringType == e.name) { num = e.tag; return true; }
      return false;
   }
   case K::ClassField:
      if (t.classField && t.classField->kind == ClassField::Kind::FixedValue && t.classField->type) {
         Type* b = baseType(t.classField->type);
         return b && universalTag(*b, num);
      }
      return false;
   default:
      return false;
   }
}

bool isOpenType(const Type& t)
{
   if (t.kind == Type::Kind::Any || t.kind == Type::Kind::OpenType) return true;
   return t.kind == Type::Kind::ClassField && t.classField &&
      t.classField->kind == ClassField::Kind::Type;
}

const char* typeKindName(const Type& t)
{
   using K = Type::Kind;
   switch (t.kind) {
   case K::Boolean: return "BOOLEAN";
   case K::Integer: return "INTEGER";
   case K::Enumerated: return "ENUMERATED";
   case K::Real: return "REAL";
   case K::BitString: return "BIT STRING";
   case K::OctetString: return "OCTET STRING";
   case K::Null: return "NULL";
   case K::ObjectId: return "OBJECT IDENTIFIER";
   case K::RelativeOid: return "RELATIVE-OID";
   case K::CharString: return "character string";
   case K::UTCTime: return "UTCTime";
   case K::GeneralizedTime: return "GeneralizedTime";
   case K::Sequence: return "SEQUENCE";
   case K::Set: return "SET";
   case K::SequenceOf: return "SEQUENCE OF";
   case K::SetOf: return "SET OF";
   case K::Choice: return "CHOICE";
   case K::Any: return "ANY";
   case K::OpenType: return "open type";
   case K::Reference: return "type reference";
   case K::ClassField: return "class field";
   case K::External: return "EXTERNAL";
   case K::EmbeddedPdv: return "EMBEDDED PDV";
   }
   return "type";
}

}
