#pragma once
// The system's regional settings as the updater sees them: the short date format, year,
// month and day parted by "-" ("yyyy-M-d" on Linux, so "2005-1-1" is 1 January 2005; on
// Windows the user's format when it has that order and separator, such as "yyyy-MM-dd",
// and "yyyy-M-d" otherwise), the separator between the parts of a time of day (":"), and
// the one between groups of thousands (","). Dates are written with DateToStr and read back
// with TryStrToDate / StrToDate, always under this one format.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brimsel::platform {

// A local calendar date with a time of day. Ordered by date, then time, so dates compare
// as numbers do.
struct DateTime {
  std::int32_t days = 0;     // days since 1970-01-01 (negative before it)
  std::int32_t seconds = 0;  // seconds since midnight, 0 to 86399

  friend auto operator<=>(const DateTime&, const DateTime&) = default;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// The parts of a DateTime.
struct CalendarParts {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

inline constexpr char kShortDateFormat[] = "yyyy-M-d";

char DateSeparator();      // "-"
char TimeSeparator();      // ":" on Linux; the user's on Windows
char ThousandSeparator();  // "," on Linux; the user's on Windows

// A valid date and time (years 1 to 9999), or nothing for 2005-2-30, hour 24 and the like.
std::optional<DateTime> EncodeDateTime(const CalendarParts& parts);
CalendarParts DecodeDateTime(DateTime value);

// The date of a text in the short date format, optionally followed by blanks and a time of
// day ("13:05" or "13:05:07"). Blanks around the whole text are allowed; anything else,
// and any date that is not in the calendar, gives nothing.
std::optional<DateTime> TryStrToDate(std::string_view text);
// As TryStrToDate; raises brimsel::Exception "'<text>' is not a valid date" on failure.
DateTime StrToDate(std::string_view text);
// The date part in the short date format, e.g. "2026-12-7"; the time is not written.
std::string DateToStr(DateTime value);
// The date as DateToStr writes it, then, when the value has a time of day other than 0:00,
// a blank and the time ("2026-12-8 14:30", or "2026-12-8 14:30:05" with seconds), as
// TryStrToDate reads it back.
std::string DateTimeToStr(DateTime value);

DateTime Today();  // the local date, time 0:00:00
DateTime Now();    // the local date and time of day

// The number format "#,##": decimal digits grouped by threes from the right with the
// thousands separator, "-" before negative numbers, and an empty text for zero.
std::string FormatThousands(std::int64_t value);

}  // namespace brimsel::platform
