#pragma once
// What update.exe tells about itself on its command line, without opening a window: the
// vendor site built into it, whether it checks signatures, and its version. Both entries
// ask before anything else, so that neither needs a display.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimsel {

// When `arguments` (the program's own name first) ask for --version or --help: prints the
// answer to standard output (the console of the starting program on Windows, or else a
// message box) and gives the exit code. Nothing when the wizard is to start; it takes no
// other arguments and ignores them, as it always has.
std::optional<int> AnswerInformationRequest(const std::vector<std::string>& arguments, std::string_view publicKey);

}  // namespace brimsel
