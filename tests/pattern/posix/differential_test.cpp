// The engine against PCRE2's interpreter on generated patterns of the syntax both share and
// generated inputs: the same match and the same group positions, from the engine as it
// chooses its way of searching and from the thread simulation alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "pattern/posix/pcre2_reference.h"

namespace brimsel::test {
namespace {

constexpr unsigned kSeed = 20060518;

// Patterns of the shared subset: literals, classes, ".", anchors, groups, alternation,
// greedy and lazy quantifiers, counted repeats small and large, \d \w \s (and their
// negations) \b \B, inline modifier switches and, when asked, back-references.
class PatternGenerator {
 public:
  PatternGenerator(std::mt19937& random, bool back_references) : random_(random), back_references_(back_references) {}

  std::string Next() {
    groups_ = 0;
    closed_groups_ = 0;
    std::string pattern = Chance(10) ? "(?i)" : "";
    return pattern + Alternation(0);
  }

 private:
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <std::size_t N>
  const char* Pick(const char* const (&choices)[N]) {
    return choices[Below(static_cast<int>(N))];
  }

  std::string Alternation(int depth) {
    std::string text = Sequence(depth);
    while (Chance(depth == 0 ? 20 : 30)) text.append("|").append(Sequence(depth));
    return text;
  }

  std::string Sequence(int depth) {
    static const char* const kSwitches[] = {"(?i)", "(?-i)", "(?m)", "(?-m)", "(?-s)", "(?s)", "(?im-s)", "(?-i)"};
    std::string text;
    const int items = 1 + Below(depth == 0 ? 5 : 3);
    for (int i = 0; i < items; ++i) {
      if (Chance(6)) text += Pick(kSwitches);
      text += Piece(depth);
    }
    return text;
  }

  std::string Piece(int depth) {
    const std::string atom = Atom(depth);
    const bool anchor = atom == "^" || atom == "$" || atom == "\\b" || atom == "\\B";
    if (anchor || Chance(55)) return atom;
    static const char* const kQuantifiers[] = {"*", "+", "?", "{2}", "{1,}", "{0,2}", "{1,3}", "{2,4}", "{3}"};
    // Counts too large to unroll at compile time: unrolled for each input, cut to its length.
    static const char* const kLargeCounts[] = {"{40,70}", "{0,150}", "{2,300}", "{130}", "{1,60000}", "{140,}"};
    std::string quantifier = Chance(6) ? Pick(kLargeCounts) : Pick(kQuantifiers);
    if (Chance(30)) quantifier += "?";
    return atom + quantifier;
  }

  std::string Atom(int depth) {
    if (depth < 3 && groups_ < 14 && Chance(22)) {
      ++groups_;
      std::string group = std::string("(").append(Alternation(depth + 1)).append(")");
      ++closed_groups_;
      return group;
    }
    if (back_references_ && closed_groups_ > 0 && Chance(8)) {
      const char digits[] = "123456789";
      return {'\\', digits[Below(std::min(closed_groups_, 9))]};
    }
    static const char* const kAtoms[] = {
        "a", "a", "b", "b", "c", "1", "_", " ", "-", "\\.", "\\-", ".", ".",
        "[ab]", "[^a]", "[a-c]", "[\\d_]", "[^\\s]", "[]a]", "[a-]", "[^b-]",
        "\\d", "\\w", "\\s", "\\D", "\\W", "\\S", "\\b", "\\B", "^", "$", "A", "\\x61"};
    return Pick(kAtoms);
  }

