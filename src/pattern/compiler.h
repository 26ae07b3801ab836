#pragma once
// The compiler: syntax tree to program.
//
// Counted repeats are unrolled while that keeps the program small; larger ones (a count may
// have eight digits) become a loop with a counter, so the program stays the size of the
// pattern whatever the counts say.

#include "pattern/pattern_settings.h"
#include "pattern/program.h"
#include "pattern/syntax_tree.h"

namespace brimsel::pattern {

// Instructions an unrolled counted repeat may take; beyond that a counter is used.
inline constexpr int kUnrollLimit = 128;

Program Compile(const SyntaxTree& tree, const Settings& settings);

}  // namespace brimsel::pattern
