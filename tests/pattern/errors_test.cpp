// The errors: each syntax error code where it belongs, with the number of pattern
// characters read when it was found, and the message texts.
#include <gtest/gtest.h>

#include "pattern/pattern_engine.h"

namespace brimsel {
namespace {

struct ErrorRow {
  std::string pattern;
  int code;
  int position;
};

// Compiles by searching; returns the error, or code 0 when the pattern compiled.
ErrorRow ErrorOf(const std::string& pattern) {
  TPatternEngine engine;
  engine.SetExpression(pattern);  // reports nothing by itself
  engine.SetInput("text");
  try {
    engine.Exec();
  } catch (const EPatternError& error) {
    return {pattern, error.Code(), error.Position()};
  }
  return {pattern, 0, 0};
}

void ExpectErrors(const std::vector<ErrorRow>& rows) {
  for (const ErrorRow& row : rows) {
    const ErrorRow actual = ErrorOf(row.pattern);
    EXPECT_EQ(actual.code, row.code) << "pattern " << row.pattern;
    EXPECT_EQ(actual.position, row.position) << "pattern " << row.pattern;
  }
}

std::string FourteenGroups() {
  std::string pattern;
  for (int i = 0; i < 14; ++i) pattern += "(a)";
  return pattern;
}

TEST(PatternErrors, Groups) {
  EXPECT_EQ(ErrorOf(FourteenGroups()).code, 0);
  ExpectErrors({
      {FourteenGroups() + "(", kPatternTooManyGroups, 43},
      {"(a", kPatternUnclosedGroup, 2},
      {"((a)", kPatternUnclosedGroup, 4},
      {"a)", kPatternUnopenedGroup, 2},
      {"(a))b", kPatternUnopenedGroup, 4},
  });
}

TEST(PatternErrors, RepeatsOfWhatCanMatchNothing) {
  ExpectErrors({
      {"(a*)*", kPatternOperandCouldBeEmpty, 5},
      {"(a|)+", kPatternOperandCouldBeEmpty, 5},
      {"()*", kPatternOperandCouldBeEmpty, 3},
      {"\\b*", kPatternOperandCouldBeEmpty, 3},
      {"^+", kPatternOperandCouldBeEmpty, 2},
      {"(a?){2}", kPatternOperandCouldBeEmpty, 7},
      {"(a*)\\1*", kPatternOperandCouldBeEmpty, 7},
      {"\\1+(a)", kPatternOperandCouldBeEmpty, 3},  // not yet known: may be empty
      {"(a\\1*)", kPatternOperandCouldBeEmpty, 5},  // the group is still open
  });
  // "?" never loops, and a reference to a closed group that consumes is fine.
  for (const char* pattern : {"(a*)?", "^?", "(a)\\1+", "(a+){2,}"}) {
    EXPECT_EQ(ErrorOf(pattern).code, 0) << pattern;
  }
}

TEST(PatternErrors, QuantifierAfterQuantifierOrAfterNothing) {
  ExpectErrors({
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
  });
}

TEST(PatternErrors, HexEscapes) {
  ExpectErrors({
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
  });
  EXPECT_EQ(ErrorOf("\\x{0FF}").code, 0);
}

TEST(PatternErrors, Classes) {
  ExpectErrors({
      {"[z-a]", kPatternInvalidRange, 4},
      {"[\\x42-\\x41]", kPatternInvalidRange, 10},
      {"(?-r)[\\xE0-\\xDF]", kPatternInvalidRange, 15},
      {"[a\\", kPatternClassTrailingBackslash, 3},
      {"[abc", kPatternUnmatchedClass, 4},
      {"[]", kPatternUnmatchedClass, 2},
      {"[^]", kPatternUnmatchedClass, 3},
      {"[a-", kPatternUnmatchedClass, 3},
  });
}

TEST(PatternErrors, EscapesCountsCommentsAndModifiers) {
  ExpectErrors({
      {"a\\", kPatternTrailingBackslash, 2},
      {"a{123456789}", kPatternCountTooBig, 12},
      {"a{1,123456789}", kPatternCountTooBig, 14},
      {"a{3,2}", kPatternCountMinAboveMax, 6},
      {"a(?#abc", kPatternUnclosedComment, 7},
      {"(?:a)", kPatternUnrecognizedModifier, 3},
      {"(?q)", kPatternUnrecognizedModifier, 3},
      {"(?i-s-m)", kPatternUnrecognizedModifier, 6},
      {"(?i", kPatternUnrecognizedModifier, 3},
      {"(?=a)", kPatternUnrecognizedModifier, 3},
  });
  EXPECT_EQ(ErrorOf("a{99999999}").code, 0);
  EXPECT_EQ(ErrorOf("a{1,99999999}").code, 0);
}

TEST(PatternErrors, TheFirstErrorInThePatternIsReported) {
  ExpectErrors({
      {"a**(", kPatternNestedQuantifier, 3},
      {"[z-a](", kPatternInvalidRange, 4},
  });
}

TEST(PatternErrors, MessagesCarryThePositionOfSyntaxErrorsOnly) {
  TPatternEngine engine;
  engine.SetExpression("a**");
  engine.SetInput("a");
  try {
    engine.Exec();
    FAIL() << "no error";
  } catch (const Exception& error) {  // derived from the general exception class
    EXPECT_EQ(error.Message(), "TPatternEngine(comp): Nested *?+ (pos 3)");
  }
  TPatternEngine empty;
  empty.SetInput("a");
  try {
    empty.Exec();
    FAIL() << "no error";
  } catch (const EPatternError& error) {
    EXPECT_EQ(error.Code(), kPatternNoExpression);
    EXPECT_EQ(error.Message(), "TPatternEngine(exec): Not Assigned Expression Property");
  }
}

TEST(PatternErrors, SearchErrors) {
  TPatternEngine engine;
  EXPECT_THROW(
      {
        try {
          engine.Exec();
        } catch (const EPatternError& error) {
          EXPECT_EQ(error.Code(), kPatternNoExpression);
          throw;
        }
      },
      EPatternError);
  engine.SetExpression("a");
  try {
    engine.Exec();
    FAIL() << "no error";
  } catch (const EPatternError& error) {
    EXPECT_EQ(error.Code(), kPatternNoInput);
    EXPECT_EQ(error.Message(), "TPatternEngine(exec): No Input String Specified");
  }
  engine.SetInput("");  // an empty input is an input
  EXPECT_FALSE(engine.Exec());
}

TEST(PatternErrors, PairedSeparatorMustBeTwoDifferentCharactersOrNone) {
  TPatternEngine engine;
  for (const char* bad : {"\r", "\r\r", "abc"}) {
    try {
      engine.SetLinePairedSeparator(bad);
      FAIL() << "accepted " << bad;
    } catch (const EPatternError& error) {
      EXPECT_EQ(error.Code(), kPatternBadPairedSeparator);
      EXPECT_EQ(error.Message(),
                "TPatternEngine(comp): LinePairedSeparator must countain two different chars or no chars at all "
                "(pos 0)");
    }
    EXPECT_EQ(engine.LinePairedSeparator(), "\r\n");
  }
  engine.SetLinePairedSeparator("");
  EXPECT_EQ(engine.LinePairedSeparator(), "");
  engine.SetLinePairedSeparator("ab");
  EXPECT_EQ(engine.LinePairedSeparator(), "ab");
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
