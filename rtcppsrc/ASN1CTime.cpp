#include "ASN1CTime.h"

#include <string.h>
#include <time.h>

#include "rtError.h"

const short ASN1CTime::daysInMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int ASN1CTime::daysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

namespace {

const long long MS_PER_DAY = 86400000LL;

long long floorDiv(long long a, long long b)
{
   long long q = a / b;
   if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
   return q;
}

// Day number of a valid date (month 1..12), 0 = 1 January of year 1.
long long dayNumber(int year, int month, int day)
{
   long long y = (long long)year - 1;
   long long n = 365 * y + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400);
   n += ASN1CTime::daysBeforeMonth[month - 1] + day - 1;
   if (month > 2 && ASN1CTime::isLeapYear(year)) n++;
   return n;
}

// Inverse of dayNumber through the 400-, 100-, 4- and 1-year cycles.
void fromDayNumber(long long n, short& year, short& month, short& day)
{
   long long n400 = floorDiv(n, 146097);
   long long r = n - n400 * 146097;
   long long n100 = r / 36524;
   if (n100 == 4) n100 = 3;      // 31 December of a 400th year
   r -= n100 * 36524;
   long long n4 = r / 1461;
   r -= n4 * 1461;
   long long n1 = r / 365;
   if (n1 == 4) n1 = 3;          // 31 December of a leap year
   r -= n1 * 365;
   long long y = n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1;
   bool leap = ASN1CTime::isLeapYear((int)y);
   int m = 1;
   while (m < 12) {
      int next = ASN1CTime::daysBeforeMonth[m] + ((m >= 2 && leap) ? 1 : 0);
      if (r < next) break;
      m++;
   }
   int before = ASN1CTime::daysBeforeMonth[m - 1] + ((m > 2 && leap) ? 1 : 0);
   year = (short)y;
   month = (short)m;
   day = (short)(r - before + 1);
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

ASN1CTime::ASN1CTime(char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CType(), mpTimeStr(&buf), mTimeStrSize(bufSize), mpOwnTimeStr(nullptr)
{
   mbDerRules = useDerRules != 0;
   mbParsed = false;
   mTimeStr[0] = '\0';
   resetFields();
}

ASN1CTime::ASN1CTime(const char*& buf, OSBOOL useDerRules)
   : ASN1CType(), mpTimeStr(const_cast<char**>(&buf)), mTimeStrSize(0), mpOwnTimeStr(nullptr)
{
   mbDerRules = useDerRules != 0;
   mbParsed = false;
   mTimeStr[0] = '\0';
   resetFields();
}

ASN1CTime::ASN1CTime(ASN1MessageBufferIF& msgBuf, char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CType(msgBuf), mpTimeStr(&buf), mTimeStrSize(bufSize), mpOwnTimeStr(nullptr)
{
   mbDerRules = useDerRules != 0;
   mbParsed = false;
   mTimeStr[0] = '\0';
   resetFields();
}

ASN1CTime::ASN1CTime(ASN1MessageBufferIF& msgBuf, const char*& buf, OSBOOL useDerRules)
   : ASN1CType(msgBuf), mpTimeStr(const_cast<char**>(&buf)), mTimeStrSize(0), mpOwnTimeStr(nullptr)
{
   mbDerRules = useDerRules != 0;
   mbParsed = false;
   mTimeStr[0] = '\0';
   resetFields();
}

ASN1CTime::ASN1CTime(ASN1Context& ctxt, char*& buf, int bufSize, OSBOOL useDerRules)
   : ASN1CType(ctxt), mpTimeStr(&buf), mTimeStrSize(bufSize), mpOwnTimeStr(nullptr)
{
   mbDerRules = useDerRules != 0;
   mbParsed = false;
   mTimeStr[0] = '\0';
   resetFields();
}

ASN1CTime::ASN1CTime(ASN1Context& ctxt, const char*& buf, OSBOOL useDerRules)
   : ASN1CType(ctxt), mpTimeStr(const_cast<char**>(&buf)), mTimeStrSize(0), mpOwnTimeStr(nullptr)
{
   mbDerRules = useDerRules != 0;
   mbParsed = false;
   mTimeStr[0] = '\0';
   resetFields();
}

ASN1CTime::ASN1CTime(const ASN1CTime& original)
   : ASN1CType(original),
     mYear(original.mYear), mMonth(original.mMonth), mDay(original.mDay),
     mHour(original.mHour), mMinute(original.mMinute), mSecond(original.mSecond),
     mDiffHour(original.mDiffHour), mDiffMin(original.mDiffMin),
     mSecFraction(original.mSecFraction), mbUTC(original.mbUTC),
     mbParsed(original.mbParsed), mbDerRules(original.mbDerRules),
     mpTimeStr(&mpOwnTimeStr), mTimeStrSize(0), mpOwnTimeStr(mTimeStr)
{
   const char* src = (original.mpTimeStr != nullptr) ? *original.mpTimeStr : nullptr;
   mTimeStr[0] = '\0';
   if (src != nullptr) {
      strncpy(mTimeStr, src, sizeof(mTimeStr) - 1);
      mTimeStr[sizeof(mTimeStr) - 1] = '\0';
   }
}

ASN1CTime::~ASN1CTime() = default;

ASN1CTime& ASN1CTime::operator=(const ASN1CTime& original)
{
   if (this == &original) return *this;
   mYear = original.mYear;
   mMonth = original.mMonth;
   mDay = original.mDay;
   mHour = original.mHour;
   mMinute = original.mMinute;
   mSecond = original.mSecond;
   mDiffHour = original.mDiffHour;
   mDiffMin = original.mDiffMin;
   mSecFraction = original.mSecFraction;
   mbUTC = original.mbUTC;
   mbParsed = original.mbParsed;
   mbDerRules = original.mbDerRules;

   // Copy through a local buffer: the source text may live in our own
   // inline buffer's neighbour or be longer than our target.
   char text[ASN1CTIME_INLINE_BUF];
   const char* src = (original.mpTimeStr != nullptr) ? *original.mpTimeStr : nullptr;
   text[0] = '\0';
   if (src != nullptr) {
      strncpy(text, src, sizeof(text) - 1);
      text[sizeof(text) - 1] = '\0';
   }
   storeString(text);
   return *this;
}

void ASN1CTime::resetFields()
{
   mYear = mMonth = mDay = mHour = -3;
   mMinute = mSecond = 0;
   mDiffHour = mDiffMin = 0;
   mSecFraction = 0;
   mbUTC = mbDerRules;
}

// ---------------------------------------------------------------------------
// Helpers

bool ASN1CTime::isLeapYear(int year)
{
   return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int ASN1CTime::daysOfMonth(int month, int year)
{
   if (month < 1 || month > 12) return 0;
   if (month == 2 && isLeapYear(year)) return 29;
   return daysInMonth[month];
}

bool ASN1CTime::checkDate(int day, int month, int year)
{
   if (day < 1 || month < 1) return true;
   if (month > 12) return false;
   if (month == 2 && (year < 0 || isLeapYear(year))) return day <= 29;
   return day <= daysInMonth[month];
}

int ASN1CTime::logError(int stat)
{
   ASN1CTXT* pctxt = getCtxtPtr();
   if (pctxt != nullptr) LOG_ASN1ERR(pctxt, stat);
   return stat;
}

void ASN1CTime::checkCapacity()
{
   if (mTimeStrSize < ASN1CTIME_MIN_CALLER_BUF || *mpTimeStr == nullptr) {
      *mpTimeStr = mTimeStr;
   }
}

int ASN1CTime::storeString(const char* text)
{
   checkCapacity();
   size_t len = strlen(text);
   size_t cap = (*mpTimeStr == mTimeStr) ? sizeof(mTimeStr) : (size_t)mTimeStrSize;
   if (len >= cap) return logError(ASN1ERR_STRING_OVERFLOW);
   memmove(*mpTimeStr, text, len + 1);
   return 0;
}

int ASN1CTime::ensureParsed()
{
   if (mbParsed) return 0;
   return parseString(*mpTimeStr);
}

// ---------------------------------------------------------------------------
// Getters

#define ASN1CTIME_GETTER(name, expr)      \
   int ASN1CTime::name()                  \
   {                                      \
      int stat = ensureParsed();          \
      if (stat != 0) return logError(stat); \
      return (expr);                      \
   }

ASN1CTIME_GETTER(getYear, mYear)
ASN1CTIME_GETTER(getMonth, mMonth)
ASN1CTIME_GETTER(getDay, mDay)
ASN1CTIME_GETTER(getHour, mHour)
ASN1CTIME_GETTER(getMinute, mMinute)
ASN1CTIME_GETTER(getSecond, mSecond)
ASN1CTIME_GETTER(getFraction, mSecFraction)
ASN1CTIME_GETTER(getDiffHour, mDiffHour)
ASN1CTIME_GETTER(getDiffMinute, mDiffMin)
ASN1CTIME_GETTER(getDiff, mDiffHour * 60 + mDiffMin)
ASN1CTIME_GETTER(getUTC, mbUTC ? 1 : 0)

#undef ASN1CTIME_GETTER

long ASN1CTime::getTime()
{
   int stat = ensureParsed();
   if (stat != 0) return logError(stat);
   if (mYear < 0 || mMonth < 1 || mDay < 1 || mHour < 0) {
      return logError(ASN1ERR_INVALID_FORMAT);
   }
   struct tm tmv;
   memset(&tmv, 0, sizeof(tmv));
   tmv.tm_year = mYear - 1900;
   tmv.tm_mon = mMonth - 1;
   tmv.tm_mday = mDay;
   tmv.tm_hour = mHour;
   tmv.tm_min = mMinute < 0 ? 0 : mMinute;
   tmv.tm_sec = mSecond < 0 ? 0 : mSecond;
   if (zoneSet()) {
      // The fields are the local time of a zone `diff` ahead of UTC.
      return (long)timegm(&tmv) - ((long)mDiffHour * 3600 + (long)mDiffMin * 60);
   }
   if (mbUTC) return (long)timegm(&tmv);
   tmv.tm_isdst = -1;   // let the C library decide whether summer time applies
   return (long)mktime(&tmv);
}

// ---------------------------------------------------------------------------
// Setters

int ASN1CTime::setUTC(OSBOOL utc)
{
   if (mbDerRules) return 0;
   ensureParsed();
   mbUTC = utc != 0;
   compileString();
   return 0;
}

int ASN1CTime::setYear(int year)
{
   ensureParsed();
   if (year < 0 || year > 9999 || !checkDate(mDay, mMonth, year)) {
      return logError(ASN1ERR_INVALID_FORMAT);
   }
   mYear = (short)year;
   compileString();
   return 0;
}

int ASN1CTime::setMonth(int month)
{
   ensureParsed();
   if (month < 1 || month > 12 || !checkDate(mDay, month, mYear)) {
      return logError(ASN1ERR_INVALID_FORMAT);
   }
   mMonth = (short)month;
   compileString();
   return 0;
}

int ASN1CTime::setDay(int day)
{
   ensureParsed();
   if (day < 1 || day > 31 || !checkDate(day, mMonth, mYear)) {
      return logError(ASN1ERR_INVALID_FORMAT);
   }
   mDay = (short)day;
   compileString();
   return 0;
}

int ASN1CTime::setHour(int hour)
{
   if (hour < 0 || hour > 23) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mHour = (short)hour;
   compileString();
   return 0;
}

int ASN1CTime::setMinute(int minute)
{
   if (minute < 0 || minute > 59) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mMinute = (short)minute;
   compileString();
   return 0;
}

int ASN1CTime::setSecond(int second)
{
   if (second < 0 || second > 59) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mSecond = (short)second;
   compileString();
   return 0;
}

int ASN1CTime::setFraction(int fraction)
{
   // The fraction is one decimal digit (tenths): a larger value would be
   // written as ".123" and read back as 1 tenth.
   if (fraction < 0 || fraction > 9) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mSecFraction = fraction;
   compileString();
   return 0;
}

int ASN1CTime::setDiffHour(int dhour)
{
   if (dhour < -12 || dhour > 12) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mDiffHour = (short)dhour;
   compileString();
   return 0;
}

int ASN1CTime::setDiff(int dhour, int dminutes)
{
   int mag = dminutes < 0 ? -dminutes : dminutes;
   if (dhour < -12 || dhour > 12 || mag > 59) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mDiffHour = (short)dhour;
   mDiffMin = (short)(dhour < 0 ? -mag : mag);
   compileString();
   return 0;
}

int ASN1CTime::setDiff(int inMinutes)
{
   if (inMinutes < -720 || inMinutes > 720) return logError(ASN1ERR_INVALID_FORMAT);
   ensureParsed();
   mDiffHour = (short)(inMinutes / 60);
   mDiffMin = (short)(inMinutes % 60);
   compileString();
   return 0;
}

void ASN1CTime::clear()
{
   resetFields();
   checkCapacity();
   (*mpTimeStr)[0] = '\0';
   mbParsed = true;
}

// ---------------------------------------------------------------------------
// Comparison

int ASN1CTime::getDaysNum()
{
   int stat = ensureParsed();
   if (stat != 0) return logError(stat);
   if (mMonth < 1 || mMonth > 12 || mDay < 1) return logError(ASN1ERR_INVALID_FORMAT);
   return (int)dayNumber(mYear, mMonth, mDay);
}

int ASN1CTime::getMillisNum()
{
   int stat = ensureParsed();
   if (stat != 0) return logError(stat);
   int hour = mHour < 0 ? 0 : mHour;
   int minute = mMinute < 0 ? 0 : mMinute;
   int second = mSecond < 0 ? 0 : mSecond;
   long long ms = ((long long)hour * 3600 + minute * 60 + second) * 1000
      + (long long)mSecFraction * 100 - ((long long)mDiffHour * 60 + mDiffMin) * 60000;
   return (int)ms;
}

int ASN1CTime::equals(ASN1CTime& other)
{
   // Compare the whole instants: a zone difference may move a value across
   // midnight, so day numbers alone do not order zoned values.
   long long a = (long long)getDaysNum() * MS_PER_DAY + getMillisNum();
   long long b = (long long)other.getDaysNum() * MS_PER_DAY + other.getMillisNum();
   return (a < b) ? -1 : (a > b) ? 1 : 0;
}

OSBOOL ASN1CTime::operator==(ASN1CTime& other) { return equals(other) == 0; }
OSBOOL ASN1CTime::operator!=(ASN1CTime& other) { return equals(other) != 0; }
OSBOOL ASN1CTime::operator>(ASN1CTime& other) { return equals(other) > 0; }
OSBOOL ASN1CTime::operator<(ASN1CTime& other) { return equals(other) < 0; }
OSBOOL ASN1CTime::operator>=(ASN1CTime& other) { return equals(other) >= 0; }
OSBOOL ASN1CTime::operator<=(ASN1CTime& other) { return equals(other) <= 0; }

// ---------------------------------------------------------------------------
// String access

const char* ASN1CTime::getTimeStringPtr()
{
   compileString();
   return *mpTimeStr;
}

int ASN1CTime::getTimeStringLen()
{
   compileString();
   return (*mpTimeStr != nullptr) ? (int)strlen(*mpTimeStr) : 0;
}

char* ASN1CTime::getTimeString(char* buf, int size)
{
   const char* s = getTimeStringPtr();
   if (s == nullptr || buf == nullptr) return nullptr;
   size_t len = strlen(s);
   if (size <= 0 || len >= (size_t)size) return nullptr;
   memcpy(buf, s, len + 1);
   return buf;
}

// ---------------------------------------------------------------------------
// Date arithmetic

void ASN1CTime::addDays(int days, short& year, short& month, short& day)
{
   if (month < 1 || month > 12) return;   // no date to move
   long long n = dayNumber(year, month, day) + days;
   fromDayNumber(n, year, month, day);
}

void ASN1CTime::addMilliseconds(int msec, short& year, short& month, short& day,
                                short& hour, short& minute, short& second, int& fraction)
{
   long long total = (long long)msec
      + ((long long)hour * 3600 + (long long)minute * 60 + second) * 1000
      + (long long)fraction * 100;
   long long days = floorDiv(total, MS_PER_DAY);
   total -= days * MS_PER_DAY;
   if (days != 0) addDays((int)days, year, month, day);
   hour = (short)(total / 3600000);
   total %= 3600000;
   minute = (short)(total / 60000);
   total %= 60000;
   second = (short)(total / 1000);
   total %= 1000;
   fraction = (int)(total / 100);
}

int ASN1CTime::setFields(const struct tm& tmv)
{
   mYear = (short)(tmv.tm_year + 1900);
   mMonth = (short)(tmv.tm_mon + 1);
   mDay = (short)tmv.tm_mday;
   mHour = (short)tmv.tm_hour;
   mMinute = (short)tmv.tm_min;
   mSecond = (short)(tmv.tm_sec > 59 ? 59 : tmv.tm_sec);
   mSecFraction = 0;
   mbParsed = true;
   compileString();
   return 0;
}
