// A batch file run by the system's own command interpreter, hidden. Not through
// ShellExecuteA: it expands environment strings in the paths it is given, and cmd.exe
// expands "%" on its command line, so a folder named "p%PATH%q" or "x%0y" would have
// another script run, or none. The interpreter starts in the folder, with the bare name.
#include "platform/shell_execute.h"

#include "platform/windows/windows_api.h"

#include <string>
#include <vector>

#include "platform/windows/windows_text.h"

namespace brimsel::platform {

bool StartBatchFile(std::string_view folder, std::string_view name) {
  if (name.empty() || name.find_first_of(" \t\"%^&|<>") != std::string_view::npos) return false;
  std::vector<wchar_t> system(MAX_PATH + 1);
  const UINT length = ::GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
  if (length == 0 || length >= system.size()) return false;
  const std::wstring interpreter = std::wstring(system.data(), length) + L"\\cmd.exe";
  // /d: no AutoRun commands of the user's, which could change the working folder first.
  std::wstring commandLine = L"cmd.exe /d /c " + windows::ToWide(name);
  const std::wstring workingFolder = windows::ToWide(folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // CREATE_NO_WINDOW: a console that is never shown, which the programs the script runs share.
  if (!::CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, workingFolder.c_str(), &startup,
                        &started))
    return false;
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  return true;
}

}  // namespace brimsel::platform
