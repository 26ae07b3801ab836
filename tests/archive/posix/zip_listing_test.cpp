// DOS date-times in a zone given by a POSIX rule, which the Windows C runtime does not read
// from TZ.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "archive/directory/dos_datetime.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {

// The offset of a day without a change of time serves all of it; a day with one (Central
// European time: 2031-03-30 at 02:00, 2031-10-26 at 03:00) is converted time by time.
TEST(DosDateTimeTest, TimePointIsWhatTheSystemsConversionGivesAroundChangesOfTime) {
  static char zone[] = "TZ=CET-1CEST,M3.5.0,M10.5.0/3";
  ASSERT_EQ(putenv(zone), 0);
  tzset();
  for (const int month : {3, 6, 10}) {
    const int day = month == 3 ? 30 : month == 6 ? 15 : 26;
    for (int minutes = 0; minutes < 24 * 60; minutes += 7) {
      std::tm local{};
      local.tm_year = 2031 - 1900;
      local.tm_mon = month - 1;
      local.tm_mday = day;
      local.tm_hour = minutes / 60;
      local.tm_min = minutes % 60;
      local.tm_sec = 58;
      local.tm_isdst = -1;
      const auto expected = std::chrono::system_clock::from_time_t(std::mktime(&local));
      EXPECT_EQ(DosDateTimeToTimePoint(DosDateTime(2031, month, day, minutes / 60, minutes % 60, 58)), expected)
          << month << "-" << day << " " << minutes;
    }
  }
}

}  // namespace
}  // namespace brimsel::test
