#include "pattern/match_first_group.h"

#include "pattern/pattern_engine.h"

namespace brimsel {

std::string MatchFirstGroup(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || text.empty()) return {};
  // A fresh engine for each search, released on every path, errors included.
  TPatternEngine engine;
  engine.SetExpression(pattern);
  engine.SetInput(text);
  if (!engine.Exec()) return {};
  return engine.Match(1);
}

}  // namespace brimsel
