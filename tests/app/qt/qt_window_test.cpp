// The Qt window where it is Qt's own: the window flags of a fixed dialog, the fallback
// font, the picture, the word-wrapped and the link label, plain-text labels, the report
// list's modes, the tab order, and Enter, which presses the focused button only. What
// every window does is checked by the window contract (../window_contract/).

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/qt/tfrm_update.h"
#include "app/window_fixture.h"

namespace brimsel::test {
namespace {

class QtWindowTest : public WindowTest {
 protected:
  template <typename Widget = QWidget>
  Widget* Find(const char* name) const {
    auto* widget = static_cast<TfrmUpdate&>(*window_).Control<Widget>(name);
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
  }
};

TEST_F(QtWindowTest, AFixedDialogWithOnlyACloseBoxAndTheDesignersLook) {
  auto& window = static_cast<TfrmUpdate&>(ShowWindow());
  EXPECT_EQ(window.objectName(), "frmUpdate");
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_TRUE(window.font().families().contains("WenQuanYi Micro Hei"));  // the installed fallback

  const QPixmap picture = Find<QLabel>("Image1")->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(118, 254));
  EXPECT_FALSE(picture.hasAlpha());
  EXPECT_TRUE(Find<QLabel>("lblHit")->wordWrap());
  const QLabel* url = Find<QLabel>("lblUrl");
  EXPECT_EQ(url->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(url->cursor().shape(), Qt::PointingHandCursor);
  // A settings value that happens to look like markup is shown as it is.
  for (const char* label : {"lblTitle", "lblHit", "lblUrl"}) EXPECT_EQ(Find<QLabel>(label)->textFormat(), Qt::PlainText);

  const auto* list = Find<QTreeWidget>("lsvTest");
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(list->rootIsDecorated());

  EXPECT_EQ(window.focusWidget(), Find("btnNext"));  // first in the tab order
  EXPECT_EQ(Find("btnNext")->nextInFocusChain(), Find("btnClose"));
}

// Enter presses the focused button and nothing else: not Close after it was used, from
// the server list that the update check gives the focus to.
TEST_F(QtWindowTest, EnterInTheServerListPressesNoButton) {
  WizardForm& window = ShowWindow();
  static_cast<TfrmUpdate&>(window).activateWindow();
  Find<QPushButton>("btnClose")->setFocus();
  boxes_.Answer(platform::IDNO);
  ClickClose();
  ClickNext();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  window.FocusServerList();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Find("lsvTest"), &enter);
  EXPECT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(stepsRun_, (std::vector<int>{1}));
  EXPECT_TRUE(IsOpen(window));
  // On a focused button Enter presses that button.
  Find<QPushButton>("btnNext")->setFocus();
  QApplication::sendEvent(Find("btnNext"), &enter);
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace brimsel::test
