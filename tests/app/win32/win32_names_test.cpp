// The real download and installation steps in the Win32 window under Wine, against the
// names and paths the system itself treats otherwise: devices, short aliases and paths
// past its limit.

#include <gtest/gtest.h>

#include "app/steps.h"
#include "app/win32/tfrm_update.h"

#include <filesystem>
#include <string>
#include <vector>

#include "app/window_fixture.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {
namespace fs = std::filesystem;

class Win32NamesTest : public WindowTest {
 protected:
  // The window over `folder` with the real step 2 and 3, or in place of step 2 what it
  // leaves behind (`download` false); then on to the step after the server list.
  WizardForm& RunFromServerPage(const std::string& folder, bool download) {
    WizardOptions options = TestOptions();
    options.installationFolder = folder;
    options.updateCheck = [](WizardWindow&) {};
    options.installStep = RunInstallStep;
    if (download) {
      options.downloadStep = RunDownloadStep;
    } else {
      options.downloadStep = [](WizardWindow& window) {
        WizardState& state = window.State();
        state.stagingFolder = state.installationFolder + "update";
        state.packagePath = state.stagingFolder + "\\brimsel.zip";
        state.packageComplete = true;
        window.Steps().Advance(window);
      };
    }
    MakeWindow(std::move(options)).Show();
    window_->Steps().JumpTo(*window_, WizardStep::kServerTest);
    ClickNext();
    return *window_;
  }
  std::string UpdateLog(const fs::path& folder) const { return TempDir::Read(folder / "update" / "update.log"); }
};

// A device name, with or without an extension, is no file: it is skipped with its reason
// and asks nothing (no "File Exists Alert" behind the wizard).
TEST_F(Win32NamesTest, DeviceNamesAreSkippedWithTheirReasonAndNoQuestion) {
  ZipBuilder zip;
  for (const char* name : {"CON", "nul.txt", "AUX.dat", "COM1", "LPT1.txt", "CONIN$"}) zip.Add(name, "device");
  zip.Add("readme.txt", "new readme");
  fs::create_directories(dir_.path() / "update");
  dir_.Write("update/brimsel.zip", zip.Build());
  WriteSetting(dir_.WinPath() + "Update.ini", kSettingsSection, kKeyLastUpdate, "2010-1-1");

  RunFromServerPage(dir_.WinPath(), false);
  EXPECT_TRUE(boxes_.Boxes().empty()) << boxes_.Boxes()[0].caption;
  EXPECT_EQ(window_->LogText(), platform::Utf8ToGbk("文件更新成功：") + "readme.txt");
  EXPECT_EQ(TempDir::Read(dir_.path() / "readme.txt"), "new readme");
  EXPECT_EQ(window_->State().failure, UpdateFailure::kPackage);
  EXPECT_EQ(ReadSetting(dir_.WinPath() + "Update.ini", kSettingsSection, kKeyLastUpdate, ""), "2010-1-1");
  const std::string log = UpdateLog(dir_.path());
  for (const char* name : {"CON", "nul.txt", "AUX.dat", "COM1", "LPT1.txt", "CONIN$"})
    EXPECT_NE(log.find("skipped " + std::string(name) + ": not installed, the name is a device"), std::string::npos)
        << name << "\n" << log;
}

// The short alias Windows keeps for a long name reaches that file: an entry of that name
// must not overwrite it.
TEST_F(Win32NamesTest, AShortAliasDoesNotReplaceTheFileItStandsFor) {
  const fs::path longFile = dir_.Write("longfilename.txt", "the product's own file");
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(longFile.c_str(), shortPath, MAX_PATH), 0u);
  const std::string alias = platform::WindowsPath(fs::path(shortPath).filename());
  ASSERT_NE(platform::LowerAsciiOfSingleByteChars(alias), "longfilename.txt") << "the volume makes no short names";
  ZipBuilder zip;
  zip.Add(alias, "written through the alias");
  zip.Add("readme.txt", "new readme");
  fs::create_directories(dir_.path() / "update");
  dir_.Write("update/brimsel.zip", zip.Build());

  RunFromServerPage(dir_.WinPath(), false);
  EXPECT_EQ(TempDir::Read(longFile), "the product's own file");
  EXPECT_EQ(TempDir::Read(dir_.path() / "readme.txt"), "new readme");
  EXPECT_NE(window_->LogText().find(platform::Utf8ToGbk("文件更新失败：") +
                                    platform::LowerAsciiOfSingleByteChars(alias)),
            std::string::npos)
      << window_->LogText();
  EXPECT_NE(UpdateLog(dir_.path()).find("is the file longfilename.txt under another name"), std::string::npos)
      << UpdateLog(dir_.path());
  EXPECT_EQ(window_->State().failure, UpdateFailure::kPackage);
}

// Past MAX_PATH the package would be downloaded whole and then not be found. Nothing is
// fetched; the system cannot make the staging folder there, so there is no update.log to
// say why: the error box does, in Chinese, and the failure is the download's.
TEST_F(Win32NamesTest, APathPastTheSystemsLimitIsRefusedBeforeTheDownload) {
  const fs::path deep = dir_.path() / std::wstring(120, L'd') / std::wstring(120, L'e');
  fs::create_directories(deep);
  RunFromServerPage(platform::WindowsPath(deep) + "\\", true);
  EXPECT_EQ(window_->State().failure, UpdateFailure::kDownload);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_NE(boxes_.Boxes()[0].text.find(platform::Utf8ToGbk("路径过长")), std::string::npos);
  EXPECT_FALSE(fs::exists(deep / "update" / ".zip"));
}

// An installation folder named like a device cannot hold its staging folder: the user is
// told so, where before the run ended on the finish page with no log and no message.
TEST_F(Win32NamesTest, AFolderThatCannotHoldItsStagingFolderIsReported) {
  const fs::path con = dir_.path() / "con";
  // Only the system's long form makes such a folder; a user's copy program may well do so.
  const std::wstring longForm = L"\\\\?\\" + con.wstring();
  ASSERT_TRUE(::CreateDirectoryW(longForm.c_str(), nullptr));
  RunFromServerPage(platform::WindowsPath(con) + "\\", true);
  const UpdateFailure failure = window_->State().failure;
  const std::vector<RecordedBox> boxes = boxes_.Boxes();
  window_.reset();
  // The folder goes by its long form too: by its short one, the console would be opened.
  ::RemoveDirectoryW((longForm + L"\\update").c_str());
  ::RemoveDirectoryW(longForm.c_str());
  EXPECT_EQ(failure, UpdateFailure::kDownload);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(platform::Utf8ToGbk("无法建立升级文件夹")), std::string::npos);
}

}  // namespace
}  // namespace brimsel::test
