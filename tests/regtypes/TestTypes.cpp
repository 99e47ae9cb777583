// Hand-written types in the shape the generator gives its own, registered as
// module "QvTestTypes" for the tests of the registry and of the converter:
//
//    Pair ::= SEQUENCE { num INTEGER, data OCTET STRING }
//    Num  ::= INTEGER
//
// Pair has all six registry functions (XER documents decode through its
// control class); Num is of primitive construct: its XER encoder takes the
// value itself and it has no XER document decoder and no free function.
// These types live in the test programs only, never in the library.
#include "ASN1CType.h"
#include "asn1RegThunks.h"
#include "asn1XerCppTypes.h"
#include "rtCopy.h"
#include "rtError.h"
#include "rtMemHeap.h"

namespace qvtest {

struct ASN1T_Pair {
   int num;
   ASN1TDynOctStr data;
};
typedef int ASN1T_Num;

int asn1E_Pair(ASN1CTXT* pctxt, ASN1T_Pair* pvalue, ASN1TagType tagging)
{
   int ll = xe_octstr(pctxt, pvalue->data.data, pvalue->data.numocts, ASN1TAG_EXPLICIT);
   if (ll < 0) return LOG_ASN1ERR(pctxt, ll);
   int len = xe_integer(pctxt, &pvalue->num, ASN1TAG_EXPLICIT);
   if (len < 0) return LOG_ASN1ERR(pctxt, len);
   ll += len;
   if (tagging == ASN1TAG_EXPLICIT) ll = xe_tag_len(pctxt, ASN1_TAG_SEQ, ll);
   return ll;
}

int asn1D_Pair(ASN1CTXT* pctxt, ASN1T_Pair* pvalue, ASN1TagType tagging, int length)
{
   if (tagging == ASN1TAG_EXPLICIT) {
      int stat = xd_match1(pctxt, 0x30, &length);
      if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   }
   size_t end = pctxt->buffer.byteIndex + (size_t)length;
   int stat = xd_integer(pctxt, &pvalue->num, ASN1TAG_EXPLICIT, 0);
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   const OSOCTET* data = nullptr;
   stat = xd_octstr(pctxt, &data, &pvalue->data.numocts, ASN1TAG_EXPLICIT, 0);
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   pvalue->data.data = data;
   // The content must end where its length says.
   if (pctxt->buffer.byteIndex != end) return LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_LENGTH);
   return 0;
}

int asn1XE_Pair(ASN1CTXT* pctxt, ASN1T_Pair* pvalue, const char* elemName, const char* attributes)
{
   if (elemName == nullptr) elemName = "Pair";
   int stat = xerEncStartElement(pctxt, elemName, attributes);
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   pctxt->level++;
   stat = xerEncInt(pctxt, pvalue->num, "num");
   if (stat == 0) stat = xerEncOctStr(pctxt, pvalue->data.numocts, pvalue->data.data, "data");
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   pctxt->level--;
   return xerEncEndElement(pctxt, elemName);
}

void asn1Copy_Pair(ASN1CTXT* pctxt, ASN1T_Pair* src, ASN1T_Pair* dst)
{
   if (src == dst) return;
   dst->num = src->num;
   rtCopyDynOctStr(pctxt, &src->data, &dst->data);
}

void asn1Free_Pair(ASN1CTXT* pctxt, ASN1T_Pair* pvalue)
{
   if (rtMemHeapCheckPtr(&pctxt->memHeap, (void*)pvalue->data.data))
      rtMemHeapFreePtr(&pctxt->memHeap, (void*)pvalue->data.data);
   pvalue->data.data = nullptr;
}

// The control class: BER through the buffer, and the SAX handler of XER.
class ASN1C_Pair : public ASN1CType, public ASN1XERSAXDecodeHandler {
public:
   ASN1C_Pair(ASN1MessageBufferIF& msgBuf, ASN1T_Pair& data) : ASN1CType(msgBuf), msgData(data)
   {
      rtMemBufInit(getCtxtPtr(), &mText, 1024);
   }
   ~ASN1C_Pair() override { rtMemBufFree(&mText); }

   int EncodeTo(ASN1MessageBufferIF& msgBuf) override
   {
      setMsgBuf(msgBuf);
      msgBuf.init();
      if (msgBuf.isA(ASN1MessageBufferIF::BEREncode))
         return asn1E_Pair(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT);
      return LOG_ASN1ERR(msgBuf.getCtxtPtr(), ASN1ERR_NOT_SUPPORTED);
   }

