// What the step actions read and change on the window: Next, the server list, the
// progress page and the installation log. Rows are 0-based; a row number that names no
// row reads as empty text and changes nothing, so a list left empty by a failed show
// cannot crash a later step.

#include <algorithm>
#include <vector>

#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>
#include "archive/unzipper.h"
#include "platform/client_socket.h"

namespace brimsel {
namespace {

// The list view macros of <commctrl.h> call SendMessage, which windows_api.h takes away.
int RowCount(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void SetRowState(HWND list, int row, UINT state, UINT mask) {
  LVITEMA item = {};
  item.stateMask = mask;
  item.state = state;
  ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

enum Column { kNumberColumn = 0, kNameColumn = 1, kUrlColumn = 2, kTestTimeColumn = 3 };

std::string WindowText(HWND window) {
  std::vector<char> text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1);
  const int length = ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

std::string CellText(HWND list, int row, int column) {
  if (row < 0 || row >= RowCount(list)) return {};
  char text[2048] = {};
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  const auto length = ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return std::string(text, static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
}

void SetCellText(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

HWND TfrmUpdate::Control(const std::string& name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

std::string TfrmUpdate::ControlText(const std::string& name) const { return WindowText(Control(name)); }

void TfrmUpdate::SetLabelText(const char* name, const std::string& text) {
  HWND label = Control(name);
  ::SetWindowTextA(label, text.c_str());
  FitLabel(label);
}

void TfrmUpdate::AddServer(const std::string& name, const std::string& url) {
  HWND list = Control("lsvTest");
  const int row = RowCount(list);
  std::string number = std::to_string(row + 1);
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = number.data();
  ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  SetCellText(list, row, kNameColumn, name);
  SetCellText(list, row, kUrlColumn, url);
  SetCellText(list, row, kTestTimeColumn, "");
}

void TfrmUpdate::SetNextEnabled(bool enabled) { ::EnableWindow(Control("btnNext"), enabled ? TRUE : FALSE); }

void TfrmUpdate::SetNextCaption(const std::string& caption) { ::SetWindowTextA(Control("btnNext"), caption.c_str()); }

std::string TfrmUpdate::NextCaption() const { return ControlText("btnNext"); }

int TfrmUpdate::ServerCount() const { return RowCount(Control("lsvTest")); }

std::string TfrmUpdate::ServerName(int row) const { return CellText(Control("lsvTest"), row, kNameColumn); }

std::string TfrmUpdate::ServerUrl(int row) const { return CellText(Control("lsvTest"), row, kUrlColumn); }

std::string TfrmUpdate::ServerTestTime(int row) const { return CellText(Control("lsvTest"), row, kTestTimeColumn); }

void TfrmUpdate::SetServerTestTime(int row, const std::string& text) {
  if (row >= 0 && row < ServerCount()) SetCellText(Control("lsvTest"), row, kTestTimeColumn, text);
}

int TfrmUpdate::SelectedServer() const {
  return static_cast<int>(::SendMessageA(Control("lsvTest"), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TfrmUpdate::SelectServer(int row) {
  if (row < 0 || row >= ServerCount()) return;
  HWND list = Control("lsvTest");
  SetRowState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  SetRowState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void TfrmUpdate::FocusServerList() { ::SetFocus(Control("lsvTest")); }

void TfrmUpdate::SetFileLabel(const std::string& text) { SetLabelText("lblFile", text); }

void TfrmUpdate::SetDownLabel(const std::string& text) { SetLabelText("lblDown", text); }

// Fixed size with word wrap: the text takes the label's place as it is.
void TfrmUpdate::SetHitLabel(const std::string& text) { ::SetWindowTextA(Control("lblHit"), text.c_str()); }

std::string TfrmUpdate::DownLabel() const { return ControlText("lblDown"); }

void TfrmUpdate::SetProgressMax(int max) { ::SendMessageA(Control("ProgressBar2"), PBM_SETRANGE32, 0, max); }

// The control keeps its position within its range itself.
void TfrmUpdate::SetProgressPosition(int position) { ::SendMessageA(Control("ProgressBar2"), PBM_SETPOS, position, 0); }

int TfrmUpdate::ProgressPosition() const {
  return static_cast<int>(::SendMessageA(Control("ProgressBar2"), PBM_GETPOS, 0, 0));
}

int TfrmUpdate::ProgressMax() const {
  return static_cast<int>(::SendMessageA(Control("ProgressBar2"), PBM_GETRANGE, FALSE, 0));
}

void TfrmUpdate::ClearLog() { ::SetWindowTextA(Control("Memo1"), ""); }

void TfrmUpdate::AppendLog(const std::string& line) {
  HWND memo = Control("Memo1");
  const int end = ::GetWindowTextLengthA(memo);
  const std::string text = (end > 0 ? "\r\n" : "") + line;
  ::SendMessageA(memo, EM_SETSEL, end, end);
  ::SendMessageA(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TfrmUpdate::LogText() const {
  std::string text = ControlText("Memo1");
  std::string lines;
  for (char c : text) {
    if (c != '\r') lines += c;
  }
  return lines;
}

void TfrmUpdate::RepaintNow() {
  ::RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

platform::WindowHandle TfrmUpdate::Handle() const { return reinterpret_cast<platform::WindowHandle>(form_); }

platform::TClientSocket& TfrmUpdate::PackageSocket() { return *packageSocket_; }

TUnzipper& TfrmUpdate::Unzipper1() { return *unzipper_; }

}  // namespace brimsel
