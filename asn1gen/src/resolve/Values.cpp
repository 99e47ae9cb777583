// Pass 4: integer values: named numbers and ENUMERATED items, tag numbers,
// the bounds and single values of constraints, DEFAULT values of INTEGER,
// ENUMERATED and BOOLEAN components.
#include "Resolver.h"

#include <cerrno>
#include <cstdlib>
#include <set>

namespace asn1gen {

namespace {

int64_t parseNumber(const Value& v)
{
   errno = 0;
   char* end = nullptr;
   long long n = std::strtoll(v.text.c_str(), &end, 10);
   if (errno == ERANGE || !end || *end)
      fail(v.loc, "number " + v.text + " does not fit in 64 bits");
   return n;
}

int64_t intValueGuarded(Program& prog, Module& m, const ValuePtr& v, int depth)
{
   if (v->number) return *v->number;
   if (depth > 64) fail(v->loc, "value '" + v->text + "' is defined in terms of itself");
   if (v->kind == Value::Kind::Number) {
      v->number = parseNumber(*v);
      return *v->number;
   }
   if (v->kind != Value::Kind::Ref) fail(v->loc, "expected an integer value");
   Assignment* a = lookup(prog, m, v->text, v->refModule, v->loc);
   if (a->kind != Assignment::Kind::Value)
      fail(v->loc, "'" + v->text + "' is not a value");
   Type* gov = baseType(a->type);
   if (!gov || gov->kind != Type::Kind::Integer)
      fail(v->loc, "'" + v->text + "' is not an INTEGER value");
   int64_t n = intValueGuarded(prog, *a->module, a->value, depth + 1);
   v->number = n;
   return n;
}

void resolveNamed(Program& prog, Module& m, Type& t)
{
   std::set<int64_t> used;
   if (t.kind == Type::Kind::Enumerated) {
      // X.680 20.3: items without a number take the smallest non-negative
      // number not used by an item with one, in order of appearance.
      for (auto* list : {&t.named, &t.enumAdditions})
         for (auto& n : *list)
            if (n.value) {
               n.num = intValue(prog, m, n.value);
               if (!used.insert(n.num).second)
                  fail(n.loc, "value " + std::to_string(n.num) + " is used twice");
            }
      int64_t nextFree = 0;
      for (auto* list : {&t.named, &t.enumAdditions})
         for (auto& n : *list)
            if (!n.value) {
               while (used.count(nextFree)) ++nextFree;
               n.num = nextFree;
               used.insert(nextFree);
            }
      return;
   }
   for (auto& n : t.named) {
      n.num = intValue(prog, m, n.value);
      if (!used.insert(n.num).second)
         fail(n.loc, "value " + std::to_string(n.num) + " is used twice");
      if (t.kind == Type::Kind::BitString && (n.num < 0 || n.num > 0xFFFF))
         fail(n.loc, "named bit " + n.name + " out of range");
   }
}

void resolveConstraintValues(Program& prog, Module& m, const ConstraintPtr& c)
{
   if (!c) return;
   auto num = [&](const ValuePtr& v) {
      if (v && (v->kind == Value::Kind::Number || v->kind == Value::Kind::Ref)) intValue(prog, m, v);
   };
   if (c->kind == Constraint::Kind::Range) { num(c->lower); num(c->upper); }
   if (c->kind == Constraint::Kind::Single) num(c->value);
   for (auto& ch : c->children) resolveConstraintValues(prog, m, ch);
}

void resolveDefault(Program& prog, Module& m, Component& c)
{
   if (!c.defaultValue) return;
   Type* bt = baseType(c.type);
   ValuePtr v = c.defaultValue;
   switch (bt->kind) {
   case Type::Kind::Boolean:
      if (v->kind != Value::Kind::Bool)
         fail(v->loc, "DEFAULT of BOOLEAN component '" + c.name + "' must be TRUE or FALSE");
      break;
   case Type::Kind::Integer:
   case Type::Kind::Enumerated:
      if (v->kind == Value::Kind::Ref && v->refModule.empty()) {
         for (auto& n : bt->named)
            if (n.name == v->text) { v->number = n.num; return; }
         for (auto& n : bt->enumAdditions)
            if (n.name == v->text) { v->number = n.num; return; }
         if (bt->kind == Type::Kind::Enumerated)
            fail(v->loc, "'" + v->text + "' is not an item of the ENUMERATED type of '" + c.name + "'");
      }
      intValue(prog, m, v);
      break;
   default:
      break;
   }
}

}

int64_t intValue(Program& prog, Module& m, const ValuePtr& v)
{
   return intValueGuarded(prog, m, v, 0);
}

void resolveValues(Program& prog)
{
   for (auto& m : prog.modules) {
      // Named numbers first: DEFAULT values below refer to them.
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) {
         if (!t->named.empty() || !t->enumAdditions.empty()) resolveNamed(prog, *m, *t);
      });
   }
   for (auto& m : prog.modules) {
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) {
         for (auto& tag : t->tags) {
            int64_t n = intValue(prog, *m, tag.number);
            if (n < 0 || n > 0x1FFFFFFF) fail(tag.loc, "tag number " + std::to_string(n) + " out of range");
            tag.num = static_cast<uint32_t>(n);
         }
         for (auto& c : t->constraints) resolveConstraintValues(prog, *m, c);
         if (t->sizeOfConstraint) resolveConstraintValues(prog, *m, t->sizeOfConstraint);
         for (auto& c : t->components) resolveDefault(prog, *m, c);
      });
      for (auto& a : m->assignments)
         if (a->kind == Assignment::Kind::Value && a->value) {
            Type* gov = baseType(a->type);
            if (gov && gov->kind == Type::Kind::Integer) intValue(prog, *m, a->value);
            if (gov && gov->kind == Type::Kind::Boolean && a->value->kind != Value::Kind::Bool)
               fail(a->value->loc, "BOOLEAN value '" + a->name + "' must be TRUE or FALSE");
         }
   }
}

}
