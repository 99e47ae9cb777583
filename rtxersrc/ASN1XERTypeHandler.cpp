#include "ASN1XERTypeHandler.h"

#include <string.h>

#include "asn1ber.h"
#include "rtList.h"
#include "rtMemHeap.h"
#include "rtError.h"
#include "rtUTF8.h"

namespace {

// Segment size of the text collectors.
const OSUINT32 TEXT_SEGMENT = 1024;

// The blocks of freed handlers a thread keeps: by size in steps of 16
// octets up to 1 KiB, at most 32 of each size.
const size_t kHandlerGrain = 16;
const size_t kHandlerSizes = 64;
const unsigned kHandlersKept = 32;

struct FreeHandlerBlock {
   FreeHandlerBlock* next;
};

// Plain data, so that a thread reaches it without a guard: state 0 before
// the first block is kept, 1 while blocks are kept (the release at the
// thread's exit registered), 2 after that release (blocks go straight back).
struct HandlerBlocks {
   FreeHandlerBlock* free[kHandlerSizes];
   unsigned char count[kHandlerSizes];
   int state;
};

thread_local HandlerBlocks handlerBlocks;

struct HandlerBlocksRelease {
   HandlerBlocksRelease() = default;
   HandlerBlocksRelease(const HandlerBlocksRelease&) = delete;
   HandlerBlocksRelease& operator=(const HandlerBlocksRelease&) = delete;
   ~HandlerBlocksRelease()
   {
      HandlerBlocks& blocks = handlerBlocks;
      blocks.state = 2;
      for (size_t k = 0; k < kHandlerSizes; ++k) {
         while (FreeHandlerBlock* b = blocks.free[k]) {
            blocks.free[k] = b->next;
            ::operator delete(b);
         }
         blocks.count[k] = 0;
      }
   }
};

void registerHandlerBlocksRelease()
{
   static thread_local HandlerBlocksRelease release;
   (void)release;
}

#if defined(__SANITIZE_ADDRESS__)
const bool kKeepHandlerBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const bool kKeepHandlerBlocks = false;
#else
const bool kKeepHandlerBlocks = true;
#endif
#else
const bool kKeepHandlerBlocks = true;
#endif

}

void* xerHandlerAlloc(size_t size)
{
   const size_t k = (size + kHandlerGrain - 1) / kHandlerGrain;
   if (!kKeepHandlerBlocks || k >= kHandlerSizes) return ::operator new(size);
   HandlerBlocks& blocks = handlerBlocks;
   if (FreeHandlerBlock* b = blocks.free[k]) {
      blocks.free[k] = b->next;
      --blocks.count[k];
      return b;
   }
   return ::operator new(k * kHandlerGrain);
}

void xerHandlerFree(void* p, size_t size) noexcept
{
   if (p == nullptr) return;
   const size_t k = (size + kHandlerGrain - 1) / kHandlerGrain;
   if (kKeepHandlerBlocks && k < kHandlerSizes) {
      HandlerBlocks& blocks = handlerBlocks;
      if (blocks.state != 1 && blocks.state != 2) {
         blocks.state = 1;
         registerHandlerBlocksRelease();
      }
      if (blocks.state == 1 && blocks.count[k] < kHandlersKept) {
         FreeHandlerBlock* b = static_cast<FreeHandlerBlock*>(p);
         b->next = blocks.free[k];
         blocks.free[k] = b;
         ++blocks.count[k];
         return;
      }
   }
   ::operator delete(p);
}

namespace {

// xerCmpText, the first characters compared inline (most names of a row
// differ there).
inline bool sameName(const char* qName, const char* name)
{
   return qName != nullptr && name != nullptr && qName[0] == name[0] && strcmp(qName, name) == 0;
}

}

