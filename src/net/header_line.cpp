#include "net/header_line.h"

#include "platform/client_socket.h"

namespace brimsel {

std::string ReadHeaderLine(platform::TClientSocket& socket, int waitMs, std::string_view terminator,
                           std::size_t maxLength) {
  std::string line;
  platform::TWinSocketStream stream(socket, waitMs);
  bool complete = false;
  while (socket.Connected() && !complete && line.size() < maxLength) {
    if (!stream.WaitForData(waitMs)) break;
    char byte = 0;
    if (stream.Read(&byte, 1) != 1) break;
    line.push_back(byte);
    complete = line.ends_with(terminator);
  }
  return complete ? line : std::string();
}

}  // namespace brimsel
