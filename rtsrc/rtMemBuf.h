// A growing memory buffer whose storage comes from a context's heap.
#ifndef RTMEMBUF_H
#define RTMEMBUF_H

#include "asn1type.h"

struct ASN1MemBuf {
   ASN1CTXT* ctxt;
   OSUINT32  segsize;    // growth granularity
   OSUINT32  startidx;   // first valid octet
   OSUINT32  usedcnt;    // octets in use, counted from the buffer start
   OSUINT32  bufsize;    // capacity
   OSUINT32  bitOffset;  // bits used in the last octet (XER bit/hex collectors)
   OSOCTET*  buffer;
   OSOCTET   isDynamic;
};

#endif
