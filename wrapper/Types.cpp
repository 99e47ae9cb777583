#include "Types.h"

#include <string.h>
#include <wctype.h>

#include <sstream>

#include "TypesTraits.h"
#include "WinCompat.h"

namespace Corvane {
namespace ASN1 {

namespace {
[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }

ASN1TAG tagOfStringType(StringType t)
{
   switch (t) {
   case stUTF8: return ASN1_ID_UTF8STR;
   case stPrintable: return ASN1_ID_PRTSTR;
   case stTeletex: return ASN1_ID_T61STR;
   case stBMP: return ASN1_ID_BMPSTR;
   case stIA5: return ASN1_ID_IA5STR;
   case stUniversal: return ASN1_ID_UNIVSTR;
   default: return 0xFFFFFFFFu;
   }
}

std::wstring hexText(const Corvane::CBlob& value)
{
   Corvane::CStringProxy hex = value.writeToHexString(0);
   return std::wstring(hex.str().begin(), hex.str().end());
}

// Splits text at every sep, calling f for each piece (the empty ones too).
template <class F>
void splitAt(const std::wstring& text, wchar_t sep, F f)
{
   size_t start = 0;
   for (;;) {
      size_t pos = text.find(sep, start);
      f(text.substr(start, pos == std::wstring::npos ? std::wstring::npos : pos - start));
      if (pos == std::wstring::npos) return;
      start = pos + 1;
   }
}
}  // namespace

// ---------------------------------------------------------------------------
// The register of attribute types.

CATAVRegister::List CATAVRegister::registered_;

CATAVRegister::CATAVRegister(const char* oid, const wchar_t* name, StringType type, unsigned long maxLength)
   : m_oid(oid), m_name(name), m_type(type), m_maxLength(maxLength)
{
   registered_.push_back(*this);
}

namespace {
// The rows, made at load time in this order (registered_ is defined above
// them in this file, so it exists first).
const CATAVRegister kRows[] = {
   {"2.5.4.3", L"CN", stUTF8, 32768},
   {"2.5.4.6", L"C", stPrintable, 32768},
   {"2.5.4.7", L"L", stUTF8, 32768},
   {"2.5.4.8", L"ST", stUTF8, 32768},
   {"1.2.840.113549.1.9.1", L"E", stIA5, 32768},
   {"2.5.4.10", L"O", stUTF8, 32768},
   {"2.5.4.11", L"OU", stUTF8, 32768},
   {"2.5.4.12", L"T", stUTF8, 32768},
   {"2.5.4.42", L"GN", stUTF8, 32768},
   {"2.5.4.43", L"I", stUTF8, 32768},
   {"2.5.4.4", L"SN", stUTF8, 32768},
   {"2.5.4.65", L"PS", stUTF8, 32768},
   {"1.2.643.100.1", L"OGRN", stUTF8, 32768},
   {"1.2.643.100.5", L"OGRNIP", stUTF8, 32768},
   {"1.2.643.100.3", L"SNILS", stUTF8, 32768},
   {"1.2.643.3.131.1.1", L"INN", stUTF8, 32768},
   {"2.5.4.9", L"STREET", stUTF8, 32768},
   {"0.9.2342.19200300.100.1.25", L"DC", stIA5, 32768},
   {"1.2.840.113549.1.9.2", L"UnstructuredName", stUTF8, 32768},
   {"2.5.4.17", L"PostalCode", stUTF8, 32768},
};
}  // namespace

CATAVRegister::List::const_iterator CATAVRegister::find(const char* oid)
{
   List::const_iterator it = registered_.begin();
   if (oid == nullptr) return registered_.end();
   size_t n = strlen(oid);
   for (; it != registered_.end(); ++it)
      if (it->m_oid.size() == n && memcmp(it->m_oid.data(), oid, n) == 0) break;
   return it;
}

CATAVRegister::List::const_iterator CATAVRegister::find(const wchar_t* name)
{
   List::const_iterator it = registered_.begin();
   if (name == nullptr) return registered_.end();
   for (; it != registered_.end(); ++it)
      if (it->m_name == name) break;
   return it;
}

std::wstring CATAVRegister::typeToStr(const char* oid)
{
   List::const_iterator it = find(oid);
   return it != registered_.end() ? it->m_name : towstring(oid);
}

std::string CATAVRegister::typeFromStr(const wchar_t* name)
{
   List::const_iterator it = find(name);
   return it != registered_.end() ? it->m_oid : tostring(name);
}

std::wstring CATAVRegister::valueToStr(const char* oid, const Corvane::CBlob& value)
{
   if (find(oid) != registered_.end()) return decodeCharString(value).str();
   return L"#" + hexText(value);
}

Corvane::CBlob CATAVRegister::valueFromStr(const char* oid, const wchar_t* text, StringType type)
{
   if (text == nullptr) text = L"";
   List::const_iterator it = find(oid);
   if (it == registered_.end()) {
      // "#" and the hexadecimal digits of the value's DER; the first
      // character is taken for the "#" as it stands.
      if (*text == 0 || text[1] == 0) fail(E_INVALIDARG);
      Corvane::CBlob value;
      value.readFromHexString(tostring(text + 1).c_str());
      return value;
   }
   if (wcslen(text) > it->m_maxLength) fail(E_INVALIDARG);
   return encodeCharString(text, type == stDefault ? it->m_type : type);
}

CAttributeTypeAndValue CATAVRegister::makeATAV(const wchar_t* name, const wchar_t* text, StringType type)
{
   std::string oid = typeFromStr(name);
   return CAttributeTypeAndValue(oid.c_str(), valueFromStr(oid.c_str(), text, type));
}

CAttributeTypeAndValue CATAVRegister::makeATAV(const wchar_t* text, StringType type)
{
   std::wstring t = text != nullptr ? text : L"";
   size_t eq = t.find(L'=');
   if (eq == std::wstring::npos) fail(E_INVALIDARG);
   return makeATAV(t.substr(0, eq).c_str(), t.c_str() + eq + 1, type);
}

// ---------------------------------------------------------------------------
// Names

CAttributeTypeAndValue::CAttributeTypeAndValue(const wchar_t* name, const wchar_t* text, StringType type)
{
   *this = CATAVRegister::makeATAV(name, text, type);
}

CAttributeTypeAndValue::CAttributeTypeAndValue(const wchar_t* text, StringType type)
{
   *this = CATAVRegister::makeATAV(text, type);
}

Corvane::CWStringProxy CAttributeTypeAndValue::get_type_str() const
{
   return Corvane::CWStringProxy(CATAVRegister::typeToStr(m_type.c_str()));
}

void CAttributeTypeAndValue::put_type_str(const wchar_t* name) { m_type = CATAVRegister::typeFromStr(name); }

Corvane::CWStringProxy CAttributeTypeAndValue::get_value_str() const
{
   return Corvane::CWStringProxy(CATAVRegister::valueToStr(m_type.c_str(), m_value));
}

void CAttributeTypeAndValue::put_value_str(const wchar_t* text, StringType type)
{
   m_value = CATAVRegister::valueFromStr(m_type.c_str(), text, type);
}

namespace {
// "type=value" of one attribute, appended (one look-up in the register).
void appendText(std::wstring& out, const CAttributeTypeAndValue& a)
{
   CATAVRegister::List::const_iterator row = CATAVRegister::find(a.get_type());
   if (row == CATAVRegister::registered_.end()) {
      out += towstring(a.get_type());
      out += L"=#";
      out += hexText(a.get_value());
      return;
   }
   out += row->name();
   out += L'=';
   out += decodeCharString(a.get_value()).str();
}
}  // namespace

Corvane::CWStringProxy CAttributeTypeAndValue::toString() const
{
   std::wstring out;
   appendText(out, *this);
   return Corvane::CWStringProxy(std::move(out));
}

void CAttributeTypeAndValue::fromString(const wchar_t* text, StringType type)
{
   *this = CATAVRegister::makeATAV(text, type);
}

Corvane::CBlob CAttributeTypeAndValue::encode() const
{
   return asn1Encode<ASN1T_AttributeTypeAndValue_traits>(*this);
}

void CAttributeTypeAndValue::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_AttributeTypeAndValue_traits>(der, *this);
}

namespace {
void appendText(std::wstring& out, const CRelativeDistinguishedName& rdn)
{
   for (CRelativeDistinguishedName::const_iterator it = rdn.begin(); it != rdn.end(); ++it) {
      if (it != rdn.begin()) out += L'+';
      appendText(out, *it);
   }
}
}  // namespace

Corvane::CWStringProxy CRelativeDistinguishedName::toString() const
{
   std::wstring out;
   appendText(out, *this);
   return Corvane::CWStringProxy(std::move(out));
}

void CRelativeDistinguishedName::fromString(const wchar_t* text)
{
   splitAt(text != nullptr ? text : L"", L'+',
           [this](const std::wstring& piece) { push_back(CAttributeTypeAndValue(piece.c_str(), stDefault)); });
}

Corvane::CBlob CRelativeDistinguishedName::encode() const
{
   return asn1Encode<ASN1T_RelativeDistinguishedName_traits>(*this);
}

void CRelativeDistinguishedName::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_RelativeDistinguishedName_traits>(der, *this);
}

