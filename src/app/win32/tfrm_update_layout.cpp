// The controls of the wizard window, made from the control table (window_layout.h) as
// child windows of the system's own classes.

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/win32/control_ids.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>
#include "app/window_texts.h"

namespace brimsel {
namespace {

using layout::Kind;
using layout::kClientHeight;
using layout::kClientWidth;

HFONT MakeWindowFont(int weight) {
  return ::CreateFontA(-layout::kFontPixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, texts::kFontFamily);
}

}  // namespace

// A child window at the control's place, named like it; Next and Close have the
// identifiers the form's WM_COMMAND knows them by.
HWND TfrmUpdate::MakeWindow(const layout::Control& control, HWND parent, const char* className, DWORD style,
                            DWORD exStyle) {
  const std::string_view name = control.name;
  const int id = name == "btnNext"    ? win32::kNextId
                 : name == "btnClose" ? win32::kCloseId
                                      : win32::kFirstOtherId + static_cast<int>(controls_.size());
  HWND window = ::CreateWindowExA(exStyle, className, control.text, WS_CHILD | WS_VISIBLE | style, control.x, control.y,
                                  control.width, control.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                  nullptr);
  if (window == nullptr) throw std::runtime_error(std::string("cannot create the control ") + control.name);
  const bool bold = control.style & layout::kBold;
  ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(bold ? boldFont_.get() : font_.get()), FALSE);
  controls_.emplace(control.name, window);
  return window;
}

// Panels, the notebook and its pages are windows of their own (TPanel) that pass their
// controls' notifications on to the form.
HWND TfrmUpdate::MakeControl(const layout::Control& control, HWND parent) {
  switch (control.kind) {
    case Kind::kPanel:
    case Kind::kNotebook:
      return MakeWindow(control, parent, win32::kPanelClass, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
    case Kind::kPage: {
      const int index = static_cast<int>(std::find(pages_, pages_ + kPageCount, nullptr) - pages_);
      pages_[index] = MakeWindow(control, parent, win32::kPanelClass, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
      if (index != 0) ::ShowWindow(pages_[index], platform::SW_HIDE);
      return pages_[index];
    }
    case Kind::kBevel: {
      HWND bevel = MakeWindow(control, parent, "STATIC", SS_ETCHEDHORZ);
      // An etched line takes a size of its own when made; it gets the designer's again.
      ::SetWindowPos(bevel, nullptr, 0, 0, control.width, control.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return bevel;
    }
    case Kind::kButton:
      return MakeWindow(control, parent, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP);
    case Kind::kPicture: {
      HWND image = MakeWindow(control, parent, "STATIC", SS_BITMAP);
      ::SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
      return image;
    }
    case Kind::kLabel: {
      if (!control.AutoSized()) return MakeWindow(control, parent, "STATIC", SS_LEFT | SS_NOPREFIX);  // word wrap
      HWND label = MakeWindow(control, parent, "STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY);
      FitLabel(label);
      return label;
    }
    case Kind::kServerList: {
      HWND list = MakeWindow(control, parent, WC_LISTVIEWA,
                             WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                             WS_EX_CLIENTEDGE);
      BuildServerList(list);
      return list;
    }
    case Kind::kProgressBar: {
      HWND progress = MakeWindow(control, parent, PROGRESS_CLASSA, 0);
      ::SendMessageA(progress, PBM_SETRANGE32, 0, layout::kProgressBarMax);
      return progress;
    }
    case Kind::kMemo: {
      HWND memo = MakeWindow(control, parent, "EDIT",
                             WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, WS_EX_CLIENTEDGE);
      ::SendMessageA(memo, EM_SETLIMITTEXT, 0, 0);  // as much as memory holds, not 30,000 characters
      return memo;
    }
  }
  throw std::logic_error("a control of no kind");
}

// An auto-sized label is as large as its one line of text in its own font.
void TfrmUpdate::FitLabel(HWND label) const {
  char text[1024] = {};
  const int length = ::GetWindowTextA(label, text, sizeof text);
  HDC dc = ::GetDC(label);
  const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
  SIZE size = {};
  ::GetTextExtentPoint32A(dc, text, length, &size);
  TEXTMETRICA metrics = {};
  ::GetTextMetricsA(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  ::SetWindowPos(label, nullptr, 0, 0, size.cx, metrics.tmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmUpdate::BuildControls() {
  font_.reset(MakeWindowFont(FW_NORMAL));
  boldFont_.reset(MakeWindowFont(FW_BOLD));
  picture_.reset(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(BRIMSEL_PICTURE_ID),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

  // A fixed dialog border with only a close box, a client area of 519 x 341.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
  // Owned by the application window, which has the program's button on the task bar.
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  form_ = ::CreateWindowExA(exStyle, win32::kFormClass, texts::kOnlineUpdate, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, application_.Hwnd(), nullptr,
                            ::GetModuleHandleA(nullptr), this);
  if (form_ == nullptr) throw std::runtime_error("cannot create the wizard window");
  application_.SetMainWindow(form_);
  ::SendMessageA(form_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  // Next is first in the tab order: the table makes it first.
  for (const layout::Control& control : layout::kControls)
    MakeControl(control, std::string_view(control.parent) == layout::kForm ? form_ : Control(control.parent));
  currentPage_ = 0;
}

void TfrmUpdate::BuildServerList(HWND list) {
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const layout::Column& column : layout::kServerColumns) {
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    info.pszText = const_cast<char*>(column.caption);
    info.cx = column.width;
    info.iSubItem = index;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&info));
    ++index;
  }
}

}  // namespace brimsel
