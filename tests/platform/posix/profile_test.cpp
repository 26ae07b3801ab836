// What the Linux stand-in of the profile functions does on its own: a key line without "="
// reads as an empty value, a write keeps every other byte of the file and its permissions.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/profile_fixture.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;

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
      // A last line ended by CR alone gets the LF it lacks: title stays "x", with no CR more.
      {"[main]\r\ntitle=x\r", "main", "LastUpdate", "2026-12-7", "[main]\r\ntitle=x\r\nLastUpdate=2026-12-7"},
      {"[a]\r\nx=1\r", "main", "k", "v", "[a]\r\nx=1\r\n\r\n[main]\r\nk=v\r\n"},
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

TEST_F(ProfileTest, AWriteKeepsTheFilesPermissions) {
  Make("[main]\ntitle=x\n");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(dir.path() / "Update.ini", mode);
  ASSERT_TRUE(Set("main", "title", "y"));
  EXPECT_EQ(fs::status(dir.path() / "Update.ini").permissions() & fs::perms::all, mode);
}

}  // namespace
}  // namespace brimsel::platform
