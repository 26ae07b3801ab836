#pragma once
// Finding the running product's window by its caption and asking it to close, over the
// X display named by $DISPLAY (implemented with xcb).

#include <cstdint>
#include <string_view>

#include "platform/message_box.h"

namespace brimsel::platform {

inline constexpr unsigned WM_CLOSE = 0x0010;

// A viewable top-level window whose caption equals `windowName` ignoring letter case
// (GBK text), or 0 when there is none, no display, or the name is empty. `className`
// must be null: finding by class is not supported.
WindowHandle FindWindowA(const char* className, std::string_view windowName);

// With WM_CLOSE: asks the window to close (WM_DELETE_WINDOW) and waits, bounded, until it
// has gone. Other messages are ignored. Returns 0.
std::intptr_t SendMessageA(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace brimsel::platform
