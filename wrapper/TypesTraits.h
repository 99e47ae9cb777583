// Corvane::ASN1 value traits: the conversions between wrapper objects and the
// generated records, and the templates that encode a wrapper object into DER
// and decode it back.
//
// A traits struct ASN1T_<Type>_traits has
//   ASN1_T                      the record type it converts;
//   set(ctxt, record, object)   fills a freshly constructed record from the
//                               object; everything the record points to is
//                               allocated in the heap of ctxt;
//   get(record, object)         overwrites the object from the record, which
//                               it copies: the object keeps nothing of the
//                               heap;
//   copy(ctxt, from, to)        a deep copy of a record into the heap of ctxt;
// and, where the record can be encoded on its own, encode(buffer, record)
// and decode(buffer, record) returning the codec's status.
//
// Every scratch buffer, context and record of a conversion lives on the
// stack of the call, so an exception releases all of them.
#ifndef CORVANE_ASN1_TYPESTRAITS_H
#define CORVANE_ASN1_TYPESTRAITS_H

#include <stdint.h>
#include <string.h>

#include <string>
#include <utility>

#include "CertificateExtensions.h"
#include "PKIX1Explicit88.h"
#include "PKIX1Explicit88Table.h"
#include "Types.h"
#include "Util.h"
#include "asn1BerCppTypes.h"
#include "asn1TObject.h"
#include "rtList.h"
#include "rtMemHeap.h"

namespace Corvane {
namespace ASN1 {

// ---------------------------------------------------------------------------
// Heap allocation: null throws CRYPT_E_ASN1_MEMORY.

EXTERNRT void* asn1Alloc(ASN1CTXT* ctxt, size_t size, bool zero);

template <class T>
T* asn1NewArray(ASN1CTXT* ctxt, size_t n)
{
   if (n > (size_t)INT32_MAX / sizeof(T)) ATL::AtlThrowImpl(CRYPT_E_ASN1_MEMORY);
   return static_cast<T*>(asn1Alloc(ctxt, n * sizeof(T), true));
}

// A value-initialised T in the heap of ctxt. Records made this way are
// released with the heap; their destructors are never run, which is right
// for records that do not hold a context reference of their own.
template <class T>
T* asn1New(ASN1CTXT* ctxt)
{
   return new (asn1Alloc(ctxt, sizeof(T), true)) T();
}

// ---------------------------------------------------------------------------
// The encode and decode templates.

namespace detail {
// The message buffers throw ASN1MessageBuffer::RTLError when they cannot be
// set up: the wrapper reports that as a memory failure.
template <class F>
auto guardBuffers(F&& f) -> decltype(f())
{
   try {
      return f();
   }
   catch (const ASN1MessageBuffer::RTLError&) {
      ATL::AtlThrowImpl(CRYPT_E_ASN1_MEMORY);
   }
}

// True when the bytes are exactly one BER element (identifier, length,
// contents): anything else written as an open type would break the
// enclosing encoding or lose the bytes after the first element.
EXTERNRT bool isOneElement(const Corvane::CBlob& b);

inline int blobLength(const Corvane::CBlob& blob)
{
   if (blob.cbData() > (unsigned long)INT32_MAX) ATL::AtlThrowImpl(CRYPT_E_ASN1_INTERNAL);
   return (int)blob.cbData();
}

// Decodes the whole blob into rec (in the buffer's heap): a failing decoder
// and octets left over after the value both throw CRYPT_E_ASN1_INTERNAL.
template <class Traits>
void decodeWhole(ASN1BERDecodeBuffer& dec, const Corvane::CBlob& blob, typename Traits::ASN1_T& rec)
{
   int stat = Traits::decode(dec, rec);
   if (stat < 0 || dec.getCtxtPtr()->buffer.byteIndex != blob.cbData())
      ATL::AtlThrowImpl(CRYPT_E_ASN1_INTERNAL);
}
}  // namespace detail

// The DER of a wrapper object.
template <class Traits, class Obj>
Corvane::CBlob asn1Encode(const Obj& object)
{
   return detail::guardBuffers([&]() {
      // The record is built in the encoder's own heap: one context for the
      // whole call.
      ASN1BEREncodeBuffer enc;
      typename Traits::ASN1_T rec{};
      Traits::set(enc.getCtxtPtr(), rec, object);
      int len = Traits::encode(enc, rec);
      if (len < 0) ATL::AtlThrowImpl(CRYPT_E_ASN1_INTERNAL);
      return Corvane::CBlob(enc.getMsgPtr(), (unsigned long)len);
   });
}

// Decodes DER or BER into a wrapper object. On any failure the object is
// left as it was: the value is built aside and put in place at the end.
template <class Traits, class Obj>
void asn1Decode(const Corvane::CBlob& blob, Obj& object)
{
   detail::guardBuffers([&]() {
      ASN1BERDecodeBuffer dec(blob.pbData(), detail::blobLength(blob));
      typename Traits::ASN1_T rec{};
      detail::decodeWhole<Traits>(dec, blob, rec);
      Obj value;
      Traits::get(rec, value);
      object = std::move(value);
      return 0;
   });
}

// The DER of a record that lives elsewhere (copied into the encoder first).
template <class Traits>
Corvane::CBlob asn1EncodeT(const typename Traits::ASN1_T& record)
{
   return detail::guardBuffers([&]() {
      ASN1BEREncodeBuffer enc;
      typename Traits::ASN1_T rec{};
      Traits::copy(enc.getCtxtPtr(), record, rec);
      int len = Traits::encode(enc, rec);
      if (len < 0) ATL::AtlThrowImpl(CRYPT_E_ASN1_INTERNAL);
      return Corvane::CBlob(enc.getMsgPtr(), (unsigned long)len);
   });
}

// Decodes into a record that lives in ctxt (a deep copy of the decoded one).
template <class Traits>
void asn1DecodeT(const Corvane::CBlob& blob, ASN1CTXT* ctxt, typename Traits::ASN1_T& record)
{
   detail::guardBuffers([&]() {
      ASN1BERDecodeBuffer dec(blob.pbData(), detail::blobLength(blob));
      typename Traits::ASN1_T rec{};
      detail::decodeWhole<Traits>(dec, blob, rec);
      Traits::copy(ctxt, rec, record);
      return 0;
   });
}

// ---------------------------------------------------------------------------
// Record traits over a generated control class and copy function.

template <class Rec, class Ctl, int (*CopyFn)(ASN1CTXT*, Rec*, Rec*)>
struct ASN1RecordTraits {
   typedef Rec ASN1_T;
   typedef Ctl ASN1_C;

