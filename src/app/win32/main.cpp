// update.exe for Windows: the online updater of Brimsel. No command-line options:
// everything it needs comes from Update.ini beside it.

#include "app/win32/tfrm_update.h"
#include "app/window_texts.h"
#include "platform/pump.h"
#include "platform/windows/system_message_box.h"
#include "platform/windows/system_pump.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  brimsel::platform::SetMessagePump(brimsel::platform::PumpSystemMessages);
  brimsel::platform::SetMessageBoxHandler(brimsel::platform::SystemMessageBox);
  // The wizard itself stands on the task bar, under its caption; the application title
  // is the caption of the error box.
  brimsel::TfrmUpdate frmUpdate;
  frmUpdate.Show();
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (frmUpdate.PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
