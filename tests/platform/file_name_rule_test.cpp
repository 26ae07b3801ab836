// The one file name rule, in both suites: the same name gets the same answer on Linux and
// under Wine, and the file-system boundary reads GBK bytes as code page 936 does.
#include "platform/file_name_rule.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brimsel::platform {
namespace {

TEST(FileNameRule, RefusesWhatWindowsCannotHoldAsOneFileOfThatName) {
  const std::pair<std::string, NameFault> rows[] = {
      {"a.txt", NameFault::kNone}, {".hidden", NameFault::kNone}, {"\xD6\xD0\xCE\xC4.txt", NameFault::kNone},
      {"a\x7F" "b", NameFault::kNone}, {"\xD5\x5C.txt", NameFault::kNone}, {"console.txt", NameFault::kNone},
      {"com10", NameFault::kNone}, {"\x80.txt", NameFault::kNone},  // the euro sign of code page 936
      {"", NameFault::kEmpty},
      {"c\x81.txt", NameFault::kNotGbk}, {"c\xFF.txt", NameFault::kNotGbk}, {"c\x81", NameFault::kNotGbk},
      {"j\x81\x30\x8B\x32rg", NameFault::kNotGbk},  // a four-byte GB18030 form
      {"a\tb", NameFault::kControlCharacter}, {std::string("a\0b", 3), NameFault::kControlCharacter},
      {"a:b", NameFault::kReservedCharacter}, {"a*b", NameFault::kReservedCharacter},
      {"a?.txt", NameFault::kReservedCharacter}, {"a\"b", NameFault::kReservedCharacter},
      {"a<b", NameFault::kReservedCharacter}, {"a>b", NameFault::kReservedCharacter},
      {"a|b", NameFault::kReservedCharacter}, {"a\\b", NameFault::kReservedCharacter},
      {"a/b", NameFault::kReservedCharacter},
      {"x.", NameFault::kTrailingDotOrSpace}, {"a ", NameFault::kTrailingDotOrSpace},
      {"..", NameFault::kTrailingDotOrSpace}, {" . ", NameFault::kTrailingDotOrSpace},
      {"CON", NameFault::kDeviceName}, {"nul.txt", NameFault::kDeviceName}, {"AUX.dat", NameFault::kDeviceName},
      {"COM1", NameFault::kDeviceName}, {"LPT1.txt", NameFault::kDeviceName}, {"CONIN$", NameFault::kDeviceName},
      {"conout$.log", NameFault::kDeviceName}, {"Prn.tar.gz", NameFault::kDeviceName},
      {"nul .txt", NameFault::kDeviceName},
      {std::string(256, 'a'), NameFault::kTooLong},
  };
  for (const auto& [name, fault] : rows) EXPECT_EQ(JudgeFileName(name), fault) << name;
  // 130 "中" and ".txt" is 394 bytes in UTF-8: cut short where the issue saw it.
  std::string chinese;
  for (int i = 0; i < 130; ++i) chinese += "\xD6\xD0";
  EXPECT_EQ(JudgeFileName(chinese + ".txt"), NameFault::kTooLong);
  EXPECT_EQ(JudgeFileName(chinese.substr(0, 83 * 2) + ".txt"), NameFault::kNone);  // 249 + 4 bytes
  EXPECT_EQ(JudgeFileName(std::string(255, 'a')), NameFault::kNone);
}

// What Windows's own code page 936 gives, on both builds: 0xFF and the codes where it
// differs from GB18030 are characters of the private use area.
TEST(FileNameRule, TheFileSystemReadsGbkAsCodePage936Does) {
  EXPECT_EQ(FileNameToUtf8("c\xFF.txt"), "c\xEF\xA3\xB5.txt");  // U+F8F5
  EXPECT_EQ(FileNameToUtf8("\xFE\x5C"), "\xEE\xA0\xA1");          // U+E821
  EXPECT_EQ(FileNameToUtf8("\xFE\x51"), "\xEE\xA0\x96");          // U+E816
  EXPECT_EQ(FileNameToUtf8("\xA6\xD9"), "\xEE\x9E\x8D");          // U+E78D
  EXPECT_EQ(FileNameToUtf8("\xD6\xD0\xFE\x5C.txt"), "中\xEE\xA0\xA1.txt");
  for (const char* gbk : {"\xFE\x5C", "\xFE\x51\xD6\xD0", "a\xA8\xBC"}) EXPECT_EQ(Utf8ToFileName(FileNameToUtf8(gbk)), gbk);
}

// Letters that the system folds alike make one file: beyond ASCII too.
TEST(FileNameRule, CaseFoldingAndAliasShapes) {
  for (const char* pair : {"Ａ.txt|ａ.txt", "Α|α", "Д|д", "Ⅰ|ⅰ", "README.TXT|readme.txt"}) {
    const std::string both = pair;
    const std::size_t bar = both.find('|');
    EXPECT_EQ(CaseFoldKey(Utf8ToGbk(both.substr(0, bar))), CaseFoldKey(Utf8ToGbk(both.substr(bar + 1)))) << pair;
  }
  EXPECT_NE(CaseFoldKey(Utf8ToGbk("中.txt")), CaseFoldKey(Utf8ToGbk("文.txt")));
  for (const char* name : {"LONGFI~1.TXT", "PROGRA~12", "x.y~3.z", "~1"}) EXPECT_TRUE(IsAliasShapedName(name)) << name;
  for (const char* name : {"a~b.txt", "a~.txt", "a1.txt", "~", "\xD6\x7E" "1.txt"})
    EXPECT_FALSE(IsAliasShapedName(name)) << name;
  // The limit of a path counts UTF-16 units: a double-byte character is one.
  EXPECT_EQ(SystemPathLength("C:\\\xD6\xD0\\a.txt"), 10u);
}

}  // namespace
}  // namespace brimsel::platform
