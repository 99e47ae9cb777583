#include "Control.h"

#include "Ber.h"
#include "Copy.h"
#include "Kinds.h"
#include "Sax.h"
#include "Xer.h"

namespace asn1gen {

namespace {

// The first base of a control class: the control-class base, the list
// class for SEQUENCE OF in list form, the referenced type's class for a
// type reference.
std::string baseClassOf(const Unit& u)
{
   if (shapeOf(u) == Shape::Typedef) {
      std::string target;
      unitName(u.type.get(), target);
      return "ASN1C_" + target;
   }
   if (shapeOf(u) == Shape::List) return "ASN1CSeqOfList";
   return "ASN1CType";
}

// The SAX handler base: the shared state machine for constructed types,
// the plain handler base for the others (decoded inside their parents).
std::string handlerBaseOf(const Unit& u)
{
   return hasSaxHandler(u) ? "ASN1XERTypeHandler" : "ASN1XERSAXDecodeHandler";
}

// The XER encoder call on the bound record.
std::string xeOnRecord(const Unit& u)
{
   return "asn1XE_" + u.name + "(p, " + std::string(xerByValue(u) ? "msgData" : "&msgData") + ", 0, 0)";
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
      w.close("};");
      return;
   }
   w.open("class EXTERNRT " + c + " : public " + base + ", public " + handlerBaseOf(u) + " {");
   w.outdent();
   w.line("public:");
   w.indent();
   w.line("// A new context of its own; no message buffer yet.");
   w.line("explicit " + c + "(" + r + "& data);");
   w.line("// The buffer's context; the buffer is attached.");
   w.line(c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data);");
   if (hasRecordContext(u)) {
      w.line("// Shares the original's context and buffer; binds a new deep copy of its");
      w.line("// record (in the context heap). Out of memory: ASN1MessageBuffer::RTLError.");
      w.line(c + "(" + c + "& original);");
   }
   if (hasSaxHandler(u)) w.line("~" + c + "() override;");
   w.line();
   w.line("// BER buffers: the encoded length or a negative status. XER encode");
   w.line("// buffers: the document (or, with ASN1XERFRAGMENT, the value alone); 0 or a");
   w.line("// negative status. Other buffers: ASN1ERR_NOT_SUPPORTED.");
   w.line("int EncodeTo(ASN1MessageBufferIF& msgBuf) override;");
   w.line("// BER buffers: 0 or a negative status. XER decode buffers (constructed");
   w.line("// types): the document is parsed with this object as SAX handler; the");
   w.line("// status recorded in the context is returned, and the handler's failures");
   w.line("// pass as OSRTSAXException. Other buffers: ASN1ERR_NOT_SUPPORTED.");
   w.line("int DecodeFrom(ASN1MessageBufferIF& msgBuf) override;");
   if (hasRecordContext(u)) {
      w.line();
      w.line("// A deep copy of the bound record: into pDstData (which then holds a");
      w.line("// reference to this object's context and frees the copy when destroyed),");
      w.line("// or, for null, into a new record in the context heap. The bound record");
      w.line("// itself is returned unchanged. Null when out of memory.");
      w.line(r + "* getCopy(" + r + "* pDstData = 0);");
      w.line("// A new record (delete it) holding a deep copy; null when out of memory.");
      w.line(r + "* newCopy();");
   }
   declareSaxMembers(u, w);
   w.line();
   w.line("// The type name: the top element of an XML document of this type.");
   w.line("static const char* typeName() { return \"" + xmlTypeName(u) + "\"; }");
   w.line();
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
   bool list = shapeOf(u) == Shape::List;
   bool sax = hasSaxHandler(u);
   std::string hb = handlerBaseOf(u);
   std::string setName = sax ? "setElemName(typeName());" : "";
   w.line(c + "::" + c + "(" + r + "& data)");
   w.line(std::string("   : ") + (list ? "ASN1CSeqOfList(data)" : "ASN1CType()") + ", " + hb + "(), msgData(data)");
   w.line("{");
   if (sax) w.line("   " + setName);
   w.line("}");
   w.line();
   w.line(c + "::" + c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data)");
   w.line(std::string("   : ") + (list ? "ASN1CSeqOfList(msgBuf, data)" : "ASN1CType(msgBuf)") + ", " + hb +
          "(), msgData(data)");
   w.line("{");
   if (sax) w.line("   " + setName);
   w.line("}");
   w.line();
   w.line("int " + c + "::EncodeTo(ASN1MessageBufferIF& msgBuf)");
   w.open("");
   w.line("setMsgBuf(msgBuf);");
   w.line("int stat = msgBuf.init();");
   w.line("if (stat != 0) return stat;");
   w.line("if (msgBuf.isA(ASN1MessageBufferIF::BEREncode))");
   w.line("   return asn1E_" + u.name + "(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT);");
   w.line("if (msgBuf.isA(ASN1MessageBufferIF::XEREncode))");
   w.line("   return asn1dataXerEncodeDocument(msgBuf.getCtxtPtr(), [this](ASN1CTXT* p) { return " +
          xeOnRecord(u) + "; });");
   w.line("return ASN1ERR_NOT_SUPPORTED;");
   w.close();
   w.line();
   w.line("int " + c + "::DecodeFrom(ASN1MessageBufferIF& msgBuf)");
   w.open("");
   w.line("setMsgBuf(msgBuf);");
   w.line("int stat = msgBuf.init();");
   w.line("if (stat != 0) return stat;");
   w.line("if (msgBuf.isA(ASN1MessageBufferIF::BERDecode))");
   w.line("   return asn1D_" + u.name + "(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT, 0);");
   if (sax) {
      w.line("if (msgBuf.isA(ASN1MessageBufferIF::XERDecode))");
      w.line("   return asn1dataXerDecodeDocument(msgBuf, *this);");
   }
   w.line("return ASN1ERR_NOT_SUPPORTED;");
   w.close();
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
