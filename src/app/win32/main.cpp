// update.exe for Windows: the online updater of Brimsel. No command-line options:
// everything it needs comes from Update.ini beside it.

#include "app/installation_lock.h"
#include "app/vendor_key.h"
#include "app/win32/message_loop.h"
#include "app/win32/tfrm_update.h"
#include "platform/pump.h"
#include "platform/windows/system_message_box.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  brimsel::platform::SetMessageBoxHandler(brimsel::platform::SystemMessageBox);
  // The wizard itself stands on the task bar, under its caption; the application title
  // is the caption of the error box.
  brimsel::TfrmUpdate::Options options;
  const std::optional<brimsel::platform::FolderLock> lock = brimsel::TakeInstallationFolder(options.installationFolder);
  if (!lock) return 1;
  options.vendorPublicKey = brimsel::kVendorPublicKey;
  brimsel::TfrmUpdate frmUpdate(options);
  brimsel::platform::SetMessagePump([&frmUpdate] { brimsel::PumpMessages(frmUpdate); });
  frmUpdate.Show();
  return brimsel::RunMessageLoop(frmUpdate);
}
