// The installation step in the real window (offscreen) with real packages: the files
// installed and logged in listing order, the self-replacement script and its runner, the
// targets that cannot be replaced, and the packages that install nothing.

#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/qt/window_fixture.h"
#include "app/self_replacement.h"
#include "app/steps.h"
#include "app/update_log.h"
#include "app/window_texts.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/posix/batch_runner.h"
#include "settings/settings_file.h"
#include "support/posix/child_process.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::Utf8ToGbk;

const std::string kSucceeded = Utf8ToGbk("文件更新成功：");
const std::string kFailed = Utf8ToGbk("文件更新失败：");
const fs::path kZipData = fs::path(BRIMSEL_TEST_DATA_DIR) / "zip";
// The release installed by these tests, as its version page dated it: ahead of the
// client's clock, and with a time of day.
constexpr char kRelease[] = "2030-1-1 9:30";

std::string Ok(const std::string& name) { return kSucceeded + name; }
std::string Failed(const std::string& name) { return kFailed + name; }

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

class InstallStepTest : public WindowTest {
 protected:
  // The installation folder lies under a Chinese name, as a user's may.
  fs::path inst_ = dir_.path() / "博睿 Brimsel";
  std::string instWin_ = platform::WindowsPath(inst_) + "\\";

  InstallStepTest() { fs::create_directories(inst_ / "update"); }
  void MoveInstallationTo(const fs::path& folder) {
    inst_ = folder;
    instWin_ = platform::WindowsPath(inst_) + "\\";
    fs::create_directories(inst_ / "update");
  }

  void Write(const std::string& relative, const std::string& content) const {
    dir_.Write((fs::relative(inst_, dir_.path()) / relative).string(), content);
  }
  void WritePackage(const std::string& bytes) const { Write("update/brimsel.zip", bytes); }
  void CopyPackage(const char* corpusName) const { WritePackage(TempDir::Read(kZipData / corpusName)); }
  std::string Read(const std::string& relative) const { return TempDir::Read(inst_ / relative); }

  // The window over the installation folder with the real installation step; the download
  // step is replaced by what it leaves behind: the paths set, then on to step 3.
  TfrmUpdate& ShowInstallWindow() {
    TfrmUpdate::Options options = TestOptions();
    options.installationFolder = instWin_;
    options.installStep = RunInstallStep;
    options.downloadStep = [](WizardWindow& window) {
      WizardState& state = window.State();
      state.stagingFolder = state.installationFolder + "update";
      state.packagePath = state.stagingFolder + "\\brimsel.zip";
      window.Steps().Advance(window);
    };
    MakeWindow(std::move(options));
    window_->show();
    return *window_;
  }

  // Runs step 3 straight from the step controller, with Next disabled as the click leaves it.
  TfrmUpdate& RunInstallStepAlone(bool packageComplete = false) {
    TfrmUpdate& window = ShowInstallWindow();
    window.State().packageComplete = packageComplete;
    window.State().releaseDate = platform::StrToDate(kRelease);
    window.State().stagingFolder = instWin_ + "update";
    window.State().packagePath = instWin_ + "update\\brimsel.zip";
    window.SetNextEnabled(false);
    window.Steps().JumpTo(window, WizardStep::kInstall);
    return window;
  }

  // The log as the given lines make it.
  static std::string Log(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
  }
  std::string LogText() const { return window_->LogText(); }

  std::string LastUpdate() const { return ReadSetting(instWin_ + "Update.ini", kSettingsSection, kKeyLastUpdate, "(none)"); }
  void SetLastUpdate(const std::string& value) const {
    WriteSetting(instWin_ + "Update.ini", kSettingsSection, kKeyLastUpdate, value);
  }
};

