// The control-class base as the value classes use it: contexts taken from a
// message buffer, shared by copies, and the heap switch of setMsgBuf.
#include <gtest/gtest.h>

#include "ASN1CBitStr.h"
#include "ASN1CSeqOfList.h"
#include "ASN1CTime.h"

namespace {

// The smallest concrete message buffer: the value classes need only the
// interface.
class PlainBuffer : public ASN1MessageBuffer {
public:
   PlainBuffer() : ASN1MessageBuffer(BEREncode) {}
   bool isA(Type t) override { return t == BEREncode; }
   OSUINT32 refs() { return mpContext->getRefCount(); }
};

} // namespace

TEST(ValueClassBase, MessageBufferContextIsShared)
{
   PlainBuffer buf;
   EXPECT_EQ(1u, buf.refs());
   {
      ASN1CBitStr bits(buf, 16);
      EXPECT_EQ(buf.getCtxtPtr(), bits.getCtxtPtr());
      EXPECT_EQ(2u, buf.refs());
      ASN1CBitStr copy(bits);
      EXPECT_EQ(3u, buf.refs());

      ASN1CSeqOfList list(buf);
      int v = 1;
      list.append(&v);
      EXPECT_EQ(4u, buf.refs());

      const char* text = "20240101120000Z";
      ASN1CGeneralizedTime t(buf, text);
      EXPECT_EQ(5u, buf.refs());
      EXPECT_EQ(-31, t.setHour(24));
      EXPECT_EQ(-31, buf.getCtxtPtr()->errInfo.status);   // recorded in the buffer's context
   }
   EXPECT_EQ(1u, buf.refs());
}

TEST(ValueClassBase, EncodeNeedsABufferAndSetMsgBufSharesTheHeap)
{
   ASN1CBitStr bits;
   EXPECT_EQ(ASN1ERR_NOT_INITIALIZED, bits.Encode());
   EXPECT_EQ(ASN1ERR_NOT_INITIALIZED, bits.Decode());
   PlainBuffer buf;
   EXPECT_EQ(0, bits.EncodeTo(buf));     // nothing of its own to encode
   EXPECT_NE(buf.getCtxtPtr()->memHeap, bits.getCtxtPtr()->memHeap);
   bits.setMsgBuf(buf);
   EXPECT_EQ(buf.getCtxtPtr()->memHeap, bits.getCtxtPtr()->memHeap);
   EXPECT_EQ(0, bits.Encode());
}
