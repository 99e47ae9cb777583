// Stream hooks behind forward-written output (XER).
#ifndef RTSTREAM_H
#define RTSTREAM_H

#include "asn1type.h"

typedef int  (*ASN1StreamReadFunc)(_Asn1RTStream* pStream, OSOCTET* pbuf, OSUINT32 size);
typedef int  (*ASN1StreamWriteFunc)(_Asn1RTStream* pStream, const OSOCTET* data, OSUINT32 numocts);
typedef int  (*ASN1StreamFlushFunc)(_Asn1RTStream* pStream);
typedef int  (*ASN1StreamCloseFunc)(_Asn1RTStream* pStream);

#define ASN1STRMF_READABLE 0x0001
#define ASN1STRMF_WRITABLE 0x0002
#define ASN1STRMF_BUFFERED 0x8000

// Stream record.
struct _Asn1RTStream {
   ASN1StreamReadFunc  read;
   ASN1StreamWriteFunc write;
   ASN1StreamFlushFunc flush;
   ASN1StreamCloseFunc close;
   OSUINT32 bufsize;
   OSUINT32 ioBytes;     // octets moved so far
   OSUINT16 streamFlags;
   void*    extra;       // the installer's own data (a FILE*, an object)
};
typedef _Asn1RTStream ASN1Stream;

extern "C" {

// A zeroed stream record from memHeap becomes the context's stream.
EXTERNRT int rtStreamInit(ASN1CTXT* pctxt);

// Frees the stream record; the context has no stream again.
EXTERNRT void rtStreamRelease(ASN1CTXT* pctxt);

// Calls the read hook of a readable stream and adds a positive result to
// ioBytes; returns the hook's result, or -32 without a stream, a read hook or
// the readable flag.
EXTERNRT int rtStreamRead(ASN1CTXT* pctxt, OSOCTET* pbuf, OSUINT32 size);

// Calls the write hook of a writable stream; ioBytes += nbytes unless the
// result is negative. -32 without a stream, a write hook or the flag.
EXTERNRT int rtStreamWrite(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 nbytes);

// Writable stream: the flush hook's result, or 0 without one; else -30.
EXTERNRT int rtStreamFlush(ASN1CTXT* pctxt);

// Flushes a writable stream, clears streamFlags and calls the close hook.
// -32 without a stream or close hook, or for a stream that is neither
// readable nor writable.
EXTERNRT int rtStreamClose(ASN1CTXT* pctxt);

// ioBytes, or -32 without a stream.
EXTERNRT int rtStreamGetIOBytes(ASN1CTXT* pctxt);

// rtStreamInit, then a 1024-octet dynamic context buffer that collects
// writes (the stream is marked buffered). 0, -12 or -30.
EXTERNRT int rtStreamBufInit(ASN1CTXT* pctxt);

// Buffered write: when the buffered octets plus nbytes do not fit, the
// buffered octets are written out first; data smaller than the buffer is
// then copied in, larger data is written directly. 0 or a negative status.
EXTERNRT int rtStreamBufWrite(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 nbytes);

// Writes the buffered octets out (-32 without a write hook), empties the
// buffer, then rtStreamFlush. -30 for a stream neither buffered nor
// writable, -32 without a stream.
EXTERNRT int rtStreamBufFlush(ASN1CTXT* pctxt);

// Flushes a buffered or writable stream (a stream that is neither must be
// readable, else -32), then rtStreamClose.
EXTERNRT int rtStreamBufClose(ASN1CTXT* pctxt);

// Ensures nbytes more octets fit at byteIndex of a forward-written buffer.
// With a stream the buffered octets are flushed first. 0; -1 for a caller's
// buffer that is full; -12 when a dynamic buffer cannot grow (it grows by
// the larger of nbytes and 16384 octets in msgMemHeap, contents kept).
EXTERNRT int rtCheckBuffer(ASN1CTXT* pctxt, OSUINT32 nbytes);

// Appends nbytes octets to the output: the context buffer (byteIndex
// advances) or, with a stream, the buffered stream. 0 or a negative status.
EXTERNRT int rtWriteBytes(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 nbytes);

}

#endif
