#pragma once
// TfrmUpdate: the wizard window in Qt Widgets. The form (wizard_form.h) holds the state of
// the run and drives the steps; this window adds the controls, built from the control
// table (window_layout.h) as Qt widgets named like its controls, and Qt's side of the
// keyboard and of closing.

#include <QDialog>
#include <map>
#include <string>
#include <string_view>

#include "app/window_layout.h"
#include "app/wizard_form.h"

namespace brimsel {

class TfrmUpdate : public QDialog, public WizardForm {
  Q_OBJECT

 public:
  explicit TfrmUpdate(Options options = Options(), QWidget* parent = nullptr);
  ~TfrmUpdate() override;

  // WizardForm.
  void Show() override { show(); }
  std::string Caption(std::string_view control) const override;
  void SetCaption(std::string_view control, const std::string& text) override;
  std::string ServerCell(int row, int column) const override;

  // WizardWindow.
  void ShowPage(int index) override;
  void SetNextEnabled(bool enabled) override;
  int ServerCount() const override;
  int SelectedServer() const override;
  void SelectServer(int row) override;
  void FocusServerList() override;
  int ProgressPosition() const override;
  int ProgressMax() const override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;
  void ClearLog() override;
  void AppendLog(const std::string& line) override;
  std::string LogText() const override;
  void RepaintNow() override;
  platform::WindowHandle Handle() const override;

  // A control by its name in the table; nullptr for a name the table lacks.
  template <typename Widget = QWidget>
  Widget* Control(std::string_view name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : qobject_cast<Widget*>(found->second);
  }

 protected:
  // WizardForm.
  void SetServerCell(int row, int column, const std::string& text) override;
  void AddServerRow() override;
  void Close() override;

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Layout (tfrm_update_layout.cpp). Qt's parent-child ownership deletes the controls with
  // the window.
  void BuildControls();
  QWidget* MakeControl(const layout::Control& control, QWidget* parent);
  QWidget* MakeLabel(const layout::Control& control, QWidget* parent);
  QWidget* MakeServerList(QWidget* parent);

  std::map<std::string, QWidget*, std::less<>> controls_;
};

}  // namespace brimsel
