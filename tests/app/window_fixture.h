#pragma once
// A wizard window over a fresh installation folder, with its message boxes answered by a
// recorder and steps 1 to 3 replaced by actions that only note that they ran, so that the
// window and its step controller are tested on their own.

#include <gtest/gtest.h>

#include <QLabel>
#include <memory>
#include <string>
#include <vector>

#include "app/message_box_recorder.h"
#include "app/tfrm_update.h"
#include "support/temp_dir.h"

namespace brimsel::test {

inline constexpr char kTestVendorSite[] = "http://127.0.0.1";

class WindowTest : public ::testing::Test {
 protected:
  ~WindowTest() override;

  // Installation folder = the temporary folder, the test vendor site, recording steps.
  TfrmUpdate::Options TestOptions();
  // Makes the window (not shown yet).
  TfrmUpdate& MakeWindow(TfrmUpdate::Options options);
  TfrmUpdate& MakeWindow() { return MakeWindow(TestOptions()); }
  // Makes the window and shows it, which runs FormShow.
  TfrmUpdate& ShowWindow();

  // Stores `utf8Value` in Update.ini as the vendor tool does: GBK, enciphered, hex text.
  void WriteEnciphered(const char* key, const std::string& utf8Value);
  // Stores a value exactly as given.
  void WritePlain(const char* key, const std::string& value);
  std::string SettingsPath() const;

  template <typename Widget = QWidget>
  Widget* Find(const char* name) const {
    auto* widget = window_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
  }
  // The caption of a label, UTF-8.
  std::string LabelText(const char* name) const;
  std::string NextCaptionUtf8() const;
  int CurrentPage() const;
  bool NextEnabled() const;

  TempDir dir_;
  MessageBoxRecorder boxes_;
  std::unique_ptr<TfrmUpdate> window_;
  std::vector<int> stepsRun_;  // the step actions run, in order
  std::vector<bool> nextEnabledDuringStep_;
};

}  // namespace brimsel::test
