// Symbol visibility of the run-time. The library is built with hidden
// visibility; everything a caller may use is marked EXTERNRT.
#ifndef RTEXPORT_H
#define RTEXPORT_H

#if defined(__GNUC__)
#define EXTERNRT __attribute__((visibility("default")))
#define RTINTERNAL __attribute__((visibility("hidden")))
#else
#define EXTERNRT
#define RTINTERNAL
#endif

#endif
