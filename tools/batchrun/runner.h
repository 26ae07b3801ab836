#pragma once
// Carries out a batch script the way cmd.exe would, for the commands the updater's
// update.bat uses. The whole script is read and checked first: one line the runner does
// not know, or one path outside the folders it may touch, and nothing at all is done.

#include <chrono>
#include <filesystem>

namespace brimsel::batchrun {

struct RunLimits {
  // The pause each time a GOTO leads back to an earlier line, so that a loop waiting for
  // a file to be released does not spin.
  std::chrono::milliseconds pause{200};
  // The runner gives up a script that still loops this long after nothing runs the file
  // it waits for (a file that is read-only, say). While the old updater runs, it waits on:
  // the user may leave the finish page open for as long as they like.
  std::chrono::milliseconds giveUpAfter{std::chrono::minutes(1)};
};

enum class Outcome {
  Completed = 0,   // ran to its end, or to "del %0"
  Refused = 1,     // a line or a path the runner does not accept; nothing was done
  GaveUp = 2,      // still looping when the time was up, with nothing running the file
  Unreadable = 3,  // the script could not be read
};

// `script` is the native path of the script; the log goes beside it.
Outcome RunScriptFile(const std::filesystem::path& script, const RunLimits& limits = {});

}  // namespace brimsel::batchrun
