#include "rtXmlExpatIF.h"

#include <stdio.h>
#include <string.h>

#include <expat.h>

#include "ASN1XERTypeHandler.h"

#include <random>

static_assert(sizeof(XML_Char) == sizeof(char), "the reader is built for UTF-8 parser characters");

// expat calls these plain functions; each forwards to the reader's member.
extern "C" {
static void eCstartElementCallback(void* userData, const XML_Char* name, const XML_Char** attrs)
{
   OSExpatXMLReader::startElementCallback(userData, name, attrs);
}

static void eCendElementCallback(void* userData, const XML_Char* name)
{
   OSExpatXMLReader::endElementCallback(userData, name);
}

static void eCcharDataCallback(void* userData, const XML_Char* s, int len)
{
   OSExpatXMLReader::charDataCallback(userData, s, len);
}
}

// expat salts its name hashing (against inputs crafted to collide) with a
// secret it reads from the system for every parser. Open types read from
// captured text get a parser each, and such a system call can cost more than
// parsing the value: every parser of this process uses one secret, read from
// the system once.
static unsigned long processHashSalt()
{
   static const unsigned long salt = [] {
      unsigned long s = 0;
      try {
         std::random_device rd;
         while (s == 0) s = ((unsigned long)rd() << 32) ^ (unsigned long)rd();
      }
      catch (...) {
         s = 0;   // no source: expat reads its own for each parser
      }
      return s;
   }();
   return salt;
}

namespace {

// Making an expat parser (its tables, buffers and pools) costs about as much
// as reading a small document: each thread keeps the parser of its last
// reader and resets it for the next one. A parser whose buffer grew for a
// long document is freed instead, so that a thread holds no more than that.
const int kKeptParserInput = 256 * 1024;

struct KeptParser {
   XML_Parser parser = nullptr;
   KeptParser() = default;
   KeptParser(const KeptParser&) = delete;
   KeptParser& operator=(const KeptParser&) = delete;
   ~KeptParser()
   {
      if (parser != nullptr) XML_ParserFree(parser);
   }
};

KeptParser& keptParser()
{
   static thread_local KeptParser kept;
   return kept;
}

XML_Parser takeParser()
{
   KeptParser& kept = keptParser();
   XML_Parser parser = kept.parser;
   kept.parser = nullptr;
   // A reset parser is as a new one: no handlers, no user data, no salt.
   if (parser != nullptr && XML_ParserReset(parser, nullptr) == XML_TRUE) return parser;
   if (parser != nullptr) XML_ParserFree(parser);
   return XML_ParserCreate(nullptr);
}

void giveBackParser(XML_Parser parser, int longestInput)
{
   KeptParser& kept = keptParser();
   if (kept.parser == nullptr && longestInput <= kKeptParserInput) kept.parser = parser;
   else XML_ParserFree(parser);
}

}  // namespace

OSExpatXMLReader::OSExpatXMLReader()
   : mParser(nullptr), mContentHandler(nullptr), mReserved(nullptr), mErrorInfo(nullptr), mDepth(0)
{
   mParser = takeParser();
   if (mParser == nullptr) throw OSRTSAXExceptionImpl();
   if (unsigned long salt = processHashSalt()) XML_SetHashSalt(mParser, salt);
}

OSExpatXMLReader::~OSExpatXMLReader()
{
   if (mParser != nullptr) giveBackParser(mParser, mLongestInput);
}

void OSExpatXMLReader::release()
{
   delete this;
}

void OSExpatXMLReader::setContentHandler(OSXMLContentHandler* handler)
{
   mContentHandler = handler;
   // The character data of a decode of type handlers (the most frequent
   // event) is delivered without a virtual call.
   mDispatch = dynamic_cast<ASN1XERDispatch*>(handler);
   XML_SetUserData(mParser, this);
   XML_SetElementHandler(mParser, eCstartElementCallback, eCendElementCallback);
   XML_SetCharacterDataHandler(mParser, eCcharDataCallback);
}

void OSExpatXMLReader::setErrorInfoHandler(OSXMLErrorInfo* errorInfo)
{
   mErrorInfo = errorInfo;
   if (errorInfo != nullptr) errorInfo->resetErrorInfo();
}

namespace {

// The position of the last failed parse of this thread.
struct FailurePosition {
   bool set = false;
   long line = 0;
   long column = 0;
   long long offset = 0;
   char message[256] = {};   // the failure's text, when one was noted
};

FailurePosition& lastFailurePosition()
{
   static thread_local FailurePosition position;
   return position;
}

void noteFailure(XML_Parser parser)
{
   FailurePosition& f = lastFailurePosition();
   f.set = true;
   f.line = (long)XML_GetCurrentLineNumber(parser);
   f.column = (long)XML_GetCurrentColumnNumber(parser);
   f.offset = (long long)XML_GetCurrentByteIndex(parser);
}

}  // namespace

bool OSExpatXMLReader::lastFailure(long* line, long* column, long long* offset)
{
   const FailurePosition& f = lastFailurePosition();
   if (!f.set) return false;
   if (line != nullptr) *line = f.line;
   if (column != nullptr) *column = f.column;
   if (offset != nullptr) *offset = f.offset;
   return true;
}

