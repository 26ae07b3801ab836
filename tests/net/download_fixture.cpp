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
  return ServeFiles({{"/update/Brimsel.zip", std::move(package)}});
}

}  // namespace brimsel::test
