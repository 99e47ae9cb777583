// Uses the installed headers and library: encodes an INTEGER, decodes it
// back, and looks at the type registry. Prints one line and exits with 0
// when everything agrees.
#include <stdio.h>

#include "asn1BerCppTypes.h"
#include "asn1Registry.h"
#include "asn1XerCppTypes.h"
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

   ASN1XEREncodeBuffer xml;
   printf("consumer: INTEGER %d in %d octets and back; %zu registered types\n", decoded, len,
          asn1RegCount());
   return 0;
}
