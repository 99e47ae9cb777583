// The support of the object tables that is no template: the XER reader of
// open types in place, the text forms of open types, and the failure of a
// table-constrained value.
#include "asn1dataTables.h"

#include <typeinfo>

namespace asn1data {

OSINT64 asn1dataLocateValue(const ASN1CTXT* pctxt, const Asn1TObject& object)
{
   const OSUINT32 kLocateProbe = 32;
   const ASN1BUFFER& b = pctxt->buffer;
   const OSUINT32 end = b.byteIndex < b.size ? b.byteIndex : b.size;
   if (b.data == nullptr || object.data == nullptr || object.numocts == 0 || object.numocts > end) return -1;
   if (object.data >= b.data && object.data + object.numocts <= b.data + end) return object.data - b.data;
   const OSUINT32 n = object.numocts;
   const OSUINT32 probe = n < kLocateProbe ? n : kLocateProbe;
   for (OSUINT32 at = end - n + 1; at-- > 0;) {
      if (b.data[at] == object.data[0] && memcmp(b.data + at, object.data, probe) == 0 &&
          memcmp(b.data + at + n - probe, object.data + n - probe, probe) == 0)
         return at;
   }
   return -1;
}

int asn1dataTableValueFailed(ASN1CTXT* pctxt, Asn1TObject& object, int stat, const char* name, const char* type,
                             OSINT32 index)
{
   object.decoded = nullptr;
   if (pctxt->flags & ASN1LENIENT) {
      // Only the first failure is recorded: a status other than this one was
      // there before the value and stays; this one came with it and goes.
      ASN1ErrInfo before = pctxt->errInfo;
      if (before.status == stat) before.status = 0;
      asn1dataTakeBack(pctxt, before);
      return 0;
   }
   const OSINT64 at = asn1dataLocateValue(pctxt, object);
   rtErrPathAdd(pctxt, stat, ASN1EP_BUFFER, nullptr, -1, nullptr, at);
   if (index < 0) return rtErrPathAdd(pctxt, stat, ASN1EP_COMPONENT, name, -1, type, at);
   rtErrPathAdd(pctxt, stat, ASN1EP_COMPONENT, nullptr, index, type, at);
   return rtErrPathAdd(pctxt, stat, ASN1EP_COMPONENT, name, -1, nullptr, -1);
}

bool asn1dataIsXmlText(const ASN1OpenType& object)
{
   OSUINT32 i = 0;
   while (i < object.numocts && (object.data[i] == ' ' || object.data[i] == '\t' || object.data[i] == '\n' ||
                                 object.data[i] == '\r'))
      ++i;
   if (i == object.numocts || object.data[i] != '<') return false;
   for (OSUINT32 k = i; k < object.numocts; ++k)
      if ((object.data[k] < 0x20 && object.data[k] != '\t' && object.data[k] != '\n' && object.data[k] != '\r') ||
          object.data[k] == 0x7F)
         return false;
   return true;
}

int asn1dataHexTextToOctets(ASN1CTXT* pctxt, ASN1OpenType& object)
{
   OSUINT32 digits = 0;
   for (OSUINT32 i = 0; i < object.numocts; ++i) {
      OSOCTET c = object.data[i];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
      if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return ASN1ERR_INVALID_HEX;
      ++digits;
   }
   if (digits % 2 != 0) return ASN1ERR_INVALID_HEX;
   OSOCTET* out = nullptr;
   if (digits > 0) {
      out = static_cast<OSOCTET*>(ASN1MALLOC(pctxt, digits / 2));
      if (out == nullptr) return ASN1ERR_NO_MEMORY;
   }
   OSUINT32 n = 0;
   bool high = true;
   for (OSUINT32 i = 0; i < object.numocts; ++i) {
      OSOCTET c = object.data[i];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
      OSOCTET v = static_cast<OSOCTET>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
      if (high) out[n] = static_cast<OSOCTET>(v << 4);
      else out[n++] |= v;
      high = !high;
   }
   object.numocts = n;
   object.data = out;
   return 0;
}

bool asn1dataTakeXmlForm(ASN1XERTypeHandler* forms, ASN1OpenType& object)
{
   if (forms != nullptr && !forms->openTypes().take(&object, ASN1XEROpenTypes::XmlText)) return false;
   if (object.numocts == 0 || object.data == nullptr ||
       xerIsWhiteSpace(reinterpret_cast<const char*>(object.data), object.numocts)) {
      object.numocts = 0;
      object.data = nullptr;
      return false;
   }
   return true;
}

// The one place where the failure of a value read in place is raised.
int asn1dataRaiseValueRead(ASN1CTXT* pctxt, int status)
{
   return LOG_ASN1ERR(pctxt, status);
}

namespace {

// The control object as a SAX type handler, or null. The cast across the
// bases is the same for every object of a class: each thread remembers it
// for the last classes it made (a few kinds of value take turns).
ASN1XERTypeHandler* asTypeHandler(ASN1CType* control)
{
   if (control == nullptr) return nullptr;
   struct Cast {
      const std::type_info* type;
      ptrdiff_t offset;
      bool handler;
   };
   const unsigned kCasts = 32;
   struct Casts {
      Cast cast[kCasts];
      unsigned next;   // the entry to replace
   };
   static thread_local Casts casts;
   const std::type_info* type = &typeid(*control);
   for (unsigned i = 0; i < kCasts && casts.cast[i].type != nullptr; ++i) {
      const Cast& c = casts.cast[i];
      if (c.type == type)
         return c.handler ? reinterpret_cast<ASN1XERTypeHandler*>(reinterpret_cast<char*>(control) + c.offset)
                          : nullptr;
   }
   ASN1XERTypeHandler* handler = dynamic_cast<ASN1XERTypeHandler*>(control);
   Cast& c = casts.cast[casts.next];
   casts.next = (casts.next + 1) % kCasts;
   c.type = type;
   c.handler = handler != nullptr;
   c.offset = handler != nullptr ? reinterpret_cast<char*>(handler) - reinterpret_cast<char*>(control) : 0;
   return handler;
}

}  // namespace

asn1dataXerObjectValue::~asn1dataXerObjectValue()
{
   dropControl();
}

ASN1XERSAXDecodeHandler* asn1dataXerObjectValue::begin(ASN1MessageBufferIF& msgBuf, ASN1XERTypeHandler& owner,
                                                       Asn1TObject& holder, bool noteXml, void* object,
                                                       MakeRecord makeRecord, Make make, Drop drop, Encode enc,
                                                       Decode dec)
{
   ASN1CTXT* pctxt = msgBuf.getCtxtPtr();
   if (pctxt == nullptr) return nullptr;
   const ASN1ErrInfo errInfo = pctxt->errInfo;
   void* record = object != nullptr ? makeRecord(object, pctxt) : nullptr;
   ASN1CType* control = record != nullptr ? make(object, msgBuf, record) : nullptr;
   ASN1XERTypeHandler* handler = asTypeHandler(control);
   if (handler == nullptr) {
      if (control != nullptr) drop(object, control);
      if (record != nullptr) rtMemHeapFreePtr(&pctxt->memHeap, record);
      control = nullptr;
      record = nullptr;
      if (dec == nullptr) return nullptr;
   }
   asn1dataXerObjectValue* reader = static_cast<asn1dataXerObjectValue*>(owner.objectValueReader());
   if (reader == nullptr) {
      reader = new asn1dataXerObjectValue(owner);
      owner.setObjectValueReader(reader);
   }
   reader->dropControl();
   reader->capture_.reset();
   reader->msgBuf_ = &msgBuf;
   reader->holder_ = &holder;
   reader->noteXml_ = noteXml;
   reader->object_ = object;
   reader->record_ = record;
   reader->control_ = control;
   reader->handler_ = handler;
   reader->drop_ = drop;
   reader->enc_ = enc;
   reader->dec_ = dec;
   reader->mode_ = Waiting;
   reader->errInfo_ = errInfo;
   reader->mark_ = owner.openTypes().mark();
   reader->text_.clear();
   return reader;
}

void asn1dataXerObjectValue::startElement(const char* uri, const char* localname, const char* qname,
                                          const char* const* attrs)
{
   switch (mode_) {
   case Capture:
      capture_->startElement(uri, localname, qname, attrs);
      return;
   case Waiting: {
      if (handler_ == nullptr) {
         // No control object to read it: captured, for the post-decoder.
         toCapture();
         capture_->startElement(uri, localname, qname, attrs);
         return;
      }
      // The value's element: from here on the control object reads it.
      const int depth = owner_.getObjectDepth() + 1;
      if (depth + static_cast<int>(msgBuf_->getCtxtPtr()->depth) > ASN1DATA_MAX_DEPTH) {
         fail(ASN1ERR_NOT_SUPPORTED);
         break;
      }
      mode_ = Direct;
      try {
         // The value is read as part of this decode: its open types go to
         // the decode's record.
         handler_->setOpenTypes(&owner_.openTypes());
         handler_->init(0);
         handler_->setObjectDepth(depth);
         dispatch_.emplace(handler_);
         dispatch_->startElement(uri, localname, qname, attrs);
      }
      catch (...) {
         failed();
      }
      break;
   }
   case Direct:
      try {
         dispatch_->startElement(uri, localname, qname, attrs);
      }
      catch (...) {
         failed();
      }
      break;
   case Hex:
      fail(ASN1ERR_INVALID_HEX);   // an element in hexadecimal text
      break;
   case Done:
      fail(ASN1ERR_XML_STATE);   // a second element
      break;
   case Failed:
      break;
   }
   ++mLevel;
}

void asn1dataXerObjectValue::characters(const char* chars, unsigned int length)
{
   switch (mode_) {
   case Capture:
      capture_->characters(chars, length);
      return;
   case Waiting:
      // A carriage return (a character reference) is captured as one, which
      // neither XML nor hexadecimal text may start with: the capture decides.
      if (memchr(chars, '\r', length) != nullptr) break;
      if (xerIsBlankText(chars, length)) {
         text_.append(chars, length);
         return;
      }
      if (dec_ != nullptr) {
         // Hexadecimal octets.
         mode_ = Hex;
         dropControl();
         dropRecord();
         text_.append(chars, length);
         return;
      }
      break;   // text before an element
   case Direct:
      try {
         dispatch_->characters(chars, length);
      }
      catch (...) {
         failed();
      }
      return;
   case Hex:
      // As in the capture, a carriage return is no hexadecimal text.
      if (memchr(chars, '\r', length) != nullptr) fail(ASN1ERR_INVALID_HEX);
      else text_.append(chars, length);
      return;
   case Done:
      // Only white space may follow the value's element.
      if (!xerIsBlankText(chars, length) || memchr(chars, '\r', length) != nullptr) fail(ASN1ERR_XML_STATE);
      return;
   case Failed:
      return;
   }
   toCapture();
   capture_->characters(chars, length);
}

void asn1dataXerObjectValue::endElement(const char* uri, const char* localname, const char* qname)
{
   switch (mode_) {
   case Capture:
      capture_->endElement(uri, localname, qname);
      return;
   case Waiting:
      // The open type's element ends without a value element.
      toCapture();
      capture_->endElement(uri, localname, qname);
      return;
   case Direct:
      --mLevel;
      try {
         dispatch_->endElement(uri, localname, qname);
         // The value's element is complete: what a decode of the value as
         // a document checks last.
         if (mLevel == mStartLevel) handler_->refuseXmlTexts();
      }
      catch (...) {
         failed();
         return;
      }
      if (mLevel == mStartLevel) finish();
      return;
   case Hex:
      finishHex();
      if (mode_ == Done) owner_.openTypes().noteValueRead(holder_, 0);
      mState = XEREND;
      return;
   case Done:
      // The open type's own element: the value is complete.
      owner_.openTypes().noteValueRead(holder_, 0);
      mState = XEREND;
      return;
   case Failed:
      if (mLevel == mStartLevel) mState = XEREND;   // the open type's own element
      else --mLevel;
      return;
   }
}

void asn1dataXerObjectValue::dropControl()
{
   dispatch_.reset();
   if (control_ != nullptr) drop_(object_, control_);
   control_ = nullptr;
   handler_ = nullptr;
}

void asn1dataXerObjectValue::dropRecord()
{
   if (record_ != nullptr) rtMemHeapFreePtr(&msgBuf_->getCtxtPtr()->memHeap, record_);
   record_ = nullptr;
}

// The rest of the open type is captured as text, for the post-decoder.
void asn1dataXerObjectValue::toCapture()
{
   dropControl();
   dropRecord();
   capture_.reset(new ASN1CXerOpenType(*msgBuf_, *holder_));
   capture_->init(mStartLevel);
   mode_ = Capture;
   if (noteXml_) owner_.noteXmlText(holder_);
   if (!text_.empty()) capture_->characters(text_.data(), static_cast<unsigned int>(text_.size()));
}

void asn1dataXerObjectValue::finish()
{
   dropControl();
   void* record = record_;
   record_ = nullptr;
   Encode enc = enc_;
   void* object = object_;
   int stat = asn1dataHoldRecord(msgBuf_->getCtxtPtr(), *holder_, record,
                                 [enc, object](ASN1CTXT* c, Asn1TObject& o) { return enc(object, c, o); });
   if (stat != 0) {
      fail(stat);
      return;
   }
   mode_ = Done;   // noted when the open type's element ends
}

// The hexadecimal text becomes the octets, decoded through the object.
void asn1dataXerObjectValue::finishHex()
{
   ASN1CTXT* pctxt = msgBuf_->getCtxtPtr();
   ASN1OpenType octets;
   octets.numocts = static_cast<OSUINT32>(text_.size());
   octets.data = reinterpret_cast<const OSOCTET*>(text_.data());
   int stat = asn1dataHexTextToOctets(pctxt, octets);
   if (stat != 0) {
      fail(stat);
      return;
   }
   holder_->numocts = octets.numocts;
   holder_->data = octets.data;
   holder_->decoded = nullptr;
   if (object_ != nullptr) {
      Decode dec = dec_;
      void* object = object_;
      stat = asn1dataTableDecodeOctets(pctxt, *holder_,
                                       [dec, object](ASN1CTXT* c, Asn1TObject& o) { return dec(object, c, o); });
      if (stat != 0) {
         fail(stat);
         return;
      }
   }
   mode_ = Done;
}

// Inside a catch block: the failure of the exception the value raised
// (the reader's and other failures carry no status: -35).
void asn1dataXerObjectValue::failed()
{
   int stat = ASN1ERR_XML_STATE;
   try {
      throw;
   }
   catch (const OSRTSAXException& e) {
      if (e.getStatus() != 0) stat = e.getStatus();
   }
   catch (...) {
   }
   fail(stat);
}

// The value failed: what it entered in the decode's record is dropped (its
// records are gone) and the failure is entered with the holder, the one
// way it reaches the post-decoder; the rest of the open type's element is
// passed over.
void asn1dataXerObjectValue::fail(int stat)
{
   if (stat >= 0) stat = ASN1ERR_BAD_VALUE;
   dropControl();
   dropRecord();
   holder_->decoded = nullptr;
   msgBuf_->getCtxtPtr()->errInfo = errInfo_;
   ASN1XEROpenTypes& openTypes = owner_.openTypes();
   openTypes.drop(mark_);
   openTypes.noteValueRead(holder_, stat);
   mode_ = Failed;
}

}  // namespace asn1data
