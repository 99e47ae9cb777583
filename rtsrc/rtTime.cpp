#include <stdio.h>
#include <string.h>

#include "rtError.h"
#include "rtMemHeap.h"
#include "rtTime.h"

namespace {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly n decimal digits at text[pos..pos+n-1] into *pval. The
// digits are checked one by one, so the read never passes a NUL.
bool readDigits(const char* text, size_t pos, int n, int* pval)
{
   int v = 0;
   for (int i = 0; i < n; i++) {
      char c = text[pos + i];
      if (!isDigit(c)) return false;
      v = v * 10 + (c - '0');
   }
   *pval = v;
   return true;
}

int daysOf(int year, int month)
{
   if (month == 2 && rtIsLeapYear(year)) return 29;
   return OS_daysInMonth[month - 1];
}

bool validDate(int year, int month, int day)
{
   return year >= 0 && month >= 1 && month <= 12 && day >= 1 && day <= daysOf(year, month);
}

inline int bad(ASN1CTXT* pctxt)
{
   return (pctxt != nullptr) ? LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_FORMAT) : ASN1ERR_INVALID_FORMAT;
}

void clearTime(ASN1DateTime* t)
{
   memset(t, 0, sizeof(*t));
}

// Zone "+HH[MM]" or "-HH[MM]" at text[pos]; with requireMinutes the minutes
// must be there. The zone ends the text.
bool readZone(const char* text, size_t pos, bool requireMinutes, ASN1DateTime* t)
{
   char sign = text[pos];
   int hh, mm = 0;
   if (!readDigits(text, pos + 1, 2, &hh) || hh > 12) return false;
   size_t end = pos + 3;
   if (isDigit(text[end]) || requireMinutes) {
      if (!readDigits(text, end, 2, &mm) || mm > 59) return false;
      end += 2;
   }
   if (text[end] != '\0') return false;
   t->tzHour = (OSINT16)(sign == '-' ? -hh : hh);
   t->tzMinute = (OSINT16)(sign == '-' ? -mm : mm);
   return true;
}

}  // namespace

extern "C" {

const OSOCTET OS_daysInMonth[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };

int rtIsLeapYear(int year)
{
   return ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0) ? 1 : 0;
}

int rtParseGeneralizedTime(ASN1CTXT* pctxt, const char* text, ASN1DateTime* pTime)
{
   if (text == nullptr || pTime == nullptr) return bad(pctxt);
   clearTime(pTime);
   int year, month, day, hour, minute = 0, second = 0;
   if (!readDigits(text, 0, 4, &year) || !readDigits(text, 4, 2, &month) ||
       !readDigits(text, 6, 2, &day) || !validDate(year, month, day)) {
      return bad(pctxt);
   }
   if (!readDigits(text, 8, 2, &hour) || hour > 23) return bad(pctxt);
   size_t pos = 10;
   bool haveSeconds = false;
   if (isDigit(text[pos])) {
      if (!readDigits(text, pos, 2, &minute) || minute > 59) return bad(pctxt);
      pos += 2;
      if (isDigit(text[pos])) {
         if (!readDigits(text, pos, 2, &second) || second > 59) return bad(pctxt);
         pos += 2;
         haveSeconds = true;
      }
   }
   if (text[pos] == '.' || text[pos] == ',') {
      if (!haveSeconds) return bad(pctxt);
      pos++;
      // Every digit is kept as written: ".05" is five hundredths, not ".5".
      size_t n = 0;
      while (isDigit(text[pos + n])) {
         if (n == ASN1_MAX_FRACTION_DIGITS) return bad(pctxt);
         pTime->fraction[n] = text[pos + n];
         n++;
      }
      if (n == 0) return bad(pctxt);
      pTime->fraction[n] = '\0';
      pos += n;
   }
   if (text[pos] == 'Z') {
      if (text[pos + 1] != '\0') return bad(pctxt);
      pTime->utc = 1;
   }
   else if (text[pos] == '+' || text[pos] == '-') {
      if (!readZone(text, pos, false, pTime)) return bad(pctxt);
   }
   // Anything else leaves the time local.
   pTime->year = (OSUINT16)year;
   pTime->month = (OSUINT16)month;
   pTime->day = (OSUINT16)day;
   pTime->hour = (OSUINT16)hour;
   pTime->minute = (OSUINT16)minute;
   pTime->second = (OSUINT16)second;
   return 0;
}

