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

bool StartBatchFile(std::string_view folder, std::string_view name) {
  // No command line reads the path here: the runner gets it as its argument.
  try {
    return StartBatchRunner(std::string(folder) + std::string(name), folder, NativePath(InstallationFolder()));
  } catch (...) {
    return false;
  }
}

}  // namespace brimsel::platform
