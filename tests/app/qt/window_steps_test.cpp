// The step controller and the two buttons: Next through every page, Close answered Yes
// and No on every page, the title-bar close box, steps outside the pages, and an error
// escaping a step.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <stdexcept>

#include "app/qt/window_fixture.h"
#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;
using StepAction = TfrmUpdate::StepAction;

class WindowStepsTest : public WindowTest {
 protected:
  void ClickNext() { Find<QPushButton>("btnNext")->click(); }
  void ClickClose() { Find<QPushButton>("btnClose")->click(); }
  // Shows the window with `action` as the step action of `step` (1 to 3).
  void ShowWithStep(int step, StepAction action) {
    TfrmUpdate::Options options = TestOptions();
    (step == 1 ? options.updateCheck : step == 2 ? options.downloadStep : options.installStep) = std::move(action);
    MakeWindow(std::move(options)).show();
  }
  // Takes the shown window to `step` with Next, as a user would.
  void GoToStep(int step) {
    while (window_->Steps().Current() < step) ClickNext();
    ASSERT_EQ(window_->Steps().Current(), step);
  }
};

TEST_F(WindowStepsTest, NextRunsEachStepOnItsPageWithNextDisabledMeanwhile) {
  TfrmUpdate& window = ShowWindow();
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
  EXPECT_TRUE(window.isVisible());

  ClickNext();  // closes the program without a question
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.Steps().Current(), 4);
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(stepsRun_.size(), 3u);
}

TEST_F(WindowStepsTest, UpdateCheckCanJumpToTheFinishPageEvenLeavingNextDisabled) {
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
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowStepsTest, DownloadStepMovesOnToTheInstallationItself) {
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

TEST_F(WindowStepsTest, ErrorEscapingAStepIsShownAndLeavesNextDisabled) {
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
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(CurrentPage(), 3);
  EXPECT_EQ(window_->Steps().Current(), 3);
  EXPECT_FALSE(NextEnabled());
  EXPECT_TRUE(Find<QPushButton>("btnClose")->isEnabled());
  EXPECT_EQ(window_->LogText(), "x");

  // Standard errors are shown too.
  boxes_.Clear();
  ShowWithStep(1, [](WizardWindow&) { throw std::runtime_error("bad"); });
  ClickNext();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "bad.");
  EXPECT_FALSE(NextEnabled());
}

TEST_F(WindowStepsTest, CloseAnsweredNoChangesNothingAndYesEndsTheProgramOnEveryPage) {
  for (int step = 0; step <= 4; ++step) {
    TfrmUpdate& window = ShowWindow();
    GoToStep(step);
    const std::string caption = NextCaptionUtf8();
    boxes_.Clear();
    boxes_.Answer(platform::IDNO);
    ClickClose();
    ASSERT_EQ(boxes_.Boxes().size(), 1u) << "step " << step;
    const RecordedBox& box = boxes_.Boxes()[0];
    EXPECT_EQ(box.text, Utf8ToGbk("在线升级尚未完成，您确定要退出吗?"));
    EXPECT_EQ(box.caption, Utf8ToGbk("在线升级"));
    EXPECT_EQ(box.flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(box.owner, window.Handle());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.State().cancelFlag);
    EXPECT_EQ(window.Steps().Current(), step);
    EXPECT_EQ(CurrentPage(), step);
    EXPECT_EQ(NextCaptionUtf8(), caption);

    boxes_.Answer(platform::IDYES);
    ClickClose();
    EXPECT_EQ(boxes_.Boxes().size(), 2u) << "step " << step;
    EXPECT_TRUE(window.State().cancelFlag) << "step " << step;
    EXPECT_FALSE(window.isVisible()) << "step " << step;
  }
}

TEST_F(WindowStepsTest, ConfirmedCloseInsideAStepLetsTheStepFinishAndSetsTheCancelFlag) {
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
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowStepsTest, ConfirmedCloseEndsTheEventLoop) {
  ShowWindow();
  boxes_.Answer(platform::IDYES);
  QTimer::singleShot(0, window_.get(), [this] { ClickClose(); });
  // Fails the test instead of hanging if the loop does not end.
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(10000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(window_->State().cancelFlag);
}

TEST_F(WindowStepsTest, TitleBarCloseBoxEndsWithoutQuestionOrCancelFlagButEscapeDoesNot) {
  TfrmUpdate& window = ShowWindow();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&window, &escape);
  EXPECT_TRUE(window.isVisible());

  GoToStep(2);
  ASSERT_NE(window.windowHandle(), nullptr);
  window.windowHandle()->close();  // what the window system does for the close box
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_FALSE(window.State().cancelFlag);
}

// Enter presses the focused button and nothing else: not Close after it was used, from
// the server list that the update check gives the focus to.
TEST_F(WindowStepsTest, EnterInTheServerListPressesNoButton) {
  TfrmUpdate& window = ShowWindow();
  window.activateWindow();
  Find<QPushButton>("btnClose")->setFocus();
  boxes_.Answer(platform::IDNO);
  ClickClose();
  ClickNext();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  window.FocusServerList();
  QWidget* list = Find("lsvTest");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(list, &enter);
  EXPECT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(stepsRun_, (std::vector<int>{1}));
  EXPECT_TRUE(window.isVisible());
  // On a focused button Enter presses that button.
  Find<QPushButton>("btnNext")->setFocus();
  QApplication::sendEvent(Find("btnNext"), &enter);
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2}));
}

TEST_F(WindowStepsTest, ShowStepOutsideTheWizardsStepsChangesNothing) {
  TfrmUpdate& window = ShowWindow();
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
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.Steps().Current(), 5);

  window.ShowStep(4);
  ASSERT_EQ(NextCaptionUtf8(), "确定(&O)");
  window.ShowStep(0);
  EXPECT_EQ(CurrentPage(), 0);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
}

}  // namespace
}  // namespace brimsel::test
