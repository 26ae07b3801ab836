// updtool release SRC_DIR NAME --site DIR [--date yyyy-M-d] [--sign KEYFILE]: a folder of
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
#include "platform/command_line.h"
#include "platform/exception.h"
#include "platform/locale.h"
#include "signature/package_signature.h"
#include "signature/signature_marker.h"
#include "updtool/command.h"
#include "updtool/gbk_text.h"
#include "updtool/key_files.h"
#include "updtool/release_contents.h"
#include "updtool/release_layout.h"

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

  std::string date = platform::DateToStr(platform::Today());
  if (!parsed->date.empty()) {
    const auto when = platform::TryStrToDate(parsed->date);
    if (!when || parsed->date.find_first_of(" \t") != std::string::npos)
      return Failure("release: the date '" + parsed->date + "' is not in the short date format yyyy-M-d");
    date = platform::DateToStr(*when);
  }

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
  const std::string marker =
      secretKey.empty() ? "" : signature::SignatureMarker(signature::SignPackage(secretKey, *name, package));

  WriteWhole(PackageFile(site, parsed->name), package);
  WriteWhole(VersionPageFile(site, parsed->name), VersionPage(date, marker));
  WriteWhole(ProbePageFile(site), kProbePageBody);
  // An older date file would be served in place of the version page by an older serve.
  fs::remove(DateFile(site, parsed->name), ec);

  std::cout << "release " << parsed->name << " of " << date << (marker.empty() ? "" : ", signed") << "\n"
            << "  files:   " << contents.files.size() << " (" << contentBytes << " bytes)\n"
            << "  package: " << package.size() << " bytes, " << platform::Utf8OfPath(PackageFile(site, parsed->name)) << "\n"
            << "  URL paths:\n"
            << "    /update/getver.asp?soft=" << parsed->name << "   (" << platform::Utf8OfPath(VersionPageFile(site, parsed->name)) << ")\n"
            << "    /update/test.html\n"
            << "    /update/" << parsed->name << ".zip\n";
  for (const ReleaseFile& file : contents.files) std::cout << "  + " << file.shownName << "\n";
  return 0;
}

const Command release("release",
                      "  release SRC_DIR NAME --site DIR [--date yyyy-M-d] [--sign KEYFILE]\n"
                      "      publish the files of SRC_DIR as the release of package NAME under DIR:\n"
                      "      DIR/update/NAME.zip, the version page DIR/update/getver/NAME.html (dated\n"
                      "      today unless --date) and DIR/update/test.html; --sign adds the package's\n"
                      "      signature made with the secret key of updtool keygen",
                      Release);

}  // namespace
}  // namespace brimsel::updtool
