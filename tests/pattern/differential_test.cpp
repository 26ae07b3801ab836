// The engine against PCRE2's interpreter on generated patterns of the syntax both share and
// generated inputs: the same match and the same group positions. Our defaults map to
// PCRE2_DOTALL (s is on) and PCRE2_DOLLAR_ENDONLY ("$" without m is the end of the input).
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <string>

#include "pattern/pattern_engine.h"

namespace brimsel {
namespace {

constexpr unsigned kSeed = 20060518;
constexpr int kPatterns = 6000;
constexpr int kInputsPerPattern = 16;

// Patterns of the shared subset: literals, classes, ".", anchors, groups, alternation,
// greedy and lazy quantifiers, counted repeats, \d \w \s (and their negations) \b \B.
class PatternGenerator {
 public:
  explicit PatternGenerator(std::mt19937& random) : random_(random) {}

  std::string Next() {
    groups_ = 0;
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
    while (Chance(depth == 0 ? 20 : 30)) text += "|" + Sequence(depth);
    return text;
  }

  std::string Sequence(int depth) {
    std::string text;
    const int items = 1 + Below(depth == 0 ? 5 : 3);
    for (int i = 0; i < items; ++i) text += Piece(depth);
    return text;
  }

  std::string Piece(int depth) {
    const std::string atom = Atom(depth);
    const bool anchor = atom == "^" || atom == "$" || atom == "\\b" || atom == "\\B";
    if (anchor || Chance(55)) return atom;
    static const char* const kQuantifiers[] = {"*", "+", "?", "{2}", "{1,}", "{0,2}", "{1,3}", "{2,4}", "{3}"};
    std::string quantifier = Chance(4) ? "{40,70}" : Pick(kQuantifiers);
    if (Chance(30)) quantifier += "?";
    return atom + quantifier;
  }

  std::string Atom(int depth) {
    if (depth < 3 && groups_ < 14 && Chance(22)) {
      ++groups_;
      return "(" + Alternation(depth + 1) + ")";
    }
    static const char* const kAtoms[] = {
        "a", "a", "b", "b", "c", "1", "_", " ", "-", "\\.", "\\-", ".", ".",
        "[ab]", "[^a]", "[a-c]", "[\\d_]", "[^\\s]", "[]a]", "[a-]", "[^b-]",
        "\\d", "\\w", "\\s", "\\D", "\\W", "\\S", "\\b", "\\B", "^", "$", "A", "\\x61"};
    return Pick(kAtoms);
  }

  std::mt19937& random_;
  int groups_ = 0;
};

std::string RandomInput(std::mt19937& random) {
  static const std::string kAlphabet = "aaabbbc1_ -.\n]AB\xD6";
  std::string input;
  const int length = std::uniform_int_distribution<int>(0, 24)(random);
  for (int i = 0; i < length; ++i) {
    input += kAlphabet[std::uniform_int_distribution<std::size_t>(0, kAlphabet.size() - 1)(random)];
  }
  return input;
}

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// The group positions PCRE2 finds: start, end per group, -1 for unset; empty when no match;
// nothing when PCRE2 gives up (its own backtracking limit).
std::optional<std::vector<long>> ReferencePositions(pcre2_code* code, const std::string& input, int groups) {
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(pcre2_match_data_create_from_pattern(code, nullptr));
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(input.data()), input.size(), 0, 0, data.get(), nullptr);
  if (rc == PCRE2_ERROR_NOMATCH) return std::vector<long>{};
  if (rc == PCRE2_ERROR_MATCHLIMIT) return std::nullopt;
  EXPECT_GT(rc, 0) << "PCRE2 error " << rc;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
  std::vector<long> positions;
  for (int n = 0; n <= groups; ++n) {
    const bool set = n < rc && ovector[2 * n] != PCRE2_UNSET;
    positions.push_back(set ? static_cast<long>(ovector[2 * n]) : -1);
    positions.push_back(set ? static_cast<long>(ovector[2 * n + 1]) : -1);
  }
  return positions;
}

std::vector<long> EnginePositions(TPatternEngine& engine, const std::string& input, int groups) {
  engine.SetInput(input);
  if (!engine.Exec()) return {};
  std::vector<long> positions;
  for (int n = 0; n <= groups; ++n) {
    const long start = static_cast<long>(engine.MatchPos(n));
    positions.push_back(start);
    positions.push_back(start < 0 ? -1 : start + static_cast<long>(engine.MatchLen(n)));
  }
  return positions;
}

TEST(Differential, SameMatchesAndGroupsAsPcre2) {
  std::mt19937 random(kSeed);
  PatternGenerator generator(random);
  int compared_patterns = 0;
  int matches = 0;
  int mismatches = 0;
  int reference_gave_up = 0;
  for (int p = 0; p < kPatterns && mismatches < 10; ++p) {
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
    int error_code = 0;
    PCRE2_SIZE error_offset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                      PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY, &error_code, &error_offset, nullptr));
    if (code == nullptr && error_code == PCRE2_ERROR_PATTERN_TOO_LARGE) continue;  // PCRE2 unrolls counts
    ASSERT_NE(code, nullptr) << "PCRE2 rejects " << pattern << " with error " << error_code;
    std::uint32_t groups = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
    ++compared_patterns;
    for (int i = 0; i < kInputsPerPattern; ++i) {
      const std::string input = RandomInput(random);
      const auto reference = ReferencePositions(code.get(), input, static_cast<int>(groups));
      if (!reference) {
        ++reference_gave_up;
        continue;
      }
      const auto& expected = *reference;
      const auto actual = EnginePositions(engine, input, static_cast<int>(groups));
      if (!expected.empty()) ++matches;
      if (actual != expected) {
        ++mismatches;
        ADD_FAILURE() << "pattern \"" << pattern << "\" input \"" << input << "\"\n  PCRE2:  "
                      << ::testing::PrintToString(expected) << "\n  engine: " << ::testing::PrintToString(actual);
      }
    }
  }
  // The generator must really exercise both engines.
  EXPECT_GT(compared_patterns, kPatterns / 2);
  EXPECT_GT(matches, compared_patterns * kInputsPerPattern / 4);
  std::printf("compared %d patterns on %d inputs each: %d matches; PCRE2 gave up %d times\n", compared_patterns,
              kInputsPerPattern, matches, reference_gave_up);
}

}  // namespace
}  // namespace brimsel
