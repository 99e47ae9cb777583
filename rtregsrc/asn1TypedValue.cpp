#include "asn1TypedValue.h"

#include <limits.h>

#include <new>

#include "ASN1Context.h"
#include "asn1XerCppTypes.h"
#include "asn1ber.h"
#include "asn1xer.h"
#include "rtError.h"
#include "rtMemHeap.h"
#include "rtXmlExpatIF.h"

Asn1TypedValue::Asn1TypedValue(const Asn1RegEntry& entry, unsigned flags) noexcept : mEntry(entry), mpContext(nullptr), mpRecord(nullptr)
{
   try {
      mpContext = new ASN1Context();
   }
   catch (...) {
      return;   // no memory, or the context could not be set up
   }
   mpContext->_ref();
   mpContext->getPtr()->flags |= (OSUINT16)flags;
   // A type without value still gets one octet so that the pointer is valid.
   const size_t size = entry.recordSize != 0 ? entry.recordSize : 1;
   if (size <= (size_t)INT_MAX) mpRecord = ASN1MALLOCZ(mpContext->getPtr(), size);
}

Asn1TypedValue::~Asn1TypedValue()
{
   if (mpRecord != nullptr && mEntry.free != nullptr) mEntry.free(mpContext->getPtr(), mpRecord);
   if (mpContext != nullptr) mpContext->_unref();   // the heap goes with the last reference
}

ASN1CTXT* Asn1TypedValue::ctxt() const
{
   return mpContext != nullptr ? mpContext->getPtr() : nullptr;
}

int Asn1TypedValue::decodeBer(const uint8_t* data, size_t size, unsigned flags, size_t* consumed,
                              ASN1ErrPath* path) noexcept
{
   if (consumed != nullptr) *consumed = 0;
   if (path != nullptr) {
      path->count = 0;
      path->dropped = 0;
   }
   if (!valid()) return ASN1ERR_NO_MEMORY;
   if (mEntry.berDecode == nullptr) return ASN1ERR_NOT_SUPPORTED;
   if (data == nullptr || size == 0 || size > (size_t)INT_MAX) return ASN1ERR_INVALID_PARAM;
   ASN1CTXT* pctxt = ctxt();
   rtErrReset(&pctxt->errInfo);
   pctxt->flags |= (OSUINT16)flags;
   ASN1TAG tag = 0;
   int total = 0;
   ASN1ErrPath* previous = rtErrPathAttach(pctxt, path);
   int stat = xd_setp(pctxt, data, (int)size, &tag, &total);
   if (stat == 0) stat = mEntry.berDecode(pctxt, mpRecord);
   rtErrPathDetach(pctxt, previous);
   if (stat != 0) return pctxt->errInfo.status != 0 ? pctxt->errInfo.status : stat;
   if (consumed != nullptr) *consumed = pctxt->buffer.byteIndex;
   return 0;
}

int Asn1TypedValue::encodeDer(std::vector<uint8_t>& out) noexcept
{
   out.clear();
   if (!valid()) return ASN1ERR_NO_MEMORY;
   if (mEntry.derEncode == nullptr) return ASN1ERR_NOT_SUPPORTED;
   // The message buffer is the context's only for this encoding.
   ASN1CTXT* pctxt = ctxt();
   const ASN1BUFFER saved = pctxt->buffer;
   rtErrReset(&pctxt->errInfo);
   int len = xe_setp(pctxt, nullptr, 0);
   if (len == 0) len = mEntry.derEncode(pctxt, mpRecord);
   if (len > 0) {
      const OSOCTET* p = xe_getp(pctxt);
      try {
         out.assign(p, p + len);
      }
      catch (const std::bad_alloc&) {
         len = ASN1ERR_NO_MEMORY;
      }
   }
   if (pctxt->buffer.dynamic && pctxt->buffer.data != nullptr) rtMemHeapFreePtr(&pctxt->msgMemHeap, pctxt->buffer.data);
   pctxt->buffer = saved;
   if (len < 0) return pctxt->errInfo.status != 0 ? pctxt->errInfo.status : len;
   return 0;
}

int Asn1TypedValue::encodeXer(std::string& out, unsigned flags, bool canonical) noexcept
{
   out.clear();
   if (!valid()) return ASN1ERR_NO_MEMORY;
   if (mEntry.xerEncode == nullptr) return ASN1ERR_NOT_SUPPORTED;
   try {
      ASN1XEREncodeBuffer buf(canonical ? TRUE : FALSE);
      int stat = buf.init();
      ASN1CTXT* pctxt = buf.getCtxtPtr();
      if (stat != 0 || pctxt == nullptr) return stat != 0 ? stat : ASN1ERR_NO_MEMORY;
      // Values kept as octets under ASN1LENIENT read back so when the writer
      // compares encodings.
      pctxt->flags |= (OSUINT16)(flags | (ctxt()->flags & ASN1LENIENT));
      stat = xerEncStartDocument(pctxt);
      if (stat == 0) stat = mEntry.xerEncode(pctxt, mpRecord);
      if (stat == 0) stat = xerEncEndDocument(pctxt);
      if (stat != 0) return pctxt->errInfo.status != 0 ? pctxt->errInfo.status : stat;
      out.assign(reinterpret_cast<const char*>(pctxt->buffer.data), buf.getMsgLen());
      return 0;
   }
   catch (...) {
      return asn1RegXerFailure();
   }
}

int Asn1TypedValue::decodeXer(const uint8_t* xml, size_t size) noexcept
{
   if (!valid()) return ASN1ERR_NO_MEMORY;
   if (mEntry.xerDecode == nullptr) return ASN1ERR_NOT_SUPPORTED;
   if (size > (size_t)INT_MAX) return ASN1ERR_TOO_BIG;
   ASN1CTXT* pctxt = ctxt();
   rtErrReset(&pctxt->errInfo);
   OSExpatXMLReader::clearFailure();
   int stat;
   try {
      // The buffer works in this value's context: the record's parts come
      // from its heap and outlive the buffer.
      ASN1XERDecodeBuffer buf(xml, (OSUINT32)size, FALSE, mpContext);
      stat = mEntry.xerDecode(&buf, mpRecord);
   }
   catch (...) {
      stat = asn1RegXerFailure();
   }
   if (stat == 0) stat = pctxt->errInfo.status;
   if (stat == 0) return 0;
   if (pctxt->errInfo.status != 0) stat = pctxt->errInfo.status;
   return stat < 0 ? stat : ASN1ERR_XML_STATE;
}

namespace {

// The order in which a file of unknown type is tried.
const char* const kTopLevelTypes[] = {
   "Certificate",  "CertificateList", "CertificationRequest", "ContentInfo",
   "OCSPRequest",  "OCSPResponse",    "TimeStampReq",         "TimeStampResp",
   "PKIMessage",   "CertReqMessages", "DVCSRequest",          "DVCSResponse",
   "AttributeCertificate",
};

}  // namespace

std::vector<const Asn1RegEntry*> asn1RegTopLevelTypes()
{
   std::vector<const Asn1RegEntry*> v;
   try {
      for (const char* name : kTopLevelTypes)
         if (const Asn1RegEntry* e = asn1RegFind(name)) v.push_back(e);
   }
   catch (const std::bad_alloc&) {
      v.clear();
   }
   return v;
}
