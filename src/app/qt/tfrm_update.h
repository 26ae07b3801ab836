#pragma once
// TfrmUpdate: the wizard window. Five pages in a paged container, Next and Close below
// them and a picture on the left. The window holds the state of one run and drives the
// steps: Next raises the wizard step and calls ShowStep, which shows the step's page and
// runs its action (steps.h).

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "app/wizard_form.h"
#include "app/wizard_window.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QWidget;

namespace brimsel {

class TfrmUpdate : public QDialog, public WizardWindow {
  Q_OBJECT

 public:
  using StepAction = StepController::StepAction;

  using Options = WizardOptions;

  explicit TfrmUpdate(Options options = Options(), QWidget* parent = nullptr);
  ~TfrmUpdate() override;

  // The handlers, public so that they can be driven as a user would.
  void FormShow();
  void btnNextClick();
  void btnCloseClick();
  void AddServer(const std::string& name, const std::string& url);

  // WizardWindow.
  WizardState& State() override { return state_; }
  StepController& Steps() override { return steps_; }
  void ShowStep(int step) override;
  void ShowPage(int index) override;
  void SetNextEnabled(bool enabled) override;
  void SetNextCaption(const std::string& caption) override;
  std::string NextCaption() const override;
  int ServerCount() const override;
  std::string ServerName(int row) const override;
  std::string ServerUrl(int row) const override;
  std::string ServerTestTime(int row) const override;
  void SetServerTestTime(int row, const std::string& text) override;
  int SelectedServer() const override;
  void SelectServer(int row) override;
  void FocusServerList() override;
  void SetFileLabel(const std::string& text) override;
  int ProgressPosition() const override;
  int ProgressMax() const override;
  std::string DownLabel() const override;
  void ClearLog() override;
  void AppendLog(const std::string& line) override;
  std::string LogText() const override;
  void RepaintNow() override;
  platform::WindowHandle Handle() const override;
  platform::TClientSocket& PackageSocket() override;
  TUnzipper& Unzipper1() override;
  void ShowInfo(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

  // DownloadView.
  bool& CancelFlag() override { return state_.cancelFlag; }
  void SetDownLabel(const std::string& text) override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The controls, as the layout makes them (tfrm_update_layout.cpp). Qt's parent-child
  // ownership deletes them with the window.
  struct Controls {
    QWidget* Panel1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnClose = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Image1 = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    // Page 0, "Default".
    QLabel* Label1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* Label3 = nullptr;
    // Page 1, "tesk".
    QTreeWidget* lsvTest = nullptr;
    QWidget* Panel3 = nullptr;
    QLabel* Label2 = nullptr;
    // Page 2, "2".
    QLabel* lblFile = nullptr;
    QLabel* lblDown = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    // Page 3, "4".
    QPlainTextEdit* Memo1 = nullptr;
    // Page 4, "3".
    QLabel* Label6 = nullptr;
    QLabel* lblHit = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* lblUrl = nullptr;
  };

  // Layout (tfrm_update_layout.cpp).
  void BuildControls();
  void BuildBottomPanel();
  void BuildLeftPanel();
  void BuildNotebook();
  void BuildWelcomePage();
  void BuildServerPage();
  void BuildProgressPage();
  void BuildLogPage();
  void BuildFinishPage();

  void FormCreate();
  void ReplaceProductName(QLabel& label);

  Options options_;
  WizardState state_;
  StepController steps_;
  Controls c_;
  std::unique_ptr<platform::TClientSocket> packageSocket_;  // created with the window
  std::unique_ptr<TUnzipper> unzipper_;  // Unzipper1, with its default settings
};

}  // namespace brimsel
