#include "app/installation_lock.h"

#include <cstdio>
#include <exception>

#include "app/error_box.h"
#include "app/update_log.h"
#include "app/window_texts.h"
#include "app/wizard_window.h"
#include "platform/codepage.h"

namespace brimsel {

std::optional<platform::FolderLock> TakeInstallationFolder(const std::string& installationFolder) {
  const std::string stagingFolder = StagingFolderOf(installationFolder);
  platform::FolderLock lock(installationFolder, stagingFolder);
  if (lock.outcome() != platform::FolderLock::Outcome::kHeldElsewhere) return lock;
  UpdateLog log;  // the other run writes the log: this one only adds its own line
  log.StartAppending(stagingFolder, "update.exe started in " + installationFolder +
                                        ", where another updater is working: ended without doing anything");
  ShowErrorText(0, texts::kAnotherUpdaterRuns);
  return std::nullopt;
}

std::optional<WizardStart> StartInInstallationFolder() {
  std::optional<WizardOptions> options;
  try {
    options.emplace();
  } catch (const std::exception& error) {
    // A folder the updater cannot name would have it read and write another one.
    std::fprintf(stderr, "update.exe: %s\n", platform::FileNameToUtf8(error.what()).c_str());
    ShowErrorBox(0, error.what());
    return std::nullopt;
  }
  std::optional<platform::FolderLock> lock = TakeInstallationFolder(options->installationFolder);
  if (!lock) return std::nullopt;
  return WizardStart{std::move(*options), std::move(*lock)};
}

}  // namespace brimsel
