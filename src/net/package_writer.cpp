#include "net/package_writer.h"

#include "platform/exception.h"
#include "platform/files.h"

namespace brimsel {

PackageWriter::PackageWriter(platform::File& file) : file_(file) { gathered_.reserve(kBlockSize); }

PackageWriter::~PackageWriter() {
  try {
    Flush();
  } catch (...) {
    // The download has already failed on another account; the bytes before stay.
  }
}

std::int64_t PackageWriter::Size() const {
  const std::int64_t onDisk = file_.Size();
  if (onDisk < 0) throw Exception(file_.LastError());
  return onDisk + static_cast<std::int64_t>(gathered_.size());
}

void PackageWriter::Append(const char* data, std::size_t count) {
  gathered_.append(data, count);
  if (gathered_.size() >= kBlockSize) Flush();
}

void PackageWriter::Flush() {
  if (gathered_.empty()) return;
  const std::size_t written = file_.Write(gathered_.data(), gathered_.size());
  const bool whole = written == gathered_.size();
  gathered_.clear();
  if (!whole) throw Exception(file_.LastError());
}

}  // namespace brimsel
