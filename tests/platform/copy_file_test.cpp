// The CopyFileA stand-in: overwrite rules, the targets Windows refuses, and that a user's
// file is always either the old one or the new one.
#include "platform/copy_file.h"

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

extern char** environ;

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(CopyFile, CreatesANewFileAndOverwritesAnExistingOne) {
  TempDir dir;
  dir.Write("update/a.txt", "new content");
  const std::string source = dir.WinPath() + "update\\a.txt";
  EXPECT_TRUE(CopyFileA(source, dir.WinPath() + "a.txt", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "a.txt"), "new content");

  dir.Write("b.txt", "an old and longer content");
  EXPECT_TRUE(CopyFileA(source, dir.WinPath() + "b.txt", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "b.txt"), "new content");
  EXPECT_EQ(EntriesIn(dir.path()), 3u);  // update, a.txt, b.txt: nothing left over
}

TEST(CopyFile, FailIfExistsKeepsTheTarget) {
  TempDir dir;
  dir.Write("source.txt", "new");
  dir.Write("target.txt", "old");
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "source.txt", dir.WinPath() + "target.txt", true));
  EXPECT_EQ(TempDir::Read(dir.path() / "target.txt"), "old");
  EXPECT_TRUE(CopyFileA(dir.WinPath() + "source.txt", dir.WinPath() + "fresh.txt", true));
  EXPECT_EQ(TempDir::Read(dir.path() / "fresh.txt"), "new");
}

TEST(CopyFile, ReplacesATargetNamedInAnotherLetterCase) {
  TempDir dir;
  dir.Write("readme.txt", "new");
  dir.Write("ReadMe.TXT", "old");
  ASSERT_TRUE(fs::create_directory(dir.path() / "inst"));
  fs::rename(dir.path() / "ReadMe.TXT", dir.path() / "inst" / "ReadMe.TXT");
  EXPECT_TRUE(CopyFileA(dir.WinPath() + "readme.txt", dir.WinPath() + "INST\\readme.txt", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "inst" / "ReadMe.TXT"), "new");
  EXPECT_EQ(EntriesIn(dir.path() / "inst"), 1u);
}

TEST(CopyFile, KeepsPermissionsAndLastWriteTimeOfTheSource) {
  TempDir dir;
  const fs::path source = dir.Write("tool", "#!/bin/sh\n");
  fs::permissions(source, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  const auto past = std::chrono::system_clock::now() - std::chrono::hours(24 * 30);
  ASSERT_TRUE(SetLastWriteTime(dir.WinPath() + "tool", past));
  dir.Write("installed", "old");
  ASSERT_TRUE(CopyFileA(dir.WinPath() + "tool", dir.WinPath() + "installed", false));
  EXPECT_EQ(fs::status(dir.path() / "installed").permissions(), fs::status(source).permissions());
  EXPECT_EQ(LastWriteTime(dir.WinPath() + "installed"), LastWriteTime(dir.WinPath() + "tool"));
}

TEST(CopyFile, RefusesAReadOnlyTarget) {
  TempDir dir;
  dir.Write("source.txt", "new");
  dir.Write("target.txt", "old");
  ASSERT_TRUE(SetFileAttributes(dir.WinPath() + "target.txt", kAttributeReadOnly));
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "source.txt", dir.WinPath() + "target.txt", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "target.txt"), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(CopyFile, RefusesAnExecutableThatIsRunning) {
  TempDir dir;
  fs::copy_file("/bin/sleep", dir.path() / "update.exe");
  dir.Write("update/update.exe", "the new updater");
  pid_t pid = -1;
  const std::string program = (dir.path() / "update.exe").string();
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
  ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  // posix_spawn returns once the program runs (glibc waits for the exec).
  ASSERT_TRUE(IsRunningExecutable(dir.WinPath() + "update.exe"));

  EXPECT_FALSE(CopyFileA(dir.WinPath() + "update\\update.exe", dir.WinPath() + "update.exe", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "update.exe"), TempDir::Read("/bin/sleep"));

  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_TRUE(CopyFileA(dir.WinPath() + "update\\update.exe", dir.WinPath() + "update.exe", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "update.exe"), "the new updater");
}

TEST(CopyFile, FailsWithoutHarmOnBadArguments) {
  TempDir dir;
  dir.Write("target.txt", "old");
  ASSERT_TRUE(fs::create_directory(dir.path() / "folder"));
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "missing.txt", dir.WinPath() + "target.txt", false));
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "folder", dir.WinPath() + "copy", false));
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "target.txt", dir.WinPath() + "folder", false));
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "target.txt", dir.WinPath() + "TARGET.txt", false));  // itself
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "target.txt", dir.WinPath() + "no\\such\\folder\\t.txt", false));
  EXPECT_FALSE(CopyFileA("", dir.WinPath() + "t.txt", false));
  EXPECT_FALSE(CopyFileA(dir.WinPath() + "target.txt", "", false));
  EXPECT_EQ(TempDir::Read(dir.path() / "target.txt"), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

// A disk that fills up in the middle of the copy (here: a file size limit) leaves the old
// file whole and no partial copy beside it.
TEST(CopyFile, AFailureMidwayLeavesTheOldFileAndNoDebris) {
  TempDir dir;
  dir.Write("update/big.dat", std::string(256 * 1024, 'n'));
  dir.Write("big.dat", "old");
  const std::string source = dir.WinPath() + "update\\big.dat";
  const std::string target = dir.WinPath() + "big.dat";
  auto copyOntoAFullDisk = [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(CopyFileA(source, target, false) ? 1 : 0);
  };
  EXPECT_EXIT(copyOntoAFullDisk(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(TempDir::Read(dir.path() / "big.dat"), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

}  // namespace
}  // namespace brimsel::platform
