// The errors: each syntax error code where it belongs, with the number of pattern
// characters read when it was found, and the message texts.
#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

#include "pattern/match_first_group.h"
#include "pattern/pattern_engine.h"

namespace brimsel {
namespace {

// The EPatternError that `action` raises; code 0 when it raises none.
EPatternError Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const EPatternError& error) {
    return error;
  }
  return EPatternError(0, 0);
}

// Compiles by searching (setting the expression reports nothing by itself).
EPatternError ErrorOf(const std::string& pattern) {
  TPatternEngine engine;
  engine.SetExpression(pattern);
  engine.SetInput("text");
  return Raised([&engine] { engine.Exec(); });
}

TEST(PatternErrors, EachCodeWhereItBelongsWithItsPosition) {
  std::string fourteenGroups;
  for (int i = 0; i < 14; ++i) fourteenGroups += "(a)";
  const struct {
    std::string pattern;
    int code;  // 0: the pattern compiles
    int position;
  } rows[] = {
      {fourteenGroups, 0, 0},
      {fourteenGroups + "(", kPatternTooManyGroups, 43},
      {"(a", kPatternUnclosedGroup, 2},
      {"((a)", kPatternUnclosedGroup, 4},
      {"a)", kPatternUnopenedGroup, 2},
      {"(a))b", kPatternUnopenedGroup, 4},
      // Repeats of what can match nothing; "?" never loops, and a reference to a closed
      // group that consumes is fine.
      {"(a*)*", kPatternOperandCouldBeEmpty, 5},
      {"(a|)+", kPatternOperandCouldBeEmpty, 5},
      {"()*", kPatternOperandCouldBeEmpty, 3},
      {"\\b*", kPatternOperandCouldBeEmpty, 3},
      {"^+", kPatternOperandCouldBeEmpty, 2},
      {"(a?){2}", kPatternOperandCouldBeEmpty, 7},
      {"(a*)\\1*", kPatternOperandCouldBeEmpty, 7},
      {"\\1+(a)", kPatternOperandCouldBeEmpty, 3},  // not yet known: may be empty
      {"(a\\1*)", kPatternOperandCouldBeEmpty, 5},  // the group is still open
      {"(a*)?", 0, 0},
      {"^?", 0, 0},
      {"(a)\\1+", 0, 0},
      {"(a+){2,}", 0, 0},
      // A quantifier after a quantifier or after nothing.
      {"a**", kPatternNestedQuantifier, 3},
      {"a+*", kPatternNestedQuantifier, 3},
      {"a?+", kPatternNestedQuantifier, 3},
      {"a*??", kPatternNestedQuantifier, 4},
      {"a{2}{3}", kPatternNestedQuantifier, 7},
      {"a{2}*", kPatternNestedQuantifier, 5},
      {"*a", kPatternQuantifierFollowsNothing, 1},
      {"+", kPatternQuantifierFollowsNothing, 1},
      {"?", kPatternQuantifierFollowsNothing, 1},
      {"{2}", kPatternQuantifierFollowsNothing, 3},
      {"a|*", kPatternQuantifierFollowsNothing, 3},
      {"(*)", kPatternQuantifierFollowsNothing, 2},
      {"a(?i)*", kPatternQuantifierFollowsNothing, 6},
      {"(?#note)+", kPatternQuantifierFollowsNothing, 9},
      // Hex escapes.
      {"\\xG1", kPatternBadHexDigit, 3},
      {"\\x4G", kPatternBadHexDigit, 4},
      {"\\x{4G}", kPatternBadHexDigit, 5},
      {"\\x{}", kPatternBadHexDigit, 4},
      {"[\\xZZ]", kPatternBadHexDigit, 4},
      {"\\x", kPatternNoHexCode, 2},
      {"\\x4", kPatternNoHexCode, 3},
      {"\\x{41", kPatternNoHexCode, 5},
      {"[\\x", kPatternNoHexCode, 3},
      {"\\x{100}", kPatternHexCodeTooBig, 7},
      {"\\x{FFFFFFFFFFFF}", kPatternHexCodeTooBig, 16},
      {"\\x{0FF}", 0, 0},
      // Classes.
      {"[z-a]", kPatternInvalidRange, 4},
      {"[\\x42-\\x41]", kPatternInvalidRange, 10},
      {"(?-r)[\\xE0-\\xDF]", kPatternInvalidRange, 15},
      {"[a\\", kPatternClassTrailingBackslash, 3},
      {"[abc", kPatternUnmatchedClass, 4},
      {"[]", kPatternUnmatchedClass, 2},
      {"[^]", kPatternUnmatchedClass, 3},
      {"[a-", kPatternUnmatchedClass, 3},
      // Escapes, counts, comments and modifiers.
      {"a\\", kPatternTrailingBackslash, 2},
      {"a{123456789}", kPatternCountTooBig, 12},
      {"a{1,123456789}", kPatternCountTooBig, 14},
      {"a{99999999}", 0, 0},
      {"a{1,99999999}", 0, 0},
      {"a{3,2}", kPatternCountMinAboveMax, 6},
      {"a(?#abc", kPatternUnclosedComment, 7},
      {"(?:a)", kPatternUnrecognizedModifier, 3},
      {"(?q)", kPatternUnrecognizedModifier, 3},
      {"(?i-s-m)", kPatternUnrecognizedModifier, 6},
      {"(?i", kPatternUnrecognizedModifier, 3},
      {"(?=a)", kPatternUnrecognizedModifier, 3},
      // The first error in the pattern is reported.
      {"a**(", kPatternNestedQuantifier, 3},
      {"[z-a](", kPatternInvalidRange, 4},
  };
  for (const auto& row : rows) {
    const EPatternError error = ErrorOf(row.pattern);
    EXPECT_EQ(error.Code(), row.code) << "pattern " << row.pattern;
    EXPECT_EQ(error.Position(), row.position) << "pattern " << row.pattern;
  }
  // MatchFirstGroup lets them reach its caller.
  EXPECT_EQ(Raised([] { MatchFirstGroup("text", "a**"); }).Code(), kPatternNestedQuantifier);
}

