// updtool check URL NAME [--last-update "yyyy-M-d [H:mm]"] [--public-key KEY] [--timeout SECONDS]:
// a published release tried the way an installed updater tries it, with the updater's own
// code: the version page and its marker, the probe, the package download, the directory
// and a test extraction with every CRC checked. Exit code 0 only when an updater whose
// LastUpdate is the given date would install the release completely.
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

void Step(const std::string& name, const std::string& found) { std::cout << name << ": " << found << std::endl; }
bool Fail(const std::string& reason) {
  std::cout << "FAILED: " << reason << std::endl;
  return false;
}

// The version page, judged as the updater judges it, and its signature when one is asked for.
bool CheckVersionPage(const CheckArguments& args, platform::DateTime& releaseDate, std::string& signature) {
  const platform::DateTime last = *platform::TryStrToDate(args.lastUpdate);
  SilentNotes notes;  // the updater's log lines; the check words its own account
  const VersionCheck check = CheckPublishedVersion(args.siteUrl, args.packageName, last, nullptr, notes);
  if (!check.fetched.empty()) Step("version page", check.url + ": " + check.fetched);
  switch (check.verdict) {
    case VersionVerdict::kFailed:
    case VersionVerdict::kCancelled: return Fail(check.error);
    case VersionVerdict::kNoMarker: return Fail("the version page has no marker <!--dateyyyy-M-dMain -->");
    case VersionVerdict::kNotADate:
      return Fail("the marker's date '" + check.dateText + "' is not in the short date format yyyy-M-d");
    case VersionVerdict::kNotLater:
    case VersionVerdict::kNewer: break;
  }
  Step("release date", platform::DateTimeToStr(*check.release));
  if (check.verdict == VersionVerdict::kNotLater) {
    return Fail("the release of " + platform::DateTimeToStr(*check.release) + " is not later than LastUpdate " +
                platform::DateTimeToStr(last) + ": the updater reports the newest version as installed");
  }
  releaseDate = *check.release;
  signature = check.signature;
  if (!args.publicKey.empty()) {
    if (signature.empty()) return Fail("the version page carries no signature marker");
    Step("signature", "present on the version page");
  }
  return true;
}

bool CheckProbe(const CheckArguments& args) {
  const ProbeResult probe = ProbeServer(args.siteUrl, nullptr);
  Step("probe", probe.url + ": " + probe.fetched + ", " + std::to_string(probe.elapsedMs) + " ms");
  if (!probe.passed)
    return Fail("the probe page does not hold \"测试成功\" in GBK: the server would be marked 连接失败");
  return true;
}

bool CheckDownload(const CheckArguments& args, const std::string& packagePath) {
  const std::string url = PackageUrl(args.siteUrl, args.packageName);
  platform::TClientSocket socket;
  socket.SetClientType(platform::ctBlocking);
  SilentDownloadView view;
  DownloadLimits limits;
  limits.headerWaitMs = kServerWaitMs;
  const DownloadReport report = DownloadPackageReporting(socket, view, url, packagePath, limits);
  Step("download", url + ": " + DescribeDownload(report));
  if (report.outcome != DownloadOutcome::Complete) return Fail("the package download did not complete");
  if (report.rangeLength != report.totalLength) {
    return Fail("HEAD's Content-Length " + std::to_string(report.totalLength) + " and the GET reply's " +
                std::to_string(report.rangeLength) + " disagree");
  }
  return true;
}

// Loads the directory and extracts every entry by the installation's own plan, with the
// component's CRC checks; every entry must arrive, under names that stay apart.
bool CheckPackage(const PackageLocation& location) {
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
    Step("directory", std::to_string(unzipper.EntryCount()) + " entries, " + std::to_string(names.size()) + " files" +
                          (unzipper.Repaired() ? " (rebuilt from damaged records)" : ""));
    if (names.empty()) return Fail("the package holds no file: nothing would be installed");
    const int extracted = unzipper.ExtractFiles();
    Step("test extraction", std::to_string(extracted) + " entries extracted, CRCs checked");
  } catch (const Exception& error) {
    return Fail("the package cannot be read: " + platform::GbkToUtf8(error.Message()));
  }
  for (const std::string& problem : problems) Fail(problem);
  return problems.empty();
}

bool RunChecks(const CheckArguments& args, const ScratchFolder& scratch) {
  platform::DateTime releaseDate;
  std::string signature;
  if (!CheckVersionPage(args, releaseDate, signature) || !CheckProbe(args)) return false;
  // The package where an updater installed in the scratch folder keeps it.
  const PackageLocation location = LocatePackage(platform::WindowsPath(scratch.Path()) + "\\", args.packageName);
  const std::string& packagePath = location.packagePath;
  platform::ForceDirectories(location.stagingFolder);
  if (!CheckDownload(args, packagePath) || !CheckPackage(location)) return false;
  if (!args.publicKey.empty()) {
    const auto verdict =
        signature::VerifyPackageFile(args.publicKey, args.packageName, releaseDate, packagePath, signature);
    const std::string date = platform::DateTimeToStr(releaseDate);
    if (verdict != signature::Verdict::Valid) {
      Step("signature", std::string(signature::VerdictText(verdict)) + " (the page's release " + date + ")");
      return Fail("the updater built with this key would refuse the package: it was not signed for this package, "
                  "name and the release date " + date);
    }
    Step("signature", std::string(signature::VerdictText(verdict)) + ", signed for the release of " + date);
  }
  return true;
}

std::optional<CheckArguments> Parse(const Arguments& args, int& exitCode) {
  CheckArguments parsed;
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

  // The checks run on a thread of their own, so that a server that trickles or stalls
  // cannot hold the tool beyond its time limit.
  std::mutex mutex;
  std::condition_variable finished;
  std::optional<bool> passed;
  std::thread worker([&] {
    bool result = false;
    try {
      result = RunChecks(*parsed, scratch);
    } catch (const std::exception& error) {
      result = Fail(error.what());
    }
    std::lock_guard lock(mutex);
    passed = result;
    finished.notify_one();
  });
  std::unique_lock lock(mutex);
  if (!finished.wait_for(lock, std::chrono::seconds(parsed->timeoutSeconds), [&] { return passed.has_value(); })) {
    std::cout << "FAILED: no result within " << parsed->timeoutSeconds << " s: the server is too slow or stalls"
              << std::endl;
    scratch.Remove();
    std::_Exit(1);  // the stalled worker cannot be stopped from outside
  }
  lock.unlock();
  worker.join();
  std::cout << (*passed ? "OK: an updater whose LastUpdate is " + parsed->lastUpdate + " installs this release\n"
                        : "the release would not be installed\n");
  return *passed ? 0 : 1;
}

const Command check("check",
                    "  check URL NAME [--last-update \"yyyy-M-d [H:mm]\"] [--public-key KEY] [--timeout SECONDS]\n"
                    "      try the release of package NAME published at URL (scheme and host) as an\n"
                    "      installed updater would: version page, probe, download, directory and a test\n"
                    "      extraction; --public-key (a file of updtool keygen, or the key) also verifies\n"
                    "      the signature and says for which release date it was made. Exit code 0 only\n"
                    "      when the release would be installed whole",
                    Check);

}  // namespace
}  // namespace brimsel::updtool
