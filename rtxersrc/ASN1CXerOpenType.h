// ASN1CXerOpenType: the SAX handler that captures the XML inside an open-type
// element as text, so that it can be decoded later or written out again
// unchanged (xerEncOpenType).
#ifndef ASN1CXEROPENTYPE_H
#define ASN1CXEROPENTYPE_H

#include "ASN1CType.h"
#include "asn1TObject.h"
#include "asn1XerCppTypes.h"

// Capture rules: start tags are written as <name> (attributes are dropped),
// character data as the parser delivers it with '&', '<' and '>' escaped
// again (and a carriage return as a character reference), so that the capture is well-formed XML that reads back to the same
// values; an element without content is written <name/>. The wrapper element
// of the open type itself (the handler's start level) is not captured, but
// everything inside it is, text before, between and after child elements
// included (a value that is only text is captured as that text).
// Nothing is indented: white space between tags is character data and is
// kept as it was.
//
// The target record's data points at the capture: in the message buffer's
// heap for the constructors with a buffer (valid as long as that heap), in
// this object's own context otherwise (valid while the object lives).
class EXTERNRT ASN1CXerOpenType : public ASN1CType, public ASN1XERSAXDecodeHandler {
public:
   explicit ASN1CXerOpenType(ASN1TOpenType& data);
   explicit ASN1CXerOpenType(Asn1TObject& data);
   ASN1CXerOpenType(ASN1MessageBufferIF& msgBuf, ASN1TOpenType& data);
   ASN1CXerOpenType(ASN1MessageBufferIF& msgBuf, Asn1TObject& data);
   ~ASN1CXerOpenType() override;

   void startElement(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs) override;
   void characters(const char* chars, unsigned int length) override;
   void endElement(const char* uri, const char* localname, const char* qname) override;

   // Also starts a new capture, so that a handler reused for the next open
   // type never overwrites or moves the text of the previous one.
   void init(int level = 0) override;

private:
   ASN1CXerOpenType(const ASN1CXerOpenType&) = delete;
   ASN1CXerOpenType& operator=(const ASN1CXerOpenType&) = delete;

   void newCapture();
   // The capture ends with the start tag of qname (nothing written since).
   bool isEmptyElement(const char* qname);
   void check(int stat)
   {
      if (stat != 0) throwSAXException(stat, nullptr, 0);
   }

   ASN1TOpenType* mpOpenType;
   ASN1XEREncodeBuffer mEncBuf;
   ASN1CTXT* mpEncCtxt;
};

#endif
