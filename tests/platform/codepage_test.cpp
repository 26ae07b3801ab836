#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace brimsel::platform {
namespace {

TEST(CodePage, RoundTripsChineseText) {
  const std::string utf8 = "在线升级";
  const std::string gbk = Utf8ToGbk(utf8);
  EXPECT_EQ(gbk, "\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6");
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

TEST(CodePage, UndecodableBytesBecomeReplacementCharacters) {
  EXPECT_EQ(GbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf8ToGbk("\xF0\x9F\x98\x80"), "?");
}

TEST(CodePage, LastDelimiterStepsOverDoubleByteCharacters) {
  // "\xD5\x5C" is one character whose second byte is the byte of "\".
  EXPECT_EQ(LastDelimiter("dir\\\xD5\x5C.txt", "\\:"), 3u);
  EXPECT_EQ(LastDelimiter("\xD5\x5C", "\\"), std::string_view::npos);
  EXPECT_EQ(LastDelimiter("c:name", "\\:"), 1u);
}

TEST(CodePage, LoweringOnlySingleByteLettersKeepsGbkIntact) {
  // "\xB0\x41" has an ASCII capital as its second byte.
  EXPECT_EQ(LowerAsciiOfSingleByteChars("READ\xB0\x41.TXT"), "read\xB0\x41.txt");
  EXPECT_EQ(LowerBytes("READ\xB0\x41.TXT"), "read\xB0\x61.txt");
  EXPECT_TRUE(SameTextIgnoringCase("Update.EXE", "update.exe"));
  EXPECT_FALSE(SameTextIgnoringCase("\xB0\x41", "\xB0\x61"));
  EXPECT_TRUE(StartsWithIgnoringCase("HTTP/1.1 200", "http/"));
  EXPECT_TRUE(EndsWithIgnoringCase("UPDATE.BAT", ".bat"));
  EXPECT_FALSE(EndsWithIgnoringCase("bat", ".bat"));
  EXPECT_FALSE(StartsWithIgnoringCase("\xB0\x41" "b", "\xB0\x61"));
}

}  // namespace
}  // namespace brimsel::platform
