// Where a decode failed: the components, list elements and open-type values
// a failure passed on its way out of the decoders, innermost first.
//
// A caller that wants to know attaches a path record to its context for the
// time of a decode (rtErrPathAttach); the generated decoders then add one
// item, on their failure paths only, for every component they were decoding
// when a failure came back to them. Nothing is recorded while no record is
// attached, and a decode that succeeds never comes here.
//
//    ASN1ErrPath path;
//    ASN1ErrPath* previous = rtErrPathAttach(pctxt, &path);
//    int stat = asn1D_Certificate(pctxt, &cert, ASN1TAG_EXPLICIT, 0);
//    rtErrPathDetach(pctxt, previous);
//    if (stat != 0) {
//       char text[256];
//       rtErrPathToString(&path, text, sizeof text);   // "tbsCertificate.extensions[2].extnValue"
//       ...
//    }
//
// The record is held by the context (ASN1CTXT::errPath): it sees the
// failures of the decoders that work on that context, as the context itself
// is used by one thread at a time. Decoding an open type's value switches the context to the value's
// octets (a copy of them): the item of kind ASN1EP_BUFFER that follows tells
// where those octets lie in the enclosing buffer, so that every offset can be
// given in the outermost buffer (rtErrPathOffset).
#ifndef RTERRPATH_H
#define RTERRPATH_H

#include "asn1type.h"

enum ASN1ErrPathKind {
   ASN1EP_COMPONENT = 0,   // a component, CHOICE alternative or list element
   ASN1EP_VALUE = 1,       // the value of an open type, decoded through its information object
   ASN1EP_BUFFER = 2       // the items before it were decoded from an open type's own octets
};

struct ASN1ErrPathItem {
   OSUINT8 kind;         // ASN1ErrPathKind
   const char* name;     // COMPONENT: the identifier, null for a list element; VALUE: the object's name
   OSINT32 index;        // COMPONENT of a list: the element's position, from 0; otherwise -1
   const char* type;     // the type of the component or value ("Extensions", "INTEGER"); may be null
   OSINT64 offset;       // COMPONENT, VALUE: where the element starts in the buffer decoded then
                         // (-1: where the element around it starts); BUFFER: where that buffer's
                         // octets start in the enclosing buffer (-1: unknown)
};

// Items kept (asn1Limits.h): the innermost ASN1_ERRPATH_INNER and the
// outermost rest; the ones between are counted in `dropped`.

struct ASN1ErrPath {
   OSUINT32 count;
   OSUINT32 dropped;
   ASN1ErrPathItem items[ASN1_ERRPATH_MAX];
};

extern "C" {

// Attaches `path` (emptied) to pctxt and returns the record attached before,
// if any, for rtErrPathDetach. A null path attaches nothing.
EXTERNRT ASN1ErrPath* rtErrPathAttach(ASN1CTXT* pctxt, ASN1ErrPath* path);
// Detaches the record of pctxt and attaches `previous` again.
EXTERNRT void rtErrPathDetach(ASN1CTXT* pctxt, ASN1ErrPath* previous);

// The failure path of a decoder: records stat on the context as rtErrSetData
// does and, when a record is attached to pctxt, adds the item. Returns stat.
EXTERNRT int rtErrPathAdd(ASN1CTXT* pctxt, int stat, OSUINT8 kind, const char* name, OSINT32 index,
                          const char* type, OSINT64 offset)
#if defined(__GNUC__)
   __attribute__((cold))
#endif
   ;

// For a failure that is taken back (the caller goes on as if it had not
// happened): the item count now, and the record cut back to it.
EXTERNRT OSUINT32 rtErrPathMark(ASN1CTXT* pctxt);
EXTERNRT void rtErrPathRewind(ASN1CTXT* pctxt, OSUINT32 mark);

// The offset of item i in the outermost buffer (an item without a position
// of its own, a CHOICE alternative, starts where the element around it
// does); -1 when it is not known.
EXTERNRT OSINT64 rtErrPathOffset(const ASN1ErrPath* path, OSUINT32 i);

// The path as text, outermost first: identifiers joined by '.', list elements
// as "[n]", "..." where items were dropped ("tbsCertificate.extensions[2].
// extnValue"); "" when no component is named. Cut to size - 1 characters and
// terminated. Returns the length of the full text.
EXTERNRT OSUINT32 rtErrPathToString(const ASN1ErrPath* path, char* buf, OSUINT32 size);

// The innermost component or value: its item index, or -1 when there is none.
EXTERNRT int rtErrPathInnermost(const ASN1ErrPath* path);

}

#endif
