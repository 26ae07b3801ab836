// Showing the window: the settings read and deciphered, the product title put into the
// welcome and finish texts, the homepage and the built-in server row; and what a value
// that cannot be deciphered leaves behind.

#include <gtest/gtest.h>

#include <QTreeWidget>
#include <filesystem>

#include "app/qt/window_fixture.h"
#include "platform/codepage.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

using WindowShowTest = WindowTest;

TEST_F(WindowShowTest, WithoutSettingsFileTheTextsHaveNoTitleAndTheHomepageIsASlash) {
  TfrmUpdate& window = ShowWindow();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(boxes_.Boxes().empty());

  EXPECT_EQ(LabelText("lblTitle"), "本程序帮助您升级《》");
  EXPECT_EQ(LabelText("lblHit"), "您的计算机上已安装了最新的《》程序及数据。");
  EXPECT_EQ(LabelText("lblUrl"), "/");

  const WizardState& state = window.State();
  EXPECT_EQ(state.settingsPath, dir_.WinPath() + "Update.ini");
  EXPECT_TRUE(window.Steps().At(WizardStep::kWelcome));
  EXPECT_EQ(state.productTitle, "");
  EXPECT_EQ(state.productVersion, "");
  EXPECT_EQ(state.packageName, "");
  EXPECT_EQ(state.homepage, "/");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "Update.ini"));  // reading never creates it
  EXPECT_FALSE(state.cancelFlag);
  EXPECT_FALSE(state.selfUpdate);

  ASSERT_EQ(window.ServerCount(), 1);
  EXPECT_EQ(window.ServerName(0), Utf8ToGbk("电信一"));
  EXPECT_EQ(window.ServerUrl(0), kTestVendorSite);
  EXPECT_EQ(window.ServerTestTime(0), "");
  EXPECT_EQ(Find<QTreeWidget>("lsvTest")->topLevelItem(0)->text(0), "1");
  EXPECT_EQ(window.SelectedServer(), -1);

  // The notebook stays on the welcome page and ShowStep is not called.
  EXPECT_EQ(CurrentPage(), 0);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
  EXPECT_TRUE(stepsRun_.empty());
}

TEST_F(WindowShowTest, SettingsMadeByTheVendorAreDecipheredAndShown) {
  WriteEnciphered("title", "Brimsel 专业版");
  WriteEnciphered("version", "2.5");
  WriteEnciphered("homepage", "http://www.brimsel.example");
  WriteEnciphered("FSoftName", "BrimselPro");
  TfrmUpdate& window = ShowWindow();
  EXPECT_TRUE(boxes_.Boxes().empty());

  const WizardState& state = window.State();
  EXPECT_EQ(state.productTitle, Utf8ToGbk("Brimsel 专业版"));
  EXPECT_EQ(state.productVersion, "2.5");
  EXPECT_EQ(state.packageName, "BrimselPro");
  EXPECT_EQ(state.homepage, "http://www.brimsel.example/");

  // The title itself holds "Brimsel": it is put in once, not replaced again.
  EXPECT_EQ(LabelText("lblTitle"), "本程序帮助您升级《Brimsel 专业版》");
  EXPECT_EQ(LabelText("lblHit"), "您的计算机上已安装了最新的《Brimsel 专业版》程序及数据。");
  EXPECT_EQ(LabelText("lblUrl"), "http://www.brimsel.example/");
  // Texts without the product name are left alone.
  EXPECT_EQ(LabelText("Label1"), "欢迎使用在线升级");
  EXPECT_EQ(LabelText("Label7"), "欢迎以后继续观注我们的产品更新。");
  ASSERT_EQ(window.ServerCount(), 1);
}

TEST_F(WindowShowTest, HomepageGetsExactlyOneSlashAndTheTitleIsPlainText) {
  WriteEnciphered("homepage", "http://www.brimsel.example/index.htm");
  WriteEnciphered("title", "<b>Brimsel</b> & Co");
  ShowWindow();
  EXPECT_EQ(LabelText("lblUrl"), "http://www.brimsel.example/index.htm/");
  EXPECT_EQ(LabelText("lblTitle"), "本程序帮助您升级《<b>Brimsel</b> & Co》");
  EXPECT_EQ(Find<QLabel>("lblTitle")->textFormat(), Qt::PlainText);

  WriteEnciphered("homepage", "http://www.brimsel.example/cn/");
  ShowWindow();
  EXPECT_EQ(window_->State().homepage, "http://www.brimsel.example/cn/");
  EXPECT_EQ(LabelText("lblUrl"), "http://www.brimsel.example/cn/");
}

