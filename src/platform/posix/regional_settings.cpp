// The Linux stand-in has one regional setting, that of the updater's Chinese Windows.
#include "platform/regional_settings.h"

#include <ctime>

namespace brimsel::platform::regional {

ShortDate SystemShortDate() { return *ParseShortDate(kShortDateFormat); }
char SystemTimeSeparator() { return ':'; }
char SystemThousandSeparator() { return ','; }

CalendarParts LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // A leap second (tm_sec 60) counts as the last second of its minute.
  return CalendarParts{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec > 59 ? 59 : local.tm_sec};
}

}  // namespace brimsel::platform::regional
