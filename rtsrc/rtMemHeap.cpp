#include "rtMemHeap.h"

#include <limits.h>
#include <string.h>
#if defined(__linux__)
#include <sys/mman.h>

#include <mutex>
#endif

#include "qvalloc.h"

// Under AddressSanitizer the carved parts of a chunk are poisoned: its free
// space, the padding after each payload, a red zone between blocks and
// every freed block, so that a read or write past a block's end into its
// neighbour, or into a freed block, is reported as it would be for blocks of
// their own. Block headers stay addressable (the heap's own code links
// through them).
#if defined(__SANITIZE_ADDRESS__)
#define RT_HEAP_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RT_HEAP_ASAN 1
#endif
#endif
#if defined(RT_HEAP_ASAN)
#include <sanitizer/asan_interface.h>
#endif

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

// ---------------------------------------------------------------------------
// Carving. A heap made by rtMemHeapCreate while the default hooks are
// installed takes its blocks from chunks of growing size instead of one
// allocator call each: a decoded value of many small parts then costs a few
// allocator calls, and releasing the heap frees the chunks, not every block.
// Each block still has its header and sits in the block list, so the list,
// rtMemHeapFreePtr and rtMemHeapRealloc work as for single blocks. A chunk
// goes back to the allocator when its last block is freed; a block that does
// not fit a quarter of the largest chunk gets a chunk of its own, so that
// freeing it gives its memory back at once. With hooks of the caller's own,
// every block stays one call of the hook, which is what such hooks count,
// limit or trace.
//
// The heap record is followed by private bookkeeping (the record's own
// fields stay as they are): the chunks, the one blocks are carved from, and
// the chunks sorted by address, which makes the membership test of
// rtMemHeapCheckPtr a binary search.

