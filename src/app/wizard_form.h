#pragma once
// The wizard window's skeleton, free of any toolkit: what the Qt and the Win32 window hold
// and do alike. WizardForm owns the state of the run, the step controller, the package
// socket and the zip component; it has the handlers (showing the window, Next, Close, each
// behind the error box) and the two message boxes, and reaches the controls by their
// names in the control table (window_layout.h). A window adds the controls, built from
// that table, and what only its toolkit can do.

#include <memory>
#include <string>
#include <string_view>

#include "app/wizard_window.h"

namespace brimsel {

// What a wizard window is made with.
struct WizardOptions {
  WizardOptions();  // the folder of the running program, the built-in site and the real steps
  std::string installationFolder;  // ends in "\"
  std::string vendorSiteUrl;       // scheme and host, no trailing slash
  std::string vendorPublicKey;     // hex; empty: packages are installed unsigned, as ever
  // The actions of steps 1 to 3 (steps.h); replaceable so that the step controller can be
  // exercised on its own.
  StepController::StepAction updateCheck;
  StepController::StepAction downloadStep;
  StepController::StepAction installStep;
};

class WizardForm : public WizardWindow {
 public:
  using Options = WizardOptions;
  using StepAction = StepController::StepAction;

  ~WizardForm() override;
  WizardForm(const WizardForm&) = delete;
  WizardForm& operator=(const WizardForm&) = delete;

  // Runs FormShow, then shows the window with Next focused, as the program starts.
  virtual void Show() = 0;

  // The handlers, public so that they can be driven as a user would. An error escaping
  // one is shown in the error box, and the program goes on.
  // FormShow: what an earlier run left unfinished finished (self_replacement.h), the
  // settings read (what was read before a value that cannot be deciphered is held all the
  // same), the product title put into the welcome and finish texts, the
  // homepage shown and the built-in server row added.
  void FormShow();
  // Closes the window once the wizard is finished (Next reads "确定(&O)"); otherwise runs
  // the next step with Next disabled meanwhile and enabled after, whatever the step did
  // with it. An error escaping the step leaves Next disabled.
  void btnNextClick();
  // Asks the exit question; Yes sets the cancel flag and ends the program.
  void btnCloseClick();
  // Appends a row to the server list: its number (the first row is "1"), name, URL and an
  // empty test time.
  void AddServer(const std::string& name, const std::string& url);

  // The text of a control of the table by its name (GBK), and setting it; a label without
  // a size in the table is then sized to its new text.
  virtual std::string Caption(std::string_view control) const = 0;
  virtual void SetCaption(std::string_view control, const std::string& text) = 0;

  // WizardWindow: what the form holds, and what it reaches through the table's names.
  WizardState& State() override { return state_; }
  StepController& Steps() override { return steps_; }
  void ShowStep(int step) override { steps_.Show(*this, step); }
  void SetNextCaption(const std::string& caption) override { SetCaption("btnNext", caption); }
  std::string NextCaption() const override { return Caption("btnNext"); }
  std::string ServerName(int row) const override { return ServerCell(row, kNameColumn); }
  std::string ServerUrl(int row) const override { return ServerCell(row, kUrlColumn); }
  std::string ServerTestTime(int row) const override { return ServerCell(row, kTestTimeColumn); }
  void SetServerTestTime(int row, const std::string& text) override { SetServerCell(row, kTestTimeColumn, text); }
  void SetFileLabel(const std::string& text) override { SetCaption("lblFile", text); }
  void SetHitLabel(const std::string& text) override { SetCaption("lblHit", text); }
  std::string DownLabel() const override { return Caption("lblDown"); }
  void SetDownLabel(const std::string& text) override { SetCaption("lblDown", text); }
  bool& CancelFlag() override { return state_.cancelFlag; }
  platform::TClientSocket& PackageSocket() override { return *packageSocket_; }
  TUnzipper& Unzipper1() override { return *unzipper_; }
  void ShowInfo(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

  // The server list's columns (layout::kServerColumns), and a cell by row (0-based) and
  // column: a row that names none reads as empty text and is not written, so that a list
  // left empty by a failed show cannot crash a later step.
  enum ServerColumn { kNumberColumn = 0, kNameColumn = 1, kUrlColumn = 2, kTestTimeColumn = 3 };
  virtual std::string ServerCell(int row, int column) const = 0;

 protected:
  // The state from the options; then FormCreate, which makes the package socket.
  explicit WizardForm(Options options);

  virtual void SetServerCell(int row, int column, const std::string& text) = 0;
  virtual void AddServerRow() = 0;  // an empty row at the end of the list
  // Hides the window and ends the program once the running handler is back in the event
  // loop; a step still running finishes its remaining actions first.
  virtual void Close() = 0;
  // After Next's step, whatever it did.
  virtual void AfterStep() {}

 private:
  void FormCreate();
  void ReplaceProductName(std::string_view label);

  WizardState state_;
  StepController steps_;
  std::unique_ptr<platform::TClientSocket> packageSocket_;  // created with the window
  std::unique_ptr<TUnzipper> unzipper_;                     // Unzipper1, with its default settings
};

}  // namespace brimsel
