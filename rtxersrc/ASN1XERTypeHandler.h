// ASN1XERTypeHandler: the SAX state machine shared by the control classes of
// generated constructed types (SEQUENCE, SET, CHOICE, SEQUENCE OF, SET OF).
//
// A generated control class derives from ASN1CType (or ASN1CSeqOfList) and
// from this class; its startElement/endElement/init overrides hold only the
// per-component switch and call the helpers below for everything else:
// root-name check, component lookup in the type's elemInfoArray, text
// collection, nested-handler forwarding, the checks that end a value.
//
// Levels are counted relative to the handler's own element: 0 before its
// start tag, 1 between its components, 2 inside a component. A nested
// handler (constructed component, open type, list element) is init(1)'d
// when its component starts and receives every event inside it; the end
// tag of the component is forwarded too, which brings the nested handler
// back to level 0 where it checks that its value is complete.
//
// A top-level decode (decodeDocument) hands the events to the innermost
// nested type handler at once (ASN1XERDispatch) instead of passing each
// down through every enclosing handler: the enclosing ones stay at level 2
// meanwhile, and the end tag of the component goes to the parent again,
// which ends the nested handler as above. A handler driven by hand (as the
// reader's content handler, or by another handler that forwards to it)
// forwards its events level by level.
//
// Failures are thrown with throwSAXException: -35 (ASN1ERR_XML_STATE) for an
// unexpected document element, text where an element is required or an
// element where text is required; -3 for an unknown component name; -7 for
// a SET component given twice; -10 for a second CHOICE alternative; -8 when
// the element closes without its required components.
#ifndef ASN1XERTYPEHANDLER_H
#define ASN1XERTYPEHANDLER_H

#include <string.h>

#include <memory>
#include <vector>

#include "ASN1CXerOpenType.h"
#include "ASN1XEROpenTypes.h"
#include "asn1XerCppTypes.h"
#include "rtMemBuf.h"

// How the value of a component is written in XER (and so collected).
enum ASN1XERValueKind {
   XERV_NESTED = 0,      // constructed or open type: a nested handler
   XERV_TEXT = 1,        // character data (numbers, strings, times, OIDs)
   XERV_HEX = 2,         // hexadecimal octets (OCTET STRING)
   XERV_BITS = 3,        // "0"/"1" characters (BIT STRING)
   XERV_ELEM = 4,        // one empty element (BOOLEAN, ENUMERATED)
   XERV_TEXTORELEM = 5,  // a number or a named number's empty element
   XERV_EMPTY = 6,       // no content (NULL)
   XERV_STRING = 7       // character data of a character string, its control
                         // characters as empty elements (<esc/>, see xerControlName)
};

// One row of a type's elemInfoArray, in declaration order.
struct ASN1XERElemInfo {
   const char* name;     // the component identifier
   OSUINT8 optional;     // 1 for OPTIONAL and DEFAULT components
   OSUINT8 kind;         // ASN1XERValueKind
};

// Characters a reader passes as white space between elements.
EXTERNRT OSBOOL xerIsWhiteSpace(const char* chars, unsigned int length);
// The same, inline (character data between elements is mostly indentation).
inline bool xerIsBlankText(const char* chars, unsigned int length)
{
   // Bits of ' ', '\t', '\n' and '\r'.
   const unsigned long long blanks = (1ULL << ' ') | (1ULL << '\t') | (1ULL << '\n') | (1ULL << '\r');
   unsigned int i = 0;
   // Indentation is runs of spaces: eight at a time, the last eight
   // overlapping those before them.
   if (length >= 8) {
      const unsigned long long spaces = 0x2020202020202020ULL;
      unsigned long long word;
      for (; i + 8 <= length; i += 8) {
         memcpy(&word, chars + i, sizeof word);
         if (word != spaces) break;
      }
      if (i + 8 > length) {
         memcpy(&word, chars + length - 8, sizeof word);
         if (word == spaces) return true;
      }
   }
   for (; i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(chars[i]);
      if (c > ' ' || ((blanks >> c) & 1) == 0) return false;
   }
   return true;
}

