// The controls of the wizard window: names, places, sizes and texts. Positions are in
// pixels relative to the control's parent, as the window's designer laid them out.
// Panels and pages are windows of their own (TPanel) that pass their controls'
// notifications on to the form.

#include <stdexcept>
#include <string>

#include "app/win32/control_ids.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>
#include "app/window_geometry.h"
#include "app/window_texts.h"

namespace brimsel {
namespace {

using namespace geometry;

HFONT MakeWindowFont(int weight) {
  return ::CreateFontA(-kFontPixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, texts::kFontFamily);
}

}  // namespace

HWND TfrmUpdate::MakeControl(HWND parent, const char* name, const char* className, const char* text, DWORD style,
                             int x, int y, int width, int height, DWORD exStyle) {
  const int id = std::string(name) == "btnNext"    ? win32::kNextId
                 : std::string(name) == "btnClose" ? win32::kCloseId
                                                   : win32::kFirstOtherId + static_cast<int>(controls_.size());
  HWND control = ::CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                   nullptr);
  if (control == nullptr) throw std::runtime_error(std::string("cannot create the control ") + name);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_[name] = control;
  return control;
}

HWND TfrmUpdate::MakePanel(HWND parent, const char* name, int x, int y, int width, int height) {
  return MakeControl(parent, name, win32::kPanelClass, "", WS_CLIPSIBLINGS, x, y, width, height, WS_EX_CONTROLPARENT);
}

HWND TfrmUpdate::MakeLabel(HWND parent, const char* name, int x, int y, const char* text, bool bold) {
  HWND label = MakeControl(parent, name, "STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, x, y, 0, 0);
  if (bold) ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
  FitLabel(label);
  return label;
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

  BuildBottomPanel();
  BuildLeftPanel();
  BuildNotebook();
}

void TfrmUpdate::BuildBottomPanel() {
  HWND panel = MakePanel(form_, "Panel1", 0, kClientHeight - kBottomPanelHeight, kClientWidth, kBottomPanelHeight);
  HWND bevel = MakeControl(panel, "Bevel1", "STATIC", "", SS_ETCHEDHORZ, 0, 0, kClientWidth, 3);
  // An etched line takes a size of its own when made; it gets the designer's again.
  ::SetWindowPos(bevel, nullptr, 0, 0, kClientWidth, 3, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Next is first in the tab order: it is made first.
  MakeControl(panel, "btnNext", "BUTTON", texts::kNextCaption, BS_PUSHBUTTON | WS_TABSTOP, 352, 12, 75, 25);
  MakeControl(panel, "btnClose", "BUTTON", texts::kCloseCaption, BS_PUSHBUTTON | WS_TABSTOP, 432, 12, 75, 25);
}

void TfrmUpdate::BuildLeftPanel() {
  HWND panel = MakePanel(form_, "Panel2", 0, 0, kLeftPanelWidth, kClientHeight - kBottomPanelHeight);
  HWND image = MakeControl(panel, "Image1", "STATIC", "", SS_BITMAP, 16, 18, 118, 254);
  ::SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

void TfrmUpdate::BuildNotebook() {
  HWND notebook = MakePanel(form_, "Notebook1", kLeftPanelWidth, 0, kNotebookWidth, kNotebookHeight);
  const char* names[kPageCount] = {"Default", "tesk", "2", "4", "3"};
  for (int index = 0; index < kPageCount; ++index) {
    pages_[index] = MakePanel(notebook, names[index], 0, 0, kNotebookWidth, kNotebookHeight);
    if (index != 0) ::ShowWindow(pages_[index], platform::SW_HIDE);
  }
  currentPage_ = 0;

  MakeLabel(pages_[0], "Label1", 24, 32, texts::kWelcome, true);
  MakeLabel(pages_[0], "lblTitle", 24, 64, texts::kTitleLine);
  MakeLabel(pages_[0], "Label3", 112, 264, texts::kClickNext);

  BuildServerList(pages_[1]);
  HWND panel3 = MakePanel(pages_[1], "Panel3", 0, kNotebookHeight - kServerPanelHeight, kNotebookWidth,
                          kServerPanelHeight);
  MakeLabel(panel3, "Label2", 0, 16, texts::kPleaseWait);

  MakeLabel(pages_[2], "lblFile", 104, 96, texts::kUpdatingFile);
  MakeLabel(pages_[2], "lblDown", 80, 120, texts::kDone);
  HWND progress = MakeControl(pages_[2], "ProgressBar2", PROGRESS_CLASSA, "", 0, 24, 144, 313, 16);
  ::SendMessageA(progress, PBM_SETRANGE32, 0, 100);

  HWND memo = MakeControl(pages_[3], "Memo1", "EDIT", "",
                          WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 16, 16, 337, 265,
                          WS_EX_CLIENTEDGE);
  ::SendMessageA(memo, EM_SETLIMITTEXT, 0, 0);  // as much as memory holds, not 30,000 characters

  MakeLabel(pages_[4], "Label6", 32, 32, texts::kThanks, true);
  MakeControl(pages_[4], "lblHit", "STATIC", texts::kNewestInstalled, SS_LEFT | SS_NOPREFIX, 32, 64, 313, 33);
  MakeLabel(pages_[4], "Label7", 32, 104, texts::kComeBack);
  MakeLabel(pages_[4], "Label8", 32, 136, texts::kMoreAt);
  MakeLabel(pages_[4], "lblUrl", 144, 136, "");
}

void TfrmUpdate::BuildServerList(HWND page) {
  HWND list = MakeControl(page, "lsvTest", WC_LISTVIEWA, "",
                          WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 0, 0,
                          kNotebookWidth, kNotebookHeight - kServerPanelHeight, WS_EX_CLIENTEDGE);
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  const struct {
    const char* caption;
    int width;
  } columns[] = {{texts::kColumnNumber, kDefaultColumnWidth},
                 {texts::kColumnServerName, 80},
                 {texts::kColumnUrl, 160},
                 {texts::kColumnTestTime, 70}};
  int index = 0;
  for (const auto& column : columns) {
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
