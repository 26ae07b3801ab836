#pragma once
// Traditional PKWARE encryption of the zip format: three 32-bit keys stirred by the
// password and then by every plain byte. Each encrypted entry starts with a 12-byte
// header whose last decrypted byte must equal a check byte known from the directory.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/codecs/crc32.h"

namespace brimsel {

inline constexpr std::size_t kEncryptionHeaderSize = 12;

class ZipCryptoKeys {
 public:
  explicit ZipCryptoKeys(std::string_view password);

  std::uint8_t DecryptByte(std::uint8_t cipher) {
    const std::uint8_t plain = cipher ^ KeyStreamByte();
    Update(plain);
    return plain;
  }
  std::uint8_t EncryptByte(std::uint8_t plain) {
    const std::uint8_t cipher = plain ^ KeyStreamByte();
    Update(plain);
    return cipher;
  }
  void Decrypt(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) data[i] = DecryptByte(data[i]);
  }
  void Encrypt(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) data[i] = EncryptByte(data[i]);
  }

 private:
  std::uint8_t KeyStreamByte() const {
    const std::uint16_t temp = static_cast<std::uint16_t>(key2_ | 2);
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(temp) * (temp ^ 1u)) >> 8);
  }
  void Update(std::uint8_t plain) {
    key0_ = Crc32UpdateByte(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = Crc32UpdateByte(key2_, static_cast<std::uint8_t>(key1_ >> 24));
  }

  std::uint32_t key0_ = 0x12345678u;
  std::uint32_t key1_ = 0x23456789u;
  std::uint32_t key2_ = 0x34567890u;
};

// The byte that the last byte of the decrypted header must equal: the high byte of the
// DOS time when the sizes follow the data (flag bit 3; the CRC was not known when the
// header was written), else the high byte of the CRC-32.
std::uint8_t PasswordCheckByte(std::uint16_t flags, std::uint32_t dosDateTime, std::uint32_t crc32);

// Decrypts the 12-byte header in place with `keys` (which then continue with the data)
// and says whether its last byte equals the check byte.
bool DecryptEncryptionHeader(ZipCryptoKeys& keys, std::uint8_t (&header)[kEncryptionHeaderSize],
                             std::uint8_t checkByte);

}  // namespace brimsel
