#include "TypesTraits.h"

#include "WinCompat.h"
#include "asn1ber.h"

namespace Corvane {
namespace ASN1 {

namespace {
[[noreturn]] void fail(int status) { ATL::AtlThrowImpl(status); }

const OSOCTET* copyBytes(ASN1CTXT* ctxt, const unsigned char* data, unsigned long n)
{
   if (n == 0) return nullptr;
   if (n > (unsigned long)INT32_MAX) fail(CRYPT_E_ASN1_MEMORY);
   OSOCTET* p = static_cast<OSOCTET*>(asn1Alloc(ctxt, n, false));
   memcpy(p, data, n);
   return p;
}
}  // namespace

void* asn1Alloc(ASN1CTXT* ctxt, size_t size, bool zero)
{
   if (ctxt == nullptr || size > (size_t)INT32_MAX) fail(CRYPT_E_ASN1_MEMORY);
   void* p = zero ? rtMemHeapAllocZ(&ctxt->memHeap, (int)size) : rtMemHeapAlloc(&ctxt->memHeap, (int)size);
   if (p == nullptr) fail(CRYPT_E_ASN1_MEMORY);
   return p;
}

// ---------------------------------------------------------------------------

void ASN1TObjId_traits::set(ASN1CTXT*, ASN1OBJID& rec, const char* text)
{
   if (str2oid(text, &rec) != 0) fail(E_INVALIDARG);
}

void ASN1TObjId_traits::get(const ASN1OBJID& rec, Corvane::CStringProxy& text)
{
   text = Corvane::CStringProxy(toOID(rec));
}

void ASN1TObjId_traits::get(const ASN1OBJID& rec, std::string& text)
{
   text = toOID(rec);
}

int ASN1TObjId_traits::encode(ASN1BEREncodeBuffer& buf, ASN1OBJID& rec)
{
   int stat = buf.init();
   if (stat != 0) return stat;
   return xe_objid(buf.getCtxtPtr(), &rec, ASN1TAG_EXPLICIT);
}

int ASN1TObjId_traits::decode(ASN1BERDecodeBuffer& buf, ASN1OBJID& rec)
{
   int stat = buf.init();
   if (stat != 0) return stat;
   return xd_objid(buf.getCtxtPtr(), &rec, ASN1TAG_EXPLICIT, 0);
}

// ---------------------------------------------------------------------------

void ASN1IA5String_traits::set(ASN1CTXT* ctxt, const char*& rec, const char* text)
{
   if (text == nullptr) text = "";
   size_t n = strlen(text) + 1;
   char* p = static_cast<char*>(asn1Alloc(ctxt, n, false));
   memcpy(p, text, n);
   rec = p;
}

void ASN1UTF8String_traits::set(ASN1CTXT* ctxt, const char*& rec, const wchar_t* text)
{
   if (text == nullptr || *text == 0) {
      ASN1IA5String_traits::set(ctxt, rec, "");
      return;
   }
   int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
   if (n == 0) fail(E_INVALIDARG);
   char* p = static_cast<char*>(asn1Alloc(ctxt, (size_t)n, false));
   if (WideCharToMultiByte(CP_UTF8, 0, text, -1, p, n, nullptr, nullptr) != n) fail(E_INVALIDARG);
   rec = p;
}

void ASN1UTF8String_traits::get(const char* rec, std::wstring& text)
{
   if (rec == nullptr || *rec == 0) {
      text.clear();
      return;
   }
   int n = MultiByteToWideChar(CP_UTF8, 0, rec, -1, nullptr, 0);
   if (n == 0) fail(CRYPT_E_ASN1_INTERNAL);
   std::wstring out((size_t)n, L'\0');
   if (MultiByteToWideChar(CP_UTF8, 0, rec, -1, &out[0], n) != n) fail(CRYPT_E_ASN1_INTERNAL);
   out.resize((size_t)n - 1);
   text.swap(out);
}

void ASN1UTF8String_traits::get(const char* rec, Corvane::CWStringProxy& text)
{
   std::wstring w;
   get(rec, w);
   text = Corvane::CWStringProxy(std::move(w));
}

// ---------------------------------------------------------------------------

void ASN1TDynOctStr_traits::set(ASN1CTXT* ctxt, ASN1DynOctStr& rec, const Corvane::CBlob& bytes)
{
   rec.data = copyBytes(ctxt, bytes.pbData(), bytes.cbData());
   rec.numocts = (OSUINT32)bytes.cbData();
}

void ASN1TDynOctStr_traits::copy(ASN1CTXT* ctxt, const ASN1DynOctStr& from, ASN1DynOctStr& to)
{
   to.data = copyBytes(ctxt, from.data, from.numocts);
   to.numocts = from.numocts;
}

int ASN1TDynOctStr_traits::encode(ASN1BEREncodeBuffer& buf, ASN1DynOctStr& rec)
{
   int stat = buf.init();
   if (stat != 0) return stat;
   return xe_octstr(buf.getCtxtPtr(), rec.data, rec.numocts, ASN1TAG_EXPLICIT);
}

int ASN1TDynOctStr_traits::decode(ASN1BERDecodeBuffer& buf, ASN1DynOctStr& rec)
{
   int stat = buf.init();
   if (stat != 0) return stat;
   return xd_octstr(buf.getCtxtPtr(), &rec.data, &rec.numocts, ASN1TAG_EXPLICIT, 0);
}

void ASN1TDynBitStr_traits::set(ASN1CTXT* ctxt, ASN1DynBitStr& rec, const Corvane::CBlob& bytes)
{
   if (bytes.cbData() > 0x1FFFFFFFUL) fail(CRYPT_E_ASN1_MEMORY);
   rec.data = const_cast<OSOCTET*>(copyBytes(ctxt, bytes.pbData(), bytes.cbData()));
   rec.numbits = (OSUINT32)bytes.cbData() * 8;
}

void ASN1TDynBitStr_traits::get(const ASN1DynBitStr& rec, Corvane::CBlob& bytes)
{
   unsigned long n = rec.numbits == 0 ? 0 : (rec.numbits - 1) / 8 + 1;
   bytes.assign(rec.data, n);
}

void ASN1TDynBitStr_traits::copy(ASN1CTXT* ctxt, const ASN1DynBitStr& from, ASN1DynBitStr& to)
{
   unsigned long n = from.numbits == 0 ? 0 : (from.numbits - 1) / 8 + 1;
   to.data = const_cast<OSOCTET*>(copyBytes(ctxt, from.data, n));
   to.numbits = from.numbits;
}

void ASN1TOpenType_traits::set(ASN1CTXT* ctxt, ASN1OpenType& rec, const Corvane::CBlob& encoding)
{
   rec.data = copyBytes(ctxt, encoding.pbData(), encoding.cbData());
   rec.numocts = (OSUINT32)encoding.cbData();
}

void ASN1TOpenType_traits::copy(ASN1CTXT* ctxt, const ASN1OpenType& from, ASN1OpenType& to)
{
   to.data = copyBytes(ctxt, from.data, from.numocts);
   to.numocts = from.numocts;
}

void Asn1TObject_traits::set(ASN1CTXT* ctxt, Asn1TObject& rec, const Corvane::CBlob& encoding)
{
   ASN1TOpenType_traits::set(ctxt, rec, encoding);
   rec.decoded = nullptr;
}

void Asn1TObject_traits::copy(ASN1CTXT* ctxt, const Asn1TObject& from, Asn1TObject& to)
{
   ASN1TOpenType_traits::copy(ctxt, from, to);
   to.decoded = nullptr;
}

// ---------------------------------------------------------------------------

void ASN1GeneralizedTime_traits::set(ASN1CTXT* ctxt, const char*& rec, const Corvane::CDateTime& date)
{
   rec = DateToASN1GeneralizedTime(ctxt, date, true);
}

void ASN1GeneralizedTime_traits::get(const char* rec, Corvane::CDateTime& date)
{
   try {
      date = Corvane::CDateTime(rec);
   }
   catch (const ATL::CAtlException&) {
      fail(CRYPT_E_ASN1_INTERNAL);
   }
}

int ASN1GeneralizedTime_traits::encode(ASN1BEREncodeBuffer& buf, const char*& rec)
{
   int stat = buf.init();
   if (stat != 0) return stat;
   return xe_charstr(buf.getCtxtPtr(), rec, ASN1TAG_EXPLICIT, ASN1_ID_GENTIME);
}

int ASN1GeneralizedTime_traits::decode(ASN1BERDecodeBuffer& buf, const char*& rec)
{
   int stat = buf.init();
   if (stat != 0) return stat;
   return xd_charstr(buf.getCtxtPtr(), &rec, ASN1TAG_EXPLICIT, ASN1_ID_GENTIME, 0);
}

// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Names

namespace detail {
bool isOneElement(const Corvane::CBlob& b)
{
   const unsigned char* p = b.pbData();
   unsigned long n = b.cbData(), i = 0;
   if (n < 2) return false;
   bool constructed = (p[0] & 0x20) != 0;
   if ((p[i++] & 0x1F) == 0x1F) {
      while (i < n && (p[i] & 0x80) != 0) ++i;
      if (++i >= n) return false;
   }
   unsigned long len = p[i++];
   if (len == 0x80) return constructed && n >= i + 2 && p[n - 1] == 0 && p[n - 2] == 0;
   if (len > 0x80) {
      unsigned long k = len & 0x7F;
      if (k > 4 || i + k > n) return false;
      len = 0;
      while (k-- > 0) len = (len << 8) | p[i++];
   }
   return len == n - i;
}
}  // namespace detail

void ASN1T_AttributeTypeAndValue_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CAttributeTypeAndValue& atav)
{
   ASN1TObjId_traits::set(ctxt, rec.type, atav.get_type());
   if (!detail::isOneElement(atav.get_value())) fail(CRYPT_E_ASN1_INTERNAL);
   Asn1TObject_traits::set(ctxt, rec.value, atav.get_value());
   // A value of a known attribute type must be a value of that type.
   if (asn1data::asn1DTC_AttributeTypeAndValue(ctxt, &rec) != 0) fail(CRYPT_E_ASN1_INTERNAL);
   // The octets stand as they are; the decoded form is not encoded again.
   rec.value.decoded = nullptr;
}

void ASN1T_AttributeTypeAndValue_traits::get(const ASN1_T& rec, CAttributeTypeAndValue& atav)
{
   ASN1TObjId_traits::get(rec.type, atav.m_type);
   Asn1TObject_traits::get(rec.value, atav.m_value);
}

void ASN1T_CName_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CRDNSequence& name)
{
   asn1data::ASN1T_RDNSequence* seq = asn1New<asn1data::ASN1T_RDNSequence>(ctxt);
   ASN1T_RDNSequence_traits::set(ctxt, *seq, name);
   rec.t = asn1data::T_Name_rdnSequence;
   rec.u.rdnSequence = seq;
}