TEST_F(InstallStepTest, InstallsEveryEntryInListingOrderUnderItsLowerCaseName) {
  ZipBuilder zip;
  zip.Add("ReadMe.TXT", "new readme");
  zip.Add("bin/Tool.DLL", "new tool");  // in a folder: installed into the folder itself
  zip.Add("data/", "");                 // a folder entry installs nothing
  zip.Add("Data.DAT", "new data");
  WritePackage(zip.Build());
  Write("ReadMe.TXT", "old readme");
  Write("update.bat", "left by an earlier run");

  TfrmUpdate& window = RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("readme.txt"), Ok("tool.dll"), Ok("data.dat")}));
  EXPECT_EQ(Read("ReadMe.TXT"), "new readme") << "an existing file keeps its name";
  EXPECT_EQ(Read("tool.dll"), "new tool") << "a new file takes the lower-case name";
  EXPECT_EQ(Read("data.dat"), "new data");
  EXPECT_FALSE(fs::exists(inst_ / "bin"));
  EXPECT_EQ(LastUpdate(), kRelease);
  EXPECT_FALSE(window.State().selfUpdate);
  EXPECT_EQ(Read("update.bat"), "left by an earlier run");
  EXPECT_TRUE(NextEnabled());
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(InstallStepTest, InstallsAPackageMadeByInfoZip) {
  ASSERT_TRUE(MakeRunnerReachable()) << "build the batchrun target first";
  CopyPackage("iz_tree.zip");  // folders, mixed case, x.txt in a/ and in b/, Update.EXE
  TfrmUpdate& window = RunInstallStepAlone();
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

  TfrmUpdate& window = RunInstallStepAlone();
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

// Names cut from the listing line carried its marks, and a byte-wise lowering broke GBK
// names; such files were then not installed although the update was recorded.
TEST_F(InstallStepTest, TakesEachNameFromTheEntryItself) {
  const std::string gbkName = "\xB0\x41\xB0\x5A.TXT";  // two characters whose second bytes are "A" and "Z"
  ASSERT_EQ(platform::GbkToUtf8(gbkName).find("\xEF\xBF\xBD"), std::string::npos) << "must be real GBK characters";
  ZipBuilder zip;
  zip.Add("Notes.TXT", "notes").comment = "with a comment";
  zip.Add("docs/" + gbkName, "chinese");
  WritePackage(zip.Build());

  RunInstallStepAlone();
  const std::string installedName = "\xB0\x41\xB0\x5A.txt";
  EXPECT_EQ(LogText(), Log({Ok("notes.txt"), Ok(installedName)}));
  EXPECT_EQ(Read("notes.txt"), "notes");
  EXPECT_EQ(TempDir::Read(platform::NativePath(instWin_ + installedName)), "chinese");
}

TEST_F(InstallStepTest, EntriesTheExtractionDiscardsGetNoLineAndNoStaleCopy) {
  // ReadMe.TXT and a/x.txt fail their CRC check; an earlier run left a ReadMe.TXT staged.
  CopyPackage("iz_badcrc.zip");
  Write("update/readme.txt", "staged by an earlier run");
  RunInstallStepAlone();
  // b/x.txt extracts as x.txt, so both listing lines named x.txt find a staged file.
  EXPECT_EQ(LogText(), Log({Ok("deep.txt"), Ok("x.txt"), Ok("x.txt"), Ok("zero.dat")}));
  EXPECT_EQ(Read("x.txt"), TempDir::Read(kZipData / "inputs/tree/b/x.txt"));
  EXPECT_FALSE(fs::exists(inst_ / "readme.txt"));
  EXPECT_TRUE(boxes_.Boxes().empty()) << "the stale file was deleted before the extraction";
}

TEST_F(InstallStepTest, ATruncatedPackageInstallsNothingAndKeepsLastUpdate) {
  SetLastUpdate("2010-1-1");
  CopyPackage("iz_truncated.zip");
  TfrmUpdate& window = RunInstallStepAlone();
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(LastUpdate(), "2010-1-1");
  EXPECT_FALSE(fs::exists(inst_ / "readme.txt"));
  EXPECT_FALSE(window.State().selfUpdate);
  EXPECT_TRUE(NextEnabled());
}

TEST_F(InstallStepTest, NoPackageFileEndsTheStepWithAnEmptyLog) {
  TfrmUpdate& window = RunInstallStepAlone();
  window.AppendLog("left from before");
  window.SetNextEnabled(false);
  window.ShowStep(3);
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(LastUpdate(), "(none)");
  EXPECT_TRUE(NextEnabled());
}

// An empty download, or a package of folders only, is not an installed update.
TEST_F(InstallStepTest, APackageWithoutFilesIsNotRecordedAsInstalled) {
  SetLastUpdate("2010-1-1");
  WritePackage("");
  RunInstallStepAlone();
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(LastUpdate(), "2010-1-1");
  EXPECT_TRUE(NextEnabled());

  ZipBuilder folders;
  folders.Add("bin/");
  folders.Add("data/");
  WritePackage(folders.Build());
  RunInstallStepAlone();
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(LastUpdate(), "2010-1-1");
}

TEST_F(InstallStepTest, AFailedWriteOfLastUpdateIsReportedAndLeavesNextDisabled) {
  SetLastUpdate("2010-1-1");
  ASSERT_TRUE(platform::SetFileAttributes(instWin_ + "Update.ini", platform::kAttributeReadOnly));
  ZipBuilder zip;
  zip.Add("readme.txt", "new readme");
  zip.Add("update.exe", "the new updater");
  WritePackage(zip.Build());

  ShowInstallWindow();  // Next on the welcome page and on the server page, as a user clicks them
  Find<QPushButton>("btnNext")->click();
  Find<QPushButton>("btnNext")->click();
  ASSERT_TRUE(window_->Steps().At(WizardStep::kInstall));
  EXPECT_EQ(LogText(), Log({Ok("readme.txt"), Ok("update.exe")}));
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, texts::kApplicationTitle);
  EXPECT_NE(boxes_.Boxes()[0].text.find("Unable to write to"), std::string::npos) << boxes_.Boxes()[0].text;
  EXPECT_FALSE(NextEnabled());
  EXPECT_FALSE(fs::exists(inst_ / "update.bat")) << "no script after the error";
  EXPECT_EQ(LastUpdate(), "2010-1-1");
}

