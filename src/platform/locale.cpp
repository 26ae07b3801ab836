#include "platform/locale.h"

#include <chrono>

#include "platform/exception.h"
#include "platform/regional_settings.h"

namespace brimsel::platform {
namespace {

namespace chrono = std::chrono;

chrono::year_month_day Civil(int year, int month, int day) {
  return chrono::year{year} / chrono::month{static_cast<unsigned>(month)} / chrono::day{static_cast<unsigned>(day)};
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int32_t DaysFromCivil(int year, int month, int day) {
  return static_cast<std::int32_t>(chrono::sys_days(Civil(year, month, day)).time_since_epoch().count());
}

void CivilFromDays(std::int32_t days, int& year, int& month, int& day) {
  const chrono::year_month_day civil{chrono::sys_days{chrono::days{days}}};
  year = static_cast<int>(civil.year());
  month = static_cast<int>(static_cast<unsigned>(civil.month()));
  day = static_cast<int>(static_cast<unsigned>(civil.day()));
}

// Reads a number of `minDigits` to `maxDigits` decimal digits at `pos`.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits, int& value) {
  std::size_t digits = 0;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < maxDigits) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++digits;
  }
  return digits >= minDigits && (pos == text.size() || text[pos] < '0' || text[pos] > '9');
}

bool ReadChar(std::string_view text, std::size_t& pos, char wanted) {
  if (pos >= text.size() || text[pos] != wanted) return false;
  ++pos;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// `number` in decimal, with zeros in front up to `width` digits.
std::string Padded(int number, std::size_t width) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// How many times `letter` repeats at `pos`; `pos` moves past them.
int CountRun(std::string_view format, std::size_t& pos, char letter) {
  int count = 0;
  while (pos < format.size() && format[pos] == letter) {
    ++pos;
    ++count;
  }
  return count;
}

}  // namespace

namespace regional {

std::optional<ShortDate> ParseShortDate(std::string_view format) {
  std::size_t pos = 0;
  if (CountRun(format, pos, 'y') != 4 || pos >= format.size()) return std::nullopt;
  ShortDate date;
  date.separator = format[pos++];
  const int month = CountRun(format, pos, 'M');
  if (month < 1 || month > 2 || pos >= format.size() || format[pos++] != date.separator) return std::nullopt;
  const int day = CountRun(format, pos, 'd');
  if (day < 1 || day > 2 || pos != format.size() || date.separator != '-') return std::nullopt;
  date.twoDigitMonth = month == 2;
  date.twoDigitDay = day == 2;
  return date;
}

}  // namespace regional

char DateSeparator() { return regional::SystemShortDate().separator; }
char TimeSeparator() { return regional::SystemTimeSeparator(); }
char ThousandSeparator() { return regional::SystemThousandSeparator(); }

std::optional<DateTime> EncodeDateTime(const CalendarParts& parts) {
  if (parts.year < 1 || parts.year > 9999 || parts.month < 1 || parts.month > 12 || parts.day < 1 ||
      parts.day > 31 || !Civil(parts.year, parts.month, parts.day).ok())
    return std::nullopt;
  if (parts.hour < 0 || parts.hour > 23 || parts.minute < 0 || parts.minute > 59 || parts.second < 0 ||
      parts.second > 59)
    return std::nullopt;
  return DateTime{DaysFromCivil(parts.year, parts.month, parts.day),
                  parts.hour * 3600 + parts.minute * 60 + parts.second};
}

CalendarParts DecodeDateTime(DateTime value) {
  CalendarParts parts;
  CivilFromDays(value.days, parts.year, parts.month, parts.day);
  parts.hour = value.seconds / 3600;
  parts.minute = value.seconds / 60 % 60;
  parts.second = value.seconds % 60;
  return parts;
}

std::optional<DateTime> TryStrToDate(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  CalendarParts parts;
  std::size_t pos = 0;
  if (!ReadNumber(text, pos, 4, 4, parts.year) || !ReadChar(text, pos, DateSeparator()) ||
      !ReadNumber(text, pos, 1, 2, parts.month) || !ReadChar(text, pos, DateSeparator()) ||
      !ReadNumber(text, pos, 1, 2, parts.day))
    return std::nullopt;

  if (pos < text.size()) {  // a time of day: blanks, then h:mm or h:mm:ss
    if (!IsBlank(text[pos])) return std::nullopt;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (!ReadNumber(text, pos, 1, 2, parts.hour) || !ReadChar(text, pos, TimeSeparator()) ||
        !ReadNumber(text, pos, 1, 2, parts.minute))
      return std::nullopt;
    if (pos < text.size() && (!ReadChar(text, pos, TimeSeparator()) || !ReadNumber(text, pos, 1, 2, parts.second)))
      return std::nullopt;
    if (pos != text.size()) return std::nullopt;
  }
  return EncodeDateTime(parts);
}

DateTime StrToDate(std::string_view text) {
  if (std::optional<DateTime> date = TryStrToDate(text)) return *date;
  throw Exception("'" + std::string(text) + "' is not a valid date");
}

std::string DateToStr(DateTime value) {
  const CalendarParts parts = DecodeDateTime(value);
  const regional::ShortDate format = regional::SystemShortDate();
  return Padded(parts.year, 4) + format.separator + Padded(parts.month, format.twoDigitMonth ? 2 : 1) +
         format.separator + Padded(parts.day, format.twoDigitDay ? 2 : 1);
}

std::string DateTimeToStr(DateTime value) {
  if (value.seconds == 0) return DateToStr(value);
  const CalendarParts parts = DecodeDateTime(value);
  std::string text = DateToStr(value) + ' ' + std::to_string(parts.hour) + TimeSeparator() + Padded(parts.minute, 2);
  if (parts.second != 0) text += TimeSeparator() + Padded(parts.second, 2);
  return text;
}

DateTime Today() {
  const CalendarParts local = regional::LocalNow();
  return DateTime{DaysFromCivil(local.year, local.month, local.day), 0};
}

DateTime Now() {
  const CalendarParts local = regional::LocalNow();
  return DateTime{DaysFromCivil(local.year, local.month, local.day),
                  local.hour * 3600 + local.minute * 60 + local.second};
}

std::string FormatThousands(std::int64_t value) {
  if (value == 0) return "";
  // The magnitude as unsigned, so that the smallest int64 has one too.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string reversed;
  for (int digits = 0; magnitude != 0; ++digits) {
    if (digits > 0 && digits % 3 == 0) reversed.push_back(ThousandSeparator());
    reversed.push_back(static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  }
  if (value < 0) reversed.push_back('-');
  return std::string(reversed.rbegin(), reversed.rend());
}

}  // namespace brimsel::platform
