#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "rtOID.h"

namespace {

inline OSUINT32 clampArcs(OSUINT32 n)
{
   return (n > ASN_K_MAXSUBIDS) ? ASN_K_MAXSUBIDS : n;
}

template <typename Oid, typename Arc>
void copyArcs(Oid& dst, OSUINT32 numids, const Arc* arcs)
{
   numids = clampArcs(numids);
   dst.numids = numids;
   if (numids > 0 && arcs != nullptr) memcpy(dst.subid, arcs, numids * sizeof(Arc));
   else dst.numids = 0;
}

template <typename Oid>
bool sameArcs(const Oid& a, const Oid& b)
{
   if (a.numids != b.numids) return false;
   OSUINT32 n = clampArcs(a.numids);
   for (OSUINT32 i = 0; i < n; i++) {
      if (a.subid[i] != b.subid[i]) return false;
   }
   return true;
}

// Decimal digits of v.
inline int digitCount(OSUINT32 v)
{
   int n = 1;
   while (v >= 10) { v /= 10; n++; }
   return n;
}

}  // namespace

extern "C" {

void rtSetOID(ASN1OBJID* pdst, const ASN1OBJID* psrc)
{
   if (pdst == nullptr || psrc == nullptr) return;
   copyArcs(*pdst, psrc->numids, psrc->subid);
}

int rtCmpOIDValue(const char*, const ASN1OBJID* a, const ASN1OBJID* b, int* pEqual)
{
   if (a != nullptr && b != nullptr && sameArcs(*a, *b)) return 1;
   if (pEqual != nullptr) *pEqual = 0;
   return 0;
}

int rtCmpOID(const char* name, const ASN1OBJID* a, const ASN1OBJID* b, int* pEqual)
{
   return rtCmpOIDValue(name, a, b, pEqual);
}

int rtOidToStr(const ASN1OBJID* pOID, char* buf, int bufsize)
{
   if (buf == nullptr || bufsize <= 0) return 0;
   buf[0] = '\0';
   if (pOID == nullptr || pOID->numids > ASN_K_MAXSUBIDS) return 0;
   int pos = 0;
   for (OSUINT32 i = 0; i < pOID->numids; i++) {
      char arc[16];
      int len = snprintf(arc, sizeof arc, (i == 0) ? "%u" : ".%u", (unsigned)pOID->subid[i]);
      // The arc and the terminator must fit; otherwise the arcs written so
      // far stay, terminated.
      if (pos + len + 1 > bufsize) {
         buf[pos] = '\0';
         return 0;
      }
      memcpy(buf + pos, arc, (size_t)len);
      pos += len;
   }
   buf[pos] = '\0';
   return 1;
}

int rtOidToStrLen(const ASN1OBJID* pOID)
{
   if (pOID == nullptr) return 0;
   OSUINT32 n = clampArcs(pOID->numids);
   int len = 0;
   for (OSUINT32 i = 0; i < n; i++) len += digitCount(pOID->subid[i]) + (i > 0 ? 1 : 0);
   return len;
}

int rtStrToOid(const char* text, ASN1OBJID* pOID)
{
   if (text == nullptr || pOID == nullptr) return 0;
   pOID->numids = 0;
   const char* p = text;
   for (;;) {
      if (pOID->numids == ASN_K_MAXSUBIDS) return 0;   // a 129th component
      // Components are unsigned: a sign would make strtoul wrap the value.
      const char* q = p;
      while (isspace((unsigned char)*q)) q++;
      if (*q == '-') return 0;
      char* end = nullptr;
      errno = 0;
      unsigned long v = strtoul(p, &end, 10);
      if (end == p) v = 0;                            // empty component
      if (errno == ERANGE || v > 0xFFFFFFFFUL) return 0;   // not a 32-bit arc
      pOID->subid[pOID->numids++] = (OSUINT32)v;
      if (*end == '\0') return 1;
      if (*end != '.') return 0;
      p = end + 1;
   }
}

}

ASN1TObjId::ASN1TObjId(OSOCTET n, const OSUINT32* arcs)
{
   copyArcs(*this, n, arcs);
}

ASN1TObjId::ASN1TObjId(const ASN1OBJID& oid)
{
   copyArcs(*this, oid.numids, oid.subid);
}

ASN1TObjId::ASN1TObjId(const ASN1TObjId& oid) : ASN1OBJID()
{
   copyArcs(*this, oid.numids, oid.subid);
}

ASN1TObjId& ASN1TObjId::operator=(const ASN1OBJID& rhs)
{
   if (this != &rhs) copyArcs(*this, rhs.numids, rhs.subid);
   return *this;
}

ASN1TObjId& ASN1TObjId::operator=(const ASN1TObjId& rhs)
{
   if (this != &rhs) copyArcs(*this, rhs.numids, rhs.subid);
   return *this;
}

ASN1TObjId64::ASN1TObjId64(OSOCTET n, const OSINT64* arcs)
{
   copyArcs(*this, n, arcs);
}

ASN1TObjId64::ASN1TObjId64(const ASN1OID64& oid)
{
   copyArcs(*this, oid.numids, oid.subid);
}

ASN1TObjId64::ASN1TObjId64(const ASN1TObjId64& oid) : ASN1OID64()
{
   copyArcs(*this, oid.numids, oid.subid);
}

ASN1TObjId64& ASN1TObjId64::operator=(const ASN1OID64& rhs)
{
   if (this != &rhs) copyArcs(*this, rhs.numids, rhs.subid);
   return *this;
}

ASN1TObjId64& ASN1TObjId64::operator=(const ASN1TObjId64& rhs)
{
   if (this != &rhs) copyArcs(*this, rhs.numids, rhs.subid);
   return *this;
}

bool operator==(const ASN1OBJID& lhs, const ASN1OBJID& rhs)
{
   return sameArcs(lhs, rhs);
}

bool operator==(const ASN1OID64& lhs, const ASN1OID64& rhs)
{
   return sameArcs(lhs, rhs);
}
