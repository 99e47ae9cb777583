// Stand-in for the product's base library: the byte buffer, date-time, span
// and returned-text classes that the ASN.1 wrapper holds its values in. The
// real library lies outside this one; this is the part of it the wrapper
// relies on, with value semantics throughout.
//
// Failures (a text that does not parse, a component out of range, a time
// outside years 1 to 9999) throw ATL::CAtlException with 0x80070057
// (invalid argument), the one exception of the wrapper's callers.
#ifndef QV_CORVANEBASE_H
#define QV_CORVANEBASE_H

#include <list>
#include <string>
#include <utility>
#include <vector>

#if defined(__GNUC__)
#define QVBASE_API __attribute__((visibility("default")))
#else
#define QVBASE_API
#endif

namespace Corvane {

// A returned narrow text that owns a copy of its characters.
class QVBASE_API CStringProxy {
public:
   CStringProxy() {}
   CStringProxy(const char* text) : m_text(text ? text : "") {}
   explicit CStringProxy(std::string text) : m_text(std::move(text)) {}
   const char* c_str() const { return m_text.c_str(); }
   const std::string& str() const { return m_text; }

private:
   std::string m_text;
};

// A returned wide text that owns a copy of its characters.
class QVBASE_API CWStringProxy {
public:
   CWStringProxy() {}
   CWStringProxy(const wchar_t* text) : m_text(text ? text : L"") {}
   explicit CWStringProxy(std::wstring text) : m_text(std::move(text)) {}
   const wchar_t* c_str() const { return m_text.c_str(); }
   const std::wstring& str() const { return m_text; }

private:
   std::wstring m_text;
};

// A counted byte buffer that owns its bytes.
class QVBASE_API CBlob {
public:
   CBlob() {}
   // n zero bytes.
   explicit CBlob(unsigned long n) : m_data(n) {}
   // A copy of the n bytes at data (data may be null when n is 0; null with
   // a count throws). assign() does the same and may copy from its own bytes.
   CBlob(const unsigned char* data, unsigned long n) { assign(data, n); }

   // Pointer to the bytes (null when empty) and their count.
   const unsigned char* pbData() const { return m_data.empty() ? nullptr : m_data.data(); }
   unsigned char* pbData() { return m_data.empty() ? nullptr : m_data.data(); }
   unsigned long cbData() const { return (unsigned long)m_data.size(); }
   bool empty() const { return m_data.empty(); }

   void assign(const unsigned char* data, unsigned long n);
   // Makes the count n, keeping the leading bytes; new bytes are zero.
   void resize_to(unsigned long n) { m_data.resize(n); }
   void clear() { m_data.clear(); }
   void swap(CBlob& other) { m_data.swap(other.m_data); }

   // The bytes as hexadecimal text: two upper-case digits per byte, no
   // separator, no prefix. A non-zero maxBytes writes only the first
   // maxBytes bytes; 0 writes them all.
   CStringProxy writeToHexString(unsigned long maxBytes) const;
   // Replaces the contents with the bytes of a hexadecimal text (digits of
   // either case, no separator); an odd digit count reads as if a leading
   // "0" were there. A character that is not a hexadecimal digit throws
   // 0x80070057 and leaves the contents unchanged. Null or "" gives an
   // empty buffer.
   void readFromHexString(const char* text);

   bool operator==(const CBlob& o) const { return m_data == o.m_data; }
   bool operator!=(const CBlob& o) const { return !(*this == o); }
   // Byte-wise order (shorter prefix first), so that blobs can be keys.
   bool operator<(const CBlob& o) const { return m_data < o.m_data; }

private:
   std::vector<unsigned char> m_data;
};

typedef std::list<CBlob> CBlobList;

// A length of time in milliseconds (may be negative).
class QVBASE_API CDateTimeSpan {
public:
   CDateTimeSpan() : m_ms(0) {}
   explicit CDateTimeSpan(long long milliseconds) : m_ms(milliseconds) {}
   CDateTimeSpan(long long days, int hours, int minutes, int seconds, int milliseconds = 0);
   static CDateTimeSpan OneSecond() { return CDateTimeSpan(1000LL); }
   long long totalMilliseconds() const { return m_ms; }
   bool operator==(const CDateTimeSpan& o) const { return m_ms == o.m_ms; }
   bool operator!=(const CDateTimeSpan& o) const { return m_ms != o.m_ms; }

private:
   long long m_ms;
};

// A calendar date and time of the proleptic Gregorian calendar, years 1 to
// 9999, with milliseconds. The value carries no zone: texts with a zone or an
// offset are brought to UTC when read, texts without one are taken as given.
class QVBASE_API CDateTime {
public:
   // 1970-01-01 00:00:00.000.
   CDateTime();
   // seconds since 1970-01-01 00:00:00 plus milliseconds (below 1000).
   CDateTime(long long seconds, unsigned int milliseconds);
   // From the components; the last two are the milliseconds and the
   // microseconds (below 1000; microseconds are dropped). Out of range
   // components (month 13, 30 February, hour 24, second 61, ...) throw.
   // A second of 60 (a leap second) is accepted and reads as 59.
   CDateTime(unsigned int year, unsigned int month, unsigned int day, unsigned int hour,
             unsigned int minute, unsigned int second, unsigned int millisecond = 0,
             unsigned int microsecond = 0);
   // From a GeneralizedTime text: YYYYMMDDHH[MM[SS]], then an optional
   // fraction ("." or "," and any number of digits; a fraction of the hour or
   // minute when the later fields are missing; digits beyond milliseconds are
   // cut), then "Z", an offset "+HH[MM]" / "-HH[MM]" (hours to 23, minutes
   // to 59), or nothing (local time, taken as given). An offset is
   // subtracted to give UTC. Anything else (null included) throws.
   explicit CDateTime(const char* generalizedTime);

   unsigned int year() const { return m_year; }
   unsigned int month() const { return m_month; }
   unsigned int day() const { return m_day; }
   unsigned int hour() const { return m_hour; }
   unsigned int minute() const { return m_minute; }
   unsigned int second() const { return m_second; }
   unsigned int millisecond() const { return m_ms; }

   // Seconds since 1970-01-01 00:00:00 (negative before), milliseconds apart.
   long long toSeconds() const;

   // YYYYMMDDHHMMSS[.fff]Z: the fraction only when the milliseconds are not
   // zero, without trailing zeros (the DER form). CDateTime(const char*)
   // reads it back to the same value.
   CStringProxy getGeneralizedTime() const;

   CDateTime& operator+=(const CDateTimeSpan& span);
   CDateTime& operator-=(const CDateTimeSpan& span);

   bool operator==(const CDateTime& o) const;
   bool operator!=(const CDateTime& o) const { return !(*this == o); }
   bool operator<(const CDateTime& o) const;
   bool operator>(const CDateTime& o) const { return o < *this; }
   bool operator<=(const CDateTime& o) const { return !(o < *this); }
   bool operator>=(const CDateTime& o) const { return !(*this < o); }

private:
   void setFromMilliseconds(long long msSinceEpoch);
   long long toMilliseconds() const;

   unsigned short m_year;
   unsigned char m_month, m_day, m_hour, m_minute, m_second;
   unsigned short m_ms;
};

QVBASE_API CDateTime operator+(CDateTime t, const CDateTimeSpan& span);
QVBASE_API CDateTimeSpan operator-(const CDateTime& a, const CDateTime& b);

}

#endif
