#include "Tables.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "Ber.h"
#include "Kinds.h"
#include "Sax.h"
#include "Xer.h"

namespace asn1gen {

namespace {

// A function definition: the signature, then the body's brace on its own line.
void openFunction(Writer& w, const std::string& signature)
{
   w.line(signature);
   w.open("");
}

// The CLASS.&Type node under a component relation ({Set}{@id}), or null.
Type* relationField(Type* t)
{
   if (t && t->kind == Type::Kind::ClassField && isOpenType(*t) && t->tableConstraint &&
       !t->tableConstraint->atPaths.empty() && t->objectSet)
      return t;
   return nullptr;
}

Type* containingField(Type* t)
{
   if (!t || t->kind != Type::Kind::OctetString) return nullptr;
   for (const auto& c : t->constraints)
      if (c->kind == Constraint::Kind::Containing)
         if (Type* f = relationField(c->type.get())) return f;
   return nullptr;
}

Assignment* classAssignment(Assignment* set)
{
   Module* m = set->module;
   auto it = m->symbols.find(set->className);
   if (it != m->symbols.end()) return it->second;
   it = m->imported.find(set->className);
   return it != m->imported.end() ? it->second : nullptr;
}

// The defining class of an alias chain.
Assignment* definingClass(Assignment* c)
{
   for (int guard = 0; c && !c->className.empty() && guard < 32; ++guard) {
      Module* m = c->module;
      auto it = m->symbols.find(c->className);
      Assignment* next = it != m->symbols.end() ? it->second : nullptr;
      if (!next) {
         auto jt = m->imported.find(c->className);
         next = jt != m->imported.end() ? jt->second : nullptr;
      }
      c = next;
   }
   return c;
}

std::string suffix(const std::string& field) { return cName(field.substr(1)); }

// The type fields of a class (&Type, &ExtnType ...), in declaration order.
std::vector<const ClassField*> typeFields(const ObjectClass& c)
{
   std::vector<const ClassField*> out;
   for (const auto& f : c.fields)
      if (f.kind == ClassField::Kind::Type) out.push_back(&f);
   return out;
}

bool isOidField(const ClassField& f)
{
   if (f.kind != ClassField::Kind::FixedValue || !f.type) return false;
   Type* b = baseType(f.type);
   return b && b->kind == Type::Kind::ObjectId;
}

bool isClassDefinition(const Assignment& a)
{
   return a.kind == Assignment::Kind::Class && a.objClass && a.className.empty();
}

// How an object's type setting is held and coded.
struct Binding {
   bool isNull = false;       // NULL: the decoded value is a one-octet marker
   bool named = false;        // a generated type with functions of its own
   std::string unit;          // its name
   std::string record;        // the C++ record
   Module* module = nullptr;  // where the named type is generated
};

Binding bindingOf(Type* st, Module& objModule)
{
   Binding b;
   Type* base = baseType(st);
   b.isNull = base && base->kind == Type::Kind::Null;
   b.named = unitName(st, b.unit);
   if (b.named) b.module = st->kind == Type::Kind::Reference ? st->targetModule : &objModule;
   b.record = b.isNull ? "OSOCTET" : recordType(st);
   return b;
}

std::string arcsText(const std::vector<uint32_t>& arcs)
{
   std::string s;
   for (size_t i = 0; i < arcs.size(); ++i) s += (i ? ", " : "") + std::to_string(arcs[i]) + "U";
   return s;
}

void emitSetOid(Writer& w, const std::string& member, const Value& v)
{
   w.open("{");
   w.line("static const OSUINT32 arcs[] = { " + arcsText(v.oid) + " };");
   w.line(member + " = ASN1TObjId(" + std::to_string(v.oid.size()) + ", arcs);");
   w.close();
}

void declareClass(const Assignment& a, Writer& w)
{
   const ObjectClass& c = *a.objClass;
   std::string cls = cName(a.name);
   w.line("// Information object class " + a.name + ".");
   w.open("class EXTERNRT " + cls + " {");
   w.outdent();
   w.line("public:");
   w.indent();
   for (const auto& f : c.fields)
      if (isOidField(f)) w.line("ASN1TObjId " + suffix(f.name) + ";");
   bool anyOptional = false;
   for (const auto& f : c.fields) anyOptional = anyOptional || f.optional;
   if (anyOptional) {
      w.line("// Which OPTIONAL fields the object sets.");
      w.open("struct {");
      for (const auto& f : c.fields)
         if (f.optional) w.line("unsigned " + suffix(f.name) + "Present : 1;");
      w.close("} m;");
   }
   w.line();
   w.line(cls + "();");
   w.line("virtual ~" + cls + "();");
   for (const ClassField* f : typeFields(c)) {
      std::string F = suffix(f->name);
      w.line();
      w.line("// &" + F + ", over the operations of the object's type (an object that leaves");
      w.line("// the field out codes nothing).");
      w.line("// The value: a zeroed record in the context heap.");
      w.line("virtual void* constructASN1T" + F + "(ASN1CTXT* pctxt);");
      w.line("// The control object over such a record, sharing the buffer's context; null");
      w.line("// when the type has none.");
      w.line("virtual ASN1CType* constructASN1C" + F + "(ASN1MessageBufferIF& msgBuf, void* record);");
      w.line("virtual void destructASN1C" + F + "(ASN1CType* pobj);");
      w.line("// BER: object.decoded encoded with explicit tagging; the length or a status.");
      w.line("virtual int encodeBER" + F + "(ASN1CTXT* pctxt, Asn1TObject& object);");
      w.line("// BER: a new record decoded from the context's buffer into object.decoded");
      w.line("// (null on failure); 0 or a status.");
      w.line("virtual int decodeBER" + F + "(ASN1CTXT* pctxt, Asn1TObject& object);");
      w.line("// A deep copy of src.decoded into dst.decoded, in pctxt's heap.");
      w.line("virtual void copy" + F + "(ASN1CTXT* pctxt, Asn1TObject& src, Asn1TObject& dst);");
      w.line("// Releases the dynamic parts of object.decoded and sets it null.");
      w.line("virtual void free" + F + "(ASN1CTXT* pctxt, Asn1TObject& object);");
   }
   w.line();
   w.outdent();
   w.line("protected:");
   w.indent();
   if (!typeFields(c).empty()) {
      w.line("// The object's name (for the error path) and the operations of its types.");
      w.line("const char* mObjectName = nullptr;");
      for (const ClassField* f : typeFields(c)) w.line("const asn1dataTypeOps* mOps" + suffix(f->name) + " = nullptr;");
      w.line();
   }
   w.outdent();
   w.line("private:");
   w.indent();
   w.line(cls + "(const " + cls + "&) = delete;");
   w.line(cls + "& operator=(const " + cls + "&) = delete;");
   w.close("};");
}

void defineClass(const Assignment& a, Writer& w)
{
   const ObjectClass& c = *a.objClass;
   std::string cls = cName(a.name);
   bool anyOptional = false;
   for (const auto& f : c.fields) anyOptional = anyOptional || f.optional;
   openFunction(w, cls + "::" + cls + "()");
   if (anyOptional) w.line("memset(&m, 0, sizeof(m));");
   w.close();
   w.line();
   w.line(cls + "::~" + cls + "() {}");
   for (const ClassField* f : typeFields(c)) {
      const std::string F = suffix(f->name), ops = "mOps" + F, pre = cls + "::";
      w.line();
      w.line("void* " + pre + "constructASN1T" + F + "(ASN1CTXT* pctxt) { return asn1dataOpsNewRecord(" + ops +
             ", pctxt); }");
      w.line("ASN1CType* " + pre + "constructASN1C" + F + "(ASN1MessageBufferIF& msgBuf, void* record)");
      w.line("{ return asn1dataOpsControl(" + ops + ", msgBuf, record); }");
      w.line("void " + pre + "destructASN1C" + F + "(ASN1CType* pobj) { asn1dataOpsDropControl(" + ops + ", pobj); }");
      w.line("int " + pre + "encodeBER" + F + "(ASN1CTXT* pctxt, Asn1TObject& object)");
      w.line("{ return asn1dataOpsEncode(" + ops + ", pctxt, object); }");
      w.line("int " + pre + "decodeBER" + F + "(ASN1CTXT* pctxt, Asn1TObject& object)");
      w.line("{ return asn1dataOpsDecode(" + ops + ", mObjectName, pctxt, object); }");
      w.line("void " + pre + "copy" + F + "(ASN1CTXT* pctxt, Asn1TObject& src, Asn1TObject& dst)");
      w.line("{ asn1dataOpsCopy(" + ops + ", pctxt, src, dst); }");
      w.line("void " + pre + "free" + F + "(ASN1CTXT* pctxt, Asn1TObject& object) { asn1dataOpsFree(" + ops +
             ", pctxt, object); }");
   }
}

// The class assignment an object names, defined in its module or imported.
Assignment* classAssignmentOf(Assignment& obj)
{
   Module* m = obj.module;
   auto it = m->symbols.find(obj.className);
   Assignment* c = it != m->symbols.end() ? it->second : nullptr;
   if (!c) {
      auto jt = m->imported.find(obj.className);
      c = jt != m->imported.end() ? jt->second : nullptr;
   }
   return definingClass(c);
}

ObjectClass* objectClassOf(Assignment& obj)
{
   Assignment* c = classAssignmentOf(obj);
   return c ? c->objClass.get() : nullptr;
}

std::string classNameOf(Assignment& obj)
{
   Assignment* c = classAssignmentOf(obj);
   return c ? cName(c->name) : cName(obj.className);
}

void declareObject(Assignment& obj, Writer& w)
{
   std::string o = cName(obj.name), cls = classNameOf(obj);
   w.line("// Information object " + obj.name + " of class " + obj.className + ".");
   w.open("class EXTERNRT " + o + " : public " + cls + " {");
   w.outdent();
   w.line("public:");
   w.indent();
   w.line(o + "();");
   w.close("};");
}

// The operation tables of the types that a module's objects name: one
// table per distinct type, shared by the objects. Only what is not a
// generated function of the type is written out as a function of its own.
class OpsTables {
public:
   explicit OpsTables(Writer& w) : w_(w) {}