namespace {

struct Chunk {
   Chunk*   next;      // chunk list, newest first
   Chunk*   prev;
   OSOCTET* end;       // one past the chunk's last octet
   size_t   live;      // blocks of this chunk not yet freed
   size_t   mapped;    // octets mapped from the system for it; 0: allocator
   size_t   spare;
};
static_assert(sizeof(Chunk) % 16 == 0, "chunk header keeps blocks aligned");

#if defined(RT_HEAP_ASAN)
const size_t kRedZone = 16;   // poisoned octets after every carved payload
inline void poison(const void* p, size_t n) { ASAN_POISON_MEMORY_REGION(p, n); }
inline void unpoison(const void* p, size_t n) { ASAN_UNPOISON_MEMORY_REGION(p, n); }
inline bool poisoned(const void* p, size_t n) { return __asan_region_is_poisoned(const_cast<void*>(p), n) != nullptr; }
#else
const size_t kRedZone = 0;
inline void poison(const void*, size_t) {}
inline void unpoison(const void*, size_t) {}
inline bool poisoned(const void*, size_t) { return false; }
#endif

const size_t kFirstChunk = 4096;
const size_t kMaxChunk = 8 * 1024 * 1024;
const size_t kMaxCarved = 256 * 1024;

// Chunks of a heap that has grown to megabytes (a large CRL decodes into
// some hundred megabytes of records) are mapped from the system in whole
// huge pages where the system offers them: one page fault per 2 MB instead
// of one per 4 KB, which is most of the time such a decode otherwise spends
// in the kernel.
const size_t kHugePage = 2 * 1024 * 1024;

#if defined(__linux__) && defined(MADV_HUGEPAGE)
// Mapped chunks given back are kept for the next large heap, up to
// kCacheLimit octets in all: mapping fresh memory costs the kernel a page
// fault and the zeroing of every page, which for a large decode is as much
// as the decode itself. Kept chunks are marked MADV_FREE, so the kernel may
// still take their pages back when memory runs short (the next user then
// gets zero pages, which is all the heap needs).
const size_t kCacheLimit = 128 * 1024 * 1024;
const size_t kCacheSlots = 64;

struct MapCache {
   std::mutex lock;
   void*      chunk[kCacheSlots];
   size_t     size[kCacheSlots];
   size_t     count = 0;
   size_t     bytes = 0;
};

MapCache& mapCache()
{
   static MapCache* cache = new MapCache;   // lives as long as the process
   return *cache;
}

// size is a multiple of kHugePage; the mapping starts on a huge-page
// boundary. Null when the system refuses.
void* mapHuge(size_t size)
{
   {
      MapCache& c = mapCache();
      std::lock_guard<std::mutex> hold(c.lock);
      for (size_t i = c.count; i-- > 0;) {
         if (c.size[i] != size) continue;
         void* p = c.chunk[i];
         c.bytes -= size;
         c.count--;
         c.chunk[i] = c.chunk[c.count];
         c.size[i] = c.size[c.count];
         return p;
      }
   }
   size_t span = size + kHugePage;
   void* m = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
   if (m == MAP_FAILED) return nullptr;
   uintptr_t base = reinterpret_cast<uintptr_t>(m);
   uintptr_t start = (base + kHugePage - 1) & ~(uintptr_t)(kHugePage - 1);
   if (start > base) munmap(m, start - base);
   if (start + size < base + span) munmap(reinterpret_cast<void*>(start + size), base + span - (start + size));
   void* p = reinterpret_cast<void*>(start);
   madvise(p, size, MADV_HUGEPAGE);   // advice only: without it the pages are small
   return p;
}

void unmapHuge(void* p, size_t size)
{
#if defined(MADV_FREE)
   {
      MapCache& c = mapCache();
      std::lock_guard<std::mutex> hold(c.lock);
      if (c.count < kCacheSlots && c.bytes + size <= kCacheLimit && madvise(p, size, MADV_FREE) == 0) {
         c.chunk[c.count] = p;
         c.size[c.count] = size;
         c.count++;
         c.bytes += size;
         return;
      }
   }
#endif
   munmap(p, size);
}
#else
void* mapHuge(size_t)
{
   return nullptr;
}

void unmapHuge(void*, size_t) {}
#endif

struct HeapExt {
   OSMemHeap pub;
   OSUINT32  carve;       // 1: blocks are carved from chunks
   Chunk*    chunks;      // every chunk, newest first
   Chunk*    cur;         // chunk carved from
   OSOCTET*  bump;        // next free octet of cur
   size_t    nextChunk;   // size of the next chunk made for carving
   Chunk**   index;       // the chunks sorted by address
   size_t    nIndex;
   size_t    capIndex;
};

inline HeapExt* extOf(OSMemHeap* heap)
{
   // Only records made by rtMemHeapCreate carry the bookkeeping.
   return (heap->heapFlags & RT_MH_FREEHEAPDESC) ? reinterpret_cast<HeapExt*>(heap) : nullptr;
}

inline HeapExt* carvingOf(OSMemHeap* heap)
{
   HeapExt* x = extOf(heap);
   return (x != nullptr && x->carve) ? x : nullptr;
}

inline size_t round16(size_t n)
{
   return (n + 15) & ~(size_t)15;
}

inline OSOCTET* chunkStart(Chunk* c)
{
   return reinterpret_cast<OSOCTET*>(c) + sizeof(Chunk);
}

// Octets a carved block of nbytes takes: header, payload rounded up to 16,
// and the red zone (none outside AddressSanitizer).
inline size_t blockSpan(size_t nbytes)
{
   return sizeof(OSMemBlk) + round16(nbytes) + kRedZone;
}

// One past the last octet of a carved block.
inline OSOCTET* blockEnd(OSMemBlk* blk)
{
   return reinterpret_cast<OSOCTET*>(blk) + blockSpan(blk->size);
}

// Index of the first chunk whose address is above p.
size_t upperBound(const HeapExt* x, const void* p)
{
   size_t lo = 0, hi = x->nIndex;
   while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (reinterpret_cast<const OSOCTET*>(x->index[mid]) <= static_cast<const OSOCTET*>(p)) lo = mid + 1;
      else hi = mid;
   }
   return lo;
}

// The chunk of this heap holding p, or null.
Chunk* chunkOf(const HeapExt* x, const void* p)
{
   size_t i = upperBound(x, p);
   if (i == 0) return nullptr;
   Chunk* c = x->index[i - 1];
   const OSOCTET* q = static_cast<const OSOCTET*>(p);
   return (q >= chunkStart(c) && q < c->end) ? c : nullptr;
}

