// The profile functions on real files: what hand-edited files rely on, and writes that
// touch nothing but the one value.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir.WinPath() + "Update.ini"; }
  void Make(std::string_view content) const { dir.Write("Update.ini", content); }
  std::string Content() const { return TempDir::Read(dir.path() / "Update.ini"); }
  std::string Get(std::string_view section, std::string_view key, std::string_view def = "<default>") const {
    return GetPrivateProfileStringA(section, key, def, Path());
  }
  bool Set(std::string_view section, std::string_view key, std::string_view value) const {
    return WritePrivateProfileStringA(section, key, value, Path());
  }
  std::size_t EntriesInFolder() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
  }

  TempDir dir;
};

// A file as a vendor might edit it by hand: comments, blanks, other sections, CR LF.
constexpr char kHandMade[] =
    "; settings of the updater\r\n"
    "[Other]\r\n"
    "title = not this one\r\n"
    "\r\n"
    "  [ Main ]  \r\n"
    "; title=commented out\r\n"
    "  Title\t=  ABCD  \r\n"
    "version=\"quoted\"\r\n"
    "homepage='single'\r\n"
    "odd=\"mixed'\r\n"
    "bare\r\n"
    "\r\n"
    "[last]\r\n"
    "x=1";

TEST_F(ProfileTest, AbsentFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Get("main", "title"), "<default>");
  Make(kHandMade);
  EXPECT_EQ(Get("nosuch", "title"), "<default>");
  EXPECT_EQ(Get("main", "nosuch"), "<default>");
  EXPECT_EQ(Get("main", "x"), "<default>");  // a key of another section
}

TEST_F(ProfileTest, NamesMatchWithoutRegardToCaseAndBlanksAreTrimmed) {
  Make(kHandMade);
  EXPECT_EQ(Get("main", "title"), "ABCD");
  EXPECT_EQ(Get("MAIN", "TITLE"), "ABCD");
  EXPECT_EQ(Get("Other", "title"), "not this one");
}

TEST_F(ProfileTest, MatchingQuotesAreRemoved) {
  Make(kHandMade);
  EXPECT_EQ(Get("main", "version"), "quoted");
  EXPECT_EQ(Get("main", "homepage"), "single");
  EXPECT_EQ(Get("main", "odd"), "\"mixed'");
}

TEST_F(ProfileTest, CommentLinesAreNotKeys) {
  Make("[main]\n;title=commented\n;[other]\nversion=1\n");
  EXPECT_EQ(Get("main", "title"), "<default>");
  EXPECT_EQ(Get("main", "version"), "1");
}

TEST_F(ProfileTest, AKeyWithoutEqualsSignHasAnEmptyValue) {
  Make(kHandMade);
  EXPECT_EQ(Get("main", "bare"), "");
}

TEST_F(ProfileTest, TheFirstOccurrenceCounts) {
  Make("[main]\na=1\na=2\n[MAIN]\na=3\nb=4\n");
  EXPECT_EQ(Get("main", "a"), "1");
  // A second section of the same name is not seen at all.
  EXPECT_EQ(Get("main", "b"), "<default>");
}

TEST_F(ProfileTest, AWriteGoesIntoTheFirstSectionOfTheName) {
  Make("[main]\na=1\n[other]\nx=1\n[MAIN]\nb=4\n");
  ASSERT_TRUE(Set("main", "b", "5"));
  EXPECT_EQ(Content(), "[main]\na=1\nb=5\n[other]\nx=1\n[MAIN]\nb=4\n");
  EXPECT_EQ(Get("main", "b"), "5");
}

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer) {
  const std::string value(3000, 'x');
  Make("[main]\r\ntitle=" + value + "\r\n");
  EXPECT_EQ(Get("main", "title"), std::string(2047, 'x'));
  EXPECT_EQ(GetPrivateProfileStringA("main", "title", "", Path(), 10), std::string(9, 'x'));
  Make("[main]\r\ntitle=" + std::string(2047, 'y') + "\r\n");
  EXPECT_EQ(Get("main", "title"), std::string(2047, 'y'));
}

TEST_F(ProfileTest, NothingIsCached) {
  Make("[main]\nLastUpdate=2005-1-1\n");
  EXPECT_EQ(Get("main", "LastUpdate"), "2005-1-1");
  Make("[main]\nLastUpdate=2026-12-7\n");
  EXPECT_EQ(Get("main", "LastUpdate"), "2026-12-7");
}

