#include "archive/codecs/decoder_io.h"

#include <algorithm>
#include <cstring>

#include "archive/codecs/crc32.h"
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

std::size_t ByteSource::ReadRest(std::uint8_t* into) {
  std::size_t done = 0;
  for (; pos_ < end_; ++done) into[done] = buffer_[pos_++];
  while (left_ > 0) {
    if (pump_) platform::ProcessMessages();
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, kDecoderChunkSize));
    if (read_(into + done, want) != want) break;
    left_ -= want;
    if (transform_) transform_(into + done, want);
    done += want;
  }
  return done;
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

void ByteSink::WriteInPlace(std::uint8_t* data, std::size_t length) {
  Flush();
  WriteChunks(data, length);
}

void ByteSink::Flush() {
  if (fill_ == 0) return;
  const std::size_t length = fill_;
  fill_ = 0;
  WriteChunks(buffer_.get(), length);
}

void ByteSink::CommitChunks(std::size_t length) {
  fill_ += length;
  const std::size_t whole = fill_ / kDecoderChunkSize * kDecoderChunkSize;
  if (whole == 0) return;
  fill_ -= whole;
  WriteChunks(buffer_.get(), whole);
  if (fill_ > 0) std::memmove(buffer_.get(), buffer_.get() + whole, fill_);
}

// Each chunk of at most kDecoderChunkSize bytes is transformed, checked against the size,
// counted and reported as if it were written alone; the file takes them in one write.
void ByteSink::WriteChunks(std::uint8_t* data, std::size_t length) {
  std::size_t fits = 0;
  bool overrun = false;
  while (fits < length) {
    const std::size_t n = std::min(kDecoderChunkSize, length - fits);
    if (transform_) transform_(data + fits, n);
    if (written_ + fits + n > uncompressedSize_) {
      overrun = true;
      break;
    }
    fits += n;
  }
  const std::size_t put = fits > 0 ? write_(data, fits) : 0;
  for (std::size_t done = 0; done < fits;) {
    const std::size_t n = std::min(kDecoderChunkSize, fits - done);
    if (done + n > put) throw ECantWriteUCF();
    crc_ = Crc32Update(crc_, data + done, n);
    written_ += n;
    done += n;
    if (progress_) progress_(n);
  }
  if (overrun) throw EBiggerThanUncompressed();
}

}  // namespace brimsel
