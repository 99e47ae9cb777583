// GeneralizedTime and UTCTime texts, calendar tables.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "asn1type.h"
#include "rtMemHeap.h"

namespace {

struct Ctxt {
   ASN1CTXT c;
   Ctxt() { EXPECT_EQ(rtInitContext(&c, nullptr), 0); }
   ~Ctxt() { rtFreeContext(&c); }
};

struct Expect {
   int y, mo, d, h, mi, s, tzh, tzm;
   const char* fraction;
   int utc;
};

void checkTime(const ASN1DateTime& t, const Expect& e)
{
   EXPECT_EQ(t.year, e.y);
   EXPECT_EQ(t.month, e.mo);
   EXPECT_EQ(t.day, e.d);
   EXPECT_EQ(t.hour, e.h);
   EXPECT_EQ(t.minute, e.mi);
   EXPECT_EQ(t.second, e.s);
   EXPECT_EQ(t.tzHour, e.tzh);
   EXPECT_EQ(t.tzMinute, e.tzm);
   EXPECT_STREQ(t.fraction, e.fraction);
   EXPECT_EQ(t.utc, e.utc);
}

TEST(Time, ParseGeneralizedTimeAccepts)
{
   struct Case { const char* text; Expect e; };
   const Case cases[] = {
      { "20240229235959Z", { 2024, 2, 29, 23, 59, 59, 0, 0, "", 1 } },
      { "20000229120000Z", { 2000, 2, 29, 12, 0, 0, 0, 0, "", 1 } },    // divisible by 400
      { "2024010112", { 2024, 1, 1, 12, 0, 0, 0, 0, "", 0 } },          // hour only, local
      { "202401011230", { 2024, 1, 1, 12, 30, 0, 0, 0, "", 0 } },
      { "20240101120000.5+0330", { 2024, 1, 1, 12, 0, 0, 3, 30, "5", 0 } },
      { "20240101120000,25Z", { 2024, 1, 1, 12, 0, 0, 0, 0, "25", 1 } },
      { "20240101120000.05Z", { 2024, 1, 1, 12, 0, 0, 0, 0, "05", 1 } },   // digits as written
      { "20240101120000.000Z", { 2024, 1, 1, 12, 0, 0, 0, 0, "000", 1 } },
      { "20240101120000.12345678901234567890Z",
        { 2024, 1, 1, 12, 0, 0, 0, 0, "12345678901234567890", 1 } },
      { "20240101120000-0530", { 2024, 1, 1, 12, 0, 0, -5, -30, "", 0 } },
      { "20240101120000-05", { 2024, 1, 1, 12, 0, 0, -5, 0, "", 0 } },
      { "20240101120000+1200", { 2024, 1, 1, 12, 0, 0, 12, 0, "", 0 } },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      ASN1DateTime t;
      memset(&t, 0x5A, sizeof t);
      ASSERT_EQ(rtParseGeneralizedTime(&ctxt.c, c.text, &t), 0);
      checkTime(t, c.e);
   }
}

TEST(Time, ParseGeneralizedTimeRejects)
{
   const char* const cases[] = {
      "20230229120000Z",    // not a leap year
      "19000229120000Z",    // divisible by 100, not by 400
      "20241301120000Z",    // month 13
      "20240001120000Z",    // month 0
      "20240100120000Z",    // day 0
      "20240431120000Z",    // April has 30 days
      "2024010124Z",        // hour 24
      "202401011260Z",      // minute 60
      "20240101120060Z",    // second 60
      "202401011230.5Z",    // fraction without seconds
      "20240101120000.Z",   // fraction without digits
      "20240101120000.123456789012345678901Z",   // more digits than kept
      "20240101120000Zx",   // Z must end the text
      "20240101120000+1300",
      "20240101120000+0560",
      "20240101120000+",
      "20240101120000+05x",
      "20240101120000+0530x",
      "2024010",            // date cut short
      "20240101",           // hour missing
      "2024 1011200Z",      // blanks are not digits
      "-202010112Z",
      "",
   };
   for (const char* text : cases) {
      SCOPED_TRACE(text);
      Ctxt ctxt;
      ASN1DateTime t;
      EXPECT_EQ(rtParseGeneralizedTime(&ctxt.c, text, &t), ASN1ERR_INVALID_FORMAT);
      EXPECT_EQ(ctxt.c.errInfo.status, ASN1ERR_INVALID_FORMAT);
   }
}

TEST(Time, ParseUTCTime)
{
   struct Case { const char* text; int result; Expect e; };
   const Case cases[] = {
      { "491231235959Z", 0, { 2049, 12, 31, 23, 59, 59, 0, 0, "", 1 } },
      { "500101000000Z", 0, { 1950, 1, 1, 0, 0, 0, 0, 0, "", 1 } },
      { "5001010000Z", 0, { 1950, 1, 1, 0, 0, 0, 0, 0, "", 1 } },
      { "000229120000+0100", 0, { 2000, 2, 29, 12, 0, 0, 1, 0, "", 0 } },
      { "9912311200-0815", 0, { 1999, 12, 31, 12, 0, 0, -8, -15, "", 0 } },
      { "500101000000", ASN1ERR_INVALID_FORMAT, {} },        // zone required
      { "010229120000Z", ASN1ERR_INVALID_FORMAT, {} },       // 2001 is not leap
      { "5001010000+01", ASN1ERR_INVALID_FORMAT, {} },       // four zone digits
      { "500101000000.5Z", ASN1ERR_INVALID_FORMAT, {} },
      { "50010124000Z", ASN1ERR_INVALID_FORMAT, {} },
      { "500101Z", ASN1ERR_INVALID_FORMAT, {} },
      { "500101000000Z ", ASN1ERR_INVALID_FORMAT, {} },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      ASN1DateTime t;
      ASSERT_EQ(rtParseUTCTime(&ctxt.c, c.text, &t), c.result);
      if (c.result == 0) checkTime(t, c.e);
   }
}

ASN1DateTime makeTime(int y, int mo, int d, int h, int mi, int s, int tzh, int tzm,
                      const char* fraction, int utc)
{
   ASN1DateTime t;
   memset(&t, 0, sizeof t);
   t.year = (OSUINT16)y; t.month = (OSUINT16)mo; t.day = (OSUINT16)d;
   t.hour = (OSUINT16)h; t.minute = (OSUINT16)mi; t.second = (OSUINT16)s;
   t.tzHour = (OSINT16)tzh; t.tzMinute = (OSINT16)tzm;
   strcpy(t.fraction, fraction);
   t.utc = (OSUINT8)utc;
   return t;
}

TEST(Time, MakeGeneralizedTime)
{
   struct Case { ASN1DateTime t; int result; const char* text; };
   const Case cases[] = {
      { makeTime(2024, 1, 2, 3, 4, 5, -5, -30, "", 0), 0, "20240102030405-0530" },
      { makeTime(2024, 1, 2, 3, 4, 5, 0, -30, "", 0), 0, "20240102030405-0030" },
      { makeTime(2024, 1, 2, 3, 4, 5, 1, 0, "", 0), 0, "20240102030405+0100" },
      { makeTime(2024, 1, 2, 3, 4, 5, 0, 0, "", 0), 0, "20240102030405" },
      { makeTime(2024, 1, 2, 3, 4, 5, 3, 0, "05", 1), 0, "20240102030405.05Z" },
      { makeTime(999, 12, 31, 23, 59, 59, 0, 0, "", 1), 0, "09991231235959Z" },
      { makeTime(2024, 2, 30, 0, 0, 0, 0, 0, "", 1), ASN1ERR_INVALID_FORMAT, "" },
      { makeTime(10000, 1, 1, 0, 0, 0, 0, 0, "", 1), ASN1ERR_INVALID_FORMAT, "" },
      { makeTime(2024, 1, 1, 24, 0, 0, 0, 0, "", 1), ASN1ERR_INVALID_FORMAT, "" },
      { makeTime(2024, 1, 1, 0, 0, 0, 13, 0, "", 0), ASN1ERR_INVALID_FORMAT, "" },
      { makeTime(2024, 1, 1, 0, 0, 0, 0, -60, "", 0), ASN1ERR_INVALID_FORMAT, "" },
      { makeTime(2024, 1, 1, 0, 0, 0, 0, 0, "5x", 1), ASN1ERR_INVALID_FORMAT, "" },
   };
   for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Ctxt ctxt;
      char* heapText = nullptr;
      ASSERT_EQ(rtMakeGeneralizedTime(&ctxt.c, &c.t, &heapText, 0), c.result);
      if (c.result != 0) continue;
      EXPECT_STREQ(heapText, c.text);
      EXPECT_EQ(rtMemHeapCheckPtr(&ctxt.c.memHeap, heapText), 1);
      // Caller buffer: exactly the text and its NUL, then one octet less.
      std::string exact(strlen(c.text) + 1, '#');
      char* p = &exact[0];
      ASSERT_EQ(rtMakeGeneralizedTime(&ctxt.c, &c.t, &p, (OSUINT32)exact.size()), 0);
      EXPECT_STREQ(p, c.text);
      EXPECT_EQ(rtMakeGeneralizedTime(&ctxt.c, &c.t, &p, (OSUINT32)exact.size() - 1),
                ASN1ERR_STRING_OVERFLOW);
   }
}

TEST(Time, ParseAndMakeRoundTrip)
{
   const char* const texts[] = {
      "20240101120000.05Z", "19991231235959-1159", "20240229000000+0001", "20240101120000.000Z",
   };
   for (const char* text : texts) {
      SCOPED_TRACE(text);
      Ctxt ctxt;
      ASN1DateTime t;
      ASSERT_EQ(rtParseGeneralizedTime(&ctxt.c, text, &t), 0);
      char buf[64];
      char* p = buf;
      ASSERT_EQ(rtMakeGeneralizedTime(&ctxt.c, &t, &p, sizeof buf), 0);
      EXPECT_STREQ(buf, text);
   }
}

TEST(Time, DaysInMonthAndLeapYears)
{
   const int days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
   for (int m = 0; m < 12; m++) EXPECT_EQ(OS_daysInMonth[m], days[m]);
   EXPECT_EQ(rtIsLeapYear(2024), 1);
   EXPECT_EQ(rtIsLeapYear(2000), 1);
   EXPECT_EQ(rtIsLeapYear(1900), 0);
   EXPECT_EQ(rtIsLeapYear(2023), 0);
}

}  // namespace
