#pragma once
// PCRE2's interpreter as the reference for the engine tests: the group positions both find
// for a pattern of the syntax they share. Our defaults map to PCRE2_DOTALL (s is on) and
// PCRE2_DOLLAR_ENDONLY ("$" without m is the end of the input); with m, "^" also matches
// after a line feed that ends the input (PCRE2_ALT_CIRCUMFLEX).
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pattern/compiler.h"
#include "pattern/parser.h"
#include "pattern/pattern_engine.h"
#include "pattern/thread_simulation.h"

namespace brimsel::test {

// Start and end of each group, -1 for unset; empty when nothing matches.
using Positions = std::vector<long>;

class Pcre2Reference {
 public:
  // Null code() when PCRE2 rejects the pattern; error() then tells why. A `match_limit`
  // other than 0 makes PCRE2 give up sooner than its default on hard inputs.
  explicit Pcre2Reference(const std::string& pattern, std::uint32_t match_limit = 0) {
    if (match_limit != 0) {
      context_.reset(pcre2_match_context_create(nullptr));
      pcre2_set_match_limit(context_.get(), match_limit);
    }
    PCRE2_SIZE offset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                              PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX, &error_, &offset, nullptr));
    if (code_ != nullptr) pcre2_pattern_info(code_.get(), PCRE2_INFO_CAPTURECOUNT, &groups_);
  }

  const pcre2_code* code() const { return code_.get(); }
  int error() const { return error_; }
  int groups() const { return static_cast<int>(groups_); }

  // Nothing when PCRE2 gives up (its own backtracking limit).
  std::optional<Positions> Find(const std::string& input) const {
    const std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
        pcre2_match_data_create_from_pattern(code_.get(), nullptr), &pcre2_match_data_free);
    const int rc =
        pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(input.data()), input.size(), 0, 0, data.get(),
                    context_.get());
    if (rc == PCRE2_ERROR_NOMATCH) return Positions{};
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT) {
      return std::nullopt;
    }
    EXPECT_GT(rc, 0) << "PCRE2 error " << rc;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    Positions positions;
    for (int n = 0; n <= groups(); ++n) {
      const bool set = n < rc && ovector[2 * n] != PCRE2_UNSET;
      positions.push_back(set ? static_cast<long>(ovector[2 * n]) : -1);
      positions.push_back(set ? static_cast<long>(ovector[2 * n + 1]) : -1);
    }
    return positions;
  }

 private:
  int error_ = 0;
  std::uint32_t groups_ = 0;
  std::unique_ptr<pcre2_match_context, decltype(&pcre2_match_context_free)> context_{nullptr, &pcre2_match_context_free};
  std::unique_ptr<pcre2_code, decltype(&pcre2_code_free)> code_{nullptr, &pcre2_code_free};
};

// The engine's positions of groups 0 to `groups` in the same form.
inline Positions EnginePositions(TPatternEngine& engine, const std::string& input, int groups) {
  engine.SetInput(input);
  if (!engine.Exec()) return {};
  Positions positions;
  for (int n = 0; n <= groups; ++n) {
    const long start = static_cast<long>(engine.MatchPos(n));
    positions.push_back(start);
    positions.push_back(start < 0 ? -1 : start + static_cast<long>(engine.MatchLen(n)));
  }
  return positions;
}

// The positions that the thread simulation alone finds, with the program compiled for it
// and the default settings; nothing for a pattern with back-references, which it does not run.
inline std::optional<Positions> ThreadSimulationPositions(const std::string& pattern, const std::string& input,
                                                          int groups) {
  const pattern::Settings settings;
  const pattern::SyntaxTree tree = pattern::Parse(pattern, settings);
  if (tree.has_back_references) return std::nullopt;
  pattern::CompileOptions options;
  options.unroll_limit = static_cast<std::size_t>(-1);
  options.input_length = input.size();
  options.byte_runs = false;
  options.merge_strings = false;
  const pattern::Program program = pattern::Compile(tree, settings, options);
  pattern::Captures captures{};
  if (!pattern::ThreadSimulation(program).Search(input, captures)) return Positions{};
  Positions positions;
  for (int n = 0; n <= groups; ++n) {
    positions.push_back(static_cast<long>(captures[static_cast<std::size_t>(2 * n)]));
    positions.push_back(static_cast<long>(captures[static_cast<std::size_t>(2 * n + 1)]));
  }
  return positions;
}

}  // namespace brimsel::test
