// Adapters from the typed functions of a generated type to the untyped entry
// points of the type registry (asn1Registry.h). Included by the generated
// registration sources only; each adapter is one call.
//
// A generated table row for a type C-named T (ASN1T_T, asn1D_T, ...):
//
//    ASN1REG_ENTRY("PKIX1Explicit88", "Certificate", Certificate)
//
// and, where the type lacks a free function, an XER document decoder or a
// copy function, the row is written out with nullptr in that place:
//
//    { "Version", "PKIX1Explicit88", sizeof(ASN1T_Version),
//      asn1RegBerDecodeOf<ASN1T_Version, asn1D_Version>,
//      asn1RegDerEncodeOf<ASN1T_Version, asn1E_Version>,
//      asn1RegXerEncodeOf<ASN1T_Version, asn1XE_Version>,
//      nullptr, asn1RegCopyOf<ASN1T_Version, asn1Copy_Version>, nullptr }
//
// A type without value (NULL) uses void for the record type: its functions
// take a void* value and its recordSize is 0.
#ifndef ASN1REGTHUNKS_H
#define ASN1REGTHUNKS_H

#include <type_traits>

#include "asn1Registry.h"
#include "asn1ber.h"

// asn1D_T(pctxt, value, explicit, 0): the whole TLV at the decode position.
template <class T, auto F>
int asn1RegBerDecodeOf(ASN1CTXT* pctxt, void* pvalue)
{
   return F(pctxt, static_cast<T*>(pvalue), ASN1TAG_EXPLICIT, 0);
}

// asn1E_T(pctxt, value, explicit): the encoded length or a negative status.
template <class T, auto F>
int asn1RegDerEncodeOf(ASN1CTXT* pctxt, void* pvalue)
{
   return F(pctxt, static_cast<T*>(pvalue), ASN1TAG_EXPLICIT);
}

// asn1XE_T(pctxt, value, null, null) with the record's address, or with the
// value itself for the encoders that take it by value (INTEGER, ENUMERATED,
// big-integer text).
template <class T, auto F>
int asn1RegXerEncodeOf(ASN1CTXT* pctxt, void* pvalue)
{
   if constexpr (std::is_invocable_v<decltype(F), ASN1CTXT*, T*, const char*, const char*>) {
      return F(pctxt, static_cast<T*>(pvalue), nullptr, nullptr);
   }
   else {
      return F(pctxt, *static_cast<T*>(pvalue), nullptr, nullptr);
   }
}

// The control class decodes the document of xmlBuf into the record. The
// exceptions of the reader and the handlers end here, as their status
// (asn1RegXerFailure).
template <class T, class C>
int asn1RegXerDecodeOf(ASN1MessageBufferIF* xmlBuf, void* pvalue) noexcept
{
   try {
      C control(*xmlBuf, *static_cast<T*>(pvalue));
      return control.DecodeFrom(*xmlBuf);
   }
   catch (...) {
      return asn1RegXerFailure();
   }
}

// asn1Copy_T(pctxt, src, dst); 0 when the copy function returns nothing.
template <class T, auto F>
int asn1RegCopyOf(ASN1CTXT* pctxt, void* src, void* dst)
{
   if constexpr (std::is_void_v<decltype(F(pctxt, static_cast<T*>(src), static_cast<T*>(dst)))>) {
      F(pctxt, static_cast<T*>(src), static_cast<T*>(dst));
      return 0;
   }
   else {
      return F(pctxt, static_cast<T*>(src), static_cast<T*>(dst));
   }
}

// asn1Free_T(pctxt, value).
template <class T, auto F>
void asn1RegFreeOf(ASN1CTXT* pctxt, void* pvalue)
{
   F(pctxt, static_cast<T*>(pvalue));
}

// The row of a type that has all six functions. typeName is the ASN.1 name
// (a string), cname the C name the generated identifiers are built from.
#define ASN1REG_ENTRY(moduleName, typeName, cname)                      \
   { (typeName), (moduleName), sizeof(ASN1T_##cname),                   \
     asn1RegBerDecodeOf<ASN1T_##cname, asn1D_##cname>,                  \
     asn1RegDerEncodeOf<ASN1T_##cname, asn1E_##cname>,                  \
     asn1RegXerEncodeOf<ASN1T_##cname, asn1XE_##cname>,                 \
     asn1RegXerDecodeOf<ASN1T_##cname, ASN1C_##cname>,                  \
     asn1RegCopyOf<ASN1T_##cname, asn1Copy_##cname>,                    \
     asn1RegFreeOf<ASN1T_##cname, asn1Free_##cname> }

// The same without a free function (records that reach no heap memory).
#define ASN1REG_ENTRY_NOFREE(moduleName, typeName, cname)               \
   { (typeName), (moduleName), sizeof(ASN1T_##cname),                   \
     asn1RegBerDecodeOf<ASN1T_##cname, asn1D_##cname>,                  \
     asn1RegDerEncodeOf<ASN1T_##cname, asn1E_##cname>,                  \
     asn1RegXerEncodeOf<ASN1T_##cname, asn1XE_##cname>,                 \
     asn1RegXerDecodeOf<ASN1T_##cname, ASN1C_##cname>,                  \
     asn1RegCopyOf<ASN1T_##cname, asn1Copy_##cname>,                    \
     nullptr }

#endif
