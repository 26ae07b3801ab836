// libdeflate: a CRC-32 that uses the processor's carry-less multiply (about ten times
// zlib's on long chunks), and inflate of whole buffers: in memory, or in the archive and
// the target file mapped.
#include <libdeflate.h>

#include <memory>

#include "archive/codecs/crc32.h"
#include "archive/codecs/whole_inflate.h"
#include "platform/posix/file_mapping.h"

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

std::optional<FileInflation> InflateFileIntoFile(const platform::File& archive, std::uint64_t offset,
                                                 std::uint64_t compressed, platform::File& target,
                                                 std::uint64_t size) {
  libdeflate_decompressor* decompressor = Decompressor();
  if (!decompressor) return std::nullopt;
  const std::optional<platform::FileMapping> in = platform::FileMapping::ForReading(archive, offset, compressed);
  if (!in) return std::nullopt;
  const std::optional<platform::FileMapping> out = platform::FileMapping::ForWriting(target, size);
  if (!out) return std::nullopt;
  const std::span<const std::uint8_t> input = in->Bytes();
  const std::span<std::uint8_t> output = out->Bytes();
  FileInflation inflation;
  libdeflate_result result = LIBDEFLATE_BAD_DATA;
  // The CRC-32 is taken here too: the output is read while its pages are sure to be there.
  const bool touched = platform::RunOnMappedPages([&] {
    result = libdeflate_deflate_decompress_ex(decompressor, input.data(), input.size(), output.data(), output.size(),
                                              nullptr, &inflation.produced);
    if (result == LIBDEFLATE_SUCCESS) inflation.runningCrc = Crc32Update(kCrc32Initial, output.data(), inflation.produced);
  });
  if (!touched || result != LIBDEFLATE_SUCCESS) return std::nullopt;
  return inflation;
}

}  // namespace brimsel