   // The table of the type setting st of a field; its name.
   std::string tableOf(Type* st, const Binding& b, const std::string& fallbackName)
   {
      const std::string& R = b.record;
      const std::string base = b.named ? b.unit : fallbackName;
      Writer fns;
      std::string encode, decode, copy = "nullptr", release = "nullptr";
      const ValueInfo vi = valueInfo(st);
      const bool str = vi.kind == VKind::Str8 || vi.kind == VKind::Utf8;
      if (b.named) {
         const std::string r = b.isNull ? "void" : R, suffix = b.isNull ? "_" : "";
         encode = "&asn1dataEncodeAs<" + r + ", asn1E_" + b.unit + suffix + ">";
         decode = "&asn1dataDecodeAs<" + r + ", asn1D_" + b.unit + suffix + ">";
         if (!b.isNull) {
            copy = "&asn1dataCopyAs<" + R + ", asn1Copy_" + b.unit + ">";
            const Unit* u = findUnit(b.unit);
            if (u && unitNeedsFree(*u)) release = "&asn1dataFreeAs<" + R + ", asn1Free_" + b.unit + ">";
         }
      }
      else {
         const std::string enc = berEncodeExpr(st, "(*pvalue)");
         encode = "&encode_@";
         fns.line("static int encode_@(ASN1CTXT* pctxt, void* record)");
         fns.open("");
         if (enc.find("pvalue") != std::string::npos) fns.line(R + "* pvalue = static_cast<" + R + "*>(record);");
         fns.line("return " + enc + ";");
         fns.close();
         Writer body;
         body.line("int stat = 0;");
         // The failures return their status: the table's caller names the object.
         emitBerDecodeValue(body, st, "(*pvalue)", [](const std::string& stat) { return stat; });
         body.line("return 0;");
         decode = "&decode_@";
         fns.line("static int decode_@(ASN1CTXT* pctxt, void* record)");
         fns.open("");
         if (body.str().find("pvalue") != std::string::npos)
            fns.line(R + "* pvalue = static_cast<" + R + "*>(record);");
         fns.lines(body.str());
         fns.close();
         if (str) {
            copy = "&copy_@";
            fns.line("static int copy_@(ASN1CTXT* pctxt, void* src, void* dst)");
            fns.line("{ return asn1dataCopyCharStr(pctxt, *static_cast<" + R + "*>(src), static_cast<" + R +
                     "*>(dst)); }");
            release = "&free_@";
            fns.line("static void free_@(ASN1CTXT* pctxt, void* record) { asn1dataFreePtr(pctxt, *static_cast<" + R +
                     "*>(record)); }");
         }
         else if (!b.isNull) fail(st->loc, "no copy for this object field type");
      }
      const std::string control = controlOf(st, b, fns);
      Writer table;
      table.lines(fns.str());
      table.open("static const asn1dataTypeOps kOps_@ = {");
      table.line("sizeof(" + R + "), " + (b.isNull ? "true" : "false") + ", \"" + typeLabel(*st) + "\",");
      table.line(encode + ", " + decode + ",");
      table.line(copy + ", " + release + ",");
      table.line(control);
      table.close("};");
      auto it = byText_.find(table.str());
      if (it != byText_.end()) return it->second;
      std::string name = base;
      for (int n = 2; names_.count(name); ++n) name = base + "_" + std::to_string(n);
      names_.insert(name);
      byText_[table.str()] = "kOps_" + name;
      std::string text = table.str();
      for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + name.size()))
         text.replace(at, 1, name);
      w_.line();
      w_.lines(text);
      return "kOps_" + name;
   }

private:
   // The control object that writes and reads the value in XER. Constructed
   // types have control classes that are SAX handlers; a primitive value (or
   // NULL) gets the generic asn1dataValueControl over its type's XER encoder
   // and text conversion, so that it is written in its XML value form, not as
   // octets. An open type inside the value has no form of its own: it travels
   // as its octets (no control object).
   static std::string controlOf(Type* st, const Binding& b, Writer& fns)
   {
      const ValueInfo vi = valueInfo(st);
      if (vi.kind == VKind::Open || (!b.isNull && vi.kind == VKind::Constructed && !b.named)) return "nullptr";
      // The class of the type at the end of a reference chain: its XER
      // element name is the one its SAX handler expects.
      if (vi.kind == VKind::Constructed && !b.isNull) return "&asn1dataControlAs<" + b.record + ", ASN1C_" + vi.root + ">";
      const std::string rec = "(*static_cast<" + b.record + "*>(record))";
      std::string typeName, encode, convert, kind;
      const Unit* root = vi.root.empty() ? nullptr : findUnit(vi.root);
      if (b.isNull) {
         typeName = root != nullptr ? "\"" + xmlTypeName(*root) + "\"" : "\"NULL\"";
         encode = "xerEncNull(pctxt, elemName)";
         kind = "XERV_EMPTY";
         convert = "[](ASN1CTXT*, ASN1XERValueHandler&, void*) { return 0; }";
      }
      else if (b.named && root != nullptr) {
         typeName = "ASN1C_" + vi.root + "::typeName()";
         const Unit* unit = findUnit(b.unit);
         const bool byValue = unit != nullptr ? xerByValue(*unit) : xerByValueInfo(vi);
         encode = "asn1XE_" + b.unit + "(pctxt, " + (byValue ? rec : "static_cast<" + b.record + "*>(record)") +
            ", elemName, 0)";
         valueDecodeCall(*root, "value", "handler", kind);
         convert = "&ASN1C_" + vi.root + "::xerConvert";
      }
      else {
         typeName = "\"" + elementNameOf(st) + "\"";
         encode = xerValueCall(st, rec, "elemName");
         const std::string call = valueDecodeCall(st, "value", "handler", kind);
         const std::string handler = call.find("handler") != std::string::npos ? " handler" : "";
         convert = "[](ASN1CTXT* pctxt, ASN1XERValueHandler&" + handler + ", void* record) { " + b.record +
            "& value = *static_cast<" + b.record + "*>(record); return " + call + "; }";
      }
      const std::string record = encode.find("record") != std::string::npos ? " record" : "";
      fns.line("static ASN1CType* control_@(ASN1MessageBufferIF& msgBuf, void* record)");
      fns.open("");
      fns.line("return new asn1dataValueControl(msgBuf, record, " + typeName + ", " + kind + ",");
      fns.line("   [](ASN1CTXT* pctxt, void*" + record + ", const char* elemName) { return " + encode + "; },");
      fns.line("   " + convert + ");");
      fns.close();
      return "&control_@";
   }

