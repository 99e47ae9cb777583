#include "CorvaneBase.h"

#include <string.h>

#include "AtlCompat.h"

namespace Corvane {

namespace {

[[noreturn]] void throwInvalidArg()
{
   throw ATL::CAtlException((int)0x80070057);
}

constexpr long long MS_PER_SECOND = 1000;
constexpr long long MS_PER_MINUTE = 60 * MS_PER_SECOND;
constexpr long long MS_PER_HOUR = 60 * MS_PER_MINUTE;
constexpr long long MS_PER_DAY = 24 * MS_PER_HOUR;

bool isDigit(char c)
{
   return c >= '0' && c <= '9';
}

int hexValue(char c)
{
   if (c >= '0' && c <= '9') return c - '0';
   if (c >= 'A' && c <= 'F') return c - 'A' + 10;
   if (c >= 'a' && c <= 'f') return c - 'a' + 10;
   return -1;
}

bool isLeapYear(unsigned y)
{
   return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(unsigned y, unsigned m)
{
   static const unsigned char days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
   return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to the date (proleptic Gregorian; the count runs in
// 400-year eras of 146097 days, each starting on 1 March).
constexpr long long daysFromCivil(long long y, unsigned m, unsigned d)
{
   y -= m <= 2;
   const long long era = (y >= 0 ? y : y - 399) / 400;
   const unsigned yoe = (unsigned)(y - era * 400);
   const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
   const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
   return era * 146097 + (long long)doe - 719468;
}

void civilFromDays(long long z, unsigned* year, unsigned* month, unsigned* day)
{
   z += 719468;
   const long long era = (z >= 0 ? z : z - 146096) / 146097;
   const unsigned doe = (unsigned)(z - era * 146097);
   const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
   const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
   const unsigned mp = (5 * doy + 2) / 153;
   *day = doy - (153 * mp + 2) / 5 + 1;
   *month = mp < 10 ? mp + 3 : mp - 9;
   *year = (unsigned)(yoe + era * 400 + (*month <= 2));
}

// The range of values: 0001-01-01 00:00:00.000 to 9999-12-31 23:59:59.999,
// in milliseconds since 1970-01-01.
constexpr long long MIN_MS = daysFromCivil(1, 1, 1) * MS_PER_DAY;
constexpr long long MAX_MS = (daysFromCivil(9999, 12, 31) + 1) * MS_PER_DAY - 1;

long long checkedSum(long long a, long long b)
{
   long long r;
   if (__builtin_add_overflow(a, b, &r)) throwInvalidArg();
   return r;
}

long long checkedProduct(long long a, long long b)
{
   long long r;
   if (__builtin_mul_overflow(a, b, &r)) throwInvalidArg();
   return r;
}

// Reads exactly n decimal digits at p.
bool readDigits(const char*& p, int n, unsigned* value)
{
   unsigned v = 0;
   for (int i = 0; i < n; ++i, ++p) {
      if (!isDigit(*p)) return false;
      v = v * 10 + (unsigned)(*p - '0');
   }
   *value = v;
   return true;
}

// floor(unit * 0.<digits>) for the digits in [begin, end), exactly whatever
// their number. Taken from the last digit back: with q the whole part of the
// value of the later digits, the whole part of (unit * d + q + r) / 10 for
// any r in [0, 1) is (unit * d + q) / 10, so the parts below one never need
// to be kept.
long long fractionOf(const char* begin, const char* end, long long unit)
{
   long long q = 0;
   while (end != begin) {
      --end;
      q = (unit * (*end - '0') + q) / 10;
   }
   return q;
}

}

// CBlob

void CBlob::assign(const unsigned char* data, unsigned long n)
{
   if (n != 0 && !data) throwInvalidArg();
   // A copy first: data may lie in this buffer.
   std::vector<unsigned char> bytes(data, data + n);
   m_data.swap(bytes);
}

CStringProxy CBlob::writeToHexString(unsigned long maxBytes) const
{
   static const char digits[] = "0123456789ABCDEF";
   const size_t n = maxBytes != 0 && maxBytes < m_data.size() ? maxBytes : m_data.size();
   std::string text(2 * n, '\0');
   for (size_t i = 0; i < n; ++i) {
      text[2 * i] = digits[m_data[i] >> 4];
      text[2 * i + 1] = digits[m_data[i] & 0x0F];
   }
   return CStringProxy(std::move(text));
}

void CBlob::readFromHexString(const char* text)
{
   const size_t len = text ? strlen(text) : 0;
   std::vector<unsigned char> bytes((len + 1) / 2);
   // An odd count: the first digit alone makes the first byte.
   size_t pos = len % 2;
   for (size_t i = 0; i < len; ++i, ++pos) {
      const int v = hexValue(text[i]);
      if (v < 0) throwInvalidArg();
      bytes[pos / 2] = (unsigned char)(bytes[pos / 2] << 4 | v);
   }
   m_data.swap(bytes);
}

// CDateTimeSpan

CDateTimeSpan::CDateTimeSpan(long long days, int hours, int minutes, int seconds, int milliseconds)
{
   long long ms = checkedProduct(days, MS_PER_DAY);
   ms = checkedSum(ms, hours * MS_PER_HOUR);
   ms = checkedSum(ms, minutes * MS_PER_MINUTE);
   ms = checkedSum(ms, seconds * MS_PER_SECOND);
   m_ms = checkedSum(ms, milliseconds);
}

// CDateTime

CDateTime::CDateTime()
{
   setFromMilliseconds(0);
}

CDateTime::CDateTime(long long seconds, unsigned int milliseconds)
{
   if (milliseconds >= 1000) throwInvalidArg();
   if (seconds < MIN_MS / MS_PER_SECOND || seconds > MAX_MS / MS_PER_SECOND) throwInvalidArg();
   setFromMilliseconds(seconds * MS_PER_SECOND + milliseconds);
}

CDateTime::CDateTime(unsigned int year, unsigned int month, unsigned int day, unsigned int hour,
                     unsigned int minute, unsigned int second, unsigned int millisecond,
                     unsigned int microsecond)
{
   if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
       day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 60 ||
       millisecond > 999 || microsecond > 999)
      throwInvalidArg();
   m_year = (unsigned short)year;
   m_month = (unsigned char)month;
   m_day = (unsigned char)day;
   m_hour = (unsigned char)hour;
   m_minute = (unsigned char)minute;
   m_second = (unsigned char)(second == 60 ? 59 : second);
   m_ms = (unsigned short)millisecond;
}

CDateTime::CDateTime(const char* text)
{
   if (!text) throwInvalidArg();
   const char* p = text;
   unsigned year, month, day, hour, minute = 0, second = 0;
   if (!readDigits(p, 4, &year) || !readDigits(p, 2, &month) || !readDigits(p, 2, &day) ||
       !readDigits(p, 2, &hour))
      throwInvalidArg();
   // The unit of the last field present, which a fraction is a part of.
   long long unit = MS_PER_HOUR;
   if (isDigit(*p)) {
      if (!readDigits(p, 2, &minute)) throwInvalidArg();
      unit = MS_PER_MINUTE;
      if (isDigit(*p)) {
         if (!readDigits(p, 2, &second)) throwInvalidArg();
         unit = MS_PER_SECOND;
      }
   }
   long long fractionMs = 0;
   if (*p == '.' || *p == ',') {
      const char* begin = ++p;
      while (isDigit(*p)) ++p;
      if (p == begin) throwInvalidArg();
      fractionMs = fractionOf(begin, p, unit);
   }
   long long offsetMs = 0;
   if (*p == 'Z') {
      ++p;
   }
   else if (*p == '+' || *p == '-') {
      const bool ahead = *p++ == '+';
      unsigned oh, om = 0;
      if (!readDigits(p, 2, &oh)) throwInvalidArg();
      if (isDigit(*p) && !readDigits(p, 2, &om)) throwInvalidArg();
      if (oh > 23 || om > 59) throwInvalidArg();
      offsetMs = oh * MS_PER_HOUR + om * MS_PER_MINUTE;
      if (!ahead) offsetMs = -offsetMs;
   }
   if (*p != '\0') throwInvalidArg();

   // The fields are checked as components; the fraction and the offset may
   // then carry the value into another day, month or year.
   const CDateTime fields(year, month, day, hour, minute, second);
   setFromMilliseconds(fields.toMilliseconds() + fractionMs - offsetMs);
}

long long CDateTime::toMilliseconds() const
{
   return toSeconds() * MS_PER_SECOND + m_ms;
}

long long CDateTime::toSeconds() const
{
   const long long days = daysFromCivil(m_year, m_month, m_day);
   return days * 86400 + m_hour * 3600LL + m_minute * 60LL + m_second;
}

void CDateTime::setFromMilliseconds(long long ms)
{
   if (ms < MIN_MS || ms > MAX_MS) throwInvalidArg();
   long long days = ms / MS_PER_DAY;
   long long rest = ms % MS_PER_DAY;
   if (rest < 0) {
      rest += MS_PER_DAY;
      --days;
   }
   unsigned year, month, day;
   civilFromDays(days, &year, &month, &day);
   m_year = (unsigned short)year;
   m_month = (unsigned char)month;
   m_day = (unsigned char)day;
   m_hour = (unsigned char)(rest / MS_PER_HOUR);
   m_minute = (unsigned char)(rest / MS_PER_MINUTE % 60);
   m_second = (unsigned char)(rest / MS_PER_SECOND % 60);
   m_ms = (unsigned short)(rest % MS_PER_SECOND);
}

CStringProxy CDateTime::getGeneralizedTime() const
{
   char buf[32];
   char* p = buf;
   auto put = [&p](unsigned v, int width) {
      for (int i = width - 1; i >= 0; --i, v /= 10) p[i] = (char)('0' + v % 10);
      p += width;
   };
   put(m_year, 4);
   put(m_month, 2);
   put(m_day, 2);
   put(m_hour, 2);
   put(m_minute, 2);
   put(m_second, 2);
   if (m_ms != 0) {
      *p++ = '.';
      put(m_ms, 3);
      while (p[-1] == '0') --p;
   }
   *p++ = 'Z';
   return CStringProxy(std::string(buf, p));
}

CDateTime& CDateTime::operator+=(const CDateTimeSpan& span)
{
   setFromMilliseconds(checkedSum(toMilliseconds(), span.totalMilliseconds()));
   return *this;
}

CDateTime& CDateTime::operator-=(const CDateTimeSpan& span)
{
   long long ms;
   if (__builtin_sub_overflow(toMilliseconds(), span.totalMilliseconds(), &ms)) throwInvalidArg();
   setFromMilliseconds(ms);
   return *this;
}

bool CDateTime::operator==(const CDateTime& o) const
{
   return toMilliseconds() == o.toMilliseconds();
}

bool CDateTime::operator<(const CDateTime& o) const
{
   return toMilliseconds() < o.toMilliseconds();
}

CDateTime operator+(CDateTime t, const CDateTimeSpan& span)
{
   t += span;
   return t;
}

CDateTimeSpan operator-(const CDateTime& a, const CDateTime& b)
{
   return CDateTimeSpan((a.toSeconds() - b.toSeconds()) * 1000 +
                        ((long long)a.millisecond() - (long long)b.millisecond()));
}

}
