#include "platform/windows/system_pump.h"

#include "platform/windows/windows_api.h"

namespace brimsel::platform {

void PumpSystemMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

}  // namespace brimsel::platform
