#include "app/step_controller.h"

#include "app/finish_hint.h"
#include "app/window_texts.h"
#include "app/wizard_window.h"

namespace brimsel {

void StepController::Advance(WizardWindow& window) {
  ++step_;
  window.ShowStep(step_);
}

void StepController::JumpTo(WizardWindow& window, WizardStep step) {
  step_ = static_cast<int>(step);
  window.ShowStep(step_);
}

void StepController::Show(WizardWindow& window, int step) const {
  if (step < 0 || step > kPageCount) return;
  window.ShowPage(step);
  window.SetNextCaption(texts::kNextCaption);
  switch (static_cast<WizardStep>(step)) {
    case WizardStep::kServerTest:
      if (actions_.updateCheck) actions_.updateCheck(window);
      break;
    case WizardStep::kDownload:
      if (actions_.downloadStep) actions_.downloadStep(window);
      break;
    case WizardStep::kInstall:
      if (actions_.installStep) actions_.installStep(window);
      break;
    case WizardStep::kFinish:
      if (const std::optional<std::string> hint = FailedUpdateHint(window.State().failure))
        window.SetHitLabel(*hint);
      // The caption is the wizard's memory of being finished: Next now closes it.
      window.SetNextCaption(texts::kOkCaption);
      break;
    default:
      break;
  }
}

}  // namespace brimsel
