#include "platform/message_box.h"

#include <utility>

namespace brimsel::platform {
namespace {
MessageBoxHandler& InstalledHandler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags) {
  if (auto& handler = InstalledHandler()) return handler(owner, std::string(text), std::string(caption), flags);
  return (flags & MB_BUTTONS_MASK) == MB_YESNO ? IDNO : IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(InstalledHandler(), std::move(handler));
}

}  // namespace brimsel::platform
