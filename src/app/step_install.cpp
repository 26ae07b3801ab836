// Step 3: extract the package into the staging folder, copy every file it carries over the
// installation folder with one log line each, record the date of the update and, when the
// package carried update.exe, start the script that replaces the running updater.

#include <cstdint>
#include <string>
#include <vector>

#include "app/install_log.h"
#include "app/package_signature_gate.h"
#include "app/self_replacement.h"
#include "app/steps.h"
#include "app/update_log.h"
#include "app/wizard_window.h"
#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "platform/copy_file.h"
#include "platform/files.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

inline constexpr char kFileUpdated[] = "\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xB3\xC9\xB9\xA6\xA3\xBA";  // 文件更新成功：
inline constexpr char kFileNotUpdated[] = "\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC\xA3\xBA";  // 文件更新失败：

// The names the package's files are installed under, one per listing line, in listing
// order: each entry's own file name with ASCII letters lowered. The name is not cut from
// the listing line, whose marks ("#" encrypted, "@" commented) would become part of it,
// and the lowering leaves double-byte characters whole, whose second byte may be a capital
// letter. Folder entries have no file name and install nothing: they are left out.
std::vector<std::string> InstallNames(const TUnzipper& unzipper, const std::vector<std::string>& listing) {
  std::vector<std::string> names;
  for (int index = 0; index < static_cast<int>(listing.size()); ++index) {
    std::string name = platform::LowerAsciiOfSingleByteChars(unzipper.EntryFileName(index));
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::string StagedFile(const WizardState& state, const std::string& name) {
  return state.stagingFolder + "\\" + name;
}

// A staged file goes even when the entry made it read-only.
void DeleteStagedFile(const std::string& path) {
  if (!platform::FileExists(path)) return;
  const std::uint32_t attributes = platform::GetFileAttributes(path);
  if (attributes & platform::kAttributeReadOnly)
    platform::SetFileAttributes(path, attributes & ~platform::kAttributeReadOnly);
  platform::DeleteFile(path);
}

// Loads, lists and extracts the package into the staging folder, in the component's order;
// `names` holds the install names as soon as they are known. Raises whatever the
// component raises for an unreadable, incomplete, damaged or oversized package.
void ExtractPackage(WizardWindow& window, std::vector<std::string>& names) {
  const WizardState& state = window.State();
  TUnzipper& unzipper = window.Unzipper1();
  unzipper.SetDestDir(state.stagingFolder);
  unzipper.SetZipName(state.packagePath);
  unzipper.LoadDirectory();
  std::vector<std::string> listing;
  unzipper.ListEntries(listing);
  names = InstallNames(unzipper, listing);
  // A file of the same name left by an earlier run would otherwise meet the extraction.
  for (const std::string& name : names) DeleteStagedFile(StagedFile(state, name));
  unzipper.DoAll = true;
  LogExtractionTroubles(unzipper, window.State().log);
  unzipper.ExtractFiles();
}

struct Installation {
  int staged = 0;                // files the extraction left to install
  int notInstalled = 0;          // entries skipped by the extraction, and failed copies
  bool updaterCopyFailed = false;
};

// Copies each staged file over the installation folder with its log line.
Installation InstallFiles(WizardWindow& window, const std::vector<std::string>& names) {
  WizardState& state = window.State();
  Installation done;
  for (const std::string& name : names) {
    const std::string source = StagedFile(state, name);
    if (!platform::IsPlainFileName(name) || !platform::FileExists(source)) {  // skipped by the extraction
      ++done.notInstalled;
      continue;
    }
    ++done.staged;
    if (name == kUpdaterName) state.selfUpdate = true;
    const bool copied = platform::CopyFileA(source, state.installationFolder + name, false);
    window.AppendLog(OneLine((copied ? kFileUpdated : kFileNotUpdated) + name));
    state.log.Line((copied ? "copied " : "copy failed: ") + source + " -> " + state.installationFolder + name);
    if (copied) continue;
    if (name == kUpdaterName) {
      done.updaterCopyFailed = true;  // judged once it is known whether the script was written
    } else {
      ++done.notInstalled;
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

// What a failed installation leaves must not fill the volume: the staged files go (the
// staged update.exe stays when its script will copy it), and the package stays only when
// it arrived whole.
void DiscardStagedFiles(const WizardState& state, const std::vector<std::string>& names, bool keepUpdater) {
  for (const std::string& name : names) {
    if (!(keepUpdater && name == kUpdaterName) && platform::IsPlainFileName(name))
      DeleteStagedFile(StagedFile(state, name));
  }
  if (!state.packageComplete) DeleteStagedFile(state.packagePath);
}

}  // namespace

void RunInstallStep(WizardWindow& window) {
  WizardState& state = window.State();
  window.ClearLog();
  if (!platform::FileExists(state.packagePath)) {
    state.log.Line("no package file " + state.packagePath + ": nothing installed, LastUpdate not written");
    window.SetNextEnabled(true);
    return;
  }
  if (!PackageSignatureAccepted(state)) {
    window.SetNextEnabled(true);
    return;
  }
  std::vector<std::string> names;
  try {
    ExtractPackage(window, names);
  } catch (const std::exception& error) {
    // A package that cannot be read or extracted whole installs nothing at all.
    state.log.Line(std::string("the package cannot be extracted: ") + error.what() +
                   "; nothing installed, LastUpdate not written");
    DiscardStagedFiles(state, names, false);
    window.SetNextEnabled(true);
    return;
  } catch (...) {
    DiscardStagedFiles(state, names, false);
    window.SetNextEnabled(true);
    return;
  }
  const Installation done = InstallFiles(window, names);
  // update.exe copied over directly was not running; the running one is replaced by the script.
  const bool replacement = done.updaterCopyFailed && ReadySelfReplacement(state);
  // Only an update whose every file is in place is recorded, or the next check would say
  // the newest version is installed and the missing files would never come. update.exe
  // counts once its replacement is ready. An empty or failed download is no installed update.
  const bool updaterInstalled = !done.updaterCopyFailed || replacement;
  if (done.staged > 0 && done.notInstalled == 0 && updaterInstalled) {
    try {
      // A failure to record it is an error the window reports.
      LogLastUpdateWrite(state, [&] { WriteLastUpdate(state.settingsPath); });
    } catch (...) {
      if (replacement) AbandonSelfReplacement(state.installationFolder);
      throw;
    }
  } else {
    state.log.Line(done.staged == 0 ? "the package brought no file: LastUpdate not written"
                                    : "not every file was installed: LastUpdate not written, staged files deleted");
    DiscardStagedFiles(state, names, replacement);
  }
  if (replacement) StartReplacementScript(state);
  window.SetNextEnabled(true);
}

}  // namespace brimsel
