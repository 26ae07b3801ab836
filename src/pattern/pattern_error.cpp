#include "pattern/pattern_error.h"

namespace brimsel {
namespace {

constexpr int kFirstSearchError = 1000;

std::string MessageOf(int code, int position) {
  std::string message = PatternErrorText(code);
  if (code < kFirstSearchError) {
    message.append(" (pos ").append(std::to_string(position)).append(")");
  }
  return message;
}

}  // namespace

std::string PatternErrorText(int code) {
  switch (code) {
    case kPatternNullArgument: return "TPatternEngine(comp): Null Argument";
    case kPatternTooManyGroups: return "TPatternEngine(comp): ParseReg Too Many ()";
    case kPatternUnclosedGroup: return "TPatternEngine(comp): ParseReg Unmatched ()";
    case kPatternUnopenedGroup: return "TPatternEngine(comp): ParseReg Unmatched ()";
    case kPatternJunkOnEnd: return "TPatternEngine(comp): ParseReg Junk On End";
    case kPatternOperandCouldBeEmpty: return "TPatternEngine(comp): *+ Operand Could Be Empty";
    case kPatternNestedQuantifier: return "TPatternEngine(comp): Nested *?+";
    case kPatternBadHexDigit: return "TPatternEngine(comp): Bad Hex Digit";
    case kPatternInvalidRange: return "TPatternEngine(comp): Invalid [] Range";
    case kPatternClassTrailingBackslash: return "TPatternEngine(comp): Parse Atom Trailing \\";
    case kPatternNoHexCode: return "TPatternEngine(comp): No Hex Code After \\x";
    case kPatternHexCodeTooBig: return "TPatternEngine(comp): Hex Code After \\x Is Too Big";
    case kPatternUnmatchedClass: return "TPatternEngine(comp): Unmatched []";
    case kPatternInternalUrp: return "TPatternEngine(comp): Internal Urp";
    case kPatternQuantifierFollowsNothing: return "TPatternEngine(comp): ?+*{ Follows Nothing";
    case kPatternTrailingBackslash: return "TPatternEngine(comp): Trailing \\";
    case kPatternAtomInternalDisaster: return "TPatternEngine(comp): RarseAtom Internal Disaster";
    case kPatternCountTooBig: return "TPatternEngine(comp): BRACES Argument Too Big";
    case kPatternCountMinAboveMax: return "TPatternEngine(comp): BRACE Min Param Greater then Max";
    case kPatternUnclosedComment: return "TPatternEngine(comp): Unclosed (?#Comment)";
    case kPatternUnrecognizedModifier: return "TPatternEngine(comp): Urecognized Modifier";
    case kPatternBadPairedSeparator:
      return "TPatternEngine(comp): LinePairedSeparator must countain two different chars or no chars at all";
    case kPatternRepeatCalledInappropriately: return "TPatternEngine(exec): RegRepeat Called Inappropriately";
    case kPatternMemoryCorruption: return "TPatternEngine(exec): MatchPrim Memory Corruption";
    case kPatternCorruptedPointers: return "TPatternEngine(exec): MatchPrim Corrupted Pointers";
    case kPatternNoExpression: return "TPatternEngine(exec): Not Assigned Expression Property";
    case kPatternCorruptedProgram: return "TPatternEngine(exec): Corrupted Program";
    case kPatternNoInput: return "TPatternEngine(exec): No Input String Specified";
    case kPatternOffsetNotPositive: return "TPatternEngine(exec): Offset Must Be Greater Then 0";
    case kPatternLoopStackExceeded: return "TPatternEngine(exec): Loop Stack Exceeded";
    case kPatternLoopWithoutEntry: return "TPatternEngine(exec): Loop Without LoopEntry !";
    case kPatternSearchBudgetExceeded: return "TPatternEngine(exec): Search Exceeds Its Time Or Memory Budget";
    default: return "Unknown error";
  }
}

EPatternError::EPatternError(int code, int position)
    : Exception(MessageOf(code, position)), code_(code), position_(position) {}

}  // namespace brimsel
