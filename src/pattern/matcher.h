#pragma once
// The matcher: runs a program over an input by depth-first backtracking. The choices still
// open live on an explicit stack, never on the C++ call stack, so no input can overflow it.
// Without back-references the failed states are remembered (see FailedStates), which gives
// the results of plain leftmost-first backtracking with polynomial work.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pattern/failed_states.h"
#include "pattern/program.h"

namespace brimsel::pattern {

// Start and end of group n in slots 2n and 2n + 1 (group 0 is the whole match); -1 unset.
using Captures = std::array<std::ptrdiff_t, 2 * (kMaxGroups + 1)>;

class Matcher {
 public:
  explicit Matcher(const Program& program) : program_(program) {}

  // The leftmost match in `input`, start positions tried from the first byte to the end.
  bool Search(std::string_view input, Captures& captures);

 private:
  // One entry of the backtracking stack: a choice to resume, or a change to undo.
  struct Frame {
    enum Kind : std::uint32_t { kResume, kRestoreSlot, kRestoreOpening, kRestoreCounter };
    Kind kind;
    std::int32_t index;   // pc, slot or counter
    std::ptrdiff_t value; // position, or the value to restore
  };

  bool MatchAt(std::size_t start);
  void Save(int slot, std::size_t position);
  bool Backtrack(int& pc, std::size_t& position);
  bool AssertionHolds(Assertion assertion, std::size_t position) const;
  bool IsWordAt(std::size_t position) const;
  bool BetweenPairedSeparator(std::size_t position) const;
  bool BackReferenceMatches(const Instruction& in, std::size_t& position) const;

  const Program& program_;
  std::string_view input_;
  Captures slots_{};
  std::array<std::ptrdiff_t, kMaxGroups + 1> openings_{};
  std::vector<std::int32_t> counters_;
  std::vector<Frame> stack_;
  FailedStates failed_;
};

}  // namespace brimsel::pattern
