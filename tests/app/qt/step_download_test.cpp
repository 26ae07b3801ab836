// Step 2 in the real window against local download servers: where the package comes from
// and goes to, what the page shows, the running product asked to close, and the move on to
// step 3 whatever the download gave.

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <filesystem>

#include "app/qt/window_fixture.h"
#include "app/steps.h"
#include "platform/codepage.h"
#include "platform/x11/window_finder.h"
#include "support/posix/child_process.h"
#include "support/posix/xvfb.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

constexpr int kStepTestBlock = 2;

std::string Package(char fill, std::size_t size) {
  std::string bytes(size, fill);
  for (std::size_t i = 0; i < size; i += 97) bytes[i] = static_cast<char>(i);
  return bytes;
}

class DownloadStepTest : public WindowTest {
 protected:
  ScriptedServer::Script PackageSite(std::string package) {
    return ServeFiles({{"/update/Brimsel.zip", std::move(package)}});
  }
  // Shows the window with `site` as vendor site and the real step 2; step 3 only records.
  void Show(const std::string& siteUrl, const char* title = "Brimsel") {
    TfrmUpdate::Options options = TestOptions();
    options.vendorSiteUrl = siteUrl;
    options.updateCheck = nullptr;  // the server page without a check
    options.downloadStep = RunDownloadStep;
    WriteEnciphered("title", title);
    WriteEnciphered("FSoftName", "Brimsel");
    MakeWindow(std::move(options)).show();
  }
  // Next on the server page.
  void RunStep2() {
    window_->Steps().JumpTo(*window_, WizardStep::kServerTest);
    window_->btnNextClick();
  }
  std::filesystem::path StagedPackage() const { return dir_.path() / "update" / "Brimsel.zip"; }
  std::string StagedBytes() const { return TempDir::Read(StagedPackage()); }
};

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

// The running product under a private X server: its window is asked to close after the
// notice, and a window of another caption is left alone.
class RunningProductTest : public DownloadStepTest {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kDemoProduct)) GTEST_SKIP() << "demo_product is not built: " << kDemoProduct;
    if (!xvfb_.Running()) GTEST_SKIP() << "no Xvfb: " << xvfb_.Error();
    xvfb_.ExportDisplay();
    // An X server resets whenever its last client leaves, and a program connecting at that
    // moment is turned away; one connection held for the whole test keeps it from resetting
    // while FindWindowA comes and goes.
    keepAlive_.reset(xcb_connect(xvfb_.Display().c_str(), nullptr));
  }
  // Starts the stand-in product with `caption` and waits until its window can be found.
  std::unique_ptr<ChildProcess> StartProduct(const std::string& caption) {
    auto product = std::make_unique<ChildProcess>(kDemoProduct, std::vector<std::string>{"-platform", "xcb", caption});
    const std::string gbk = platform::Utf8ToGbk(caption);
    EXPECT_TRUE(WaitUntil([&] { return platform::FindWindowA(nullptr, gbk) != 0; }, std::chrono::seconds(20)))
        << "the window of " << caption << " did not appear";
    return product;
  }

  struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
  };

  const std::filesystem::path kDemoProduct = std::filesystem::path(BRIMSEL_BIN_DIR) / "demo_product";
  Xvfb xvfb_;
  std::unique_ptr<xcb_connection_t, Disconnect> keepAlive_;
};

TEST_F(RunningProductTest, ProductWindowIsClosedAfterTheNoticeAndOthersAreLeftAlone) {
  ScriptedServer site(kStepTestBlock, PackageSite(Package('p', 3000)));
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  auto product = StartProduct("产品窗口");
  auto unrelated = StartProduct("Unrelated");
  Show(site.Url(), "产品窗口");
  RunStep2();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, platform::Utf8ToGbk("检查到主程序正在运行中，为了完成升级，将自动关闭主程序"));
  EXPECT_EQ(boxes_.Boxes()[0].caption, platform::Utf8ToGbk("在线升级"));
  EXPECT_EQ(product->WaitFor(std::chrono::seconds(10)), 0);
  EXPECT_TRUE(unrelated->Running());
  EXPECT_EQ(unrelated->WaitFor(std::chrono::milliseconds(0)), std::nullopt);
  EXPECT_NE(platform::FindWindowA(nullptr, "Unrelated"), 0u);
}

// No window is captioned with the product title (or there is no title at all): no notice,
// and the unrelated window stays.
TEST_F(RunningProductTest, WithoutAWindowOfTheTitleNothingIsClosed) {
  ScriptedServer site(kStepTestBlock, PackageSite(Package('p', 3000)));
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  auto unrelated = StartProduct("Unrelated");
  for (const char* title : {"Brimsel", ""}) {
    Show(site.Url(), title);
    RunStep2();
    EXPECT_TRUE(boxes_.Boxes().empty()) << title;
    EXPECT_EQ(unrelated->WaitFor(std::chrono::milliseconds(0)), std::nullopt) << title;
    EXPECT_NE(platform::FindWindowA(nullptr, "Unrelated"), 0u) << title;
  }
}

}  // namespace
}  // namespace brimsel::test