void ASN1T_CName_traits::get(const ASN1_T& rec, CRDNSequence& name)
{
   if (rec.t != asn1data::T_Name_rdnSequence || rec.u.rdnSequence == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
   ASN1T_RDNSequence_traits::get(*rec.u.rdnSequence, name);
}

// ---------------------------------------------------------------------------
// General names

void ASN1T_GeneralName_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CGeneralName& name)
{
   using namespace asn1data;
   unsigned int t = name.get_type();
   switch (t) {
   case CGeneralName::rfc822Name:
   case CGeneralName::dNSName:
   case CGeneralName::uniformResourceIdentifier: {
      const wchar_t* text = t == CGeneralName::rfc822Name ? name.get_rfc822Name()
                            : t == CGeneralName::dNSName  ? name.get_dNSName()
                                                          : name.get_uniformResourceIdentifier();
      const char* narrow = nullptr;
      ASN1IA5String_traits::set(ctxt, narrow, tostring(text));
      if (t == CGeneralName::rfc822Name) rec.u.rfc822Name = narrow;
      else if (t == CGeneralName::dNSName) rec.u.dNSName = narrow;
      else rec.u.uniformResourceIdentifier = narrow;
      break;
   }
   case CGeneralName::directoryName: {
      ASN1T_Name* n = asn1New<ASN1T_Name>(ctxt);
      ASN1T_Name_traits::set(ctxt, *n, *name.get_directoryName());
      rec.u.directoryName = n;
      break;
   }
   case CGeneralName::iPAddress: {
      ASN1TDynOctStr* o = asn1New<ASN1TDynOctStr>(ctxt);
      ASN1TDynOctStr_traits::set(ctxt, *o, *name.get_iPAddress());
      rec.u.iPAddress = o;
      break;
   }
   case CGeneralName::registeredID: {
      ASN1TObjId* oid = asn1New<ASN1TObjId>(ctxt);
      ASN1TObjId_traits::set(ctxt, *oid, tostring(name.get_registeredID()));
      rec.u.registeredID = oid;
      break;
   }
   default:
      fail(E_INVALIDARG);
   }
   rec.t = t;
}

