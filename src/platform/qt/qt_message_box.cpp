#include "platform/qt/qt_message_box.h"

#include <QMessageBox>

#include "platform/qt/qt_text.h"
#include "platform/qt/window_handle.h"

namespace brimsel::platform {
namespace {

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & MB_ICON_MASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

int ShowQtMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags) {
  const bool question = (flags & MB_BUTTONS_MASK) == MB_YESNO;
  QWidget* ownerWidget = WidgetOf(owner);
  QMessageBox box(IconOf(flags), FromGbk(caption), FromGbk(text),
                  question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, ownerWidget);
  box.setTextFormat(Qt::PlainText);
  // A Yes/No box has no Cancel button: the title-bar close box and Esc answer No, as on Windows.
  if (question) box.setEscapeButton(QMessageBox::No);
  const int answer = box.exec();
  // With no window manager the keyboard focus falls back to the root window when the box
  // closes; give it back to the owner so that its mnemonics keep working.
  if (ownerWidget && ownerWidget->isVisible()) ownerWidget->activateWindow();
  if (question) return answer == QMessageBox::Yes ? IDYES : IDNO;
  return IDOK;
}

void InstallQtMessageBox() { SetMessageBoxHandler(ShowQtMessageBox); }

}  // namespace brimsel::platform
