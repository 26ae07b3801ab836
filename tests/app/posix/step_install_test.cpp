// The installation step where only the Linux build can show it: the self-replacement
// script and its batch runner, targets held by running programs, the modes of programs,
// folder names that are no UTF-8 or that GBK cannot hold, and the Windows name rule on a
// file system that would hold the names.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/step_install_fixture.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/batch_runner.h"
#include "settings/settings_file.h"
#include "support/posix/child_process.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {
using namespace std::chrono_literals;

// StartBatchFile looks for the batch runner beside the running program; for the tests that
// program is the test binary, so the build's runner is linked in beside it.
bool MakeRunnerReachable() {
  const fs::path runner = fs::path(BRIMSEL_BIN_DIR) / platform::kBatchRunnerName;
  const fs::path beside = platform::NativePath(platform::InstallationFolder()) / platform::kBatchRunnerName;
  std::error_code ec;
  if (!fs::exists(runner)) return false;
  if (!fs::exists(beside)) fs::create_symlink(runner, beside, ec);
  return fs::exists(beside);
}

TEST_F(InstallStepTest, InstallsAPackageMadeByInfoZip) {
  ASSERT_TRUE(MakeRunnerReachable()) << "build the batchrun target first";
  CopyPackage("iz_tree.zip");  // folders, mixed case, x.txt in a/ and in b/, Update.EXE
  WizardForm& window = RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("readme.txt"), Ok("update.exe"), Ok("deep.txt"), Ok("x.txt"),
                                                  Ok("x.txt"), Ok("zero.dat")}));
  EXPECT_EQ(Read("readme.txt"), TempDir::Read(kZipData / "inputs/tree/ReadMe.TXT"));
  EXPECT_EQ(Read("deep.txt"), TempDir::Read(kZipData / "inputs/tree/sub/dir/deep.txt"));
  // The second x.txt met the first in the staging folder; the component asked, and was told No.
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(Read("x.txt"), TempDir::Read(kZipData / "inputs/tree/a/x.txt"));
  EXPECT_TRUE(window.State().selfUpdate);
  // The updater is not running here, so the script's runner finishes at once.
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(inst_ / "update.bat"); }, 10s));
  EXPECT_EQ(Read("update.exe"), TempDir::Read(kZipData / "inputs/tree/Update.EXE"));
  EXPECT_EQ(LastUpdate(), kRelease);
}

TEST_F(InstallStepTest, ARunningUpdaterIsReplacedByTheScriptOnceItHasEnded) {
  ASSERT_TRUE(MakeRunnerReachable()) << "build the batchrun target first";
  fs::copy_file("/bin/sleep", inst_ / "update.exe");
  ChildProcess updater(inst_ / "update.exe", {"60"});
  ASSERT_TRUE(updater.Running());
  ZipBuilder zip;
  zip.Add("bin/Update.EXE", "the new updater");
  zip.Add("readme.txt", "new readme");
  WritePackage(zip.Build());
  Write("update.bat", std::string(1000, 'x'));  // replaced as a whole

  WizardForm& window = RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Failed("update.exe"), Ok("readme.txt")}));
  EXPECT_TRUE(window.State().selfUpdate);
  const std::string d = instWin_;
  const std::string expected = ":START\r\n"
                               "ping -n 2 127.0.0.1 >nul\r\n"
                               "move /y \"" + d + "update.exe.new\" \"" + d + "update.exe\"\r\n"
                               "if exist \"" + d + "update.exe.new\" goto START\r\n"
                               "del %0\r\n";
  EXPECT_EQ(Read("update.bat"), expected);
  EXPECT_EQ(Read("update.exe.new"), "the new updater") << "the new updater waits beside the old one";
  EXPECT_TRUE(NextEnabled());

  // The runner was started and waits for the updater to end.
  EXPECT_TRUE(WaitUntil([&] { return Read("batchrun.log").find("waiting:") != std::string::npos; }, 10s))
      << Read("batchrun.log");
  EXPECT_EQ(Read("update.exe"), TempDir::Read("/bin/sleep"));
  updater.Kill();
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(inst_ / "update.bat"); }, 10s)) << Read("batchrun.log");
  EXPECT_EQ(Read("update.exe"), "the new updater");
  EXPECT_FALSE(fs::exists(inst_ / "update.exe.new"));
  EXPECT_EQ(fs::status(inst_ / "update.exe").permissions(), fs::status("/bin/sleep").permissions());
  EXPECT_EQ(LastUpdate(), kRelease) << "update.exe counts as installed once its replacement is ready";
  // The one failed copy that every self-update has is named as expected in update.log.
  EXPECT_NE(Read("update/update.log").find("update.exe: the target is in use: a program running from it; expected: "
                                           "this is the running updater, which update.bat replaces"),
            std::string::npos)
      << Read("update/update.log");
  EXPECT_EQ(FinishText(), "您的计算机上已安装了最新的《》程序及数据。");
}

