#include "archive/decoder_io.h"

#include <algorithm>
#include <cstring>

#include "archive/crc32.h"
#include "archive/zip_exceptions.h"
#include "platform/pump.h"

namespace brimsel {

ByteSource::ByteSource(ReadFunction read, std::uint64_t compressedSize)
    : read_(std::move(read)), left_(compressedSize), buffer_(new std::uint8_t[kDecoderChunkSize]) {}

bool ByteSource::Refill() {
  if (left_ == 0) return false;
  if (pump_) platform::ProcessMessages();
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, kDecoderChunkSize));
  const std::size_t got = read_(buffer_.get(), want);
  if (got != want) throw EFatalUnzipError();
  left_ -= want;
  if (transform_) transform_(buffer_.get(), want);
  pos_ = 0;
  end_ = want;
  return true;
}

std::span<std::uint8_t> ByteSource::NextChunk() {
  if (pos_ == end_ && !Refill()) return {};
  std::span<std::uint8_t> chunk(buffer_.get() + pos_, end_ - pos_);
  pos_ = end_;
  return chunk;
}

ByteSink::ByteSink(WriteFunction write, std::uint64_t uncompressedSize)
    : write_(std::move(write)),
      uncompressedSize_(uncompressedSize),
      crc_(kCrc32Initial),
      // Several chunks only where the entry fills them: a small file keeps a small buffer.
      capacity_(static_cast<std::size_t>(
          std::clamp<std::uint64_t>(uncompressedSize, kDecoderChunkSize, kSinkCapacity) / kDecoderChunkSize *
          kDecoderChunkSize)),
      buffer_(new std::uint8_t[capacity_]) {}

void ByteSink::Write(const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const std::size_t n = std::min(length, kDecoderChunkSize - fill_);
    std::memcpy(buffer_.get() + fill_, data, n);
    data += n;
    length -= n;
    Commit(n);
  }
}

void ByteSink::Flush() {
  if (fill_ == 0) return;
  const std::size_t length = fill_;
  fill_ = 0;
  WriteChunk(buffer_.get(), length);
}

void ByteSink::CommitChunks(std::size_t length) {
  fill_ += length;
  std::size_t done = 0;
  for (; fill_ - done >= kDecoderChunkSize; done += kDecoderChunkSize)
    WriteChunk(buffer_.get() + done, kDecoderChunkSize);
  fill_ -= done;
  if (done > 0 && fill_ > 0) std::memmove(buffer_.get(), buffer_.get() + done, fill_);
}

void ByteSink::WriteChunk(std::uint8_t* data, std::size_t length) {
  if (transform_) transform_(data, length);
  if (written_ + length > uncompressedSize_) throw EBiggerThanUncompressed();
  if (write_(data, length) != length) throw ECantWriteUCF();
  crc_ = Crc32Update(crc_, data, length);
  written_ += length;
  if (progress_) progress_(length);
}

}  // namespace brimsel
