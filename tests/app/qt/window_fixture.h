#pragma once
// A wizard window over a fresh installation folder, with its message boxes answered by a
// recorder and steps 1 to 3 replaced by actions that only note that they ran, so that the
// window and its step controller are tested on their own.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/message_box_recorder.h"
#include "app/qt/tfrm_update.h"
#include "platform/codepage.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace brimsel::test {

inline constexpr char kTestVendorSite[] = "http://127.0.0.1";

class WindowTest : public ::testing::Test {
 protected:
  // Installation folder = the temporary folder, the test vendor site, recording steps.
  TfrmUpdate::Options TestOptions() {
    TfrmUpdate::Options options;
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
  // Makes the window (not shown yet).
  TfrmUpdate& MakeWindow(TfrmUpdate::Options options) {
    window_ = std::make_unique<TfrmUpdate>(std::move(options));
    return *window_;
  }
  TfrmUpdate& MakeWindow() { return MakeWindow(TestOptions()); }
  // Makes the window and shows it, which runs FormShow.
  TfrmUpdate& ShowWindow() {
    MakeWindow().show();
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

  template <typename Widget = QWidget>
  Widget* Find(const char* name) const {
    auto* widget = window_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
  }
  // The caption of a label, UTF-8.
  std::string LabelText(const char* name) const {
    const QLabel* label = Find<QLabel>(name);
    return label ? label->text().toStdString() : std::string();
  }
  std::string NextCaptionUtf8() const { return Find<QPushButton>("btnNext")->text().toStdString(); }
  int CurrentPage() const { return Find<QStackedWidget>("Notebook1")->currentIndex(); }
  bool NextEnabled() const { return Find<QPushButton>("btnNext")->isEnabled(); }

  TempDir dir_;
  MessageBoxRecorder boxes_;
  std::unique_ptr<TfrmUpdate> window_;
  std::vector<int> stepsRun_;  // the step actions run, in order
  std::vector<bool> nextEnabledDuringStep_;
};

}  // namespace brimsel::test
