// Corvane::ASN1 value traits of the extension classes (see TypesTraits.h for
// the pattern).
#ifndef CORVANE_ASN1_EXTENSIONTRAITS_H
#define CORVANE_ASN1_EXTENSIONTRAITS_H

#include "CertificateExtensions.h"
#include "Extension.h"
#include "PKIX1Explicit88Table.h"
#include "TypesTraits.h"

namespace Corvane {
namespace ASN1 {

// Extension: the identifier, the flag and the value bytes. set() checks the
// value of a known identifier against its syntax (CRYPT_E_ASN1_INTERNAL) and
// keeps the bytes as they are.
struct EXTERNRT ASN1T_Extension_traits
   : ASN1RecordTraits<asn1data::ASN1T_Extension, asn1data::ASN1C_Extension, &asn1data::asn1Copy_Extension> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CExtension& ext);
   static void get(const ASN1_T& rec, CExtension& ext);
};

struct EXTERNRT ASN1T_Extensions_traits
   : ASN1TSeqOfList_traits<asn1data::ASN1T_Extension, ASN1T_Extension_traits, CExtension, CExtensions>,
     ASN1RecordTraits<asn1data::ASN1T_Extensions, asn1data::ASN1C_Extensions, &asn1data::asn1Copy_Extensions> {
   typedef asn1data::ASN1T_Extensions ASN1_T;
   using ASN1TSeqOfList_traits::get;
   using ASN1TSeqOfList_traits::set;
   using ASN1RecordTraits::copy;
};

// CRLReason (the record's unsigned number) <-> CrlReason.
struct EXTERNRT ASN1T_CRLReason_traits
   : ASN1RecordTraits<asn1data::ASN1T_CRLReason, asn1data::ASN1C_CRLReason, &asn1data::asn1Copy_CRLReason> {
   static void set(ASN1CTXT*, ASN1_T& rec, CrlReason reason) { rec = (ASN1_T)reason; }
   static void get(const ASN1_T& rec, CrlReason& reason) { reason = (CrlReason)rec; }
};

// PrivateKeyUsagePeriod <-> the two optional dates (pointers; null when
// absent).
struct EXTERNRT ASN1T_PrivateKeyUsagePeriod_traits
   : ASN1RecordTraits<asn1data::ASN1T_PrivateKeyUsagePeriod, asn1data::ASN1C_PrivateKeyUsagePeriod,
                      &asn1data::asn1Copy_PrivateKeyUsagePeriod> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CExtPrivateKeyUsagePeriod& period);
   static void get(const ASN1_T& rec, CExtPrivateKeyUsagePeriod& period);
};

struct EXTERNRT ASN1T_PolicyInformation_traits
   : ASN1RecordTraits<asn1data::ASN1T_PolicyInformation, asn1data::ASN1C_PolicyInformation,
                      &asn1data::asn1Copy_PolicyInformation> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CPolicyInformation& policy);
   static void get(const ASN1_T& rec, CPolicyInformation& policy);
};

}
}

#endif
