// The blocking client socket over Winsock. The socket is kept in the class's descriptor
// slot: a SOCKET of a 32-bit process fits it, and INVALID_SOCKET reads as -1 there.
#include "platform/client_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <optional>
#include <utility>

#include "platform/address_lookup.h"
#include "platform/exception.h"
#include "platform/network_limits.h"
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

[[noreturn]] void RaiseSocketError(int error, const char* operation) {
  throw Exception("Socket error: " + windows::ErrorText(static_cast<DWORD>(error)) + " (" + std::to_string(error) +
                  "), on " + operation);
}

// Starts a connect on a non-blocking socket: 0 when connected at once, -1 while it is under
// way, or the error.
int StartConnect(SOCKET socket, const sockaddr* address, int length) {
  if (::connect(socket, address, length) == 0) return 0;
  const int error = ::WSAGetLastError();
  return error == WSAEWOULDBLOCK ? -1 : error;
}

// Waits until the connect under way has ended, well (writable) or not (exception); false
// when the limit passes.
bool WaitConnected(SOCKET socket, int timeoutMs) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return ::select(0, nullptr, &writable, &failed, &limit) != 0;
}

int PendingError(SOCKET socket) {
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return ::WSAGetLastError();
  }
  return error;
}

bool SetBlocking(SOCKET socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ::ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

}  // namespace

TClientSocket::~TClientSocket() { Drop(); }

void TClientSocket::Drop() {
  if (fd_ >= 0) ::closesocket(AsSocket(std::exchange(fd_, -1)));
}

void TClientSocket::Connect() {
  if (!WinsockStarted()) RaiseSocketError(WSASYSNOTREADY, "connect");
  const std::string name = NameToResolve();

  const std::optional<AddressLookup> resolved = LookUpPumping(name, port_, cancelFlag_);
  if (!resolved) RaiseCancelled();
  if (resolved->status != 0) {
    throw Exception("Host not found: " + host_ + " (" + windows::ErrorText(resolved->status) + ")");
  }

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
  int lastError = WSAECONNREFUSED;
  for (const addrinfo* address = resolved->addresses.get(); address != nullptr; address = address->ai_next) {
    SocketGuard socket(::socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (socket.get() == INVALID_SOCKET || !SetBlocking(socket.get(), false)) {
      lastError = ::WSAGetLastError();
      continue;
    }
    lastError = StartConnect(socket.get(), address->ai_addr, static_cast<int>(address->ai_addrlen));
    if (lastError < 0) {
      const auto connected = [&socket](int sliceMs) { return WaitConnected(socket.get(), sliceMs); };
      lastError = WaitPumping(connected, deadline) == Waited::Ready ? PendingError(socket.get()) : WSAETIMEDOUT;
    }
    if (lastError == 0) {
      // Connected: the exchange itself blocks, with waits of its own.
      if (!SetBlocking(socket.get(), true)) RaiseSocketError(::WSAGetLastError(), "connect");
      fd_ = static_cast<int>(socket.release());
      return;
    }
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

bool TClientSocket::WaitForData(int timeoutMs) {
  if (!Active()) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(AsSocket(fd_), &readable);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = ::select(0, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit);
  return ready != 0;  // an error is left for the read to report
}

}  // namespace brimsel::platform
