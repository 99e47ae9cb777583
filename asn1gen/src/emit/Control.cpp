#include "Control.h"

#include "Ber.h"
#include "Copy.h"
#include "Kinds.h"
#include "Sax.h"
#include "Xer.h"

namespace asn1gen {

namespace {

// The value class a control class builds on, by the construct of its
// type: bit strings and GeneralizedTime values get the run-time's value
// classes bound to the record; everything else the plain control base.
enum class ValueBase { Type, DynBits, NamedBits, GeneralizedTime };

ValueBase valueBaseOf(const Unit& u)
{
   Shape s = shapeOf(u);
   if (s == Shape::NamedBits) return ValueBase::NamedBits;
   if (s != Shape::Primitive) return ValueBase::Type;
   if (u.type->kind == Type::Kind::BitString) return ValueBase::DynBits;
   if (u.type->kind == Type::Kind::GeneralizedTime) return ValueBase::GeneralizedTime;
   return ValueBase::Type;
}

// The first base of a control class: the control-class base, the list
// class for SEQUENCE OF in list form, the referenced type's class for a
// type reference, the bit-string or time class for those values.
std::string baseClassOf(const Unit& u)
{
   if (shapeOf(u) == Shape::Typedef) {
      std::string target;
      unitName(u.type.get(), target);
      return "ASN1C_" + target;
   }
   if (shapeOf(u) == Shape::List) return "ASN1CSeqOfList";
   switch (valueBaseOf(u)) {
   case ValueBase::DynBits: case ValueBase::NamedBits: return "ASN1CBitStr";
   case ValueBase::GeneralizedTime: return "ASN1CGeneralizedTime";
   case ValueBase::Type: break;
   }
   return "ASN1CType";
}

// The first base's initialiser in the constructors over (data) and over
// (msgBuf, data): the value classes are bound to the record's value (a
// named-bit record's fixed buffer is bounded by its capacity).
std::string baseInitOf(const Unit& u, bool withBuffer)
{
   std::string buf = withBuffer ? "msgBuf, " : "";
   switch (valueBaseOf(u)) {
   case ValueBase::NamedBits:
      return "ASN1CBitStr(" + buf + "data.data, data.numbits, " +
         std::to_string(namedBitsCapacity(u.type.get())) + "U)";
   case ValueBase::DynBits: return "ASN1CBitStr(" + buf + "data)";
   case ValueBase::GeneralizedTime: return "ASN1CGeneralizedTime(" + buf + "data)";
   case ValueBase::Type: break;
   }
   if (shapeOf(u) == Shape::List) return "ASN1CSeqOfList(" + buf + "data)";
   return withBuffer ? "ASN1CType(msgBuf)" : "ASN1CType()";
}

// The statement that rebinds a bit-string or time class to the record after
// its value changed underneath (decoding, assignment): the bit string's
// counts are taken again, a time's text is parsed again on next use.
std::string rebindOf(const Unit& u)
{
   switch (valueBaseOf(u)) {
   case ValueBase::NamedBits:
      return "ASN1CBitStr::init(msgData.data, msgData.numbits, " +
         std::to_string(namedBitsCapacity(u.type.get())) + "U);";
   case ValueBase::DynBits: return "ASN1CBitStr::init(msgData);";
   case ValueBase::GeneralizedTime: return "mbParsed = false;";
   case ValueBase::Type: break;
   }
   return "";
}

// The assignment of a bit-string or time class: the value is copied into
// this object's record and the value class rebound to it.
void emitAssignment(const Unit& u, Writer& w)
{
   std::string c = "ASN1C_" + u.name;
   w.line(c + "& " + c + "::operator=(" + c + "& original)");
   w.open("");
   w.line("if (this == &original || &msgData == &original.msgData) return *this;");
   switch (valueBaseOf(u)) {
   case ValueBase::NamedBits:
      w.line("msgData = original.msgData;");
      w.line(rebindOf(u));
      break;
   case ValueBase::DynBits:
      w.line("// The copy is taken from this object's context heap; out of memory");
      w.line("// leaves the record as it was, with the status in the context.");
      w.line("ASN1TDynBitStr copy;");
      w.line("int stat = asn1dataCopyBitStr(getCtxtPtr(), &original.msgData, &copy);");
      w.line("if (stat != 0) { logError(stat); return *this; }");
      w.line("msgData = copy;");
      w.line(rebindOf(u));
      break;
   case ValueBase::GeneralizedTime:
      w.line("ASN1CGeneralizedTime::operator=(original);");
      break;
   case ValueBase::Type: break;
   }
   w.line("return *this;");
   w.close();
}

// The SAX handler base: the shared state machine for constructed types,
// the plain handler base for the others (decoded inside their parents).
std::string handlerBaseOf(const Unit& u)
{
   return hasSaxHandler(u) ? "ASN1XERTypeHandler" : "ASN1XERSAXDecodeHandler";
}

// The BER codecs and the XER encoder of the type over its record, as the
// run-time's control-class calls take them.
std::string berEncoderOf(const Unit& u)
{
   return "&asn1dataEncodeAs<ASN1T_" + u.name + ", asn1E_" + u.name + ">";
}

std::string berDecoderOf(const Unit& u)
{
   return "&asn1dataDecodeAs<ASN1T_" + u.name + ", asn1D_" + u.name + ">";
}

std::string xerEncoderOf(const Unit& u)
{
   return std::string(xerByValue(u) ? "&asn1dataXerEncodeValueAs<" : "&asn1dataXerEncodeAs<") + "ASN1T_" + u.name +
      ", asn1XE_" + u.name + ">";
}

}

bool hasControlClass(const Unit& u)
{
   Type* b = baseType(u.type);
   return b && b->kind != Type::Kind::Null;
}

void declareControlClass(const Unit& u, Writer& w)
{
   std::string c = "ASN1C_" + u.name, r = "ASN1T_" + u.name;
   std::string base = baseClassOf(u);
   w.line("// Control class of " + asnName(u) + ".");
   if (shapeOf(u) == Shape::Typedef) {
      w.open("class EXTERNRT " + c + " : public " + base + " {");
      w.outdent();
      w.line("public:");
      w.indent();
      // A type reference: the referenced type's class does the work; its XER
      // document element is this type's name.
      ValueInfo v = unitValueInfo(u);
      bool named = v.kind == VKind::Constructed;
      std::string body = named ? " { setElemName(\"" + xmlTypeName(u) + "\"); }" : " {}";
      w.line(c + "(" + r + "& data) : " + base + "(data)" + body);
      w.line(c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data) : " + base + "(msgBuf, data)" + body);
      if (!named) {
         w.line("const char* xerElemName() const override { return \"" + xmlTypeName(u) + "\"; }");
      }
      w.close("};");
      return;
   }
   w.open("class EXTERNRT " + c + " : public " + base + ", public " + handlerBaseOf(u) + " {");
   w.outdent();
   w.line("public:");
   w.indent();
   w.line("explicit " + c + "(" + r + "& data);");
   w.line(c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data);");
   if (hasRecordContext(u)) {
      w.line(c + "(" + c + "& original);");
   }
   if (hasSaxHandler(u)) w.line("~" + c + "() override;");
   if (valueBaseOf(u) != ValueBase::Type) {
      w.line(c + "& operator=(" + c + "& original);");
      if (baseClassOf(u) == "ASN1CBitStr") {
         w.line("using ASN1CBitStr::init;");
         w.line("using " + handlerBaseOf(u) + "::init;");
      }
   }
   w.line("int EncodeTo(ASN1MessageBufferIF& msgBuf) override;");
   w.line("int DecodeFrom(ASN1MessageBufferIF& msgBuf) override;");
   if (hasRecordContext(u)) {
      w.line(r + "* getCopy(" + r + "* pDstData = 0);");
      w.line(r + "* newCopy();");
   }
   declareSaxMembers(u, w);
   if (!hasSaxHandler(u)) {
      w.line("virtual const char* xerElemName() const { return typeName(); }");
      w.line("static int xerConvert(ASN1CTXT* pctxt, ASN1XERValueHandler& handler, void* record);");
   }
   w.line("static const char* typeName() { return \"" + xmlTypeName(u) + "\"; }");
   w.line(r + "& msgData;");
   if (hasSaxHandler(u) || shapeOf(u) == Shape::List) {
      w.outdent();
      w.line("private:");
      w.indent();
      if (shapeOf(u) == Shape::List) w.line(c + "(" + c + "& original, " + r + "* pCopy);");
      declareSaxFields(u, w);
   }
   w.close("};");
}

void emitControlClass(const Unit& u, Writer& w)
{
   if (shapeOf(u) == Shape::Typedef) return;
   std::string c = "ASN1C_" + u.name, r = "ASN1T_" + u.name;
   bool sax = hasSaxHandler(u);
   std::string hb = handlerBaseOf(u);
   std::string setName = sax ? "setElemName(typeName());" : "";
   const std::string body = sax ? " { " + setName + " }" : " {}";
   w.line(c + "::" + c + "(" + r + "& data)");
   w.line("   : " + baseInitOf(u, false) + ", " + hb + "(), msgData(data)" + body);
   w.line(c + "::" + c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data)");
   w.line("   : " + baseInitOf(u, true) + ", " + hb + "(), msgData(data)" + body);
   w.line();
   if (valueBaseOf(u) != ValueBase::Type) {
      emitAssignment(u, w);
      w.line();
   }
   w.line("int " + c + "::EncodeTo(ASN1MessageBufferIF& msgBuf)");
   w.open("");
   w.line("return asn1dataEncodeTo(*this, msgBuf, &msgData, " + berEncoderOf(u) + ",");
   w.line("   " + xerEncoderOf(u) + ");");
   w.close();
   w.line();
   std::string kind;
   std::string convert = sax ? "" : valueDecodeCall(u, "value", "handler", kind);
   w.line("int " + c + "::DecodeFrom(ASN1MessageBufferIF& msgBuf)");
   w.open("");
   if (valueBaseOf(u) == ValueBase::Type) {
      // The document element holds the value of a simple type as a
      // component's element would.
      if (sax) w.line("return asn1dataDecodeFrom(*this, *this, msgBuf, &msgData, " + berDecoderOf(u) + ");");
      else
         w.line("return asn1dataDecodeValueFrom(*this, msgBuf, &msgData, " + berDecoderOf(u) + ", xerElemName(), " +
                kind + ", &" + c + "::xerConvert);");
      w.close();
   }
   else {
      w.line("setMsgBuf(msgBuf);");
      w.line("int stat = msgBuf.init();");
      w.line("if (stat != 0) return stat;");
      std::string decode = "asn1D_" + u.name + "(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT, 0)";
      // The value class follows the decoded record, whatever the outcome.
      w.open("if (msgBuf.isA(ASN1MessageBufferIF::BERDecode)) {");
      w.line("stat = " + decode + ";");
      w.line(rebindOf(u));
      w.line("return stat;");
      w.close();
      if (sax) {
         w.line("if (msgBuf.isA(ASN1MessageBufferIF::XERDecode))");
         w.line("   return decodeDocument(msgBuf);");
      }
      else {
         // The document element holds the value as a component's element would.
         w.open("if (msgBuf.isA(ASN1MessageBufferIF::XERDecode)) {");
         w.line("ASN1XERValueHandler handler(xerElemName(), " + kind + ", msgBuf.getCtxtPtr(), &" + c +
                "::xerConvert, &msgData);");
         w.line("handler.setMsgBuf(&msgBuf);");
         w.open("try {");
         w.line("stat = handler.decodeDocument(msgBuf);");
         w.close();
         w.open("catch (...) {");
         w.line(rebindOf(u));
         w.line("throw;");
         w.close();
         w.line(rebindOf(u));
         w.line("return stat;");
         w.close();
      }
      w.line("return ASN1ERR_NOT_SUPPORTED;");
      w.close();
   }
   if (!sax) {
      w.line();
      w.line("int " + c + "::xerConvert(ASN1CTXT* pctxt, ASN1XERValueHandler& handler, void* record)");
      w.open("");
      // NULL: the empty element is the whole value.
      if (convert.empty()) w.line("return 0;");
      else {
         w.line(r + "& value = *static_cast<" + r + "*>(record);");
         w.line("return " + convert + ";");
      }
      w.close();
   }
   if (sax) {
      w.line();
      emitSaxMethods(u, w);
   }
   if (hasNamedValues(u)) {
      w.line();
      emitParseNamedValue(u, w);
   }
}

}