OSBOOL xerIsWhiteSpace(const char* chars, unsigned int length)
{
   return xerIsBlankText(chars, length) ? TRUE : FALSE;
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
     mValueElem(FALSE), mExtElem(false), mpOpenTypes(nullptr), mOpenTypesMark(0), mpOwnOpenTypes(nullptr), mElementReader(nullptr),
     mpElementRecord(nullptr), mObjectDepth(0), mpNestedType(nullptr), mpDispatch(nullptr),
     mpDispatchParent(nullptr), mDispatchDepth(0)
{
   memset(&mText, 0, sizeof mText);
   useInlineText();
}

ASN1XERTypeHandler::~ASN1XERTypeHandler()
{
   releaseText();
   delete mpOwnOpenTypes;
}

int ASN1XERTypeHandler::decodeDocument(ASN1MessageBufferIF& msgBuf)
{
   ASN1XERDecodeBuffer* xbuf = dynamic_cast<ASN1XERDecodeBuffer*>(&msgBuf);
   if (xbuf == nullptr) return ASN1ERR_NOT_SUPPORTED;
   // The record of the open types of this decode, for the handlers nested
   // in it; the handler is left as it was found.
   ASN1XEROpenTypes openTypes;
   ASN1XEROpenTypes* const outer = mpOpenTypes;
   mpOpenTypes = &openTypes;
   init(0);
   // The events go to the innermost handler directly.
   ASN1XERDispatch dispatch(this);
   OSXMLReader* reader = saxCreateXmlReader(msgBuf.getContext(), &dispatch, this);
   int stat = 0;
   try {
      stat = xbuf->decodeXML(reader);
      // A document of a list of open types: no table reads their XML.
      if (stat == 0) refuseXmlTexts();
   }
   catch (...) {
      reader->release();
      releaseText();
      mpOpenTypes = outer;
      throw;
   }
   reader->release();
   releaseText();
   mpOpenTypes = outer;
   return stat;
}

void ASN1XERTypeHandler::useOwnOpenTypes()
{
   if (mpOwnOpenTypes == nullptr) mpOwnOpenTypes = new ASN1XEROpenTypes();
   mpOpenTypes = mpOwnOpenTypes;
}

void ASN1XERTypeHandler::releaseOpenTypes()
{
   const int stat = mpOpenTypes->release(mOpenTypesMark);
   if (stat != 0) throwSAXException(stat, nullptr, 0);
}

bool ASN1XERTypeHandler::startExtElem(const char* qName)
{
   if (!xerCmpText(qName, XER_EXTELEM_NAME)) return false;
   // No component row: a component after it is still found by name.
   mCurrElemID = 0;
   mExtElem = true;
   mState = XERSTART;
   mValueElem = FALSE;
   mValueKind = XERV_HEX;
   rtMemBufReset(&mText);
   return true;
}

void ASN1XERTypeHandler::endExtElem(ASN1MessageBufferIF* msgBuf, Asn1RTDList* pList)
{
   mExtElem = false;
   ASN1CTXT* pctxt = finishText(msgBuf);
   const int shift = static_cast<int>(mText.bitOffset);
   ASN1DynOctStr octets;
   int stat = xerDecCopyDynOctStr(pctxt, &octets, shift);
   if (stat != 0) throwSAXException(stat, nullptr, 0);
   // Only whole elements can be written back by the BER encoder.
   ASN1CTXT temp;
   memset(&temp, 0, sizeof(temp));
   temp.key = ASN1CTXT_KEY;
   ASN1TAG tag = 0;
   int len = 0;
   bool whole = octets.numocts >= 2 && octets.numocts <= 0x7FFFFFFFu &&
      xd_setp(&temp, octets.data, static_cast<int>(octets.numocts), &tag, &len) == 0 && len != INDEFINITE_LENGTH &&
      !(tag == 0 && len == 2) && static_cast<OSUINT32>(len) == octets.numocts;
   if (!whole) throwSAXException(ASN1ERR_INVALID_LENGTH, nullptr, 0);
   ASN1OpenType* elem = static_cast<ASN1OpenType*>(rtMemHeapAllocZ(&pctxt->memHeap, sizeof(ASN1OpenType)));
   if (elem == nullptr) throwSAXException(ASN1ERR_NO_MEMORY, nullptr, 0);
   elem->numocts = octets.numocts;
   elem->data = octets.data;
   if (rtDListAppend(pctxt, pList, elem) == nullptr) throwSAXException(ASN1ERR_NO_MEMORY, nullptr, 0);
}

void ASN1XERTypeHandler::releaseText()
{
   // A long text's storage lies in the heap of mText.ctxt; its owner keeps
   // that context alive at least as long as this handler.
   if (mText.isDynamic && mText.buffer != nullptr && mText.ctxt != nullptr) rtMemBufFree(&mText);
   mText.usedcnt = mText.startidx = mText.bitOffset = 0;
   useInlineText();
}

void ASN1XERTypeHandler::resetHandler(int level, ASN1CTXT* pctxt)
{
   ASN1XERSAXDecodeHandler::init(level);
   mCurrElemID = 0;
   mpCurrHandler = nullptr;
   mpDispatch = nullptr;
   mLastRow = 0;
   mReqCount = 0;
   mSeen = 0;
   mValueKind = XERV_NESTED;
   mValueElem = FALSE;
   mExtElem = false;
   // A handler started on its own (outside decodeDocument and the reader of
   // values in place) keeps a record of its own.
   if (level == 0 && (mpOpenTypes == nullptr || mpOpenTypes == mpOwnOpenTypes)) {
      useOwnOpenTypes();
      mpOpenTypes->drop(0);
   }
   mOpenTypesMark = mpOpenTypes != nullptr ? mpOpenTypes->mark() : 0;
   mElementReader = nullptr;
   mpElementRecord = nullptr;
   if (mText.ctxt != pctxt) {
      releaseText();
      rtMemBufInit(pctxt, &mText, TEXT_SEGMENT);
      useInlineText();
   }
   else rtMemBufReset(&mText);
}

void ASN1XERTypeHandler::checkRoot(const char* qName)
{
   if (!sameName(qName, mElemName)) throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
}

int ASN1XERTypeHandler::seqElementID(const ASN1XERElemInfo* rows, int count, const char* qName)
{
   for (int i = mLastRow; i < count; ++i) {
      if (sameName(qName, rows[i].name)) {
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
      if (!sameName(qName, rows[i].name)) continue;
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
      if (!sameName(qName, rows[i].name)) continue;
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
      // The element's name goes to the error parameters of the context.
      if (mText.ctxt != nullptr) {
         xu_addErrParm(mText.ctxt, "?");
         xu_addErrParm(mText.ctxt, qName != nullptr ? qName : "");
      }
      throwSAXException(ASN1ERR_TAG_NOT_FOUND, nullptr, 0);
   }
   mState = XERSTART;
   mValueElem = FALSE;
   rtMemBufReset(&mText);
}

void ASN1XERTypeHandler::valueElement(const char* qName)
{
   if (mValueKind == XERV_STRING && mLevel == 2) {
      const int c = xerControlChar(qName);
      if (c < 0) throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
      // The text view of the value decoders ends at a zero octet: NUL is
      // collected in its two-octet UTF-8 form, which the decoders read as
      // U+0000 (and no well-formed document holds).
      static const OSOCTET nul[2] = { 0xC0, 0x80 };
      const OSOCTET ch = static_cast<OSOCTET>(c);
      int stat = c == 0 ? rtMemBufAppend(&mText, nul, 2) : rtMemBufAppend(&mText, &ch, 1);
      if (stat != 0) throwSAXException(stat, nullptr, 0);
      mState = XERDATA;
      return;
   }
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

void ASN1XERTypeHandler::textNotAllowed()
{
   throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
   throw OSRTSAXExceptionImpl(ASN1ERR_XML_STATE, nullptr, 0);   // an override that returned
}

void ASN1XERTypeHandler::appendText(const char* chars, unsigned int length)
{
   int stat;
   if (mValueKind == XERV_HEX) stat = xerDecOctStrMemBuf(&mText, chars, static_cast<int>(length), TRUE);
   else if (mValueKind == XERV_BITS) stat = xerDecBitStrMemBuf(&mText, chars, static_cast<int>(length), TRUE);
   else stat = rtMemBufAppend(&mText, chars, length);
   if (stat != 0) throwSAXException(stat, nullptr, 0);
   mState = XERDATA;
}

void ASN1XERTypeHandler::characters(const char* chars, unsigned int length)
{
   ASN1XERTypeHandler* h = this;
   while (h->mLevel >= 2 && h->mpCurrHandler != nullptr) {
      if (h->mpCurrHandler != static_cast<ASN1XERSAXDecodeHandler*>(h->mpNestedType)) {
         h->mpCurrHandler->characters(chars, length);
         return;
      }
      h = h->mpNestedType;
   }
   h->collectText(chars, length);
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

ASN1XERValueHandler::ASN1XERValueHandler(const char* typeName, int kind, ASN1CTXT* pctxt, Convert convert,
                                         void* record)
   : mpValueCtxt(pctxt), mConvert(convert), mpRecord(record), mKind(kind)
{
   setElemName(typeName);
}

void ASN1XERValueHandler::init(int level)
{
   resetHandler(level, mpValueCtxt);
}

void ASN1XERValueHandler::startElement(const char*, const char*, const char* qname, const char* const*)
{
   if (mLevel == 0) {
      if (mState == XEREND) throwSAXException(ASN1ERR_XML_STATE, nullptr, 0);
      checkRoot(qname);
      // The document element plays the part of a component: its content is
      // collected (or its value element read) as at level 2 of a parent.
      startComponent(1, qname);
      setValueKind(mKind);
      mLevel = 2;
      return;
   }
   valueElement(qname);
   ++mLevel;
}

void ASN1XERValueHandler::endElement(const char*, const char*, const char*)
{
   --mLevel;
   if (mLevel > 1) return;   // the value element of a BOOLEAN or named value
   if (mpMsgBuf == nullptr) throwSAXException(ASN1ERR_NOT_SUPPORTED, nullptr, 0);
   ASN1CTXT* pctxt = finishText(mpMsgBuf);
   int stat = mConvert(pctxt, *this, mpRecord);
   if (stat != 0) throwSAXException(stat, nullptr, 0);
   endComponent();
   mLevel = 0;
}
