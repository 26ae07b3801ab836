#pragma once
// The wizard's step controller, shared by the Qt and the Win32 window. The wizard step is
// written here and nowhere else: Next and the download step raise it by one, the update
// check jumps to the finish, showing the window starts it at the welcome page.

#include <functional>

namespace brimsel {

class WizardWindow;

// The steps by the number the window counts them with; the page of a step has its index.
enum class WizardStep : int { kWelcome = 0, kServerTest = 1, kDownload = 2, kInstall = 3, kFinish = 4 };

inline constexpr int kPageCount = 5;

class StepController {
 public:
  using StepAction = std::function<void(WizardWindow&)>;
  struct Actions {
    StepAction updateCheck;   // step 1
    StepAction downloadStep;  // step 2
    StepAction installStep;   // step 3
  };

  explicit StepController(Actions actions) : actions_(std::move(actions)) {}

  // The current step: 0 to 4 in a normal run. After ShowStep(5) Next may carry it to 5,
  // which names no page.
  int Current() const { return step_; }
  bool At(WizardStep step) const { return step_ == static_cast<int>(step); }

  void Start() { step_ = static_cast<int>(WizardStep::kWelcome); }
  // Raises the step by one and shows it through the window's ShowStep.
  void Advance(WizardWindow& window);
  void JumpTo(WizardWindow& window, WizardStep step);

  // The body of ShowStep: a step outside 0 to kPageCount changes nothing; otherwise the
  // step's page is shown, Next reads "下一步(&N)>" and the step's action runs.
  void Show(WizardWindow& window, int step) const;

 private:
  Actions actions_;
  int step_ = 0;
};

}  // namespace brimsel
