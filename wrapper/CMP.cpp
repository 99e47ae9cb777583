#include "CMP.h"

#include <ctype.h>

#include <iostream>

#include "CMPTraits.h"
#include "WinCompat.h"

namespace Corvane {
namespace ASN1 {

namespace {
[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }

const wchar_t kPrefixStart = 0x0E01;
const wchar_t kPrefixEnd = 0x0E7E;
}  // namespace

// ---------------------------------------------------------------------------
// Failure information

bool CPKIFailureInfo::get_bit(unsigned int n) const
{
   if (n > 31) fail(E_INVALIDARG);
   return (m_value & (1u << n)) != 0;
}

void CPKIFailureInfo::put_bit(unsigned int n, bool on)
{
   if (n > 31) fail(E_INVALIDARG);
   if (on) m_value |= 1u << n;
   else m_value &= ~(1u << n);
}

Corvane::CBlob CPKIFailureInfo::encode() const { return asn1Encode<ASN1T_PKIFailureInfo_traits>(*this); }

void CPKIFailureInfo::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_PKIFailureInfo_traits>(der, *this); }

void ASN1T_PKIFailureInfo_traits::set(ASN1CTXT*, ASN1_T& rec, const CPKIFailureInfo& info)
{
   // The record's bit string holds the bits the type names; a higher bit
   // would be dropped by the encoder, so it is refused.
   const unsigned int capacity = 27;
   rec.numbits = 0;
   memset(rec.data, 0, sizeof rec.data);
   for (unsigned int n = 0; n < 32; ++n) {
      if (!info.get_bit(n)) continue;
      if (n >= capacity) fail(E_INVALIDARG);
      rec.data[n / 8] |= (OSOCTET)(0x80u >> (n % 8));
      rec.numbits = n + 1;  // cut after the last set bit
   }
}

void ASN1T_PKIFailureInfo_traits::get(const ASN1_T& rec, CPKIFailureInfo& info)
{
   // The decoded bits replace the value: an object used again must not keep
   // bits of its earlier value.
   unsigned int value = 0;
   const unsigned int capacity = (unsigned int)sizeof(rec.data) * 8;
   for (unsigned int n = 0; n < rec.numbits && n < capacity && n < 32; ++n)
      if ((rec.data[n / 8] & (0x80u >> (n % 8))) != 0) value |= 1u << n;
   info.put_value(value);
}

// ---------------------------------------------------------------------------
// Language tags and free text

CLanguageTag::CLanguageTag(const wchar_t* tag) { assign(Corvane::ASN1::tostring(tag).c_str()); }

void CLanguageTag::assign(const char* tag)
{
   m_tag = tag != nullptr ? tag : "";
   for (char& c : m_tag) c = (char)tolower((unsigned char)c);
}

CLanguageTag CLanguageTagRuRu() { return CLanguageTag("ru-ru"); }
CLanguageTag CLanguageTagEnUs() { return CLanguageTag("en-us"); }
CLanguageTag CLanguageTagDefaultRead() { return CLanguageTag("*"); }

std::wstring CLanguageTag_toUnicode(const CLanguageTag& tag)
{
   if (tag.str() == "*") return std::wstring();
   std::wstring prefix(1, kPrefixStart);
   for (unsigned char b : tag.str()) {
      // U+0E7E ends the prefix: a tag byte 0x7E could not be read back.
      if (b == 0x7E) fail(E_INVALIDARG);
      prefix += (wchar_t)(0x0E00 + b);
   }
   prefix += kPrefixEnd;
   return prefix;
}

namespace {
// The tag of a text and the length of its prefix (0 when it has none).
CLanguageTag readPrefix(const wchar_t* text, size_t& length)
{
   length = 0;
   if (text == nullptr || text[0] != kPrefixStart) return CLanguageTagDefaultRead();
   std::string tag;
   size_t i = 1;
   for (;; ++i) {
      wchar_t c = text[i];
      if (c == kPrefixEnd) break;
      // Another character, or the end of the text, before the prefix ends.
      if (c < 0x0E00 || c > 0x0EFF) fail(E_INVALIDARG);
      tag += (char)(c & 0xFF);
   }
   length = i + 1;
   return CLanguageTag(tag.c_str());
}
}  // namespace

CLanguageTag CLanguageTag_fromUnicode(const wchar_t* text)
{
   size_t length;
   return readPrefix(text, length);
}

CPKIFreeTextString::CPKIFreeTextString(const char* value, CLanguageTag language)
   : m_language(language), m_value(towstring(value))
{
}

CPKIFreeText::iterator CPKIFreeText::find(const CLanguageTag& language)
{
   if (language == CLanguageTagDefaultRead()) return begin();
   iterator it = begin();
   while (it != end() && it->get_language() != language) ++it;
   return it;
}

CPKIFreeText::const_iterator CPKIFreeText::find(const CLanguageTag& language) const
{
   return const_cast<CPKIFreeText*>(this)->find(language);
}

void CPKIFreeText::insert(const CPKIFreeTextString& s)
{
   if (s.get_language() != CLanguageTagDefaultRead()) {
      iterator it = find(s.get_language());
      if (it != end()) {
         *it = s;
         return;
      }
   }
   push_back(s);
}

void CPKIFreeText::remove(const CLanguageTag& language)
{
   remove_if([&](const CPKIFreeTextString& s) { return s.get_language() == language; });
}

CPKIFreeText::operator const CPKIFreeTextString&() const
{
   static const CPKIFreeTextString empty;
   const_iterator it = find(CLanguageTagDefaultRead());
   return it != end() ? *it : empty;
}

void out_CPKIFreeText(const CPKIFreeText& text)
{
   for (const CPKIFreeTextString& s : text)
      std::cout << "[" << s.get_language().str() << "] " << tostring(s.get_value()) << "\n";
   const CPKIFreeTextString& def = text;
   std::cout << "default: " << tostring(def.get_value()) << "\n";
   CPKIFreeText::const_iterator ru = text.find(CLanguageTagRuRu());
   std::cout << "ru-ru: " << (ru != text.end() ? tostring(ru->get_value()) : std::string("(none)")) << "\n";
}

void CPKIFreeText_Encode(ASN1CTXT* ctxt, asn1data::ASN1T_PKIFreeText& record, const CPKIFreeText& text)
{
   record.n = 0;
   record.elem = nullptr;
   if (text.empty()) return;
   const char** elems = asn1NewArray<const char*>(ctxt, text.size());
   OSUINT32 n = 0;
   for (const CPKIFreeTextString& s : text) {
      std::wstring w = CLanguageTag_toUnicode(s.get_language());
      // A default-language text that itself begins like a prefix (U+0E01,
      // a common Thai letter) gets an explicit "*" prefix, so that it reads
      // back as it was written.
      if (w.empty() && s.get_value()[0] == kPrefixStart) w = std::wstring(1, kPrefixStart) + (wchar_t)(0x0E00 + '*') + kPrefixEnd;
      w += s.get_value();
      const char* utf8 = nullptr;
      try {
         ASN1UTF8String_traits::set(ctxt, utf8, w);
      }
      catch (const ATL::CAtlException& e) {
         if (e.m_hr == E_INVALIDARG) fail(CRYPT_E_ASN1_INTERNAL);
         throw;
      }
      elems[n++] = utf8;
   }
   record.elem = elems;
   record.n = n;
}

void CPKIFreeText_Parse(ASN1CTXT*, CPKIFreeText& text, const asn1data::ASN1T_PKIFreeText& record)
{
   CPKIFreeText out;
   for (OSUINT32 i = 0; i < record.n; ++i) {
      std::wstring w;
      try {
         ASN1UTF8String_traits::get(record.elem[i], w);
      }
      catch (const ATL::CAtlException&) {
         fail(CRYPT_E_ASN1_UTF8);
      }
      size_t length;
      CLanguageTag tag = readPrefix(w.c_str(), length);
      out.push_back(CPKIFreeTextString(w.c_str() + length, tag));
   }
   text.swap(out);
}

// ---------------------------------------------------------------------------
// Status information

Corvane::CBlob CPKIStatusInfo::encode() const { return asn1Encode<ASN1T_PKIStatusInfo_traits>(*this); }

void CPKIStatusInfo::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_PKIStatusInfo_traits>(der, *this); }

