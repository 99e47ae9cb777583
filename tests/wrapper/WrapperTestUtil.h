// Test helpers of the value classes: blobs from and to hexadecimal text, and
// the status of the exception a call throws.
#ifndef QVASN1_TESTS_WRAPPER_WRAPPERTESTUTIL_H
#define QVASN1_TESTS_WRAPPER_WRAPPERTESTUTIL_H

#include <functional>
#include <string>

#include "AtlCompat.h"
#include "CorvaneBase.h"

inline Corvane::CBlob hexBlob(const char* hex)
{
   Corvane::CBlob b;
   b.readFromHexString(hex);
   return b;
}

inline std::string hexOf(const Corvane::CBlob& b) { return b.writeToHexString(0).str(); }

// The status of the ATL::CAtlException the call throws; 0 when it returns.
inline int statusOf(const std::function<void()>& f)
{
   try {
      f();
   }
   catch (const ATL::CAtlException& e) {
      return e.m_hr;
   }
   return 0;
}

#endif
