#pragma once
// The parser: pattern text to syntax tree. Raises EPatternError with the syntax error codes;
// the position it reports is the number of pattern characters read when the error was found.
//
// Recursion follows the nesting of capture groups only, and a pattern has at most 14 of
// them, so no pattern can make the parser run deep.

#include <string_view>

#include "pattern/pattern_settings.h"
#include "pattern/syntax_tree.h"

namespace brimsel::pattern {

SyntaxTree Parse(std::string_view pattern, const Settings& settings);

}  // namespace brimsel::pattern
