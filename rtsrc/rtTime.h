// GeneralizedTime and UTCTime texts and the calendar tables.
#ifndef RTTIME_H
#define RTTIME_H

#include "asn1type.h"

extern "C" {

// Days of each month of a common year (February 28).
EXTERNRT extern const OSOCTET OS_daysInMonth[12];

// 1 for a leap year of the Gregorian calendar.
EXTERNRT int rtIsLeapYear(int year);

// Parses a GeneralizedTime text (YYYYMMDDHH[MM[SS[.f...]]][Z|+-HH[MM]]).
// 0 or -31 (recorded); on failure *pTime is unspecified.
EXTERNRT int rtParseGeneralizedTime(ASN1CTXT* pctxt, const char* text, ASN1DateTime* pTime);

// Parses a UTCTime text (YYMMDDHHMM[SS](Z|+-HHMM)); yy below 50 is 20yy.
// 0 or -31 (recorded).
EXTERNRT int rtParseUTCTime(ASN1CTXT* pctxt, const char* text, ASN1DateTime* pTime);

// Formats pTime as GeneralizedTime. With bufsize 0 the text is a new memHeap
// copy stored in *ptext; otherwise it is written into the caller's buffer
// *ptext of bufsize octets. 0, -31 for out-of-range fields, -17 when the
// text and its NUL do not fit, -12 (all recorded).
EXTERNRT int rtMakeGeneralizedTime(ASN1CTXT* pctxt, const ASN1DateTime* pTime, char** ptext, OSUINT32 bufsize);

}

#endif
