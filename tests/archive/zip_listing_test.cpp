// The listing line byte for byte, and the DOS date-time rules behind its date.
#include <gtest/gtest.h>

#include "archive/dos_datetime.h"
#include "archive/zip_listing.h"
#include "platform/locale.h"
#include "archive/directory_test_support.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {

TZipEntryInfo Entry(std::string fileName, std::string directory, std::uint32_t dosDateTime) {
  TZipEntryInfo e;
  e.FileName = std::move(fileName);
  e.Directory = std::move(directory);
  e.DateTime = dosDateTime;
  return e;
}

TEST(ZipListingTest, LineIsFormattedByteForByte) {
  TZipEntryInfo e = Entry("Update.EXE", "Bin\\", DosDateTime(2007, 3, 9, 0, 7, 0));
  e.UncompressedSize = 40064;
  e.CompressedSize = 12147;
  e.CompressionMethod = 8;
  const std::string d(1, platform::DateSeparator());
  const std::string t(1, platform::TimeSeparator());
  EXPECT_EQ("update.exe\t03" + d + "09" + d + "07\t12" + t + "07am\t   40064\t   12147\t 30%\tdef\tbin\\",
            ListingLine(e));
}

TEST(ZipListingTest, TwelveHourClock) {
  const auto timeOf = [](int hour, int minute) {
    return Fields(ListingLine(Entry("a", "", DosDateTime(2000, 1, 1, hour, minute))))[2];
  };
  const char t = platform::TimeSeparator();
  EXPECT_EQ(std::string("12") + t + "00am", timeOf(0, 0));
  EXPECT_EQ(std::string("11") + t + "59am", timeOf(11, 59));
  EXPECT_EQ(std::string("12") + t + "30pm", timeOf(12, 30));
  EXPECT_EQ(std::string("01") + t + "05pm", timeOf(13, 5));
  EXPECT_EQ(std::string("11") + t + "59pm", timeOf(23, 59));
}

TEST(ZipListingTest, RatioAndMethodNames) {
  EXPECT_EQ(0, CompressionRatio(5, 0));
  EXPECT_EQ(100, CompressionRatio(12, 10));
  EXPECT_EQ(13, CompressionRatio(1, 8));  // 12.5 rounds up
  EXPECT_EQ(33, CompressionRatio(1, 3));
  EXPECT_EQ(67, CompressionRatio(2, 3));
  const char* names[] = {"STOR", "SHR", "RED1", "RED2", "RED3", "RED4", "IMP", "TOK", "DEF"};
  for (std::uint16_t m = 0; m <= 8; ++m) EXPECT_EQ(names[m], MethodName(m));
  EXPECT_EQ("12", MethodName(12));
}

TEST(ZipListingTest, DateNotInTheCalendarListsToday) {
  // 31 February survives the clamping but is no date.
  const auto fields = Fields(ListingLine(Entry("a", "", DosDateTime(2001, 2, 31, 10, 0))));
  const platform::CalendarParts now = platform::DecodeDateTime(platform::Now());
  char expected[16];
  std::snprintf(expected, sizeof expected, "%02d%c%02d%c%02d", now.month, platform::DateSeparator(), now.day,
                platform::DateSeparator(), now.year % 100);
  EXPECT_EQ(expected, fields[1]);
}

TEST(DosDateTimeTest, ValidValuesAreKeptBitForBit) {
  const std::uint32_t value = DosDateTime(2019, 12, 31, 23, 59, 58);
  EXPECT_EQ(value, ValidateDosDateTime(value));
  // Day 31 in a 30-day month is in range of the clamp and kept as it is.
  EXPECT_EQ(DosDateTime(2019, 4, 31), ValidateDosDateTime(DosDateTime(2019, 4, 31)));
}

TEST(DosDateTimeTest, OutOfRangePartsAreClampedAndPackedAgain) {
  EXPECT_EQ(DosDateTime(2000, 1, 1), ValidateDosDateTime(DosDateTime(2000, 0, 0)));
  EXPECT_EQ(DosDateTime(2000, 12, 5), ValidateDosDateTime(DosDateTime(2000, 13, 5)));
  EXPECT_EQ(DosDateTime(2000, 1, 1, 23, 59, 58), ValidateDosDateTime(DosDateTime(2000, 1, 1, 31, 63, 0) | 0x1F));
  EXPECT_EQ(DosDateTime(2099, 6, 1), ValidateDosDateTime(DosDateTime(2107, 6, 1)));
  // Seconds 60 and 62 become 59, stored halved as 29.
  EXPECT_EQ(29u, ValidateDosDateTime(DosDateTime(2000, 1, 1, 0, 0, 0) | 30) & 0x1F);
}

TEST(DosDateTimeTest, TimePointIsLocalTime) {
  const auto point = DosDateTimeToTimePoint(DosDateTime(2010, 7, 4, 15, 30, 20));
  ASSERT_TRUE(point.has_value());
  const std::time_t t = std::chrono::system_clock::to_time_t(*point);
  std::tm local{};
  localtime_r(&t, &local);
  EXPECT_EQ(110, local.tm_year);
  EXPECT_EQ(6, local.tm_mon);
  EXPECT_EQ(4, local.tm_mday);
  EXPECT_EQ(15, local.tm_hour);
  EXPECT_EQ(30, local.tm_min);
  EXPECT_EQ(20, local.tm_sec);
  EXPECT_FALSE(DosDateTimeToTimePoint(DosDateTime(2001, 2, 29)).has_value());
  EXPECT_TRUE(DosDateTimeToTimePoint(DosDateTime(2000, 2, 29)).has_value());
}

}  // namespace
}  // namespace brimsel::test
