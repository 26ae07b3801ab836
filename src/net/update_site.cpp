#include "net/update_site.h"

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
