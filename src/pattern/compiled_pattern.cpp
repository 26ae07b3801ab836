#include "pattern/compiled_pattern.h"

#include <optional>
#include <utility>

#include "pattern/compiler.h"
#include "pattern/pattern_error.h"
#include "pattern/search_budget.h"
#include "pattern/start_positions.h"
#include "pattern/thread_simulation.h"

namespace brimsel::pattern {
namespace {

// The program with every count unrolled for an input of `input_length` bytes; the budget
// error when it would be too large, which a repeat left with a counter also says.
Program UnrolledFor(const SyntaxTree& tree, const Settings& settings, std::size_t input_length, bool for_threads) {
  CompileOptions options;
  options.unroll_limit = kUnrolledInstructionsBudget;
  options.input_length = input_length;
  options.byte_runs = !for_threads;
  options.merge_strings = !for_threads;
  if (ProgramSize(tree, options) > kUnrolledInstructionsBudget) throw EPatternError(kPatternSearchBudgetExceeded, 0);
  Program program = Compile(tree, settings, options);
  if (program.counter_count > 0) throw EPatternError(kPatternSearchBudgetExceeded, 0);
  return program;
}

}  // namespace

CompiledPattern::CompiledPattern(SyntaxTree tree, const Settings& settings, std::uint64_t step_budget)
    : tree_(std::move(tree)), settings_(settings), program_(Compile(tree_, settings_)), step_budget_(step_budget) {}

bool CompiledPattern::Search(std::string_view input, Captures& captures) const {
  std::optional<Program> unrolled;
  if (!tree_.has_back_references && program_.counter_count > 0) {
    // Unrolling costs time in proportion to the counts: not for an input where no match can start.
    if (StartPositions(program_, input).Next(0) == StartPositions::kNone) return false;
    unrolled = UnrolledFor(tree_, settings_, input.size(), /*for_threads=*/false);
  }
  SearchOutcome outcome;
  if (unrolled) {
    outcome = Matcher(*unrolled, kBacktrackStackBudgetBytes, step_budget_).Search(input, captures);
  } else {
    // The matcher of the last search keeps its buffers for the next one, as long as they
    // are small: a search of a page needs no allocation then.
    if (!matcher_) matcher_.emplace(program_, kBacktrackStackBudgetBytes, step_budget_);
    outcome = matcher_->Search(input, captures);
    if (input.size() > kInputOfKeptMatcher) matcher_.reset();
  }
  if (outcome != SearchOutcome::kOverBudget) return outcome == SearchOutcome::kMatch;
  // Back-references need the captures of the way taken so far, which only the
  // backtracker keeps.
  if (tree_.has_back_references) throw EPatternError(kPatternSearchBudgetExceeded, 0);
  const Program threads = UnrolledFor(tree_, settings_, input.size(), /*for_threads=*/true);
  return ThreadSimulation(threads).Search(input, captures);
}

}  // namespace brimsel::pattern