int rtParseUTCTime(ASN1CTXT* pctxt, const char* text, ASN1DateTime* pTime)
{
   if (text == nullptr || pTime == nullptr) return bad(pctxt);
   clearTime(pTime);
   int yy, month, day, hour, minute, second = 0;
   if (!readDigits(text, 0, 2, &yy) || !readDigits(text, 2, 2, &month) ||
       !readDigits(text, 4, 2, &day)) {
      return bad(pctxt);
   }
   int year = (yy < 50) ? 2000 + yy : 1900 + yy;
   if (!validDate(year, month, day)) return bad(pctxt);
   if (!readDigits(text, 6, 2, &hour) || hour > 23) return bad(pctxt);
   if (!readDigits(text, 8, 2, &minute) || minute > 59) return bad(pctxt);
   size_t pos = 10;
   if (isDigit(text[pos])) {
      if (!readDigits(text, pos, 2, &second) || second > 59) return bad(pctxt);
      pos += 2;
   }
   // A zone is required.
   if (text[pos] == 'Z') {
      if (text[pos + 1] != '\0') return bad(pctxt);
      pTime->utc = 1;
   }
   else if (text[pos] == '+' || text[pos] == '-') {
      if (!readZone(text, pos, true, pTime)) return bad(pctxt);
   }
   else {
      return bad(pctxt);
   }
   pTime->year = (OSUINT16)year;
   pTime->month = (OSUINT16)month;
   pTime->day = (OSUINT16)day;
   pTime->hour = (OSUINT16)hour;
   pTime->minute = (OSUINT16)minute;
   pTime->second = (OSUINT16)second;
   return 0;
}

int rtMakeGeneralizedTime(ASN1CTXT* pctxt, const ASN1DateTime* pTime, char** ptext, OSUINT32 bufsize)
{
   if (pTime == nullptr || ptext == nullptr || (bufsize > 0 && *ptext == nullptr)) {
      return (pctxt != nullptr) ? LOG_ASN1ERR(pctxt, ASN1ERR_INVALID_PARAM) : ASN1ERR_INVALID_PARAM;
   }
   const ASN1DateTime& t = *pTime;
   if (t.year > 9999 || !validDate(t.year, t.month, t.day) || t.hour >= 24 ||
       t.minute >= 60 || t.second >= 60 || t.tzHour < -12 || t.tzHour > 12 ||
       t.tzMinute < -59 || t.tzMinute > 59) {
      return bad(pctxt);
   }
   // The fraction is written as it stands: it must be digits only.
   size_t fracLen = strnlen(t.fraction, sizeof t.fraction);
   if (fracLen == sizeof t.fraction) return bad(pctxt);
   for (size_t i = 0; i < fracLen; i++) {
      if (!isDigit(t.fraction[i])) return bad(pctxt);
   }
   char text[64];
   int len = snprintf(text, sizeof text, "%.4d%.2d%.2d%.2d%.2d%.2d",
                      t.year, t.month, t.day, t.hour, t.minute, t.second);
   if (fracLen > 0) len += snprintf(text + len, sizeof text - (size_t)len, ".%s", t.fraction);
   if (t.utc) {
      len += snprintf(text + len, sizeof text - (size_t)len, "Z");
   }
   else if (t.tzHour != 0 || t.tzMinute != 0) {
      char sign = (t.tzHour < 0 || (t.tzHour == 0 && t.tzMinute < 0)) ? '-' : '+';
      int hh = t.tzHour < 0 ? -t.tzHour : t.tzHour;
      int mm = t.tzMinute < 0 ? -t.tzMinute : t.tzMinute;
      len += snprintf(text + len, sizeof text - (size_t)len, "%c%02d%02d", sign, hh, mm);
   }
   if (bufsize == 0) {
      if (pctxt == nullptr) return ASN1ERR_INVALID_PARAM;
      char* copy = static_cast<char*>(rtMemHeapAlloc(&pctxt->memHeap, len + 1));
      if (copy == nullptr) return LOG_ASN1ERR(pctxt, ASN1ERR_NO_MEMORY);
      memcpy(copy, text, (size_t)len + 1);
      *ptext = copy;
   }
   else {
      if ((OSUINT32)len + 1 > bufsize) {
         return (pctxt != nullptr) ? LOG_ASN1ERR(pctxt, ASN1ERR_STRING_OVERFLOW) : ASN1ERR_STRING_OVERFLOW;
      }
      memcpy(*ptext, text, (size_t)len + 1);
   }
   return 0;
}

}
