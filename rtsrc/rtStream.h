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

}

#endif
