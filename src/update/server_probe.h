#pragma once
// The server probe: each download server's probe page fetched and timed, its time or its
// failure written into the server list, and the fastest server that passed chosen for the
// download (fastest_server.h).

#include <cstdint>
#include <string>

#include "update/update_notes.h"

namespace brimsel {

// What the probing reads and writes of the server list; rows are 0-based.
class ServerListView {
 public:
  virtual ~ServerListView() = default;
  virtual int ServerCount() const = 0;
  virtual std::string ServerUrl(int row) const = 0;  // scheme and host, no trailing slash
  virtual void SetServerTestTime(int row, const std::string& text) = 0;
};

struct ProbeResult {
  std::string url;              // the probe page's URL
  std::string fetched;          // how its fetch went
  bool passed = false;          // the reply holds 测试成功
  std::int64_t elapsedMs = 0;   // the whole fetch: connecting, the request and the whole reply
};

// Probes the server at `serverUrl`; the fetch stops waiting once `*cancelFlag` is set
// (null: nothing cancels it). Raises only when Internet access cannot be set up at all.
ProbeResult ProbeServer(const std::string& serverUrl, const bool* cancelFlag);

// Probes every row in turn, pausing 100 ms after each, writes "<n>ms" or 连接失败 into its
// test-time cell and tells `notes`; gives the row of the fastest that passed, -1 when none
// did. A confirmed Close (`cancelled`) ends the probing at once.
int ProbeServers(ServerListView& servers, const bool& cancelled, UpdateNotes& notes);

}  // namespace brimsel
