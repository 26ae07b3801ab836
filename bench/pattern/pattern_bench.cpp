// The pattern engine against RE2, PCRE2's JIT and PCRE2's interpreter: the release-date
// marker on typical version replies and on long replies without a match, and the bounded
// counts and long loops that once took the engine's memory without bound.
//
// Two ways of ours are timed: the prepared engine (an engine object kept with its compiled
// pattern; each search copies the input in and runs), compared with the peers prepared the
// same way, and, for the marker, the product's own path, MatchFirstGroup (a fresh engine
// per search: the compile and the input copy are in its time), compared with RE2 compiled
// for each search the same way. Every way runs each case in turn within a round, for nine
// rounds: the first way moves on by one each round, and every other round runs backwards. The table gives each way's median time per
// search and the most heap it held during one search (the prepared engine's input copy not
// counted), then each comparison's ratio of times per round and its median.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <re2/re2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "heap_meter.h"
#include "pattern/match_first_group.h"
#include "pattern/pattern_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMarker[] = "<!--date(\\S+)Main -->";
constexpr int kRounds = 9;
// A batch of calls is timed as one when a call is short.
constexpr double kBatchSeconds = 0.02;
// PCRE2's interpreter backtracks without memory of failed states; past this it gives up.
constexpr std::uint32_t kPcre2MatchLimit = 1000000;

enum class Outcome { kMatch, kNoMatch, kGaveUp };

const char* Describe(Outcome outcome) {
  switch (outcome) {
    case Outcome::kMatch: return "match";
    case Outcome::kNoMatch: return "no match";
    case Outcome::kGaveUp: return "gave up";
  }
  return "?";
}

// One way of searching a case: prepared once, then called for each search.
struct Peer {
  std::string name;
  std::function<Outcome()> search;
};

// Our way and a peer's, compared by the ratio of their times (below 1: ours is faster).
struct Comparison {
  std::size_t ours;
  std::size_t theirs;
};

// A version reply of a few KB: an HTML page with many tags and the marker near its end.
std::string TypicalReply(std::size_t size) {
  std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                     "<title>\xB0\xE6\xB1\xBE</title></head>\r\n<body>\r\n<table>\r\n";
  for (std::size_t i = 0; page.size() + 80 < size; ++i) {
    page += "<tr><td class=\"c\">" + std::to_string(i) + "</td><td><a href=\"/news/" + std::to_string(i) +
            ".htm\">\xD0\xC2\xCE\xC5 item</a></td></tr>\r\n";
  }
  page += "</table>\r\n<!--date2006-5-18Main -->\r\n</body></html>\r\n";
  return page;
}

std::string RepeatTo(const std::string& unit, std::size_t size) {
  std::string text;
  text.reserve(size + unit.size());
  while (text.size() < size) text += unit;
  text.resize(size);
  return text;
}

void* Pcre2Allocate(PCRE2_SIZE size, void*) { return heap_meter::Allocate(size); }
void Pcre2Release(void* block, void*) { heap_meter::Release(block); }

class Pcre2Peer {
 public:
  Pcre2Peer(const std::string& pattern, bool jit) {
    general_.reset(pcre2_general_context_create(&Pcre2Allocate, &Pcre2Release, nullptr));
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                              PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY, &error, &offset, nullptr));
    data_.reset(pcre2_match_data_create_from_pattern(code_.get(), general_.get()));
    context_.reset(pcre2_match_context_create(general_.get()));
    if (!jit) pcre2_set_match_limit(context_.get(), kPcre2MatchLimit);
    if (jit) {
      pcre2_jit_compile(code_.get(), PCRE2_JIT_COMPLETE);
      stack_.reset(pcre2_jit_stack_create(32 * 1024, 64 * 1024 * 1024, general_.get()));
      pcre2_jit_stack_assign(context_.get(), nullptr, stack_.get());
    }
  }
  Outcome Search(const std::string& input) {
    const int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(input.data()), input.size(), 0, 0,
                               data_.get(), context_.get());
    if (rc > 0) return Outcome::kMatch;
    return rc == PCRE2_ERROR_NOMATCH ? Outcome::kNoMatch : Outcome::kGaveUp;
  }

 private:
  template <typename T, void (*Free)(T*)>
  struct Deleter {
    void operator()(T* p) const { Free(p); }
  };
  std::unique_ptr<pcre2_general_context, Deleter<pcre2_general_context, pcre2_general_context_free>> general_;
  std::unique_ptr<pcre2_code, Deleter<pcre2_code, pcre2_code_free>> code_;
  std::unique_ptr<pcre2_match_data, Deleter<pcre2_match_data, pcre2_match_data_free>> data_;
  std::unique_ptr<pcre2_match_context, Deleter<pcre2_match_context, pcre2_match_context_free>> context_;
  std::unique_ptr<pcre2_jit_stack, Deleter<pcre2_jit_stack, pcre2_jit_stack_free>> stack_;
};

