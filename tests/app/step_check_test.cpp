// Step 1 in the real window against a local update site: the version check, the probes of
// every server and the choice of the fastest.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/window_fixture.h"
#include "app/steps.h"
#include "app/window_texts.h"
#include "platform/codepage.h"
#include "net/net_test_support.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

constexpr int kStepTestBlock = 2;
constexpr char kRefusingSite[] = "http://127.80.0.1";
const std::string kProbePage = "<html>" + platform::Utf8ToGbk("测试成功") + "</html>";

std::string VersionPage(const std::string& marker) { return "<html><body>" + marker + "</body></html>"; }

class UpdateCheckTest : public WindowTest {
 protected:
  // The site answers the version query with `versionPage` and the probe as a usable server.
  void StartSite(const std::string& versionPage) {
    site_ = std::make_unique<ScriptedServer>(
        kStepTestBlock,
        ServeFiles({{"/update/getver.asp?soft=Brimsel", versionPage}, {"/update/test.html", kProbePage}}));
  }
  // Shows the window with the site as vendor site, the real step 1 and LastUpdate set.
  void ShowWithLastUpdate(const char* lastUpdate) {
    WizardOptions options = TestOptions();
    options.vendorSiteUrl = site_->Url();
    options.updateCheck = RunUpdateCheck;
    WriteEnciphered("title", "Brimsel");
    WriteEnciphered("FSoftName", "Brimsel");
    if (lastUpdate != nullptr) WritePlain("LastUpdate", lastUpdate);
    MakeWindow(std::move(options)).Show();
  }
  bool OnFinishPage() const { return CurrentPage() == 4 && window_->NextCaption() == texts::kOkCaption; }
  // A test time cell that reads "<n>ms".
  static bool IsTime(const std::string& cell) {
    return cell.size() > 2 && cell.ends_with("ms") &&
           cell.find_first_not_of("0123456789") == cell.size() - 2;
  }

  std::unique_ptr<ScriptedServer> site_;
};

// An update is a release date strictly later than LastUpdate (2005-1-1 when it is
// missing or unreadable), read from the first marker of the version page; a second
// release on one day is a later time of day.
TEST_F(UpdateCheckTest, OnlyAStrictlyLaterReleaseDateIsAnUpdate) {
  const struct {
    const char* lastUpdate;
    const char* page;
    bool update;
  } rows[] = {
      {"2026-3-5", "<!--date2026-3-5Main -->", false},
      {"2026-3-5", "<!--date2026-3-6Main -->", true},
      {"2026-3-5", "<!--date2026-3-5 14:30Main -->", true},
      {"2026-3-5 14:30", "<!--date2026-3-5 14:30Main -->", false},
      {"2026-3-5 14:30", "<!--date2026-3-5 14:31Main -->", true},
      {"2025-1-1", "<!--date2030-1-1 Main -->", false},
      {nullptr, "<!--date2005-1-2Main -->", true},
      {"yesterday", "<!--date2005-1-1Main -->", false},
      {"2025-1-1", "<!--date2020-1-1Main --> <!--date2030-1-1Main -->", false},
      {"2025-1-1", "<!--date 2030-1-1Main -->", false},
      {"2025-1-1", "no marker at all", false},
      {"2025-1-1", "<!--date2030-13-1Main -->", false},
  };
  for (const auto& row : rows) {
    StartSite(VersionPage(row.page));
    BRIMSEL_SKIP_UNLESS_LISTENING(*site_);
    std::filesystem::remove(dir_.path() / "Update.ini");  // no LastUpdate from the row before
    ShowWithLastUpdate(row.lastUpdate);
    window_->btnNextClick();
    SCOPED_TRACE(row.page);
    if (!row.update) {
      EXPECT_TRUE(OnFinishPage());
      EXPECT_EQ(window_->Steps().Current(), 4);
      EXPECT_EQ(window_->ServerTestTime(0), "");  // nothing probed
      ASSERT_EQ(site_->Requests().size(), 1u);
      EXPECT_TRUE(site_->Requests()[0].starts_with("GET /update/getver.asp?soft=Brimsel HTTP/1.1\r\n"));
      continue;
    }
    EXPECT_EQ(CurrentPage(), 1);
    EXPECT_EQ(window_->Steps().Current(), 1);
    EXPECT_TRUE(IsTime(window_->ServerTestTime(0))) << window_->ServerTestTime(0);
    EXPECT_EQ(window_->SelectedServer(), 0);
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(window_->NextCaption(), texts::kNextCaption);
  }
}

