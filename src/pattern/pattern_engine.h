#pragma once
// TPatternEngine: the regular-expression engine of the pattern search. One object holds one
// expression, one input, the modifiers and character sets, and the positions of the last
// match. The expression is compiled by the first search after it or a setting changed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pattern/pattern_error.h"
#include "pattern/pattern_settings.h"

namespace brimsel {

namespace pattern {
class CompiledPattern;
}

class TPatternEngine {
 public:
  // Group 0 (the whole match) and capture groups 1 to 14.
  static constexpr int kSubExpressionCount = 15;

  TPatternEngine();
  ~TPatternEngine();
  TPatternEngine(const TPatternEngine&) = delete;
  TPatternEngine& operator=(const TPatternEngine&) = delete;

  // Stores a copy of the pattern; a changed pattern drops the compiled form. Syntax errors
  // are raised by the next search, not here.
  void SetExpression(std::string_view expression);
  const std::string& Expression() const { return expression_; }

  // Stores a copy of the text up to its first NUL byte and clears the match positions.
  void SetInput(std::string_view text);
  // The same for a text the caller gives away: it is kept without a copy.
  void TakeInput(std::string&& text);
  bool HasInput() const { return input_.has_value(); }

  // Compiles if needed (raising syntax errors), then searches the input from its first byte.
  // True when a match was found; the match positions are then set.
  // Raises 1003 for an empty expression, 1005 when no input was set, and 1016 when the
  // search would pass its time or memory budget; nothing but EPatternError leaves it.
  bool Exec();

  // The text of group n (0 to 14); empty when n is out of range, no input is set, or the
  // group is unset.
  std::string Match(int n) const;
  // The 0-based byte offset and the length of group n; -1 when it has none.
  std::ptrdiff_t MatchPos(int n) const;
  std::ptrdiff_t MatchLen(int n) const;

  // The modifiers by letter: i, r, s, g, m, x in either case; any other letter raises 127.
  bool Modifier(char letter) const;
  void SetModifier(char letter, bool on);

  const std::string& SpaceChars() const { return settings_.space_chars; }
  void SetSpaceChars(std::string_view chars);
  const std::string& WordChars() const { return settings_.word_chars; }
  void SetWordChars(std::string_view chars);
  const std::string& LineSeparators() const { return settings_.line_separators; }
  void SetLineSeparators(std::string_view chars);
  // The backtracker's steps in one search; the default is the product's. A fuzzer gives
  // fewer, so that a search that would pass them ends soon in the same way.
  void SetStepBudget(std::uint64_t steps);

  const std::string& LinePairedSeparator() const { return settings_.line_paired_separator; }
  // Two different characters, or none; anything else raises 128 and changes nothing.
  void SetLinePairedSeparator(std::string_view chars);

 private:
  void CompileIfNeeded();
  bool Search();
  void ClearMatch() { captures_.fill(-1); }

  pattern::Settings settings_;
  std::string expression_;
  std::optional<std::string> input_;
  std::unique_ptr<const pattern::CompiledPattern> compiled_;
  pattern::Settings compiled_with_;
  std::uint64_t step_budget_;
  std::array<std::ptrdiff_t, 2 * kSubExpressionCount> captures_{};
};

}  // namespace brimsel
