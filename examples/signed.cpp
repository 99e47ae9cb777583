// Prints the signers of a CMS SignedData message through the value classes:
// each signer's issuer, serial number and algorithms, and its signed
// attributes with their typed values.
// Usage: qvasn1_example_signed message.p7s (DER)
#include <stdio.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "AttributeTraits.h"
#include "CMSTraits.h"

using namespace Corvane::ASN1;

int main(int argc, char** argv)
{
   if (argc != 2) {
      fprintf(stderr, "usage: %s message.p7s\n", argv[0]);
      return 2;
   }
   setlocale(LC_ALL, "C.UTF-8");
   std::ifstream in(argv[1], std::ios::binary);
   std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
   try {
      CContentInfo message;
      message.decode(Corvane::CBlob(bytes.data(), (unsigned long)bytes.size()));
      printf("content type: %s\n", message.get_contentType());

      // The SignedData inside, through the generated control class.
      const Corvane::CBlob& content = message.get_content();
      ASN1BERDecodeBuffer buffer(content.pbData(), (int)content.cbData());
      asn1data::ASN1T_SignedData signedData;
      asn1data::ASN1C_SignedData control(buffer, signedData);
      if (control.Decode() != 0) ATL::AtlThrowImpl(CRYPT_E_ASN1_INTERNAL);

      for (const _Asn1RTDListNode* n = signedData.signerInfos.head; n != nullptr; n = n->next) {
         const asn1data::ASN1T_SignerInfo& record = *static_cast<const asn1data::ASN1T_SignerInfo*>(n->data);
         CSignerInfo signer;
         ASN1T_SignerInfo_get(signer, record);  // issuerAndSerialNumber signers
         CName issuer;
         issuer.decode(signer.get_issuer());
         Corvane::CBlob serial;
         BigIntegerToString(signer.get_serialNumber(), serial);
         printf("signer: %ls, serial %s\n", issuer.toRFC4514().c_str(), reinterpret_cast<const char*>(serial.pbData()));
         printf("  digest %s, signature %s\n", signer.get_digestAlgorithm().get_algorithm(),
                signer.get_signatureAlgorithm().get_algorithm());
         if (!record.m.signedAttrsPresent) continue;

         CAttributes attributes;
         ASN1T_Attributes_traits::get(record.signedAttrs, attributes);
         for (const CAttribute& a : attributes) {
            for (const CAttrValue& v : a) {
               std::string oid = v.get_oid();
               if (oid == "1.2.840.113549.1.9.3") {
                  printf("  contentType: %s\n", CAttrContentType(v.get_value()).get_contentType());
               }
               else if (oid == "1.2.840.113549.1.9.4") {
                  CAttrMessageDigest digest(v.get_value());
                  printf("  messageDigest: %s\n", digest.get_messageDigest().writeToHexString(0).c_str());
               }
               else if (oid == "1.2.840.113549.1.9.5") {
                  printf("  signingTime: %s\n", CAttrSigningTime(v.get_value()).get_time().getGeneralizedTime().c_str());
               }
               else if (oid == "1.2.840.113549.1.9.16.2.47") {
                  CAttrSigningCertificateV2 sc(v.get_value());
                  for (const CESSCertIDv2& id : sc.get_certs())
                     printf("  signingCertificateV2: %s hash %s\n", id.get_hashAlgorithm().get_algorithm(),
                            id.get_certHash().writeToHexString(0).c_str());
               }
               else {
                  printf("  %s: %lu octets\n", oid.c_str(), v.get_value().cbData());
               }
            }
         }
      }
   }
   catch (const ATL::CAtlException& e) {
      fprintf(stderr, "%s: status 0x%08X\n", argv[1], (unsigned)e.m_hr);
      return 1;
   }
   return 0;
}
