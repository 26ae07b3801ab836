// Starting update.bat: the batch runner starts detached and carries the script out.
#include "platform/shell_execute.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/posix/batch_runner.h"
#include "support/posix/child_process.h"
#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TempDir;

const fs::path kBinDir = BRIMSEL_BIN_DIR;

// The process whose command line is exactly `argv`.
std::optional<pid_t> FindProcess(const std::vector<std::string>& argv) {
  std::string wanted;
  for (const std::string& arg : argv) wanted += arg + '\0';
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (TempDir::Read(entry.path() / "cmdline") == wanted) return static_cast<pid_t>(std::stol(name));
  }
  return std::nullopt;
}

// An installation folder with update.exe, a new one beside it and a script that puts the
// new one in place once the old one has ended.
struct Installation {
  TempDir dir;
  Installation() {
    fs::copy_file("/bin/sleep", dir.path() / "update.exe");
    dir.Write("update.exe.new", "the new updater");
    const std::string d = dir.WinPath();
    dir.Write("update.bat", ":START\r\nmove \"" + d + "update.exe.new\" \"" + d + "update.exe\"\r\nif exist \"" + d +
                                "update.exe.new\" goto START\r\ndel %0\r\n");
  }
  std::string Script() const { return dir.WinPath() + "update.bat"; }
  std::string Log() const { return TempDir::Read(dir.path() / "batchrun.log"); }
};

TEST(BatchFile, StartsTheBatchRunnerDetachedAndReturnsAtOnce) {
  Installation inst;
  test::ChildProcess updater(inst.dir.path() / "update.exe", {"60"});
  ASSERT_TRUE(updater.Running());
  const int leaky = ::open("/dev/zero", O_RDONLY);  // without close-on-exec: the runner must not get it
  ASSERT_GE(leaky, 0);
  const bool started = StartBatchRunner(inst.Script(), "", kBinDir);
  ::close(leaky);
  ASSERT_TRUE(started);
  // It returned while the script still waits for update.exe to end.
  const std::optional<pid_t> runner =
      FindProcess({(kBinDir / kBatchRunnerName).string(), (inst.dir.path() / "update.bat").string()});
  ASSERT_TRUE(runner) << "the runner must be running when the call returns";
  // Once it loops, waiting for update.exe to end, it holds nothing but what it was given.
  ASSERT_TRUE(test::WaitUntil([&] { return inst.Log().find("waiting:") != std::string::npos; }, 10s)) << inst.Log();
  EXPECT_TRUE(fs::exists(inst.dir.path() / "update.bat"));

  const std::string proc = "/proc/" + std::to_string(*runner);
  const std::string stat = TempDir::Read(proc + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string state;
  pid_t parent = 0, group = 0, session = 0;
  int terminal = -1;
  fields >> state >> parent >> group >> session >> terminal;
  EXPECT_NE(parent, ::getpid()) << "not our child: nobody has to wait for it";
  EXPECT_NE(session, ::getsid(0)) << "a session of its own";
  EXPECT_EQ(terminal, 0) << "no terminal";
  std::set<std::string> descriptors;
  for (const auto& fd : fs::directory_iterator(proc + "/fd")) {
    descriptors.insert(fd.path().filename().string());
    EXPECT_EQ(fs::read_symlink(fd.path()), "/dev/null") << fd.path();
  }
  EXPECT_EQ(descriptors, (std::set<std::string>{"0", "1", "2"}));
  EXPECT_EQ(fs::read_symlink(proc + "/cwd"), inst.dir.path());

  updater.Kill();
  EXPECT_TRUE(test::WaitUntil([&] { return !fs::exists(inst.dir.path() / "update.bat"); }, 10s));
  EXPECT_EQ(TempDir::Read(inst.dir.path() / "update.exe"), "the new updater");
}

TEST(BatchFile, StartsOnlyAScriptThatIsThereWithTheRunnerThatIsThere) {
  Installation inst;
  TempDir emptyFolder;
  EXPECT_FALSE(StartBatchRunner(inst.Script(), "", emptyFolder.path()));
  EXPECT_FALSE(StartBatchRunner(inst.dir.WinPath() + "missing.bat", "", kBinDir));
  // The test program's own folder has no batch runner beside it.
  EXPECT_FALSE(StartBatchFile(inst.dir.WinPath(), "update.bat"));
  EXPECT_TRUE(fs::exists(inst.dir.path() / "update.bat"));
  EXPECT_TRUE(StartBatchRunner(inst.Script(), "", kBinDir));
  // Nothing runs update.exe here, so the script is carried out at once.
  EXPECT_TRUE(test::WaitUntil([&] { return inst.Log().find("finished") != std::string::npos; }, 10s)) << inst.Log();
  EXPECT_EQ(TempDir::Read(inst.dir.path() / "update.exe"), "the new updater");
}

}  // namespace
}  // namespace brimsel::platform
