// The wizard window's events: creation, showing, closing and the keyboard.

#include "app/qt/tfrm_update.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QShowEvent>

// The window's picture and icon are compiled into the library; a static library needs
// its resources registered by hand.
static void InitWindowResources() { Q_INIT_RESOURCE(update); }

namespace brimsel {

TfrmUpdate::TfrmUpdate(Options options, QWidget* parent) : QDialog(parent), WizardForm(std::move(options)) {
  InitWindowResources();
  BuildControls();
}

TfrmUpdate::~TfrmUpdate() = default;

void TfrmUpdate::Close() {
  // Takes effect once the running handler is back in the event loop.
  QCoreApplication::quit();
  close();
}

void TfrmUpdate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FormShow();
  // With no window manager (Xvfb) a new window is not made active by anyone, and its
  // mnemonics (Alt+N) would not reach it.
  activateWindow();
}

void TfrmUpdate::closeEvent(QCloseEvent* event) {
  // However the window goes (the title-bar close box asks no question), a step still
  // waiting on the network stops waiting, so that no hidden process runs on.
  State().cancelFlag = true;
  QDialog::closeEvent(event);
}

void TfrmUpdate::keyPressEvent(QKeyEvent* event) {
  // Esc does not close the wizard; only Close and the title-bar close box do. Enter
  // presses the focused button, which takes it itself; anywhere else (the server list) it
  // presses nothing, as the window has no default button.
  const int key = event->key();
  if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

}  // namespace brimsel
