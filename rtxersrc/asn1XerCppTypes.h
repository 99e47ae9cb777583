// XER message buffers and the SAX handler base of every control class.
//
// Encoding: an ASN1XEREncodeBuffer owns a context prepared for XER output;
// generated control classes write their document into it (EncodeTo).
// Decoding: an ASN1XERDecodeBuffer holds the caller's document; the control
// class, an ASN1XERSAXDecodeHandler, is handed to an XML reader that parses
// the document and calls the handler for each event.
#ifndef ASN1XERCPPTYPES_H
#define ASN1XERCPPTYPES_H

#include <stdio.h>

#include "asn1MessageBuffer.h"
#include "asn1xer.h"
#include "saxParser.h"

// Common base of the XER buffers.
class EXTERNRT ASN1XERMessageBuffer : public ASN1MessageBuffer {
public:
   ~ASN1XERMessageBuffer() override;
   bool isA(Type bufferType) override = 0;

protected:
   explicit ASN1XERMessageBuffer(Type bufferType) : ASN1MessageBuffer(bufferType) {}
};

// The output buffer of an XER encode. Every constructor throws
// ASN1MessageBuffer::RTLError when the buffer cannot be set up.
class EXTERNRT ASN1XEREncodeBuffer : public ASN1XERMessageBuffer {
public:
   // Dynamic buffer of the default size, not canonical.
   ASN1XEREncodeBuffer();
   explicit ASN1XEREncodeBuffer(OSBOOL canonical);
   // Dynamic buffer of initBufSize octets whose storage comes from the message
   // heap of pctxt, so that what is written outlives this buffer as long as
   // that heap lives.
   ASN1XEREncodeBuffer(OSBOOL canonical, ASN1CTXT* pctxt, int initBufSize);
   // The caller's buffer (never grown or freed); output that does not fit
   // fails with -1.
   ASN1XEREncodeBuffer(OSOCTET* buf, int size);
   // As above; openType also selects fragment output (no declaration).
   ASN1XEREncodeBuffer(OSOCTET* buf, int size, OSBOOL canonical, OSBOOL openType);

   // Starts the buffer afresh (write position 0). Returns 0.
   int init() override;
   bool isA(Type bufferType) override { return bufferType == XEREncode; }

   // Octets written so far (the document length once complete).
   OSUINT32 getMsgLen() { return getCtxtPtr()->buffer.byteIndex; }

   // Writes the octets encoded so far; returns the count written (-1 for a
   // null stream).
   int write(FILE* fp);
   // Writes them to a new file (mode "wb"); -1 when it cannot be opened,
   // otherwise the count written.
   int write(const char* filename);
};

// The input of an XER decode: the caller's document (not copied; it must
// outlive the decode).
class EXTERNRT ASN1XERDecodeBuffer : public ASN1XERMessageBuffer {
public:
   // openType selects fragment input (context flag ASN1XERFRAGMENT). With
   // pContext the buffer works in that context (one reference) instead of a
   // new one. Throws ASN1MessageBuffer::RTLError when no context can be made.
   ASN1XERDecodeBuffer(const OSOCTET* msg, OSUINT32 len, OSBOOL openType = FALSE,
                       ASN1Context* pContext = nullptr);

   // Parses the document with reader (whose handlers build the value) and
   // returns the status recorded in the context (0 after a clean decode).
   // Exceptions of the reader and the handlers pass through. A document
   // longer than INT_MAX octets is -33.
   int decodeXML(OSXMLReader* reader);

   // The terminated text becomes the context buffer (its length + 1 octets):
   // the value decoders then read it. -30 for null.
   int initBuffer(char* text) override;
   int initBuffer(unsigned short*) override { return ASN1ERR_NOT_SUPPORTED; }
   int initBuffer(ASN1MemBuf& membuf) override { return ASN1MessageBuffer::initBuffer(membuf); }
   bool isA(Type bufferType) override { return bufferType == XERDecode; }

   // Throws OSRTSAXExceptionImpl(status, file, line).
   virtual void throwSAXException(int status, const char* file, int line);

   const OSOCTET* getInput() const { return mpMsg; }
   OSUINT32 getInputLen() const { return mMsgLen; }

private:
   const OSOCTET* mpMsg;
   OSUINT32 mMsgLen;
   OSBOOL mSkipParse;
};

// The SAX handler base of every control class.
//
// Handler contract followed by generated control classes:
//  - decoding creates the reader with saxCreateXmlReader(ctxt, this, this),
//    runs ASN1XERDecodeBuffer::decodeXML(reader) and releases the reader
//    afterwards, also when an exception passes;
//  - the handler's level counts start tags minus end tags, from 0. At level 0
//    the element must be the type's own (else -35); at level 1 a component is
//    identified by name (unknown: -3) and its text collector reset; deeper
//    events go to the nested handler of a constructed component or an open
//    type, which is init(1)'d when the component starts;
//  - character data of a simple component is appended to the collector;
//  - when a component ends, its text is installed with finalizeMemBuf and
//    converted with the matching xerDec* function; when the handler's own
//    element ends, a missing required component is -8;
//  - every failure is raised with throwSAXException(status, file, line).
class EXTERNRT ASN1XERSAXDecodeHandler : public OSXMLContentHandler, public OSXMLErrorInfo {
public:
   // Handler states.
   enum { XERINIT = 0, XERSTART = 1, XERDATA = 2, XEREND = 3 };

   ASN1XERSAXDecodeHandler()
      : mState(XERINIT), mLevel(0), mStartLevel(0), mErrorStatus(0), mErrorFile(nullptr),
        mErrorLine(0), mCurrElemID(0)
   {
   }
   ~ASN1XERSAXDecodeHandler() override;

   // The base ignores every event.
   void characters(const char*, unsigned int) override {}
   void endElement(const char*, const char*, const char*) override {}
   void startElement(const char*, const char*, const char*, const char* const*) override {}
   void startDocument() override {}
   void endDocument() override {}

   void resetErrorInfo() override { mErrorStatus = 0; }
   void setErrorInfo(int status, const char* file, int line) override;
   int getErrorInfo(int* status, const char** file, int* line) override;

   // Called when the handler's element has been decoded completely.
   virtual void finalize() {}
   // State 0; level and start level := level.
   virtual void init(int level = 0);
   // Records the failure (setErrorInfo) and throws
   // OSRTSAXExceptionImpl(status, file, line).
   virtual void throwSAXException(int status, const char* file = nullptr, int line = 0);

   // Makes the collected text the context buffer of msgBuf, terminated by a
   // zero octet that is not counted, and returns that context. The text must
   // not be appended to until the value has been converted. A failure throws
   // ASN1MessageBuffer::RTLError with its status.
   static ASN1CTXT* finalizeMemBuf(ASN1MessageBufferIF* msgBuf, ASN1MemBuf& text);

   int getState() const { return mState; }
   int getLevel() const { return mLevel; }
   int getStartLevel() const { return mStartLevel; }

protected:
   int mState;            // XERINIT, XERSTART, XERDATA or XEREND
   int mLevel;            // current element depth relative to the handler
   int mStartLevel;       // the level given to init()
   int mErrorStatus;      // first failure, 0 for none
   const char* mErrorFile;
   int mErrorLine;
   int mCurrElemID;       // 1-based component being decoded, 0 for none
};

#endif
