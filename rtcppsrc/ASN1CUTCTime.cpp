#include <stdio.h>
#include <string.h>
#include <time.h>

#include "ASN1CTime.h"
#include "asn1TimeScan.h"

using namespace asn1time;

ASN1CUTCTime::ASN1CUTCTime(char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CTime(buf, bufSize, useDerRules)
{
   resetUTCFields();
}

ASN1CUTCTime::ASN1CUTCTime(const char*& buf, OSBOOL useDerRules)
   : ASN1CTime(buf, useDerRules)
{
   resetUTCFields();
}

ASN1CUTCTime::ASN1CUTCTime(ASN1MessageBufferIF& msgBuf, char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CTime(msgBuf, buf, bufSize, useDerRules)
{
   resetUTCFields();
}

ASN1CUTCTime::ASN1CUTCTime(ASN1MessageBufferIF& msgBuf, const char*& buf, OSBOOL useDerRules)
   : ASN1CTime(msgBuf, buf, useDerRules)
{
   resetUTCFields();
}

ASN1CUTCTime::ASN1CUTCTime(ASN1Context& ctxt, char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CTime(ctxt, buf, bufSize, useDerRules)
{
   resetUTCFields();
}

ASN1CUTCTime::ASN1CUTCTime(ASN1Context& ctxt, const char*& buf, OSBOOL useDerRules)
   : ASN1CTime(ctxt, buf, useDerRules)
{
   resetUTCFields();
}

ASN1CUTCTime::ASN1CUTCTime(const ASN1CUTCTime& original) : ASN1CTime(original) {}

ASN1CUTCTime::~ASN1CUTCTime() = default;

void ASN1CUTCTime::resetUTCFields()
{
   mHour = mMinute = -3;
   mbUTC = true;
}

int ASN1CUTCTime::getFraction()
{
   return 0;
}

int ASN1CUTCTime::setUTC(OSBOOL utc)
{
   ensureParsed();
   // A UTCTime always carries a zone: without a difference it stays "Z".
   if (!utc && !zoneSet()) return 0;
   return ASN1CTime::setUTC(utc);
}

int ASN1CUTCTime::setYear(int year)
{
   if (year < 0) return logError(ASN1ERR_INVALID_FORMAT);
   if (year < 100) year += (year < 50) ? 2000 : 1900;
   return ASN1CTime::setYear(year);
}

int ASN1CUTCTime::setFraction(int)
{
   mSecFraction = 0;
   return logError(ASN1ERR_NOT_SUPPORTED);
}

int ASN1CUTCTime::setTime(long time, OSBOOL diffTime)
{
   time_t t = (time_t)time;
   struct tm tmv;
   if (diffTime) {
      if (localtime_r(&t, &tmv) == nullptr) return logError(ASN1ERR_INVALID_FORMAT);
      struct tm tmp = tmv;
      long d = (long)(timegm(&tmp) - t);
      mDiffHour = (short)(d / 3600);
      mDiffMin = (short)((d % 3600) / 60);
      // Local time with its difference; a zone without difference is UTC,
      // which a UTCTime must then say with "Z".
      mbUTC = mbDerRules || !zoneSet();
   }
   else {
      // The UTC form of the instant.
      if (gmtime_r(&t, &tmv) == nullptr) return logError(ASN1ERR_INVALID_FORMAT);
      mDiffHour = mDiffMin = 0;
      mbUTC = true;
   }
   return setFields(tmv);
}

// YYMMDDHHMM[SS](Z|(+|-)HHMM).
int ASN1CUTCTime::parseString(const char* string)
{
   mSecFraction = 0;
   int year = -3, month = -3, day = -3, hour = -3, minute = -3;
   int second = 0, dhour = 0, dmin = 0;

   if (string != nullptr) {
      const char* s = string;
      size_t len = strlen(s);
      int yy = -3;
      int n = sscanf(s, "%2d%2d%2d", &yy, &month, &day);
      if (n >= 1) {
         if (yy < 0) return logError(ASN1ERR_INVALID_FORMAT);
         year = yy < 50 ? 2000 + yy : 1900 + yy;
      }
      if (n >= 3) {
         if (month < 1 || month > 12 || day < 1 || day > daysOfMonth(month, year)) {
            return logError(ASN1ERR_INVALID_FORMAT);
         }
         if (!scan2(s, len, 6, hour) || !scan2(s, len, 8, minute)) {
            return logError(ASN1ERR_INVALID_FORMAT);
         }
         size_t cur = 10;
         if (isDigitAt(s, len, 10)) {
            if (!scan2(s, len, 10, second)) return logError(ASN1ERR_INVALID_FORMAT);
            cur = 12;
         }
         if (hour >= 24 || minute >= 60 || second > 59) return logError(ASN1ERR_INVALID_FORMAT);

         char c = charAt(s, len, cur);
         if (c == 'Z') {
            mbUTC = true;
            if (cur + 1 != len) return logError(ASN1ERR_INVALID_FORMAT);
         }
         else {
            // DER (X.690 11.8.1) requires the "Z" form.
            if (mbDerRules) return logError(ASN1ERR_INVALID_FORMAT);
            mbUTC = false;
            // A UTCTime always states its zone: "+hhmm" or "-hhmm".
            if ((c != '+' && c != '-') || !scan2(s, len, cur + 1, dhour) ||
                !scan2(s, len, cur + 3, dmin) || dhour > 12 || dmin > 59) {
               return logError(ASN1ERR_INVALID_FORMAT);
            }
            if (c == '-') {
               dhour = -dhour;
               dmin = -dmin;
            }
         }
      }
      else if (n == 2 && (month < 1 || month > 12)) {
         return logError(ASN1ERR_INVALID_FORMAT);
      }
   }

   mYear = (short)year;
   mMonth = (short)month;
   mDay = (short)day;
   mHour = (short)hour;
   mMinute = (short)minute;
   mSecond = (short)second;
   mDiffHour = (short)dhour;
   mDiffMin = (short)dmin;
   mbParsed = true;
   if (string != *mpTimeStr) compileString();
   return 0;
}

void ASN1CUTCTime::clear()
{
   ASN1CTime::clear();
   resetUTCFields();
}

int ASN1CUTCTime::compileString()
{
   if (mYear < 0 || mDay <= 0 || mMonth <= 0 || mHour < 0 || mMinute < 0) {
      return logError(ASN1ERR_INVALID_FORMAT);
   }
   short year = mYear, month = mMonth, day = mDay, hour = mHour;
   short minute = mMinute, second = mSecond < 0 ? 0 : mSecond;
   int fraction = 0;
   if ((mbUTC || mbDerRules) && zoneSet()) {
      addMilliseconds(-((int)mDiffHour * 60 + mDiffMin) * 60000,
                      year, month, day, hour, minute, second, fraction);
   }

   char text[64];
   // DER (X.690 11.8.2): seconds are always written.
   int w = snprintf(text, sizeof(text), "%.2d%.2d%.2d%.2d%.2d%.2d",
                    year % 100, month, day, hour, minute, second);
   size_t pos = (w > 0 && (size_t)w < sizeof(text)) ? (size_t)w : 0;
   if (mbUTC || mbDerRules) {
      snprintf(text + pos, sizeof(text) - pos, "Z");
      return storeString(text);
   }
   if (zoneSet()) {
      int diff = mDiffHour * 60 + mDiffMin;
      int ah = mDiffHour < 0 ? -mDiffHour : mDiffHour;
      int am = mDiffMin < 0 ? -mDiffMin : mDiffMin;
      snprintf(text + pos, sizeof(text) - pos, "%c%.2d%.2d", diff > 0 ? '+' : '-', ah, am);
      return storeString(text);
   }
   // No zone: the digits are written, but a UTCTime without a zone is not
   // valid.
   storeString(text);
   return logError(ASN1ERR_INVALID_FORMAT);
}
