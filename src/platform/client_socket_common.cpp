// The parts of the client socket and its stream that hold no socket call: the Linux
// (POSIX) and the Windows (Winsock) files build on them alike.
#include "platform/client_socket.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/network_limits.h"
#include "platform/pump.h"

namespace brimsel::platform {

void TClientSocket::SetActive(bool active) {
  if (!active) {
    Drop();
  } else if (!Active()) {
    Connect();
  }
}

// A bracketed IPv6 literal, as written in URLs, is taken without its brackets.
std::string TClientSocket::NameToResolve() const {
  if (host_.size() >= 2 && host_.front() == '[' && host_.back() == ']') return host_.substr(1, host_.size() - 2);
  return host_;
}

TClientSocket::Waited TClientSocket::WaitPumping(const std::function<bool(int sliceMs)>& ready,
                                                 Clock::time_point deadline) const {
  for (;;) {
    if (Cancelled()) RaiseCancelled();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Waited::TimedOut;
    if (ready(static_cast<int>(std::min<long long>(left, kPumpIntervalMs)))) return Waited::Ready;
    ProcessMessages();
  }
}

void TClientSocket::RaiseCancelled() const { throw Exception("the connection to " + host_ + " was cancelled"); }

int TWinSocketStream::Read(void* buffer, int count) {
  if (!WaitForData(timeoutMs_)) return 0;
  return socket_.ReceiveBuf(buffer, count);
}

}  // namespace brimsel::platform
