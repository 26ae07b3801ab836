#pragma once
// Shorthands for the engine tests: run a search and describe what it found.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pattern/pattern_engine.h"

namespace brimsel::test {

// The release-date marker of the update check.
inline constexpr char kMarker[] = "<!--date(\\S+)Main -->";
inline constexpr std::size_t kMiB = 1024 * 1024;

inline constexpr char kUnset[] = "<unset>";
inline constexpr char kNoMatch[] = "<no match>";

// The texts of groups 0 to the last set one, kUnset for an unset group in between; a single
// kNoMatch when nothing matches.
inline std::vector<std::string> Search(TPatternEngine& engine, std::string_view pattern, std::string_view input) {
  engine.SetExpression(pattern);
  engine.SetInput(input);
  if (!engine.Exec()) return {kNoMatch};
  std::vector<std::string> groups;
  for (int n = 0; n < TPatternEngine::kSubExpressionCount; ++n) {
    groups.push_back(engine.MatchPos(n) < 0 ? kUnset : engine.Match(n));
  }
  while (!groups.empty() && groups.back() == kUnset) groups.pop_back();
  return groups;
}

inline std::vector<std::string> Search(std::string_view pattern, std::string_view input) {
  TPatternEngine engine;
  return Search(engine, pattern, input);
}

// Start and end (0-based) of group n of the first match; {-1, -1} without one.
inline std::pair<long, long> Span(std::string_view pattern, std::string_view input, int n = 0) {
  TPatternEngine engine;
  engine.SetExpression(pattern);
  engine.SetInput(input);
  if (!engine.Exec() || engine.MatchPos(n) < 0) return {-1, -1};
  return {static_cast<long>(engine.MatchPos(n)), static_cast<long>(engine.MatchPos(n) + engine.MatchLen(n))};
}

using Texts = std::vector<std::string>;

// `unit` written `count` times.
inline std::string Times(std::string_view unit, std::size_t count) {
  std::string text;
  text.reserve(unit.size() * count);
  for (std::size_t i = 0; i < count; ++i) text += unit;
  return text;
}

}  // namespace brimsel::test
