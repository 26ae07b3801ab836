// "updtool match FILE [PATTERN]": what the updater takes out of a version page. Prints
// group 1 of the first match of the pattern (by default the updater's release-date marker)
// in the file's bytes, which are GBK like every reply. The pattern is given in UTF-8.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "net/update_site.h"
#include "pattern/pattern_engine.h"
#include "platform/command_line.h"
#include "platform/codepage.h"
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

// The file's bytes, read once into the string that the engine then keeps.
std::optional<std::string> ReadWhole(const std::string& utf8Path) {
  const std::filesystem::path path = platform::PathFromUtf8(utf8Path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!file.read(bytes.data(), static_cast<std::streamsize>(size))) return std::nullopt;
  return bytes;
}

int RunMatch(const Arguments& args) {
  if (args.empty() || args.size() > 2) return UsageError("match takes FILE [PATTERN]");
  if (auto refused = RefuseFolder(args[0])) return *refused;
  std::optional<std::string> bytes = ReadWhole(args[0]);
  if (!bytes) return Failure("cannot read " + args[0]);
  const std::string pattern = args.size() == 2 ? platform::Utf8ToGbk(args[1]) : std::string(kReleaseDatePattern);
  if (pattern.empty()) return UsageError("the pattern is empty");
  if (args.size() == 2 && platform::GbkToUtf8(pattern) != args[1]) {
    return UsageError("the pattern has characters that GBK cannot hold");
  }

  TPatternEngine engine;
  engine.SetExpression(pattern);
  engine.TakeInput(std::move(*bytes));  // like the updater, the search ends at a NUL byte
  try {
    if (!engine.Exec()) return Failure("no match in " + args[0]);
  } catch (const EPatternError& bad) {
    return Failure("bad pattern: " + platform::GbkToUtf8(bad.Message()));
  }
  std::cout << platform::GbkToUtf8(engine.Match(1)) << "\n";
  return 0;
}

const Command kMatch("match",
                     "  match FILE [PATTERN]\n"
                     "      print group 1 of the first match of PATTERN (UTF-8) in FILE (GBK) as the updater\n"
                     "      finds it; by default the release-date marker of the version page",
                     RunMatch);

}  // namespace
}  // namespace brimsel::updtool
