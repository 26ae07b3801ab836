#pragma once
// The first thing cmd.exe does with each line of a batch file, before it looks at quotes
// or commands: "%" expansion. Inside double quotes as anywhere else:
//   %%          becomes one "%";
//   %0          the script as it was started (its quoted path), %1 to %9 and %* its
//               arguments (the updater passes none: they become nothing);
//   %NAME%      the variable's value, or nothing when it is not defined;
//   %NAME:...%  for an undefined NAME, "%NAME:" goes and reading goes on after the colon
//               (a defined one would be edited: not supported, the line is refused);
//   a "%" without a closing one goes.
// So a path holding "%" names another file once cmd has read it, and the runner reads it
// the same way.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brimsel::batchrun {

struct ExpansionContext {
  std::string scriptArgument;  // what %0 becomes
  // The value of an environment variable; names are compared without regard to case.
  std::function<std::optional<std::string>(std::string_view name)> variable;
};

// The line as cmd.exe reads it; nothing when it uses an expansion the runner does not
// carry out (`error` says which).
std::optional<std::string> ExpandPercents(std::string_view line, const ExpansionContext& context, std::string& error);

// Variables from the runner's own environment, looked up as cmd.exe does (any letter case).
std::optional<std::string> EnvironmentVariable(std::string_view name);

}  // namespace brimsel::batchrun