// A partial installation is not recorded: the next check must fetch the missing files.
TEST_F(InstallStepTest, AReadOnlyAndARunningTargetEachFailAloneAndTheUpdateIsNotRecorded) {
  SetLastUpdate("2010-1-1");
  Write("locked.dll", "old locked");
  ASSERT_TRUE(platform::SetFileAttributes(instWin_ + "locked.dll", platform::kAttributeReadOnly));
  fs::copy_file("/bin/sleep", inst_ / "tool.exe");
  ChildProcess tool(inst_ / "tool.exe", {"60"});
  ASSERT_TRUE(tool.Running());
  ZipBuilder zip;
  zip.Add("a.txt", "new a");
  zip.Add("locked.dll", "new locked");
  zip.Add("b.txt", "new b");
  zip.Add("tool.exe", "new tool");
  WritePackage(zip.Build());

  RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("a.txt"), Failed("locked.dll"), Ok("b.txt"), Failed("tool.exe")}));
  EXPECT_EQ(Read("locked.dll"), "old locked");
  EXPECT_EQ(Read("tool.exe"), TempDir::Read("/bin/sleep"));
  EXPECT_EQ(Read("b.txt"), "new b");
  EXPECT_EQ(LastUpdate(), "2010-1-1");
  EXPECT_FALSE(fs::exists(inst_ / "update" / "b.txt")) << "the staged files of a failed installation go";
  // update.log says why each copy failed, and neither reads as expected.
  const std::string updateLog = Read("update/update.log");
  EXPECT_NE(updateLog.find("locked.dll: the target is read-only\r\n"), std::string::npos) << updateLog;
  EXPECT_NE(updateLog.find("tool.exe: the target is in use: a program running from it\r\n"), std::string::npos)
      << updateLog;
  EXPECT_EQ(FinishText(), FailedUpdateText("文件被占用"));
}

// A program of the product stays executable whatever mode the package gives it; a new
// one made on Unix takes its mode, but never set-id bits or write access for others.
TEST_F(InstallStepTest, ProgramsStayExecutable) {
  Write("brimsel", "#!/bin/sh\nexit 0\n");
  fs::permissions(inst_ / "brimsel", fs::perms(0755));
  ZipBuilder zip;
  zip.Add("brimsel", "#!/bin/sh\nexit 0\n");  // made on MS-DOS: no mode
  ZipEntrySpec& tool = zip.Add("tool", "#!/bin/sh\nexit 0\n");
  tool.versionMadeBy = 0x031E;
  tool.externalAttributes = 0106777u << 16;
  zip.Add("notes.txt", "notes");
  WritePackage(zip.Build());
  RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("brimsel"), Ok("tool"), Ok("notes.txt")}));
  for (const char* program : {"brimsel", "tool"}) {
    ChildProcess run(inst_ / program, {});
    EXPECT_EQ(run.WaitFor(10s), 0) << program;
  }
  EXPECT_EQ(fs::status(inst_ / "tool").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(inst_ / "notes.txt").permissions() & fs::perms::owner_exec, fs::perms::none);
}

