#include "pattern/pattern_engine.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "pattern/compiled_pattern.h"
#include "pattern/parser.h"

namespace brimsel {

static_assert(TPatternEngine::kSubExpressionCount == pattern::kMaxGroups + 1);

TPatternEngine::TPatternEngine() : step_budget_(pattern::kBacktrackStepBudget) { ClearMatch(); }

void TPatternEngine::SetStepBudget(std::uint64_t steps) {
  step_budget_ = steps;
  compiled_.reset();
}

TPatternEngine::~TPatternEngine() = default;

void TPatternEngine::SetExpression(std::string_view expression) {
  if (expression == expression_) return;
  expression_ = std::string(expression);
  compiled_.reset();
}

void TPatternEngine::SetInput(std::string_view text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (nul != nullptr) text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
  if (input_) {
    input_->assign(text);  // into the buffer of the last input, when it is large enough
  } else {
    input_.emplace(text);
  }
  ClearMatch();
}

void TPatternEngine::TakeInput(std::string&& text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  input_ = std::move(text);
  ClearMatch();
}

void TPatternEngine::CompileIfNeeded() {
  if (compiled_ && compiled_with_ == settings_) return;
  compiled_.reset();
  compiled_ = std::make_unique<const pattern::CompiledPattern>(pattern::Parse(expression_, settings_), settings_,
                                                               step_budget_);
  compiled_with_ = settings_;
}

bool TPatternEngine::Exec() {
  try {
    return Search();
  } catch (const std::bad_alloc&) {
    // The budget keeps a search far below what a machine holds; should memory still run
    // out, the caller gets the engine's own error, as for any other search that cannot run.
    throw EPatternError(kPatternSearchBudgetExceeded, 0);
  } catch (const std::length_error&) {
    throw EPatternError(kPatternSearchBudgetExceeded, 0);
  }
}

bool TPatternEngine::Search() {
  if (expression_.empty()) throw EPatternError(kPatternNoExpression, 0);
  CompileIfNeeded();
  if (!input_) throw EPatternError(kPatternNoInput, 0);
  ClearMatch();
  pattern::Captures found;
  if (!compiled_->Search(*input_, found)) return false;
  static_assert(std::tuple_size_v<pattern::Captures> == std::tuple_size_v<decltype(captures_)>);
  captures_ = found;
  return true;
}

std::ptrdiff_t TPatternEngine::MatchPos(int n) const {
  if (n < 0 || n >= kSubExpressionCount || !input_) return -1;
  return captures_[static_cast<std::size_t>(2 * n)];
}

std::ptrdiff_t TPatternEngine::MatchLen(int n) const {
  const std::ptrdiff_t start = MatchPos(n);
  if (start < 0) return -1;
  return captures_[static_cast<std::size_t>(2 * n + 1)] - start;
}

std::string TPatternEngine::Match(int n) const {
  const std::ptrdiff_t start = MatchPos(n);
  if (start < 0) return {};
  return input_->substr(static_cast<std::size_t>(start), static_cast<std::size_t>(MatchLen(n)));
}

bool TPatternEngine::Modifier(char letter) const {
  pattern::Modifiers copy = settings_.modifiers;
  const bool* modifier = copy.Find(letter);
  if (modifier == nullptr) throw EPatternError(kPatternUnrecognizedModifier, 0);
  return *modifier;
}

void TPatternEngine::SetModifier(char letter, bool on) {
  bool* modifier = settings_.modifiers.Find(letter);
  if (modifier == nullptr) throw EPatternError(kPatternUnrecognizedModifier, 0);
  *modifier = on;
}

void TPatternEngine::SetSpaceChars(std::string_view chars) { settings_.space_chars = std::string(chars); }

void TPatternEngine::SetWordChars(std::string_view chars) { settings_.word_chars = std::string(chars); }

void TPatternEngine::SetLineSeparators(std::string_view chars) { settings_.line_separators = std::string(chars); }

void TPatternEngine::SetLinePairedSeparator(std::string_view chars) {
  const bool valid = chars.empty() || (chars.size() == 2 && chars[0] != chars[1]);
  if (!valid) throw EPatternError(kPatternBadPairedSeparator, 0);
  settings_.line_paired_separator = std::string(chars);
}

}  // namespace brimsel
