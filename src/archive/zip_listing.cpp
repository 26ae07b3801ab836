#include "archive/zip_listing.h"

#include <cmath>
#include <cstdio>

#include "archive/dos_datetime.h"
#include "platform/codepage.h"
#include "platform/locale.h"

namespace brimsel {
namespace {

constexpr const char* kMethodNames[] = {"STOR", "SHR", "RED1", "RED2", "RED3", "RED4", "IMP", "TOK", "DEF"};

// The entry's date and time as calendar parts; the current local date and time when the
// stored date is not in the calendar (31 February, say).
platform::CalendarParts CalendarOf(std::uint32_t dosDateTime) {
  const DosDateTimeParts dos = SplitDosDateTime(ValidateDosDateTime(dosDateTime));
  platform::CalendarParts parts;
  parts.year = dos.year;
  parts.month = dos.month;
  parts.day = dos.day;
  parts.hour = dos.hour;
  parts.minute = dos.minute;
  parts.second = dos.second;
  if (!platform::EncodeDateTime(parts)) return platform::DecodeDateTime(platform::Now());
  return parts;
}

// "mm/dd/yy" with the system date separator for "/".
std::string FormatDate(const platform::CalendarParts& parts) {
  const char sep = platform::DateSeparator();
  char text[32];
  std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", parts.month, sep, parts.day, sep, parts.year % 100);
  return text;
}

// "hh:mmam/pm": the hour on the 12-hour clock, the system time separator for ":".
std::string FormatTime(const platform::CalendarParts& parts) {
  const int hour12 = parts.hour % 12 == 0 ? 12 : parts.hour % 12;
  char text[32];
  std::snprintf(text, sizeof text, "%02d%c%02d%s", hour12, platform::TimeSeparator(), parts.minute,
                parts.hour < 12 ? "am" : "pm");
  return text;
}

}  // namespace

std::string MethodName(std::uint16_t method) {
  if (method < std::size(kMethodNames)) return kMethodNames[method];
  return std::to_string(method);
}

int CompressionRatio(std::uint64_t compressed, std::uint64_t uncompressed) {
  if (uncompressed == 0) return 0;
  if (compressed >= uncompressed) return 100;
  const long double percent = static_cast<long double>(compressed) * 100.0L / static_cast<long double>(uncompressed);
  return static_cast<int>(std::floor(percent + 0.5L));
}

std::string ListingLine(const TZipEntryInfo& entry) {
  std::string name = entry.FileName;
  if (entry.Encrypted()) name += '#';
  if (entry.FileCommentLength != 0) name += '@';
  const platform::CalendarParts when = CalendarOf(entry.DateTime);
  const std::string date = FormatDate(when);
  const std::string time = FormatTime(when);
  char fields[160];
  std::snprintf(fields, sizeof fields, "%8s\t%7s\t%8llu\t%8llu\t%3d%s\t", date.c_str(), time.c_str(),
                static_cast<unsigned long long>(entry.EffectiveUncompressedSize()),
                static_cast<unsigned long long>(entry.EffectiveCompressedSize()),
                CompressionRatio(entry.EffectiveCompressedSize(), entry.EffectiveUncompressedSize()), "%");
  return platform::LowerBytes(name + '\t' + fields + MethodName(entry.CompressionMethod) + '\t' + entry.Directory);
}

}  // namespace brimsel
