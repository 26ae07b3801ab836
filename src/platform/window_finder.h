#pragma once
// Finding the running product's window by its caption and asking it to close. Windows:
// FindWindowA and SendMessageA themselves (windows/window_finder.cpp); Linux: the same
// calls over the X display named by $DISPLAY (x11/window_finder.cpp).

#include <cstdint>
#include <string_view>

#include "platform/message_box.h"

namespace brimsel::platform {

inline constexpr unsigned WM_CLOSE = 0x0010;

// A visible top-level window whose caption equals `windowName` (GBK text), or 0 when
// there is none or the name is empty. Linux compares ignoring letter case, as Windows
// does, and finds nothing without a display. `className` must be null: finding by class
// is not supported.
WindowHandle FindWindowA(const char* className, std::string_view windowName);

// With WM_CLOSE: asks the window to close and returns once it has handled the request
// (Linux: once it has gone, bounded). Other messages are ignored on Linux. Returns 0.
std::intptr_t SendMessageA(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace brimsel::platform
