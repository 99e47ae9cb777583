// The value classes' text and byte entry points: name texts in both forms,
// names, general names, distribution points, access descriptions, status
// information, free text with language prefixes, character strings and
// general-message items, extensions and attributes with their typed
// values, integer texts. Input: 1 selector octet + payload. Every input
// gives a value or ATL::CAtlException and nothing else; what is written is
// read back to the same value.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "AttributeTraits.h"
#include "CMPTraits.h"
#include "ExtensionTraits.h"
#include "TypesTraits.h"

using namespace Corvane::ASN1;
using Corvane::CBlob;

namespace {

void check(bool ok, const char* what)
{
   if (ok) return;
   fprintf(stderr, "fuzz check failed: %s (wrapper)\n", what);
   abort();
}

// The payload as wide text: UTF-8 where it is, otherwise one character per
// octet; a text stops at its first NUL, as a C string would.
std::wstring wideText(const uint8_t* p, size_t n)
{
   std::string s(reinterpret_cast<const char*>(p), n);
   s.resize(strnlen(s.c_str(), s.size()));
   try {
      return towstring(s.c_str());
   }
   catch (const ATL::CAtlException&) {
      return std::wstring(s.begin(), s.end());
   }
}

// Decodes the bytes, and when that works encodes the value and decodes that
// again: the value must come back.
template <class T>
void byteRoundTrip(const CBlob& der, const char* what)
{
   T value;
   try {
      value.decode(der);
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   CBlob again;
   try {
      again = value.encode();
   }
   catch (const ATL::CAtlException&) {
      return;  // a value that decodes need not encode (an unsupported part)
   }
   T back;
   back.decode(again);
   check(back.encode() == again, what);
}

void nameText(const std::wstring& text)
{
   CName name;
   try {
      name.fromString(text.c_str());
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   std::wstring shown = name.toString().str();
   CBlob der;
   try {
      der = name.encode();
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   // DER puts the attributes of an RDN in order, so the value that comes
   // back may hold them in another order: its DER must be the same.
   CName back;
   back.decode(der);
   check(back.encode() == der, "designed name text: DER round trip");
   (void)shown;
}

void rfc4514Text(const std::wstring& text)
{
   CName name;
   try {
      name.fromRFC4514(text.c_str());
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   CBlob der;
   try {
      der = name.encode();
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   CName again;
   again.fromRFC4514(name.toRFC4514().c_str());
   check(again.encode() == der, "RFC 4514 text: written form reads back");
}

void nameDer(const CBlob& der)
{
   CName name;
   try {
      name.decode(der);
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   try {
      name.toString();
   }
   catch (const ATL::CAtlException&) {
   }
   CBlob again = name.encode();
   CName back;
   back.fromRFC4514(name.toRFC4514().c_str());
   check(back.encode() == again, "name DER: RFC 4514 form reads back");
   name.toRFC4514(false);
}

void generalNames(const CBlob& der)
{
   byteRoundTrip<CGeneralNames>(der, "general names");
   CGeneralNames names;
   try {
      names.decode(der);
      for (const CGeneralName& g : names) g.toString();
   }
   catch (const ATL::CAtlException&) {
   }
}

void freeText(const std::wstring& text)
{
   try {
      CLanguageTag_fromUnicode(text.c_str());
   }
   catch (const ATL::CAtlException&) {
   }
   // A status string of the text in a language taken from its first
   // characters.
   std::string tag = tostring(text.substr(0, text.size() < 5 ? text.size() : 5).c_str());
   CPKIStatusInfo info(rejection);
   try {
      info.put_statusString(CPKIFreeText(text.c_str(), CLanguageTag(tag.c_str())));
      CPKIStatusInfo back;
      back.decode(info.encode());
      check(back == info, "free text: read back");
   }
   catch (const ATL::CAtlException&) {
   }
}

void charString(const uint8_t* p, size_t n)
{
   if (n == 0) return;
   StringType type = (StringType)(p[0] % 8);
   std::wstring text = wideText(p + 1, n - 1);
   CBlob der;
   try {
      der = encodeCharString(text.c_str(), type);
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   std::wstring back = decodeCharString(der).str();
   // The 8-bit types carry the default code page's bytes; the others the
   // characters themselves.
   if (type == stUTF8 || type == stBMP || type == stUniversal) check(back == text, "character string: read back");
   try {
      decodeCharString(CBlob(p + 1, (unsigned long)(n - 1)));
   }
   catch (const ATL::CAtlException&) {
   }
}

// A typed value read from bytes keeps them; written again from its typed
// contents it must give a value that reads back alike.
void attributeValue(const uint8_t* p, size_t n)
{
   if (n == 0) return;
   CBlob der(p + 1, (unsigned long)(n - 1));
   try {
      switch (p[0] % 5) {
      case 0: {
         CAttrSigningTime t(der);
         CAttrSigningTime again(t.get_time());
         check(CAttrSigningTime(again.get_value()).get_time() == t.get_time(), "signing time");
         break;
      }
      case 1: {
         CAttrSigningCertificate a(der);
         CAttrSigningCertificate b(a.get_certs());
         check(CAttrSigningCertificate(b.get_value()).get_certs() == a.get_certs(), "signing certificate");
         break;
      }
      case 2: {
         CAttrSigningCertificateV2 a(der);
         CAttrSigningCertificateV2 b(a.get_certs());
         check(CAttrSigningCertificateV2(b.get_value()).get_certs() == a.get_certs(), "signing certificate v2");
         break;
      }
      case 3: {
         CAttrOtherSigningCertificate a(der);
         CAttrOtherSigningCertificate b(a.get_certs());
         check(CAttrOtherSigningCertificate(b.get_value()).get_certs() == a.get_certs(), "other signing certificate");
         break;
      }
      default:
         byteRoundTrip<CAttributes>(der, "attributes");
         break;
      }
   }
   catch (const ATL::CAtlException&) {
   }
}

void integerText(const uint8_t* p, size_t n)
{
   std::string text(reinterpret_cast<const char*>(p), n);
   text.resize(strnlen(text.c_str(), text.size()));
   CBigInteger value;
   try {
      StringToBigInteger(text.c_str(), value);
   }
   catch (const ATL::CAtlException&) {
      return;
   }
   CBlob out;
   BigIntegerToString(value, out);
   CBigInteger back;
   StringToBigInteger(reinterpret_cast<const char*>(out.pbData()), back);
   check(back == value && back.cbData() == value.cbData(), "integer text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
   if (size < 1) return 0;
   const uint8_t* p = data + 1;
   size_t n = size - 1;
   CBlob der(p, (unsigned long)n);
   try {
      switch (data[0] % 16) {
      case 0: nameText(wideText(p, n)); break;
      case 1: rfc4514Text(wideText(p, n)); break;
      case 2: nameDer(der); break;
      case 3: generalNames(der); break;
      case 4: byteRoundTrip<CCRLDistPointsSyntax>(der, "distribution points"); break;
      case 5: byteRoundTrip<CAuthorityInfoAccessSyntax>(der, "access descriptions"); break;
      case 6: byteRoundTrip<CPKIStatusInfo>(der, "status information"); break;
      case 7: freeText(wideText(p, n)); break;
      case 8: charString(p, n); break;
      case 9: byteRoundTrip<CInfoTypeAndValueList>(der, "general-message items"); break;
      case 11: byteRoundTrip<CExtensions>(der, "extensions"); break;
      case 12: attributeValue(p, n); break;
      case 13: byteRoundTrip<CRevAnnContent>(der, "revocation announcement"); break;
      case 14: integerText(p, n); break;
      case 15: byteRoundTrip<CCertificateValues>(der, "certificate values"); break;
      case 10: {
         // UTF-16 text into the designed forms.
         std::u16string units(n / 2, u'\0');
         for (size_t i = 0; i + 1 < n; i += 2) units[i / 2] = (char16_t)(p[i] | (p[i + 1] << 8));
         units.resize(std::char_traits<char16_t>::length(units.c_str()));
         CName name;
         try {
            fromString(name, reinterpret_cast<const unsigned short*>(units.c_str()));
         }
         catch (const ATL::CAtlException&) {
         }
         break;
      }
      }
   }
   catch (const ATL::CAtlException&) {
      // The one exception the value classes throw.
   }
   return 0;
}
