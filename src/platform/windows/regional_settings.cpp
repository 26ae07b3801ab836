// The user's regional settings, as the system keeps them.
#include "platform/regional_settings.h"

#include "platform/windows/windows_api.h"

#include <string>

namespace brimsel::platform::regional {
namespace {

std::string LocaleText(LCTYPE item) {
  char buffer[128];
  const int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, sizeof buffer);
  return length > 1 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : std::string();
}

// A one-character separator, or `fallback` for none or a longer one (the updater's texts
// hold one character there).
char SingleCharacter(LCTYPE item, char fallback) {
  const std::string text = LocaleText(item);
  return text.size() == 1 ? text[0] : fallback;
}

}  // namespace

ShortDate SystemShortDate() {
  return ParseShortDate(LocaleText(LOCALE_SSHORTDATE)).value_or(*ParseShortDate(kShortDateFormat));
}

char SystemTimeSeparator() { return SingleCharacter(LOCALE_STIME, ':'); }
char SystemThousandSeparator() { return SingleCharacter(LOCALE_STHOUSAND, ','); }

CalendarParts LocalNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return CalendarParts{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace brimsel::platform::regional
