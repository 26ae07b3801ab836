// Step 1: is there an update newer than the last one installed? With none, the wizard goes
// straight to the finish page. With one, every server is probed, its time shown, and the
// fastest selected for the download.

#include <chrono>
#include <string>

#include "app/steps.h"
#include "app/wizard_window.h"
#include "net/fastest_server.h"
#include "net/fetch_page.h"
#include "pattern/match_first_group.h"
#include "platform/locale.h"
#include "platform/sleep.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

// The release date in the version reply: "<!--date" + the date without blanks + "Main -->".
constexpr char kReleaseDatePattern[] = "<!--date(\\S+)Main -->";
constexpr char kVersionQuery[] = "/update/getver.asp?soft=";
constexpr char kProbePage[] = "/update/test.html";
constexpr char kProbePassed[] = "\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6";       // 测试成功
constexpr char kConnectionFailed[] = "\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC";  // 连接失败
constexpr unsigned kPauseMs = 100;

// True when the vendor site publishes a release strictly later than `lastUpdate`. Any
// failure on the way (no reply, no marker, no date) means no update.
bool NewerReleasePublished(const WizardState& state, platform::DateTime lastUpdate) {
  try {
    const std::string reply = FetchPage(state.vendorSiteUrl + kVersionQuery + state.packageName);
    const std::string dateText = MatchFirstGroup(reply, kReleaseDatePattern);
    const std::optional<platform::DateTime> release = platform::TryStrToDate(dateText);
    return release && *release > lastUpdate;
  } catch (...) {
    return false;
  }
}

// Probes every server row, writes its time or the failure into the row, and gives the row
// of the fastest that passed (-1 when none did). A fetch that cannot even set up Internet
// access raises, and the error leaves the step.
int ProbeServers(WizardWindow& window) {
  using Clock = std::chrono::steady_clock;
  FastestServer fastest;
  for (int row = 0; row < window.ServerCount(); ++row) {
    const std::string probeUrl = window.ServerUrl(row) + kProbePage;
    const Clock::time_point start = Clock::now();
    const std::string reply = FetchPage(probeUrl);
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (reply.find(kProbePassed) != std::string::npos) {
      fastest.Offer(row, elapsedMs);
      window.SetServerTestTime(row, std::to_string(elapsedMs) + "ms");
    } else {
      window.SetServerTestTime(row, kConnectionFailed);
    }
    platform::Sleep(kPauseMs);
  }
  return fastest.Row();
}

}  // namespace

void RunUpdateCheck(WizardWindow& window) {
  WizardState& state = window.State();
  const platform::DateTime lastUpdate = ReadLastUpdate(state.settingsPath);

  if (!NewerReleasePublished(state, lastUpdate)) {
    window.Steps().JumpTo(window, WizardStep::kFinish);
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
