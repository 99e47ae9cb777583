// Time classes: parsing, compiling, setters, instants and comparison.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <memory>
#include <string>
#include <time.h>

#include "ASN1CTime.h"

namespace {

// Runs a test in a fixed zone five hours behind UTC, without summer time.
class TimeZoneFixture : public ::testing::Test {
protected:
   void SetUp() override
   {
      const char* old = getenv("TZ");
      mHadTZ = old != nullptr;
      if (mHadTZ) mOldTZ = old;
      setenv("TZ", "EST5", 1);
      tzset();
   }
   void TearDown() override
   {
      if (mHadTZ) setenv("TZ", mOldTZ.c_str(), 1);
      else unsetenv("TZ");
      tzset();
   }
   bool mHadTZ = false;
   std::string mOldTZ;
};

// 2024-01-01T12:00:00Z
const long T_20240101_1200Z = 1704110400L;

struct Fields {
   int year, month, day, hour, minute, second, fraction, dhour, dmin, utc;
};

void expectFields(ASN1CTime& t, const Fields& f)
{
   EXPECT_EQ(f.year, t.getYear());
   EXPECT_EQ(f.month, t.getMonth());
   EXPECT_EQ(f.day, t.getDay());
   EXPECT_EQ(f.hour, t.getHour());
   EXPECT_EQ(f.minute, t.getMinute());
   EXPECT_EQ(f.second, t.getSecond());
   EXPECT_EQ(f.fraction, t.getFraction());
   EXPECT_EQ(f.dhour, t.getDiffHour());
   EXPECT_EQ(f.dmin, t.getDiffMinute());
   EXPECT_EQ(f.utc, t.getUTC());
}

} // namespace

TEST(GeneralizedTime, ParseTable)
{
   struct Case {
      const char* text;
      bool der;
      int status;
      Fields f;
      const char* canonical;   // the text compiled back from the fields
   };
   const Case cases[] = {
      {"20240229120000Z", false, 0, {2024, 2, 29, 12, 0, 0, 0, 0, 0, 1}, "2024022912Z"},
      {"20240229120000Z", true, 0, {2024, 2, 29, 12, 0, 0, 0, 0, 0, 1}, "20240229120000Z"},
      {"20230229120000Z", false, -31, {}, nullptr},            // not a leap year
      {"2024022912", false, 0, {2024, 2, 29, 12, 0, 0, 0, 0, 0, 0}, "2024022912"},
      {"20240101120000.123Z", false, 0, {2024, 1, 1, 12, 0, 0, 1, 0, 0, 1}, "20240101120000.1Z"},
      {"20240101120000.5+0330", false, 0, {2024, 1, 1, 12, 0, 0, 5, 3, 30, 0},
       "20240101120000.5+0330"},
      {"20240101120000-0130", false, 0, {2024, 1, 1, 12, 0, 0, 0, -1, -30, 0},
       "2024010112-0130"},
      {"20240101120000+05", false, 0, {2024, 1, 1, 12, 0, 0, 0, 5, 0, 0}, "2024010112+05"},
      {"20240101123005,5Z", false, 0, {2024, 1, 1, 12, 30, 5, 5, 0, 0, 1}, "20240101123005.5Z"},
      {"20240101123005,5Z", true, -31, {}, nullptr},           // DER: decimal mark is '.'
      {"20240101120000+0100", true, -31, {}, nullptr},         // DER: "Z" required
      {"20240101120000", true, -31, {}, nullptr},
      {"202401011230.5Z", false, -31, {}, nullptr},            // fraction needs seconds
      {"20240101120000.Z", false, -31, {}, nullptr},           // fraction needs a digit
      {"20240101240000Z", false, -31, {}, nullptr},
      {"20240101126000Z", false, -31, {}, nullptr},
      {"20240101120060Z", false, -31, {}, nullptr},
      {"20240101120000Zx", false, -31, {}, nullptr},           // "Z" must be last
      {"20240101120000+1300", false, -31, {}, nullptr},
      {"20240101120000+0160", false, -31, {}, nullptr},
      {"20240101120000+", false, -31, {}, nullptr},
      {"20241301120000Z", false, -31, {}, nullptr},
      {"20240132120000Z", false, -31, {}, nullptr},
      {"20240101", false, -31, {}, nullptr},                   // the hour is required
      {"2024010112000", false, -31, {}, nullptr},              // one digit of seconds
      {"2024", false, 0, {2024, -3, -3, -3, 0, 0, 0, 0, 0, 0}, nullptr},
      {"", false, 0, {-3, -3, -3, -3, 0, 0, 0, 0, 0, 0}, nullptr},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.text) + (c.der ? " (DER)" : ""));
      const char* s = c.text;
      ASN1CGeneralizedTime t(s, c.der);
      if (c.status != 0) {
         EXPECT_EQ(c.status, t.getYear());
         EXPECT_EQ(c.status, t.getCtxtPtr()->errInfo.status);
         EXPECT_EQ(c.text, s);   // a failed parse does not touch the string
         continue;
      }
      expectFields(t, c.f);
      EXPECT_EQ(c.text, s);
      if (c.canonical != nullptr) {
         EXPECT_STREQ(c.canonical, t.getTimeStringPtr());
      }
   }
}

