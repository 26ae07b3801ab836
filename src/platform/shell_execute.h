#pragma once
// Starting a batch file the way the updater does: hidden, detached from the caller, and
// named so that the command interpreter reads exactly the file meant.

#include <string_view>

#include "platform/message_box.h"

namespace brimsel::platform {

inline constexpr int SW_HIDE = 0;

// The program that carries out batch files on Linux, installed beside update.exe.
inline constexpr char kBatchRunnerName[] = "batchrun";

// Runs the batch file `name` of the folder `folder` (ending in "\") and returns at once:
// the system's command interpreter on Windows, our batch runner (installed beside the
// executable) on Linux. The interpreter works in `folder` and is given the bare `name`
// (a plain name without blanks, "%" or quotes): it expands "%" on its command line as in a
// batch line, so a folder path holding "%" there would name another script. True when the
// interpreter was started.
bool StartBatchFile(std::string_view folder, std::string_view name);

}  // namespace brimsel::platform
