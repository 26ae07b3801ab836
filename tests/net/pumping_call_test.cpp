// The blocking calls of the network waits run on helper threads that outlive the calls.
#include "platform/pumping_call.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace brimsel::platform {
namespace {

using namespace std::chrono_literals;

TEST(CallPumping, HelpersServeCallAfterCallAndOneLeftBehindDoesNotHoldUpTheNext) {
  // A helper started and ended for each call raced the next one's start under Wine.
  int most = 0;
  for (int call = 0; call < 20; ++call) {
    const auto served = CallPumping<int>(
        [] {
          thread_local int callsOfThisHelper = 0;
          return ++callsOfThisHelper;
        },
        nullptr);
    ASSERT_TRUE(served.has_value());
    most = std::max(most, *served);
  }
  EXPECT_GT(most, 1);

  // A call its caller walked away from still blocks its helper; the next call gets another.
  std::promise<void> release;
  auto leftBehindEnded = std::make_shared<std::atomic<bool>>(false);
  const bool cancelled = true;
  EXPECT_FALSE(CallPumping<int>(
                   [held = release.get_future().share(), leftBehindEnded] {
                     held.wait_for(10s);
                     *leftBehindEnded = true;
                     return 0;
                   },
                   &cancelled)
                   .has_value());
  const auto servedMeanwhile = CallPumping<bool>([leftBehindEnded] { return !*leftBehindEnded; }, nullptr);
  release.set_value();
  EXPECT_EQ(servedMeanwhile, true);
}

}  // namespace
}  // namespace brimsel::platform
