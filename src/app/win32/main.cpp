// update.exe for Windows: the online updater of Brimsel. Everything it needs comes from
// Update.ini beside it; its command line only asks what it is (--version, --help).

#include <cstdlib>  // __argc, __argv
#include <optional>
#include <utility>

#include "app/error_box.h"
#include "app/installation_lock.h"
#include "app/program_information.h"
#include "app/vendor_key.h"
#include "app/win32/message_loop.h"
#include "app/win32/tfrm_update.h"
#include "platform/command_line.h"
#include "platform/pump.h"
#include "platform/windows/system_message_box.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  brimsel::platform::SetMessageBoxHandler(brimsel::platform::SystemMessageBox);
  const auto arguments = brimsel::platform::CommandLineArguments(__argc, __argv);
  if (const auto answered = brimsel::AnswerInformationRequest(arguments, brimsel::kVendorPublicKey)) return *answered;
  // The wizard makes the application window, which stands on the task bar under the
  // application title and owns it; the title is also the caption of the error box.
  std::optional<brimsel::WizardStart> start = brimsel::StartInInstallationFolder();
  if (!start) return 1;
  start->options.vendorPublicKey = brimsel::kVendorPublicKey;
  brimsel::TfrmUpdate frmUpdate(std::move(start->options));
  brimsel::platform::SetMessagePump([&frmUpdate] { brimsel::PumpMessages(frmUpdate); });
  frmUpdate.Show();
  return brimsel::RunMessageLoop(frmUpdate);
}
