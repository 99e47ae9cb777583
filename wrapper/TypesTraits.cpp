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
