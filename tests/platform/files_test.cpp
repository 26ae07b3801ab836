// Files with Windows semantics on a Linux file system.
#include "platform/files.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

TEST(NativePath, ConvertsGbkBeforeMappingSeparators) {
  TempDir dir;
  // "\xD5\x5C" is one character whose second byte is the byte of "\".
  const std::string path = dir.WinPath() + "\xB8\xFC\xD0\xC2\xD5\x5C.txt";
  File file(path, File::Mode::Create);
  ASSERT_TRUE(file.IsOpen()) << file.LastError();
  file.Close();
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_EQ(WindowsPath(NativePath(path)), path);
}

TEST(Files, CreateWriteSeekAndSizeButNotAFolder) {
  TempDir dir;
  const std::string path = dir.WinPath() + "a\\b\\c.bin";
  ASSERT_TRUE(ForceDirectories(dir.WinPath() + "a\\b"));
  File file(path, File::Mode::Create);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_TRUE(file.SetSize(10));
  EXPECT_EQ(file.Size(), 10);
  EXPECT_TRUE(file.Seek(0));
  EXPECT_EQ(file.Write("hello", 5), 5u);
  EXPECT_EQ(file.Position(), 5);
  file.Close();
  EXPECT_EQ(FileSizeOf(path), 10);
  File reader(path, File::Mode::Read);
  char buffer[16] = {};
  EXPECT_EQ(reader.Read(buffer, sizeof buffer), 10u);
  EXPECT_EQ(std::string(buffer, 5), "hello");

  EXPECT_FALSE(File(dir.WinPath(), File::Mode::Read).IsOpen());
  EXPECT_FALSE(FileExists(dir.WinPath()));
  EXPECT_TRUE(DirectoryExists(dir.WinPath()));
}

}  // namespace
}  // namespace brimsel::platform
