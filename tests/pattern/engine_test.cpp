// The engine's operations, its defaults and settings, and MatchFirstGroup with the marker
// pattern of the update check.
#include <gtest/gtest.h>

#include "pattern/match_first_group.h"
#include "search_helpers.h"

namespace brimsel::test {
namespace {

TEST(PatternEngine, DefaultsOfANewObject) {
  TPatternEngine engine;
  EXPECT_FALSE(engine.Modifier('i'));
  EXPECT_TRUE(engine.Modifier('r'));
  EXPECT_TRUE(engine.Modifier('s'));
  EXPECT_TRUE(engine.Modifier('G'));
  EXPECT_FALSE(engine.Modifier('m'));
  EXPECT_FALSE(engine.Modifier('x'));
  EXPECT_EQ(engine.SpaceChars(), " \t\n\r\f");
  EXPECT_EQ(engine.WordChars(), "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_");
  EXPECT_EQ(engine.LineSeparators(), "\r\n");
  EXPECT_EQ(engine.LinePairedSeparator(), "\r\n");
  EXPECT_EQ(engine.Expression(), "");
  EXPECT_FALSE(engine.HasInput());
  EXPECT_EQ(engine.MatchPos(0), -1);
  EXPECT_THROW(engine.Modifier('q'), EPatternError);
  EXPECT_THROW(engine.SetModifier(':', true), EPatternError);
}

TEST(PatternEngine, TheInputEndsAtTheFirstNulByte) {
  TPatternEngine engine;
  const std::string text("ab\0cd", 5);
  EXPECT_EQ(Search(engine, "c", text), Texts{kNoMatch});
  EXPECT_EQ(Search(engine, "b$", text), Texts{"b"});
  EXPECT_EQ(Search(engine, ".*", std::string("\0x", 2)), Texts{""});
}

TEST(PatternEngine, MatchPositionsAndTheirClearing) {
  TPatternEngine engine;
  engine.SetExpression("(b)(x)?");
  engine.SetInput("abc");
  ASSERT_TRUE(engine.Exec());
  EXPECT_EQ(engine.MatchPos(0), 1);
  EXPECT_EQ(engine.MatchLen(0), 1);
  EXPECT_EQ(engine.Match(1), "b");
  EXPECT_EQ(engine.Match(2), "");  // unset
  EXPECT_EQ(engine.MatchPos(2), -1);
  EXPECT_EQ(engine.Match(-1), "");
  EXPECT_EQ(engine.Match(15), "");
  EXPECT_EQ(engine.MatchLen(15), -1);

  engine.SetInput("bb");  // a new input clears the positions
  EXPECT_EQ(engine.MatchPos(0), -1);
  EXPECT_EQ(engine.Match(1), "");

  ASSERT_TRUE(engine.Exec());  // every search starts from the first character
  EXPECT_EQ(engine.MatchPos(0), 0);
  engine.SetExpression("z");
  EXPECT_FALSE(engine.Exec());  // and clears the positions of the last one
  EXPECT_EQ(engine.MatchPos(0), -1);
}

TEST(PatternEngine, NothingIsMatchedWithoutInput) {
  TPatternEngine engine;
  engine.SetExpression("a");
  EXPECT_EQ(engine.Match(0), "");
  EXPECT_EQ(engine.MatchPos(0), -1);
}

TEST(PatternEngine, ChangedModifiersOrExpressionAreCompiledAgain) {
  TPatternEngine engine;
  engine.SetExpression("a.");
  engine.SetInput("A\n");
  EXPECT_FALSE(engine.Exec());
  engine.SetModifier('i', true);
  EXPECT_TRUE(engine.Exec());
  engine.SetModifier('S', false);
  EXPECT_FALSE(engine.Exec());
  engine.SetExpression("a(");
  EXPECT_THROW(engine.Exec(), EPatternError);
  engine.SetExpression("(a)");
  EXPECT_TRUE(engine.Exec());
  EXPECT_EQ(engine.Match(1), "A");
}

TEST(PatternEngine, WordAndSpaceCharactersCanBeChanged) {
  TPatternEngine engine;
  engine.SetWordChars("abc");
  EXPECT_EQ(Search(engine, "\\w+", "xabcd"), Texts{"abc"});
  EXPECT_EQ(Search(engine, "\\bd", "abcd"), Texts{"d"});
  EXPECT_EQ(Search(engine, "[\\w]+", "dcb"), Texts{"cb"});
  engine.SetSpaceChars("_");
  EXPECT_EQ(Search(engine, "\\s", "a b_c"), Texts{"_"});
  EXPECT_EQ(Search(engine, "\\S+", "a b_c"), Texts{"a b"});
}

TEST(PatternEngine, LineSeparatorsCanBeChanged) {
  TPatternEngine engine;
  engine.SetLineSeparators("|");
  engine.SetModifier('s', false);
  EXPECT_EQ(Search(engine, ".+", "ab|c"), Texts{"ab"});
  EXPECT_EQ(Search(engine, ".+", "ab\nc"), Texts{"ab\nc"});
  engine.SetModifier('m', true);
  EXPECT_EQ(Search(engine, "^c", "ab|c"), Texts{"c"});
  EXPECT_EQ(Search(engine, "b$", "ab|c"), Texts{"b"});
  EXPECT_EQ(Search(engine, "^c", "ab\nc"), Texts{kNoMatch});
}

TEST(PatternEngine, WithoutAPairedSeparatorEachSeparatorCounts) {
  TPatternEngine engine;
  engine.SetModifier('m', true);
  EXPECT_EQ(Search(engine, "^\\n", "a\r\n"), Texts{kNoMatch});
  engine.SetLinePairedSeparator("");
  EXPECT_EQ(Search(engine, "^\\n", "a\r\n"), Texts{"\n"});
  engine.SetLinePairedSeparator("\n\r");
  EXPECT_EQ(Search(engine, "^\\n", "a\r\n"), Texts{"\n"});
  EXPECT_EQ(Search(engine, "^\\r", "a\n\r"), Texts{kNoMatch});
}

TEST(MatchFirstGroup, FindsTheReleaseDate) {
  EXPECT_EQ(MatchFirstGroup("<!--date2006-5-18Main -->", kMarker), "2006-5-18");
  const std::string page =
      "<html><head><title>\xB0\xE6\xB1\xBE</title></head>\r\n<body><p>Brimsel</p>\r\n"
      "<!--date2006-5-18Main -->\r\n<a href=\"x\">\xCF\xC2\xD4\xD8</a></body></html>";
  EXPECT_EQ(MatchFirstGroup(page, kMarker), "2006-5-18");
}

TEST(MatchFirstGroup, EmptyTextOrPatternGivesEmptyWithoutSearching) {
  // An engine would raise for these patterns; none is made.
  EXPECT_EQ(MatchFirstGroup("", "("), "");
  EXPECT_EQ(MatchFirstGroup("", kMarker), "");
  EXPECT_EQ(MatchFirstGroup("<!--date2006-5-18Main -->", ""), "");
}

TEST(MatchFirstGroup, RepliesWithoutAUsableMarker) {
  EXPECT_EQ(MatchFirstGroup("<html>no date here</html>", kMarker), "");
  EXPECT_EQ(MatchFirstGroup("<!--date 2006-5-18Main -->", kMarker), "");
  EXPECT_EQ(MatchFirstGroup("<!--DATE2006-5-18MAIN -->", kMarker), "");  // i is off
  EXPECT_EQ(MatchFirstGroup("<!--date2006-5-18Main-->", kMarker), "");
  EXPECT_EQ(MatchFirstGroup(std::string("ok\0<!--date2006-5-18Main -->", 28), kMarker), "");
}

TEST(MatchFirstGroup, TheFirstMarkerThatMatchesWins) {
  EXPECT_EQ(MatchFirstGroup("<!--date 2005-1-1Main --> <!--date2007-1-2Main -->", kMarker), "2007-1-2");
  EXPECT_EQ(MatchFirstGroup("<!--date2006-5-18Main --><!--date2007-1-2Main -->", kMarker), "2006-5-18");
  EXPECT_EQ(MatchFirstGroup("<!--date2006-5-18Main -->\n<!--date2007-1-2Main -->", kMarker), "2006-5-18");
}

TEST(MatchFirstGroup, GroupOneRunsToTheLastMainFollowedByTheEnd) {
  EXPECT_EQ(MatchFirstGroup("<!--dateAMainBMain -->", kMarker), "AMainB");
  EXPECT_EQ(MatchFirstGroup("<!--dateAMain -->BMain -->", kMarker), "A");
}

TEST(MatchFirstGroup, GroupOneOutsideTheMatchGivesEmpty) {
  EXPECT_EQ(MatchFirstGroup("b", "(a)|b"), "");
}

TEST(MatchFirstGroup, EngineErrorsReachTheCaller) {
  try {
    MatchFirstGroup("text", "a**");
    FAIL() << "no error";
  } catch (const EPatternError& error) {
    EXPECT_EQ(error.Code(), kPatternNestedQuantifier);
  }
}

}  // namespace
}  // namespace brimsel::test