void OSExpatXMLReader::noteFailureMessage(const char* message)
{
   FailurePosition& f = lastFailurePosition();
   f.message[0] = 0;
   if (message == nullptr) return;
   size_t n = strlen(message);
   if (n >= sizeof f.message) n = sizeof f.message - 1;
   memcpy(f.message, message, n);
   f.message[n] = 0;
}

const char* OSExpatXMLReader::lastFailureMessage()
{
   const FailurePosition& f = lastFailurePosition();
   return f.message[0] != 0 ? f.message : nullptr;
}

void OSExpatXMLReader::clearFailure()
{
   lastFailurePosition() = FailurePosition();
}

void OSExpatXMLReader::abortWith(std::exception_ptr e)
{
   if (!mPending) {
      mPending = e;
      noteFailure(mParser);   // the event being delivered
   }
   XML_StopParser(mParser, XML_FALSE);
}

void OSExpatXMLReader::startElementCallback(void* userData, const char* name, const char** attrs)
{
   OSExpatXMLReader* reader = static_cast<OSExpatXMLReader*>(userData);
   if (reader->mPending) return;            // expat may still deliver events after a stop
   if (reader->mDepth >= OSXML_MAX_DEPTH) {
      char msg[128];
      snprintf(msg, sizeof msg, "element nesting deeper than %d, line = %i, column = %i",
               OSXML_MAX_DEPTH, (int)XML_GetCurrentLineNumber(reader->mParser),
               (int)XML_GetCurrentColumnNumber(reader->mParser));
      if (reader->mErrorInfo != nullptr)
         reader->mErrorInfo->setErrorInfo(ASN1ERR_XML_STATE, nullptr, 0);
      reader->abortWith(std::make_exception_ptr(
         OSRTSAXExceptionImpl(msg, ASN1ERR_XML_STATE, nullptr, 0)));
      return;
   }
   reader->mDepth++;
   if (reader->mContentHandler == nullptr) return;
   try {
      reader->mContentHandler->startElement("", name, name, attrs);
   }
   catch (...) {
      reader->abortWith(std::current_exception());
   }
}

void OSExpatXMLReader::endElementCallback(void* userData, const char* name)
{
   OSExpatXMLReader* reader = static_cast<OSExpatXMLReader*>(userData);
   if (reader->mPending) return;
   reader->mDepth--;
   if (reader->mContentHandler == nullptr) return;
   try {
      reader->mContentHandler->endElement("", name, name);
   }
   catch (...) {
      reader->abortWith(std::current_exception());
   }
}

void OSExpatXMLReader::charDataCallback(void* userData, const char* s, int len)
{
   OSExpatXMLReader* reader = static_cast<OSExpatXMLReader*>(userData);
   if (reader->mPending || len <= 0) return;
   if (reader->mContentHandler == nullptr) return;
   try {
      if (reader->mDispatch != nullptr) reader->mDispatch->characters(s, (unsigned int)len);
      else reader->mContentHandler->characters(s, (unsigned int)len);
   }
   catch (...) {
      reader->abortWith(std::current_exception());
   }
}

int OSExpatXMLReader::parse(const char* data, int len)
{
   if (len < 0 || (data == nullptr && len > 0)) {
      if (mErrorInfo != nullptr) mErrorInfo->setErrorInfo(ASN1ERR_INVALID_PARAM, nullptr, 0);
      throw OSRTSAXExceptionImpl("invalid document buffer", ASN1ERR_INVALID_PARAM, nullptr, 0);
   }
   if (len > mLongestInput) mLongestInput = len;
   // The whole document is the final (and only) piece.
   XML_Status result = XML_Parse(mParser, data, len, 1);
   if (mPending) {
      std::exception_ptr e = mPending;
      mPending = nullptr;
      std::rethrow_exception(e);
   }
   if (result != XML_STATUS_OK) {
      noteFailure(mParser);
      // "<expat error text>, line = L, column = C", cut to 255 characters.
      char msg[256];
      const char* text = XML_ErrorString(XML_GetErrorCode(mParser));
      if (text == nullptr) text = "";
      snprintf(msg, sizeof msg, "%s, line = %i, column = %i", text,
               (int)XML_GetCurrentLineNumber(mParser), (int)XML_GetCurrentColumnNumber(mParser));
      if (mErrorInfo != nullptr) mErrorInfo->setErrorInfo(ASN1ERR_XML_STATE, nullptr, 0);
      throw OSRTSAXExceptionImpl(msg, ASN1ERR_XML_STATE, nullptr, 0);
   }
   return (int)result;
}

OSXMLReader* saxCreateXmlReader(ASN1CtxtPtr, OSXMLContentHandler* h, OSXMLErrorInfo* e)
{
   OSExpatXMLReader* reader = new OSExpatXMLReader();
   reader->setContentHandler(h);
   reader->setErrorInfoHandler(e);
   return reader;
}