Corvane::CWStringProxy CName::toString() const
{
   std::wstring out;
   for (const_iterator it = begin(); it != end(); ++it) {
      if (it != begin()) out += L',';
      appendText(out, *it);
   }
   return Corvane::CWStringProxy(std::move(out));
}

void CName::fromString(const wchar_t* text)
{
   splitAt(text != nullptr ? text : L"", L',',
           [this](const std::wstring& piece) { push_back(CRelativeDistinguishedName(piece.c_str())); });
}

Corvane::CBlob CName::encode() const { return asn1Encode<ASN1T_CName_traits>(*this); }

void CName::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_CName_traits>(der, *this); }

void fromString(CRelativeDistinguishedName& rdn, const unsigned short* text)
{
   rdn.fromString(utf16towstring(text).c_str());
}

void fromString(CName& name, const unsigned short* text) { name.fromString(utf16towstring(text).c_str()); }

// ---------------------------------------------------------------------------
// The RFC 4514 string form of a name.

namespace {

// The register row of a name given in any case, or end().
CATAVRegister::List::const_iterator findNameNoCase(const std::wstring& name)
{
   CATAVRegister::List::const_iterator it = CATAVRegister::registered_.begin();
   for (; it != CATAVRegister::registered_.end(); ++it) {
      const std::wstring& n = it->name();
      if (n.size() != name.size()) continue;
      size_t i = 0;
      while (i < n.size() && towupper(n[i]) == towupper(name[i])) ++i;
      if (i == n.size()) break;
   }
   return it;
}

// The text of a value when writing it as text gives back exactly its DER:
// a registered type, in its row's string type, within the row's length.
bool valueAsText(CATAVRegister::List::const_iterator row, const Corvane::CBlob& value, bool exact, std::wstring& text)
{
   if (row == CATAVRegister::registered_.end() || value.cbData() < 2) return false;
   if (exact && value.pbData()[0] != tagOfStringType(row->type())) return false;  // primitive, universal
   try {
      text = decodeCharString(value).str();
      if (!exact) return true;
      return text.size() <= row->maxLength() && encodeCharString(text.c_str(), row->type()) == value;
   }
   catch (const ATL::CAtlException&) {
      return false;
   }
}

void appendEscaped(std::wstring& out, const std::wstring& text)
{
   static const wchar_t hex[] = L"0123456789ABCDEF";
   for (size_t i = 0; i < text.size(); ++i) {
      wchar_t c = text[i];
      bool special = wcschr(L",+\"\\<>;=", c) != nullptr && c != 0;
      bool edge = (i == 0 && (c == L'#' || c == L' ')) || (i + 1 == text.size() && c == L' ');
      if (special || edge) {
         out += L'\\';
         out += c;
      }
      else if (c < 0x20 || c == 0x7F) {
         out += L'\\';
         out += hex[(c >> 4) & 0xF];
         out += hex[c & 0xF];
      }
      else {
         out += c;
      }
   }
}

int hexDigit(wchar_t c)
{
   if (c >= L'0' && c <= L'9') return c - L'0';
   if (c >= L'a' && c <= L'f') return c - L'a' + 10;
   if (c >= L'A' && c <= L'F') return c - L'A' + 10;
   return -1;
}

// Reads one RFC 4514 string into RDNs (in text order). Linear in the text.
class Rfc4514Reader {
public:
   explicit Rfc4514Reader(const std::wstring& text) : m_text(text), m_pos(0) {}

