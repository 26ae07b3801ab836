#include "archive/codecs/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "archive/codecs/whole_inflate.h"
#include "archive/zip_exceptions.h"
#include "platform/pump.h"

namespace brimsel {
namespace {

constexpr int kRawDeflateWindowBits = -15;

// Entries whose compressed data and declared size both stay within this are read and
// inflated whole: the files of a package mostly do.
constexpr std::uint64_t kWholeEntryLimit = 2 << 20;

// The zlib stream, ended on every path.
class RawInflater {
 public:
  RawInflater() {
    if (const int status = inflateInit2(&stream_, kRawDeflateWindowBits); status != Z_OK)
      throw EZCompressionError("error", zError(status));
  }
  ~RawInflater() { inflateEnd(&stream_); }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
};

// Compressed data read ahead into memory, handed out in the chunks the archive would have
// given. When the read came back short, the chunk after the last whole one raises the
// error a refill would have raised there.
class ChunksInMemory {
 public:
  ChunksInMemory(std::span<std::uint8_t> data, bool cutShort) : data_(data), cutShort_(cutShort) {}

  std::span<std::uint8_t> NextChunk() {
    if (data_.empty()) {
      if (cutShort_) throw EFatalUnzipError();
      return {};
    }
    const std::span<std::uint8_t> chunk = data_.first(std::min(data_.size(), kDecoderChunkSize));
    data_ = data_.subspan(chunk.size());
    return chunk;
  }
  std::uint64_t Remaining() const { return cutShort_ ? data_.size() + 1 : data_.size(); }

 private:
  std::span<std::uint8_t> data_;
  bool cutShort_;
};

template <typename Source>
DecodeStatus InflateStream(Source& in, ByteSink& out) {
  RawInflater inflater;
  z_stream& zs = inflater.stream();
  for (;;) {
    if (zs.avail_in == 0) {
      const std::span<std::uint8_t> chunk = in.NextChunk();
      if (chunk.empty()) return DecodeStatus::Truncated;
      zs.next_in = chunk.data();
      zs.avail_in = static_cast<uInt>(chunk.size());
    }
    const std::span<std::uint8_t> space = out.RoomForChunks();
    zs.next_out = space.data();
    zs.avail_out = static_cast<uInt>(space.size());
    // With the last of the input, zlib is told so: a stream that ends in this call then
    // spares the copy of its output into the window (all of a small file's).
    const uInt inputBefore = zs.avail_in;
    const int status = inflate(&zs, in.Remaining() == 0 ? Z_FINISH : Z_NO_FLUSH);
    const std::size_t produced = space.size() - zs.avail_out;
    out.CommitChunks(produced);
    if (status == Z_STREAM_END) return DecodeStatus::Complete;
    // Z_BUF_ERROR only says that this call could not finish: more room or input follows,
    // unless it took and gave nothing with both at hand.
    if (status == Z_BUF_ERROR && produced == 0 && zs.avail_in != 0 && zs.avail_in == inputBefore)
      return DecodeStatus::Broken("inflate made no progress");
    if (status < 0 && status != Z_BUF_ERROR) throw EZCompressionError("error", zs.msg ? zs.msg : zError(status));
  }
}

// Memory for whole entries, kept by the thread from one entry to the next so that its
// pages are not mapped afresh for each.
class WholeEntryBuffer {
 public:
  std::span<std::uint8_t> Take(std::size_t size) {
    if (size > capacity_) {
      data_.reset();
      data_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
      capacity_ = size;
    }
    return {data_.get(), size};
  }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
};

}  // namespace

DecodeStatus Inflate(ByteSource& in, ByteSink& out) {
  const std::uint64_t compressed = in.Remaining();
  const std::uint64_t size = out.UncompressedSize();
  if (!CanInflateWhole()) return InflateStream(in, out);
  if (compressed > kWholeEntryLimit || size > kWholeEntryLimit) {
    // A large entry goes from the archive into the target in place, when both are files
    // and the data decode cleanly within the declared size; anything else, and wherever
    // the mapping fails, gets the streaming decoder's exact verdict.
    const std::optional<ByteSource::FileRange> range = in.UnreadRange();
    if (platform::File* target = out.UntouchedTarget(); range && target) {
      std::optional<FileInflation> done;
      const auto inflate = [&] { done = InflateFileIntoFile(range->file, range->offset, range->length, *target, size); };
      // The decoder runs in one piece: the window answers meanwhile, as between reads.
      if (in.PumpsMessages()) {
        platform::RunWhilePumping(inflate);
      } else {
        inflate();
      }
      if (done) {
        out.CountWrittenByDecoder(done->produced, done->runningCrc);
        return DecodeStatus::Complete;
      }
    }
    return InflateStream(in, out);
  }

  thread_local WholeEntryBuffer inputBuffer, outputBuffer;
  const std::span<std::uint8_t> input = inputBuffer.Take(static_cast<std::size_t>(compressed));
  const std::size_t read = in.ReadRest(input.data());
  // An entry that decodes to at most its declared size is done here; anything else (damage,
  // a short read, more output than declared) gets the streaming decoder's exact verdict.
  const std::span<std::uint8_t> output = outputBuffer.Take(static_cast<std::size_t>(size));
  if (read == input.size()) {
    if (const std::optional<std::size_t> produced = InflateWhole(input, output)) {
      out.WriteInPlace(output.data(), *produced);
      return DecodeStatus::Complete;
    }
  }
  ChunksInMemory again(input.first(read), read != input.size());
  return InflateStream(again, out);
}

}  // namespace brimsel
