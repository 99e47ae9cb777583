// Message buffers and the control-class base, exercised through a small
// hand-written control class:
//    Pair ::= SEQUENCE { num INTEGER, data OCTET STRING }
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <vector>

#include "CountingHooks.h"
#include "asn1BerCppTypes.h"
#include "rtError.h"

namespace {

struct ASN1T_Pair {
   int num;
   ASN1TDynOctStr data;
};

int asn1E_Pair(ASN1CTXT* pctxt, ASN1T_Pair* pvalue, ASN1TagType tagging)
{
   int ll = 0;
   int len = xe_octstr(pctxt, pvalue->data.data, pvalue->data.numocts, ASN1TAG_EXPLICIT);
   if (len < 0) return LOG_ASN1ERR(pctxt, len);
   ll += len;
   len = xe_integer(pctxt, &pvalue->num, ASN1TAG_EXPLICIT);
   if (len < 0) return LOG_ASN1ERR(pctxt, len);
   ll += len;
   if (tagging == ASN1TAG_EXPLICIT) ll = xe_tag_len(pctxt, ASN1_TAG_SEQ, ll);
   return ll;
}

int asn1D_Pair(ASN1CTXT* pctxt, ASN1T_Pair* pvalue, ASN1TagType tagging, int length)
{
   int stat = 0;
   if (tagging == ASN1TAG_EXPLICIT) {
      stat = xd_match1(pctxt, 0x10, &length);
      if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   }
   stat = xd_integer(pctxt, &pvalue->num, ASN1TAG_EXPLICIT, 0);
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   const OSOCTET* data = nullptr;
   stat = xd_octstr(pctxt, &data, &pvalue->data.numocts, ASN1TAG_EXPLICIT, 0);
   if (stat != 0) return LOG_ASN1ERR(pctxt, stat);
   pvalue->data.data = data;
   return 0;
}

class ASN1C_Pair : public ASN1CType {
public:
   ASN1C_Pair(ASN1MessageBufferIF& msgBuf, ASN1T_Pair& data) : ASN1CType(msgBuf), msgData(data) {}
   int EncodeTo(ASN1MessageBufferIF& msgBuf) override
   {
      setMsgBuf(msgBuf);
      msgBuf.init();
      if (msgBuf.isA(ASN1MessageBufferIF::BEREncode)) {
         return asn1E_Pair(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT);
      }
      return LOG_ASN1ERR(msgBuf.getCtxtPtr(), ASN1ERR_NOT_SUPPORTED);
   }
   int DecodeFrom(ASN1MessageBufferIF& msgBuf) override
   {
      setMsgBuf(msgBuf);
      msgBuf.init();
      if (msgBuf.isA(ASN1MessageBufferIF::BERDecode)) {
         return asn1D_Pair(msgBuf.getCtxtPtr(), &msgData, ASN1TAG_EXPLICIT, 0);
      }
      return LOG_ASN1ERR(msgBuf.getCtxtPtr(), ASN1ERR_NOT_SUPPORTED);
   }

private:
   ASN1T_Pair& msgData;
};

const OSOCTET kPairDer[] = { 0x30, 0x08, 0x02, 0x02, 0x01, 0x2C, 0x04, 0x02, 0xAB, 0xCD };

TEST(MessageBuffers, EncodeDecodeRoundTrip)
{
   CountingHooks hooks;
   {
      const OSOCTET octets[] = { 0xAB, 0xCD };
      ASN1T_Pair value = { 300, { 2, octets } };
      ASN1BEREncodeBuffer encBuf;
      ASN1C_Pair encoder(encBuf, value);
      int len = encoder.Encode();
      ASSERT_EQ(len, (int)sizeof kPairDer);
      EXPECT_EQ(0, memcmp(encBuf.getMsgPtr(), kPairDer, len));
      // Encoding again starts a new message and gives the same octets.
      ASSERT_EQ(encoder.EncodeTo(encBuf), len);
      EXPECT_EQ(0, memcmp(encBuf.getMsgPtr(), kPairDer, len));
      std::unique_ptr<OSOCTET[]> copy(encBuf.getMsgCopy());
      ASSERT_NE(copy, nullptr);
      EXPECT_EQ(0, memcmp(copy.get(), kPairDer, len));

      ASN1T_Pair decoded = {};
      ASN1BERDecodeBuffer decBuf(encBuf.getMsgPtr(), len);
      ASN1C_Pair decoder(decBuf, decoded);
      ASSERT_EQ(decoder.Decode(), 0);
      EXPECT_EQ(decoded.num, 300);
      ASSERT_EQ(decoded.data.numocts, 2u);
      EXPECT_EQ(0, memcmp(decoded.data.data, octets, 2));
      EXPECT_TRUE(rtMemHeapCheckPtr(&decBuf.getCtxtPtr()->memHeap, (void*)decoded.data.data));
   }
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MessageBuffers, StreamOperators)
{
   const OSOCTET octets[] = { 0xAB, 0xCD };
   ASN1T_Pair value = { 300, { 2, octets } };
   ASN1BEREncodeBuffer encBuf;
   ASN1C_Pair encoder(encBuf, value);
   EXPECT_NO_THROW(encBuf << encoder);  // a positive length is success
   EXPECT_EQ(0, memcmp(encBuf.getMsgPtr(), kPairDer, sizeof kPairDer));

   ASN1T_Pair decoded = {};
   ASN1BERDecodeBuffer decBuf(kPairDer, sizeof kPairDer);
   ASN1C_Pair decoder(decBuf, decoded);
   EXPECT_NO_THROW(decBuf >> decoder);
   EXPECT_EQ(decoded.num, 300);

   const OSOCTET bad[] = { 0x31, 0x00 };
   ASN1BERDecodeBuffer badBuf(bad, sizeof bad);
   ASN1C_Pair badDecoder(badBuf, decoded);
   try {
      badBuf >> badDecoder;
      FAIL() << "no exception";
   }
   catch (const ASN1RTLException& e) {
      EXPECT_EQ(e.status, ASN1ERR_TAG_NOT_FOUND);
   }
}

TEST(MessageBuffers, FixedBufferKeepsLastPositionUnused)
{
   const OSOCTET one[] = { 0x55 };
   ASN1T_Pair value = { 0, { 0, one } };  // 30 05 02 01 00 04 00: 7 octets
   OSOCTET fixed[8];
   ASN1BEREncodeBuffer encBuf(fixed, sizeof fixed);
   ASN1C_Pair encoder(encBuf, value);
   EXPECT_EQ(encoder.Encode(), 7);
   EXPECT_EQ(encBuf.getMsgPtr(), fixed);

   value.data.numocts = 1;  // 8 octets: does not fit in 8 - 1
   EXPECT_EQ(encoder.Encode(), ASN1ERR_BUFFER_OVERFLOW);
   EXPECT_THROW(encBuf << encoder, ASN1RTLException);
}

TEST(MessageBuffers, FindElementWalksSuccessiveOccurrences)
{
   // SEQUENCE { INTEGER 1, SEQUENCE { INTEGER 2 }, OCTET STRING }
   const OSOCTET msg[] = { 0x30, 0x0B, 0x02, 0x01, 0x01, 0x30, 0x03, 0x02, 0x01, 0x02, 0x04, 0x01, 0x09 };
   ASN1BERDecodeBuffer decBuf(msg, sizeof msg);
   int len = -1;
   const OSOCTET* p = decBuf.findElement((TM_UNIV | ASN1_ID_INT), len, 1);
   ASSERT_EQ(p, msg + 2);
   EXPECT_EQ(len, 1);
   p = decBuf.findElement((TM_UNIV | ASN1_ID_INT), len, 0);
   ASSERT_EQ(p, msg + 7);
   EXPECT_EQ(p[2], 0x02);
   EXPECT_EQ(decBuf.findElement((TM_UNIV | ASN1_ID_INT), len, 0), nullptr);
   // Starting over finds the first one again.
   EXPECT_EQ(decBuf.findElement((TM_UNIV | ASN1_ID_INT), len, 1), msg + 2);
   EXPECT_EQ(decBuf.findElement((TM_UNIV | ASN1_ID_OCTSTR), len, 1), msg + 10);
   EXPECT_EQ(decBuf.findElement((TM_UNIV | ASN1_ID_BOOL), len, 1), nullptr);
}

TEST(MessageBuffers, WrongBufferKindIsNotSupported)
{
   ASN1T_Pair value = {};
   ASN1BEREncodeBuffer encBuf;
   ASN1C_Pair c(encBuf, value);
   EXPECT_EQ(c.DecodeFrom(encBuf), ASN1ERR_NOT_SUPPORTED);
   ASN1BERDecodeBuffer decBuf(kPairDer, sizeof kPairDer);
   EXPECT_EQ(c.EncodeTo(decBuf), ASN1ERR_NOT_SUPPORTED);
   EXPECT_FALSE(encBuf.isA(ASN1MessageBufferIF::BERDecode));
   EXPECT_TRUE(decBuf.isA(ASN1MessageBufferIF::BERDecode));
   EXPECT_EQ(decBuf.initBuffer((char*)nullptr), ASN1ERR_NOT_SUPPORTED);
}

TEST(MessageBuffers, DecodeBufferSetUpOnceForSameInput)
{
   ASN1BERDecodeBuffer decBuf(kPairDer, sizeof kPairDer);
   ASSERT_EQ(decBuf.init(), 0);
   decBuf.getCtxtPtr()->buffer.byteIndex = 2;
   EXPECT_EQ(decBuf.init(), 0);  // same input: position kept
   EXPECT_EQ(decBuf.getCtxtPtr()->buffer.byteIndex, 2u);
   // New input starts afresh: its outer length passes the end.
   EXPECT_EQ(decBuf.setBuffer(kPairDer, 4), ASN1ERR_INVALID_LENGTH);
   // An empty input is the end of the buffer, never "size unknown".
   EXPECT_EQ(decBuf.setBuffer(kPairDer, 0), ASN1ERR_END_OF_BUFFER);
   ASN1BERDecodeBuffer empty(nullptr, 0);
   int len = 0;
   EXPECT_EQ(empty.init(), ASN1ERR_END_OF_BUFFER);
   EXPECT_EQ(empty.findElement(TM_UNIV | ASN1_ID_INT, len, 1), nullptr);
}

TEST(MessageBuffers, ControlClassSharesBufferHeap)
{
   CountingHooks hooks;
   ASN1T_Pair value = {};
   {
      std::unique_ptr<ASN1BERDecodeBuffer> decBuf(new ASN1BERDecodeBuffer(kPairDer, sizeof kPairDer));
      ASN1C_Pair decoder(*decBuf, value);
      ASSERT_EQ(decoder.Decode(), 0);
      EXPECT_EQ(decoder.getCtxtPtr()->memHeap, decBuf->getCtxtPtr()->memHeap);
      decBuf.reset();  // the control class still holds the context
      EXPECT_EQ(decoder.getCtxtPtr()->memHeap->refCount, 2u);
   }
   EXPECT_EQ(hooks.live(), 0);
}

TEST(MessageBuffers, CtxtPtrHandles)
{
   ASN1BERDecodeBuffer decBuf;
   ASN1CtxtPtr a = decBuf.getContext();
   OSUINT32 base = a->getRefCount();
   {
      ASN1CtxtPtr b = a;
      ASN1CtxtPtr c;
      c = b;
      EXPECT_EQ(a->getRefCount(), base + 2);
      EXPECT_EQ(c->getPtr(), decBuf.getCtxtPtr());
   }
   EXPECT_EQ(a->getRefCount(), base);
}

}  // namespace
