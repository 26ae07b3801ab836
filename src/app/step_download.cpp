// Step 2: make the staging folder, ask a running copy of the product to close, download
// the package from the chosen server, then move on to step 3 whatever the outcome.

#include <chrono>
#include <string>

#include "app/steps.h"
#include "app/update_log.h"
#include "app/wizard_window.h"
#include "net/download_package.h"
#include "platform/client_socket.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/sleep.h"
#include "platform/window_finder.h"
#include "update/package_location.h"

namespace brimsel {
namespace {

// 检查到主程序正在运行中，为了完成升级，将自动关闭主程序
constexpr char kProductRunningNotice[] =
    "\xBC\xEC\xB2\xE9\xB5\xBD\xD6\xF7\xB3\xCC\xD0\xF2\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0\xD6\xD0\xA3\xAC\xCE\xAA\xC1\xCB"
    "\xCD\xEA\xB3\xC9\xC9\xFD\xBC\xB6\xA3\xAC\xBD\xAB\xD7\xD4\xB6\xAF\xB9\xD8\xB1\xD5\xD6\xF7\xB3\xCC\xD0\xF2";
constexpr char kDownloadingPackage[] = "\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8\xC9\xFD\xBC\xB6\xB0\xFC";  // 正在下载升级包
constexpr unsigned kPauseMs = 100;
// 无法建立升级文件夹（…），请把程序移到其他文件夹
constexpr char kNoStagingFolder[] = "\xCE\xDE\xB7\xA8\xBD\xA8\xC1\xA2\xC9\xFD\xBC\xB6\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xA8";
constexpr char kMoveTheProgram[] =
    "\xA3\xA9\xA3\xAC\xC7\xEB\xB0\xD1\xB3\xCC\xD0\xF2\xD2\xC6\xB5\xBD\xC6\xE4\xCB\xFB\xCE\xC4\xBC\xFE\xBC\xD0";
// 安装文件夹的路径过长（…），请把程序移到路径较短的文件夹
constexpr char kPathTooLong[] = "\xB0\xB2\xD7\xB0\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4\xC2\xB7\xBE\xB6\xB9\xFD\xB3\xA4\xA3\xA8";
constexpr char kMoveToAShorterPath[] =
    "\xA3\xA9\xA3\xAC\xC7\xEB\xB0\xD1\xB3\xCC\xD0\xF2\xD2\xC6\xB5\xBD\xC2\xB7\xBE\xB6\xBD\xCF\xB6\xCC\xB5\xC4"
    "\xCE\xC4\xBC\xFE\xBC\xD0";

void NoteDownloadFailure(WizardState& state) {
  state.NoteFailure(UpdateFailure::kDownload);
}

// The product's main window is found by its caption, the product title. Without a title
// there is nothing to look for: an empty caption must not close an unrelated window. The
// log tells what the user saw: the window looked for, and how its closing went (the close
// request returns once the product has answered it, which may take a question of its own).
void CloseRunningProduct(WizardWindow& window) {
  WizardState& state = window.State();
  const std::string& title = state.productTitle;
  if (title.empty()) {
    state.log.Line("no product title in the settings: no product window looked for");
    return;
  }
  const platform::WindowHandle product = platform::FindWindowA(nullptr, title);
  const std::string looked = "the product's window \"" + OneLine(title) + "\"";
  if (product == 0) {
    state.log.Line(looked + " is not open");
    return;
  }
  state.log.Line(looked + " is open: the user is told that it will be closed");
  window.ShowInfo(kProductRunningNotice);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point asked = Clock::now();
  platform::SendMessageA(product, platform::WM_CLOSE, 0, 0);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
  const bool stillOpen = platform::FindWindowA(nullptr, title) != 0;
  state.log.Line(looked + (stillOpen ? " is still open " : " closed ") + std::to_string(ms) +
                 " ms after it was asked to close");
}

}  // namespace

void RunDownloadStep(WizardWindow& window) {
  WizardState& state = window.State();
  window.RepaintNow();

  const PackageLocation location = LocatePackage(state.installationFolder, state.packageName);
  state.stagingFolder = location.stagingFolder;
  state.packagePath = location.packagePath;
  if (const std::string why = PathBeyondTheLimit(location); !why.empty()) {
    state.log.Line(why + ": nothing downloaded; the product needs a folder with a shorter path");
    NoteDownloadFailure(state);
    // Where the system could not even make the log, the user is told.
    if (state.log.Path().empty()) throw Exception(kPathTooLong + state.installationFolder + kMoveToAShorterPath);
    window.Steps().Advance(window);
    return;
  }
  // Without its staging folder the update has nowhere to go, not even its log: the user is told.
  if (!platform::DirectoryExists(state.stagingFolder) && !platform::ForceDirectories(state.stagingFolder)) {
    state.log.Line("the staging folder " + state.stagingFolder + " cannot be made: nothing downloaded");
    NoteDownloadFailure(state);
    throw Exception(kNoStagingFolder + state.stagingFolder + kMoveTheProgram);
  }

  // The selected server, or else the first. The list is empty only when showing the window
  // failed; then nothing is downloaded and the wizard carries on.
  const int selected = window.SelectedServer();
  const int row = selected >= 0 ? selected : 0;
  const bool haveServer = row < window.ServerCount();
  state.packageUrl = haveServer ? PackageUrl(window.ServerUrl(row), state.packageName) : "";

  if (haveServer) CloseRunningProduct(window);
  window.RepaintNow();

  // A package left by an earlier run goes, so that step 3 never installs a stale one.
  if (platform::FileExists(state.packagePath)) platform::DeleteFile(state.packagePath);
  window.SetFileLabel(kDownloadingPackage);
  window.SetProgressPosition(0);
  state.packageComplete = false;
  if (haveServer) {
    const DownloadReport report =
        DownloadPackageReporting(window.PackageSocket(), window, state.packageUrl, state.packagePath);
    state.log.Line("download " + state.packageUrl + " into " + state.packagePath + ": " + DescribeDownload(report));
    state.packageComplete = report.outcome == DownloadOutcome::Complete;
    if (state.packageComplete) window.SetProgressPosition(0);
  } else {
    state.log.Line("no server to download the package from");
  }
  if (!state.packageComplete) state.NoteFailure(UpdateFailure::kDownload);
  platform::Sleep(kPauseMs);

  window.Steps().Advance(window);
}

}  // namespace brimsel
