// libFuzzer target: a pattern of the syntax that the engine shares with PCRE2, built from
// the first bytes, and a subject made of the rest (tests/pattern/posix/pattern_fuzz_unit.h).
// The engine, and its thread simulation alone, must give PCRE2's match and groups whenever
// both accept the pattern and PCRE2 does not give up; no error but the budget error may
// leave the engine's search, and no search may take longer than its time bound. Units that
// once failed are kept in tests/data/pattern_regressions: run the fuzzer on that folder to
// replay them.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../tests/pattern/posix/pattern_fuzz_unit.h"
#include "pattern/compiler.h"
#include "pattern/parser.h"
#include "pattern/pattern_engine.h"
#include "pattern/thread_simulation.h"

namespace {

constexpr std::uint32_t kReferenceMatchLimit = 20000;
// The step budget keeps a search of the engine to a fraction of a second in a release
// build; the sanitizers make each step about ten times slower. A search past this bound has
// work that the steps do not count. The time is the thread's processor time, which other
// work on the machine does not stretch.
constexpr double kSearchTimeBoundSeconds = 10.0;
// The product's step budget takes seconds under the sanitizers, and the fuzzer spends its
// time on the few inputs that reach it. With a budget four thousand times smaller, such inputs
// take the same ways (the budget error, the thread simulation) in a millisecond.
constexpr std::uint64_t kStepBudget = std::uint64_t{1} << 12;

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using Positions = std::vector<long>;

struct Reference {
  explicit Reference(const std::string& pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                             PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX, &error, &offset, nullptr));
    // The JIT finds what the interpreter finds, many times faster: the reference would
    // otherwise take most of each run.
    if (code) pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
    context.reset(pcre2_match_context_create(nullptr));
    pcre2_set_match_limit(context.get(), kReferenceMatchLimit);
  }
  // Nothing when PCRE2 gives up.
  bool Find(const std::string& subject, Positions& positions, int& groups) const {
    std::uint32_t count = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &count);
    groups = static_cast<int>(count);
    const std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
        pcre2_match_data_create_from_pattern(code.get(), nullptr), &pcre2_match_data_free);
    const int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0,
                               data.get(), context.get());
    positions.clear();
    if (rc == PCRE2_ERROR_NOMATCH) return true;
    if (rc <= 0) return false;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    for (int n = 0; n <= groups; ++n) {
      const bool set = n < rc && ovector[2 * n] != PCRE2_UNSET;
      positions.push_back(set ? static_cast<long>(ovector[2 * n]) : -1);
      positions.push_back(set ? static_cast<long>(ovector[2 * n + 1]) : -1);
    }
    return true;
  }
  std::unique_ptr<pcre2_code, decltype(&pcre2_code_free)> code{nullptr, &pcre2_code_free};
  std::unique_ptr<pcre2_match_context, decltype(&pcre2_match_context_free)> context{nullptr,
                                                                                      &pcre2_match_context_free};
};

Positions FromCaptures(const brimsel::pattern::Captures& captures, int groups) {
  Positions positions;
  for (int n = 0; n <= groups; ++n) {
    positions.push_back(static_cast<long>(captures[static_cast<std::size_t>(2 * n)]));
    positions.push_back(static_cast<long>(captures[static_cast<std::size_t>(2 * n + 1)]));
  }
  return positions;
}

[[noreturn]] void Differ(const char* who, const std::string& pattern, const std::string& subject) {
  std::fprintf(stderr, "%s differs from PCRE2: pattern \"%s\" subject \"%s\"\n", who, pattern.c_str(), subject.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto unit = brimsel::pattern_fuzz::DecodeUnit(data, size);
  if (!unit) return 0;
  const std::string& pattern = unit->pattern;
  const std::string& subject = unit->subject;

  const brimsel::pattern::Settings settings;
  brimsel::pattern::SyntaxTree tree;
  try {
    tree = brimsel::pattern::Parse(pattern, settings);
  } catch (const brimsel::EPatternError&) {
    return 0;  // a pattern this engine rejects
  }
  const Reference reference(pattern);
  Positions expected;
  int groups = 0;
  const bool compared = reference.code != nullptr && reference.Find(subject, expected, groups);

  brimsel::TPatternEngine engine;
  engine.SetStepBudget(kStepBudget);
  engine.SetExpression(pattern);
  engine.SetInput(subject);
  bool found = false;
  bool over_budget = false;
  const double started = ThreadSeconds();
  try {
    found = engine.Exec();
  } catch (const brimsel::EPatternError& error) {
    // Back-references past the step budget, or nested large counts that unroll past the
    // budget even for a short subject; no other search error is expected.
    if (error.Code() != brimsel::kPatternSearchBudgetExceeded) std::abort();
    over_budget = true;
  }
  const double seconds = ThreadSeconds() - started;
  if (seconds > kSearchTimeBoundSeconds) {
    std::fprintf(stderr, "the engine took %.1f s (bound %.1f s): pattern \"%s\" subject \"%s\"\n", seconds,
                 kSearchTimeBoundSeconds, pattern.c_str(), subject.c_str());
    std::abort();
  }
  if (over_budget || !compared) return 0;

  Positions actual;
  if (found) {
    for (int n = 0; n <= groups; ++n) {
      const long start = static_cast<long>(engine.MatchPos(n));
      actual.push_back(start);
      actual.push_back(start < 0 ? -1 : start + static_cast<long>(engine.MatchLen(n)));
    }
  }
  if (actual != expected) Differ("the engine", pattern, subject);

  if (tree.has_back_references) return 0;
  brimsel::pattern::CompileOptions options;
  options.unroll_limit = static_cast<std::size_t>(-1);
  options.input_length = subject.size();
  options.byte_runs = false;
  options.merge_strings = false;
  const brimsel::pattern::Program program = brimsel::pattern::Compile(tree, settings, options);
  brimsel::pattern::Captures captures{};
  const bool simulated = brimsel::pattern::ThreadSimulation(program).Search(subject, captures);
  if ((simulated ? FromCaptures(captures, groups) : Positions{}) != expected) Differ("the thread simulation", pattern, subject);
  return 0;
}
