#include "platform/windows/system_message_box.h"

#include "platform/windows/windows_api.h"

namespace brimsel::platform {

int SystemMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

}  // namespace brimsel::platform
