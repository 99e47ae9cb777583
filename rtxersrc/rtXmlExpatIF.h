// The XML reader over the expat parser.
#ifndef RTXMLEXPATIF_H
#define RTXMLEXPATIF_H

#include <exception>

#include "saxParser.h"

struct XML_ParserStruct;
class ASN1XERDispatch;

// Delivers the events of one document to a content handler.
//
// The whole document is parsed in one call. Each thread keeps the expat
// parser of its last reader (of a document up to 256 KiB) for the next. expat's defaults stay in force:
// no external entities are loaded and its protection against entity
// expansion attacks is on. Elements nested deeper than OSXML_MAX_DEPTH end
// the parse with ASN1ERR_XML_STATE.
//
// An exception raised by a handler is caught at the callback boundary (it
// never unwinds through the C parser), the parser is stopped, and the same
// exception is rethrown from parse().
class EXTERNRT OSExpatXMLReader : public OSXMLReader {
public:
   // Throws OSRTSAXExceptionImpl() when expat cannot create a parser.
   OSExpatXMLReader();
   ~OSExpatXMLReader() override;

   void release() override;
   // Returns non-zero after a clean parse. A malformed document throws an
   // OSRTSAXExceptionImpl with status ASN1ERR_XML_STATE and the message
   // "<expat error text>, line = L, column = C" (also recorded through the
   // error-information handler); a handler's exception is rethrown as is.
   // A negative len or a null data with a positive len is ASN1ERR_INVALID_PARAM.
   int parse(const char* data, int len) override;
   void setContentHandler(OSXMLContentHandler* handler) override;
   void setErrorInfoHandler(OSXMLErrorInfo* errorInfo) override;

   // Where the last parse of the calling thread that failed stopped: the
   // line (from 1) and column (from 0) of the event whose handler failed, or
   // of the malformed text, and its byte offset in the document. A parse
   // that fails inside another (an open type's captured text) is overwritten
   // by the outer one when that fails too. Kept until the next failure or
   // clearFailure(); false when there is none.
   static bool lastFailure(long* line, long* column, long long* offset);
   static void clearFailure();
   // The text of the calling thread's last failure (the message of the
   // exception that ended the parse), noted by whoever caught it and turned
   // it into a status (the registry's XER adapters); null when none was
   // noted since clearFailure(). Cut to 255 characters.
   static void noteFailureMessage(const char* message);
   static const char* lastFailureMessage();

   // Forwarders of the expat callbacks (userData is the reader).
   static void startElementCallback(void* userData, const char* name, const char** attrs);
   static void endElementCallback(void* userData, const char* name);
   static void charDataCallback(void* userData, const char* s, int len);

private:
   OSExpatXMLReader(const OSExpatXMLReader&) = delete;
   OSExpatXMLReader& operator=(const OSExpatXMLReader&) = delete;

   // Keeps the first exception of a callback and stops the parser.
   void abortWith(std::exception_ptr e);

   XML_ParserStruct* mParser;
   OSXMLContentHandler* mContentHandler;
   [[maybe_unused]] void* mReserved;
   OSXMLErrorInfo* mErrorInfo;
   int mDepth;                  // open elements seen by the callbacks
   int mLongestInput = 0;       // the longest document given to parse
   ASN1XERDispatch* mDispatch = nullptr;   // the content handler, when it is a type handlers' dispatch
   std::exception_ptr mPending; // the exception that stopped the parser
};

#endif
