// The real update.exe on a private X display, with a vendor site that takes the version
// query and never answers: once Close is clicked and the question answered Yes, the
// process ends within seconds, not when the fetch would give up.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/posix/child_process.h"
#include "support/posix/xvfb.h"
#include "support/silent_site.h"
#include "support/temp_dir.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kUpdater = fs::path(BRIMSEL_BIN_DIR) / "update.exe";
constexpr char kXdotool[] = "/usr/bin/xdotool";

// Runs a few xdotool commands through the shell against the wizard, whose window id is
// $wizard; true when they succeeded within 30 s.
bool Xdo(const std::string& commands) {
  const std::string script =
      "wizard=$(xdotool search --onlyvisible --name '^在线升级$' | head -n 1); [ -n \"$wizard\" ] && " + commands;
  ChildProcess shell("/bin/sh", {"-c", script});
  return shell.WaitFor(30s) == 0;
}

// Next and Close, by where they sit in the window's 519 x 341 client area.
constexpr char kClickNext[] = "xdotool mousemove --window \"$wizard\" 389 319 click 1";
constexpr char kClickClose[] = "xdotool mousemove --window \"$wizard\" 469 319 click 1";
// The exit question is the second window of the wizard's caption; Return answers Yes.
constexpr char kAnswerYes[] =
    "for try in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do"
    "  box=$(xdotool search --onlyvisible --name '^在线升级$' | grep -vx \"$wizard\" | head -n 1);"
    "  [ -n \"$box\" ] && break; sleep 0.2;"
    "done;"
    "[ -n \"$box\" ] && xdotool windowfocus --sync \"$box\" key Return";

TEST(CloseDuringFetch, ConfirmedCloseEndsTheProcessWhileTheVersionPageNeverComes) {
  if (!fs::exists(kUpdater) || !fs::exists(kXdotool)) GTEST_SKIP() << "needs update.exe and xdotool";
  SilentVendorSite site;
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  Xvfb xvfb;
  if (!xvfb.Running()) GTEST_SKIP() << "no Xvfb: " << xvfb.Error();
  xvfb.ExportDisplay();

  TempDir installation;
  fs::copy_file(kUpdater, installation.path() / "update.exe");
  WriteBrimselSettings(installation.WinPath());
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ChildProcess updater(installation.path() / "update.exe", {});
  ASSERT_TRUE(updater.Running());

  // Next until the version query has come (a click before the window is ready is lost).
  for (int click = 0; click < 10 && !site.Asked(); ++click) {
    Xdo(kClickNext);
    WaitUntil([&] { return site.Asked(); }, 2s);
  }
  ASSERT_TRUE(site.Asked()) << "the wizard never asked for the version page";
  ASSERT_TRUE(Xdo(kClickClose));
  ASSERT_TRUE(Xdo(kAnswerYes)) << "the exit question did not appear";
  EXPECT_EQ(updater.WaitFor(5s), 0) << "update.exe still runs after a confirmed Close";
  EXPECT_TRUE(WaitUntil([&] { return site.ClientLeft(); }, 5s));
}

}  // namespace
}  // namespace brimsel::test
