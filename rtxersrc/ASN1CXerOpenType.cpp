#include "ASN1CXerOpenType.h"

#include <string.h>

// Initial size of a capture buffer; it grows as needed.
static const int kCaptureSize = 1024;

ASN1CXerOpenType::ASN1CXerOpenType(ASN1TOpenType& data)
   : ASN1CType(), mpOpenType(&data), mEncBuf(TRUE), mpEncCtxt(mEncBuf.getCtxtPtr())
{
   newCapture();
}

ASN1CXerOpenType::ASN1CXerOpenType(Asn1TObject& data)
   : ASN1CType(), mpOpenType(&data), mEncBuf(TRUE), mpEncCtxt(mEncBuf.getCtxtPtr())
{
   newCapture();
}

ASN1CXerOpenType::ASN1CXerOpenType(ASN1MessageBufferIF& msgBuf, ASN1TOpenType& data)
   : ASN1CType(msgBuf), mpOpenType(&data), mEncBuf(TRUE, msgBuf.getCtxtPtr(), kCaptureSize),
     mpEncCtxt(mEncBuf.getCtxtPtr())
{
   newCapture();
}

ASN1CXerOpenType::ASN1CXerOpenType(ASN1MessageBufferIF& msgBuf, Asn1TObject& data)
   : ASN1CType(msgBuf), mpOpenType(&data), mEncBuf(TRUE, msgBuf.getCtxtPtr(), kCaptureSize),
     mpEncCtxt(mEncBuf.getCtxtPtr())
{
   newCapture();
}

ASN1CXerOpenType::~ASN1CXerOpenType() = default;

void ASN1CXerOpenType::newCapture()
{
   // The capture belongs to the heap, not to the encode buffer: records keep
   // pointing at it after this handler is gone, and a new capture takes a new
   // block instead of overwriting (or moving) the text of the previous one.
   rtCtxtSetFlag(mpEncCtxt, ASN1SAVEBUF);
   if (mpEncCtxt->buffer.byteIndex > 0) {
      int stat = xerSetEncBufPtr(mpEncCtxt, nullptr, kCaptureSize, TRUE);
      if (stat != 0) throw ASN1MessageBuffer::RTLError(stat);
   }
   mpEncCtxt->level = 0;
   mpEncCtxt->state = XER_STATE_START;
}

void ASN1CXerOpenType::init(int level)
{
   ASN1XERSAXDecodeHandler::init(level);
   newCapture();
}

void ASN1CXerOpenType::startElement(const char*, const char*, const char* qname,
                                    const char* const* attrs)
{
   mState = XERSTART;
   check(xerCopyText(mpEncCtxt, "<"));
   check(xerCopyText(mpEncCtxt, qname));
   // The attributes belong to the value (form="ber" marks hexadecimal BER
   // octets of a nested open type): they are kept, their values escaped.
   for (int i = 0; attrs != nullptr && attrs[i] != nullptr && attrs[i + 1] != nullptr; i += 2) {
      check(xerCopyText(mpEncCtxt, " "));
      check(xerCopyText(mpEncCtxt, attrs[i]));
      check(xerCopyText(mpEncCtxt, "=\""));
      const char* v = attrs[i + 1];
      size_t start = 0, k = 0;
      for (; v[k] != 0; ++k) {
         const char* entity;
         switch (v[k]) {
         case '&': entity = "&amp;"; break;
         case '<': entity = "&lt;"; break;
         case '"': entity = "&quot;"; break;
         default: continue;
         }
         check(xerEncXmlCharData(mpEncCtxt, v + start, (int)(k - start)));
         check(xerCopyText(mpEncCtxt, entity));
         start = k + 1;
      }
      check(xerEncXmlCharData(mpEncCtxt, v + start, (int)(k - start)));
      check(xerCopyText(mpEncCtxt, "\""));
   }
   check(xerCopyText(mpEncCtxt, ">"));
   mLevel++;
}

void ASN1CXerOpenType::characters(const char* chars, unsigned int length)
{
   // The parser has replaced entity and character references; put back the
   // ones that keep the capture well-formed and reading back to the same text.
   unsigned int start = 0;
   for (unsigned int i = 0; i < length; i++) {
      const char* entity;
      switch (chars[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '\r': entity = "&#13;"; break;   // a raw CR would read back as LF
      default: continue;
      }
      check(xerEncXmlCharData(mpEncCtxt, chars + start, (int)(i - start)));
      check(xerCopyText(mpEncCtxt, entity));
      start = i + 1;
   }
   check(xerEncXmlCharData(mpEncCtxt, chars + start, (int)(length - start)));
   mState = XERDATA;
}

bool ASN1CXerOpenType::isEmptyElement(const char* qname)
{
   const ASN1BUFFER& b = mpEncCtxt->buffer;
   if (b.data == nullptr || b.byteIndex < 2 || b.data[b.byteIndex - 1] != '>') return false;
   // The text after the last '<' up to the final '>'. Character data never
   // holds a raw '<', so that '<' opens the last tag written.
   OSUINT32 lt = b.byteIndex - 1;
   while (lt > 0 && b.data[lt - 1] != '<') lt--;
   if (lt == 0) return false;
   size_t nameLen = b.byteIndex - 1 - lt;
   return strlen(qname) == nameLen && memcmp(b.data + lt, qname, nameLen) == 0;
}

void ASN1CXerOpenType::endElement(const char*, const char*, const char* qname)
{
   if (mLevel == mStartLevel) {
      // The open type's own wrapper element: not captured, but the text since
      // the last child (or all of it when there is no child) belongs to the
      // value, so the record is brought up to date here too.
      mpOpenType->data = mpEncCtxt->buffer.data;
      mpOpenType->numocts = mpEncCtxt->buffer.byteIndex;
      mState = XEREND;
      return;
   }
   if (isEmptyElement(qname)) {
      // <name> becomes <name/>.
      mpEncCtxt->buffer.byteIndex--;
      check(xerCopyText(mpEncCtxt, "/>"));
   }
   else {
      check(xerCopyText2(mpEncCtxt, "</", qname));
      check(xerCopyText(mpEncCtxt, ">"));
   }
   mpOpenType->data = mpEncCtxt->buffer.data;
   mpOpenType->numocts = mpEncCtxt->buffer.byteIndex;
   mLevel--;
   if (mLevel == 0) mState = XEREND;
}
