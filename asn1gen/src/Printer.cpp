#include "Printer.h"

#include <sstream>

namespace asn1gen {

namespace {

std::string oidText(const std::vector<uint32_t>& arcs)
{
   std::string s;
   for (size_t i = 0; i < arcs.size(); ++i) s += (i ? "." : "") + std::to_string(arcs[i]);
   return s;
}

std::string valueText(const Value& v)
{
   if (v.oidResolved) return oidText(v.oid);
   switch (v.kind) {
   case Value::Kind::Number: return v.text;
   case Value::Kind::Bool: return v.boolVal ? "TRUE" : "FALSE";
   case Value::Kind::Null: return "NULL";
   case Value::Kind::Min: return "MIN";
   case Value::Kind::Max: return "MAX";
   case Value::Kind::CString: return "\"" + v.text + "\"";
   case Value::Kind::BString: return "'" + v.text + "'B";
   case Value::Kind::HString: return "'" + v.text + "'H";
   case Value::Kind::Ref:
      return v.number ? v.text + "(" + std::to_string(*v.number) + ")" : v.text;
   case Value::Kind::Braced: {
      std::string s = "{";
      for (const auto& t : v.tokens) s += " " + t.text;
      return s + " }";
   }
   }
   return "?";
}

std::string tagsText(const Type& t)
{
   std::string s;
   for (const auto& tag : t.tags) {
      s += "[";
      if (tag.cls == TagClass::Application) s += "APPLICATION ";
      else if (tag.cls == TagClass::Private) s += "PRIVATE ";
      else if (tag.cls == TagClass::Universal) s += "UNIVERSAL ";
      s += std::to_string(tag.num) + "] " + (tag.explicitTag ? "EXPLICIT " : "IMPLICIT ");
   }
   return s;
}

void printType(std::ostream& out, const Type& t, int indent);

void printComponents(std::ostream& out, const Type& t, int indent)
{
   std::string pad(indent, ' ');
   bool markerShown = false;
   for (const auto& c : t.components) {
      if (c.extensionAddition && !markerShown) { out << pad << "...\n"; markerShown = true; }
      out << pad << c.name << " ";
      printType(out, *c.type, indent);
      if (c.optional) out << " OPTIONAL";
      if (c.defaultValue) out << " DEFAULT " << valueText(*c.defaultValue);
      if (c.type->repr != Repr::Default) out << " <" << reprName(c.type->repr) << ">";
      out << "\n";
   }
   if (t.extensible && !markerShown) out << pad << "...\n";
}

void printType(std::ostream& out, const Type& t, int indent)
{
   using K = Type::Kind;
   out << tagsText(t);
   switch (t.kind) {
   case K::Reference:
      out << (t.refModule.empty() ? "" : t.refModule + ".") << t.refName;
      if (t.targetModule) out << "@" << t.targetModule->name;
      break;
   case K::ClassField:
      out << t.refName;
      for (const auto& f : t.fieldPath) out << "." << f;
      break;
   case K::CharString: out << t.stringType; break;
   case K::Any:
      out << "ANY";
      if (!t.definedBy.empty()) out << " DEFINED BY " << t.definedBy;
      break;
   default: out << typeKindName(t); break;
   }
   if (!t.named.empty() || t.enumExtensible) {
      out << " {";
      for (size_t i = 0; i < t.named.size(); ++i)
         out << (i ? ", " : " ") << t.named[i].name << "(" << t.named[i].num << ")";
      if (t.enumExtensible) {
         out << ", ...";
         for (const auto& n : t.enumAdditions) out << ", " << n.name << "(" << n.num << ")";
      }
      out << " }";
   }
   if (t.sizeOfConstraint) out << " " << constraintText(*t.sizeOfConstraint);
   for (const auto& c : t.constraints) out << " " << constraintText(*c);
   if (!t.genName.empty()) out << " -> " << t.genName;
   if (t.sharedWith) out << " (shared)";
   if (t.repr != Repr::Default && t.kind != K::Reference) out << " <" << reprName(t.repr) << ">";
   if (t.kind == K::Sequence || t.kind == K::Set || t.kind == K::Choice) {
      out << " {\n";
      printComponents(out, t, indent + 2);
      out << std::string(indent, ' ') << "}";
   }
   else if (t.kind == K::SequenceOf || t.kind == K::SetOf) {
      out << " OF ";
      printType(out, *t.element, indent);
   }
}

}

std::string constraintText(const Constraint& c)
{
   using K = Constraint::Kind;
   auto join = [&](const char* sep) {
      std::string s;
      for (size_t i = 0; i < c.children.size(); ++i)
         s += (i ? sep : "") + constraintText(*c.children[i]);
      return s;
   };
   switch (c.kind) {
   case K::Union: return "(" + join(" | ") + ")";
   case K::Intersection: return "(" + join(" ^ ") + ")";
   case K::Except: return "(" + join(" EXCEPT ") + ")";
   case K::Size: return "SIZE" + join("");
   case K::From: return "FROM" + join("");
   case K::Range:
      return "(" + valueText(*c.lower) + (c.lowerOpen ? "<" : "") + ".." +
         (c.upperOpen ? "<" : "") + valueText(*c.upper) + ")";
   case K::Single: return "(" + valueText(*c.value) + ")";
   case K::ContainedType: return "(INCLUDES " + typeText(*c.type) + ")";
   case K::Table: {
      std::string s = "({" + c.objectSet + "}";
      if (!c.atPaths.empty()) {
         s += "{";
         for (size_t i = 0; i < c.atPaths.size(); ++i) s += (i ? ", @" : "@") + c.atPaths[i];
         s += "}";
      }
      return s + ")";
   }
   case K::Containing: return "(CONTAINING " + typeText(*c.type) + ")";
   case K::Opaque: return "(...)";
   case K::Extensible: return "(" + join(", ...") + (c.children.size() == 1 ? ", ..." : "") + ")";
   }
   return "";
}

std::string typeText(const Type& t)
{
   std::ostringstream s;
   printType(s, t, 0);
   return s.str();
}

void printProgram(std::ostream& out, const Program& prog)
{
   for (const auto& m : prog.modules) {
      const char* td = m->tagDefault == TagDefault::Explicit ? "EXPLICIT"
         : m->tagDefault == TagDefault::Implicit ? "IMPLICIT" : "AUTOMATIC";
      out << "module " << m->name << " (" << td << " TAGS)\n";
      for (const auto& imp : m->imports) {
         out << "  import";
         for (size_t i = 0; i < imp.symbols.size(); ++i) out << (i ? ", " : " ") << imp.symbols[i];
         out << " FROM " << imp.module << "\n";
      }
      for (const auto& a : m->assignments) {
         switch (a->kind) {
         case Assignment::Kind::Type:
            out << "  type " << a->name;
            if (!a->params.empty()) { out << " {parameterised, not generated}\n"; break; }
            out << " ::= ";
            printType(out, *a->type, 2);
            out << "\n";
            break;
         case Assignment::Kind::Value:
            out << "  value " << a->name << " " << typeText(*a->type) << " ::= " << valueText(*a->value) << "\n";
            break;
         case Assignment::Kind::ValueSet:
            out << "  value set " << a->name << " (" << a->elements.size() << " elements)\n";
            break;
         case Assignment::Kind::Class:
            out << "  class " << a->name;
            if (!a->className.empty()) out << " ::= " << a->className;
            else {
               out << " {";
               for (size_t i = 0; i < a->objClass->fields.size(); ++i) {
                  const auto& f = a->objClass->fields[i];
                  out << (i ? ", " : " ") << f.name;
                  if (f.type) out << " " << typeText(*f.type);
                  if (f.unique) out << " UNIQUE";
                  if (f.optional) out << " OPTIONAL";
               }
               out << " }";
            }
            out << "\n";
            break;
         case Assignment::Kind::Object:
            out << "  object " << a->name << " " << a->className << " {\n";
            for (const auto& s : a->settings) {
               out << "    " << s.first << " ";
               if (s.second.type) printType(out, *s.second.type, 4);
               if (s.second.value) out << valueText(*s.second.value);
               out << "\n";
            }
            out << "  }\n";
            break;
         case Assignment::Kind::ObjectSet:
            out << "  object set " << a->name << " " << a->className << " {";
            for (size_t i = 0; i < a->objects.size(); ++i) out << (i ? ", " : " ") << a->objects[i]->name;
            out << (a->setExtensible ? ", ..." : "") << " }\n";
            break;
         }
      }
      out << "  derived types:";
      for (const auto& t : m->derivedTypes) out << " " << t->genName;
      out << "\n";
   }
}

}

namespace asn1gen {

void printCatalogue(std::ostream& out, const Program& prog)
{
   for (const auto& m : prog.modules) {
      for (const auto& a : m->assignments) {
         if (a->kind != Assignment::Kind::Value || !a->value->oidResolved) continue;
         std::string arcs;
         for (size_t i = 0; i < a->value->oid.size(); ++i)
            arcs += (i ? "." : "") + std::to_string(a->value->oid[i]);
         out << "oid " << m->name << " " << cName(a->name) << " " << arcs << "\n";
      }
      for (const auto& a : m->assignments)
         if (a->kind == Assignment::Kind::Type && a->params.empty())
            out << "type " << m->name << " " << a->type->genName << "\n";
      for (const auto& t : m->derivedTypes)
         out << "type " << m->name << " " << t->genName << "\n";
   }
}

}
