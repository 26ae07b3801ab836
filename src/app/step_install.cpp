// Step 3: extract the package into the staging folder, copy every file it carries over the
// installation folder with one log line each, record the date of the update and, when the
// package carried update.exe, start the script that replaces the running updater.

#include <string>
#include <vector>

#include "app/install_log.h"
#include "app/package_signature_gate.h"
#include "app/self_replace_script.h"
#include "app/steps.h"
#include "app/wizard_window.h"
#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "platform/copy_file.h"
#include "platform/files.h"
#include "platform/shell_execute.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

inline constexpr char kFileUpdated[] = "\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xB3\xC9\xB9\xA6\xA3\xBA";  // 文件更新成功：
inline constexpr char kFileNotUpdated[] = "\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC\xA3\xBA";  // 文件更新失败：
inline constexpr char kUpdaterName[] = "update.exe";

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

// Loads, lists and extracts the package into the staging folder, in the component's order.
// Raises whatever the component raises for an unreadable, incomplete or damaged package.
std::vector<std::string> ExtractPackage(WizardWindow& window) {
  const WizardState& state = window.State();
  TUnzipper& unzipper = window.Unzipper1();
  unzipper.SetDestDir(state.stagingFolder);
  unzipper.SetZipName(state.packagePath);
  unzipper.LoadDirectory();
  std::vector<std::string> listing;
  unzipper.ListEntries(listing);
  std::vector<std::string> names = InstallNames(unzipper, listing);
  // A file of the same name left by an earlier run would otherwise meet the extraction.
  for (const std::string& name : names) {
    const std::string staged = state.stagingFolder + "\\" + name;
    if (platform::FileExists(staged)) platform::DeleteFile(staged);
  }
  unzipper.DoAll = true;
  LogExtractionTroubles(unzipper, window.State().log);
  unzipper.ExtractFiles();
  return names;
}

// Copies each staged file over the installation folder with its log line; the number of
// files that were there to install.
int InstallFiles(WizardWindow& window, const std::vector<std::string>& names) {
  WizardState& state = window.State();
  int staged = 0;
  for (const std::string& name : names) {
    const std::string source = state.stagingFolder + "\\" + name;
    if (!platform::FileExists(source)) continue;  // skipped by the extraction
    ++staged;
    if (name == kUpdaterName) state.selfUpdate = true;
    const bool copied = platform::CopyFileA(source, state.installationFolder + name, false);
    window.AppendLog((copied ? kFileUpdated : kFileNotUpdated) + name);
    state.log.Line((copied ? "copied " : "copy failed: ") + source + " -> " + state.installationFolder + name);
  }
  return staged;
}

// The running update.exe cannot be replaced; the script does it once the updater has ended.
void StartSelfReplacement(WizardWindow& window) {
  try {
    const std::string script = WriteSelfReplaceScript(window.State().installationFolder);
    platform::ShellExecuteA(window.Handle(), "OPEN", script, "", "", platform::SW_HIDE);
    window.State().log.Line("started " + script + " to replace update.exe once the wizard has ended");
  } catch (...) {
    // Not being able to replace the updater leaves the old one working: nothing to report.
  }
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
    names = ExtractPackage(window);
  } catch (const std::exception& error) {
    // A package that cannot be read whole installs nothing at all.
    state.log.Line(std::string("the package cannot be extracted: ") + error.what() +
                   "; nothing installed, LastUpdate not written");
    window.SetNextEnabled(true);
    return;
  } catch (...) {
    window.SetNextEnabled(true);
    return;
  }
  // Only an update that brought files is recorded: an empty or failed download is not an
  // installed update. A failure to record it is an error the window reports.
  if (InstallFiles(window, names) > 0) {
    LogLastUpdateWrite(state, [&] { WriteLastUpdate(state.settingsPath); });
  } else {
    state.log.Line("the package brought no file: LastUpdate not written");
  }
  if (state.selfUpdate) StartSelfReplacement(window);
  window.SetNextEnabled(true);
}

}  // namespace brimsel
