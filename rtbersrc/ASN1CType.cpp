#include "ASN1CType.h"

#include "rtError.h"


ASN1CType::ASN1CType() : mpContext(new ASN1Context()), mpMsgBuf(nullptr)
{
   mpContext->_ref();
}

ASN1CType::ASN1CType(ASN1MessageBufferIF& msgBuf) : mpContext(nullptr), mpMsgBuf(&msgBuf)
{
   ASN1CtxtPtr ctxt = msgBuf.getContext();
   mpContext = ctxt.get();
   mpContext->_ref();
}

ASN1CType::ASN1CType(ASN1Context& ctxt) : mpContext(&ctxt), mpMsgBuf(nullptr)
{
   mpContext->_ref();
}

ASN1CType::ASN1CType(const ASN1CType& other) : mpContext(other.mpContext), mpMsgBuf(other.mpMsgBuf)
{
   mpContext->_ref();
}

ASN1CType& ASN1CType::operator=(const ASN1CType& other)
{
   if (this != &other) {
      other.mpContext->_ref();
      mpContext->_unref();
      mpContext = other.mpContext;
      mpMsgBuf = other.mpMsgBuf;
   }
   return *this;
}

ASN1CType::~ASN1CType()
{
   mpContext->_unref();
}

int ASN1CType::Encode()
{
   if (mpMsgBuf == nullptr) return LOG_ASN1ERR(getCtxtPtr(), ASN1ERR_NOT_INITIALIZED);
   return EncodeTo(*mpMsgBuf);
}

int ASN1CType::Decode()
{
   if (mpMsgBuf == nullptr) return LOG_ASN1ERR(getCtxtPtr(), ASN1ERR_NOT_INITIALIZED);
   return DecodeFrom(*mpMsgBuf);
}

int ASN1CType::EncodeTo(ASN1MessageBufferIF&)
{
   return 0;
}

int ASN1CType::DecodeFrom(ASN1MessageBufferIF&)
{
   return 0;
}

void ASN1CType::setMsgBuf(ASN1MessageBufferIF& msgBuf)
{
   mpMsgBuf = &msgBuf;
   rtCtxtSetMemHeap(getCtxtPtr(), msgBuf.getCtxtPtr());
}
