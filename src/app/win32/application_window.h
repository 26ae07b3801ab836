#pragma once
// The application's own window. It is never seen itself: it stands for the program on the
// task bar under the application title, "升级程序", and owns the wizard, which as an owned
// window has no button of its own there. A click on the button, or Close in its menu,
// reaches the wizard.

#include "app/win32/window_object.h"
#include "platform/windows/windows_api.h"

namespace brimsel {

class ApplicationWindow {
 public:
  ApplicationWindow();  // created hidden
  ~ApplicationWindow();
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;

  HWND Hwnd() const { return window_; }
  // The wizard, which the button activates and Close in its menu closes.
  void SetMainWindow(HWND wizard) { wizard_ = wizard; }
  // Puts the button on the task bar (the window has no size, so nothing else shows) or
  // takes it away.
  void Show();
  void Hide();

 private:
  friend LRESULT CALLBACK win32::ObjectWindowProc<ApplicationWindow>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void ActivateWizard() const;

  HWND window_ = nullptr;
  HWND wizard_ = nullptr;
};

}  // namespace brimsel
