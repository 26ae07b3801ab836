#pragma once
// What the Qt and the Win32 window do alike in their handlers, written once against
// WizardWindow: reading the settings when the window is shown, Next, Close and the error
// box around every handler.

#include <exception>
#include <string>

#include "app/error_box.h"
#include "app/wizard_window.h"

namespace brimsel {

// What a wizard window is made with.
struct WizardOptions {
  WizardOptions();  // the folder of the running program, the built-in site and the real steps
  std::string installationFolder;  // ends in "\"
  std::string vendorSiteUrl;       // scheme and host, no trailing slash
  std::string vendorPublicKey;     // hex; empty: packages are installed unsigned, as ever
  // The actions of steps 1 to 3 (steps.h); replaceable so that the step controller can be
  // exercised on its own.
  StepController::StepAction updateCheck;
  StepController::StepAction downloadStep;
  StepController::StepAction installStep;
};

// FormShow's reading: the settings path, the wizard step back at 0, and the product title,
// version, homepage (ending in "/") and package name from Update.ini. What was read before
// a value that cannot be deciphered is held all the same, and the error goes on. Before
// the settings, what an earlier run left unfinished is finished (self_replacement.h) and
// its temporary files are removed.
void ReadShowTimeState(WizardState& state, StepController& steps);

// Next: true when the wizard is finished (Next reads "确定(&O)") and the window is to
// close; otherwise runs the next step with Next disabled meanwhile and enabled after,
// whatever the step did with it. An error escaping the step leaves Next disabled.
bool PressNext(WizardWindow& window);

// Close: asks the exit question; on Yes sets the cancel flag and returns true.
bool ConfirmExit(WizardWindow& window);

// Runs a handler; an error escaping it is shown in the error box and the program goes on.
template <typename Handler>
void RunGuarded(const WizardWindow& window, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorBox(window.Handle(), error.what());
  } catch (...) {
    ShowErrorBox(window.Handle(), "Unknown error");
  }
}

}  // namespace brimsel
