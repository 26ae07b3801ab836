// updtool release SRC_DIR NAME --site DIR [--date "yyyy-M-d [H:mm]"] [--sign KEYFILE]: a folder of
// files published as a release, in the layout that `updtool serve` and a static web server
// serve. Nothing is written unless the updater would install the release as it stands.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "archive/directory/dos_datetime.h"
#include "archive/directory/zip_writer.h"
#include "net/update_site.h"
#include "platform/command_line.h"
#include "platform/exception.h"
#include "platform/file_name_rule.h"
#include "platform/locale.h"
#include "signature/package_signature.h"
#include "updtool/command.h"
#include "updtool/gbk_text.h"
#include "updtool/key_files.h"
#include "updtool/release_contents.h"

namespace brimsel::updtool {
namespace {
namespace fs = std::filesystem;

struct ReleaseArguments {
  std::string source;
  std::string name;
  std::string site;
  std::string date;
  std::string keyFile;
};

std::string ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in) throw Exception("cannot read " + platform::Utf8OfPath(file));
  return bytes.str();
}

// Written beside the target first, so that a server never serves half a file.
void WriteWhole(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  fs::path temporary = file;
  temporary += ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw Exception("cannot write " + platform::Utf8OfPath(temporary));
  }
  fs::rename(temporary, file);
}

std::uint32_t DosTimeOf(const fs::path& file) {
  const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(file));
  const std::time_t seconds = std::chrono::system_clock::to_time_t(written);
  const std::tm* local = std::localtime(&seconds);
  // Before 1980 a DOS date cannot say: the first day it can.
  if (local == nullptr || local->tm_year + 1900 < 1980) return PackDosDateTime({});
  return PackDosDateTime({local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                          local->tm_sec});
}

std::optional<ReleaseArguments> Parse(const Arguments& args, int& exitCode) {
  ReleaseArguments parsed;
  const std::optional<std::vector<std::string>> taken = TakeOptions(
      args, {{"--site", &parsed.site}, {"--date", &parsed.date}, {"--sign", &parsed.keyFile}}, "release", exitCode);
  if (!taken) return std::nullopt;
  const std::vector<std::string>& words = *taken;
  if (words.size() != 2 || parsed.site.empty()) {
    exitCode = UsageError("release takes SRC_DIR NAME --site DIR");
    return std::nullopt;
  }
  parsed.source = words[0];
  parsed.name = words[1];
  return parsed;
}

int Release(const Arguments& args) {
  int exitCode = 0;
  const std::optional<ReleaseArguments> parsed = Parse(args, exitCode);
  if (!parsed) return exitCode;
  std::error_code ec;
  const fs::path sourceArgument = platform::PathFromUtf8(parsed->source);
  const fs::path siteArgument = platform::PathFromUtf8(parsed->site);
  if (!fs::is_directory(sourceArgument, ec)) return Failure("release: " + parsed->source + " is not a folder");
  if (fs::exists(siteArgument, ec) && !fs::is_directory(siteArgument, ec))
    return Failure("release: --site " + parsed->site + " is a file, not a folder");
  // The site inside the folder would be packed into the next release.
  const fs::path source = fs::weakly_canonical(sourceArgument);
  const fs::path site = fs::weakly_canonical(fs::absolute(siteArgument));
  if (std::mismatch(source.begin(), source.end(), site.begin(), site.end()).first == source.end())
    return Failure("release: the site " + parsed->site + " lies inside " + parsed->source);

  const std::optional<std::string> name = ToGbk(parsed->name);
  if (!name || !IsPublishableName(parsed->name))
    return Failure("release: '" + parsed->name + "' cannot be a package name (no blanks, slashes or ?&#%, GBK only)");
  // The updater names its package file after it, under the file name rule.
  if (const platform::NameFault fault = platform::JudgeFileName(*name); fault != platform::NameFault::kNone)
    return Failure("release: '" + parsed->name + "' cannot be a package name: " + platform::NameFaultText(fault));

  // The date as the updater reads it, and written so that it reads it back the same.
  platform::DateTime releaseDate = platform::Today();
  if (!parsed->date.empty()) {
    const auto when = platform::TryStrToDate(parsed->date);
    if (!when)
      return Failure("release: the date '" + parsed->date +
                     "' is not in the short date format yyyy-M-d, optionally followed by a time H:mm");
    releaseDate = *when;
  }
  const std::string date = platform::DateTimeToStr(releaseDate);

  const ReleaseContents contents = GatherRelease(sourceArgument);
  if (!contents.problems.empty()) {
    std::cerr << "updtool: release: the updater would not install " << parsed->source << " as it stands:\n";
    for (const std::string& problem : contents.problems) std::cerr << "  " << problem << "\n";
    return 1;
  }
  const std::string secretKey = parsed->keyFile.empty() ? "" : ReadKey(parsed->keyFile, true);

  ZipWriter zip;
  std::int64_t contentBytes = 0;
  for (const ReleaseFile& file : contents.files) {
    const std::string data = ReadWhole(file.source);
    contentBytes += static_cast<std::int64_t>(data.size());
    zip.Add(file.storedName, data, DosTimeOf(file.source));
  }
  const std::string package = zip.Finish();
  const std::string signatureHex =
      secretKey.empty() ? "" : signature::SignPackage(secretKey, *name, releaseDate, package);

  const fs::path packageFile = site / PackageFile(parsed->name);
  const fs::path versionPageFile = site / VersionPageFile(parsed->name);
  WriteWhole(packageFile, package);
  WriteWhole(versionPageFile, VersionPage(date, signatureHex));
  WriteWhole(site / ProbePageFile(), kProbePageBody);

  std::cout << "release " << parsed->name << " of " << date << (signatureHex.empty() ? "" : ", signed") << "\n"
            << "  files:   " << contents.files.size() << " (" << contentBytes << " bytes)\n"
            << "  package: " << package.size() << " bytes, " << platform::Utf8OfPath(packageFile) << "\n"
            << "  URL paths:\n"
            << "    " << VersionQueryTarget(parsed->name) << "   (" << platform::Utf8OfPath(versionPageFile) << ")\n"
            << "    " << kProbePage << "\n"
            << "    " << PackageTarget(parsed->name) << "\n";
  for (const ReleaseFile& file : contents.files) std::cout << "  + " << file.shownName << "\n";
  return 0;
}

const Command release("release",
                      "  release SRC_DIR NAME --site DIR [--date \"yyyy-M-d [H:mm]\"] [--sign KEYFILE]\n"
                      "      publish the files of SRC_DIR as the release of package NAME under DIR:\n"
                      "      DIR/update/NAME.zip, the version page DIR/update/getver/NAME.html (dated\n"
                      "      today unless --date; a second release on one day takes a later time of\n"
                      "      day) and DIR/update/test.html; --sign adds the signature of the package,\n"
                      "      its name and its date, made with the secret key of updtool keygen",
                      Release);

}  // namespace
}  // namespace brimsel::updtool
