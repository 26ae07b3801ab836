#pragma once
// TfrmUpdate for Windows: the wizard window made of the system's own controls. The form
// (wizard_form.h) holds the state of the run and drives the steps, as in the Qt window of
// the Linux build; the controls are child windows built from the control table
// (window_layout.h), and the keyboard goes through IsDialogMessage, so mnemonics and Tab
// work as in a dialog.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "app/win32/application_window.h"
#include "app/win32/window_object.h"
#include "app/window_layout.h"
#include "app/wizard_form.h"
#include "platform/windows/windows_api.h"

namespace brimsel {

class TfrmUpdate : public WizardForm {
 public:
  // Creates the window and its controls (hidden) and runs FormCreate.
  explicit TfrmUpdate(Options options = Options());
  ~TfrmUpdate() override;

  // True once the window has been closed (OK, a confirmed Close or the close box).
  bool Closed() const { return closed_; }
  // Handles one message for the window's keyboard interface; true when it was used.
  bool PreTranslate(MSG& message);

  // The form's controls by their names, for the tests and the screenshots.
  HWND Control(std::string_view name) const;
  HWND Hwnd() const { return form_; }
  int CurrentPage() const { return currentPage_; }

  // WizardForm: shows the window centred on the screen with Next focused.
  void Show() override;
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

 protected:
  // WizardForm.
  void SetServerCell(int row, int column, const std::string& text) override;
  void AddServerRow() override;
  void Close() override;
  void AfterStep() override;

 private:
  struct GdiObjectDeleter {
    void operator()(void* object) const { ::DeleteObject(static_cast<HGDIOBJ>(object)); }
  };
  template <typename Object>
  using GdiHandle = std::unique_ptr<std::remove_pointer_t<Object>, GdiObjectDeleter>;

  // Layout (tfrm_update_layout.cpp).
  void BuildControls();
  HWND MakeControl(const layout::Control& control, HWND parent);
  HWND MakeWindow(const layout::Control& control, HWND parent, const char* className, DWORD style, DWORD exStyle = 0);
  void BuildServerList(HWND list);
  void FitLabel(HWND label) const;

  // Keyboard focus: where a user can go on from, never a hidden or disabled control.
  bool CanHoldFocus(HWND control) const;
  void KeepFocusOnShownPage();
  void TrackActivation(WPARAM wParam);
  void MoveFocus(WPARAM wParam, LPARAM lParam);

  friend LRESULT CALLBACK win32::ObjectWindowProc<TfrmUpdate>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultButtonId() const;

  ApplicationWindow application_;
  HWND form_ = nullptr;
  std::map<std::string, HWND, std::less<>> controls_;
  HWND pages_[kPageCount] = {};
  int currentPage_ = 0;
  HWND lastFocus_ = nullptr;  // the control with the focus when the window was last deactivated
  GdiHandle<HFONT> font_;
  GdiHandle<HFONT> boldFont_;
  GdiHandle<HBITMAP> picture_;
  bool closed_ = false;
};

}  // namespace brimsel