// Unknown extension elements of an extensible SEQUENCE or SET (extElem1):
// each is written as an element of this name holding its BER octets in
// hexadecimal (form="ber"), after the components. The name is no ASN.1
// identifier (those have no '_'), so it never clashes with a component.
#define XER_EXTELEM_NAME "_extElem"

class ASN1XERDispatch;

// Storage of handler objects: nested handlers come and go with the elements
// of a document (a list's element handler per element), so each thread
// keeps the blocks of the last ones it freed, by size, for the next
// (a build with AddressSanitizer gives every block back at once).
EXTERNRT void* xerHandlerAlloc(size_t size);
EXTERNRT void xerHandlerFree(void* p, size_t size) noexcept;
// True when the attributes of a start tag mark the hexadecimal BER form.
EXTERNRT OSBOOL xerIsBerForm(const char* const* attrs);

class EXTERNRT ASN1XERTypeHandler : public ASN1XERSAXDecodeHandler {
public:
   ~ASN1XERTypeHandler() override;

   static void* operator new(size_t size) { return xerHandlerAlloc(size); }
   static void operator delete(void* p, size_t size) noexcept { xerHandlerFree(p, size); }

   // The component being decoded (1-based row of elemInfoArray), 0 for none.
   int getCurrElemID() const { return mCurrElemID; }
   // Character data goes to the innermost handler of the element being
   // read: nested type handlers on the way pass it down in one loop, without
   // a call each. Text outside a nested handler is collected (collectText).
   void characters(const char* chars, unsigned int length) final;
   // A top-level decode of the XER document held by msgBuf: init(0), a
   // reader with this handler as content and error handler, the parse. The
   // reader is released on every path; exceptions of the reader and the
   // handlers pass to the caller. Returns the status recorded in the context
   // (0 after a clean decode); -99 when msgBuf is not an ASN1XERDecodeBuffer.
   int decodeDocument(ASN1MessageBufferIF& msgBuf);
   // What the open types of this decode hold (ASN1XEROpenTypes): the record
   // of the top-level decode (decodeDocument), shared by the handlers nested
   // in it; a handler started at level 0 outside such a decode makes one of
   // its own.
   ASN1XEROpenTypes& openTypes()
   {
      if (mpOpenTypes == nullptr) useOwnOpenTypes();
      return *mpOpenTypes;
   }
   // A handler that reads a value in place inside another's decode shares
   // that decode's record (set before init).
   void setOpenTypes(ASN1XEROpenTypes* openTypes) { mpOpenTypes = openTypes; }
   // The open type holds XML text until an object table turns it into a
   // value (noted on the decode's record).
   void noteXmlText(ASN1OpenType* holder) { openTypes().noteXmlText(holder); }
   // What this handler's value entered in the record is released when the
   // value ends: XML text no table read is refused there (blank text
   // becomes an empty open type, anything else fails with
   // ASN1ERR_NOT_SUPPORTED, thrown). A list's entries stay for the record
   // around it.
   void refuseXmlTexts()
   {
      if (mpOpenTypes != nullptr && mpOpenTypes->mark() > mOpenTypesMark) releaseOpenTypes();
   }

   // Open types whose object is known when their element starts are read in
   // place, by the control object of the object's type nested under a reader
   // that the object tables make (one per handler, kept for reuse); the
   // reader enters the value and its status in the record.
   ASN1XERSAXDecodeHandler* objectValueReader() const { return mpObjectValue.get(); }
   void setObjectValueReader(ASN1XERSAXDecodeHandler* reader) { mpObjectValue.reset(reader); }
   // A list of open types reads its elements in place through the reader
   // that its parent, which knows their object, sets when the list starts
   // (nest clears it): fn(msgBuf, list handler, element, record) gives the
   // reader, or null for the capture.
   typedef ASN1XERSAXDecodeHandler* (*ElementValueReader)(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner,
                                                          Asn1TObject& holder, void* record);
   void setElementValueReader(ElementValueReader fn, void* record)
   {
      mElementReader = fn;
      mpElementRecord = record;
   }
   ASN1XERSAXDecodeHandler* elementValueReader(ASN1MessageBufferIF& msgBuf, Asn1TObject& holder)
   {
      return mElementReader != nullptr ? mElementReader(msgBuf, *this, holder, mpElementRecord) : nullptr;
   }
   // How many open-type values read in place enclose this handler's value;
   // nested handlers inherit it (nest), so that the values inside values of
   // a document count towards the nesting limit of the decoders.
   int getObjectDepth() const { return mObjectDepth; }
   void setObjectDepth(int depth) { mObjectDepth = depth; }

