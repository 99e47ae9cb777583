#include "rtErrPath.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "rtError.h"

namespace {

ASN1ErrPath* attachedTo(ASN1CTXT* pctxt) { return pctxt != nullptr ? pctxt->errPath : nullptr; }

}  // namespace

extern "C" {

ASN1ErrPath* rtErrPathAttach(ASN1CTXT* pctxt, ASN1ErrPath* path)
{
   if (pctxt == nullptr) return nullptr;
   ASN1ErrPath* previous = pctxt->errPath;
   if (path == nullptr) return previous;
   path->count = 0;
   path->dropped = 0;
   pctxt->errPath = path;
   return previous;
}

void rtErrPathDetach(ASN1CTXT* pctxt, ASN1ErrPath* previous)
{
   if (pctxt != nullptr) pctxt->errPath = previous;
}

int rtErrPathAdd(ASN1CTXT* pctxt, int stat, OSUINT8 kind, const char* name, OSINT32 index, const char* type,
                 OSINT64 offset)
{
   if (pctxt == nullptr) return stat;
   rtErrSetData(&pctxt->errInfo, stat, nullptr, 0);
   ASN1ErrPath* path = attachedTo(pctxt);
   if (path == nullptr || stat == 0) return stat;
   if (path->count == ASN1_ERRPATH_MAX) {
      // Full: the innermost items stay, the oldest of the outer ones goes.
      memmove(&path->items[ASN1_ERRPATH_INNER], &path->items[ASN1_ERRPATH_INNER + 1],
              (ASN1_ERRPATH_MAX - ASN1_ERRPATH_INNER - 1) * sizeof(ASN1ErrPathItem));
      path->count--;
      path->dropped++;
   }
   ASN1ErrPathItem& item = path->items[path->count++];
   item.kind = kind;
   item.name = name;
   item.index = index;
   item.type = type;
   item.offset = offset;
   return stat;
}

OSUINT32 rtErrPathMark(ASN1CTXT* pctxt)
{
   const ASN1ErrPath* path = attachedTo(pctxt);
   return path != nullptr ? path->count : 0;
}

void rtErrPathRewind(ASN1CTXT* pctxt, OSUINT32 mark)
{
   ASN1ErrPath* path = attachedTo(pctxt);
   if (path != nullptr && mark < path->count) path->count = mark;
}

OSINT64 rtErrPathOffset(const ASN1ErrPath* path, OSUINT32 i)
{
   if (path == nullptr || i >= path->count) return -1;
   // Items dropped from the middle may have held buffer switches.
   if (path->dropped != 0 && i < ASN1_ERRPATH_INNER) return -1;
   // An item without a position of its own (a CHOICE alternative) starts
   // where the element around it does.
   while (i < path->count && path->items[i].offset < 0 && path->items[i].kind != ASN1EP_BUFFER) i++;
   if (i == path->count || path->items[i].kind == ASN1EP_BUFFER) return -1;
   OSINT64 offset = path->items[i].offset;
   for (OSUINT32 k = i + 1; k < path->count; k++) {
      if (path->items[k].kind != ASN1EP_BUFFER) continue;
      if (path->items[k].offset < 0) return -1;
      offset += path->items[k].offset;
   }
   return offset;
}

OSUINT32 rtErrPathToString(const ASN1ErrPath* path, char* buf, OSUINT32 size)
{
   std::string text;
   if (path != nullptr) {
      for (OSUINT32 k = path->count; k-- > 0;) {
         const ASN1ErrPathItem& item = path->items[k];
         if (path->dropped != 0 && k + 1 == ASN1_ERRPATH_INNER) text += "...";
         if (item.kind != ASN1EP_COMPONENT) continue;
         if (item.name != nullptr) {
            if (!text.empty() && text.back() != '.') text += '.';
            text += item.name;
         }
         else {
            text += '[' + std::to_string(item.index) + ']';
         }
      }
   }
   if (buf != nullptr && size > 0) {
      size_t n = text.size() < size - 1 ? text.size() : size - 1;
      memcpy(buf, text.data(), n);
      buf[n] = 0;
   }
   return (OSUINT32)text.size();
}

int rtErrPathInnermost(const ASN1ErrPath* path)
{
   if (path == nullptr) return -1;
   for (OSUINT32 k = 0; k < path->count; k++)
      if (path->items[k].kind != ASN1EP_BUFFER) return (int)k;
   return -1;
}

}