TEST(GeneralizedTime, CompileFromSetters)
{
   struct Case {
      const char* name;
      bool der;
      int minute, second, fraction, diffMinutes;
      const char* expected;
   };
   const Case cases[] = {
      {"no seconds", false, 30, 0, 0, 0, "202401011230"},
      {"seconds", false, 30, 5, 0, 0, "20240101123005"},
      {"fraction", false, 30, 5, 5, 0, "20240101123005.5"},
      {"on the hour", false, 0, 0, 0, 0, "2024010112"},
      {"fraction only", false, 0, 0, 5, 0, "20240101120000.5"},
      {"half-hour zone", false, 0, 0, 0, 30, "2024010112+0030"},
      {"negative zone", false, 0, 0, 0, -90, "2024010112-0130"},
      {"whole-hour zone", false, 0, 0, 0, 180, "2024010112+03"},
      {"DER shifts to UTC", true, 0, 0, 0, 180, "20240101090000Z"},
      {"DER across midnight", true, 30, 0, 0, -720, "20240102003000Z"},
      {"DER west of UTC", true, 0, 0, 0, -300, "20240101170000Z"},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      char buf[40] = "";
      char* s = buf;
      ASN1CGeneralizedTime t(s, (int)sizeof(buf), c.der);
      ASSERT_EQ(0, t.setYear(2024));
      ASSERT_EQ(0, t.setMonth(1));
      ASSERT_EQ(0, t.setDay(1));
      ASSERT_EQ(0, t.setHour(12));
      ASSERT_EQ(0, t.setMinute(c.minute));
      ASSERT_EQ(0, t.setSecond(c.second));
      ASSERT_EQ(0, t.setFraction(c.fraction));
      ASSERT_EQ(0, t.setDiff(c.diffMinutes));
      EXPECT_EQ(buf, s);   // a large caller buffer is written in place
      EXPECT_STREQ(c.expected, buf);
   }
}

TEST(GeneralizedTime, SetterValidation)
{
   const char* s = "20240131120000Z";
   ASN1CGeneralizedTime t(s);
   EXPECT_EQ(-31, t.setMonth(2));     // 31 February
   EXPECT_EQ(-31, t.setMonth(13));
   EXPECT_EQ(-31, t.setDay(32));
   EXPECT_EQ(-31, t.setHour(24));
   EXPECT_EQ(-31, t.setMinute(60));
   EXPECT_EQ(-31, t.setSecond(-1));
   EXPECT_EQ(-31, t.setYear(-1));
   EXPECT_EQ(-31, t.setDiffHour(13));
   EXPECT_EQ(-31, t.setDiff(-13, 0));
   EXPECT_EQ(-31, t.setDiff(1, 60));
   EXPECT_EQ(-31, t.setDiff(721));
   EXPECT_EQ(-31, t.setFraction(10));
   EXPECT_EQ(-31, t.setCentury(100));
   EXPECT_EQ(-31, t.getCtxtPtr()->errInfo.status);
   EXPECT_STREQ("20240131120000Z", s);   // nothing changed

   EXPECT_EQ(0, t.setDiff(-90));
   EXPECT_EQ(-1, t.getDiffHour());
   EXPECT_EQ(-30, t.getDiffMinute());
   EXPECT_EQ(-90, t.getDiff());
   EXPECT_EQ(0, t.setDiff(-2, 15));    // minutes follow the sign of the hours
   EXPECT_EQ(-15, t.getDiffMinute());

   EXPECT_EQ(0, t.setDay(29));
   EXPECT_EQ(0, t.setMonth(2));
   EXPECT_EQ(-31, t.setYear(2023));    // 29 February 2023 does not exist
   EXPECT_EQ(0, t.setCentury(19));
   EXPECT_EQ(1924, t.getYear());
   EXPECT_EQ(19, t.getCentury());
}

