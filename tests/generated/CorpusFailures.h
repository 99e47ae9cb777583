// The corpus certificates and CRLs that do not decode, with the status
// they give: shared by the round trips of the BER codecs and of the object
// tables.
#ifndef QVASN1_TESTS_CORPUSFAILURES_H
#define QVASN1_TESTS_CORPUSFAILURES_H

#include <map>
#include <string>

#include "asn1ErrCodes.h"

// Files that fail and why:
//  - extension values that are not values of their syntax (test vectors of
//    invalid certificates: trailing octets, wrong types, negative or huge
//    path lengths, empty sequences where SIZE (1..MAX) applies);
//  - name attributes outside X.520: an empty string, an IA5String locality;
//  - IssuingDistPointSyntax without onlyContainsAttributeCerts (the X.509
//    edition of the module), and reason codes outside CRLReason.
inline const std::map<std::string, int> kCertificateFailures = {
   // A NUL inside a text string is refused: the record holds terminated text,
   // and a NUL there hides the rest of the name from every check.
   {"botan-name_constraints-dn-cn-embedded-nul-evades-constraint-invalid.der", ASN1ERR_INVALID_CHAR},
   {"botan-name_constraints-dns-san-embedded-nul-evades-constraint-invalid.der", ASN1ERR_INVALID_CHAR},
   {"botan-name_constraints-email-embedded-nul-san-invalid.der", ASN1ERR_INVALID_CHAR},
   {"botan-name_constraints-email-pkcs9-dn-embedded-nul-evades-constraint-invalid.der", ASN1ERR_INVALID_CHAR},
   {"bc-CertTest-emptyDNCert.der", ASN1ERR_CONSTRAINT},
   {"boringssl-parse_certificate_unittest-authority_key_identifier_not_sequence.der", ASN1ERR_TAG_NOT_FOUND},
   {"boringssl-parse_certificate_unittest-basic_constraints_negative_path.der", ASN1ERR_CONSTRAINT},
   {"boringssl-parse_certificate_unittest-basic_constraints_path_too_large.der", ASN1ERR_TOO_BIG},
   {"boringssl-parse_certificate_unittest-basic_constraints_unconsumed_data.der", ASN1ERR_SEQ_OVERFLOW},
   {"boringssl-parse_certificate_unittest-policy_qualifiers_empty_sequence.der", ASN1ERR_CONSTRAINT},
   {"boringssl-parse_certificate_unittest-subject_key_identifier_not_octet_string.der", ASN1ERR_TAG_NOT_FOUND},
   {"boringssl-parse_certificate_unittest-subject_not_ascii.der", ASN1ERR_INVALID_CHOICE},
   {"boringssl-parse_certificate_unittest-subjectaltname_general_names_empty_sequence.der", ASN1ERR_CONSTRAINT},
   {"boringssl-parse_certificate_unittest-subjectaltname_trailing_data.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_intermediate_authority_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_intermediate_basic_constraints.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_intermediate_ext_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_intermediate_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_intermediate_subject_alt_name.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_intermediate_subject_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_leaf_authority_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_leaf_basic_constraints.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_leaf_ext_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_leaf_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_leaf_subject_alt_name.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_leaf_subject_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_root_authority_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_root_basic_constraints.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_root_ext_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_root_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_root_subject_alt_name.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-invalid_extension_root_subject_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-policy_intermediate_invalid.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-policy_leaf_invalid.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-trailing_data_leaf_authority_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-trailing_data_leaf_basic_constraints.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-trailing_data_leaf_ext_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-trailing_data_leaf_key_usage.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-trailing_data_leaf_subject_alt_name.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-x509-trailing_data_leaf_subject_key_identifier.der", ASN1ERR_INVALID_LENGTH},
   {"botan-bsi-ext_10-ext_10_ee.TC.pem.der", ASN1ERR_TAG_NOT_FOUND},
   {"botan-name_constraints-critical-aia-intermediate-invalid-1.der", ASN1ERR_CONSTRAINT},
   {"botan-name_constraints-dn-empty-attribute-value-invalid.der", ASN1ERR_CONSTRAINT},
   {"botan-name_constraints-empty-san-sequence-invalid.der", ASN1ERR_CONSTRAINT},
   {"botan-name_constraints-policy-invalid-leaf-extension-invalid.der", ASN1ERR_CONSTRAINT},
   {"botan-wrong_context_ext-cert_with_idp.der", ASN1ERR_INVALID_LENGTH},
   // Also refused without the tables (see the round trip of the BER codecs).
   {"boringssl-crypto-x509-x509_test-48.der", ASN1ERR_TOO_BIG},   // version -1
   // a negative SkipCerts (requireExplicitPolicy FF) where 0..MAX applies
   {"botan-name_constraints-malformed-policy-constraints-invalid-1.der", ASN1ERR_TOO_BIG},
   {"boringssl-crypto-x509-x509_test-50.der", ASN1ERR_TOO_BIG},
   {"boringssl-parse_certificate_unittest-extensions_empty_sequence.der", ASN1ERR_CONSTRAINT},
   {"boringssl-x509-unusual_tbs_empty_extension_not_omitted.der", ASN1ERR_CONSTRAINT},
};

inline const std::map<std::string, int> kCrlFailures = {
   {"boringssl-crl_unittest-invalid_idp_dpname_choice_extra_data.der", ASN1ERR_INVALID_LENGTH},
   {"boringssl-crypto-x509-x509_test-17.der", ASN1ERR_INVALID_LENGTH},
   {"pkits-onlyContainsAttributeCertsCACRL.crl.der", ASN1ERR_SEQ_OVERFLOW},
   {"webpki-crl.entry.invalid.reason.der", ASN1ERR_INVALID_ENUM},
   {"webpki-crl.entry.invalidity.date.der", ASN1ERR_TAG_NOT_FOUND},
   {"webpki-crl.entry.issuer.ext.der", ASN1ERR_TAG_NOT_FOUND},
   {"webpki-crl.idp.invalid.name.der", ASN1ERR_INVALID_CHOICE},
   {"webpki-crl.idp.only_attribute_certs.der", ASN1ERR_SEQ_OVERFLOW},
   {"webpki-crl.idp.unknown.tag.der", ASN1ERR_SEQ_OVERFLOW},
   // Also refused without the tables.
   {"webpki-crl.entry.empty.ext.seq.der", ASN1ERR_CONSTRAINT},
   {"boringssl-crypto-x509-x509_test-59.der", ASN1ERR_CONSTRAINT},
   {"boringssl-crypto-x509-x509_test-60.der", ASN1ERR_CONSTRAINT},
};

#endif