   // Frees the text collector's storage; a top-level decode calls it when it
   // ends, before the object may be bound to another buffer's context.
   void releaseText();
   // The expected document element (the type name; a type reference's
   // class sets its own).
   void setElemName(const char* name) { mElemName = name; }
   const char* getElemName() const { return mElemName; }

protected:
   ASN1XERTypeHandler();

   // Base init(level), then: no component, no nested handler, counts and
   // the text collector cleared; the collector works in pctxt's heap.
   void resetHandler(int level, ASN1CTXT* pctxt);

   // Level 0: the document element must be named as getElemName() (-35).
   void checkRoot(const char* qName);

   // Component lookup for getElementID; 0 when unknown. SEQUENCE: from the
   // row after the last matched one, stopping at a required row that does
   // not match; SET: any row, a row seen before is -7 (thrown); CHOICE:
   // any row, a second alternative is -10 (thrown). A matched required row
   // is counted.
   int seqElementID(const ASN1XERElemInfo* rows, int count, const char* qName);
   int setElementID(const ASN1XERElemInfo* rows, int count, const char* qName);
   int choiceElementID(const ASN1XERElemInfo* rows, int count, const char* qName);

   // Level 1: a component starts. id 0: error parameters "?" and the name,
   // then -3. Otherwise state 1, text collector reset.
   void startComponent(int id, const char* qName);
   // A nested handler takes the events of the component: init(1).
   void nest(ASN1XERSAXDecodeHandler* handler)
   {
      handler->init(1);
      mpCurrHandler = handler;
      mpNestedType = nullptr;
   }
   void nest(ASN1XERTypeHandler* handler)
   {
      handler->mObjectDepth = mObjectDepth;
      handler->mpOpenTypes = mpOpenTypes;
      handler->init(1);
      mpCurrHandler = handler;
      mpNestedType = handler;
      if (mpDispatch != nullptr) dispatchTo(handler);
   }

   // A start tag at level 2 or deeper goes to the nested handler when there
   // is one: true when forwarded (the level is raised too).
   // (Inline: every event passes them once per enclosing level.)
   bool forwardStart(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs)
   {
      if (mLevel < 2 || mpCurrHandler == nullptr) return false;
      mpCurrHandler->startElement(uri, localname, qname, attrs);
      ++mLevel;
      return true;
   }
   // An end tag: the level lowered; at level 2 or deeper it goes to the
   // nested handler when there is one: true when it was such a tag.
   bool forwardEnd(const char* uri, const char* localname, const char* qname)
   {
      if (--mLevel < 2) return false;
      if (mpCurrHandler != nullptr) mpCurrHandler->endElement(uri, localname, qname);
      return true;
   }
   // The end tag of a component at level 1: its nested handler, if any,
   // gets it and is done (finalized first with `finish`: list elements).
   // False without one.
   bool endNested(const char* uri, const char* localname, const char* qname, bool finish = false)
   {
      if (mpCurrHandler == nullptr) return false;
      mpCurrHandler->endElement(uri, localname, qname);
      if (finish) mpCurrHandler->finalize();
      mpCurrHandler = nullptr;
      return true;
   }
   // An element at level 2 or deeper without nested handler: the value
   // element of a BOOLEAN, ENUMERATED or named number (its name becomes the
   // text), or a control character inside a character string (the
   // character is collected; a zero as the octets C0 80, since the collected
   // text ends at a zero octet); anything else is -35.
   void valueElement(const char* qName);
   // Character data outside a nested handler: collected by the component's
   // kind at level 2; elsewhere only white space is allowed (-35).
   void collectText(const char* chars, unsigned int length)
   {
      if (length == 0) return;
      // XERV_TEXT, XERV_HEX, XERV_BITS, XERV_TEXTORELEM and XERV_STRING.
      const unsigned textKinds = (1u << XERV_TEXT) | (1u << XERV_HEX) | (1u << XERV_BITS) |
         (1u << XERV_TEXTORELEM) | (1u << XERV_STRING);
      const bool textual = mLevel == 2 && !mValueElem && static_cast<unsigned>(mValueKind) < 32 &&
         ((textKinds >> mValueKind) & 1) != 0;
      // Between components, beside a value element, inside an element-valued
      // or empty component: an element is required, text is not allowed.
      if (!textual) {
         if (!xerIsBlankText(chars, length)) textNotAllowed();
         return;
      }
      appendText(chars, length);
   }

