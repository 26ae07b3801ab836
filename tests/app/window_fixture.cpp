#include "app/window_fixture.h"

#include <QPushButton>
#include <QStackedWidget>

#include "platform/codepage.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file.h"

namespace brimsel::test {

WindowTest::~WindowTest() = default;

TfrmUpdate::Options WindowTest::TestOptions() {
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

TfrmUpdate& WindowTest::MakeWindow(TfrmUpdate::Options options) {
  window_ = std::make_unique<TfrmUpdate>(std::move(options));
  return *window_;
}

TfrmUpdate& WindowTest::ShowWindow() {
  MakeWindow();
  window_->show();
  return *window_;
}

std::string WindowTest::SettingsPath() const { return dir_.WinPath() + kSettingsFileName; }

void WindowTest::WriteEnciphered(const char* key, const std::string& utf8Value) {
  WritePlain(key, EncryptToHexText(platform::Utf8ToGbk(utf8Value), kSettingsKeyString));
}

void WindowTest::WritePlain(const char* key, const std::string& value) {
  WriteSetting(SettingsPath(), kSettingsSection, key, value);
}

std::string WindowTest::LabelText(const char* name) const {
  const QLabel* label = Find<QLabel>(name);
  return label ? label->text().toStdString() : std::string();
}

std::string WindowTest::NextCaptionUtf8() const { return Find<QPushButton>("btnNext")->text().toStdString(); }

int WindowTest::CurrentPage() const { return Find<QStackedWidget>("Notebook1")->currentIndex(); }

bool WindowTest::NextEnabled() const { return Find<QPushButton>("btnNext")->isEnabled(); }

}  // namespace brimsel::test
