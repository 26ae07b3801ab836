#include "platform/qt/qt_pump.h"

#include <QCoreApplication>

#include "platform/pump.h"

namespace brimsel::platform {

void InstallQtPump() {
  SetMessagePump([] { QCoreApplication::processEvents(); });
}

void RepaintNow(QWidget& widget) { widget.repaint(); }

}  // namespace brimsel::platform
