// The real message box of update.exe: a modal QMessageBox with the caption, icon, buttons
// and text of the call, its buttons in Chinese, owned by the window behind the handle.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "app/qt/tfrm_update.h"
#include "app/window_fixture.h"
#include "platform/codepage.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_translations.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

struct SeenBox {
  std::string title;
  std::string text;
  Qt::TextFormat format = Qt::AutoText;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  std::vector<std::string> buttons;
  QWidget* parent = nullptr;
};

// Reads the modal box once it is open and presses the button `press` (a standard button).
void ReadAndPressWhenOpen(SeenBox& seen, QMessageBox::StandardButton press) {
  QTimer::singleShot(0, [&seen, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen.title = box->windowTitle().toStdString();
    seen.text = box->text().toStdString();
    seen.format = box->textFormat();
    seen.icon = box->icon();
    seen.parent = box->parentWidget();
    for (QAbstractButton* button : box->buttons()) seen.buttons.push_back(button->text().toStdString());
    box->button(press)->click();
  });
}

class QtMessageBoxTest : public WindowTest {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(platform::LoadChineseTranslations(*QCoreApplication::instance())); }
};

TEST_F(QtMessageBoxTest, QuestionShowsChineseYesAndNoAndGivesTheAnswer) {
  auto& window = static_cast<TfrmUpdate&>(ShowWindow());
  SeenBox seen;
  ReadAndPressWhenOpen(seen, QMessageBox::Yes);
  const int answer = platform::ShowQtMessageBox(window.Handle(), Utf8ToGbk("在线升级尚未完成，您确定要退出吗?"),
                                                Utf8ToGbk("在线升级"), platform::MB_YESNO | platform::MB_ICONQUESTION);
  EXPECT_EQ(answer, platform::IDYES);
  EXPECT_EQ(seen.title, "在线升级");
  EXPECT_EQ(seen.text, "在线升级尚未完成，您确定要退出吗?");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.parent, &window);
  std::sort(seen.buttons.begin(), seen.buttons.end());
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"否(&N)", "是(&Y)"}));

  SeenBox second;
  ReadAndPressWhenOpen(second, QMessageBox::No);
  EXPECT_EQ(platform::ShowQtMessageBox(window.Handle(), "?", "?", platform::MB_YESNO | platform::MB_ICONQUESTION),
            platform::IDNO);
}

TEST_F(QtMessageBoxTest, ErrorBoxHasOneOkButtonAndNoOwnerForAStaleHandle) {
  SeenBox seen;
  ReadAndPressWhenOpen(seen, QMessageBox::Ok);
  platform::WindowHandle stale = 0;
  {
    WizardForm& window = MakeWindow();
    stale = window.Handle();
    window_.reset();
  }
  const int answer = platform::ShowQtMessageBox(stale, "Error: not a Hex String.", Utf8ToGbk("升级程序"),
                                                platform::MB_OK | platform::MB_ICONERROR);
  EXPECT_EQ(answer, platform::IDOK);
  EXPECT_EQ(seen.title, "升级程序");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.parent, nullptr);
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"确定"}));
}

TEST_F(QtMessageBoxTest, TextIsShownAsPlainText) {
  SeenBox seen;
  ReadAndPressWhenOpen(seen, QMessageBox::Ok);
  platform::ShowQtMessageBox(0, "<b>x</b>", "c", platform::MB_OK | platform::MB_ICONINFORMATION);
  EXPECT_EQ(seen.text, "<b>x</b>");
  EXPECT_EQ(seen.format, Qt::PlainText);
  EXPECT_EQ(seen.icon, QMessageBox::Information);
}

}  // namespace
}  // namespace brimsel::test
