// Test helper: installs counting memory hooks for the lifetime of the object
// and restores the previous ones afterwards. live() is the number of blocks
// taken from g_malloc_func and not yet given back to g_free_func.
#ifndef TESTS_COUNTINGHOOKS_H
#define TESTS_COUNTINGHOOKS_H

#include <stdlib.h>

#include "rtMemHeap.h"

class CountingHooks {
public:
   CountingHooks()
      : mOldMalloc(g_malloc_func), mOldFree(g_free_func)
   {
      allocs() = 0;
      frees() = 0;
      failAfter() = -1;
      g_malloc_func = &CountingHooks::countingMalloc;
      g_free_func = &CountingHooks::countingFree;
   }
   ~CountingHooks()
   {
      g_malloc_func = mOldMalloc;
      g_free_func = mOldFree;
   }
   long live() const { return allocs() - frees(); }
   long allocCount() const { return allocs(); }
   // Make the allocation after the next n fail (-1: never).
   void failAfter(long n) { failAfter() = n; }

private:
   static long& allocs() { static long n = 0; return n; }
   static long& frees() { static long n = 0; return n; }
   static long& failAfter() { static long n = -1; return n; }

   static void* countingMalloc(void*, size_t size)
   {
      if (failAfter() == 0) return nullptr;
      if (failAfter() > 0) failAfter()--;
      void* p = malloc(size);
      if (p != nullptr) allocs()++;
      return p;
   }
   static void countingFree(void*, void* p)
   {
      if (p != nullptr) frees()++;
      free(p);
   }

   OSMallocFunc mOldMalloc;
   OSFreeFunc mOldFree;
};

#endif
