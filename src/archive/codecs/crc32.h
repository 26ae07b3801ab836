#pragma once
// CRC-32 of the zip format: reflected polynomial 0xEDB88320, started at 0xFFFFFFFF and
// complemented at the end. The running value is kept uncomplemented while data flows
// through it, so callers feed chunks with Crc32Update and complement once.

#include <array>
#include <cstddef>
#include <cstdint>

namespace brimsel {

inline constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320u;
inline constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFFu;

// The classic byte table.
constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kCrc32Polynomial : c >> 1;
    table[n] = c;
  }
  return table;
}

// The 256-entry table of the polynomial.
inline constexpr std::array<std::uint32_t, 256> kCrc32Table = MakeCrc32Table();

// One byte into the running (uncomplemented) value.
inline std::uint32_t Crc32UpdateByte(std::uint32_t crc, std::uint8_t byte) {
  return (crc >> 8) ^ kCrc32Table[(crc ^ byte) & 0xFF];
}

// A chunk into the running (uncomplemented) value.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length);

// The finished CRC-32 of one block of data.
inline std::uint32_t Crc32(const void* data, std::size_t length) {
  return ~Crc32Update(kCrc32Initial, data, length);
}

}  // namespace brimsel
