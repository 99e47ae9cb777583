#include "AtlCompat.h"

namespace ATL {

int AtlHresultFromWin32(unsigned int err)
{
   int code = (int)err;
   if (code < 1) return code;
   return (int)((err & 0xFFFFu) | 0x80070000u);
}

void AtlThrowImpl(int hr)
{
   throw CAtlException(hr);
}

void AtlThrowLastWin32()
{
   AtlThrowImpl(AtlHresultFromWin32(GetLastError()));
}

}
