// BER message buffers and the control-class base.
//
// A message buffer owns a reference-counted context and the encoded message;
// a control class (ASN1CType and the generated ASN1C_<Type> classes) binds
// one typed value to a message buffer and encodes it into, or decodes it
// from, that buffer. Which encoding rules apply is decided by asking the
// buffer what it is (isA), so one control class serves BER and XER alike.
#ifndef ASN1BERCPPTYPES_H
#define ASN1BERCPPTYPES_H

#include "ASN1CType.h"
#include "asn1MessageBuffer.h"
#include "asn1ber.h"

class EXTERNRT ASN1BERMessageBuffer : public ASN1MessageBuffer {
protected:
   explicit ASN1BERMessageBuffer(Type bufferType) : ASN1MessageBuffer(bufferType) {}
};

// Encodes backwards into a growing dynamic buffer or a caller's fixed one.
// The encoding is at getMsgPtr(); its length is what EncodeTo returned.
class EXTERNRT ASN1BEREncodeBuffer : public ASN1BERMessageBuffer {
public:
   // A dynamic buffer of 16384 octets that grows as needed.
   ASN1BEREncodeBuffer();
   // The caller's fixed buffer: it holds at most size - 1 octets, longer
   // encodings fail with -1. It is never grown or freed.
   ASN1BEREncodeBuffer(OSOCTET* pMsgBuf, int msgBufLen);

   // Installs another buffer (null: dynamic); returns 0 or the status.
   int setBuffer(OSOCTET* pMsgBuf, int msgBufLen);

   // A copy of the encoding in new[] storage owned by the caller, or null
   // when the buffer has no data.
   OSOCTET* getMsgCopy() override;
   // The first octet of the encoding.
   const OSOCTET* getMsgPtr() override;
   // Empties the buffer; every encode starts with it.
   int init() override;
   bool isA(Type bufferType) override { return bufferType == BEREncode; }

   // Encodes c; a negative status is thrown as ASN1RTLException.
   ASN1BEREncodeBuffer& operator<<(ASN1CType& c);
};

// Decodes from the caller's octets, which must outlive the buffer.
class EXTERNRT ASN1BERDecodeBuffer : public ASN1BERMessageBuffer {
public:
   ASN1BERDecodeBuffer();
   // Stores the input; nothing is read until the first init()/DecodeFrom.
   ASN1BERDecodeBuffer(const OSOCTET* pMsgBuf, int msgBufLen);

   // Installs new input and reads its outer header. The same input again,
   // once set up, changes nothing (the read position is kept).
   int setBuffer(const OSOCTET* pMsgBuf, int msgBufLen);

   // Sets up decoding of the stored input (once; see setBuffer).
   int init() override;
   bool isA(Type bufferType) override { return bufferType == BERDecode; }
   const OSOCTET* getMsgPtr() override { return getCtxtPtr()->buffer.data; }

   // Depth-first search for an element with the given tag (constructed bit
   // ignored). firstFlag non-zero starts at the beginning of the input;
   // 0 continues after the element found last, so that repeated calls walk
   // through successive occurrences. Returns the address of the element's
   // header (the position is left before it) and its content length in
   // elemLen, or null when there is none.
   const OSOCTET* findElement(ASN1TAG tag, int& elemLen, int firstFlag = 1);

   // Decodes c; a non-zero status is thrown as ASN1RTLException.
   ASN1BERDecodeBuffer& operator>>(ASN1CType& c);

private:
   const OSOCTET* mpInput;
   OSUINT32 mInputLen;
   OSOCTET mInitDone;
};

#endif