   // The collected text as the context buffer of msgBuf, terminated; the
   // context for the xerDec* call.
   ASN1CTXT* finishText(ASN1MessageBufferIF* msgBuf)
   {
      return finalizeMemBuf(msgBuf, mText);
   }
   // After a component's value: collector reset, state 3.
   void endComponent();

   // An unknown extension element (XER_EXTELEM_NAME) starts at level 1 of
   // an extensible SEQUENCE or SET: true when qName is one (the component is
   // then collected as hexadecimal octets); endExtElem appends the element's
   // octets, one complete BER element, to the list (-5 otherwise, thrown).
   bool startExtElem(const char* qName);
   bool inExtElem() const { return mExtElem; }
   void endExtElem(ASN1MessageBufferIF* msgBuf, Asn1RTDList* pList);
   // Level 0 reached: every required component matched (-8).
   void checkRequired(int required);

   void check(int stat)
   {
      if (stat != 0) throwSAXException(stat, nullptr, 0);
   }

   // Whether the component value was given as an element (named number).
   OSBOOL valueIsElement() const { return mValueElem; }
   int valueKind() const { return mValueKind; }
   void setValueKind(int kind) { mValueKind = kind; }
   // The collector: octet and bit strings keep their bit offset here.
   ASN1MemBuf& text() { return mText; }

   ASN1XERSAXDecodeHandler* mpCurrHandler;   // nested handler, not owned

private:
   friend class ASN1XERDispatch;

   ASN1XERTypeHandler(const ASN1XERTypeHandler&) = delete;
   // The events of handler's component go to it directly (nest).
   inline void dispatchTo(ASN1XERTypeHandler* handler);
   // collectText: the text appended by the component's kind; text where
   // none is allowed (-35, thrown).
   void appendText(const char* chars, unsigned int length);
   [[noreturn]] void textNotAllowed();
   ASN1XERTypeHandler& operator=(const ASN1XERTypeHandler&) = delete;

   // The record of a handler started on its own; the release of this
   // handler's entries (refuseXmlTexts), a failure thrown.
   void useOwnOpenTypes();
   void releaseOpenTypes();

   // Most collected texts (numbers, times, identifiers, names) fit in the
   // handler itself; a longer one moves to the context's heap. Storage of the
   // heap given back when a handler ends is not reused by the heap until its
   // chunk is done, so a collector per handler there would leave a dead block
   // in the decoded value for every element of a document.
   void useInlineText()
   {
      mText.buffer = mInlineText;
      mText.bufsize = sizeof mInlineText;
      mText.isDynamic = 0;
   }

   ASN1MemBuf mText;
   OSOCTET mInlineText[120];
   const char* mElemName;
   int mLastRow;          // SEQUENCE: last matched row, 0 for none
   int mReqCount;         // required rows matched
   OSUINT32 mSeen;        // SET: rows seen (first 32); CHOICE: count
   int mValueKind;        // kind of the current component
   OSBOOL mValueElem;     // the value element was seen
   bool mExtElem;         // the component is an unknown extension element
   std::unique_ptr<ASN1XERSAXDecodeHandler> mpObjectValue;   // reader of open types in place
   ASN1XEROpenTypes* mpOpenTypes;     // the decode's record of open types
   size_t mOpenTypesMark;             // its entries when this handler's value started
   ASN1XEROpenTypes* mpOwnOpenTypes;  // the record of a handler started on its own, owned
   ElementValueReader mElementReader;  // reader of list elements, set by the parent
   void* mpElementRecord;              // the parent's record, for it
   int mObjectDepth;                  // values read in place around this one
   ASN1XERTypeHandler* mpNestedType;  // the last handler nested as a type handler
   // The decode that hands this handler its events directly, null when they
   // are forwarded to it (set after init, which clears it); the handler
   // below it on that decode's stack, and the document depth of its element.
   ASN1XERDispatch* mpDispatch;
   ASN1XERTypeHandler* mpDispatchParent;
   int mDispatchDepth;
};