   Writer& w_;
   std::map<std::string, std::string> byText_;
   std::set<std::string> names_;
};

void defineObject(Assignment& obj, Writer& w, OpsTables& tables)
{
   ObjectClass* c = objectClassOf(obj);
   std::string o = cName(obj.name);
   // The tables first, then the object over them.
   std::vector<std::string> sets;
   for (const ClassField* f : typeFields(*c)) {
      auto s = obj.settings.find(f->name);
      if (s == obj.settings.end()) continue;
      Type* st = s->second.type.get();
      const std::string table = tables.tableOf(st, bindingOf(st, *obj.module), o + "_" + suffix(f->name));
      sets.push_back("mOps" + suffix(f->name) + " = &" + table + ";");
   }
   w.line();
   openFunction(w, o + "::" + o + "()");
   if (!sets.empty()) w.line("mObjectName = \"" + obj.name + "\";");
   for (const auto& line : sets) w.line(line);
   for (const auto& f : c->fields) {
      auto s = obj.settings.find(f.name);
      if (s == obj.settings.end()) continue;
      if (isOidField(f) && s->second.value && s->second.value->oidResolved)
         emitSetOid(w, suffix(f.name), *s->second.value);
      if (f.optional) w.line("m." + suffix(f.name) + "Present = 1;");
   }
   w.close();
}

void declareSet(Assignment& set, Writer& w)
{
   std::string s = cName(set.name);
   Assignment* cls = definingClass(classAssignment(&set));
   std::string c = cls ? cName(cls->name) : cName(set.className);
   w.line("// Object set " + set.name + " (" + std::to_string(set.objects.size()) +
          " objects): lookup in the order of the set.");
   w.open("class EXTERNRT " + s + " {");
   w.outdent();
   w.line("public:");
   w.indent();
   w.line("// The set, created on the first call (safely when threads race to it) and");
   w.line("// never destroyed. The context is not used.");
   w.line("static " + s + "* instance(ASN1CTXT* pctxt);");
   w.line("// The first object whose id equals oid; null when none has it.");
   w.line(c + "* lookupObject(const ASN1TObjId& oid) const;");
   w.line("OSUINT32 getCount() const { return mCount; }");
   w.line("// The object at position i in lookup order; null beyond the count.");
   w.line(c + "* getObject(OSUINT32 i) const { return i < mCount ? mObjects[i] : 0; }");
   w.line();
   w.outdent();
   w.line("private:");
   w.indent();
   w.line(s + "();");
   w.line(s + "(const " + s + "&) = delete;");
   w.line(s + "& operator=(const " + s + "&) = delete;");
   w.line(c + "* mObjects[" + std::to_string(std::max<size_t>(1, set.objects.size())) + "];");
   w.line("OSUINT32 mCount;");
   w.close("};");
}

void defineSet(Assignment& set, Writer& w)
{
   std::string s = cName(set.name);
   Assignment* cls = definingClass(classAssignment(&set));
   std::string c = cls ? cName(cls->name) : cName(set.className);
   openFunction(w, s + "::" + s + "() : mCount(" + std::to_string(set.objects.size()) + ")");
   if (set.objects.empty()) w.line("mObjects[0] = 0;");
   for (size_t i = 0; i < set.objects.size(); ++i)
      w.line("mObjects[" + std::to_string(i) + "] = new " + cName(set.objects[i]->name) + "();");
   w.close();
   w.line();
   openFunction(w, s + "* " + s + "::instance(ASN1CTXT*)");
   w.line("// A function-local static is initialised once, even by racing threads.");
   w.line("static " + s + "* const set = new " + s + "();");
   w.line("return set;");
   w.close();
   w.line();
   openFunction(w, c + "* " + s + "::lookupObject(const ASN1TObjId& oid) const");
   w.line("// The arc count and last arc of every object side by side: one small array");
   w.line("// is scanned instead of following every object to its identifier.");
   w.line("static const asn1dataOidKeys keys(mObjects, mCount);");
   w.line("return keys.find(mObjects, mCount, oid);");
   w.close();
}

