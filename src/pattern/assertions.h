#pragma once
// The zero-width assertions ("^", "$", "\b", ...) at a position of the input, as both the
// backtracker and the thread simulation test them.

#include <cstddef>
#include <string_view>

#include "pattern/program.h"

namespace brimsel::pattern {

bool AssertionHolds(const Program& program, std::string_view input, Assertion assertion, std::size_t position);

}  // namespace brimsel::pattern
