// The window as laid out: size and border, font, the controls with their names, places,
// sizes and texts, the pages and the server list's columns.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "app/qt/window_fixture.h"
#include "app/window_expectations.h"

namespace brimsel::test {
namespace {

class WindowLayoutTest : public WindowTest {
 protected:
  void SetUp() override { ShowWindow(); }
};

TEST_F(WindowLayoutTest, FixedDialogWithA519By341ClientAreaOnlyACloseBoxAndSongTi) {
  TfrmUpdate& window = *window_;
  EXPECT_EQ(window.objectName(), "frmUpdate");
  EXPECT_EQ(window.windowTitle().toStdString(), "在线升级");
  EXPECT_EQ(window.size(), QSize(kExpectedClientWidth, kExpectedClientHeight));
  EXPECT_EQ(window.minimumSize(), QSize(519, 341));
  EXPECT_EQ(window.maximumSize(), QSize(519, 341));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
  EXPECT_FALSE(window.windowIcon().isNull());

  const QFont font = window.font();
  EXPECT_EQ(font.pixelSize(), kExpectedFontPixels);
  ASSERT_FALSE(font.families().isEmpty());
  EXPECT_EQ(font.families().first().toStdString(), "宋体");
  EXPECT_TRUE(font.families().contains("WenQuanYi Micro Hei"));  // the installed fallback
  for (const char* name : kBoldLabels) EXPECT_TRUE(Find<QLabel>(name)->font().bold()) << name;
  EXPECT_FALSE(Find<QLabel>("lblTitle")->font().bold());
  EXPECT_EQ(Find<QLabel>("Label3")->font().pixelSize(), 12);
}

TEST_F(WindowLayoutTest, ControlsHaveTheirPlacesSizesAndTexts) {
  for (const ControlExpectation& control : kExpectedControls) {
    const QWidget* widget = Find(control.name);
    ASSERT_NE(widget, nullptr);
    const QRect expected(control.x, control.y, control.width, control.height);
    if (expected.size().isEmpty()) {
      EXPECT_EQ(widget->pos(), expected.topLeft()) << control.name;
    } else {
      EXPECT_EQ(widget->geometry(), expected) << control.name;
    }
    // A page sits in the notebook's page stack, not in the notebook itself.
    const QWidget* parent = widget->parentWidget();
    if (parent->objectName().isEmpty()) parent = parent->parentWidget();
    EXPECT_EQ(parent->objectName().toStdString(), control.parent) << control.name;
    if (!control.text) continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      EXPECT_EQ(label->text().toStdString(), control.text) << control.name;
    } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
      EXPECT_EQ(button->text().toStdString(), control.text) << control.name;
    } else if (const auto* memo = qobject_cast<const QPlainTextEdit*>(widget)) {
      EXPECT_EQ(memo->toPlainText().toStdString(), control.text) << control.name;
    }
  }
  EXPECT_EQ(window_->focusWidget(), Find("btnNext"));  // first in the tab order
  EXPECT_EQ(Find("btnNext")->nextInFocusChain(), Find("btnClose"));

  const QLabel* label3 = Find<QLabel>("Label3");  // auto-sized: the whole line fits
  EXPECT_GE(label3->width(), label3->fontMetrics().horizontalAdvance(label3->text()));
  const QPixmap picture = Find<QLabel>("Image1")->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(118, 254));
  EXPECT_FALSE(picture.hasAlpha());
  EXPECT_TRUE(Find<QLabel>("lblHit")->wordWrap());
  const QLabel* url = Find<QLabel>("lblUrl");
  EXPECT_EQ(url->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(url->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowLayoutTest, NotebookHasTheFivePagesByNameAndTheServerListItsColumns) {
  const auto* notebook = Find<QStackedWidget>("Notebook1");
  ASSERT_EQ(notebook->count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(notebook->widget(i)->objectName(), kExpectedPages[i]) << i;
  EXPECT_EQ(notebook->currentIndex(), 0);

  const auto* list = Find<QTreeWidget>("lsvTest");
  ASSERT_EQ(list->columnCount(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->headerItem()->text(i).toStdString(), kExpectedColumns[i].caption);
    EXPECT_EQ(list->columnWidth(i), kExpectedColumns[i].width);
  }
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(list->rootIsDecorated());
}

// The log and the download labels are checked by the steps' own tests.
TEST_F(WindowLayoutTest, ProgressBarStartsAt0Of100AndKeepsWithinItsRange) {
  TfrmUpdate& window = *window_;
  EXPECT_EQ(window.ProgressPosition(), 0);
  EXPECT_EQ(window.ProgressMax(), 100);
  window.SetProgressMax(1000);
  window.SetProgressPosition(5000);
  EXPECT_EQ(window.ProgressPosition(), 1000);
  window.RepaintNow();
}

}  // namespace
}  // namespace brimsel::test
