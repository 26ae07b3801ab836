#include "confinement.h"

#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/files.h"

namespace brimsel::batchrun {
namespace fs = std::filesystem;

namespace {

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::is_directory(a, ec) && fs::is_directory(b, ec) && fs::equivalent(a, b, ec);
}

// A path component that would lead somewhere else than it seems.
bool IsDotComponent(std::string_view part) { return part == "." || part == ".."; }

}  // namespace

Confinement::Confinement(const fs::path& scriptFolder)
    : scriptFolder_(scriptFolder),
      stagingFolder_(platform::NativePath(platform::WindowsPath(scriptFolder) + "\\update")) {}

bool Confinement::Allows(std::string_view path, std::string& why) const {
  if (path.empty() || (path[0] != '\\' && path[0] != '/')) {
    why = "not an absolute path";
    return false;
  }
  const std::size_t split = platform::LastDelimiter(path, "\\/");
  const std::string_view name = path.substr(split + 1);
  if (name.empty() || IsDotComponent(name)) {
    why = "no file name";
    return false;
  }
  // Every component of the folder part, stepping over double-byte characters whose second
  // byte is the byte of "\".
  const std::string_view folder = path.substr(0, split);
  std::size_t start = 0;
  for (std::size_t i = 0; i <= folder.size(); ++i) {
    if (i < folder.size() && platform::IsLeadByte(static_cast<unsigned char>(folder[i]))) {
      ++i;  // a double-byte character, whatever its second byte
      continue;
    }
    if (i < folder.size() && folder[i] != '\\' && folder[i] != '/') continue;
    if (IsDotComponent(folder.substr(start, i - start))) {
      why = "\".\" and \"..\" are not allowed in paths";
      return false;
    }
    start = i + 1;
  }
  const fs::path native = platform::NativePath(folder.empty() ? std::string_view("\\") : folder);
  if (SameFolder(native, scriptFolder_) || SameFolder(native, stagingFolder_)) return true;
  why = "outside the folder of the script and its \"update\" folder";
  return false;
}

bool IsSymbolicLink(std::string_view windowsPath) {
  struct stat st {};
  return ::lstat(platform::NativePath(windowsPath).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace brimsel::batchrun
