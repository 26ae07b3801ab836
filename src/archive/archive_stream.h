#pragma once
// The archive file opened for reading through an 8192-byte buffer. Reads are served from
// the buffer and refill it as they go; a read larger than the buffer goes to the file
// directly. Seek and Skip keep the buffered bytes when they move to one of them, which
// makes stepping over the extra field and comment of each directory record, and from one
// small entry to the next, cheap.
//
// Other programs are not kept from writing the file while it is open: the platform has
// no mandatory share modes. The component notices a rewritten archive by its last-write
// time and size before it trusts a loaded directory.
//
// An archive held in memory is read alike, through the same buffer, so that a load or an
// extraction behaves the same whichever holds the archive.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace brimsel {

class TArchiveStream {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  // Opens the file for reading; raises EFOpenError naming the file when it cannot.
  explicit TArchiveStream(std::string_view fileName);
  // The archive `image` under the name `fileName`; the bytes stay the caller's and must
  // outlive the stream.
  TArchiveStream(std::string_view fileName, std::span<const std::uint8_t> image);
  TArchiveStream(const TArchiveStream&) = delete;
  TArchiveStream& operator=(const TArchiveStream&) = delete;

  const std::string& FileName() const { return fileName_; }

  // Reads up to `count` bytes; returns the count read (fewer at the end of the file).
  std::size_t Read(void* buffer, std::size_t count);
  // True when exactly `count` bytes were read.
  bool ReadExact(void* buffer, std::size_t count) { return Read(buffer, count) == count; }
  // The next byte, or -1 at the end of the file.
  int ReadByte() {
    if (bufferPos_ < bufferEnd_) return buffer_[bufferPos_++];
    return ReadByteSlow();
  }

  // Moves to an absolute position (past the end is allowed; reads there return 0 bytes).
  void Seek(std::uint64_t position);
  // Moves forward by `count` bytes.
  void Skip(std::uint64_t count);
  std::uint64_t Position() const { return filePos_ - (bufferEnd_ - bufferPos_); }
  std::uint64_t Size() const { return size_; }
  // The open file, for mapping a part of it; null for an archive in memory.
  const platform::File* Handle() const { return inMemory_ ? nullptr : &file_; }

 private:
  int ReadByteSlow();
  bool Refill();
  // Up to `count` bytes from the file position on, which moves past them.
  std::size_t ReadAtFilePosition(std::uint8_t* out, std::size_t count);

  std::string fileName_;
  platform::File file_;
  bool inMemory_ = false;
  std::span<const std::uint8_t> image_;
  std::uint64_t size_ = 0;
  std::uint64_t filePos_ = 0;  // position of the file handle (end of the buffered bytes)
  std::vector<std::uint8_t> buffer_;
  std::size_t bufferPos_ = 0;
  std::size_t bufferEnd_ = 0;
};

}  // namespace brimsel