// ------------------------------------------------------------ constrained types
// Whether the open type of u is read in place (asn1XDOV_T, for a list of
// values asn1XDOVE_T per element): its identifier is a required component
// before it, so that the identifier is known when the value's element starts.
bool readsValueInPlace(const Unit& u, const TableUse& t)
{
   if (t.id->optional || t.id->defaultValue) return false;
   const auto& comps = u.type->components;
   size_t idAt = comps.size(), valueAt = comps.size();
   for (size_t i = 0; i < comps.size(); ++i) {
      if (&comps[i] == t.id) idAt = i;
      if (&comps[i] == t.value) valueAt = i;
   }
   return idAt < valueAt && valueAt < comps.size();
}

std::string holderExpr(const TableUse& t)
{
   std::string f = fieldName(t.value->name);
   if (t.kind == TableUse::Kind::Containing) return "pvalue->" + containingObjectName(*t.value);
   return "pvalue->" + f;
}

std::string lookupLines(const TableUse& t, Writer& w)
{
   std::string cls = cName(definingClass(t.cls)->name);
   std::string set = cName(t.set->name);
   w.line(set + "* pset = " + set + "::instance(pctxt);");
   w.line(cls + "* pobj = pset != 0 ? pset->lookupObject(pvalue->" + fieldName(t.id->name) + ") : 0;");
   return suffix(t.field->fieldPath[0]);
}

void declareTableFunctions(const Unit& u, Writer& w)
{
   w.line("// Table constraint of " + u.name + ": pre-encoding and post-decoding of the value.");
   w.line("EXTERNRT int asn1ETC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue);");
   w.line("EXTERNRT int asn1DTC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue);");
   TableUse t;
   if (tableUseOf(u, t) && hasXerTable(t)) {
      w.line("// XER pre-encoding: the value of a known identifier becomes XML text in the open");
      w.line("// type; 1 when it did, 0 when the value stays octets, or a negative status.");
      w.line("EXTERNRT int asn1XETC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue);");
      w.line("// XER post-decoding: the value of a known identifier decoded from the XML text");
      w.line("// (or hexadecimal octets) the open type holds; 0 or a negative status. The");
      w.line("// record of the decode that the SAX handler `forms` belongs to says which open");
      w.line("// types were read in the XML form or in place (null: all of them hold XML");
      w.line("// text). XML of an unknown identifier has no value to become: -38. On");
      w.line("// success no open type holds XML text.");
      w.line("EXTERNRT int asn1XDTC_" + u.name + "(ASN1CtxtPtr& ctxt, ASN1T_" + u.name +
             "* pvalue, ASN1XERTypeHandler* forms);");
      w.line("EXTERNRT int asn1XDTC_" + u.name + "(ASN1CtxtPtr& ctxt, ASN1T_" + u.name + "* pvalue);");
      if (readsValueInPlace(u, t)) {
         w.line("// XER decode in place: when the value's element starts, the reader that nests");
         w.line("// the control object of the known " + t.id->name + "'s type (asn1dataXerObjectValue),");
         w.line("// or null when the value is to be captured as text.");
         if (t.kind == TableUse::Kind::SetOf)
            w.line("EXTERNRT ASN1XERSAXDecodeHandler* asn1XDOVE_" + u.name +
                   "(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner, Asn1TObject& holder, void* record);");
         else
            w.line("EXTERNRT ASN1XERSAXDecodeHandler* asn1XDOV_" + u.name +
                   "(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner, ASN1T_" + u.name + "* pvalue);");
      }
   }
   w.line("// The decoded value copied through its object (after the octets were copied);");
   w.line("// 0 or ASN1ERR_NO_MEMORY.");
   w.line("int asn1CopyTC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pSrcValue, ASN1T_" + u.name +
          "* pDstValue);");
   w.line("// The decoded value released through its object; decoded becomes null.");
   w.line("void asn1FreeTC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue);");
}

