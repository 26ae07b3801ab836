#include "updtool/posix/http_exchange.h"

#include <poll.h>
#include <sys/socket.h>

#include <charconv>

#include "platform/codepage.h"

namespace brimsel::updtool {
namespace {

constexpr std::size_t kMaxHead = 16 * 1024;

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool ParseNumber(const std::string& text, std::int64_t& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

}  // namespace

std::optional<HttpRequest> ReadRequest(int socket, int timeoutMs) {
  std::string head;
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() >= kMaxHead) return std::nullopt;
    pollfd pfd{socket, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) return std::nullopt;
    char buffer[1024];
    ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) return std::nullopt;
    head.append(buffer, static_cast<std::size_t>(n));
  }

  HttpRequest request;
  std::size_t lineEnd = head.find("\r\n");
  std::string requestLine = head.substr(0, lineEnd);
  std::size_t space1 = requestLine.find(' ');
  std::size_t space2 = requestLine.find(' ', space1 + 1);
  if (space1 == std::string::npos || space2 == std::string::npos) return std::nullopt;
  request.method = requestLine.substr(0, space1);
  std::string target = requestLine.substr(space1 + 1, space2 - space1 - 1);
  std::size_t question = target.find('?');
  request.path = target.substr(0, question);
  if (question != std::string::npos) request.query = target.substr(question + 1);
  if (request.path.empty() || request.path[0] != '/') return std::nullopt;

  std::size_t pos = lineEnd + 2;
  while (pos < head.size()) {
    std::size_t end = head.find("\r\n", pos);
    if (end == std::string::npos || end == pos) break;
    std::string line = head.substr(pos, end - pos);
    pos = end + 2;
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (platform::LowerBytes(Trim(line.substr(0, colon))) == "range") request.range = Trim(line.substr(colon + 1));
  }
  return request;
}

std::optional<ByteRange> ParseByteRange(const std::string& value, std::int64_t size) {
  const std::string prefix = "bytes=";
  if (platform::LowerBytes(value.substr(0, prefix.size())) != prefix) return std::nullopt;
  std::string bounds = value.substr(prefix.size());
  std::size_t dash = bounds.find('-');
  if (dash == std::string::npos || bounds.find(',') != std::string::npos) return std::nullopt;
  ByteRange range{0, size - 1};
  if (!ParseNumber(Trim(bounds.substr(0, dash)), range.first)) return std::nullopt;
  std::string lastText = Trim(bounds.substr(dash + 1));
  if (!lastText.empty()) {
    if (!ParseNumber(lastText, range.last) || range.last < range.first) return std::nullopt;
    if (range.last > size - 1) range.last = size - 1;
  }
  return range;
}

std::string QueryValue(const std::string& query, const std::string& key) {
  std::size_t pos = 0;
  while (pos <= query.size()) {
    std::size_t end = query.find('&', pos);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(pos, end - pos);
    std::size_t equals = pair.find('=');
    if (equals != std::string::npos && pair.substr(0, equals) == key) return pair.substr(equals + 1);
    pos = end + 1;
  }
  return {};
}

bool SendAll(int socket, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::send(socket, bytes, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace brimsel::updtool
