#include "updtool/posix/update_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <list>
#include <sstream>
#include <thread>

#include "net/update_site.h"
#include "platform/codepage.h"
#include "platform/posix/descriptor.h"
#include "updtool/posix/http_exchange.h"

namespace brimsel::updtool {
namespace fs = std::filesystem;

namespace {

constexpr int kRequestTimeoutMs = 10000;
constexpr std::size_t kMaxConnections = 32;

// A name that stays inside its folder: no separators, no "..", nothing hidden.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos && name[0] != '.';
}

// The file below `root` that `urlPath` names, or nothing when it would leave the folder.
std::optional<fs::path> FileBelow(const fs::path& root, const std::string& urlPath) {
  fs::path result = root;
  std::size_t pos = 1;
  while (pos <= urlPath.size()) {
    std::size_t slash = urlPath.find('/', pos);
    if (slash == std::string::npos) slash = urlPath.size();
    std::string part = urlPath.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty()) continue;
    if (!IsPlainName(part)) return std::nullopt;
    result /= part;
  }
  return result;
}

std::string StatusText(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 416: return "Range Not Satisfiable";
    default: return "Bad Request";
  }
}

void SendHead(int client, int status, const std::string& type, std::int64_t length, const std::string& extra) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) + "\r\n" +
                     "Content-Type: " + type + "\r\n" + "Content-Length: " + std::to_string(length) + "\r\n" +
                     "Accept-Ranges: bytes\r\n" + extra + "Connection: close\r\n\r\n";
  SendAll(client, head.data(), head.size());
}

// What one request got: the status and the body bytes sent.
struct Served {
  int status = 0;
  std::int64_t bytes = 0;
};

Served SendText(int client, const HttpRequest& request, int status, const std::string& body) {
  SendHead(client, status, "text/html", static_cast<std::int64_t>(body.size()), "");
  if (request.method == "HEAD" || !SendAll(client, body.data(), body.size())) return Served{status, 0};
  return Served{status, static_cast<std::int64_t>(body.size())};
}

Served SendFile(int client, const HttpRequest& request, const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return SendText(client, request, 404, "<html><body>not found</body></html>\r\n");
  const auto size = static_cast<std::int64_t>(fs::file_size(file, ec));
  std::int64_t first = 0;
  std::int64_t last = size - 1;
  int status = 200;
  std::string extra;
  if (request.range) {
    if (auto range = ParseByteRange(*request.range, size)) {
      if (range->first >= size) {
        SendHead(client, 416, "application/octet-stream", 0, "Content-Range: bytes */" + std::to_string(size) + "\r\n");
        return Served{416, 0};
      }
      first = range->first;
      last = range->last;
      status = 206;
      extra = "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
              std::to_string(size) + "\r\n";
    }
  }
  const std::string type = file.extension() == ".zip"    ? "application/zip"
                           : file.extension() == ".html" ? "text/html"
                                                         : "application/octet-stream";
  SendHead(client, status, type, last - first + 1, extra);
  Served served{status, 0};
  if (request.method == "HEAD") return served;
  std::ifstream in(file, std::ios::binary);
  in.seekg(first);
  std::int64_t left = last - first + 1;
  char buffer[64 * 1024];
  while (left > 0 && in) {
    in.read(buffer, static_cast<std::streamsize>(std::min<std::int64_t>(left, sizeof buffer)));
    auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0 || !SendAll(client, buffer, got)) return served;
    left -= static_cast<std::int64_t>(got);
    served.bytes += static_cast<std::int64_t>(got);
  }
  return served;
}

Served Answer(const fs::path& root, int client, const HttpRequest& request) {
  if (request.method != "GET" && request.method != "HEAD") {
    return SendText(client, request, 405, "<html><body>method not allowed</body></html>\r\n");
  }
  if (request.path == kVersionQueryPath) {
    // The page that release writes, as the README's nginx configuration serves it.
    std::string name = QueryValue(request.query, kVersionQueryKey);
    std::error_code ec;
    if (IsPlainName(name) && fs::is_regular_file(root / VersionPageFile(name), ec)) {
      return SendFile(client, request, root / VersionPageFile(name));
    }
    return SendText(client, request, 404, "<html><body>no such product</body></html>\r\n");
  }
  std::error_code ec;
  if (request.path == kProbePage && !fs::is_regular_file(root / ProbePageFile(), ec)) {
    return SendText(client, request, 200, kProbePageBody);
  }
  auto file = FileBelow(root, request.path);
  if (!file) return SendText(client, request, 404, "<html><body>not found</body></html>\r\n");
  return SendFile(client, request, *file);
}


}  // namespace

UpdateServer::UpdateServer(fs::path root, std::string address, std::uint16_t port)
    : root_(std::move(root)), address_(std::move(address)), port_(port) {}

bool UpdateServer::Listen() {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (int rc = ::getaddrinfo(address_.c_str(), std::to_string(port_).c_str(), &hints, &found); rc != 0) {
    error_ = "cannot resolve " + address_ + ": " + ::gai_strerror(rc);
    return false;
  }
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, ::freeaddrinfo);
  platform::Descriptor fd(::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  int yes = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (!fd.valid() || ::bind(fd.get(), found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd.get(), 64) != 0) {
    error_ = "cannot listen on " + address_ + " port " + std::to_string(port_) + ": " + std::strerror(errno);
    return false;
  }
  listener_ = std::move(fd);
  return true;
}

void UpdateServer::Run() {
  std::list<std::jthread> connections;
  while (!stopping_) {
    pollfd pfd{listener_.get(), POLLIN, 0};
    if (::poll(&pfd, 1, 200) <= 0) continue;
    int client = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    // Finished connections are joined here; a full house waits for the oldest.
    std::erase_if(connections, [](std::jthread& t) { return !t.joinable(); });
    if (connections.size() >= kMaxConnections) connections.pop_front();
    connections.emplace_back([this, client] { Serve(client); });
  }
}

void UpdateServer::Serve(int clientFd) const {
  platform::Descriptor client(clientFd);
  auto request = ReadRequest(client.get(), kRequestTimeoutMs);
  if (!request) return;
  const Served served = Answer(root_, client.get(), *request);
  // One write per line, so that the lines of parallel connections do not mix.
  std::ostringstream line;
  // A package name beyond ASCII arrives in GBK, as the updater sends it: shown in UTF-8.
  line << request->method << " " << platform::GbkToUtf8(request->path);
  if (!request->query.empty()) line << "?" << platform::GbkToUtf8(request->query);
  if (request->range) line << " (Range: " << *request->range << ")";
  line << " -> " << served.status << ", " << served.bytes << " bytes\n";
  std::cout << line.str() << std::flush;
}

bool HoldsRelease(const fs::path& root) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root / kReleaseFolder, ec)) {
    if (entry.path().extension() == ".zip") return true;
  }
  return false;
}

}  // namespace brimsel::updtool
