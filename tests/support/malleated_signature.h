#pragma once
// The second form of an Ed25519 signature that a lax verifier accepts: the group order L
// added to its scalar s (the second 32 bytes, little-endian). s < L, so s + L < 2^256.

#include <string>

namespace brimsel::test {

inline std::string WithGroupOrderAddedToS(const std::string& signatureHex) {
  // L = 2^252 + 27742317777372353535851937790883648493 (RFC 8032), little-endian.
  static constexpr unsigned char kOrder[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                               0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                               0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};
  static constexpr char kDigits[] = "0123456789abcdef";
  auto value = [](char c) { return static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10); };
  std::string sum = signatureHex;
  unsigned carry = 0;
  for (std::size_t i = 0; i < 32; ++i) {
    const std::size_t at = 64 + 2 * i;
    const unsigned byte = value(signatureHex[at]) * 16 + value(signatureHex[at + 1]) + kOrder[i] + carry;
    carry = byte >> 8;
    sum[at] = kDigits[(byte >> 4) & 0xF];
    sum[at + 1] = kDigits[byte & 0xF];
  }
  return sum;
}

}  // namespace brimsel::test
