#include "net/package_writer.h"

#include "platform/exception.h"
#include "platform/files.h"

namespace brimsel {

PackageWriter::PackageWriter(platform::File& file) : file_(file), size_(file.Size()) {
  if (size_ < 0) throw Exception(file_.LastError());
  gathered_.reserve(kBlockSize);
}

PackageWriter::~PackageWriter() {
  try {
    Flush();
  } catch (...) {
    // The download has already failed on another account; the bytes before stay.
  }
}

void PackageWriter::Append(const char* data, std::size_t count) {
  gathered_.append(data, count);
  size_ += static_cast<std::int64_t>(count);
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