TEST_F(UpdateCheckTest, UnreachableVendorSiteIsNoUpdate) {
  StartSite("");
  BRIMSEL_SKIP_UNLESS_LISTENING(*site_);
  WizardOptions options = TestOptions();
  options.vendorSiteUrl = kRefusingSite;
  options.updateCheck = RunUpdateCheck;
  MakeWindow(std::move(options)).Show();
  window_->btnNextClick();
  EXPECT_TRUE(OnFinishPage());
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(UpdateCheckTest, FailingServersReadConnectionFailedAndTheFastestPassingOneIsSelected) {
  // The built-in server answers its probe only after a while.
  site_ = std::make_unique<ScriptedServer>(kStepTestBlock, [](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    if (!request.starts_with("GET /update/test.html ")) {
      connection.Send(HttpReply(200, VersionPage("<!--date2030-1-1Main -->")));
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    connection.Send(HttpReply(200, kProbePage));
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*site_);
  ScriptedServer wrongPage(kStepTestBlock, ServeFiles({}));  // answers the probe with a not-found page
  ScriptedServer quick(kStepTestBlock, ServeFiles({{"/update/test.html", kProbePage}}));
  ShowWithLastUpdate("2025-1-1");
  window_->AddServer("refusing", kRefusingSite);
  window_->AddServer("wrong page", wrongPage.Url());
  window_->AddServer("quick", quick.Url());
  window_->btnNextClick();
  // The time covers the whole reply.
  const std::string slowTime = window_->ServerTestTime(0);
  ASSERT_TRUE(IsTime(slowTime)) << slowTime;
  EXPECT_GE(std::stoi(slowTime), 300);
  const std::string failed = platform::Utf8ToGbk("连接失败");
  EXPECT_EQ(window_->ServerTestTime(1), failed);
  EXPECT_EQ(window_->ServerTestTime(2), failed);
  ASSERT_TRUE(IsTime(window_->ServerTestTime(3)));
  EXPECT_LT(std::stoi(window_->ServerTestTime(3)), 300);
  EXPECT_EQ(window_->SelectedServer(), 3);
}

TEST_F(UpdateCheckTest, SingleFailingServerSelectsNothingAndNextComesBack) {
  // The site answers the version query but has no probe page.
  site_ = std::make_unique<ScriptedServer>(
      kStepTestBlock, ServeFiles({{"/update/getver.asp?soft=Brimsel", VersionPage("<!--date2030-1-1Main -->")}}));
  BRIMSEL_SKIP_UNLESS_LISTENING(*site_);
  ShowWithLastUpdate("2025-1-1");
  window_->btnNextClick();
  EXPECT_EQ(window_->ServerTestTime(0), platform::Utf8ToGbk("连接失败"));
  EXPECT_EQ(window_->SelectedServer(), -1);
  EXPECT_TRUE(NextEnabled());
  EXPECT_EQ(CurrentPage(), 1);
}

// A probe that gets no answer: Close confirmed while the window waits ends the probing at
// once; the servers after it are never asked.
TEST_F(UpdateCheckTest, ConfirmedCloseDuringASilentProbeEndsTheProbing) {
  std::atomic<bool> probeAsked = false;
  site_ = std::make_unique<ScriptedServer>(kStepTestBlock, [&probeAsked](ServerConnection& connection, int) {
    if (!connection.ReadRequest().starts_with("GET /update/test.html ")) {
      connection.Send(HttpReply(200, VersionPage("<!--date2030-1-1Main -->")));
      return;
    }
    probeAsked = true;
    connection.WaitForClientClose(30s);
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*site_);
  ScriptedServer next(kStepTestBlock, ServeFiles({{"/update/test.html", kProbePage}}));
  ShowWithLastUpdate("2025-1-1");
  window_->AddServer("next", next.Url());
  // The user clicks Close and answers Yes while the window waits for the probe.
  const platform::MessagePump windowPump = platform::SetMessagePump({});
  PumpScope pump([&] {
    if (windowPump) windowPump();
    if (!probeAsked.exchange(false)) return;
    boxes_.Answer(platform::IDYES);
    window_->btnCloseClick();
  });
  window_->btnNextClick();
  EXPECT_TRUE(window_->State().cancelFlag);
  EXPECT_EQ(window_->ServerTestTime(0), "");
  EXPECT_EQ(next.ConnectionCount(), 0);
  EXPECT_EQ(window_->SelectedServer(), -1);
  platform::SetMessagePump(windowPump);
}

TEST_F(UpdateCheckTest, EmptyServerListProbesNothing) {
  // The package name is never read when the show fails, so the query asks for "soft=".
  site_ = std::make_unique<ScriptedServer>(
      kStepTestBlock, ServeFiles({{"/update/getver.asp?soft=", VersionPage("<!--date2030-1-1Main -->")}}));
  BRIMSEL_SKIP_UNLESS_LISTENING(*site_);
  // A homepage that cannot be deciphered stops the window's show before the server row.
  WritePlain("homepage", "not hex");
  ShowWithLastUpdate("2025-1-1");
  ASSERT_EQ(window_->ServerCount(), 0);
  window_->btnNextClick();
  EXPECT_EQ(CurrentPage(), 1);
  EXPECT_EQ(window_->SelectedServer(), -1);
  EXPECT_TRUE(NextEnabled());
  EXPECT_EQ(site_->Requests().size(), 1u);  // the version query only
}

}  // namespace
}  // namespace brimsel::test
