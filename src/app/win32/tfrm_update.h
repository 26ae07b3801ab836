#pragma once
// TfrmUpdate for Windows: the wizard window made of the system's own controls. The same
// form, handlers and step controller as the Qt window of the Linux build; the controls are
// child windows with the names, places and sizes of the window's designer, and the
// keyboard goes through IsDialogMessage, so mnemonics and Tab work as in a dialog.

#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "app/step_controller.h"
#include "app/win32/application_window.h"
#include "app/win32/window_object.h"
#include "app/wizard_form.h"
#include "app/wizard_window.h"
#include "platform/windows/windows_api.h"

namespace brimsel {

class TfrmUpdate : public WizardWindow {
 public:
  using StepAction = StepController::StepAction;

  using Options = WizardOptions;

  // Creates the window and its controls (hidden) and runs FormCreate.
  explicit TfrmUpdate(Options options = Options());
  ~TfrmUpdate() override;
  TfrmUpdate(const TfrmUpdate&) = delete;
  TfrmUpdate& operator=(const TfrmUpdate&) = delete;

  // Runs FormShow, then shows the window centred on the screen with Next focused.
  void Show();
  // True once the window has been closed (OK, a confirmed Close or the close box).
  bool Closed() const { return closed_; }
  // Handles one message for the window's keyboard interface; true when it was used.
  bool PreTranslate(MSG& message);

  // The handlers, public so that they can be driven as a user would.
  void FormShow();
  void btnNextClick();
  void btnCloseClick();
  void AddServer(const std::string& name, const std::string& url);

  // The form's controls by their names, for the tests and the screenshots.
  HWND Control(const std::string& name) const;
  HWND Hwnd() const { return form_; }
  int CurrentPage() const { return currentPage_; }
  std::string ControlText(const std::string& name) const;  // GBK

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
  void SetHitLabel(const std::string& text) override;
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

 private:
  struct GdiObjectDeleter {
    void operator()(void* object) const { ::DeleteObject(static_cast<HGDIOBJ>(object)); }
  };
  template <typename Object>
  using GdiHandle = std::unique_ptr<std::remove_pointer_t<Object>, GdiObjectDeleter>;

  // Layout (tfrm_update_layout.cpp).
  void BuildControls();
  HWND MakeControl(HWND parent, const char* name, const char* className, const char* text, DWORD style, int x,
                   int y, int width, int height, DWORD exStyle = 0);
  HWND MakePanel(HWND parent, const char* name, int x, int y, int width, int height);
  HWND MakeLabel(HWND parent, const char* name, int x, int y, const char* text, bool bold = false);
  void BuildBottomPanel();
  void BuildLeftPanel();
  void BuildNotebook();
  void BuildServerList(HWND page);
  void FitLabel(HWND label) const;
  void SetLabelText(const char* name, const std::string& text);

  void FormCreate();
  void Close();
  // Keyboard focus: where a user can go on from, never a hidden or disabled control.
  bool CanHoldFocus(HWND control) const;
  void KeepFocusOnShownPage();
  void FocusAfterStep();
  void TrackActivation(WPARAM wParam);
  void MoveFocus(WPARAM wParam, LPARAM lParam);
  void ReplaceProductName(const char* labelName);

  friend LRESULT CALLBACK win32::ObjectWindowProc<TfrmUpdate>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultButtonId() const;

  Options options_;
  WizardState state_;
  StepController steps_;
  ApplicationWindow application_;
  HWND form_ = nullptr;
  std::map<std::string, HWND> controls_;
  HWND pages_[kPageCount] = {};
  int currentPage_ = 0;
  HWND lastFocus_ = nullptr;  // the control with the focus when the window was last deactivated
  GdiHandle<HFONT> font_;
  GdiHandle<HFONT> boldFont_;
  GdiHandle<HBITMAP> picture_;
  bool closed_ = false;
  std::unique_ptr<platform::TClientSocket> packageSocket_;  // created with the window
  std::unique_ptr<TUnzipper> unzipper_;
};

}  // namespace brimsel
