#include "support/socket_ops.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brimsel::test::sockets {

int OpenStream(int family) { return ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0); }

void Close(int socket) { ::close(socket); }

bool WaitFor(int socket, Wait what, int timeoutMs) {
  pollfd waiting{socket, static_cast<short>(what == Wait::Readable ? POLLIN : POLLOUT), 0};
  for (;;) {
    const int ready = ::poll(&waiting, 1, timeoutMs);
    if (ready >= 0) return ready > 0;
    if (errno != EINTR) return false;
  }
}

int Accept(int listening) { return ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC); }

long Send(int socket, const char* bytes, std::size_t count) { return ::send(socket, bytes, count, MSG_NOSIGNAL); }

long Receive(int socket, char* buffer, std::size_t count, bool peek) {
  return ::recv(socket, buffer, count, peek ? MSG_PEEK : 0);
}

bool Interrupted() { return errno == EINTR; }
bool AccessDenied() { return errno == EACCES; }
std::string LastErrorText() { return std::strerror(errno); }

}  // namespace brimsel::test::sockets
