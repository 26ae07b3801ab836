#pragma once
// Little-endian integers of zip records, read from byte buffers and written into records
// being built.

#include <cstddef>
#include <cstdint>
#include <string>

namespace brimsel {

inline std::uint16_t LoadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadLe64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LoadLe32(p)) | (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}

// Writes `value` at offset `at` of a record that already has its full size.
inline void StoreLe16(std::string& record, std::size_t at, std::uint16_t value) {
  record[at] = static_cast<char>(value & 0xFF);
  record[at + 1] = static_cast<char>(value >> 8);
}
inline void StoreLe32(std::string& record, std::size_t at, std::uint32_t value) {
  StoreLe16(record, at, static_cast<std::uint16_t>(value));
  StoreLe16(record, at + 2, static_cast<std::uint16_t>(value >> 16));
}
inline void StoreLe64(std::string& record, std::size_t at, std::uint64_t value) {
  StoreLe32(record, at, static_cast<std::uint32_t>(value));
  StoreLe32(record, at + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace brimsel
