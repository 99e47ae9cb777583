// Pass 6: information objects are read against the syntax of their class
// (WITH SYNTAX, or the default syntax "&field setting, ..."), and object
// sets are flattened into their objects in order.
#include "Resolver.h"

#include "../Parser.h"

namespace asn1gen {

namespace {

const ClassField* findField(const ObjectClass& c, const std::string& name)
{
   for (const auto& f : c.fields)
      if (f.name == name) return &f;
   return nullptr;
}

void readSetting(Program& prog, Module& m, Assignment& obj, const ClassField& f, Parser& p)
{
   if (obj.settings.count(f.name))
      fail(p.peek().loc, "field " + f.name + " of object '" + obj.name + "' set twice");
   ObjectSetting s;
   switch (f.kind) {
   case ClassField::Kind::Type:
      s.type = p.parseType();
      bindTypeTree(prog, m, s.type);
      break;
   case ClassField::Kind::FixedValue:
   case ClassField::Kind::VariableValue:
      s.value = p.parseValue();
      break;
   case ClassField::Kind::ObjectSet:
   case ClassField::Kind::Object:
      s.value = p.parseValue();   // kept as written
      break;
   }
   obj.settings[f.name] = s;
}

bool startsWithLiteral(const std::vector<SyntaxItem>& items, Parser& p)
{
   if (items.empty() || items[0].kind != SyntaxItem::Kind::Literal) return false;
   const Token& t = p.peek();
   if (items[0].text == ",") return t.kind == Tok::Comma;
   return t.kind == Tok::Ident && t.text == items[0].text;
}

void matchSyntax(Program& prog, Module& m, Assignment& obj, const ObjectClass& c,
                 const std::vector<SyntaxItem>& items, Parser& p)
{
   for (const auto& it : items) {
      switch (it.kind) {
      case SyntaxItem::Kind::Literal:
         if (it.text == ",") p.expect(Tok::Comma, "','");
         else p.expectWord(it.text.c_str());
         break;
      case SyntaxItem::Kind::Field: {
         const ClassField* f = findField(c, it.text);
         if (!f) fail(obj.loc, "WITH SYNTAX names unknown field " + it.text);
         readSetting(prog, m, obj, *f, p);
         break;
      }
      case SyntaxItem::Kind::Group:
         if (startsWithLiteral(it.group, p)) matchSyntax(prog, m, obj, c, it.group, p);
         break;
      }
   }
}

void readObject(Program& prog, Module& m, Assignment& obj, const ObjectClass& c,
                const std::vector<Token>& tokens)
{
   std::vector<Token> toks = tokens;
   Token end;
   end.kind = Tok::End;
   end.text = "the end of object '" + obj.name + "'";
   end.loc = toks.empty() ? obj.loc : toks.back().loc;
   toks.push_back(end);
   Parser p(toks);
   if (c.hasSyntax) matchSyntax(prog, m, obj, c, c.syntax, p);
   else {
      // Default syntax: { &field setting, ... }
      while (!p.atEnd()) {
         const Token& ft = p.expect(Tok::Field, "a field name");
         const ClassField* f = findField(c, ft.text);
         if (!f) fail(ft.loc, "class " + obj.className + " has no field " + ft.text);
         readSetting(prog, m, obj, *f, p);
         if (!p.atEnd()) p.expect(Tok::Comma, "',' between settings");
      }
   }
   if (!p.atEnd())
      fail(p.peek().loc, "unexpected '" + p.peek().text + "' in object '" + obj.name + "'");
   for (const auto& f : c.fields)
      if (!f.optional && !f.defaultValue && !f.defaultType && !obj.settings.count(f.name))
         fail(obj.loc, "object '" + obj.name + "' does not set field " + f.name);
}

void resolveObject(Program& prog, Module& m, Assignment& obj)
{
   if (obj.resolved) return;
   obj.resolved = true;
   Assignment* cls = lookup(prog, m, obj.className, "", obj.loc);
   ObjectClass* c = classOf(cls);
   if (obj.value && obj.value->kind == Value::Kind::Ref) {
      // o2 CLASS ::= o1: the same object under another name.
      Assignment* other = lookup(prog, m, obj.value->text, obj.value->refModule, obj.value->loc);
      if (other->kind != Assignment::Kind::Object)
         fail(obj.value->loc, "'" + other->name + "' is not an object");
      resolveObject(prog, *other->module, *other);
      obj.settings = other->settings;
      return;
   }
   readObject(prog, m, obj, *c, obj.objectTokens);
   // The object's identifier, when it is an OBJECT IDENTIFIER, is resolved
   // here so that sets can be compared by identifier.
   for (const auto& f : c->fields) {
      auto s = obj.settings.find(f.name);
      if (s == obj.settings.end() || !s->second.value || !f.type) continue;
      Type* bt = baseType(f.type);
      if (bt && bt->kind == Type::Kind::ObjectId) {
         resolveOidValue(prog, m, *s->second.value);
      }
   }
}

void flattenSet(Program& prog, Module& m, Assignment& set, int depth)
{
   if (set.resolved) return;
   if (depth > 32) fail(set.loc, "object set '" + set.name + "' includes itself");
   set.resolved = true;
   for (const auto& e : set.elements) {
      if (e.kind == SetElement::Kind::Ellipsis) continue;
      if (e.kind == SetElement::Kind::Inline)
         fail(e.loc, "objects defined inside a set are not supported; name them");
      std::string mod, name = e.ref;
      size_t dot = e.ref.find('.');
      if (dot != std::string::npos) { mod = e.ref.substr(0, dot); name = e.ref.substr(dot + 1); }
      Assignment* a = lookup(prog, m, name, mod, e.loc);
      if (a->kind == Assignment::Kind::Object) {
         if (a->className != set.className &&
             classOf(tryLookup(prog, *a->module, a->className)) !=
             classOf(tryLookup(prog, m, set.className)))
            fail(e.loc, "object '" + a->name + "' is of class " + a->className +
                 ", not " + set.className);
         set.objects.push_back(a);
      }
      else if (a->kind == Assignment::Kind::ObjectSet) {
         flattenSet(prog, *a->module, *a, depth + 1);
         set.objects.insert(set.objects.end(), a->objects.begin(), a->objects.end());
      }
      else fail(e.loc, "'" + e.ref + "' is not an object or object set");
   }
}

}

void resolveObjects(Program& prog)
{
   for (auto& m : prog.modules)
      for (auto& a : m->assignments)
         if (a->kind == Assignment::Kind::Object) resolveObject(prog, *m, *a);
   for (auto& m : prog.modules)
      for (auto& a : m->assignments)
         if (a->kind == Assignment::Kind::ObjectSet) flattenSet(prog, *m, *a, 0);
}

}
