#include "platform/client_socket.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/exception.h"

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

struct AddressListFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

[[noreturn]] void RaiseSocketError(int error, const char* operation) {
  throw Exception("Socket error: " + std::string(std::strerror(error)) + " (" + std::to_string(error) + "), on " +
                  operation);
}

// A blocking connect that an interrupting signal does not abandon halfway.
int ConnectBlocking(int fd, const sockaddr* address, socklen_t length) {
  if (::connect(fd, address, length) == 0) return 0;
  if (errno != EINTR) return errno;
  pollfd waiting{fd, POLLOUT, 0};
  while (::poll(&waiting, 1, -1) < 0) {
    if (errno != EINTR) return errno;
  }
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

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port_);
  const int status = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &found);
  if (status != 0) {
    throw Exception("Host not found: " + host_ + " (" + ::gai_strerror(status) + ")");
  }
  const std::unique_ptr<addrinfo, AddressListFree> addresses(found);

  int lastError = ECONNREFUSED;
  for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
    DescriptorGuard fd(::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol));
    if (fd.get() < 0) {
      lastError = errno;
      continue;
    }
    lastError = ConnectBlocking(fd.get(), address->ai_addr, address->ai_addrlen);
    if (lastError == 0) {
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
  if (Buffered() == 0) {
    if (!buffered_) buffered_ = std::make_unique<char[]>(kReceiveBlockSize);
    for (;;) {
      const ssize_t n = ::recv(fd_, buffered_.get(), kReceiveBlockSize, 0);
      if (n == 0) return 0;
      if (n > 0) {
        bufferedStart_ = 0;
        bufferedEnd_ = static_cast<std::size_t>(n);
        break;
      }
      if (errno == EINTR) continue;
      const int error = errno;
      Drop();
      RaiseSocketError(error, "recv");
    }
  }
  const std::size_t n = std::min(static_cast<std::size_t>(count), Buffered());
  std::memcpy(buffer, buffered_.get() + bufferedStart_, n);
  bufferedStart_ += n;
  return static_cast<int>(n);
}

bool TWinSocketStream::WaitForData(int timeoutMs) {
  if (!socket_.Active()) return false;
  return socket_.Buffered() > 0 || WaitReadable(socket_.Descriptor(), timeoutMs);
}

}  // namespace brimsel::platform
