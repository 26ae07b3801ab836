#pragma once
// What one search may hold in memory besides its input and its program, and the work it may
// do. The backtracker's remembered states take one bit per remembered instruction and input
// position; its stack takes one entry per open choice; its steps (matcher.h) are its time.
// When any of them would pass its share, the search is run again by the thread simulation,
// whose memory does not depend on the input and whose time is linear in it. Only a program
// too large to simulate, or a pattern with back-references (which only the backtracker
// runs), ends in the engine's budget error.

#include <cstddef>
#include <cstdint>

namespace brimsel::pattern {

inline constexpr std::size_t kMiB = std::size_t{1} << 20;

// The backtracker's remembered states: 32 MiB of bits.
inline constexpr std::size_t kRememberedBitsBudget = 32 * kMiB * 8;
// The backtracker's stack.
inline constexpr std::size_t kBacktrackStackBudgetBytes = 32 * kMiB;
// The backtracker's steps: a fifth of a second or so. The release-date marker takes at
// most about one step per four bytes of a reply, so a whole 8 MiB reply of nothing but
// near-markers stays below 2 million; the searches of the tests and the differential cases
// take at most 4.5 million.
inline constexpr std::uint64_t kBacktrackStepBudget = std::uint64_t{1} << 24;
// A step is one instruction, or this many bytes that a run takes, an exit check compares or
// a back-reference compares: about the same time.
inline constexpr std::size_t kBytesPerStep = 8;
// Instructions of a program whose counts are unrolled for the input; a few bytes of thread
// list per instruction and per capture slot.
inline constexpr std::size_t kUnrolledInstructionsBudget = std::size_t{1} << 16;

}  // namespace brimsel::pattern