TEST(UTCTime, ParseTable)
{
   struct Case {
      const char* text;
      bool der;
      int status;
      Fields f;
      const char* canonical;
   };
   const Case cases[] = {
      {"491231235959Z", false, 0, {2049, 12, 31, 23, 59, 59, 0, 0, 0, 1}, "491231235959Z"},
      {"500101000000Z", false, 0, {1950, 1, 1, 0, 0, 0, 0, 0, 0, 1}, "500101000000Z"},
      {"0001011200Z", false, 0, {2000, 1, 1, 12, 0, 0, 0, 0, 0, 1}, "000101120000Z"},
      {"240101120000+0130", false, 0, {2024, 1, 1, 12, 0, 0, 0, 1, 30, 0},
       "240101120000+0130"},
      {"240101120000-0500", false, 0, {2024, 1, 1, 12, 0, 0, 0, -5, 0, 0},
       "240101120000-0500"},
      {"240101120000+0130", true, -31, {}, nullptr},   // DER: "Z" required
      {"240101120000", false, -31, {}, nullptr},        // no zone
      {"240101120000+01", false, -31, {}, nullptr},     // zone minutes required
      {"240101120000Z0", false, -31, {}, nullptr},
      {"230229120000Z", false, -31, {}, nullptr},
      {"240229120000Z", false, 0, {2024, 2, 29, 12, 0, 0, 0, 0, 0, 1}, "240229120000Z"},
      {"2401011200", false, -31, {}, nullptr},
      {"24010112Z", false, -31, {}, nullptr},           // minutes required
      {"240101240000Z", false, -31, {}, nullptr},
      {"240101120000+1300", false, -31, {}, nullptr},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.text) + (c.der ? " (DER)" : ""));
      const char* s = c.text;
      ASN1CUTCTime t(s, c.der);
      if (c.status != 0) {
         EXPECT_EQ(c.status, t.getYear());
         EXPECT_EQ(c.text, s);
         continue;
      }
      expectFields(t, c.f);
      if (c.canonical != nullptr) {
         EXPECT_STREQ(c.canonical, t.getTimeStringPtr());
      }
   }
}

TEST(UTCTime, YearsSettersAndClear)
{
   char buf[32] = "";
   char* s = buf;
   ASN1CUTCTime t(s, (int)sizeof(buf));
   EXPECT_EQ(0, t.setYear(5));
   EXPECT_EQ(2005, t.getYear());
   EXPECT_EQ(0, t.setYear(75));
   EXPECT_EQ(1975, t.getYear());
   EXPECT_EQ(0, t.setYear(2031));
   EXPECT_EQ(-31, t.setYear(-1));
   EXPECT_EQ(-99, t.setFraction(5));
   EXPECT_EQ(0, t.getFraction());
   EXPECT_EQ(0, t.setMonth(6));
   EXPECT_EQ(0, t.setDay(15));
   EXPECT_EQ(0, t.setHour(8));
   EXPECT_STREQ("", buf);                 // minute not set yet: nothing written
   EXPECT_EQ(0, t.setMinute(5));
   EXPECT_STREQ("310615080500Z", buf);
   EXPECT_EQ(0, t.setUTC(FALSE));         // no zone: stays UTC
   EXPECT_EQ(1, t.getUTC());
   EXPECT_EQ(0, t.setDiff(120));
   EXPECT_EQ(0, t.setUTC(FALSE));
   EXPECT_STREQ("310615080500+0200", buf);
   EXPECT_EQ(0, t.setUTC(TRUE));
   EXPECT_STREQ("310615060500Z", buf);

   t.clear();
   EXPECT_STREQ("", buf);
   EXPECT_EQ(-3, t.getHour());
   EXPECT_EQ(-3, t.getMinute());
   EXPECT_EQ(1, t.getUTC());
}

TEST_F(TimeZoneFixture, GetTimeIsTheTrueInstant)
{
   struct Case {
      const char* text;
      bool utcTime;
      long expected;
   };
   const Case cases[] = {
      {"20240101120000Z", false, T_20240101_1200Z},
      {"20240101130000+0100", false, T_20240101_1200Z},
      {"20240101063000-0530", false, T_20240101_1200Z},
      {"20240101070000", false, T_20240101_1200Z},   // local time, five hours behind
      {"240101120000Z", true, T_20240101_1200Z},
      {"240101140000+0200", true, T_20240101_1200Z},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      const char* s = c.text;
      if (c.utcTime) {
         ASN1CUTCTime t(s);
         EXPECT_EQ(c.expected, t.getTime());
      }
      else {
         ASN1CGeneralizedTime t(s);
         EXPECT_EQ(c.expected, t.getTime());
      }
   }
   const char* bad = "2024010";
   ASN1CGeneralizedTime t(bad);
   EXPECT_EQ(-31, t.getTime());   // no complete date
}

