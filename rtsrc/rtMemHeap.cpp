#include "rtMemHeap.h"

#include <limits.h>
#include <stddef.h>
#include <string.h>

#include <atomic>
#if defined(__linux__)
#include <sys/auxv.h>
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

static_assert(sizeof(OSMemBlk) == 8, "block header keeps payloads 8-octet aligned");
static_assert(sizeof(OSMemLink) == 32 && offsetof(OSMemLink, blk) + sizeof(OSMemBlk) == sizeof(OSMemLink),
              "a hook block's header ends right before its payload");

static inline void* payloadOf(OSMemBlk* blk)
{
   return reinterpret_cast<OSOCTET*>(blk) + sizeof(OSMemBlk);
}

static inline OSMemBlk* headerOf(void* p)
{
   return reinterpret_cast<OSMemBlk*>(static_cast<OSOCTET*>(p) - sizeof(OSMemBlk));
}

static inline OSMemLink* linkOf(void* p)
{
   return reinterpret_cast<OSMemLink*>(static_cast<OSOCTET*>(p) - sizeof(OSMemLink));
}

static inline void* linkPayload(OSMemLink* l)
{
   return reinterpret_cast<OSOCTET*>(l) + sizeof(OSMemLink);
}

// ---------------------------------------------------------------------------
// Carving. A heap made by rtMemHeapCreate while the default hooks are
// installed takes its blocks from chunks of growing size instead of one
// allocator call each: a decoded value of many small parts then costs a few
// allocator calls, and releasing the heap frees the chunks, not every block.
// A carved block has an 8-octet header and no links: its size, and its
// offset from its chunk's start (in 8-octet units) exclusive-ored with the
// heap's key. Freeing a carved block counts its chunk down (and takes its
// room back when it was the last carved); a chunk goes back to the
// allocator when its last block is freed. A block that does not fit a
// quarter of the largest chunk gets a chunk of its own, so that freeing it
// gives its memory back at once. The key is drawn at random for each heap:
// a freed block's check word is spoiled, and octets inside a payload name
// the right chunk only by a one in 2^32 chance, which is what lets
// rtMemHeapCheckPtr tell blocks from pointers into payloads without a list.
// With hooks of the caller's own, every block stays one call of the hook,
// which is what such hooks count, limit or trace, linked in the list.
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
   size_t   spare;     // 1: freshly mapped, zero where nothing was carved yet
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
// in the kernel. Chunks from kMappedChunk up are mapped too (in small
// pages below a huge page), so that they go through the cache below: the
// allocator would give them back to the system at every release (they are
// above its own mapping threshold), and a heap of a megabyte would fault in
// all its pages again at every decode.
const size_t kHugePage = 2 * 1024 * 1024;
const size_t kMappedChunk = 128 * 1024;
const size_t kPage = 4096;

#if defined(__linux__) && defined(MADV_HUGEPAGE)
// Mapped chunks given back are kept for the next large heap: mapping fresh
// memory costs the kernel a page fault and the zeroing of every page, which
// for a large decode is as much as the decode itself. The cache keeps as
// much as the largest heap of the process has had mapped (at least
// kCacheFloor, at most kCacheCeiling octets), so that one large decode
// after another reuses the same memory. Kept chunks of huge pages are
// marked MADV_FREE, so the kernel may still take their pages back when
// memory runs short (the next user then gets zero pages, which is all the
// heap needs).
const size_t kCacheFloor = 128 * 1024 * 1024;
const size_t kCacheCeiling = 1024 * 1024 * 1024;
const size_t kCacheSlots = kCacheCeiling / (8 * 1024 * 1024) + 16;

struct MapCache {
   std::mutex lock;
   void*      chunk[kCacheSlots];
   size_t     size[kCacheSlots];
   size_t     count = 0;
   size_t     bytes = 0;
   size_t     limit = kCacheFloor;
};

MapCache& mapCache()
{
   static MapCache* cache = new MapCache;   // lives as long as the process
   return *cache;
}

