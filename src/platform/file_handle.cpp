// What a File handle is on both systems: a descriptor it owns, closed when it goes, and
// handed over whole on a move. Opening, reading and writing are each system's own.
#include "platform/files.h"

#include <utility>

namespace brimsel::platform {

File::~File() { Close(); }

File::File(File&& other) noexcept
    : fd_(other.fd_), created_(other.created_), mode_(other.mode_), native_(std::move(other.native_)), lastError_(std::move(other.lastError_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    created_ = other.created_;
    mode_ = other.mode_;
    native_ = std::move(other.native_);
    lastError_ = std::move(other.lastError_);
    other.fd_ = -1;
  }
  return *this;
}

}  // namespace brimsel::platform
