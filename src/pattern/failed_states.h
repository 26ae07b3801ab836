#pragma once
// The matcher's memory of states it has already explored. The search is depth-first, so a
// state seen a second time was fully explored the first time and failed then (a success
// ends the search); without back-references what follows a state depends on the state
// alone, not on the captures, so it would fail again and can be skipped. Each state is
// thus explored once, which keeps the work linear in the input for a given program.
//
// A state is (remembered instruction, position): one bit each, the bits of one position side
// by side, since a search works on a few positions at a time with many instructions. The
// loop heads of runs have bits of their own, one row per run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pattern/program.h"

namespace brimsel::pattern {

class FailedStates {
 public:
  // The bits that a search of `program` over `input_length` bytes needs.
  static std::size_t BitsFor(const Program& program, std::size_t input_length) {
    return (static_cast<std::size_t>(program.memo_count) + program.runs.size()) * RunStride(input_length);
  }

  // Forgets everything; prepares for an input of `input_length` bytes.
  void Reset(const Program& program, std::size_t input_length) {
    stride_ = static_cast<std::size_t>(program.memo_count);
    bits_.assign((stride_ * (input_length + 1) + 63) / 64, 0);
    run_stride_ = RunStride(input_length);
    run_bits_.assign(program.runs.size() * run_stride_ / 64, 0);
  }

  // True the first time the state is seen, false afterwards.
  bool FirstVisit(int memo, std::size_t position) { return FirstSight(bits_, Index(memo, position)); }
  // Whether the state was seen, without marking it.
  bool Seen(int memo, std::size_t position) const {
    const std::size_t index = Index(memo, position);
    return (bits_[index >> 6] >> (index & 63)) & 1;
  }

  // The same for the loop head of run `run` ("at least the minimum taken, the next byte at
  // `position`"). A run's positions lie side by side, so that a greedy run can look at 64 of
  // them at once.
  bool FirstRunVisit(int run, std::size_t position) { return FirstSight(run_bits_, RunIndex(run, position)); }
  // The first position from `position` to the end of its block of 64 that run `run` has
  // seen; the block's end when there is none.
  std::size_t FirstSeenInBlock(int run, std::size_t position) const {
    const std::size_t index = RunIndex(run, position);
    const std::uint64_t seen = run_bits_[index >> 6] >> (index & 63);
    const std::size_t block_end = (position | 63) + 1;
    return seen == 0 ? block_end : position + static_cast<std::size_t>(__builtin_ctzll(seen));
  }
  // Marks the positions from `from` up to `to` (exclusive) of run `run` as seen.
  void SeeRange(int run, std::size_t from, std::size_t to) {
    for (std::size_t index = RunIndex(run, from), last = RunIndex(run, to); index < last;) {
      const std::size_t bit = index & 63;
      const std::size_t count = std::min<std::size_t>(64 - bit, last - index);
      const std::uint64_t mask = count == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << count) - 1) << bit;
      run_bits_[index >> 6] |= mask;
      index += count;
    }
  }

 private:
  // Positions 0 to input_length, rounded up to whole words.
  static std::size_t RunStride(std::size_t input_length) { return (input_length + 1 + 63) / 64 * 64; }
  std::size_t Index(int memo, std::size_t position) const {
    return position * stride_ + static_cast<std::size_t>(memo);
  }
  std::size_t RunIndex(int run, std::size_t position) const {
    return static_cast<std::size_t>(run) * run_stride_ + position;
  }
  static bool FirstSight(std::vector<std::uint64_t>& bits, std::size_t index) {
    std::uint64_t& word = bits[index >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (index & 63);
    if (word & bit) return false;
    word |= bit;
    return true;
  }

  std::size_t stride_ = 0;
  std::vector<std::uint64_t> bits_;
  std::size_t run_stride_ = 0;
  std::vector<std::uint64_t> run_bits_;
};

}  // namespace brimsel::pattern
