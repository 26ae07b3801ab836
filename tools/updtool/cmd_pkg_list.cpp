// updtool pkg list [--long] FILE: lists a package the way the updater sees it. Without
// --long, the updater's own listing, byte for byte: one line per entry (name, date, time,
// size, compressed size, ratio, method, folder; TAB-separated), the lines the installation
// takes its file names from. --long puts a header row first and gives the date and time as
// one unambiguous field, year first, on the 24-hour clock.
#include <cstdio>
#include <iostream>

#include "archive/directory/dos_datetime.h"
#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

constexpr char kLongHeader[] = "name\tmodified\tsize\tcompressed\tratio\tmethod\tfolder";

std::string FullDateTime(std::uint32_t dosDateTime) {
  const DosDateTimeParts when = SplitDosDateTime(ValidateDosDateTime(dosDateTime));
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day, when.hour,
                when.minute, when.second);
  return text;
}

// A listing line with its date and time fields (the second and third) replaced by `when`.
std::string WithDateTime(const std::string& line, const std::string& when) {
  const std::size_t date = line.find('\t');
  const std::size_t time = date == std::string::npos ? date : line.find('\t', date + 1);
  const std::size_t rest = time == std::string::npos ? time : line.find('\t', time + 1);
  if (rest == std::string::npos) return line;
  return line.substr(0, date + 1) + when + line.substr(rest);
}

int ListPackage(const Arguments& args) {
  bool longListing = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--long") longListing = true;
    else if (arg.starts_with("--")) return UsageError("pkg list: unknown option '" + arg + "'");
    else files.push_back(arg);
  }
  if (files.size() != 1) return UsageError("pkg list takes one FILE");
  const std::string& file = files[0];
  if (auto refused = RefuseFolder(file)) return *refused;
  TUnzipper unzipper;
  unzipper.DoProcessMessages = false;
  // The updater lists nothing for an archive without an end record (a truncated
  // download); the vendor is told instead.
  bool incomplete = false;
  unzipper.OnInCompleteZip = [&incomplete](TUnzipper&, TIncompleteZipMode&) { incomplete = true; };
  try {
    unzipper.SetZipName(platform::Utf8ToFileName(file));
    unzipper.LoadDirectory();
  } catch (const Exception& e) {
    return Failure("cannot list " + file + ": " + platform::GbkToUtf8(e.Message()));
  }
  if (incomplete) {
    return Failure("cannot list " + file + ": " + kIncompleteZipFile +
                   " (no end of central directory record; truncated download or not a zip file)");
  }
  if (!longListing) {
    unzipper.ListEntries([](const std::string& line) { std::cout << platform::GbkToUtf8(line) << '\n'; });
    return 0;
  }
  std::cout << kLongHeader << '\n';
  int index = 0;
  unzipper.ListEntries([&](const std::string& line) {
    const std::string when = FullDateTime(unzipper.Entry(index++).DateTime);
    std::cout << platform::GbkToUtf8(WithDateTime(line, when)) << '\n';
  });
  return 0;
}

const Command kPkgList("pkg list",
                       "  pkg list [--long] FILE\n"
                       "      list the entries of the package FILE as the updater lists them: name, date\n"
                       "      (mm/dd/yy), time (12-hour clock), size, compressed size, ratio, method and\n"
                       "      folder, TAB-separated; the name, before the first TAB, is the file the\n"
                       "      installation writes. --long: a header row first, and the date and time as\n"
                       "      one field, yyyy-mm-dd hh:mm:ss",
                       ListPackage);

}  // namespace
}  // namespace brimsel::updtool
