#pragma once
// A parsed pattern with the ways to search with it. The backtracker searches first, with
// its remembered states, its stack and its steps each within budget; a search that would
// pass one is run again by the thread simulation, which needs no remembered states and no
// stack, and whose time is linear in the input. Programs with counted loops
// are compiled again for each input, with every count unrolled as far as the input can
// hold it, so that no search has to remember loop counts.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "pattern/matcher.h"
#include "pattern/pattern_settings.h"
#include "pattern/program.h"
#include "pattern/syntax_tree.h"

namespace brimsel::pattern {

class CompiledPattern {
 public:
  // `step_budget`: the backtracker's steps in one search (search_budget.h).
  CompiledPattern(SyntaxTree tree, const Settings& settings, std::uint64_t step_budget = kBacktrackStepBudget);
  // The kept matcher refers to the program.
  CompiledPattern(const CompiledPattern&) = delete;
  CompiledPattern& operator=(const CompiledPattern&) = delete;

  // The leftmost-first match in `input`; the captures are set on a match. Raises the
  // budget error (kPatternSearchBudgetExceeded) when no way of searching fits the budget.
  bool Search(std::string_view input, Captures& captures) const;

 private:
  // The longest input after whose search the matcher is kept, with what it holds.
  static constexpr std::size_t kInputOfKeptMatcher = 64 * 1024;

  SyntaxTree tree_;
  Settings settings_;
  Program program_;
  std::uint64_t step_budget_;
  mutable std::optional<Matcher> matcher_;
};

}  // namespace brimsel::pattern