TEST_F(InstallStepTest, AScriptThatCannotBeWrittenIsPassedOver) {
  Write("update.bat", "read-only");
  ASSERT_TRUE(platform::SetFileAttributes(instWin_ + "update.bat", platform::kAttributeReadOnly));
  ZipBuilder zip;
  zip.Add("update.exe", "the new updater");
  WritePackage(zip.Build());
  RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("update.exe")}));
  EXPECT_EQ(Read("update.bat"), "read-only");
  EXPECT_EQ(LastUpdate(), kRelease);
  EXPECT_TRUE(NextEnabled());
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

// What a failed installation staged goes. A damaged package that arrived whole is refused
// and goes too; one that the download cut short stays for the next run to resume.
TEST_F(InstallStepTest, AFailedInstallationLeavesNoStagedFilesAndNoDamagedPackage) {
  SetLastUpdate("2010-1-1");
  ZipBuilder zip;
  zip.Add("a.txt", "extracted before the failure");
  zip.Add("b.dat", std::string(64, '\xFF')).method = 8;  // no Deflate stream: inflate fails
  for (const bool complete : {false, true}) {
    WritePackage(zip.Build());
    RunInstallStepAlone(complete);
    EXPECT_EQ(LogText(), "");
    EXPECT_EQ(LastUpdate(), "2010-1-1");
    std::vector<std::string> staged;
    for (const auto& entry : fs::directory_iterator(inst_ / "update"))
      if (entry.path().filename() != UpdateLog::kFileName) staged.push_back(entry.path().filename().string());
    EXPECT_EQ(staged, complete ? std::vector<std::string>{} : std::vector<std::string>{"brimsel.zip"}) << complete;
    EXPECT_EQ(window_->State().failure, complete ? UpdateFailure::kPackage : UpdateFailure::kDownload);
  }
}

// A name that the file system would get with a line feed of its own is not created, and
// forges no line of the window's log or of update.log.
TEST_F(InstallStepTest, ANameCannotForgeALogLine) {
  ZipBuilder zip;
  zip.Add("a\x81\n" + Ok("forged.txt"), "forged");
  zip.Add("readme.txt", "new readme");
  WritePackage(zip.Build());
  RunInstallStepAlone();
  EXPECT_EQ(LogText(), Log({Ok("readme.txt")}));
  for (const auto& entry : fs::recursive_directory_iterator(inst_))
    EXPECT_EQ(entry.path().filename().string().find('\n'), std::string::npos) << entry.path();
  const std::string updateLog = Read("update/update.log");
  EXPECT_NE(updateLog.find("forged.txt"), std::string::npos) << "the skipped entry is logged";
  EXPECT_EQ(updateLog.find("\n" + Ok("forged.txt")), std::string::npos) << updateLog;
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

TEST(SelfReplacement, RaisesWhenItCannotBePreparedAndLeavesNothing) {
  TempDir dir;
  EXPECT_THROW(PrepareSelfReplacement(dir.WinPath()), Exception) << "no staged update.exe";
  dir.Write("update/update.exe", "new");
  dir.Write("update.bat/x", "a folder where the script would go");
  EXPECT_THROW(PrepareSelfReplacement(dir.WinPath()), Exception);
  EXPECT_FALSE(fs::exists(dir.path() / "update.exe.new"));
  // Folders that a batch line cannot name (Linux allows them; Windows does not).
  EXPECT_FALSE(SelfReplaceScriptText("\\opt\\a\"b\\"));
  EXPECT_FALSE(SelfReplaceScriptText("\\opt\\a\nb\\"));
}

}  // namespace
}  // namespace brimsel::test