TEST_F(WindowShowTest, ValueThatIsNotHexTextStopsTheShowAndIsReported) {
  WriteEnciphered("title", "Brimsel");
  WriteEnciphered("version", "1.0");
  WritePlain("homepage", "http://not.hex/");
  WriteEnciphered("FSoftName", "Brimsel");
  TfrmUpdate& window = ShowWindow();

  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  const RecordedBox& box = boxes_.Boxes()[0];
  EXPECT_EQ(box.text, "Error: not a Hex String.");
  EXPECT_EQ(box.caption, Utf8ToGbk("升级程序"));
  EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONERROR);
  EXPECT_EQ(box.owner, window.Handle());

  // The window still opens, with what was set before the error.
  EXPECT_TRUE(window.isVisible());
  const WizardState& state = window.State();
  EXPECT_EQ(state.settingsPath, dir_.WinPath() + "Update.ini");
  EXPECT_EQ(state.productTitle, "Brimsel");
  EXPECT_EQ(state.productVersion, "1.0");
  EXPECT_EQ(state.homepage, "");
  EXPECT_EQ(state.packageName, "");
  EXPECT_EQ(LabelText("lblTitle"), "本程序帮助您升级《Brimsel》");
  EXPECT_EQ(LabelText("lblUrl"), "");
  EXPECT_EQ(window.ServerCount(), 0);
}

// The package name becomes a file of the staging folder and a part of the package URL; a
// package may ship its own Update.ini. A name that is no plain file name is a faulty
// setting: the window reports it before any request, holds no package name and no server.
TEST_F(WindowShowTest, APackageNameThatIsNoPlainFileNameIsAFaultySetting) {
  const std::pair<std::string, bool> rows[] = {
      {"Brimsel", true}, {"Brimsel 2.0", true}, {Utf8ToGbk("博睿"), true}, {platform::Utf8ToFileName("jörg"), true},
      {"..\\..\\..\\tmp\\x", false}, {"a/b", false}, {"C:x", false}, {"..", false}, {" . ", false},
      {std::string("Bri\0msel", 8), false}, {"a\tb", false}, {"a\x7F" "b", false}, {"x\xA1/y", false}};
  for (const auto& [name, plain] : rows) {
    WriteEnciphered("title", "Brimsel");
    WritePlain("FSoftName", EncryptToHexText(name, kSettingsKeyString));
    boxes_.Clear();
    TfrmUpdate& window = ShowWindow();
    ASSERT_EQ(boxes_.Boxes().size(), plain ? 0u : 1u) << name;
    if (!plain) {
      EXPECT_EQ(boxes_.Boxes()[0].text, std::string(kBadPackageName) + ".");
    }
    EXPECT_EQ(window.State().packageName, plain ? name : "") << name;
    EXPECT_EQ(window.ServerCount(), plain ? 1 : 0) << name;
  }
}

TEST_F(WindowShowTest, EmptyServerListReadsAsEmptyRowsWithoutCrashing) {
  WritePlain("title", "zz");
  TfrmUpdate& window = ShowWindow();
  ASSERT_EQ(window.ServerCount(), 0);
  EXPECT_EQ(window.ServerUrl(0), "");
  EXPECT_EQ(window.ServerName(0), "");
  EXPECT_EQ(window.ServerTestTime(-1), "");
  window.SetServerTestTime(0, "1ms");
  window.SelectServer(0);
  EXPECT_EQ(window.SelectedServer(), -1);
  window.FocusServerList();
}

TEST_F(WindowShowTest, ServerRowsAreNumberedFromOne) {
  TfrmUpdate& window = ShowWindow();
  window.AddServer(Utf8ToGbk("网通二"), "http://127.0.0.2");
  auto* list = Find<QTreeWidget>("lsvTest");
  ASSERT_EQ(window.ServerCount(), 2);
  EXPECT_EQ(list->topLevelItem(1)->text(0), "2");
  EXPECT_EQ(list->topLevelItem(1)->text(1).toStdString(), "网通二");
  EXPECT_EQ(window.ServerUrl(1), "http://127.0.0.2");

  window.SetServerTestTime(1, "15ms");
  window.SetServerTestTime(0, Utf8ToGbk("连接失败"));
  EXPECT_EQ(window.ServerTestTime(1), "15ms");
  EXPECT_EQ(list->topLevelItem(0)->text(3).toStdString(), "连接失败");

  window.SelectServer(1);
  EXPECT_EQ(window.SelectedServer(), 1);
  window.SelectServer(0);  // the only selected row
  EXPECT_EQ(window.SelectedServer(), 0);
  EXPECT_EQ(list->selectedItems().size(), 1);
}

}  // namespace
}  // namespace brimsel::test
