// Message buffers: objects that own a reference-counted context and the
// encoded message, and the counted context handle.
#ifndef ASN1MESSAGEBUFFER_H
#define ASN1MESSAGEBUFFER_H

#include "ASN1Context.h"
#include "asn1CppExcept.h"
#include "rtMemBuf.h"

// A counted handle on an ASN1Context.
class EXTERNRT ASN1CtxtPtr {
public:
   ASN1CtxtPtr() : mPtr(nullptr) {}
   ASN1CtxtPtr(ASN1Context* p) : mPtr(p) { if (mPtr) mPtr->_ref(); }
   ASN1CtxtPtr(const ASN1CtxtPtr& o) : mPtr(o.mPtr) { if (mPtr) mPtr->_ref(); }
   ~ASN1CtxtPtr() { if (mPtr) mPtr->_unref(); }
   ASN1CtxtPtr& operator=(const ASN1CtxtPtr& o)
   {
      if (o.mPtr) o.mPtr->_ref();
      if (mPtr) mPtr->_unref();
      mPtr = o.mPtr;
      return *this;
   }
   ASN1Context* operator->() const { return mPtr; }
   ASN1Context& operator*() const { return *mPtr; }
   operator ASN1Context*() const { return mPtr; }
   ASN1Context* get() const { return mPtr; }

private:
   ASN1Context* mPtr;
};

class EXTERNRT ASN1MessageBufferIF {
public:
   enum Type { BEREncode = 0, BERDecode = 1, XEREncode = 4, XERDecode = 5 };

   virtual ~ASN1MessageBufferIF() {}
   virtual ASN1CtxtPtr getContext() = 0;
   virtual ASN1CTXT* getCtxtPtr() = 0;
   virtual OSOCTET* getMsgCopy() { return nullptr; }
   virtual const OSOCTET* getMsgPtr() { return nullptr; }
   virtual int init() { return 0; }
   virtual int initBuffer(ASN1MemBuf&) { return ASN1ERR_NOT_SUPPORTED; }
   virtual int initBuffer(unsigned short*) { return ASN1ERR_NOT_SUPPORTED; }
   virtual int initBuffer(char*) { return ASN1ERR_NOT_SUPPORTED; }
   virtual bool isA(Type bufferType) = 0;
};

class EXTERNRT ASN1MessageBuffer : public ASN1MessageBufferIF {
public:
   // Thrown when a context or an encode buffer cannot be set up (defined in
   // the core, which throws it too).
   typedef ASN1RTLError RTLError;

   ~ASN1MessageBuffer() override;
   ASN1CtxtPtr getContext() override { return ASN1CtxtPtr(mpContext); }
   ASN1CTXT* getCtxtPtr() override { return mpContext->getPtr(); }
   OSOCTET* getMsgCopy() override { return nullptr; }
   const OSOCTET* getMsgPtr() override { return getCtxtPtr()->buffer.data; }
   int init() override { return 0; }
   // Installs the collected octets of a memory buffer as the message.
   int initBuffer(ASN1MemBuf& membuf) override;
   int initBuffer(unsigned short*) override { return ASN1ERR_NOT_SUPPORTED; }
   int initBuffer(char*) override { return ASN1ERR_NOT_SUPPORTED; }

   Type getBufferType() const { return mBufferType; }

protected:
   // Creates a new context and takes one reference to it.
   explicit ASN1MessageBuffer(Type bufferType);

   ASN1Context* mpContext;
   Type mBufferType;

private:
   ASN1MessageBuffer(const ASN1MessageBuffer&) = delete;
   ASN1MessageBuffer& operator=(const ASN1MessageBuffer&) = delete;
};

#endif