class Re2Peer {
 public:
  explicit Re2Peer(const std::string& pattern) : regex_(pattern, OptionsFor()) {
    groups_.resize(static_cast<std::size_t>(regex_.NumberOfCapturingGroups() + 1));
  }
  Outcome Search(const std::string& input) {
    if (!regex_.ok()) return Outcome::kGaveUp;
    const bool found = regex_.Match(input, 0, input.size(), RE2::UNANCHORED, groups_.data(), static_cast<int>(groups_.size()));
    return found ? Outcome::kMatch : Outcome::kNoMatch;
  }

 private:
  static RE2::Options OptionsFor() {
    RE2::Options options;
    options.set_dot_nl(true);
    options.set_log_errors(false);
    options.set_max_mem(int64_t{256} << 20);  // room for a count of 1000 around a group
    return options;
  }
  RE2 regex_;
  std::vector<re2::StringPiece> groups_;
};

struct Result {
  std::vector<double> micros;  // per round
  Outcome outcome = Outcome::kNoMatch;
  std::size_t peak_heap = 0;
};

// The time of one call in microseconds, from a batch of `calls` calls.
double TimeBatch(Peer& peer, int calls, Outcome& outcome) {
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) outcome = peer.search();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// What runs besides the prepared engine, RE2 and PCRE2's JIT: the product's path with RE2
// compiled for each search beside it, and PCRE2's interpreter, which is left out where it
// takes quadratic time (its search for a required byte looks only so far ahead, and "\S+"
// then runs to the end of the input at every start: 3.9 s at 64 KiB already) or backtracks
// for seconds before it gives up.
struct Extras {
  bool product_path = false;
  bool interpreter = true;
};

void PrintRatios(const std::vector<Peer>& peers, const std::vector<Result>& results, const Comparison& comparison) {
  std::vector<double> ratios;
  std::string line = "  " + peers[comparison.ours].name + " / " + peers[comparison.theirs].name + ":";
  line.resize(std::max<std::size_t>(line.size(), 38), ' ');
  for (int round = 0; round < kRounds; ++round) {
    const auto r = static_cast<std::size_t>(round);
    ratios.push_back(results[comparison.ours].micros[r] / results[comparison.theirs].micros[r]);
    char cell[16];
    std::snprintf(cell, sizeof cell, " %7.3f", ratios.back());
    line += cell;
  }
  std::printf("%s   median %7.3f\n", line.c_str(), Median(ratios));
}