void defineCopyFreeFunctions(const Unit& u, const TableUse& t, Writer& w)
{
   std::string v = fieldName(t.value->name);
   std::string cls = cName(definingClass(t.cls)->name);
   std::string set = cName(t.set->name);
   std::string F = suffix(t.field->fieldPath[0]);
   std::string holder = t.kind == TableUse::Kind::Containing ? containingObjectName(*t.value) : v;
   w.line("// asn1CopyTC_" + u.name + ": the decoded value of a known " + t.id->name + " is copied too.");
   openFunction(w, "int asn1CopyTC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pSrcValue, ASN1T_" +
                u.name + "* pDstValue)");
   if (t.kind == TableUse::Kind::Containing) {
      w.line("pDstValue->" + holder + ".numocts = pDstValue->" + v + ".numocts;");
      w.line("pDstValue->" + holder + ".data = pDstValue->" + v + ".data;");
   }
   if (t.kind != TableUse::Kind::SetOf) w.line("pDstValue->" + holder + ".decoded = 0;");
   if (t.value->optional) w.line("if (!pSrcValue->m." + v + "Present) return 0;");
   w.line(set + "* pset = " + set + "::instance(pctxt);");
   w.line(cls + "* pobj = pset != 0 ? pset->lookupObject(pSrcValue->" + fieldName(t.id->name) + ") : 0;");
   w.line("if (pobj == 0) return 0;");
   if (t.kind == TableUse::Kind::SetOf) {
      w.line("_Asn1RTDListNode* pdst = pDstValue->" + v + ".head;");
      w.open("for (_Asn1RTDListNode* psrc = pSrcValue->" + v + ".head; psrc != 0 && pdst != 0; psrc = psrc->next, pdst = pdst->next)");
      w.line("Asn1TObject& src = *static_cast<Asn1TObject*>(psrc->data);");
      w.line("Asn1TObject& dst = *static_cast<Asn1TObject*>(pdst->data);");
      w.line("dst.decoded = 0;");
      w.line("if (src.decoded == 0) continue;");
      w.line("pobj->copy" + F + "(pctxt, src, dst);");
      w.line("if (dst.decoded == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
      w.close();
   }
   else {
      w.line("if (pSrcValue->" + holder + ".decoded == 0) return 0;");
      w.line("pobj->copy" + F + "(pctxt, pSrcValue->" + holder + ", pDstValue->" + holder + ");");
      w.line("if (pDstValue->" + holder + ".decoded == 0) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);");
   }
   w.line("return 0;");
   w.close();
   w.line();
   w.line("// asn1FreeTC_" + u.name + ": the decoded value of a known " + t.id->name + " is released.");
   openFunction(w, "void asn1FreeTC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue)");
   w.line(set + "* pset = " + set + "::instance(pctxt);");
   w.line(cls + "* pobj = pset != 0 ? pset->lookupObject(pvalue->" + fieldName(t.id->name) + ") : 0;");
   if (t.kind == TableUse::Kind::SetOf) {
      w.open("for (_Asn1RTDListNode* pnode = pvalue->" + v + ".head; pnode != 0; pnode = pnode->next)");
      w.line("Asn1TObject& holder = *static_cast<Asn1TObject*>(pnode->data);");
      w.line("if (pobj != 0) pobj->free" + F + "(pctxt, holder);");
      w.line("holder.decoded = 0;");
      w.close();
   }
   else {
      w.line("if (pobj != 0) pobj->free" + F + "(pctxt, pvalue->" + holder + ");");
      w.line("pvalue->" + holder + ".decoded = 0;");
   }
   w.close();
}

void defineTableFunctions(const Unit& u, const TableUse& t, Writer& w)
{
   std::string v = fieldName(t.value->name);
   std::string presence = t.value->optional ? "pvalue->m." + v + "Present" : "";
   // Encode.
   w.line("// asn1ETC_" + u.name + ": the value of a known " + t.id->name +
          " is encoded into the octets that the encoder then writes;");
   w.line("// an unknown one, or a value not decoded, leaves the octets as they are.");
   openFunction(w, "int asn1ETC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue)");
   if (!presence.empty()) w.line("if (!" + presence + ") return 0;");
   std::string F = lookupLines(t, w);
   w.line("if (pobj == 0) return 0;");
   w.line("auto enc = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->encodeBER" + F + "(c, o); };");
   w.line("auto dec = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->decodeBER" + F + "(c, o); };");
   if (t.kind == TableUse::Kind::SetOf) {
      w.open("for (_Asn1RTDListNode* pnode = pvalue->" + v + ".head; pnode != 0; pnode = pnode->next)");
      w.line("Asn1TObject& holder = *static_cast<Asn1TObject*>(pnode->data);");
      w.line("if (holder.decoded == 0) continue;");
      w.line("int stat = asn1dataTableEncode(pctxt, holder, enc, dec);");
      w.line("if (stat < 0) return LOG_ASN1ERR(pctxt, stat);");
      w.close();
   }
   else {
      w.line("Asn1TObject& holder = " + holderExpr(t) + ";");
      w.line("if (holder.decoded == 0) return 0;");
      w.line("int stat = asn1dataTableEncode(pctxt, holder, enc, dec);");
      w.line("if (stat < 0) return LOG_ASN1ERR(pctxt, stat);");
      if (t.kind == TableUse::Kind::Containing) {
         w.line("pvalue->" + v + ".numocts = holder.numocts;");
         w.line("pvalue->" + v + ".data = holder.data;");
      }
   }
   w.line("return 0;");
   w.close();
   w.line();
   // Decode.
   w.line("// asn1DTC_" + u.name + ": the value of a known " + t.id->name +
          " is decoded from its octets into a new record (decoded);");
   w.line("// an unknown one stays octets with decoded null.");
   openFunction(w, "int asn1DTC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue)");
   if (t.kind == TableUse::Kind::SetOf) {
      w.open("for (_Asn1RTDListNode* pnode = pvalue->" + v + ".head; pnode != 0; pnode = pnode->next)");
      w.line("static_cast<Asn1TObject*>(pnode->data)->decoded = 0;");
      w.close();
   }
   else {
      w.line("Asn1TObject& holder = " + holderExpr(t) + ";");
      w.line("holder.decoded = 0;");
      if (t.kind == TableUse::Kind::Containing) {
         w.line("holder.numocts = pvalue->" + v + ".numocts;");
         w.line("holder.data = pvalue->" + v + ".data;");
      }
   }
   if (!presence.empty()) w.line("if (!" + presence + ") return 0;");
   F = lookupLines(t, w);
   w.line("if (pobj == 0) return 0;");
   w.line("auto dec = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->decodeBER" + F + "(c, o); };");
   // A failure names the component (and the list element) in the error path;
   // under ASN1LENIENT the value keeps its octets instead.
   const std::string where = "\"" + t.value->name + "\", \"" +
      typeLabel(t.kind == TableUse::Kind::SetOf ? *t.value->type->element : *t.value->type) + "\"";
   if (t.kind == TableUse::Kind::SetOf) {
      w.open("for (_Asn1RTDListNode* pnode = pvalue->" + v + ".head; pnode != 0; pnode = pnode->next)");
      w.line("int stat = asn1dataTableDecodeIn(pctxt, *static_cast<Asn1TObject*>(pnode->data), dec, " + where +
             ", &pvalue->" + v + ", pnode);");
      w.line("if (stat != 0) return stat;");
      w.close();
   }
   else if (t.field->classField && t.field->classField->optional) {
      // Signers often write NULL where the algorithm has no parameters, or
      // for an algorithm whose parameters are used by the key alone (RSA,
      // DSA and GOST signatures in SignerInfo): such a NULL stays octets.
      w.line("const ASN1ErrInfo errInfo = pctxt->errInfo;");
      w.line("int stat = asn1dataTableDecodeIn(pctxt, holder, dec, " + where + ");");
      w.open("if (stat != 0 && holder.numocts == 2 && holder.data[0] == 0x05 && holder.data[1] == 0x00)");
      w.line("asn1dataTakeBack(pctxt, errInfo);");
      w.line("return 0;");
      w.close();
      w.line("if (stat != 0) return stat;");
   }
   else {
      w.line("int stat = asn1dataTableDecodeIn(pctxt, holder, dec, " + where + ");");
      w.line("if (stat != 0) return stat;");
   }
   w.line("return 0;");
   w.close();
}

std::string tableHeaderOf(const Module& m) { return m.name + "Table.h"; }

void defineXerFunctions(const Unit& u, const TableUse& t, Writer& w)
{
   std::string v = fieldName(t.value->name);
   std::string cls = cName(definingClass(t.cls)->name);
   std::string set = cName(t.set->name);
   std::string F = suffix(t.field->fieldPath[0]);
   std::string holder = t.kind == TableUse::Kind::Containing ? containingObjectName(*t.value) : v;
   std::string presence = t.value->optional ? "pvalue->m." + v + "Present" : "";
   auto lookup = [&] {
      w.line(set + "* pset = " + set + "::instance(pctxt);");
      w.line(cls + "* pobj = pset != 0 ? pset->lookupObject(pvalue->" + fieldName(t.id->name) + ") : 0;");
   };
   w.line("// asn1XETC_" + u.name + ": the value of a known " + t.id->name + " becomes XML text.");
   openFunction(w, "int asn1XETC_" + u.name + "(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue)");
   if (!presence.empty()) w.line("if (!" + presence + ") return 0;");
   lookup();
   if (u.type->xerUnknownAsOctets) {
      w.line("// An unknown " + t.id->name + ": the value is written as its octets.");
      w.line("if (pobj == 0) return 0;");
   }
   else {
      w.line("// An unknown " + t.id->name + ": the value has no XML form; ASN1XERLOSSLESS writes its octets.");
      w.line("if (pobj == 0) return (pctxt->flags & ASN1XERLOSSLESS) ? 0 : LOG_ASN1ERR(pctxt, ASN1ERR_OBJECT_NOT_FOUND);");
   }
   w.line("auto make = [pobj](ASN1MessageBufferIF& b, void* r) { return pobj->constructASN1C" + F + "(b, r); };");
   w.line("auto drop = [pobj](ASN1CType* c) { pobj->destructASN1C" + F + "(c); };");
   w.line("auto enc = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->encodeBER" + F + "(c, o); };");
   w.line("auto dec = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->decodeBER" + F + "(c, o); };");
   w.line("int result = 0;");
   if (t.kind == TableUse::Kind::SetOf) {
      w.open("for (_Asn1RTDListNode* pnode = pvalue->" + v + ".head; pnode != 0; pnode = pnode->next)");
      w.line("Asn1TObject& h = *static_cast<Asn1TObject*>(pnode->data);");
      w.line("if (h.decoded == 0) continue;");
      w.line("result = asn1dataTableXmlEncode(pctxt, h, make, drop, enc, dec);");
      w.line("if (result < 0) return result;");
      w.close();
   }
   else {
      w.line("if (pvalue->" + holder + ".decoded == 0) return 0;");
      w.line("result = asn1dataTableXmlEncode(pctxt, pvalue->" + holder + ", make, drop, enc, dec);");
   }
   w.line("return result;");
   w.close();
   w.line();
   w.line("// asn1XDTC_" + u.name + ": the value of a known " + t.id->name + " decoded from its XML text.");
   openFunction(w, "int asn1XDTC_" + u.name + "(ASN1CtxtPtr& ctxt, ASN1T_" + u.name + "* pvalue)");
   w.line("return asn1XDTC_" + u.name + "(ctxt, pvalue, 0);");
   w.close();
   w.line();
   openFunction(w, "int asn1XDTC_" + u.name + "(ASN1CtxtPtr& ctxt, ASN1T_" + u.name +
                "* pvalue, ASN1XERTypeHandler* forms)");
   if (readsValueInPlace(u, t) && t.kind != TableUse::Kind::SetOf) {
      w.line("// A value read in place holds its record and octets already (or its failure).");
      if (t.kind == TableUse::Kind::Containing) {
         w.open("if (const int read = asn1dataTakeValueRead(ctxt->getPtr(), forms, pvalue->" + holder + ")) {");
         w.line("if (read < 0) return read;");
         w.line("pvalue->" + v + ".numocts = pvalue->" + holder + ".numocts;");
         w.line("pvalue->" + v + ".data = pvalue->" + holder + ".data;");
         w.line("return 0;");
         w.close();
      }
      else
         w.line("if (const int read = asn1dataTakeValueRead(ctxt->getPtr(), forms, pvalue->" + holder +
                ")) return read < 0 ? read : 0;");
   }
   w.line("ASN1CTXT* pctxt = ctxt->getPtr();");
   if (t.kind == TableUse::Kind::Containing) {
      w.line("// The element's text is captured whole: XML of the value, or its octets in");
      w.line("// hexadecimal.");
      w.line("Asn1TObject& holder = pvalue->" + holder + ";");
      w.line("holder.decoded = 0;");
      w.line("const bool xml = asn1dataIsXmlText(holder);");
      w.line("// Octets were written as hexadecimal text: they become the OCTET STRING.");
      w.open("if (!xml)");
      w.line("int stat = asn1dataHexTextToOctets(pctxt, holder);");
      w.line("if (stat != 0) return LOG_ASN1ERR(pctxt, stat);");
      w.line("pvalue->" + v + ".numocts = holder.numocts;");
      w.line("pvalue->" + v + ".data = holder.data;");
      w.close();
   }
   if (!presence.empty()) w.line("if (!" + presence + ") return 0;");
   lookup();
   w.line("auto makeRecord = [pobj](ASN1CTXT* c) { return pobj->constructASN1T" + F + "(c); };");
   w.line("auto make = [pobj](ASN1MessageBufferIF& b, void* r) { return pobj->constructASN1C" + F + "(b, r); };");
   w.line("auto drop = [pobj](ASN1CType* c) { pobj->destructASN1C" + F + "(c); };");
   w.line("auto enc = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->encodeBER" + F + "(c, o); };");
   w.line("auto dec = [pobj](ASN1CTXT* c, Asn1TObject& o) { return pobj->decodeBER" + F + "(c, o); };");
   if (t.kind == TableUse::Kind::SetOf) {
      w.open("for (_Asn1RTDListNode* pnode = pvalue->" + v + ".head; pnode != 0; pnode = pnode->next)");
      w.line("Asn1TObject& h = *static_cast<Asn1TObject*>(pnode->data);");
      if (readsValueInPlace(u, t)) {
         w.line("// A value read in place holds its record and octets already (or its failure).");
         w.open("if (const int read = asn1dataTakeValueRead(pctxt, forms, h)) {");
         w.line("if (read < 0) return read;");
         w.line("continue;");
         w.close();
      }
      w.line("h.decoded = 0;");
      w.line("const bool xml = asn1dataTakeXmlForm(forms, h);");
      w.line("// XML of a value no object describes cannot become octets.");
      w.line("if (pobj == 0 && xml) return LOG_ASN1ERR(pctxt, ASN1ERR_OBJECT_NOT_FOUND);");
      w.line("if (pobj == 0) continue;");
      w.line("int stat = asn1dataTableXmlDecode(ctxt, h, xml, makeRecord, make, drop, enc, dec);");
      w.line("if (stat != 0) return LOG_ASN1ERR(pctxt, stat);");
      w.close();
   }
   else {
      w.line("Asn1TObject& h = pvalue->" + holder + ";");
      w.line("h.decoded = 0;");
      if (t.kind != TableUse::Kind::Containing) w.line("const bool xml = asn1dataTakeXmlForm(forms, h);");
      w.line("// XML of a value no object describes cannot become octets.");
      w.line("if (pobj == 0) return xml ? LOG_ASN1ERR(pctxt, ASN1ERR_OBJECT_NOT_FOUND) : 0;");
      const bool nullStays = t.field->classField && t.field->classField->optional;
      if (nullStays) w.line("const ASN1ErrInfo errInfo = pctxt->errInfo;");
      w.line("int stat = asn1dataTableXmlDecode(ctxt, h, xml, makeRecord, make, drop, enc, dec);");
      if (nullStays) {
         // As in the BER decoder: a NULL written where the object's parameters
         // would be stays octets (it came as such, in hexadecimal).
         w.open("if (stat != 0 && !xml && h.numocts == 2 && h.data[0] == 0x05 && h.data[1] == 0x00)");
         w.line("asn1dataTakeBack(pctxt, errInfo);");
         w.line("h.decoded = 0;");
         w.line("return 0;");
         w.close();
      }
      w.line("if (stat != 0) return LOG_ASN1ERR(pctxt, stat);");
      if (t.kind == TableUse::Kind::Containing) {
         w.line("pvalue->" + v + ".numocts = h.numocts;");
         w.line("pvalue->" + v + ".data = h.data;");
      }
   }
   w.line("return 0;");
   w.close();
   if (!readsValueInPlace(u, t)) return;
   w.line();
   const bool list = t.kind == TableUse::Kind::SetOf;
   const std::string fn = (list ? "asn1XDOVE_" : "asn1XDOV_") + u.name;
   w.line("// " + fn + ": the reader of the value of a known " + t.id->name + " in place" +
          (list ? " (one element of " + v + ")." : "."));
   if (list)
      openFunction(w, "ASN1XERSAXDecodeHandler* " + fn +
                   "(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner, Asn1TObject& holder, void* record)");
   else
      openFunction(w, "ASN1XERSAXDecodeHandler* " + fn + "(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner, ASN1T_" +
                   u.name + "* pvalue)");
   w.line("ASN1CTXT* pctxt = msgBuf.getCtxtPtr();");
   if (list) w.line("ASN1T_" + u.name + "* pvalue = static_cast<ASN1T_" + u.name + "*>(record);");
   lookup();
   // Octets in hexadecimal are read in place too where the post-decoder reads
   // them as octets whatever the object (an OCTET STRING CONTAINING the value).
   const bool hexOctets = t.kind == TableUse::Kind::Containing && !(t.field->classField && t.field->classField->optional);
   if (!hexOctets) w.line("if (pobj == 0) return 0;");
   w.line("return asn1dataXerObjectValue::begin(msgBuf, owner, " + (list ? std::string("holder") : "pvalue->" + holder) +
          ", " + (t.kind == TableUse::Kind::Containing ? "false" : "true") + ", pobj,");
   w.indent();
   w.line("[](void* o, ASN1CTXT* c) { return static_cast<" + cls + "*>(o)->constructASN1T" + F + "(c); },");
   w.line("[](void* o, ASN1MessageBufferIF& b, void* r) { return static_cast<" + cls + "*>(o)->constructASN1C" + F +
          "(b, r); },");
   w.line("[](void* o, ASN1CType* c) { static_cast<" + cls + "*>(o)->destructASN1C" + F + "(c); },");
   w.line("[](void* o, ASN1CTXT* c, Asn1TObject& v) { return static_cast<" + cls + "*>(o)->encodeBER" + F +
          "(c, v); },");
   if (hexOctets)
      w.line("[](void* o, ASN1CTXT* c, Asn1TObject& v) { return static_cast<" + cls + "*>(o)->decodeBER" + F +
             "(c, v); });");
   else w.line("nullptr);");
   w.outdent();
   w.close();
}

}  // namespace

