// DES against the published test values, in both directions.
#include "settings/des.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace brimsel {
namespace {

DesBlock FromHex(const std::string& hex) {
  DesBlock block{};
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  return block;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
  std::string hex;
  char digits[3];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", byte);
    hex += digits;
  }
  return hex;
}

std::string Crypt(DesDirection direction, const std::string& keyHex, const std::string& inputHex) {
  DesSetKey(FromHex(keyHex));
  DesBlock out{};
  DesCryptBlock(direction, FromHex(inputHex), out);
  return ToHex(out);
}

// The worked example of the key schedule and the cipher (also with every parity bit
// flipped: the same 56-bit key); the FIPS 81 ECB example ("Now is the time for all ");
// and entries of the NBS variable-plaintext and variable-key tables.
TEST(Des, EncryptsAndDecryptsThePublishedValues) {
  const struct {
    const char* key;
    const char* plain;
    const char* cipher;
  } answers[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"123556789ABDDEF0", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
      {"0123456789ABCDEF", "68652074696D6520", "6A271787AB8883F9"},
      {"0123456789ABCDEF", "666F7220616C6C20", "893D51EC4B563B53"},
      {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
      {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
      {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
      {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
      {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
  };
  for (const auto& answer : answers) {
    EXPECT_EQ(Crypt(DesDirection::Encrypt, answer.key, answer.plain), answer.cipher) << "key " << answer.key;
    EXPECT_EQ(Crypt(DesDirection::Decrypt, answer.key, answer.cipher), answer.plain) << "key " << answer.key;
  }
}

// The iterated test: sixteen alternating encryptions and decryptions, each block being
// its own key, touch every S-box entry the published final value depends on.
TEST(Des, IteratedTestReachesThePublishedValue) {
  DesBlock x = FromHex("9474B8E8C73BCA7D");
  for (int i = 0; i < 16; ++i) {
    DesSetKey(x);
    DesCryptBlock(i % 2 == 0 ? DesDirection::Encrypt : DesDirection::Decrypt, x, x);
  }
  EXPECT_EQ(ToHex(x), "1B1A2DDB4C642438");
}

TEST(Des, SetKeyFillsTheWholeTableWithThePublishedRoundKeys) {
  DesSetKey(FromHex("0123456789ABCDEF"));
  DesSetKey(FromHex("133457799BBCDFF1"));
  EXPECT_EQ(ToHex(DesRoundKeyTable()[0]), "1B02EFFC7072");   // K1
  EXPECT_EQ(ToHex(DesRoundKeyTable()[15]), "CB3D8B0E17F5");  // K16
  DesSetKey(FromHex("0000000000000000"));
  for (const auto& roundKey : DesRoundKeyTable()) EXPECT_EQ(ToHex(roundKey), "000000000000");
}

}  // namespace
}  // namespace brimsel
