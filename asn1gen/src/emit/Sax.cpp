#include "Sax.h"

#include "Records.h"
#include "Tables.h"
#include "Xer.h"

namespace asn1gen {

namespace {

std::string q(const std::string& s) { return "\"" + s + "\""; }

// One component, alternative or list element as the handler sees it.
struct Slot {
   int id = 0;
   std::string elemName;     // XML element name
   bool optional = false;
   Type* type = nullptr;
   ValueInfo v;
   std::string target;       // lvalue of the value
   std::string ptr;          // lvalue of the pointer to allocate at start ("" when embedded)
   std::string recType;      // record type of the value
   std::string present;      // statement that marks the component present
   std::string choiceTag;    // CHOICE: the t value
   std::string member;       // cached nested handler
   bool capture = false;     // OCTET STRING CONTAINING a table value: XML text or hexadecimal
                             // octets, captured into its Asn1TObject
   std::string reader;       // open type read in place: the call that makes its reader
   std::string elementReader;   // list of open types read in place: its elements' reader
};

const char* kindName(const ValueInfo& v)
{
   switch (v.kind) {
   case VKind::Constructed: case VKind::Open: return "XERV_NESTED";
   case VKind::None: return "XERV_EMPTY";
   case VKind::Bool: case VKind::Enum: return "XERV_ELEM";
   case VKind::Int: case VKind::UInt: case VKind::UInt16:
      return v.namedNumbers ? "XERV_TEXTORELEM" : "XERV_TEXT";
   case VKind::Octets: case VKind::FixedOctets: return "XERV_HEX";
   case VKind::Bits: case VKind::NamedBits: return "XERV_BITS";
   case VKind::Str8: case VKind::Utf8: case VKind::Str16: case VKind::Str32: return "XERV_STRING";
   default: return "XERV_TEXT";
   }
}

bool nested(const Slot& s) { return s.v.kind == VKind::Constructed || s.v.kind == VKind::Open; }

std::vector<Slot> slotsOf(const Unit& u)
{
   std::vector<Slot> out;
   Shape sh = shapeOf(u);
   Type& t = *u.type;
   if (sh == Shape::Sequence || sh == Shape::Set || sh == Shape::Choice) {
      for (size_t i = 0; i < t.components.size(); ++i) {
         const Component& c = t.components[i];
         Slot s;
         s.id = static_cast<int>(i + 1);
         s.elemName = c.name;
         s.optional = c.optional || c.defaultValue || c.extensionAddition;
         s.type = c.type.get();
         s.v = valueInfo(c.type.get());
         s.recType = recordType(c.type.get());
         std::string f = fieldName(c.name);
         s.member = "mpC_" + f;
         if (sh == Shape::Choice) {
            s.choiceTag = "T_" + u.name + "_" + f;
            if (s.recType == "const char*") s.target = "msgData.u." + f;
            else if (!s.recType.empty()) {
               s.ptr = "msgData.u." + f;
               s.target = "(*msgData.u." + f + ")";
            }
         }
         else {
            if (c.type->repr == Repr::Pointer) {
               s.ptr = "msgData." + f;
               s.target = "(*msgData." + f + ")";
            }
            else if (!s.recType.empty()) s.target = "msgData." + f;
            if (hasPresenceBit(c)) s.present = "msgData.m." + f + "Present = 1;";
            s.reader = xerValueReaderCall(u, c);
            s.elementReader = xerElementReader(u, c);
            TableUse use;
            if (isTableContaining(c) && tableUseOf(u, use) && hasXerTable(use)) {
               s.v.kind = VKind::Open;
               s.recType = "Asn1TObject";
               s.target = "msgData." + containingObjectName(c);
               s.capture = true;
            }
         }
         out.push_back(s);
      }
   }
   else if (sh == Shape::List || sh == Shape::Array) {
      Slot s;
      s.id = 1;
      s.type = t.element.get();
      s.elemName = elementNameOf(s.type);
      s.v = valueInfo(s.type);
      s.recType = recordType(s.type);
      s.member = "mpElem";
      s.target = sh == Shape::List ? "(*static_cast<" + s.recType + "*>(mpNode->data))"
                                   : "msgData.elem[msgData.n]";
      out.push_back(s);
   }
   return out;
}

bool choiceElement(const Slot& s)
{
   return s.v.kind == VKind::Constructed && s.v.rootShape == Shape::Choice;
}

std::string handlerClass(const Slot& s)
{
   if (s.v.kind == VKind::Open) return "ASN1CXerOpenType";
   return "ASN1C_" + s.v.root;
}

// The conversion of the collected text into the slot's value. shift and
// asElement: the expressions of the collector's bit offset and of whether the
// value was given as an element.
std::string decodeCall(const Slot& s, const std::string& shift = "static_cast<int>(text().bitOffset)",
                       const std::string& asElement = "valueIsElement()")
{
   const std::string& lv = s.target;
   switch (s.v.kind) {
   case VKind::Bool: return "xerDecBool(pctxt, &" + lv + ")";
   case VKind::Int:
      if (s.v.namedNumbers)
         return asElement + " ? ASN1C_" + s.v.root + "::parseNamedValue(pctxt, &" + lv +
            ") : xerDecInt(pctxt, &" + lv + ")";
      return "xerDecInt(pctxt, &" + lv + ")";
   case VKind::UInt:
      if (s.v.namedNumbers)
         return asElement + " ? ASN1C_" + s.v.root + "::parseNamedValue(pctxt, &" + lv +
            ") : xerDecUInt(pctxt, &" + lv + ")";
      return "xerDecUInt(pctxt, &" + lv + ")";
   case VKind::UInt16:
      if (s.v.namedNumbers)
         return asElement + " ? ASN1C_" + s.v.root + "::parseNamedValue(pctxt, &" + lv +
            ") : xerDecUInt16(pctxt, &" + lv + ")";
      return "xerDecUInt16(pctxt, &" + lv + ")";
   case VKind::BigInt: return "xerDecBigInt(pctxt, &" + lv + ", 10)";
   case VKind::Enum: return "ASN1C_" + s.v.root + "::parseNamedValue(pctxt, &" + lv + ")";
   case VKind::Str8: return "xerDecDynAscCharStr(pctxt, &" + lv + ")";
   case VKind::Utf8: return "xerDecDynUTF8Str(pctxt, &" + lv + ")";
   case VKind::Str16: return "xerDecBMPStr(pctxt, &" + lv + ")";
   case VKind::Str32: return "xerDecUnivStr(pctxt, &" + lv + ")";
   case VKind::Oid: return "xerDecObjId(pctxt, &" + lv + ")";
   case VKind::Octets: return "xerDecCopyDynOctStr(pctxt, &" + lv + ", " + shift + ")";
   case VKind::FixedOctets:
      return "xerDecCopyOctStr(pctxt, " + lv + ".data, &" + lv + ".numocts, static_cast<int>(sizeof(" + lv +
         ".data)), " + shift + ")";
   case VKind::Bits: return "xerDecCopyDynBitStr(pctxt, &" + lv + ", " + shift + ")";
   case VKind::NamedBits:
      return "asn1dataXerCopyNamedBits(pctxt, " + lv + ".data, &" + lv + ".numbits, static_cast<int>(sizeof(" +
         lv + ".data)), " + std::to_string(namedBitsCapacity(findUnit(s.v.root)->type.get())) + "U, " + shift + ")";
   case VKind::Open: return "asn1dataXerCopyOpenType(pctxt, &" + lv + ", " + shift + ")";
   default: return "";
   }
}

// Start of a slot at level 1: allocation, presence, nested handler.
void emitSlotStart(Writer& w, const Slot& s, bool list)
{
   if (!s.ptr.empty()) {
      w.line(s.ptr + " = asn1dataNewRecord<" + s.recType + ">(getCtxtPtr());");
      w.line("if (" + s.ptr + " == 0) check(ASN1ERR_NO_MEMORY);");
   }
   if (!s.choiceTag.empty()) w.line("msgData.t = " + s.choiceTag + ";");
   if (!nested(s)) return;
   if (!s.present.empty()) w.line(s.present);
   // The value of a known object is read in place; anything else is captured.
   const std::string inPlace = s.reader.empty() ? "" : "if (ASN1XERSAXDecodeHandler* preader = " + s.reader + ")";
   if (s.capture) {
      if (!inPlace.empty()) w.line(inPlace + " nest(preader);");
      // asn1XDTC_ tells XML text from hexadecimal octets once the element is done.
      w.line(std::string(inPlace.empty() ? "" : "else ") + "nest(asn1dataNewHandler(" + s.member + ", " + s.target +
             ", getMsgBuf()));");
      return;
   }
   if (s.v.kind == VKind::Open) {
      w.line("if (xerIsBerForm(attrs)) setValueKind(XERV_HEX);   // BER octets in hexadecimal");
      if (!inPlace.empty()) w.line("else " + inPlace + " nest(preader);");
      // A list element: read in place when the list's parent set a reader.
      if (list)
         w.line("else if (ASN1XERSAXDecodeHandler* preader = elementValueReader(*getMsgBuf(), " + s.target +
                ")) nest(preader);");
      w.open("else {");
      w.line("nest(asn1dataNewHandler(" + s.member + ", " + s.target + ", getMsgBuf()));");
      w.line("// XML text until an object table reads it as a value (or refuses it).");
      w.line("noteXmlText(&" + s.target + ");");
      w.close();
      return;
   }
   // A list element gets a handler of its own; a component keeps its handler
   // while it stays bound to the same record and buffer.
   w.line(std::string("nest(") + (list ? "asn1dataNewHandler(" : "asn1dataComponentHandler(") + s.member + ", " +
          s.target + ", getMsgBuf()));");
   if (!s.elementReader.empty()) {
      w.line("// Its open types are read in place through the object of this record.");
      w.line(s.member + "->setElementValueReader(" + s.elementReader + ", &msgData);");
   }
   if (list && choiceElement(s)) {
      w.line("// A CHOICE element has no element of its own: this is its alternative.");
      w.line(s.member + "->startElement(uri, localname, qname, attrs);");
   }
}

// Whether the slot converts text (or marks presence) when it ends.
bool endsWithText(const Slot& s)
{
   return s.v.kind != VKind::Constructed && (!decodeCall(s).empty() || !s.present.empty());
}

// A case of a switch on the component: its statements (written at level 0)
// on the case's line when there is one, else below it.
void emitCase(Writer& w, const Slot& s, const Writer& body)
{
   const std::string& text = body.str();
   const std::string label = "case " + std::to_string(s.id) + ":";
   if (text.find('\n') + 1 == text.size() && text[0] != ' ') {
      w.line(label + " " + text.substr(0, text.size() - 1) + " break;   // " + s.elemName);
      return;
   }
   w.line(label + "   // " + s.elemName);
   w.indent();
   w.lines(text);
   w.line("break;");
   w.outdent();
}

void emitPrimitiveEnd(Writer& w, const std::vector<Slot>& slots)
{
   w.line("ASN1CTXT* pctxt = finishText(getMsgBuf());");
   w.open("switch (mCurrElemID) {");
   for (const auto& s : slots) {
      if (!endsWithText(s)) continue;
      std::string call = decodeCall(s);
      Writer body;
      if (!call.empty()) body.line("check(" + call + ");");
      if (!s.present.empty()) body.line(s.present);
      emitCase(w, s, body);
   }
   w.line("default: break;");
   w.close();
}

std::string cls(const Unit& u) { return "ASN1C_" + u.name; }


void emitStructured(const Unit& u, Writer& w)
{
   Shape sh = shapeOf(u);
   Type& t = *u.type;
   std::vector<Slot> slots = slotsOf(u);
   std::string c = cls(u);
   const char* lookup = sh == Shape::Sequence ? "seqElementID" : sh == Shape::Set ? "setElementID" : "choiceElementID";

   // getElementID
   w.line("int " + c + "::getElementID(const char* uri, const char* localName, const char* qName)");
   w.open("");
   if (slots.empty()) w.line("return 0;");
   else {
      w.open("static const ASN1XERElemInfo elemInfoArray[] = {");
      for (const auto& s : slots)
         w.line("{ " + q(s.elemName) + ", " + (s.optional ? "1" : "0") + ", " + kindName(s.v) + " },");
      w.close("};");
      w.line("return " + std::string(lookup) + "(elemInfoArray, " + std::to_string(slots.size()) + ", qName);");
   }
   w.close();
   w.line();

   // init
   w.line("void " + c + "::init(int level)");
   w.open("");
   w.line("resetHandler(level, getCtxtPtr());");
   if (sh == Shape::Choice) w.line("msgData.t = 0;");
   else {
      bool anyBit = false;
      for (const auto& comp : t.components) anyBit = anyBit || hasPresenceBit(comp);
      if (anyBit) w.line("memset(&msgData.m, 0, sizeof(msgData.m));");
      for (const auto& comp : t.components)
         if (literalDefault(comp)) w.line("msgData." + fieldName(comp.name) + " = " + literalDefaultText(comp) + ";");
      if (t.extensible) w.line("asn1dataListInit(&msgData.extElem1);");
   }
   w.close();
   w.line();

   // startElement
   w.line("void " + c + "::startElement(const char* uri, const char* localname, const char* qname,");
   w.line("   const char* const* attrs)");
   w.open("");
   w.line("if (forwardStart(uri, localname, qname, attrs)) return;");
   w.line("if (mLevel == 0) checkRoot(qname);");
   const bool ext = t.extensible && (sh == Shape::Sequence || sh == Shape::Set);
   w.open("else if (mLevel == 1) {");
   if (ext) {
      w.line("// An unknown extension element (BER octets in hexadecimal) goes to extElem1.");
      w.line("if (startExtElem(qname)) {");
      w.line("   ++mLevel;");
      w.line("   return;");
      w.line("}");
   }
   w.line("startComponent(getElementID(uri, localname, qname), qname);");
   bool anyStart = false;
   for (const auto& s : slots) anyStart = anyStart || nested(s) || !s.ptr.empty() || !s.choiceTag.empty();
   if (anyStart) {
      w.open("switch (mCurrElemID) {");
      for (const auto& s : slots) {
         if (!nested(s) && s.ptr.empty() && s.choiceTag.empty()) continue;
         Writer body;
         emitSlotStart(body, s, false);
         emitCase(w, s, body);
      }
      w.line("default: break;");
      w.close();
   }
   w.close();
   w.line("else valueElement(qname);");
   w.line("++mLevel;");
   w.close();
   w.line();

   // endElement
   w.line("void " + c + "::endElement(const char* uri, const char* localname, const char* qname)");
   w.open("");
   w.line("if (forwardEnd(uri, localname, qname)) return;");
   w.open("if (mLevel == 1) {");
   if (ext) w.line("if (inExtElem()) endExtElem(getMsgBuf(), &msgData.extElem1);");
   const std::string nestedEnd = "endNested(uri, localname, qname)";
   bool anyPrim = false;
   for (const auto& s : slots) anyPrim = anyPrim || endsWithText(s);
   if (anyPrim) {
      // A component without nested handler: its text becomes the value.
      w.open(std::string(ext ? "else " : "") + "if (!" + nestedEnd + ") {");
      emitPrimitiveEnd(w, slots);
      w.close();
   }
   else w.line(std::string(ext ? "else " : "") + nestedEnd + ";");
   w.line("endComponent();");
   w.close();
   w.open("else if (mLevel == 0) {");
   // The value constraints the BER decoder checks, so that a value read from
   // XML is one the encoders accept.
   const std::string checks = valueCheckFunction(u);
   auto emitValueChecks = [&]() {
      if (!checks.empty()) w.line("if (getCtxtPtr() != 0) check(" + checks + "(getCtxtPtr(), &msgData));");
   };
   if (sh == Shape::Choice) {
      w.line("if (msgData.t == 0) check(ASN1ERR_MISSING_ELEMENT);");
      emitValueChecks();
      w.line("mState = XEREND;");
   }
   else {
      int required = 0;
      for (const auto& s : slots) required += s.optional ? 0 : 1;
      w.line("checkRequired(" + std::to_string(required) + ");");
      emitValueChecks();
      emitTableXerDecodeHook(u, w);
   }
   w.line("// XML in open types that no table read: refused.");
   w.line("refuseXmlTexts();");
   w.close();
   w.close();
}

void emitListLike(const Unit& u, Writer& w)
{
   Shape sh = shapeOf(u);
   bool list = sh == Shape::List;
   Slot s = slotsOf(u)[0];
   std::string c = cls(u);
   if (!list && nested(s))
      fail(u.type->loc, "an array-form SEQUENCE OF needs elements of a simple type");

   w.line("void " + c + "::init(int level)");
   w.open("");
   w.line("resetHandler(level, getCtxtPtr());");
   if (list) {
      w.line("asn1dataListInit(&msgData);");
      w.line("mpNode = 0;");
   }
   else {
      w.line("msgData.n = 0;");
      w.line("msgData.elem = 0;");
      w.line("mCapacity = 0;");
   }
   w.close();
   w.line();

   w.line("void " + c + "::finalize()");
   w.open("");
   w.close();
   w.line();

   w.line("void " + c + "::startElement(const char* uri, const char* localname, const char* qname,");
   w.line("   const char* const* attrs)");
   w.open("");
   w.line("if (forwardStart(uri, localname, qname, attrs)) return;");
   w.line("if (mLevel == 0) checkRoot(qname);");
   w.open("else if (mLevel == 1) {");
   if (choiceElement(s)) w.line("startComponent(1, qname);");
   else w.line("startComponent(xerCmpText(qname, " + q(s.elemName) + ") ? 1 : 0, qname);");
   w.line("setValueKind(" + std::string(kindName(s.v)) + ");");
   if (list) {
      w.line("if (msgData.count > 2147483646U) check(ASN1ERR_SEQ_OVERFLOW);");
      w.line("mpNode = asn1dataNewListNode(getCtxtPtr(), sizeof(" + s.recType + "));");
      w.line("if (mpNode == 0) check(ASN1ERR_NO_MEMORY);");
      emitSlotStart(w, s, true);
   }
   else {
      w.line("void* pgrown = asn1dataGrowArray(getCtxtPtr(), msgData.elem, msgData.n, &mCapacity, sizeof(" +
             s.recType + "));");
      w.line("if (pgrown == 0) check(ASN1ERR_NO_MEMORY);");
      w.line("msgData.elem = static_cast<" + s.recType + "*>(pgrown);");
   }
   w.close();
   w.line("else valueElement(qname);");
   w.line("++mLevel;");
   w.close();
   w.line();

   w.line("void " + c + "::endElement(const char* uri, const char* localname, const char* qname)");
   w.open("");
   w.line("if (forwardEnd(uri, localname, qname)) return;");
   w.open("if (mLevel == 1) {");
   std::string call = decodeCall(s);
   if (!call.empty()) {
      // An element without nested handler: its text becomes the value.
      w.open("if (!endNested(uri, localname, qname, true)) {");
      w.line("ASN1CTXT* pctxt = finishText(getMsgBuf());");
      w.line("check(" + call + ");");
      w.close();
   }
   else w.line("endNested(uri, localname, qname, true);");
   if (list) {
      w.line("asn1dataListAppend(getCtxtPtr(), &msgData, mpNode);");
      w.line("mpNode = 0;");
      if (nested(s)) {
         w.line("// The element's handler is done with it.");
         w.line("delete " + s.member + ";");
         w.line(s.member + " = 0;");
      }
   }
   else w.line("++msgData.n;");
   w.line("endComponent();");
   w.close();
   w.open("else if (mLevel == 0) {");
   // The size constraint, as the BER decoder checks it.
   Bounds b = sizeBounds(u.type.get());
   std::string count = list ? "msgData.count" : "msgData.n";
   std::vector<std::string> conds;
   if (b.lo && *b.lo > 0) conds.push_back(count + " < " + std::to_string(*b.lo) + "U");
   if (b.hi && *b.hi >= 0) conds.push_back(count + " > " + std::to_string(*b.hi) + "U");
   if (!conds.empty())
      w.line("if (" + conds[0] + (conds.size() > 1 ? " || " + conds[1] : "") + ") check(ASN1ERR_CONSTRAINT);");
   w.line("finalize();");
   w.line("mState = XEREND;");
   w.close();
   w.close();
}

}

bool hasSaxHandler(const Unit& u)
{
   Shape s = shapeOf(u);
   return s == Shape::Sequence || s == Shape::Set || s == Shape::Choice || s == Shape::List || s == Shape::Array;
}

std::string valueDecodeCall(const Unit& u, const std::string& lv, const std::string& handler, std::string& kind)
{
   Slot s;
   s.id = 1;
   s.type = u.type.get();
   s.v = unitValueInfo(u);
   s.target = lv;
   kind = kindName(s.v);
   if (s.v.kind == VKind::Constructed || s.v.kind == VKind::Open) return "";
   return decodeCall(s, handler + ".textBitOffset()", handler + ".valueGivenAsElement()");
}

std::string valueDecodeCall(Type* t, const std::string& lv, const std::string& handler, std::string& kind)
{
   Slot s;
   s.id = 1;
   s.type = t;
   s.v = valueInfo(t);
   s.target = lv;
   kind = kindName(s.v);
   if (s.v.kind == VKind::Constructed || s.v.kind == VKind::Open) return "";
   return decodeCall(s, handler + ".textBitOffset()", handler + ".valueGivenAsElement()");
}

bool hasNamedValues(const Unit& u)
{
   if (shapeOf(u) != Shape::Primitive) return false;
   Type* t = u.type.get();
   return t->kind == Type::Kind::Enumerated ||
      (t->kind == Type::Kind::Integer && !t->named.empty() && t->repr != Repr::BigInt);
}

std::vector<std::string> saxNestedClasses(const Unit& u)
{
   std::vector<std::string> out;
   if (!hasSaxHandler(u)) return out;
   for (const auto& s : slotsOf(u))
      if (s.v.kind == VKind::Constructed) out.push_back(handlerClass(s));
   return out;
}

void declareSaxMembers(const Unit& u, Writer& w)
{
   if (hasNamedValues(u)) {
      w.line("static int parseNamedValue(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue);");
   }
   if (!hasSaxHandler(u)) return;
   Shape sh = shapeOf(u);
   w.line("void startElement(const char* uri, const char* localname, const char* qname,");
   w.line("                  const char* const* attrs) override;");
   w.line("void endElement(const char* uri, const char* localname, const char* qname) override;");
   w.line("void init(int level = 0) override;");
   if (sh == Shape::List || sh == Shape::Array) w.line("void finalize() override;");
   else {
      w.line("int getElementID(const char* uri, const char* localName, const char* qName);");
   }
}

void declareSaxFields(const Unit& u, Writer& w)
{
   if (!hasSaxHandler(u)) return;
   Shape sh = shapeOf(u);
   std::vector<Slot> slots = slotsOf(u);
   bool any = false;
   for (const auto& s : slots)
      if (nested(s)) {
         if (!any) w.line("// Nested handlers, created on first use (list elements: per element).");
         any = true;
         w.line(handlerClass(s) + "* " + s.member + " = nullptr;");
      }
   if (sh == Shape::List) w.line("_Asn1RTDListNode* mpNode = nullptr;   // the element being decoded");
   if (sh == Shape::Array) w.line("OSUINT32 mCapacity = 0;   // elements the block can hold");
}

void emitSaxMethods(const Unit& u, Writer& w)
{
   if (!hasSaxHandler(u)) return;
   Shape sh = shapeOf(u);
   // Destructor: the nested handlers.
   std::vector<Slot> slots = slotsOf(u);
   std::string c = cls(u);
   std::string deletes;
   for (const auto& s : slots)
      if (nested(s)) deletes += " delete " + s.member + ";";
   w.line(c + "::~" + c + "() {" + deletes + (deletes.empty() ? "}" : " }"));
   w.line();
   if (sh == Shape::List || sh == Shape::Array) emitListLike(u, w);
   else emitStructured(u, w);
}

void emitParseNamedValue(const Unit& u, Writer& w)
{
   if (!hasNamedValues(u)) return;
   Type& t = *u.type;
   w.line("int ASN1C_" + u.name + "::parseNamedValue(ASN1CTXT* pctxt, ASN1T_" + u.name + "* pvalue)");
   w.open("");
   w.line("const char* text = asn1dataXerText(pctxt);");
   for (auto* list : {&t.named, &t.enumAdditions})
      for (const auto& n : *list) {
         std::string num = std::to_string(n.num);
         w.open("if (xerCmpText(text, " + q(n.name) + ")) {");
         w.line("*pvalue = static_cast<ASN1T_" + u.name + ">(" + num + ");");
         w.line("return 0;");
         w.close();
      }
   w.line("xu_addErrParm(pctxt, text != 0 ? text : \"\");");
   w.line("return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_ENUM);");
   w.close();
}

}
