// The installation step in the test program's window with real packages: the files
// installed and logged in listing order, the script that cannot be written, and the
// packages that install nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/self_replacement.h"
#include "app/step_install_fixture.h"
#include "app/update_log.h"
#include "app/window_texts.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {

TEST_F(InstallStepTest, InstallsEveryEntryInListingOrderUnderItsLowerCaseName) {
  ZipBuilder zip;
  zip.Add("ReadMe.TXT", "new readme");
  zip.Add("bin/Tool.DLL", "new tool");  // in a folder: installed into the folder itself
  zip.Add("data/", "");                 // a folder entry installs nothing
  zip.Add("Data.DAT", "new data");
  WritePackage(zip.Build());
  Write("ReadMe.TXT", "old readme");
  Write("update.bat", "left by an earlier run");

  WizardForm& window = RunInstallStepAlone();
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
  WizardForm& window = RunInstallStepAlone();
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(LastUpdate(), "2010-1-1");
  EXPECT_FALSE(fs::exists(inst_ / "readme.txt"));
  EXPECT_FALSE(window.State().selfUpdate);
  EXPECT_TRUE(NextEnabled());
}

TEST_F(InstallStepTest, NoPackageFileEndsTheStepWithAnEmptyLog) {
  WizardForm& window = RunInstallStepAlone();
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
  ClickNext();
  ClickNext();
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
