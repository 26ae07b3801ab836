// What the step actions read and change on the window: Next, the server list, the
// progress page and the installation log. Rows are 0-based; a row number that names no
// row reads as empty text and changes nothing, so a list left empty by a failed show
// cannot crash a later step.

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "app/qt/tfrm_update.h"
#include "platform/qt/qt_pump.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/window_handle.h"

namespace brimsel {
namespace {

using platform::FromGbk;
using platform::ToGbk;

enum Column { kNumberColumn = 0, kNameColumn = 1, kUrlColumn = 2, kTestTimeColumn = 3 };

std::string CellText(const QTreeWidget& list, int row, int column) {
  const QTreeWidgetItem* item = list.topLevelItem(row);  // null when out of range
  return item ? ToGbk(item->text(column)) : std::string();
}

void SetLabelText(QLabel& label, const std::string& text) {
  label.setText(FromGbk(text));
  label.adjustSize();
}

}  // namespace

void TfrmUpdate::AddServer(const std::string& name, const std::string& url) {
  auto* item = new QTreeWidgetItem(c_.lsvTest);  // owned by the list
  item->setText(kNumberColumn, QString::number(c_.lsvTest->topLevelItemCount()));
  item->setText(kNameColumn, FromGbk(name));
  item->setText(kUrlColumn, FromGbk(url));
  item->setText(kTestTimeColumn, QString());
}

void TfrmUpdate::SetNextEnabled(bool enabled) { c_.btnNext->setEnabled(enabled); }

void TfrmUpdate::SetNextCaption(const std::string& caption) { c_.btnNext->setText(FromGbk(caption)); }

std::string TfrmUpdate::NextCaption() const { return ToGbk(c_.btnNext->text()); }

int TfrmUpdate::ServerCount() const { return c_.lsvTest->topLevelItemCount(); }

std::string TfrmUpdate::ServerName(int row) const { return CellText(*c_.lsvTest, row, kNameColumn); }

std::string TfrmUpdate::ServerUrl(int row) const { return CellText(*c_.lsvTest, row, kUrlColumn); }

std::string TfrmUpdate::ServerTestTime(int row) const { return CellText(*c_.lsvTest, row, kTestTimeColumn); }

void TfrmUpdate::SetServerTestTime(int row, const std::string& text) {
  if (QTreeWidgetItem* item = c_.lsvTest->topLevelItem(row)) item->setText(kTestTimeColumn, FromGbk(text));
}

int TfrmUpdate::SelectedServer() const {
  const QList<QTreeWidgetItem*> selected = c_.lsvTest->selectedItems();
  return selected.isEmpty() ? -1 : c_.lsvTest->indexOfTopLevelItem(selected.first());
}

void TfrmUpdate::SelectServer(int row) {
  if (QTreeWidgetItem* item = c_.lsvTest->topLevelItem(row)) c_.lsvTest->setCurrentItem(item);
}

void TfrmUpdate::FocusServerList() { c_.lsvTest->setFocus(); }

void TfrmUpdate::SetFileLabel(const std::string& text) { SetLabelText(*c_.lblFile, text); }

void TfrmUpdate::SetDownLabel(const std::string& text) { SetLabelText(*c_.lblDown, text); }

std::string TfrmUpdate::DownLabel() const { return ToGbk(c_.lblDown->text()); }

void TfrmUpdate::SetProgressMax(int max) { c_.ProgressBar2->setMaximum(max); }

void TfrmUpdate::SetProgressPosition(int position) {
  // A progress bar keeps its position within its range, as the Windows control does.
  c_.ProgressBar2->setValue(std::clamp(position, c_.ProgressBar2->minimum(), c_.ProgressBar2->maximum()));
}

int TfrmUpdate::ProgressPosition() const { return c_.ProgressBar2->value(); }

int TfrmUpdate::ProgressMax() const { return c_.ProgressBar2->maximum(); }

void TfrmUpdate::ClearLog() { c_.Memo1->clear(); }

void TfrmUpdate::AppendLog(const std::string& line) { c_.Memo1->appendPlainText(FromGbk(line)); }

std::string TfrmUpdate::LogText() const { return ToGbk(c_.Memo1->toPlainText()); }

void TfrmUpdate::RepaintNow() { platform::RepaintNow(*this); }

platform::WindowHandle TfrmUpdate::Handle() const { return platform::HandleOf(this); }

platform::TClientSocket& TfrmUpdate::PackageSocket() { return *packageSocket_; }

TUnzipper& TfrmUpdate::Unzipper1() { return *unzipper_; }

}  // namespace brimsel
