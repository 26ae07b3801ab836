#include "platform/shell_execute.h"

#include <unistd.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/batch_runner.h"
#include "platform/posix/detached_process.h"

namespace brimsel::platform {
namespace fs = std::filesystem;

bool StartBatchRunner(std::string_view script, std::string_view directory, const fs::path& runnerFolder) {
  try {
    if (!FileExists(script)) return false;
    const fs::path runner = runnerFolder / kBatchRunnerName;
    if (::access(runner.c_str(), X_OK) != 0) return false;
    const fs::path scriptFile = fs::absolute(NativePath(script));
    const fs::path folder = directory.empty() ? scriptFile.parent_path() : fs::absolute(NativePath(directory));
    return StartDetached(runner, {scriptFile.string()}, folder);
  } catch (...) {
    return false;  // a result, never an error, as the Windows call
  }
}

bool ShellExecuteWithRunner(std::string_view operation, std::string_view file, std::string_view parameters,
                            std::string_view directory, const fs::path& runnerFolder) {
  const bool open = operation.empty() || SameTextIgnoringCase(operation, "open");
  const bool script = EndsWithIgnoringCase(file, ".bat") || EndsWithIgnoringCase(file, ".cmd");
  if (!open || !script || !parameters.empty()) return false;
  return StartBatchRunner(file, directory, runnerFolder);
}

bool ShellExecuteA(WindowHandle /*owner*/, std::string_view operation, std::string_view file,
                   std::string_view parameters, std::string_view directory, int /*showCommand*/) {
  // Scripts have no window to show or hide here: the runner has no terminal in any case.
  try {
    return ShellExecuteWithRunner(operation, file, parameters, directory, NativePath(InstallationFolder()));
  } catch (...) {
    return false;
  }
}

}  // namespace brimsel::platform
