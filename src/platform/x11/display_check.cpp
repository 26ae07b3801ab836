#include "platform/display_check.h"

#include <cstdlib>
#include <string_view>

#include "platform/x11/xcb_session.h"

namespace brimsel::platform {

bool DisplayAvailable(std::string& why) {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (chosen != nullptr && *chosen != '\0' && !std::string_view(chosen).starts_with("xcb")) return true;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    why = "no display: DISPLAY is not set";
    return false;
  }
  if (!x11::XcbSession().Connected()) {
    why = std::string("cannot open the display ") + display;
    return false;
  }
  return true;
}

}  // namespace brimsel::platform
