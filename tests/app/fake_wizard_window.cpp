// The wizard window without a toolkit: the form of the real windows, with its controls
// held in memory as the control table makes them. The step actions run in it as they run
// in the Qt and the Win32 window, in either suite and without a display.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "app/test_window.h"
#include "app/window_layout.h"
#include "platform/pump.h"

namespace brimsel::test {
namespace {

class FakeWizardWindow : public WizardForm {
 public:
  explicit FakeWizardWindow(WizardOptions options) : WizardForm(std::move(options)) {
    for (const layout::Control& control : layout::kControls) {
      captions_.emplace(control.name, control.text);
      enabled_.emplace(control.name, true);
    }
  }

  void Show() override { FormShow(); }
  std::string Caption(std::string_view control) const override {
    if (control == "Memo1") return LogText();
    const auto found = captions_.find(control);
    return found == captions_.end() ? std::string() : found->second;
  }
  void SetCaption(std::string_view control, const std::string& text) override {
    if (const auto found = captions_.find(control); found != captions_.end()) found->second = text;
  }
  std::string ServerCell(int row, int column) const override { return HasRow(row) ? rows_[row][column] : ""; }

  void ShowPage(int index) override {
    if (index >= 0 && index < kPageCount) page_ = index;
  }
  void SetNextEnabled(bool enabled) override { enabled_["btnNext"] = enabled; }
  int ServerCount() const override { return static_cast<int>(rows_.size()); }
  int SelectedServer() const override { return selected_; }
  void SelectServer(int row) override {
    if (HasRow(row)) selected_ = row;
  }
  void FocusServerList() override {}
  int ProgressPosition() const override { return position_; }
  int ProgressMax() const override { return max_; }
  void SetProgressMax(int max) override { max_ = max; }
  void SetProgressPosition(int position) override { position_ = std::clamp(position, 0, max_); }
  void ClearLog() override { log_.clear(); }
  void AppendLog(const std::string& line) override { log_.push_back(line); }
  std::string LogText() const override {
    std::string text;
    for (const std::string& line : log_) text += (text.empty() ? "" : "\n") + line;
    return text;
  }
  void RepaintNow() override {}
  platform::WindowHandle Handle() const override { return 0; }

  int Page() const { return page_; }
  bool Enabled(std::string_view control) const {
    const auto found = enabled_.find(control);
    return found != enabled_.end() && found->second;
  }

 protected:
  void SetServerCell(int row, int column, const std::string& text) override {
    if (HasRow(row)) rows_[row][column] = text;
  }
  void AddServerRow() override { rows_.emplace_back(); }
  void Close() override {}

 private:
  bool HasRow(int row) const { return row >= 0 && row < ServerCount(); }

  std::map<std::string, std::string, std::less<>> captions_;
  std::map<std::string, bool, std::less<>> enabled_;
  std::vector<std::array<std::string, std::size(layout::kServerColumns)>> rows_;
  int selected_ = -1;
  int page_ = 0;
  int position_ = 0;
  int max_ = 100;
  std::vector<std::string> log_;
};

const FakeWizardWindow& Fake(const WizardForm& window) { return static_cast<const FakeWizardWindow&>(window); }

// The program pumps messages while it waits, as update.exe does; the fake has none waiting.
class FakePumpEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    platform::SetMessagePump([] {});
  }
  void TearDown() override { platform::SetMessagePump({}); }
};

// gtest takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new FakePumpEnvironment);

}  // namespace

std::unique_ptr<WizardForm> MakeTestWindow(WizardOptions options) {
  return std::make_unique<FakeWizardWindow>(std::move(options));
}

void Click(WizardForm& window, std::string_view button) {
  if (!Fake(window).Enabled(button)) return;
  button == "btnNext" ? window.btnNextClick() : window.btnCloseClick();
}

int CurrentPage(const WizardForm& window) { return Fake(window).Page(); }

bool IsEnabled(const WizardForm& window, std::string_view control) { return Fake(window).Enabled(control); }

}  // namespace brimsel::test
