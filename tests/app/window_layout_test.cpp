// The window as laid out: size and border, font, the controls with their names, places,
// sizes and texts, the pages and the server list's columns.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "app/window_fixture.h"

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
  EXPECT_EQ(window.size(), QSize(519, 341));
  EXPECT_EQ(window.minimumSize(), QSize(519, 341));
  EXPECT_EQ(window.maximumSize(), QSize(519, 341));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
  EXPECT_FALSE(window.windowIcon().isNull());

  const QFont font = window.font();
  EXPECT_EQ(font.pixelSize(), 12);
  ASSERT_FALSE(font.families().isEmpty());
  EXPECT_EQ(font.families().first().toStdString(), "宋体");
  EXPECT_TRUE(font.families().contains("WenQuanYi Micro Hei"));  // the installed fallback
  EXPECT_TRUE(Find<QLabel>("Label1")->font().bold());
  EXPECT_TRUE(Find<QLabel>("Label6")->font().bold());
  EXPECT_FALSE(Find<QLabel>("lblTitle")->font().bold());
  EXPECT_EQ(Find<QLabel>("Label3")->font().pixelSize(), 12);
}

TEST_F(WindowLayoutTest, ControlsHaveTheirPlacesSizesAndTexts) {
  // Auto-sized labels have a place only (width and height 0 here).
  const struct {
    const char* name;
    QRect geometry;
    const char* text = nullptr;  // of a label, UTF-8
  } controls[] = {
      {"Panel1", {0, 295, 519, 46}},
      {"Bevel1", {0, 0, 519, 3}},
      {"btnNext", {352, 12, 75, 25}},
      {"btnClose", {432, 12, 75, 25}},
      {"Panel2", {0, 0, 153, 295}},
      {"Image1", {16, 18, 118, 254}},
      {"Notebook1", {153, 0, 366, 295}},
      {"Label1", {24, 32, 0, 0}, "欢迎使用在线升级"},
      {"lblTitle", {24, 64, 0, 0}},
      {"Label3", {112, 264, 0, 0}, "点击\"下一步\"将开始检查可用的更新"},
      {"lsvTest", {0, 0, 366, 248}},
      {"Panel3", {0, 248, 366, 47}},
      {"Label2", {0, 16, 0, 0}, "请稍等，正在测试与服务器连接速度，为您选择最快的服务器..."},
      {"lblFile", {104, 96, 0, 0}, "正在更新文件："},
      {"lblDown", {80, 120, 0, 0}, "已完成："},
      {"ProgressBar2", {24, 144, 313, 16}},
      {"Memo1", {16, 16, 337, 265}},
      {"Label6", {32, 32, 0, 0}, "感谢使用在线升级"},
      {"lblHit", {32, 64, 313, 33}},
      {"Label7", {32, 104, 0, 0}},
      {"Label8", {32, 136, 0, 0}, "更多内容请访问："},
      {"lblUrl", {144, 136, 0, 0}},
  };
  for (const auto& control : controls) {
    const QWidget* widget = Find(control.name);
    ASSERT_NE(widget, nullptr);
    if (control.geometry.size().isEmpty()) {
      EXPECT_EQ(widget->pos(), control.geometry.topLeft()) << control.name;
    } else {
      EXPECT_EQ(widget->geometry(), control.geometry) << control.name;
    }
    if (control.text) {
      EXPECT_EQ(LabelText(control.name), control.text);
    }
  }
  EXPECT_EQ(Find<QPushButton>("btnNext")->parentWidget()->objectName(), "Panel1");
  EXPECT_EQ(Find<QPushButton>("btnClose")->text().toStdString(), "关闭(&C)");
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
  EXPECT_EQ(window_->focusWidget(), Find("btnNext"));  // first in the tab order
  EXPECT_EQ(Find("btnNext")->nextInFocusChain(), Find("btnClose"));

  const QLabel* label3 = Find<QLabel>("Label3");  // auto-sized: the whole line fits
  EXPECT_GE(label3->width(), label3->fontMetrics().horizontalAdvance(label3->text()));
  const QPixmap picture = Find<QLabel>("Image1")->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(118, 254));
  EXPECT_FALSE(picture.hasAlpha());
  EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
  EXPECT_TRUE(Find<QLabel>("lblHit")->wordWrap());
  const QLabel* url = Find<QLabel>("lblUrl");
  EXPECT_EQ(url->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(url->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowLayoutTest, NotebookHasTheFivePagesByNameAndTheServerListItsColumns) {
  const auto* notebook = Find<QStackedWidget>("Notebook1");
  ASSERT_EQ(notebook->count(), 5);
  const char* names[] = {"Default", "tesk", "2", "4", "3"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(notebook->widget(i)->objectName(), names[i]) << i;
  EXPECT_EQ(notebook->currentIndex(), 0);

  const auto* list = Find<QTreeWidget>("lsvTest");
  ASSERT_EQ(list->columnCount(), 4);
  const std::pair<const char*, int> columns[] = {{"序号", 50}, {"服务器名", 80}, {"网址", 160}, {"测试时间", 70}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->headerItem()->text(i).toStdString(), columns[i].first);
    EXPECT_EQ(list->columnWidth(i), columns[i].second);
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
