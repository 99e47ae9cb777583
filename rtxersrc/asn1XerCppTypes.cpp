#include "asn1XerCppTypes.h"

#include <limits.h>
#include <string.h>

#include "rtError.h"

ASN1XERMessageBuffer::~ASN1XERMessageBuffer() = default;

// ---------------------------------------------------------------------------
// ASN1XEREncodeBuffer

// Sets up the context for XER output; a failure is thrown.
static void setUpEncode(ASN1CTXT* pctxt, OSOCTET* buf, int size, OSBOOL canonical)
{
   int stat = xerSetEncBufPtr(pctxt, buf, size, canonical);
   if (stat != 0) throw ASN1MessageBuffer::RTLError(stat);
}

ASN1XEREncodeBuffer::ASN1XEREncodeBuffer() : ASN1XERMessageBuffer(XEREncode)
{
   setUpEncode(getCtxtPtr(), nullptr, 0, FALSE);
}

ASN1XEREncodeBuffer::ASN1XEREncodeBuffer(OSBOOL canonical) : ASN1XERMessageBuffer(XEREncode)
{
   setUpEncode(getCtxtPtr(), nullptr, 0, canonical);
}

ASN1XEREncodeBuffer::ASN1XEREncodeBuffer(OSBOOL canonical, ASN1CTXT* pctxt, int initBufSize)
   : ASN1XERMessageBuffer(XEREncode)
{
   if (pctxt != nullptr) rtCtxtSetMsgMemHeap(getCtxtPtr(), pctxt);
   setUpEncode(getCtxtPtr(), nullptr, initBufSize, canonical);
}

ASN1XEREncodeBuffer::ASN1XEREncodeBuffer(OSOCTET* buf, int size) : ASN1XERMessageBuffer(XEREncode)
{
   setUpEncode(getCtxtPtr(), buf, size, FALSE);
}

ASN1XEREncodeBuffer::ASN1XEREncodeBuffer(OSOCTET* buf, int size, OSBOOL canonical, OSBOOL openType)
   : ASN1XERMessageBuffer(XEREncode)
{
   setUpEncode(getCtxtPtr(), buf, size, canonical);
   if (openType) rtCtxtSetFlag(getCtxtPtr(), ASN1XERFRAGMENT);
}

int ASN1XEREncodeBuffer::init()
{
   getCtxtPtr()->buffer.byteIndex = 0;
   return 0;
}

int ASN1XEREncodeBuffer::write(FILE* fp)
{
   if (fp == nullptr) return -1;
   const OSOCTET* data = getMsgPtr();
   OSUINT32 len = getCtxtPtr()->buffer.byteIndex;
   if (data == nullptr || len == 0) return 0;
   return (int)fwrite(data, 1, len, fp);
}

int ASN1XEREncodeBuffer::write(const char* filename)
{
   if (filename == nullptr) return -1;
   FILE* fp = fopen(filename, "wb");
   if (fp == nullptr) return -1;
   int count = write(fp);
   fclose(fp);
   return count;
}

// ---------------------------------------------------------------------------
// ASN1XERDecodeBuffer

ASN1XERDecodeBuffer::ASN1XERDecodeBuffer(const OSOCTET* msg, OSUINT32 len, OSBOOL openType,
                                         ASN1Context* pContext)
   : ASN1XERMessageBuffer(XERDecode), mpMsg(msg), mMsgLen(len), mSkipParse(FALSE)
{
   if (pContext != nullptr && pContext != mpContext) {
      pContext->_ref();
      mpContext->_unref();
      mpContext = pContext;
   }
   if (openType) rtCtxtSetFlag(getCtxtPtr(), ASN1XERFRAGMENT);
}

int ASN1XERDecodeBuffer::decodeXML(OSXMLReader* reader)
{
   ASN1CTXT* pctxt = getCtxtPtr();
   if (reader == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   if (mMsgLen > (OSUINT32)INT_MAX) return LOG_ASN1ERR(pctxt, ASN1ERR_TOO_BIG);
   if (!mSkipParse) reader->parse(reinterpret_cast<const char*>(mpMsg), (int)mMsgLen);
   return pctxt->errInfo.status;
}

int ASN1XERDecodeBuffer::initBuffer(char* text)
{
   if (text == nullptr) return ASN1ERR_INVALID_PARAM;
   size_t len = strlen(text);
   if (len >= (size_t)INT_MAX) return ASN1ERR_TOO_BIG;
   return rtInitContextBuffer(getCtxtPtr(), reinterpret_cast<OSOCTET*>(text), (OSUINT32)len + 1);
}

void ASN1XERDecodeBuffer::throwSAXException(int status, const char* file, int line)
{
   throw OSRTSAXExceptionImpl(status, file, line);
}

// ---------------------------------------------------------------------------
// ASN1XERSAXDecodeHandler

ASN1XERSAXDecodeHandler::~ASN1XERSAXDecodeHandler() = default;

void ASN1XERSAXDecodeHandler::setErrorInfo(int status, const char* file, int line)
{
   mErrorStatus = status;
   mErrorFile = file;
   mErrorLine = line;
}

int ASN1XERSAXDecodeHandler::getErrorInfo(int* status, const char** file, int* line)
{
   if (mErrorStatus == 0) return 0;
   if (status != nullptr) *status = mErrorStatus;
   if (file != nullptr) *file = mErrorFile;
   if (line != nullptr) *line = mErrorLine;
   return 1;
}

void ASN1XERSAXDecodeHandler::init(int level)
{
   mState = XERINIT;
   mLevel = level;
   mStartLevel = level;
   mCurrElemID = 0;
}

void ASN1XERSAXDecodeHandler::throwSAXException(int status, const char* file, int line)
{
   setErrorInfo(status, file, line);
   throw OSRTSAXExceptionImpl(status, file, line);
}

ASN1CTXT* ASN1XERSAXDecodeHandler::finalizeMemBuf(ASN1MessageBufferIF* msgBuf, ASN1MemBuf& text)
{
   // Room for the terminator first, so that installing the text and then
   // appending the terminator cannot move the storage.
   if (text.buffer != nullptr && text.usedcnt < text.bufsize && text.ctxt != nullptr) {
      // The common case: the room is there.
      int stat = msgBuf->initBuffer(text);
      if (stat != 0) throw ASN1MessageBuffer::RTLError(stat);
      text.buffer[text.usedcnt++] = 0;
      return msgBuf->getCtxtPtr();
   }
   int stat = rtMemBufPreAllocate(&text, 1);
   if (stat == 0) stat = msgBuf->initBuffer(text);
   if (stat == 0) stat = rtMemBufSet(&text, 0, 1);
   if (stat != 0) throw ASN1MessageBuffer::RTLError(stat);
   return msgBuf->getCtxtPtr();
}
