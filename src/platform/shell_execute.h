#pragma once

#include <string_view>

#include "platform/message_box.h"

namespace brimsel::platform {

inline constexpr int SW_HIDE = 0;

// Starts `file` with `operation` ("OPEN") detached from the caller and returns at once.
// A ".bat" file is run by the system's command interpreter on Windows, and by our batch
// runner, installed beside the executable, on Linux. Returns true when the program was
// started.
bool ShellExecuteA(WindowHandle owner, std::string_view operation, std::string_view file,
                   std::string_view parameters, std::string_view directory, int showCommand);

}  // namespace brimsel::platform
