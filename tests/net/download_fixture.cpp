#include "download_fixture.h"

namespace brimsel::test {

std::string PackageBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::int64_t RangeStartOf(const std::string& request) {
  static const std::string kRange = "\r\nRANGE: bytes=";
  const std::size_t at = request.find(kRange);
  if (at == std::string::npos) return -1;
  return std::stoll(request.substr(at + kRange.size()));
}

ScriptedServer::Script PackageServer(std::string package) {
  return [package](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    const auto size = static_cast<std::int64_t>(package.size());
    if (request.starts_with("HEAD ")) {
      connection.Send(HttpReplyHead(200, size));
    } else if (request.starts_with("GET ")) {
      const std::int64_t start = std::max<std::int64_t>(RangeStartOf(request), 0);
      if (start >= size) {
        connection.Send(HttpReply(416, ""));
      } else {
        connection.Send(HttpReplyHead(206, size - start) + package.substr(static_cast<std::size_t>(start)));
      }
    }
  };
}

}  // namespace brimsel::test
