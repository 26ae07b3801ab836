#pragma once
// MessageBoxA as the handler of platform/message_box.h: the Windows wizard installs it at
// start, so that every box of the system is the system's own.

#include <string>

#include "platform/message_box.h"

namespace brimsel::platform {

int SystemMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags);

}  // namespace brimsel::platform
