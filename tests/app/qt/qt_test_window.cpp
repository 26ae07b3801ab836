// The Qt window as the tests drive and see it: buttons clicked as Qt clicks them for a
// user, places and fonts as its widgets hold them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "app/qt/tfrm_update.h"
#include "app/test_window.h"
#include "platform/qt/qt_text.h"

namespace brimsel::test {
namespace {

TfrmUpdate& Qt(WizardForm& window) { return static_cast<TfrmUpdate&>(window); }
const TfrmUpdate& Qt(const WizardForm& window) { return static_cast<const TfrmUpdate&>(window); }

QWidget* Widget(const WizardForm& window, std::string_view control) {
  QWidget* widget = Qt(window).Control(control);
  EXPECT_NE(widget, nullptr) << "no control named " << control;
  return widget;
}

}  // namespace

std::unique_ptr<WizardForm> MakeTestWindow(WizardOptions options) {
  return std::make_unique<TfrmUpdate>(std::move(options));
}

void Click(WizardForm& window, std::string_view button) { Qt(window).Control<QPushButton>(button)->click(); }

int CurrentPage(const WizardForm& window) { return Qt(window).Control<QStackedWidget>("Notebook1")->currentIndex(); }

bool IsEnabled(const WizardForm& window, std::string_view control) { return Widget(window, control)->isEnabled(); }

ControlPlace PlaceOf(const WizardForm& window, std::string_view control) {
  if (control == layout::kForm) return {"", 0, 0, Qt(window).width(), Qt(window).height()};
  const QWidget* widget = Widget(window, control);
  const QRect place = widget->geometry();
  return {widget->parentWidget()->objectName().toStdString(), place.x(), place.y(), place.width(), place.height()};
}

ControlFont FontOf(const WizardForm& window, std::string_view control) {
  const QFont font = Widget(window, control)->font();
  return {platform::ToGbk(font.families().value(0)), font.pixelSize(), font.bold()};
}

int TextWidth(const WizardForm& window, std::string_view control) {
  const QWidget* widget = Widget(window, control);
  return widget->fontMetrics().horizontalAdvance(platform::FromGbk(window.Caption(control)));
}

bool IsShown(const WizardForm& window, std::string_view control) {
  return Widget(window, control)->isVisibleTo(&Qt(window));
}

ColumnShown ColumnOf(const WizardForm& window, int index) {
  const auto* list = Qt(window).Control<QTreeWidget>("lsvTest");
  return {platform::ToGbk(list->headerItem()->text(index)), list->columnWidth(index)};
}

int SelectedServerCount(const WizardForm& window) {
  return static_cast<int>(Qt(window).Control<QTreeWidget>("lsvTest")->selectedItems().size());
}

std::string WindowTitle(const WizardForm& window) { return platform::ToGbk(Qt(window).windowTitle()); }

bool IsOpen(const WizardForm& window) { return Qt(window).isVisible(); }

void PressCloseBox(WizardForm& window) {
  ASSERT_NE(Qt(window).windowHandle(), nullptr);
  Qt(window).windowHandle()->close();
}

void PressEscape(WizardForm& window) {
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&Qt(window), &escape);
}

int RunEventLoop(WizardForm& window, const std::function<void()>& inside) {
  QTimer::singleShot(0, &Qt(window), inside);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(10000);
  return QApplication::exec();
}

}  // namespace brimsel::test
