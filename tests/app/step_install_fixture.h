#pragma once
// The installation step in the test program's window with real packages: the window over
// an installation folder under a Chinese name, the real step 3, and the download step
// replaced by what it leaves behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/steps.h"
#include "app/window_fixture.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace brimsel::test {

namespace fs = std::filesystem;
using platform::Utf8ToGbk;

inline const std::string kSucceeded = Utf8ToGbk("文件更新成功：");
inline const std::string kFailed = Utf8ToGbk("文件更新失败：");
inline const fs::path kZipData = fs::path(BRIMSEL_TEST_DATA_DIR) / "zip";
// The release installed by these tests, as its version page dated it: ahead of the
// client's clock, and with a time of day.
inline constexpr char kRelease[] = "2030-1-1 9:30";

inline std::string Ok(const std::string& name) { return kSucceeded + name; }
inline std::string Failed(const std::string& name) { return kFailed + name; }

class InstallStepTest : public WindowTest {
 protected:
  // The installation folder lies under a Chinese name, as a user's may.
  fs::path inst_ = dir_.path() / fs::path(u8"博睿 Brimsel");
  std::string instWin_ = platform::WindowsPath(inst_) + "\\";

  InstallStepTest() { fs::create_directories(inst_ / "update"); }
  void MoveInstallationTo(const fs::path& folder) {
    inst_ = folder;
    instWin_ = platform::WindowsPath(inst_) + "\\";
    fs::create_directories(inst_ / "update");
  }

  void Write(const std::string& relative, const std::string& content) const {
    dir_.Write(fs::relative(inst_, dir_.path()) / relative, content);
  }
  void WritePackage(const std::string& bytes) const { Write("update/brimsel.zip", bytes); }
  void CopyPackage(const char* corpusName) const { WritePackage(TempDir::Read(kZipData / corpusName)); }
  std::string Read(const std::string& relative) const { return TempDir::Read(inst_ / relative); }

  // The window over the installation folder with the real installation step; the download
  // step is replaced by what it leaves behind: the paths set, then on to step 3.
  WizardForm& ShowInstallWindow() {
    WizardOptions options = TestOptions();
    options.installationFolder = instWin_;
    options.installStep = RunInstallStep;
    options.downloadStep = [](WizardWindow& window) {
      WizardState& state = window.State();
      state.stagingFolder = state.installationFolder + "update";
      state.packagePath = state.stagingFolder + "\\brimsel.zip";
      window.Steps().Advance(window);
    };
    MakeWindow(std::move(options));
    window_->Show();
    return *window_;
  }

  // Runs step 3 straight from the step controller, with Next disabled as the click leaves it.
  WizardForm& RunInstallStepAlone(bool packageComplete = false) {
    WizardForm& window = ShowInstallWindow();
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

}  // namespace brimsel::test
