// libdeflate: a CRC-32 that uses the processor's carry-less multiply (about ten times
// zlib's on long chunks), and inflate of whole buffers.
#include <libdeflate.h>

#include <memory>

#include "archive/codecs/crc32.h"
#include "archive/codecs/whole_inflate.h"

namespace brimsel {
namespace {

struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// One decompressor per thread, kept: it holds nothing between calls but its tables.
libdeflate_decompressor* Decompressor() {
  thread_local const std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(
      libdeflate_alloc_decompressor());
  return decompressor.get();
}

}  // namespace

// libdeflate takes and gives the complemented value.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
  return ~libdeflate_crc32(~crc, data, length);
}

bool CanInflateWhole() { return true; }

std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> out) {
  libdeflate_decompressor* decompressor = Decompressor();
  if (!decompressor) return std::nullopt;
  std::size_t taken = 0;
  std::size_t produced = 0;
  const libdeflate_result result = libdeflate_deflate_decompress_ex(
      decompressor, compressed.data(), compressed.size(), out.data(), out.size(), &taken, &produced);
  if (result != LIBDEFLATE_SUCCESS) return std::nullopt;
  return produced;
}

}  // namespace brimsel
