#include "Parser.h"

#include <cctype>
#include <set>

namespace asn1gen {

namespace {

const std::set<std::string>& reservedWords()
{
   static const std::set<std::string> words = {
      "ABSENT", "ABSTRACT-SYNTAX", "ALL", "APPLICATION", "AUTOMATIC", "BEGIN", "BIT",
      "BMPString", "BOOLEAN", "BY", "CHARACTER", "CHOICE", "CLASS", "COMPONENT",
      "COMPONENTS", "CONSTRAINED", "CONTAINING", "DEFAULT", "DEFINITIONS", "EMBEDDED",
      "ENCODED", "END", "ENUMERATED", "EXCEPT", "EXPLICIT", "EXPORTS", "EXTENSIBILITY",
      "EXTERNAL", "FALSE", "FROM", "GeneralizedTime", "GeneralString", "GraphicString",
      "IA5String", "IDENTIFIER", "IMPLICIT", "IMPLIED", "IMPORTS", "INCLUDES", "INSTANCE",
      "INTEGER", "INTERSECTION", "ISO646String", "MAX", "MIN", "MINUS-INFINITY", "NULL",
      "NumericString", "OBJECT", "ObjectDescriptor", "OCTET", "OF", "OPTIONAL", "PATTERN",
      "PDV", "PLUS-INFINITY", "PRESENT", "PrintableString", "PRIVATE", "REAL",
      "RELATIVE-OID", "SEQUENCE", "SET", "SIZE", "STRING", "SYNTAX", "T61String", "TAGS",
      "TeletexString", "TRUE", "TYPE-IDENTIFIER", "UNION", "UNIQUE", "UNIVERSAL",
      "UniversalString", "UTCTime", "UTF8String", "VideotexString", "VisibleString", "WITH",
      "ANY", "DEFINED"
   };
   return words;
}

bool isStringTypeName(const std::string& w)
{
   static const std::set<std::string> names = {
      "UTF8String", "NumericString", "PrintableString", "TeletexString", "T61String",
      "VideotexString", "IA5String", "GraphicString", "VisibleString", "ISO646String",
      "GeneralString", "UniversalString", "BMPString", "ObjectDescriptor"
   };
   return names.count(w) != 0;
}

bool isUpper(const std::string& s) { return !s.empty() && std::isupper(static_cast<unsigned char>(s[0])); }
bool isLower(const std::string& s) { return !s.empty() && std::islower(static_cast<unsigned char>(s[0])); }

}

bool isReservedWord(const std::string& word)
{
   return reservedWords().count(word) != 0;
}

Parser::Parser(std::vector<Token> tokens) : toks_(std::move(tokens))
{
   if (toks_.empty() || toks_.back().kind != Tok::End) {
      Token end;
      end.kind = Tok::End;
      if (!toks_.empty()) end.loc = toks_.back().loc;
      toks_.push_back(end);
   }
}

const Token& Parser::peek(size_t ahead) const
{
   size_t i = pos_ + ahead;
   return i < toks_.size() ? toks_[i] : toks_.back();
}

const Token& Parser::next()
{
   const Token& t = peek();
   if (pos_ < toks_.size() - 1) ++pos_;
   return t;
}

bool Parser::atEnd() const { return peek().kind == Tok::End; }

bool Parser::accept(Tok kind)
{
   if (peek().kind != kind) return false;
   next();
   return true;
}

bool Parser::isWord(size_t ahead, const char* word) const
{
   const Token& t = peek(ahead);
   return t.kind == Tok::Ident && t.text == word;
}

bool Parser::acceptWord(const char* word)
{
   if (!isWord(0, word)) return false;
   next();
   return true;
}

namespace {
std::string describe(const Token& t)
{
   if (t.kind == Tok::End && !t.text.empty()) return t.text;
   if (t.kind == Tok::Ident || t.kind == Tok::Field || t.kind == Tok::Number)
      return "'" + t.text + "'";
   return tokName(t.kind);
}
}

const Token& Parser::expect(Tok kind, const char* what)
{
   if (peek().kind != kind)
      fail(peek().loc, std::string("expected ") + what + ", found " + describe(peek()));
   return next();
}

void Parser::expectWord(const char* word)
{
   if (!isWord(0, word))
      fail(peek().loc, std::string("expected '") + word + "', found " + describe(peek()));
   next();
}

std::vector<Token> Parser::balanced(Tok open, Tok close)
{
   Loc start = peek().loc;
   expect(open, tokName(open));
   std::vector<Token> out;
   int depth = 1;
   for (;;) {
      const Token& t = peek();
      if (t.kind == Tok::End) fail(start, std::string("unbalanced ") + tokName(open));
      if (t.kind == open) ++depth;
      if (t.kind == close && --depth == 0) { next(); return out; }
      out.push_back(next());
   }
}

std::vector<ModulePtr> Parser::parseFile(const std::string& file)
{
   std::vector<ModulePtr> mods;
   do mods.push_back(parseModule(file));
   while (!atEnd());
   return mods;
}

// ModuleDefinition (X.680 13.1).
ModulePtr Parser::parseModule(const std::string& file)
{
   auto m = std::make_shared<Module>();
   m->file = file;
   const Token& name = peek();
   if (name.kind != Tok::Ident || !isUpper(name.text))
      fail(name.loc, "expected a module name, found " + describe(name));
   next();
   m->name = name.text;
   m->loc = name.loc;
   if (peek().kind == Tok::LBrace) {
      auto v = std::make_shared<Value>();
      v->kind = Value::Kind::Braced;
      v->loc = peek().loc;
      v->tokens = balanced(Tok::LBrace, Tok::RBrace);
      m->oid = v;
   }
   expectWord("DEFINITIONS");
   if (acceptWord("EXPLICIT")) { expectWord("TAGS"); m->tagDefault = TagDefault::Explicit; }
   else if (acceptWord("IMPLICIT")) { expectWord("TAGS"); m->tagDefault = TagDefault::Implicit; }
   else if (acceptWord("AUTOMATIC")) { expectWord("TAGS"); m->tagDefault = TagDefault::Automatic; }
   if (acceptWord("EXTENSIBILITY")) { expectWord("IMPLIED"); m->extensibilityImplied = true; }
   expect(Tok::Assign, "'::='");
   expectWord("BEGIN");
   if (isWord(0, "EXPORTS")) parseExports(*m);
   if (isWord(0, "IMPORTS")) parseImports(*m);
   while (!isWord(0, "END")) {
      if (atEnd()) fail(peek().loc, "module " + m->name + " has no END");
      auto a = parseAssignment();
      a->module = m.get();
      m->assignments.push_back(a);
   }
   next();
   return m;
}

void Parser::parseExports(Module& m)
{
   next();
   if (acceptWord("ALL")) { expect(Tok::Semicolon, "';' after EXPORTS ALL"); return; }
   m.exportsAll = false;
   while (!accept(Tok::Semicolon)) {
      const Token& t = expect(Tok::Ident, "an exported symbol");
      m.exports.push_back(t.text);
      if (peek().kind == Tok::LBrace) balanced(Tok::LBrace, Tok::RBrace);
      if (peek().kind != Tok::Semicolon) expect(Tok::Comma, "',' or ';' in EXPORTS");
   }
}

// Imports (X.680 13.16): symbol lists each followed by FROM and a module
// reference with an optional object identifier.
void Parser::parseImports(Module& m)
{
   next();
   while (!accept(Tok::Semicolon)) {
      Import imp;
      imp.loc = peek().loc;
      for (;;) {
         const Token& t = expect(Tok::Ident, "an imported symbol");
         if (t.text == "FROM") fail(t.loc, "expected an imported symbol before FROM");
         imp.symbols.push_back(t.text);
         imp.symbolLocs.push_back(t.loc);
         if (peek().kind == Tok::LBrace) balanced(Tok::LBrace, Tok::RBrace);
         if (accept(Tok::Comma)) continue;
         break;
      }
      expectWord("FROM");
      const Token& mod = expect(Tok::Ident, "a module name after FROM");
      imp.module = mod.text;
      if (peek().kind == Tok::LBrace) {
         auto v = std::make_shared<Value>();
         v->kind = Value::Kind::Braced;
         v->loc = peek().loc;
         v->tokens = balanced(Tok::LBrace, Tok::RBrace);
         imp.moduleOid = v;
      }
      else if (peek().kind == Tok::Ident && isLower(peek().text) &&
               peek(1).kind != Tok::Comma && !isWord(1, "FROM")) {
         // A value reference naming the module's identifier.
         auto v = std::make_shared<Value>();
         v->kind = Value::Kind::Ref;
         v->text = peek().text;
         v->loc = peek().loc;
         next();
         imp.moduleOid = v;
      }
      m.imports.push_back(imp);
      if (atEnd()) fail(peek().loc, "IMPORTS is not ended by ';'");
   }
}

std::shared_ptr<Assignment> Parser::parseAssignment()
{
   auto a = std::make_shared<Assignment>();
   const Token& name = peek();
   if (name.kind != Tok::Ident)
      fail(name.loc, "expected an assignment, found " + describe(name));
   if (isReservedWord(name.text))
      fail(name.loc, "'" + name.text + "' is a reserved word and cannot be assigned");
   next();
   a->name = name.text;
   a->loc = name.loc;
   // Parameterised assignment: Name { [Governor :] Param, ... } ::= ...
   if (peek().kind == Tok::LBrace) {
      std::vector<Token> params = balanced(Tok::LBrace, Tok::RBrace);
      for (size_t i = 0; i < params.size(); ++i)
         if (params[i].kind == Tok::Ident &&
             (i + 1 == params.size() || params[i + 1].kind == Tok::Comma))
            a->params.push_back(params[i].text);
      if (a->params.empty()) fail(name.loc, "empty parameter list of " + name.text);
   }
   if (accept(Tok::Assign)) {
      if (!isUpper(a->name))
         fail(name.loc, "value reference '" + a->name + "' needs a type before '::='");
      if (isWord(0, "CLASS")) {
         a->kind = Assignment::Kind::Class;
         a->objClass = parseClass();
         return a;
      }
      a->kind = Assignment::Kind::Type;
      a->type = parseType();
      return a;
   }
   // Value, value set, object or object set: a governor then "::=".
   a->type = parseType();
   expect(Tok::Assign, "'::='");
   if (isUpper(a->name)) {
      a->kind = Assignment::Kind::ValueSet;
      if (a->type->kind == Type::Kind::Reference) a->className = a->type->refName;
      parseSetElements(*a);
   }
   else {
      a->kind = Assignment::Kind::Value;
      a->value = parseValue();
      if (a->value->kind == Value::Kind::Braced) a->objectTokens = a->value->tokens;
   }
   return a;
}

void Parser::parseSetElements(Assignment& a)
{
   Loc start = peek().loc;
   expect(Tok::LBrace, "'{' opening a set");
   bool first = true;
   while (!accept(Tok::RBrace)) {
      if (!first) {
         if (!accept(Tok::Bar) && !accept(Tok::Comma) && !acceptWord("UNION"))
            fail(peek().loc, "expected '|', ',' or '}' in the set, found " + describe(peek()));
      }
      first = false;
      SetElement e;
      e.loc = peek().loc;
      if (accept(Tok::Ellipsis)) {
         e.kind = SetElement::Kind::Ellipsis;
         a.setExtensible = true;
      }
      else if (peek().kind == Tok::LBrace) {
         e.kind = SetElement::Kind::Inline;
         e.tokens = balanced(Tok::LBrace, Tok::RBrace);
      }
      else if (peek().kind == Tok::Ident) {
         e.kind = SetElement::Kind::Ref;
         e.ref = next().text;
         if (accept(Tok::Dot)) e.ref = e.ref + "." + expect(Tok::Ident, "a reference").text;
      }
      else if (peek().kind == Tok::End) fail(start, "unterminated set");
      else fail(peek().loc, "expected a set element, found " + describe(peek()));
      a.elements.push_back(e);
   }
}

// ObjectClassDefn (X.681 9.3) with an optional WITH SYNTAX.
std::shared_ptr<ObjectClass> Parser::parseClass()
{
   auto c = std::make_shared<ObjectClass>();
   c->loc = peek().loc;
   expectWord("CLASS");
   expect(Tok::LBrace, "'{' after CLASS");
   for (;;) {
      ClassField f;
      f.loc = peek().loc;
      f.name = expect(Tok::Field, "a field name (&name)").text;
      bool typeLike = std::isupper(static_cast<unsigned char>(f.name[1])) != 0;
      if (peek().kind == Tok::Comma || peek().kind == Tok::RBrace ||
          isWord(0, "OPTIONAL") || isWord(0, "DEFAULT")) {
         if (!typeLike) fail(f.loc, "value field " + f.name + " needs a type");
         f.kind = ClassField::Kind::Type;
         if (acceptWord("DEFAULT")) f.defaultType = parseType();
      }
      else if (peek().kind == Tok::Field) {
         f.kind = ClassField::Kind::VariableValue;
         next();
      }
      else {
         f.type = parseType();
         f.kind = typeLike ? ClassField::Kind::ObjectSet : ClassField::Kind::FixedValue;
         if (acceptWord("UNIQUE")) f.unique = true;
         if (acceptWord("DEFAULT")) {
            if (typeLike) { auto e = std::make_shared<Assignment>(); parseSetElements(*e); }
            else f.defaultValue = parseValue();
         }
      }
      if (acceptWord("OPTIONAL")) f.optional = true;
      for (const auto& g : c->fields)
         if (g.name == f.name) fail(f.loc, "field " + f.name + " defined twice");
      c->fields.push_back(f);
      if (accept(Tok::RBrace)) break;
      expect(Tok::Comma, "',' or '}' in the class");
   }
   if (acceptWord("WITH")) {
      expectWord("SYNTAX");
      expect(Tok::LBrace, "'{' after WITH SYNTAX");
      c->hasSyntax = true;
      parseSyntaxItems(c->syntax, Tok::RBrace);
   }
   return c;
}

void Parser::parseSyntaxItems(std::vector<SyntaxItem>& items, Tok close)
{
   for (;;) {
      const Token& t = peek();
      if (t.kind == close) { next(); return; }
      SyntaxItem it;
      if (t.kind == Tok::Ident || t.kind == Tok::Comma) {
         it.kind = SyntaxItem::Kind::Literal;
         it.text = t.text;
         next();
      }
      else if (t.kind == Tok::Field) {
         it.kind = SyntaxItem::Kind::Field;
         it.text = t.text;
         next();
      }
      else if (t.kind == Tok::LBracket) {
         next();
         it.kind = SyntaxItem::Kind::Group;
         parseSyntaxItems(it.group, Tok::RBracket);
      }
      else fail(t.loc, "unexpected " + describe(t) + " in WITH SYNTAX");
      items.push_back(it);
   }
}

void Parser::parseTag(Type& t)
{
   Tag tag;
   tag.loc = peek().loc;
   expect(Tok::LBracket, "'['");
   if (acceptWord("UNIVERSAL")) tag.cls = TagClass::Universal;
   else if (acceptWord("APPLICATION")) tag.cls = TagClass::Application;
   else if (acceptWord("PRIVATE")) tag.cls = TagClass::Private;
   auto v = std::make_shared<Value>();
   v->loc = peek().loc;
   if (peek().kind == Tok::Number) { v->kind = Value::Kind::Number; v->text = next().text; }
   else if (peek().kind == Tok::Ident && isLower(peek().text)) { v->kind = Value::Kind::Ref; v->text = next().text; }
   else fail(peek().loc, "expected a tag number, found " + describe(peek()));
   tag.number = v;
   expect(Tok::RBracket, "']' closing the tag");
   if (acceptWord("IMPLICIT")) tag.mode = TagMode::Implicit;
   else if (acceptWord("EXPLICIT")) tag.mode = TagMode::Explicit;
   t.tags.push_back(tag);
}

Parser::DepthGuard::DepthGuard(Parser& p) : p_(p)
{
   if (++p_.depth_ > kMaxNesting) {
      --p_.depth_;
      fail(p_.peek().loc, "nesting deeper than " + std::to_string(kMaxNesting) + " levels");
   }
}

TypePtr Parser::parseType()
{
   DepthGuard guard(*this);
   std::vector<Tag> tags;
   while (peek().kind == Tok::LBracket) {
      Type holder;
      parseTag(holder);
      tags.push_back(holder.tags.back());
   }
   TypePtr t = parseUntaggedType();
   t->tags.insert(t->tags.begin(), tags.begin(), tags.end());
   if (!tags.empty()) t->loc = tags.front().loc;
   while (peek().kind == Tok::LParen) t->constraints.push_back(parseConstraint());
   return t;
}

TypePtr Parser::parseUntaggedType()
{
   auto t = std::make_shared<Type>();
   const Token& tok = peek();
   t->loc = tok.loc;
   if (tok.kind != Tok::Ident) fail(tok.loc, "expected a type, found " + describe(tok));
   const std::string w = tok.text;
   next();
   using K = Type::Kind;
   if (w == "BOOLEAN") t->kind = K::Boolean;
   else if (w == "NULL") t->kind = K::Null;
   else if (w == "REAL") t->kind = K::Real;
   else if (w == "UTCTime") t->kind = K::UTCTime;
   else if (w == "GeneralizedTime") t->kind = K::GeneralizedTime;
   else if (w == "RELATIVE-OID") t->kind = K::RelativeOid;
   else if (w == "EXTERNAL") t->kind = K::External;
   else if (w == "EMBEDDED") { expectWord("PDV"); t->kind = K::EmbeddedPdv; }
   else if (isStringTypeName(w)) { t->kind = K::CharString; t->stringType = w; }
   else if (w == "CHARACTER") fail(tok.loc, "CHARACTER STRING is not supported");
   else if (w == "INTEGER" || w == "ENUMERATED") {
      t->kind = w == "INTEGER" ? K::Integer : K::Enumerated;
      if (peek().kind == Tok::LBrace) parseNamedNumbers(t->named, t->kind == K::Enumerated, t.get());
      else if (t->kind == K::Enumerated) fail(peek().loc, "ENUMERATED needs a list of items");
   }
   else if (w == "BIT") {
      expectWord("STRING");
      t->kind = K::BitString;
      if (peek().kind == Tok::LBrace) parseNamedNumbers(t->named, false, nullptr);
   }
   else if (w == "OCTET") { expectWord("STRING"); t->kind = K::OctetString; }
   else if (w == "OBJECT") { expectWord("IDENTIFIER"); t->kind = K::ObjectId; }
   else if (w == "ANY") {
      t->kind = K::Any;
      if (acceptWord("DEFINED")) {
         expectWord("BY");
         t->definedBy = expect(Tok::Ident, "a component name after DEFINED BY").text;
      }
   }
   else if (w == "CHOICE") { t->kind = K::Choice; parseComponents(*t, true); }
   else if (w == "SEQUENCE" || w == "SET") {
      bool seq = w == "SEQUENCE";
      if (peek().kind == Tok::LBrace) {
         t->kind = seq ? K::Sequence : K::Set;
         parseComponents(*t, false);
      }
      else {
         t->kind = seq ? K::SequenceOf : K::SetOf;
         if (isWord(0, "SIZE")) {
            // SEQUENCE SIZE (...) OF: the size constraint of the list.
            auto c = std::make_shared<Constraint>();
            c->loc = peek().loc;
            next();
            c->kind = Constraint::Kind::Size;
            c->children.push_back(parseConstraint());
            t->sizeOfConstraint = c;
         }
         else if (peek().kind == Tok::LParen) {
            t->sizeOfConstraint = parseConstraint();
         }
         expectWord("OF");
         if (peek().kind == Tok::Ident && isLower(peek().text) && !isReservedWord(peek().text)) {
            t->elementName = next().text;   // SEQUENCE OF name Type
         }
         t->element = parseType();
      }
   }
   else if (w == "INSTANCE") {
      fail(tok.loc, "INSTANCE OF is not supported; write the SEQUENCE it stands for");
   }
   else if (isReservedWord(w) && w != "TYPE-IDENTIFIER" && w != "ABSTRACT-SYNTAX") {
      fail(tok.loc, "expected a type, found '" + w + "'");
   }
   else {
      // Reference, external reference Module.Type, or a class field
      // Class.&field[.&field].
      t->kind = K::Reference;
      t->refName = w;
      if (peek().kind == Tok::Dot && peek(1).kind == Tok::Field) {
         t->kind = K::ClassField;
         while (accept(Tok::Dot)) t->fieldPath.push_back(expect(Tok::Field, "a field name").text);
      }
      else if (peek().kind == Tok::Dot && peek(1).kind == Tok::Ident) {
         next();
         t->refModule = w;
         t->refName = next().text;
      }
      if (t->kind == K::Reference && !isUpper(t->refName))
         fail(tok.loc, "expected a type, found '" + t->refName + "'");
      if (t->kind == K::Reference && peek().kind == Tok::LBrace) {
         t->hasParams = true;
         t->paramTokens = balanced(Tok::LBrace, Tok::RBrace);
      }
   }
   return t;
}

void Parser::parseComponents(Type& t, bool isChoice)
{
   Loc open = peek().loc;
   expect(Tok::LBrace, "'{'");
   bool inExtension = false;
   int markers = 0;
   if (accept(Tok::RBrace)) {
      if (isChoice) fail(open, "CHOICE needs at least one alternative");
      return;
   }
   for (;;) {
      if (accept(Tok::Ellipsis)) {
         if (accept(Tok::Excl)) parseValue();     // exception specification
         ++markers;
         if (markers > 2) fail(peek().loc, "more than two extension markers");
         t.extensible = true;
         inExtension = markers == 1;
      }
      else if (peek().kind == Tok::LBracket && peek(1).kind == Tok::LBracket) {
         // Extension addition group [[ [n:] components ]].
         Loc g = peek().loc;
         if (!inExtension) fail(g, "a version bracket outside the extension");
         next(); next();
         if (peek().kind == Tok::Number && peek(1).kind == Tok::Colon) { next(); next(); }
         for (;;) {
            Component c = parseComponent(isChoice);
            c.extensionAddition = true;
            t.components.push_back(c);
            if (accept(Tok::Comma)) continue;
            break;
         }
         expect(Tok::RBracket, "']]'");
         expect(Tok::RBracket, "']]'");
      }
      else {
         Component c = parseComponent(isChoice);
         c.extensionAddition = inExtension;
         for (const auto& o : t.components)
            if (!c.componentsOf && o.name == c.name)
               fail(c.loc, "component '" + c.name + "' defined twice");
         t.components.push_back(c);
      }
      if (accept(Tok::RBrace)) break;
      if (peek().kind == Tok::End) fail(open, "unterminated component list");
      expect(Tok::Comma, "',' or '}' after a component");
   }
}

Component Parser::parseComponent(bool isChoice)
{
   Component c;
   c.loc = peek().loc;
   if (!isChoice && isWord(0, "COMPONENTS") && isWord(1, "OF")) {
      next(); next();
      c.componentsOf = true;
      c.type = parseType();
      return c;
   }
   const Token& id = peek();
   if (id.kind != Tok::Ident || !isLower(id.text))
      fail(id.loc, std::string("expected a ") + (isChoice ? "alternative" : "component") +
           " name, found " + describe(id));
   next();
   c.name = id.text;
   c.type = parseType();
   if (!isChoice) {
      if (acceptWord("OPTIONAL")) c.optional = true;
      else if (acceptWord("DEFAULT")) c.defaultValue = parseValue();
   }
   return c;
}

void Parser::parseNamedNumbers(std::vector<NamedNumber>& out, bool isEnum, Type* enumType)
{
   expect(Tok::LBrace, "'{'");
   bool additions = false;
   for (;;) {
      if (isEnum && accept(Tok::Ellipsis)) {
         if (accept(Tok::Excl)) parseValue();
         enumType->enumExtensible = true;
         additions = true;
      }
      else {
         NamedNumber n;
         n.loc = peek().loc;
         const Token& id = expect(Tok::Ident, "a named number");
         if (!isLower(id.text)) fail(id.loc, "named number '" + id.text + "' must start in lower case");
         n.name = id.text;
         if (accept(Tok::LParen)) {
            auto v = std::make_shared<Value>();
            v->loc = peek().loc;
            if (accept(Tok::Minus)) { v->kind = Value::Kind::Number; v->text = "-" + expect(Tok::Number, "a number").text; }
            else if (peek().kind == Tok::Number) { v->kind = Value::Kind::Number; v->text = next().text; }
            else if (peek().kind == Tok::Ident) { v->kind = Value::Kind::Ref; v->text = next().text; }
            else fail(peek().loc, "expected a number, found " + describe(peek()));
            n.value = v;
            expect(Tok::RParen, "')'");
         }
         else if (!isEnum) fail(peek().loc, "named number '" + n.name + "' needs a value");
         for (const auto& o : out)
            if (o.name == n.name) fail(n.loc, "'" + n.name + "' named twice");
         if (additions) enumType->enumAdditions.push_back(n);
         else out.push_back(n);
      }
      if (accept(Tok::RBrace)) return;
      expect(Tok::Comma, "',' or '}' in the list");
   }
}

ValuePtr Parser::parseValue()
{
   auto v = std::make_shared<Value>();
   const Token& t = peek();
   v->loc = t.loc;
   switch (t.kind) {
   case Tok::Number: v->kind = Value::Kind::Number; v->text = next().text; break;
   case Tok::Minus:
      next();
      v->kind = Value::Kind::Number;
      v->text = "-" + expect(Tok::Number, "a number after '-'").text;
      break;
   case Tok::CString: v->kind = Value::Kind::CString; v->text = next().text; break;
   case Tok::BString: v->kind = Value::Kind::BString; v->text = next().text; break;
   case Tok::HString: v->kind = Value::Kind::HString; v->text = next().text; break;
   case Tok::LBrace: v->kind = Value::Kind::Braced; v->tokens = balanced(Tok::LBrace, Tok::RBrace); break;
   case Tok::Ident:
      if (t.text == "TRUE" || t.text == "FALSE") { v->kind = Value::Kind::Bool; v->boolVal = t.text == "TRUE"; next(); }
      else if (t.text == "NULL") { v->kind = Value::Kind::Null; next(); }
      else if (t.text == "MIN") { v->kind = Value::Kind::Min; next(); }
      else if (t.text == "MAX") { v->kind = Value::Kind::Max; next(); }
      else {
         v->kind = Value::Kind::Ref;
         v->text = next().text;
         if (peek().kind == Tok::Dot && peek(1).kind == Tok::Ident) {
            next();
            v->refModule = v->text;
            v->text = next().text;
         }
         if (peek().kind == Tok::Colon)
            fail(peek().loc, "CHOICE values are not supported");
      }
      break;
   default:
      fail(t.loc, "expected a value, found " + describe(t));
   }
   return v;
}

// Constraint (X.680 49, X.682): "(" ... ")".
ConstraintPtr Parser::parseConstraint()
{
   DepthGuard guard(*this);
   Loc open = peek().loc;
   expect(Tok::LParen, "'('");
   ConstraintPtr c;
   if (peek().kind == Tok::LBrace) {
      // Table constraint: ({ObjectSet}) or ({ObjectSet}{@component, ...}).
      c = std::make_shared<Constraint>();
      c->kind = Constraint::Kind::Table;
      c->loc = peek().loc;
      next();
      c->objectSet = expect(Tok::Ident, "an object set name").text;
      expect(Tok::RBrace, "'}' after the object set");
      if (accept(Tok::LBrace)) {
         for (;;) {
            expect(Tok::At, "'@' in a component relation");
            std::string path;
            if (accept(Tok::Dot)) path = ".";
            path += expect(Tok::Ident, "a component name").text;
            while (accept(Tok::Dot)) path += "." + expect(Tok::Ident, "a component name").text;
            c->atPaths.push_back(path);
            if (accept(Tok::RBrace)) break;
            expect(Tok::Comma, "',' or '}'");
         }
      }
   }
   else if (acceptWord("CONTAINING")) {
      c = std::make_shared<Constraint>();
      c->kind = Constraint::Kind::Containing;
      c->loc = open;
      c->type = parseType();
      if (acceptWord("ENCODED")) { expectWord("BY"); parseValue(); }
   }
   else if (isWord(0, "CONSTRAINED")) {
      // User-defined constraint: not checked by generated code.
      c = std::make_shared<Constraint>();
      c->kind = Constraint::Kind::Opaque;
      c->loc = open;
      next();
      expectWord("BY");
      balanced(Tok::LBrace, Tok::RBrace);
   }
   else {
      ConstraintPtr root = parseElementSetSpec();
      if (accept(Tok::Comma)) {
         expect(Tok::Ellipsis, "'...' after ','");
         c = std::make_shared<Constraint>();
         c->kind = Constraint::Kind::Extensible;
         c->loc = root->loc;
         c->children.push_back(root);
         if (accept(Tok::Comma)) c->children.push_back(parseElementSetSpec());
      }
      else c = root;
   }
   if (peek().kind == Tok::End) fail(open, "unterminated constraint");
   expect(Tok::RParen, "')' closing the constraint");
   return c;
}

ConstraintPtr Parser::parseElementSetSpec()
{
   ConstraintPtr first = parseIntersections();
   if (peek().kind != Tok::Bar && !isWord(0, "UNION")) return first;
   auto u = std::make_shared<Constraint>();
   u->kind = Constraint::Kind::Union;
   u->loc = first->loc;
   u->children.push_back(first);
   while (accept(Tok::Bar) || acceptWord("UNION")) u->children.push_back(parseIntersections());
   return u;
}

ConstraintPtr Parser::parseIntersections()
{
   ConstraintPtr first = parseElements();
   if (peek().kind != Tok::Caret && !isWord(0, "INTERSECTION")) return first;
   auto i = std::make_shared<Constraint>();
   i->kind = Constraint::Kind::Intersection;
   i->loc = first->loc;
   i->children.push_back(first);
   while (accept(Tok::Caret) || acceptWord("INTERSECTION")) i->children.push_back(parseElements());
   return i;
}

ConstraintPtr Parser::parseElements()
{
   if (isWord(0, "ALL")) {
      auto e = std::make_shared<Constraint>();
      e->loc = peek().loc;
      next();
      expectWord("EXCEPT");
      e->kind = Constraint::Kind::Opaque;
      parseElement();
      return e;
   }
   ConstraintPtr el = parseElement();
   if (acceptWord("EXCEPT")) {
      auto e = std::make_shared<Constraint>();
      e->kind = Constraint::Kind::Except;
      e->loc = el->loc;
      e->children.push_back(el);
      e->children.push_back(parseElement());
      return e;
   }
   return el;
}

ConstraintPtr Parser::parseElement()
{
   DepthGuard guard(*this);
   auto c = std::make_shared<Constraint>();
   c->loc = peek().loc;
   if (acceptWord("SIZE")) {
      c->kind = Constraint::Kind::Size;
      c->children.push_back(parseConstraint());
      return c;
   }
   if (acceptWord("FROM")) {
      c->kind = Constraint::Kind::From;
      c->children.push_back(parseConstraint());
      return c;
   }
   if (isWord(0, "WITH") && (isWord(1, "COMPONENTS") || isWord(1, "COMPONENT"))) {
      // Inner subtyping: kept opaque, it does not change the generated code.
      next(); next();
      c->kind = Constraint::Kind::Opaque;
      if (peek().kind == Tok::LBrace) balanced(Tok::LBrace, Tok::RBrace);
      else if (peek().kind == Tok::LParen) balanced(Tok::LParen, Tok::RParen);
      else fail(peek().loc, "expected '{' or '(' after WITH COMPONENT(S)");
      return c;
   }
   if (acceptWord("PATTERN")) { c->kind = Constraint::Kind::Opaque; parseValue(); return c; }
   if (acceptWord("INCLUDES")) { c->kind = Constraint::Kind::ContainedType; c->type = parseType(); return c; }
   if (peek().kind == Tok::LParen) {
      next();
      ConstraintPtr inner = parseElementSetSpec();
      expect(Tok::RParen, "')'");
      return inner;
   }
   if (peek().kind == Tok::Ident && isUpper(peek().text) && !isReservedWord(peek().text)) {
      // A contained subtype written without INCLUDES.
      c->kind = Constraint::Kind::ContainedType;
      c->type = parseType();
      return c;
   }
   ValuePtr lo = parseValue();
   bool loOpen = accept(Tok::Less);
   if (accept(Tok::Range)) {
      c->kind = Constraint::Kind::Range;
      c->lower = lo;
      c->lowerOpen = loOpen;
      c->upperOpen = accept(Tok::Less);
      c->upper = parseValue();
      return c;
   }
   if (loOpen) fail(c->loc, "expected '..' after '<'");
   if (lo->kind == Value::Kind::Min || lo->kind == Value::Kind::Max)
      fail(c->loc, "MIN and MAX are only allowed in a range");
   c->kind = Constraint::Kind::Single;
   c->value = lo;
   return c;
}

std::vector<ModulePtr> parseText(const std::string& file, const std::string& text)
{
   Parser p(tokenize(file, text));
   return p.parseFile(file);
}

}
