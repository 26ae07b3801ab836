// update.exe: the online updater of Brimsel. Everything it needs comes from Update.ini
// beside it; its command line only asks what it is (--version, --help).

#include <QApplication>
#include <cstdio>
#include <optional>
#include <utility>

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

  std::optional<brimsel::WizardStart> start = brimsel::StartInInstallationFolder();
  if (!start) return 1;
  start->options.vendorPublicKey = brimsel::kVendorPublicKey;
  brimsel::TfrmUpdate frmUpdate(std::move(start->options));
  frmUpdate.Show();
  return QApplication::exec();
}