   int DecodeFrom(ASN1MessageBufferIF& msgBuf) override
   {
      setMsgBuf(msgBuf);
      msgBuf.init();
      if (msgBuf.isA(ASN1MessageBufferIF::BERDecode))
         return asn1D_Pair(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT, 0);
      if (!msgBuf.isA(ASN1MessageBufferIF::XERDecode))
         return LOG_ASN1ERR(msgBuf.getCtxtPtr(), ASN1ERR_NOT_SUPPORTED);
      init(0);
      OSXMLReader* reader = saxCreateXmlReader(getContext(), this, this);
      int stat;
      try {
         stat = static_cast<ASN1XERDecodeBuffer&>(msgBuf).decodeXML(reader);
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
   }

   void startElement(const char*, const char*, const char* qname, const char* const*) override
   {
      if (mLevel == 0) {
         if (!xerCmpText(qname, "Pair")) throwSAXException(ASN1ERR_XML_STATE);
      }
      else if (mLevel == 1) {
         mState = XERSTART;
         mCurrElemID = getElementID(qname);
         if (mCurrElemID == 0) throwSAXException(ASN1ERR_TAG_NOT_FOUND);
         rtMemBufReset(&mText);
         mText.bitOffset = 0;
      }
      else {
         throwSAXException(ASN1ERR_TAG_NOT_FOUND);   // no component is constructed
      }
      mLevel++;
   }

   void characters(const char* chars, unsigned int length) override
   {
      if (mLevel < 2 || (mState != XERSTART && mState != XERDATA)) return;
      int stat = mCurrElemID == 2 ? xerDecOctStrMemBuf(&mText, chars, (int)length, TRUE)
                                  : rtMemBufAppend(&mText, chars, length);
      if (stat != 0) throwSAXException(stat);
      mState = XERDATA;
   }

   void endElement(const char*, const char*, const char*) override
   {
      mLevel--;
      if (mLevel == 1 && (mState == XERSTART || mState == XERDATA)) {
         ASN1CTXT* pctxt = finalizeMemBuf(mpMsgBuf, mText);
         int stat = mCurrElemID == 1 ? xerDecInt(pctxt, &msgData.num)
                                     : xerDecCopyDynOctStr(pctxt, &msgData.data, (int)mText.bitOffset);
         if (stat != 0) throwSAXException(stat);
         rtMemBufReset(&mText);
         mState = XEREND;
      }
      else if (mLevel == 0) {
         if (mReqCount != 2) throwSAXException(ASN1ERR_MISSING_ELEMENT);
         mState = XEREND;
      }
   }

private:
   int getElementID(const char* qname)
   {
      static const char* const rows[] = { "num", "data" };
      for (int i = mLastRow; i < 2; i++) {
         if (xerCmpText(qname, rows[i])) {
            mReqCount++;
            mLastRow = i + 1;
            return i + 1;
         }
         return 0;   // both components are required
      }
      return 0;
   }

   ASN1T_Pair& msgData;
   ASN1MemBuf mText;
   int mReqCount = 0;
   int mLastRow = 0;
};

int asn1E_Num(ASN1CTXT* pctxt, ASN1T_Num* pvalue, ASN1TagType tagging)
{
   return xe_integer(pctxt, pvalue, tagging);
}

int asn1D_Num(ASN1CTXT* pctxt, ASN1T_Num* pvalue, ASN1TagType tagging, int length)
{
   return xd_integer(pctxt, pvalue, tagging, length);
}

int asn1XE_Num(ASN1CTXT* pctxt, ASN1T_Num value, const char* elemName, const char*)
{
   return xerEncInt(pctxt, value, elemName != nullptr ? elemName : "Num");
}

void asn1Copy_Num(ASN1CTXT*, ASN1T_Num* src, ASN1T_Num* dst)
{
   *dst = *src;
}

namespace {

const Asn1RegEntry kTypes[] = {
   ASN1REG_ENTRY("QvTestTypes", "Pair", Pair),
   { "Num", "QvTestTypes", sizeof(ASN1T_Num),
     asn1RegBerDecodeOf<ASN1T_Num, asn1D_Num>,
     asn1RegDerEncodeOf<ASN1T_Num, asn1E_Num>,
     asn1RegXerEncodeOf<ASN1T_Num, asn1XE_Num>,
     nullptr, asn1RegCopyOf<ASN1T_Num, asn1Copy_Num>, nullptr },
};

Asn1RegModule kModule = ASN1REG_MODULE("QvTestTypes", kTypes);
const Asn1RegAutoAdd kAdd(&kModule);

}  // namespace

}  // namespace qvtest
