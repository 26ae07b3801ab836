#pragma once
// The blocking client socket that the package download speaks HTTP over, and the socket
// stream that waits for data with a time limit. Built on POSIX sockets on Linux and on
// Winsock on Windows; names and dotted addresses, IPv4 and IPv6.
//
// Active is true from a successful connect until the program closes the connection or a
// send or receive error drops it; a graceful close by the server does not make it false
// (receives then give 0).
//
// A connect lets the window run while it waits: the name is looked up on a helper thread
// and the connection awaited in slices, with the message queue pumped every
// kPumpIntervalMs. It gives up after kConnectTimeoutMs, or at once when the cancel flag is set.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace brimsel::platform {

enum TClientType { ctNonBlocking, ctBlocking };

// What the package download needs of its connection, as TClientSocket below gives it. The
// download speaks through this alone, so that another connection (a scripted one that
// plays a server's replies from memory) runs the very same exchange.
class ClientConnection {
 public:
  virtual ~ClientConnection() = default;
  virtual void SetHost(std::string host) = 0;
  virtual void SetPort(int port) = 0;
  virtual bool Active() const = 0;
  virtual void SetActive(bool active) = 0;
  virtual void SetCancelFlag(const bool* cancelFlag) = 0;
  virtual void SendText(std::string_view text) = 0;
  virtual int ReceiveBuf(void* buffer, int count) = 0;
  // True when at least one byte (buffered bytes included), or the end of the stream, can be
  // read within `timeoutMs`; false when the limit passes or nothing is connected.
  virtual bool WaitForData(int timeoutMs) = 0;
  bool Connected() const { return Active(); }
};

class TClientSocket : public ClientConnection {
 public:
  TClientSocket() = default;
  ~TClientSocket() override;
  TClientSocket(const TClientSocket&) = delete;
  TClientSocket& operator=(const TClientSocket&) = delete;

  // Only the blocking kind is built; the setting is kept for the window's sake.
  TClientType ClientType() const { return clientType_; }
  void SetClientType(TClientType type) { clientType_ = type; }

  // Set while the connection is closed; used by the next connect.
  const std::string& Host() const { return host_; }
  void SetHost(std::string host) override { host_ = std::move(host); }
  int Port() const { return port_; }
  void SetPort(int port) override { port_ = port; }

  bool Active() const override { return fd_ >= 0; }
  // true: resolves Host and connects to Port, blocking until connected; raises
  // brimsel::Exception when the name cannot be resolved, no address accepts within
  // kConnectTimeoutMs, or the cancel flag is set meanwhile. Does nothing when already
  // active. false: closes the connection; nothing when closed.
  void SetActive(bool active) override;
  // The flag that ends a connect's wait (a confirmed Close); null: none.
  void SetCancelFlag(const bool* cancelFlag) override { cancelFlag_ = cancelFlag; }

  // Sends every byte, blocking. An error drops the connection and raises.
  void SendText(std::string_view text) override;
  // Blocks until at least one byte has arrived or the server has closed; returns the count,
  // 0 after a graceful close or when not connected. An error drops the connection and raises.
  // Underneath, a small receive takes whatever the kernel already holds (up to
  // kReceiveBlockSize) and the receives that follow are served from it: header lines read
  // byte by byte then cost the system a call per block rather than per byte. A receive of
  // kDirectReceiveSize or more with nothing held goes straight into the caller's buffer.
  int ReceiveBuf(void* buffer, int count) override;
  bool WaitForData(int timeoutMs) override;
  // Bytes received from the connection and not yet handed out.
  std::size_t Buffered() const { return bufferedEnd_ - bufferedStart_; }

  static constexpr std::size_t kReceiveBlockSize = 256 * 1024;
  static constexpr int kDirectReceiveSize = 16 * 1024;

  // Closes the connection after an error; Active becomes false and what was buffered is gone.
  void Drop();

 private:
  using Clock = std::chrono::steady_clock;
  enum class Waited { Ready, TimedOut };

  void Connect();
  // Host as the name resolver takes it.
  std::string NameToResolve() const;
  // Asks `ready` with slices of at most kPumpIntervalMs until it holds or `deadline` passes,
  // pumping messages after every slice; raises once the cancel flag is set.
  Waited WaitPumping(const std::function<bool(int sliceMs)>& ready, Clock::time_point deadline) const;
  bool Cancelled() const { return cancelFlag_ != nullptr && *cancelFlag_; }
  [[noreturn]] void RaiseCancelled() const;

  TClientType clientType_ = ctNonBlocking;
  std::string host_;
  int port_ = 0;
  int fd_ = -1;
  const bool* cancelFlag_ = nullptr;
  std::unique_ptr<char[]> buffered_;  // made at the first receive
  std::size_t bufferedStart_ = 0;
  std::size_t bufferedEnd_ = 0;
};

// A stream over a connected client socket whose reads wait at most `timeoutMs`.
class TWinSocketStream {
 public:
  TWinSocketStream(ClientConnection& socket, int timeoutMs) : socket_(socket), timeoutMs_(timeoutMs) {}

  // As the connection's own WaitForData.
  bool WaitForData(int timeoutMs) { return socket_.WaitForData(timeoutMs); }
  // Up to `count` bytes after waiting at most the stream's own limit: 0 when the limit
  // passed or the server has closed. An error drops the connection and raises.
  int Read(void* buffer, int count);

 private:
  ClientConnection& socket_;
  int timeoutMs_;
};

}  // namespace brimsel::platform