// A chunk of bytes octets after its header. A carving chunk of a huge page
// or more is mapped instead, in whole huge pages with the header inside them
// (its room differs from bytes by less than a huge page; carved blocks are
// far smaller). Null when out of memory.
Chunk* newChunk(HeapExt* x, size_t bytes, bool carving)
{
   if (x->nIndex == x->capIndex) {
      size_t cap = x->capIndex ? x->capIndex * 2 : 16;
      Chunk** idx = static_cast<Chunk**>(rtDefaultRealloc(x->pub.memCtx, x->index, cap * sizeof(Chunk*)));
      if (idx == nullptr) return nullptr;
      x->index = idx;
      x->capIndex = cap;
   }
   Chunk* c = nullptr;
   size_t mapped = 0;
   if (carving && bytes >= kHugePage) {
      mapped = bytes & ~(kHugePage - 1);
      c = static_cast<Chunk*>(mapHuge(mapped));
      if (c != nullptr) bytes = mapped - sizeof(Chunk);
      else mapped = 0;
   }
   if (c == nullptr) c = static_cast<Chunk*>(rtDefaultMalloc(x->pub.memCtx, sizeof(Chunk) + bytes));
   if (c == nullptr) return nullptr;
   c->end = chunkStart(c) + bytes;
   poison(chunkStart(c), bytes);   // free space until carved
   c->live = 0;
   c->mapped = mapped;
   c->prev = nullptr;
   c->next = x->chunks;
   if (x->chunks != nullptr) x->chunks->prev = c;
   x->chunks = c;
   size_t i = upperBound(x, c);
   memmove(x->index + i + 1, x->index + i, (x->nIndex - i) * sizeof(Chunk*));
   x->index[i] = c;
   x->nIndex++;
   return c;
}

void freeChunk(void* memCtx, Chunk* c)
{
   // Whoever gets the memory next finds it addressable.
   unpoison(c, c->mapped != 0 ? c->mapped : (size_t)(c->end - reinterpret_cast<OSOCTET*>(c)));
   if (c->mapped != 0) unmapHuge(c, c->mapped);
   else rtDefaultFree(memCtx, c);
}

void dropChunk(HeapExt* x, Chunk* c)
{
   if (c->prev == nullptr) x->chunks = c->next;
   else c->prev->next = c->next;
   if (c->next != nullptr) c->next->prev = c->prev;
   size_t i = upperBound(x, c) - 1;   // c is in the index
   memmove(x->index + i, x->index + i + 1, (x->nIndex - i - 1) * sizeof(Chunk*));
   x->nIndex--;
   if (x->cur == c) {
      x->cur = nullptr;
      x->bump = nullptr;
   }
   freeChunk(x->pub.memCtx, c);
}

// A block header with room for nbytes, carved or in a chunk of its own;
// reserved holds the chunk. Null when out of memory.
OSMemBlk* carve(HeapExt* x, size_t nbytes)
{
   size_t span = blockSpan(nbytes);
   if (span > kMaxCarved) {
      Chunk* own = newChunk(x, span, false);   // a chunk of its own; cur stays
      if (own == nullptr) return nullptr;
      OSMemBlk* blk = reinterpret_cast<OSMemBlk*>(chunkStart(own));
      unpoison(blk, sizeof(OSMemBlk) + nbytes);
      blk->reserved = reinterpret_cast<size_t>(own);
      own->live = 1;
      return blk;
   }
   Chunk* c = x->cur;
   if (c == nullptr || (size_t)(c->end - x->bump) < span) {
      size_t size = x->nextChunk;
      while (size < span) size *= 2;
      c = newChunk(x, size, true);
      if (c == nullptr) return nullptr;
      if (x->nextChunk < kMaxChunk) x->nextChunk *= 2;
      // The old chunk is dropped now if nothing of it is live any more.
      if (x->cur != nullptr && x->cur->live == 0) dropChunk(x, x->cur);
      x->cur = c;
      x->bump = chunkStart(c);
   }
   OSMemBlk* blk = reinterpret_cast<OSMemBlk*>(x->bump);
   x->bump += span;
   unpoison(blk, sizeof(OSMemBlk) + nbytes);
   blk->reserved = reinterpret_cast<size_t>(c);
   c->live++;
   return blk;
}

// Gives back the room of a carved block that has just been unlinked.
void uncarve(HeapExt* x, OSMemBlk* blk)
{
   Chunk* c = reinterpret_cast<Chunk*>(blk->reserved);
   blk->reserved = 0;
   OSOCTET* end = blockEnd(blk);
   poison(blk, (size_t)(end - reinterpret_cast<OSOCTET*>(blk)));   // freed: no access
   if (c == x->cur && end == x->bump) x->bump = reinterpret_cast<OSOCTET*>(blk);   // the last carved
   if (--c->live != 0) return;
   if (c == x->cur) x->bump = chunkStart(c);   // empty: carve it afresh
   else dropChunk(x, c);
}

inline void linkHead(OSMemHeap* heap, OSMemBlk* blk)
{
   blk->prev = nullptr;
   blk->next = heap->blockList;
   if (heap->blockList != nullptr) heap->blockList->prev = blk;
   heap->blockList = blk;
}

