// The profile functions over a plain text file, read whole and, for a write, replaced whole
// by the text with the one value changed (profile_text.h).
#include "platform/profile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/replacement_file.h"
#include "platform/posix/profile_text.h"
#include "platform/profile_structure.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using profile_structure::ChangesStructure;
}  // namespace

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key, std::string_view defaultValue,
                                     std::string_view path, std::size_t bufferSize) {
  const std::optional<std::string> file = ReadWholeFile(path, kMaxProfileSize);
  return ProfileString(file ? std::string_view(*file) : std::string_view(), section, key, defaultValue, bufferSize);
}

bool WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                std::string_view path) {
  if (path.empty() || ChangesStructure(section, key, value)) return false;
  fs::path target = NativePath(path);
  std::error_code ec;
  const bool exists = fs::exists(target, ec);
  if (exists && (!FileExists(path) || IsReadOnly(path))) return false;

  std::string current;
  mode_t mode = 0644;
  if (exists) {
    std::optional<std::string> content = ReadWholeFile(path, kMaxProfileSize);
    if (!content) return false;
    current = std::move(*content);
    target = fs::canonical(target, ec);  // write through a link, not over it
    if (ec) return false;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  }

  const std::string updated = ProfileWithValue(current, section, key, value);
  if (exists && updated == current) return true;
  ReplacementFile replacement(target);
  return replacement.Created() && replacement.WriteAll(updated) && ::fchmod(replacement.fd(), mode) == 0 &&
         ::fsync(replacement.fd()) == 0 && replacement.PutInPlace();
}

}  // namespace brimsel::platform
