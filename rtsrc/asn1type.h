// Core records of the ASN.1 run-time: basic scalar types, the context record
// ASN1CTXT with its buffer, saved-state and error records, the flag bits that
// steer the codecs, and the context functions.
//
// Ownership: a context owns (two references to) a memory heap; every value
// decoded or copied through the context is allocated from that heap and is
// released with it (see rtMemHeap.h).
#ifndef ASN1TYPE_H
#define ASN1TYPE_H

#include <stddef.h>
#include <stdint.h>

#include "asn1ErrCodes.h"
#include "asn1Limits.h"
#include "rtexport.h"

typedef unsigned char  OSOCTET;
typedef signed char    OSINT8;
typedef unsigned char  OSUINT8;
typedef int16_t        OSINT16;
typedef uint16_t       OSUINT16;
typedef int32_t        OSINT32;
typedef uint32_t       OSUINT32;
typedef int64_t        OSINT64;
typedef uint64_t       OSUINT64;
typedef unsigned char  OSBOOL;
typedef unsigned int   ASN1TAG;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct OSMemHeap;
struct ASN1CTXT;
struct _Asn1RTStream;

// The message being encoded or decoded.
//   decoding:     byteIndex is the next octet to read;
//   BER encoding: the message grows from the end of the buffer towards its
//                 start and byteIndex is the first octet written so far;
//   XER encoding: byteIndex is the number of octets written from the start.
struct ASN1BUFFER {
   OSOCTET*  data;
   OSUINT32  byteIndex;
   OSUINT32  size;        // octets available at data
   OSINT16   bitOffset;   // set to 8 whenever a buffer is installed
   OSOCTET   dynamic;     // 1: allocated from msgMemHeap, may grow and be freed
};

// A saved decoder position (the context's own slot and xu_SaveBufferState).
struct ASN1BUFSAVE {
   OSUINT32 byteIndex;
   OSUINT16 bitOffset;
   OSUINT16 flags;
};

// Error information: the first status recorded on the context.
struct ASN1ErrInfo {
   int status;
};

// Singly linked list; nodes come from the bound context's memHeap.
struct _Asn1RTSListNode {
   void* data;
   _Asn1RTSListNode* next;
};

struct _Asn1RTSList {
   OSUINT32 count;
   _Asn1RTSListNode* head;
   _Asn1RTSListNode* tail;
   ASN1CTXT* ctxt;
};
typedef _Asn1RTSList Asn1RTSList;
typedef _Asn1RTSListNode Asn1RTSListNode;

// ---------------------------------------------------------------------------
// Value records shared by the codecs and the generated types.
// ---------------------------------------------------------------------------

typedef OSUINT16 OSUNICHAR;     // one BMPString character
typedef OSUINT32 OS32BITCHAR;   // one UniversalString character

// The limits (ASN_K_MAXSUBIDS, ASN_K_MAXBIGINTBITS, ...) are in asn1Limits.h.

// OBJECT IDENTIFIER: numids arcs in subid[0..numids-1].
struct ASN1OBJID {
   OSUINT32 numids;
   OSUINT32 subid[ASN_K_MAXSUBIDS];
};

// OBJECT IDENTIFIER with signed 64-bit arcs.
struct ASN1OID64 {
   OSUINT32 numids;
   OSINT64  subid[ASN_K_MAXSUBIDS];
};

// OCTET STRING of any length; data is not owned by the record.
struct ASN1DynOctStr {
   OSUINT32 numocts;
   const OSOCTET* data;
};

// BIT STRING of any length; bit 0 is the most significant bit of data[0].
struct ASN1DynBitStr {
   OSUINT32 numbits;
   OSOCTET* data;
};

// An open type: a complete encoding, tag and length included.
struct ASN1OpenType {
   OSUINT32 numocts;
   const OSOCTET* data;
};

// BMPString: nchars 16-bit characters.
struct Asn116BitCharString {
   OSUINT32   nchars;
   OSUNICHAR* data;
};
typedef Asn116BitCharString ASN1BMPString;

// UniversalString: nchars 32-bit characters.
struct Asn132BitCharString {
   OSUINT32     nchars;
   OS32BITCHAR* data;
};
typedef Asn132BitCharString ASN1UniversalString;

