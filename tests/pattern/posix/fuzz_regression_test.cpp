// Units that the pattern fuzzer once failed on (tests/data/pattern_regressions), made into
// searches as the fuzzer makes them: each search ends with PCRE2's result, or, where PCRE2
// gives up at the fuzzer's limit, with a result or the budget error.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "pattern/posix/pattern_fuzz_unit.h"
#include "pattern/posix/pcre2_reference.h"

namespace brimsel::test {
namespace {

constexpr std::uint32_t kFuzzerMatchLimit = 200000;

TEST(FuzzRegressions, KeptUnitsEndAsPcre2Does) {
  const std::filesystem::path folder = std::filesystem::path(BRIMSEL_TEST_DATA_DIR) / "pattern_regressions";
  int units = 0;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    if (file.path().extension() != ".unit") continue;
    SCOPED_TRACE(file.path().filename().string());
    std::ifstream stream(file.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    const auto unit = pattern_fuzz::DecodeUnit(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(unit.has_value());
    ++units;
    const Pcre2Reference reference(unit->pattern, kFuzzerMatchLimit);
    ASSERT_NE(reference.code(), nullptr) << unit->pattern;
    const auto expected = reference.Find(unit->subject);
    TPatternEngine engine;
    engine.SetExpression(unit->pattern);
    try {
      const Positions actual = EnginePositions(engine, unit->subject, reference.groups());
      if (expected) {
        EXPECT_EQ(actual, *expected) << unit->pattern;
      }
    } catch (const EPatternError& error) {
      EXPECT_EQ(error.Code(), kPatternSearchBudgetExceeded);
      EXPECT_FALSE(expected.has_value()) << "PCRE2 answers where the engine gives up: " << unit->pattern;
    }
  }
  EXPECT_GT(units, 0);
}

}  // namespace
}  // namespace brimsel::test
