// libFuzzer target: any bytes as the version page of the vendor's site, read as the update
// check reads it: the date marker found by the pattern engine, its text converted to a date,
// the signature marker. The marker's group must be PCRE2's for the same pattern (on pages
// without the bytes the two engines define differently); a date must write as LastUpdate
// and read back as itself; a signature must be hex found in its marker. The search may raise
// nothing.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/update_site.h"
#include "platform/locale.h"
#include "update/version_check.h"

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& page) {
  std::fprintf(stderr, "%s; page \"%s\"\n", what.c_str(), page.c_str());
  std::abort();
}

// Group 1 of the leftmost match of the release date pattern, as PCRE2 finds it; nothing when
// PCRE2 gives up.
bool ReferenceDate(const std::string& page, std::string& date) {
  static pcre2_code* const code = [] {
    int error = 0;
    PCRE2_SIZE offset = 0;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(brimsel::kReleaseDatePattern), PCRE2_ZERO_TERMINATED, PCRE2_DOTALL,
                         &error, &offset, nullptr);
  }();
  const std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> match(
      pcre2_match_data_create_from_pattern(code, nullptr), &pcre2_match_data_free);
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(page.data()), page.size(), 0, 0, match.get(), nullptr);
  date.clear();
  if (rc == PCRE2_ERROR_NOMATCH) return true;
  if (rc < 2) return false;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.get());
  date = page.substr(ovector[2], ovector[3] - ovector[2]);
  return true;
}

bool IsHex(const std::string& text) { return text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const brimsel::VersionCheck reply = brimsel::ReadVersionPage(page);

  // The engine reads up to a NUL byte; vertical tab is a space to PCRE2 only.
  if (page.find_first_of(std::string("\0\v", 2)) == std::string::npos) {
    std::string expected;
    if (ReferenceDate(page, expected) && expected != reply.dateText)
      Fail("the date marker gives \"" + reply.dateText + "\", PCRE2 \"" + expected + "\"", page);
  }
  if (reply.release) {
    const std::string written = brimsel::platform::DateTimeToStr(*reply.release);
    if (brimsel::platform::TryStrToDate(written) != reply.release) Fail("the date " + written + " does not read back", page);
  }
  if (!reply.signature.empty() &&
      (!IsHex(reply.signature) || page.find("<!--sign" + reply.signature + "Sign -->") == std::string::npos))
    Fail("a signature that is not its marker's hex", page);
  return 0;
}
