// The date format "yyyy-M-d" and the number format "#,##".
#include "platform/locale.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/exception.h"
#include "support/environment.h"

namespace brimsel::platform {
namespace {

DateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  std::optional<DateTime> value = EncodeDateTime({year, month, day, hour, minute, second});
  EXPECT_TRUE(value.has_value());
  return value.value_or(DateTime{});
}

TEST(TryStrToDate, AcceptsTheShortFormatWithAnOptionalTimeOfDay) {
  const std::pair<const char*, DateTime> rows[] = {
      {"2005-1-1", Date(2005, 1, 1)},          {"2026-12-07", Date(2026, 12, 7)},
      {"2026-12-7", Date(2026, 12, 7)},        {"2024-2-29", Date(2024, 2, 29)},
      {"  2005-1-1 ", Date(2005, 1, 1)},       {"2026-12-7 13:05", Date(2026, 12, 7, 13, 5)},
      {"2026-12-7  0:00", Date(2026, 12, 7)},  {"2026-12-7 13:05:07", Date(2026, 12, 7, 13, 5, 7)},
  };
  for (const auto& [text, expected] : rows) EXPECT_EQ(TryStrToDate(text), expected) << "'" << text << "'";
}

TEST(TryStrToDate, RejectsEverythingElse) {
  for (const char* text :
       {"", "garbage", "2005/1/1", "2005.1.1", "1-1-2005", "2005-13-1", "2005-0-1", "2005-1-0", "2005-2-30",
        "2023-2-29", "2005-4-31", "05-1-1", "20051-1-1", "2005-001-1", "2005-1-1x", "2005-1-",
        "2005--1", "2005-1-1 25:00", "2005-1-1 12:60", "2005-1-1 12:00:60", "2005-1-1 12", "2005-1-1 12:",
        "2005-1-1 12:00:", "2005-1-1T12:00", "2005-1-1 12:00 pm", "13:05:07", "+2005-1-1", "-2005-1-1"})
    EXPECT_FALSE(TryStrToDate(text).has_value()) << "'" << text << "'";
}

TEST(StrToDate, RaisesForANonDate) {
  EXPECT_EQ(StrToDate("2005-1-1"), Date(2005, 1, 1));
  try {
    StrToDate("2005/1/1");
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "'2005/1/1' is not a valid date");
  }
}

TEST(DateToStr, WritesTheShortFormatWithoutTime) {
  EXPECT_EQ(DateToStr(Date(2026, 12, 7, 13, 5)), "2026-12-7");
  EXPECT_EQ(DateToStr(Date(2005, 1, 1)), "2005-1-1");
  EXPECT_EQ(DateToStr(Date(999, 10, 31)), "0999-10-31");
}

TEST(DateTime, RoundTripsAcrossTheCalendarAndComparesByDateThenTime) {
  for (int year : {1, 1600, 1899, 1900, 1969, 1970, 2000, 2024, 2100, 9999})
    for (int month = 1; month <= 12; ++month)
      for (int day : {1, 28}) {
        const DateTime value = Date(year, month, day, 23, 59, 58);
        const CalendarParts parts = DecodeDateTime(value);
        EXPECT_EQ(parts.year, year);
        EXPECT_EQ(parts.month, month);
        EXPECT_EQ(parts.day, day);
        EXPECT_EQ(parts.hour * 3600 + parts.minute * 60 + parts.second, 23 * 3600 + 59 * 60 + 58);
        EXPECT_EQ(TryStrToDate(DateToStr(value)), Date(year, month, day));
      }
  EXPECT_EQ(Date(1970, 1, 1).days, 0);
  EXPECT_EQ(Date(2005, 1, 1).days, 12784);

  EXPECT_LT(Date(2005, 1, 1, 23, 59, 59), Date(2005, 1, 2));
  EXPECT_LT(Date(2005, 1, 2), Date(2005, 1, 2, 0, 0, 1));
  EXPECT_LT(Date(2004, 12, 31), Date(2005, 1, 1));
}

TEST(Today, IsTheLocalDateAtMidnight) {
  const std::time_t now = std::time(nullptr);
  const std::tm local = test::LocalTime(now);
  const DateTime today = Today();
  EXPECT_EQ(today.seconds, 0);
  const CalendarParts parts = DecodeDateTime(today);
  // Around midnight the clock may have moved on between the two readings.
  if (parts.day == local.tm_mday) {
    EXPECT_EQ(parts.year, local.tm_year + 1900);
    EXPECT_EQ(parts.month, local.tm_mon + 1);
  }
  EXPECT_LE(today, Now());
  EXPECT_LE(Now().days - today.days, 1);
}

TEST(FormatThousands, GroupsByThrees) {
  const std::pair<std::int64_t, const char*> rows[] = {
      {0, ""},           {7, "7"},
      {999, "999"},      {1000, "1,000"},
      {4096, "4,096"},   {100000, "100,000"},
      {-5, "-5"},        {1234567, "1,234,567"},
      {-1234567, "-1,234,567"},
      {INT64_MAX, "9,223,372,036,854,775,807"},
      {INT64_MIN, "-9,223,372,036,854,775,808"},
  };
  for (const auto& [value, text] : rows) EXPECT_EQ(FormatThousands(value), text) << value;
}

}  // namespace
}  // namespace brimsel::platform
