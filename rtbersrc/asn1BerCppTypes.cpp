#include "asn1BerCppTypes.h"

#include <string.h>

#include "rtError.h"

/* ASN1BEREncodeBuffer */

ASN1BEREncodeBuffer::ASN1BEREncodeBuffer() : ASN1BERMessageBuffer(BEREncode)
{
   int stat = xe_setp(getCtxtPtr(), nullptr, 0);
   if (stat != 0) throw RTLError(stat);
}

ASN1BEREncodeBuffer::ASN1BEREncodeBuffer(OSOCTET* pMsgBuf, int msgBufLen)
   : ASN1BERMessageBuffer(BEREncode)
{
   int stat = xe_setp(getCtxtPtr(), pMsgBuf, msgBufLen);
   if (stat != 0) throw RTLError(stat);
}

int ASN1BEREncodeBuffer::setBuffer(OSOCTET* pMsgBuf, int msgBufLen)
{
   return xe_setp(getCtxtPtr(), pMsgBuf, msgBufLen);
}

int ASN1BEREncodeBuffer::init()
{
   ASN1CTXT* pctxt = getCtxtPtr();
   pctxt->buffer.byteIndex = pctxt->buffer.size > 0 ? pctxt->buffer.size - 1 : 0;
   return 0;
}

const OSOCTET* ASN1BEREncodeBuffer::getMsgPtr()
{
   return xe_getp(getCtxtPtr());
}

OSOCTET* ASN1BEREncodeBuffer::getMsgCopy()
{
   ASN1CTXT* pctxt = getCtxtPtr();
   if (pctxt->buffer.data == nullptr) return nullptr;
   // The encoding runs from byteIndex up to the last used position; the
   // final octet of the buffer is never written.
   OSUINT32 end = pctxt->buffer.size > 0 ? pctxt->buffer.size - 1 : 0;
   OSUINT32 len = end > pctxt->buffer.byteIndex ? end - pctxt->buffer.byteIndex : 0;
   OSOCTET* copy = new OSOCTET[len > 0 ? len : 1];
   if (len > 0) memcpy(copy, pctxt->buffer.data + pctxt->buffer.byteIndex, len);
   return copy;
}

ASN1BEREncodeBuffer& ASN1BEREncodeBuffer::operator<<(ASN1CType& c)
{
   // EncodeTo returns the encoded length; only a negative result is a failure.
   int stat = c.EncodeTo(*this);
   if (stat < 0) throw ASN1RTLException(stat);
   return *this;
}

/* ASN1BERDecodeBuffer */

ASN1BERDecodeBuffer::ASN1BERDecodeBuffer()
   : ASN1BERMessageBuffer(BERDecode), mpInput(nullptr), mInputLen(0), mInitDone(0)
{
}

ASN1BERDecodeBuffer::ASN1BERDecodeBuffer(const OSOCTET* pMsgBuf, int msgBufLen)
   : ASN1BERMessageBuffer(BERDecode), mpInput(pMsgBuf),
     mInputLen(msgBufLen > 0 ? (OSUINT32)msgBufLen : 0), mInitDone(0)
{
}

int ASN1BERDecodeBuffer::setBuffer(const OSOCTET* pMsgBuf, int msgBufLen)
{
   OSUINT32 len = msgBufLen > 0 ? (OSUINT32)msgBufLen : 0;
   if (mInitDone && pMsgBuf == mpInput && len == mInputLen) return 0;
   mpInput = pMsgBuf;
   mInputLen = len;
   mInitDone = 1;
   // The buffer knows its input: an empty one has nothing to decode. (For
   // xd_setp a size of 0 means "unknown", which would let the decoder read
   // past the caller's octets.)
   if (pMsgBuf == nullptr || len == 0) return LOG_ASN1ERR(getCtxtPtr(), ASN1ERR_END_OF_BUFFER);
   return xd_setp(getCtxtPtr(), pMsgBuf, msgBufLen, nullptr, nullptr);
}

int ASN1BERDecodeBuffer::init()
{
   return setBuffer(mpInput, (int)mInputLen);
}

const OSOCTET* ASN1BERDecodeBuffer::findElement(ASN1TAG tag, int& elemLen, int firstFlag)
{
   ASN1CTXT* pctxt = getCtxtPtr();
   int stat;
   if (firstFlag) {
      mInitDone = 1;
      if (mpInput == nullptr || mInputLen == 0) return nullptr;
      if (xd_setp(pctxt, mpInput, (int)mInputLen, nullptr, nullptr) != 0) return nullptr;
      stat = xd_match(pctxt, tag, &elemLen, XM_SEEK);
   }
   else {
      stat = xd_match(pctxt, tag, &elemLen, XM_SEEK | XM_SKIP);
   }
   if (stat != 0) return nullptr;
   return pctxt->buffer.data + pctxt->buffer.byteIndex;
}

ASN1BERDecodeBuffer& ASN1BERDecodeBuffer::operator>>(ASN1CType& c)
{
   int stat = c.DecodeFrom(*this);
   if (stat != 0) throw ASN1RTLException(stat);
   return *this;
}
