// updtool check URL NAME [--last-update "yyyy-M-d [H:mm]"] [--public-key KEY] [--timeout SECONDS] [--json]:
// a published release tried the way an installed updater tries it, with the updater's own
// code: the version page and its marker, the probe, the package download, the directory
// and a test extraction with every CRC checked, and the files it would install. Exit code
// 0 only when an updater whose LastUpdate is the given date would install the release
// completely.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "archive/unzipper.h"
#include "net/download_package.h"
#include "net/silent_download_view.h"
#include "net/update_site.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "signature/package_signature.h"
#include "update/extraction_plan.h"
#include "update/server_probe.h"
#include "update/version_check.h"
#include "updtool/check_report.h"
#include "updtool/command.h"
#include "updtool/gbk_text.h"
#include "updtool/key_files.h"

namespace brimsel::updtool {
namespace {
namespace fs = std::filesystem;

constexpr int kDefaultTimeoutSeconds = 300;
constexpr int kServerWaitMs = 15000;  // for each header byte

struct CheckArguments {
  std::string siteUrl;      // scheme and host, no trailing slash
  std::string packageName;  // GBK
  std::string shownName;    // as given
  std::string lastUpdate = "2005-1-1";
  std::string publicKey;
  int timeoutSeconds = kDefaultTimeoutSeconds;
  bool json = false;
};

// A folder of its own below the system's temporary folder, removed when done.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("updtool-check-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~ScratchFolder() { Remove(); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }
  void Remove() const {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }

