#include "app/install_log.h"

#include <cstdio>
#include <exception>

#include "archive/unzipper.h"
#include "platform/locale.h"

namespace brimsel {
namespace {

const char* SkipText(TSkipReason reason) {
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
    log.Line("extraction skipped " + name + ": " + SkipText(reason));
  };
  unzipper.OnBadCRC = [&log](TUnzipper& sender, std::uint32_t calculated, std::uint32_t stored, int index) {
    char crcs[64];
    std::snprintf(crcs, sizeof crcs, "CRC-32 %08X, stored %08X", static_cast<unsigned>(calculated),
                  static_cast<unsigned>(stored));
    log.Line("extraction discarded " + sender.EntryFileName(index) + ": " + crcs);
  };
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
