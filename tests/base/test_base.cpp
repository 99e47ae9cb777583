// The base classes: CBlob's hexadecimal text, CDateTime's GeneralizedTime
// reader and writer, its arithmetic and comparisons.
#include <gtest/gtest.h>

#include <limits.h>

#include <string>
#include <vector>

#include "AtlCompat.h"
#include "CorvaneBase.h"

using Corvane::CBlob;
using Corvane::CDateTime;
using Corvane::CDateTimeSpan;

namespace {

const int E_INVALIDARG_HR = (int)0x80070057;

template <typename F>
void expectInvalidArg(F f)
{
   try {
      f();
      ADD_FAILURE() << "no exception";
   }
   catch (const ATL::CAtlException& e) {
      EXPECT_EQ(e.m_hr, E_INVALIDARG_HR);
   }
}

std::vector<unsigned char> bytesOf(const CBlob& b)
{
   return std::vector<unsigned char>(b.pbData(), b.pbData() + b.cbData());
}

// ---- CBlob

TEST(Blob, WritesUpperCaseHex)
{
   const unsigned char data[] = { 0x00, 0x0A, 0xFF, 0x5C };
   const CBlob b(data, 4);
   EXPECT_EQ(b.writeToHexString(0).str(), "000AFF5C");
   EXPECT_EQ(b.writeToHexString(2).str(), "000A");
   EXPECT_EQ(b.writeToHexString(9).str(), "000AFF5C");
   EXPECT_EQ(CBlob().writeToHexString(0).str(), "");
}

TEST(Blob, ReadsHex)
{
   const struct {
      const char* text;
      std::vector<unsigned char> bytes;
   } cases[] = {
      { "000aFF5c", { 0x00, 0x0A, 0xFF, 0x5C } },
      { "abc", { 0x0A, 0xBC } },  // odd count: a leading "0"
      { "F", { 0x0F } },
      { "", {} },
      { nullptr, {} },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.text ? c.text : "(null)");
      CBlob b(3);
      b.readFromHexString(c.text);
      EXPECT_EQ(bytesOf(b), c.bytes);
      EXPECT_EQ(b.empty(), c.bytes.empty());
   }
}

TEST(Blob, BadHexThrowsAndKeepsTheContents)
{
   const unsigned char data[] = { 0x12, 0x34 };
   for (const char* text : { "12G4", "12 4", "0x12", "-1", "12\xC3\xA9" }) {
      SCOPED_TRACE(text);
      CBlob b(data, 2);
      expectInvalidArg([&] { b.readFromHexString(text); });
      EXPECT_EQ(bytesOf(b), std::vector<unsigned char>({ 0x12, 0x34 }));
   }
}

TEST(Blob, AssignCopiesEvenFromItself)
{
   const unsigned char data[] = { 1, 2, 3, 4 };
   CBlob b(data, 4);
   b.assign(b.pbData() + 1, 2);
   EXPECT_EQ(bytesOf(b), std::vector<unsigned char>({ 2, 3 }));
   b.assign(nullptr, 0);
   EXPECT_TRUE(b.empty());
   EXPECT_EQ(b.pbData(), nullptr);
   expectInvalidArg([&] { b.assign(nullptr, 1); });
}

TEST(Blob, OrdersBytewise)
{
   const unsigned char a[] = { 1, 2 }, b[] = { 1, 2, 0 }, c[] = { 2 };
   EXPECT_LT(CBlob(a, 2), CBlob(b, 3));  // a prefix first
   EXPECT_LT(CBlob(b, 3), CBlob(c, 1));
   EXPECT_EQ(CBlob(a, 2), CBlob(a, 2));
   EXPECT_NE(CBlob(a, 2), CBlob(b, 3));
}

// ---- CDateTime

struct Fields {
   unsigned year, month, day, hour, minute, second, ms;
};

void expectFields(const CDateTime& t, const Fields& f)
{
   EXPECT_EQ(t.year(), f.year);
   EXPECT_EQ(t.month(), f.month);
   EXPECT_EQ(t.day(), f.day);
   EXPECT_EQ(t.hour(), f.hour);
   EXPECT_EQ(t.minute(), f.minute);
   EXPECT_EQ(t.second(), f.second);
   EXPECT_EQ(t.millisecond(), f.ms);
}

