#include "Control.h"

#include "Ber.h"

namespace asn1gen {

namespace {

// The class a control class derives from. Every construct uses the
// control-class base for now; the XER handler base and the list, bit-string
// and time classes join when their run-time classes are in.
std::string baseClassOf(const Unit& u)
{
   if (shapeOf(u) == Shape::Typedef) {
      std::string target;
      unitName(u.type.get(), target);
      return "ASN1C_" + target;
   }
   return "ASN1CType";
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
   w.line("// Control class of " + (u.topLevel() ? u.assignment->name : u.name) + ".");
   w.open("class EXTERNRT " + c + " : public " + base + " {");
   w.outdent();
   w.line("public:");
   w.indent();
   if (shapeOf(u) == Shape::Typedef) {
      // A type reference: the referenced type's class does the work.
      w.line(c + "(" + r + "& data) : " + base + "(data) {}");
      w.line(c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data) : " + base + "(msgBuf, data) {}");
      w.close("};");
      return;
   }
   w.line("// A new context of its own; no message buffer yet.");
   w.line("explicit " + c + "(" + r + "& data);");
   w.line("// The buffer's context; the buffer is attached.");
   w.line(c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data);");
   w.line();
   w.line("// BER buffers: the encoded length or a negative status; other buffers");
   w.line("// give ASN1ERR_NOT_SUPPORTED.");
   w.line("int EncodeTo(ASN1MessageBufferIF& msgBuf) override;");
   w.line("// BER buffers: 0 or a negative status.");
   w.line("int DecodeFrom(ASN1MessageBufferIF& msgBuf) override;");
   w.line();
   w.line("// The type name: the top element of an XML document of this type.");
   w.line("static const char* typeName() { return \"" +
          (u.topLevel() ? u.assignment->name : u.name) + "\"; }");
   w.line();
   w.line(r + "& msgData;");
   w.close("};");
}

void emitControlClass(const Unit& u, Writer& w)
{
   if (shapeOf(u) == Shape::Typedef) return;
   std::string c = "ASN1C_" + u.name, r = "ASN1T_" + u.name;
   w.line(c + "::" + c + "(" + r + "& data)");
   w.line("   : ASN1CType(), msgData(data)");
   w.line("{");
   w.line("}");
   w.line();
   w.line(c + "::" + c + "(ASN1MessageBufferIF& msgBuf, " + r + "& data)");
   w.line("   : ASN1CType(msgBuf), msgData(data)");
   w.line("{");
   w.line("}");
   w.line();
   w.line("int " + c + "::EncodeTo(ASN1MessageBufferIF& msgBuf)");
   w.open("");
   w.line("setMsgBuf(msgBuf);");
   w.line("int stat = msgBuf.init();");
   w.line("if (stat != 0) return stat;");
   w.line("if (msgBuf.isA(ASN1MessageBufferIF::BEREncode))");
   w.line("   return asn1E_" + u.name + "(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT);");
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
   w.line("return ASN1ERR_NOT_SUPPORTED;");
   w.close();
}

}