   std::list<CRelativeDistinguishedName> read()
   {
      std::list<CRelativeDistinguishedName> rdns;
      if (m_text.empty()) return rdns;
      rdns.push_back(CRelativeDistinguishedName());
      for (;;) {
         rdns.back().push_back(readAttribute());
         if (m_pos == m_text.size()) break;
         wchar_t sep = m_text[m_pos++];
         if (sep == L',') rdns.push_back(CRelativeDistinguishedName());
      }
      return rdns;
   }

private:
   CAttributeTypeAndValue readAttribute()
   {
      size_t eq = m_text.find(L'=', m_pos);
      if (eq == std::wstring::npos || eq == m_pos) fail(E_INVALIDARG);
      std::wstring type = m_text.substr(m_pos, eq - m_pos);
      m_pos = eq + 1;
      CATAVRegister::List::const_iterator row = findNameNoCase(type);
      std::string oid;
      if (row != CATAVRegister::registered_.end()) {
         oid = row->oid();
      }
      else {
         if (!isOIDW(type.c_str())) fail(E_INVALIDARG);
         oid = tostring(type.c_str());
         ASN1OBJID check;
         if (str2oid(oid.c_str(), &check) != 0 || check.numids < 2) fail(E_INVALIDARG);
         row = CATAVRegister::find(oid.c_str());
      }
      if (m_pos < m_text.size() && m_text[m_pos] == L'#') return CAttributeTypeAndValue(oid.c_str(), readHex());
      std::wstring value = readString();
      StringType st = row != CATAVRegister::registered_.end() ? row->type() : stUTF8;
      if (row != CATAVRegister::registered_.end() && value.size() > row->maxLength()) fail(E_INVALIDARG);
      return CAttributeTypeAndValue(oid.c_str(), encodeCharString(value.c_str(), st));
   }

