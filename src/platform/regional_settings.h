#pragma once
// What locale.cpp takes from the system: the short date format, the separators and the
// local time. One implementation per system (regional_settings.cpp, windows/).

#include "platform/locale.h"

namespace brimsel::platform::regional {

// A short date format of the order year, month, day: the only order under which the text
// "2005-1-1", the updater's fallback date, means 1 January 2005.
struct ShortDate {
  char separator = '-';
  bool twoDigitMonth = false;  // "MM": written as "01"
  bool twoDigitDay = false;    // "dd"
};

// The system's short date format when it reads "2005-1-1" as 1 January 2005 ("yyyy-M-d",
// "yyyy-MM-dd", ...); otherwise (such as "yyyy/M/d" or "d.M.yyyy") "yyyy-M-d", so that
// the fallback date always converts and what is written is always read back.
ShortDate SystemShortDate();
// The format text (of a ShortDate, as GetLocaleInfoA gives one), or nothing when the
// updater cannot use it.
std::optional<ShortDate> ParseShortDate(std::string_view format);

char SystemTimeSeparator();
char SystemThousandSeparator();
CalendarParts LocalNow();

}  // namespace brimsel::platform::regional
