#include "app/steps.h"

#include "app/wizard_window.h"

namespace brimsel {

void RunInstallStep(WizardWindow& /*window*/) {}

}  // namespace brimsel
