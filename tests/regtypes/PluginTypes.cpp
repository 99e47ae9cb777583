// A module that joins the registry from a shared object loaded at run time
// and leaves it when the object is unloaded, as generated modules do from
// the library:
//
//    PluginNum ::= INTEGER
#include "asn1RegThunks.h"
#include "asn1xer.h"

namespace {

int asn1XE_PluginNum(ASN1CTXT* pctxt, int value, const char* elemName, const char*)
{
   return xerEncInt(pctxt, value, elemName != nullptr ? elemName : "PluginNum");
}

const Asn1RegEntry kTypes[] = {
   { "PluginNum", "QvPluginTypes", sizeof(int),
     asn1RegBerDecodeOf<int, xd_integer>,
     asn1RegDerEncodeOf<int, xe_integer>,
     asn1RegXerEncodeOf<int, asn1XE_PluginNum>,
     nullptr, nullptr, nullptr },
};

Asn1RegModule kModule = ASN1REG_MODULE("QvPluginTypes", kTypes);
const Asn1RegAutoAdd kAdd(&kModule);

}  // namespace
