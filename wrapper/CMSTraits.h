// Corvane::ASN1 value traits of the CMS classes, algorithm identifiers, big
// integers and times (see TypesTraits.h for the pattern), and the functions
// that read generated records into them.
#ifndef CORVANE_ASN1_CMSTRAITS_H
#define CORVANE_ASN1_CMSTRAITS_H

#include "CMS.h"
#include "CryptographicMessageSyntax.h"
#include "CryptographicMessageSyntaxTable.h"
#include "TypesTraits.h"

namespace Corvane {
namespace ASN1 {

// A new AlgorithmIdentifier record in the heap of ctxt: the identifier (a
// text that does not parse throws CRYPT_E_ASN1_INTERNAL) and, when
// parameters are given and not empty, their bytes as the parameters, which
// must be one DER element and, for a known algorithm, a value of its
// parameter type (else CRYPT_E_ASN1_INTERNAL). The bytes are written as
// they are.
EXTERNRT asn1data::ASN1T_AlgorithmIdentifier* ASN1T_AlgorithmIdentifier_set(ASN1CTXT* ctxt, const char* oid,
                                                                             const Corvane::CBlob* parameters);
// The identifier text and the parameter bytes (empty when absent).
EXTERNRT void ASN1T_AlgorithmIdentifier_get(CAlgorithmIdentifier& alg, const asn1data::ASN1T_AlgorithmIdentifier& rec);
// Version, algorithms, signature, and the issuer's Name (as DER) and serial
// number of an issuerAndSerialNumber signer; a signer identified by
// subjectKeyIdentifier throws CRYPT_E_ASN1_INTERNAL. `info` is changed
// only when the whole record has been read.
EXTERNRT void ASN1T_SignerInfo_get(CSignerInfo& info, const asn1data::ASN1T_SignerInfo& rec);

struct EXTERNRT ASN1T_AlgorithmIdentifier_traits
   : ASN1RecordTraits<asn1data::ASN1T_AlgorithmIdentifier, asn1data::ASN1C_AlgorithmIdentifier,
                      &asn1data::asn1Copy_AlgorithmIdentifier> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CAlgorithmIdentifier& alg);
   static void get(const ASN1_T& rec, CAlgorithmIdentifier& alg) { ASN1T_AlgorithmIdentifier_get(alg, rec); }
};

// CertificateSerialNumber (a big INTEGER held as text) <-> CBigInteger.
struct EXTERNRT ASN1T_CertificateSerialNumber_traits
   : ASN1RecordTraits<asn1data::ASN1T_CertificateSerialNumber, asn1data::ASN1C_CertificateSerialNumber,
                      &asn1data::asn1Copy_CertificateSerialNumber> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CBigInteger& value);
   static void get(const ASN1_T& rec, CBigInteger& value);
};

struct EXTERNRT ASN1T_Time_traits
   : ASN1RecordTraits<asn1data::ASN1T_Time, asn1data::ASN1C_Time, &asn1data::asn1Copy_Time> {
   // The empty choice leaves the record without an alternative.
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CTimeChoice& time);
   // A text that is not a time of its type throws CRYPT_E_ASN1_INTERNAL. A
   // zone offset (BER) is applied, so the date is the UTC instant.
   static void get(const ASN1_T& rec, CTimeChoice& time);
};

struct EXTERNRT ASN1T_ContentInfo_traits
   : ASN1RecordTraits<asn1data::ASN1T_ContentInfo, asn1data::ASN1C_ContentInfo, &asn1data::asn1Copy_ContentInfo> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CContentInfo& info);
   static void get(const ASN1_T& rec, CContentInfo& info);
   // A whole ContentInfo held as its DER.
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const Corvane::CBlob& der)
   {
      asn1DecodeT<ASN1T_ContentInfo_traits>(der, ctxt, rec);
   }
   static void get(const ASN1_T& rec, Corvane::CBlob& der) { der = asn1EncodeT<ASN1T_ContentInfo_traits>(rec); }
};

// Read only: SignerInfo records are never written from a CSignerInfo.
struct EXTERNRT ASN1T_SignerInfo_traits
   : ASN1RecordTraits<asn1data::ASN1T_SignerInfo, asn1data::ASN1C_SignerInfo, &asn1data::asn1Copy_SignerInfo> {
   static void get(const ASN1_T& rec, CSignerInfo& info) { ASN1T_SignerInfo_get(info, rec); }
};

}
}

#endif
