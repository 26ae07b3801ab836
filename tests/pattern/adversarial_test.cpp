// Inputs and patterns that make plain backtracking take exponential or quadratic time, or
// run deep: each search here must simply finish, with the right answer. (Speed figures
// belong to the benchmark.)
#include <gtest/gtest.h>

#include "pattern/compiler.h"
#include "pattern/match_first_group.h"
#include "pattern/matcher.h"
#include "pattern/parser.h"
#include "search_helpers.h"

namespace brimsel::test {
namespace {

// The backtracker's own search, with the program the engine compiles for a pattern without
// counted loops: its outcome and the steps it took.
std::pair<pattern::SearchOutcome, std::uint64_t> BacktrackerSearch(std::string_view pattern_text,
                                                                   std::string_view input) {
  const pattern::Settings settings;
  const pattern::Program program = pattern::Compile(pattern::Parse(pattern_text, settings), settings);
  pattern::Matcher matcher(program);
  pattern::Captures captures{};
  const pattern::SearchOutcome outcome = matcher.Search(input, captures);
  return {outcome, matcher.StepsTaken()};
}

TEST(Adversarial, TheMarkerOnHostileMebibyteReplies) {
  const std::string markers = Times("<!--date", kMiB / 8);
  const std::string xs(kMiB, 'x');
  const std::string nines(kMiB, '9');
  const std::string mains = Times("Main", kMiB / 4);
  const struct {
    std::string reply;
    std::string date;
  } rows[] = {
      {markers, ""},  // markers without their end
      {"<!--date" + xs, ""},
      {"<!--date" + xs + "Main --", ""},
      // A real marker at the very end is still found.
      {markers + " <!--date2006-5-18Main -->", "2006-5-18"},
      {"<!--date" + xs + " <!--date2006-5-18Main -->", "2006-5-18"},
      {"<!--date" + nines + "Main -->", nines},  // a mebibyte of date text
      {markers + "Main -->", Times("<!--date", kMiB / 8 - 1)},
      {"<!--date" + mains + " -->", mains.substr(4)},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(MatchFirstGroup(row.reply, kMarker) == row.date) << row.reply.substr(0, 40) << " ...";
  }
}

// Every reply of the largest size the update check reads, built of near-markers that make
// the marker search work hardest, stays far below the backtracker's step budget.
TEST(Adversarial, TheMarkerStaysFarBelowTheStepBudget) {
  for (const std::string unit : {"<!--date", "<!--date ", "<!--datex ", "<!--dateMain -", "<!--dateaMain -",
                                 "<!--date1Main -x", "<!--date<!--dateMain -"}) {
    // The text every match contains, at the end, so that every near-marker is tried.
    const std::string reply = Times(unit, 8 * kMiB / unit.size()) + " Main -->";
    const auto [outcome, steps] = BacktrackerSearch(kMarker, reply);
    EXPECT_EQ(outcome, pattern::SearchOutcome::kNoMatch) << unit;
    EXPECT_LT(steps, pattern::kBacktrackStepBudget / 8) << unit;
  }
}

// With back-references the backtracker remembers only the states where no captured text can
// still be read, here those past the reference; before it, the step budget bounds the work.
// The pattern is a unit of the fuzzer that took 17 s over 127 bytes.
TEST(Adversarial, BackReferenceSearchesEndWithinTheStepBudget) {
  const char kUnit[] = "(?i)a*?(\\w{0,150})\\1.*a*\\W\\W\\W\\W\\W\\W*?";
  const auto [outcome, steps] = BacktrackerSearch(kUnit, std::string(399, 'A') + "!");
  EXPECT_EQ(outcome, pattern::SearchOutcome::kNoMatch);
  EXPECT_LT(steps, 200'000u);
  // Without a byte of "\W" nothing is tried at all.
  EXPECT_EQ(Search(kUnit, std::string(8 * kMiB, 'A')), Texts{kNoMatch});
  TPatternEngine engine;
  engine.SetExpression(kUnit);
  engine.SetInput(std::string(8 * kMiB - 1, 'A') + "!");
  try {
    engine.Exec();
    ADD_FAILURE() << "no error";
  } catch (const EPatternError& error) {
    EXPECT_EQ(error.Code(), kPatternSearchBudgetExceeded);
  }
}

TEST(Adversarial, NestedQuantifiers) {
  const std::string as(100000, 'a');
  EXPECT_EQ(Search("(a+)+b", as), Texts{kNoMatch});
  EXPECT_EQ(Search("(a|aa)+c", as), Texts{kNoMatch});
  EXPECT_EQ(Search("^(\\w+\\s?)*$", as + "!"), Texts{kNoMatch});
  EXPECT_EQ(Search("(a+)+?b", "aab"), (Texts{"aab", "aa"}));
  // The answer is still the leftmost-first one.
  EXPECT_EQ(Search("(a|aa)+$", "aaaaa"), (Texts{"aaaaa", "a"}));
  EXPECT_EQ(Search("(aa|a)+$", "aaaaa"), (Texts{"aaaaa", "a"}));
  EXPECT_EQ(Search("((a+)+)(b|$)", "aaa"), (Texts{"aaa", "aaa", "aaa", ""}));
}

TEST(Adversarial, LargeCountsDoNotBlowUp) {
  const std::string as(kMiB, 'a');
  EXPECT_EQ(Search("a{0,99999999}b", as), Texts{kNoMatch});
  EXPECT_EQ(Search("(a|b){1,99999999}c", as), Texts{kNoMatch});
  EXPECT_EQ(Span("a{1,99999999}", as), std::make_pair(0L, static_cast<long>(kMiB)));
  EXPECT_EQ(Span("a{99999999}", as), std::make_pair(-1L, -1L));
  EXPECT_EQ(Span("a{1000,2000}?", as), std::make_pair(0L, 1000L));
  // Counted loops inside counted loops: the leftmost start is where 60 "ab" reach a "c".
  const std::string nested = Times("ab", 110) + "c" + Times("ab", 55) + "c" + Times("ab", 50) + "c";
  EXPECT_EQ(Span("((ab){50,60}c){3}", nested), std::make_pair(100L, static_cast<long>(nested.size())));
  EXPECT_EQ(Span("((ab){50,60}c){3}", nested, 1), std::make_pair(332L, 433L));
  EXPECT_EQ(Span("((ab){50,60}?c){2,3}?", nested, 1), std::make_pair(221L, 332L));
}

// Large bounded counts and loops of longer bodies on long inputs: the counts are unrolled as
// far as the input can hold them, and a search whose backtracking stack would pass its budget
// runs again as a thread simulation, in memory that does not grow with the input.
TEST(Adversarial, BoundedCountsAndLongLoopsOnLongInputs) {
  const std::string as(100000, 'a');
  const std::string abs = Times("ab", 50000);
  const std::string mebibyte(kMiB, 'a');
  const long n = static_cast<long>(kMiB);
  using Span = std::pair<long, long>;
  const struct {
    const char* pattern;
    std::string input;
    Span match;
    Span group;
  } rows[] = {
      {"(a|aa){0,1000}c", as, {-1, -1}, {-1, -1}},
      {"(a|aa){0,1000}c", as + "c", {98000, 100001}, {99998, 100000}},
      {"(ab){0,1000}c", abs, {-1, -1}, {-1, -1}},
      {"(ab){0,1000}c", abs + "c", {98000, 100001}, {99998, 100000}},
      {"(ab){0,1000}c", abs + "bc", {100001, 100002}, {-1, -1}},
      {"(a|aa)*c", mebibyte + "c", {0, n + 1}, {n - 1, n}},
      {"(a|aa)+$", mebibyte, {0, n}, {n - 1, n}},
      {"((a|b)(a|b)){3,200}$", mebibyte, {n - 400, n}, {n - 2, n}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(brimsel::test::Span(row.pattern, row.input), row.match) << row.pattern;
    EXPECT_EQ(brimsel::test::Span(row.pattern, row.input, 1), row.group) << row.pattern;
  }
}

TEST(Adversarial, ASearchPastItsBudgetRaisesTheBudgetError) {
  // Back-references keep the search on the backtracker, whose stack then passes its budget.
  TPatternEngine engine;
  engine.SetExpression("(a|aa)*\\1$");
  engine.SetInput(std::string(kMiB, 'a') + "b");
  try {
    engine.Exec();
    ADD_FAILURE() << "no error";
  } catch (const EPatternError& error) {
    EXPECT_EQ(error.Code(), kPatternSearchBudgetExceeded);
    EXPECT_EQ(error.Message(), "TPatternEngine(exec): Search Exceeds Its Time Or Memory Budget");
  }
  // So does a count that even an input's length cannot bring down to a program of bounded size.
  engine.SetExpression("(ab){100000}");
  engine.SetInput(Times("ab", 200000));
  EXPECT_THROW(engine.Exec(), EPatternError);
}

TEST(Adversarial, DeepBacktrackingUsesNoCallStack) {
  // Millions of open choices with captures: the stack is on the heap.
  const std::string text(kMiB, 'a');
  EXPECT_EQ(Span("(a)*(a)*b", text), std::make_pair(-1L, -1L));
  EXPECT_EQ(Span("(a)+$", text), std::make_pair(0L, static_cast<long>(text.size())));
}

TEST(Adversarial, BackReferencesStillWork) {
  // No remembered states here: back-references make the future depend on the captures.
  EXPECT_EQ(Search("(a+)(b+)\\2\\1", "aabbbbaa"), (Texts{"aabbbbaa", "aa", "bb"}));
  EXPECT_EQ(Search("(\\w+) \\1", "say hello hello"), (Texts{"hello hello", "hello"}));
}

}  // namespace
}  // namespace brimsel::test
