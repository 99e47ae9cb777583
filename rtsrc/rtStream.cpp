#include "rtStream.h"

#include <string.h>

#include "rtError.h"
#include "rtMemHeap.h"

namespace {

// Size of the context buffer that collects the writes of a buffered stream.
const OSUINT32 kStreamBufSize = 1024;

// Minimum growth of a dynamic forward-written buffer.
const OSUINT32 kBufGrowth = 16384;

}  // namespace

extern "C" {

int rtStreamInit(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   if (pctxt->stream != nullptr) rtStreamRelease(pctxt);
   ASN1Stream* s = static_cast<ASN1Stream*>(rtMemHeapAllocZ(&pctxt->memHeap, sizeof(ASN1Stream)));
   if (s == nullptr) return ASN1ERR_NO_MEMORY;
   pctxt->stream = s;
   return 0;
}

void rtStreamRelease(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return;
   rtMemHeapFreePtr(&pctxt->memHeap, pctxt->stream);
   pctxt->stream = nullptr;
}

int rtStreamRead(ASN1CTXT* pctxt, OSOCTET* pbuf, OSUINT32 size)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   ASN1Stream* s = pctxt->stream;
   if (s->read == nullptr || !(s->streamFlags & ASN1STRMF_READABLE)) return ASN1ERR_NOT_INITIALIZED;
   int n = s->read(s, pbuf, size);
   if (n > 0) s->ioBytes += (OSUINT32)n;
   return n;
}

int rtStreamWrite(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 nbytes)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   ASN1Stream* s = pctxt->stream;
   if (s->write == nullptr || !(s->streamFlags & ASN1STRMF_WRITABLE)) return ASN1ERR_NOT_INITIALIZED;
   int stat = s->write(s, data, nbytes);
   if (stat >= 0) s->ioBytes += nbytes;
   return stat;
}

int rtStreamFlush(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   ASN1Stream* s = pctxt->stream;
   if (!(s->streamFlags & ASN1STRMF_WRITABLE)) return ASN1ERR_INVALID_PARAM;
   return (s->flush != nullptr) ? s->flush(s) : 0;
}

int rtStreamClose(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   ASN1Stream* s = pctxt->stream;
   if (s->close == nullptr) return ASN1ERR_NOT_INITIALIZED;
   if (s->streamFlags & ASN1STRMF_WRITABLE) {
      int stat = rtStreamFlush(pctxt);
      if (stat < 0) return stat;
   }
   else if (!(s->streamFlags & ASN1STRMF_READABLE)) {
      return ASN1ERR_NOT_INITIALIZED;
   }
   s->streamFlags = 0;
   return s->close(s);
}

int rtStreamGetIOBytes(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   return (int)pctxt->stream->ioBytes;
}

int rtStreamBufInit(ASN1CTXT* pctxt)
{
   int stat = rtStreamInit(pctxt);
   if (stat != 0) return stat;
   // The buffer of a previous message is no longer needed.
   if (pctxt->buffer.dynamic && pctxt->buffer.data != nullptr) {
      rtMemHeapFreePtr(&pctxt->msgMemHeap, pctxt->buffer.data);
      pctxt->buffer.data = nullptr;
   }
   stat = rtInitContextBuffer(pctxt, nullptr, kStreamBufSize);
   if (stat != 0) {
      rtStreamRelease(pctxt);
      return stat;
   }
   pctxt->stream->bufsize = kStreamBufSize;
   pctxt->stream->streamFlags |= ASN1STRMF_BUFFERED;
   return 0;
}

int rtStreamBufWrite(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 nbytes)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   if (nbytes == 0) return 0;
   ASN1BUFFER& buf = pctxt->buffer;
   if (buf.data == nullptr || buf.size == 0) {
      // No collecting buffer: straight to the stream.
      int stat = rtStreamWrite(pctxt, data, nbytes);
      return (stat < 0) ? stat : 0;
   }
   if ((OSUINT64)buf.byteIndex + nbytes > buf.size) {
      if (buf.byteIndex > 0) {
         int stat = rtStreamWrite(pctxt, buf.data, buf.byteIndex);
         if (stat < 0) return stat;
         buf.byteIndex = 0;
      }
   }
   if (nbytes < buf.size) {
      memcpy(buf.data + buf.byteIndex, data, nbytes);
      buf.byteIndex += nbytes;
      return 0;
   }
   int stat = rtStreamWrite(pctxt, data, nbytes);
   return (stat < 0) ? stat : 0;
}

int rtStreamBufFlush(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   ASN1Stream* s = pctxt->stream;
   if (!(s->streamFlags & (ASN1STRMF_BUFFERED | ASN1STRMF_WRITABLE))) return ASN1ERR_INVALID_PARAM;
   if (pctxt->buffer.byteIndex > 0 && pctxt->buffer.data != nullptr) {
      if (s->write == nullptr) return ASN1ERR_NOT_INITIALIZED;
      int stat = rtStreamWrite(pctxt, pctxt->buffer.data, pctxt->buffer.byteIndex);
      if (stat < 0) return stat;
      pctxt->buffer.byteIndex = 0;
   }
   return rtStreamFlush(pctxt);
}

int rtStreamBufClose(ASN1CTXT* pctxt)
{
   if (pctxt == nullptr || pctxt->stream == nullptr) return ASN1ERR_NOT_INITIALIZED;
   ASN1Stream* s = pctxt->stream;
   if (s->streamFlags & (ASN1STRMF_BUFFERED | ASN1STRMF_WRITABLE)) {
      int stat = rtStreamBufFlush(pctxt);
      if (stat < 0) return stat;
   }
   else if (!(s->streamFlags & ASN1STRMF_READABLE)) {
      return ASN1ERR_NOT_INITIALIZED;
   }
   return rtStreamClose(pctxt);
}

int rtCheckBuffer(ASN1CTXT* pctxt, OSUINT32 nbytes)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   ASN1BUFFER& buf = pctxt->buffer;
   if (buf.data != nullptr && (OSUINT64)buf.byteIndex + nbytes <= buf.size) return 0;
   if (pctxt->stream != nullptr) {
      int stat = rtStreamBufFlush(pctxt);
      if (stat < 0) return LOG_ASN1ERR(pctxt, stat);
      if (buf.data != nullptr && (OSUINT64)buf.byteIndex + nbytes <= buf.size) return 0;
   }
   if (!buf.dynamic && buf.data != nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_BUFFER_OVERFLOW);
   OSUINT64 newSize = (OSUINT64)buf.size + (nbytes > kBufGrowth ? nbytes : kBufGrowth);
   // The heap takes a signed 32-bit size.
   if (newSize > (OSUINT64)INT32_MAX - 64) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   OSOCTET* p = static_cast<OSOCTET*>(
      rtMemHeapRealloc(&pctxt->msgMemHeap, buf.data, (int)newSize));
   if (p == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
   buf.data = p;
   buf.size = (OSUINT32)newSize;
   buf.dynamic = 1;
   return 0;
}

int rtWriteBytes(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 nbytes)
{
   if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
   if (nbytes == 0) return 0;
   if (data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   if (pctxt->stream != nullptr) {
      int stat = rtStreamBufWrite(pctxt, data, nbytes);
      return (stat < 0) ? LOG_ASN1ERR(pctxt, stat) : 0;
   }
   int stat = rtCheckBuffer(pctxt, nbytes);
   if (stat != 0) return stat;
   memcpy(pctxt->buffer.data + pctxt->buffer.byteIndex, data, nbytes);
   pctxt->buffer.byteIndex += nbytes;
   return 0;
}

}
