#include "platform/posix/replacement_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

namespace brimsel::platform {
namespace {

constexpr std::string_view kMark = ".~up";
constexpr std::size_t kUniqueLength = 6;  // what mkostemp puts in place of "XXXXXX"

bool IsAsciiLetterOrDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsReplacementFileName(std::string_view name) {
  if (name.size() < 2 + kMark.size() + kUniqueLength || name[0] != '.') return false;
  const std::string_view unique = name.substr(name.size() - kUniqueLength);
  for (const char c : unique)
    if (!IsAsciiLetterOrDigit(c)) return false;
  return name.substr(name.size() - kUniqueLength - kMark.size(), kMark.size()) == kMark;
}

ReplacementFile::ReplacementFile(const std::filesystem::path& target) : target_(target) {
  std::string name = ".";
  name += target.filename().string();
  name += kMark;
  name += "XXXXXX";
  std::string pattern = (target.parent_path() / name).string();
  fd_ = Descriptor(::mkostemp(pattern.data(), O_CLOEXEC));
  if (fd_.valid()) path_ = std::move(pattern);
}

ReplacementFile::~ReplacementFile() {
  fd_.Close();
  if (!path_.empty()) ::unlink(path_.c_str());
}

bool ReplacementFile::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReplacementFile::PutInPlace(bool noReplace) {
  if (!fd_.Close()) return false;
  const unsigned flags = noReplace ? RENAME_NOREPLACE : 0;
  if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target_.c_str(), flags) != 0) return false;
  path_.clear();
  return true;
}

}  // namespace brimsel::platform
