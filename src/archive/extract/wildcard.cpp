#include "archive/extract/wildcard.h"

#include "platform/codepage.h"

namespace brimsel {
namespace {

// The byte length of the character that starts at `i`.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool SameChar(std::string_view pattern, std::size_t p, std::size_t pLen, std::string_view name, std::size_t n,
              std::size_t nLen) {
  if (pLen != nLen) return false;
  if (pLen == 1) {
    const char a = pattern[p] == '/' ? '\\' : pattern[p];
    return a == name[n];
  }
  return pattern.substr(p, pLen) == name.substr(n, nLen);
}

}  // namespace

// Greedy matching with one remembered star: on a mismatch the last star takes one more
// character of the name. Linear in practice and never worse than pattern x name steps.
bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
      continue;
    }
    if (p < pattern.size()) {
      const std::size_t pLen = CharLength(pattern, p);
      const std::size_t nLen = CharLength(name, n);
      if ((pattern[p] == '?' && pLen == 1) || SameChar(pattern, p, pLen, name, n, nLen)) {
        p += pLen;
        n += nLen;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starN += CharLength(name, starN);
    p = starP;
    n = starN;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace brimsel
