// What the start of update.exe does about the runs before it and beside it: a replacement
// of update.exe left unfinished by a kill at any moment is finished, the temporary files of
// killed writes are removed, and a second updater on the same folder ends untouched.

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/installation_lock.h"
#include "app/window_fixture.h"
#include "app/self_replacement.h"
#include "app/window_texts.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/posix/batch_runner.h"
#include "support/posix/child_process.h"
#include "support/whole_file_watch.h"

namespace brimsel::test {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kBinDir = BRIMSEL_BIN_DIR;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The processes whose program is `program` and whose arguments hold `argument`.
std::vector<pid_t> Processes(const fs::path& program, const std::string& argument) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string cmdline = TempDir::Read(entry.path() / "cmdline");
    if (cmdline.starts_with(program.string() + '\0') && Contains(cmdline, argument))
      found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

// An installation of the real update.exe under a Chinese name, its batch runner beside it.
struct Installation {
  TempDir root;
  fs::path folder = root.path() / "博睿 Brimsel";
  std::string win = platform::WindowsPath(folder) + "\\";
  std::string oldUpdater = TempDir::Read(kBinDir / "update.exe");

  Installation() {
    fs::create_directories(folder / "update");
    fs::copy_file(kBinDir / "update.exe", folder / "update.exe");
    fs::create_symlink(kBinDir / platform::kBatchRunnerName, folder / platform::kBatchRunnerName);
  }
  std::string Read(const std::string& relative) const { return TempDir::Read(folder / relative); }
  void Write(const std::string& relative, const std::string& content) const {
    std::ofstream(folder / relative, std::ios::binary) << content;
  }
  std::string UpdateLog() const { return Read("update/update.log"); }
  // update.exe started as a user starts it; its window stays on the welcome page.
  std::unique_ptr<ChildProcess> Start() const {
    auto updater = std::make_unique<ChildProcess>(folder / "update.exe", std::vector<std::string>{});
    EXPECT_TRUE(updater->Running());
    return updater;
  }
  std::vector<pid_t> Runners() const {
    return Processes(folder / platform::kBatchRunnerName, (folder / "update.bat").string());
  }
};

// The wizard killed after it recorded the update and before it started the script; then
// the runner that the next start started, killed while it waited; then a start again.
TEST(StartRepairs, TheNextStartOfUpdateExeFinishesAReplacementThatKillsInterrupted) {
  Installation inst;
  inst.Write("update/update.exe", "the new updater");
  PrepareSelfReplacement(inst.win);  // what the wizard had done when it was killed
  WholeFileWatch watch(inst.win + "update.exe", {inst.oldUpdater, "the new updater"});

  std::unique_ptr<ChildProcess> updater = inst.Start();
  ASSERT_TRUE(WaitUntil([&] { return Contains(inst.Read("batchrun.log"), "waiting:"); }, 30s)) << inst.UpdateLog();
  EXPECT_TRUE(Contains(inst.UpdateLog(), "left the replacement of update.exe unfinished")) << inst.UpdateLog();
  EXPECT_EQ(inst.Read("update.exe"), inst.oldUpdater) << "replaced while it runs";
  const std::vector<pid_t> runners = inst.Runners();
  ASSERT_EQ(runners.size(), 1u);
  ::kill(runners[0], SIGKILL);
  updater->Kill();
  ASSERT_TRUE(WaitUntil([&] { return inst.Runners().empty(); }, 10s));
  EXPECT_EQ(inst.Read("update.exe"), inst.oldUpdater);
  EXPECT_TRUE(fs::exists(inst.folder / "update.bat"));

  updater = inst.Start();
  ASSERT_TRUE(WaitUntil([&] { return Count(inst.Read("batchrun.log"), "waiting:") == 2; }, 30s)) << inst.Read("batchrun.log");
  updater->Kill();  // however the wizard ends, the runner goes on
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(inst.folder / "update.bat"); }, 20s)) << inst.Read("batchrun.log");
  EXPECT_EQ(inst.Read("update.exe"), "the new updater");
  EXPECT_FALSE(fs::exists(inst.folder / "update.exe.new"));
  EXPECT_EQ(watch.Stop(), 0) << "a look found no whole update.exe";
}

class StartRepairsInWindow : public WindowTest {
 protected:
  void Put(const std::string& relative, const std::string& content) { dir_.Write(relative, content); }
  bool Has(const std::string& relative) const { return fs::exists(dir_.path() / relative); }
  std::string Log() const { return TempDir::Read(dir_.path() / "update" / "update.log"); }
};

// Killed after the rename, before the script deleted itself: nothing is left to wait for.
TEST_F(StartRepairsInWindow, AReplacementThatWasDoneLeavesNoScript) {
  Put("update.exe", "the old updater");
  Put("update/update.exe", "the new updater");
  PrepareSelfReplacement(dir_.WinPath());
  fs::rename(dir_.path() / "update.exe.new", dir_.path() / "update.exe");
  ShowWindow();
  EXPECT_FALSE(Has("update.bat"));
  EXPECT_TRUE(Contains(Log(), "already in place")) << Log();
}

