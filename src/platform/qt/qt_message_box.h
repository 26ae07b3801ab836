#pragma once
// The real message box: a modal QMessageBox with the caption, icon, buttons and text of
// the call, owned by the window behind the handle (or by none).

#include <string>

#include "platform/message_box.h"

namespace brimsel::platform {

int ShowQtMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags);
// Makes ShowQtMessageBox the handler of every platform::MessageBox call.
void InstallQtMessageBox();

}  // namespace brimsel::platform
