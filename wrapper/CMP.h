// Corvane::ASN1 certificate-management status types: the status and failure
// information of responses, free text with its language tags, and the items
// of general messages.
#ifndef CORVANE_ASN1_CMP_H
#define CORVANE_ASN1_CMP_H

#include <list>
#include <string>

#include "CMS.h"
#include "Extension.h"
#include "Types.h"

namespace Corvane {
namespace ASN1 {

// PKIStatus. The type is the record's: a status outside the named ones (the
// INTEGER allows any) is kept as it was decoded.
enum PKIStatusEnum : unsigned int {
   accepted = 0,
   grantedWithMods = 1,
   rejection = 2,
   waiting = 3,
   revocationWarning = 4,
   revocationNotification = 5,
   keyUpdateWarning = 6
};

// PKIFailureInfo: bit n of the BIT STRING is value bit 1 << n (n from 0 to
// 31; a larger bit number throws E_INVALIDARG). decode() replaces the value.
class EXTERNRT CPKIFailureInfo {
public:
   explicit CPKIFailureInfo(unsigned int value = 0) : m_value(value) {}

   unsigned int get_value() const { return m_value; }
   void put_value(unsigned int value) { m_value = value; }
   bool get_bit(unsigned int n) const;
   void put_bit(unsigned int n, bool on);

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CPKIFailureInfo& o) const { return m_value == o.m_value; }
   bool operator!=(const CPKIFailureInfo& o) const { return m_value != o.m_value; }

private:
   unsigned int m_value;
};

// A language tag, held in lower case; "*" is the default language.
class EXTERNRT CLanguageTag {
public:
   CLanguageTag() {}
   CLanguageTag(const char* tag) { assign(tag); }
   CLanguageTag(const wchar_t* tag);

   void assign(const char* tag);
   Corvane::CStringProxy tostring() const { return Corvane::CStringProxy(m_tag.c_str()); }
   const std::string& str() const { return m_tag; }

   bool operator==(const CLanguageTag& o) const { return m_tag == o.m_tag; }
   bool operator!=(const CLanguageTag& o) const { return m_tag != o.m_tag; }

private:
   std::string m_tag;
};

EXTERNRT CLanguageTag CLanguageTagRuRu();
EXTERNRT CLanguageTag CLanguageTagEnUs();
EXTERNRT CLanguageTag CLanguageTagDefaultRead();

// The language of a free-text string travels inside its UTF-8 text as a
// prefix: U+0E01, U+0E00 + each byte of the tag, U+0E7E. The default tag
// "*" has none. toUnicode: the prefix of a tag (a tag holding "~", which
// would end the prefix early, throws E_INVALIDARG); fromUnicode: the tag of
// a text ("*" when it has no prefix; a prefix broken by another character
// or by the end of the text throws E_INVALIDARG).
EXTERNRT std::wstring CLanguageTag_toUnicode(const CLanguageTag& tag);
EXTERNRT CLanguageTag CLanguageTag_fromUnicode(const wchar_t* text);

// One string of a free text with its language.
class EXTERNRT CPKIFreeTextString {
public:
   CPKIFreeTextString(CLanguageTag language = CLanguageTagDefaultRead()) : m_language(language) {}
   CPKIFreeTextString(const wchar_t* value, CLanguageTag language)
      : m_language(language), m_value(value ? value : L"")
   {
   }
   CPKIFreeTextString(const char* value, CLanguageTag language);

   void assign(const wchar_t* value, CLanguageTag language)
   {
      m_value = value ? value : L"";
      m_language = language;
   }
   const CLanguageTag& get_language() const { return m_language; }
   const wchar_t* get_value() const { return m_value.c_str(); }
   void set_value(const wchar_t* value) { m_value = value ? value : L""; }

   bool operator==(const CPKIFreeTextString& o) const { return m_language == o.m_language && m_value == o.m_value; }
   bool operator!=(const CPKIFreeTextString& o) const { return !(*this == o); }

private:
   CLanguageTag m_language;
   std::wstring m_value;
};

// PKIFreeText: its strings in order; the first counts as the string of the
// default language.
class EXTERNRT CPKIFreeText : public std::list<CPKIFreeTextString> {
public:
   CPKIFreeText() {}
   explicit CPKIFreeText(const CPKIFreeTextString& s) { push_back(s); }
   CPKIFreeText(const wchar_t* value, CLanguageTag language) { push_back(CPKIFreeTextString(value, language)); }

   // "*": the first string; another tag: the first string of that language;
   // end() when there is none.
   iterator find(const CLanguageTag& language);
   const_iterator find(const CLanguageTag& language) const;
   // A "*" string is appended; another replaces the string of its language,
   // or is appended.
   void insert(const CPKIFreeTextString& s);
   // Removes every string of that language.
   void remove(const CLanguageTag& language);

   // The string find("*") gives; an empty "*" string when there is none.
   operator const CPKIFreeTextString&() const;
};

// The diagnostic dump of a free text to standard output.
EXTERNRT void out_CPKIFreeText(const CPKIFreeText& text);

// PKIStatusInfo.
class EXTERNRT CPKIStatusInfo {
public:
   explicit CPKIStatusInfo(PKIStatusEnum status = accepted) : m_status(status) {}

