// Step 3: extract the package into the staging folder, copy every file it carries over the
// installation folder with one log line each, record the release date as LastUpdate and,
// when the package carried update.exe, start the script that replaces the running updater.

#include <string>
#include <vector>

#include "app/install_log.h"
#include "app/package_signature_gate.h"
#include "app/self_replacement.h"
#include "app/steps.h"
#include "app/update_log.h"
#include "app/wizard_window.h"
#include "archive/unzipper.h"
#include "platform/copy_file.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "update/extraction_plan.h"

namespace brimsel {
namespace {

inline constexpr char kFileUpdated[] = "\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xB3\xC9\xB9\xA6\xA3\xBA";  // 文件更新成功：
inline constexpr char kFileNotUpdated[] = "\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC\xA3\xBA";  // 文件更新失败：

// Loads, lists and extracts the package into the staging folder, in the component's order;
// `names` holds the install names as soon as they are known. Raises whatever the
// component raises for an unreadable, incomplete, damaged or oversized package.
void ExtractPackage(WizardWindow& window, std::vector<std::string>& names) {
  const WizardState& state = window.State();
  TUnzipper& unzipper = window.Unzipper1();
  PlanExtraction(unzipper, PackageLocation{state.stagingFolder, state.packagePath});
  unzipper.LoadDirectory();
  names = InstallNames(unzipper);
  // A file of the same name left by an earlier run would otherwise meet the extraction;
  // a name that reaches another file (the package, say, by its short alias) is left alone.
  DeleteStagedFiles(state.stagingFolder, names);
  LogExtractionTroubles(unzipper, window.State().log);
  unzipper.ExtractFiles();
}

struct Installation {
  int staged = 0;                // files the extraction left to install
  int notStaged = 0;             // entries the extraction skipped or discarded
  int copyFailures = 0;          // files that could not be copied, update.exe aside
  bool updaterCopyFailed = false;
};

// The log's account of a failed copy: the system's reason and, for the running updater's
// own file, that this is expected (the script replaces it), so that a reader can tell the
// one failure that every self-update has from a real one.
std::string CopyFailureLine(const std::string& source, const std::string& target, const std::string& name,
                            const platform::CopyResult& copy) {
  std::string line = "copy failed: " + source + " -> " + target + ": " + copy.reason;
  if (name == kUpdaterName && platform::IsRunningExecutable(target))
    line += "; expected: this is the running updater, which update.bat replaces once the wizard has ended";
  return line;
}

// Copies each staged file over the installation folder with its log line.
Installation InstallFiles(WizardWindow& window, const std::vector<std::string>& names) {
  WizardState& state = window.State();
  Installation done;
  for (const std::string& name : names) {
    const std::string source = StagedFile(state.stagingFolder, name);
    // Skipped by the extraction: no file, or only another one that the name reaches.
    if (!StagedUnderItsOwnName(state.stagingFolder, name) || !platform::FileExists(source)) {
      ++done.notStaged;
      continue;
    }
    ++done.staged;
    if (name == kUpdaterName) state.selfUpdate = true;
    // A name the system takes for another file's (a short alias) would overwrite that file.
    if (const std::string held = platform::NameHeldOtherwise(state.installationFolder + name); !held.empty()) {
      window.AppendLog(OneLine(kFileNotUpdated + name));
      state.log.Line("not installed: " + state.installationFolder + name + " is the file " + held +
                     " under another name");
      ++done.copyFailures;
      state.NoteFailure(UpdateFailure::kPackage);
      continue;
    }
    const std::string target = state.installationFolder + name;
    const platform::CopyResult copy = platform::CopyFileReporting(source, target, false);
    window.AppendLog(OneLine((copy.copied ? kFileUpdated : kFileNotUpdated) + name));
    state.log.Line(copy.copied ? "copied " + source + " -> " + target : CopyFailureLine(source, target, name, copy));
    if (copy.copied) continue;
    if (name == kUpdaterName) {
      done.updaterCopyFailed = true;  // judged once it is known whether the script was written
    } else {
      ++done.copyFailures;
      state.NoteFailure(UpdateFailure::kFilesInUse);
    }
  }
  return done;
}

// The running update.exe cannot be replaced; the script does it once the updater has
// ended. True when the new updater and its script are ready.
bool ReadySelfReplacement(WizardState& state) {
  try {
    PrepareSelfReplacement(state.installationFolder);
    return true;
  } catch (const std::exception& error) {
    // The old updater keeps working.
    state.log.Line(std::string("update.exe cannot be replaced: ") + error.what());
    return false;
  }
}

void StartReplacementScript(WizardState& state) {
  const std::string script = state.installationFolder + kSelfReplaceScriptName;
  // A script that does not start now is started by the next run of update.exe.
  state.log.Line(StartSelfReplacement(state.installationFolder)
                     ? "started " + script + " to replace update.exe once the wizard has ended"
                     : "could not start " + script + "; the next start of update.exe will");
}

// What a failed installation staged must not fill the volume: the staged files go (the
// staged update.exe stays when its script will copy it).
void DiscardStagedFiles(const WizardState& state, const std::vector<std::string>& names, bool keepUpdater) {
  DeleteStagedFiles(state.stagingFolder, names, keepUpdater ? kUpdaterName : "");
}

// A package that arrived whole and was refused (its signature, its damage) can never be
// installed: it goes, and `failure` is why. One that the download cut short stays for the
// next run to resume, and the failure is the download's.
void SetPackageAside(WizardState& state, UpdateFailure failure) {
  if (!state.packageComplete) {
    state.log.Line("the download did not bring the whole package: it is kept in the staging folder");
    state.NoteFailure(UpdateFailure::kDownload);
    return;
  }
  DeleteStagedFile(state.packagePath);
  state.log.Line("the refused package " + state.packagePath +
                 (platform::FileExists(state.packagePath) ? " cannot be deleted" : " is deleted"));
  state.NoteFailure(failure);
}

// True when the download ended before any byte of the package came: there is nothing to
// check or extract, and its failure is already in the log.
bool NothingDownloaded(const WizardState& state) {
  return !state.packageComplete && platform::FileSizeOf(state.packagePath).value_or(0) == 0;
}

}  // namespace

void RunInstallStep(WizardWindow& window) {
  WizardState& state = window.State();
  window.ClearLog();
  if (!platform::FileExists(state.packagePath)) {
    state.log.Line("no package file " + state.packagePath + ": nothing installed, LastUpdate not written");
    state.NoteFailure(UpdateFailure::kDownload);
    window.SetNextEnabled(true);
    return;
  }
  if (NothingDownloaded(state)) {
    state.log.Line("the download brought no byte of the package: nothing installed, LastUpdate not written");
    state.NoteFailure(UpdateFailure::kDownload);
    window.SetNextEnabled(true);
    return;
  }
  if (!PackageSignatureAccepted(state)) {
    SetPackageAside(state, UpdateFailure::kSignature);
    window.SetNextEnabled(true);
    return;
  }
  std::vector<std::string> names;
  try {
    ExtractPackage(window, names);
  } catch (const std::exception& error) {
    // A package that cannot be read or extracted whole installs nothing at all.
    state.log.Line("the package cannot be extracted: " + ExtractionErrorText(error) +
                   "; nothing installed, LastUpdate not written");
    DiscardStagedFiles(state, names, false);
    SetPackageAside(state, UpdateFailure::kPackage);
    window.SetNextEnabled(true);
    return;
  } catch (...) {
    DiscardStagedFiles(state, names, false);
    SetPackageAside(state, UpdateFailure::kPackage);
    window.SetNextEnabled(true);
    return;
  }
  const Installation done = InstallFiles(window, names);
  // update.exe copied over directly was not running; the running one is replaced by the
  // script, and counts as installed once its replacement is ready.
  const bool replacement = done.updaterCopyFailed && ReadySelfReplacement(state);
  const bool updaterMissing = done.updaterCopyFailed && !replacement;
  if (updaterMissing) state.NoteFailure(UpdateFailure::kFilesInUse);
  // Only an update whose every file is in place, after a download that did not fail, is
  // recorded, or the next check would say the newest version is installed and the missing
  // files would never come. An empty package is no update.
  const bool whole = done.staged > 0 && done.notStaged == 0 && done.copyFailures == 0 && !updaterMissing;
  if (whole && state.failure == UpdateFailure::kNone) {
    try {
      // A failure to record it is an error the window reports.
      LogLastUpdateWrite(state, [&] { WriteLastUpdate(state.settingsPath, state.releaseDate); });
    } catch (...) {
      if (replacement) AbandonSelfReplacement(state.installationFolder);
      throw;
    }
  } else {
    state.log.Line(done.staged == 0 ? "the package brought no file: LastUpdate not written"
                   : done.notStaged > 0 || done.copyFailures > 0 || updaterMissing
                       ? "not every file was installed: LastUpdate not written, staged files deleted"
                       : "the download was not complete: LastUpdate not written, staged files deleted");
    DiscardStagedFiles(state, names, replacement);
    // Entries that could not be staged make the package a damaged one.
    if (done.staged == 0 || done.notStaged > 0) SetPackageAside(state, UpdateFailure::kPackage);
  }
  if (replacement) StartReplacementScript(state);
  window.SetNextEnabled(true);
}

}  // namespace brimsel
