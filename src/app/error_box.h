#pragma once
// The error box: how an error that escapes a handler of the window is reported. The
// program goes on afterwards.

#include <string>
#include <string_view>

#include "platform/message_box.h"

namespace brimsel {

// The message as the box shows it: a full stop is appended when the last byte sorts after
// "." (so "Error: not a Hex String" and "Error 42" get one; "Disk full." and "Done!" do not).
std::string ErrorBoxText(std::string_view message);

// A message box with that text, the application title as caption, the error icon and OK.
void ShowErrorBox(platform::WindowHandle owner, std::string_view message);

// The same box with a text of the system's own, shown as it is: a Chinese text ends in its
// own full stop.
void ShowErrorText(platform::WindowHandle owner, std::string_view text);

}  // namespace brimsel
