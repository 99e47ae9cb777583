#include "Extension.h"

#include <stdlib.h>

#include "CertificateExtensionsTable.h"
#include "ExtensionTraits.h"

namespace Corvane {
namespace ASN1 {

namespace {
[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }

// Decodes the whole blob as Traits' record and hands the record to f; the
// record and everything decoded live until f returns. Bytes that are not
// one value of the type throw CRYPT_E_ASN1_INTERNAL.
template <class Traits, class F>
void withDecoded(const Corvane::CBlob& blob, F f)
{
   detail::guardBuffers([&]() {
      ASN1BERDecodeBuffer dec(blob.pbData(), detail::blobLength(blob));
      typename Traits::ASN1_T rec{};
      detail::decodeWhole<Traits>(dec, blob, rec);
      f(rec);
      return 0;
   });
}

// The dotted text of an identifier.
std::string oidText(const ASN1OBJID& oid)
{
   const OSUINT32 capacity = sizeof oid.subid / sizeof oid.subid[0];
   if (oid.numids > capacity) fail(E_INVALIDARG);
   char buf[11 * capacity];  // at most ten digits and a dot an arc
   char* out = buf;
   for (OSUINT32 i = 0; i < oid.numids; ++i) {
      if (i != 0) *out++ = '.';
      char digits[10];
      int n = 0;
      OSUINT32 v = oid.subid[i];
      do {
         digits[n++] = (char)('0' + v % 10);
         v /= 10;
      } while (v != 0);
      while (n > 0) *out++ = digits[--n];
   }
   return std::string(buf, (size_t)(out - buf));
}
}  // namespace

// ---------------------------------------------------------------------------
// Extensions

void ASN1T_Extension_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CExtension& ext)
{
   ASN1TObjId_traits::set(ctxt, rec.extnID, ext.get_extnID());
   rec.critical = ext.get_critical() ? TRUE : FALSE;
   ASN1TDynOctStr_traits::set(ctxt, rec.extnValue, ext.get_extnValue());
   // The value of a known extension must be a value of its syntax. The
   // table decoder lets empty octets pass, but they are no value at all.
   if (asn1data::asn1DTC_Extension(ctxt, &rec) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   if (ext.get_extnValue().empty()) {
      asn1data::ExtensionSet* known = asn1data::ExtensionSet::instance(ctxt);
      if (known != nullptr && known->lookupObject(rec.extnID) != nullptr) fail(CRYPT_E_ASN1_INTERNAL);
   }
   // The bytes stand as they are; the decoded form is not encoded again.
   rec.extnValueObj.decoded = nullptr;
}

void ASN1T_Extension_traits::get(const ASN1_T& rec, CExtension& ext)
{
   Corvane::CBlob value(rec.extnValue.data, rec.extnValue.numocts);
   ext = CExtension(CExtValue(oidText(rec.extnID), std::move(value)), rec.critical != 0);
}

Corvane::CBlob CExtension::encode() const { return asn1Encode<ASN1T_Extension_traits>(*this); }

// ---------------------------------------------------------------------------
// Reading extensions.
//
// Extensions are read straight from the encoding with the run-time's BER
// primitives rather than through the generated decoder: that decoder also
// decodes the value of every known extension into its record (the table
// constraint), which the wrapper does not keep, and which refused a whole
// certificate's list for one malformed value. The structure read is the
// same: lengths definite or indefinite, the extnValue primitive or
// segmented, critical written out or not.

namespace {
// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN
// DEFAULT FALSE, extnValue OCTET STRING }, at the context's position.
int readExtension(ASN1CTXT* ctxt, CExtension& ext)
{
   int length = 0;
   int stat = xd_match1(ctxt, 0x10, &length);
   if (stat != 0) return stat;
   const OSUINT32 start = ctxt->buffer.byteIndex;

   if (!asn1data::asn1dataMore(ctxt, start, length)) return ASN1ERR_MISSING_ELEMENT;
   ASN1OBJID oid;
   stat = xd_objid(ctxt, &oid, ASN1TAG_EXPLICIT, 0);
   if (stat != 0) return stat;

   OSBOOL critical = FALSE;
   ASN1TAG tag = 0;
   if (!asn1data::asn1dataMore(ctxt, start, length)) return ASN1ERR_MISSING_ELEMENT;
   stat = asn1data::asn1dataPeekTag(ctxt, &tag);
   if (stat != 0) return stat;
   if (tag == ASN1_ID_BOOL) {
      stat = xd_boolean(ctxt, &critical, ASN1TAG_EXPLICIT, 0);
      if (stat != 0) return stat;
      if (!asn1data::asn1dataMore(ctxt, start, length)) return ASN1ERR_MISSING_ELEMENT;
   }

   // A primitive OCTET STRING is taken from the buffer as it stands; a
   // segmented one (BER) is joined by the run-time.
   Corvane::CBlob value;
   const OSUINT32 at = ctxt->buffer.byteIndex;
   const OSUINT16 flags = ctxt->flags;
   int valueLength = 0;
   stat = xd_match1(ctxt, ASN1_ID_OCTSTR, &valueLength);
   if (stat != 0) return stat;
   if ((ctxt->flags & ASN1CONSTAG) == 0) {
      value.assign(ctxt->buffer.data + ctxt->buffer.byteIndex, (unsigned long)valueLength);
      ctxt->buffer.byteIndex += (OSUINT32)valueLength;
   }
   else {
      ctxt->buffer.byteIndex = at;
      ctxt->flags = flags;
      const OSOCTET* data = nullptr;
      OSUINT32 count = 0;
      stat = xd_octstr(ctxt, &data, &count, ASN1TAG_EXPLICIT, 0);
      if (stat != 0) return stat;
      value.assign(data, count);
   }

   if (asn1data::asn1dataMore(ctxt, start, length)) return ASN1ERR_SEQ_OVERFLOW;
   stat = asn1data::asn1dataEnd(ctxt, start, length);
   if (stat != 0) return stat;
   ext = CExtension(CExtValue(oidText(oid), std::move(value)), critical != FALSE);
   return 0;
}

// Reads the whole blob with read(ctxt); octets left over fail.
template <class F>
void readWhole(const Corvane::CBlob& der, F read)
{
   ctxt_handle h;
   h.initOrThrow();
   ASN1CTXT* ctxt = h.get();
   if (xd_setp(ctxt, der.pbData(), detail::blobLength(der), nullptr, nullptr) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   if (read(ctxt) != 0 || ctxt->buffer.byteIndex != der.cbData()) fail(CRYPT_E_ASN1_INTERNAL);
}
}  // namespace

void CExtension::decode(const Corvane::CBlob& der)
{
   CExtension ext;
   readWhole(der, [&](ASN1CTXT* ctxt) { return readExtension(ctxt, ext); });
   *this = std::move(ext);
}

void CExtensions::decode(const Corvane::CBlob& der)
{
   CExtensions list;
   readWhole(der, [&](ASN1CTXT* ctxt) {
      // Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension
      int length = 0;
      int stat = xd_match1(ctxt, 0x10, &length);
      if (stat != 0) return stat;
      const OSUINT32 start = ctxt->buffer.byteIndex;
      while (asn1data::asn1dataMore(ctxt, start, length)) {
         list.emplace_back();
         stat = readExtension(ctxt, list.back());
         if (stat != 0) return stat;
      }
      if (list.empty()) return ASN1ERR_CONSTRAINT;
      return asn1data::asn1dataEnd(ctxt, start, length);
   });
   swap(list);
}

CExtensions::iterator CExtensions::find(const char* oid)
{
   iterator it = begin();
   if (oid == nullptr) return end();
   for (; it != end(); ++it)
      if (strcmp(it->get_extnID(), oid) == 0) break;
   return it;
}

CExtensions::const_iterator CExtensions::find(const char* oid) const
{
   return const_cast<CExtensions*>(this)->find(oid);
}

void CExtensions::insert(const CExtension& ext)
{
   iterator it = find(ext.get_extnID());
   if (it != end()) *it = ext;
   else push_back(ext);
}

void CExtensions::erase(const char* oid)
{
   iterator it = find(oid);
   if (it != end()) std::list<CExtension>::erase(it);
}

Corvane::CBlob CExtensions::encode() const { return asn1Encode<ASN1T_Extensions_traits>(*this); }


// ---------------------------------------------------------------------------
// CRL reasons

namespace {
// The names of the reasons 0 to 8 (7 has none).
const char* const kReasonNames[9] = {"unspecified",          "keyCompromise",   "caCompromise",
                                     "affiliationChanged",   "superseded",      "cessationOfOperation",
                                     "certificateHold",      "",                "removeFromCRL"};
}  // namespace

std::string CrlReason_toStringA(CrlReason reason)
{
   unsigned int r = (unsigned int)reason;
   if (r < 9 && r != 7) return kReasonNames[r];
   return tostring((int)r);
}

std::wstring CrlReason_toStringW(CrlReason reason) { return towstring(CrlReason_toStringA(reason).c_str()); }

CrlReason CrlReason_fromStringA(const char* text)
{
   if (text == nullptr) return crUnspecified;
   for (unsigned int r = 0; r < 9; ++r)
      if (r != 7 && strcmp(text, kReasonNames[r]) == 0) return (CrlReason)r;
   return (CrlReason)(unsigned int)strtoul(text, nullptr, 0);
}

CrlReason CrlReason_fromStringW(const wchar_t* text) { return CrlReason_fromStringA(tostring(text).c_str()); }

// ---------------------------------------------------------------------------
// Typed extension values

const char* const CExtCRLReason::OID = "2.5.29.21";
const char* const CExtHoldInstructionCode::OID = "2.5.29.23";
const char* const CExtInvalidityDate::OID = "2.5.29.24";
const char* const CExtCertificateIssuer::OID = "2.5.29.29";
const char* const CExtPrivateKeyUsagePeriod::OID = "2.5.29.16";

void CExtCRLReason::put_reason(CrlReason reason)
{
   CrlReason old = m_reason;
   m_reason = reason;
   try {
      encode();
   }
   catch (...) {
      m_reason = old;
      throw;
   }
}

void CExtCRLReason::encode() { value() = asn1Encode<ASN1T_CRLReason_traits>(m_reason); }

void CExtCRLReason::decode() { asn1Decode<ASN1T_CRLReason_traits>(get_value(), m_reason); }

void CExtHoldInstructionCode::put_code(const char* oid)
{
   std::string old;
   old.swap(m_code);
   m_code = oid != nullptr ? oid : "";
   try {
      encode();
   }
   catch (...) {
      m_code.swap(old);
      throw;
   }
}

void CExtHoldInstructionCode::encode() { value() = asn1Encode<ASN1TObjId_traits>(m_code); }

void CExtHoldInstructionCode::decode() { asn1Decode<ASN1TObjId_traits>(get_value(), m_code); }

void CExtInvalidityDate::put_invalidityDate(const Corvane::CDateTime& date)
{
   m_date = date;
   encode();
}

void CExtInvalidityDate::encode() { value() = asn1Encode<ASN1GeneralizedTime_traits>(m_date); }

void CExtInvalidityDate::decode() { asn1Decode<ASN1GeneralizedTime_traits>(get_value(), m_date); }

void CExtCertificateIssuer::put_issuer(const CGeneralNames& issuer)
{
   Corvane::CBlob der = issuer.encode();
   m_issuer = issuer;
   value() = der;
}

void CExtCertificateIssuer::encode() { value() = m_issuer.encode(); }

void CExtCertificateIssuer::decode() { m_issuer.decode(get_value()); }

CExtPrivateKeyUsagePeriod::CExtPrivateKeyUsagePeriod(const Corvane::CDateTime* notBefore,
                                                     const Corvane::CDateTime* notAfter)
   : CExtValue(OID)
{
   copy_to_auto_ptr(m_notBefore, notBefore);
   copy_to_auto_ptr(m_notAfter, notAfter);
   encode();
}

CExtPrivateKeyUsagePeriod::CExtPrivateKeyUsagePeriod(const CExtPrivateKeyUsagePeriod& o) : CExtValue(o)
{
   copy_to_auto_ptr(m_notBefore, o.get_notBefore());
   copy_to_auto_ptr(m_notAfter, o.get_notAfter());
}

CExtPrivateKeyUsagePeriod& CExtPrivateKeyUsagePeriod::operator=(const CExtPrivateKeyUsagePeriod& o)
{
   if (&o == this) return *this;
   CExtValue::operator=(o);
   copy_to_auto_ptr(m_notBefore, o.get_notBefore());
   copy_to_auto_ptr(m_notAfter, o.get_notAfter());
   return *this;
}

void CExtPrivateKeyUsagePeriod::put_notBefore(const Corvane::CDateTime* time)
{
   copy_to_auto_ptr(m_notBefore, time);
   encode();
}

void CExtPrivateKeyUsagePeriod::put_notAfter(const Corvane::CDateTime* time)
{
   copy_to_auto_ptr(m_notAfter, time);
   encode();
}

void CExtPrivateKeyUsagePeriod::encode() { value() = asn1Encode<ASN1T_PrivateKeyUsagePeriod_traits>(*this); }

void CExtPrivateKeyUsagePeriod::decode()
{
   withDecoded<ASN1T_PrivateKeyUsagePeriod_traits>(
      get_value(), [this](const asn1data::ASN1T_PrivateKeyUsagePeriod& rec) {
         ASN1T_PrivateKeyUsagePeriod_traits::get(rec, *this);
      });
}

void ASN1T_PrivateKeyUsagePeriod_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CExtPrivateKeyUsagePeriod& period)
{
   rec.m.notBeforePresent = rec.m.notAfterPresent = 0;
   if (period.get_notBefore() != nullptr) {
      ASN1GeneralizedTime_traits::set(ctxt, rec.notBefore, *period.get_notBefore());
      rec.m.notBeforePresent = 1;
   }
   if (period.get_notAfter() != nullptr) {
      ASN1GeneralizedTime_traits::set(ctxt, rec.notAfter, *period.get_notAfter());
      rec.m.notAfterPresent = 1;
   }
}

// The dates are read aside and put in place together; the value bytes are
// left as they are (they are what was decoded).
void ASN1T_PrivateKeyUsagePeriod_traits::get(const ASN1_T& rec, CExtPrivateKeyUsagePeriod& period)
{
   std::unique_ptr<Corvane::CDateTime> notBefore, notAfter;
   if (rec.m.notBeforePresent) {
      notBefore.reset(new Corvane::CDateTime());
      ASN1GeneralizedTime_traits::get(rec.notBefore, *notBefore);
   }
   if (rec.m.notAfterPresent) {
      notAfter.reset(new Corvane::CDateTime());
      ASN1GeneralizedTime_traits::get(rec.notAfter, *notAfter);
   }
   period.m_notBefore = std::move(notBefore);
   period.m_notAfter = std::move(notAfter);
}

// ---------------------------------------------------------------------------
// Policies

void ASN1T_PolicyInformation_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CPolicyInformation& policy)
{
   ASN1TObjId_traits::set(ctxt, rec.policyIdentifier, policy.get_policyIdentifier());
   rec.m.policyQualifiersPresent = 0;
}

void ASN1T_PolicyInformation_traits::get(const ASN1_T& rec, CPolicyInformation& policy)
{
   policy.put_policyIdentifier(toOID(rec.policyIdentifier).c_str());
}

Corvane::CBlob CPolicyInformation::encode() const { return asn1Encode<ASN1T_PolicyInformation_traits>(*this); }

void CPolicyInformation::decode(const Corvane::CBlob& der) { asn1Decode<ASN1T_PolicyInformation_traits>(der, *this); }

}
}
