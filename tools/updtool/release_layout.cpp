#include "updtool/release_layout.h"

namespace brimsel::updtool {
namespace fs = std::filesystem;

fs::path PackageFile(const fs::path& site, const std::string& name) { return site / "update" / (name + ".zip"); }
fs::path VersionPageFile(const fs::path& site, const std::string& name) {
  return site / "update" / "getver" / (name + ".html");
}
fs::path ProbePageFile(const fs::path& site) { return site / "update" / "test.html"; }

bool IsPublishableName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  // Blanks and these would end or change the request line or the query.
  for (const char c : name) {
    if (static_cast<unsigned char>(c) <= ' ' || std::string_view("/\\?&#%\"<>|:*").find(c) != std::string_view::npos)
      return false;
  }
  return true;
}

}  // namespace brimsel::updtool
