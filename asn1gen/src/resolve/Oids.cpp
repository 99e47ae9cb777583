// Pass 5: OBJECT IDENTIFIER values: { arc arc ... } where the first
// component may be a reference to another OBJECT IDENTIFIER value and each
// arc is a number, name(number), a well-known name (X.660 annex A) or a
// reference to an INTEGER value.
#include "Resolver.h"

namespace asn1gen {

namespace {

bool rootArc(const std::string& name, uint32_t& arc)
{
   if (name == "itu-t" || name == "ccitt") { arc = 0; return true; }
   if (name == "iso") { arc = 1; return true; }
   if (name == "joint-iso-itu-t" || name == "joint-iso-ccitt") { arc = 2; return true; }
   return false;
}

bool secondArc(uint32_t root, const std::string& name, uint32_t& arc)
{
   static const struct { uint32_t root; const char* name; uint32_t arc; } known[] = {
      {1, "standard", 0}, {1, "registration-authority", 1}, {1, "member-body", 2},
      {1, "identified-organization", 3}, {0, "recommendation", 0}, {0, "question", 1},
      {0, "administration", 2}, {0, "network-operator", 3}, {0, "identified-organization", 4},
   };
   for (const auto& k : known)
      if (k.root == root && name == k.name) { arc = k.arc; return true; }
   return false;
}

void resolveOid(Program& prog, Module& m, Value& v, int depth);

uint32_t arcValue(Program& prog, Module& m, const Token& t)
{
   if (t.kind == Tok::Number) {
      if (t.text.size() > 10 || std::stoull(t.text) > 0xFFFFFFFFull)
         fail(t.loc, "arc " + t.text + " does not fit in 32 bits");
      return static_cast<uint32_t>(std::stoull(t.text));
   }
   auto ref = std::make_shared<Value>();
   ref->kind = Value::Kind::Ref;
   ref->text = t.text;
   ref->loc = t.loc;
   int64_t n = intValue(prog, m, ref);
   if (n < 0 || n > 0xFFFFFFFFll) fail(t.loc, "arc '" + t.text + "' out of range");
   return static_cast<uint32_t>(n);
}

const std::vector<uint32_t>& oidOfRef(Program& prog, Module& m, const std::string& name,
                                      const std::string& module, const Loc& loc, int depth)
{
   Assignment* a = lookup(prog, m, name, module, loc);
   Type* gov = a->kind == Assignment::Kind::Value ? baseType(a->type) : nullptr;
   if (!gov || gov->kind != Type::Kind::ObjectId)
      fail(loc, "'" + name + "' is not an OBJECT IDENTIFIER value");
   resolveOid(prog, *a->module, *a->value, depth + 1);
   return a->value->oid;
}

void resolveOid(Program& prog, Module& m, Value& v, int depth)
{
   if (v.oidResolved) return;
   if (depth > 64) fail(v.loc, "OBJECT IDENTIFIER value is defined in terms of itself");
   if (v.kind == Value::Kind::Ref) {
      v.oid = oidOfRef(prog, m, v.text, v.refModule, v.loc, depth);
      v.oidResolved = true;
      return;
   }
   if (v.kind != Value::Kind::Braced) fail(v.loc, "expected an OBJECT IDENTIFIER value in braces");
   std::vector<uint32_t> arcs;
   const auto& tk = v.tokens;
   for (size_t i = 0; i < tk.size();) {
      const Token& t = tk[i];
      if (t.kind == Tok::Number) { arcs.push_back(arcValue(prog, m, t)); ++i; continue; }
      if (t.kind != Tok::Ident) fail(t.loc, "unexpected " + std::string(tokName(t.kind)) + " in an OBJECT IDENTIFIER value");
      if (i + 1 < tk.size() && tk[i + 1].kind == Tok::LParen) {
         // name(number) or name(reference)
         if (i + 3 >= tk.size() + 0 || tk[i + 3].kind != Tok::RParen)
            fail(t.loc, "expected name(number) in an OBJECT IDENTIFIER value");
         arcs.push_back(arcValue(prog, m, tk[i + 2]));
         i += 4;
         continue;
      }
      uint32_t arc = 0;
      if (arcs.empty() && i == 0 && rootArc(t.text, arc)) arcs.push_back(arc);
      else if (arcs.size() == 1 && secondArc(arcs[0], t.text, arc)) arcs.push_back(arc);
      else if (i == 0) {
         // A leading reference to another OBJECT IDENTIFIER value.
         std::string mod, name = t.text;
         if (i + 2 < tk.size() && tk[i + 1].kind == Tok::Dot && tk[i + 2].kind == Tok::Ident) {
            mod = t.text;
            name = tk[i + 2].text;
            i += 2;
         }
         const auto& base = oidOfRef(prog, m, name, mod, t.loc, depth);
         arcs.insert(arcs.end(), base.begin(), base.end());
      }
      else arcs.push_back(arcValue(prog, m, t));
      ++i;
   }
   if (arcs.size() < 2) fail(v.loc, "an OBJECT IDENTIFIER value needs at least two arcs");
   if (arcs[0] > 2) fail(v.loc, "the first arc must be 0, 1 or 2");
   if (arcs[0] < 2 && arcs[1] > 39) fail(v.loc, "the second arc must be below 40 under arc " + std::to_string(arcs[0]));
   if (arcs.size() > 128) fail(v.loc, "more than 128 arcs");
   v.oid = arcs;
   v.oidResolved = true;
}

}

void resolveOidValue(Program& prog, Module& m, Value& v)
{
   resolveOid(prog, m, v, 0);
}

void resolveOids(Program& prog)
{
   for (auto& m : prog.modules)
      for (auto& a : m->assignments) {
         if (a->kind != Assignment::Kind::Value) continue;
         Type* gov = baseType(a->type);
         if (gov && gov->kind == Type::Kind::ObjectId) resolveOid(prog, *m, *a->value, 0);
      }
}

}
