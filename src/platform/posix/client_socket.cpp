#include "platform/client_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "platform/address_lookup.h"
#include "platform/exception.h"
#include "platform/network_limits.h"

namespace brimsel::platform {
namespace {

// Owns a descriptor until it is handed over.
class DescriptorGuard {
 public:
  explicit DescriptorGuard(int fd) : fd_(fd) {}
  ~DescriptorGuard() {
    if (fd_ >= 0) ::close(fd_);
  }
  DescriptorGuard(const DescriptorGuard&) = delete;
  DescriptorGuard& operator=(const DescriptorGuard&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

[[noreturn]] void RaiseSocketError(int error, const char* operation) {
  throw Exception("Socket error: " + std::string(std::strerror(error)) + " (" + std::to_string(error) + "), on " +
                  operation);
}

// Starts a connect on a non-blocking socket: 0 when connected at once, -1 while it is under
// way, or the error.
int StartConnect(int fd, const sockaddr* address, socklen_t length) {
  if (::connect(fd, address, length) == 0) return 0;
  return errno == EINPROGRESS || errno == EINTR ? -1 : errno;
}

// Waits until `fd` is writable (connected, or failed); false when the limit passes.
bool WaitWritable(int fd, int timeoutMs) {
  pollfd waiting{fd, POLLOUT, 0};
  const int ready = ::poll(&waiting, 1, timeoutMs);
  return ready > 0 || (ready < 0 && errno != EINTR);
}

int PendingError(int fd) {
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

// Waits until `fd` is readable (data, end of stream or an error); false when the limit passes.
bool WaitReadable(int fd, int timeoutMs) {
  pollfd waiting{fd, POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&waiting, 1, timeoutMs < 0 ? -1 : timeoutMs);
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return true;  // let the read report the error
  }
}

}  // namespace

TClientSocket::~TClientSocket() { Drop(); }

void TClientSocket::Drop() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  bufferedStart_ = bufferedEnd_ = 0;
}

void TClientSocket::Connect() {
  const std::string name = NameToResolve();

  const std::optional<AddressLookup> resolved = LookUpPumping(name, port_, cancelFlag_);
  if (!resolved) RaiseCancelled();
  if (resolved->status != 0) {
    throw Exception("Host not found: " + host_ + " (" + ::gai_strerror(resolved->status) + ")");
  }

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
  int lastError = ECONNREFUSED;
  for (const addrinfo* address = resolved->addresses.get(); address != nullptr; address = address->ai_next) {
    DescriptorGuard fd(
        ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address->ai_protocol));
    if (fd.get() < 0) {
      lastError = errno;
      continue;
    }
    lastError = StartConnect(fd.get(), address->ai_addr, address->ai_addrlen);
    if (lastError < 0) {
      const auto writable = [&fd](int sliceMs) { return WaitWritable(fd.get(), sliceMs); };
      lastError = WaitPumping(writable, deadline) == Waited::Ready ? PendingError(fd.get()) : ETIMEDOUT;
    }
    if (lastError == 0) {
      // Connected: the exchange itself blocks, with waits of its own.
      const int flags = ::fcntl(fd.get(), F_GETFL);
      if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) RaiseSocketError(errno, "connect");
      fd_ = fd.release();
      return;
    }
  }
  RaiseSocketError(lastError, "connect");
}

void TClientSocket::SendText(std::string_view text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    if (!Active()) RaiseSocketError(ENOTCONN, "send");
    const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      Drop();
      RaiseSocketError(error, "send");
    }
    sent += static_cast<std::size_t>(n);
  }
}

int TClientSocket::ReceiveBuf(void* buffer, int count) {
  if (!Active() || count <= 0) return 0;
  // One receive from the kernel: the count, 0 after a graceful close; an error drops the
  // connection and raises.
  const auto receive = [this](void* into, std::size_t size) {
    for (;;) {
      const ssize_t n = ::recv(fd_, into, size, 0);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EINTR) continue;
      const int error = errno;
      Drop();
      RaiseSocketError(error, "recv");
    }
  };
  if (Buffered() == 0 && count >= kDirectReceiveSize) {
    return static_cast<int>(receive(buffer, static_cast<std::size_t>(count)));
  }
  if (Buffered() == 0) {
    if (!buffered_) buffered_ = std::make_unique<char[]>(kReceiveBlockSize);
    const std::size_t n = receive(buffered_.get(), kReceiveBlockSize);
    if (n == 0) return 0;
    bufferedStart_ = 0;
    bufferedEnd_ = n;
  }
  const std::size_t n = std::min(static_cast<std::size_t>(count), Buffered());
  std::memcpy(buffer, buffered_.get() + bufferedStart_, n);
  bufferedStart_ += n;
  return static_cast<int>(n);
}

bool TClientSocket::WaitForData(int timeoutMs) {
  if (!Active()) return false;
  return Buffered() > 0 || WaitReadable(fd_, timeoutMs);
}

}  // namespace brimsel::platform
