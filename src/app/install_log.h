#pragma once
// The installation step's lines in update.log that need more than one call: the entries
// the extraction rejects, and the outcome of recording LastUpdate.

#include <exception>
#include <functional>
#include <string>

#include "app/wizard_window.h"

namespace brimsel {

class TUnzipper;

// Logs every entry that the extraction of `unzipper` skips or discards: the reason it was
// skipped, the rule its data broke, or its CRC-32 against the stored one.
void LogExtractionTroubles(TUnzipper& unzipper, UpdateLog& log);

// The text of an error that ended an extraction, with the rule the data broke when the
// error names one.
std::string ExtractionErrorText(const std::exception& error);

// Runs `write` (the LastUpdate write) and logs whether it worked; its error goes on.
void LogLastUpdateWrite(WizardState& state, const std::function<void()>& write);

}  // namespace brimsel
