#pragma once
// The least a package download must bring to go on: a server that sends fewer than
// `minBytes` in any `window` of the body (a trickle, or silence) ends the download as a
// failure, so that no download runs for days. The rule's clock can be replaced, so that
// tests need not wait out the window.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace brimsel {

struct PaceRule {
  using Clock = std::chrono::steady_clock;
  std::int64_t minBytes = 1024;
  std::chrono::milliseconds window{30000};
  // Empty: the steady clock.
  std::function<Clock::time_point()> now;
};

// "fewer than 1024 bytes in 30 s", for a log.
std::string DescribePaceRule(const PaceRule& rule);

class PaceWatch {
 public:
  using Clock = PaceRule::Clock;

  // The body starts now.
  explicit PaceWatch(PaceRule rule);

  void Received(std::int64_t bytes);
  // True once a whole window, ending now, has brought fewer than the rule's bytes.
  bool TooSlow();

 private:
  struct Arrival {
    Clock::time_point at;
    std::int64_t bytes;
  };
  Clock::time_point Now() const { return rule_.now ? rule_.now() : Clock::now(); }

  PaceRule rule_;
  Clock::time_point start_;
  // The latest arrivals, as many as it takes to reach minBytes: an older one adds nothing to
  // any window that holds these.
  std::deque<Arrival> recent_;
  std::int64_t recentBytes_ = 0;
};

}  // namespace brimsel
