#pragma once
// The Qt side of the message pump and the immediate repaint.

#include <QWidget>

namespace brimsel::platform {

// Makes ProcessMessages() handle the events waiting in Qt's queue.
void InstallQtPump();
// Paints the widget and its children now, without waiting for the event loop.
void RepaintNow(QWidget& widget);

}  // namespace brimsel::platform
