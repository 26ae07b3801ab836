// Step 2 in the test program's window against local download servers: where the package
// comes from and goes to, what the page shows, and the move on to step 3 whatever the
// download gave.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/step_download_fixture.h"
#include "platform/codepage.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

// The staging folder is made; the package comes from the selected row or else the first,
// and replaces the one left by the run before.
TEST_F(DownloadStepTest, ThePackageComesFromTheSelectedRowOrElseTheFirst) {
  const std::string first = Package('1', 9000);
  const std::string second = Package('2', 9000);
  ScriptedServer site(kStepTestBlock, PackageSite(first));
  ScriptedServer other(kStepTestBlock, PackageSite(second));
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  Show(site.Url());
  window_->AddServer("other", other.Url());
  RunStep2();
  EXPECT_EQ(StagedBytes(), first);
  const WizardState& state = window_->State();
  EXPECT_EQ(state.stagingFolder, dir_.WinPath() + "update");
  EXPECT_EQ(state.packagePath, dir_.WinPath() + "update\\Brimsel.zip");
  EXPECT_EQ(state.packageUrl, site.Url() + "/update/Brimsel.zip");
  EXPECT_EQ(other.ConnectionCount(), 0);
  // Complete: the bar went back to 0; the label shows the last chunk.
  EXPECT_EQ(window_->ProgressPosition(), 0);
  EXPECT_EQ(window_->ProgressMax(), 9000);
  EXPECT_EQ(window_->DownLabel(), platform::Utf8ToGbk("已完成 9,000/9,000 字节"));
  EXPECT_EQ(LabelText("lblFile"), "正在下载升级包");
  EXPECT_EQ(state.failure, UpdateFailure::kNone);
  // Step 3 ran at once.
  EXPECT_EQ(stepsRun_, (std::vector<int>{3}));
  EXPECT_TRUE(window_->Steps().At(WizardStep::kInstall));
  EXPECT_EQ(CurrentPage(), 3);

  const int siteConnections = site.ConnectionCount();
  window_->SelectServer(1);
  RunStep2();
  EXPECT_EQ(StagedBytes(), second);
  EXPECT_EQ(site.ConnectionCount(), siteConnections);
  EXPECT_EQ(state.packageUrl, other.Url() + "/update/Brimsel.zip");
}

TEST_F(DownloadStepTest, FailedDownloadStillMovesOnAndLeavesTheBar) {
  // The server promises 9000 bytes and closes after 4096.
  const std::string package = Package('f', 9000);
  ScriptedServer site(kStepTestBlock, [package](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    connection.Send(request.starts_with("HEAD ") ? HttpReplyHead(200, 9000)
                                                 : HttpReplyHead(206, 9000) + package.substr(0, 4096));
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  dir_.Write("update/Brimsel.zip", "stale");
  Show(site.Url());
  RunStep2();
  EXPECT_EQ(StagedBytes(), package.substr(0, 4096));
  EXPECT_EQ(window_->ProgressPosition(), 4096);
  EXPECT_EQ(window_->State().failure, UpdateFailure::kDownload);
  EXPECT_EQ(stepsRun_, (std::vector<int>{3}));
}

TEST_F(DownloadStepTest, UnreachableServerLeavesNoStalePackage) {
  dir_.Write("update/Brimsel.zip", "stale");
  Show("http://127.80.0.1");
  RunStep2();
  EXPECT_EQ(StagedBytes(), "");
  EXPECT_EQ(stepsRun_, (std::vector<int>{3}));
}

TEST_F(DownloadStepTest, EmptyServerListDownloadsNothingAndCarriesOn) {
  // The show stops at the homepage, before the package name and the server row are read,
  // so the package path is "update\.zip".
  dir_.Write("update/.zip", "stale");
  WritePlain("homepage", "not hex");
  Show("http://127.80.0.1");
  ASSERT_EQ(window_->ServerCount(), 0);
  RunStep2();
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "update" / ".zip"));
  EXPECT_EQ(window_->State().packageUrl, "");
  EXPECT_EQ(stepsRun_, (std::vector<int>{3}));
}

}  // namespace
}  // namespace brimsel::test
