#include "Converter.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include "ASN1Context.h"
#include "Pem.h"
#include "asn1BerCppTypes.h"
#include "asn1XerCppTypes.h"
#include "rtError.h"
#include "rtMemHeap.h"

namespace qvasn1tool {

std::string ConvError::message() const
{
   std::string m = text;
   if (status != 0) {
      m += ": status " + std::to_string(status) + " (" + rtErrGetStatusText(status) + ")";
   }
   if (offset >= 0) {
      m += " at offset " + std::to_string(offset);
      if (offsetInPem) m += " of the PEM content";
   }
   if (!detail.empty()) m += ": " + detail;
   // The message is one line whatever the detail holds.
   for (char& c : m) {
      if (c == '\n' || c == '\r') c = ' ';
   }
   return m;
}

bool readInput(const char* path, std::vector<uint8_t>& out, ConvError& err)
{
   bool useStdin = path == nullptr || strcmp(path, "-") == 0;
   const char* shown = useStdin ? "standard input" : path;
   FILE* fp = useStdin ? stdin : fopen(path, "rb");
   if (fp == nullptr) {
      err.text = std::string("cannot open '") + path + "'";
      err.detail = strerror(errno);
      return false;
   }
   out.clear();
   uint8_t chunk[65536];
   bool ok = true;
   for (;;) {
      size_t n = fread(chunk, 1, sizeof chunk, fp);
      if (n > 0) {
         if (out.size() + n > kMaxInputSize) {
            err.text = std::string("cannot read ") + (useStdin ? shown : "'" + std::string(path) + "'");
            err.detail = "input larger than " + std::to_string(kMaxInputSize) + " octets";
            ok = false;
            break;
         }
         out.insert(out.end(), chunk, chunk + n);
      }
      if (n < sizeof chunk) {
         if (ferror(fp)) {
            err.text = std::string("cannot read ") + (useStdin ? shown : "'" + std::string(path) + "'");
            err.detail = strerror(errno);
            ok = false;
         }
         break;
      }
   }
   if (!useStdin) fclose(fp);
   return ok;
}

bool derFromInput(const std::vector<uint8_t>& raw, std::vector<uint8_t>& der, bool& wasPem,
                  std::string& pemLabel, ConvError& err)
{
   std::string reason;
   switch (pemDecode(raw.data(), raw.size(), pemLabel, der, reason)) {
   case PemStatus::NotPem:
      wasPem = false;
      der = raw;
      return true;
   case PemStatus::Ok:
      wasPem = true;
      return true;
   case PemStatus::Error:
   default:
      err.text = "malformed PEM input";
      err.detail = reason;
      return false;
   }
}

TypedValue::TypedValue(const Asn1RegEntry& entry)
   : mEntry(entry), mpContext(new ASN1Context()), mpRecord(nullptr)
{
   mpContext->_ref();
   // A zero-filled record is an empty record of every registered type. A
   // type without value still gets one octet so that the pointer is valid.
   size_t size = entry.recordSize != 0 ? entry.recordSize : 1;
   if (size <= (size_t)INT_MAX) mpRecord = ASN1MALLOCZ(mpContext->getPtr(), size);
}

TypedValue::~TypedValue()
{
   if (mpRecord != nullptr && mEntry.free != nullptr) mEntry.free(mpContext->getPtr(), mpRecord);
   mpContext->_unref();   // the heap goes with the last reference, and the record with it
}

bool TypedValue::decodeBer(const uint8_t* der, size_t len, size_t& consumed, ConvError& err)
{
   ASN1CTXT* pctxt = mpContext->getPtr();
   err.text = std::string("cannot decode ") + mEntry.name;
   consumed = 0;
   if (mpRecord == nullptr) {
      err.status = ASN1ERR_NO_MEMORY;
      return false;
   }
   if (mEntry.berDecode == nullptr) {
      err.status = ASN1ERR_NOT_SUPPORTED;
      return false;
   }
   if (len == 0) {
      err.detail = "the input is empty";
      return false;
   }
   if (len > (size_t)INT_MAX) {
      err.status = ASN1ERR_TOO_BIG;
      return false;
   }
   rtErrReset(&pctxt->errInfo);
   ASN1TAG tag = 0;
   int total = 0;
   int stat = xd_setp(pctxt, der, (int)len, &tag, &total);
   if (stat == 0) stat = mEntry.berDecode(pctxt, mpRecord);
   if (stat != 0) {
      // The first status recorded is the one raised deepest; the position is
      // where the decoder stopped.
      err.status = pctxt->errInfo.status != 0 ? pctxt->errInfo.status : stat;
      err.offset = (long long)pctxt->buffer.byteIndex;
      return false;
   }
   consumed = pctxt->buffer.byteIndex;
   return true;
}

bool TypedValue::decodeXer(const uint8_t* xml, size_t len, ConvError& err)
{
   err.text = std::string("cannot decode the XER document as ") + mEntry.name;
   if (mEntry.xerDecode == nullptr) {
      err.status = ASN1ERR_NOT_SUPPORTED;
      err.detail = "the type decodes XER only as a component of another type";
      return false;
   }
   if (mpRecord == nullptr) {
      err.status = ASN1ERR_NO_MEMORY;
      return false;
   }
   if (len > (size_t)INT_MAX) {
      err.status = ASN1ERR_TOO_BIG;
      return false;
   }
   ASN1CTXT* pctxt = mpContext->getPtr();
   rtErrReset(&pctxt->errInfo);
   int stat;
   try {
      // The buffer works in this value's context, so the record's parts are
      // allocated from its heap and outlive the buffer.
      ASN1XERDecodeBuffer buf(xml, (OSUINT32)len, FALSE, mpContext);
      stat = mEntry.xerDecode(&buf, mpRecord);
   }
   catch (const OSRTSAXException& e) {
      stat = e.getStatus();
      const char* msg = e.getMessage();
      if (msg != nullptr) err.detail = msg;
   }
   catch (const ASN1RTLException& e) {
      stat = e.status;
   }
   catch (const std::bad_alloc&) {
      stat = ASN1ERR_NO_MEMORY;
   }
   if (stat == 0) stat = pctxt->errInfo.status;
   if (stat != 0) {
      err.status = pctxt->errInfo.status != 0 ? pctxt->errInfo.status : stat;
      if (err.status >= 0) err.status = ASN1ERR_XML_STATE;
      return false;
   }
   return true;
}

bool TypedValue::encodeDer(std::vector<uint8_t>& out, ConvError& err)
{
   err.text = std::string("cannot encode ") + mEntry.name + " in DER";
   if (mpRecord == nullptr) {
      err.status = ASN1ERR_NO_MEMORY;
      return false;
   }
   if (mEntry.derEncode == nullptr) {
      err.status = ASN1ERR_NOT_SUPPORTED;
      return false;
   }
   ASN1BEREncodeBuffer buf;
   buf.init();
   int len = mEntry.derEncode(buf.getCtxtPtr(), mpRecord);
   if (len < 0) {
      err.status = len;
      return false;
   }
   const OSOCTET* p = buf.getMsgPtr();
   out.assign(p, p + len);
   return true;
}

bool TypedValue::encodeXer(std::string& out, bool canonical, ConvError& err)
{
   err.text = std::string("cannot encode ") + mEntry.name + " in XER";
   if (mpRecord == nullptr) {
      err.status = ASN1ERR_NO_MEMORY;
      return false;
   }
   if (mEntry.xerEncode == nullptr) {
      err.status = ASN1ERR_NOT_SUPPORTED;
      return false;
   }
   ASN1XEREncodeBuffer buf(canonical ? TRUE : FALSE);
   buf.init();
   ASN1CTXT* pctxt = buf.getCtxtPtr();
   int stat = xerEncStartDocument(pctxt);
   if (stat == 0) stat = mEntry.xerEncode(pctxt, mpRecord);
   if (stat == 0) stat = xerEncEndDocument(pctxt);
   if (stat != 0) {
      err.status = pctxt->errInfo.status != 0 ? pctxt->errInfo.status : stat;
      return false;
   }
   out.assign(reinterpret_cast<const char*>(pctxt->buffer.data), buf.getMsgLen());
   out.push_back('\n');
   return true;
}

bool decodeWhole(TypedValue& value, const std::vector<uint8_t>& der, ConvError& err)
{
   size_t consumed = 0;
   if (!value.decodeBer(der.data(), der.size(), consumed, err)) return false;
   if (consumed != der.size()) {
      err.text = std::string("cannot decode ") + value.entry().name;
      err.offset = (long long)consumed;
      size_t extra = der.size() - consumed;
      err.detail = std::to_string(extra) + (extra == 1 ? " octet follows" : " octets follow") + " the value";
      return false;
   }
   return true;
}

}  // namespace qvasn1tool
