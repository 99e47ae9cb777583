// Time classes: field-level access to the character-string forms of the
// ASN.1 GeneralizedTime and UTCTime types.
//
// A time object is bound to the caller's string pointer variable. It parses
// the string into fields on first use and rewrites the string from the fields
// after every change. When the caller's writable buffer is smaller than
// ASN1CTIME_MIN_CALLER_BUF characters (always for a read-only string), the
// caller's pointer variable is redirected to the object's inline buffer
// before anything is written: the text then lives only as long as the object.
//
// Fields hold -3 while not set. The zone difference is kept as hours and
// minutes with the same sign; a value with a zone difference denotes the
// instant "fields minus difference" in UTC.
//
// Errors are negative statuses, recorded in the context's error information
// (rtErrSetData) as well as returned.
#ifndef ASN1CTIME_H
#define ASN1CTIME_H

#include <time.h>

#include "ASN1CType.h"

// Smallest caller buffer that the object writes into directly.
#define ASN1CTIME_MIN_CALLER_BUF 30
// Size of the object's inline string buffer.
#define ASN1CTIME_INLINE_BUF 36

class EXTERNRT ASN1CTime : public ASN1CType {
public:
   // Days of each month in a common year, indexed by month (1..12).
   static const short daysInMonth[13];
   // Days before month m of a common year, at index m-1 (index 12: 365).
   static const int daysBeforeMonth[13];

