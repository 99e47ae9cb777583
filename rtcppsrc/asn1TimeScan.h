// Bounded character access for the time-string parsers (internal).
#ifndef ASN1TIMESCAN_H
#define ASN1TIMESCAN_H

#include <stddef.h>

namespace asn1time {

// The character at `pos`, or NUL at and past the end.
inline char charAt(const char* s, size_t len, size_t pos)
{
   return pos < len ? s[pos] : '\0';
}

inline bool isDigitAt(const char* s, size_t len, size_t pos)
{
   char c = charAt(s, len, pos);
   return c >= '0' && c <= '9';
}

// Two digits at `pos`: the fixed-width fields of both time types.
inline bool scan2(const char* s, size_t len, size_t pos, int& value)
{
   if (!isDigitAt(s, len, pos) || !isDigitAt(s, len, pos + 1)) return false;
   value = (s[pos] - '0') * 10 + (s[pos + 1] - '0');
   return true;
}

} // namespace asn1time

#endif
