#pragma once
// SHA-256 (FIPS 180-4) for comparing extracted files with their known digests.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace brimsel::test {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t length);
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block);

  std::uint32_t state_[8];
  std::uint8_t pending_[64];
  std::size_t pendingLength_ = 0;
  std::uint64_t totalLength_ = 0;
};

std::string Sha256Hex(std::string_view data);
// The digest of a file's bytes; empty when the file cannot be read.
std::string Sha256OfFile(const std::filesystem::path& file);

}  // namespace brimsel::test
