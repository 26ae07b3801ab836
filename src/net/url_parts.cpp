#include "net/url_parts.h"

namespace brimsel {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Blanks and control characters trimmed, then "http://" in any letter case dropped.
std::string_view WithoutScheme(std::string_view url) {
  while (!url.empty() && IsBlankOrControl(url.front())) url.remove_prefix(1);
  while (!url.empty() && IsBlankOrControl(url.back())) url.remove_suffix(1);
  static constexpr std::string_view kScheme = "http://";
  if (url.size() >= kScheme.size()) {
    bool same = true;
    for (std::size_t i = 0; i < kScheme.size() && same; ++i) {
      char c = url[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == kScheme[i];
    }
    if (same) url.remove_prefix(kScheme.size());
  }
  return url;
}

}  // namespace

std::string HostFromUrl(std::string_view url) {
  const std::string_view rest = WithoutScheme(url);
  return std::string(rest.substr(0, rest.find('/')));
}

std::string PathFromUrl(std::string_view url) {
  const std::string_view rest = WithoutScheme(url);
  const std::size_t slash = rest.find('/');
  return slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash + 1));
}

}  // namespace brimsel