TEST_F(TimeZoneFixture, SetTime)
{
   struct Case {
      const char* name;
      bool utcTime, der, diffTime;
      const char* expected;
   };
   const Case cases[] = {
      {"GT local", false, false, false, "2024010107"},
      {"GT local with zone", false, false, true, "2024010107-05"},
      {"GT DER", false, true, false, "20240101120000Z"},
      {"GT DER with zone", false, true, true, "20240101120000Z"},
      {"UTC form", true, false, false, "240101120000Z"},
      {"UTC local with zone", true, false, true, "240101070000-0500"},
      {"UTC DER with zone", true, true, true, "240101120000Z"},
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      char buf[32] = "";
      char* s = buf;
      if (c.utcTime) {
         ASN1CUTCTime t(s, (int)sizeof(buf), c.der);
         EXPECT_EQ(0, t.setTime(T_20240101_1200Z, c.diffTime));
         EXPECT_STREQ(c.expected, buf);
         EXPECT_EQ(T_20240101_1200Z, t.getTime());
      }
      else {
         ASN1CGeneralizedTime t(s, (int)sizeof(buf), c.der);
         EXPECT_EQ(0, t.setTime(T_20240101_1200Z, c.diffTime));
         EXPECT_STREQ(c.expected, buf);
         EXPECT_EQ(T_20240101_1200Z, t.getTime());
      }
   }
}

TEST(TimeCompare, InstantsAcrossZones)
{
   const char* a = "20240101120000Z";
   const char* b = "20240101130000+0100";
   const char* c = "20240102003000+0100";   // 2024-01-01 23:30 UTC, next local day
   const char* d = "20240101235959Z";
   const char* e = "240101120000Z";
   ASN1CGeneralizedTime ta(a), tb(b), tc(c), td(d);
   ASN1CUTCTime te(e);
   EXPECT_TRUE(ta == tb);
   EXPECT_TRUE(ta == te);
   EXPECT_FALSE(ta != tb);
   EXPECT_TRUE(tc < td);
   EXPECT_TRUE(td > tc);
   EXPECT_TRUE(tc <= td);
   EXPECT_TRUE(ta >= tb);
   EXPECT_LT(ta.equals(td), 0);
   EXPECT_EQ(738885, ta.getDaysNum());   // 2024-01-01, counted from 0001-01-01 as 0
   EXPECT_EQ(43200000, ta.getMillisNum());
   EXPECT_EQ(43200000, tb.getMillisNum());
}

TEST(TimeArithmetic, AddDaysAndMilliseconds)
{
   struct DayCase {
      int days;
      short y, m, d, ey, em, ed;
   };
   const DayCase dayCases[] = {
      {1, 2024, 2, 28, 2024, 2, 29},
      {1, 2023, 2, 28, 2023, 3, 1},
      {1, 2023, 12, 31, 2024, 1, 1},
      {-1, 2024, 3, 1, 2024, 2, 29},
      {-1, 2024, 1, 1, 2023, 12, 31},
      {365, 2000, 1, 1, 2000, 12, 31},
      {146097, 2000, 1, 1, 2400, 1, 1},
      {1, 2000, 12, 30, 2000, 12, 31},   // last day of a 400-year cycle
      {1, 1900, 2, 28, 1900, 3, 1},
      {-738885, 2024, 1, 1, 1, 1, 1},
   };
   for (const DayCase& c : dayCases) {
      SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d << " + " << c.days);
      short y = c.y, m = c.m, d = c.d;
      ASN1CTime::addDays(c.days, y, m, d);
      EXPECT_EQ(c.ey, y);
      EXPECT_EQ(c.em, m);
      EXPECT_EQ(c.ed, d);
   }

   short y = 2024, mo = 1, d = 1, h = 0, mi = 0, s = 0;
   int f = 0;
   ASN1CTime::addMilliseconds(-100, y, mo, d, h, mi, s, f);
   EXPECT_EQ(2023, y);
   EXPECT_EQ(12, mo);
   EXPECT_EQ(31, d);
   EXPECT_EQ(23, h);
   EXPECT_EQ(59, mi);
   EXPECT_EQ(59, s);
   EXPECT_EQ(9, f);
   ASN1CTime::addMilliseconds(100 + 25 * 3600000, y, mo, d, h, mi, s, f);
   EXPECT_EQ(2024, y);
   EXPECT_EQ(1, mo);
   EXPECT_EQ(2, d);
   EXPECT_EQ(1, h);
   EXPECT_EQ(0, f);
}

