// The corpus allowlist: the files that do not do what their folder says,
// each with the failure it gives and why. Shared by the round trips of the
// BER codecs, of the object tables and of XER, and by the corpus report
// (tests/test_cli_corpus.cpp), which fails when a listed file stops failing
// as listed.
#ifndef QVASN1_TESTS_CORPUSFAILURES_H
#define QVASN1_TESTS_CORPUSFAILURES_H

#include <map>
#include <set>
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

// Outside the CMS module of the catalogue (RFC 2630 types): Authenticode
// content that is not an OCTET STRING, an RFC 5940 other revocation entry,
// password and other recipient infos; a DVCS serial number beyond the 32-bit
// INTEGER that DVCSCertInfo holds.
inline const std::map<std::string, int> kContentInfoFailures = {
   {"bc-res-SignedMSPkcs7.sig.der", ASN1ERR_TAG_NOT_FOUND},
   {"rustcrypto-cms-apple_mdm_signature_der.der", ASN1ERR_TAG_NOT_FOUND},
   {"rustcrypto-cms-authroot.der", ASN1ERR_TAG_NOT_FOUND},
   {"pyasn1-modules-rfc5940-pem-text.der", ASN1ERR_TAG_NOT_FOUND},
   {"rustcrypto-cms-1.3.6.1.4.1.22554.5.6.1_ML-KEM-512-ipd_kemri_id-alg-hkdf-with-sha256.der", ASN1ERR_INVALID_CHOICE},
   {"rustcrypto-cms-1.3.6.1.4.1.22554.5.6.1_ML-KEM-512-ipd_kemri_ukm.der", ASN1ERR_INVALID_CHOICE},
   {"rustcrypto-cms-enveloped_data_multi.der", ASN1ERR_INVALID_CHOICE},
   {"rustcrypto-cms-enveloped_data_pwri.der", ASN1ERR_INVALID_CHOICE},
   {"bc-DVCSParseTest-RESPONSE_CCPD_CLEPSYDRE.der", ASN1ERR_TOO_BIG},
};
// The bodies of RFC 2510 only (no certConf, pollReq, pollRep).
inline const std::map<std::string, int> kPkiMessageFailures = {
   {"siemens-lwcmpra-CrDelayed-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-CrDelayed-downstream_POLL_REP.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-CrDelayed-downstream_POLL_REQ.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-CrWithSignatureProtection-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-CrWithSignatureProtection-upstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-IrWithMacProtection-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-IrWithMacProtection-upstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-Kur-downstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
   {"siemens-lwcmpra-Kur-upstream_CERT_CONFIRM.der", ASN1ERR_INVALID_CHOICE},
};
// A present but empty response extensions list (SIZE (1..MAX)).
inline const std::map<std::string, int> kOcspFailures = {
   {"bc-OCSPTest-emptyExtResp.der", ASN1ERR_CONSTRAINT},
};
// Values XER does not yet carry back as they were, each with its reason.
inline const std::set<std::string> kXerLimits = {
   // none at present
};

// The other corpus files that do not do what their folder says (the DER
// files of the other folders, the ber/ and invalid/ files), keyed by their
// path under the corpus root: a fragment of the failure each gives, and why.
struct CorpusGap {
   const char* failure;
   const char* reason;
};
inline const std::map<std::string, CorpusGap> kCorpusGaps = {
   {"CertReqMessages/pyasn1-modules-rfc2511-pem-text.der",
    {"status -33 (", "an INTEGER beyond 32 bits where the type holds a 32-bit one"}},
   {"DVCSResponse/bc-DVCSParseTest-RESPONSE_CCPD_CLEPSYDRE-econtent.der",
    {"status -33 (", "a serial number beyond the 32-bit INTEGER that DVCSCertInfo holds"}},
   {"SignaturePolicy/pyasn1-modules-rfc3125-pem-text.der",
    {"status -3 (", "RFC 3125 layout; the module has the RFC 3126 one"}},
   // BER
   {"Certificate/ber/boringssl-crypto-x509-x509_test-71.der",
    {"status -3 (", "a tag number below 31 in the high-tag form, which X.690 does not allow"}},
   {"OCSPResponse/ber/bc-OCSPTest-invalidResp.der", {"status -5 (", "an INTEGER without content octets"}},
   {"ContentInfo/ber/bc-BcEnvelopedDataTest-oldKEK.der",
    {"status -3 (", "a KEK recipient of a draft layout (the corpus's own schema fails on it too)"}},
   {"ContentInfo/ber/bc-res-PSSSignDataSHA1.sig.der",
    {"status -23 (", "a certificate inside has an empty subjectAltName (GeneralNames is SIZE (1..MAX))"}},
   {"ContentInfo/ber/bc-res-PSSSignDataSHA1Enc.sig.der", {"status -23 (", "as above"}},
   {"ContentInfo/ber/bc-res-PSSSignDataSHA256.sig.der", {"status -23 (", "as above"}},
   {"ContentInfo/ber/bc-res-PSSSignDataSHA256Enc.sig.der", {"status -23 (", "as above"}},
   {"ContentInfo/ber/bc-res-PSSSignDataSHA512.sig.der", {"status -23 (", "as above"}},
   {"ContentInfo/ber/bc-res-PSSSignDataSHA512Enc.sig.der", {"status -23 (", "as above"}},
   {"ContentInfo/ber/bc-tsp-BIN_ER.ers.0.0.tsr.der",
    {"status -3 (", "refused inside the signed content (evidence-record test data); cause not traced yet"}},
   {"ContentInfo/ber/bc-tsp-BIN_ER.ers.0.1.tsr.der", {"status -3 (", "as above"}},
   {"ContentInfo/ber/bc-tsp-BIN_ER.ers.1.0.tsr.der", {"status -3 (", "as above"}},
   // invalid
   {"Certificate/invalid/boringssl-parse_certificate_unittest-v1_explicit_version.der",
    {"decodes", "version v1 written out: BER allows the DEFAULT value, only DER forbids it"}},
};

// The listed failures of one corpus folder: path -> a fragment of the
// failure message. The status lists above are by file name for the main
// folders; a listed status of 0 is a file that decodes but re-encodes
// differently.
inline std::map<std::string, std::string> corpusAllowlist(const std::string& folder)
{
   std::map<std::string, std::string> out;
   const std::map<std::string, const std::map<std::string, int>*> byStatus = {
      {"Certificate", &kCertificateFailures}, {"CertificateList", &kCrlFailures},
      {"ContentInfo", &kContentInfoFailures}, {"PKIMessage", &kPkiMessageFailures},
      {"OCSPResponse", &kOcspFailures},
   };
   auto it = byStatus.find(folder);
   if (it != byStatus.end())
      for (const auto& [name, status] : *it->second)
         out[folder + "/" + name] =
            status == 0 ? std::string("DER re-encoding differs") : "status " + std::to_string(status) + " (";
   for (const auto& [path, gap] : kCorpusGaps)
      if (path.compare(0, folder.size() + 1, folder + "/") == 0) out[path] = gap.failure;
   // The XER limits, unless the file fails before XER.
   for (const auto& path : kXerLimits)
      if (path.compare(0, folder.size() + 1, folder + "/") == 0) out.emplace(path, "XER");
   return out;
}

#endif
