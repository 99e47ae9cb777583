// The wrapper's exception ATL::CAtlException comes from the Windows
// compatibility layer; this header keeps the run-time's name for it.
#ifndef RTATL_H
#define RTATL_H

#include "AtlCompat.h"

#endif
