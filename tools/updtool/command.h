#pragma once
// The commands of updtool. Each command file registers itself with a static Command
// object; main() dispatches on the first argument.

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimsel::updtool {

using Arguments = std::vector<std::string>;  // the words after the command name, UTF-8

// A name may be one word ("match") or two ("ini set").
struct Command {
  // `usage` lines are printed by "updtool help"; `run` returns the exit code.
  Command(std::string name, std::string usage, std::function<int(const Arguments&)> run);
};

// Prints "updtool: <message>" on standard error and returns 2, the exit code of a usage error.
int UsageError(const std::string& message);
// Prints "updtool: <message>" on standard error and returns 1, the exit code of a failure.
int Failure(const std::string& message);

// An option that takes a value ("--name VALUE"), and where the value goes.
struct ValueOption {
  std::string_view name;
  std::string* value;
};
// The words of `args` that are no options, in order, the values of `options` stored. Nothing,
// and a usage error naming `command` in `exitCode`, on an unknown option or one without its value.
std::optional<std::vector<std::string>> TakeOptions(const Arguments& args, std::initializer_list<ValueOption> options,
                                                    const std::string& command, int& exitCode);

// True when `flag` ("--force") is among `args`, which then no longer hold it.
bool TakeFlag(Arguments& args, std::string_view flag);

// The failure for a folder given where a file is expected; nothing when `path` is no folder.
std::optional<int> RefuseFolder(const std::string& path);

}  // namespace brimsel::updtool
