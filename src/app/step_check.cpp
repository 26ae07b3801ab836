// Step 1: is there an update newer than the last one installed? With none, the wizard goes
// straight to the finish page. With one, every server is probed, its time shown, and the
// fastest selected for the download.

#include <chrono>
#include <string>

#include "app/steps.h"
#include "app/version_reply.h"
#include "app/wizard_window.h"
#include "net/fastest_server.h"
#include "net/fetch_page.h"
#include "net/update_site.h"
#include "platform/locale.h"
#include "platform/sleep.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

constexpr char kConnectionFailed[] = "\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC";  // 连接失败
constexpr unsigned kPauseMs = 100;

void LogReleaseDate(WizardState& state, const std::string& dateText, std::optional<platform::DateTime> release,
                    platform::DateTime lastUpdate) {
  if (dateText.empty()) {
    state.log.Line("the version page has no marker <!--date...Main -->; no update");
  } else if (!release) {
    state.log.Line("the release date \"" + dateText + "\" is not a date like 2005-1-1; no update");
  } else if (!(*release > lastUpdate)) {
    state.log.Line("release " + platform::DateTimeToStr(*release) + " is not later than LastUpdate " +
                   platform::DateTimeToStr(lastUpdate) + "; no update");
  } else {
    state.log.Line("release " + platform::DateTimeToStr(*release) + " is newer than LastUpdate " +
                   platform::DateTimeToStr(lastUpdate) +
                   (state.packageSignature.empty() ? "" : "; the page is signed"));
  }
}

// True when the vendor site publishes a release strictly later than `lastUpdate`. Any
// failure on the way (no reply, no marker, no date) means no update.
bool NewerReleasePublished(WizardState& state, platform::DateTime lastUpdate) {
  try {
    const std::string url = state.vendorSiteUrl + kVersionQuery + state.packageName;
    const PageFetch page = FetchPageReporting(url, &state.cancelFlag);
    state.log.Line("request " + url + ": " + DescribeFetch(page));
    if (state.cancelFlag) return false;  // Close was confirmed: the program is ending
    const VersionReply reply = ReadVersionReply(page.body);
    state.packageSignature = reply.signature;
    LogReleaseDate(state, reply.dateText, reply.release, lastUpdate);
    if (!reply.release || !(*reply.release > lastUpdate)) return false;
    state.releaseDate = *reply.release;
    return true;
  } catch (const std::exception& error) {
    state.log.Line(std::string("update check failed: ") + error.what() + "; no update");
    return false;
  } catch (...) {
    return false;
  }
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
    if (reply.find(kProbePassed) != std::string::npos) {
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
