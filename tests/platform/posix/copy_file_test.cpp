// The CopyFileA stand-in: overwrite rules, the targets Windows refuses, and that a user's
// file is always either the old one or the new one.
#include "platform/copy_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/posix/child_process.h"
#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

class CopyFileTest : public ::testing::Test {
 protected:
  bool Copy(const std::string& from, const std::string& to, bool failIfExists = false) const {
    return CopyFileA(from.empty() ? "" : dir.WinPath() + from, to.empty() ? "" : dir.WinPath() + to, failIfExists);
  }
  std::string Read(const std::string& relative) const { return TempDir::Read(dir.path() / relative); }
  std::size_t EntriesIn(const fs::path& relative = {}) const {
    const fs::path folder = dir.path() / relative;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  TempDir dir;
};

TEST_F(CopyFileTest, CreatesOverwritesAndHonoursFailIfExists) {
  dir.Write("update/a.txt", "new content");
  dir.Write("b.txt", "an old and longer content");
  dir.Write("c.txt", "old");
  EXPECT_TRUE(Copy("update\\a.txt", "a.txt"));
  EXPECT_TRUE(Copy("update\\a.txt", "b.txt"));
  EXPECT_FALSE(Copy("update\\a.txt", "c.txt", true));
  EXPECT_TRUE(Copy("update\\a.txt", "d.txt", true));
  EXPECT_EQ(Read("a.txt"), "new content");
  EXPECT_EQ(Read("b.txt"), "new content");
  EXPECT_EQ(Read("c.txt"), "old");
  EXPECT_EQ(Read("d.txt"), "new content");
  EXPECT_EQ(EntriesIn(), 5u);  // nothing left over
}

// A replaced program stays executable whatever mode the staged file was given; a new file
// takes the source's mode; a read-only source still gives a read-only copy.
TEST_F(CopyFileTest, ReplacesATargetNamedInAnotherLetterCaseKeepingItsModeAndTheSourcesTime) {
  const fs::path source = dir.Write("Tool", "#!/bin/sh\n");
  fs::permissions(source, fs::perms(0640));
  ASSERT_TRUE(SetLastWriteTime(dir.WinPath() + "Tool", std::chrono::system_clock::now() - std::chrono::hours(720)));
  const fs::path target = dir.Write("inst/ReadMe.TXT", "old");
  fs::permissions(target, fs::perms(0755));
  auto mode = [](const fs::path& path) { return fs::status(path).permissions(); };

  EXPECT_TRUE(Copy("tool", "INST\\readme.txt"));
  EXPECT_EQ(Read("inst/ReadMe.TXT"), "#!/bin/sh\n");
  EXPECT_EQ(EntriesIn("inst"), 1u);
  EXPECT_EQ(mode(target), fs::perms(0755));
  EXPECT_EQ(LastWriteTime(dir.WinPath() + "inst\\ReadMe.TXT"), LastWriteTime(dir.WinPath() + "Tool"));
  EXPECT_TRUE(Copy("tool", "inst\\new"));
  EXPECT_EQ(mode(dir.path() / "inst/new"), fs::perms(0640));
  fs::permissions(source, fs::perms(0444));
  EXPECT_TRUE(Copy("tool", "inst\\readme.txt"));
  EXPECT_EQ(mode(target), fs::perms(0555));
}

TEST_F(CopyFileTest, RefusesAReadOnlyTarget) {
  dir.Write("source.txt", "new");
  dir.Write("target.txt", "old");
  ASSERT_TRUE(SetFileAttributes(dir.WinPath() + "target.txt", kAttributeReadOnly));
  EXPECT_FALSE(Copy("source.txt", "target.txt"));
  EXPECT_EQ(Read("target.txt"), "old");
  EXPECT_EQ(EntriesIn(), 2u);
}

TEST_F(CopyFileTest, RefusesAnExecutableThatIsRunning) {
  fs::copy_file("/bin/sleep", dir.path() / "update.exe");
  dir.Write("update/update.exe", "the new updater");
  test::ChildProcess updater(dir.path() / "update.exe", {"30"});
  ASSERT_TRUE(IsRunningExecutable(dir.WinPath() + "update.exe"));
  EXPECT_FALSE(Copy("update\\update.exe", "update.exe"));
  EXPECT_EQ(Read("update.exe"), TempDir::Read("/bin/sleep"));

  updater.Kill();
  EXPECT_TRUE(Copy("update\\update.exe", "update.exe"));
  EXPECT_EQ(Read("update.exe"), "the new updater");
}

TEST_F(CopyFileTest, FailsWithoutHarmOnBadArguments) {
  dir.Write("target.txt", "old");
  ASSERT_TRUE(fs::create_directory(dir.path() / "folder"));
  EXPECT_FALSE(Copy("missing.txt", "target.txt"));
  EXPECT_FALSE(Copy("folder", "copy"));
  EXPECT_FALSE(Copy("target.txt", "folder"));
  EXPECT_FALSE(Copy("target.txt", "TARGET.txt"));  // itself
  EXPECT_FALSE(Copy("target.txt", "no\\such\\folder\\t.txt"));
  EXPECT_FALSE(Copy("", "t.txt"));
  EXPECT_FALSE(Copy("target.txt", ""));
  EXPECT_EQ(Read("target.txt"), "old");
  EXPECT_EQ(EntriesIn(), 2u);
}

// A disk that fills up in the middle of the copy (here: a file size limit) leaves the old
// file whole and no partial copy beside it.
TEST_F(CopyFileTest, AFailureMidwayLeavesTheOldFileAndNoDebris) {
  dir.Write("update/big.dat", std::string(256 * 1024, 'n'));
  dir.Write("big.dat", "old");
  auto copyOntoAFullDisk = [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(Copy("update\\big.dat", "big.dat") ? 1 : 0);
  };
  EXPECT_EXIT(copyOntoAFullDisk(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Read("big.dat"), "old");
  EXPECT_EQ(EntriesIn(), 2u);
}

}  // namespace
}  // namespace brimsel::platform