inline void unlinkBlock(OSMemHeap* heap, OSMemBlk* blk)
{
   if (blk->prev == nullptr) heap->blockList = blk->next;   // it was the newest
   else blk->prev->next = blk->next;
   if (blk->next != nullptr) blk->next->prev = blk->prev;
}

}

int rtMemHeapCreate(OSMemHeap** ppHeap, void* memCtx)
{
   if (ppHeap == nullptr) return ASN1ERR_INVALID_PARAM;
   HeapExt* x = static_cast<HeapExt*>(g_malloc_func(memCtx, sizeof(HeapExt)));
   if (x == nullptr) return ASN1ERR_NO_MEMORY;
   memset(x, 0, sizeof(*x));
   OSMemHeap* heap = &x->pub;
   heap->memCtx = memCtx;
   heap->refCount = 1;
   heap->heapFlags = RT_MH_FREEHEAPDESC;
   heap->defBlkSize = g_defBlkSize;
   x->carve = (g_malloc_func == rtDefaultMalloc && g_free_func == rtDefaultFree) ? 1 : 0;
   x->nextChunk = kFirstChunk;
   *ppHeap = heap;
   return 0;
}

// Everything but the common case of rtMemHeapAlloc, kept out of line so
// that the common case needs no stack frame.
static __attribute__((noinline)) void* allocSlow(OSMemHeap** ppHeap, int nbytes)
{
   // The total of header and payload is a signed 32-bit count: a negative
   // size, or one whose total would not fit, is refused rather than wrapped
   // into a short block.
   if (nbytes < 0 || (size_t)nbytes > (size_t)INT_MAX - sizeof(OSMemBlk)) return nullptr;
   if (*ppHeap == nullptr) {
      if (rtMemHeapCreate(ppHeap, nullptr) != 0) return nullptr;
   }
   OSMemHeap* heap = *ppHeap;
   OSMemBlk* blk;
   if (HeapExt* x = carvingOf(heap)) {
      blk = carve(x, (size_t)nbytes);
      if (blk == nullptr) return nullptr;
   } else {
      blk = static_cast<OSMemBlk*>(g_malloc_func(heap->memCtx, sizeof(OSMemBlk) + (size_t)nbytes));
      if (blk == nullptr) return nullptr;
      blk->reserved = 0;
   }
   blk->size = (size_t)nbytes;
   linkHead(heap, blk);
   return payloadOf(blk);
}

void* rtMemHeapAlloc(OSMemHeap** ppHeap, int nbytes)
{
   if (ppHeap == nullptr) return nullptr;
   // The common case first: room left in the chunk being carved.
   OSMemHeap* h = *ppHeap;
   if (h != nullptr && nbytes >= 0 && (h->heapFlags & RT_MH_FREEHEAPDESC)) {
      HeapExt* x = reinterpret_cast<HeapExt*>(h);
      size_t span = blockSpan((size_t)nbytes);
      Chunk* c = x->cur;
      if (x->carve && c != nullptr && span <= kMaxCarved && (size_t)(c->end - x->bump) >= span) {
         OSMemBlk* blk = reinterpret_cast<OSMemBlk*>(x->bump);
         x->bump += span;
         unpoison(blk, sizeof(OSMemBlk) + (size_t)nbytes);
         c->live++;
         blk->reserved = reinterpret_cast<size_t>(c);
         blk->size = (size_t)nbytes;
         linkHead(h, blk);
         return payloadOf(blk);
      }
   }
   return allocSlow(ppHeap, nbytes);
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
   unlinkBlock(heap, blk);
   if (HeapExt* x = carvingOf(heap)) uncarve(x, blk);
   else g_free_func(heap->memCtx, blk);
}

