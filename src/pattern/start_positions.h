#pragma once
// Where a match can start, in order, found by scanning rather than by trying: at a literal
// prefix, at a byte that can begin a match, and only where the literal that every match
// contains occurs within the reach of the items before it. Both search engines take their
// start positions from here.

#include <cstddef>
#include <string_view>

#include "pattern/program.h"

namespace brimsel::pattern {

// Finds a literal text by its rarest byte.
class LiteralFinder {
 public:
  explicit LiteralFinder(std::string_view literal);
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
        prefix_(program.literal_prefix),
        required_(program.required_literal),
        single_first_byte_(program.first_bytes.Count() == 1) {}

  // The first position at or after `from` where a match can start; kNone when no match can
  // start there or later.
  std::size_t Next(std::size_t from);

 private:
  // The first occurrence of the required literal at or after `earliest`, or kNone.
  std::size_t RequiredLiteralFrom(std::size_t earliest);

  const Program& program_;
  std::string_view input_;
  LiteralFinder prefix_;
  LiteralFinder required_;
  bool single_first_byte_;
  // The next occurrence of the required literal found so far, and whether there is none.
  std::size_t required_at_ = 0;
  bool required_searched_ = false;
};

}  // namespace brimsel::pattern
