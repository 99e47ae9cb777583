// Pass 8: the names of the generated types. Every type assignment gives its
// own name; inline types that need artefacts of their own get derived names:
//
//   a constructed, ENUMERATED, named-number INTEGER, named-bit BIT STRING or
//   fixed-capacity OCTET STRING component c of T          T_c
//   the element type of an inline SEQUENCE OF named N      N_element
//   an unconstrained SEQUENCE OF X / SET OF X component    _SeqOfX / _SetOfX
//     whose element X has a name (shared within a module)
//   a type setting of field &F of information object o     _o_F
//     (except NULL and unconstrained character strings)
//   an open-type component c of T constrained to one type   T_c_OpenType
//     (a decoder only)
//
// Plain primitive components (INTEGER (0..MAX), IA5String, ...) get no type
// of their own: their constraints are checked where they are used.
#include "Resolver.h"

namespace asn1gen {

namespace {

class Namer {
public:
   Namer(Program& prog, Module& m) : prog_(prog), m_(m) {}

   // The inline type t of a component (or object field) gets `candidate`
   // when it needs artefacts of its own.
   void inlineType(const TypePtr& t, const std::string& candidate, bool always)
   {
      using K = Type::Kind;
      switch (t->kind) {
      case K::Reference:
      case K::ClassField:
      case K::Any:
         if (always && t->kind != K::Reference) declare(t, candidate);
         return;
      case K::SequenceOf:
      case K::SetOf: {
         inlineType(t->element, candidate + "_element", false);
         std::string elemName = t->element->kind == K::Reference ? cName(t->element->refName)
                                                                   : t->element->genName;
         bool constrained = t->sizeOfConstraint || !t->constraints.empty();
         if (!constrained && !elemName.empty() && !always) {
            std::string shared = (t->kind == K::SequenceOf ? "_SeqOf" : "_SetOf") + elemName;
            auto it = m_.derivedByName.find(shared);
            if (it != m_.derivedByName.end() && it->second->kind == t->kind) {
               t->genName = shared;
               t->sharedWith = it->second.get();
               return;
            }
            declare(t, shared);
            return;
         }
         declare(t, candidate);
         return;
      }
      case K::Sequence:
      case K::Set:
      case K::Choice:
         declare(t, candidate);
         members(t, candidate);
         return;
      case K::Enumerated:
         declare(t, candidate);
         return;
      case K::Integer:
      case K::BitString:
         if (!t->named.empty() || always) declare(t, candidate);
         return;
      case K::OctetString:
         if (always || t->repr == Repr::Fixed) declare(t, candidate);
         return;
      default:
         if (always) declare(t, candidate);
         return;
      }
   }

   // The components of a named constructed type, or the element of a named
   // SEQUENCE OF.
   void members(const TypePtr& t, const std::string& name)
   {
      using K = Type::Kind;
      if (t->kind == K::Sequence || t->kind == K::Set || t->kind == K::Choice) {
         for (auto& c : t->components) {
            // A configured fixed-capacity string component is a type of its own.
            if (prog_.config.lookup(m_.name, name, c.name) == Repr::Fixed) {
               Type* b = baseType(c.type);
               if (c.type->kind != K::OctetString || !b)
                  fail(c.loc, "fixed capacity is configured for '" + c.name +
                       "', which is not an inline OCTET STRING");
               c.type->repr = Repr::Fixed;
            }
            inlineType(c.type, name + "_" + cName(c.name), false);
            openTypeDecoder(c, name);
         }
      }
      else if (t->kind == K::SequenceOf || t->kind == K::SetOf) {
         inlineType(t->element, name + "_element", false);
      }
   }

   // An open type constrained to one named type: its decoder.
   void openTypeDecoder(const Component& c, const std::string& outer)
   {
      if (!isOpenType(*c.type)) return;
      for (const auto& k : c.type->constraints)
         if (k->kind == Constraint::Kind::ContainedType && k->type &&
             k->type->kind == Type::Kind::Reference) {
            std::string name = outer + "_" + cName(c.name) + "_OpenType";
            if (m_.derivedByName.count(name) || m_.symbols.count(name))
               fail(c.loc, "derived name '" + name + "' is given twice");
            m_.openTypeDecoders.push_back({name, k->type});
            return;
         }
   }

   void declare(const TypePtr& t, const std::string& name)
   {
      if (m_.symbols.count(name) && m_.symbols[name]->kind == Assignment::Kind::Type &&
          m_.symbols[name]->type != t)
         fail(t->loc, "derived type name '" + name + "' clashes with a type of the module");
      if (m_.derivedByName.count(name))
         fail(t->loc, "derived type name '" + name + "' is given twice");
      t->genName = name;
      m_.derivedByName[name] = t;
      m_.derivedTypes.push_back(t);
   }

private:
   Program& prog_;
   Module& m_;
};

}

void assignNames(Program& prog)
{
   for (auto& m : prog.modules) {
      m->derivedTypes.clear();
      m->derivedByName.clear();
      m->openTypeDecoders.clear();
      Namer namer(prog, *m);
      for (auto& a : m->assignments)
         if (a->kind == Assignment::Kind::Type && a->params.empty())
            a->type->genName = cName(a->name);
      for (auto& a : m->assignments) {
         if (a->kind == Assignment::Kind::Type && a->params.empty())
            namer.members(a->type, cName(a->name));
         else if (a->kind == Assignment::Kind::Object)
            for (auto& s : a->settings)
               // A NULL setting and an unconstrained character string get no
               // type: their objects encode the value directly.
               if (s.second.type && s.second.type->kind != Type::Kind::Reference &&
                   s.second.type->kind != Type::Kind::Null &&
                   !(s.second.type->kind == Type::Kind::CharString &&
                     s.second.type->constraints.empty() && s.second.type->tags.empty()))
                  namer.inlineType(s.second.type,
                                   "_" + cName(a->name) + "_" + cName(s.first.substr(1)), true);
      }
   }
}

}