TEST(DateTime, ReadsGeneralizedTime)
{
   const struct {
      const char* text;
      Fields f;
   } cases[] = {
      { "2023071512Z", { 2023, 7, 15, 12, 0, 0, 0 } },
      { "202307151230Z", { 2023, 7, 15, 12, 30, 0, 0 } },
      { "20230715123045Z", { 2023, 7, 15, 12, 30, 45, 0 } },
      { "20230715123045", { 2023, 7, 15, 12, 30, 45, 0 } },  // local, as given
      { "2023071512", { 2023, 7, 15, 12, 0, 0, 0 } },
      { "20230715123045.123Z", { 2023, 7, 15, 12, 30, 45, 123 } },
      { "20230715123045,5Z", { 2023, 7, 15, 12, 30, 45, 500 } },
      // Digits beyond the milliseconds are cut, never rounded.
      { "20230715123045.9999Z", { 2023, 7, 15, 12, 30, 45, 999 } },
      { "20230715123045.12399999999999999999999999999999", { 2023, 7, 15, 12, 30, 45, 123 } },
      // Fractions of the hour and of the minute.
      { "2023071512.5Z", { 2023, 7, 15, 12, 30, 0, 0 } },
      { "2023071512.0001Z", { 2023, 7, 15, 12, 0, 0, 360 } },
      { "2023071512,999999999Z", { 2023, 7, 15, 12, 59, 59, 999 } },
      { "202307151230.25Z", { 2023, 7, 15, 12, 30, 15, 0 } },
      { "202307151230.0166666", { 2023, 7, 15, 12, 30, 0, 999 } },
      // 1 ms is 0.000000277... hours: just below it and just above it.
      { "2023071512.000000277777777777777777777777Z", { 2023, 7, 15, 12, 0, 0, 0 } },
      { "2023071512.000000277777777777777777777778Z", { 2023, 7, 15, 12, 0, 0, 1 } },
      // Offsets, subtracted, across a year, a leap day and a month end.
      { "20231231230000-0130", { 2024, 1, 1, 0, 30, 0, 0 } },
      { "20240101003000+0100", { 2023, 12, 31, 23, 30, 0, 0 } },
      { "2024010100+01", { 2023, 12, 31, 23, 0, 0, 0 } },
      { "20240301003000+01", { 2024, 2, 29, 23, 30, 0, 0 } },
      { "20230301003000+01", { 2023, 2, 28, 23, 30, 0, 0 } },
      { "20230715123045.5+0530", { 2023, 7, 15, 7, 0, 45, 500 } },
      { "20230715123045-0000", { 2023, 7, 15, 12, 30, 45, 0 } },
      { "20230715123045+2359", { 2023, 7, 14, 12, 31, 45, 0 } },
      // A leap second reads as 59.
      { "20161231235960Z", { 2016, 12, 31, 23, 59, 59, 0 } },
      { "20161231235960.5Z", { 2016, 12, 31, 23, 59, 59, 500 } },
      // The ends of the range.
      { "00010101000000Z", { 1, 1, 1, 0, 0, 0, 0 } },
      { "99991231235959.999Z", { 9999, 12, 31, 23, 59, 59, 999 } },
      { "00010101010000+01", { 1, 1, 1, 0, 0, 0, 0 } },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      try {
         expectFields(CDateTime(c.text), c.f);
      }
      catch (const ATL::CAtlException& e) {
         ADD_FAILURE() << "refused: " << std::hex << e.m_hr;
      }
   }
}

TEST(DateTime, RefusesMalformedTexts)
{
   const char* const cases[] = {
      nullptr, "", "2023", "202307151", "20230715123", "2023071512304", "202307151230456Z",
      // Zone and offset.
      "20230715123045z", "20230715123045ZZ", "20230715123045Z ", "20230715123045+1",
      "20230715123045+123", "20230715123045+12345", "20230715123045+2400", "20230715123045+0160",
      "20230715123045Z+01", "20230715123045+",
      // Fractions.
      "20230715123045.", "20230715123045.Z", "20230715123045,+01", "20230715123045.5.5",
      "2023071512.5 ", ".5",
      // Ranges.
      "00000101000000Z", "20230015000000Z", "20231315000000Z", "20230700000000Z",
      "20230732000000Z", "20230229000000Z", "19000229000000Z", "20230431000000Z",
      "2023071524Z", "202307151260Z", "20230715123061Z",
      // Not digits.
      "2023O715123045Z", "2023-07-15T12:30:45Z", " 20230715123045Z", "+20230715123045Z",
      "2023071512304\xD9\xA5Z",
      // Carried out of the range by the offset.
      "00010101000000+0001", "99991231235959-0001",
   };
   for (const char* text : cases) {
      SCOPED_TRACE(text ? text : "(null)");
      expectInvalidArg([&] { CDateTime t(text); });
   }
}

