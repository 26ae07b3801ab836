#pragma once
// What the decoders read from and write to. The compressed data of one entry comes in
// through a ByteSource that refills a 32768-byte buffer from the archive; the decoded
// bytes leave through a ByteSink that collects them in a 32768-byte buffer and flushes it
// to the target file with the size check, the CRC-32 and the progress report. The per-byte
// calls are inline and touch only the buffers; everything slow happens once per chunk.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "platform/files.h"

namespace brimsel {

// Input is read and output flushed in chunks of at most this many bytes.
inline constexpr std::size_t kDecoderChunkSize = 32768;

// How a decoder ended: a code, and when the data did not decode to their end, the rule that
// broke, named as zlib's inflate names its errors ("invalid distance too far back").
// Premature ends of the archive file, overruns and write failures are raised as exceptions
// instead (see decoder_io.cpp).
class DecodeStatus {
 public:
  enum Code {
    Complete,   // the data decoded to its end
    Truncated,  // the entry's compressed bytes ran out before its data was complete
    Corrupt,    // the compressed data break a rule of their method
  };

  constexpr DecodeStatus(Code code = Complete)  // NOLINT: a code alone is a status
      : code_(code), rule_(code == Complete ? "" : code == Truncated ? "unexpected end of compressed data"
                                                                     : "invalid compressed data") {}
  // Corrupt data, with the rule they broke: a text with static storage.
  static constexpr DecodeStatus Broken(const char* rule) {
    DecodeStatus status(Corrupt);
    status.rule_ = rule;
    return status;
  }

  constexpr Code code() const { return code_; }
  // Empty when complete.
  constexpr const char* Rule() const { return rule_; }
  friend constexpr bool operator==(DecodeStatus status, Code code) { return status.code_ == code; }

 private:
  Code code_;
  const char* rule_;
};

// Decrypts (or otherwise transforms) a chunk in place.
using ChunkTransform = std::function<void(std::uint8_t* data, std::size_t length)>;

class ByteSource {
 public:
  // Reads up to `count` bytes of the archive at its current position; the count read.
  using ReadFunction = std::function<std::size_t(std::uint8_t* buffer, std::size_t count)>;

  ByteSource(ReadFunction read, std::uint64_t compressedSize);

  // Applied to every chunk as it is read (decryption of the compressed data).
  void SetTransform(ChunkTransform transform) { transform_ = std::move(transform); }
  // Runs the message pump before every read from the archive.
  void SetPumpMessages(bool pump) { pump_ = pump; }
  bool PumpsMessages() const { return pump_; }

  // The archive file the data are read from, and the offset of their first byte.
  void SetOrigin(const platform::File& archive, std::uint64_t offset) {
    origin_ = &archive;
    originOffset_ = offset;
  }
  // Where the data lie in the archive file, for a decoder that maps them instead of reading
  // them: known while nothing is read yet and the data need no transform.
  struct FileRange {
    const platform::File& file;
    std::uint64_t offset;
    std::uint64_t length;
  };
  std::optional<FileRange> UnreadRange() const;

  // The next compressed byte; false when the entry's compressed data is used up.
  bool NextByte(std::uint8_t& byte) {
    if (pos_ == end_ && !Refill()) return false;
    byte = buffer_[pos_++];
    return true;
  }
  // Four bytes at once, little-endian, when that many are buffered; false otherwise.
  bool Next32(std::uint32_t& word) {
    if (end_ - pos_ < 4) return false;
    const std::uint8_t* p = buffer_.get() + pos_;
    word = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    pos_ += 4;
    return true;
  }
  // The bytes still buffered, or a fresh chunk when none are; empty at the end of the data.
  // The caller consumes all of it.
  std::span<std::uint8_t> NextChunk();

  // Compressed bytes not yet handed to the decoder.
  std::uint64_t Remaining() const { return left_ + (end_ - pos_); }

  // Reads the rest of the entry's compressed data straight into `into` (room for
  // Remaining() bytes), in the chunks a refill reads, each with its pump and transform.
  // Stops at a read that comes back short instead of raising; the count of bytes of the
  // whole chunks read.
  std::size_t ReadRest(std::uint8_t* into);

 private:
  bool Refill();

  ReadFunction read_;
  ChunkTransform transform_;
  bool pump_ = false;
  const platform::File* origin_ = nullptr;  // forgotten at the first read
  std::uint64_t originOffset_ = 0;
  std::uint64_t left_;  // bytes of the entry not yet read from the archive
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

class ByteSink {
 public:
  // Writes `count` bytes to the target; the count written.
  using WriteFunction = std::function<std::size_t(const std::uint8_t* data, std::size_t count)>;
  // Told the length of every chunk after it was written.
  using ProgressFunction = std::function<void(std::size_t chunkLength)>;

