// Repetitions of a one-byte item ("\S+", "a*?", "[0-9]{1,4}", "(x)*"), which the matcher
// backtracks with one stack entry per repetition rather than one per byte: the bytes they
// give back or add one at a time, the groups around and inside them, and the depth of the
// stack they need.
#include <gtest/gtest.h>

#include "pattern/compiler.h"
#include "pattern/matcher.h"
#include "pattern/parser.h"
#include "pattern/posix/pcre2_reference.h"
#include "pattern/search_helpers.h"

namespace brimsel::test {
namespace {

// The positions the engine finds are PCRE2's, and the texts of the groups are `expected`.
void ExpectGroups(const std::string& pattern, const std::string& input, const Texts& expected) {
  const Pcre2Reference reference(pattern);
  ASSERT_NE(reference.code(), nullptr) << pattern;
  TPatternEngine engine;
  engine.SetExpression(pattern);
  const auto want = reference.Find(input);
  ASSERT_TRUE(want.has_value()) << pattern;
  EXPECT_EQ(EnginePositions(engine, input, reference.groups()), *want) << pattern << " on " << input.substr(0, 60);
  EXPECT_EQ(Search(pattern, input), expected) << pattern << " on " << input.substr(0, 60);
}

TEST(ByteRun, GreedyRunsGiveBackAndLazyRunsAddAcrossLongRuns) {
  const std::string as(100000, 'a');
  ExpectGroups("a*ab", as + "b", {as + "b"});
  ExpectGroups("(a+)(a{3})b", as + "b", {as + "b", as.substr(3), "aaa"});
  ExpectGroups("(.*)x(.*)", "x" + as + "x" + as, {"x" + as + "x" + as, "x" + as, as});
  ExpectGroups("(\\S+)Main", "Main" + as + "Main" + as, {"Main" + as + "Main", "Main" + as});
  // Given back to nothing, then no match at this start, then the next start.
  ExpectGroups("(b*)a", "bbbbc" + std::string("a"), {"a", ""});
  ExpectGroups("a+b", as, {kNoMatch});
  // Lazy runs add one repetition at a time.
  ExpectGroups("(a*?)b", as + "b", {as + "b", as});
  ExpectGroups("<(.+?)>", "<" + as + "><b>", {"<" + as + ">", as});
  ExpectGroups("(a+?)(a*)", as, {as, "a", as.substr(1)});
  ExpectGroups("x(\\d{2,5}?)(\\d)y", "x1234y", {"x1234y", "123", "4"});
  ExpectGroups("a{3,}?$", as, {as});
  ExpectGroups("(a*?)c", as + "b", {kNoMatch});
}

TEST(ByteRun, RunsFollowedByAlternationAndGroupsOrByTheEnd) {
  ExpectGroups("a*(ab|b)c", "aaabc", {"aaabc", "b"});
  ExpectGroups("a*(aab|ab)c", "aaabc", {"aaabc", "ab"});
  ExpectGroups("a*?(aab|ab)c", "aaabc", {"aaabc", "aab"});
  ExpectGroups("(\\w+)(\\d|x)+$", "abc12x", {"abc12x", "abc12", "x"});
  ExpectGroups("((a+)b)+c", "aabab abac aababc", {"aababc", "ab", "a"});
  ExpectGroups("(a[ab]*b|c)+", "aabbaab", {"aabbaab", "aabbaab"});
  // At the end of the input.
  ExpectGroups("a+$", "baaa", {"aaa"});
  ExpectGroups("(a*)$", "b", {"", ""});
  ExpectGroups("x(\\S*)", "x", {"x", ""});
  ExpectGroups("x(\\S+?)", "xy", {"xy", "y"});
  ExpectGroups("a{2,}", "ba", {kNoMatch});
  ExpectGroups("a{2,3}$", "aaaa", {"aaa"});
  ExpectGroups("b.*", "ab", {"b"});
}

TEST(ByteRun, CountedRunsKeepTheirBoundsAlsoIgnoringCase) {
  const std::string as(1000, 'a');
  ExpectGroups("a{2,4}", "aaaaa", {"aaaa"});
  ExpectGroups("a{2,4}?", "aaaaa", {"aa"});
  ExpectGroups("(a{3})(a*)", "aaaaa", {"aaaaa", "aaa", "aa"});
  ExpectGroups("a{3,5}b", "aab aaaaaab", {"aaaaab"});
  ExpectGroups("(a{0,3})(a{2})b", "aaaaab", {"aaaaab", "aaa", "aa"});
  ExpectGroups("([ab]{1,2}?)(b)", "aab", {"aab", "aa", "b"});
  ExpectGroups("(a{100,200})(a+)", as, {as, std::string(200, 'a'), std::string(800, 'a')});
  ExpectGroups("(a{100,200}?)(a{850})", as, {std::string(950, 'a'), std::string(100, 'a'), std::string(850, 'a')});
  // Counts too large to reach before the input ends behave as no maximum.
  EXPECT_EQ(Search("(a{0,99999999})b", as + "b"), (Texts{as + "b", as}));
  EXPECT_EQ(Search("(a{5,99999999}?)(a*)", as), (Texts{as, "aaaaa", as.substr(5)}));
  EXPECT_EQ(Search("a{1001}", as), Texts{kNoMatch});
  // Ignoring case.
  ExpectGroups("(?i)(a+)b", "xAaAaB", {"AaAaB", "AaAa"});
  ExpectGroups("(?i)([a-c]{2,}?)d", "ABCabcD", {"ABCabcD", "ABCabc"});
  ExpectGroups("(?i)<!--DATE(\\S+)main -->", "<!--date2006-5-18Main -->", {"<!--date2006-5-18Main -->", "2006-5-18"});
}

TEST(ByteRun, AGroupThatIsTheRepeatedByteHoldsTheLastRepetition) {
  ExpectGroups("(a)*", "aaa", {"aaa", "a"});
  EXPECT_EQ(Span("(a)*", "aaa", 1), std::make_pair(2L, 3L));
  // Given back to no repetition at all: the group is unset again.
  ExpectGroups("(a)*a", "a", {"a"});
  ExpectGroups("(a)*ab", "aab", {"aab", "a"});
  ExpectGroups("(a)+?(a)", "aaa", {"aa", "a", "a"});
  ExpectGroups("(a)*?b", "aab", {"aab", "a"});
  ExpectGroups("([ab]){2,3}c", "abbac", {"bbac", "a"});
  // A later repetition of an outer loop without the byte keeps the earlier text.
  ExpectGroups("((a)*b)+", "aabb", {"aabb", "b", "a"});
  ExpectGroups("((a)*?b)+c", "abbc", {"abbc", "b", "a"});
  // The group's text is used by a back-reference after the run.
  EXPECT_EQ(Search("(a)*\\1b", "aaab"), (Texts{"aaab", "a"}));
  EXPECT_EQ(Search("(\\d)+-\\1", "123-3"), (Texts{"123-3", "3"}));
}

// The most backtracking entries the matcher holds for a search.
std::size_t PeakStackDepth(std::string_view pattern, std::string_view input) {
  const pattern::Settings settings;
  const pattern::Program program = pattern::Compile(pattern::Parse(pattern, settings), settings);
  pattern::Matcher matcher(program);
  pattern::Captures captures{};
  matcher.Search(input, captures);
  return matcher.PeakStackDepth();
}

TEST(ByteRun, TheStackStaysSmallWhateverTheInput) {
  constexpr std::size_t kFewEntries = 8;
  const std::string xs(kMiB, 'x');
  EXPECT_LE(PeakStackDepth(kMarker, "<!--date" + xs), kFewEntries);
  EXPECT_LE(PeakStackDepth(kMarker, Times("<!--date", kMiB / 8)), kFewEntries);
  EXPECT_LE(PeakStackDepth(kMarker, "<!--date" + Times("Main", kMiB / 4) + " -->"), kFewEntries);
  EXPECT_LE(PeakStackDepth(kMarker, "<!--date" + xs + "Main -->"), kFewEntries);
  EXPECT_LE(PeakStackDepth(".*?x(a)*b[^y]{2,99999999}?$", xs), kFewEntries);
  EXPECT_LE(PeakStackDepth("(\\d+)-(\\d+)$", Times("1-", kMiB / 2)), kFewEntries);
  // A loop of a longer body still takes one entry per repetition (see matcher.h).
  const std::string some_xs(64 * 1024, 'x');
  EXPECT_GT(PeakStackDepth("(xx)*y", some_xs + "y"), some_xs.size() / 2);
}

}  // namespace
}  // namespace brimsel::test
