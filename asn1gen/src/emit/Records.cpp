#include "Records.h"

#include "Tables.h"

#include <functional>
#include <map>
#include <set>

namespace asn1gen {

bool literalDefault(const Component& c)
{
   return c.defaultValue &&
      (c.defaultValue->kind == Value::Kind::Bool || c.defaultValue->kind == Value::Kind::Number);
}

bool hasPresenceBit(const Component& c)
{
   return c.optional || (c.defaultValue && !literalDefault(c));
}

std::string literalDefaultText(const Component& c)
{
   if (c.defaultValue->kind == Value::Kind::Bool) return c.defaultValue->boolVal ? "TRUE" : "FALSE";
   return std::to_string(*c.defaultValue->number);
}

std::string fieldType(const Component& c)
{
   std::string t = recordType(c.type.get());
   if (t.empty()) return t;
   if (c.type->repr == Repr::Pointer) t += "*";
   return t;
}

namespace {

// A record with mpContext: the copy of a control object's record, and the
// destructor that frees a copy through asn1Free_ when mpContext is set.
void emitRecordLifetime(const Unit& u, Writer& w)
{
   w.line("explicit ASN1T_" + u.name + "(ASN1C_" + u.name + "& original);");
   w.line("~ASN1T_" + u.name + "();");
}

std::string asnDescription(const Unit& u)
{
   std::string what = u.topLevel() ? u.assignment->name : u.name;
   return what + " (" + u.module->name + "): " + typeKindName(*u.type);
}

bool isStruct(Shape s)
{
   return s == Shape::Sequence || s == Shape::Set || s == Shape::Choice || s == Shape::List ||
      s == Shape::Array || s == Shape::NamedBits || s == Shape::FixedOctets;
}

void emitSequenceRecord(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   w.open("struct EXTERNRT ASN1T_" + u.name + " {");
   w.line("ASN1CtxtPtr mpContext;");
   bool anyBit = false;
   for (const auto& c : t.components) anyBit = anyBit || hasPresenceBit(c);
   if (anyBit) {
      w.open("struct {");
      for (const auto& c : t.components)
         if (hasPresenceBit(c)) w.line("unsigned " + fieldName(c.name) + "Present : 1;");
      w.close("} m;");
   }
   for (const auto& c : t.components) {
      std::string ft = fieldType(c);
      if (!ft.empty()) w.line(ft + " " + fieldName(c.name) + ";");
      // The value inside the octets, decoded through the object table.
      if (isTableContaining(c)) w.line("Asn1TObject " + containingObjectName(c) + ";");
   }
   if (t.extensible) w.line("_Asn1RTDList extElem1;");
   w.line();
   w.line("ASN1T_" + u.name + "();");
   emitRecordLifetime(u, w);
   w.close("};");
}

void emitChoiceRecord(const Unit& u, Writer& w)
{
   Type& t = *u.type;
   std::string consts;
   w.open("enum {");
   for (size_t i = 0; i < t.components.size(); ++i)
      w.line("T_" + u.name + "_" + fieldName(t.components[i].name) + " = " + std::to_string(i + 1) + ",");
   w.close("};");
   w.open("struct EXTERNRT ASN1T_" + u.name + " {");
   w.line("ASN1CtxtPtr mpContext;");
   w.line("OSUINT32 t;");
   w.open("union {");
   bool any = false;
   for (const auto& c : t.components) {
      std::string rt = recordType(c.type.get());
      if (rt.empty()) continue;                       // NULL: no value
      if (rt != "const char*") rt += "*";             // records are held by pointer
      w.line(rt + " " + fieldName(c.name) + ";");
      any = true;
   }
   if (!any) w.line("void* none;");
   w.close("} u;");
   w.line();
   w.line("ASN1T_" + u.name + "();");
   emitRecordLifetime(u, w);
   w.close("};");
}

void emitListRecord(const Unit& u, Writer& w)
{
   w.open("struct EXTERNRT ASN1T_" + u.name + " : public ASN1TPDUSeqOfList {");
   w.line("ASN1T_" + u.name + "();");
   emitRecordLifetime(u, w);
   w.line("// The context reference is counted by hand in list records.");
   w.line("ASN1T_" + u.name + "(const ASN1T_" + u.name + "& other);");
   w.line("ASN1T_" + u.name + "& operator=(const ASN1T_" + u.name + "& other);");
   w.close("};");
}

void emitArrayRecord(const Unit& u, Writer& w)
{
   w.open("struct EXTERNRT ASN1T_" + u.name + " {");
   w.line("OSUINT32 n;");
   w.line(recordType(u.type->element.get()) + "* elem;");
   w.close("};");
}

void emitNamedBitsRecord(const Unit& u, Writer& w)
{
   uint32_t cap = namedBitsCapacity(u.type.get());
   w.open("struct EXTERNRT ASN1T_" + u.name + " {");
   w.open("enum {");
   for (const auto& n : u.type->named) w.line(fieldName(n.name) + " = " + std::to_string(n.num) + ",");
   w.close("};");
   w.line("OSUINT32 numbits;");
   w.line("OSOCTET data[" + std::to_string((cap + 7) / 8) + "];   // capacity " +
          std::to_string(cap) + " bits");
   w.close("};");
}

void emitFixedOctetsRecord(const Unit& u, Writer& w)
{
   w.open("struct EXTERNRT ASN1T_" + u.name + " {");
   w.line("OSUINT32 numocts;");
   w.line("OSOCTET data[" + std::to_string(fixedOctetsCapacity(u.type.get())) + "];");
   w.close("};");
}

// Struct definitions must follow the records they embed by value.
void structDependencies(const Unit& u, const std::map<std::string, const Unit*>& byName,
                        std::vector<std::string>& deps)
{
   auto add = [&](Type* t) {
      std::string name;
      // Follow typedef chains to the struct that holds the value.
      for (int guard = 0; unitName(t, name) && guard < 100; ++guard) {
         auto it = byName.find(name);
         if (it == byName.end()) return;
         Shape s = shapeOf(*it->second);
         if (isStruct(s)) { deps.push_back(name); return; }
         if (s != Shape::Typedef) return;
         t = it->second->type.get();
      }
   };
   Shape s = shapeOf(u);
   if (s == Shape::Sequence || s == Shape::Set)
      for (const auto& c : u.type->components)
         if (c.type->repr != Repr::Pointer) add(c.type.get());
}

}

void emitRecordsHeader(Program& prog, const std::vector<Unit>& units, Writer& w)
{
   (void)prog;
   std::map<std::string, const Unit*> byName;
   for (const auto& u : units) {
      auto prev = byName.find(u.name);
      if (prev != byName.end())
         fail(u.type->loc, "generated type name " + u.name + " is also made in module " +
              prev->second->module->name);
      byName[u.name] = &u;
   }

   w.line("// Records of the asn1data types, generated by asn1gen from the ASN.1");
   w.line("// modules. Do not edit.");
   w.line("#ifndef ASN1DATARECORDS_H");
   w.line("#define ASN1DATARECORDS_H");
   w.line();
   w.line("#include \"asn1dataRuntime.h\"");
   w.line();
   w.line("namespace asn1data {");
   w.line();

   // 1. Every struct record is declared first: pointers and typedefs may
   //    then name it before its definition.
   for (const auto& u : units)
      if (isStruct(shapeOf(u))) w.line("struct ASN1T_" + u.name + ";");
   // Control classes: records copy from them.
   for (const auto& u : units) {
      Shape s = shapeOf(u);
      if (s == Shape::Sequence || s == Shape::Set || s == Shape::Choice || s == Shape::List)
         w.line("class ASN1C_" + u.name + ";");
   }
   w.line();

   // 2. Typedefs, each after the typedef it names.
   std::set<std::string> done;
   std::function<void(const Unit&)> typedefOf = [&](const Unit& u) {
      if (done.count(u.name)) return;
      done.insert(u.name);
      Shape s = shapeOf(u);
      if (s == Shape::Typedef) {
         std::string target;
         unitName(u.type.get(), target);
         auto it = byName.find(target);
         if (it != byName.end()) typedefOf(*it->second);
         Type* b = baseType(u.type);
         if (b->kind == Type::Kind::Null) return;
         w.line("// " + asnDescription(u) + " " + target);
         w.line("typedef ASN1T_" + target + " ASN1T_" + u.name + ";");
      }
      else if (s == Shape::Primitive) {
         w.line("// " + asnDescription(u));
         w.line("typedef " + primitiveRecordType(u.type.get()) + " ASN1T_" + u.name + ";");
      }
   };
   for (const auto& u : units) typedefOf(u);
   w.line();

   // 3. Struct definitions in dependency order.
   std::set<std::string> defined, visiting;
   std::function<void(const Unit&)> define = [&](const Unit& u) {
      if (defined.count(u.name)) return;
      if (visiting.count(u.name))
         fail(u.type->loc, "type " + u.name + " contains itself; hold a component by pointer");
      visiting.insert(u.name);
      std::vector<std::string> deps;
      structDependencies(u, byName, deps);
      for (const auto& d : deps) define(*byName.at(d));
      visiting.erase(u.name);
      defined.insert(u.name);
      Shape s = shapeOf(u);
      if (!isStruct(s)) return;
      w.line("// " + asnDescription(u));
      switch (s) {
      case Shape::Sequence: case Shape::Set: emitSequenceRecord(u, w); break;
      case Shape::Choice: emitChoiceRecord(u, w); break;
      case Shape::List: emitListRecord(u, w); break;
      case Shape::Array: emitArrayRecord(u, w); break;
      case Shape::NamedBits: emitNamedBitsRecord(u, w); break;
      case Shape::FixedOctets: emitFixedOctetsRecord(u, w); break;
      default: break;
      }
      w.line();
   };
   for (const auto& u : units) define(u);

   w.line("}  // namespace asn1data");
   w.line();
   w.line("#endif");
}

void emitRecordConstructor(const Unit& u, Writer& w)
{
   Shape s = shapeOf(u);
   std::string n = "ASN1T_" + u.name;
   if (s == Shape::Sequence || s == Shape::Set) {
      // mpContext null, m cleared, literal DEFAULT fields preset, other
      // fields zero; embedded records run their own constructors.
      std::vector<std::string> init;
      bool anyBit = false;
      for (const auto& c : u.type->components) anyBit = anyBit || hasPresenceBit(c);
      if (anyBit) init.push_back("m()");
      for (const auto& c : u.type->components) {
         if (fieldType(c).empty()) continue;
         init.push_back(fieldName(c.name) + "(" + (literalDefault(c) ? literalDefaultText(c) : "") + ")");
      }
      if (u.type->extensible) init.push_back("extElem1()");
      w.line(n + "::" + n + "()");
      for (size_t i = 0; i < init.size(); ++i)
         w.line(std::string(i == 0 ? "   : " : "   , ") + init[i]);
      w.line("{");
      w.line("}");
   }
   else if (s == Shape::Choice) {
      w.line(n + "::" + n + "() : t(0), u() {}");
   }
   else if (s == Shape::List) {
      w.line(n + "::" + n + "() : ASN1TPDUSeqOfList() {}");
   }
}

}
