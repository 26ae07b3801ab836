#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <string>

#include "platform/files.h"
#include "platform/posix/descriptor.h"

namespace brimsel::platform {
struct FolderLock::Held {
  Descriptor file;
};

FolderLock::FolderLock(std::string_view /*installationFolder*/, std::string_view stagingFolder) {
  if (!DirectoryExists(stagingFolder) && !ForceDirectories(stagingFolder)) return;
  const std::filesystem::path path = NativePath(std::string(stagingFolder) + "\\" + kLockFileName);
  // Close-on-exec: a program the updater starts (the batch runner) must not hold it on.
  Descriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (!file.valid()) return;
  int result = 0;
  do {
    result = ::flock(file.get(), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    if (errno == EWOULDBLOCK) outcome_ = Outcome::kHeldElsewhere;
    return;
  }
  held_ = std::make_unique<Held>(Held{std::move(file)});
  outcome_ = Outcome::kTaken;
}

FolderLock::~FolderLock() = default;
FolderLock::FolderLock(FolderLock&&) noexcept = default;
FolderLock& FolderLock::operator=(FolderLock&&) noexcept = default;

}  // namespace brimsel::platform
