#include "pattern/failed_states.h"

namespace brimsel::pattern {

void FailedStates::Reset(const Program& program, std::size_t input_length) {
  program_ = &program;
  stride_ = input_length + 1;
  const std::size_t bits = program.memo_counters.size() * stride_;
  dense_ = bits <= kDenseLimitBits;
  bits_.assign(dense_ ? (bits + 63) / 64 : 0, 0);
  sparse_.clear();
  counted_.clear();
}

bool FailedStates::FirstVisit(int memo, std::size_t position, const std::vector<std::int32_t>& counters) {
  const std::vector<int>& loops = program_->memo_counters[static_cast<std::size_t>(memo)];
  if (!loops.empty()) {
    key_.assign(reinterpret_cast<const char*>(&memo), sizeof memo);
    key_.append(reinterpret_cast<const char*>(&position), sizeof position);
    for (int counter : loops) {
      key_.append(reinterpret_cast<const char*>(&counters[static_cast<std::size_t>(counter)]), sizeof(std::int32_t));
    }
    return counted_.insert(key_).second;
  }
  const std::uint64_t index = static_cast<std::uint64_t>(memo) * stride_ + position;
  if (!dense_) return sparse_.insert(index).second;
  std::uint64_t& word = bits_[index >> 6];
  const std::uint64_t bit = std::uint64_t{1} << (index & 63);
  if (word & bit) return false;
  word |= bit;
  return true;
}

}  // namespace brimsel::pattern
