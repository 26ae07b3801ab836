#include "settings/settings_cipher.h"

#include <array>
#include <cstdint>
#include <mutex>

#include "platform/exception.h"
#include "settings/des.h"

namespace brimsel {
namespace {

constexpr std::size_t kBlockSize = 8;

// The round-key table is shared by the module: setting a key and using it must not
// interleave with another caller doing the same.
std::mutex& CipherLock() {
  static std::mutex lock;
  return lock;
}

// The first 8 bytes of the key string, NUL-padded when it is shorter.
void SetKeyFromKeyString(std::string_view keyString) {
  std::array<std::uint8_t, kBlockSize> key{};
  for (std::size_t i = 0; i < key.size() && i < keyString.size(); ++i) key[i] = static_cast<std::uint8_t>(keyString[i]);
  DesSetKey(key);
}

// Each whole block on its own (electronic codebook); a partial last block is ignored.
std::string CryptWholeBlocks(DesDirection direction, std::string_view bytes, std::string_view keyString) {
  std::lock_guard guard(CipherLock());
  SetKeyFromKeyString(keyString);
  std::string result;
  const std::size_t blocks = bytes.size() / kBlockSize;
  result.reserve(blocks * kBlockSize);
  for (std::size_t k = 0; k < blocks; ++k) {
    DesBlock in{};
    DesBlock out{};
    for (std::size_t i = 0; i < kBlockSize; ++i) in[i] = static_cast<std::uint8_t>(bytes[k * kBlockSize + i]);
    DesCryptBlock(direction, in, out);
    result.append(reinterpret_cast<const char*>(out.data()), out.size());
  }
  return result;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

unsigned ParseHexPair(std::string_view text) {
  unsigned value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) throw Exception(kNotHexStringError);
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return value;
}

std::string DecryptBytes(std::string_view cipher, std::string_view keyString) {
  std::string plain = CryptWholeBlocks(DesDirection::Decrypt, cipher, keyString);
  while (!plain.empty() && plain.back() == '\0') plain.pop_back();
  return plain;
}

std::string DecryptHexText(std::string_view hexText, std::string_view keyString) {
  std::string cipher;
  const std::size_t pairs = hexText.size() / 2;  // an odd last character is never looked at
  cipher.reserve(pairs);
  for (std::size_t i = 0; i < pairs; ++i) cipher.push_back(static_cast<char>(ParseHexPair(hexText.substr(2 * i, 2))));
  return DecryptBytes(cipher, keyString);
}

std::string EncryptToHexText(std::string_view plain, std::string_view keyString) {
  std::string padded(plain);
  padded.resize((padded.size() + kBlockSize - 1) / kBlockSize * kBlockSize, '\0');
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char byte : CryptWholeBlocks(DesDirection::Encrypt, padded, keyString)) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0x0F]);
  }
  return hex;
}

}  // namespace brimsel
