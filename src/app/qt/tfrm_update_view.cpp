// What the form and the step actions read and change on the window: the controls' texts,
// Next, the pages, the server list, the progress bar and the installation log.

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTreeWidget>
#include <algorithm>

#include "app/qt/tfrm_update.h"
#include "platform/qt/qt_pump.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/window_handle.h"

namespace brimsel {

using platform::FromGbk;
using platform::ToGbk;

std::string TfrmUpdate::Caption(std::string_view control) const {
  if (const auto* label = Control<QLabel>(control)) return ToGbk(label->text());
  if (const auto* button = Control<QAbstractButton>(control)) return ToGbk(button->text());
  if (const auto* memo = Control<QPlainTextEdit>(control)) return ToGbk(memo->toPlainText());
  return {};
}

void TfrmUpdate::SetCaption(std::string_view control, const std::string& text) {
  if (auto* label = Control<QLabel>(control)) {
    label->setText(FromGbk(text));
    if (const layout::Control* entry = layout::Find(control); entry && entry->AutoSized()) label->adjustSize();
  } else if (auto* button = Control<QAbstractButton>(control)) {
    button->setText(FromGbk(text));
  }
}

void TfrmUpdate::SetNextEnabled(bool enabled) { Control("btnNext")->setEnabled(enabled); }

void TfrmUpdate::ShowPage(int index) {
  auto* notebook = Control<QStackedWidget>("Notebook1");
  if (index < notebook->count()) notebook->setCurrentIndex(index);
}

int TfrmUpdate::ServerCount() const { return Control<QTreeWidget>("lsvTest")->topLevelItemCount(); }

std::string TfrmUpdate::ServerCell(int row, int column) const {
  const QTreeWidgetItem* item = Control<QTreeWidget>("lsvTest")->topLevelItem(row);  // null when out of range
  return item ? ToGbk(item->text(column)) : std::string();
}

void TfrmUpdate::SetServerCell(int row, int column, const std::string& text) {
  if (QTreeWidgetItem* item = Control<QTreeWidget>("lsvTest")->topLevelItem(row)) item->setText(column, FromGbk(text));
}

void TfrmUpdate::AddServerRow() { new QTreeWidgetItem(Control<QTreeWidget>("lsvTest")); }  // owned by the list

int TfrmUpdate::SelectedServer() const {
  const auto* list = Control<QTreeWidget>("lsvTest");
  const QList<QTreeWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}

void TfrmUpdate::SelectServer(int row) {
  auto* list = Control<QTreeWidget>("lsvTest");
  if (QTreeWidgetItem* item = list->topLevelItem(row)) list->setCurrentItem(item);
}

void TfrmUpdate::FocusServerList() { Control("lsvTest")->setFocus(); }

void TfrmUpdate::SetProgressMax(int max) { Control<QProgressBar>("ProgressBar2")->setMaximum(max); }

void TfrmUpdate::SetProgressPosition(int position) {
  // A progress bar keeps its position within its range, as the Windows control does.
  auto* bar = Control<QProgressBar>("ProgressBar2");
  bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
}

int TfrmUpdate::ProgressPosition() const { return Control<QProgressBar>("ProgressBar2")->value(); }

int TfrmUpdate::ProgressMax() const { return Control<QProgressBar>("ProgressBar2")->maximum(); }

void TfrmUpdate::ClearLog() { Control<QPlainTextEdit>("Memo1")->clear(); }

void TfrmUpdate::AppendLog(const std::string& line) { Control<QPlainTextEdit>("Memo1")->appendPlainText(FromGbk(line)); }

std::string TfrmUpdate::LogText() const { return Caption("Memo1"); }

void TfrmUpdate::RepaintNow() { platform::RepaintNow(*this); }

platform::WindowHandle TfrmUpdate::Handle() const { return platform::HandleOf(this); }

}  // namespace brimsel