   PKIStatusEnum get_pkiStatus() const { return m_status; }
   const CPKIFailureInfo& get_failureInfo() const { return m_failureInfo; }
   const CPKIFreeText& get_statusString() const { return m_statusString; }
   void put_pkiStatus(PKIStatusEnum status) { m_status = status; }
   void put_failureInfo(const CPKIFailureInfo& info) { m_failureInfo = info; }
   void put_statusString(const CPKIFreeText& text) { m_statusString = text; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CPKIStatusInfo& o) const
   {
      return m_status == o.m_status && m_failureInfo == o.m_failureInfo && m_statusString == o.m_statusString;
   }
   bool operator!=(const CPKIStatusInfo& o) const { return !(*this == o); }

private:
   PKIStatusEnum m_status;
   CPKIFailureInfo m_failureInfo;
   CPKIFreeText m_statusString;
};

// InfoTypeAndValue: the type's identifier and the DER of the value (empty
// when absent).
class EXTERNRT CInfoTypeAndValue {
public:
   CInfoTypeAndValue() {}
   explicit CInfoTypeAndValue(const char* type) : m_type(type ? type : "") {}
   CInfoTypeAndValue(const char* type, const Corvane::CBlob& value) : m_type(type ? type : ""), m_value(value) {}

   const char* get_infoType() const { return m_type.c_str(); }
   const Corvane::CBlob& get_infoValue() const { return m_value; }
   void put_infoType(const char* type) { m_type = type ? type : ""; }
   void put_infoValue(const Corvane::CBlob& value) { m_value = value; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CInfoTypeAndValue& o) const { return m_type == o.m_type && m_value == o.m_value; }
   bool operator!=(const CInfoTypeAndValue& o) const { return !(*this == o); }

private:
   std::string m_type;
   Corvane::CBlob m_value;
};

// The items of a general message (GenMsgContent, GenRepContent, a header's
// generalInfo).
class EXTERNRT CInfoTypeAndValueList : public std::list<CInfoTypeAndValue> {
public:
   iterator find(const char* type);
   const_iterator find(const char* type) const;
   // Replaces the item of the same type, or appends.
   void insert(const CInfoTypeAndValue& item);
   // Removes the first item of that type (nothing when there is none).
   void remove(const char* type);

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);
};

// CertId: a certificate's issuer and serial number.
class EXTERNRT CCertId {
public:
   CCertId() {}
   CCertId(const CGeneralName& issuer, const CBigInteger& serial) : m_issuer(issuer), m_serial(serial) {}

   const CGeneralName& get_issuer() const { return m_issuer; }
   const CBigInteger& get_serialNumber() const { return m_serial; }
   void put_issuer(const CGeneralName& issuer) { m_issuer = issuer; }
   void put_serialNumber(const CBigInteger& serial) { m_serial = serial; }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CCertId& o) const { return m_issuer == o.m_issuer && m_serial == o.m_serial; }
   bool operator!=(const CCertId& o) const { return !(*this == o); }

private:
   CGeneralName m_issuer;
   CBigInteger m_serial;
};

// RevAnnContent: a revocation announcement. The two dates are written as
// GeneralizedTime in whole seconds (from 500 ms up).
class EXTERNRT CRevAnnContent {
public:
   CRevAnnContent() : m_status(accepted) {}
   CRevAnnContent(const PKIStatusEnum& status, const CCertId& certId, const Corvane::CDateTime& willBeRevokedAt,
                  const Corvane::CDateTime& badSinceDate)
      : m_status(status), m_certId(certId), m_willBeRevokedAt(willBeRevokedAt), m_badSinceDate(badSinceDate)
   {
   }
   CRevAnnContent(const CRevAnnContent& o) { *this = o; }
   CRevAnnContent& operator=(const CRevAnnContent& o)
   {
      if (&o == this) return *this;
      m_status = o.m_status;
      m_certId = o.m_certId;
      m_willBeRevokedAt = o.m_willBeRevokedAt;
      m_badSinceDate = o.m_badSinceDate;
      put_crlDetails(o.get_crlDetails());
      return *this;
   }

   PKIStatusEnum get_status() const { return m_status; }
   const CCertId& get_certId() const { return m_certId; }
   const Corvane::CDateTime& get_willBeRevokedAt() const { return m_willBeRevokedAt; }
   const Corvane::CDateTime& get_badSinceDate() const { return m_badSinceDate; }
   const CExtensions* get_crlDetails() const { return m_crlDetails.get(); }
   void put_status(PKIStatusEnum status) { m_status = status; }
   void put_certId(const CCertId& certId) { m_certId = certId; }
   void put_willBeRevokedAt(const Corvane::CDateTime& t) { m_willBeRevokedAt = t; }
   void put_badSinceDate(const Corvane::CDateTime& t) { m_badSinceDate = t; }
   void put_crlDetails(const CExtensions* details) { copy_to_auto_ptr(m_crlDetails, details); }

   Corvane::CBlob encode() const;
   void decode(const Corvane::CBlob& der);

   bool operator==(const CRevAnnContent& o) const
   {
      return m_status == o.m_status && m_certId == o.m_certId && m_willBeRevokedAt == o.m_willBeRevokedAt &&
             m_badSinceDate == o.m_badSinceDate && is_equal_ptr(get_crlDetails(), o.get_crlDetails());
   }
   bool operator!=(const CRevAnnContent& o) const { return !(*this == o); }

private:
   PKIStatusEnum m_status;
   CCertId m_certId;
   Corvane::CDateTime m_willBeRevokedAt;
   Corvane::CDateTime m_badSinceDate;
   std::unique_ptr<CExtensions> m_crlDetails;
};

}
}

#endif
