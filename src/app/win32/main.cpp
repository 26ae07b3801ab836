// update.exe for Windows: the online updater of Brimsel. Everything it needs comes from
// Update.ini beside it; its command line only asks what it is (--version, --help).

#include <cstdlib>  // __argc, __argv
#include <exception>
#include <optional>

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
  std::optional<brimsel::TfrmUpdate::Options> options;
  try {
    options.emplace();
  } catch (const std::exception& error) {
    // A folder the updater cannot name would have it read and write another one.
    brimsel::ShowErrorBox(0, error.what());
    return 1;
  }
  const std::optional<brimsel::platform::FolderLock> lock = brimsel::TakeInstallationFolder(options->installationFolder);
  if (!lock) return 1;
  options->vendorPublicKey = brimsel::kVendorPublicKey;
  brimsel::TfrmUpdate frmUpdate(*options);
  brimsel::platform::SetMessagePump([&frmUpdate] { brimsel::PumpMessages(frmUpdate); });
  frmUpdate.Show();
  return brimsel::RunMessageLoop(frmUpdate);
}
