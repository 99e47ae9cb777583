#include <stdio.h>
#include <string.h>
#include <time.h>

#include "ASN1CTime.h"
#include "asn1TimeScan.h"

using namespace asn1time;

ASN1CGeneralizedTime::ASN1CGeneralizedTime(char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CTime(buf, bufSize, useDerRules) {}

ASN1CGeneralizedTime::ASN1CGeneralizedTime(const char*& buf, OSBOOL useDerRules)
   : ASN1CTime(buf, useDerRules) {}

ASN1CGeneralizedTime::ASN1CGeneralizedTime(ASN1MessageBufferIF& msgBuf, char*& buf, int bufSize,
                                           OSBOOL useDerRules)
   : ASN1CTime(msgBuf, buf, bufSize, useDerRules) {}

ASN1CGeneralizedTime::ASN1CGeneralizedTime(ASN1MessageBufferIF& msgBuf, const char*& buf,
                                           OSBOOL useDerRules)
   : ASN1CTime(msgBuf, buf, useDerRules) {}

ASN1CGeneralizedTime::ASN1CGeneralizedTime(ASN1Context& ctxt, char*& buf, int bufSize,
                                           OSBOOL useDerRules)
   : ASN1CTime(ctxt, buf, bufSize, useDerRules) {}

ASN1CGeneralizedTime::ASN1CGeneralizedTime(ASN1Context& ctxt, const char*& buf, OSBOOL useDerRules)
   : ASN1CTime(ctxt, buf, useDerRules) {}

ASN1CGeneralizedTime::ASN1CGeneralizedTime(const ASN1CGeneralizedTime& original)
   : ASN1CTime(original) {}

ASN1CGeneralizedTime::~ASN1CGeneralizedTime() = default;

int ASN1CGeneralizedTime::getCentury()
{
   int year = getYear();
   if (year < 0) return logError(year);
   return year / 100;
}

int ASN1CGeneralizedTime::setCentury(int century)
{
   if (century < 0 || century > 99) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   int yy = mYear < 0 ? 0 : mYear % 100;
   mYear = (short)(century * 100 + yy);
   compileString();
   return 0;
}

int ASN1CGeneralizedTime::setTime(long time, OSBOOL diffTime)
{
   time_t t = (time_t)time;
   struct tm lt;
   if (localtime_r(&t, &lt) == nullptr) return logError(ASN1ERR_INVALID_FORMAT);
   if (!diffTime && !mbDerRules) {
      mDiffHour = mDiffMin = 0;
      mbUTC = false;
   }
   else {
      // The local zone's difference from UTC at that instant.
      struct tm tmp = lt;
      long d = (long)(timegm(&tmp) - t);
      mDiffHour = (short)(d / 3600);
      mDiffMin = (short)((d % 3600) / 60);
   }
   return setFields(lt);
}

// YYYYMMDDHH[MM[SS[(.|,)f...]]][Z|(+|-)HH[MM]]. Only the first fraction digit
// (tenths) is kept; the zone is looked for after the last fraction digit.
int ASN1CGeneralizedTime::parseString(const char* string)
{
   mbUTC = false;
   int year = -3, month = -3, day = -3, hour = -3;
   int minute = 0, second = 0, dhour = 0, dmin = 0, fraction = 0;
   const char* s = (string != nullptr) ? string : "";
   size_t len = strlen(s);

   int n = sscanf(s, "%4d%2d%2d", &year, &month, &day);
   if (n >= 3) {
      if (year < 0 || month < 1 || month > 12 || day < 1 || day > daysOfMonth(month, year)) {
         return logError(ASN1ERR_INVALID_FORMAT);
      }
      if (!scan2(s, len, 8, hour)) return logError(ASN1ERR_INVALID_FORMAT);
      size_t cur;
      bool haveSecond = false;
      if (isDigitAt(s, len, 10)) {
         if (!scan2(s, len, 10, minute)) return logError(ASN1ERR_INVALID_FORMAT);
         if (isDigitAt(s, len, 12)) {
            if (!scan2(s, len, 12, second)) return logError(ASN1ERR_INVALID_FORMAT);
            haveSecond = true;
            cur = 14;
         }
         else cur = 12;
         if (hour >= 24 || minute >= 60 || (haveSecond && second > 59)) {
            return logError(ASN1ERR_INVALID_FORMAT);
         }
      }
      else {
         if (hour > 23) return logError(ASN1ERR_INVALID_FORMAT);
         cur = 10;
      }

      char c = charAt(s, len, cur);
      // DER (X.690 11.7.4) requires the full stop as decimal mark.
      if (c == ',' && mbDerRules) return logError(ASN1ERR_INVALID_FORMAT);
      if (c == '.' || c == ',') {
         if (!haveSecond || !isDigitAt(s, len, cur + 1)) return logError(ASN1ERR_INVALID_FORMAT);
         fraction = s[cur + 1] - '0';
         cur++;
         while (isDigitAt(s, len, cur)) cur++;
      }

      c = charAt(s, len, cur);
      if (c == 'Z') {
         mbUTC = true;
         if (cur + 1 != len) return logError(ASN1ERR_INVALID_FORMAT);
      }
      else if (mbDerRules) {
         // DER (X.690 11.7.1) requires the "Z" form.
         return logError(ASN1ERR_INVALID_FORMAT);
      }
      else if (c == '+' || c == '-') {
         if (!scan2(s, len, cur + 1, dhour) || dhour > 12) return logError(ASN1ERR_INVALID_FORMAT);
         if (isDigitAt(s, len, cur + 3)) {
            if (!scan2(s, len, cur + 3, dmin) || dmin > 59) return logError(ASN1ERR_INVALID_FORMAT);
         }
         if (c == '-') {
            dhour = -dhour;
            dmin = -dmin;
         }
      }
      // Anything else: local time without a zone.
   }
   else if ((n >= 1 && (year < 0 || year > 9999)) || (n >= 2 && (month < 1 || month > 12))) {
      // A partial value is kept as far as it was read, but what was read
      // must be in range.
      return logError(ASN1ERR_INVALID_FORMAT);
   }

   mYear = (short)year;
   mMonth = (short)month;
   mDay = (short)day;
   mHour = (short)hour;
   mMinute = (short)minute;
   mSecond = (short)second;
   mDiffHour = (short)dhour;
   mDiffMin = (short)dmin;
   mSecFraction = fraction;
   mbParsed = true;
   if (string != *mpTimeStr) compileString();
   return 0;
}

int ASN1CGeneralizedTime::compileString()
{
   if (mYear < 0 || mMonth <= 0 || mDay <= 0 || mHour < 0) {
      return logError(ASN1ERR_INVALID_FORMAT);
   }
   short year = mYear, month = mMonth, day = mDay, hour = mHour;
   short minute = mMinute < 0 ? 0 : mMinute, second = mSecond < 0 ? 0 : mSecond;
   int fraction = mSecFraction;
   if ((mbUTC || mbDerRules) && zoneSet()) {
      // Shown as UTC: local time minus the zone difference.
      addMilliseconds(-((int)mDiffHour * 60 + mDiffMin) * 60000,
                      year, month, day, hour, minute, second, fraction);
   }

   char text[80];
   size_t pos = 0;
   auto put = [&](const char* fmt, int a, int b) {
      int w = snprintf(text + pos, sizeof(text) - pos, fmt, a, b);
      if (w > 0) pos += ((size_t)w < sizeof(text) - pos) ? (size_t)w : sizeof(text) - pos - 1;
   };
   int w = snprintf(text, sizeof(text), "%.4d%.2d%.2d%.2d", year, month, day, hour);
   pos = (w > 0) ? (size_t)w : 0;
   // DER (X.690 11.7.2, 11.7.3): minutes and seconds are always present,
   // the fraction only when it is not zero.
   if (mbDerRules || minute > 0 || second > 0 || fraction > 0) {
      put("%.2d", minute, 0);
      if (mbDerRules || second > 0 || fraction > 0) {
         put("%.2d", second, 0);
         if (fraction > 0) put(".%d", fraction, 0);
      }
   }
   if (mbUTC || mbDerRules) {
      put("Z", 0, 0);
   }
   else if (zoneSet()) {
      int diff = mDiffHour * 60 + mDiffMin;
      int ah = mDiffHour < 0 ? -mDiffHour : mDiffHour;
      int am = mDiffMin < 0 ? -mDiffMin : mDiffMin;
      put(diff > 0 ? "+" : "-", 0, 0);
      if (am == 0) put("%.2d", ah, 0);
      else put("%.2d%.2d", ah, am);
   }
   return storeString(text);
}
