// What a File handle is on both systems: a descriptor it owns, closed when it goes, and
// handed over whole on a move. Opening, reading and writing are each system's own; reading
// a whole file through them is the same on both.
#include "platform/files.h"

#include <cstdint>
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

std::optional<std::string> ReadWholeFile(std::string_view path, std::size_t limit) {
  File file(path, File::Mode::Read);
  if (!file.IsOpen()) return std::nullopt;
  const std::int64_t size = file.Size();
  if (size < 0 || static_cast<std::uint64_t>(size) > limit) return std::nullopt;
  std::string content(static_cast<std::size_t>(size), '\0');
  content.resize(file.Read(content.data(), content.size()));
  return content;
}

}  // namespace brimsel::platform
