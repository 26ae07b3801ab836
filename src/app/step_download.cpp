#include "app/steps.h"

#include "app/wizard_window.h"

namespace brimsel {

void RunDownloadStep(WizardWindow& /*window*/) {}

}  // namespace brimsel
