// Prints a certificate through the value classes: the subject and issuer in
// the designed text form and in RFC 4514 form, the serial number, the
// validity, the extensions and the subject alternative names.
// Usage: qvasn1_example_names cert.der|cert.pem
#include <stdio.h>

#include <fstream>
#include <iterator>
#include <string>

#include "CMSTraits.h"
#include "ExtensionTraits.h"
#include "TypesTraits.h"

using namespace Corvane::ASN1;

namespace {

// The DER of a file: the content of its first PEM block, or the bytes.
Corvane::CBlob readCertificate(const char* path)
{
   std::ifstream in(path, std::ios::binary);
   std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
   size_t begin = data.find("-----BEGIN");
   if (begin == std::string::npos)
      return Corvane::CBlob(reinterpret_cast<const unsigned char*>(data.data()), (unsigned long)data.size());
   begin = data.find('\n', begin);
   size_t end = data.find("-----END", begin);
   static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
   std::string der;
   unsigned int bits = 0, count = 0;
   for (size_t i = begin; i < end && i < data.size(); ++i) {
      size_t v = alphabet.find(data[i]);
      if (v == std::string::npos) continue;  // line ends, padding
      bits = (bits << 6) | (unsigned int)v;
      if ((count += 6) >= 8) der.push_back((char)((bits >> (count -= 8)) & 0xFF));
   }
   return Corvane::CBlob(reinterpret_cast<const unsigned char*>(der.data()), (unsigned long)der.size());
}

void printName(const char* label, const asn1data::ASN1T_Name& record)
{
   Corvane::CBlob der;
   ASN1T_Name_traits::get(record, der);  // the name as DER
   CName name;
   name.decode(der);
   printf("%s: %ls\n", label, name.toString().c_str());
   printf("%s (RFC 4514): %ls\n", label, name.toRFC4514().c_str());
}

}  // namespace

int main(int argc, char** argv)
{
   if (argc != 2) {
      fprintf(stderr, "usage: %s cert.der|cert.pem\n", argv[0]);
      return 2;
   }
   setlocale(LC_ALL, "C.UTF-8");
   try {
      Corvane::CBlob der = readCertificate(argv[1]);
      ctxt_handle heap;
      heap.initOrThrow();
      asn1data::ASN1T_Certificate cert;
      ASN1T_Certificate_traits::set(heap.get(), cert, der);  // throws on bad input

      const asn1data::ASN1T_TBSCertificate& tbs = cert.tbsCertificate;
      printName("subject", tbs.subject);
      printName("issuer", tbs.issuer);

      CBigInteger serial;
      ASN1T_CertificateSerialNumber_traits::get(tbs.serialNumber, serial);
      Corvane::CBlob serialText;
      BigIntegerToString(serial, serialText);
      printf("serial: %s\n", reinterpret_cast<const char*>(serialText.pbData()));

      CTimeChoice notBefore, notAfter;
      ASN1T_Time_traits::get(tbs.validity.notBefore, notBefore);
      ASN1T_Time_traits::get(tbs.validity.notAfter, notAfter);
      printf("valid: %s to %s\n", notBefore.get_time()->getGeneralizedTime().c_str(),
             notAfter.get_time()->getGeneralizedTime().c_str());

      CExtensions extensions;
      ASN1T_Extensions_traits::get(tbs.extensions, extensions);
      for (const CExtension& ext : extensions)
         printf("extension: %s%s, %lu octets\n", ext.get_extnID(), ext.get_critical() ? " (critical)" : "",
                ext.get_extnValue().cbData());
      CExtensions::const_iterator san = extensions.find("2.5.29.17");
      if (san != extensions.end()) {
         CGeneralNames names;
         names.decode(san->get_extnValue());
         for (const CGeneralName& g : names) printf("subjectAltName: %ls\n", g.toString().c_str());
      }
   }
   catch (const ATL::CAtlException& e) {
      fprintf(stderr, "%s: status 0x%08X\n", argv[1], (unsigned)e.m_hr);
      return 1;
   }
   return 0;
}
