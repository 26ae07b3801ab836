#pragma once
// A tiny HTTP server for tests, on raw loopback sockets, that plays a script: each accepted
// connection is handed to the script in turn, which reads the request and answers as it
// likes, well or badly (slowly, cut short, reset, never finishing).
//
// The package download always goes to port 80, so by default the server binds port 80 on a
// loopback address of its own: the first free one of 127.80.<block>.1 to .254. Each test
// program uses its own block, and tests of one program that run side by side take
// different addresses. Binding port 80 needs root or CAP_NET_BIND_SERVICE; when it is not
// allowed, Listening() is false and SkipReason() says why (use BRIMSEL_SKIP_UNLESS_LISTENING).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brimsel::test {

using namespace std::chrono_literals;

class ScriptedServer;

// One accepted connection, from the server's side. Every wait is bounded.
class ServerConnection {
 public:
  ServerConnection(int fd, ScriptedServer& server) : fd_(fd), server_(server) {}
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // The request head, up to and including the blank line, as received; it is also kept in
  // the server's log. Empty when the client closed or `limit` passed first.
  std::string ReadRequest(std::chrono::milliseconds limit = 10s);
  // Sends every byte; false when the client has gone.
  bool Send(std::string_view bytes);
  // Sends one byte at a time with a pause between them.
  bool SendSlowly(std::string_view bytes, std::chrono::milliseconds gap);
  // Sends `chunk` again and again until the client goes away or `limit` passes.
  void SendUntilClientGoes(std::string_view chunk, std::chrono::milliseconds limit = 30s);
  // Waits until the client closes its side; false when `limit` passes first.
  bool WaitForClientClose(std::chrono::milliseconds limit = 10s);
  // Graceful close (the client reads the end of the stream).
  void Close();
  // Abortive close: the client sees a connection reset.
  void Reset();

 private:
  int fd_;
  ScriptedServer& server_;
};

class ScriptedServer {
 public:
  // Called once per accepted connection, in order; `index` counts from 0.
  using Script = std::function<void(ServerConnection& connection, int index)>;

  // Port 80 on the first free address of 127.80.<block>.1 to .254.
  ScriptedServer(int block, Script script);
  // `port` (0: any free one) on `address` (for instance "::1").
  ScriptedServer(const std::string& address, Script script, std::uint16_t port = 0);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  bool Listening() const { return listenFd_ >= 0; }
  const std::string& SkipReason() const { return skipReason_; }
  const std::string& Address() const { return address_; }
  std::uint16_t Port() const { return port_; }
  // "http://<address>" (with ":<port>" unless 80) + path.
  std::string Url(std::string_view path = "") const;

  // The request heads received so far, in order.
  std::vector<std::string> Requests() const;
  int ConnectionCount() const { return connections_; }
  // True while the server is alive: scripts that wait long should stop when it turns false.
  bool Running() const { return !stopping_; }

 private:
  friend class ServerConnection;
  void Bind(const std::string& address, std::uint16_t port, std::string& error);
  void Serve();
  void Record(std::string request);

  Script script_;
  int listenFd_ = -1;
  std::string address_;
  std::uint16_t port_ = 0;
  std::string skipReason_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// Answers GET and HEAD for the given request targets (path and query, e.g.
// "/update/test.html") as a plain web server would: 200 with the body, or 206 from the
// offset of a "Range: bytes=<n>-" header in any letter case; 404 for any other target.
ScriptedServer::Script ServeFiles(std::map<std::string, std::string> files);

// A complete reply with a Content-Length and "Connection: close".
std::string HttpReply(int status, std::string_view body, std::string_view extraHeaders = "");
// The same head without the body (for HEAD requests, or to send the body separately).
std::string HttpReplyHead(int status, std::int64_t contentLength, std::string_view extraHeaders = "");

}  // namespace brimsel::test

#define BRIMSEL_SKIP_UNLESS_LISTENING(server) \
  if (!(server).Listening()) GTEST_SKIP() << (server).SkipReason()