void ASN1T_PKIStatusInfo_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CPKIStatusInfo& info)
{
   rec.status = (OSUINT32)info.get_pkiStatus();
   if (info.get_failureInfo().get_value() != 0) {
      ASN1T_PKIFailureInfo_traits::set(ctxt, rec.failInfo, info.get_failureInfo());
      rec.m.failInfoPresent = 1;
   }
   if (!info.get_statusString().empty()) {
      CPKIFreeText_Encode(ctxt, rec.statusString, info.get_statusString());
      rec.m.statusStringPresent = 1;
   }
}

void ASN1T_PKIStatusInfo_traits::get(const ASN1_T& rec, CPKIStatusInfo& info)
{
   info.put_pkiStatus((PKIStatusEnum)rec.status);
   CPKIFailureInfo failure(0);
   if (rec.m.failInfoPresent) ASN1T_PKIFailureInfo_traits::get(rec.failInfo, failure);
   info.put_failureInfo(failure);
   CPKIFreeText text;
   if (rec.m.statusStringPresent) CPKIFreeText_Parse(nullptr, text, rec.statusString);
   info.put_statusString(text);
}

// ---------------------------------------------------------------------------
// General-message items

Corvane::CBlob CInfoTypeAndValue::encode() const { return asn1Encode<ASN1T_InfoTypeAndValue_traits>(*this); }

void CInfoTypeAndValue::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_InfoTypeAndValue_traits>(der, *this); }

