// Speed of the release-date search: the engine against PCRE2's interpreter (no JIT) on
// typical version replies and on adversarial ones of growing size. Prints the time of one
// search for each and the ratio; the engine's time should grow linearly with the input, and
// the most entries its backtracking stack held should not grow at all.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pattern/compiler.h"
#include "pattern/match_first_group.h"
#include "pattern/matcher.h"
#include "pattern/parser.h"
#include "pattern/pattern_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMarker[] = "<!--date(\\S+)Main -->";

// The median time of one call in microseconds, over repeated calls for about 0.3 s (a
// single call when one takes longer).
double MedianMicros(const std::function<void()>& call) {
  std::vector<double> times;
  const auto begin = Clock::now();
  while (times.empty() || (Clock::now() - begin < std::chrono::milliseconds(300) && times.size() < 100000)) {
    const auto start = Clock::now();
    call();
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + static_cast<long>(times.size() / 2), times.end());
  return times[times.size() / 2];
}

// A version reply of a few KB: an HTML page with many tags and the marker near its end.
std::string TypicalReply(std::size_t rows) {
  std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                     "<title>\xB0\xE6\xB1\xBE</title></head>\r\n<body>\r\n<table>\r\n";
  for (std::size_t i = 0; i < rows; ++i) {
    page += "<tr><td class=\"c\">" + std::to_string(i) + "</td><td><a href=\"/news/" + std::to_string(i) +
            ".htm\">\xD0\xC2\xCE\xC5 item</a></td></tr>\r\n";
  }
  page += "</table>\r\n<!--date2006-5-18Main -->\r\n</body></html>\r\n";
  return page;
}

std::string RepeatTo(const std::string& unit, std::size_t size) {
  std::string text;
  while (text.size() < size) text += unit;
  text.resize(size);
  return text;
}

struct Pcre2 {
  Pcre2() {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kMarker), PCRE2_ZERO_TERMINATED,
                             PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY, &error, &offset, nullptr));
    data.reset(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  }
  int Match(const std::string& input) {
    return pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(input.data()), input.size(), 0, 0, data.get(),
                       nullptr);
  }
  struct CodeFree {
    void operator()(pcre2_code* c) const { pcre2_code_free(c); }
  };
  struct DataFree {
    void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
  };
  std::unique_ptr<pcre2_code, CodeFree> code;
  std::unique_ptr<pcre2_match_data, DataFree> data;
};

std::size_t PeakStackDepth(const std::string& input) {
  const brimsel::pattern::Settings settings;
  const brimsel::pattern::Program program =
      brimsel::pattern::Compile(brimsel::pattern::Parse(kMarker, settings), settings);
  brimsel::pattern::Matcher matcher(program);
  brimsel::pattern::Captures captures{};
  matcher.Search(input, captures);
  return matcher.PeakStackDepth();
}

const char* Outcome(int rc) {
  if (rc > 0) return "match";
  if (rc == PCRE2_ERROR_NOMATCH) return "no match";
  if (rc == PCRE2_ERROR_MATCHLIMIT) return "gave up (match limit)";
  return "error";
}

// PCRE2 searches quadratically on some of the inputs; a size is measured only when the one
// before took less than this, otherwise its time is extrapolated from that one.
constexpr double kPcre2BudgetMicros = 2e6;

struct Family {
  double last_pcre2 = 0;
  std::size_t last_size = 0;
};

void Compare(const char* name, const std::string& input, Pcre2& pcre2, Family& family) {
  brimsel::TPatternEngine engine;
  engine.SetExpression(kMarker);
  bool found = false;
  const double ours = MedianMicros([&] {
    engine.SetInput(input);
    found = engine.Exec();
  });
  const double whole = MedianMicros([&] { brimsel::MatchFirstGroup(input, kMarker); });
  int rc = 0;
  double theirs = 0;
  const char* outcome = nullptr;
  if (family.last_pcre2 < kPcre2BudgetMicros) {
    theirs = MedianMicros([&] { rc = pcre2.Match(input); });
    outcome = Outcome(rc);
  } else {
    const double growth = static_cast<double>(input.size()) / static_cast<double>(family.last_size);
    theirs = family.last_pcre2 * growth * growth;
    outcome = "not run: ~quadratic estimate";
  }
  family.last_pcre2 = theirs;
  family.last_size = input.size();
  std::printf("%-40s %9zu %12.1f %12.1f %14.1f %10.4f %6zu   %-9s %s\n", name, input.size(), ours, whole, theirs,
              ours / theirs, PeakStackDepth(input), found ? "match" : "no match", outcome);
  std::fflush(stdout);
}

}  // namespace

int main() {
  Pcre2 pcre2;
  std::printf("pattern %s; times are microseconds per search (median)\n\n", kMarker);
  std::printf("%-40s %9s %12s %12s %14s %10s %6s   %-9s %s\n", "input", "bytes", "engine", "MatchFirst", "PCRE2",
              "ratio", "stack", "engine", "PCRE2");
  Family typical;
  Compare("typical reply, 2 KB", TypicalReply(20), pcre2, typical);
  Compare("typical reply, 4 KB", TypicalReply(45), pcre2, typical);
  Compare("typical reply, 8 KB", TypicalReply(90), pcre2, typical);
  Family repeated, repeated_end, long_date;
  for (std::size_t size : {64u * 1024, 256u * 1024, 1024u * 1024}) {
    const std::string label = "\"<!--date\" repeated, " + std::to_string(size / 1024) + " KiB";
    Compare(label.c_str(), RepeatTo("<!--date", size), pcre2, repeated);
  }
  // With a ">" at the end PCRE2 can no longer rule the reply out by a missing byte.
  for (std::size_t size : {64u * 1024, 256u * 1024, 1024u * 1024}) {
    const std::string label = "\"<!--date\" repeated + \"-->\", " + std::to_string(size / 1024) + " KiB";
    Compare(label.c_str(), RepeatTo("<!--date", size - 3) + "-->", pcre2, repeated_end);
  }
  for (std::size_t size : {64u * 1024, 256u * 1024, 1024u * 1024}) {
    const std::string label = "one marker, long date, " + std::to_string(size / 1024) + " KiB";
    Compare(label.c_str(), "<!--date" + std::string(size - 16, '9') + "Main --->", pcre2, long_date);
  }
  std::printf("\nratio = engine / PCRE2; MatchFirst = a fresh engine per search, compile included;\n"
              "stack = the most backtracking entries the engine held\n");
  return 0;
}
