// updtool pkg list FILE: lists a package the way the updater sees it, one listing line per
// entry (name, date, time, size, compressed size, ratio, method, folder; TAB-separated).
#include <iostream>

#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

int ListPackage(const Arguments& args) {
  if (args.size() != 1) return UsageError("pkg list takes one FILE");
  if (auto refused = RefuseFolder(args[0])) return *refused;
  TUnzipper unzipper;
  unzipper.DoProcessMessages = false;
  // The updater lists nothing for an archive without an end record (a truncated
  // download); the vendor is told instead.
  bool incomplete = false;
  unzipper.OnInCompleteZip = [&incomplete](TUnzipper&, TIncompleteZipMode&) { incomplete = true; };
  try {
    unzipper.SetZipName(platform::Utf8ToFileName(args[0]));
    unzipper.LoadDirectory();
  } catch (const Exception& e) {
    return Failure("cannot list " + args[0] + ": " + platform::GbkToUtf8(e.Message()));
  }
  if (incomplete) {
    return Failure("cannot list " + args[0] + ": " + kIncompleteZipFile +
                   " (no end of central directory record; truncated download or not a zip file)");
  }
  std::vector<std::string> lines;
  unzipper.ListEntries(lines);
  for (const std::string& line : lines) std::cout << platform::GbkToUtf8(line) << '\n';
  return 0;
}

const Command kPkgList("pkg list",
                       "  pkg list FILE\n"
                       "      list the entries of the package FILE as the updater sees them: name, date, time,\n"
                       "      size, compressed size, ratio, method and folder, TAB-separated",
                       ListPackage);

}  // namespace
}  // namespace brimsel::updtool
