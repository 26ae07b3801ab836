// The wizard window's handlers: creation, showing, the two buttons and the step controller.

#include "app/tfrm_update.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <exception>

#include "app/error_box.h"
#include "app/steps.h"
#include "app/vendor_site.h"
#include "app/window_texts.h"
#include "archive/unzipper.h"
#include "platform/client_socket.h"
#include "platform/files.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_file.h"


// The window's picture and icon are compiled into the library; a static library needs
// its resources registered by hand.
static void InitWindowResources() { Q_INIT_RESOURCE(update); }

namespace brimsel {
namespace {

void LogStart(WizardState& state) {
  state.log.Start(state.installationFolder + kStagingFolderName,
                  "update.exe started in " + state.installationFolder + ", vendor site " + state.vendorSiteUrl +
                      (state.vendorPublicKey.empty() ? "" : ", signed packages only"));
}

// Which settings were there; of the values only the package name, which every URL shows.
void LogSettings(WizardState& state, const ShowTimeSettings& values) {
  const auto presence = [](const std::string& value) { return value.empty() ? "empty" : "set"; };
  state.log.Line("settings " + state.settingsPath + (platform::FileExists(state.settingsPath) ? "" : " (missing)") +
                 ": title " + presence(values.title) + ", version " + presence(values.version) + ", homepage " +
                 presence(values.homepage) + ", FSoftName " +
                 (values.packageName.empty() ? std::string("empty") : "\"" + values.packageName + "\""));
}

}  // namespace

TfrmUpdate::Options::Options()
    : installationFolder(platform::InstallationFolder()),
      vendorSiteUrl(kVendorSiteUrl),
      updateCheck(RunUpdateCheck),
      downloadStep(RunDownloadStep),
      installStep(RunInstallStep) {}

TfrmUpdate::TfrmUpdate(Options options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), unzipper_(std::make_unique<TUnzipper>()) {
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

template <typename Handler>
void TfrmUpdate::Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorBox(Handle(), error.what());
  } catch (...) {
    ShowErrorBox(Handle(), "Unknown error");
  }
}

void TfrmUpdate::FormShow() {
  state_.settingsPath = state_.installationFolder + kSettingsFileName;
  state_.wizardStep = 0;
  LogStart(state_);
  // What was read before a value that cannot be deciphered is held all the same; the rest
  // of the window's set-up is skipped and the error is reported.
  ShowTimeSettings values;
  const auto hold = [&] {
    state_.productTitle = values.title;
    state_.productVersion = values.version;
    state_.packageName = values.packageName;
  };
  try {
    ReadShowTimeSettings(state_.settingsPath, values);
  } catch (const std::exception& error) {
    hold();
    state_.log.Line(std::string("settings: ") + error.what());
    throw;
  } catch (...) {
    hold();
    throw;
  }
  hold();
  LogSettings(state_, values);
  const std::string& homepage = values.homepage;  // ends in "/"

  ReplaceProductName(*c_.lblTitle);
  ReplaceProductName(*c_.lblHit);

  state_.homepage = homepage;
  c_.lblUrl->setText(platform::FromGbk(homepage));
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
  Guarded([this] {
    if (NextCaption() == texts::kOkCaption) {
      close();
      return;
    }
    SetNextEnabled(false);
    ++state_.wizardStep;
    ShowStep(state_.wizardStep);
    SetNextEnabled(true);  // whatever the step did with the button
  });
}

void TfrmUpdate::btnCloseClick() {
  Guarded([this] {
    if (!AskYesNo(texts::kExitQuestion)) return;
    state_.cancelFlag = true;
    // Takes effect once the running handler is back in the event loop.
    QCoreApplication::quit();
    close();
  });
}

void TfrmUpdate::ShowStep(int step) {
  if (step < 0 || step > kPageCount) return;
  if (step < c_.Notebook1->count()) c_.Notebook1->setCurrentIndex(step);
  SetNextCaption(texts::kNextCaption);
  switch (step) {
    case 1:
      options_.updateCheck(*this);
      break;
    case 2:
      options_.downloadStep(*this);
      break;
    case 3:
      options_.installStep(*this);
      break;
    case 4:
      SetNextCaption(texts::kOkCaption);
      break;
    default:
      break;
  }
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
  Guarded([this] { FormShow(); });
  // With no window manager (Xvfb) a new window is not made active by anyone, and its
  // mnemonics (Alt+N) would not reach it.
  activateWindow();
}

void TfrmUpdate::keyPressEvent(QKeyEvent* event) {
  // Esc does not close the wizard; only Close and the title-bar close box do.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

}  // namespace brimsel
