#pragma once
// The cipher of the configuration values in Update.ini: each value is the hex text of the
// DES/ECB encipherment of its plain text, padded with NUL bytes to whole 8-byte blocks,
// under the first 8 bytes of a key string (NUL-padded when shorter).

#include <string>
#include <string_view>

namespace brimsel {

// The key string the updater deciphers its settings with; only its first 8 bytes matter.
inline constexpr char kSettingsKeyString[] = "pqd4ne8+ruwk-z63mv";

inline constexpr char kNotHexStringError[] = "Error: not a Hex String";

// The value of a text of hex digits, most significant first (used two digits at a time).
// Raises brimsel::Exception "Error: not a Hex String" at the first other character.
unsigned ParseHexPair(std::string_view text);

// Deciphers the whole 8-byte blocks of `cipher` (the rest is ignored) and removes the
// trailing NUL bytes.
std::string DecryptBytes(std::string_view cipher, std::string_view keyString);

// Pairs of hex digits to bytes (an odd last character is ignored), then DecryptBytes.
std::string DecryptHexText(std::string_view hexText, std::string_view keyString);

// The inverse of DecryptHexText, for making values: upper-case hex text.
std::string EncryptToHexText(std::string_view plain, std::string_view keyString);

}  // namespace brimsel
