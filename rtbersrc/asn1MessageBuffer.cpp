#include "asn1MessageBuffer.h"

ASN1MessageBuffer::ASN1MessageBuffer(Type bufferType) : mpContext(nullptr), mBufferType(bufferType)
{
   mpContext = new ASN1Context();
   mpContext->_ref();
}

ASN1MessageBuffer::~ASN1MessageBuffer()
{
   if (mpContext != nullptr) mpContext->_unref();
}

int ASN1MessageBuffer::initBuffer(ASN1MemBuf& membuf)
{
   OSOCTET* data = membuf.buffer != nullptr ? membuf.buffer + membuf.startidx : nullptr;
   OSUINT32 len = membuf.usedcnt - membuf.startidx;
   if (data == nullptr) return ASN1ERR_BAD_VALUE;
   return rtInitContextBuffer(getCtxtPtr(), data, len);
}
