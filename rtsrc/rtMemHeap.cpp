#include "rtMemHeap.h"

#include <limits.h>
#include <string.h>

#include "qvalloc.h"

extern "C" {

void* rtDefaultMalloc(void*, size_t size)
{
   return QV_malloc(size);
}

void* rtDefaultRealloc(void*, void* p, size_t size)
{
   return QV_realloc(p, size);
}

void rtDefaultFree(void*, void* p)
{
   QV_free(p);
}

OSMallocFunc  g_malloc_func  = rtDefaultMalloc;
OSReallocFunc g_realloc_func = rtDefaultRealloc;
OSFreeFunc    g_free_func    = rtDefaultFree;
OSUINT32      g_defBlkSize   = 4096;

static_assert(sizeof(OSMemBlk) % 16 == 0, "block header keeps payloads aligned");

static inline void* payloadOf(OSMemBlk* blk)
{
   return reinterpret_cast<OSOCTET*>(blk) + sizeof(OSMemBlk);
}

static inline OSMemBlk* headerOf(void* p)
{
   return reinterpret_cast<OSMemBlk*>(static_cast<OSOCTET*>(p) - sizeof(OSMemBlk));
}

int rtMemHeapCreate(OSMemHeap** ppHeap, void* memCtx)
{
   if (ppHeap == nullptr) return ASN1ERR_INVALID_PARAM;
   OSMemHeap* heap = static_cast<OSMemHeap*>(g_malloc_func(memCtx, sizeof(OSMemHeap)));
   if (heap == nullptr) return ASN1ERR_NO_MEMORY;
   memset(heap, 0, sizeof(*heap));
   heap->memCtx = memCtx;
   heap->refCount = 1;
   heap->heapFlags = RT_MH_FREEHEAPDESC;
   heap->defBlkSize = g_defBlkSize;
   *ppHeap = heap;
   return 0;
}

void* rtMemHeapAlloc(OSMemHeap** ppHeap, int nbytes)
{
   if (ppHeap == nullptr) return nullptr;
   // The total of header and payload is a signed 32-bit count: a negative
   // size, or one whose total would not fit, is refused rather than wrapped
   // into a short block.
   if (nbytes < 0 || (size_t)nbytes > (size_t)INT_MAX - sizeof(OSMemBlk)) return nullptr;
   if (*ppHeap == nullptr) {
      if (rtMemHeapCreate(ppHeap, nullptr) != 0) return nullptr;
   }
   OSMemHeap* heap = *ppHeap;
   OSMemBlk* blk = static_cast<OSMemBlk*>(g_malloc_func(heap->memCtx, sizeof(OSMemBlk) + (size_t)nbytes));
   if (blk == nullptr) return nullptr;
   blk->size = (size_t)nbytes;
   blk->reserved = 0;
   blk->prev = nullptr;
   blk->next = heap->blockList;
   if (heap->blockList != nullptr) heap->blockList->prev = blk;
   heap->blockList = blk;
   return payloadOf(blk);
}

void* rtMemHeapAllocZ(OSMemHeap** ppHeap, int nbytes)
{
   void* p = rtMemHeapAlloc(ppHeap, nbytes);
   if (p != nullptr) memset(p, 0, (size_t)nbytes);
   return p;
}

void rtMemHeapFreePtr(OSMemHeap** ppHeap, void* p)
{
   if (p == nullptr || ppHeap == nullptr || *ppHeap == nullptr) return;
   OSMemHeap* heap = *ppHeap;
   OSMemBlk* blk = headerOf(p);
   if (blk->prev == nullptr) heap->blockList = blk->next;   // it was the newest
   else blk->prev->next = blk->next;
   if (blk->next != nullptr) blk->next->prev = blk->prev;
   g_free_func(heap->memCtx, blk);
}

void* rtMemHeapRealloc(OSMemHeap** ppHeap, void* p, int nbytes)
{
   if (ppHeap == nullptr || *ppHeap == nullptr) return nullptr;
   void* np = rtMemHeapAlloc(ppHeap, nbytes);
   if (np == nullptr) return nullptr;
   if (p != nullptr) {
      size_t oldSize = headerOf(p)->size;
      memcpy(np, p, oldSize < (size_t)nbytes ? oldSize : (size_t)nbytes);
      rtMemHeapFreePtr(ppHeap, p);
   }
   return np;
}

int rtMemHeapCheckPtr(OSMemHeap** ppHeap, void* p)
{
   if (p == nullptr || ppHeap == nullptr || *ppHeap == nullptr) return 0;
   for (OSMemBlk* blk = (*ppHeap)->blockList; blk != nullptr; blk = blk->next) {
      if (payloadOf(blk) == p) return 1;
   }
   return 0;
}

int rtMemHeapMarkSaved(OSMemHeap**, const void*, OSBOOL)
{
   return 0;
}

void rtMemHeapAddRef(OSMemHeap** ppHeap)
{
   if (ppHeap != nullptr && *ppHeap != nullptr) (*ppHeap)->refCount++;
}

void rtMemHeapRelease(OSMemHeap** ppHeap)
{
   if (ppHeap == nullptr || *ppHeap == nullptr) return;
   OSMemHeap* heap = *ppHeap;
   if (heap->refCount > 0) heap->refCount--;
   if (heap->refCount != 0) return;
   OSMemBlk* blk = heap->blockList;
   while (blk != nullptr) {
      OSMemBlk* older = blk->next;
      g_free_func(heap->memCtx, blk);
      blk = older;
   }
   heap->blockList = nullptr;
   if (heap->heapFlags & RT_MH_FREEHEAPDESC) g_free_func(heap->memCtx, heap);
   *ppHeap = nullptr;
}

}
