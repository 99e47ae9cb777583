// A hand-written control class in the shape generated code takes, for
//
//   Sample ::= SEQUENCE {
//      number  INTEGER,
//      data    OCTET STRING,
//      params  ANY OPTIONAL      -- an open type, captured as XML
//   }
//
// used by the XER round-trip, rejection and fuzz tests.
#ifndef XERSAMPLE_H
#define XERSAMPLE_H

#include <string.h>

#include "ASN1CType.h"
#include "ASN1CXerOpenType.h"
#include "asn1XerCppTypes.h"
#include "rtError.h"

struct SampleValue {
   int number = 0;
   ASN1DynOctStr data = { 0, nullptr };
   bool hasParams = false;
   ASN1TOpenType params;
};

// asn1XE_Sample: components in declaration order, one line each.
inline int xeSample(ASN1CTXT* pctxt, const SampleValue& v, const char* elemName)
{
   if (elemName == nullptr) elemName = "Sample";
   int stat = xerEncStartElement(pctxt, elemName, nullptr);
   if (stat != 0) return stat;
   pctxt->level++;
   stat = xerEncInt(pctxt, v.number, "number");
   if (stat == 0) stat = xerEncOctStr(pctxt, v.data.numocts, v.data.data, "data");
   if (stat == 0 && v.hasParams) stat = xerEncOpenType(pctxt, v.params.numocts, v.params.data, "params");
   if (stat != 0) return stat;
   pctxt->level--;
   return xerEncEndElement(pctxt, elemName);
}

class SampleHandler : public ASN1CType, public ASN1XERSAXDecodeHandler {
public:
   SampleHandler(ASN1MessageBufferIF& msgBuf, SampleValue& value)
      : ASN1CType(msgBuf), mValue(value)
   {
      rtMemBufInit(getCtxtPtr(), &mText, 128);
   }
   ~SampleHandler() override { delete mpOpenType; }

   int EncodeTo(ASN1MessageBufferIF& msgBuf) override
   {
      setMsgBuf(msgBuf);
      msgBuf.init();
      if (!msgBuf.isA(ASN1MessageBufferIF::XEREncode)) return ASN1ERR_NOT_SUPPORTED;
      ASN1CTXT* pctxt = msgBuf.getCtxtPtr();
      int stat = 0;
      if (!(pctxt->flags & ASN1XERFRAGMENT)) stat = xerEncStartDocument(pctxt);
      if (stat == 0) stat = xeSample(pctxt, mValue, nullptr);
      if (stat == 0 && !(pctxt->flags & ASN1XERFRAGMENT)) stat = xerEncEndDocument(pctxt);
      return stat;
   }

   // The decoding entry point of the handler contract.
   int decode(ASN1XERDecodeBuffer& msgBuf)
   {
      setMsgBuf(msgBuf);
      init(0);
      OSXMLReader* reader = saxCreateXmlReader(getContext(), this, this);
      int stat;
      try {
         stat = msgBuf.decodeXML(reader);
      }
      catch (...) {
         reader->release();
         throw;
      }
      reader->release();
      return stat;
   }

   void init(int level) override
   {
      ASN1XERSAXDecodeHandler::init(level);
      mReqCount = 0;
      mLastRow = 0;
      mpNested = nullptr;
   }

   void startElement(const char* uri, const char* localname, const char* qname,
                     const char* const* attrs) override
   {
      if (mLevel == 0) {
         if (!xerCmpText(qname, "Sample")) throwSAXException(ASN1ERR_XML_STATE);
      }
      else if (mLevel == 1) {
         mState = XERSTART;
         mCurrElemID = getElementID(qname);
         if (mCurrElemID == 0) {
            StrX name(qname);
            rtErrAddStrParm(&getCtxtPtr()->errInfo, "?");
            rtErrAddStrParm(&getCtxtPtr()->errInfo, name.localForm());
            throwSAXException(ASN1ERR_TAG_NOT_FOUND);
         }
         rtMemBufReset(&mText);
         mText.bitOffset = 0;
         if (mCurrElemID == 3) {
            mValue.hasParams = true;
            if (mpOpenType == nullptr) mpOpenType = new ASN1CXerOpenType(*mpMsgBuf, mValue.params);
            mpOpenType->init(1);
            mpNested = mpOpenType;
         }
      }
      else if (mpNested != nullptr) {
         mpNested->startElement(uri, localname, qname, attrs);
      }
      mLevel++;
   }

   void characters(const char* chars, unsigned int length) override
   {
      if (mLevel < 2) return;
      if (mpNested != nullptr) {
         mpNested->characters(chars, length);
         return;
      }
      if (mState != XERSTART && mState != XERDATA) return;
      int stat;
      if (mCurrElemID == 2)
         stat = xerDecOctStrMemBuf(&mText, chars, (int)length, TRUE);
      else
         stat = rtMemBufAppend(&mText, chars, length);
      if (stat != 0) throwSAXException(stat);
      mState = XERDATA;
   }

   void endElement(const char* uri, const char* localname, const char* qname) override
   {
      mLevel--;
      if (mLevel == 1) {
         if (mpNested != nullptr) {
            mpNested->endElement(uri, localname, qname);
            mpNested = nullptr;
         }
         else if (mState == XERSTART || mState == XERDATA) {
            ASN1CTXT* pctxt = finalizeMemBuf(mpMsgBuf, mText);
            int stat = 0;
            if (mCurrElemID == 1) stat = xerDecInt(pctxt, &mValue.number);
            else if (mCurrElemID == 2) stat = xerDecCopyDynOctStr(pctxt, &mValue.data, (int)mText.bitOffset);
            if (stat != 0) throwSAXException(stat);
            rtMemBufReset(&mText);
         }
      }
      else if (mLevel == 0) {
         if (mReqCount != 2) throwSAXException(ASN1ERR_MISSING_ELEMENT);
         mState = XEREND;
      }
      else if (mpNested != nullptr) {
         mpNested->endElement(uri, localname, qname);
      }
   }

private:
   // SEQUENCE rule: search from the row after the last match; a required row
   // that does not match ends the search.
   int getElementID(const char* qname)
   {
      static const struct { const char* name; bool optional; } rows[] = {
         { "number", false }, { "data", false }, { "params", true } };
      for (int i = mLastRow; i < 3; i++) {
         if (xerCmpText(qname, rows[i].name)) {
            if (!rows[i].optional) mReqCount++;
            mLastRow = i + 1;
            return i + 1;
         }
         if (!rows[i].optional) return 0;
      }
      return 0;
   }

   SampleValue& mValue;
   ASN1MemBuf mText;
   int mReqCount = 0;
   int mLastRow = 0;
   ASN1CXerOpenType* mpOpenType = nullptr;
   ASN1XERSAXDecodeHandler* mpNested = nullptr;
};

#endif
