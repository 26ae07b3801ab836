// The settings cipher: hex parsing, block handling, NUL padding and the key string.
#include "settings/settings_cipher.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel {
namespace {

using namespace std::string_literals;

void ExpectNotHex(std::string_view hex) {
  try {
    DecryptHexText(hex, kSettingsKeyString);
    ADD_FAILURE() << "no error for '" << hex << "'";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error: not a Hex String");
  }
}

TEST(ParseHexPair, ReadsBothCasesHighDigitFirst) {
  EXPECT_EQ(ParseHexPair("00"), 0u);
  EXPECT_EQ(ParseHexPair("7a"), 0x7Au);
  EXPECT_EQ(ParseHexPair("A7"), 0xA7u);
  EXPECT_EQ(ParseHexPair("ff"), ParseHexPair("FF"));
  EXPECT_EQ(ParseHexPair("fF"), 255u);
}

TEST(ParseHexPair, RejectsEveryOtherCharacter) {
  for (const char* text : {"G0", "0G", " 1", "1 ", "-1", "0x", "\xB0\xA1"})
    EXPECT_THROW(ParseHexPair(text), Exception) << text;
}

TEST(DecryptHexText, EmptyAndShortTextsGiveEmptyText) {
  EXPECT_EQ(DecryptHexText("", kSettingsKeyString), "");
  EXPECT_EQ(DecryptHexText("AB", kSettingsKeyString), "");
  EXPECT_EQ(DecryptHexText("0123456789ABCD", kSettingsKeyString), "");
  EXPECT_EQ(DecryptHexText("0123456789ABCDE", kSettingsKeyString), "");
}

TEST(DecryptHexText, SixteenDigitsGiveOneBlock) {
  const std::string hex = EncryptToHexText("Brimsel", kSettingsKeyString);
  ASSERT_EQ(hex.size(), 16u);
  EXPECT_EQ(DecryptHexText(hex, kSettingsKeyString), "Brimsel");
}

TEST(DecryptHexText, IgnoresAnOddLastCharacterUnlooked) {
  const std::string hex = EncryptToHexText("Brimsel", kSettingsKeyString);
  EXPECT_EQ(DecryptHexText(hex + "Z", kSettingsKeyString), "Brimsel");
  EXPECT_EQ(DecryptHexText(hex + "-", kSettingsKeyString), "Brimsel");
}

TEST(DecryptHexText, LowerAndUpperCaseDigitsAreAlike) {
  std::string hex = EncryptToHexText("homepage", kSettingsKeyString);
  ASSERT_NE(hex.find_first_of("ABCDEF"), std::string::npos);
  for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(DecryptHexText(hex, kSettingsKeyString), "homepage");
}

TEST(DecryptHexText, RaisesAtACharacterThatIsNotAHexDigit) {
  ExpectNotHex("G0");
  ExpectNotHex("0123456789ABCDEG");
  ExpectNotHex("01 3456789ABCDEF");
  ExpectNotHex("-1");
  ExpectNotHex("zz");  // even when the text is too short for a block
}

TEST(DecryptBytes, DeciphersOnlyWholeBlocks) {
  const std::string hex = EncryptToHexText("sixteen bytes!!!", kSettingsKeyString);
  std::string cipher;
  for (std::size_t i = 0; i < hex.size(); i += 2) cipher.push_back(static_cast<char>(ParseHexPair(hex.substr(i, 2))));
  for (std::size_t extra = 1; extra < 8; ++extra)
    EXPECT_EQ(DecryptBytes(cipher + std::string(extra, 'x'), kSettingsKeyString), "sixteen bytes!!!") << extra;
  EXPECT_EQ(DecryptBytes(cipher.substr(0, 15), kSettingsKeyString), "sixteen ");
}

TEST(EncryptToHexText, IsDesEcbInUpperCaseHex) {
  // The published example, reached through the key string and hex layers.
  EXPECT_EQ(EncryptToHexText("\x01\x23\x45\x67\x89\xAB\xCD\xEF", "\x13\x34\x57\x79\x9B\xBC\xDF\xF1"),
            "85E813540F0AB405");
  // ECB: equal blocks give equal ciphertext blocks.
  const std::string twice = EncryptToHexText("abcdefghabcdefgh", kSettingsKeyString);
  EXPECT_EQ(twice.substr(0, 16), twice.substr(16));
}

TEST(EncryptToHexText, PadsWithNulOnlyWhenNeeded) {
  EXPECT_EQ(EncryptToHexText("", kSettingsKeyString), "");
  EXPECT_EQ(EncryptToHexText("12345678", kSettingsKeyString).size(), 16u);
  EXPECT_EQ(EncryptToHexText("123456789", kSettingsKeyString).size(), 32u);
  EXPECT_EQ(EncryptToHexText("1234567", kSettingsKeyString), EncryptToHexText("1234567\0"s, kSettingsKeyString));
}

TEST(SettingsCipher, RoundTripsTextsOfEveryLength) {
  std::string plain;
  for (int length = 0; length <= 40; ++length) {
    EXPECT_EQ(DecryptHexText(EncryptToHexText(plain, kSettingsKeyString), kSettingsKeyString), plain) << length;
    plain.push_back(static_cast<char>('a' + length % 26));
  }
}

TEST(SettingsCipher, KeepsGbkTextAndInnerNulBytes) {
  const std::string title = platform::Utf8ToGbk("在线升级 Brimsel 专业版");
  EXPECT_EQ(DecryptHexText(EncryptToHexText(title, kSettingsKeyString), kSettingsKeyString), title);
  EXPECT_EQ(DecryptHexText(EncryptToHexText("a\0b"s, kSettingsKeyString), kSettingsKeyString), "a\0b"s);
  // Trailing NUL bytes cannot be told from padding.
  EXPECT_EQ(DecryptHexText(EncryptToHexText("ab\0\0"s, kSettingsKeyString), kSettingsKeyString), "ab");
}

TEST(SettingsCipher, UsesOnlyTheFirstEightBytesOfTheKeyString) {
  const std::string hex = EncryptToHexText("Brimsel title", kSettingsKeyString);
  EXPECT_EQ(DecryptHexText(hex, "pqd4ne8+"), "Brimsel title");
  EXPECT_EQ(DecryptHexText(hex, "pqd4ne8+something else"), "Brimsel title");
  EXPECT_NE(DecryptHexText(hex, "pqd4ne8-ruwk-z63mv"), "Brimsel title");
}

TEST(SettingsCipher, PadsShortKeyStringsWithNul) {
  const std::string hex = EncryptToHexText("value", "abc");
  EXPECT_EQ(DecryptHexText(hex, "abc\0\0\0\0\0"s), "value");
  EXPECT_EQ(EncryptToHexText("value", ""), EncryptToHexText("value", std::string(8, '\0')));
}

TEST(SettingsCipher, AWrongKeyGivesNoError) {
  const std::string hex = EncryptToHexText("Brimsel", kSettingsKeyString);
  std::string result;
  EXPECT_NO_THROW(result = DecryptHexText(hex, "another key"));
  EXPECT_NE(result, "Brimsel");
}

}  // namespace
}  // namespace brimsel
