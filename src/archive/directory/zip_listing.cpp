#include "archive/directory/zip_listing.h"

#include <cmath>
#include <string_view>

#include "archive/directory/dos_datetime.h"
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

void AppendTwoDigits(std::string& out, int value) {
  out += static_cast<char>('0' + value / 10 % 10);
  out += static_cast<char>('0' + value % 10);
}

// `text` right-aligned to `width` characters ("%*s"); longer texts are not cut.
void AppendRightAligned(std::string& out, std::string_view text, std::size_t width) {
  if (text.size() < width) out.append(width - text.size(), ' ');
  out += text;
}

// A number right-aligned to `width` characters ("%*d" of a non-negative value).
void AppendNumber(std::string& out, std::uint64_t value, std::size_t width) {
  char digits[24];
  char* end = digits + sizeof digits;
  char* p = end;
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  AppendRightAligned(out, std::string_view(p, static_cast<std::size_t>(end - p)), width);
}

// "mm/dd/yy" with the system date separator for "/".
std::string FormatDate(const platform::CalendarParts& parts) {
  const char sep = platform::DateSeparator();
  std::string text;
  AppendTwoDigits(text, parts.month);
  text += sep;
  AppendTwoDigits(text, parts.day);
  text += sep;
  AppendTwoDigits(text, parts.year % 100);
  return text;
}

// "hh:mmam/pm": the hour on the 12-hour clock, the system time separator for ":".
std::string FormatTime(const platform::CalendarParts& parts) {
  const int hour12 = parts.hour % 12 == 0 ? 12 : parts.hour % 12;
  std::string text;
  AppendTwoDigits(text, hour12);
  text += platform::TimeSeparator();
  AppendTwoDigits(text, parts.minute);
  text += parts.hour < 12 ? "am" : "pm";
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
  const std::uint64_t size = entry.EffectiveUncompressedSize();
  const std::uint64_t packed = entry.EffectiveCompressedSize();
  std::string line = std::move(name);
  line.reserve(line.size() + 64 + entry.Directory.size());
  line += '\t';
  AppendRightAligned(line, FormatDate(when), 8);  // %8s
  line += '\t';
  AppendRightAligned(line, FormatTime(when), 7);  // %7s
  line += '\t';
  AppendNumber(line, size, 8);  // %8d
  line += '\t';
  AppendNumber(line, packed, 8);
  line += '\t';
  AppendNumber(line, static_cast<std::uint64_t>(CompressionRatio(packed, size)), 3);  // %3d%s
  line += "%\t";
  line += MethodName(entry.CompressionMethod);
  line += '\t';
  line += entry.Directory;
  return platform::LowerBytes(line);
}

}  // namespace brimsel
