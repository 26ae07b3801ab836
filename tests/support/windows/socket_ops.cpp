// The Winsock side of the test servers' socket calls.
#include "support/socket_ops.h"

#include <winsock2.h>

namespace brimsel::test::sockets {
namespace {

SOCKET AsSocket(int socket) { return static_cast<SOCKET>(static_cast<unsigned>(socket)); }

bool Started() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

}  // namespace

int OpenStream(int family) {
  if (!Started()) return kNone;
  // Never inherited: the tests start their programs without handing handles on.
  const SOCKET made = ::socket(family, SOCK_STREAM, 0);
  return made == INVALID_SOCKET ? kNone : static_cast<int>(made);
}

void Close(int socket) { ::closesocket(AsSocket(socket)); }

bool WaitFor(int socket, Wait what, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(AsSocket(socket), &set);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = what == Wait::Readable ? ::select(0, &set, nullptr, nullptr, &limit)
                                           : ::select(0, nullptr, &set, nullptr, &limit);
  return ready > 0;
}

int Accept(int listening) {
  const SOCKET accepted = ::accept(AsSocket(listening), nullptr, nullptr);
  return accepted == INVALID_SOCKET ? kNone : static_cast<int>(accepted);
}

long Send(int socket, const char* bytes, std::size_t count) {
  return ::send(AsSocket(socket), bytes, static_cast<int>(count), 0);
}

long Receive(int socket, char* buffer, std::size_t count, bool peek) {
  return ::recv(AsSocket(socket), buffer, static_cast<int>(count), peek ? MSG_PEEK : 0);
}

bool Interrupted() { return ::WSAGetLastError() == WSAEINTR; }
bool AccessDenied() { return ::WSAGetLastError() == WSAEACCES; }

std::string LastErrorText() { return "Winsock error " + std::to_string(::WSAGetLastError()); }

}  // namespace brimsel::test::sockets
