// BER/DER encoder: typed primitives (BOOLEAN, INTEGER forms, ENUMERATED,
// NULL, BIT STRING, OCTET STRING, character strings, OBJECT IDENTIFIER).
#include <string.h>

#include "asn1ber.h"
#include "berInternal.h"

namespace {

// Writes `n` (< 128) content octets, and with explicit tagging the one-octet
// identifier and short length in front, in one reservation.
inline int putShortPrimitive(ASN1CTXT* pctxt, OSOCTET idOctet, const OSOCTET* content,
                             OSUINT32 n, ASN1TagType tagging)
{
   OSUINT32 total = (tagging == ASN1TAG_EXPLICIT) ? n + 2 : n;
   int stat = xe_reserve(pctxt, total);
   if (stat != 0) return stat;
   xe_put(pctxt, content, n);
   if (tagging == ASN1TAG_EXPLICIT) {
      OSOCTET hdr[2] = { idOctet, (OSOCTET)n };
      xe_put(pctxt, hdr, 2);
   }
   return (int)total;
}

// INTEGER and ENUMERATED contents: the minimal two's-complement octets
// (ber_int64Octets), with the identifier and length in front when explicit,
// in one reservation.
inline int encodeInt64(ASN1CTXT* pctxt, OSINT64 v, OSOCTET idOctet, ASN1TagType tagging)
{
   const OSUINT32 n = ber_int64Octets(v);
   const bool withHeader = (tagging == ASN1TAG_EXPLICIT);
   const OSUINT32 total = withHeader ? n + 2 : n;
   int stat = xe_reserve(pctxt, total);
   if (stat != 0) return stat;
   OSOCTET* p = pctxt->buffer.data + (pctxt->buffer.byteIndex -= total);
   if (withHeader) {
      p[0] = idOctet;
      p[1] = (OSOCTET)n;
      p += 2;
   }
   ber_int64ToOctets(v, p, n);
   return (int)total;
}

// Content of `len` octets already written; adds the universal tag when
// explicit.
inline int finish(ASN1CTXT* pctxt, int len, ASN1TAG tag, ASN1TagType tagging)
{
   if (len < 0 || tagging != ASN1TAG_EXPLICIT) return len;
   return xe_quickTagLen(pctxt, tag, len);
}

} // namespace

