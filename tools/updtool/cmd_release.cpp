// updtool release SRC_DIR NAME --site DIR [--date "yyyy-M-d [H:mm]"] [--sign KEYFILE] [--force]
// updtool release --again DATE DIR NAME [--date ...] [--sign KEYFILE] [--force]
// A folder of files published as a release, in the layout that `updtool serve` and a static
// web server serve, or a kept earlier release published anew under a later date. Nothing is
// written unless the updater would install the release as it stands, and unless it leaves
// every end user able to take the next one (or the vendor insists with --force).
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
#include "updtool/site_files.h"

namespace brimsel::updtool {
namespace {
namespace fs = std::filesystem;

struct ReleaseArguments {
  std::string source;  // empty with --again
  std::string again;   // the kept release's date
  std::string name;    // as given (UTF-8)
  std::string gbkName;
  std::string site;
  std::string date;
  std::string keyFile;
  bool force = false;
};

std::optional<std::string> ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
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

std::optional<ReleaseArguments> Parse(Arguments args, int& exitCode) {
  ReleaseArguments parsed;
  parsed.force = TakeFlag(args, "--force");
  const std::optional<std::vector<std::string>> taken =
      TakeOptions(args,
                  {{"--site", &parsed.site}, {"--date", &parsed.date}, {"--sign", &parsed.keyFile},
                   {"--again", &parsed.again}},
                  "release", exitCode);
  if (!taken) return std::nullopt;
  const std::vector<std::string>& words = *taken;
  if (!parsed.again.empty()) {
    if (words.size() != 2 || !parsed.site.empty()) {
      exitCode = UsageError("release --again takes DATE DIR NAME");
      return std::nullopt;
    }
    parsed.site = words[0];
    parsed.name = words[1];
    return parsed;
  }
  if (words.size() != 2 || parsed.site.empty()) {
    exitCode = UsageError("release takes SRC_DIR NAME --site DIR");
    return std::nullopt;
  }
  parsed.source = words[0];
  parsed.name = words[1];
  return parsed;
}

// The release date of the site's current version page of the package; nothing when there
// is none or it holds no date that the updater reads.
std::optional<platform::DateTime> PublishedDate(const fs::path& site, const std::string& gbkName) {
  const std::optional<std::string> page = ReadWhole(SiteFile(site, VersionPageFile(gbkName)));
  if (!page) return std::nullopt;
  try {
    return platform::TryStrToDate(ReleaseDateText(*page));
  } catch (const Exception&) {
    return std::nullopt;
  }
}

// What a release of `date` would break for every end user, judged against the site.
std::vector<std::string> DateProblems(platform::DateTime date, const fs::path& site, const std::string& gbkName) {
  std::vector<std::string> problems;
  const std::string shown = platform::DateTimeToStr(date);
  if (date.days > platform::Today().days)
    problems.push_back("the release date " + shown + " is after today: the updater records it as LastUpdate, and "
                       "every later release would have to be later still to reach the users who installed it");
  if (const std::optional<platform::DateTime> published = PublishedDate(site, gbkName); published && date <= *published)
    problems.push_back("the release date " + shown + " is not later than the one published, " +
                       platform::DateTimeToStr(*published) +
                       ": it reaches no user who has updated (a second release of a day takes a later time of day: "
                       "--date \"yyyy-M-d H:mm\")");
  return problems;
}

// Refuses, or with --force says what it overrides; true when the release may go on.
bool JudgeProblems(const std::vector<std::string>& problems, bool force) {
  if (problems.empty()) return true;
  std::ostream& out = force ? std::cout : std::cerr;
  out << (force ? "updtool: release: --force overrides what would break the end users:\n"
                : "updtool: release: this would break the end users' updater; nothing published:\n");
  for (const std::string& problem : problems) out << "  " << problem << "\n";
  if (!force) std::cerr << "(--force publishes it anyway)\n";
  return force;
}

// The package and its version page, for the site and kept under the release's date.
struct Publication {
  std::string package;
  std::string signatureHex;
  platform::DateTime date;
};

void Publish(const fs::path& site, const std::string& gbkName, const Publication& release) {
  const std::string page = VersionPage(platform::DateTimeToStr(release.date), release.signatureHex);
  WriteWhole(SiteFile(site, KeptPackageFile(release.date, gbkName)), release.package);
  WriteWhole(SiteFile(site, KeptVersionPageFile(release.date, gbkName)), page);
  WriteWhole(SiteFile(site, PackageFile(gbkName)), release.package);
  WriteWhole(SiteFile(site, VersionPageFile(gbkName)), page);
  WriteWhole(SiteFile(site, ProbePageFile()), kProbePageBody);
}

// The package signed for `date` when there is a key, published as the site's newest release.
Publication SignAndPublish(const fs::path& site, const std::string& gbkName, platform::DateTime date,
                           std::string package, const std::string& secretKey) {
  Publication release{std::move(package), "", date};
  if (!secretKey.empty()) release.signatureHex = signature::SignPackage(secretKey, gbkName, date, release.package);
  Publish(site, gbkName, release);
  return release;
}

void PrintPublication(const fs::path& site, const ReleaseArguments& args, const Publication& release) {
  const std::string stamp = ReleaseStamp(release.date);
  std::cout << "  package: " << release.package.size() << " bytes, "
            << ShownSiteFile(site, PackageFile(args.gbkName)) << "\n"
            << "  kept:    " << ShownSiteFile(site, KeptReleaseFolder(release.date)) << "/ (updtool release --again "
            << stamp << " " << args.site << " " << args.name << " publishes it anew)\n"
            << "  URL paths (the name in GBK bytes, as the updater asks):\n"
            << "    " << platform::GbkToUtf8(VersionQueryTarget(args.gbkName)) << "   ("
            << ShownSiteFile(site, VersionPageFile(args.gbkName)) << ")\n"
            << "    " << kProbePage << "\n"
            << "    " << platform::GbkToUtf8(PackageTarget(args.gbkName)) << "\n";
}

std::optional<platform::DateTime> ReleaseDate(const ReleaseArguments& args) {
  if (args.date.empty()) return platform::Today();
  return platform::TryStrToDate(args.date);
}

int ReleaseFolder(const ReleaseArguments& args, platform::DateTime date) {
  std::error_code ec;
  const fs::path sourceArgument = platform::PathFromUtf8(args.source);
  const fs::path siteArgument = platform::PathFromUtf8(args.site);
  if (!fs::is_directory(sourceArgument, ec)) return Failure("release: " + args.source + " is not a folder");
  // The site inside the folder would be packed into the next release.
  const fs::path source = fs::weakly_canonical(sourceArgument);
  const fs::path site = fs::weakly_canonical(fs::absolute(siteArgument));
  if (std::mismatch(source.begin(), source.end(), site.begin(), site.end()).first == source.end())
    return Failure("release: the site " + args.site + " lies inside " + args.source);

  const ReleaseContents contents = GatherRelease(sourceArgument, args.gbkName);
  if (!contents.problems.empty()) {
    std::cerr << "updtool: release: the updater would not install " << args.source << " as it stands:\n";
    for (const std::string& problem : contents.problems) std::cerr << "  " << problem << "\n";
    return 1;
  }
  std::vector<std::string> problems = contents.ownFilesMet;
  for (std::string& problem : DateProblems(date, site, args.gbkName)) problems.push_back(std::move(problem));
  if (!JudgeProblems(problems, args.force)) return 1;
  const std::string secretKey = args.keyFile.empty() ? "" : ReadKey(args.keyFile, true);

  ZipWriter zip;
  std::int64_t contentBytes = 0;
  for (const ReleaseFile& file : contents.files) {
    const std::optional<std::string> data = ReadWhole(file.source);
    if (!data) throw Exception("cannot read " + platform::Utf8OfPath(file.source));
    contentBytes += static_cast<std::int64_t>(data->size());
    zip.Add(file.storedName, *data, DosTimeOf(file.source));
  }
  const Publication release = SignAndPublish(site, args.gbkName, date, zip.Finish(), secretKey);

  std::cout << "release " << args.name << " of " << platform::DateTimeToStr(date)
            << (release.signatureHex.empty() ? "" : ", signed") << "\n"
            << "  files:   " << contents.files.size() << " (" << contentBytes << " bytes)\n";
  PrintPublication(site, args, release);
  for (const ReleaseFile& file : contents.files) std::cout << "  + " << file.shownName << "\n";
  return 0;
}

// The kept release of `again`: its date given as the release gave it or as its folder is named.
int ReleaseAgain(const ReleaseArguments& args, platform::DateTime date) {
  std::optional<platform::DateTime> kept = DateOfReleaseStamp(args.again);
  if (!kept) kept = platform::TryStrToDate(args.again);
  if (!kept)
    return Failure("release --again: '" + args.again + "' is no release date (2026-12-8 14:30, or as its folder "
                   "is named, 2026-12-08_1430)");
  const fs::path site = platform::PathFromUtf8(args.site);
  const std::optional<std::string> package = ReadWhole(SiteFile(site, KeptPackageFile(*kept, args.gbkName)));
  const std::optional<std::string> page = ReadWhole(SiteFile(site, KeptVersionPageFile(*kept, args.gbkName)));
  if (!package || !page)
    return Failure("release --again: no release of " + args.name + " of " + platform::DateTimeToStr(*kept) +
                   " is kept in " + ShownSiteFile(site, KeptReleaseFolder(*kept)));

  std::vector<std::string> problems = DateProblems(date, site, args.gbkName);
  if (date <= *kept)
    problems.push_back("the new date " + platform::DateTimeToStr(date) + " is not later than the kept release's");
  if (!SignatureOfPage(*page).empty() && args.keyFile.empty())
    problems.push_back("the kept release was signed, and this one would not be: updaters with a key refuse it "
                       "(--sign KEYFILE signs it for its new date)");
  if (!JudgeProblems(problems, args.force)) return 1;
  const std::string secretKey = args.keyFile.empty() ? "" : ReadKey(args.keyFile, true);

  const Publication release = SignAndPublish(site, args.gbkName, date, *package, secretKey);
  std::cout << "release " << args.name << " of " << platform::DateTimeToStr(date)
            << (release.signatureHex.empty() ? "" : ", signed") << ": the files of the release of "
            << platform::DateTimeToStr(*kept) << " published anew\n";
  PrintPublication(site, args, release);
  return 0;
}

int Release(const Arguments& args) {
  int exitCode = 0;
  std::optional<ReleaseArguments> parsed = Parse(args, exitCode);
  if (!parsed) return exitCode;
  std::error_code ec;
  const fs::path siteArgument = platform::PathFromUtf8(parsed->site);
  if (fs::exists(siteArgument, ec) && !fs::is_directory(siteArgument, ec))
    return Failure("release: the site " + parsed->site + " is a file, not a folder");

  const std::optional<std::string> name = ToGbk(parsed->name);
  if (!name || !IsPublishableName(parsed->name))
    return Failure("release: '" + parsed->name + "' cannot be a package name (no blanks, slashes or ?&#%, GBK only)");
  // The updater names its package file after it, under the file name rule.
  if (const platform::NameFault fault = platform::JudgeFileName(*name); fault != platform::NameFault::kNone)
    return Failure("release: '" + parsed->name + "' cannot be a package name: " + platform::NameFaultText(fault));
  parsed->gbkName = *name;

  // The date as the updater reads it, and written so that it reads it back the same.
  const std::optional<platform::DateTime> date = ReleaseDate(*parsed);
  if (!date)
    return Failure("release: the date '" + parsed->date +
                   "' is not in the short date format yyyy-M-d, optionally followed by a time H:mm");
  return parsed->again.empty() ? ReleaseFolder(*parsed, *date) : ReleaseAgain(*parsed, *date);
}

const Command release(
    "release",
    "  release SRC_DIR NAME --site DIR [--date \"yyyy-M-d [H:mm]\"] [--sign KEYFILE] [--force]\n"
    "      publish the files of SRC_DIR as the release of package NAME under DIR:\n"
    "      DIR/update/NAME.zip, the version page DIR/update/getver/NAME.html (dated\n"
    "      today unless --date; a second release on one day takes a later time of\n"
    "      day) and DIR/update/test.html, with NAME in GBK bytes as the updater asks\n"
    "      for it; each release is kept in DIR/update/releases/yyyy-mm-dd_hhmm/.\n"
    "      --sign adds the signature of the package, its name and its date, made with\n"
    "      the secret key of updtool keygen.\n"
    "      Refused unless --force: a file of the updater's own (Update.ini, update.bat,\n"
    "      batchrun, update.exe.new, update.log, update.lock, NAME.zip), a date after\n"
    "      today or not later than the one published\n"
    "  release --again DATE DIR NAME [--date \"yyyy-M-d [H:mm]\"] [--sign KEYFILE] [--force]\n"
    "      publish the kept release of DATE (2026-12-8 14:30, or its folder's name\n"
    "      2026-12-08_1430) anew under a later date (today unless --date), signed anew\n"
    "      with --sign, so that every user gets its files back",
    Release);

}  // namespace
}  // namespace brimsel::updtool
