#pragma once
// What one search may hold in memory besides its input and its program. The backtracker's
// remembered states take one bit per remembered instruction and input position; its stack
// takes one entry per open choice. When either would pass its share, the search is run
// again by the thread simulation, whose memory does not depend on the input at all. Only a
// program too large to simulate, or a pattern with back-references (which only the
// backtracker runs), ends in the engine's budget error.

#include <cstddef>

namespace brimsel::pattern {

inline constexpr std::size_t kMiB = std::size_t{1} << 20;

// The backtracker's remembered states: 32 MiB of bits.
inline constexpr std::size_t kRememberedBitsBudget = 32 * kMiB * 8;
// The backtracker's stack.
inline constexpr std::size_t kBacktrackStackBudgetBytes = 32 * kMiB;
// Instructions of a program whose counts are unrolled for the input; a few bytes of thread
// list per instruction and per capture slot.
inline constexpr std::size_t kUnrolledInstructionsBudget = std::size_t{1} << 16;

}  // namespace brimsel::pattern
