// The settings cipher: hex parsing, block handling, NUL padding and the key string.
#include "settings/settings_cipher.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel {
namespace {

using namespace std::string_literals;

std::string Encrypt(std::string_view plain) { return EncryptToHexText(plain, kSettingsKeyString); }
std::string Decrypt(std::string_view hex) { return DecryptHexText(hex, kSettingsKeyString); }

TEST(ParseHexPair, ReadsBothCasesHighDigitFirstAndNothingElse) {
  EXPECT_EQ(ParseHexPair("00"), 0u);
  EXPECT_EQ(ParseHexPair("7a"), 0x7Au);
  EXPECT_EQ(ParseHexPair("A7"), 0xA7u);
  EXPECT_EQ(ParseHexPair("fF"), 255u);
  for (const char* text : {"G0", "0G", " 1", "1 ", "-1", "0x", "\xB0\xA1"})
    EXPECT_THROW(ParseHexPair(text), Exception) << text;
}

TEST(DecryptHexText, ReadsWholeBlocksOfEitherCaseAndIgnoresAnOddLastCharacter) {
  for (const char* tooShort : {"", "AB", "0123456789ABCD", "0123456789ABCDE"}) EXPECT_EQ(Decrypt(tooShort), "") << tooShort;
  const std::string hex = Encrypt("Brimsel");
  ASSERT_EQ(hex.size(), 16u);
  EXPECT_EQ(Decrypt(hex), "Brimsel");
  EXPECT_EQ(Decrypt(hex + "Z"), "Brimsel");  // not looked at
  EXPECT_EQ(Decrypt(hex + "-"), "Brimsel");

  std::string lower = Encrypt("homepage");
  ASSERT_NE(lower.find_first_of("ABCDEF"), std::string::npos);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(Decrypt(lower), "homepage");
}

TEST(DecryptHexText, RaisesAtACharacterThatIsNotAHexDigit) {
  // "zz": even when the text is too short for a block.
  for (const char* hex : {"G0", "0123456789ABCDEG", "01 3456789ABCDEF", "-1", "zz"}) {
    try {
      Decrypt(hex);
      ADD_FAILURE() << "no error for '" << hex << "'";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Error: not a Hex String");
    }
  }
}

TEST(DecryptBytes, DeciphersOnlyWholeBlocks) {
  const std::string hex = Encrypt("sixteen bytes!!!");
  std::string cipher;
  for (std::size_t i = 0; i < hex.size(); i += 2) cipher.push_back(static_cast<char>(ParseHexPair(hex.substr(i, 2))));
  for (std::size_t extra = 1; extra < 8; ++extra)
    EXPECT_EQ(DecryptBytes(cipher + std::string(extra, 'x'), kSettingsKeyString), "sixteen bytes!!!") << extra;
  EXPECT_EQ(DecryptBytes(cipher.substr(0, 15), kSettingsKeyString), "sixteen ");
}

TEST(EncryptToHexText, IsDesEcbInUpperCaseHexPaddedWithNulOnlyWhenNeeded) {
  // The published example, reached through the key string and hex layers.
  EXPECT_EQ(EncryptToHexText("\x01\x23\x45\x67\x89\xAB\xCD\xEF", "\x13\x34\x57\x79\x9B\xBC\xDF\xF1"),
            "85E813540F0AB405");
  const std::string twice = Encrypt("abcdefghabcdefgh");  // ECB: equal blocks, equal ciphertext
  EXPECT_EQ(twice.substr(0, 16), twice.substr(16));
  EXPECT_EQ(Encrypt(""), "");
  EXPECT_EQ(Encrypt("12345678").size(), 16u);
  EXPECT_EQ(Encrypt("123456789").size(), 32u);
  EXPECT_EQ(Encrypt("1234567"), Encrypt("1234567\0"s));
}

TEST(SettingsCipher, RoundTripsTextsOfEveryLengthGbkAndInnerNulBytes) {
  std::string plain;
  for (int length = 0; length <= 40; ++length) {
    EXPECT_EQ(Decrypt(Encrypt(plain)), plain) << length;
    plain.push_back(static_cast<char>('a' + length % 26));
  }
  const std::string title = platform::Utf8ToGbk("在线升级 Brimsel 专业版");
  EXPECT_EQ(Decrypt(Encrypt(title)), title);
  EXPECT_EQ(Decrypt(Encrypt("a\0b"s)), "a\0b"s);
  EXPECT_EQ(Decrypt(Encrypt("ab\0\0"s)), "ab");  // trailing NUL bytes cannot be told from padding
}

TEST(SettingsCipher, UsesTheFirstEightBytesOfTheKeyStringPaddedWithNul) {
  const std::string hex = Encrypt("Brimsel title");
  EXPECT_EQ(DecryptHexText(hex, "pqd4ne8+"), "Brimsel title");
  EXPECT_EQ(DecryptHexText(hex, "pqd4ne8+something else"), "Brimsel title");
  std::string wrongKey;
  EXPECT_NO_THROW(wrongKey = DecryptHexText(hex, "pqd4ne8-ruwk-z63mv"));  // no error, only other bytes
  EXPECT_NE(wrongKey, "Brimsel title");

  EXPECT_EQ(DecryptHexText(EncryptToHexText("value", "abc"), "abc\0\0\0\0\0"s), "value");
  EXPECT_EQ(EncryptToHexText("value", ""), EncryptToHexText("value", std::string(8, '\0')));
}

}  // namespace
}  // namespace brimsel
