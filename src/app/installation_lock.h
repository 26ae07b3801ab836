#pragma once
// Only one updater works on an installation folder at a time: a second one would download
// over the first one's package and copy over its files.

#include <optional>
#include <string>

#include "app/wizard_form.h"
#include "platform/folder_lock.h"

namespace brimsel {

// Takes the installation folder `installationFolder` (ending in "\") for this run, until
// the returned lock goes. When another updater works on it, says so in update.log and in
// the error box and gives nothing: the program then ends without touching anything. A
// folder whose lock the system cannot give (one that cannot be written) is worked on
// without it.
std::optional<platform::FolderLock> TakeInstallationFolder(const std::string& installationFolder);

// What both programs do before their window: read where the updater runs and take that
// folder. Nothing when the run cannot go on; the error box has then said why.
struct WizardStart {
  WizardOptions options;
  platform::FolderLock lock;
};
std::optional<WizardStart> StartInInstallationFolder();

}  // namespace brimsel
