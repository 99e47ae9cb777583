// Pass 2: the parser cannot tell `a B ::= {...}` (a value) from an
// information object, nor `S B ::= {...}` (a value set) from an object set,
// nor `C ::= D` (a type) from a class alias: that depends on what B and D
// are. Once the symbol tables exist, this pass decides.
#include "Resolver.h"

namespace asn1gen {

namespace {

Assignment* governorClass(Program& prog, Module& m, const TypePtr& t)
{
   if (!t || t->kind != Type::Kind::Reference || !t->tags.empty() || !t->constraints.empty())
      return nullptr;
   Assignment* a = tryLookup(prog, m, t->refName, t->refModule);
   return a && a->kind == Assignment::Kind::Class ? a : nullptr;
}

}

void classifyAssignments(Program& prog)
{
   // Class aliases first, to a fixed point: an alias may name an alias of
   // another module.
   for (bool changed = true; changed;) {
      changed = false;
      for (auto& m : prog.modules)
         for (auto& a : m->assignments) {
            if (a->kind != Assignment::Kind::Type) continue;
            Assignment* c = governorClass(prog, *m, a->type);
            if (!c || !c->objClass) continue;
            if (a->type->hasParams) fail(a->loc, "parameterised classes are not supported");
            a->kind = Assignment::Kind::Class;
            a->objClass = c->objClass;
            a->className = c->name;
            changed = true;
         }
   }
   for (auto& m : prog.modules)
      for (auto& a : m->assignments) {
         if (a->kind == Assignment::Kind::Value) {
            Assignment* c = governorClass(prog, *m, a->type);
            if (!c) continue;
            a->kind = Assignment::Kind::Object;
            a->className = c->name;
            if (a->value->kind != Value::Kind::Braced && a->value->kind != Value::Kind::Ref)
               fail(a->value->loc, "object '" + a->name + "' must be defined in braces");
         }
         else if (a->kind == Assignment::Kind::ValueSet) {
            Assignment* c = governorClass(prog, *m, a->type);
            if (c) {
               a->kind = Assignment::Kind::ObjectSet;
               a->className = c->name;
            }
         }
      }
}

}
