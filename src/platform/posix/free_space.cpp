#include "platform/free_space.h"

#include <sys/statvfs.h>

#include "platform/files.h"

namespace brimsel::platform {

std::optional<std::uint64_t> FreeSpaceOf(std::string_view folder) {
  struct statvfs volume {};
  if (folder.empty() || ::statvfs(NativePath(folder).c_str(), &volume) != 0) return std::nullopt;
  // The blocks left to unprivileged users: what a full disk means to the updater's writes.
  return static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize;
}

}  // namespace brimsel::platform
