#include "archive/crc32.h"

#include <cstring>

namespace brimsel {

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
  const auto& t = crc32_detail::kTables;
  const auto* p = static_cast<const std::uint8_t*>(data);
  // Eight bytes per step; the byte order of the loads is fixed explicitly, so the result
  // does not depend on the host's endianness.
  while (length >= 8) {
    std::uint32_t lo = crc ^ (static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                              static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][p[4]] ^
          t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    p += 8;
    length -= 8;
  }
  while (length-- > 0) crc = Crc32UpdateByte(crc, *p++);
  return crc;
}

}  // namespace brimsel
