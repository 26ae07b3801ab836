#pragma once
// A connection that plays a server's replies from memory: the first connect gets the first
// reply, the next connect the next one. Each reply is handed out in receives of at most a
// given size, and when it is used up the server closes, goes silent or resets, as the
// reply says; a reply may also refuse the connection. What the client sends is kept.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/client_socket.h"

namespace brimsel::fuzz {

struct ScriptedReply {
  enum class End { Close, Silence, Reset, Refuse };
  std::string bytes;
  End end = End::Close;
};

class ScriptedConnection : public platform::ClientConnection {
 public:
  // `chunk`: the most one receive hands out (0: no limit but the caller's).
  ScriptedConnection(std::vector<ScriptedReply> replies, std::size_t chunk)
      : replies_(std::move(replies)), chunk_(chunk) {}

  void SetHost(std::string host) override { host_ = std::move(host); }
  void SetPort(int) override {}
  bool Active() const override { return active_; }
  void SetActive(bool active) override;
  void SetCancelFlag(const bool*) override {}
  void SendText(std::string_view text) override;
  int ReceiveBuf(void* buffer, int count) override;
  bool WaitForData(int timeoutMs) override;

  // Every request sent, one per connection.
  const std::vector<std::string>& Sent() const { return sent_; }
  // Bytes handed out on the current connection.
  std::size_t Delivered() const { return position_; }

 private:
  const ScriptedReply* Current() const;

  std::vector<ScriptedReply> replies_;
  std::size_t chunk_;
  std::string host_;
  bool active_ = false;
  int connections_ = 0;
  std::size_t position_ = 0;
  std::vector<std::string> sent_;
};

}  // namespace brimsel::fuzz
