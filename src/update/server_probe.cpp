#include "update/server_probe.h"

#include <chrono>

#include "net/fetch_page.h"
#include "net/update_site.h"
#include "platform/sleep.h"
#include "update/fastest_server.h"

namespace brimsel {
namespace {

constexpr char kConnectionFailed[] = "\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC";  // 连接失败
constexpr unsigned kPauseMs = 100;

}  // namespace

ProbeResult ProbeServer(const std::string& serverUrl, const bool* cancelFlag) {
  using Clock = std::chrono::steady_clock;
  ProbeResult probe;
  probe.url = serverUrl + kProbePage;
  const Clock::time_point start = Clock::now();
  const PageFetch reply = FetchPageReporting(probe.url, cancelFlag);
  probe.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  probe.fetched = DescribeFetch(reply);
  probe.passed = ProbePassed(reply.body);
  return probe;
}

int ProbeServers(ServerListView& servers, const bool& cancelled, UpdateNotes& notes) {
  FastestServer fastest;
  for (int row = 0; row < servers.ServerCount() && !cancelled; ++row) {
    const ProbeResult probe = ProbeServer(servers.ServerUrl(row), &cancelled);
    if (cancelled) {
      notes.Line("probe " + probe.url + " cancelled: Close was confirmed");
      break;
    }
    if (probe.passed) {
      fastest.Offer(row, probe.elapsedMs);
      servers.SetServerTestTime(row, std::to_string(probe.elapsedMs) + "ms");
      notes.Line("probe " + probe.url + ": " + std::to_string(probe.elapsedMs) + " ms");
    } else {
      servers.SetServerTestTime(row, kConnectionFailed);
      notes.Line("probe " + probe.url + " failed: " + probe.fetched + ", the reply lacks " + kProbePassed);
    }
    platform::Sleep(kPauseMs);
  }
  if (fastest.Row() < 0 && !cancelled) notes.Line("no server passed the probe");
  return fastest.Row();
}

}  // namespace brimsel
