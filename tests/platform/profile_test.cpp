// The profile functions on real files: what hand-edited files rely on, and writes that
// touch nothing but the one value.
#include "platform/profile.h"

#include <gtest/gtest.h>

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
  std::string Get(std::string_view section, std::string_view key) const {
    return GetPrivateProfileStringA(section, key, "<default>", Path());
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
const std::string kHandMade =
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

TEST_F(ProfileTest, ReadsAsWindowsDoes) {
  EXPECT_EQ(Get("main", "title"), "<default>");  // no file
  const struct {
    std::string file;
    const char* section;
    const char* key;
    const char* expected;
  } rows[] = {
      {kHandMade, "nosuch", "title", "<default>"},
      {kHandMade, "main", "nosuch", "<default>"},
      {kHandMade, "main", "x", "<default>"},  // a key of another section
      {kHandMade, "main", "title", "ABCD"},   // names in any letter case, blanks trimmed
      {kHandMade, "MAIN", "TITLE", "ABCD"},
      {kHandMade, "Other", "title", "not this one"},
      {kHandMade, "main", "version", "quoted"},  // matching quotes removed
      {kHandMade, "main", "homepage", "single"},
      {kHandMade, "main", "odd", "\"mixed'"},
      {kHandMade, "main", "bare", ""},  // no "=": an empty value
      {"[main]\n;title=commented\n;[other]\nversion=1\n", "main", "title", "<default>"},
      {"[main]\n;title=commented\n;[other]\nversion=1\n", "main", "version", "1"},
      {"[main]\na=1\na=2\n[MAIN]\na=3\nb=4\n", "main", "a", "1"},  // the first occurrence counts;
      {"[main]\na=1\na=2\n[MAIN]\na=3\nb=4\n", "main", "b", "<default>"},  // a second section is not seen
      {"\xEF\xBB\xBF[main]\ntitle=x\n", "main", "title", "x"},  // a byte order mark hides nothing
      {"[main]\nLastUpdate=2026-12-7\n", "main", "LastUpdate", "2026-12-7"},  // nothing cached
  };
  for (const auto& row : rows) {
    Make(row.file);
    EXPECT_EQ(Get(row.section, row.key), row.expected) << row.section << "/" << row.key << " in\n" << row.file;
  }
}

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer) {
  Make("[main]\r\ntitle=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(Get("main", "title"), std::string(2047, 'x'));
  EXPECT_EQ(GetPrivateProfileStringA("main", "title", "", Path(), 10), std::string(9, 'x'));
  Make("[main]\r\ntitle=" + std::string(2047, 'y') + "\r\n");
  EXPECT_EQ(Get("main", "title"), std::string(2047, 'y'));
}

// Every write leaves every other byte of the file as it was.
TEST_F(ProfileTest, AWriteChangesOnlyTheOneValue) {
  auto replaced = [](std::string text, const std::string& old, const std::string& by) {
    return text.replace(text.find(old), old.size(), by);
  };
  const struct {
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } rows[] = {
      {kHandMade, "main", "TITLE", "EF01", replaced(kHandMade, "ABCD  ", "EF01")},
      {kHandMade, "main", "LastUpdate", "2026-12-7", replaced(kHandMade, "bare\r\n", "bare\r\nLastUpdate=2026-12-7\r\n")},
      {kHandMade, "main", "bare", "1", replaced(kHandMade, "bare\r\n", "bare=1\r\n")},
      {kHandMade, "new", "k", "v", kHandMade + "\r\n\r\n[new]\r\nk=v\r\n"},  // a new section with the file's line end
      {"[a]\nx=1\n", "main", "LastUpdate", "2026-12-7", "[a]\nx=1\n\n[main]\nLastUpdate=2026-12-7\n"},
      {"[main]\ntitle=x", "main", "LastUpdate", "2026-12-7", "[main]\ntitle=x\nLastUpdate=2026-12-7"},
      {"[main]\na=1\n[other]\nx=1\n[MAIN]\nb=4\n", "main", "b", "5", "[main]\na=1\nb=5\n[other]\nx=1\n[MAIN]\nb=4\n"},
      {"\xEF\xBB\xBF[main]\ntitle=x\n", "main", "title", "y", "\xEF\xBB\xBF[main]\ntitle=y\n"},
  };
  for (const auto& row : rows) {
    Make(row.before);
    ASSERT_TRUE(Set(row.section, row.key, row.value)) << row.key << " in\n" << row.before;
    EXPECT_EQ(Content(), row.after) << row.key << " in\n" << row.before;
    EXPECT_EQ(Get(row.section, row.key), row.value);
    EXPECT_EQ(EntriesInFolder(), 1u);
  }
}

TEST_F(ProfileTest, AWriteCreatesTheFileWithCrLfAndFindsItInAnyLetterCase) {
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-7"));
  EXPECT_EQ(Content(), "[main]\r\nLastUpdate=2026-12-7\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("main", "LastUpdate", "2026-12-8", dir.WinPath() + "update.ini"));
  EXPECT_EQ(Content(), "[main]\r\nLastUpdate=2026-12-8\r\n");
  EXPECT_EQ(GetPrivateProfileStringA("main", "LastUpdate", "", dir.WinPath() + "UPDATE.INI"), "2026-12-8");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(ProfileTest, AWriteKeepsTheFilesPermissions) {
  Make("[main]\ntitle=x\n");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(dir.path() / "Update.ini", mode);
  ASSERT_TRUE(Set("main", "title", "y"));
  EXPECT_EQ(fs::status(dir.path() / "Update.ini").permissions() & fs::perms::all, mode);
}

// A file past the size of any settings file is a faulty setting: read as absent, not
// written. Up to that size, blank lines cost nothing but their bytes.
TEST_F(ProfileTest, FileLargerThanOneMebibyteReadsAsAbsentAndIsNotWritten) {
  const std::string settings = "[main]\r\nLastUpdate=2020-1-1\r\n";
  Make(settings + std::string(kMaxProfileSize - settings.size(), '\n'));
  EXPECT_EQ(Get("main", "LastUpdate"), "2020-1-1");
  EXPECT_TRUE(Set("main", "LastUpdate", "2021-1-1"));
  const std::string big = settings + std::string(kMaxProfileSize, '\n');
  Make(big);
  EXPECT_EQ(Get("main", "LastUpdate"), "<default>");
  EXPECT_FALSE(Set("main", "LastUpdate", "2021-1-1"));
  EXPECT_EQ(Content(), big);
}

TEST_F(ProfileTest, RefusedAndFailedWritesLeaveTheFileAsItWas) {
  EXPECT_FALSE(WritePrivateProfileStringA("main", "k", "v", dir.WinPath() + "missing\\Update.ini"));
  EXPECT_EQ(EntriesInFolder(), 0u);

  // Texts that would change the file's structure.
  Make("[main]\r\ntitle=x\r\n");
  EXPECT_FALSE(Set("main", "title", "a\r\n[other]\r\nk=v"));
  EXPECT_FALSE(Set("main", "ti=tle", "v"));
  EXPECT_FALSE(Set("ma]in", "title", "v"));
  EXPECT_FALSE(Set("main", "", "v"));
  EXPECT_EQ(Content(), "[main]\r\ntitle=x\r\n");

  Make(kHandMade);
  ASSERT_TRUE(SetFileAttributes(Path(), kAttributeReadOnly));
  EXPECT_FALSE(Set("main", "title", "EF01"));
  EXPECT_EQ(Content(), kHandMade);
  EXPECT_TRUE(IsReadOnly(Path()));
  EXPECT_EQ(EntriesInFolder(), 1u);  // no temporary file left beside it
}

}  // namespace
}  // namespace brimsel::platform
