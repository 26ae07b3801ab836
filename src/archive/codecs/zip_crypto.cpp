#include "archive/codecs/zip_crypto.h"

namespace brimsel {

ZipCryptoKeys::ZipCryptoKeys(std::string_view password) {
  for (char c : password) Update(static_cast<std::uint8_t>(c));
}

std::uint8_t PasswordCheckByte(std::uint16_t flags, std::uint32_t dosDateTime, std::uint32_t crc32) {
  constexpr std::uint16_t kDataDescriptorFlag = 0x0008;
  if (flags & kDataDescriptorFlag) return static_cast<std::uint8_t>((dosDateTime & 0xFFFF) >> 8);
  return static_cast<std::uint8_t>(crc32 >> 24);
}

bool DecryptEncryptionHeader(ZipCryptoKeys& keys, std::uint8_t (&header)[kEncryptionHeaderSize],
                             std::uint8_t checkByte) {
  keys.Decrypt(header, kEncryptionHeaderSize);
  return header[kEncryptionHeaderSize - 1] == checkByte;
}

}  // namespace brimsel
