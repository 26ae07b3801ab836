// The blocking client socket over Winsock. The socket is kept in the class's descriptor
// slot: a SOCKET of a 32-bit process fits it, and INVALID_SOCKET reads as -1 there.
#include "platform/client_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <utility>

#include "platform/exception.h"
#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace {

// Winsock is started once for the whole program and never stopped: the socket lives as
// long as the application.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET AsSocket(int descriptor) { return static_cast<SOCKET>(static_cast<unsigned>(descriptor)); }

class SocketGuard {
 public:
  explicit SocketGuard(SOCKET socket) : socket_(socket) {}
  ~SocketGuard() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
  }
  SocketGuard(const SocketGuard&) = delete;
  SocketGuard& operator=(const SocketGuard&) = delete;
  SOCKET get() const { return socket_; }
  SOCKET release() { return std::exchange(socket_, INVALID_SOCKET); }

 private:
  SOCKET socket_;
};

struct AddressListFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

[[noreturn]] void RaiseSocketError(int error, const char* operation) {
  throw Exception("Socket error: " + windows::ErrorText(static_cast<DWORD>(error)) + " (" + std::to_string(error) +
                  "), on " + operation);
}

}  // namespace

TClientSocket::~TClientSocket() { Drop(); }

void TClientSocket::Drop() {
  if (fd_ >= 0) ::closesocket(AsSocket(std::exchange(fd_, -1)));
}

void TClientSocket::Connect() {
  if (!WinsockStarted()) RaiseSocketError(WSASYSNOTREADY, "connect");
  const std::string name = NameToResolve();

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port_);
  const int status = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &found);
  if (status != 0) throw Exception("Host not found: " + host_ + " (" + windows::ErrorText(status) + ")");
  const std::unique_ptr<addrinfo, AddressListFree> addresses(found);

  int lastError = WSAECONNREFUSED;
  for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
    SocketGuard socket(::socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (socket.get() == INVALID_SOCKET) {
      lastError = ::WSAGetLastError();
      continue;
    }
    if (::connect(socket.get(), address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
      fd_ = static_cast<int>(socket.release());
      return;
    }
    lastError = ::WSAGetLastError();
  }
  RaiseSocketError(lastError, "connect");
}

void TClientSocket::SendText(std::string_view text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    if (!Active()) RaiseSocketError(WSAENOTCONN, "send");
    const int n = ::send(AsSocket(fd_), text.data() + sent, static_cast<int>(text.size() - sent), 0);
    if (n == SOCKET_ERROR) {
      const int error = ::WSAGetLastError();
      Drop();
      RaiseSocketError(error, "send");
    }
    sent += static_cast<std::size_t>(n);
  }
}

int TClientSocket::ReceiveBuf(void* buffer, int count) {
  if (!Active() || count <= 0) return 0;
  const int n = ::recv(AsSocket(fd_), static_cast<char*>(buffer), count, 0);
  if (n != SOCKET_ERROR) return n;
  const int error = ::WSAGetLastError();
  Drop();
  RaiseSocketError(error, "recv");
}

bool TWinSocketStream::WaitForData(int timeoutMs) {
  if (!socket_.Active()) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(AsSocket(socket_.Descriptor()), &readable);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = ::select(0, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit);
  return ready != 0;  // an error is left for the read to report
}

}  // namespace brimsel::platform
