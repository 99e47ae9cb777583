// BER/DER encoder (xe_*) and decoder (xd_*) primitives.
//
// Encoding writes backwards: every xe_* primitive puts its octets in front of
// what the buffer already holds and returns the number of octets written
// (>= 0) or a negative status. Decoding reads forwards from byteIndex and
// returns 0 or a negative status; decoded values are allocated from the
// context's memHeap (or point into the message in no-copy mode) and live as
// long as that heap.
//
// Tag codes are 32-bit: class in bits 31-30, constructed form in bit 29 and
// the tag number (0 .. 0x1FFFFFFF) below. The top three bits of a tag code
// are the top three bits of its first identifier octet.
#ifndef ASN1BER_H
#define ASN1BER_H

#include "asn1type.h"

// Tagging argument of the typed primitives: explicit writes / reads the
// type's own universal tag and length, implicit handles the content only.
enum ASN1TagType { ASN1TAG_IMPLICIT = 0, ASN1TAG_EXPLICIT = 1 };

// The indefinite length form, as a length value.
#define INDEFINITE_LENGTH (-9999)

// Tag code fields.
#define TM_UNIV    0x00000000U
#define TM_APPL    0x40000000U
#define TM_CTXT    0x80000000U
#define TM_PRIV    0xC0000000U
#define TM_CLASS   0xC0000000U
#define TM_CONS    0x20000000U
#define TM_FORM    0x20000000U
#define TM_IDCODE  0x1FFFFFFFU
#define TM_B_IDCODE 0x1F        // identifier octet: long-form tag number follows

// Universal tag numbers.
#define ASN1_ID_EOC         0
#define ASN1_ID_BOOL        1
#define ASN1_ID_INT         2
#define ASN1_ID_BITSTR      3
#define ASN1_ID_OCTSTR      4
#define ASN1_ID_NULL        5
#define ASN1_ID_OBJID       6
#define ASN1_ID_OBJDSC      7
#define ASN1_ID_EXTERN      8
#define ASN1_ID_REAL        9
#define ASN1_ID_ENUM        10
#define ASN1_ID_EPDV        11
#define ASN1_ID_UTF8STR     12
#define ASN1_ID_RELOID      13
#define ASN1_ID_SEQ         16
#define ASN1_ID_SET         17
#define ASN1_ID_NUMSTR      18
#define ASN1_ID_PRTSTR      19
#define ASN1_ID_T61STR      20
#define ASN1_ID_VIDSTR      21
#define ASN1_ID_IA5STR      22
#define ASN1_ID_UTCTIME     23
#define ASN1_ID_GENTIME     24
#define ASN1_ID_GRASTR      25
#define ASN1_ID_VISSTR      26
#define ASN1_ID_GENSTR      27
#define ASN1_ID_UNIVSTR     28
#define ASN1_ID_BMPSTR      30

// Tag codes of the constructed universal types.
#define ASN1_TAG_SEQ  (TM_UNIV | TM_CONS | ASN1_ID_SEQ)    // 0x20000010
#define ASN1_TAG_SET  (TM_UNIV | TM_CONS | ASN1_ID_SET)    // 0x20000011
// The identifier octet of a tag code with a number below 31, without the
// constructed bit (the one xd_match1 compares).
#define ASN1_TAG_OCTET(tag) ((OSOCTET)((((tag) >> 24) & 0xC0U) | ((tag) & 0x1FU)))

// Options of xd_match (bit values).
#define XM_SEEK    0x01   // search forward past elements that do not match
#define XM_ADVANCE 0x02   // leave the position after the matched header
#define XM_SKIP    0x08   // step over the current element first

// Decoder flag: read DER only, as a signature verifier needs. Refused, each
// of them read in the default (BER) mode:
//  - length forms DER forbids: the long form with leading zero octets or for
//    a value below 128, the indefinite length (-5);
//  - a tag number in the long form below 31, or with a leading zero group
//    (-21);
//  - INTEGER and ENUMERATED content that is empty or whose first nine bits
//    are all equal (-18; BER forbids these too, but the default mode reads
//    them for the messages in circulation that use them);
//  - BOOLEAN content other than 00 and FF (-18);
//  - strings (OCTET STRING, BIT STRING, character strings, times) in the
//    constructed form (-21);
//  - a BIT STRING whose unused bits are not zero (-18) or that lacks its
//    initial octet (-5), and a BIT STRING with named bits that ends in a zero
//    bit (-18);
//  - SET OF elements out of ascending order of their encodings (-18);
//  - a BOOLEAN, INTEGER or ENUMERATED component encoded with its DEFAULT
//    value (-18).
// The last three are checked by the generated decoders.
#define ASN1DERSTRICT 0x2000

