#include "net/update_site.h"

#include <cstdio>
#include <string_view>

#include "pattern/match_first_group.h"

namespace brimsel {
namespace {
constexpr std::string_view kOpen = "<!--sign";
constexpr std::string_view kClose = "Sign -->";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
}  // namespace

std::string VersionQueryTarget(const std::string& packageName) {
  return std::string(kVersionQueryPath) + "?" + kVersionQueryKey + "=" + packageName;
}
std::string PackageTarget(const std::string& packageName) {
  std::string target(1, '/');
  return target.append(PackageFile(packageName));
}
std::string PackageFileName(const std::string& packageName) { return packageName + ".zip"; }

bool IsPublishableName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  // Blanks and these would end or change the request line or the query.
  for (const char c : name) {
    if (static_cast<unsigned char>(c) <= ' ' || std::string_view("/\\?&#%\"<>|:*").find(c) != std::string_view::npos)
      return false;
  }
  return true;
}

// The package is served from the very path it is asked by; the version page from its
// own folder, since its request is a query.
std::string PackageFile(const std::string& packageName) {
  return std::string(kReleaseFolder) + "/" + PackageFileName(packageName);
}
std::string VersionPageFile(const std::string& packageName) {
  return std::string(kReleaseFolder) + "/getver/" + packageName + ".html";
}
std::string ProbePageFile() { return std::string(kProbePage).substr(1); }

std::string ReleaseStamp(platform::DateTime date) {
  const platform::CalendarParts parts = platform::DecodeDateTime(date);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d%02d", parts.year, parts.month, parts.day, parts.hour,
                parts.minute);
  std::string text = stamp;
  if (parts.second != 0) text += std::to_string(parts.second / 10) + std::to_string(parts.second % 10);
  return text;
}

std::optional<platform::DateTime> DateOfReleaseStamp(std::string_view stamp) {
  platform::CalendarParts parts;
  const std::string text(stamp);
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d_%2d%2d%2d", &parts.year, &parts.month, &parts.day, &parts.hour,
                  &parts.minute, &parts.second) < 5)
    return std::nullopt;
  // Only the very form that ReleaseStamp writes.
  const std::optional<platform::DateTime> date = platform::EncodeDateTime(parts);
  if (!date || ReleaseStamp(*date) != text) return std::nullopt;
  return date;
}

std::string KeptReleaseFolder(platform::DateTime date) {
  return std::string(kReleaseFolder) + "/releases/" + ReleaseStamp(date);
}
std::string KeptPackageFile(platform::DateTime date, const std::string& packageName) {
  return KeptReleaseFolder(date) + "/" + PackageFileName(packageName);
}
std::string KeptVersionPageFile(platform::DateTime date, const std::string& packageName) {
  return KeptReleaseFolder(date) + "/" + packageName + ".html";
}

std::string ReleaseDateText(std::string_view reply) { return MatchFirstGroup(reply, kReleaseDatePattern); }

std::string VersionPage(const std::string& date, const std::string& signatureHex) {
  std::string page = "<html><body>\r\n<!--date" + date + "Main -->\r\n";
  if (!signatureHex.empty()) page += SignatureMarker(signatureHex) + "\r\n";
  return page + "</body></html>\r\n";
}

std::string SignatureMarker(const std::string& signatureHex) {
  return std::string(kOpen) + signatureHex + std::string(kClose);
}

std::string SignatureOfPage(const std::string& page) {
  // The first marker whose inside is hex digits only.
  for (std::size_t at = page.find(kOpen); at != std::string::npos; at = page.find(kOpen, at + 1)) {
    std::size_t end = at + kOpen.size();
    while (end < page.size() && IsHexDigit(page[end])) ++end;
    if (end > at + kOpen.size() && page.compare(end, kClose.size(), kClose) == 0) {
      return page.substr(at + kOpen.size(), end - at - kOpen.size());
    }
  }
  return {};
}

bool OpensSignatureMarker(std::string_view page) { return page.find(kOpen) != std::string_view::npos; }

bool ProbePassed(std::string_view reply) { return reply.find(kProbePassed) != std::string_view::npos; }

}  // namespace brimsel
