// The wizard window's handlers: creation, showing, the two buttons, the step controller
// and the window procedures of the form and its panels.

#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <stdexcept>
#include <string_view>

#include "app/win32/control_ids.h"
#include "app/win32/resource_ids.h"
#include "app/window_texts.h"
#include "app/wizard_form.h"
#include "archive/unzipper.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"

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

TfrmUpdate::TfrmUpdate(Options options)
    : options_(std::move(options)),
      steps_({options_.updateCheck, options_.downloadStep, options_.installStep}),
      unzipper_(std::make_unique<TUnzipper>()) {
  RegisterWindowClasses(win32::ObjectWindowProc<TfrmUpdate>);
  state_.installationFolder = options_.installationFolder;
  state_.vendorSiteUrl = options_.vendorSiteUrl;
  state_.vendorPublicKey = options_.vendorPublicKey;
  BuildControls();
  FormCreate();
}

TfrmUpdate::~TfrmUpdate() {
  if (form_ != nullptr) {
    ::SetWindowLongPtrA(form_, GWLP_USERDATA, 0);
    ::DestroyWindow(form_);
  }
}

void TfrmUpdate::FormCreate() {
  packageSocket_ = std::make_unique<platform::TClientSocket>();
  packageSocket_->SetClientType(platform::ctBlocking);
}

void TfrmUpdate::Show() {
  RunGuarded(*this, [this] { FormShow(); });
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

void TfrmUpdate::FormShow() {
  ReadShowTimeState(state_, steps_);

  ReplaceProductName("lblTitle");
  ReplaceProductName("lblHit");

  SetLabelText("lblUrl", state_.homepage);

  AddServer(texts::kBuiltInServerName, state_.vendorSiteUrl);
}

void TfrmUpdate::ReplaceProductName(const char* labelName) {
  // Replaced character by character, so that a trail byte of a double-byte character can
  // never be taken for the "B" of the name.
  const std::string text = ControlText(labelName);
  const std::string_view name = texts::kProductPlaceholder;
  std::string replaced;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, name.size(), name) == 0) {
      replaced += state_.productTitle;
      i += name.size();
    } else {
      const std::size_t length = platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
      replaced.append(text, i, length);
      i += length;
    }
  }
  HWND label = Control(labelName);
  ::SetWindowTextA(label, replaced.c_str());
  if (!(::GetWindowLongA(label, GWL_STYLE) & SS_LEFTNOWORDWRAP)) return;  // fixed size, word wrap
  FitLabel(label);
}

void TfrmUpdate::btnNextClick() {
  RunGuarded(*this, [this] {
    if (PressNext(*this)) Close();
  });
  FocusAfterStep();
}

void TfrmUpdate::btnCloseClick() {
  RunGuarded(*this, [this] {
    if (ConfirmExit(*this)) Close();
  });
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
void TfrmUpdate::FocusAfterStep() {
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

void TfrmUpdate::ShowStep(int step) { steps_.Show(*this, step); }

void TfrmUpdate::ShowPage(int index) {
  if (index < 0 || index >= kPageCount || index == currentPage_) return;
  ::ShowWindow(pages_[currentPage_], platform::SW_HIDE);
  ::ShowWindow(pages_[index], SW_SHOW);
  currentPage_ = index;
  KeepFocusOnShownPage();
}

void TfrmUpdate::ShowInfo(const std::string& text) {
  platform::MessageBox(Handle(), text, texts::kOnlineUpdate, platform::MB_OK | platform::MB_ICONINFORMATION);
}

bool TfrmUpdate::AskYesNo(const std::string& text) {
  return platform::MessageBox(Handle(), text, texts::kOnlineUpdate, platform::MB_YESNO | platform::MB_ICONQUESTION) ==
         platform::IDYES;
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
      if (reinterpret_cast<HWND>(lParam) == Control("lblUrl")) ::SetTextColor(dc, RGB(0, 0, 255));
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
      state_.cancelFlag = true;
      Close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(form_, message, wParam, lParam);
}

}  // namespace brimsel
