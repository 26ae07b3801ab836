#include "pattern/failed_states.h"

#include <algorithm>

namespace brimsel::pattern {

void FailedStates::Reset(const Program& program, std::size_t input_length) {
  program_ = &program;
  stride_ = input_length + 1;
  const std::size_t bits = program.memo_counters.size() * stride_;
  dense_ = bits <= kDenseLimitBits;
  bits_.assign(dense_ ? (bits + 63) / 64 : 0, 0);
  std::size_t most_counters = 0;
  for (const auto& counters : program.memo_counters) most_counters = std::max(most_counters, counters.size());
  key_.assign(2 + (most_counters + 1) / 2, 0);
  others_.Reset(key_.size());
}

bool FailedStates::FirstVisit(int memo, std::size_t position, const std::vector<std::int32_t>& counters) {
  const std::vector<int>& loops = program_->memo_counters[static_cast<std::size_t>(memo)];
  bool counted = false;
  std::fill(key_.begin() + 2, key_.end(), 0);
  for (std::size_t i = 0; i < loops.size(); ++i) {
    const std::int32_t count = counters[static_cast<std::size_t>(loops[i])];
    if (!CountStillMatters(loops[i], count, position)) continue;
    counted = true;
    key_[2 + i / 2] |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(count) + 1) << (32 * (i % 2));
  }
  if (counted || !dense_) {
    key_[0] = position + 1;
    key_[1] = static_cast<std::uint64_t>(memo);
    return others_.Insert(key_.data());
  }
  const std::uint64_t index = static_cast<std::uint64_t>(memo) * stride_ + position;
  std::uint64_t& word = bits_[index >> 6];
  const std::uint64_t bit = std::uint64_t{1} << (index & 63);
  if (word & bit) return false;
  word |= bit;
  return true;
}

// Once a counted loop has its minimum, the exact count only matters while the maximum can
// still be reached: every further repetition consumes at least one byte, so with more
// repetitions left than bytes the loop behaves as if it had no maximum, whatever the
// count. Such states are one state, which keeps "{0,99999999}" linear.
bool FailedStates::CountStillMatters(int counter, std::int32_t count, std::size_t position) const {
  const CountedRepeat& repeat = program_->repeats[static_cast<std::size_t>(counter)];
  if (count < repeat.min) return true;
  if (repeat.max == kUnbounded) return false;
  const std::size_t left = static_cast<std::size_t>(repeat.max - count);
  return left <= stride_ - 1 - position;
}

}  // namespace brimsel::pattern
