#pragma once
// The compiler: syntax tree to program.
//
// Counted repeats are unrolled while that keeps the program small; larger ones (a count may
// have eight digits) become a loop with a counter, so the program stays the size of the
// pattern whatever the counts say. A search that must not keep counters (the remembered
// states and the thread simulation know only instruction and position) compiles for the
// length of its input: no repetition can be taken more often than the input has bytes for,
// so larger counts are cut to that and every count is unrolled.

#include <cstddef>
#include <limits>

#include "pattern/pattern_settings.h"
#include "pattern/program.h"
#include "pattern/syntax_tree.h"

namespace brimsel::pattern {

// Instructions an unrolled counted repeat may take; beyond that a counter is used.
inline constexpr std::size_t kUnrollLimit = 128;

struct CompileOptions {
  // Instructions an unrolled counted repeat may take, and the length of the input the
  // program will search, by which counts are cut (the largest value: not known).
  std::size_t unroll_limit = kUnrollLimit;
  std::size_t input_length = std::numeric_limits<std::size_t>::max();
  // A repetition of a one-byte item as one run instruction and a literal text as one
  // string instruction: what the backtracker wants. The thread simulation moves one byte
  // at a time and wants neither.
  bool byte_runs = true;
  bool merge_strings = true;
};

// The size of the program that `options` would give, without making it: the number may
// be far beyond what can be held.
std::size_t ProgramSize(const SyntaxTree& tree, const CompileOptions& options);

Program Compile(const SyntaxTree& tree, const Settings& settings, const CompileOptions& options = {});

}  // namespace brimsel::pattern
