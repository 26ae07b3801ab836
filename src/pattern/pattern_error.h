#pragma once
// EPatternError: the error of the pattern engine. It carries the error code and, for a
// syntax error, the number of pattern characters read when the error was found.

#include <string>

#include "platform/exception.h"

namespace brimsel {

// The error codes. Codes below 1000 are syntax errors found while compiling; codes from
// 1000 up are found while searching. Several codes name internal states that this engine
// never reaches; they are kept so that every code keeps its text.
enum PatternErrorCode : int {
  kPatternNullArgument = 100,
  kPatternTooManyGroups = 102,
  kPatternUnclosedGroup = 103,
  kPatternUnopenedGroup = 104,
  kPatternJunkOnEnd = 105,
  kPatternOperandCouldBeEmpty = 106,
  kPatternNestedQuantifier = 107,
  kPatternBadHexDigit = 108,
  kPatternInvalidRange = 109,
  kPatternClassTrailingBackslash = 110,
  kPatternNoHexCode = 111,
  kPatternHexCodeTooBig = 112,
  kPatternUnmatchedClass = 113,
  kPatternInternalUrp = 114,
  kPatternQuantifierFollowsNothing = 115,
  kPatternTrailingBackslash = 116,
  kPatternAtomInternalDisaster = 119,
  kPatternCountTooBig = 122,
  kPatternCountMinAboveMax = 124,
  kPatternUnclosedComment = 125,
  kPatternUnrecognizedModifier = 127,
  kPatternBadPairedSeparator = 128,
  kPatternRepeatCalledInappropriately = 1000,
  kPatternMemoryCorruption = 1001,
  kPatternCorruptedPointers = 1002,
  kPatternNoExpression = 1003,
  kPatternCorruptedProgram = 1004,
  kPatternNoInput = 1005,
  kPatternOffsetNotPositive = 1006,
  kPatternLoopStackExceeded = 1014,
  kPatternLoopWithoutEntry = 1015,
  // A search that would need more memory or time than the engine allows one search.
  kPatternSearchBudgetExceeded = 1016,
};

// The text of a code alone, "Unknown error" for a code without a text.
std::string PatternErrorText(int code);

class EPatternError : public Exception {
 public:
  // The message is the code's text; for a syntax error followed by " (pos N)".
  EPatternError(int code, int position);

  int Code() const noexcept { return code_; }
  int Position() const noexcept { return position_; }

 private:
  int code_;
  int position_;
};

}  // namespace brimsel
