#pragma once
// The installation step's lines in update.log that need more than one call: the entries
// the extraction rejects, and the outcome of recording LastUpdate.

#include <functional>

#include "app/wizard_window.h"

namespace brimsel {

class TUnzipper;

// Logs every entry that the extraction of `unzipper` skips or discards for a bad CRC.
void LogExtractionTroubles(TUnzipper& unzipper, UpdateLog& log);

// Runs `write` (the LastUpdate write) and logs whether it worked; its error goes on.
void LogLastUpdateWrite(WizardState& state, const std::function<void()>& write);

}  // namespace brimsel