// A block alone in a chunk of its own, resized with the chunk by the
// allocator's realloc (which can move large blocks without copying them).
// The block becomes the newest, as a new block would. Null on failure, with
// everything as it was.
static void* reallocOwnChunk(OSMemHeap* heap, HeapExt* x, Chunk* c, size_t nbytes)
{
   size_t span = blockSpan(nbytes);
   size_t old = upperBound(x, c) - 1;   // c's place in the index
   Chunk* nc = static_cast<Chunk*>(rtDefaultRealloc(x->pub.memCtx, c, sizeof(Chunk) + span));
   if (nc == nullptr) return nullptr;
   // The links were copied with the chunk; its neighbours still name the old
   // address.
   if (nc->prev == nullptr) x->chunks = nc;
   else nc->prev->next = nc;
   if (nc->next != nullptr) nc->next->prev = nc;
   nc->end = chunkStart(nc) + span;
   memmove(x->index + old, x->index + old + 1, (x->nIndex - old - 1) * sizeof(Chunk*));
   x->nIndex--;
   size_t i = upperBound(x, nc);
   memmove(x->index + i + 1, x->index + i, (x->nIndex - i) * sizeof(Chunk*));
   x->index[i] = nc;
   x->nIndex++;
   OSMemBlk* nb = reinterpret_cast<OSMemBlk*>(chunkStart(nc));
   if (nb->prev == nullptr) heap->blockList = nb;
   else nb->prev->next = nb;
   if (nb->next != nullptr) nb->next->prev = nb;
   unlinkBlock(heap, nb);
   nb->reserved = reinterpret_cast<size_t>(nc);
   nb->size = nbytes;
   unpoison(nb, sizeof(OSMemBlk) + nbytes);
   poison(static_cast<OSOCTET*>(payloadOf(nb)) + nbytes, (size_t)(nc->end - static_cast<OSOCTET*>(payloadOf(nb))) - nbytes);
   linkHead(heap, nb);
   return payloadOf(nb);
}

void* rtMemHeapRealloc(OSMemHeap** ppHeap, void* p, int nbytes)
{
   if (ppHeap == nullptr || *ppHeap == nullptr) return nullptr;
   OSMemHeap* heap = *ppHeap;
   HeapExt* x = carvingOf(heap);
   if (x != nullptr && p != nullptr && nbytes >= 0 &&
       (size_t)nbytes <= (size_t)INT_MAX - sizeof(OSMemBlk)) {
      // The newest block at the end of the chunk being carved grows or
      // shrinks where it is.
      OSMemBlk* blk = headerOf(p);
      Chunk* c = reinterpret_cast<Chunk*>(blk->reserved);
      OSOCTET* payload = static_cast<OSOCTET*>(p);
      if (heap->blockList == blk && c == x->cur && blockEnd(blk) == x->bump &&
          round16((size_t)nbytes) + kRedZone <= (size_t)(c->end - payload)) {
         poison(payload, round16(blk->size) + kRedZone);
         unpoison(payload, (size_t)nbytes);
         blk->size = (size_t)nbytes;
         x->bump = blockEnd(blk);
         return p;
      }
      // A large block keeps a chunk of its own, resized in one piece (a
      // growing message buffer is not copied at every step).
      if (c != x->cur && c->mapped == 0 && reinterpret_cast<OSOCTET*>(blk) == chunkStart(c) && c->live == 1 &&
          blockSpan((size_t)nbytes) > kMaxCarved) {
         return reallocOwnChunk(heap, x, c, (size_t)nbytes);
      }
   }
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
   OSMemHeap* heap = *ppHeap;
   if (HeapExt* x = carvingOf(heap)) {
      // p must lie in a chunk of this heap, at a live block's payload: the
      // header before it names the chunk and is linked in the block list.
      Chunk* c = chunkOf(x, p);
      if (c == nullptr || (size_t)(static_cast<OSOCTET*>(p) - chunkStart(c)) < sizeof(OSMemBlk)) return 0;
      if ((reinterpret_cast<uintptr_t>(p) & 15) != 0) return 0;
      if (c == x->cur && static_cast<OSOCTET*>(p) >= x->bump) return 0;
      OSMemBlk* blk = headerOf(p);
      // Inside a payload, a red zone or a freed block: no header there.
      if (poisoned(blk, sizeof(OSMemBlk))) return 0;
      if (blk->reserved != reinterpret_cast<size_t>(c)) return 0;
      if (blk->prev == nullptr) return heap->blockList == blk;
      if (chunkOf(x, blk->prev) == nullptr) return 0;
      return blk->prev->next == blk;
   }
   for (OSMemBlk* blk = heap->blockList; blk != nullptr; blk = blk->next) {
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
   if (HeapExt* x = carvingOf(heap)) {
      // Every block lives in a chunk: freeing the chunks frees them all.
      Chunk* c = x->chunks;
      while (c != nullptr) {
         Chunk* older = c->next;
         freeChunk(heap->memCtx, c);
         c = older;
      }
      rtDefaultFree(heap->memCtx, x->index);
   } else {
      OSMemBlk* blk = heap->blockList;
      while (blk != nullptr) {
         OSMemBlk* older = blk->next;
         g_free_func(heap->memCtx, blk);
         blk = older;
      }
   }
   heap->blockList = nullptr;
   if (heap->heapFlags & RT_MH_FREEHEAPDESC) g_free_func(heap->memCtx, heap);
   *ppHeap = nullptr;
}

}
