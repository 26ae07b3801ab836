#pragma once
// The matcher's memory of states it has already explored. The search is depth-first, so a
// state seen a second time was fully explored the first time and failed then (a success
// ends the search); without back-references what follows a state depends on the state
// alone, not on the captures, so it would fail again and can be skipped. Each state is
// thus explored once, which keeps the work linear in the input for a given program.
//
// A state is (remembered instruction, position): one bit each, the bits of one position side
// by side, since a search works on a few positions at a time with many instructions.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pattern/program.h"

namespace brimsel::pattern {

class FailedStates {
 public:
  // The bits that a search of `program` over `input_length` bytes needs.
  static std::size_t BitsFor(const Program& program, std::size_t input_length) {
    return static_cast<std::size_t>(program.memo_count) * (input_length + 1);
  }

  // Forgets everything; prepares for an input of `input_length` bytes.
  void Reset(const Program& program, std::size_t input_length) {
    stride_ = static_cast<std::size_t>(program.memo_count);
    bits_.assign((BitsFor(program, input_length) + 63) / 64, 0);
  }

  // True the first time the state is seen, false afterwards.
  bool FirstVisit(int memo, std::size_t position) {
    const std::size_t index = position * stride_ + static_cast<std::size_t>(memo);
    std::uint64_t& word = bits_[index >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (index & 63);
    if (word & bit) return false;
    word |= bit;
    return true;
  }

 private:
  std::size_t stride_ = 0;
  std::vector<std::uint64_t> bits_;
};

}  // namespace brimsel::pattern