// size is a multiple of kHugePage, and the mapping starts on a huge-page
// boundary, or it is a multiple of kPage below kHugePage. *fresh tells
// whether it comes from the system now (all zero) rather than from the
// cache. Null when the system refuses.
void* mapChunk(size_t size, bool* fresh)
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
         *fresh = false;
         return p;
      }
   }
   if (size < kHugePage) {
      void* m = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (m == MAP_FAILED) return nullptr;
      *fresh = true;
      return m;
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
   *fresh = true;
   return p;
}

void unmapChunk(void* p, size_t size)
{
#if defined(MADV_FREE)
   {
      MapCache& c = mapCache();
      std::lock_guard<std::mutex> hold(c.lock);
      // Chunks below a huge page are kept as they are: the advice costs a
      // system call and a flush of the address translations, as much as
      // such a chunk saves, and they are a few megabytes at most.
      if (c.count < kCacheSlots && c.bytes + size <= c.limit &&
          (size < kHugePage || madvise(p, size, MADV_FREE) == 0)) {
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

// A heap that has had mapped octets in all is being released: the cache
// may keep that much from now on.
void cacheFits(size_t mapped)
{
   if (mapped <= kCacheFloor) return;
   MapCache& c = mapCache();
   std::lock_guard<std::mutex> hold(c.lock);
   if (mapped > c.limit) c.limit = mapped < kCacheCeiling ? mapped : kCacheCeiling;
}

void trimCache()
{
   MapCache& c = mapCache();
   std::lock_guard<std::mutex> hold(c.lock);
   for (size_t i = 0; i < c.count; i++) munmap(c.chunk[i], c.size[i]);
   c.count = 0;
   c.bytes = 0;
}
#else
void* mapChunk(size_t, bool*)
{
   return nullptr;
}

void unmapChunk(void*, size_t) {}
void cacheFits(size_t) {}
void trimCache() {}
#endif

struct HeapExt {
   OSMemHeap pub;
   OSUINT32  carve;       // 1: blocks are carved from chunks
   OSUINT32  key;         // exclusive-ored into carved blocks' check words
   Chunk*    chunks;      // every chunk, newest first
   Chunk*    cur;         // chunk carved from
   OSOCTET*  bump;        // next free octet of cur
   OSOCTET*  limit;       // cur's end (null while there is no cur)
   OSOCTET*  clean;       // cur is zero from here to its end, never handed out (when past bump)
   size_t    mappedAll;   // octets of mapped chunks the heap has held, for the cache
   size_t    nextChunk;   // size of the next chunk made for carving
   Chunk**   index;       // the chunks sorted by address
   size_t    nIndex;
   size_t    capIndex;
   Chunk*    firstIndex[8];   // the index while it fits here (no block of its own)
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

inline size_t round8(size_t n)
{
   return (n + 7) & ~(size_t)7;
}

// A check word that names no chunk: freed blocks get it.
const OSUINT32 kFreedOffset = 0xFFFFFFFFU;

// The check word of a carved block at blk in chunk c.
inline OSUINT32 checkWord(const HeapExt* x, const Chunk* c, const OSMemBlk* blk)
{
   size_t units = (size_t)(reinterpret_cast<const OSOCTET*>(blk) - reinterpret_cast<const OSOCTET*>(c)) / 8;
   return x->key ^ (OSUINT32)units;
}

// The chunk a carved block's check word names (garbage for anything else).
inline Chunk* chunkNamed(const HeapExt* x, const OSMemBlk* blk)
{
   uintptr_t units = (uintptr_t)(blk->check ^ x->key);
   return reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(blk) - units * 8);
}

// A key for a new heap: a process-wide secret from the system's start-up
// randomness, stirred with a count of heaps made.
OSUINT32 newKey()
{
   static const uint64_t secret = [] {
      uint64_t s = 0x9E3779B97F4A7C15ULL ^ (uint64_t)reinterpret_cast<uintptr_t>(&s);
#if defined(__linux__) && defined(AT_RANDOM)
      const OSOCTET* r = reinterpret_cast<const OSOCTET*>(getauxval(AT_RANDOM));
      if (r != nullptr) {
         uint64_t v;
         memcpy(&v, r + 8, sizeof v);
         s ^= v;
      }
#endif
      return s;
   }();
   static std::atomic<uint64_t> count{0};
   uint64_t z = secret + 0x9E3779B97F4A7C15ULL * (count.fetch_add(1, std::memory_order_relaxed) + 1);
   z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
   z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
   z ^= z >> 31;
   return (OSUINT32)z;
}

inline OSOCTET* chunkStart(Chunk* c)
{
   return reinterpret_cast<OSOCTET*>(c) + sizeof(Chunk);
}

// Octets a carved block of nbytes takes: header, payload rounded up to 8,
// and the red zone (none outside AddressSanitizer).
inline size_t blockSpan(size_t nbytes)
{
   return sizeof(OSMemBlk) + round8(nbytes) + kRedZone;
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

// A chunk of bytes octets after its header. A carving chunk of kMappedChunk
// or more is mapped instead, in whole pages (huge pages from a huge page up)
// with the header inside them (its room differs from bytes by less than a
// page; carved blocks are far smaller). Null when out of memory.
Chunk* newChunk(HeapExt* x, size_t bytes, bool carving)
{
   if (x->nIndex == x->capIndex) {
      size_t cap = x->capIndex ? x->capIndex * 2 : 16;
      Chunk** idx;
      if (x->index == x->firstIndex) {
         idx = static_cast<Chunk**>(rtDefaultMalloc(x->pub.memCtx, cap * sizeof(Chunk*)));
         if (idx != nullptr) memcpy(idx, x->firstIndex, x->nIndex * sizeof(Chunk*));
      }
      else {
         idx = static_cast<Chunk**>(rtDefaultRealloc(x->pub.memCtx, x->index, cap * sizeof(Chunk*)));
      }
      if (idx == nullptr) return nullptr;
      x->index = idx;
      x->capIndex = cap;
   }
   Chunk* c = nullptr;
   size_t mapped = 0;
   bool fresh = false;
   if (carving && bytes >= kMappedChunk) {
      mapped = bytes & ~((bytes >= kHugePage ? kHugePage : kPage) - 1);
      c = static_cast<Chunk*>(mapChunk(mapped, &fresh));
      if (c != nullptr) {
         bytes = mapped - sizeof(Chunk);
         x->mappedAll += mapped;
      } else {
         mapped = 0;
      }
   }
   if (c == nullptr) c = static_cast<Chunk*>(rtDefaultMalloc(x->pub.memCtx, sizeof(Chunk) + bytes));
   if (c == nullptr) return nullptr;
   c->end = chunkStart(c) + bytes;
   poison(chunkStart(c), bytes);   // free space until carved
   c->live = 0;
   c->mapped = mapped;
   c->spare = fresh ? 1 : 0;
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
   if (c->mapped != 0) unmapChunk(c, c->mapped);
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
      x->limit = nullptr;
      x->clean = nullptr;
   }
   freeChunk(x->pub.memCtx, c);
}

// A block header with room for nbytes, carved or in a chunk of its own,
// with its check word set. Null when out of memory.
OSMemBlk* carve(HeapExt* x, size_t nbytes)
{
   size_t span = blockSpan(nbytes);
   if (span > kMaxCarved) {
      Chunk* own = newChunk(x, span, false);   // a chunk of its own; cur stays
      if (own == nullptr) return nullptr;
      OSMemBlk* blk = reinterpret_cast<OSMemBlk*>(chunkStart(own));
      unpoison(blk, sizeof(OSMemBlk) + nbytes);
      blk->check = checkWord(x, own, blk);
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
      x->limit = c->end;
      x->clean = c->spare ? x->bump : c->end;
   }
   OSMemBlk* blk = reinterpret_cast<OSMemBlk*>(x->bump);
   x->bump += span;
   unpoison(blk, sizeof(OSMemBlk) + nbytes);
   blk->check = checkWord(x, c, blk);
   c->live++;
   return blk;
}

// Gives back the room of a carved block.
void uncarve(HeapExt* x, OSMemBlk* blk)
{
   Chunk* c = chunkNamed(x, blk);
   blk->check = x->key ^ kFreedOffset;
   OSOCTET* end = blockEnd(blk);
   poison(blk, (size_t)(end - reinterpret_cast<OSOCTET*>(blk)));   // freed: no access
   if (c == x->cur && end == x->bump) {   // the last carved
      if (x->clean < end) x->clean = end;
      x->bump = reinterpret_cast<OSOCTET*>(blk);
   }
   if (--c->live != 0) return;
   if (c == x->cur) {   // empty: carve it afresh
      if (x->clean < x->bump) x->clean = x->bump;
      x->bump = chunkStart(c);
   }
   else dropChunk(x, c);
}

inline void linkHead(OSMemHeap* heap, OSMemLink* blk)
{
   blk->prev = nullptr;
   blk->next = heap->blockList;
   if (heap->blockList != nullptr) heap->blockList->prev = blk;
   heap->blockList = blk;
}

inline void unlinkBlock(OSMemHeap* heap, OSMemLink* blk)
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
   x->key = newKey();
   x->nextChunk = kFirstChunk;
   x->index = x->firstIndex;
   x->capIndex = sizeof(x->firstIndex) / sizeof(x->firstIndex[0]);
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
   if (nbytes < 0 || (size_t)nbytes > (size_t)INT_MAX - sizeof(OSMemLink)) return nullptr;
   if (*ppHeap == nullptr) {
      if (rtMemHeapCreate(ppHeap, nullptr) != 0) return nullptr;
   }
   OSMemHeap* heap = *ppHeap;
   if (HeapExt* x = carvingOf(heap)) {
      OSMemBlk* blk = carve(x, (size_t)nbytes);
      if (blk == nullptr) return nullptr;
      blk->size = (OSUINT32)nbytes;
      return payloadOf(blk);
   }
   OSMemLink* l = static_cast<OSMemLink*>(g_malloc_func(heap->memCtx, sizeof(OSMemLink) + (size_t)nbytes));
   if (l == nullptr) return nullptr;
   l->spare = 0;
   l->blk.size = (OSUINT32)nbytes;
   l->blk.check = 0;
   linkHead(heap, l);
   return linkPayload(l);
}

// The common case of an allocation: room left in the chunk being carved.
// The block, or null when that case does not apply.
static inline OSMemBlk* carveHere(OSMemHeap* h, int nbytes, HeapExt** px)
{
   if (h == nullptr || nbytes < 0 || !(h->heapFlags & RT_MH_FREEHEAPDESC)) return nullptr;
   HeapExt* x = reinterpret_cast<HeapExt*>(h);
   size_t span = blockSpan((size_t)nbytes);
   // No room without a chunk to carve from (limit and bump null), and
   // none in a heap that does not carve (it never has one).
   if (span > kMaxCarved || (size_t)(x->limit - x->bump) < span) return nullptr;
   Chunk* c = x->cur;
   OSMemBlk* blk = reinterpret_cast<OSMemBlk*>(x->bump);
   x->bump += span;
   unpoison(blk, sizeof(OSMemBlk) + (size_t)nbytes);
   c->live++;
   blk->size = (OSUINT32)nbytes;
   blk->check = checkWord(x, c, blk);
   *px = x;
   return blk;
}

void* rtMemHeapAlloc(OSMemHeap** ppHeap, int nbytes)
{
   if (ppHeap == nullptr) return nullptr;
   HeapExt* x;
   if (OSMemBlk* blk = carveHere(*ppHeap, nbytes, &x)) return payloadOf(blk);
   return allocSlow(ppHeap, nbytes);
}

void* rtMemHeapAllocZ(OSMemHeap** ppHeap, int nbytes)
{
   if (ppHeap == nullptr) return nullptr;
   HeapExt* x;
   if (OSMemBlk* blk = carveHere(*ppHeap, nbytes, &x)) {
      void* p = payloadOf(blk);
      // A block carved from a freshly mapped chunk where nothing was handed
      // out before is zero already (the system cleared the pages): writing
      // the zeros again would only touch the pages once more.
      if (reinterpret_cast<OSOCTET*>(blk) < x->clean) memset(p, 0, (size_t)nbytes);
      return p;
   }
   void* p = allocSlow(ppHeap, nbytes);
   if (p != nullptr) memset(p, 0, (size_t)nbytes);
   return p;
}

void rtMemHeapFreePtr(OSMemHeap** ppHeap, void* p)
{
   if (p == nullptr || ppHeap == nullptr || *ppHeap == nullptr) return;
   OSMemHeap* heap = *ppHeap;
   if (HeapExt* x = carvingOf(heap)) {
      uncarve(x, headerOf(p));
      return;
   }
   OSMemLink* l = linkOf(p);
   unlinkBlock(heap, l);
   g_free_func(heap->memCtx, l);
}

// A block alone in a chunk of its own, resized with the chunk by the
// allocator's realloc (which can move large blocks without copying them;
// the block keeps its offset in the chunk, and so its check word). Null on
// failure, with everything as it was.
static void* reallocOwnChunk(HeapExt* x, Chunk* c, size_t nbytes)
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
   nb->size = (OSUINT32)nbytes;
   unpoison(nb, sizeof(OSMemBlk) + nbytes);
   poison(static_cast<OSOCTET*>(payloadOf(nb)) + nbytes, (size_t)(nc->end - static_cast<OSOCTET*>(payloadOf(nb))) - nbytes);
   return payloadOf(nb);
}

void* rtMemHeapRealloc(OSMemHeap** ppHeap, void* p, int nbytes)
{
   if (ppHeap == nullptr || *ppHeap == nullptr) return nullptr;
   OSMemHeap* heap = *ppHeap;
   HeapExt* x = carvingOf(heap);
   if (x != nullptr && p != nullptr && nbytes >= 0 &&
       (size_t)nbytes <= (size_t)INT_MAX - sizeof(OSMemLink)) {
      // The last block carved from the chunk being carved grows or shrinks
      // where it is.
      OSMemBlk* blk = headerOf(p);
      Chunk* c = chunkNamed(x, blk);
      OSOCTET* payload = static_cast<OSOCTET*>(p);
      if (c == x->cur && blockEnd(blk) == x->bump &&
          round8((size_t)nbytes) + kRedZone <= (size_t)(c->end - payload)) {
         poison(payload, round8(blk->size) + kRedZone);
         unpoison(payload, (size_t)nbytes);
         if (x->clean < x->bump) x->clean = x->bump;
         blk->size = (OSUINT32)nbytes;
         x->bump = blockEnd(blk);
         return p;
      }
      // A large block keeps a chunk of its own, resized in one piece (a
      // growing message buffer is not copied at every step).
      if (c != x->cur && c->mapped == 0 && reinterpret_cast<OSOCTET*>(blk) == chunkStart(c) && c->live == 1 &&
          blockSpan((size_t)nbytes) > kMaxCarved) {
         return reallocOwnChunk(x, c, (size_t)nbytes);
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
      // header before it names that chunk under the heap's key.
      Chunk* c = chunkOf(x, p);
      OSOCTET* q = static_cast<OSOCTET*>(p);
      if (c == nullptr || (size_t)(q - chunkStart(c)) < sizeof(OSMemBlk)) return 0;
      if ((reinterpret_cast<uintptr_t>(p) & 7) != 0) return 0;
      if (c == x->cur && q > x->bump) return 0;
      OSMemBlk* blk = headerOf(p);
      // Inside a red zone or a freed block: no header there.
      if (poisoned(blk, sizeof(OSMemBlk))) return 0;
      if (chunkNamed(x, blk) != c) return 0;
      return blk->size <= (size_t)(c->end - q);
   }
   for (OSMemLink* l = heap->blockList; l != nullptr; l = l->next) {
      if (linkPayload(l) == p) return 1;
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
      cacheFits(x->mappedAll);
      Chunk* c = x->chunks;
      while (c != nullptr) {
         Chunk* older = c->next;
         freeChunk(heap->memCtx, c);
         c = older;
      }
      if (x->index != x->firstIndex) rtDefaultFree(heap->memCtx, x->index);
   } else {
      OSMemLink* l = heap->blockList;
      while (l != nullptr) {
         OSMemLink* older = l->next;
         g_free_func(heap->memCtx, l);
         l = older;
      }
   }
   heap->blockList = nullptr;
   if (heap->heapFlags & RT_MH_FREEHEAPDESC) g_free_func(heap->memCtx, heap);
   *ppHeap = nullptr;
}

void rtMemHeapTrimCache(void)
{
   trimCache();
}

}
