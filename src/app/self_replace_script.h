#pragma once
// update.bat: the script that puts a new update.exe in place once the running one has
// ended. It loops while update.exe cannot be deleted (the updater still runs), then copies
// the staged update.exe over it and deletes itself.

#include <string>
#include <string_view>

namespace brimsel {

inline constexpr char kSelfReplaceScriptName[] = "update.bat";

// The script's six lines for the installation folder `folder` (ending in "\"), every path
// in double quotes, every line ending in CR LF. The names "update.exe" and
// "update\update.exe" are fixed: they do not follow the running program's actual name.
std::string SelfReplaceScriptText(std::string_view folder);

// Writes the script to `folder` + "update.bat", replacing a file of that name, and returns
// its path. Raises brimsel::Exception when it cannot be written whole.
std::string WriteSelfReplaceScript(std::string_view folder);

}  // namespace brimsel