// The events of one document for a decode rooted at a type handler: each
// goes to the innermost type handler whose element is open, one call, not
// through each enclosing handler. A handler nested by the one receiving the
// events is pushed (nest); when the end tag of its element (the component)
// arrives, it is popped and the tag goes to its parent, which ends it as
// when forwarding. Every handler on the stack has an open element, so the
// stack is no deeper than the document (the reader's depth limit).
class EXTERNRT ASN1XERDispatch final : public OSXMLContentHandler {
public:
   // Events for root, whose element has not started; root->init(0) done.
   explicit ASN1XERDispatch(ASN1XERTypeHandler* root) : mpRoot(root), mpTop(root), mDepth(0)
   {
      root->mpDispatch = this;
      root->mpDispatchParent = nullptr;
      root->mDispatchDepth = 0;
   }
   // The root is left to forwarding again.
   ~ASN1XERDispatch() override { mpRoot->mpDispatch = nullptr; }

   void startElement(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs) override
   {
      ++mDepth;
      mpTop->startElement(uri, localname, qname, attrs);
   }
   void endElement(const char* uri, const char* localname, const char* qname) override
   {
      // A list element that is a CHOICE shares its element with its
      // alternative: both handlers end with it.
      while (mpTop->mDispatchDepth == mDepth && mpTop->mpDispatchParent != nullptr)
         mpTop = mpTop->mpDispatchParent;
      --mDepth;
      mpTop->endElement(uri, localname, qname);
   }
   void characters(const char* chars, unsigned int length) override
   {
      // Most text belongs to the innermost handler itself (no handler it
      // forwards to): collected at once.
      ASN1XERTypeHandler* top = mpTop;
      if (top->mLevel < 2 || top->mpCurrHandler == nullptr) top->collectText(chars, length);
      else top->characters(chars, length);
   }
   void startDocument() override { mpTop->startDocument(); }
   void endDocument() override { mpTop->endDocument(); }

   void push(ASN1XERTypeHandler* handler)
   {
      handler->mpDispatch = this;
      handler->mpDispatchParent = mpTop;
      handler->mDispatchDepth = mDepth;
      mpTop = handler;
   }

private:
   ASN1XERDispatch(const ASN1XERDispatch&) = delete;
   ASN1XERDispatch& operator=(const ASN1XERDispatch&) = delete;

   ASN1XERTypeHandler* mpRoot;
   ASN1XERTypeHandler* mpTop;   // the innermost handler
   int mDepth;                  // elements open
};

inline void ASN1XERTypeHandler::dispatchTo(ASN1XERTypeHandler* handler)
{
   mpDispatch->push(handler);
}

// The handler of a document whose element is a value of a primitive type
// (INTEGER, strings, times, BOOLEAN, ENUMERATED, NULL ...): the element is
// checked against the type name, its content collected by `kind` as a
// component's would be, and `convert` turns the collected text into the
// record when the element ends (a failure is thrown with its status).
class EXTERNRT ASN1XERValueHandler : public ASN1XERTypeHandler {
public:
   typedef int (*Convert)(ASN1CTXT* pctxt, ASN1XERValueHandler& handler, void* record);
   ASN1XERValueHandler(const char* typeName, int kind, ASN1CTXT* pctxt, Convert convert, void* record);

   void startElement(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs) override;
   void endElement(const char* uri, const char* localname, const char* qname) override;
   void init(int level = 0) override;

   // The buffer whose context receives the collected text (required before
   // decodeDocument).
   void setMsgBuf(ASN1MessageBufferIF* msgBuf) { mpMsgBuf = msgBuf; }

   // What the conversion needs: the bit offset of collected octets or bits,
   // and whether the value was given as an element (a named number).
   int textBitOffset() { return static_cast<int>(text().bitOffset); }
   OSBOOL valueGivenAsElement() const { return valueIsElement(); }

private:
   ASN1CTXT* mpValueCtxt;
   Convert mConvert;
   void* mpRecord;
   int mKind;
   ASN1MessageBufferIF* mpMsgBuf = nullptr;
};

#endif
