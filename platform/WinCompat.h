// Stand-in for the Windows compatibility layer of the product: the calls the
// ASN.1 library uses of it. The real layer lies outside this library.
#ifndef QV_WINCOMPAT_H
#define QV_WINCOMPAT_H

#if defined(__GNUC__)
#define QVPLATFORM_API __attribute__((visibility("default")))
#else
#define QVPLATFORM_API
#endif

typedef unsigned int DWORD;

// The code of the last failed call on this thread (0 when none).
QVPLATFORM_API DWORD GetLastError();
QVPLATFORM_API void SetLastError(DWORD code);

#endif
