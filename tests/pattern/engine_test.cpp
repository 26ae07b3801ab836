// The engine's operations, its defaults and settings, and MatchFirstGroup with the marker
// pattern of the update check.
#include <gtest/gtest.h>

#include "pattern/match_first_group.h"
#include "search_helpers.h"

namespace brimsel::test {
namespace {

TEST(PatternEngine, DefaultsOfANewObject) {
  TPatternEngine engine;
  for (const char on : {'r', 's', 'G'}) EXPECT_TRUE(engine.Modifier(on)) << on;
  for (const char off : {'i', 'm', 'x'}) EXPECT_FALSE(engine.Modifier(off)) << off;
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
  EXPECT_EQ(engine.Match(0), "");  // nothing is matched without input
  EXPECT_EQ(engine.MatchPos(0), -1);
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

TEST(PatternEngine, WordSpaceAndLineSeparatorCharactersCanBeChanged) {
  TPatternEngine engine;
  engine.SetWordChars("abc");
  EXPECT_EQ(Search(engine, "\\w+", "xabcd"), Texts{"abc"});
  EXPECT_EQ(Search(engine, "\\bd", "abcd"), Texts{"d"});
  EXPECT_EQ(Search(engine, "[\\w]+", "dcb"), Texts{"cb"});
  engine.SetSpaceChars("_");
  EXPECT_EQ(Search(engine, "\\s", "a b_c"), Texts{"_"});
  EXPECT_EQ(Search(engine, "\\S+", "a b_c"), Texts{"a b"});

  TPatternEngine lines;
  lines.SetLineSeparators("|");
  lines.SetModifier('s', false);
  EXPECT_EQ(Search(lines, ".+", "ab|c"), Texts{"ab"});
  EXPECT_EQ(Search(lines, ".+", "ab\nc"), Texts{"ab\nc"});
  lines.SetModifier('m', true);
  EXPECT_EQ(Search(lines, "^c", "ab|c"), Texts{"c"});
  EXPECT_EQ(Search(lines, "b$", "ab|c"), Texts{"b"});
  EXPECT_EQ(Search(lines, "^c", "ab\nc"), Texts{kNoMatch});
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

TEST(MatchFirstGroup, TheReleaseDateOfAReply) {
  const struct {
    std::string text;
    std::string pattern;
    std::string group;
  } rows[] = {
      {"<!--date2006-5-18Main -->", kMarker, "2006-5-18"},
      {"<html><head><title>\xB0\xE6\xB1\xBE</title></head>\r\n<body><p>Brimsel</p>\r\n"
       "<!--date2006-5-18Main -->\r\n<a href=\"x\">\xCF\xC2\xD4\xD8</a></body></html>",
       kMarker, "2006-5-18"},
      // An empty text or pattern gives nothing without searching: an engine would raise
      // for "(", but none is made.
      {"", "(", ""},
      {"", kMarker, ""},
      {"<!--date2006-5-18Main -->", "", ""},
      // No usable marker.
      {"<html>no date here</html>", kMarker, ""},
      {"<!--date 2006-5-18Main -->", kMarker, ""},
      {"<!--DATE2006-5-18MAIN -->", kMarker, ""},  // i is off
      {"<!--date2006-5-18Main-->", kMarker, ""},
      {std::string("ok\0<!--date2006-5-18Main -->", 28), kMarker, ""},
      // The first marker that matches wins.
      {"<!--date 2005-1-1Main --> <!--date2007-1-2Main -->", kMarker, "2007-1-2"},
      {"<!--date2006-5-18Main --><!--date2007-1-2Main -->", kMarker, "2006-5-18"},
      {"<!--date2006-5-18Main -->\n<!--date2007-1-2Main -->", kMarker, "2006-5-18"},
      // Group 1 runs to the last "Main" that the end follows.
      {"<!--dateAMainBMain -->", kMarker, "AMainB"},
      {"<!--dateAMain -->BMain -->", kMarker, "A"},
      {"b", "(a)|b", ""},  // group 1 outside the match
  };
  for (const auto& row : rows) EXPECT_EQ(MatchFirstGroup(row.text, row.pattern), row.group) << row.text;
}

}  // namespace
}  // namespace brimsel::test
