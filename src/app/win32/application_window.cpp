#include "app/win32/application_window.h"

#include <stdexcept>

#include "app/win32/control_ids.h"
#include "app/win32/resource_ids.h"
#include "app/window_texts.h"

namespace brimsel {
namespace {

// Asks the application window to hand the activation on, once the activation that brought
// it there is over.
constexpr UINT kActivateWizard = WM_APP + 1;

}  // namespace

ApplicationWindow::ApplicationWindow() {
  static const bool registered = [] {
    WNDCLASSEXA application = {};
    application.cbSize = sizeof application;
    application.lpfnWndProc = win32::ObjectWindowProc<ApplicationWindow>;
    application.hInstance = ::GetModuleHandleA(nullptr);
    application.hIcon = ::LoadIconA(application.hInstance, MAKEINTRESOURCEA(BRIMSEL_ICON_ID));
    application.hIconSm = application.hIcon;
    application.lpszClassName = win32::kApplicationClass;
    return ::RegisterClassExA(&application) != 0;
  }();
  if (!registered) throw std::runtime_error("cannot register the application window's class");
  // Centred and of no size, as the button's window must be visible to have a button.
  window_ = ::CreateWindowExA(0, win32::kApplicationClass, texts::kApplicationTitle,
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS, ::GetSystemMetrics(SM_CXSCREEN) / 2,
                              ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), this);
  if (window_ == nullptr) throw std::runtime_error("cannot create the application window");
}

ApplicationWindow::~ApplicationWindow() {
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

void ApplicationWindow::Show() { ::ShowWindow(window_, SW_SHOWNOACTIVATE); }

void ApplicationWindow::Hide() { ::ShowWindow(window_, platform::SW_HIDE); }

// The wizard, or the box it waits for (a box is owned by the wizard, which it disables).
void ApplicationWindow::ActivateWizard() const {
  if (wizard_ == nullptr || !::IsWindowVisible(wizard_)) return;
  HWND target = ::IsWindowEnabled(wizard_) ? wizard_ : ::GetWindow(wizard_, GW_ENABLEDPOPUP);
  if (target != nullptr) ::SetActiveWindow(target);
}

LRESULT ApplicationWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) ::PostMessageA(window_, kActivateWizard, 0, 0);
      return 0;
    case kActivateWizard:
      ActivateWizard();
      return 0;
    case platform::WM_CLOSE:
      // As the wizard's own close box; never destroyed by it, which would take the wizard along.
      if (wizard_ != nullptr) ::SendMessageA(wizard_, platform::WM_CLOSE, 0, 0);
      return 0;
    default:
      return ::DefWindowProcA(window_, message, wParam, lParam);
  }
}

}  // namespace brimsel
