// "updtool match FILE [PATTERN]": what the updater takes out of a version page. Prints
// group 1 of the first match of the pattern (by default the updater's release-date marker)
// in the file's bytes, which are GBK like every reply. The pattern is given in UTF-8.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "pattern/pattern_engine.h"
#include "platform/codepage.h"
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

constexpr char kMarkerPattern[] = "<!--date(\\S+)Main -->";

int RunMatch(const Arguments& args) {
  if (args.empty() || args.size() > 2) return UsageError("match takes FILE [PATTERN]");
  if (auto refused = RefuseFolder(args[0])) return *refused;
  std::error_code error;
  std::ifstream file;
  if (std::filesystem::is_regular_file(args[0], error)) file.open(args[0], std::ios::binary);
  if (!file.is_open()) return Failure("cannot read " + args[0]);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) return Failure("cannot read " + args[0]);
  const std::string pattern = args.size() == 2 ? platform::Utf8ToGbk(args[1]) : std::string(kMarkerPattern);
  if (pattern.empty()) return UsageError("the pattern is empty");
  if (args.size() == 2 && platform::GbkToUtf8(pattern) != args[1]) {
    return UsageError("the pattern has characters that GBK cannot hold");
  }

  TPatternEngine engine;
  engine.SetExpression(pattern);
  engine.SetInput(bytes.str());  // like the updater, the search ends at a NUL byte
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
                     "      finds it; by default the release-date marker <!--date(\\S+)Main -->",
                     RunMatch);

}  // namespace
}  // namespace brimsel::updtool
