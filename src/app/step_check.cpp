// Step 1: is there an update newer than the last one installed? With none, the wizard goes
// straight to the finish page. With one, every server is probed, its time shown, and the
// fastest selected for the download.

#include <chrono>
#include <string>

#include "app/steps.h"
#include "app/wizard_window.h"
#include "net/fastest_server.h"
#include "net/fetch_page.h"
#include "net/update_site.h"
#include "platform/locale.h"
#include "platform/sleep.h"
#include "settings/settings_file.h"
#include "update/version_check.h"

namespace brimsel {
namespace {

constexpr char kConnectionFailed[] = "\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC";  // 连接失败
constexpr unsigned kPauseMs = 100;

// True when the vendor site publishes a release strictly later than `lastUpdate`; the
// release's date and signature are then held for the installation.
bool NewerReleasePublished(WizardState& state, platform::DateTime lastUpdate) {
  const VersionCheck check =
      CheckPublishedVersion(state.vendorSiteUrl, state.packageName, lastUpdate, &state.cancelFlag, state.log);
  state.packageSignature = check.signature;
  if (check.verdict != VersionVerdict::kNewer) return false;
  state.releaseDate = *check.release;
  return true;
}

// Probes every server row, writes its time or the failure into the row, and gives the row
// of the fastest that passed (-1 when none did). A fetch that cannot even set up Internet
// access raises, and the error leaves the step. A confirmed Close ends the probing at once.
int ProbeServers(WizardWindow& window) {
  using Clock = std::chrono::steady_clock;
  const bool& cancelled = window.State().cancelFlag;
  FastestServer fastest;
  for (int row = 0; row < window.ServerCount() && !cancelled; ++row) {
    const std::string probeUrl = window.ServerUrl(row) + kProbePage;
    const Clock::time_point start = Clock::now();
    const PageFetch probe = FetchPageReporting(probeUrl, &cancelled);
    if (cancelled) {
      window.State().log.Line("probe " + probeUrl + " cancelled: Close was confirmed");
      break;
    }
    const std::string& reply = probe.body;
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (ProbePassed(reply)) {
      fastest.Offer(row, elapsedMs);
      window.SetServerTestTime(row, std::to_string(elapsedMs) + "ms");
      window.State().log.Line("probe " + probeUrl + ": " + std::to_string(elapsedMs) + " ms");
    } else {
      window.SetServerTestTime(row, kConnectionFailed);
      window.State().log.Line("probe " + probeUrl + " failed: " + DescribeFetch(probe) + ", the reply lacks " + kProbePassed);
    }
    platform::Sleep(kPauseMs);
  }
  if (fastest.Row() < 0 && !cancelled) window.State().log.Line("no server passed the probe");
  return fastest.Row();
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

  const int best = ProbeServers(window);
  if (best >= 0) {
    window.SetNextEnabled(true);
    window.SelectServer(best);
    window.FocusServerList();
  }
}

}  // namespace brimsel
