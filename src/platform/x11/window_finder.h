#pragma once
// The window finder of platform/window_finder.h over the X display named by $DISPLAY
// (implemented with xcb). With WM_CLOSE, SendMessageA asks the window to close
// (WM_DELETE_WINDOW) and waits, bounded, until it has gone.

#include "platform/window_finder.h"
