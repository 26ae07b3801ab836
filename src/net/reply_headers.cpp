#include "net/reply_headers.h"

#include <limits>
#include <string>

#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int StatusCodeOf(std::string_view line) {
  static constexpr std::string_view kVersion = "HTTP/";
  if (!line.starts_with(kVersion)) return 0;
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || line.size() < blank + 4) return 0;
  const std::string_view code = line.substr(blank + 1, 3);
  int status = 0;
  for (const char c : code) {
    if (!IsDigit(c)) return 0;
    status = status * 10 + (c - '0');
  }
  return status;
}

std::optional<std::int32_t> ContentLengthOf(std::string_view line) {
  static constexpr std::string_view kName = "Content-Length: ";
  if (!platform::StartsWithIgnoringCase(line, kName)) return std::nullopt;
  std::string_view value = line.substr(kName.size());
  while (!value.empty() && IsBlankOrControl(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlankOrControl(value.back())) value.remove_suffix(1);

  std::string_view digits = value;
  if (digits.starts_with('+')) digits.remove_prefix(1);
  std::int64_t number = 0;
  bool valid = !digits.empty();
  for (const char c : digits) {
    valid = valid && IsDigit(c) && number <= std::numeric_limits<std::int32_t>::max();
    if (valid) number = number * 10 + (c - '0');
  }
  if (!valid || number > std::numeric_limits<std::int32_t>::max()) {
    throw Exception("'" + std::string(value) + "' is not a valid integer value");
  }
  return static_cast<std::int32_t>(number);
}

std::optional<std::int64_t> ContentRangeStartOf(std::string_view line) {
  static constexpr std::string_view kName = "Content-Range:";
  if (!platform::StartsWithIgnoringCase(line, kName)) return std::nullopt;
  std::string_view value = line.substr(kName.size());
  while (!value.empty() && IsBlankOrControl(value.front())) value.remove_prefix(1);
  static constexpr std::string_view kUnit = "bytes ";
  if (!platform::StartsWithIgnoringCase(value, kUnit)) return -1;
  value.remove_prefix(kUnit.size());
  std::int64_t first = 0;
  std::size_t digits = 0;
  for (; digits < value.size() && IsDigit(value[digits]) && digits < 18; ++digits) first = first * 10 + (value[digits] - '0');
  if (digits == 0 || digits >= value.size() || value[digits] != '-') return -1;
  return first;
}

}  // namespace brimsel
