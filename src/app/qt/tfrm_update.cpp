// The wizard window's handlers: creation, showing, the two buttons and the step controller.

#include "app/qt/tfrm_update.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>

#include "app/window_texts.h"
#include "app/wizard_form.h"
#include "archive/unzipper.h"
#include "platform/client_socket.h"
#include "platform/qt/qt_text.h"


// The window's picture and icon are compiled into the library; a static library needs
// its resources registered by hand.
static void InitWindowResources() { Q_INIT_RESOURCE(update); }

namespace brimsel {
TfrmUpdate::TfrmUpdate(Options options, QWidget* parent)
    : QDialog(parent),
      options_(std::move(options)),
      steps_({options_.updateCheck, options_.downloadStep, options_.installStep}),
      unzipper_(std::make_unique<TUnzipper>()) {
  InitWindowResources();
  state_.installationFolder = options_.installationFolder;
  state_.vendorSiteUrl = options_.vendorSiteUrl;
  state_.vendorPublicKey = options_.vendorPublicKey;
  BuildControls();
  FormCreate();
}

TfrmUpdate::~TfrmUpdate() = default;

void TfrmUpdate::FormCreate() {
  packageSocket_ = std::make_unique<platform::TClientSocket>();
  packageSocket_->SetClientType(platform::ctBlocking);
}

void TfrmUpdate::FormShow() {
  ReadShowTimeState(state_, steps_);

  ReplaceProductName(*c_.lblTitle);
  ReplaceProductName(*c_.lblHit);

  c_.lblUrl->setText(platform::FromGbk(state_.homepage));
  c_.lblUrl->adjustSize();

  AddServer(texts::kBuiltInServerName, state_.vendorSiteUrl);
}

void TfrmUpdate::ReplaceProductName(QLabel& label) {
  // Replaced as characters, not bytes, so that a trail byte of a double-byte character
  // can never be taken for the "B" of the name.
  QString text = label.text();
  text.replace(QLatin1String(texts::kProductPlaceholder), platform::FromGbk(state_.productTitle), Qt::CaseSensitive);
  label.setText(text);
  if (!label.wordWrap()) label.adjustSize();
}

void TfrmUpdate::btnNextClick() {
  RunGuarded(*this, [this] {
    if (PressNext(*this)) close();
  });
}

void TfrmUpdate::btnCloseClick() {
  RunGuarded(*this, [this] {
    if (!ConfirmExit(*this)) return;
    // Takes effect once the running handler is back in the event loop.
    QCoreApplication::quit();
    close();
  });
}

void TfrmUpdate::ShowStep(int step) { steps_.Show(*this, step); }

void TfrmUpdate::ShowPage(int index) {
  if (index < c_.Notebook1->count()) c_.Notebook1->setCurrentIndex(index);
}

void TfrmUpdate::ShowInfo(const std::string& text) {
  platform::MessageBox(Handle(), text, texts::kOnlineUpdate, platform::MB_OK | platform::MB_ICONINFORMATION);
}

bool TfrmUpdate::AskYesNo(const std::string& text) {
  return platform::MessageBox(Handle(), text, texts::kOnlineUpdate, platform::MB_YESNO | platform::MB_ICONQUESTION) ==
         platform::IDYES;
}

void TfrmUpdate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  RunGuarded(*this, [this] { FormShow(); });
  // With no window manager (Xvfb) a new window is not made active by anyone, and its
  // mnemonics (Alt+N) would not reach it.
  activateWindow();
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
