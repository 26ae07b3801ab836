#include "app/error_box.h"

#include "app/window_texts.h"

namespace brimsel {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  return text;
}

void ShowErrorBox(platform::WindowHandle owner, std::string_view message) {
  ShowErrorText(owner, ErrorBoxText(message));
}

void ShowErrorText(platform::WindowHandle owner, std::string_view text) {
  platform::MessageBox(owner, text, texts::kApplicationTitle, platform::MB_OK | platform::MB_ICONERROR);
}

}  // namespace brimsel
