// Pass 3: every type reference is bound to the assignment it names, class
// field references to the field of their class, and chains of type
// references are checked for cycles (A ::= B, B ::= A).
#include "Resolver.h"

#include <set>

namespace asn1gen {

namespace {

void bindType(Program& prog, Module& m, const TypePtr& t)
{
   if (t->kind == Type::Kind::Reference) {
      if (t->hasParams) fail(t->loc, "parameterised type '" + t->refName + "' is not supported");
      Assignment* a = lookup(prog, m, t->refName, t->refModule, t->loc);
      if (a->kind == Assignment::Kind::Class)
         fail(t->loc, "class '" + t->refName + "' used as a type");
      if (a->kind != Assignment::Kind::Type)
         fail(t->loc, "'" + t->refName + "' is not a type");
      if (!a->params.empty() || t->hasParams)
         fail(t->loc, "parameterised type '" + t->refName + "' is not supported");
      t->target = a;
      t->targetModule = a->module;
   }
   else if (t->kind == Type::Kind::ClassField) {
      Assignment* a = lookup(prog, m, t->refName, "", t->loc);
      ObjectClass* c = classOf(a);
      if (!c) fail(t->loc, "'" + t->refName + "' is not a class");
      if (t->fieldPath.size() != 1)
         fail(t->loc, "field chains such as " + t->refName + "." + t->fieldPath[0] + ".&... are not supported");
      const ClassField* field = nullptr;
      for (const auto& f : c->fields)
         if (f.name == t->fieldPath[0]) field = &f;
      if (!field) fail(t->loc, "class " + t->refName + " has no field " + t->fieldPath[0]);
      t->classField = field;
      for (auto& k : t->constraints)
         if (k->kind == Constraint::Kind::Table) t->tableConstraint = k;
      if (t->tableConstraint) {
         Assignment* set = lookup(prog, m, t->tableConstraint->objectSet, "", t->tableConstraint->loc);
         if (set->kind != Assignment::Kind::ObjectSet)
            fail(t->tableConstraint->loc, "'" + set->name + "' is not an object set");
         t->objectSet = set;
      }
   }
}

}

void bindTypeTree(Program& prog, Module& m, const TypePtr& t)
{
   walkType(t, [&](const TypePtr& x) { bindType(prog, m, x); });
}

void resolveReferences(Program& prog)
{
   for (auto& m : prog.modules)
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) { bindType(prog, *m, t); });

   // COMPONENTS OF T (X.680 25.4): the root components of the SEQUENCE T
   // take its place.
   for (auto& m : prog.modules)
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) {
         for (size_t i = 0; i < t->components.size(); ++i) {
            if (!t->components[i].componentsOf) continue;
            Component co = t->components[i];
            Type* src = baseType(co.type);
            if (!src || src->kind != t->kind)
               fail(co.loc, "COMPONENTS OF needs a type of the same kind (SEQUENCE or SET)");
            std::vector<Component> root;
            for (const auto& c : src->components)
               if (!c.extensionAddition && !c.componentsOf) root.push_back(c);
            t->components.erase(t->components.begin() + i);
            t->components.insert(t->components.begin() + i, root.begin(), root.end());
            i += root.size() - 1;
         }
      });

   // Cycles of plain references: A ::= B ::= ... ::= A has no base type.
   for (auto& m : prog.modules)
      for (auto& a : m->assignments) {
         if (a->kind != Assignment::Kind::Type) continue;
         std::set<Assignment*> seen{a.get()};
         Type* t = a->type.get();
         while (t->kind == Type::Kind::Reference) {
            Assignment* next = t->target;
            if (!seen.insert(next).second)
               fail(a->loc, "type '" + a->name + "' is defined in terms of itself");
            t = next->type.get();
         }
      }
}

}
