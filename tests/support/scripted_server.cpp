#include "support/scripted_server.h"

#include <algorithm>
#include <utility>

#include "support/socket_ops.h"

namespace brimsel::test {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until `fd` is ready for `what` or the deadline passes; false when it passes.
bool WaitFor(int fd, sockets::Wait what, Clock::time_point deadline) {
  return sockets::WaitFor(fd, what, RemainingMs(deadline));
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    default: return "Whatever";
  }
}

}  // namespace

ServerConnection::~ServerConnection() { Close(); }

std::string ServerConnection::ReadRequest(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  std::string request;
  // Peek first, then take no more than the head: what follows stays for a later read.
  char buffer[64 * 1024];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (fd_ < 0 || !WaitFor(fd_, sockets::Wait::Readable, deadline)) return {};
    const long seen = sockets::Receive(fd_, buffer, sizeof buffer, true);
    if (seen <= 0) return {};
    // The end of the head may straddle what was taken before and what is peeked now.
    const std::size_t keep = std::min<std::size_t>(request.size(), 3);
    std::string window(request.end() - static_cast<std::ptrdiff_t>(keep), request.end());
    window.append(buffer, static_cast<std::size_t>(seen));
    const std::size_t end = window.find("\r\n\r\n");
    const std::size_t take = end == std::string::npos ? static_cast<std::size_t>(seen) : end + 4 - keep;
    const long n = sockets::Receive(fd_, buffer, take);
    if (n <= 0) return {};
    request.append(buffer, static_cast<std::size_t>(n));
  }
  server_.Record(request);
  return request;
}

bool ServerConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (fd_ < 0) return false;
    const long n = sockets::Send(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (sockets::Interrupted()) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ServerConnection::SendSlowly(std::string_view bytes, std::chrono::milliseconds gap) {
  for (const char byte : bytes) {
    if (!Send(std::string_view(&byte, 1))) return false;
    std::this_thread::sleep_for(gap);
  }
  return true;
}

void ServerConnection::SendUntilClientGoes(std::string_view chunk, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (fd_ >= 0 && server_.Running() && Clock::now() < deadline) {
    if (!WaitFor(fd_, sockets::Wait::Writable, deadline)) return;
    if (!Send(chunk)) return;
  }
}

bool ServerConnection::WaitForClientClose(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  char scratch[4096];
  while (fd_ >= 0 && WaitFor(fd_, sockets::Wait::Readable, deadline)) {
    const long n = sockets::Receive(fd_, scratch, sizeof scratch);
    if (n == 0) return true;
    if (n < 0 && !sockets::Interrupted()) return true;  // reset by the client counts as gone
  }
  return false;
}

void ServerConnection::Close() {
  if (fd_ >= 0) {
    sockets::Close(fd_);
    fd_ = -1;
  }
}

void ServerConnection::Reset() {
  if (fd_ < 0) return;
  sockets::Reset(std::exchange(fd_, -1));
}

ScriptedServer::ScriptedServer(int block, Script script) : script_(std::move(script)) {
  std::string error;
  for (int host = 1; host <= 254 && !Listening(); ++host) {
    Bind("127.80." + std::to_string(block) + "." + std::to_string(host), 80, error);
    if (error.find("EACCES") != std::string::npos) break;
  }
  if (!Listening()) {
    skipReason_ = "cannot listen on port 80 of a loopback address 127.80." + std::to_string(block) + ".x (" + error +
                  "); these tests need root or CAP_NET_BIND_SERVICE";
    return;
  }
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::ScriptedServer(const std::string& address, Script script, std::uint16_t port)
    : script_(std::move(script)) {
  std::string error;
  Bind(address, port, error);
  if (!Listening()) {
    skipReason_ = "cannot listen on " + address + " (" + error + ")";
    return;
  }
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) sockets::Close(listenFd_);
}

void ScriptedServer::Bind(const std::string& address, std::uint16_t port, std::string& error) {
  const int fd = sockets::Listen(address, port, error);
  if (fd == sockets::kNone) return;
  port_ = port;
  address_ = address;
  listenFd_ = fd;
}

void ScriptedServer::Serve() {
  while (!stopping_) {
    if (!WaitFor(listenFd_, sockets::Wait::Readable, Clock::now() + 50ms)) continue;
    const int fd = sockets::Accept(listenFd_);
    if (fd < 0) continue;
    ServerConnection connection(fd, *this);
    const int index = connections_++;
    if (script_) script_(connection, index);
  }
}

void ScriptedServer::Record(std::string request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(std::move(request));
}

std::vector<std::string> ScriptedServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string ScriptedServer::Url(std::string_view path) const {
  const bool v6 = address_.find(':') != std::string::npos;
  std::string url = "http://";
  if (v6) {
    url.append("[").append(address_).append("]");
  } else {
    url.append(address_);
  }
  if (port_ != 80) url.append(":").append(std::to_string(port_));
  return url.append(path);
}

namespace {

// The start of a "Range: bytes=<n>-" header in any letter case; 0 when there is none.
std::int64_t RangeStart(const std::string& request) {
  std::string lower = request;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  static const std::string kRange = "\r\nrange: bytes=";
  const std::size_t at = lower.find(kRange);
  if (at == std::string::npos) return 0;
  std::int64_t start = 0;
  for (std::size_t i = at + kRange.size(); i < lower.size() && lower[i] >= '0' && lower[i] <= '9'; ++i) {
    start = start * 10 + (lower[i] - '0');
  }
  return start;
}

}  // namespace

ScriptedServer::Script ServeFiles(std::map<std::string, std::string> files) {
  return [files = std::move(files)](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    const bool head = request.starts_with("HEAD ");
    if (!head && !request.starts_with("GET ")) return;
    const std::size_t targetStart = request.find(' ') + 1;
    const std::string target = request.substr(targetStart, request.find(' ', targetStart) - targetStart);
    const auto file = files.find(target);
    if (file == files.end()) {
      const std::string page = "<html><body>404 Not Found</body></html>";
      connection.Send(head ? HttpReplyHead(404, static_cast<std::int64_t>(page.size())) : HttpReply(404, page));
      return;
    }
    const std::string& body = file->second;
    const auto size = static_cast<std::int64_t>(body.size());
    const std::int64_t start = RangeStart(request);
    if (head) {
      connection.Send(HttpReplyHead(200, size));
    } else if (start == 0) {
      connection.Send(HttpReply(200, body));
    } else if (start < size) {
      connection.Send(HttpReply(206, std::string_view(body).substr(static_cast<std::size_t>(start)),
                                "Content-Range: bytes " + std::to_string(start) + "-" + std::to_string(size - 1) + "/" +
                                    std::to_string(size) + "\r\n"));
    } else {
      connection.Send(HttpReply(416, ""));
    }
  };
}

std::string HttpReplyHead(int status, std::int64_t contentLength, std::string_view extraHeaders) {
  return "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\nConnection: close\r\n" + std::string(extraHeaders) + "\r\n";
}

std::string HttpReply(int status, std::string_view body, std::string_view extraHeaders) {
  return HttpReplyHead(status, static_cast<std::int64_t>(body.size()), extraHeaders) + std::string(body);
}

}  // namespace brimsel::test
