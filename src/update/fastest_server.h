#pragma once
// The choice of the fastest download server while the servers are probed one by one: a
// later server replaces the best only with a strictly smaller time, so on equal times the
// earlier one stays, and a time of kNoServerFasterThanMs or more is never chosen.

#include <cstdint>

namespace brimsel {

inline constexpr std::int64_t kNoServerFasterThanMs = 100000;

class FastestServer {
 public:
  // A server row whose probe passed in `elapsedMs`.
  void Offer(int row, std::int64_t elapsedMs) {
    if (elapsedMs < bestMs_) {
      bestMs_ = elapsedMs;
      row_ = row;
    }
  }
  int Row() const { return row_; }  // -1 while none has been chosen
  std::int64_t BestMs() const { return bestMs_; }

 private:
  std::int64_t bestMs_ = kNoServerFasterThanMs;
  int row_ = -1;
};

}  // namespace brimsel
