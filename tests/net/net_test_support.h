#pragma once
// What the net tests share: the loopback blocks of this test program's servers
// (127.80.<block>.x; the package download always goes to port 80, so every server takes an
// address of its own), and a message pump installed for the length of a test.

#include "platform/pump.h"

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

}  // namespace brimsel::test
