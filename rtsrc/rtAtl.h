// The wrapper's one exception, carrying a 32-bit HRESULT status, and the
// bridge from the platform's last-error code.
#ifndef RTATL_H
#define RTATL_H

#include "rtexport.h"

namespace ATL {

class EXTERNRT CAtlException {
public:
   CAtlException() : m_hr(0) {}
   explicit CAtlException(int hr) : m_hr(hr) {}
   operator int() const { return m_hr; }

   int m_hr;
};

// Throws CAtlException(hr).
[[noreturn]] EXTERNRT void AtlThrowImpl(int hr);

// Reads GetLastError(): a value below 1 is thrown as it is, otherwise its
// low 16 bits combined with 0x80070000.
[[noreturn]] EXTERNRT void AtlThrowLastWin32();

// The HRESULT AtlThrowLastWin32 would throw for a last-error code.
EXTERNRT int AtlHresultFromWin32(unsigned int err);

}

#endif