// GBK cannot hold "ö": the folder must still be this one, not a new "j?rg" beside it.
TEST_F(InstallStepTest, InstallsIntoAFolderWhoseNameGbkCannotHold) {
  MoveInstallationTo(dir_.path() / "jörg" / "€ brimsel");
  ZipBuilder zip;
  zip.Add("readme.txt", "new readme");
  WritePackage(zip.Build());
  RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("readme.txt")}));
  EXPECT_EQ(Read("readme.txt"), "new readme");
  EXPECT_EQ(LastUpdate(), kRelease);
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().string().find('?'), std::string::npos) << entry.path();
}

// Bytes that are no UTF-8 have no text form: the updater says so and does not start,
// rather than read and write a folder of another name.
TEST(UpdaterProgram, RefusesToStartInAFolderItCannotName) {
  TempDir dir;
  const fs::path folder = dir.path() / "j\xF6rg";
  fs::create_directories(folder);
  fs::copy_file(fs::path(BRIMSEL_BIN_DIR) / "update.exe", folder / "update.exe");
  const fs::path errors = dir.path() / "stderr.txt";
  ChildProcess updater("/bin/sh", {"-c", "QT_QPA_PLATFORM=offscreen exec \"$0\" 2>\"$1\"",
                                   (folder / "update.exe").string(), errors.string()});
  EXPECT_TRUE(WaitUntil([&] { return TempDir::Read(errors).find("请把程序移到其他文件夹") != std::string::npos; }, 20s))
      << TempDir::Read(errors);
  updater.Kill();
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().string().find('?'), std::string::npos) << entry.path();
}

// The Windows name rule on this build too: a device name, a name Windows would cut or read
// otherwise, bytes that are no GBK. Each is skipped with its reason, asks nothing, and the
// update is not recorded.
TEST_F(InstallStepTest, NamesWindowsCannotHoldAreSkippedWithTheirReasonAndNoQuestion) {
  SetLastUpdate("2010-1-1");
  const std::pair<std::string, const char*> refused[] = {
      {"CON", "a device"}, {"nul.txt", "a device"}, {"AUX.dat", "a device"}, {"COM1", "a device"},
      {"LPT1.txt", "a device"}, {"CONIN$", "a device"}, {"x.", "ends in a dot"}, {"a?.txt", "reserves"},
      {"c\x81.txt", "no GBK"}, {"c\xFF.txt", "no GBK"}};
  ZipBuilder zip;
  for (const auto& [name, reason] : refused) zip.Add(name, "refused");
  zip.Add("readme.txt", "new readme");
  WritePackage(zip.Build());
  Write("con", "was there");  // a file of that name would draw the overwrite question
  RunInstallStepAlone(/*packageComplete=*/true);
  EXPECT_EQ(LogText(), Log({Ok("readme.txt")}));
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(Read("con"), "was there");
  EXPECT_EQ(LastUpdate(), "2010-1-1");
  EXPECT_EQ(window_->State().failure, UpdateFailure::kPackage);
  const std::string updateLog = Read("update/update.log");
  for (const auto& [name, reason] : refused)
    EXPECT_NE(updateLog.find("skipped " + name + ": not installed, "), std::string::npos) << name << updateLog;
  for (const char* reason : {"a device of Windows", "ends in a dot", "reserves", "no GBK characters"})
    EXPECT_NE(updateLog.find(reason), std::string::npos) << reason;
  std::vector<std::string> installed;
  for (const auto& entry : fs::directory_iterator(inst_))
    if (entry.is_regular_file()) installed.push_back(entry.path().filename().string());
  std::sort(installed.begin(), installed.end());
  EXPECT_EQ(installed, (std::vector<std::string>{"Update.ini", "con", "readme.txt"}));
}

}  // namespace
}  // namespace brimsel::test
