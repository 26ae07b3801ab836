#pragma once
// Only one updater works on an installation folder at a time. The lock is the system's,
// not a file that its holder would have to remove: it goes with the process that holds
// it, however that process ends. On Windows it is a named mutex whose name comes from the
// folder; on Linux, a lock on a file in the folder's staging folder.

#include <memory>
#include <string_view>

namespace brimsel::platform {

// The locked file on Linux, beside update.log in the staging folder. The file stays when
// the lock goes: removing it would let a newcomer lock a fresh file while a waiter still
// holds the old one.
inline constexpr char kLockFileName[] = "update.lock";

class FolderLock {
 public:
  enum class Outcome {
    kTaken,          // this object holds the lock until it goes
    kHeldElsewhere,  // another process holds it
    kUnavailable,    // the system gave no lock (a folder that cannot be written, say)
  };

  // Tries to take the lock of `installationFolder` (ending in "\"), whose staging folder
  // is `stagingFolder` (made when missing), without waiting.
  FolderLock(std::string_view installationFolder, std::string_view stagingFolder);
  ~FolderLock();
  FolderLock(FolderLock&&) noexcept;
  FolderLock& operator=(FolderLock&&) noexcept;

  Outcome outcome() const { return outcome_; }

 private:
  struct Held;  // the system's object, as each system's body defines it
  std::unique_ptr<Held> held_;
  Outcome outcome_ = Outcome::kUnavailable;
};

}  // namespace brimsel::platform
