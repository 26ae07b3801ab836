#include "app/install_log.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "platform/file_name_rule.h"
#include "platform/files.h"
#include "platform/locale.h"

namespace brimsel {
namespace {

std::string SkipText(TSkipReason reason, const std::string& name) {
  if (reason == TSkipReason::srCreateError) {
    // An entry whose name the file name rule refuses is never made: the rule says why.
    const std::size_t slash = platform::LastDelimiter(name, "\\");
    const platform::NameFault fault =
        platform::JudgeFileName(slash == std::string::npos ? name : name.substr(slash + 1));
    if (fault != platform::NameFault::kNone) return std::string("not installed, ") + platform::NameFaultText(fault);
    if (const std::string held = platform::NameHeldOtherwise(name); !held.empty())
      return "not installed, the system takes the name for the file " + held;
  }
  switch (reason) {
    case TSkipReason::srBadPassword: return "encrypted";
    case TSkipReason::srNoOverwrite: return "a file of its name is in the way";
    case TSkipReason::srCreateError: return "the staged file cannot be made";
  }
  return "skipped";
}

}  // namespace

void LogExtractionTroubles(TUnzipper& unzipper, UpdateLog& log) {
  unzipper.OnSkippingFile = [&log](TUnzipper&, TSkipReason reason, const std::string& name, int, bool&) {
    log.Line("extraction skipped " + name + ": " + SkipText(reason, name));
  };
  // An entry whose data broke a rule is logged with the rule; its CRC-32 says no more.
  auto namedRule = std::make_shared<int>(-1);
  unzipper.OnBadData = [&log, namedRule](TUnzipper& sender, int index, const std::string& reason) {
    *namedRule = index;
    log.Line("extraction discarded " + sender.EntryFileName(index) + ": " + reason);
  };
  unzipper.OnBadCRC = [&log, namedRule](TUnzipper& sender, std::uint32_t calculated, std::uint32_t stored, int index) {
    if (*namedRule == index) return;
    char crcs[64];
    std::snprintf(crcs, sizeof crcs, "CRC-32 %08X, stored %08X", static_cast<unsigned>(calculated),
                  static_cast<unsigned>(stored));
    log.Line("extraction discarded " + sender.EntryFileName(index) + ": " + crcs);
  };
}

std::string ExtractionErrorText(const std::exception& error) {
  if (const auto* inflate = dynamic_cast<const EZCompressionError*>(&error); inflate && !inflate->Rule().empty())
    return std::string(error.what()) + " (" + inflate->Rule() + ")";
  return error.what();
}

void LogLastUpdateWrite(WizardState& state, const std::function<void()>& write) {
  try {
    write();
  } catch (const std::exception& error) {
    state.log.Line(std::string("LastUpdate not written: ") + error.what());
    throw;
  }
  state.log.Line("LastUpdate written: " + platform::DateTimeToStr(state.releaseDate));
}

}  // namespace brimsel
