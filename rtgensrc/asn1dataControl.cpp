// The codec calls of the generated control classes, shared by all of them.
#include "asn1dataRuntime.h"

namespace asn1data {

int asn1dataEncodeTo(ASN1CType& self, ASN1MessageBufferIF& msgBuf, void* record, asn1dataCodec ber,
                     asn1dataCodec xer)
{
   self.setMsgBuf(msgBuf);
   int stat = msgBuf.init();
   if (stat != 0) return stat;
   if (msgBuf.isA(ASN1MessageBufferIF::BEREncode)) return ber(msgBuf.getCtxtPtr(), record);
   if (msgBuf.isA(ASN1MessageBufferIF::XEREncode))
      return asn1dataXerEncodeDocument(msgBuf.getCtxtPtr(), [=](ASN1CTXT* p) { return xer(p, record); });
   return ASN1ERR_NOT_SUPPORTED;
}

int asn1dataDecodeFrom(ASN1CType& self, ASN1XERTypeHandler& sax, ASN1MessageBufferIF& msgBuf, void* record,
                       asn1dataCodec ber)
{
   self.setMsgBuf(msgBuf);
   int stat = msgBuf.init();
   if (stat != 0) return stat;
   if (msgBuf.isA(ASN1MessageBufferIF::BERDecode)) return ber(msgBuf.getCtxtPtr(), record);
   if (msgBuf.isA(ASN1MessageBufferIF::XERDecode)) return sax.decodeDocument(msgBuf);
   return ASN1ERR_NOT_SUPPORTED;
}

int asn1dataDecodeValueFrom(ASN1CType& self, ASN1MessageBufferIF& msgBuf, void* record, asn1dataCodec ber,
                            const char* elemName, int kind, ASN1XERValueHandler::Convert convert)
{
   self.setMsgBuf(msgBuf);
   int stat = msgBuf.init();
   if (stat != 0) return stat;
   if (msgBuf.isA(ASN1MessageBufferIF::BERDecode)) return ber(msgBuf.getCtxtPtr(), record);
   if (msgBuf.isA(ASN1MessageBufferIF::XERDecode)) {
      ASN1XERValueHandler handler(elemName, kind, msgBuf.getCtxtPtr(), convert, record);
      handler.setMsgBuf(&msgBuf);
      return handler.decodeDocument(msgBuf);
   }
   return ASN1ERR_NOT_SUPPORTED;
}

}  // namespace asn1data