   // Binds the object to the caller's string variable `buf`. The writable
   // forms give the size of the caller's buffer; the const forms bind a
   // read-only string (size 0: every rewrite goes to the inline buffer).
   // useDerRules forces the DER forms: UTC ("Z"), minutes and seconds always
   // written.
   ASN1CTime(char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CTime(const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CTime(ASN1MessageBufferIF& msgBuf, char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CTime(ASN1MessageBufferIF& msgBuf, const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CTime(ASN1Context& ctxt, char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CTime(ASN1Context& ctxt, const char*& buf, OSBOOL useDerRules = FALSE);
   // Shares the context; fields and flags are copied and the source's text
   // is copied into this object's inline buffer, which it then owns.
   ASN1CTime(const ASN1CTime& original);
   ~ASN1CTime() override;

   // Copies fields, flags and text (not the context); the text goes to the
   // bound string under the capacity rule.
   ASN1CTime& operator=(const ASN1CTime& original);

   // Getters parse the bound string first when needed; a parse failure
   // status is returned instead of the field.
   virtual int getYear();
   virtual int getMonth();
   virtual int getDay();
   virtual int getHour();
   virtual int getMinute();
   virtual int getSecond();
   virtual int getFraction();     // tenths of a second
   virtual int getDiffHour();
   virtual int getDiffMinute();
   virtual int getDiff();         // zone hours * 60 + zone minutes
   virtual int getUTC();
   // The instant in seconds since the epoch: a value with a zone difference
   // is the fields as UTC minus the difference, a UTC value the fields as
   // UTC, any other value the fields as local time. Negative status when
   // the string does not parse or the date or hour is not set.
   virtual long getTime();

   // Setters return 0, or -31 (recorded) for an inadmissible value, in which
   // case nothing changes. On success the string is rewritten.
   virtual int setUTC(OSBOOL utc);
   virtual int setYear(int year);
   virtual int setMonth(int month);
   virtual int setDay(int day);
   virtual int setHour(int hour);
   virtual int setMinute(int minute);
   virtual int setSecond(int second);
   virtual int setFraction(int fraction);
   // Sets the fields from `time`; diffTime asks for the local time with its
   // zone difference.
   virtual int setTime(long time, OSBOOL diffTime) = 0;
   virtual int setDiffHour(int dhour);
   virtual int setDiff(int dhour, int dminutes);
   virtual int setDiff(int inMinutes);
   // Parses `string` into the fields. When `string` is not the bound string,
   // the bound string is rewritten in canonical form.
   virtual int parseString(const char* string) = 0;
   // Resets the fields as at construction and empties the string.
   virtual void clear();

   // Negative, zero or positive as this instant is before, equal to or
   // after `other` (both normalised by their zone differences).
   virtual int equals(ASN1CTime& other);
   virtual OSBOOL operator==(ASN1CTime& other);
   virtual OSBOOL operator!=(ASN1CTime& other);
   virtual OSBOOL operator>(ASN1CTime& other);
   virtual OSBOOL operator<(ASN1CTime& other);
   virtual OSBOOL operator>=(ASN1CTime& other);
   virtual OSBOOL operator<=(ASN1CTime& other);

   // Rewrites the bound string from the fields: 0 or a negative status.
   virtual int compileString() = 0;

   // Proleptic Gregorian day number (0 = 1 January of year 1) of the date.
   int getDaysNum();
   // Milliseconds of the time of day, minus the zone difference.
   int getMillisNum();

   // The compiled string, its length, or a copy into buf (null when its
   // length is not below size).
   const char* getTimeStringPtr();
   int getTimeStringLen();
   char* getTimeString(char* buf, int size);

   // Moves the date by `days` days (negative: backwards).
   static void addDays(int days, short& year, short& month, short& day);
   // Moves date and time by `msec` milliseconds; the fraction is in tenths.
   static void addMilliseconds(int msec, short& year, short& month, short& day,
                               short& hour, short& minute, short& second, int& fraction);

   static bool isLeapYear(int year);

protected:
   // Passes while day or month is not set (below 1); otherwise the day must
   // exist in that month (February 29 also when the year is not set).
   static bool checkDate(int day, int month, int year);
   static int daysOfMonth(int month, int year);

   // Applies the capacity rule: a caller buffer below the minimum size (or a
   // null caller pointer) is replaced by the inline buffer.
   void checkCapacity();
   // Writes `text` to the bound string under the capacity rule. Returns 0,
   // or -17 (recorded) when it does not fit; nothing is written then.
   int storeString(const char* text);
   // Parses the bound string when the fields do not reflect it yet.
   int ensureParsed();
   // Records `stat` in the context's error information and returns it.
   int logError(int stat);
   // Takes the calendar fields of tmv (leap seconds as 59, no fraction),
   // marks the value parsed and compiles the bound string.
   int setFields(const struct tm& tmv);
   void resetFields();
   bool zoneSet() const { return mDiffHour != 0 || mDiffMin != 0; }

   short mYear;
   short mMonth;
   short mDay;
   short mHour;
   short mMinute;
   short mSecond;
   short mDiffHour;
   short mDiffMin;
   int   mSecFraction;
   bool  mbUTC;
   bool  mbParsed;
   bool  mbDerRules;
   char** mpTimeStr;
   int   mTimeStrSize;
   char  mTimeStr[ASN1CTIME_INLINE_BUF];
   char* mpOwnTimeStr;
};

// GeneralizedTime: YYYYMMDDHH[MM[SS[.f]]][Z|(+|-)HH[MM]].
class EXTERNRT ASN1CGeneralizedTime : public ASN1CTime {
public:
   ASN1CGeneralizedTime(char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CGeneralizedTime(const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CGeneralizedTime(ASN1MessageBufferIF& msgBuf, char*& buf, int bufSize,
                        OSBOOL useDerRules = FALSE);
   ASN1CGeneralizedTime(ASN1MessageBufferIF& msgBuf, const char*& buf,
                        OSBOOL useDerRules = FALSE);
   ASN1CGeneralizedTime(ASN1Context& ctxt, char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CGeneralizedTime(ASN1Context& ctxt, const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CGeneralizedTime(const ASN1CGeneralizedTime& original);
   ~ASN1CGeneralizedTime() override;

   ASN1CGeneralizedTime& operator=(const ASN1CGeneralizedTime& original)
   {
      ASN1CTime::operator=(original);
      return *this;
   }

   // Year / 100, or the parse failure status.
   int getCentury();
   // 0..99: year := century * 100 + year mod 100; else -31.
   int setCentury(int century);

   int setTime(long time, OSBOOL diffTime) override;
   int parseString(const char* string) override;
   int compileString() override;
};

// UTCTime: YYMMDDHHMM[SS](Z|(+|-)HHMM); two-digit years below 50 are 20YY,
// the others 19YY.
class EXTERNRT ASN1CUTCTime : public ASN1CTime {
public:
   ASN1CUTCTime(char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CUTCTime(const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CUTCTime(ASN1MessageBufferIF& msgBuf, char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CUTCTime(ASN1MessageBufferIF& msgBuf, const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CUTCTime(ASN1Context& ctxt, char*& buf, int bufSize, OSBOOL useDerRules = FALSE);
   ASN1CUTCTime(ASN1Context& ctxt, const char*& buf, OSBOOL useDerRules = FALSE);
   ASN1CUTCTime(const ASN1CUTCTime& original);
   ~ASN1CUTCTime() override;

   ASN1CUTCTime& operator=(const ASN1CUTCTime& original)
   {
      ASN1CTime::operator=(original);
      return *this;
   }

   // UTCTime has no fraction: always 0.
   int getFraction() override;
   // Without a zone difference the value stays UTC: setUTC(false) is then
   // ignored.
   int setUTC(OSBOOL utc) override;
   // 0..49 means 2000..2049, 50..99 means 1950..1999; larger values are
   // taken as full years.
   int setYear(int year) override;
   // Not supported by UTCTime: -99.
   int setFraction(int fraction) override;
   int setTime(long time, OSBOOL diffTime) override;
   int parseString(const char* string) override;
   void clear() override;
   int compileString() override;

private:
   void resetUTCFields();
};

#endif
