#pragma once
// Where a match can start, in order, found by scanning rather than by trying: at a literal
// prefix, at a byte that can begin a match, and only where the literal that every match
// contains occurs within the reach of the items before it. Both search engines take their
// start positions from here.

#include <cstddef>
#include <string_view>

#include "pattern/program.h"

namespace brimsel::pattern {

// The byte of a literal text to look for first: the one least common in web pages and
// other text. The compiler finds it once for the program.
std::size_t RarestByteOf(std::string_view literal);

// Finds a literal text by its rarest byte.
class LiteralFinder {
 public:
  LiteralFinder(std::string_view literal, std::size_t rarest) : literal_(literal), rarest_(rarest) {}
  // The first occurrence at or after `from`; StartPositions::kNone when there is none.
  std::size_t Find(std::string_view text, std::size_t from) const;

 private:
  std::string_view literal_;
  std::size_t rarest_ = 0;
};

class StartPositions {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  StartPositions(const Program& program, std::string_view input)
      : program_(program),
        input_(input),
        prefix_(program.literal_prefix, program.literal_prefix_rarest),
        required_(program.required_literal, program.required_literal_rarest),
        literal_required_(!program.required_literal.empty()),
        set_required_(!(program.required_set == CharSet::All())) {}

  // The first position at or after `from` where a match can start; kNone when no match can
  // start there or later.
  std::size_t Next(std::size_t from);

 private:
  // The first start from `start` on that can reach an occurrence of the required literal,
  // or of a byte of the required set, within its window; kNone when none can.
  std::size_t FirstReachingLiteral(std::size_t start);
  std::size_t FirstReachingSet(std::size_t start);

  const Program& program_;
  std::string_view input_;
  LiteralFinder prefix_;
  LiteralFinder required_;
  bool literal_required_;
  bool set_required_;
  // The next occurrences of the required literal and of a byte of the required set found
  // so far; kUnknown before the first search.
  static constexpr std::size_t kUnknown = kNone - 1;
  std::size_t required_at_ = kUnknown;
  std::size_t required_set_at_ = kUnknown;
};

}  // namespace brimsel::pattern
