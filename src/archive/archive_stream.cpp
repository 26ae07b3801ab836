#include "archive/archive_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "archive/zip_exceptions.h"

namespace brimsel {

TArchiveStream::TArchiveStream(std::string_view fileName) : fileName_(fileName) {
  if (!file_.Open(fileName, platform::File::Mode::Read)) throw EFOpenError(fileName, file_.LastError());
  const std::int64_t size = file_.Size();
  if (size < 0) throw EFOpenError(fileName, file_.LastError());
  size_ = static_cast<std::uint64_t>(size);
}

TArchiveStream::TArchiveStream(std::string_view fileName, std::span<const std::uint8_t> image)
    : fileName_(fileName), inMemory_(true), image_(image), size_(image.size()) {}

std::size_t TArchiveStream::ReadAtFilePosition(std::uint8_t* out, std::size_t count) {
  std::size_t got = 0;
  if (!inMemory_) {
    got = file_.Read(out, count);
  } else if (filePos_ < size_) {
    got = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - filePos_));
    std::memcpy(out, image_.data() + filePos_, got);
  }
  filePos_ += got;
  return got;
}

bool TArchiveStream::Refill() {
  if (buffer_.empty()) buffer_.resize(kBufferSize);
  bufferPos_ = 0;
  bufferEnd_ = ReadAtFilePosition(buffer_.data(), buffer_.size());
  return bufferEnd_ > 0;
}

int TArchiveStream::ReadByteSlow() {
  if (!Refill()) return -1;
  return buffer_[bufferPos_++];
}

std::size_t TArchiveStream::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (bufferPos_ == bufferEnd_) {
      const std::size_t left = count - done;
      if (left >= kBufferSize) {
        // Large reads bypass the buffer.
        done += ReadAtFilePosition(out + done, left);
        break;
      }
      if (!Refill()) break;
    }
    const std::size_t take = std::min(count - done, bufferEnd_ - bufferPos_);
    std::memcpy(out + done, buffer_.data() + bufferPos_, take);
    bufferPos_ += take;
    done += take;
  }
  return done;
}

void TArchiveStream::Seek(std::uint64_t position) {
  // The entries of an archive mostly follow one another: the header of the next one is
  // often in the buffer already.
  const std::uint64_t bufferStart = filePos_ - bufferEnd_;
  if (position >= bufferStart && position < filePos_) {
    bufferPos_ = static_cast<std::size_t>(position - bufferStart);
    return;
  }
  bufferPos_ = bufferEnd_ = 0;
  // Positions beyond what the file handle can take are as good as the end of the file.
  const auto limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  position = std::min(position, limit);
  if (inMemory_) {
    filePos_ = position;  // reads past the end give nothing, as in a file
  } else if (file_.Seek(static_cast<std::int64_t>(position))) {
    filePos_ = position;
  } else {
    // Keep reads failing rather than reading from an unknown place.
    file_.Seek(static_cast<std::int64_t>(size_));
    filePos_ = size_;
  }
}

void TArchiveStream::Skip(std::uint64_t count) {
  const std::size_t buffered = bufferEnd_ - bufferPos_;
  if (count <= buffered) {
    bufferPos_ += static_cast<std::size_t>(count);
    return;
  }
  const std::uint64_t target = Position() + count;
  Seek(target < Position() ? std::numeric_limits<std::uint64_t>::max() : target);
}

}  // namespace brimsel
