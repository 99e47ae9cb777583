// Pass 7: tags. Applies the module's tag default (X.680 31.2.7: IMPLICIT is
// never applied to a CHOICE or an open type, whose tags stay EXPLICIT), adds
// automatic tags (X.680 25.3), and rejects tag clashes that make an
// encoding ambiguous: equal tags among CHOICE alternatives or SET
// components, and among a run of OPTIONAL SEQUENCE components and the
// component that follows them (X.680 25.5).
#include "Resolver.h"

#include <set>

namespace asn1gen {

namespace {

struct TagKey {
   TagClass cls;
   uint32_t num;
   bool operator<(const TagKey& o) const { return cls != o.cls ? cls < o.cls : num < o.num; }
   bool operator==(const TagKey& o) const { return cls == o.cls && num == o.num; }
};

std::string tagText(const TagKey& k)
{
   switch (k.cls) {
   case TagClass::Universal: return "[UNIVERSAL " + std::to_string(k.num) + "]";
   case TagClass::Application: return "[APPLICATION " + std::to_string(k.num) + "]";
   case TagClass::Private: return "[PRIVATE " + std::to_string(k.num) + "]";
   case TagClass::Context: break;
   }
   return "[" + std::to_string(k.num) + "]";
}

// The tags that can start an encoding of t; `any` when an open type can.
void firstTags(Type* t, std::vector<TagKey>& out, bool& any, int depth = 0)
{
   if (!t || depth > 64) return;
   if (!t->tags.empty()) {
      out.push_back({t->tags.front().cls, t->tags.front().num});
      return;
   }
   Type* b = baseType(t);
   if (!b) return;
   if (b != t && !b->tags.empty()) { firstTags(b, out, any, depth + 1); return; }
   if (b->kind == Type::Kind::Choice) {
      for (auto& c : b->components) firstTags(c.type.get(), out, any, depth + 1);
      return;
   }
   if (isOpenType(*b)) { any = true; return; }
   uint32_t n;
   if (universalTag(*b, n)) out.push_back({TagClass::Universal, n});
}

bool innerNeedsExplicit(Type& t, size_t tagIndex)
{
   if (tagIndex + 1 < t.tags.size()) return false;
   Type* b = baseType(&t);
   if (b != &t && !b->tags.empty()) return false;   // the referenced type is tagged itself
   return b->kind == Type::Kind::Choice || isOpenType(*b);
}

void applyTagModes(Module& m, Type& t)
{
   for (size_t i = 0; i < t.tags.size(); ++i) {
      Tag& tag = t.tags[i];
      bool inner = innerNeedsExplicit(t, i);
      switch (tag.mode) {
      case TagMode::Explicit: tag.explicitTag = true; break;
      case TagMode::Implicit:
         if (inner) fail(tag.loc, "IMPLICIT tag on a CHOICE or open type");
         tag.explicitTag = false;
         break;
      case TagMode::Default:
         tag.explicitTag = m.tagDefault == TagDefault::Explicit || inner;
         break;
      }
   }
}

void automaticTags(Module& m, Type& t)
{
   if (m.tagDefault != TagDefault::Automatic) return;
   if (t.kind != Type::Kind::Sequence && t.kind != Type::Kind::Set && t.kind != Type::Kind::Choice)
      return;
   for (auto& c : t.components)
      if (!c.extensionAddition && !c.type->tags.empty()) return;
   uint32_t n = 0;
   for (auto& c : t.components) {
      Tag tag;
      tag.cls = TagClass::Context;
      tag.num = n;
      tag.loc = c.loc;
      tag.number = std::make_shared<Value>();
      tag.number->kind = Value::Kind::Number;
      tag.number->text = std::to_string(n);
      tag.number->number = n;
      ++n;
      c.type->tags.insert(c.type->tags.begin(), tag);
   }
}

void checkDistinct(Type& t, const char* what)
{
   std::map<TagKey, std::string> seen;
   for (auto& c : t.components) {
      std::vector<TagKey> tags;
      bool any = false;
      firstTags(c.type.get(), tags, any);
      if (any && t.components.size() > 1 && t.kind == Type::Kind::Choice)
         fail(c.loc, "untagged open type alternative '" + c.name + "' in a CHOICE");
      for (const auto& k : tags) {
         auto it = seen.find(k);
         if (it != seen.end())
            fail(c.loc, std::string(what) + " '" + c.name + "' has the same tag " + tagText(k) +
                 " as '" + it->second + "'");
         seen[k] = c.name;
      }
   }
}

void checkSequence(Type& t)
{
   auto& cs = t.components;
   for (size_t i = 0; i < cs.size(); ++i) {
      if (!cs[i].optional && !cs[i].defaultValue) continue;
      std::vector<TagKey> mine;
      bool anyMine = false;
      firstTags(cs[i].type.get(), mine, anyMine);
      for (size_t j = i + 1; j < cs.size(); ++j) {
         std::vector<TagKey> theirs;
         bool anyTheirs = false;
         firstTags(cs[j].type.get(), theirs, anyTheirs);
         for (const auto& k : mine)
            for (const auto& o : theirs)
               if (k == o)
                  fail(cs[j].loc, "component '" + cs[j].name + "' has the same tag " + tagText(k) +
                       " as the optional component '" + cs[i].name + "' before it");
         if (anyMine && !cs[j].extensionAddition)
            fail(cs[i].loc, "optional untagged open type '" + cs[i].name + "' is not the last component");
         if (!cs[j].optional && !cs[j].defaultValue) break;
      }
   }
}

}

void resolveTags(Program& prog)
{
   for (auto& m : prog.modules)
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) { automaticTags(*m, *t); });
   for (auto& m : prog.modules)
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) { applyTagModes(*m, *t); });
   for (auto& m : prog.modules)
      walkModuleTypes(*m, [&](const TypePtr& t, Assignment&) {
         if (t->kind == Type::Kind::Choice) checkDistinct(*t, "alternative");
         else if (t->kind == Type::Kind::Set) checkDistinct(*t, "component");
         else if (t->kind == Type::Kind::Sequence) checkSequence(*t);
      });
}

}
