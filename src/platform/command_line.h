#pragma once
// The words of the command line and the text a console program prints, in UTF-8 on every
// system. Windows hands main() its arguments in the system code page, which cannot hold
// every name a user may type, and its console shows its own code page, not UTF-8.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace brimsel::platform {

// The program's arguments, its own name first, in UTF-8. Linux: argv as it is. Windows:
// the command line as the system keeps it (UTF-16), so no character is lost on the way.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// From here on, std::cout and std::cerr take UTF-8 and show it the way the console reads
// it. Linux: nothing changes, the terminal reads UTF-8. Windows: the text goes to a console
// as UTF-16, and to a file or pipe in the console's output code page.
void PrintUtf8ToConsole();

// Makes sure a program of the windowed kind has somewhere to print before it prints.
// Windows gives such a program no console: its standard output is the file or pipe it was
// handed, or else the console of the program that started it, which it attaches to. False
// when there is neither (started from the desktop). Linux: true, standard output is there.
bool AttachStandardOutput();

// A path given as UTF-8, and the UTF-8 of a path. A path made from a plain string is read in
// the C runtime's code page on Windows, which is neither UTF-8 nor the system's 936.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace brimsel::platform
