#pragma once
// The matcher: runs a program over an input by depth-first backtracking. The choices still
// open live on an explicit stack, never on the C++ call stack, so no input can overflow it.
// Without back-references the failed states are remembered (see FailedStates), which gives
// the results of plain leftmost-first backtracking with work linear in the input.
//
// The stack holds one entry per open choice and per capture or counter change to undo. A
// repetition of a one-byte item (a run: "\S+", ".*?", "[0-9]{1,4}", "(x)*") is one entry
// however many bytes it covers, so the marker search "<!--date(\S+)Main -->" needs a
// handful of entries on any input (PeakStackDepth tells). What still grows with the input:
// loops whose body is more than one byte or an alternation ("(ab)*", "(a|b)+",
// "(\w+\s)*", nested loops) keep one choice per repetition, and their group and counter
// changes one undo entry each per repetition, also in the first n repetitions of "(ab){n,}"
// where nothing is left to choose. Runs stay one entry with back-references too.
//
// With back-references, only the states past the last reference (more exactly: where no
// captured text can still be read) are remembered, so the work before it may grow with a
// high power of the input. Every search therefore counts its steps: an instruction run, or
// a few bytes (kBytesPerStep) that a run takes or a comparison reads. Each step costs at
// most a small constant, so the step budget bounds the search's time as the other budgets
// bound its memory.
//
// The remembered states, the stack and the steps have a budget each (search_budget.h); a
// search that would pass one ends with kOverBudget, and the caller runs it another way.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pattern/failed_states.h"
#include "pattern/program.h"
#include "pattern/search_budget.h"

namespace brimsel::pattern {

// Start and end of group n in slots 2n and 2n + 1 (group 0 is the whole match); -1 unset.
using Captures = std::array<std::ptrdiff_t, 2 * (kMaxGroups + 1)>;

enum class SearchOutcome { kNoMatch, kMatch, kOverBudget };

class Matcher {
 public:
  explicit Matcher(const Program& program, std::size_t stack_budget_bytes = kBacktrackStackBudgetBytes,
                   std::uint64_t step_budget = kBacktrackStepBudget)
      : program_(program), stack_limit_(stack_budget_bytes / sizeof(Frame)), step_budget_(step_budget) {}

  // The leftmost match in `input`, start positions tried from the first byte to the end;
  // the captures are set on a match.
  SearchOutcome Search(std::string_view input, Captures& captures);

  // The most entries the backtracking stack held during the last search: what the search
  // cost in memory besides the remembered states.
  std::size_t PeakStackDepth() const { return peak_depth_; }
  // The steps the last search took (see above): what it cost in time.
  std::uint64_t StepsTaken() const { return steps_taken_; }

 private:
  // One entry of the backtracking stack: a choice to resume, or a change to undo.
  struct Frame {
    enum Kind : std::uint32_t {
      kResume,          // index: pc; a: position
      kRestoreOpening,  // index: group; a: its former opening
      kRestoreGroup,    // index: group; a, b: its former start and end; c: its former opening
      kRestoreCounter,  // index: counter; a: its former value
      kGreedyRun,       // index: the run's pc; a: the exit last tried; b: the run's start;
                        // c: the lowest exit worth trying
      kLazyRun,         // index: the run's pc; a: the exit last tried; b: the run's start
    };
    Kind kind;
    std::int32_t index;
    std::ptrdiff_t a;
    std::ptrdiff_t b = 0;
    std::ptrdiff_t c = 0;
  };
  struct OverBudget {};
  [[noreturn, gnu::cold, gnu::noinline]] static void PassBudget() { throw OverBudget{}; }

  bool MatchAt(std::size_t start);
  bool LeadRunFailedBefore(std::size_t start) const;
  bool FailedBefore(int pc, std::size_t position) const;
  void Charge(std::uint64_t steps) {
    steps_taken_ += steps;
    if (steps_taken_ > step_budget_) [[unlikely]] PassBudget();
  }
  void ChargeBytes(std::size_t bytes) { Charge(bytes / kBytesPerStep); }
  // Where an attempt at `start` begins: past the prefix when the program skips it, as
  // StartPositions found the prefix there already.
  std::size_t PastPrefix(std::size_t start) const {
    return program_.past_prefix_pc == 0 ? start : start + program_.literal_prefix.size();
  }
  void Push(const Frame& frame) {
    if (stack_.size() == stack_limit_) [[unlikely]] PassBudget();
    stack_.push_back(frame);
    if (stack_.size() > peak_depth_) peak_depth_ = stack_.size();
  }
  void Save(int slot, std::size_t position);
  bool Backtrack(int& pc, std::size_t& position);
  void Undo(const Frame& frame);

  const ByteRun& RunAt(int pc) const {
    return program_.runs[static_cast<std::size_t>(program_.code[static_cast<std::size_t>(pc)].a)];
  }
  bool EnterRun(int& pc, std::size_t& position);
  bool LazyRunExit(int run_pc, std::size_t start, std::size_t exit, int& pc, std::size_t& position);
  static constexpr std::size_t kNoExit = static_cast<std::size_t>(-1);
  // Room for the stack of a typical search at once, rather than growing it a frame at a time.
  static constexpr std::size_t kFirstStackFrames = 32;
  std::size_t ExitWorthTrying(const ByteRun& run, std::size_t exit, std::size_t lowest) {
    return run.next_items.empty() ? exit : ExitWhereItemsMatch(run, exit, lowest);
  }
  std::size_t ExitWhereItemsMatch(const ByteRun& run, std::size_t exit, std::size_t lowest);
  std::size_t RunLimit(const ByteRun& run, std::size_t start) const;
  bool RunRemembers(const ByteRun& run, std::size_t start) const;
  void PushRunGroupUndo(const ByteRun& run);
  void SetRunGroup(const ByteRun& run, std::size_t start, std::size_t exit);
  bool BackReferenceMatches(int pc, std::size_t& position);

  const Program& program_;
  std::size_t stack_limit_;
  std::uint64_t step_budget_;
  std::uint64_t steps_taken_ = 0;
  std::string_view input_;
  Captures slots_{};
  std::array<std::ptrdiff_t, kMaxGroups + 1> openings_{};
  std::vector<std::int32_t> counters_;
  std::vector<Frame> stack_;
  std::size_t peak_depth_ = 0;
  FailedStates failed_;
};

}  // namespace brimsel::pattern
