#pragma once
// The DES block cipher of FIPS 46-3. The module keeps one table of round keys
// K1..K16, which DesSetKey replaces and DesCryptBlock uses; callers that share it from
// several threads must hold their own lock across the two calls.

#include <array>
#include <cstdint>
#include <span>

namespace brimsel {

enum class DesDirection { Encrypt, Decrypt };

using DesBlock = std::array<std::uint8_t, 8>;
using DesRoundKeys = std::array<std::array<std::uint8_t, 6>, 16>;  // 48 bits each, MSB first

// Fills the round-key table from an 8-byte key; the parity bits are ignored.
void DesSetKey(std::span<const std::uint8_t, 8> key);

// One block through the 16 rounds: K1 first when encrypting, K16 first when decrypting.
// `input` and `output` may be the same bytes.
void DesCryptBlock(DesDirection direction, std::span<const std::uint8_t, 8> input, std::span<std::uint8_t, 8> output);

// The current round-key table (all zero until the first DesSetKey).
const DesRoundKeys& DesRoundKeyTable();

}  // namespace brimsel