extern "C" {

int xe_boolean(ASN1CTXT* pctxt, const OSBOOL* pvalue, ASN1TagType tagging)
{
   if (pvalue == nullptr) return ASN1ERR_BAD_VALUE;
   // X.690 11.1 (DER): TRUE is FF.
   OSOCTET v = *pvalue ? 0xFF : 0x00;
   return putShortPrimitive(pctxt, 0x01, &v, 1, tagging);
}

int xe_integer(ASN1CTXT* pctxt, const int* pvalue, ASN1TagType tagging)
{
   if (pvalue == nullptr) return ASN1ERR_BAD_VALUE;
   return encodeInt64(pctxt, *pvalue, 0x02, tagging);
}

int xe_unsigned(ASN1CTXT* pctxt, const unsigned int* pvalue, ASN1TagType tagging)
{
   if (pvalue == nullptr) return ASN1ERR_BAD_VALUE;
   return encodeInt64(pctxt, (OSINT64)*pvalue, 0x02, tagging);
}

int xe_uint16(ASN1CTXT* pctxt, const OSUINT16* pvalue, ASN1TagType tagging)
{
   if (pvalue == nullptr) return ASN1ERR_BAD_VALUE;
   return encodeInt64(pctxt, (OSINT64)*pvalue, 0x02, tagging);
}

int xe_enum(ASN1CTXT* pctxt, const int* pvalue, ASN1TagType tagging)
{
   if (pvalue == nullptr) return ASN1ERR_BAD_VALUE;
   return encodeInt64(pctxt, *pvalue, 0x0A, tagging);
}

int xe_null(ASN1CTXT* pctxt, ASN1TagType tagging)
{
   if (tagging != ASN1TAG_EXPLICIT) return 0;
   return putShortPrimitive(pctxt, 0x05, nullptr, 0, tagging);
}

int xe_bitstr(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 numbits, ASN1TagType tagging)
{
   int len;
   if (numbits == 0) {
      OSOCTET zero = 0;
      return putShortPrimitive(pctxt, 0x03, &zero, 1, tagging);
   }
   if (data == nullptr) return 0;
   OSUINT32 numocts = numbits / 8 + ((numbits % 8) ? 1 : 0);
   if (numocts >= (OSUINT32)INT32_MAX) return ASN1ERR_BAD_VALUE;
   len = xe_memcpy(pctxt, data, numocts);
   if (len < 0) return len;
   int stat = xe_reserve(pctxt, 1);
   if (stat != 0) return stat;
   pctxt->buffer.data[--pctxt->buffer.byteIndex] =
      (OSOCTET)((numbits % 8) ? 8 - numbits % 8 : 0);
   return finish(pctxt, len + 1, TM_UNIV | ASN1_ID_BITSTR, tagging);
}

int xe_octstr(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 numocts, ASN1TagType tagging)
{
   int len = 0;
   if (data != nullptr && numocts > 0) {
      len = xe_memcpy(pctxt, data, numocts);
      if (len < 0) return len;
   }
   return finish(pctxt, len, TM_UNIV | ASN1_ID_OCTSTR, tagging);
}

int xe_charstr(ASN1CTXT* pctxt, const char* text, ASN1TagType tagging, ASN1TAG tag)
{
   if (text == nullptr) return ASN1ERR_BAD_VALUE;
   size_t n = strlen(text);
   if (n >= (size_t)INT32_MAX) return ASN1ERR_BAD_VALUE;
   int len = xe_memcpy(pctxt, reinterpret_cast<const OSOCTET*>(text), (OSUINT32)n);
   return finish(pctxt, len, tag, tagging);
}

int xe_16BitCharStr(ASN1CTXT* pctxt, const Asn116BitCharString* pstr, ASN1TagType tagging, ASN1TAG tag)
{
   if (pstr == nullptr || (pstr->data == nullptr && pstr->nchars > 0)) return ASN1ERR_BAD_VALUE;
   if (pstr->nchars > (OSUINT32)INT32_MAX / 2) return ASN1ERR_BAD_VALUE;
   OSUINT32 n = pstr->nchars * 2;
   int stat = xe_reserve(pctxt, n);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex -= n;
   OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   for (OSUINT32 i = 0; i < pstr->nchars; i++) {
      p[2 * i] = (OSOCTET)(pstr->data[i] >> 8);
      p[2 * i + 1] = (OSOCTET)pstr->data[i];
   }
   return finish(pctxt, (int)n, tag, tagging);
}

int xe_32BitCharStr(ASN1CTXT* pctxt, const Asn132BitCharString* pstr, ASN1TagType tagging, ASN1TAG tag)
{
   if (pstr == nullptr || (pstr->data == nullptr && pstr->nchars > 0)) return ASN1ERR_BAD_VALUE;
   if (pstr->nchars > (OSUINT32)INT32_MAX / 4) return ASN1ERR_BAD_VALUE;
   OSUINT32 n = pstr->nchars * 4;
   int stat = xe_reserve(pctxt, n);
   if (stat != 0) return stat;
   pctxt->buffer.byteIndex -= n;
   OSOCTET* p = pctxt->buffer.data + pctxt->buffer.byteIndex;
   for (OSUINT32 i = 0; i < pstr->nchars; i++) {
      OSUINT32 c = pstr->data[i];
      p[4 * i] = (OSOCTET)(c >> 24);
      p[4 * i + 1] = (OSOCTET)(c >> 16);
      p[4 * i + 2] = (OSOCTET)(c >> 8);
      p[4 * i + 3] = (OSOCTET)c;
   }
   return finish(pctxt, (int)n, tag, tagging);
}

int xe_objid(ASN1CTXT* pctxt, const ASN1OBJID* pvalue, ASN1TagType tagging)
{
   // X.690 8.19.4: the first two arcs share one subidentifier, which needs
   // at least two arcs, a first arc of 0, 1 or 2, and a second arc below 40
   // under the first two.
   if (pvalue == nullptr || pvalue->numids < 2 || pvalue->numids > ASN_K_MAXSUBIDS ||
       pvalue->subid[0] > 2 || (pvalue->subid[0] < 2 && pvalue->subid[1] > 39))
      return ASN1ERR_INVALID_OBJID;
   if (pvalue->subid[0] == 2 && pvalue->subid[1] > 0xFFFFFFFFU - 80)
      return ASN1ERR_INVALID_OBJID;

   // Worst case 5 octets per subidentifier: reserve once, write directly.
   OSUINT32 maxlen = pvalue->numids * 5;
   int stat = xe_reserve(pctxt, maxlen);
   if (stat != 0) return stat;
   OSOCTET* base = pctxt->buffer.data;
   OSUINT32 idx = pctxt->buffer.byteIndex;
   for (OSUINT32 k = pvalue->numids; k-- > 1;) {
      OSUINT32 v = (k == 1) ? pvalue->subid[0] * 40 + pvalue->subid[1] : pvalue->subid[k];
      base[--idx] = (OSOCTET)(v & 0x7F);
      v >>= 7;
      while (v != 0) {
         base[--idx] = (OSOCTET)(0x80 | (v & 0x7F));
         v >>= 7;
      }
   }
   int len = (int)(pctxt->buffer.byteIndex - idx);
   pctxt->buffer.byteIndex = idx;
   return finish(pctxt, len, TM_UNIV | ASN1_ID_OBJID, tagging);
}

}
