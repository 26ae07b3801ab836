#include "app/win32/message_loop.h"

#include "app/win32/tfrm_update.h"

namespace brimsel {
namespace {

void Deliver(TfrmUpdate& window, MSG& message) {
  if (window.PreTranslate(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

}  // namespace

int RunMessageLoop(TfrmUpdate& window) {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) Deliver(window, message);
  return static_cast<int>(message.wParam);
}

void PumpMessages(TfrmUpdate& window) {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Deliver(window, message);
  }
}

}  // namespace brimsel
