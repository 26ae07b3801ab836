// The wizard window's handlers: creation, showing, the two buttons, the step controller
// and the window procedures of the form and its panels.

#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <stdexcept>

#include "app/win32/control_ids.h"
#include "app/win32/resource_ids.h"

namespace brimsel {
namespace {

// A panel or page passes what its controls tell their parent on to the form, which
// handles every control of the window in one place. The multi-line Memo1 asks its parent
// for the dialog's Tab (WM_NEXTDLGCTL) and closes it on Esc (WM_CLOSE): a panel is never
// closed by a control, and Tab moves on through the form's tab order.
LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_NEXTDLGCTL:
      return ::SendMessageA(::GetAncestor(panel, GA_ROOT), message, wParam, lParam);
    case platform::WM_CLOSE:
      return 0;
    default:
      return ::DefWindowProcA(panel, message, wParam, lParam);
  }
}

void RegisterWindowClasses(WNDPROC formProc) {
  static const bool registered = [formProc] {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXA panel = {};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = ::GetModuleHandleA(nullptr);
    panel.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panel.lpszClassName = win32::kPanelClass;
    WNDCLASSEXA form = panel;
    form.lpfnWndProc = formProc;
    form.hIcon = ::LoadIconA(form.hInstance, MAKEINTRESOURCEA(BRIMSEL_ICON_ID));
    form.hIconSm = form.hIcon;
    form.lpszClassName = win32::kFormClass;
    return ::RegisterClassExA(&panel) != 0 && ::RegisterClassExA(&form) != 0;
  }();
  if (!registered) throw std::runtime_error("cannot register the wizard's window classes");
}

}  // namespace

TfrmUpdate::TfrmUpdate(Options options) : WizardForm(std::move(options)) {
  RegisterWindowClasses(win32::ObjectWindowProc<TfrmUpdate>);
  BuildControls();
}

TfrmUpdate::~TfrmUpdate() {
  if (form_ != nullptr) {
    ::SetWindowLongPtrA(form_, GWLP_USERDATA, 0);
    ::DestroyWindow(form_);
  }
}

void TfrmUpdate::Show() {
  FormShow();
  RECT frame = {};
  ::GetWindowRect(form_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(form_, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  application_.Show();
  ::ShowWindow(form_, SW_SHOW);
  ::SetForegroundWindow(form_);
  ::SetFocus(Control("btnNext"));
  ::UpdateWindow(form_);
}

// The window is hidden and the program told to end; the controls stay until the window
// object goes, so a step still running on them finishes its remaining actions first.
void TfrmUpdate::Close() {
  if (closed_) return;
  closed_ = true;
  ::ShowWindow(form_, platform::SW_HIDE);
  application_.Hide();
  ::PostQuitMessage(0);
}

bool TfrmUpdate::CanHoldFocus(HWND control) const {
  return control != nullptr && ::IsChild(form_, control) && ::IsWindowVisible(control) && ::IsWindowEnabled(control) &&
         (::GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP);
}

// Hiding a page does not move the focus off its controls, and disabling Next takes it
// away: keys would then reach a hidden control or none. Next takes it when it can; during
// a step, when Close is all a user may press, the form itself holds it, so that Enter
// cannot press Close by accident and Tab still leads into the tab order. A window that is
// not active is left alone: it settles its focus when it is activated again.
void TfrmUpdate::KeepFocusOnShownPage() {
  if (::GetActiveWindow() != form_ || CanHoldFocus(::GetFocus())) return;
  HWND next = Control("btnNext");
  ::SetFocus(CanHoldFocus(next) ? next : form_);
}

// After a step: a control of the page the step gave the focus to keeps it (the server
// list); otherwise Next, or Close when an error left Next disabled.
void TfrmUpdate::AfterStep() {
  if (closed_ || ::GetActiveWindow() != form_) return;
  HWND focus = ::GetFocus();
  if (CanHoldFocus(focus) && ::IsChild(pages_[currentPage_], focus)) return;
  HWND next = Control("btnNext");
  ::SetFocus(CanHoldFocus(next) ? next : Control("btnClose"));
}

// A window gives the focus to itself when it is activated, as after a message box or a
// switch to another program; like a dialog, the wizard gives it back to the control that
// had it, when that can still take it.
void TfrmUpdate::TrackActivation(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = ::GetFocus();
    lastFocus_ = ::IsChild(form_, focus) ? focus : nullptr;
  } else if (CanHoldFocus(lastFocus_)) {
    ::SetFocus(lastFocus_);
  } else {
    KeepFocusOnShownPage();
  }
}

// WM_NEXTDLGCTL as a dialog handles it: a control to focus, or the next or previous tab stop.
void TfrmUpdate::MoveFocus(WPARAM wParam, LPARAM lParam) {
  HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                    : ::GetNextDlgTabItem(form_, ::GetFocus(), wParam != 0 ? TRUE : FALSE);
  if (CanHoldFocus(target)) ::SetFocus(target);
}

void TfrmUpdate::ShowPage(int index) {
  if (index < 0 || index >= kPageCount || index == currentPage_) return;
  ::ShowWindow(pages_[currentPage_], platform::SW_HIDE);
  ::ShowWindow(pages_[index], SW_SHOW);
  currentPage_ = index;
  KeepFocusOnShownPage();
}

bool TfrmUpdate::PreTranslate(MSG& message) {
  return form_ != nullptr && ::IsDialogMessageA(form_, &message);
}

// Enter presses the focused button; anywhere else (the server list, say) it presses
// nothing, as the window has no default button.
LRESULT TfrmUpdate::DefaultButtonId() const {
  HWND focus = ::GetFocus();
  if (focus == Control("btnNext")) return MAKELRESULT(win32::kNextId, DC_HASDEFID);
  if (focus == Control("btnClose")) return MAKELRESULT(win32::kCloseId, DC_HASDEFID);
  return 0;
}

LRESULT TfrmUpdate::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // Esc (IDCANCEL) and Enter away from a button (IDOK) do nothing.
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == win32::kNextId) btnNextClick();
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == win32::kCloseId) btnCloseClick();
      return 0;
    case DM_GETDEFID:
      return DefaultButtonId();
    case WM_NEXTDLGCTL:
      MoveFocus(wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      TrackActivation(wParam);
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkMode(dc, TRANSPARENT);
      constexpr layout::Colour link = layout::kLinkColour;
      if (reinterpret_cast<HWND>(lParam) == Control("lblUrl")) ::SetTextColor(dc, RGB(link.red, link.green, link.blue));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == Control("lblUrl")) {
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        return TRUE;
      }
      break;
    case platform::WM_CLOSE:
      // The title-bar close box ends the program without the question; a step still
      // waiting on the network stops waiting, so that no hidden process runs on.
      State().cancelFlag = true;
      Close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(form_, message, wParam, lParam);
}

}  // namespace brimsel