std::string xerValueReaderCall(const Unit& u, const Component& c)
{
   TableUse t;
   if (!tableUseOf(u, t) || !hasXerTable(t) || t.value != &c || !readsValueInPlace(u, t) ||
       t.kind == TableUse::Kind::SetOf)
      return "";
   return "asn1XDOV_" + u.name + "(*getMsgBuf(), *this, &msgData)";
}

std::string xerElementReader(const Unit& u, const Component& c)
{
   TableUse t;
   if (!tableUseOf(u, t) || !hasXerTable(t) || t.value != &c || !readsValueInPlace(u, t) ||
       t.kind != TableUse::Kind::SetOf)
      return "";
   return "asn1XDOVE_" + u.name;
}

bool tableUseOf(const Unit& u, TableUse& out)
{
   if (shapeOf(u) != Shape::Sequence) return false;
   for (const auto& c : u.type->components) {
      Type* t = c.type.get();
      TableUse use;
      use.value = &c;
      if (Type* f = relationField(t)) { use.kind = TableUse::Kind::OpenType; use.field = f; }
      else if (Type* g = containingField(t)) { use.kind = TableUse::Kind::Containing; use.field = g; }
      else if ((t->kind == Type::Kind::SetOf || t->kind == Type::Kind::SequenceOf) && relationField(t->element.get())) {
         use.kind = TableUse::Kind::SetOf;
         use.field = t->element.get();
      }
      else continue;
      const std::string& path = use.field->tableConstraint->atPaths[0];
      for (const auto& d : u.type->components)
         if (d.name == path) use.id = &d;
      if (!use.id) fail(use.field->loc, "component relation @" + path + " does not name a component of " + u.name);
      use.set = use.field->objectSet;
      use.cls = classAssignment(use.set);
      if (!use.cls || !definingClass(use.cls)) fail(use.field->loc, "no class for object set " + use.set->name);
      out = use;
      return true;
   }
   return false;
}

