#include "app/installation_lock.h"

#include "app/error_box.h"
#include "app/update_log.h"
#include "app/window_texts.h"
#include "app/wizard_window.h"

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

}  // namespace brimsel
