// The parts of the test servers' socket calls that read the same on both systems.
#include <memory>

#include "support/socket_ops.h"

namespace brimsel::test::sockets {
namespace {

struct AddressListFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

}  // namespace

int Listen(const std::string& address, std::uint16_t& port, std::string& error) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
    error = "not an address: " + address;
    return kNone;
  }
  const std::unique_ptr<addrinfo, AddressListFree> addresses(found);
  const int fd = OpenStream(found->ai_family);
  if (fd == kNone) {
    error = LastErrorText();
    return kNone;
  }
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
  if (::bind(fd, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0 || ::listen(fd, 16) != 0) {
    error = std::string(AccessDenied() ? "EACCES: " : "") + LastErrorText();
    Close(fd);
    return kNone;
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size);
  port = ntohs(bound.ss_family == AF_INET ? reinterpret_cast<const sockaddr_in*>(&bound)->sin_port
                                          : reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
  return fd;
}

void Reset(int socket) {
  const linger abortive{1, 0};
  ::setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
  Close(socket);
}

}  // namespace brimsel::test::sockets