void ASN1T_InfoTypeAndValue_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CInfoTypeAndValue& item)
{
   ASN1TObjId_traits::set(ctxt, rec.infoType, item.get_infoType());
   if (!item.get_infoValue().empty()) {
      Asn1TObject_traits::set(ctxt, rec.infoValue, item.get_infoValue());
      rec.m.infoValuePresent = 1;
   }
   if (asn1data::asn1DTC_InfoTypeAndValue(ctxt, &rec) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   rec.infoValue.decoded = nullptr;
}

void ASN1T_InfoTypeAndValue_traits::get(const ASN1_T& rec, CInfoTypeAndValue& item)
{
   std::string type;
   ASN1TObjId_traits::get(rec.infoType, type);
   Corvane::CBlob value;
   if (rec.m.infoValuePresent) Asn1TObject_traits::get(rec.infoValue, value);
   item = CInfoTypeAndValue(type.c_str(), value);
}

CInfoTypeAndValueList::iterator CInfoTypeAndValueList::find(const char* type)
{
   std::string t = type != nullptr ? type : "";
   iterator it = begin();
   while (it != end() && t != it->get_infoType()) ++it;
   return it;
}

CInfoTypeAndValueList::const_iterator CInfoTypeAndValueList::find(const char* type) const
{
   return const_cast<CInfoTypeAndValueList*>(this)->find(type);
}

void CInfoTypeAndValueList::insert(const CInfoTypeAndValue& item)
{
   iterator it = find(item.get_infoType());
   if (it != end()) *it = item;
   else push_back(item);
}

void CInfoTypeAndValueList::remove(const char* type)
{
   iterator it = find(type);
   if (it != end()) erase(it);
}

Corvane::CBlob CInfoTypeAndValueList::encode() const { return asn1Encode<ASN1T_GenMsgContent_traits>(*this); }

void CInfoTypeAndValueList::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_GenMsgContent_traits>(der, *this); }

void ASN1TavList_Parse(const ASN1TSeqOfList& records, CInfoTypeAndValueList& items)
{
   CInfoTypeAndValueList out;
   ASN1T_GenMsgContent_traits::get(records, out);
   items.swap(out);
}

void ASN1TavList_Encode(const CInfoTypeAndValueList& items, ASN1TSeqOfList& records, ASN1BERDecodeBuffer& buffer)
{
   ASN1T_GenMsgContent_traits::set(buffer.getCtxtPtr(), records, items);
}

// ---------------------------------------------------------------------------
// Revocation announcement

Corvane::CBlob CCertId::encode() const { return asn1Encode<ASN1T_CertId_traits>(*this); }
void CCertId::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_CertId_traits>(der, *this); }
Corvane::CBlob CRevAnnContent::encode() const { return asn1Encode<ASN1T_RevAnnContent_traits>(*this); }
void CRevAnnContent::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_RevAnnContent_traits>(der, *this); }

void ASN1T_CertId_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CCertId& id)
{
   ASN1T_GeneralName_traits::set(ctxt, rec.issuer, id.get_issuer());
   ASN1T_CertificateSerialNumber_traits::set(ctxt, rec.serialNumber, id.get_serialNumber());
}

void ASN1T_CertId_traits::get(const ASN1_T& rec, CCertId& id)
{
   CGeneralName issuer;
   ASN1T_GeneralName_traits::get(rec.issuer, issuer);
   CBigInteger serial;
   ASN1T_CertificateSerialNumber_traits::get(rec.serialNumber, serial);
   id = CCertId(issuer, serial);
}

void ASN1T_RevAnnContent_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CRevAnnContent& ann)
{
   rec.status = (OSUINT32)ann.get_status();
   ASN1T_CertId_traits::set(ctxt, rec.certId, ann.get_certId());
   ASN1GeneralizedTime_traits::set(ctxt, rec.willBeRevokedAt, ann.get_willBeRevokedAt());
   ASN1GeneralizedTime_traits::set(ctxt, rec.badSinceDate, ann.get_badSinceDate());
   if (ann.get_crlDetails() != nullptr) {
      ASN1T_Extensions_traits::set(ctxt, rec.crlDetails, *ann.get_crlDetails());
      rec.m.crlDetailsPresent = 1;
   }
}

void ASN1T_RevAnnContent_traits::get(const ASN1_T& rec, CRevAnnContent& ann)
{
   CCertId id;
   ASN1T_CertId_traits::get(rec.certId, id);
   Corvane::CDateTime willBe, badSince;
   ASN1GeneralizedTime_traits::get(rec.willBeRevokedAt, willBe);
   ASN1GeneralizedTime_traits::get(rec.badSinceDate, badSince);
   CRevAnnContent out((PKIStatusEnum)rec.status, id, willBe, badSince);
   if (rec.m.crlDetailsPresent) {
      CExtensions details;
      ASN1T_Extensions_traits::get(rec.crlDetails, details);
      out.put_crlDetails(&details);
   }
   ann = out;
}

}
}
