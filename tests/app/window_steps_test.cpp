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

#include "app/window_fixture.h"
#include "app/window_texts.h"
#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

class WindowStepsTest : public WindowTest {
 protected:
  void ClickNext() { Find<QPushButton>("btnNext")->click(); }
  void ClickClose() { Find<QPushButton>("btnClose")->click(); }
  // Takes the shown window to `step` with Next, as a user would.
  void GoToStep(int step) {
    while (window_->State().wizardStep < step) ClickNext();
    ASSERT_EQ(window_->State().wizardStep, step);
  }
};

TEST_F(WindowStepsTest, NextRunsEachStepOnItsPageWithNextDisabledMeanwhile) {
  TfrmUpdate& window = ShowWindow();
  for (int step = 1; step <= 3; ++step) {
    ClickNext();
    EXPECT_EQ(window.State().wizardStep, step);
    EXPECT_EQ(CurrentPage(), step);
    EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
    EXPECT_TRUE(NextEnabled());
  }
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(nextEnabledDuringStep_, (std::vector<bool>{false, false, false}));

  ClickNext();  // step 4: the finish page, Next becomes OK
  EXPECT_EQ(window.State().wizardStep, 4);
  EXPECT_EQ(CurrentPage(), 4);
  EXPECT_EQ(NextCaptionUtf8(), "确定(&O)");
  EXPECT_TRUE(window.isVisible());

  ClickNext();  // closes the program without a question
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.State().wizardStep, 4);
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(stepsRun_.size(), 3u);
}

TEST_F(WindowStepsTest, UpdateCheckCanJumpToTheFinishPage) {
  TfrmUpdate::Options options = TestOptions();
  options.updateCheck = [this](WizardWindow& window) {
    stepsRun_.push_back(1);
    window.State().wizardStep = WizardWindow::kPageCount - 1;
    window.ShowStep(window.State().wizardStep);
  };
  MakeWindow(std::move(options)).show();
  ClickNext();
  EXPECT_EQ(window_->State().wizardStep, 4);
  EXPECT_EQ(CurrentPage(), 4);
  EXPECT_EQ(NextCaptionUtf8(), "确定(&O)");
  EXPECT_TRUE(NextEnabled());
  ClickNext();
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowStepsTest, DownloadStepMovesOnToTheInstallationItself) {
  TfrmUpdate::Options options = TestOptions();
  options.downloadStep = [this](WizardWindow& window) {
    stepsRun_.push_back(2);
    window.ShowStep(++window.State().wizardStep);
  };
  MakeWindow(std::move(options)).show();
  GoToStep(1);
  ClickNext();
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(window_->State().wizardStep, 3);
  EXPECT_EQ(CurrentPage(), 3);
  EXPECT_TRUE(NextEnabled());
}

TEST_F(WindowStepsTest, NextIsEnabledAfterAStepThatLeftItDisabled) {
  TfrmUpdate::Options options = TestOptions();
  options.updateCheck = [](WizardWindow& window) { window.SetNextEnabled(false); };
  MakeWindow(std::move(options)).show();
  ClickNext();
  EXPECT_TRUE(NextEnabled());
}

TEST_F(WindowStepsTest, ErrorEscapingAStepIsShownAndLeavesNextDisabled) {
  TfrmUpdate::Options options = TestOptions();
  options.installStep = [](WizardWindow& window) {
    window.AppendLog("x");
    throw Exception("Unable to write to C:\\Brimsel\\Update.ini");
  };
  TfrmUpdate& window = MakeWindow(std::move(options));
  window.show();
  GoToStep(2);
  ClickNext();

  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "Unable to write to C:\\Brimsel\\Update.ini.");
  EXPECT_EQ(boxes_.Boxes()[0].caption, Utf8ToGbk("升级程序"));
  EXPECT_EQ(boxes_.Boxes()[0].flags, platform::MB_OK | platform::MB_ICONERROR);
  // The program goes on, on the page of the step, with only Close usable.
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(CurrentPage(), 3);
  EXPECT_EQ(window.State().wizardStep, 3);
  EXPECT_FALSE(NextEnabled());
  EXPECT_TRUE(Find<QPushButton>("btnClose")->isEnabled());
  EXPECT_EQ(window.LogText(), "x");
}

