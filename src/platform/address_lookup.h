#pragma once
// The look-up of the client socket's host, run on a helper thread while the window is
// pumped (CallPumping): a name server that is slow to answer freezes nothing. Included by
// the Linux and the Windows socket files after their system's socket header (<netdb.h>,
// <ws2tcpip.h>), which declare getaddrinfo alike.

#include <memory>
#include <optional>
#include <string>

#include "platform/pumping_call.h"

namespace brimsel::platform {

struct AddressListFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

struct AddressLookup {
  int status = 0;  // getaddrinfo's; 0 when found
  std::unique_ptr<addrinfo, AddressListFree> addresses;
};

// The TCP addresses of `name` on `port`; nothing when `*cancelFlag` was set first.
inline std::optional<AddressLookup> LookUpPumping(const std::string& name, int port, const bool* cancelFlag) {
  return CallPumping<AddressLookup>(
      [name, service = std::to_string(port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* found = nullptr;
        AddressLookup lookup;
        lookup.status = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &found);
        lookup.addresses.reset(lookup.status == 0 ? found : nullptr);
        return lookup;
      },
      cancelFlag);
}

}  // namespace brimsel::platform
