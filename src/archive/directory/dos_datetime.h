#pragma once
// DOS date-time values as zip archives store them: the time in the low word (hours in
// bits 11-15, minutes in 5-10, seconds halved in 0-4) and the date in the high word (years
// since 1980 in bits 9-15, month in 5-8, day in 0-4).

#include <chrono>
#include <cstdint>
#include <optional>

namespace brimsel {

struct DosDateTimeParts {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

DosDateTimeParts SplitDosDateTime(std::uint32_t value);
std::uint32_t PackDosDateTime(const DosDateTimeParts& parts);  // seconds stored halved

// Clamps the parts into range (hour, minute and second to 23/59/59, year to 2099, month
// to 1..12, day to at least 1). A value with nothing to clamp is returned bit for bit;
// otherwise the clamped parts are packed again.
std::uint32_t ValidateDosDateTime(std::uint32_t value);

// The validated value as a point in time, read as local time; nothing when its date is not
// in the calendar (30 February, for instance). The zone's offset of the day converted last
// is kept by the thread: a change of the system's zone while the program runs shows from
// the next other day converted.
std::optional<std::chrono::system_clock::time_point> DosDateTimeToTimePoint(std::uint32_t value);

}  // namespace brimsel
