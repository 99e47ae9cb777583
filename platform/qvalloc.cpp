#include "qvalloc.h"

#include <stdlib.h>

extern "C" {

void* QV_malloc(size_t size)
{
   // malloc(0) may return null; callers treat null as failure.
   return malloc(size == 0 ? 1 : size);
}

void* QV_realloc(void* p, size_t size)
{
   return realloc(p, size == 0 ? 1 : size);
}

void QV_free(void* p)
{
   free(p);
}

}
