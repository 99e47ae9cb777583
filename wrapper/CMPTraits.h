// Corvane::ASN1 traits of the certificate-management status types, and the
// conversions of free text and general-message item lists.
#ifndef CORVANE_ASN1_CMPTRAITS_H
#define CORVANE_ASN1_CMPTRAITS_H

#include "CMP.h"
#include "CMSTraits.h"
#include "ExtensionTraits.h"
#include "PKIXCMP.h"
#include "PKIXCRMF.h"
#include "PKIXCMPTable.h"
#include "TypesTraits.h"

namespace Corvane {
namespace ASN1 {

struct EXTERNRT ASN1T_PKIFailureInfo_traits
   : ASN1RecordTraits<asn1data::ASN1T_PKIFailureInfo, asn1data::ASN1C_PKIFailureInfo, &asn1data::asn1Copy_PKIFailureInfo> {
   // The bit string is cut after the last set bit. The record holds the
   // 27 bits the type names: a value with a higher bit set throws
   // E_INVALIDARG.
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CPKIFailureInfo& info);
   // Replaces the value by the decoded bits.
   static void get(const ASN1_T& rec, CPKIFailureInfo& info);
};

struct EXTERNRT ASN1T_PKIStatusInfo_traits
   : ASN1RecordTraits<asn1data::ASN1T_PKIStatusInfo, asn1data::ASN1C_PKIStatusInfo, &asn1data::asn1Copy_PKIStatusInfo> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CPKIStatusInfo& info);
   static void get(const ASN1_T& rec, CPKIStatusInfo& info);
};

struct EXTERNRT ASN1T_InfoTypeAndValue_traits
   : ASN1RecordTraits<asn1data::ASN1T_InfoTypeAndValue, asn1data::ASN1C_InfoTypeAndValue,
                      &asn1data::asn1Copy_InfoTypeAndValue> {
   // A value of a known type must be a value of that type
   // (CRYPT_E_ASN1_INTERNAL); its octets are kept as they are.
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CInfoTypeAndValue& item);
   static void get(const ASN1_T& rec, CInfoTypeAndValue& item);
};

struct EXTERNRT ASN1T_GenMsgContent_traits
   : ASN1ListRecordTraits<asn1data::ASN1T_InfoTypeAndValue, ASN1T_InfoTypeAndValue_traits, CInfoTypeAndValue,
                          CInfoTypeAndValueList, asn1data::ASN1T_GenMsgContent, asn1data::ASN1C_GenMsgContent,
                          &asn1data::asn1Copy_GenMsgContent> {};

struct EXTERNRT ASN1T_CertId_traits
   : ASN1RecordTraits<asn1data::ASN1T_CertId, asn1data::ASN1C_CertId, &asn1data::asn1Copy_CertId> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CCertId& id);
   static void get(const ASN1_T& rec, CCertId& id);
};

struct EXTERNRT ASN1T_RevAnnContent_traits
   : ASN1RecordTraits<asn1data::ASN1T_RevAnnContent, asn1data::ASN1C_RevAnnContent, &asn1data::asn1Copy_RevAnnContent> {
   static void set(ASN1CTXT* ctxt, ASN1_T& rec, const CRevAnnContent& ann);
   static void get(const ASN1_T& rec, CRevAnnContent& ann);
};

// Free text <-> its record: each string the UTF-8 form of its language
// prefix and its text. A string that is not UTF-8 throws CRYPT_E_ASN1_UTF8.
EXTERNRT void CPKIFreeText_Parse(ASN1CTXT* ctxt, CPKIFreeText& text, const asn1data::ASN1T_PKIFreeText& record);
EXTERNRT void CPKIFreeText_Encode(ASN1CTXT* ctxt, asn1data::ASN1T_PKIFreeText& record, const CPKIFreeText& text);

// Item list <-> record list (the records in the buffer's heap).
EXTERNRT void ASN1TavList_Parse(const ASN1TSeqOfList& records, CInfoTypeAndValueList& items);
EXTERNRT void ASN1TavList_Encode(const CInfoTypeAndValueList& items, ASN1TSeqOfList& records, ASN1BERDecodeBuffer& buffer);

}
}

#endif
