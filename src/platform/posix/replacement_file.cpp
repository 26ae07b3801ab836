#include "platform/posix/replacement_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

namespace brimsel::platform {

ReplacementFile::ReplacementFile(const std::filesystem::path& target) : target_(target) {
  std::string name = ".";
  name += target.filename().string();
  name += ".XXXXXX";
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