TEST(DateTime, WritesGeneralizedTimeAndReadsItBack)
{
   const struct {
      Fields f;
      const char* text;
   } cases[] = {
      { { 2023, 7, 15, 12, 30, 45, 0 }, "20230715123045Z" },
      { { 2023, 7, 15, 12, 30, 45, 500 }, "20230715123045.5Z" },
      { { 2023, 7, 15, 12, 30, 45, 250 }, "20230715123045.25Z" },
      { { 2023, 7, 15, 12, 30, 45, 125 }, "20230715123045.125Z" },
      { { 2023, 7, 15, 12, 30, 45, 10 }, "20230715123045.01Z" },
      { { 2023, 7, 15, 12, 30, 45, 1 }, "20230715123045.001Z" },
      { { 1, 1, 1, 0, 0, 0, 0 }, "00010101000000Z" },
      { { 9999, 12, 31, 23, 59, 59, 999 }, "99991231235959.999Z" },
   };
   for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      const CDateTime t(c.f.year, c.f.month, c.f.day, c.f.hour, c.f.minute, c.f.second, c.f.ms);
      const std::string text = t.getGeneralizedTime().str();
      EXPECT_EQ(text, c.text);
      const CDateTime back(text.c_str());
      EXPECT_EQ(back, t);
      expectFields(back, c.f);
   }
}

TEST(DateTime, Components)
{
   // Accepted, leap days and the leap second included; microseconds dropped.
   expectFields(CDateTime(2024, 2, 29, 0, 0, 0), { 2024, 2, 29, 0, 0, 0, 0 });
   expectFields(CDateTime(2000, 2, 29, 23, 59, 59, 999), { 2000, 2, 29, 23, 59, 59, 999 });
   expectFields(CDateTime(2016, 12, 31, 23, 59, 60), { 2016, 12, 31, 23, 59, 59, 0 });
   expectFields(CDateTime(2023, 1, 2, 3, 4, 5, 6, 999), { 2023, 1, 2, 3, 4, 5, 6 });

   const Fields refused[] = {
      { 0, 1, 1, 0, 0, 0, 0 },     { 10000, 1, 1, 0, 0, 0, 0 }, { 2023, 0, 1, 0, 0, 0, 0 },
      { 2023, 13, 1, 0, 0, 0, 0 }, { 2023, 1, 0, 0, 0, 0, 0 },  { 2023, 1, 32, 0, 0, 0, 0 },
      { 2023, 2, 29, 0, 0, 0, 0 }, { 2100, 2, 29, 0, 0, 0, 0 }, { 2023, 4, 31, 0, 0, 0, 0 },
      { 2023, 1, 1, 24, 0, 0, 0 }, { 2023, 1, 1, 0, 60, 0, 0 }, { 2023, 1, 1, 0, 0, 61, 0 },
      { 2023, 1, 1, 0, 0, 0, 1000 },
   };
   for (const auto& f : refused) {
      SCOPED_TRACE(testing::Message() << f.year << "-" << f.month << "-" << f.day << " " << f.hour
                                      << ":" << f.minute << ":" << f.second << "." << f.ms);
      expectInvalidArg(
         [&] { CDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second, f.ms); });
   }
   expectInvalidArg([] { CDateTime(2023, 1, 1, 0, 0, 0, 0, 1000); });
}

TEST(DateTime, Seconds)
{
   expectFields(CDateTime(), { 1970, 1, 1, 0, 0, 0, 0 });
   EXPECT_EQ(CDateTime(0, 0), CDateTime());
   expectFields(CDateTime(1700000000LL, 7), { 2023, 11, 14, 22, 13, 20, 7 });
   expectFields(CDateTime(-1, 500), { 1969, 12, 31, 23, 59, 59, 500 });
   EXPECT_EQ(CDateTime(-1, 500).toSeconds(), -1);

   // The ends of the range, from their well-known Unix times.
   const long long first = -62135596800LL, last = 253402300799LL;
   EXPECT_EQ(CDateTime(1, 1, 1, 0, 0, 0).toSeconds(), first);
   EXPECT_EQ(CDateTime(9999, 12, 31, 23, 59, 59).toSeconds(), last);
   expectFields(CDateTime(first, 0), { 1, 1, 1, 0, 0, 0, 0 });
   expectFields(CDateTime(last, 999), { 9999, 12, 31, 23, 59, 59, 999 });
   expectInvalidArg([&] { CDateTime(first - 1, 999); });
   expectInvalidArg([&] { CDateTime(last + 1, 0); });
   expectInvalidArg([] { CDateTime(0, 1000); });
   expectInvalidArg([] { CDateTime(LLONG_MAX, 0); });
   expectInvalidArg([] { CDateTime(LLONG_MIN, 0); });
}

