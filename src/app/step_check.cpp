// Step 1: is there an update newer than the last one installed? With none, or when the site
// could not tell, the wizard goes straight to the finish page. With one, every server is probed, its time shown, and the
// fastest selected for the download.

#include <string>

#include "app/steps.h"
#include "app/wizard_window.h"
#include "platform/locale.h"
#include "platform/sleep.h"
#include "settings/settings_file.h"
#include "update/server_probe.h"
#include "update/version_check.h"

namespace brimsel {
namespace {

constexpr unsigned kPauseMs = 100;

// True when the vendor site publishes a release strictly later than `lastUpdate`; the
// release's date and signature are then held for the installation.
bool NewerReleasePublished(WizardState& state, platform::DateTime lastUpdate) {
  const VersionCheck check =
      CheckPublishedVersion(state.vendorSiteUrl, state.packageName, lastUpdate, &state.cancelFlag, state.log);
  state.packageSignature = check.signature;
  // A check that could not tell is no "newest version installed" on the finish page.
  if (VersionCheckFailed(check.verdict)) state.NoteFailure(UpdateFailure::kVersionCheck);
  if (check.verdict != VersionVerdict::kNewer) return false;
  state.releaseDate = *check.release;
  return true;
}

}  // namespace

void RunUpdateCheck(WizardWindow& window) {
  WizardState& state = window.State();
  const platform::DateTime lastUpdate = ReadLastUpdate(state.settingsPath);
  state.log.Line("LastUpdate read: " + platform::DateTimeToStr(lastUpdate));

  if (!NewerReleasePublished(state, lastUpdate)) {
    if (!state.cancelFlag) window.Steps().JumpTo(window, WizardStep::kFinish);
    return;
  }

  window.SetNextEnabled(false);
  platform::Sleep(kPauseMs);
  window.RepaintNow();

  // A fetch that cannot even set up Internet access raises, and the error leaves the step.
  const int best = ProbeServers(window, state.cancelFlag, state.log);
  if (best >= 0) {
    window.SetNextEnabled(true);
    window.SelectServer(best);
    window.FocusServerList();
  }
}

}  // namespace brimsel
