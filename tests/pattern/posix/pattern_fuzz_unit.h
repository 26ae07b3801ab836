#pragma once
// How fuzz/pattern_fuzzer.cpp makes a search of its input: the first byte says how many
// pattern pieces follow, each next byte picks one piece of the syntax that the engine shares
// with PCRE2, and the bytes after them are the subject. The regression test replays the
// units kept in tests/data/pattern_regressions the same way.

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brimsel::pattern_fuzz {

// Counts past the compile-time unroll limit are in, so that programs unrolled for each
// input are checked too; PCRE2 takes counts up to 65535.
inline constexpr std::array<const char*, 48> kTokens = {
    "a", "b", "c", "a", "b", " ", "1", "-", "(", "(", ")", ")", "|", "|", "*", "+", "?", "*?", "+?", "??",
    "{2}", "{1,3}", "{0,2}?", "{2,}", "{0,150}", "{3,200}?", "[ab]", "[^a]", "[a-c]", "[\\d_]", "[]a]", ".",
    "\\d", "\\w", "\\s", "\\S", "\\W", "\\b", "\\B", "^", "$", "\\1", "\\2", "(?i)", "(?-i)", "(?m)", "(?-s)", "\\."};

inline constexpr std::size_t kMaxPieces = 23;
inline constexpr std::size_t kMaxSubject = 200;

struct Unit {
  std::string pattern;
  std::string subject;
};

// Nothing for an input that makes no pattern, or a pattern that the two read differently.
inline std::optional<Unit> DecodeUnit(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::nullopt;
  const std::size_t pieces = std::min<std::size_t>(data[0] % (kMaxPieces + 1), size - 1);
  Unit unit;
  for (std::size_t i = 1; i <= pieces; ++i) unit.pattern += kTokens[data[i] % kTokens.size()];
  // The subject avoids what the two define differently: carriage return (a line separator
  // here, not there), vertical tab (a space there) and NUL (the end of the input here).
  for (std::size_t i = 1 + pieces; i < size && unit.subject.size() < kMaxSubject; ++i) {
    const char byte = static_cast<char>(data[i]);
    if (byte == '\0') break;
    unit.subject += byte == '\r' || byte == '\v' ? 'x' : byte;
  }
  if (unit.pattern.empty()) return std::nullopt;
  // "\21" is group 2 and a "1" here, but the character 021 (octal) there.
  const std::string& pattern = unit.pattern;
  for (std::size_t at = pattern.find('\\'); at != std::string::npos; at = pattern.find('\\', at + 2)) {
    if (at + 2 < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[at + 1])) &&
        std::isdigit(static_cast<unsigned char>(pattern[at + 2]))) {
      return std::nullopt;
    }
  }
  return unit;
}

}  // namespace brimsel::pattern_fuzz
