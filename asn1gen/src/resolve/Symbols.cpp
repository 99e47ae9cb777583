// Pass 1: symbol tables of the modules, and the binding of every imported
// symbol to the assignment of the module it comes from.
#include "Resolver.h"

namespace asn1gen {

namespace {

std::shared_ptr<Assignment> builtinClass(Module& m, const std::string& name)
{
   // TYPE-IDENTIFIER (X.681 annex A): &id OBJECT IDENTIFIER UNIQUE, &Type,
   // WITH SYNTAX { &Type IDENTIFIED BY &id }. ABSTRACT-SYNTAX has the same
   // two fields for the library's purposes.
   auto a = std::make_shared<Assignment>();
   a->kind = Assignment::Kind::Class;
   a->name = name;
   a->module = &m;
   a->objClass = std::make_shared<ObjectClass>();
   ClassField id;
   id.name = "&id";
   id.kind = ClassField::Kind::FixedValue;
   id.type = std::make_shared<Type>();
   id.type->kind = Type::Kind::ObjectId;
   id.unique = true;
   ClassField ty;
   ty.name = "&Type";
   ty.kind = ClassField::Kind::Type;
   a->objClass->fields = {id, ty};
   a->objClass->hasSyntax = true;
   SyntaxItem f1{SyntaxItem::Kind::Field, "&Type", {}};
   SyntaxItem l1{SyntaxItem::Kind::Literal, "IDENTIFIED", {}};
   SyntaxItem l2{SyntaxItem::Kind::Literal, "BY", {}};
   SyntaxItem f2{SyntaxItem::Kind::Field, "&id", {}};
   a->objClass->syntax = {f1, l1, l2, f2};
   a->resolved = true;
   return a;
}

bool exports(const Module& m, const std::string& name)
{
   if (m.exportsAll) return true;
   for (const auto& e : m.exports)
      if (e == name) return true;
   return false;
}

}

Assignment* tryLookup(Program& prog, Module& m, const std::string& name,
                      const std::string& moduleName)
{
   if (!moduleName.empty() && moduleName != m.name) {
      auto it = prog.byName.find(moduleName);
      if (it == prog.byName.end()) return nullptr;
      auto s = it->second->symbols.find(name);
      return s == it->second->symbols.end() ? nullptr : s->second;
   }
   auto own = m.symbols.find(name);
   if (own != m.symbols.end()) return own->second;
   auto imp = m.imported.find(name);
   if (imp != m.imported.end()) return imp->second;
   auto b = prog.builtins.symbols.find(name);
   if (b != prog.builtins.symbols.end()) return b->second;
   return nullptr;
}

Assignment* lookup(Program& prog, Module& m, const std::string& name,
                   const std::string& moduleName, const Loc& loc)
{
   if (!moduleName.empty() && moduleName != m.name && !prog.byName.count(moduleName))
      fail(loc, "unknown module '" + moduleName + "'");
   Assignment* a = tryLookup(prog, m, name, moduleName);
   if (!a) {
      if (moduleName.empty() || moduleName == m.name)
         fail(loc, "undefined reference '" + name + "'");
      fail(loc, "module " + moduleName + " defines no '" + name + "'");
   }
   return a;
}

void bindSymbols(Program& prog)
{
   prog.builtins.name = "(built-in)";
   if (prog.builtins.assignments.empty()) {
      for (const char* n : {"TYPE-IDENTIFIER", "ABSTRACT-SYNTAX"}) {
         auto a = builtinClass(prog.builtins, n);
         prog.builtins.assignments.push_back(a);
         prog.builtins.symbols[n] = a.get();
      }
   }
   prog.byName.clear();
   for (auto& m : prog.modules) {
      auto dup = prog.byName.find(m->name);
      if (dup != prog.byName.end())
         fail(m->loc, "module " + m->name + " is defined twice (first in " + dup->second->file + ")");
      prog.byName[m->name] = m.get();
   }
   for (auto& m : prog.modules) {
      m->symbols.clear();
      for (auto& a : m->assignments) {
         auto prev = m->symbols.find(a->name);
         if (prev != m->symbols.end())
            fail(a->loc, "'" + a->name + "' is already defined at line " +
                 std::to_string(prev->second->loc.line));
         m->symbols[a->name] = a.get();
      }
      if (!m->exportsAll)
         for (const auto& e : m->exports)
            if (!m->symbols.count(e))
               fail(m->loc, "module " + m->name + " exports undefined '" + e + "'");
   }
   for (auto& m : prog.modules) {
      m->imported.clear();
      for (auto& imp : m->imports) {
         auto it = prog.byName.find(imp.module);
         if (it == prog.byName.end())
            fail(imp.loc, "imports from unknown module '" + imp.module + "'");
         Module& from = *it->second;
         for (size_t i = 0; i < imp.symbols.size(); ++i) {
            const std::string& s = imp.symbols[i];
            const Loc& loc = imp.symbolLocs[i];
            auto sym = from.symbols.find(s);
            if (sym == from.symbols.end())
               fail(loc, "module " + from.name + " defines no '" + s + "'");
            if (!exports(from, s))
               fail(loc, "module " + from.name + " does not export '" + s + "'");
            if (m->symbols.count(s))
               fail(loc, "imported '" + s + "' is also defined in " + m->name);
            auto prev = m->imported.find(s);
            if (prev != m->imported.end() && prev->second != sym->second)
               fail(loc, "'" + s + "' is imported from two modules");
            m->imported[s] = sym->second;
         }
      }
   }
}

}
