// libqvalloc: the product's allocator library. This is a small stand-in with
// the same interface; the ASN.1 run-time reaches it only through its default
// memory hooks.
#ifndef QVALLOC_H
#define QVALLOC_H

#include <stddef.h>

#if defined(__GNUC__)
#define QVALLOC_API __attribute__((visibility("default")))
#else
#define QVALLOC_API
#endif

extern "C" {
// Returns at least `size` octets, or null on failure.
QVALLOC_API void* QV_malloc(size_t size);
// Resizes a block returned by QV_malloc/QV_realloc; null on failure (the old
// block then stays valid). A null pointer behaves as QV_malloc.
QVALLOC_API void* QV_realloc(void* p, size_t size);
// Accepts every pointer returned by the other two, and null.
QVALLOC_API void QV_free(void* p);
}

#endif