void ASN1T_GeneralName_traits::get(const ASN1_T& rec, CGeneralName& name)
{
   switch (rec.t) {
   case CGeneralName::rfc822Name: name.put_rfc822Name(towstring(rec.u.rfc822Name).c_str()); break;
   case CGeneralName::dNSName: name.put_dNSName(towstring(rec.u.dNSName).c_str()); break;
   case CGeneralName::uniformResourceIdentifier:
      name.put_uniformResourceIdentifier(towstring(rec.u.uniformResourceIdentifier).c_str());
      break;
   case CGeneralName::directoryName: {
      if (rec.u.directoryName == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
      Corvane::CBlob der;
      ASN1T_Name_traits::get(*rec.u.directoryName, der);
      name.put_directoryName(der);
      break;
   }
   case CGeneralName::iPAddress: {
      if (rec.u.iPAddress == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
      Corvane::CBlob bytes;
      ASN1TDynOctStr_traits::get(*rec.u.iPAddress, bytes);
      name.put_iPAddress(bytes);
      break;
   }
   case CGeneralName::registeredID: {
      if (rec.u.registeredID == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
      name.put_registeredID(towstring(toOID(*rec.u.registeredID).c_str()).c_str());
      break;
   }
   default:
      // otherName, x400Address, ediPartyName.
      fail(E_INVALIDARG);
   }
}

void ASN1T_DistributionPointName_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CDistributionPointName& name)
{
   if (name.get_type() != 1) return;  // the empty record fails to encode
   asn1data::ASN1T_GeneralNames* list = asn1New<asn1data::ASN1T_GeneralNames>(ctxt);
   ASN1T_GeneralNames_traits::set(ctxt, *list, *name.get_fullName());
   rec.t = asn1data::T_DistributionPointName_fullName;
   rec.u.fullName = list;
}

void ASN1T_DistributionPointName_traits::get(const ASN1_T& rec, CDistributionPointName& name)
{
   if (rec.t != asn1data::T_DistributionPointName_fullName || rec.u.fullName == nullptr) fail(E_INVALIDARG);
   CGeneralNames names;
   ASN1T_GeneralNames_traits::get(*rec.u.fullName, names);
   name.put_fullName(names);
}

void ASN1T_ReasonFlags_traits::set(ASN1CTXT*, ASN1_T& rec, const CReasonFlags& flags)
{
   unsigned int v = flags.get_value();
   // The record holds 16 bits.
   if ((v & 0xFFFF0000u) != 0) fail(E_INVALIDARG);
   rec.numbits = 0;
   rec.data[0] = rec.data[1] = 0;
   for (unsigned int n = 0; n < 16; ++n) {
      if (!flags.get_bit(n)) continue;
      rec.data[n / 8] |= (OSOCTET)(0x80u >> (n % 8));
      rec.numbits = n + 1;
   }
}

void ASN1T_ReasonFlags_traits::get(const ASN1_T& rec, CReasonFlags& flags)
{
   flags.put_value(0);
   for (unsigned int n = 0; n < rec.numbits && n < 16; ++n)
      if ((rec.data[n / 8] & (0x80u >> (n % 8))) != 0) flags.put_bit(n, true);
}

void ASN1T_DistributionPoint_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CDistributionPoint& point)
{
   if (point.get_distributionPoint() != nullptr) {
      ASN1T_DistributionPointName_traits::set(ctxt, rec.distributionPoint, *point.get_distributionPoint());
      rec.m.distributionPointPresent = 1;
   }
   if (point.get_reasons() != nullptr) {
      ASN1T_ReasonFlags_traits::set(ctxt, rec.reasons, *point.get_reasons());
      rec.m.reasonsPresent = 1;
   }
   if (point.get_cRLIssuer() != nullptr && !point.get_cRLIssuer()->empty()) {
      ASN1T_GeneralNames_traits::set(ctxt, rec.cRLIssuer, *point.get_cRLIssuer());
      rec.m.cRLIssuerPresent = 1;
   }
}

void ASN1T_DistributionPoint_traits::get(const ASN1_T& rec, CDistributionPoint& point)
{
   point.clear();
   if (rec.m.distributionPointPresent) {
      CDistributionPointName name;
      ASN1T_DistributionPointName_traits::get(rec.distributionPoint, name);
      point.put_distributionPoint(&name);
   }
   if (rec.m.reasonsPresent) {
      CReasonFlags flags;
      ASN1T_ReasonFlags_traits::get(rec.reasons, flags);
      point.put_reasons(&flags);
   }
   if (rec.m.cRLIssuerPresent) {
      CGeneralNames names;
      ASN1T_GeneralNames_traits::get(rec.cRLIssuer, names);
      point.put_cRLIssuer(&names);
   }
}

void ASN1T_AccessDescription_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const CAccessDescription& ad)
{
   ASN1TObjId_traits::set(ctxt, rec.accessMethod, ad.get_accessMethod());
   asn1data::ASN1T_GeneralName* location = asn1New<asn1data::ASN1T_GeneralName>(ctxt);
   ASN1T_GeneralName_traits::set(ctxt, *location, ad.get_accessLocation());
   rec.accessLocation = location;
}