bool isTableContaining(const Component& c) { return containingField(c.type.get()) != nullptr; }

bool hasXerTable(const TableUse& t) { return !t.set->objects.empty(); }

std::string containingObjectName(const Component& c) { return fieldName(c.name) + "Obj"; }

bool moduleHasTables(Module& m, const std::vector<Unit>& units)
{
   for (auto& a : m.assignments)
      if (isClassDefinition(*a) || a->kind == Assignment::Kind::Object || a->kind == Assignment::Kind::ObjectSet)
         return true;
   TableUse t;
   for (const auto& u : units)
      if (tableUseOf(u, t)) return true;
   return false;
}

void emitTableHeader(Module& m, const std::vector<Unit>& units, Writer& w)
{
   std::string guard;
   for (char ch : cName(m.name)) guard += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
   guard += "TABLE_H";
   w.line("// Module " + m.name + ": information object classes, objects and object sets,");
   w.line("// and the table-constraint functions of its types. Generated by asn1gen. Do not edit.");
   w.line("#ifndef " + guard);
   w.line("#define " + guard);
   w.line();
   w.line("#include \"" + m.name + ".h\"");
   w.line("#include \"asn1dataTables.h\"");
   w.line("#include \"asn1dataObjects.h\"");
   // The classes this module's objects derive from.
   std::set<std::string> classModules;
   for (auto& a : m.assignments) {
      if (a->kind != Assignment::Kind::Object) continue;
      Module* am = a->module;
      auto it = am->symbols.find(a->className);
      Assignment* c = it != am->symbols.end() ? it->second : nullptr;
      if (!c) {
         auto jt = am->imported.find(a->className);
         c = jt != am->imported.end() ? jt->second : nullptr;
      }
      c = definingClass(c);
      if (c && c->module != &m) classModules.insert(c->module->name);
   }
   for (const auto& n : classModules) w.line("#include \"" + n + "Table.h\"");
   w.line();
   w.line("namespace asn1data {");
   for (auto& a : m.assignments)
      if (isClassDefinition(*a)) { w.line(); declareClass(*a, w); }
   for (auto& a : m.assignments)
      if (a->kind == Assignment::Kind::Object) { w.line(); declareObject(*a, w); }
   for (auto& a : m.assignments)
      if (a->kind == Assignment::Kind::ObjectSet) { w.line(); declareSet(*a, w); }
   TableUse t;
   for (const auto& u : units)
      if (tableUseOf(u, t)) { w.line(); declareTableFunctions(u, w); }
   w.line();
   w.line("}  // namespace asn1data");
   w.line();
   w.line("#endif");
}

