#pragma once
// The commands of a batch script that the runner knows, read from the script's text.
// The text is GBK with CRLF or LF line ends; commands, keywords and labels are compared
// without regard to letter case, as cmd.exe does. Anything else is refused, not guessed at.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "percent_expansion.h"

namespace brimsel::batchrun {

enum class Op {
  Label,        // :NAME
  Goto,         // goto NAME  (or goto :NAME)
  Delete,       // del "PATH"
  DeleteSelf,   // del %0
  IfExistGoto,  // if exist "PATH" goto NAME
  Copy,         // copy "PATH" "PATH"
  Move,         // move [/y] "PATH" "PATH": a rename over the target
  Pause,        // ping -n COUNT 127.0.0.1 >nul: COUNT - 1 seconds
};

struct Command {
  Op op = Op::Label;
  int line = 0;         // 1-based line number in the script
  std::string label;    // Label, Goto, IfExistGoto: the name in lower case
  std::string path;     // Delete, IfExistGoto, Copy (source): a Windows path, GBK
  std::string target;   // Copy, Move: the destination
  int seconds = 0;      // Pause
};

struct Script {
  std::vector<Command> commands;
  // Why the script is refused; empty when every line is understood.
  std::string error;
  int errorLine = 0;

  // The index of the label `name` as cmd.exe finds it: the first one after `from`,
  // searching on from the top once the end is reached.
  std::optional<std::size_t> FindLabel(std::string_view name, std::size_t from) const;
};

// Scripts larger than this are refused unread: the updater writes five short lines.
inline constexpr std::size_t kMaxScriptSize = 64 * 1024;

// Each line is read as cmd.exe reads it: "%" expanded first (percent_expansion.h), then
// split into words. "del %0" is the script deleting itself.
Script ParseScript(std::string_view text, const ExpansionContext& context = {});

}  // namespace brimsel::batchrun
