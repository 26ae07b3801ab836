#pragma once
// The matcher's memory of states it has already explored. The search is depth-first, so a
// state seen a second time was fully explored the first time and failed then (a success
// ends the search); without back-references what follows a state depends on the state
// alone, not on the captures, so it would fail again and can be skipped. Each state is
// thus explored once, which keeps the work polynomial whatever the pattern nests.
//
// A state is (instruction, position) and, inside counted loops, the loop counters too as far
// as they still matter.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pattern/program.h"
#include "pattern/state_set.h"

namespace brimsel::pattern {

class FailedStates {
 public:
  // Forgets everything; prepares for an input of `input_length` bytes.
  void Reset(const Program& program, std::size_t input_length);

  // True the first time the state is seen, false afterwards.
  bool FirstVisit(int memo, std::size_t position, const std::vector<std::int32_t>& counters);

 private:
  bool CountStillMatters(int counter, std::int32_t count, std::size_t position) const;

  // Positions of memo points outside counted loops as one bit each while that stays small.
  static constexpr std::size_t kDenseLimitBits = std::size_t{1} << 28;

  const Program* program_ = nullptr;
  std::size_t stride_ = 0;
  bool dense_ = true;
  std::vector<std::uint64_t> bits_;
  // The other states as keys: position + 1, memo point, then the counts that matter, two
  // to a word (count + 1, or 0 for a count that does not matter).
  StateSet others_;
  std::vector<std::uint64_t> key_;
};

}  // namespace brimsel::pattern