  std::mt19937& random_;
  bool back_references_;
  int groups_ = 0;
  int closed_groups_ = 0;
};

// Short inputs over a small alphabet: every construct meets every kind of byte.
std::string RandomInput(std::mt19937& random) {
  static const std::string kAlphabet = "aaabbbc1_ -.\n]AB\xD6";
  std::string input;
  const int length = std::uniform_int_distribution<int>(0, 24)(random);
  for (int i = 0; i < length; ++i) {
    input += kAlphabet[std::uniform_int_distribution<std::size_t>(0, kAlphabet.size() - 1)(random)];
  }
  return input;
}

// A few long runs of one byte each: repetitions take and give back hundreds of bytes.
std::string LongRunsInput(std::mt19937& random) {
  static const std::string kAlphabet = "aabbc1 -A";
  std::string input;
  const int runs = std::uniform_int_distribution<int>(1, 4)(random);
  for (int i = 0; i < runs; ++i) {
    const char byte = kAlphabet[std::uniform_int_distribution<std::size_t>(0, kAlphabet.size() - 1)(random)];
    input.append(std::uniform_int_distribution<std::size_t>(1, 300)(random), byte);
  }
  return input;
}

// Compares the engine with PCRE2 on `patterns` generated patterns and `inputs_per_pattern`
// inputs each, and checks that the generator really exercises both engines.
void CompareWithPcre2(int patterns, int inputs_per_pattern, const std::function<std::string(std::mt19937&)>& input_of,
                      bool back_references, std::uint32_t reference_match_limit = 0) {
  std::mt19937 random(kSeed);
  PatternGenerator generator(random, back_references);
  int compared_patterns = 0, matches = 0, mismatches = 0, reference_gave_up = 0;
  for (int p = 0; p < patterns && mismatches < 10; ++p) {
    const std::string pattern = generator.Next();
    TPatternEngine engine;
    engine.SetExpression(pattern);
    engine.SetInput("");
    try {
      engine.Exec();
    } catch (const EPatternError& error) {
      // Only what this engine rejects by design: a loop around something that can be empty.
      EXPECT_EQ(error.Code(), kPatternOperandCouldBeEmpty) << pattern;
      continue;
    }
    const Pcre2Reference reference(pattern, reference_match_limit);
    if (reference.code() == nullptr && reference.error() == PCRE2_ERROR_PATTERN_TOO_LARGE) continue;  // PCRE2 unrolls counts
    EXPECT_NE(reference.code(), nullptr) << "PCRE2 rejects " << pattern << " with error " << reference.error();
    if (reference.code() == nullptr) continue;
    ++compared_patterns;
    for (int i = 0; i < inputs_per_pattern; ++i) {
      const std::string input = input_of(random);
      const auto expected = reference.Find(input);
      if (!expected) {
        ++reference_gave_up;
        continue;
      }
      const Positions actual = EnginePositions(engine, input, reference.groups());
      const std::optional<Positions> threads = ThreadSimulationPositions(pattern, input, reference.groups());
      if (!expected->empty()) ++matches;
      if (actual != *expected || (threads && *threads != *expected)) {
        ++mismatches;
        ADD_FAILURE() << "pattern \"" << pattern << "\" input \"" << input << "\"\n  PCRE2:   "
                      << ::testing::PrintToString(*expected) << "\n  engine:  " << ::testing::PrintToString(actual)
                      << "\n  threads: " << ::testing::PrintToString(threads.value_or(Positions{-2}));
      }
    }
  }
  std::printf("compared %d patterns on %d inputs each: %d matches; PCRE2 gave up %d times\n", compared_patterns,
              inputs_per_pattern, matches, reference_gave_up);
  EXPECT_GT(compared_patterns, patterns / 2);
  EXPECT_GT(matches, compared_patterns * inputs_per_pattern / 4);
}

TEST(Differential, SameMatchesAndGroupsAsPcre2) { CompareWithPcre2(6000, 16, RandomInput, /*back_references=*/true); }

// Where the literal prefix recurs, the run after it begins at loop heads that earlier
// attempts failed from, and those attempts end before they start: still PCRE2's results.
TEST(Differential, RecurringPrefixesBeforeARunMatchAsPcre2) {
  for (const std::string pattern : {"<!--date(\\S+)Main -->", "ab(c?)([a-z]{2,})d", "<x(y*)>"}) {
    const Pcre2Reference reference(pattern, 0);
    TPatternEngine engine;
    engine.SetExpression(pattern);
    for (const std::string unit : {"<!--date", "abc", "ab", "<x", "<xy"}) {
      for (const std::string tail : {"", " Main -->", "zMain -->", "d", "yy>", " xd"}) {
        std::string input;
        for (int i = 0; i < 50; ++i) input += unit;
        input += tail;
        EXPECT_EQ(EnginePositions(engine, input, reference.groups()), reference.Find(input).value())
            << pattern << " on " << input;
      }
    }
  }
}

// PCRE2 spends seconds on some of these inputs before its default limit stops it; a lower
// limit makes it give up sooner.
// Without back-references: the backtracker remembers nothing for them and these inputs would
// take it exponential time.
TEST(Differential, SameMatchesAndGroupsAsPcre2OnLongRuns) {
  CompareWithPcre2(1500, 6, LongRunsInput, /*back_references=*/false, 100000);
}

}  // namespace
}  // namespace brimsel::test
