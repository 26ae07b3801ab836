#pragma once
// What the step actions use of the wizard window. The form (wizard_form.h) implements it
// with the window TfrmUpdate, in Qt on Linux and with the system's own controls on
// Windows; the step actions are written against this interface only, so they read like
// the wizard's own description and name no windowing system.

#include <string>

#include "app/update_log.h"
#include "app/step_controller.h"
#include "net/download_view.h"
#include "platform/locale.h"
#include "platform/message_box.h"
#include "update/package_location.h"
#include "update/server_probe.h"

namespace brimsel {

class TUnzipper;
namespace platform {
class TClientSocket;
}

// Why an update that was started did not install every file, by the class the finish page
// names; kNone while nothing has failed.
enum class UpdateFailure { kNone, kVersionCheck, kDownload, kPackage, kSignature, kFilesInUse };

// The state of one run, held by the window.
struct WizardState {
  bool cancelFlag = false;   // set by a confirmed Close
  bool selfUpdate = false;   // the package carried update.exe
  bool packageComplete = false;  // the download reached the package's whole length
  UpdateFailure failure = UpdateFailure::kNone;  // the first failure of steps 1 to 3
  // Records why the update fails, unless an earlier failure is recorded: the first tells.
  void NoteFailure(UpdateFailure why) {
    if (failure == UpdateFailure::kNone) failure = why;
  }
  std::string productTitle;  // settings value "title"; also the running product's caption
  std::string productVersion;
  std::string homepage;      // always ends in "/"
  std::string packageName;   // settings value "FSoftName"
  std::string packagePath;   // staging folder + "\" + package name + ".zip"
  std::string stagingFolder; // installation folder + "update"
  std::string packageUrl;    // server URL + "/update/" + package name + ".zip"
  std::string settingsPath;  // installation folder + "Update.ini"
  std::string installationFolder;  // the folder of update.exe, ending in "\"
  std::string vendorSiteUrl;       // scheme and host, no trailing slash
  std::string vendorPublicKey;     // hex; empty when packages are not signature-checked
  std::string packageSignature;    // from the version page; empty when it carries none
  platform::DateTime releaseDate;  // from the version page: what LastUpdate records once installed
  UpdateLog log;                   // update.log in the staging folder
};

class WizardWindow : public DownloadView, public ServerListView {
 public:
  virtual WizardState& State() = 0;
  // The wizard step and its one writer.
  virtual StepController& Steps() = 0;
  // Shows the page of `step` and runs that step's action (StepController::Show).
  virtual void ShowStep(int step) = 0;
  // Shows page `index` of the notebook; an index that names no page is ignored.
  virtual void ShowPage(int index) = 0;

  virtual void SetNextEnabled(bool enabled) = 0;
  virtual void SetNextCaption(const std::string& caption) = 0;
  virtual std::string NextCaption() const = 0;

  // The server list: rows of (row number, name, URL, test time), 0-based here; its count,
  // URLs and test times as the probing sees them (ServerListView).
  virtual std::string ServerName(int row) const = 0;
  virtual std::string ServerTestTime(int row) const = 0;
  virtual int SelectedServer() const = 0;  // -1 when no row is selected
  virtual void SelectServer(int row) = 0;  // it becomes the only selected row
  virtual void FocusServerList() = 0;

  virtual void SetFileLabel(const std::string& text) = 0;  // lblFile
  virtual void SetHitLabel(const std::string& text) = 0;   // lblHit, lines joined by "\n"
  virtual int ProgressPosition() const = 0;
  virtual int ProgressMax() const = 0;
  virtual std::string DownLabel() const = 0;

  virtual void ClearLog() = 0;                        // Memo1
  virtual void AppendLog(const std::string& line) = 0;
  virtual std::string LogText() const = 0;            // the lines joined by "\n"

  virtual void RepaintNow() = 0;  // immediate repaint of the whole window
  virtual platform::WindowHandle Handle() const = 0;

  virtual platform::TClientSocket& PackageSocket() = 0;
  virtual TUnzipper& Unzipper1() = 0;

  // The wizard's two message boxes, titled "在线升级", owned by this window.
  virtual void ShowInfo(const std::string& text) = 0;
  virtual bool AskYesNo(const std::string& text) = 0;
};

}  // namespace brimsel