// Killed after update.exe.new was made, before the script was written (the update was not
// recorded, and comes again); a script of ours with nothing left to put in place; and an
// update.bat that is not ours, which stays.
TEST_F(StartRepairsInWindow, WhatCannotBeFinishedIsRemovedButNoOtherScript) {
  Put("update.exe.new", "the new updater");
  ShowWindow();
  EXPECT_FALSE(Has("update.exe.new"));
  window_.reset();
  Put("update.bat", SelfReplaceScriptText(dir_.WinPath()).value());
  ShowWindow();
  EXPECT_FALSE(Has("update.bat"));
  EXPECT_EQ(Count(Log(), "removed"), 2) << Log();
  window_.reset();
  Put("update.bat", "the product's own");
  ShowWindow();
  EXPECT_TRUE(Has("update.bat"));
}

// A copy killed half way (the batch runner's, as the wizard's would be) and a settings write
// killed so leave their temporary files; the next start removes them, and only them.
TEST_F(StartRepairsInWindow, TemporaryFilesOfKilledWritesGoAndNoOtherFiles) {
  Put("update/big.dat", std::string(128 * 1024 * 1024, 'x'));
  Put("copy.bat", "copy \"" + dir_.WinPath() + "update\\big.dat\" \"" + dir_.WinPath() + "big.dat\"\r\n");
  ChildProcess runner(kBinDir / platform::kBatchRunnerName, {(dir_.path() / "copy.bat").string()});
  const auto temporary = [&] {
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      if (entry.path().filename().string().starts_with(".big.dat.")) return true;
    return false;
  };
  ASSERT_TRUE(WaitUntil(temporary, 20s));
  runner.Kill();
  ASSERT_TRUE(temporary()) << "the copy ended before the kill";
  fs::remove(dir_.path() / "update" / "big.dat");
  Put(".Update.ini.~upAb3XyZ", "[main]\r\n");  // a settings write's
  for (const char* kept : {".config.backup", ".x.~upABC", ".~upABCDEF", "a.~upABCDEF", "~up12.tmp"}) Put(kept, "kept");

  ShowWindow();
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_.path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".config.backup", ".x.~upABC", ".~upABCDEF", "a.~upABCDEF", "batchrun.log",
                                            "copy.bat", "update", "~up12.tmp"}));
  EXPECT_EQ(Count(Log(), "a temporary file left by an earlier run"), 2) << Log();
}

// Two updaters started on one folder: the second says so and ends, touching nothing; the
// lock goes with the first one when it is killed.
TEST(OneUpdaterPerFolder, ASecondUpdaterEndsUntouchedAndTheLockDiesWithItsHolder) {
  Installation inst;
  std::unique_ptr<ChildProcess> first = inst.Start();
  ASSERT_TRUE(WaitUntil([&] { return Contains(inst.UpdateLog(), "settings "); }, 30s)) << inst.UpdateLog();
  const auto listing = [&] {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(inst.folder))
      if (entry.path().filename() != "update.log")
        files.push_back(entry.path().string() + " " + std::to_string(entry.is_regular_file() ? entry.file_size() : 0));
    std::sort(files.begin(), files.end());
    return files;
  };
  const std::vector<std::string> before = listing();

  std::unique_ptr<ChildProcess> second = inst.Start();
  ASSERT_TRUE(WaitUntil([&] { return Contains(inst.UpdateLog(), "another updater is working"); }, 30s))
      << inst.UpdateLog();
  EXPECT_TRUE(second->Running()) << "it shows the error box";
  EXPECT_EQ(listing(), before);
  second->Kill();

  first->Kill();
  std::unique_ptr<ChildProcess> third = inst.Start();
  ASSERT_TRUE(WaitUntil([&] { return Count(inst.UpdateLog(), "settings ") == 2; }, 30s)) << inst.UpdateLog();
  EXPECT_EQ(Count(inst.UpdateLog(), "another updater is working"), 1) << inst.UpdateLog();
}

TEST(OneUpdaterPerFolder, TheSecondShowsTheErrorBoxInChinese) {
  TempDir dir;
  MessageBoxRecorder boxes;
  const std::string staging = dir.WinPath() + "update";
  const platform::FolderLock held(dir.WinPath(), staging);
  ASSERT_EQ(held.outcome(), platform::FolderLock::Outcome::kTaken);
  EXPECT_FALSE(TakeInstallationFolder(dir.WinPath()));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, texts::kApplicationTitle);
  EXPECT_EQ(boxes.Boxes()[0].text, platform::Utf8ToGbk("另一个升级程序正在升级此文件夹中的程序，请等它结束后再试。"));
  EXPECT_EQ(boxes.Boxes()[0].flags, platform::MB_OK | platform::MB_ICONERROR);
}

}  // namespace
}  // namespace brimsel::test
