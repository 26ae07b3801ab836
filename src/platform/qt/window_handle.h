#pragma once
// The WindowHandle of a Qt window: the address of its top-level QWidget. Going back from a
// handle checks that the widget still exists, so a stale handle gives no owner instead of
// a dangling pointer.

#include <QWidget>

#include "platform/message_box.h"

namespace brimsel::platform {

WindowHandle HandleOf(const QWidget* widget);
// The live top-level widget behind `handle`, or nullptr.
QWidget* WidgetOf(WindowHandle handle);

}  // namespace brimsel::platform
