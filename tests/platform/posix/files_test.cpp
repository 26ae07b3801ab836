// What the Linux stand-ins of the file functions do on their own: names found without
// regard to letter case, and read-only files and the running program kept from writes.
#include "platform/files.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

TEST(NativePath, FindsNamesWithoutRegardToLetterCaseAndKeepsMissingOnesAsWritten) {
  TempDir dir;
  dir.Write("Update.ini", "x");
  dir.Write("update/Update.EXE", "y");
  EXPECT_EQ(NativePath(dir.WinPath() + "update.ini"), dir.path() / "Update.ini");
  EXPECT_EQ(NativePath(dir.WinPath() + "UPDATE\\update.exe"), dir.path() / "update" / "Update.EXE");
  EXPECT_EQ(NativePath(dir.WinPath() + "New\\File.TXT"), dir.path() / "New" / "File.TXT");
  EXPECT_TRUE(FileExists(dir.WinPath() + "UPDATE.INI"));
}

// The index behind the look-up keeps its meaning: a name this program creates is found in
// any letter case at once, a removed one is gone, and a change by another program (which
// moves the folder's time on) is seen.
TEST(NativePath, LookupFollowsOurOwnWritesAndTheChangesOfOthers) {
  TempDir dir;
  dir.Write("seen.txt", "x");
  EXPECT_EQ(NativePath(dir.WinPath() + "SEEN.TXT"), dir.path() / "seen.txt");
  EXPECT_TRUE(File(dir.WinPath() + "Ours.txt", File::Mode::Create).IsOpen());
  EXPECT_EQ(NativePath(dir.WinPath() + "OURS.TXT"), dir.path() / "Ours.txt");
  EXPECT_TRUE(DeleteFile(dir.WinPath() + "ours.txt"));
  EXPECT_EQ(NativePath(dir.WinPath() + "OURS.TXT"), dir.path() / "OURS.TXT");

  fs::rename(dir.path() / "seen.txt", dir.path() / "Other.txt");
  fs::last_write_time(dir.path(), fs::last_write_time(dir.path()) - std::chrono::hours(1));
  EXPECT_EQ(NativePath(dir.WinPath() + "other.TXT"), dir.path() / "Other.txt");
  EXPECT_EQ(NativePath(dir.WinPath() + "SEEN.TXT"), dir.path() / "SEEN.TXT");
}

TEST(Files, ReadOnlyFilesAndTheRunningExecutableCannotBeWrittenOrDeletedEvenByRoot) {
  TempDir dir;
  dir.Write("locked.txt", "old");
  const std::string path = dir.WinPath() + "locked.txt";
  ASSERT_TRUE(SetFileAttributes(path, kAttributeReadOnly));
  EXPECT_TRUE(IsReadOnly(path));
  EXPECT_FALSE(File(path, File::Mode::Create).IsOpen());
  EXPECT_FALSE(File(path, File::Mode::Write).IsOpen());
  EXPECT_TRUE(File(path, File::Mode::Read).IsOpen());
  EXPECT_FALSE(DeleteFile(path));
  EXPECT_EQ(TempDir::Read(dir.path() / "locked.txt"), "old");
  ASSERT_TRUE(SetFileAttributes(path, 0));
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(FileExists(path));

  const std::string self = WindowsPath(fs::read_symlink("/proc/self/exe"));
  EXPECT_TRUE(IsRunningExecutable(self));
  EXPECT_FALSE(DeleteFile(self));
  EXPECT_FALSE(File(self, File::Mode::Write).IsOpen());
}

}  // namespace
}  // namespace brimsel::platform
