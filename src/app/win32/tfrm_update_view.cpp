// What the form and the step actions read and change on the window: the controls' texts,
// Next, the pages, the server list, the progress bar and the installation log.

#include <algorithm>
#include <vector>

#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

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

HWND TfrmUpdate::Control(std::string_view name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

std::string TfrmUpdate::Caption(std::string_view control) const { return WindowText(Control(control)); }

void TfrmUpdate::SetCaption(std::string_view control, const std::string& text) {
  HWND window = Control(control);
  ::SetWindowTextA(window, text.c_str());
  if (const layout::Control* entry = layout::Find(control); entry && entry->AutoSized()) FitLabel(window);
}

void TfrmUpdate::AddServerRow() {
  HWND list = Control("lsvTest");
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount(list);
  item.pszText = const_cast<char*>("");
  ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TfrmUpdate::SetNextEnabled(bool enabled) { ::EnableWindow(Control("btnNext"), enabled ? TRUE : FALSE); }

int TfrmUpdate::ServerCount() const { return RowCount(Control("lsvTest")); }

std::string TfrmUpdate::ServerCell(int row, int column) const { return CellText(Control("lsvTest"), row, column); }

void TfrmUpdate::SetServerCell(int row, int column, const std::string& text) {
  if (row >= 0 && row < ServerCount()) SetCellText(Control("lsvTest"), row, column, text);
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
  std::string text = Caption("Memo1");
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

}  // namespace brimsel
