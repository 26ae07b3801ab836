#pragma once
// The actions of wizard steps 1 to 3, run by ShowStep while the page of the step is shown.
// Each catches its own expected failures and shows them in the window; an error that
// escapes one is reported by the window's error box and leaves Next disabled.

namespace brimsel {

class WizardWindow;

// Step 1: the update check and the choice of the fastest server.
void RunUpdateCheck(WizardWindow& window);
// Step 2: closing the running product and downloading the package; moves on to step 3.
void RunDownloadStep(WizardWindow& window);
// Step 3: extracting and installing the package and recording the date of the update.
void RunInstallStep(WizardWindow& window);

}  // namespace brimsel
