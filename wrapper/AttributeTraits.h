// Corvane::ASN1 traits of attributes and their typed values.
#ifndef CORVANE_ASN1_ATTRIBUTETRAITS_H
#define CORVANE_ASN1_ATTRIBUTETRAITS_H

#include "Attribute.h"
#include "CryptographicMessageSyntax.h"
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

}
}

#endif
