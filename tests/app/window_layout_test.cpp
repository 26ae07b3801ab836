// The window as laid out: size and border, font, the controls with their names, places,
// sizes and texts, the pages and the server list's columns.

#include <gtest/gtest.h>

#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "app/window_fixture.h"

namespace brimsel::test {
namespace {

class WindowLayoutTest : public WindowTest {
 protected:
  void SetUp() override { ShowWindow(); }

  void ExpectGeometry(const char* name, int x, int y, int width, int height) {
    const QWidget* widget = Find(name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), QRect(x, y, width, height)) << name;
  }
  void ExpectPosition(const char* name, int x, int y) {
    const QWidget* widget = Find(name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->pos(), QPoint(x, y)) << name;
  }
};

TEST_F(WindowLayoutTest, FixedDialogWithA519By341ClientAreaAndOnlyACloseBox) {
  TfrmUpdate& window = *window_;
  EXPECT_EQ(window.objectName(), "frmUpdate");
  EXPECT_EQ(window.windowTitle().toStdString(), "在线升级");
  EXPECT_EQ(window.size(), QSize(519, 341));
  EXPECT_EQ(window.minimumSize(), QSize(519, 341));
  EXPECT_EQ(window.maximumSize(), QSize(519, 341));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
  EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(WindowLayoutTest, FontIsSongTiTwelvePixelsWithAnInstalledFallback) {
  const QFont font = window_->font();
  EXPECT_EQ(font.pixelSize(), 12);
  ASSERT_FALSE(font.families().isEmpty());
  EXPECT_EQ(font.families().first().toStdString(), "宋体");
  EXPECT_TRUE(font.families().contains("WenQuanYi Micro Hei"));
  EXPECT_TRUE(Find<QLabel>("Label1")->font().bold());
  EXPECT_TRUE(Find<QLabel>("Label6")->font().bold());
  EXPECT_FALSE(Find<QLabel>("lblTitle")->font().bold());
  EXPECT_EQ(Find<QLabel>("Label3")->font().pixelSize(), 12);
}

TEST_F(WindowLayoutTest, BottomPanelWithNextAndClose) {
  ExpectGeometry("Panel1", 0, 295, 519, 46);
  ExpectGeometry("Bevel1", 0, 0, 519, 3);
  ExpectGeometry("btnNext", 352, 12, 75, 25);
  ExpectGeometry("btnClose", 432, 12, 75, 25);
  EXPECT_EQ(Find<QPushButton>("btnNext")->parentWidget()->objectName(), "Panel1");
  EXPECT_EQ(Find<QPushButton>("btnClose")->text().toStdString(), "关闭(&C)");
  EXPECT_EQ(NextCaptionUtf8(), "下一步(&N)>");
  EXPECT_EQ(window_->focusWidget(), Find("btnNext"));  // first in the tab order
  EXPECT_EQ(Find("btnNext")->nextInFocusChain(), Find("btnClose"));
}

TEST_F(WindowLayoutTest, LeftPanelHoldsThePicture) {
  ExpectGeometry("Panel2", 0, 0, 153, 295);
  ExpectGeometry("Image1", 16, 18, 118, 254);
  const QPixmap picture = Find<QLabel>("Image1")->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(118, 254));
  EXPECT_FALSE(picture.hasAlpha());
}

TEST_F(WindowLayoutTest, NotebookHasTheFivePagesByName) {
  ExpectGeometry("Notebook1", 153, 0, 366, 295);
  const auto* notebook = Find<QStackedWidget>("Notebook1");
  ASSERT_EQ(notebook->count(), 5);
  const char* names[] = {"Default", "tesk", "2", "4", "3"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(notebook->widget(i)->objectName(), names[i]) << i;
  EXPECT_EQ(notebook->currentIndex(), 0);
}

TEST_F(WindowLayoutTest, WelcomePage) {
  ExpectPosition("Label1", 24, 32);
  ExpectPosition("lblTitle", 24, 64);
  ExpectPosition("Label3", 112, 264);
  EXPECT_EQ(LabelText("Label1"), "欢迎使用在线升级");
  EXPECT_EQ(LabelText("Label3"), "点击\"下一步\"将开始检查可用的更新");
  // Auto-sized: the whole line fits.
  const QLabel* label3 = Find<QLabel>("Label3");
  EXPECT_GE(label3->width(), label3->fontMetrics().horizontalAdvance(label3->text()));
}

TEST_F(WindowLayoutTest, ServerPageIsAReadOnlySingleSelectionReportList) {
  ExpectGeometry("lsvTest", 0, 0, 366, 248);
  ExpectGeometry("Panel3", 0, 248, 366, 47);
  ExpectPosition("Label2", 0, 16);
  EXPECT_EQ(LabelText("Label2"), "请稍等，正在测试与服务器连接速度，为您选择最快的服务器...");

  const auto* list = Find<QTreeWidget>("lsvTest");
  ASSERT_EQ(list->columnCount(), 4);
  const QTreeWidgetItem* header = list->headerItem();
  EXPECT_EQ(header->text(0).toStdString(), "序号");
  EXPECT_EQ(header->text(1).toStdString(), "服务器名");
  EXPECT_EQ(header->text(2).toStdString(), "网址");
  EXPECT_EQ(header->text(3).toStdString(), "测试时间");
  EXPECT_EQ(list->columnWidth(0), 50);
  EXPECT_EQ(list->columnWidth(1), 80);
  EXPECT_EQ(list->columnWidth(2), 160);
  EXPECT_EQ(list->columnWidth(3), 70);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(list->rootIsDecorated());
}

TEST_F(WindowLayoutTest, ProgressPage) {
  ExpectPosition("lblFile", 104, 96);
  ExpectPosition("lblDown", 80, 120);
  ExpectGeometry("ProgressBar2", 24, 144, 313, 16);
  EXPECT_EQ(LabelText("lblFile"), "正在更新文件：");
  EXPECT_EQ(LabelText("lblDown"), "已完成：");
  EXPECT_EQ(window_->ProgressPosition(), 0);
  EXPECT_EQ(window_->ProgressMax(), 100);
}

TEST_F(WindowLayoutTest, LogPage) {
  ExpectGeometry("Memo1", 16, 16, 337, 265);
  EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
}

TEST_F(WindowLayoutTest, FinishPage) {
  ExpectPosition("Label6", 32, 32);
  ExpectGeometry("lblHit", 32, 64, 313, 33);
  ExpectPosition("Label7", 32, 104);
  ExpectPosition("Label8", 32, 136);
  ExpectPosition("lblUrl", 144, 136);
  EXPECT_EQ(LabelText("Label6"), "感谢使用在线升级");
  EXPECT_EQ(LabelText("Label8"), "更多内容请访问：");
  EXPECT_TRUE(Find<QLabel>("lblHit")->wordWrap());
  const QLabel* url = Find<QLabel>("lblUrl");
  EXPECT_EQ(url->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(url->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowLayoutTest, StepsSeeTheProgressLabelsAndTheLog) {
  TfrmUpdate& window = *window_;
  window.SetFileLabel("\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8\xC9\xFD\xBC\xB6\xB0\xFC");  // 正在下载升级包
  EXPECT_EQ(LabelText("lblFile"), "正在下载升级包");
  window.SetDownLabel("12,345");
  EXPECT_EQ(window.DownLabel(), "12,345");

  window.SetProgressMax(1000);
  window.SetProgressPosition(400);
  EXPECT_EQ(window.ProgressPosition(), 400);
  window.SetProgressPosition(5000);  // kept within the range
  EXPECT_EQ(window.ProgressPosition(), 1000);
  EXPECT_EQ(window.ProgressMax(), 1000);

  window.AppendLog("a");
  window.AppendLog("\xCE\xC4\xBC\xFE");  // 文件
  EXPECT_EQ(window.LogText(), "a\n\xCE\xC4\xBC\xFE");
  window.ClearLog();
  EXPECT_EQ(window.LogText(), "");
  window.RepaintNow();
}

}  // namespace
}  // namespace brimsel::test