   // "#" and an even number of hexadecimal digits: one BER element.
   Corvane::CBlob readHex()
   {
      ++m_pos;
      std::string digits;
      while (m_pos < m_text.size() && m_text[m_pos] != L',' && m_text[m_pos] != L'+') {
         if (hexDigit(m_text[m_pos]) < 0) fail(E_INVALIDARG);
         digits += (char)m_text[m_pos++];
      }
      if (digits.empty() || digits.size() % 2 != 0) fail(E_INVALIDARG);
      Corvane::CBlob value;
      value.readFromHexString(digits.c_str());
      return value;
   }

   // A string value up to the next unescaped "," or "+": escaped characters
   // stand for themselves, "\" and two hexadecimal digits for one octet of
   // the value's UTF-8 form.
   std::wstring readString()
   {
      std::string utf8;
      while (m_pos < m_text.size()) {
         wchar_t c = m_text[m_pos];
         if (c == L',' || c == L'+') break;
         ++m_pos;
         if (c != L'\\') {
            wchar_t one[2] = {c, 0};
            utf8 += tostring(one);
            continue;
         }
         if (m_pos >= m_text.size()) fail(E_INVALIDARG);
         wchar_t e = m_text[m_pos];
         int hi = hexDigit(e);
         if (hi >= 0) {
            int lo = m_pos + 1 < m_text.size() ? hexDigit(m_text[m_pos + 1]) : -1;
            if (lo < 0) fail(E_INVALIDARG);
            utf8 += (char)(hi * 16 + lo);
            m_pos += 2;
         }
         else if (wcschr(L",+\"\\<>;=# ", e) != nullptr && e != 0) {
            utf8 += (char)e;
            ++m_pos;
         }
         else {
            fail(E_INVALIDARG);
         }
      }
      if (utf8.empty()) return std::wstring();
      if (utf8.find('\0') != std::string::npos) fail(E_INVALIDARG);
      int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
      if (n == 0) fail(E_INVALIDARG);
      std::wstring out((size_t)n, L'\0');
      MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
      out.resize((size_t)n - 1);
      return out;
   }

   const std::wstring& m_text;
   size_t m_pos;
};

}  // namespace

Corvane::CWStringProxy CName::toRFC4514(bool exact) const
{
   std::wstring out;
   for (const_reverse_iterator rdn = rbegin(); rdn != rend(); ++rdn) {
      if (rdn != rbegin()) out += L',';
      for (CRelativeDistinguishedName::const_iterator a = rdn->begin(); a != rdn->end(); ++a) {
         if (a != rdn->begin()) out += L'+';
         CATAVRegister::List::const_iterator row = CATAVRegister::find(a->get_type());
         if (row != CATAVRegister::registered_.end()) out += row->name();
         else out += towstring(a->get_type());
         out += L'=';
         std::wstring text;
         if (valueAsText(row, a->get_value(), exact, text)) appendEscaped(out, text);
         else out += L"#" + hexText(a->get_value());
      }
   }
   return Corvane::CWStringProxy(std::move(out));
}

void CName::fromRFC4514(const wchar_t* text)
{
   std::wstring t = text != nullptr ? text : L"";
   std::list<CRelativeDistinguishedName> rdns = Rfc4514Reader(t).read();
   CName name;
   for (auto it = rdns.rbegin(); it != rdns.rend(); ++it) name.push_back(std::move(*it));
   swap(name);
}

