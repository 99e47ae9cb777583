// ASN1Context: a reference-counted owner of one ASN1CTXT and its heap.
// Objects are created with new and destroyed through _unref(); message
// buffers, control classes and ASN1CtxtPtr handles each hold one reference.
#ifndef ASN1CONTEXT_H
#define ASN1CONTEXT_H

#include "asn1type.h"

class EXTERNRT ASN1Context {
public:
   // Initialises the context; a failure is thrown as
   // ASN1MessageBuffer::RTLError carrying the status. The count starts at 0.
   ASN1Context();
   ~ASN1Context();

   ASN1Context(const ASN1Context&) = delete;
   ASN1Context& operator=(const ASN1Context&) = delete;

   ASN1CTXT* getPtr() { return &mCtxt; }
   const ASN1CTXT* getPtr() const { return &mCtxt; }

   void _ref() { refCount++; }
   // Drops one reference; the last one deletes the object.
   void _unref();
   OSUINT32 getRefCount() const { return refCount; }

   // rtErrPrint on the context's error information.
   void PrintErrorInfo();

private:
   ASN1CTXT mCtxt;
   OSUINT32 refCount;
};

#endif
