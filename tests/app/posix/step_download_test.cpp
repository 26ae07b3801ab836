// Step 2 where only the Linux build can show it: the running product under a private X
// server, asked to close after the notice, and a path past the system's limit, which the
// Linux file system would hold.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <filesystem>

#include "app/step_download_fixture.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/x11/window_finder.h"
#include "support/posix/child_process.h"
#include "support/posix/xvfb.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

// Past the system's path limit the package would be fetched whole and then not be found:
// nothing is fetched, update.log says why, and the failure is the download's.
TEST_F(DownloadStepTest, APathPastTheSystemsLimitIsRefusedBeforeTheDownload) {
  ScriptedServer site(kStepTestBlock, PackageSite(Package('1', 9000)));
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  const std::filesystem::path deep = dir_.path() / std::string(120, 'd') / std::string(120, 'e');
  std::filesystem::create_directories(deep);
  WizardOptions options = TestOptions();
  options.installationFolder = platform::WindowsPath(deep) + "\\";
  options.vendorSiteUrl = site.Url();
  options.updateCheck = nullptr;
  options.downloadStep = RunDownloadStep;
  MakeWindow(std::move(options)).Show();
  RunStep2();
  EXPECT_EQ(site.ConnectionCount(), 0);
  EXPECT_EQ(window_->State().failure, UpdateFailure::kDownload);
  EXPECT_EQ(stepsRun_, (std::vector<int>{3}));
  const std::string log = TempDir::Read(deep / "update" / "update.log");
  EXPECT_NE(log.find("characters long, more than the 247"), std::string::npos) << log;
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
  // The log tells what the user saw, and how long the product took to close.
  const std::string log = Log();
  EXPECT_NE(log.find("the product's window \"产品窗口\" is open: the user is told that it will be closed"),
            std::string::npos) << log;
  EXPECT_THAT(log, ::testing::ContainsRegex("the product's window \"产品窗口\" closed [0-9]+ ms after it was asked"));
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
  const std::string log = Log();
  EXPECT_NE(log.find("the product's window \"Brimsel\" is not open"), std::string::npos) << log;
  EXPECT_NE(log.find("no product title in the settings: no product window looked for"), std::string::npos) << log;
}

}  // namespace
}  // namespace brimsel::test
