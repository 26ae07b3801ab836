#pragma once
// Every message box of the system goes through this one interface, so that the wizard's
// boxes, its error box and the zip component's questions can be answered by the real
// Qt dialog, by MessageBoxA (platform/windows/system_message_box.h), by a terminal prompt
// or by a test.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brimsel::platform {

// A window that owns a message box or a started program; 0 means none.
using WindowHandle = std::uintptr_t;

// Buttons and icons, with the values of the Windows flags.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_YESNO = 0x04;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_BUTTONS_MASK = 0x0F;
inline constexpr unsigned MB_ICON_MASK = 0xF0;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Texts and caption are GBK. Returns the button chosen.
using MessageBoxHandler =
    std::function<int(WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags)>;

// Shows a modal message box through the installed handler. With no handler installed the
// box is answered at once: OK, or No for a question.
int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags);
// Installs the handler; an empty function removes it. Returns the one it replaces.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace brimsel::platform
