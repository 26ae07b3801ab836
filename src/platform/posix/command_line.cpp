#include "platform/command_line.h"

namespace brimsel::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrintUtf8ToConsole() {}

}  // namespace brimsel::platform