  ByteSink(WriteFunction write, std::uint64_t uncompressedSize);

  // Applied to every chunk just before it is written (decryption of stored data).
  void SetTransform(ChunkTransform transform) { transform_ = std::move(transform); }
  void SetProgress(ProgressFunction progress) { progress_ = std::move(progress); }

  // The file the writes go to, from its start.
  void SetTarget(platform::File& file) { target_ = &file; }
  // That file, for a decoder that writes into it by itself: while nothing is written yet
  // and the bytes need no transform.
  platform::File* UntouchedTarget() const { return written_ == 0 && fill_ == 0 && !transform_ ? target_ : nullptr; }
  // Takes account of the first `length` bytes of the target, which such a decoder wrote,
  // with `runningCrc` their running CRC-32 from the start value: counted and reported in
  // the chunks that Flush would have written.
  void CountWrittenByDecoder(std::size_t length, std::uint32_t runningCrc);

  void Put(std::uint8_t byte) {
    buffer_[fill_++] = byte;
    if (fill_ == kDecoderChunkSize) Flush();
  }
  void Write(const std::uint8_t* data, std::size_t length);
  // Writes decoded bytes held elsewhere, in the chunks Flush would write, without copying
  // them first; a transform changes them in place.
  void WriteInPlace(std::uint8_t* data, std::size_t length);

  // Room for writing in place; Commit tells how much of it was filled.
  std::span<std::uint8_t> FreeSpace() {
    if (fill_ == kDecoderChunkSize) Flush();
    return {buffer_.get() + fill_, kDecoderChunkSize - fill_};
  }
  void Commit(std::size_t length) {
    fill_ += length;
    if (fill_ == kDecoderChunkSize) Flush();
  }
  // Room for several chunks at once, for a decoder that pays per call (zlib copies what
  // one call produced into its window, up to 32 KiB); CommitChunks tells how much was
  // filled and writes the whole chunks of it, each as Flush would.
  std::span<std::uint8_t> RoomForChunks() { return {buffer_.get() + fill_, capacity_ - fill_}; }
  void CommitChunks(std::size_t length);

  // Writes what is collected: raises the overrun when the target would grow past the
  // uncompressed size, and the write failure when the target takes fewer bytes.
  void Flush();

  static constexpr std::size_t kSinkCapacity = 8 * kDecoderChunkSize;

  // Bytes produced so far, flushed or not.
  std::uint64_t Produced() const { return written_ + fill_; }
  std::uint64_t Written() const { return written_; }
  std::uint64_t UncompressedSize() const { return uncompressedSize_; }
  // The finished CRC-32 of the bytes written.
  std::uint32_t Crc32() const { return ~crc_; }

 private:
  WriteFunction write_;
  ChunkTransform transform_;
  ProgressFunction progress_;
  std::uint64_t uncompressedSize_;
  std::uint64_t written_ = 0;
  std::uint32_t crc_;
  platform::File* target_ = nullptr;
  void WriteChunks(std::uint8_t* data, std::size_t length);

  std::size_t capacity_;  // whole chunks
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t fill_ = 0;
};

// Reads bits least significant first, as every legacy zip method packs them. Past the end
// of the entry's data it supplies zero bits and remembers it, so a decoder checks
// Exhausted() once per symbol instead of testing every bit.
class BitReader {
 public:
  explicit BitReader(ByteSource& source) : source_(source) {}

  // Makes at least `count` (at most 56) bits available.
  void Need(unsigned count) {
    if (count_ >= count) return;
    std::uint32_t word;
    if (count_ <= 32 && source_.Next32(word)) {
      bits_ |= static_cast<std::uint64_t>(word) << count_;
      count_ += 32;
    }
    while (count_ < count) {
      std::uint8_t byte = 0;
      if (!source_.NextByte(byte)) padding_ += 8;
      bits_ |= static_cast<std::uint64_t>(byte) << count_;
      count_ += 8;
    }
  }
  std::uint32_t Peek(unsigned count) {
    Need(count);
    return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << count) - 1));
  }
  void Drop(unsigned count) {
    bits_ >>= count;
    count_ -= count;
    consumedPadding_ = consumedPadding_ || count_ < padding_;
  }
  std::uint32_t Get(unsigned count) {
    const std::uint32_t value = Peek(count);
    Drop(count);
    return value;
  }
  // True once a bit beyond the entry's compressed data was consumed.
  bool Exhausted() const { return consumedPadding_; }

 private:
  ByteSource& source_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  unsigned padding_ = 0;  // zero bits appended past the end, at the top of bits_
  bool consumedPadding_ = false;
};

}  // namespace brimsel
