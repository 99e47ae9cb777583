// Pass 9: the configuration's representation choices are attached to the
// types and components they name, after checking that each fits: bigint,
// uint16 and uint32 only on INTEGER, array only on SEQUENCE OF / SET OF,
// pointer only on a component of constructed type, fixed only on an OCTET
// STRING with an upper size bound; xeroctets marks a SEQUENCE.
#include "Resolver.h"

namespace asn1gen {

namespace {

bool isConstructed(const Type& b)
{
   using K = Type::Kind;
   return b.kind == K::Sequence || b.kind == K::Set || b.kind == K::Choice ||
      b.kind == K::SequenceOf || b.kind == K::SetOf;
}

void apply(const ConfigEntry& e, const TypePtr& t, const std::string& what)
{
   Type* b = baseType(t);
   switch (e.repr) {
   case Repr::BigInt:
   case Repr::UInt16:
   case Repr::UInt32:
      if (!b || b->kind != Type::Kind::Integer)
         fail(e.loc, std::string(reprName(e.repr)) + " needs an INTEGER, " + what + " is " +
              (b ? typeKindName(*b) : "unresolved"));
      break;
   case Repr::Array:
      if (t->kind != Type::Kind::SequenceOf && t->kind != Type::Kind::SetOf)
         fail(e.loc, "array needs a SEQUENCE OF or SET OF, " + what + " is " + typeKindName(*t));
      break;
   case Repr::Pointer:
      if (!b || !isConstructed(*b))
         fail(e.loc, "pointer needs a component of constructed type, " + what + " is " +
              (b ? typeKindName(*b) : "unresolved"));
      break;
   case Repr::Fixed:
      if (t->kind != Type::Kind::OctetString)
         fail(e.loc, "fixed needs an OCTET STRING, " + what + " is " + typeKindName(*t));
      break;
   case Repr::Default:
      break;
   }
   t->repr = e.repr;
}

}

void applyRepresentation(Program& prog)
{
   for (auto& e : prog.config.entries) {
      auto mit = prog.byName.find(e.module);
      if (mit == prog.byName.end()) continue;   // module not generated in this run
      Module& m = *mit->second;
      TypePtr t;
      for (auto& a : m.assignments)
         if (a->kind == Assignment::Kind::Type && a->type->genName == e.type) t = a->type;
      if (!t) {
         auto d = m.derivedByName.find(e.type);
         if (d != m.derivedByName.end()) t = d->second;
      }
      if (!t) fail(e.loc, "module " + e.module + " has no type " + e.type);
      if (e.xerOctets) {
         if (!e.component.empty()) fail(e.loc, "xeroctets names a type: <Module>.<Type>");
         if (t->kind != Type::Kind::Sequence) fail(e.loc, "xeroctets needs a SEQUENCE, " + e.type + " is " + typeKindName(*t));
         t->xerUnknownAsOctets = true;
         continue;
      }
      if (e.component.empty()) {
         if (e.repr == Repr::Pointer) fail(e.loc, "pointer names a component: <Module>.<Type>.<component>");
         apply(e, t, e.type);
         continue;
      }
      Type* holder = t.get();
      const Component* found = nullptr;
      for (auto& c : holder->components)
         if (c.name == e.component) found = &c;
      if (!found) fail(e.loc, "type " + e.type + " has no component " + e.component);
      apply(e, found->type, e.type + "." + e.component);
   }
}

}
