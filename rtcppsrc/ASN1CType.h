// ASN1CType: the control-class base. A control class binds one value to a
// message buffer and encodes it into, or decodes it from, that buffer.
//
// Ownership: the object holds one reference to its ASN1Context; the attached
// message buffer is not owned and must outlive every Encode()/Decode().
#ifndef ASN1CTYPE_H
#define ASN1CTYPE_H

#include "asn1MessageBuffer.h"

class EXTERNRT ASN1CType {
public:
   virtual ~ASN1CType();

   // EncodeTo(*mpMsgBuf) / DecodeFrom(*mpMsgBuf); both need an attached
   // buffer and return ASN1ERR_NOT_INITIALIZED without one.
   virtual int Encode();
   virtual int Decode();
   // The base class has nothing to encode or decode: both return 0.
   virtual int EncodeTo(ASN1MessageBufferIF& msgBuf);
   virtual int DecodeFrom(ASN1MessageBufferIF& msgBuf);

   // Attaches a buffer; from then on the object allocates from the buffer's
   // heap, so what it creates lives as long as the buffer's values.
   void setMsgBuf(ASN1MessageBufferIF& msgBuf);

   ASN1CtxtPtr getContext() { return ASN1CtxtPtr(mpContext); }
   ASN1CTXT* getCtxtPtr() { return mpContext != nullptr ? mpContext->getPtr() : nullptr; }

protected:
   // A new context (one reference), no buffer.
   ASN1CType();
   // The buffer's context (one reference); the buffer is attached.
   explicit ASN1CType(ASN1MessageBufferIF& msgBuf);
   // The given context (one reference), no buffer.
   explicit ASN1CType(ASN1Context& ctxt);
   // Shares the source's context (one more reference) and buffer pointer.
   ASN1CType(const ASN1CType& other);
   ASN1CType& operator=(const ASN1CType&) = delete;

   ASN1Context* mpContext;
   ASN1MessageBufferIF* mpMsgBuf;
};

#endif
