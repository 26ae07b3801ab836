// FindWindowA and SendMessageA themselves.
#include "platform/window_finder.h"

#include "platform/windows/windows_api.h"

#include <string>

namespace brimsel::platform {

WindowHandle FindWindowA(const char* className, std::string_view windowName) {
  // An empty caption would find some untitled window of another program.
  if (windowName.empty()) return 0;
  const std::string caption(windowName);
  return reinterpret_cast<WindowHandle>(::FindWindowA(className, caption.c_str()));
}

std::intptr_t SendMessageA(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace brimsel::platform
