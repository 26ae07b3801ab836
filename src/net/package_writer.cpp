#include "net/package_writer.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/files.h"

namespace brimsel {

PackageWriter::PackageWriter(platform::File& file) : file_(file), size_(file.Size()) {
  if (size_ < 0) throw Exception(file_.LastError());
  // Not value-initialised: every byte is received before it is written.
  block_.reset(new char[kBlockSize]);
}

PackageWriter::~PackageWriter() {
  try {
    Flush();
  } catch (...) {
    // The download has already failed on another account; the bytes before stay.
  }
}

std::span<char> PackageWriter::Room(std::size_t wanted) {
  // Never full here: a block that fills is written at once.
  return {block_.get() + gathered_, std::min(wanted, kBlockSize - gathered_)};
}

void PackageWriter::Commit(std::size_t count) {
  gathered_ += count;
  size_ += static_cast<std::int64_t>(count);
  if (gathered_ == kBlockSize) Flush();
}

void PackageWriter::Flush() {
  if (gathered_ == 0) return;
  const std::size_t written = file_.Write(block_.get(), gathered_);
  const bool whole = written == gathered_;
  gathered_ = 0;
  if (!whole) throw Exception(file_.LastError());
}

}  // namespace brimsel