   static void copy(ASN1CTXT* ctxt, const Rec& from, Rec& to)
   {
      if (CopyFn(ctxt, const_cast<Rec*>(&from), &to) != 0) ATL::AtlThrowImpl(CRYPT_E_ASN1_MEMORY);
   }
   static int encode(ASN1BEREncodeBuffer& buf, Rec& rec)
   {
      Ctl ctl(buf, rec);
      return ctl.Encode();
   }
   static int decode(ASN1BERDecodeBuffer& buf, Rec& rec)
   {
      Ctl ctl(buf, rec);
      return ctl.Decode();
   }
};

// ---------------------------------------------------------------------------
// Primitive traits.

// OBJECT IDENTIFIER <-> dotted text.
struct EXTERNRT ASN1TObjId_traits {
   typedef ASN1OBJID ASN1_T;
   // A text that does not parse throws E_INVALIDARG.
   static void set(ASN1CTXT* ctxt, ASN1OBJID& rec, const char* text);
   static void set(ASN1CTXT* ctxt, ASN1OBJID& rec, const std::string& text) { set(ctxt, rec, text.c_str()); }
   // An identifier that cannot be printed throws E_INVALIDARG.
   static void get(const ASN1OBJID& rec, Corvane::CStringProxy& text);
   static void get(const ASN1OBJID& rec, std::string& text);
   static void copy(ASN1CTXT*, const ASN1OBJID& from, ASN1OBJID& to) { to = from; }
   static int encode(ASN1BEREncodeBuffer& buf, ASN1OBJID& rec);
   static int decode(ASN1BERDecodeBuffer& buf, ASN1OBJID& rec);
};

// IA5String (or any 8-bit text) <-> narrow text.
struct EXTERNRT ASN1IA5String_traits {
   typedef const char* ASN1_T;
   static void set(ASN1CTXT* ctxt, const char*& rec, const char* text);
   static void set(ASN1CTXT* ctxt, const char*& rec, const std::string& text) { set(ctxt, rec, text.c_str()); }
   static void get(const char* rec, Corvane::CStringProxy& text) { text = Corvane::CStringProxy(rec); }
   static void get(const char* rec, std::string& text) { text.assign(rec != nullptr ? rec : ""); }
   static void copy(ASN1CTXT* ctxt, const char* from, const char*& to) { set(ctxt, to, from); }
};

// UTF8String <-> wide text. A character that UTF-8 cannot carry throws
// E_INVALIDARG on set; bytes that are not UTF-8 throw CRYPT_E_ASN1_INTERNAL
// on get.
struct EXTERNRT ASN1UTF8String_traits {
   typedef const char* ASN1_T;
   static void set(ASN1CTXT* ctxt, const char*& rec, const wchar_t* text);
   static void set(ASN1CTXT* ctxt, const char*& rec, const std::wstring& text) { set(ctxt, rec, text.c_str()); }
   static void get(const char* rec, Corvane::CWStringProxy& text);
   static void get(const char* rec, std::wstring& text);
   static void copy(ASN1CTXT* ctxt, const char* from, const char*& to) { ASN1IA5String_traits::copy(ctxt, from, to); }
};

// OCTET STRING <-> bytes.
struct EXTERNRT ASN1TDynOctStr_traits {
   typedef ASN1DynOctStr ASN1_T;
   static void set(ASN1CTXT* ctxt, ASN1DynOctStr& rec, const Corvane::CBlob& bytes);
   static void get(const ASN1DynOctStr& rec, Corvane::CBlob& bytes) { bytes.assign(rec.data, rec.numocts); }
   static void copy(ASN1CTXT* ctxt, const ASN1DynOctStr& from, ASN1DynOctStr& to);
   // A bare OCTET STRING.
   static int encode(ASN1BEREncodeBuffer& buf, ASN1DynOctStr& rec);
   static int decode(ASN1BERDecodeBuffer& buf, ASN1DynOctStr& rec);
};

// BIT STRING <-> whole bytes (8 bits a byte on set; the bytes that hold the
// bits on get).
struct EXTERNRT ASN1TDynBitStr_traits {
   typedef ASN1DynBitStr ASN1_T;
   static void set(ASN1CTXT* ctxt, ASN1DynBitStr& rec, const Corvane::CBlob& bytes);
   static void get(const ASN1DynBitStr& rec, Corvane::CBlob& bytes);
   static void copy(ASN1CTXT* ctxt, const ASN1DynBitStr& from, ASN1DynBitStr& to);
};

// Open type <-> the complete encoding it holds.
struct EXTERNRT ASN1TOpenType_traits {
   typedef ASN1OpenType ASN1_T;
   static void set(ASN1CTXT* ctxt, ASN1OpenType& rec, const Corvane::CBlob& encoding);
   static void get(const ASN1OpenType& rec, Corvane::CBlob& encoding) { encoding.assign(rec.data, rec.numocts); }
   static void copy(ASN1CTXT* ctxt, const ASN1OpenType& from, ASN1OpenType& to);
};

// Open type of a table-constrained component; the decoded value (if any) is
// not kept: the encoding is the value.
struct EXTERNRT Asn1TObject_traits {
   typedef Asn1TObject ASN1_T;
   static void set(ASN1CTXT* ctxt, Asn1TObject& rec, const Corvane::CBlob& encoding);
   static void get(const Asn1TObject& rec, Corvane::CBlob& encoding) { encoding.assign(rec.data, rec.numocts); }
   static void copy(ASN1CTXT* ctxt, const Asn1TObject& from, Asn1TObject& to);
};

// GeneralizedTime <-> date. Dates are written in whole seconds (from 500 ms
// up); a text that is not a time throws CRYPT_E_ASN1_INTERNAL on get.
struct EXTERNRT ASN1GeneralizedTime_traits {
   typedef const char* ASN1_T;
   static void set(ASN1CTXT* ctxt, const char*& rec, const Corvane::CDateTime& date);
   static void get(const char* rec, Corvane::CDateTime& date);
   static void copy(ASN1CTXT* ctxt, const char* from, const char*& to) { ASN1IA5String_traits::copy(ctxt, from, to); }
   // A bare GeneralizedTime (there is no control class for it).
   static int encode(ASN1BEREncodeBuffer& buf, const char*& rec);
   static int decode(ASN1BERDecodeBuffer& buf, const char*& rec);
};

// Whole certificates and CRLs held as their DER.
struct EXTERNRT ASN1T_Certificate_traits
   : ASN1RecordTraits<asn1data::ASN1T_Certificate, asn1data::ASN1C_Certificate, &asn1data::asn1Copy_Certificate> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const Corvane::CBlob& der);
   static void get(const ASN1_T& rec, Corvane::CBlob& der);
};

