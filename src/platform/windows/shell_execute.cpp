// ShellExecuteA itself: a script is run by the system's own command interpreter.
#include "platform/shell_execute.h"

#include "platform/windows/windows_api.h"
#include <shellapi.h>

#include <string>

namespace brimsel::platform {

bool ShellExecuteA(WindowHandle owner, std::string_view operation, std::string_view file,
                   std::string_view parameters, std::string_view directory, int showCommand) {
  const std::string operationText(operation), fileText(file), parametersText(parameters), directoryText(directory);
  auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
  const HINSTANCE result =
      ::ShellExecuteA(reinterpret_cast<HWND>(owner), orNull(operationText), fileText.c_str(), orNull(parametersText),
                      orNull(directoryText), showCommand);
  // Values above 32 mean success; the smaller ones are error codes.
  return reinterpret_cast<std::uintptr_t>(result) > 32;
}

}  // namespace brimsel::platform
