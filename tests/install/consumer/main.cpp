// Uses the installed headers and library: encodes an INTEGER, decodes it
// back, looks at the type registry, and encodes and decodes a name through
// the value classes. Prints one line and exits with 0 when everything
// agrees.
#include <stdio.h>

#include "asn1BerCppTypes.h"
#include "asn1Registry.h"
#include "asn1XerCppTypes.h"
#include "Types.h"
#include "Util.h"
#include "rtError.h"

int main()
{
   ASN1BEREncodeBuffer enc;
   enc.init();
   int value = 300;
   int len = xe_integer(enc.getCtxtPtr(), &value, ASN1TAG_EXPLICIT);
   if (len != 4) {
      fprintf(stderr, "consumer: encode gave %d\n", len);
      return 1;
   }

   ASN1CTXT ctxt;
   if (rtInitContext(&ctxt, nullptr) != 0) return 1;
   ASN1TAG tag = 0;
   int total = 0;
   int decoded = 0;
   int stat = xd_setp(&ctxt, enc.getMsgPtr(), len, &tag, &total);
   if (stat == 0) stat = xd_integer(&ctxt, &decoded, ASN1TAG_EXPLICIT, 0);
   rtFreeContext(&ctxt);
   if (stat != 0 || decoded != value) {
      fprintf(stderr, "consumer: decode gave %d (%s), value %d\n", stat, rtErrGetStatusText(stat), decoded);
      return 1;
   }

   // A name of one attribute through the value classes.
   using namespace Corvane::ASN1;
   size_t nameLen = 0;
   try {
      CRelativeDistinguishedName rdn;
      rdn.push_back(CAttributeTypeAndValue("2.5.4.3", encodeCharString(L"consumer", stUTF8)));
      CName name;
      name.push_back(rdn);
      Corvane::CBlob der = name.encode();
      CName back;
      back.decode(der);
      if (back != name || decodeCharString(back.front().front().get_value()).str() != L"consumer") {
         fprintf(stderr, "consumer: the name did not come back\n");
         return 1;
      }
      nameLen = der.cbData();
   }
   catch (const ATL::CAtlException& e) {
      fprintf(stderr, "consumer: wrapper status 0x%08x\n", (unsigned)e.m_hr);
      return 1;
   }

   ASN1XEREncodeBuffer xml;
   printf("consumer: INTEGER %d in %d octets and back; %zu registered types; a name in %zu octets\n",
          decoded, len, asn1RegCount(), nameLen);
   return 0;
}