struct EXTERNRT ASN1T_CertificateList_traits
   : ASN1RecordTraits<asn1data::ASN1T_CertificateList, asn1data::ASN1C_CertificateList,
                      &asn1data::asn1Copy_CertificateList> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const Corvane::CBlob& der);
   static void get(const ASN1_T& rec, Corvane::CBlob& der);
};

// ---------------------------------------------------------------------------
// SEQUENCE OF / SET OF lists <-> std::list-like containers of wrapper
// objects, element by element in order.

template <class Rec, class RecTraits, class Obj, class ObjList>
struct ASN1TSeqOfList_traits {
   typedef ASN1TSeqOfList ASN1_T;

   static void set(ASN1CTXT* ctxt, _Asn1RTDList& list, const ObjList& objects)
   {
      rtDListInit(&list);
      for (const Obj& o : objects) {
         Rec* rec = asn1New<Rec>(ctxt);
         RecTraits::set(ctxt, *rec, o);
         if (rtDListAppend(ctxt, &list, rec) == nullptr) ATL::AtlThrowImpl(CRYPT_E_ASN1_MEMORY);
      }
   }
   static void get(const _Asn1RTDList& list, ObjList& objects)
   {
      objects.clear();
      for (const _Asn1RTDListNode* n = list.head; n != nullptr; n = n->next) {
         objects.push_back(Obj());
         RecTraits::get(*static_cast<const Rec*>(n->data), objects.back());
      }
   }
   static void copy(ASN1CTXT* ctxt, const _Asn1RTDList& from, _Asn1RTDList& to)
   {
      rtDListInit(&to);
      for (const _Asn1RTDListNode* n = from.head; n != nullptr; n = n->next) {
         Rec* rec = asn1New<Rec>(ctxt);
         RecTraits::copy(ctxt, *static_cast<const Rec*>(n->data), *rec);
         if (rtDListAppend(ctxt, &to, rec) == nullptr) ATL::AtlThrowImpl(CRYPT_E_ASN1_MEMORY);
      }
   }
};