// Permitted-character set of the UCS conversions: a character passes when it
// lies in first..last and, when count > 0, is one of chars[0..count-1].
struct Asn132BitCharSet {
   OSUINT32     count;
   OS32BITCHAR* chars;
   OSUINT32     first;
   OSUINT32     last;
};

// Arbitrary-length integer. The magnitude is big-endian without leading zero
// octets; zero has sign 0 and numocts 0. mag may point at caller storage of
// `allocated` octets (dynamic 0) or at a block of memHeap (dynamic 1).
struct ASN1BigInt {
   OSINT32  numocts;     // magnitude length
   OSOCTET* mag;
   OSINT32  sign;        // -1, 0 or +1
   OSUINT32 allocated;   // capacity of mag
   OSOCTET  dynamic;     // mag was allocated from memHeap
};

// Broken-down GeneralizedTime / UTCTime.
struct ASN1DateTime {
   OSUINT16 year;
   OSUINT16 month;
   OSUINT16 day;
   OSUINT16 hour;
   OSUINT16 minute;
   OSUINT16 second;
   OSINT16  tzHour;      // signed offset from UTC
   OSINT16  tzMinute;    // negated with tzHour for a '-' zone
   char     fraction[ASN1_MAX_FRACTION_DIGITS + 1];   // digits as written
   OSUINT8  utc;         // the text ended in 'Z'
};

// Doubly linked list; the list never owns its data unless it is freed with
// rtDListFreeAll. Nodes come from the memHeap of the context passed to the
// operations.
struct _Asn1RTDListNode {
   void* data;
   _Asn1RTDListNode* next;
   _Asn1RTDListNode* prev;
};

struct _Asn1RTDList {
   OSUINT32 count;
   _Asn1RTDListNode* head;
   _Asn1RTDListNode* tail;
};
typedef _Asn1RTDList Asn1RTDList;
typedef _Asn1RTDListNode Asn1RTDListNode;

// Working fields of the XER encoder and decoder beyond level and state.
struct ASN1XERCtxtFields {
   void*    pUser;      // the SAX decoder's current handler or scratch pointer
   void*    xmlTexts;   // the XER encoder's marks of XML text standing in open types
   OSUINT32 depth;      // element depth seen by the XML reader
   OSUINT32 reserved;
};

struct ASN1ErrPath;

// The run-time context passed first to every codec function.
struct ASN1CTXT {
   OSMemHeap*      msgMemHeap;   // heap of the message buffer
   OSMemHeap*      memHeap;      // heap of decoded values, copies, list nodes
   ASN1BUFFER      buffer;
   _Asn1RTStream*  stream;       // null while working on a memory buffer
   ASN1BUFSAVE     savedState;
   ASN1ErrInfo     errInfo;
   Asn1RTSList     listA;
   Asn1RTSList     listB;
   OSUINT32        key;          // ASN1CTXT_KEY while initialised
   OSUINT16        flags;
   OSUINT8         level;        // XER encoder nesting depth
   OSUINT8         state;        // XER encoder state
   void*           memCtx;       // passed to every memory hook of this heap
   ASN1XERCtxtFields xer;
   OSUINT32        depth;        // generated decoders of nesting values active (ASN1DATA_MAX_DEPTH)
   ASN1ErrPath*    errPath;      // record of where a decode fails (rtErrPath.h), null for none
};

// Initialisation marker kept in ASN1CTXT::key.
#define ASN1CTXT_KEY 0x1AA2A34AU

// Size of the dynamic buffer installed by rtInitContextBuffer(ctxt, 0, 0).
#define ASN1_DEF_DYNBUF_SIZE 16384

// Flag bits of ASN1CTXT::flags.
#define ASN1XERLOSSLESS    0x0010  // XER: a value XML cannot say exactly is written as its BER octets
#define ASN1LENIENT        0x0020  // decoder: an open type whose value does not decode keeps its octets
#define ASN1NOLENCHECK     0x0040  // decoder: definite lengths not checked against size
#define ASN1XERFRAGMENT    0x0080  // XER: fragment output (no declaration)
#define ASN1SAVEBUF        0x0100  // rtFreeContext leaves the dynamic buffer to the heap
#define ASN1XERCANONICAL   0x0200  // XER: canonical output
#define ASN1CONSTAG        0x0400  // decoder: the tag read last was constructed
#define ASN1FASTCOPY       0x0800  // decoder: no-copy mode
#define ASN1LASTEOC        0x1000  // decoder: with ASN1INDEFLEN, every tag read gives -2
#define ASN1INDEFLEN       0x4000  // decoder: outermost element has indefinite length

