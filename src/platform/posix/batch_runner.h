#pragma once
// ".bat" files are carried out by our own batch runner, a small program installed beside
// update.exe. StartBatchFile looks for it in the installation folder; the tests name the
// folder of their build instead.

#include <filesystem>
#include <string_view>

#include "platform/shell_execute.h"  // kBatchRunnerName

namespace brimsel::platform {

// Starts the batch runner of `runnerFolder` on `script` (a Windows path), in `directory`
// (a Windows path; the script's folder when empty), detached: a session of its own, no
// terminal, standard input and output on /dev/null, none of the caller's descriptors, and
// not a child of the caller. Returns once the runner runs; false when it could not start.
bool StartBatchRunner(std::string_view script, std::string_view directory, const std::filesystem::path& runnerFolder);

}  // namespace brimsel::platform
