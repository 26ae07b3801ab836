#include "pattern/assertions.h"

namespace brimsel::pattern {
namespace {

bool IsWordAt(const Program& program, std::string_view input, std::size_t position) {
  return position < input.size() && program.word_chars.Contains(static_cast<unsigned char>(input[position]));
}

bool BetweenPairedSeparator(const Program& program, std::string_view input, std::size_t position) {
  return program.has_paired_separator && position > 0 && position < input.size() &&
         static_cast<unsigned char>(input[position - 1]) == program.paired_first &&
         static_cast<unsigned char>(input[position]) == program.paired_second;
}

}  // namespace

bool AssertionHolds(const Program& program, std::string_view input, Assertion assertion, std::size_t position) {
  const std::size_t end = input.size();
  switch (assertion) {
    case Assertion::kBeginInput: return position == 0;
    case Assertion::kEndInput: return position == end;
    case Assertion::kBeginLine:
      return position == 0 ||
             (program.line_separators.Contains(static_cast<unsigned char>(input[position - 1])) &&
              !BetweenPairedSeparator(program, input, position));
    case Assertion::kEndLine:
      return position == end ||
             (program.line_separators.Contains(static_cast<unsigned char>(input[position])) &&
              !BetweenPairedSeparator(program, input, position));
    case Assertion::kWordBoundary:
    case Assertion::kNotWordBoundary: {
      const bool before = position > 0 && IsWordAt(program, input, position - 1);
      const bool boundary = before != IsWordAt(program, input, position);
      return boundary == (assertion == Assertion::kWordBoundary);
    }
  }
  return false;
}

}  // namespace brimsel::pattern