void emitTableSource(Module& m, const std::vector<Unit>& units, Writer& w)
{
   w.line("// Module " + m.name + ": information object tables. Generated by asn1gen. Do not edit.");
   w.line("#include \"" + tableHeaderOf(m) + "\"");
   std::set<std::string> includes;
   for (const auto& imp : m.imports) includes.insert(imp.module);
   for (auto& a : m.assignments) {
      if (a->kind == Assignment::Kind::ObjectSet)
         for (Assignment* o : a->objects)
            if (o->module != &m) includes.insert(o->module->name + "Table");
      if (a->kind == Assignment::Kind::Object)
         for (auto& s : a->settings)
            if (s.second.type && s.second.type->kind == Type::Kind::Reference && s.second.type->targetModule &&
                s.second.type->targetModule != &m)
               includes.insert(s.second.type->targetModule->name);
   }
   TableUse t;
   for (const auto& u : units)
      if (tableUseOf(u, t) && t.set->module != &m) includes.insert(t.set->module->name + "Table");
   for (const auto& i : includes) w.line("#include \"" + i + ".h\"");
   w.line();
   w.line("#include <string.h>");
   w.line();
   w.line("namespace asn1data {");
   for (auto& a : m.assignments)
      if (isClassDefinition(*a)) { w.line(); defineClass(*a, w); }
   OpsTables tables(w);
   for (auto& a : m.assignments)
      if (a->kind == Assignment::Kind::Object) defineObject(*a, w, tables);
   for (auto& a : m.assignments)
      if (a->kind == Assignment::Kind::ObjectSet) { w.line(); defineSet(*a, w); }
   for (const auto& u : units)
      if (tableUseOf(u, t)) {
         w.line();
         defineTableFunctions(u, t, w);
         w.line();
         defineCopyFreeFunctions(u, t, w);
         if (hasXerTable(t)) {
            w.line();
            defineXerFunctions(u, t, w);
         }
      }
   w.line();
   w.line("}  // namespace asn1data");
}

void emitTableEncodeHook(const Unit& u, Writer& w)
{
   TableUse t;
   if (!tableUseOf(u, t)) return;
   w.line("// The value of a known " + t.id->name + " is encoded first, into the octets written below.");
   w.line("ll = asn1ETC_" + u.name + "(pctxt, pvalue);");
   w.line("if (ll < 0) return LOG_ASN1ERR(pctxt, ll);");
}

bool emitXerEncodeHook(const Unit& u, Writer& w)
{
   TableUse t;
   if (!tableUseOf(u, t) || !hasXerTable(t)) return false;
   std::string v = fieldName(t.value->name);
   std::string holder = t.kind == TableUse::Kind::Containing ? containingObjectName(*t.value) : v;
   w.line("// The value of a known " + t.id->name + " is written as XML: its text stands in the open type");
   w.line("// while the element is written, and the octets come back afterwards.");
   if (t.kind == TableUse::Kind::SetOf) w.line("asn1dataOpenTypeListRestorer restore(pctxt, pvalue->" + v + ");");
   else w.line("asn1dataOpenTypeRestorer restore(pctxt, pvalue->" + holder + ");");
   w.line("stat = asn1XETC_" + u.name + "(pctxt, pvalue);");
   w.line("if (stat < 0) return stat;");
   w.line("[[maybe_unused]] const bool valueText = stat == 1;");
   return true;
}

std::string xerContainingCall(const Unit& u, const Component& c, const std::string& octetsCall)
{
   TableUse t;
   if (!tableUseOf(u, t) || !hasXerTable(t) || t.kind != TableUse::Kind::Containing || t.value != &c)
      return octetsCall;
   std::string h = "pvalue->" + containingObjectName(c);
   // A decoded value without XML form was brought up to date as octets in
   // its open type: those are written.
   return "valueText ? xerEncOpenType(pctxt, " + h + ".numocts, " + h + ".data, \"" + c.name + "\") : " + h +
      ".decoded != 0 ? xerEncOctStr(pctxt, " + h + ".numocts, " + h + ".data, \"" + c.name + "\") : " + octetsCall;
}

void emitTableXerDecodeHook(const Unit& u, Writer& w)
{
   TableUse t;
   if (!tableUseOf(u, t) || !hasXerTable(t)) return;
   w.open("");
   w.line("// The value of a known " + t.id->name + ", from the text its open type captured.");
   w.line("ASN1CtxtPtr ctxt = getMsgBuf()->getContext();");
   w.line("check(asn1XDTC_" + u.name + "(ctxt, &msgData, this));");
   w.close();
}

void emitTableCopyHook(const Unit& u, Writer& w)
{
   TableUse t;
   if (!tableUseOf(u, t)) return;
   w.line("stat = asn1CopyTC_" + u.name + "(pctxt, pSrcValue, pDstValue);");
   w.line("if (stat != 0) return stat;");
}

void emitTableFreeHook(const Unit& u, Writer& w)
{
   TableUse t;
   if (!tableUseOf(u, t)) return;
   w.line("asn1FreeTC_" + u.name + "(pctxt, pvalue);");
}

void emitTableDecodeHook(const Unit& u, Writer& w)
{
   TableUse t;
   if (!tableUseOf(u, t)) return;
   w.line("// The value of a known " + t.id->name + " is decoded from its octets.");
   w.line("stat = asn1DTC_" + u.name + "(pctxt, pvalue);");
   w.line("if (stat != 0) return LOG_ASN1ERR(pctxt, stat);");
}

}