// A list record with its own control class: the element conversions of
// ASN1TSeqOfList_traits, the codec and copy of the list's record.
template <class Rec, class RecTraits, class Obj, class ObjList, class ListRec, class ListCtl,
          int (*CopyFn)(ASN1CTXT*, ListRec*, ListRec*)>
struct ASN1ListRecordTraits : ASN1TSeqOfList_traits<Rec, RecTraits, Obj, ObjList>,
                              ASN1RecordTraits<ListRec, ListCtl, CopyFn> {
   typedef ListRec ASN1_T;
   using ASN1TSeqOfList_traits<Rec, RecTraits, Obj, ObjList>::get;
   using ASN1TSeqOfList_traits<Rec, RecTraits, Obj, ObjList>::set;
   using ASN1RecordTraits<ListRec, ListCtl, CopyFn>::copy;
};

// ---------------------------------------------------------------------------
// Names.

struct EXTERNRT ASN1T_AttributeTypeAndValue_traits
   : ASN1RecordTraits<asn1data::ASN1T_AttributeTypeAndValue, asn1data::ASN1C_AttributeTypeAndValue,
                      &asn1data::asn1Copy_AttributeTypeAndValue> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CAttributeTypeAndValue& atav);
   static void get(const ASN1_T& rec, CAttributeTypeAndValue& atav);
};

struct EXTERNRT ASN1T_RelativeDistinguishedName_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_AttributeTypeAndValue, ASN1T_AttributeTypeAndValue_traits, CAttributeTypeAndValue, CRelativeDistinguishedName,
                          asn1data::ASN1T_RelativeDistinguishedName, asn1data::ASN1C_RelativeDistinguishedName, &asn1data::asn1Copy_RelativeDistinguishedName> {};

