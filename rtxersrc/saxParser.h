// The SAX-style XML reading interfaces of the XER decoder: the reader and
// content-handler interfaces, the error-information interface, the exception
// thrown by readers and handlers, and small helpers over parser strings.
//
// Parser characters are `char` (UTF-8) in this build.
#ifndef SAXPARSER_H
#define SAXPARSER_H

#include "asn1MessageBuffer.h"

// OSXML_MAX_DEPTH bounds the element nesting a reader accepts (asn1Limits.h).

// Base of the reader and exception classes.
class EXTERNRT OSXMLBase {
public:
   virtual ~OSXMLBase();
};

// Receives the events of a document. Names and text are parser strings that
// are valid only for the duration of the call.
class EXTERNRT OSXMLContentHandler {
public:
   virtual ~OSXMLContentHandler();
   virtual void characters(const char* chars, unsigned int length) = 0;
   virtual void endElement(const char* uri, const char* localname, const char* qname) = 0;
   virtual void startElement(const char* uri, const char* localname, const char* qname,
                             const char* const* attrs) = 0;
   virtual void startDocument() = 0;
   virtual void endDocument() = 0;
};

// Where a decode keeps the status (and source position) of its first failure.
class EXTERNRT OSXMLErrorInfo {
public:
   virtual ~OSXMLErrorInfo();
   virtual void resetErrorInfo() = 0;
   virtual void setErrorInfo(int status, const char* file, int line) = 0;
   // 0 when no failure is recorded; otherwise fills the outputs and returns 1.
   virtual int getErrorInfo(int* status, const char** file, int* line) = 0;
};

class EXTERNRT OSXMLReader : public OSXMLBase {
public:
   ~OSXMLReader() override;
   // Deletes the reader.
   virtual void release() = 0;
   // Parses the whole document. Returns non-zero on success; a malformed
   // document, or a failure raised by a handler, is thrown.
   virtual int parse(const char* data, int len) = 0;
   virtual void setContentHandler(OSXMLContentHandler* handler) = 0;
   virtual void setErrorInfoHandler(OSXMLErrorInfo* errorInfo) = 0;
};

// The exception of the XER decoding framework.
class EXTERNRT OSRTSAXException : public OSXMLBase {
public:
   ~OSRTSAXException() override;
   virtual const char* getMessage() const = 0;
   virtual int getStatus() const = 0;
   virtual const char* getSrcFileName() const = 0;
   virtual int getSrcLineNum() const = 0;
};

class EXTERNRT OSRTSAXExceptionImpl : public OSRTSAXException {
public:
   // Empty message, status 0, no source position.
   OSRTSAXExceptionImpl();
   explicit OSRTSAXExceptionImpl(const char* message);
   OSRTSAXExceptionImpl(const char* message, int status, const char* file, int line);
   // No message.
   OSRTSAXExceptionImpl(int status, const char* file, int line);
   OSRTSAXExceptionImpl(const OSRTSAXExceptionImpl& other);
   OSRTSAXExceptionImpl& operator=(const OSRTSAXExceptionImpl& other);
   ~OSRTSAXExceptionImpl() override;

   // The message (null when none), the status, the source file name (null
   // when none) and line; the strings are owned by the exception.
   const char* getMessage() const override { return mMessage; }
   int getStatus() const override { return mStatus; }
   const char* getSrcFileName() const override { return mSrcFileName; }
   int getSrcLineNum() const override { return mSrcLineNum; }

   // New heap instances built by the matching constructors; the caller
   // deletes them.
   static OSRTSAXExceptionImpl* createSAXException();
   static OSRTSAXExceptionImpl* createSAXException(const char* message, int status,
                                                   const char* file, int line);

private:
   char* mMessage;
   int mStatus;
   char* mSrcFileName;
   int mSrcLineNum;
};

// Static helpers over parser strings. Every `new[]` result belongs to the
// caller (delete[]).
struct EXTERNRT OSXMLString {
   // A static empty string.
   static const char* zeroLenString();
   // Characters before the terminator; 0 for null.
   static int stringLen(const char* s);
   static int stringLen(const unsigned short* s);
   // new[] copy; null for null.
   static char* replicate(const char* s);
   static char* transcode(const char* s);
   // new[] narrow copy, each 16-bit unit truncated to 8 bits; null for null.
   static char* transcode(const unsigned short* s);
   // Difference of the first mismatching bytes, 0 when equal. A null side
   // counts as the length of the other one, negated when a is null.
   static int compareString(const char* a, const char* b);
   // Appends at most size - length(dst) - 1 characters of src and
   // terminates dst. Returns dst, or null when nothing fits (or on null
   // arguments).
   static char* catString(char* dst, int size, const char* src);
   static char* catString(char* dst, int size, const unsigned short* src);
   // Number of UTF-16 units needed for the first len octets of UTF-8 text
   // (characters above U+FFFF count twice); -26 for malformed text.
   static int stringUTF8Len(const unsigned char* utf8, int len);
   // Decodes the first *len octets of UTF-8 text into at most size 16-bit
   // units at dst (characters above U+FFFF become surrogate pairs). Returns
   // the units written and sets *len to the octets consumed; -26 for
   // malformed text, -17 when dst is too small. No terminator is written.
   static int transUTF8(const unsigned char* utf8, int* len, unsigned short* dst, int size);
   // Encodes the terminated 16-bit text s (surrogate pairs joined) as
   // terminated UTF-8: into buf when
   // the result and its terminator fit in size octets, otherwise into a new[]
   // buffer (the caller deletes it when it differs from buf). *len receives
   // the octets produced without the terminator. Null for a null s.
   static char* safeTranscode(const unsigned short* s, int* len, char* buf, int size);
   // Decodes the terminated UTF-8 text s into terminated 16-bit units: into
   // buf when they fit in size units, otherwise into a new[] buffer. *len
   // receives the units produced. Null for a null s or malformed text.
   static unsigned short* safeTranscode(const char* s, int* len, unsigned short* buf, int size);
};

// A copy of a parser string that lives for the duration of a call (element
// names handed to error parameters).
class EXTERNRT StrX {
public:
   explicit StrX(const char* s) : mLocalForm(OSXMLString::transcode(s)) {}
   ~StrX();
   StrX(const StrX&) = delete;
   StrX& operator=(const StrX&) = delete;
   const char* localForm() const { return mLocalForm; }

private:
   char* mLocalForm;
};

// Creates the expat-based reader with handler h and error-information handler
// e; the context is not used. The caller releases the reader with release().
// Throws OSRTSAXExceptionImpl when no parser can be created.
EXTERNRT OSXMLReader* saxCreateXmlReader(ASN1CtxtPtr ctxt, OSXMLContentHandler* h,
                                         OSXMLErrorInfo* e);

#endif
