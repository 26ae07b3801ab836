#include "archive/directory/dos_datetime.h"

#include <chrono>
#include <ctime>

namespace brimsel {
namespace {

namespace chrono = std::chrono;

chrono::year_month_day Civil(const DosDateTimeParts& parts) {
  return chrono::year{parts.year} / chrono::month{static_cast<unsigned>(parts.month)} /
         chrono::day{static_cast<unsigned>(parts.day)};
}

// Lowers `value` to `high` or raises it to `low`; records whether anything changed.
int Clamp(int value, int low, int high, bool& changed) {
  if (value > high) {
    changed = true;
    return high;
  }
  if (value < low) {
    changed = true;
    return low;
  }
  return value;
}

// The seconds since 1970 of a local time, by the system's zone; nothing when it cannot tell.
std::optional<std::time_t> LocalToSeconds(const DosDateTimeParts& parts) {
  std::tm local{};
  local.tm_year = parts.year - 1900;
  local.tm_mon = parts.month - 1;
  local.tm_mday = parts.day;
  local.tm_hour = parts.hour;
  local.tm_min = parts.minute;
  local.tm_sec = parts.second;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return seconds;
}

// The seconds since 1970 of the same fields read as UTC.
std::time_t SecondsAsIfUtc(const DosDateTimeParts& parts) {
  const auto time = chrono::hours{parts.hour} + chrono::minutes{parts.minute} + chrono::seconds{parts.second};
  return static_cast<std::time_t>((chrono::sys_days(Civil(parts)) + time).time_since_epoch().count());
}

// A day's offset from UTC, and whether the zone keeps it from the day's first second to
// its last (no change of offset that day).
struct DayOffset {
  int year = 0, month = 0, day = 0;
  bool holdsAllDay = false;
  std::time_t offset = 0;
};

DayOffset OffsetOfDay(const DosDateTimeParts& parts) {
  DayOffset result{parts.year, parts.month, parts.day};
  DosDateTimeParts first = parts, last = parts;
  first.hour = first.minute = first.second = 0;
  last.hour = 23;
  last.minute = last.second = 59;
  const std::optional<std::time_t> start = LocalToSeconds(first), end = LocalToSeconds(last);
  if (!start || !end) return result;
  result.offset = SecondsAsIfUtc(first) - *start;
  result.holdsAllDay = SecondsAsIfUtc(last) - *end == result.offset;
  return result;
}

}  // namespace

DosDateTimeParts SplitDosDateTime(std::uint32_t value) {
  const std::uint32_t time = value & 0xFFFF;
  const std::uint32_t date = value >> 16;
  DosDateTimeParts parts;
  parts.hour = static_cast<int>(time >> 11);
  parts.minute = static_cast<int>((time >> 5) & 0x3F);
  parts.second = static_cast<int>(time & 0x1F) * 2;
  parts.year = 1980 + static_cast<int>(date >> 9);
  parts.month = static_cast<int>((date >> 5) & 0x0F);
  parts.day = static_cast<int>(date & 0x1F);
  return parts;
}

std::uint32_t PackDosDateTime(const DosDateTimeParts& parts) {
  const auto time = static_cast<std::uint32_t>((parts.hour << 11) | (parts.minute << 5) | (parts.second / 2));
  const auto date = static_cast<std::uint32_t>(((parts.year - 1980) << 9) | (parts.month << 5) | parts.day);
  return (date << 16) | time;
}

std::uint32_t ValidateDosDateTime(std::uint32_t value) {
  DosDateTimeParts parts = SplitDosDateTime(value);
  bool changed = false;
  parts.hour = Clamp(parts.hour, 0, 23, changed);
  parts.minute = Clamp(parts.minute, 0, 59, changed);
  parts.second = Clamp(parts.second, 0, 59, changed);
  parts.year = Clamp(parts.year, 1980, 2099, changed);
  parts.month = Clamp(parts.month, 1, 12, changed);
  parts.day = Clamp(parts.day, 1, 31, changed);
  return changed ? PackDosDateTime(parts) : value;
}

std::optional<std::chrono::system_clock::time_point> DosDateTimeToTimePoint(std::uint32_t value) {
  const DosDateTimeParts parts = SplitDosDateTime(ValidateDosDateTime(value));
  if (!Civil(parts).ok()) return std::nullopt;
  // The zone's offset of the entry's day, when it holds all day long, serves every time of
  // that day: the system's conversion looks at the zone's file again at every call, and the
  // entries of an archive mostly share a few days.
  thread_local DayOffset last;
  if (last.year != parts.year || last.month != parts.month || last.day != parts.day) last = OffsetOfDay(parts);
  if (last.holdsAllDay) return std::chrono::system_clock::from_time_t(SecondsAsIfUtc(parts) - last.offset);
  const std::optional<std::time_t> seconds = LocalToSeconds(parts);
  if (!seconds) return std::nullopt;
  return std::chrono::system_clock::from_time_t(*seconds);
}

}  // namespace brimsel
