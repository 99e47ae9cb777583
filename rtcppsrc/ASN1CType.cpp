#include "ASN1CType.h"

ASN1CType::ASN1CType() : mpContext(nullptr), mpMsgBuf(nullptr)
{
   mpContext = new ASN1Context();
   mpContext->_ref();
}

ASN1CType::ASN1CType(ASN1MessageBufferIF& msgBuf) : mpContext(nullptr), mpMsgBuf(&msgBuf)
{
   ASN1CtxtPtr p = msgBuf.getContext();
   mpContext = p.get();
   if (mpContext != nullptr) mpContext->_ref();
}

ASN1CType::ASN1CType(ASN1Context& ctxt) : mpContext(&ctxt), mpMsgBuf(nullptr)
{
   mpContext->_ref();
}

ASN1CType::ASN1CType(const ASN1CType& other)
   : mpContext(other.mpContext), mpMsgBuf(other.mpMsgBuf)
{
   if (mpContext != nullptr) mpContext->_ref();
}

ASN1CType::~ASN1CType()
{
   if (mpContext != nullptr) mpContext->_unref();
}

int ASN1CType::Encode()
{
   if (mpMsgBuf == nullptr) return ASN1ERR_NOT_INITIALIZED;
   return EncodeTo(*mpMsgBuf);
}

int ASN1CType::Decode()
{
   if (mpMsgBuf == nullptr) return ASN1ERR_NOT_INITIALIZED;
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
   if (mpContext != nullptr) rtCtxtSetMemHeap(mpContext->getPtr(), msgBuf.getCtxtPtr());
}