TEST(TimeCapacity, SmallReadOnlyAndCopiedStrings)
{
   // A buffer below 30 characters is replaced by the object's own buffer.
   char small[8] = "xxxxxxx";
   char* s = small;
   ASN1CGeneralizedTime t(s, (int)sizeof(small), TRUE);
   ASSERT_EQ(0, t.setTime(T_20240101_1200Z, FALSE));
   EXPECT_NE(small, s);
   EXPECT_STREQ("xxxxxxx", small);
   EXPECT_STREQ("20240101120000Z", s);

   // A read-only string is never written.
   const char* ro = "20240101120000Z";
   ASN1CGeneralizedTime r(ro);
   EXPECT_EQ(0, r.setHour(13));
   EXPECT_STREQ("2024010113Z", ro);

   // A 30-character caller buffer is written in place and never past its end.
   struct {
      char buf[30];
      char guard[8];
   } area;
   memset(&area, '#', sizeof(area));
   area.buf[0] = '\0';
   char* p = area.buf;
   ASN1CGeneralizedTime big(p, 30, TRUE);
   EXPECT_EQ(0, big.setYear(9999));
   EXPECT_EQ(0, big.setMonth(12));
   EXPECT_EQ(0, big.setDay(31));
   EXPECT_EQ(0, big.setHour(23));
   EXPECT_EQ(0, big.setFraction(9));
   EXPECT_EQ(0, big.setDiff(-720));   // shifts into year 10000
   EXPECT_EQ(area.buf, p);
   EXPECT_STREQ("100000101110000.9Z", area.buf);
   EXPECT_EQ(0, memcmp(area.guard, "########", 8));

   // Copies own their text.
   ASN1CGeneralizedTime copy(r);
   EXPECT_STREQ("2024010113Z", copy.getTimeStringPtr());
   EXPECT_EQ(0, copy.setHour(14));
   EXPECT_STREQ("2024010114Z", copy.getTimeStringPtr());
   EXPECT_STREQ("2024010113Z", ro);
   r = copy;
   EXPECT_STREQ("2024010114Z", ro);
   EXPECT_TRUE(r == copy);

   char out[12];
   EXPECT_EQ(nullptr, r.getTimeString(out, 11));   // 11 characters need 12
   EXPECT_EQ(out, r.getTimeString(out, 12));
   EXPECT_STREQ("2024010114Z", out);
   EXPECT_EQ(11, r.getTimeStringLen());

   r.clear();
   EXPECT_STREQ("", ro);
   EXPECT_EQ(-3, r.getYear());
}

// Mutated and truncated texts: every parse ends in 0 or -31, never reads past
// the text, and every rewrite fits the object's buffer.
TEST(TimeRobustness, MutatedTexts)
{
   const char* seeds[] = {"20240101120000.5+0330", "240101120000+0130", "20241231235959Z"};
   const char alphabet[] = "0123456789Z+-.,: \x7f";
   unsigned state = 12345;
   auto rnd = [&state]() {
      state = state * 1103515245u + 12345u;
      return (state >> 16) & 0x7FFF;
   };
   for (int iter = 0; iter < 20000; iter++) {
      std::string text = seeds[iter % 3];
      int edits = 1 + (int)(rnd() % 4);
      for (int e = 0; e < edits; e++) {
         size_t pos = rnd() % (text.size() + 1);
         switch (rnd() % 3) {
         case 0:
            if (pos < text.size()) text[pos] = alphabet[rnd() % (sizeof(alphabet) - 1)];
            break;
         case 1:
            text.resize(pos);
            break;
         default:
            text.insert(pos, 1, alphabet[rnd() % (sizeof(alphabet) - 1)]);
            break;
         }
      }
      SCOPED_TRACE(text);
      // A heap copy of exactly the text's size lets the sanitizer see any
      // read past its end.
      std::unique_ptr<char[]> heapText(new char[text.size() + 1]);
      memcpy(heapText.get(), text.c_str(), text.size() + 1);
      const char* s1 = heapText.get();
      const char* s2 = heapText.get();
      ASN1CGeneralizedTime g(s1, (OSBOOL)(iter & 1));
      ASN1CUTCTime u(s2, (OSBOOL)(iter & 1));
      int gs = g.getYear();
      int us = u.getYear();
      EXPECT_TRUE(gs >= -31) << gs;
      EXPECT_TRUE(us >= -31) << us;
      g.setSecond(30);
      u.setSecond(30);
      EXPECT_LT(strlen(g.getTimeStringPtr()), (size_t)ASN1CTIME_INLINE_BUF);
      EXPECT_LT(strlen(u.getTimeStringPtr()), (size_t)ASN1CTIME_INLINE_BUF);
   }
}
