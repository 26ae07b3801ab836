#include "app/wizard_form.h"

#include <exception>

#include "app/error_box.h"
#include "app/self_replacement.h"
#include "app/steps.h"
#include "app/vendor_site.h"
#include "app/window_texts.h"
#include "archive/unzipper.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/temporary_files.h"
#include "settings/settings_file.h"

namespace brimsel {
namespace {

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

// The settings path, the wizard step back at 0, and the product title, version, homepage
// (ending in "/") and package name from Update.ini. What was read before a value that
// cannot be deciphered is held all the same, and the error goes on. Before the settings,
// what an earlier run left unfinished is finished (self_replacement.h) and its temporary
// files are removed.
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

// `text` with every "Brimsel" replaced by `title`, case-sensitive. The text is walked
// character by character, so that a trail byte of a double-byte character can never be
// taken for the "B" of the name.
std::string WithProductTitle(const std::string& text, const std::string& title) {
  const std::string_view name = texts::kProductPlaceholder;
  std::string replaced;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, name.size(), name) == 0) {
      replaced += title;
      i += name.size();
    } else {
      const std::size_t length = platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
      replaced.append(text, i, length);
      i += length;
    }
  }
  return replaced;
}

}  // namespace

WizardOptions::WizardOptions()
    : installationFolder(platform::InstallationFolder()),
      vendorSiteUrl(kVendorSiteUrl),
      updateCheck(RunUpdateCheck),
      downloadStep(RunDownloadStep),
      installStep(RunInstallStep) {}

WizardForm::WizardForm(Options options)
    : steps_({std::move(options.updateCheck), std::move(options.downloadStep), std::move(options.installStep)}),
      unzipper_(std::make_unique<TUnzipper>()) {
  state_.installationFolder = std::move(options.installationFolder);
  state_.vendorSiteUrl = std::move(options.vendorSiteUrl);
  state_.vendorPublicKey = std::move(options.vendorPublicKey);
  FormCreate();
}

WizardForm::~WizardForm() = default;

void WizardForm::FormCreate() {
  packageSocket_ = std::make_unique<platform::TClientSocket>();
  packageSocket_->SetClientType(platform::ctBlocking);
}

void WizardForm::FormShow() {
  RunGuarded(*this, [this] {
    ReadShowTimeState(state_, steps_);
    ReplaceProductName("lblTitle");
    ReplaceProductName("lblHit");
    SetCaption("lblUrl", state_.homepage);
    AddServer(texts::kBuiltInServerName, state_.vendorSiteUrl);
  });
}

void WizardForm::ReplaceProductName(std::string_view label) {
  SetCaption(label, WithProductTitle(Caption(label), state_.productTitle));
}

void WizardForm::btnNextClick() {
  RunGuarded(*this, [this] {
    if (NextCaption() == texts::kOkCaption) {
      Close();
      return;
    }
    SetNextEnabled(false);
    steps_.Advance(*this);
    SetNextEnabled(true);
  });
  AfterStep();
}

void WizardForm::btnCloseClick() {
  RunGuarded(*this, [this] {
    if (!AskYesNo(texts::kExitQuestion)) return;
    state_.cancelFlag = true;
    Close();
  });
}

void WizardForm::AddServer(const std::string& name, const std::string& url) {
  const int row = ServerCount();
  AddServerRow();
  SetServerCell(row, kNumberColumn, std::to_string(row + 1));
  SetServerCell(row, kNameColumn, name);
  SetServerCell(row, kUrlColumn, url);
  SetServerCell(row, kTestTimeColumn, "");
}

void WizardForm::ShowInfo(const std::string& text) {
  platform::MessageBox(Handle(), text, texts::kOnlineUpdate, platform::MB_OK | platform::MB_ICONINFORMATION);
}

bool WizardForm::AskYesNo(const std::string& text) {
  return platform::MessageBox(Handle(), text, texts::kOnlineUpdate, platform::MB_YESNO | platform::MB_ICONQUESTION) ==
         platform::IDYES;
}

}  // namespace brimsel
