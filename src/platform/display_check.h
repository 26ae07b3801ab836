#pragma once
// Whether the wizard has a display to open on. Without one the window toolkit would abort
// the program with a message of its own; the program says so in one line instead. Built
// per window system (x11/display_check.cpp); a desktop system always has one.

#include <string>

namespace brimsel::platform {

// True when the window system can be reached: a platform other than X11 is chosen through
// QT_QPA_PLATFORM, or the X display named by $DISPLAY accepts a connection. Otherwise
// false, with `why` saying what is missing.
bool DisplayAvailable(std::string& why);

}  // namespace brimsel::platform
