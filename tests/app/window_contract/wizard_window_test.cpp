// What every wizard window does, checked with one body against the Qt and the Win32
// window: showing it (the settings read and deciphered, the product title put into the
// welcome and finish texts, the homepage and the built-in server row, and what a value that
// cannot be deciphered leaves behind); the server list, the progress bar and the log as
// the steps use them; the step controller and the two buttons on every page, the message
// boxes, the title-bar close box, Esc, and an error escaping a step.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <utility>

#include "app/window_fixture.h"
#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

class WizardWindowTest : public WindowTest {
 protected:
  // The boxes shown so far: only the exit question, with the window as owner.
  void ExpectExitQuestions(std::size_t count) {
    ASSERT_EQ(boxes_.Boxes().size(), count);
    for (const RecordedBox& box : boxes_.Boxes()) {
      EXPECT_EQ(box.text, Utf8ToGbk("在线升级尚未完成，您确定要退出吗?"));
      EXPECT_EQ(box.caption, Utf8ToGbk("在线升级"));
      EXPECT_EQ(box.flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
      EXPECT_EQ(box.owner, window_->Handle());
    }
  }
};

TEST_F(WizardWindowTest, WithoutSettingsFileTheTextsHaveNoTitleAndTheHomepageIsASlash) {
  WizardForm& window = ShowWindow();
  EXPECT_TRUE(IsOpen(window));
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
  EXPECT_EQ(window.ServerCell(0, WizardForm::kNumberColumn), "1");
  EXPECT_EQ(window.ServerName(0), Utf8ToGbk("电信一"));
  EXPECT_EQ(window.ServerUrl(0), kTestVendorSite);
  EXPECT_EQ(window.ServerTestTime(0), "");
  EXPECT_EQ(window.SelectedServer(), -1);

  // The notebook stays on the welcome page and ShowStep is not called.
  EXPECT_EQ(CurrentPage(), 0);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
  EXPECT_TRUE(stepsRun_.empty());
}

TEST_F(WizardWindowTest, SettingsMadeByTheVendorAreDecipheredAndShown) {
  WriteEnciphered("title", "Brimsel 专业版");
  WriteEnciphered("version", "2.5");
  WriteEnciphered("homepage", "http://www.brimsel.example");
  WriteEnciphered("FSoftName", "BrimselPro");
  WizardForm& window = ShowWindow();
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

TEST_F(WizardWindowTest, HomepageGetsExactlyOneSlashAndTheTitleIsShownAsItIs) {
  WriteEnciphered("homepage", "http://www.brimsel.example/index.htm");
  WriteEnciphered("title", "<b>Brimsel</b> & Co");
  ShowWindow();
  EXPECT_EQ(LabelText("lblUrl"), "http://www.brimsel.example/index.htm/");
  EXPECT_EQ(LabelText("lblTitle"), "本程序帮助您升级《<b>Brimsel</b> & Co》");

  WriteEnciphered("homepage", "http://www.brimsel.example/cn/");
  ShowWindow();
  EXPECT_EQ(window_->State().homepage, "http://www.brimsel.example/cn/");
  EXPECT_EQ(LabelText("lblUrl"), "http://www.brimsel.example/cn/");
}

TEST_F(WizardWindowTest, ValueThatIsNotHexTextStopsTheShowAndIsReported) {
  WriteEnciphered("title", "Brimsel");
  WriteEnciphered("version", "1.0");
  WritePlain("homepage", "http://not.hex/");
  WriteEnciphered("FSoftName", "Brimsel");
  WizardForm& window = ShowWindow();

  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  const RecordedBox& box = boxes_.Boxes()[0];
  EXPECT_EQ(box.text, "Error: not a Hex String.");
  EXPECT_EQ(box.caption, Utf8ToGbk("升级程序"));
  EXPECT_EQ(box.flags, platform::MB_OK | platform::MB_ICONERROR);
  EXPECT_EQ(box.owner, window.Handle());

  // The window still opens, with what was set before the error.
  EXPECT_TRUE(IsOpen(window));
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
TEST_F(WizardWindowTest, APackageNameThatIsNoPlainFileNameIsAFaultySetting) {
  const std::pair<std::string, bool> rows[] = {
      {"Brimsel", true}, {"Brimsel 2.0", true}, {Utf8ToGbk("博睿"), true}, {platform::Utf8ToFileName("jörg"), false},
      {"CON", false}, {"nul", false}, {"COM1", false}, {"x.", false}, {"a?b", false},
      {"..\\..\\..\\tmp\\x", false}, {"a/b", false}, {"C:x", false}, {"..", false}, {" . ", false},
      {std::string("Bri\0msel", 8), false}, {"a\tb", false}, {"a\x7F" "b", false}, {"x\xA1/y", false}};
  for (const auto& [name, plain] : rows) {
    WriteEnciphered("title", "Brimsel");
    WritePlain("FSoftName", EncryptToHexText(name, kSettingsKeyString));
    boxes_.Clear();
    WizardForm& window = ShowWindow();
    ASSERT_EQ(boxes_.Boxes().size(), plain ? 0u : 1u) << name;
    if (!plain) {
      EXPECT_TRUE(boxes_.Boxes()[0].text.starts_with(kBadPackageName)) << name;
    }
    EXPECT_EQ(window.State().packageName, plain ? name : "") << name;
    EXPECT_EQ(window.ServerCount(), plain ? 1 : 0) << name;
  }
}

TEST_F(WizardWindowTest, EmptyServerListReadsAsEmptyRowsWithoutCrashing) {
  WritePlain("title", "zz");
  WizardForm& window = ShowWindow();
  ASSERT_EQ(window.ServerCount(), 0);
  EXPECT_EQ(window.ServerUrl(0), "");
  EXPECT_EQ(window.ServerName(0), "");
  EXPECT_EQ(window.ServerTestTime(-1), "");
  window.SetServerTestTime(0, "1ms");
  window.SelectServer(0);
  EXPECT_EQ(window.SelectedServer(), -1);
  window.FocusServerList();
}

TEST_F(WizardWindowTest, ServerRowsAreNumberedFromOneAndOneOfThemIsSelected) {
  WizardForm& window = ShowWindow();
  window.AddServer(Utf8ToGbk("网通二"), "http://127.0.0.2");
  ASSERT_EQ(window.ServerCount(), 2);
  EXPECT_EQ(window.ServerCell(1, WizardForm::kNumberColumn), "2");
  EXPECT_EQ(window.ServerName(1), Utf8ToGbk("网通二"));
  EXPECT_EQ(window.ServerUrl(1), "http://127.0.0.2");

  window.SetServerTestTime(1, "15ms");
  window.SetServerTestTime(0, Utf8ToGbk("连接失败"));
  window.SetServerTestTime(7, "ignored");
  EXPECT_EQ(window.ServerTestTime(1), "15ms");
  EXPECT_EQ(window.ServerTestTime(0), Utf8ToGbk("连接失败"));
  EXPECT_EQ(window.ServerName(7), "");

  window.SelectServer(1);
  EXPECT_EQ(window.SelectedServer(), 1);
  window.SelectServer(0);  // the only selected row
  EXPECT_EQ(window.SelectedServer(), 0);
  EXPECT_EQ(SelectedServerCount(window), 1);
}

TEST_F(WizardWindowTest, ProgressLogAndLabelsAsTheStepsUseThem) {
  WizardForm& window = ShowWindow();
  EXPECT_EQ(window.ProgressPosition(), 0);
  EXPECT_EQ(window.ProgressMax(), 100);
  window.SetProgressMax(1000);
  window.SetProgressPosition(5000);  // kept within the range
  EXPECT_EQ(window.ProgressPosition(), 1000);
  window.SetDownLabel(Utf8ToGbk("已完成 9,000/9,000 字节"));
  EXPECT_EQ(window.DownLabel(), Utf8ToGbk("已完成 9,000/9,000 字节"));
  window.SetFileLabel(Utf8ToGbk("正在下载升级包 Brimsel.zip"));
  EXPECT_EQ(LabelText("lblFile"), "正在下载升级包 Brimsel.zip");
  EXPECT_GE(PlaceOf(window, "lblFile").width, TextWidth(window, "lblFile")) << "sized to its new text";
  window.AppendLog(Utf8ToGbk("文件更新成功：a.txt"));
  window.AppendLog("b");
  EXPECT_EQ(window.LogText(), Utf8ToGbk("文件更新成功：a.txt") + "\nb");
  window.ClearLog();
  EXPECT_EQ(window.LogText(), "");
  window.RepaintNow();
}

TEST_F(WizardWindowTest, NextRunsEachStepOnItsPageWithNextDisabledMeanwhile) {
  WizardForm& window = ShowWindow();
  for (int step = 1; step <= 3; ++step) {
    ClickNext();
    EXPECT_EQ(window.Steps().Current(), step);
    EXPECT_EQ(CurrentPage(), step);
    EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
    EXPECT_TRUE(NextEnabled());
  }
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(nextEnabledDuringStep_, (std::vector<bool>{false, false, false}));

  ClickNext();  // step 4: the finish page, Next becomes OK
  EXPECT_EQ(window.Steps().Current(), 4);
  EXPECT_EQ(CurrentPage(), 4);
  EXPECT_EQ(NextCaptionUtf8(), "确定(&O)");
  EXPECT_TRUE(IsOpen(window));

  ClickNext();  // closes the program without a question
  EXPECT_FALSE(IsOpen(window));
  EXPECT_EQ(window.Steps().Current(), 4);
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(stepsRun_.size(), 3u);
}

TEST_F(WizardWindowTest, UpdateCheckCanJumpToTheFinishPageEvenLeavingNextDisabled) {
  ShowWithStep(1, [](WizardWindow& window) {
    window.Steps().JumpTo(window, WizardStep::kFinish);
    window.SetNextEnabled(false);
  });
  ClickNext();
  EXPECT_EQ(window_->Steps().Current(), 4);
  EXPECT_EQ(CurrentPage(), 4);
  EXPECT_EQ(NextCaptionUtf8(), "确定(&O)");
  EXPECT_TRUE(NextEnabled());
  ClickNext();
  EXPECT_FALSE(IsOpen(*window_));
}

TEST_F(WizardWindowTest, DownloadStepMovesOnToTheInstallationItself) {
  ShowWithStep(2, [this](WizardWindow& window) {
    stepsRun_.push_back(2);
    window.Steps().Advance(window);
  });
  GoToStep(1);
  ClickNext();
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(window_->Steps().Current(), 3);
  EXPECT_EQ(CurrentPage(), 3);
  EXPECT_TRUE(NextEnabled());
}

// A failed update never ends on "the newest version is installed": the finish page says
// that it is not complete, names the class of the first failure and where the log is.
TEST_F(WizardWindowTest, TheFinishPageOfAFailedUpdateSaysSoAndWhy) {
  const struct {
    std::vector<UpdateFailure> failures;  // in the order the steps meet them
    const char* text;
  } runs[] = {
      {{}, "您的计算机上已安装了最新的《》程序及数据。"},
      {{UpdateFailure::kDownload, UpdateFailure::kPackage}, "下载未完成"},
      {{UpdateFailure::kPackage}, "升级包已损坏"},
      {{UpdateFailure::kSignature}, "签名验证失败"},
      {{UpdateFailure::kFilesInUse, UpdateFailure::kPackage}, "文件被占用"},
  };
  for (const auto& run : runs) {
    ShowWithStep(3, [&](WizardWindow& window) {
      for (const UpdateFailure failure : run.failures) window.State().NoteFailure(failure);
    });
    GoToStep(3);
    EXPECT_EQ(FinishText(), run.failures.empty() ? run.text : FailedUpdateText(run.text));
  }
}

TEST_F(WizardWindowTest, ErrorEscapingAStepIsShownAndLeavesNextDisabled) {
  ShowWithStep(3, [](WizardWindow& window) {
    window.AppendLog("x");
    throw Exception("Unable to write to C:\\Brimsel\\Update.ini");
  });
  GoToStep(2);
  ClickNext();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "Unable to write to C:\\Brimsel\\Update.ini.");
  EXPECT_EQ(boxes_.Boxes()[0].caption, Utf8ToGbk("升级程序"));
  EXPECT_EQ(boxes_.Boxes()[0].flags, platform::MB_OK | platform::MB_ICONERROR);
  // The program goes on, on the page of the step, with only Close usable.
  EXPECT_TRUE(IsOpen(*window_));
  EXPECT_EQ(CurrentPage(), 3);
  EXPECT_EQ(window_->Steps().Current(), 3);
  EXPECT_FALSE(NextEnabled());
  EXPECT_TRUE(IsEnabled(*window_, "btnClose"));
  EXPECT_EQ(window_->LogText(), "x");

  // Standard errors are shown too.
  boxes_.Clear();
  ShowWithStep(1, [](WizardWindow&) { throw std::runtime_error("bad"); });
  ClickNext();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "bad.");
  EXPECT_FALSE(NextEnabled());
}

TEST_F(WizardWindowTest, CloseAnsweredNoChangesNothingAndYesEndsTheProgramOnEveryPage) {
  for (int step = 0; step <= 4; ++step) {
    SCOPED_TRACE(step);
    WizardForm& window = ShowWindow();
    GoToStep(step);
    const std::string caption = NextCaptionUtf8();
    boxes_.Clear();
    boxes_.Answer(platform::IDNO);
    ClickClose();
    ExpectExitQuestions(1);
    EXPECT_TRUE(IsOpen(window));
    EXPECT_FALSE(window.State().cancelFlag);
    EXPECT_EQ(window.Steps().Current(), step);
    EXPECT_EQ(CurrentPage(), step);
    EXPECT_EQ(NextCaptionUtf8(), caption);

    boxes_.Answer(platform::IDYES);
    ClickClose();
    ExpectExitQuestions(2);
    EXPECT_TRUE(window.State().cancelFlag);
    EXPECT_FALSE(IsOpen(window));
  }
}

TEST_F(WizardWindowTest, ConfirmedCloseInsideAStepLetsTheStepFinishAndSetsTheCancelFlag) {
  bool cancelSeenByStep = false;
  ShowWithStep(2, [&](WizardWindow& window) {
    boxes_.Answer(platform::IDYES);
    ClickClose();  // as if clicked while the step pumps messages
    cancelSeenByStep = window.CancelFlag();
    window.SetDownLabel("after close");
  });
  GoToStep(1);
  ClickNext();
  EXPECT_TRUE(cancelSeenByStep);
  EXPECT_EQ(window_->DownLabel(), "after close");
  EXPECT_FALSE(IsOpen(*window_));
}

TEST_F(WizardWindowTest, ConfirmedCloseEndsTheEventLoop) {
  ShowWindow();
  boxes_.Answer(platform::IDYES);
  EXPECT_EQ(RunEventLoop(*window_, [this] { ClickClose(); }), 0);
  EXPECT_TRUE(window_->State().cancelFlag);
}

TEST_F(WizardWindowTest, TitleBarCloseBoxEndsWithoutQuestionAndStopsWaitsButEscapeDoesNot) {
  WizardForm& window = ShowWindow();
  PressEscape(window);
  EXPECT_TRUE(IsOpen(window));
  EXPECT_TRUE(boxes_.Boxes().empty());

  GoToStep(2);
  PressCloseBox(window);
  EXPECT_FALSE(IsOpen(window));
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_TRUE(window.State().cancelFlag);  // no network wait goes on behind the closed window
}

TEST_F(WizardWindowTest, ShowStepOutsideTheWizardsStepsChangesNothing) {
  WizardForm& window = ShowWindow();
  GoToStep(4);
  for (int step : {-1, 6, 100, -100}) {
    window.ShowStep(step);
    EXPECT_EQ(CurrentPage(), 4);
    EXPECT_EQ(NextCaptionUtf8(), "确定(&O)");
    EXPECT_EQ(window.Steps().Current(), 4);
  }
  // Step 5 names no page but turns OK back into Next, so the next click goes on to step 5
  // instead of closing; step 0 shows the welcome page with Next.
  window.ShowStep(5);
  EXPECT_EQ(CurrentPage(), 4);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
  EXPECT_EQ(stepsRun_.size(), 3u);
  ClickNext();
  EXPECT_TRUE(IsOpen(window));
  EXPECT_EQ(window.Steps().Current(), 5);

  window.ShowStep(4);
  ASSERT_EQ(NextCaptionUtf8(), "确定(&O)");
  window.ShowStep(0);
  EXPECT_EQ(CurrentPage(), 0);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
}

}  // namespace
}  // namespace brimsel::test
