// The memory heap of a context and the process-wide memory hooks.
//
// With hooks of the caller's own installed when the heap is created, each
// block is one call of the allocation hook and the blocks form a list,
// newest first; freeing one block is constant time and releasing the heap
// (its reference count reaching zero) frees every block. With the default
// hooks the blocks of a heap made by rtMemHeapCreate are carved from larger
// chunks instead: a value of many small parts then costs a few allocator
// calls, each block carries only an 8-octet header (its size and the way to
// its chunk), and the release frees the chunks. Such a heap keeps no block
// list (blockList stays null).
// All heap operations take the address of a heap-pointer field, normally
// &pctxt->memHeap or &pctxt->msgMemHeap.
#ifndef RTMEMHEAP_H
#define RTMEMHEAP_H

#include "asn1type.h"

// Block header, right before every payload. Payloads are 8-octet aligned.
struct OSMemBlk {
   OSUINT32 size;    // payload size in octets
   OSUINT32 check;   // carved blocks: where their chunk is, keyed by the heap
};

// A block that is one call of the allocation hook: its links, then its
// header. 32 octets in all, so that such payloads keep the allocator's
// 16-octet alignment.
struct OSMemLink {
   OSMemLink* next;    // the next older block
   OSMemLink* prev;    // the next newer block
   size_t     spare;
   OSMemBlk   blk;
};

// Heap record.
struct OSMemHeap {
   OSMemLink* blockList;  // the newest block of a heap of hook calls, else null
   OSUINT32  defBlkSize;  // copied from g_defBlkSize; informational
   OSUINT32  refCount;
   OSUINT32  heapFlags;
   void*     memCtx;
};

// heapFlags bit: the record was allocated by rtMemHeapCreate and is freed
// with its last reference.
#define RT_MH_FREEHEAPDESC 0x10000000U

typedef void* (*OSMallocFunc)(void* memCtx, size_t size);
typedef void* (*OSReallocFunc)(void* memCtx, void* p, size_t size);
typedef void  (*OSFreeFunc)(void* memCtx, void* p);

extern "C" {

// Process-wide memory hooks; every heap block is taken from g_malloc_func and
// given back to g_free_func, with the heap's memory context first.
EXTERNRT extern OSMallocFunc  g_malloc_func;
EXTERNRT extern OSReallocFunc g_realloc_func;
EXTERNRT extern OSFreeFunc    g_free_func;
EXTERNRT extern OSUINT32      g_defBlkSize;

// The default hooks call the allocator library (QV_malloc, QV_realloc,
// QV_free) and ignore the memory context.
EXTERNRT void* rtDefaultMalloc(void* memCtx, size_t size);
EXTERNRT void* rtDefaultRealloc(void* memCtx, void* p, size_t size);
EXTERNRT void  rtDefaultFree(void* memCtx, void* p);

// Creates a heap with one reference into *ppHeap. -30 for a null field
// address, -12 when out of memory, else 0.
EXTERNRT int rtMemHeapCreate(OSMemHeap** ppHeap, void* memCtx);

// A new block of nbytes (not cleared), or null: null field address, out of
// memory, or a negative size or one whose total with the header overflows.
// A null *ppHeap is first given a new heap.
EXTERNRT void* rtMemHeapAlloc(OSMemHeap** ppHeap, int nbytes);

// rtMemHeapAlloc, then nbytes zero octets.
EXTERNRT void* rtMemHeapAllocZ(OSMemHeap** ppHeap, int nbytes);

// Frees one block. The pointer must come from this heap; use
// rtMemHeapCheckPtr first where that is not known. A carved block's room is
// taken back when it was the last carved, or with its chunk once every
// block of the chunk is freed.
EXTERNRT void rtMemHeapFreePtr(OSMemHeap** ppHeap, void* p);

// A new block of nbytes holding the contents of p (up to the smaller size);
// p is then freed. On failure returns null and p stays valid. A null p
// allocates. Null when there is no heap (none is created).
EXTERNRT void* rtMemHeapRealloc(OSMemHeap** ppHeap, void* p, int nbytes);

// 1 when p is the payload of a live block of this heap, else 0. For carved
// blocks the header's check word must name p's chunk under the heap's key
// (drawn at random per heap), so that a pointer into a payload holding
// arbitrary octets is told apart from a block.
EXTERNRT int rtMemHeapCheckPtr(OSMemHeap** ppHeap, void* p);

// This heap keeps no saved blocks: always 0, no effect.
EXTERNRT int rtMemHeapMarkSaved(OSMemHeap** ppHeap, const void* p, OSBOOL saved);

EXTERNRT void rtMemHeapAddRef(OSMemHeap** ppHeap);

// Drops one reference; the last frees every block (newest first), then the
// record, and sets *ppHeap to null.
EXTERNRT void rtMemHeapRelease(OSMemHeap** ppHeap);

// Chunks mapped for large heaps are kept for the next large heap when given
// back (up to a limit for the process, marked reclaimable
// for the system). This gives them all back to the system now: the next
// large heap then starts from fresh memory, as in a new process.
EXTERNRT void rtMemHeapTrimCache(void);

}

// Conveniences over the context's value heap.
#define ASN1MALLOC(pctxt, nbytes)   rtMemHeapAlloc(&(pctxt)->memHeap, (int)(nbytes))
#define ASN1MALLOCZ(pctxt, nbytes)  rtMemHeapAllocZ(&(pctxt)->memHeap, (int)(nbytes))
#define ASN1MEMFREEPTR(pctxt, p)    rtMemHeapFreePtr(&(pctxt)->memHeap, (void*)(p))
#define ASN1REALLOC(pctxt, p, n)    rtMemHeapRealloc(&(pctxt)->memHeap, (void*)(p), (int)(n))

#endif