TEST(DateTime, OneSecondAcrossBoundaries)
{
   const struct {
      Fields before, after;
   } cases[] = {
      { { 2023, 7, 15, 23, 59, 59, 0 }, { 2023, 7, 16, 0, 0, 0, 0 } },
      { { 2023, 12, 31, 23, 59, 59, 500 }, { 2024, 1, 1, 0, 0, 0, 500 } },
      { { 2024, 2, 28, 23, 59, 59, 0 }, { 2024, 2, 29, 0, 0, 0, 0 } },
      { { 2024, 2, 29, 23, 59, 59, 0 }, { 2024, 3, 1, 0, 0, 0, 0 } },
      { { 2023, 2, 28, 23, 59, 59, 0 }, { 2023, 3, 1, 0, 0, 0, 0 } },
      { { 2100, 2, 28, 23, 59, 59, 0 }, { 2100, 3, 1, 0, 0, 0, 0 } },
      { { 2000, 2, 28, 23, 59, 59, 0 }, { 2000, 2, 29, 0, 0, 0, 0 } },
      { { 1969, 12, 31, 23, 59, 59, 999 }, { 1970, 1, 1, 0, 0, 0, 999 } },
   };
   for (const auto& c : cases) {
      const Fields& b = c.before;
      SCOPED_TRACE(testing::Message() << b.year << "-" << b.month << "-" << b.day);
      const CDateTime before(b.year, b.month, b.day, b.hour, b.minute, b.second, b.ms);
      CDateTime t = before;
      t += CDateTimeSpan::OneSecond();
      expectFields(t, c.after);
      expectFields(before + CDateTimeSpan::OneSecond(), c.after);
      EXPECT_EQ(t - before, CDateTimeSpan::OneSecond());
      EXPECT_EQ(before - t, CDateTimeSpan(-1000));
      t -= CDateTimeSpan::OneSecond();
      EXPECT_EQ(t, before);
   }
}

TEST(DateTime, ArithmeticOutOfRangeThrowsAndKeepsTheValue)
{
   const CDateTime last(9999, 12, 31, 23, 59, 59, 999), first(1, 1, 1, 0, 0, 0);
   CDateTime t = last;
   expectInvalidArg([&] { t += CDateTimeSpan(1); });
   expectInvalidArg([&] { t += CDateTimeSpan(LLONG_MAX); });
   expectInvalidArg([&] { t -= CDateTimeSpan(LLONG_MIN); });
   EXPECT_EQ(t, last);
   t = first;
   expectInvalidArg([&] { t -= CDateTimeSpan::OneSecond(); });
   expectInvalidArg([&] { t += CDateTimeSpan(LLONG_MIN); });
   expectInvalidArg([&] { t -= CDateTimeSpan(LLONG_MAX); });
   EXPECT_EQ(t, first);
   // The whole range in one step, both ways.
   const CDateTimeSpan whole = last - first;
   EXPECT_EQ(whole.totalMilliseconds(), (253402300799LL + 62135596800LL) * 1000 + 999);
   EXPECT_EQ(first + whole, last);
   t = last;
   t -= whole;
   EXPECT_EQ(t, first);
}

TEST(DateTimeSpan, FromComponents)
{
   EXPECT_EQ(CDateTimeSpan(1, 2, 3, 4, 5).totalMilliseconds(), 93784005LL);
   EXPECT_EQ(CDateTimeSpan(0, -1, 0, 0).totalMilliseconds(), -3600000LL);
   EXPECT_EQ(CDateTimeSpan(-1, 23, 59, 59, 1000).totalMilliseconds(), 0LL);
   EXPECT_EQ(CDateTimeSpan(0, 0, 0, 1), CDateTimeSpan::OneSecond());
   expectInvalidArg([] { CDateTimeSpan(LLONG_MAX / 1000, 0, 0, 0); });
   expectInvalidArg([] { CDateTimeSpan(LLONG_MAX / 86400000, 23, 59, 59, 999); });
}

TEST(DateTime, Comparisons)
{
   // Each later than the one before; a later one may have smaller later fields.
   const CDateTime values[] = {
      CDateTime(1969, 12, 31, 23, 59, 59, 999), CDateTime(1970, 1, 1, 0, 0, 0, 0),
      CDateTime(1970, 1, 1, 0, 0, 0, 1),        CDateTime(2023, 12, 31, 23, 59, 59, 0),
      CDateTime(2024, 1, 1, 0, 0, 0, 0),        CDateTime(2024, 1, 1, 0, 0, 1, 0),
   };
   const size_t n = sizeof values / sizeof values[0];
   for (size_t i = 0; i < n; ++i) {
      for (size_t j = 0; j < n; ++j) {
         SCOPED_TRACE(testing::Message() << i << " vs " << j);
         const CDateTime &a = values[i], &b = values[j];
         EXPECT_EQ(a == b, i == j);
         EXPECT_EQ(a != b, i != j);
         EXPECT_EQ(a < b, i < j);
         EXPECT_EQ(a > b, i > j);
         EXPECT_EQ(a <= b, i <= j);
         EXPECT_EQ(a >= b, i >= j);
      }
   }
   // The same instant read from different offsets.
   EXPECT_EQ(CDateTime("20240101003000+0100"), CDateTime("20231231233000Z"));
}

}
