// Stream objects over the run-time's stream functions. The object owns a
// context (one reference) whose stream it opens; a source or sink is
// attached with the stream functions on getCtxtPtr(). Failing statuses are
// thrown as OSCStreamException; the object stays usable for destruction.
#ifndef OSCSTREAM_H
#define OSCSTREAM_H

#include "asn1MessageBuffer.h"

class EXTERNRT OSCStreamException : public ASN1RTLException {
public:
   explicit OSCStreamException(int stat) : ASN1RTLException(stat) {}
   ~OSCStreamException() override;
};

class EXTERNRT OSCStream {
public:
   // A buffered stream (rtStreamBufInit).
   OSCStream();
   // Buffered (rtStreamBufInit) or plain (rtStreamInit).
   explicit OSCStream(OSBOOL buffered);
   // Closes the stream (status ignored) and drops the context reference.
   virtual ~OSCStream();

   // rtStreamBufClose / rtStreamClose: 0, or throws the failing status.
   virtual int close();
   // rtStreamBufFlush / rtStreamFlush: 0, or throws the failing status.
   virtual int flush();

   ASN1CtxtPtr getContext() { return ASN1CtxtPtr(mpContext); }
   ASN1CTXT* getCtxtPtr() { return mpContext->getPtr(); }
   OSBOOL isBuffered() const { return mbBuffered ? TRUE : FALSE; }

protected:
   ASN1Context* mpContext;
   bool mbBuffered;

private:
   void open();
   int closeStream();
   OSCStream(const OSCStream&) = delete;
   OSCStream& operator=(const OSCStream&) = delete;
};

class EXTERNRT OSCInputStream : public OSCStream {
public:
   // A plain (unbuffered) stream.
   OSCInputStream();
   ~OSCInputStream() override;

   // Octets moved so far (rtStreamGetIOBytes).
   virtual int currentPos();
   // Reads up to bufSize octets; returns the count read, or throws a
   // negative status.
   virtual int read(OSOCTET* pbuf, OSUINT32 bufSize);
};

#endif
