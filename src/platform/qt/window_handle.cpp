#include "platform/qt/window_handle.h"

#include <QApplication>

namespace brimsel::platform {

WindowHandle HandleOf(const QWidget* widget) {
  return widget ? reinterpret_cast<WindowHandle>(widget->window()) : 0;
}

QWidget* WidgetOf(WindowHandle handle) {
  if (handle == 0) return nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (reinterpret_cast<WindowHandle>(widget) == handle) return widget;
  }
  return nullptr;
}

}  // namespace brimsel::platform