typedef ASN1TSeqOfList_traits<asn1data::ASN1T_RelativeDistinguishedName, ASN1T_RelativeDistinguishedName_traits,
                              CRelativeDistinguishedName, CRDNSequence>
   ASN1T_RDNSequence_traits;

// A Name record <-> the wrapper's CName (the rdnSequence alternative).
struct EXTERNRT ASN1T_CName_traits
   : ASN1RecordTraits<asn1data::ASN1T_Name, asn1data::ASN1C_Name, &asn1data::asn1Copy_Name> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CRDNSequence& name);
   static void get(const ASN1_T& rec, CRDNSequence& name);
   static void get(const ASN1_T& rec, CName& name) { get(rec, static_cast<CRDNSequence&>(name)); }
};

// A Name record <-> the DER of the whole name, for classes that keep a name
// as bytes.
struct EXTERNRT ASN1T_Name_traits
   : ASN1RecordTraits<asn1data::ASN1T_Name, asn1data::ASN1C_Name, &asn1data::asn1Copy_Name> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const Corvane::CBlob& der) { asn1DecodeT<ASN1T_Name_traits>(der, ctxt, rec); }
   static void get(const ASN1_T& rec, Corvane::CBlob& der) { der = asn1EncodeT<ASN1T_Name_traits>(rec); }
};

// ---------------------------------------------------------------------------
// General names, distribution points and access descriptions.

struct EXTERNRT ASN1T_GeneralName_traits
   : ASN1RecordTraits<asn1data::ASN1T_GeneralName, asn1data::ASN1C_GeneralName, &asn1data::asn1Copy_GeneralName> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CGeneralName& name);
   static void get(const ASN1_T& rec, CGeneralName& name);
};

struct EXTERNRT ASN1T_GeneralNames_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_GeneralName, ASN1T_GeneralName_traits, CGeneralName, CGeneralNames,
                          asn1data::ASN1T_GeneralNames, asn1data::ASN1C_GeneralNames, &asn1data::asn1Copy_GeneralNames> {};

struct EXTERNRT ASN1T_DistributionPointName_traits
   : ASN1RecordTraits<asn1data::ASN1T_DistributionPointName, asn1data::ASN1C_DistributionPointName,
                      &asn1data::asn1Copy_DistributionPointName> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CDistributionPointName& name);
   static void get(const ASN1_T& rec, CDistributionPointName& name);
};

struct EXTERNRT ASN1T_ReasonFlags_traits
   : ASN1RecordTraits<asn1data::ASN1T_ReasonFlags, asn1data::ASN1C_ReasonFlags, &asn1data::asn1Copy_ReasonFlags> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CReasonFlags& flags);
   static void get(const ASN1_T& rec, CReasonFlags& flags);
};

struct EXTERNRT ASN1T_DistributionPoint_traits
   : ASN1RecordTraits<asn1data::ASN1T_DistributionPoint, asn1data::ASN1C_DistributionPoint,
                      &asn1data::asn1Copy_DistributionPoint> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CDistributionPoint& point);
   static void get(const ASN1_T& rec, CDistributionPoint& point);
};

struct EXTERNRT ASN1T_CRLDistPointsSyntax_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_DistributionPoint, ASN1T_DistributionPoint_traits, CDistributionPoint, CCRLDistPointsSyntax,
                          asn1data::ASN1T_CRLDistPointsSyntax, asn1data::ASN1C_CRLDistPointsSyntax, &asn1data::asn1Copy_CRLDistPointsSyntax> {};

struct EXTERNRT ASN1T_AccessDescription_traits
   : ASN1RecordTraits<asn1data::ASN1T_AccessDescription, asn1data::ASN1C_AccessDescription,
                      &asn1data::asn1Copy_AccessDescription> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CAccessDescription& ad);
   static void get(const ASN1_T& rec, CAccessDescription& ad);
};

struct EXTERNRT ASN1T_AuthorityInfoAccessSyntax_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_AccessDescription, ASN1T_AccessDescription_traits, CAccessDescription, CAuthorityInfoAccessSyntax,
                          asn1data::ASN1T_AuthorityInfoAccessSyntax, asn1data::ASN1C_AuthorityInfoAccessSyntax, &asn1data::asn1Copy_AuthorityInfoAccessSyntax> {};

}
}

#endif