 private:
  fs::path path_;
};

// A URL as a terminal shows it: the package name in it is GBK.
std::string Shown(const std::string& url) { return platform::GbkToUtf8(url); }

// Which signature the page carries, told without a key to check it against; false when the
// marker is there but unreadable, which every updater with a key refuses.
bool TellUncheckedSignature(const VersionCheck& check, CheckReport& report) {
  if (check.signatureMarked && check.signature.size() != signature::kSignatureHexDigits)
    return report.Fail("the version page opens a signature marker that does not parse (<!--sign, " +
                       std::to_string(signature::kSignatureHexDigits) +
                       " hex digits, Sign -->): an updater with a key refuses this release");
  report.Step("signature", check.signature.empty() ? "none on the version page; not checked (no --public-key)"
                                                   : "on the version page; not checked (no --public-key)");
  return true;
}

// The version page, judged as the updater judges it, and its signature when one is asked for.
bool CheckVersionPage(const CheckArguments& args, CheckReport& report, platform::DateTime& releaseDate,
                      std::string& signature) {
  const platform::DateTime last = *platform::TryStrToDate(args.lastUpdate);
  SilentNotes notes;  // the updater's log lines; the check words its own account
  const VersionCheck check = CheckPublishedVersion(args.siteUrl, args.packageName, last, nullptr, notes);
  const std::string request = "the version request " + Shown(check.url);
  if (!check.fetched.empty()) report.Step("version page", Shown(check.url) + ": " + check.fetched);
  switch (check.verdict) {
    case VersionVerdict::kFailed:
    case VersionVerdict::kCancelled: return report.Fail(request + " failed: " + check.error);
    case VersionVerdict::kNoMarker:
      if (check.status == 0) return report.Fail(request + " got " + check.fetched);
      if (check.status < 200 || check.status > 299)
        return report.Fail(request + " was answered with status " + std::to_string(check.status) +
                           ": the site has no version page of " + args.shownName + " (" +
                           platform::GbkToUtf8(VersionPageFile(args.packageName)) + " below its folder)");
      return report.Fail("the version page has no marker <!--dateyyyy-M-dMain -->");
    case VersionVerdict::kNotADate:
      return report.Fail("the marker's date '" + check.dateText + "' is not in the short date format yyyy-M-d");
    case VersionVerdict::kNotLater:
    case VersionVerdict::kNewer: break;
  }
  report.Step("release date", platform::DateTimeToStr(*check.release));
  if (check.verdict == VersionVerdict::kNotLater) {
    return report.Fail("the release of " + platform::DateTimeToStr(*check.release) + " is not later than LastUpdate " +
                       platform::DateTimeToStr(last) + ": the updater reports the newest version as installed");
  }
  releaseDate = *check.release;
  signature = check.signature;
  if (args.publicKey.empty()) return TellUncheckedSignature(check, report);
  if (signature.empty())
    return report.Fail(check.signatureMarked ? "the version page's signature marker does not parse"
                                             : "the version page carries no signature marker");
  report.Step("signature", "present on the version page");
  return true;
}

bool CheckProbe(const CheckArguments& args, CheckReport& report) {
  const ProbeResult probe = ProbeServer(args.siteUrl, nullptr);
  report.Step("probe", probe.url + ": " + probe.fetched + ", " + std::to_string(probe.elapsedMs) + " ms");
  if (!probe.passed)
    return report.Fail("the probe page does not hold \"测试成功\" in GBK (" + probe.url + ": " + probe.fetched +
                       "): the server would be marked 连接失败");
  return true;
}

bool CheckDownload(const CheckArguments& args, CheckReport& report, const std::string& packagePath) {
  const std::string url = PackageUrl(args.siteUrl, args.packageName);
  platform::TClientSocket socket;
  socket.SetClientType(platform::ctBlocking);
  SilentDownloadView view;
  DownloadLimits limits;
  limits.headerWaitMs = kServerWaitMs;
  const DownloadReport download = DownloadPackageReporting(socket, view, url, packagePath, limits);
  report.Step("download", Shown(url) + ": " + DescribeDownload(download));
  if (download.outcome != DownloadOutcome::Complete)
    return report.Fail("the package request " + Shown(url) + " did not complete: " + DescribeDownload(download));
  if (download.rangeLength != download.totalLength) {
    return report.Fail("HEAD's Content-Length " + std::to_string(download.totalLength) + " and the GET reply's " +
                       std::to_string(download.rangeLength) + " disagree");
  }
  return true;
}

// Loads the directory and extracts every entry by the installation's own plan, with the
// component's CRC checks; every entry must arrive, under names that stay apart.
bool CheckPackage(const PackageLocation& location, CheckReport& report) {
  TUnzipper unzipper;
  PlanExtraction(unzipper, location);
  unzipper.DoProcessMessages = false;  // no window to keep answering
  std::vector<std::string> problems;
  unzipper.OnBadCRC = [&](TUnzipper& z, std::uint32_t, std::uint32_t, int index) {
    problems.push_back(platform::GbkToUtf8(z.EntryFileName(index)) + ": CRC-32 does not match");
  };
  unzipper.OnSkippingFile = [&](TUnzipper&, TSkipReason, const std::string& name, int, bool&) {
    problems.push_back(platform::GbkToUtf8(name) + ": skipped by the extraction");
  };
  try {
    unzipper.LoadDirectory();
    const std::vector<std::string> names = InstallNames(unzipper);
    std::set<std::string> installed;
    for (const std::string& name : names) {
      if (!installed.insert(name).second) problems.push_back(platform::GbkToUtf8(name) + ": two entries of this name");
    }
    report.Step("directory", std::to_string(unzipper.EntryCount()) + " entries, " + std::to_string(names.size()) +
                                 " files" + (unzipper.Repaired() ? " (rebuilt from damaged records)" : ""));
    for (const std::string& name : names) report.InstalledFile(platform::GbkToUtf8(name));
    if (names.empty()) return report.Fail("the package holds no file: nothing would be installed");
    const int extracted = unzipper.ExtractFiles();
    report.Step("test extraction", std::to_string(extracted) + " entries extracted, CRCs checked");
  } catch (const Exception& error) {
    return report.Fail("the package cannot be read: " + platform::GbkToUtf8(error.Message()));
  }
  for (const std::string& problem : problems) report.Fail(problem);
  return problems.empty();
}

bool RunChecks(const CheckArguments& args, const ScratchFolder& scratch, CheckReport& report) {
  platform::DateTime releaseDate;
  std::string signature;
  if (!CheckVersionPage(args, report, releaseDate, signature) || !CheckProbe(args, report)) return false;
  // The package where an updater installed in the scratch folder keeps it.
  const PackageLocation location = LocatePackage(platform::WindowsPath(scratch.Path()) + "\\", args.packageName);
  const std::string& packagePath = location.packagePath;
  platform::ForceDirectories(location.stagingFolder);
  if (!CheckDownload(args, report, packagePath) || !CheckPackage(location, report)) return false;
  if (!args.publicKey.empty()) {
    const auto verdict =
        signature::VerifyPackageFile(args.publicKey, args.packageName, releaseDate, packagePath, signature);
    const std::string date = platform::DateTimeToStr(releaseDate);
    if (verdict != signature::Verdict::Valid) {
      report.Step("signature", std::string(signature::VerdictText(verdict)) + " (the page's release " + date + ")");
      return report.Fail(
          "the updater built with this key would refuse the package: it was not signed for this package, name and "
          "the release date " + date +
          (verdict == signature::Verdict::Mismatch
               ? ". Whether it was made by another key or over other bytes (another package, name or date) the "
                 "signature cannot tell: check the key the updater was built with, then the date the release was "
                 "signed for"
               : ""));
    }
    report.Step("signature", std::string(signature::VerdictText(verdict)) + ", signed for the release of " + date);
  }
  return true;
}

std::optional<CheckArguments> Parse(Arguments args, int& exitCode) {
  CheckArguments parsed;
  parsed.json = TakeFlag(args, "--json");
  std::string publicKey;
  std::string timeout;
  const std::optional<std::vector<std::string>> taken = TakeOptions(
      args, {{"--last-update", &parsed.lastUpdate}, {"--public-key", &publicKey}, {"--timeout", &timeout}}, "check",
      exitCode);
  if (!taken) return std::nullopt;
  const std::vector<std::string>& words = *taken;
  if (words.size() != 2) {
    exitCode = UsageError("check takes URL NAME");
    return std::nullopt;
  }
  parsed.siteUrl = words[0];
  while (parsed.siteUrl.ends_with('/')) parsed.siteUrl.pop_back();
  parsed.shownName = words[1];
  const std::optional<std::string> name = ToGbk(words[1]);
  if (!name || name->empty()) {
    exitCode = UsageError("check: '" + words[1] + "' cannot be a package name");
    return std::nullopt;
  }
  parsed.packageName = *name;
  if (!platform::TryStrToDate(parsed.lastUpdate)) {
    exitCode = UsageError(
        "check: --last-update '" + parsed.lastUpdate + "' is not a date like 2005-1-1 or 2005-1-1 9:30");
    return std::nullopt;
  }
  if (!timeout.empty()) {
    parsed.timeoutSeconds = std::atoi(timeout.c_str());
    if (parsed.timeoutSeconds <= 0) {
      exitCode = UsageError("check: --timeout takes a number of seconds");
      return std::nullopt;
    }
  }
  if (!publicKey.empty()) parsed.publicKey = ReadKey(publicKey, false);
  return parsed;
}

int Check(const Arguments& args) {
  int exitCode = 0;
  const std::optional<CheckArguments> parsed = Parse(args, exitCode);
  if (!parsed) return exitCode;
  ScratchFolder scratch;
  CheckReport report(parsed->json, parsed->siteUrl, parsed->shownName);

  // The checks run on a thread of their own, so that a server that trickles or stalls
  // cannot hold the tool beyond its time limit.
  std::mutex mutex;
  std::condition_variable finished;
  std::optional<bool> passed;
  std::thread worker([&] {
    bool result = false;
    try {
      result = RunChecks(*parsed, scratch, report);
    } catch (const std::exception& error) {
      result = report.Fail(error.what());
    }
    std::lock_guard lock(mutex);
    passed = result;
    finished.notify_one();
  });
  std::unique_lock lock(mutex);
  if (!finished.wait_for(lock, std::chrono::seconds(parsed->timeoutSeconds), [&] { return passed.has_value(); })) {
    report.Fail("no result within " + std::to_string(parsed->timeoutSeconds) + " s: the server is too slow or stalls");
    report.Finish(false, parsed->lastUpdate);
    scratch.Remove();
    std::_Exit(1);  // the stalled worker cannot be stopped from outside
  }
  lock.unlock();
  worker.join();
  report.Finish(*passed, parsed->lastUpdate);
  return *passed ? 0 : 1;
}

const Command check("check",
                    "  check URL NAME [--last-update \"yyyy-M-d [H:mm]\"] [--public-key KEY] [--timeout SECONDS]\n"
                    "        [--json]\n"
                    "      try the release of package NAME published at URL (scheme and host) as an\n"
                    "      installed updater would: version page, probe, download, directory and a test\n"
                    "      extraction, naming the request and the status or error that failed, and\n"
                    "      listing the files it would install as the updater writes them; --public-key\n"
                    "      (a file of updtool keygen, or the key) also verifies the signature and says\n"
                    "      for which release date it was made (without it the signature is not\n"
                    "      checked, but one that does not parse fails). --json prints one JSON object\n"
                    "      for scripts: site, package, lastUpdate, passed, steps, failures, files.\n"
                    "      Exit code 0 only when the release would be installed whole",
                    Check);

}  // namespace
}  // namespace brimsel::updtool
