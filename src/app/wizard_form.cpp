#include "app/wizard_form.h"

#include "app/steps.h"
#include "app/vendor_site.h"
#include "app/window_texts.h"
#include "platform/files.h"
#include "settings/settings_file.h"

namespace brimsel {

WizardOptions::WizardOptions()
    : installationFolder(platform::InstallationFolder()),
      vendorSiteUrl(kVendorSiteUrl),
      updateCheck(RunUpdateCheck),
      downloadStep(RunDownloadStep),
      installStep(RunInstallStep) {}

void ReadShowTimeState(WizardState& state, StepController& steps) {
  state.settingsPath = state.installationFolder + kSettingsFileName;
  steps.Start();
  ShowTimeSettings values;
  const auto hold = [&] {
    state.productTitle = values.title;
    state.productVersion = values.version;
    state.packageName = values.packageName;
  };
  try {
    ReadShowTimeSettings(state.settingsPath, values);
  } catch (...) {
    hold();
    throw;
  }
  hold();
  state.homepage = values.homepage;
}

bool PressNext(WizardWindow& window) {
  if (window.NextCaption() == texts::kOkCaption) return true;
  window.SetNextEnabled(false);
  window.Steps().Advance(window);
  window.SetNextEnabled(true);
  return false;
}

bool ConfirmExit(WizardWindow& window) {
  if (!window.AskYesNo(texts::kExitQuestion)) return false;
  window.State().cancelFlag = true;
  return true;
}

}  // namespace brimsel
