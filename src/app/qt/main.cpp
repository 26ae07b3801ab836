// update.exe: the online updater of Brimsel. Everything it needs comes from Update.ini
// beside it; its command line only asks what it is (--version, --help).

#include <QApplication>
#include <cstdio>
#include <exception>
#include <optional>

#include "app/error_box.h"
#include "app/installation_lock.h"
#include "app/program_information.h"
#include "app/qt/tfrm_update.h"
#include "app/vendor_key.h"
#include "app/window_texts.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_pump.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_translations.h"
#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/display_check.h"

int main(int argc, char** argv) {
  const auto arguments = brimsel::platform::CommandLineArguments(argc, argv);
  if (const auto answered = brimsel::AnswerInformationRequest(arguments, brimsel::kVendorPublicKey)) return *answered;
  if (std::string why; !brimsel::platform::DisplayAvailable(why)) {
    std::fprintf(stderr, "update.exe: %s; the wizard needs a desktop to show its window on\n", why.c_str());
    return 1;
  }
  QApplication application(argc, argv);
  // The application title. Not the display name: Qt would append that to every window
  // caption on X11 ("在线升级 — 升级程序").
  QApplication::setApplicationName(brimsel::platform::FromGbk(brimsel::texts::kApplicationTitle));
  brimsel::platform::LoadChineseTranslations(application);
  brimsel::platform::InstallQtPump();
  brimsel::platform::InstallQtMessageBox();

  std::optional<brimsel::TfrmUpdate::Options> options;
  try {
    options.emplace();
  } catch (const std::exception& error) {
    // A folder the updater cannot name would have it read and write another one.
    std::fprintf(stderr, "update.exe: %s\n", brimsel::platform::FileNameToUtf8(error.what()).c_str());
    brimsel::ShowErrorBox(0, error.what());
    return 1;
  }
  const std::optional<brimsel::platform::FolderLock> lock = brimsel::TakeInstallationFolder(options->installationFolder);
  if (!lock) return 1;
  options->vendorPublicKey = brimsel::kVendorPublicKey;
  brimsel::TfrmUpdate frmUpdate(*options);
  frmUpdate.Show();
  return QApplication::exec();
}
