#include "app/steps.h"

#include "app/wizard_window.h"

namespace brimsel {

void RunUpdateCheck(WizardWindow& /*window*/) {}

}  // namespace brimsel
