// Diagnostic output and hex dumps, and the character-class table.
#ifndef RTDIAG_H
#define RTDIAG_H

#include <stdio.h>

#include "asn1type.h"

// Bits of rtCtypeTable.
#define OS_CTYPE_UPPER  0x01
#define OS_CTYPE_LOWER  0x02
#define OS_CTYPE_DIGIT  0x04
#define OS_CTYPE_SPACE  0x08
#define OS_CTYPE_PUNCT  0x10
#define OS_CTYPE_CTRL   0x20
#define OS_CTYPE_HEX    0x40
#define OS_CTYPE_BLANK  0x80

extern "C" {

// Character classes of the 256 octet values (ASCII; 128..255 have none).
EXTERNRT extern const OSOCTET rtCtypeTable[256];

// The process-wide diagnostics switch (0: off).
EXTERNRT extern int g_debug;

// Sets g_debug.
EXTERNRT void rtSetDiag(int value);

// printf-style output to stdout while g_debug is set.
EXTERNRT void rtdiag(const char* fmtspec, ...)
#if defined(__GNUC__)
   __attribute__((format(printf, 1, 2)))
#endif
   ;

// Hex dump to stdout while g_debug is set.
EXTERNRT void rtDiagHexDump(const OSOCTET* data, OSUINT32 numocts);

// rtHexDumpToFileEx(fp, data, numocts, 1).
EXTERNRT void rtHexDumpToFile(FILE* fp, const OSOCTET* data, OSUINT32 numocts);

// 16 octets a line: wordSize-octet words (1, 2 or 4; more counts as 4) in
// the machine's order as lower-case hex in a 48-character area, a blank,
// and the printable octets ('.' for the others).
EXTERNRT void rtHexDumpToFileEx(FILE* fp, const OSOCTET* data, OSUINT32 numocts, int wordSize);

}

#define OS_ISUPPER(c) (rtCtypeTable[(OSOCTET)(c)] & OS_CTYPE_UPPER)
#define OS_ISLOWER(c) (rtCtypeTable[(OSOCTET)(c)] & OS_CTYPE_LOWER)
#define OS_ISALPHA(c) (rtCtypeTable[(OSOCTET)(c)] & (OS_CTYPE_UPPER | OS_CTYPE_LOWER))
#define OS_ISDIGIT(c) (rtCtypeTable[(OSOCTET)(c)] & OS_CTYPE_DIGIT)
#define OS_ISXDIGIT(c) (rtCtypeTable[(OSOCTET)(c)] & (OS_CTYPE_DIGIT | OS_CTYPE_HEX))
#define OS_ISSPACE(c) (rtCtypeTable[(OSOCTET)(c)] & OS_CTYPE_SPACE)
#define OS_ISPUNCT(c) (rtCtypeTable[(OSOCTET)(c)] & OS_CTYPE_PUNCT)
#define OS_ISCNTRL(c) (rtCtypeTable[(OSOCTET)(c)] & OS_CTYPE_CTRL)
#define OS_ISPRINT(c) (rtCtypeTable[(OSOCTET)(c)] & \
   (OS_CTYPE_UPPER | OS_CTYPE_LOWER | OS_CTYPE_DIGIT | OS_CTYPE_PUNCT | OS_CTYPE_BLANK))

#endif