// ASN1_MAX_NESTING_DEPTH bounds the walks over indefinite lengths (asn1Limits.h).

// Where an element lies in a backward-written encode buffer, measured from
// the buffer's last position so that it stays valid when the buffer grows.
struct Asn1BufLocDescr {
   OSUINT32 numocts;   // length of the element
   OSUINT32 offset;    // size - 1 - byteIndex when the element was complete
};

// The content of an enclosing element, for collecting extension elements.
struct ASN1CCB {
   const OSOCTET* start;   // first content octet
   int length;             // content length, or INDEFINITE_LENGTH
};

extern "C" {

/* ------------------------------------------------------------------------
 * Encoder. Results: octets written (>= 0) or a negative status. Only
 * xe_bigint and xe_OpenTypeExt record failures on the context.
 * --------------------------------------------------------------------- */

// Installs an encode buffer: the caller's buf of size octets (never grown,
// never freed), or with a null buf a dynamic buffer of size octets (16384
// when 0) that grows as needed. The encoding occupies data[byteIndex ..
// size-2]; the last position is never written, so a caller's buffer of n
// octets holds at most n-1. 0, -12, -32, or -30 for a caller's buffer of size 0.
EXTERNRT int xe_setp(ASN1CTXT* pctxt, OSOCTET* buf, int size);

// The first octet of the encoding (data + byteIndex).
EXTERNRT OSOCTET* xe_getp(ASN1CTXT* pctxt);

// Frees a dynamic encode buffer; data becomes null.
EXTERNRT void xe_free(ASN1CTXT* pctxt);

// Grows a dynamic buffer by at least nbytes positions in front of the
// encoding, keeping it; the buffer at least doubles each time (the step is
// not part of the contract). -1 for a caller's buffer, -12 when out of
// memory or when the size would pass 2^31.
EXTERNRT int xe_expandBuffer(ASN1CTXT* pctxt, OSUINT32 nbytes);

// Writes n octets of src in front. n, or -18 for a null src, -1 / -12.
EXTERNRT int xe_memcpy(ASN1CTXT* pctxt, const OSOCTET* src, OSUINT32 n);

// Identifier octets of a tag code; returns their count or -1 / -12.
EXTERNRT int xe_tag(ASN1CTXT* pctxt, ASN1TAG tag);

// Minimal base-128 form of value (value 0 is one octet 00).
EXTERNRT int xe_identifier(ASN1CTXT* pctxt, OSUINT32 value);

// Length octets, minimal (DER); INDEFINITE_LENGTH writes 80; any other
// negative length writes nothing and returns 0.
EXTERNRT int xe_len(ASN1CTXT* pctxt, int length);

// Length then tag in front of `length` octets of content already written.
// Returns length + header octets. A negative length other than
// INDEFINITE_LENGTH is a content encoder's failure and is returned as it is;
// INDEFINITE_LENGTH writes 80 and the tag and returns the header octets.
EXTERNRT int xe_tag_len(ASN1CTXT* pctxt, ASN1TAG tag, int length);

// Typed primitives. A null value pointer is -18 (-4 for xe_objid).
EXTERNRT int xe_boolean(ASN1CTXT* pctxt, const OSBOOL* pvalue, ASN1TagType tagging);
EXTERNRT int xe_integer(ASN1CTXT* pctxt, const int* pvalue, ASN1TagType tagging);
EXTERNRT int xe_unsigned(ASN1CTXT* pctxt, const unsigned int* pvalue, ASN1TagType tagging);
EXTERNRT int xe_uint16(ASN1CTXT* pctxt, const OSUINT16* pvalue, ASN1TagType tagging);
EXTERNRT int xe_enum(ASN1CTXT* pctxt, const int* pvalue, ASN1TagType tagging);
// Big integer from text: "0x..." / "0b..." are two's-complement octets,
// anything else is parsed with automatic radix ("-129", "0o17"). -18 for a
// null, empty or malformed text (recorded).
EXTERNRT int xe_bigint(ASN1CTXT* pctxt, const char* text, ASN1TagType tagging);
// Unused-bits octet then the octets as given (trailing bits are not trimmed).
// numbits 0 writes the octet 00; a null data with numbits > 0 writes nothing.
EXTERNRT int xe_bitstr(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 numbits, ASN1TagType tagging);
EXTERNRT int xe_octstr(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 numocts, ASN1TagType tagging);
// The octets of a NUL-terminated text; explicit writes the caller's tag.
EXTERNRT int xe_charstr(ASN1CTXT* pctxt, const char* text, ASN1TagType tagging, ASN1TAG tag);
EXTERNRT int xe_16BitCharStr(ASN1CTXT* pctxt, const Asn116BitCharString* pstr, ASN1TagType tagging, ASN1TAG tag);
EXTERNRT int xe_32BitCharStr(ASN1CTXT* pctxt, const Asn132BitCharString* pstr, ASN1TagType tagging, ASN1TAG tag);
EXTERNRT int xe_null(ASN1CTXT* pctxt, ASN1TagType tagging);
// -4 for a null value, fewer than 2 arcs, a first arc above 2 or a second arc
// above 39 under a first arc of 0 or 1.
EXTERNRT int xe_objid(ASN1CTXT* pctxt, const ASN1OBJID* pvalue, ASN1TagType tagging);

// Writes the first complete element of data[0..numocts) (header included);
// nothing for numocts 0. -18 for a null data or an end-of-contents element;
// a malformed header gives the decoder's status.
EXTERNRT int xe_OpenType(ASN1CTXT* pctxt, const OSOCTET* data, OSUINT32 numocts);
// Every open type of the list (ASN1OpenType records), in list order; the sum.
EXTERNRT int xe_OpenTypeExt(ASN1CTXT* pctxt, const Asn1RTDList* pList);

// Describes the element just written (numocts long) for xe_derCanonicalSort.
EXTERNRT void xe_getBufLocDescr(ASN1CTXT* pctxt, OSUINT32 numocts, Asn1BufLocDescr* pDescr);
// Puts the SET OF elements described by pList (data: Asn1BufLocDescr from
// memHeap; the elements lie contiguously at the start of the encoding) into
// DER order: ascending, a shorter element before a longer one with the same
// prefix. Frees the descriptors and the nodes; the list becomes empty.
// Returns the elements' total length, -12, or -30 for descriptors that do
// not describe the start of the encoding.
EXTERNRT int xe_derCanonicalSort(ASN1CTXT* pctxt, Asn1RTSList* pList);

/* ------------------------------------------------------------------------
 * Decoder. Results: 0 or a negative status, recorded on the context unless
 * said otherwise. No primitive reads at or beyond `size`.
 * --------------------------------------------------------------------- */

// Installs msg_p[0..msglen) (msglen <= 0: unknown size, 0x7FFFFFFF) and reads
// the outermost tag and length. *len_p gets the total length of a definite
// outer element (header included) and `size` is cut to its end, or
// INDEFINITE_LENGTH (flag ASN1INDEFLEN set). byteIndex is left at 0.
EXTERNRT int xd_setp(ASN1CTXT* pctxt, const OSOCTET* msg_p, int msglen, ASN1TAG* tag_p, int* len_p);

// Identifier octets -> tag code; sets or clears ASN1CONSTAG. -2, -21.
EXTERNRT int xd_tag(ASN1CTXT* pctxt, ASN1TAG* tag_p);
// Length octets; 80 gives INDEFINITE_LENGTH. -2, -5 (malformed, more than 4
// octets, longer than the octets left unless ASN1NOLENCHECK).
EXTERNRT int xd_len(ASN1CTXT* pctxt, int* len_p);
// Tag and length; without XM_ADVANCE in options the position and flags are
// restored afterwards. The position and flags before the read are kept in
// the context's savedState. -2 (not recorded), -5 for a primitive element of
// indefinite length.
EXTERNRT int xd_tag_len(ASN1CTXT* pctxt, ASN1TAG* tag_p, int* len_p, OSOCTET options);
// Looks for tag (constructed bit ignored); see XM_*. 0 when found, -3 (not
// recorded) when not.
EXTERNRT int xd_match(ASN1CTXT* pctxt, ASN1TAG tag, int* len_p, OSOCTET options);
// The header at the position when its identifier is one octet and its
// length is definite in a form that DER takes as well, up to 65535 (below
// 128 in one octet, 81 with a value from 128, 82 with a first octet not 0),
// and the content fits in the octets left: the content length in *plen and
// the number of header octets are returned. 0 for any other header, which
// the parsers read (with the same result on the headers taken here). Reads
// nothing at or beyond size.
inline OSUINT32 xd_quickHeader(const ASN1CTXT* pctxt, OSUINT32* plen)
{
   const ASN1BUFFER& b = pctxt->buffer;
   const OSUINT32 i = b.byteIndex;
   if (i >= b.size || b.size - i < 2) return 0;
   if ((pctxt->flags & (ASN1INDEFLEN | ASN1LASTEOC)) == (ASN1INDEFLEN | ASN1LASTEOC)) return 0;
   const OSUINT32 left = b.size - i;
   const OSOCTET* p = b.data + i;
   if ((p[0] & 0x1F) == TM_B_IDCODE) return 0;
   OSUINT32 h, len;
   if (p[1] < 0x80) {
      h = 2;
      len = p[1];
   }
   else if (p[1] == 0x81) {
      if (left < 3 || p[2] < 0x80) return 0;
      h = 3;
      len = p[2];
   }
   else if (p[1] == 0x82) {
      if (left < 4 || p[2] == 0) return 0;
      h = 4;
      len = ((OSUINT32)p[2] << 8) | p[3];
   }
   else {
      return 0;
   }
   if (len > left - h) return 0;
   *plen = len;
   return h;
}

// The common header of the encoder, written in front of the encoding when
// there is room: a one-octet identifier (tag number below 31) and a length
// below 128. Returns length + 2, or 0 with nothing written for any other
// header, a failure status passed as length, or too little room.
inline int xe_shortTagLen(ASN1CTXT* pctxt, ASN1TAG tag, int length)
{
   const OSUINT32 number = tag & TM_IDCODE;
   ASN1BUFFER& b = pctxt->buffer;
   if ((OSUINT32)length >= 0x80 || number >= 31 || b.byteIndex < 2) return 0;
   OSOCTET* p = b.data + (b.byteIndex -= 2);
   p[0] = (OSOCTET)(((tag >> 24) & 0xE0) | number);
   p[1] = (OSOCTET)length;
   return length + 2;
}

// xe_tag_len with its common case inline (the tag is a constant at most
// calls, so the identifier octet is one too).
inline int xe_quickTagLen(ASN1CTXT* pctxt, ASN1TAG tag, int length)
{
   const int n = xe_shortTagLen(pctxt, tag, length);
   return n != 0 ? n : xe_tag_len(pctxt, tag, length);
}

// Fast check of a one-octet identifier (constructed bit ignored), then the
// length. -3 on mismatch, -2, -5.
EXTERNRT int xd_match1(ASN1CTXT* pctxt, OSOCTET idOctet, int* len_p);
// Steps over a one-octet identifier without checking it, then the length.
EXTERNRT int xd_Tag1AndLen(ASN1CTXT* pctxt, int* len_p);
// Steps over one whole element.
EXTERNRT int xd_NextElement(ASN1CTXT* pctxt);
// Steps past the end-of-contents that closes the current indefinite-length
// element (nested ones included).
EXTERNRT int xd_MovePastEOC(ASN1CTXT* pctxt);
// Counts the elements of a content of `length` octets (INDEFINITE_LENGTH: up
// to its end-of-contents) without consuming anything.
EXTERNRT int xd_count(ASN1CTXT* pctxt, int length, int* count_p);
// Total octets of the indefinite-length element at buf (header, content and
// end-of-contents), reading no further than bufsiz. 0 when bufsiz < 5; -5
// for a definite-length element; a negative status for malformed content.
EXTERNRT int xd_indeflen_ex(const OSOCTET* buf, int bufsiz);
// For a constructed string of indefinite length whose header was just read:
// *pdatalen = the sum of its segments' content lengths, *pcontentlen = the
// octets from the first segment up to the end-of-contents. Nothing consumed.
// -21 for a segment that is not a primitive element with tag idOctet.
EXTERNRT int xd_consStrIndefLenAndSize(ASN1CTXT* pctxt, OSOCTET idOctet, int* pdatalen, int* pcontentlen);
// Copies n octets from the position and advances; -2 (not recorded).
EXTERNRT int xd_memcpy(ASN1CTXT* pctxt, OSOCTET* object_p, int length);

// Saves / restores byteIndex, bitOffset and flags (into the context's own
// savedState when pSavedInfo is null). Restoring clears ASN1LASTEOC.
EXTERNRT void xu_SaveBufferState(ASN1CTXT* pctxt, ASN1BUFSAVE* pSavedInfo);
EXTERNRT void xu_RestoreBufferState(ASN1CTXT* pctxt, ASN1BUFSAVE* pSavedInfo);

// Typed primitives: with ASN1TAG_EXPLICIT the universal identifier and the
// length are read (the length argument is ignored); with ASN1TAG_IMPLICIT
// `length` is the content length the caller read.
EXTERNRT int xd_boolean(ASN1CTXT* pctxt, OSBOOL* object_p, ASN1TagType tagging, int length);
EXTERNRT int xd_integer(ASN1CTXT* pctxt, int* object_p, ASN1TagType tagging, int length);
EXTERNRT int xd_unsigned(ASN1CTXT* pctxt, unsigned int* object_p, ASN1TagType tagging, int length);
EXTERNRT int xd_uint16(ASN1CTXT* pctxt, OSUINT16* object_p, ASN1TagType tagging, int length);
EXTERNRT int xd_enum(ASN1CTXT* pctxt, int* object_p, ASN1TagType tagging, int length);
EXTERNRT int xd_null(ASN1CTXT* pctxt, ASN1TagType tagging);
EXTERNRT int xd_objid(ASN1CTXT* pctxt, ASN1OBJID* object_p, ASN1TagType tagging, int length);
// "0x" and two lower-case hexadecimal digits per octet (two's complement),
// leading zero octets dropped; "0x0" for zero.
EXTERNRT int xd_bigint(ASN1CTXT* pctxt, const char** object_p, ASN1TagType tagging, int length);
// Static forms into the caller's buffer of capacity *pnumocts octets /
// *pnumbits bits; -17 when the data do not fit.
EXTERNRT int xd_octstr_s(ASN1CTXT* pctxt, OSOCTET* object_p, OSUINT32* pnumocts, ASN1TagType tagging, int length);
EXTERNRT int xd_bitstr_s(ASN1CTXT* pctxt, OSOCTET* object_p, OSUINT32* pnumbits, ASN1TagType tagging, int length);
// Dynamic forms (primitive or segmented, definite or indefinite length).
// Empty content gives a null pointer and count 0.
EXTERNRT int xd_octstr(ASN1CTXT* pctxt, const OSOCTET** object_p2, OSUINT32* pnumocts, ASN1TagType tagging, int length);
EXTERNRT int xd_bitstr(ASN1CTXT* pctxt, const OSOCTET** object_p2, OSUINT32* pnumbits, ASN1TagType tagging, int length);
// A new NUL-terminated text of the string octets; -34 (ASN1ERR_INVALID_CHAR)
// when the octets hold a NUL, which the text could not carry.
EXTERNRT int xd_charstr(ASN1CTXT* pctxt, const char** object_p, ASN1TagType tagging, ASN1TAG tag, int length);
// Big-endian 16-bit / 32-bit characters; a content that is not a whole
// number of characters gives -5.
EXTERNRT int xd_16BitCharStr(ASN1CTXT* pctxt, Asn116BitCharString* object_p, ASN1TagType tagging, ASN1TAG tag, int length);
EXTERNRT int xd_32BitCharStr(ASN1CTXT* pctxt, Asn132BitCharString* object_p, ASN1TagType tagging, ASN1TAG tag, int length);

// One complete element, header included, as an open type. At the end of the
// buffer: an empty open type and 0. -18 (not recorded) for an element that
// passes the end of the buffer or an end-of-contents.
EXTERNRT int xd_OpenType(ASN1CTXT* pctxt, const OSOCTET** object_p2, OSUINT32* numocts_p);
// xd_OpenType into a new ASN1OpenType appended to pList; a null list skips
// the element.
EXTERNRT int xd_OpenTypeAppend(ASN1CTXT* pctxt, Asn1RTDList* pList);
// Collects unknown extension elements into pList until `tag` is found (0,
// position left at it) or the enclosing content ends (-2). With tag
// 0xFFFFFFFF collects up to the end and returns 0.
EXTERNRT int xd_OpenTypeExt(ASN1CTXT* pctxt, ASN1CCB* ccb_p, ASN1TAG tag, Asn1RTDList* pList);

}

#endif
