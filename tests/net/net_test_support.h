#pragma once
// What the net tests share: the loopback blocks of this test program's servers
// (127.80.<block>.x; the package download always goes to port 80, so every server takes an
// address of its own), a message pump installed for the length of a test, and a socket
// connected to a scripted server.

#include <gtest/gtest.h>

#include <memory>

#include "platform/client_socket.h"
#include "platform/pump.h"
#include "support/scripted_server.h"

namespace brimsel::test {

inline constexpr int kNetTestBlock = 1;
// Nothing ever listens here: connections are refused at once.
inline constexpr char kRefusingHost[] = "127.80.0.1";

class PumpScope {
 public:
  explicit PumpScope(platform::MessagePump pump) { previous_ = platform::SetMessagePump(std::move(pump)); }
  ~PumpScope() { platform::SetMessagePump(previous_); }

 private:
  platform::MessagePump previous_;
};

class ConnectedSocketTest : public ::testing::Test {
 protected:
  // Starts `script` on port 80 of a loopback address and, when it listens, connects to it.
  void Connect(ScriptedServer::Script script) {
    server_ = std::make_unique<ScriptedServer>(kNetTestBlock, std::move(script));
    if (!server_->Listening()) return;
    socket_.SetHost(server_->Address());
    socket_.SetPort(80);
    socket_.SetActive(true);
  }

  std::unique_ptr<ScriptedServer> server_;
  platform::TClientSocket socket_;
};

}  // namespace brimsel::test