TEST_F(ProfileTest, FindsTheFileWithoutRegardToCase) {
  Make("[main]\ntitle=x\n");
  EXPECT_EQ(GetPrivateProfileStringA("main", "title", "", dir.WinPath() + "UPDATE.INI"), "x");
  ASSERT_TRUE(WritePrivateProfileStringA("main", "title", "y", dir.WinPath() + "update.ini"));
  EXPECT_EQ(Content(), "[main]\ntitle=y\n");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(ProfileTest, ReplacingAValueLeavesEveryOtherByte) {
  Make(kHandMade);
  ASSERT_TRUE(Set("main", "TITLE", "EF01"));
  std::string expected = kHandMade;
  expected.replace(expected.find("ABCD  "), 6, "EF01");
  EXPECT_EQ(Content(), expected);
  EXPECT_EQ(Get("main", "title"), "EF01");
}

TEST_F(ProfileTest, ANewKeyGoesAfterTheSectionsLastKey) {
  Make(kHandMade);
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-7"));
  std::string expected = kHandMade;
  expected.insert(expected.find("bare\r\n") + 6, "LastUpdate=2026-12-7\r\n");
  EXPECT_EQ(Content(), expected);
}

TEST_F(ProfileTest, AKeyWithoutEqualsSignGetsOne) {
  Make(kHandMade);
  ASSERT_TRUE(Set("main", "bare", "1"));
  std::string expected = kHandMade;
  expected.replace(expected.find("bare\r\n"), 4, "bare=1");
  EXPECT_EQ(Content(), expected);
}

TEST_F(ProfileTest, ANewSectionGoesAtTheEndWithTheFilesLineEnd) {
  Make(kHandMade);
  ASSERT_TRUE(Set("new", "k", "v"));
  EXPECT_EQ(Content(), std::string(kHandMade) + "\r\n\r\n[new]\r\nk=v\r\n");

  Make("[a]\nx=1\n");
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-7"));
  EXPECT_EQ(Content(), "[a]\nx=1\n\n[main]\nLastUpdate=2026-12-7\n");
}

TEST_F(ProfileTest, ALastLineWithoutLineEndGetsOneBeforeTheNewKey) {
  Make("[main]\ntitle=x");
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-7"));
  EXPECT_EQ(Content(), "[main]\ntitle=x\nLastUpdate=2026-12-7");
  EXPECT_EQ(Get("main", "title"), "x");
}

TEST_F(ProfileTest, AWriteCreatesTheFileWithCrLf) {
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-7"));
  EXPECT_EQ(Content(), "[main]\r\nLastUpdate=2026-12-7\r\n");
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-8"));
  EXPECT_EQ(Content(), "[main]\r\nLastUpdate=2026-12-8\r\n");
}

TEST_F(ProfileTest, AWriteFailsInAMissingFolder) {
  EXPECT_FALSE(WritePrivateProfileStringA("main", "k", "v", dir.WinPath() + "missing\\Update.ini"));
  EXPECT_EQ(EntriesInFolder(), 0u);
}

TEST_F(ProfileTest, AReadOnlyFileStaysAsItWas) {
  Make(kHandMade);
  ASSERT_TRUE(SetFileAttributes(Path(), kAttributeReadOnly));
  EXPECT_FALSE(Set("main", "title", "EF01"));
  EXPECT_EQ(Content(), kHandMade);
  EXPECT_TRUE(IsReadOnly(Path()));
  EXPECT_EQ(EntriesInFolder(), 1u);  // no temporary file left beside it
}

TEST_F(ProfileTest, AWriteKeepsTheFilesPermissions) {
  Make("[main]\ntitle=x\n");
  fs::permissions(dir.path() / "Update.ini", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(Set("main", "title", "y"));
  EXPECT_EQ(fs::status(dir.path() / "Update.ini").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(ProfileTest, RefusesTextsThatWouldChangeTheFilesStructure) {
  Make("[main]\r\ntitle=x\r\n");
  EXPECT_FALSE(Set("main", "title", "a\r\n[other]\r\nk=v"));
  EXPECT_FALSE(Set("main", "ti=tle", "v"));
  EXPECT_FALSE(Set("ma]in", "title", "v"));
  EXPECT_FALSE(Set("main", "", "v"));
  EXPECT_EQ(Content(), "[main]\r\ntitle=x\r\n");
}

TEST_F(ProfileTest, AByteOrderMarkDoesNotHideTheFirstSection) {
  Make("\xEF\xBB\xBF[main]\ntitle=x\n");
  EXPECT_EQ(Get("main", "title"), "x");
  ASSERT_TRUE(Set("main", "title", "y"));
  EXPECT_EQ(Content(), "\xEF\xBB\xBF[main]\ntitle=y\n");
}

}  // namespace
}  // namespace brimsel::platform