// ---------------------------------------------------------------------------
// General names

const ChoiceValueTraits* CGeneralNameImpl::findTraits(unsigned int type) const
{
   switch (type) {
   case CGeneralName::rfc822Name: return &ChoiceValueTraitsT<std::wstring, 2>::instance();
   case CGeneralName::dNSName: return &ChoiceValueTraitsT<std::wstring, 3>::instance();
   case CGeneralName::directoryName: return &ChoiceValueTraitsT<Corvane::CBlob, 5>::instance();
   case CGeneralName::uniformResourceIdentifier: return &ChoiceValueTraitsT<std::wstring, 7>::instance();
   case CGeneralName::iPAddress: return &ChoiceValueTraitsT<Corvane::CBlob, 8>::instance();
   case CGeneralName::registeredID: return &ChoiceValueTraitsT<std::wstring, 9>::instance();
   default: return &EmptyChoiceTraits::instance();
   }
}

Corvane::CBlob CGeneralName::encode() const { return asn1Encode<ASN1T_GeneralName_traits>(*this); }

void CGeneralName::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_GeneralName_traits>(der, *this); }

Corvane::CWStringProxy CGeneralName::toString() const
{
   std::wostringstream out;
   switch (get_type()) {
   case rfc822Name: out << L"rfc822Name: " << get_rfc822Name(); break;
   case dNSName: out << L"dNSName: " << get_dNSName(); break;
   case directoryName: {
      CName name;
      name.decode(*get_directoryName());
      out << L"directoryName: " << name.toString().str();
      break;
   }
   case uniformResourceIdentifier: out << L"uniformResourceIdentifier: " << get_uniformResourceIdentifier(); break;
   case iPAddress: out << L"iPAddress: (to string is not implemented)"; break;
   case registeredID: out << L"registeredID: " << get_registeredID(); break;
   default: break;
   }
   return Corvane::CWStringProxy(out.str());
}

bool CGeneralName::operator==(const CGeneralName& o) const
{
   if (get_type() != o.get_type()) return false;
   switch (get_type()) {
   case directoryName:
   case iPAddress: return is_equal_ptr(blob(get_type()), o.blob(get_type()));
   case rfc822Name:
   case dNSName:
   case uniformResourceIdentifier:
   case registeredID: {
      const void* a = m_impl.valueOf(get_type());
      const void* b = o.m_impl.valueOf(get_type());
      return is_equal_ptr(static_cast<const std::wstring*>(a), static_cast<const std::wstring*>(b));
   }
   default: return true;
   }
}

Corvane::CBlob CGeneralNames::encode() const { return asn1Encode<ASN1T_GeneralNames_traits>(*this); }

void CGeneralNames::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_GeneralNames_traits>(der, *this); }

const ChoiceValueTraits* CDistributionPointNameImpl::findTraits(unsigned int type) const
{
   if (type == 1) return &ChoiceValueTraitsT<CGeneralNames, 1>::instance();
   return &EmptyChoiceTraits::instance();
}

Corvane::CBlob CDistributionPointName::encode() const
{
   return asn1Encode<ASN1T_DistributionPointName_traits>(*this);
}

void CDistributionPointName::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_DistributionPointName_traits>(der, *this);
}

Corvane::CBlob CReasonFlags::encode() const { return asn1Encode<ASN1T_ReasonFlags_traits>(*this); }

void CReasonFlags::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_ReasonFlags_traits>(der, *this); }

Corvane::CBlob CDistributionPoint::encode() const { return asn1Encode<ASN1T_DistributionPoint_traits>(*this); }

void CDistributionPoint::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_DistributionPoint_traits>(der, *this); }

Corvane::CBlob CCRLDistPointsSyntax::encode() const { return asn1Encode<ASN1T_CRLDistPointsSyntax_traits>(*this); }

void CCRLDistPointsSyntax::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_CRLDistPointsSyntax_traits>(der, *this);
}

Corvane::CBlob CAccessDescription::encode() const { return asn1Encode<ASN1T_AccessDescription_traits>(*this); }

void CAccessDescription::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_AccessDescription_traits>(der, *this); }

Corvane::CBlob CAuthorityInfoAccessSyntax::encode() const
{
   return asn1Encode<ASN1T_AuthorityInfoAccessSyntax_traits>(*this);
}

void CAuthorityInfoAccessSyntax::decode(const Corvane::CBlob& der)
{
   asn1Decode<ASN1T_AuthorityInfoAccessSyntax_traits>(der, *this);
}

}
}