TEST(PatternErrors, SearchErrorsAndMessagesWithThePositionOfSyntaxErrorsOnly) {
  static_assert(std::is_base_of_v<Exception, EPatternError>);  // the general exception class
  TPatternEngine engine;
  EPatternError error = Raised([&engine] { engine.Exec(); });
  EXPECT_EQ(error.Code(), kPatternNoExpression);
  EXPECT_EQ(error.Message(), "TPatternEngine(exec): Not Assigned Expression Property");
  engine.SetExpression("a");
  error = Raised([&engine] { engine.Exec(); });
  EXPECT_EQ(error.Code(), kPatternNoInput);
  EXPECT_EQ(error.Message(), "TPatternEngine(exec): No Input String Specified");
  engine.SetInput("");  // an empty input is an input
  EXPECT_FALSE(engine.Exec());
  engine.SetExpression("a**");
  EXPECT_EQ(Raised([&engine] { engine.Exec(); }).Message(), "TPatternEngine(comp): Nested *?+ (pos 3)");

  TPatternEngine noExpression;
  noExpression.SetInput("a");
  EXPECT_EQ(Raised([&noExpression] { noExpression.Exec(); }).Code(), kPatternNoExpression);
}

TEST(PatternErrors, PairedSeparatorMustBeTwoDifferentCharactersOrNone) {
  TPatternEngine engine;
  for (const char* bad : {"\r", "\r\r", "abc"}) {
    const EPatternError error = Raised([&engine, bad] { engine.SetLinePairedSeparator(bad); });
    EXPECT_EQ(error.Code(), kPatternBadPairedSeparator) << "accepted " << bad;
    EXPECT_EQ(error.Message(),
              "TPatternEngine(comp): LinePairedSeparator must countain two different chars or no chars at all "
              "(pos 0)");
    EXPECT_EQ(engine.LinePairedSeparator(), "\r\n");
  }
  for (const char* good : {"", "ab"}) {
    engine.SetLinePairedSeparator(good);
    EXPECT_EQ(engine.LinePairedSeparator(), good);
  }
}

TEST(PatternErrors, EveryCodeHasItsText) {
  EXPECT_EQ(PatternErrorText(103), PatternErrorText(104));
  EXPECT_EQ(PatternErrorText(110), "TPatternEngine(comp): Parse Atom Trailing \\");
  EXPECT_EQ(PatternErrorText(111), "TPatternEngine(comp): No Hex Code After \\x");
  EXPECT_EQ(PatternErrorText(119), "TPatternEngine(comp): RarseAtom Internal Disaster");
  EXPECT_EQ(PatternErrorText(124), "TPatternEngine(comp): BRACE Min Param Greater then Max");
  EXPECT_EQ(PatternErrorText(1006), "TPatternEngine(exec): Offset Must Be Greater Then 0");
  EXPECT_EQ(PatternErrorText(1015), "TPatternEngine(exec): Loop Without LoopEntry !");
  EXPECT_EQ(PatternErrorText(101), "Unknown error");
  EXPECT_EQ(PatternErrorText(2000), "Unknown error");
  EXPECT_EQ(EPatternError(2000, 1).Message(), "Unknown error");
  EXPECT_EQ(EPatternError(101, 4).Message(), "Unknown error (pos 4)");
}

}  // namespace
}  // namespace brimsel