void RunCase(const std::string& name, const std::string& pattern, const std::string& input, Extras extras) {
  brimsel::TPatternEngine engine;
  engine.SetExpression(pattern);
  Pcre2Peer jit(pattern, true), interpreter(pattern, false);
  Re2Peer re2(pattern);
  std::vector<Peer> peers = {
      {"engine",
       [&] {
         engine.SetInput(input);
         return engine.Exec() ? Outcome::kMatch : Outcome::kNoMatch;
       }},
      {"RE2", [&] { return re2.Search(input); }},
      {"PCRE2-JIT", [&] { return jit.Search(input); }},
  };
  std::vector<Comparison> comparisons = {{0, 1}, {0, 2}};
  if (extras.interpreter) {
    comparisons.push_back({0, peers.size()});
    peers.push_back({"PCRE2", [&] { return interpreter.Search(input); }});
  }
  if (extras.product_path) {
    // What the update check runs: a fresh engine for each search, compiling and the input
    // copy included; and RE2 the same way.
    comparisons.push_back({peers.size(), peers.size() + 1});
    peers.push_back({"MatchFirstGroup", [&] {
                       return brimsel::MatchFirstGroup(input, pattern).empty() ? Outcome::kNoMatch : Outcome::kMatch;
                     }});
    peers.push_back({"RE2 + compile", [&] { return Re2Peer(pattern).Search(input); }});
  }
  std::vector<Result> results(peers.size());
  std::vector<int> calls(peers.size(), 1);
  // Peak heap of one search, and the batch size that makes a timed batch long enough.
  for (std::size_t p = 0; p < peers.size(); ++p) {
    if (p == 0) engine.SetInput(input);  // the prepared engine's input copy is not the search's memory
    heap_meter::Reset();
    const auto start = Clock::now();
    results[p].outcome = p == 0 ? (engine.Exec() ? Outcome::kMatch : Outcome::kNoMatch) : peers[p].search();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    results[p].peak_heap = heap_meter::PeakSinceReset();
    calls[p] = std::max(1, static_cast<int>(kBatchSeconds / std::max(seconds, 1e-9)));
  }
  for (int round = 0; round < kRounds; ++round) {
    // Each way goes first in turn, and every other round the order runs backwards, so that
    // no way always follows the same one (whose cache and heap it would find).
    const std::size_t count = peers.size();
    const std::size_t first = static_cast<std::size_t>(round) % count;
    for (std::size_t turn = 0; turn < count; ++turn) {
      const std::size_t p = round % 2 == 0 ? (first + turn) % count : (first + count - turn) % count;
      Outcome outcome{};
      results[p].micros.push_back(TimeBatch(peers[p], calls[p], outcome));
    }
  }
  std::printf("%s: %zu bytes, pattern %s\n", name.c_str(), input.size(), pattern.c_str());
  for (std::size_t p = 0; p < peers.size(); ++p) {
    std::printf("  %-16s %14.2f us  peak heap %10.1f KiB  %s\n", peers[p].name.c_str(), Median(results[p].micros),
                static_cast<double>(results[p].peak_heap) / 1024.0, Describe(results[p].outcome));
  }
  for (const Comparison& comparison : comparisons) PrintRatios(peers, results, comparison);
  std::fflush(stdout);
}

}  // namespace

int main() {
  std::printf("median of %d interleaved rounds, the order rotated and reversed; times are per search;\n"
              "ratios are our time over the peer's, per round, then their median (below 1: ours is faster)\n\n",
              kRounds);
  for (std::size_t size : {2048u, 4096u, 8192u}) {
    RunCase("typical reply, " + std::to_string(size / 1024) + " KiB", kMarker, TypicalReply(size), {true, true});
  }
  const std::size_t kMiB = 1024 * 1024;
  RunCase("\"<!--date\" repeated, 8 MiB, no match", kMarker, RepeatTo("<!--date", 8 * kMiB), {true, false});
  RunCase("\"<!--date\" repeated + \" Main -->\", 1 MiB, no match", kMarker,
          RepeatTo("<!--date", kMiB) + " Main -->", {false, false});
  RunCase("one marker, 1 MiB date", kMarker, "<!--date" + std::string(kMiB, '9') + "Main -->", {});
  const std::string as(100000, 'a');
  const std::string abs = RepeatTo("ab", 100000);
  RunCase("bounded count, 100 KB of a, no match", "(a|aa){0,1000}c", as, {});
  RunCase("bounded count, 100 KB of a + c", "(a|aa){0,1000}c", as + "c", {false, false});
  RunCase("bounded count, 100 KB of ab, no match", "(ab){0,1000}c", abs, {});
  RunCase("bounded count, 100 KB of ab + c", "(ab){0,1000}c", abs + "c", {false, false});
  const std::string long_as(16 * kMiB, 'a');
  RunCase("long loop, 16 MiB of a, no match", "(a|aa)*c", long_as, {});
  RunCase("long loop, 16 MiB of a + c", "(a|aa)*c", long_as + "c", {});
  RunCase("long loop, 16 MiB of a, anchored", "(a|aa)*$", long_as, {});
  return 0;
}
