#include "net/header_line.h"

#include <algorithm>

#include "platform/client_socket.h"
#include "platform/network_limits.h"

namespace brimsel {
namespace {

// Waits up to `waitMs` for the next byte, in slices when someone is to be asked between them.
bool WaitForByte(platform::TWinSocketStream& stream, int waitMs, const std::function<bool()>& keepWaiting) {
  if (!keepWaiting) return stream.WaitForData(waitMs);
  for (int waited = 0;;) {
    const int slice = std::min(platform::kPumpIntervalMs, waitMs - waited);
    if (stream.WaitForData(slice)) return true;
    waited += slice;
    if (waited >= waitMs || !keepWaiting()) return false;
  }
}

}  // namespace

std::string ReadHeaderLine(platform::ClientConnection& socket, int waitMs, std::string_view terminator,
                           std::size_t maxLength, const std::function<bool()>& keepWaiting) {
  std::string line;
  platform::TWinSocketStream stream(socket, waitMs);
  bool complete = false;
  while (socket.Connected() && !complete && line.size() < maxLength) {
    // A server that trickles bytes never lets a wait run out; it is asked about all the same.
    if (keepWaiting && !keepWaiting()) break;
    if (!WaitForByte(stream, waitMs, keepWaiting)) break;
    char byte = 0;
    if (stream.Read(&byte, 1) != 1) break;
    line.push_back(byte);
    complete = line.ends_with(terminator);
  }
  return complete ? line : std::string();
}

}  // namespace brimsel
