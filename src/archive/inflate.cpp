#include "archive/inflate.h"

#include <zlib.h>

#include "archive/zip_exceptions.h"

namespace brimsel {
namespace {

constexpr int kRawDeflateWindowBits = -15;

// The zlib stream, ended on every path.
class RawInflater {
 public:
  RawInflater() {
    if (inflateInit2(&stream_, kRawDeflateWindowBits) != Z_OK) throw EZCompressionError("error");
  }
  ~RawInflater() { inflateEnd(&stream_); }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
};

}  // namespace

DecodeStatus Inflate(ByteSource& in, ByteSink& out) {
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
    const int status = inflate(&zs, Z_NO_FLUSH);
    out.CommitChunks(space.size() - zs.avail_out);
    if (status == Z_STREAM_END) return DecodeStatus::Complete;
    if (status < 0) throw EZCompressionError("error");
  }
}

}  // namespace brimsel