extern "C" {

// Zeroes the record, creates its heap (held twice: memHeap and msgMemHeap)
// and binds listA/listB. Returns 0 or the heap's failure status.
EXTERNRT int rtInitContext(ASN1CTXT* pctxt, void* memCtx);

// Installs a message buffer: the caller's `data` (not owned, never grown),
// or with null data a dynamic buffer of `size` octets (16384 when 0) from
// msgMemHeap. -32 when the context is not initialised, -12 when out of memory.
EXTERNRT int rtInitContextBuffer(ASN1CTXT* pctxt, OSOCTET* data, OSUINT32 size);

// Releases a dynamic buffer, the stream, listA/listB and both heap references.
// Does nothing on a record that is not initialised.
EXTERNRT void rtFreeContext(ASN1CTXT* pctxt);

// Copies the buffer record and the flags; heaps, errors and stream stay.
EXTERNRT void rtCopyContext(ASN1CTXT* pdest, ASN1CTXT* psrc);

EXTERNRT void rtCtxtSetFlag(ASN1CTXT* pctxt, OSUINT32 mask);

// Makes pctxt share the memHeap (msgMemHeap) of psrc, dropping its own.
EXTERNRT void rtCtxtSetMemHeap(ASN1CTXT* pctxt, ASN1CTXT* psrc);
EXTERNRT void rtCtxtSetMsgMemHeap(ASN1CTXT* pctxt, ASN1CTXT* psrc);

// Singly linked lists.
EXTERNRT void rtSListInitEx(ASN1CTXT* pctxt, Asn1RTSList* pList);
EXTERNRT Asn1RTSListNode* rtSListAppend(Asn1RTSList* pList, void* pData);
EXTERNRT void rtSListFree(Asn1RTSList* pList);

}

// ---------------------------------------------------------------------------
// Value classes over the records above (C++ view used by generated code).
// ---------------------------------------------------------------------------

// Object identifier value; constructors and assignments copy the count and
// at most 128 arcs.
struct EXTERNRT ASN1TObjId : public ASN1OBJID {
   ASN1TObjId() { numids = 0; }
   ASN1TObjId(OSOCTET numids, const OSUINT32* arcs);
   ASN1TObjId(const ASN1OBJID& oid);
   ASN1TObjId(const ASN1TObjId& oid);
   ASN1TObjId& operator=(const ASN1OBJID& rhs);
   ASN1TObjId& operator=(const ASN1TObjId& rhs);
};

struct EXTERNRT ASN1TObjId64 : public ASN1OID64 {
   ASN1TObjId64() { numids = 0; }
   ASN1TObjId64(OSOCTET numids, const OSINT64* arcs);
   ASN1TObjId64(const ASN1OID64& oid);
   ASN1TObjId64(const ASN1TObjId64& oid);
   ASN1TObjId64& operator=(const ASN1OID64& rhs);
   ASN1TObjId64& operator=(const ASN1TObjId64& rhs);
};

// Same arc count and arcs.
EXTERNRT bool operator==(const ASN1OBJID& lhs, const ASN1OBJID& rhs);
EXTERNRT bool operator==(const ASN1OID64& lhs, const ASN1OID64& rhs);

struct ASN1TDynOctStr : public ASN1DynOctStr {
   ASN1TDynOctStr() { numocts = 0; data = nullptr; }
   ASN1TDynOctStr(OSUINT32 n, const OSOCTET* p) { numocts = n; data = p; }
};

struct ASN1TDynBitStr : public ASN1DynBitStr {
   ASN1TDynBitStr() { numbits = 0; data = nullptr; }
   ASN1TDynBitStr(OSUINT32 n, OSOCTET* p) { numbits = n; data = p; }
};

struct ASN1TOpenType : public ASN1OpenType {
   ASN1TOpenType() { numocts = 0; data = nullptr; }
   ASN1TOpenType(OSUINT32 n, const OSOCTET* p) { numocts = n; data = p; }
};

// The operations on the records, one header per topic.
#include "rtList.h"
#include "rtMemBuf.h"
#include "rtUTF8.h"
#include "rtTime.h"
#include "rtStream.h"
#include "rtDiag.h"
#include "rtOID.h"
#include "rtBitString.h"
#include "rtBigInt.h"
#include "rtCopy.h"

#endif
