#include "archive/dos_datetime.h"

#include <ctime>

namespace brimsel {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
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
  if (parts.day > DaysInMonth(parts.year, parts.month)) return std::nullopt;
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
  return std::chrono::system_clock::from_time_t(seconds);
}

}  // namespace brimsel
