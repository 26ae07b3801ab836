// The profile functions on real files: what hand-edited files rely on, and writes that
// touch nothing but the one value.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/profile_fixture.h"
#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer) {
  Make("[main]\r\ntitle=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(Get("main", "title"), std::string(2047, 'x'));
  EXPECT_EQ(GetPrivateProfileStringA("main", "title", "", Path(), 10), std::string(9, 'x'));
  Make("[main]\r\ntitle=" + std::string(2047, 'y') + "\r\n");
  EXPECT_EQ(Get("main", "title"), std::string(2047, 'y'));
}

TEST_F(ProfileTest, AWriteCreatesTheFileWithCrLfAndFindsItInAnyLetterCase) {
  ASSERT_TRUE(Set("main", "LastUpdate", "2026-12-7"));
  EXPECT_EQ(Content(), "[main]\r\nLastUpdate=2026-12-7\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("main", "LastUpdate", "2026-12-8", dir.WinPath() + "update.ini"));
  EXPECT_EQ(Content(), "[main]\r\nLastUpdate=2026-12-8\r\n");
  EXPECT_EQ(GetPrivateProfileStringA("main", "LastUpdate", "", dir.WinPath() + "UPDATE.INI"), "2026-12-8");
  EXPECT_EQ(EntriesInFolder(), 1u);
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
