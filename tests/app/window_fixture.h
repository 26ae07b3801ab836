#pragma once
// A wizard window over a fresh installation folder, with its message boxes answered by a
// recorder and steps 1 to 3 replaced by actions that only note that they ran, so that the
// window and its step controller are tested on their own; a test puts the real step
// actions back where it tests them. The window is the test program's own (test_window.h).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/message_box_recorder.h"
#include "app/test_window.h"
#include "app/wizard_form.h"
#include "platform/codepage.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace brimsel::test {

inline constexpr char kTestVendorSite[] = "http://127.0.0.1";

// What the finish page says in the place of "the newest version is installed" after an
// update that failed for `reason` (UTF-8).
inline std::string FailedUpdateText(const std::string& reason) {
  return "升级未完成，请稍后重试。\n原因：" + reason + "。详见 update\\update.log";
}

class WindowTest : public ::testing::Test {
 protected:
  // Installation folder = the temporary folder, the test vendor site, recording steps.
  WizardOptions TestOptions() {
    WizardOptions options;
    options.installationFolder = dir_.WinPath();
    options.vendorSiteUrl = kTestVendorSite;
    auto recorder = [this](int step) {
      return [this, step](WizardWindow&) {
        stepsRun_.push_back(step);
        nextEnabledDuringStep_.push_back(NextEnabled());
      };
    };
    options.updateCheck = recorder(1);
    options.downloadStep = recorder(2);
    options.installStep = recorder(3);
    return options;
  }
  // Makes the window (not shown yet), in the place of the one before.
  WizardForm& MakeWindow(WizardOptions options) {
    window_.reset();
    window_ = MakeTestWindow(std::move(options));
    return *window_;
  }
  WizardForm& MakeWindow() { return MakeWindow(TestOptions()); }
  // Makes the window and shows it, which runs FormShow.
  WizardForm& ShowWindow() {
    MakeWindow().Show();
    return *window_;
  }
  // Shows the window with `action` as the step action of `step` (1 to 3).
  WizardForm& ShowWithStep(int step, WizardForm::StepAction action) {
    WizardOptions options = TestOptions();
    (step == 1 ? options.updateCheck : step == 2 ? options.downloadStep : options.installStep) = std::move(action);
    MakeWindow(std::move(options)).Show();
    return *window_;
  }

  // Stores `utf8Value` in Update.ini as the vendor tool does: GBK, enciphered, hex text.
  void WriteEnciphered(const char* key, const std::string& utf8Value) {
    WritePlain(key, EncryptToHexText(platform::Utf8ToGbk(utf8Value), kSettingsKeyString));
  }
  // Stores a value exactly as given.
  void WritePlain(const char* key, const std::string& value) {
    WriteSetting(dir_.WinPath() + kSettingsFileName, kSettingsSection, key, value);
  }

  // The text of a control, UTF-8.
  std::string LabelText(const char* name) const { return platform::GbkToUtf8(window_->Caption(name)); }
  void ClickNext() { Click(*window_, "btnNext"); }
  void ClickClose() { Click(*window_, "btnClose"); }
  // Next, as a user clicks it on the last page of a step, and the sentence of the finish page.
  std::string FinishText() {
    ClickNext();
    EXPECT_EQ(CurrentPage(), 4);
    return LabelText("lblHit");
  }
  std::string NextCaptionUtf8() const { return LabelText("btnNext"); }
  int CurrentPage() const { return test::CurrentPage(*window_); }
  bool NextEnabled() const { return IsEnabled(*window_, "btnNext"); }
  // Takes the shown window to `step` with Next, as a user would.
  void GoToStep(int step) {
    while (window_->Steps().Current() < step) ClickNext();
    ASSERT_EQ(window_->Steps().Current(), step);
  }

  TempDir dir_;
  MessageBoxRecorder boxes_;
  std::unique_ptr<WizardForm> window_;
  std::vector<int> stepsRun_;  // the step actions run, in order
  std::vector<bool> nextEnabledDuringStep_;
};

}  // namespace brimsel::test
