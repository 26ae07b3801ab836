// The listing line byte for byte, and the DOS date-time rules behind its date.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "archive/archive_test_support.h"
#include "archive/directory/dos_datetime.h"
#include "archive/directory/zip_listing.h"
#include "archive/zip_exceptions.h"
#include "platform/locale.h"
#include "support/environment.h"

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
  const std::string t(1, platform::TimeSeparator());
  const struct {
    int hour, minute;
    std::string expected;
  } rows[] = {{0, 0, "12" + t + "00am"}, {11, 59, "11" + t + "59am"}, {12, 30, "12" + t + "30pm"},
              {13, 5, "01" + t + "05pm"}, {23, 59, "11" + t + "59pm"}};
  for (const auto& row : rows)
    EXPECT_EQ(row.expected, Fields(ListingLine(Entry("a", "", DosDateTime(2000, 1, 1, row.hour, row.minute))))[2]);
}

TEST(ZipListingTest, RatioAndMethodNames) {
  // 12.5 rounds up.
  const std::uint64_t ratios[][3] = {{5, 0, 0}, {12, 10, 100}, {1, 8, 13}, {1, 3, 33}, {2, 3, 67}};
  for (const auto& r : ratios) EXPECT_EQ(static_cast<int>(r[2]), CompressionRatio(r[0], r[1])) << r[0] << "/" << r[1];
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

// The entry list in runs: records in any order come out by disk and offset, are found,
// and a second record at the same place is refused wherever the first one lies.
TEST(SortedEntriesTest, AnyOrderOfInsertionGivesTheSortedList) {
  TSortedEntries list;
  const std::uint32_t offsets[] = {10, 20, 30, 5, 25, 1, 40, 15, 35, 0, 50, 45, 12};
  for (std::uint32_t offset : offsets) {
    auto entry = std::make_unique<TZipEntryInfo>();
    entry->RelativeOffset = offset;
    list.Add(std::move(entry));
  }
  for (std::uint32_t offset : offsets) {
    ASSERT_NE(list.Find(0, offset), nullptr);
    auto twin = std::make_unique<TZipEntryInfo>();
    twin->RelativeOffset = offset;
    EXPECT_THROW(list.Add(std::move(twin)), EListError) << offset;
  }
  EXPECT_EQ(list.Find(0, 2), nullptr);
  std::vector<std::uint32_t> order;
  for (int i = 0; i < list.Count(); ++i) order.push_back(list.Items(i).RelativeOffset);
  EXPECT_EQ(order, (std::vector<std::uint32_t>{0, 1, 5, 10, 12, 15, 20, 25, 30, 35, 40, 45, 50}));
}

TEST(DosDateTimeTest, ValidValuesAreKeptAndOutOfRangePartsClampedAndPackedAgain) {
  const std::uint32_t rows[][2] = {
      {DosDateTime(2019, 12, 31, 23, 59, 58), DosDateTime(2019, 12, 31, 23, 59, 58)},
      {DosDateTime(2019, 4, 31), DosDateTime(2019, 4, 31)},  // in range of the clamp: kept
      {DosDateTime(2000, 0, 0), DosDateTime(2000, 1, 1)},
      {DosDateTime(2000, 13, 5), DosDateTime(2000, 12, 5)},
      {DosDateTime(2000, 1, 1, 31, 63, 0) | 0x1F, DosDateTime(2000, 1, 1, 23, 59, 58)},
      {DosDateTime(2107, 6, 1), DosDateTime(2099, 6, 1)},
  };
  for (const auto& row : rows) EXPECT_EQ(row[1], ValidateDosDateTime(row[0])) << std::hex << row[0];
  // Seconds 60 and 62 become 59, stored halved as 29.
  EXPECT_EQ(29u, ValidateDosDateTime(DosDateTime(2000, 1, 1, 0, 0, 0) | 30) & 0x1F);
}

TEST(DosDateTimeTest, TimePointIsLocalTime) {
  const auto point = DosDateTimeToTimePoint(DosDateTime(2010, 7, 4, 15, 30, 20));
  ASSERT_TRUE(point.has_value());
  const std::time_t t = std::chrono::system_clock::to_time_t(*point);
  const std::tm local = LocalTime(t);
  EXPECT_EQ((std::vector<int>{110, 6, 4, 15, 30, 20}),
            (std::vector<int>{local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec}));
  EXPECT_FALSE(DosDateTimeToTimePoint(DosDateTime(2001, 2, 29)).has_value());
  EXPECT_TRUE(DosDateTimeToTimePoint(DosDateTime(2000, 2, 29)).has_value());
}

}  // namespace
}  // namespace brimsel::test