TEST_F(WindowStepsTest, StandardErrorsAreShownToo) {
  TfrmUpdate::Options options = TestOptions();
  options.updateCheck = [](WizardWindow&) { throw std::runtime_error("bad"); };
  MakeWindow(std::move(options)).show();
  ClickNext();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "bad.");
  EXPECT_FALSE(NextEnabled());
}

TEST_F(WindowStepsTest, CloseAnsweredNoChangesNothingOnEveryPage) {
  TfrmUpdate& window = ShowWindow();
  for (int step = 0; step <= 4; ++step) {
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
    EXPECT_EQ(window.State().wizardStep, step);
    EXPECT_EQ(CurrentPage(), step);
    EXPECT_EQ(NextCaptionUtf8(), caption);
  }
}

TEST_F(WindowStepsTest, CloseAnsweredYesEndsTheProgramOnEveryPage) {
  for (int step = 0; step <= 4; ++step) {
    boxes_.Clear();
    stepsRun_.clear();
    TfrmUpdate& window = ShowWindow();
    GoToStep(step);
    boxes_.Answer(platform::IDYES);
    ClickClose();
    ASSERT_EQ(boxes_.Boxes().size(), 1u) << "step " << step;
    EXPECT_TRUE(window.State().cancelFlag) << "step " << step;
    EXPECT_FALSE(window.isVisible()) << "step " << step;
  }
}

TEST_F(WindowStepsTest, ConfirmedCloseInsideAStepLetsTheStepFinishAndSetsTheCancelFlag) {
  TfrmUpdate::Options options = TestOptions();
  bool cancelSeenByStep = false;
  options.downloadStep = [&](WizardWindow& window) {
    boxes_.Answer(platform::IDYES);
    ClickClose();  // as if clicked while the step pumps messages
    cancelSeenByStep = window.CancelFlag();
    window.SetDownLabel("after close");
  };
  MakeWindow(std::move(options)).show();
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

TEST_F(WindowStepsTest, TitleBarCloseBoxEndsWithoutQuestionOrCancelFlag) {
  TfrmUpdate& window = ShowWindow();
  GoToStep(2);
  ASSERT_NE(window.windowHandle(), nullptr);
  window.windowHandle()->close();  // what the window system does for the close box
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_FALSE(window.State().cancelFlag);
}

TEST_F(WindowStepsTest, EscapeDoesNotCloseTheWizard) {
  TfrmUpdate& window = ShowWindow();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&window, &escape);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(WindowStepsTest, StepOutsideZeroToFiveChangesNothing) {
  TfrmUpdate& window = ShowWindow();
  GoToStep(4);
  for (int step : {-1, 6, 100, -100}) {
    window.ShowStep(step);
    EXPECT_EQ(CurrentPage(), 4);
    EXPECT_EQ(NextCaptionUtf8(), "确定(&O)");
    EXPECT_EQ(window.State().wizardStep, 4);
  }
  EXPECT_EQ(stepsRun_.size(), 3u);
}

TEST_F(WindowStepsTest, StepFiveNamesNoPageButResetsNext) {
  TfrmUpdate& window = ShowWindow();
  GoToStep(4);
  window.ShowStep(5);
  EXPECT_EQ(CurrentPage(), 4);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
  EXPECT_EQ(stepsRun_.size(), 3u);
  // Next is no longer OK, so the next click goes on to step 5 instead of closing.
  ClickNext();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.State().wizardStep, 5);
}

TEST_F(WindowStepsTest, ShowStepTurnsOkBackIntoNext) {
  TfrmUpdate& window = ShowWindow();
  GoToStep(4);
  window.ShowStep(0);
  EXPECT_EQ(CurrentPage(), 0);
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
}

}  // namespace
}  // namespace brimsel::test
