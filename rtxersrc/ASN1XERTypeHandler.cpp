#include "ASN1XERTypeHandler.h"

#include <string.h>

#include "rtError.h"
#include "rtUTF8.h"

namespace {

// Segment size of the text collectors.
const OSUINT32 TEXT_SEGMENT = 1024;

bool isBlank(char c)
{
   return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Valid UTF-8 without control characters other than TAB, LF and CR, whose
// first non-blank character is '<': text the capture of an open type makes.
bool looksLikeXml(const OSOCTET* data, OSUINT32 numocts)
{
   OSUINT32 i = 0;
   while (i < numocts && isBlank(static_cast<char>(data[i]))) ++i;
   if (i == numocts || data[i] != '<') return false;
   for (OSUINT32 k = 0; k < numocts; ++k) {
      OSOCTET c = data[k];
      if (c < 0x20 && !isBlank(static_cast<char>(c))) return false;
      if (c == 0x7F) return false;
   }
   // Every multi-octet sequence must be well formed.
   OSUINT32 k = 0;
   while (k < numocts) {
      OSOCTET c = data[k];
      int n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
      if (n == 0 || numocts - k < static_cast<OSUINT32>(n)) return false;
      for (int j = 1; j < n; ++j)
         if ((data[k + j] & 0xC0) != 0x80) return false;
      k += n;
   }
   return true;
}

}

OSBOOL xerIsWhiteSpace(const char* chars, unsigned int length)
{
   for (unsigned int i = 0; i < length; ++i)
      if (!isBlank(chars[i])) return FALSE;
   return TRUE;
}

int xerEncOpenTypeValue(ASN1CTXT* pctxt, OSUINT32 numocts, const OSOCTET* data, const char* elemName)
{
   if (numocts > 0 && data == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_BAD_VALUE);
   if (numocts == 0 || looksLikeXml(data, numocts))
      return xerEncOpenType(pctxt, numocts, data, elemName);
   int stat = xerEncStartElement(pctxt, elemName, "form=\"ber\"");
   if (stat == 0) stat = xerEncHexStrValue(pctxt, numocts, data);
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat == 0 ? 0 : LOG_ASN1ERR(pctxt, stat);
}

int xerEnc8BitCharStr(ASN1CTXT* pctxt, const char* value, const char* elemName)
{
   if (elemName == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM);
   int stat = xerEncStartElement(pctxt, elemName, nullptr);
   pctxt->state = XER_STATE_CHARDATA;
   const char* p = value != nullptr ? value : "";
   while (stat == 0 && *p != 0) {
      const char* run = p;
      while (*p != 0 && static_cast<unsigned char>(*p) < 0x80) ++p;
      if (p > run) stat = xerPutCharStr(pctxt, run, static_cast<int>(p - run));
      if (stat == 0 && *p != 0) {
         stat = xerEncChar(pctxt, static_cast<unsigned char>(*p));
         ++p;
      }
   }
   if (stat == 0) stat = xerEncEndElement(pctxt, elemName);
   return stat == 0 ? 0 : LOG_ASN1ERR(pctxt, stat);
}

OSBOOL xerIsBerForm(const char* const* attrs)
{
   if (attrs == nullptr) return FALSE;
   for (int i = 0; attrs[i] != nullptr && attrs[i + 1] != nullptr; i += 2)
      if (strcmp(attrs[i], "form") == 0 && strcmp(attrs[i + 1], "ber") == 0) return TRUE;
   return FALSE;
}

ASN1XERTypeHandler::ASN1XERTypeHandler()
   : mpCurrHandler(nullptr), mText(), mElemName(""), mLastRow(0), mReqCount(0), mSeen(0), mValueKind(XERV_NESTED),
     mValueElem(FALSE)
{
   memset(&mText, 0, sizeof mText);
}

ASN1XERTypeHandler::~ASN1XERTypeHandler()
{
   releaseText();
}

void ASN1XERTypeHandler::releaseText()
{
   // The collector's storage lies in the heap of mText.ctxt; its owner keeps
   // that context alive at least as long as this handler.
   if (mText.buffer != nullptr && mText.ctxt != nullptr) rtMemBufFree(&mText);
   mText.buffer = nullptr;
   mText.bufsize = mText.usedcnt = mText.startidx = mText.bitOffset = 0;
}

void ASN1XERTypeHandler::resetHandler(int level, ASN1CTXT* pctxt)
{
   ASN1XERSAXDecodeHandler::init(level);
   mCurrElemID = 0;
   mpCurrHandler = nullptr;
   mLastRow = 0;
   mReqCount = 0;
   mSeen = 0;
   mValueKind = XERV_NESTED;
   mValueElem = FALSE;
   if (mText.ctxt != pctxt) {
      releaseText();
      rtMemBufInit(pctxt, &mText, TEXT_SEGMENT);
   }
   else rtMemBufReset(&mText);
}

void ASN1XERTypeHandler::checkRoot(const char* qName)
{
   if (!xerCmpText(qName, mElemName)) throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
}

int ASN1XERTypeHandler::seqElementID(const ASN1XERElemInfo* rows, int count, const char* qName)
{
   for (int i = mLastRow; i < count; ++i) {
      if (xerCmpText(qName, rows[i].name)) {
         mLastRow = i + 1;
         if (!rows[i].optional) ++mReqCount;
         mValueKind = rows[i].kind;
         return i + 1;
      }
      if (!rows[i].optional) break;   // a required component cannot be skipped
   }
   return 0;
}

int ASN1XERTypeHandler::setElementID(const ASN1XERElemInfo* rows, int count, const char* qName)
{
   for (int i = 0; i < count; ++i) {
      if (!xerCmpText(qName, rows[i].name)) continue;
      OSUINT32 bit = i < 32 ? 1u << i : 0;
      if (mSeen & bit) throwSAXException(ASN1ERR_SET_DUPLICATE, nullptr, 0);
      mSeen |= bit;
      if (!rows[i].optional) ++mReqCount;
      mValueKind = rows[i].kind;
      return i + 1;
   }
   return 0;
}

int ASN1XERTypeHandler::choiceElementID(const ASN1XERElemInfo* rows, int count, const char* qName)
{
   for (int i = 0; i < count; ++i) {
      if (!xerCmpText(qName, rows[i].name)) continue;
      if (mSeen != 0) throwSAXException(ASN1ERR_SEQ_OVERFLOW, nullptr, 0);
      mSeen = 1;
      mValueKind = rows[i].kind;
      return i + 1;
   }
   return 0;
}

void ASN1XERTypeHandler::startComponent(int id, const char* qName)
{
   mCurrElemID = id;
   if (id == 0) {
      // The reader's context is not reachable here; the status carries the
      // failure and the name goes with the exception's error information.
      throwSAXException(ASN1ERR_TAG_NOT_FOUND, nullptr, 0);
   }
   (void)qName;
   mState = XERSTART;
   mValueElem = FALSE;
   rtMemBufReset(&mText);
}

bool ASN1XERTypeHandler::forwardStart(const char* uri, const char* localname, const char* qname,
                                      const char* const* attrs)
{
   if (mLevel < 2 || mpCurrHandler == nullptr) return false;
   mpCurrHandler->startElement(uri, localname, qname, attrs);
   ++mLevel;
   return true;
}

bool ASN1XERTypeHandler::forwardCharacters(const char* chars, unsigned int length)
{
   if (mLevel < 2 || mpCurrHandler == nullptr) return false;
   mpCurrHandler->characters(chars, length);
   return true;
}

void ASN1XERTypeHandler::valueElement(const char* qName)
{
   bool named = mValueKind == XERV_ELEM || mValueKind == XERV_TEXTORELEM;
   if (mLevel != 2 || !named || mValueElem || mState == XEREND)
      throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
   // Only white space may stand beside the value element.
   int len = 0;
   OSOCTET* p = rtMemBufGetData(&mText, &len);
   if (p != nullptr && len > 0 && !xerIsWhiteSpace(reinterpret_cast<const char*>(p), static_cast<unsigned>(len)))
      throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
   rtMemBufReset(&mText);
   int stat = rtMemBufAppend(&mText, qName, static_cast<OSUINT32>(strlen(qName)));
   if (stat != 0) throwSAXException(stat, nullptr, 0);
   mValueElem = TRUE;
   mState = XERDATA;
}

void ASN1XERTypeHandler::collectText(const char* chars, unsigned int length)
{
   if (length == 0) return;
   bool textual = mLevel == 2 && !mValueElem &&
      (mValueKind == XERV_TEXT || mValueKind == XERV_TEXTORELEM || mValueKind == XERV_HEX ||
       mValueKind == XERV_BITS);
   if (!textual) {
      // Between components, beside a value element, inside an element-valued
      // or empty component: an element is required, text is not allowed.
      if (!xerIsWhiteSpace(chars, length)) throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
      return;
   }
   int stat;
   if (mValueKind == XERV_HEX) stat = xerDecOctStrMemBuf(&mText, chars, static_cast<int>(length), TRUE);
   else if (mValueKind == XERV_BITS) stat = xerDecBitStrMemBuf(&mText, chars, static_cast<int>(length), TRUE);
   else stat = rtMemBufAppend(&mText, chars, length);
   if (stat != 0) throwSAXException(stat, nullptr, 0);
   mState = XERDATA;
}

void ASN1XERTypeHandler::endComponent()
{
   rtMemBufReset(&mText);
   mState = XEREND;
}

void ASN1XERTypeHandler::checkRequired(int required)
{
   if (mReqCount != required) throwSAXException(ASN1ERR_MISSING_ELEMENT, nullptr, 0);
   mState = XEREND;
}
