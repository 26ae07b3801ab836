// Work that runs in one piece still lets the window's messages through.
#include "platform/pump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace brimsel::platform {
namespace {

TEST(MessagePump, WorkInOnePieceLetsTheMessagesThroughAndPassesItsErrorOn) {
  std::mutex mutex;
  std::condition_variable pumped;
  int pumps = 0;
  const MessagePump previous = SetMessagePump([&] {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      ++pumps;
    }
    pumped.notify_all();
  });
  bool answeredMeanwhile = false;
  RunWhilePumping([&] {
    std::unique_lock<std::mutex> lock(mutex);
    answeredMeanwhile = pumped.wait_for(lock, std::chrono::seconds(5), [&] { return pumps > 0; });
  });
  EXPECT_TRUE(answeredMeanwhile);
  EXPECT_THROW(RunWhilePumping([] { throw std::runtime_error("broken"); }), std::runtime_error);
  SetMessagePump(previous);

  std::thread::id ranOn;
  RunWhilePumping([&] { ranOn = std::this_thread::get_id(); });  // no pump: no thread either
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace brimsel::platform
