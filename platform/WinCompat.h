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
typedef unsigned int UINT;
typedef int BOOL;

// The code of the last failed call on this thread (0 when none).
QVPLATFORM_API DWORD GetLastError();
QVPLATFORM_API void SetLastError(DWORD code);

// Last-error codes set by the calls below (the Windows values).
enum : DWORD {
   ERROR_INVALID_PARAMETER = 87,
   ERROR_INSUFFICIENT_BUFFER = 122,
   ERROR_ARITHMETIC_OVERFLOW = 534,
   ERROR_INVALID_FLAGS = 1004,
   ERROR_NO_UNICODE_TRANSLATION = 1113
};

// Code pages. On this platform the process's default code page (CP_ACP, 0)
// is UTF-8; ISO 8859-1 maps each byte to the character of the same number.
enum : UINT {
   CP_ACP = 0,
   CP_ISO8859_1 = 28591,
   CP_UTF8 = 65001
};

// Conversions between a code page and wide text (wchar_t, UTF-32 here), with
// the Windows contract:
// - a source count of -1 means a NUL-terminated source, and the terminator is
//   converted and counted too; otherwise exactly that many units are read;
// - an output size of 0 asks for the size needed, and nothing is written;
// - the result is the number of units written (or needed), 0 on failure, and
//   every failure sets the last-error code: ERROR_INVALID_PARAMETER (null
//   source, a source count of 0 or below -1, a negative output size, an output
//   size without an output, an unknown code page), ERROR_INVALID_FLAGS (flags
//   other than 0 and the "invalid characters" flag), ERROR_INSUFFICIENT_BUFFER
//   (the output is too small: what fits may have been written),
//   ERROR_NO_UNICODE_TRANSLATION (invalid UTF-8, a surrogate or a value
//   above U+10FFFF; invalid input is always refused, never replaced),
//   ERROR_ARITHMETIC_OVERFLOW (a size query whose answer exceeds INT_MAX).
// The input is read in order and the first failure met is the one reported.
// The default-character arguments of WideCharToMultiByte must be null for
// UTF-8, as on Windows; a character ISO 8859-1 cannot hold is refused, so
// for that code page the default character is never used (a given
// usedDefaultChar is set to FALSE on success).
QVPLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcCount,
                                       wchar_t* dst, int dstCount);
QVPLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* src, int srcCount,
                                       char* dst, int dstCount, const char* defaultChar,
                                       BOOL* usedDefaultChar);

// Flags accepted (and implied: invalid input is always refused).
enum : DWORD { MB_ERR_INVALID_CHARS = 0x08, WC_ERR_INVALID_CHARS = 0x80 };

#endif
