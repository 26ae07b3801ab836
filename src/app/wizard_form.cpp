#include "app/wizard_form.h"

#include "app/self_replacement.h"
#include "app/steps.h"
#include "app/vendor_site.h"
#include "app/window_texts.h"
#include "platform/files.h"
#include "platform/temporary_files.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

void LogStart(WizardState& state) {
  state.log.Start(StagingFolderOf(state.installationFolder),
                  "update.exe started in " + state.installationFolder + ", vendor site " + state.vendorSiteUrl +
                      (state.vendorPublicKey.empty() ? "" : ", signed packages only"));
}

// Which settings were there; of the values only the package name, which every URL shows.
void LogSettings(WizardState& state, const ShowTimeSettings& values) {
  const auto presence = [](const std::string& value) { return value.empty() ? "empty" : "set"; };
  state.log.Line("settings " + state.settingsPath + (platform::FileExists(state.settingsPath) ? "" : " (missing)") +
                 ": title " + presence(values.title) + ", version " + presence(values.version) + ", homepage " +
                 presence(values.homepage) + ", FSoftName " +
                 (values.packageName.empty() ? std::string("empty") : "\"" + values.packageName + "\""));
}

// What an earlier run that was killed left in the installation folder: a replacement of
// update.exe to finish, and the temporary files of copies and settings writes.
void RepairInterruptedRun(WizardState& state) {
  FinishInterruptedSelfReplacement(state.installationFolder, state.log);
  for (const std::string& name : platform::RemoveLeftoverTemporaryFiles(state.installationFolder))
    state.log.Line("removed " + state.installationFolder + name + ", a temporary file left by an earlier run");
}

}  // namespace

WizardOptions::WizardOptions()
    : installationFolder(platform::InstallationFolder()),
      vendorSiteUrl(kVendorSiteUrl),
      updateCheck(RunUpdateCheck),
      downloadStep(RunDownloadStep),
      installStep(RunInstallStep) {}

void ReadShowTimeState(WizardState& state, StepController& steps) {
  state.settingsPath = state.installationFolder + kSettingsFileName;
  steps.Start();
  LogStart(state);
  RepairInterruptedRun(state);
  ShowTimeSettings values;
  const auto hold = [&] {
    state.productTitle = values.title;
    state.productVersion = values.version;
    state.packageName = values.packageName;
  };
  try {
    ReadShowTimeSettings(state.settingsPath, values);
  } catch (const std::exception& error) {
    hold();
    state.log.Line(std::string("settings: ") + error.what());
    throw;
  } catch (...) {
    hold();
    throw;
  }
  hold();
  LogSettings(state, values);
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
