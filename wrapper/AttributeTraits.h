// Corvane::ASN1 traits of attributes and their typed values.
#ifndef CORVANE_ASN1_ATTRIBUTETRAITS_H
#define CORVANE_ASN1_ATTRIBUTETRAITS_H

#include "Attribute.h"
#include "CMSTraits.h"
#include "CryptographicMessageSyntax.h"
#include "ExtensionTraits.h"
#include "ETS-ElectronicSignatureFormats-97Syntax.h"
#include "TypesTraits.h"

namespace Corvane {
namespace ASN1 {

struct EXTERNRT ASN1T_Attribute_traits
   : ASN1RecordTraits<asn1data::ASN1T_Attribute, asn1data::ASN1C_Attribute, &asn1data::asn1Copy_Attribute> {
   // The values go in as their octets; a known attribute type's values must
   // be values of its syntax (CRYPT_E_ASN1_INTERNAL).
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CAttribute& attribute);
   static void get(const ASN1_T& rec, CAttribute& attribute);
};

// Attributes as a SET OF Attribute (the signed attributes' type).
struct EXTERNRT ASN1T_Attributes_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_Attribute, ASN1T_Attribute_traits, CAttribute, CAttributes,
                          asn1data::ASN1T_SignedAttributes, asn1data::ASN1C_SignedAttributes,
                          &asn1data::asn1Copy_SignedAttributes> {};

struct EXTERNRT ASN1T_CertificateValues_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_Certificate, ASN1T_Certificate_traits, Corvane::CBlob, CCertificateValues,
                          asn1data::ASN1T_CertificateValues, asn1data::ASN1C_CertificateValues,
                          &asn1data::asn1Copy_CertificateValues> {};

struct EXTERNRT ASN1T_IssuerSerial_traits
   : ASN1RecordTraits<asn1data::ASN1T_IssuerSerial, asn1data::ASN1C_IssuerSerial, &asn1data::asn1Copy_IssuerSerial> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CIssuerSerial& v);
   static void get(const ASN1_T& rec, CIssuerSerial& v);
};

struct EXTERNRT ASN1T_ESSCertID_traits
   : ASN1RecordTraits<asn1data::ASN1T_ESSCertID, asn1data::ASN1C_ESSCertID, &asn1data::asn1Copy_ESSCertID> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CESSCertID& v);
   static void get(const ASN1_T& rec, CESSCertID& v);
};

// The hash algorithm is written only when it is not SHA-256 (parameters
// play no part in the test); an absent one reads as SHA-256.
struct EXTERNRT ASN1T_ESSCertIDv2_traits
   : ASN1RecordTraits<asn1data::ASN1T_ESSCertIDv2, asn1data::ASN1C_ESSCertIDv2, &asn1data::asn1Copy_ESSCertIDv2> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CESSCertIDv2& v);
   static void get(const ASN1_T& rec, CESSCertIDv2& v);
};

struct EXTERNRT ASN1T_OtherHashAlgAndValue_traits
   : ASN1RecordTraits<asn1data::ASN1T_OtherHashAlgAndValue, asn1data::ASN1C_OtherHashAlgAndValue,
                      &asn1data::asn1Copy_OtherHashAlgAndValue> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const COtherHashAlgAndValue& v);
   static void get(const ASN1_T& rec, COtherHashAlgAndValue& v);
};

struct EXTERNRT ASN1T_OtherHash_traits
   : ASN1RecordTraits<asn1data::ASN1T_OtherHash, asn1data::ASN1C_OtherHash, &asn1data::asn1Copy_OtherHash> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const COtherHash& v);
   static void get(const ASN1_T& rec, COtherHash& v);
};

struct EXTERNRT ASN1T_OtherCertID_traits
   : ASN1RecordTraits<asn1data::ASN1T_OtherCertID, asn1data::ASN1C_OtherCertID, &asn1data::asn1Copy_OtherCertID> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const COtherCertID& v);
   static void get(const ASN1_T& rec, COtherCertID& v);
};

typedef ASN1TSeqOfList_traits<asn1data::ASN1T_PolicyInformation, ASN1T_PolicyInformation_traits, CPolicyInformation,
                              CPolicyInformationList>
   ASN1T_PolicyInformationList_traits;

// The three signing-certificate attributes: the certificates' list and the
// optional policies.
template <class Rec, class Ctl, int (*CopyFn)(ASN1CTXT*, Rec*, Rec*), class CertRec, class CertTraits, class CertList>
struct ASN1SigningCertificateTraits : ASN1RecordTraits<Rec, Ctl, CopyFn> {
   typedef ASN1TSeqOfList_traits<CertRec, CertTraits, typename CertList::value_type, CertList> Certs;

   static void set(ASN1CTXT* ctxt, Rec& rec, const CSigningCertificateBody<CertList>& body)
   {
      Certs::set(ctxt, rec.certs, body.certs);
      if (body.policies) {
         ASN1T_PolicyInformationList_traits::set(ctxt, rec.policies, *body.policies);
         rec.m.policiesPresent = 1;
      }
   }
   static void get(const Rec& rec, CSigningCertificateBody<CertList>& body)
   {
      Certs::get(rec.certs, body.certs);
      if (rec.m.policiesPresent) {
         CPolicyInformationList policies;
         ASN1T_PolicyInformationList_traits::get(rec.policies, policies);
         copy_to_auto_ptr(body.policies, &policies);
      }
      else {
         body.policies.reset();
      }
   }
};

struct EXTERNRT ASN1T_SigningCertificate_traits
   : ASN1SigningCertificateTraits<asn1data::ASN1T_SigningCertificate, asn1data::ASN1C_SigningCertificate,
                                  &asn1data::asn1Copy_SigningCertificate, asn1data::ASN1T_ESSCertID,
                                  ASN1T_ESSCertID_traits, CESSCertIDList> {};

struct EXTERNRT ASN1T_SigningCertificateV2_traits
   : ASN1SigningCertificateTraits<asn1data::ASN1T_SigningCertificateV2, asn1data::ASN1C_SigningCertificateV2,
                                  &asn1data::asn1Copy_SigningCertificateV2, asn1data::ASN1T_ESSCertIDv2,
                                  ASN1T_ESSCertIDv2_traits, CESSCertIDv2List> {};

struct EXTERNRT ASN1T_OtherSigningCertificate_traits
   : ASN1SigningCertificateTraits<asn1data::ASN1T_OtherSigningCertificate, asn1data::ASN1C_OtherSigningCertificate,
                                  &asn1data::asn1Copy_OtherSigningCertificate, asn1data::ASN1T_OtherCertID,
                                  ASN1T_OtherCertID_traits, COtherCertIDList> {};

}
}

#endif