void ASN1T_AccessDescription_traits::get(const ASN1_T& rec, CAccessDescription& ad)
{
   std::string method;
   ASN1TObjId_traits::get(rec.accessMethod, method);
   if (rec.accessLocation == nullptr) fail(CRYPT_E_ASN1_INTERNAL);
   CGeneralName location;
   ASN1T_GeneralName_traits::get(*rec.accessLocation, location);
   ad.put_accessMethod(method.c_str());
   ad.put_accessLocation(location);
}

// ---------------------------------------------------------------------------

void ASN1T_Certificate_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const Corvane::CBlob& der)
{
   asn1DecodeT<ASN1T_Certificate_traits>(der, ctxt, rec);
}

void ASN1T_Certificate_traits::get(const ASN1_T& rec, Corvane::CBlob& der)
{
   der = asn1EncodeT<ASN1T_Certificate_traits>(rec);
}

void ASN1T_CertificateList_traits::set(ASN1CTXT* ctxt, ASN1_T& rec, const Corvane::CBlob& der)
{
   asn1DecodeT<ASN1T_CertificateList_traits>(der, ctxt, rec);
}

void ASN1T_CertificateList_traits::get(const ASN1_T& rec, Corvane::CBlob& der)
{
   der = asn1EncodeT<ASN1T_CertificateList_traits>(rec);
}

}
}
