// The Win32 window as the tests drive and see it: a button clicked as the system clicks it
// for a user, through the window's own message handling; places and fonts as the system
// reports them.

#include <gtest/gtest.h>

#include "app/test_window.h"
#include "app/win32/message_loop.h"
#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

namespace brimsel::test {
namespace {

TfrmUpdate& Win32(WizardForm& window) { return static_cast<TfrmUpdate&>(window); }
const TfrmUpdate& Win32(const WizardForm& window) { return static_cast<const TfrmUpdate&>(window); }

HWND Handle(const WizardForm& window, std::string_view control) {
  HWND handle = Win32(window).Control(control);
  EXPECT_NE(handle, nullptr) << "no control named " << control;
  return handle;
}

HFONT Font(HWND control) { return reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)); }

void CALLBACK EndTheLoop(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(99); }

}  // namespace

// A WM_QUIT left by the window before (a close posts one for the program's loop) is taken
// out of the queue: it would end the pumps of this one.
std::unique_ptr<WizardForm> MakeTestWindow(WizardOptions options) {
  MSG quit;
  while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  return std::make_unique<TfrmUpdate>(std::move(options));
}

void Click(WizardForm& window, std::string_view button) { ::SendMessageA(Handle(window, button), BM_CLICK, 0, 0); }

int CurrentPage(const WizardForm& window) { return Win32(window).CurrentPage(); }

bool IsEnabled(const WizardForm& window, std::string_view control) {
  return ::IsWindowEnabled(Handle(window, control)) != FALSE;
}

ControlPlace PlaceOf(const WizardForm& window, std::string_view control) {
  if (control == layout::kForm) {
    RECT client = {};
    ::GetClientRect(Win32(window).Hwnd(), &client);
    return {"", 0, 0, client.right, client.bottom};
  }
  HWND handle = Handle(window, control);
  HWND parent = ::GetParent(handle);
  std::string parentName = parent == Win32(window).Hwnd() ? layout::kForm : "?";
  for (const layout::Control& other : layout::kControls) {
    if (Win32(window).Control(other.name) == parent) parentName = other.name;
  }
  RECT place = {};
  ::GetWindowRect(handle, &place);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
  return {parentName, place.left, place.top, place.right - place.left, place.bottom - place.top};
}

ControlFont FontOf(const WizardForm& window, std::string_view control) {
  LOGFONTA font = {};
  ::GetObjectA(Font(Handle(window, control)), sizeof font, &font);
  return {font.lfFaceName, -font.lfHeight, font.lfWeight >= FW_BOLD};
}

int TextWidth(const WizardForm& window, std::string_view control) {
  HWND handle = Handle(window, control);
  const std::string text = window.Caption(control);
  HDC dc = ::GetDC(handle);
  const HGDIOBJ old = ::SelectObject(dc, Font(handle));
  SIZE extent = {};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(handle, dc);
  return extent.cx;
}

bool IsShown(const WizardForm& window, std::string_view control) {
  return (::GetWindowLongA(Handle(window, control), GWL_STYLE) & WS_VISIBLE) != 0;
}

ColumnShown ColumnOf(const WizardForm& window, int index) {
  char caption[64] = {};
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = caption;
  column.cchTextMax = sizeof caption;
  if (!::SendMessageA(Handle(window, "lsvTest"), LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(&column))) return {};
  return {caption, column.cx};
}

int SelectedServerCount(const WizardForm& window) {
  return static_cast<int>(::SendMessageA(Handle(window, "lsvTest"), LVM_GETSELECTEDCOUNT, 0, 0));
}

std::string WindowTitle(const WizardForm& window) {
  char caption[256] = {};
  ::GetWindowTextA(Win32(window).Hwnd(), caption, sizeof caption);
  return caption;
}

bool IsOpen(const WizardForm& window) {
  return !Win32(window).Closed() && ::IsWindowVisible(Win32(window).Hwnd());
}

void PressCloseBox(WizardForm& window) { ::SendMessageA(Win32(window).Hwnd(), platform::WM_CLOSE, 0, 0); }

// Posted to the window with the focus and handled by the program's own pump, as the system
// delivers a key.
void PressEscape(WizardForm& window) {
  HWND target = ::GetFocus() != nullptr ? ::GetFocus() : Win32(window).Hwnd();
  ::PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1);
  ::PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
  PumpMessages(Win32(window));
}

int RunEventLoop(WizardForm& window, const std::function<void()>& inside) {
  inside();
  const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 10000, EndTheLoop);
  const int code = RunMessageLoop(Win32(window));
  ::KillTimer(nullptr, watchdog);
  return code;
}

}  // namespace brimsel::test
