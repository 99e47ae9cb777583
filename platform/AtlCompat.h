// The ATL exception of the Windows platform: the wrapper's one exception,
// carrying a 32-bit HRESULT status, and the bridge from the platform's
// last-error code. It lives in the Windows stand-in so that the run-time,
// the wrapper and the base classes throw and catch one and the same class.
#ifndef QV_ATLCOMPAT_H
#define QV_ATLCOMPAT_H

#include "WinCompat.h"

namespace ATL {

class QVPLATFORM_API CAtlException {
public:
   CAtlException() : m_hr(0) {}
   explicit CAtlException(int hr) : m_hr(hr) {}
   operator int() const { return m_hr; }

   int m_hr;
};

// Throws CAtlException(hr).
[[noreturn]] QVPLATFORM_API void AtlThrowImpl(int hr);

// Reads GetLastError(): a value below 1 is thrown as it is, otherwise its
// low 16 bits combined with 0x80070000.
[[noreturn]] QVPLATFORM_API void AtlThrowLastWin32();

// The HRESULT AtlThrowLastWin32 would throw for a last-error code.
QVPLATFORM_API int AtlHresultFromWin32(unsigned int err);

}

#endif
