// The Win32 wizard window under Wine: its form, controls and texts against the table the
// Qt window is checked against, its page logic driven through its handlers, and its
// keyboard as a user meets it: keys posted to the window with the focus and handled by
// the program's own message pump. Message boxes are answered by a recorder.

#include <gtest/gtest.h>

#include "app/message_box_recorder.h"
#include "app/win32/message_loop.h"
#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/window_expectations.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

class Win32WindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    window_.reset();
    MSG quit;  // a close posts WM_QUIT for the program's loop; the next test starts clean
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  // Shows the window over a fresh installation folder, each step action replaced by one
  // that notes that it ran (or by `action` for step `step`).
  TfrmUpdate& ShowWindow(int step = 0, TfrmUpdate::StepAction action = nullptr) {
    TfrmUpdate::Options options;
    options.installationFolder = dir_.WinPath();
    options.vendorSiteUrl = "http://127.0.0.1";
    TfrmUpdate::StepAction* actions[] = {&options.updateCheck, &options.downloadStep, &options.installStep};
    for (int i = 1; i <= 3; ++i) {
      *actions[i - 1] = [this, i](WizardWindow& window) {
        stepsRun_.push_back(i);
        nextEnabledDuringStep_.push_back(::IsWindowEnabled(Control("btnNext")) != FALSE);
        (void)window;
      };
    }
    if (action) *actions[step - 1] = std::move(action);
    window_.reset();
    window_ = std::make_unique<TfrmUpdate>(std::move(options));
    window_->Show();
    return *window_;
  }
  HWND Control(const char* name) const { return window_->Control(name); }
  std::string Text(const char* name) const { return platform::GbkToUtf8(window_->Caption(name)); }
  // The name of a control's parent, "frmUpdate" for the window itself.
  std::string ParentName(HWND control) const {
    HWND parent = ::GetParent(control);
    if (parent == window_->Hwnd()) return "frmUpdate";
    for (const ControlExpectation& other : kExpectedControls) {
      if (Control(other.name) == parent) return other.name;
    }
    for (const char* page : kExpectedPages) {
      if (Control(page) == parent) return page;
    }
    return "?";
  }
  RECT PlaceInParent(HWND control) const {
    RECT place = {};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  // A key pressed and let go, as the system queues it: to the window with the focus, or
  // the active window when none has it; then handled by the program's own pump.
  void Press(WPARAM key, bool shift = false) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    HWND target = ::GetFocus() != nullptr ? ::GetFocus() : ::GetActiveWindow();
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageA(target, WM_KEYDOWN, key, scan | 1);
    ::PostMessageA(target, WM_KEYUP, key, scan | 0xC0000001);
    PumpMessages(*window_);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
  }
  // Alt and a letter: the system posts its character as WM_SYSCHAR.
  void PressAlt(char letter) {
    ::PostMessageA(::GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
    PumpMessages(*window_);
  }
  // Tab until `control` has the focus; false when it never gets it.
  bool TabTo(const char* control) {
    for (int i = 0; i < 6 && ::GetFocus() != Control(control); ++i) Press(VK_TAB);
    return ::GetFocus() == Control(control);
  }
  void GoToStep(int step) {
    while (window_->Steps().Current() < step) window_->btnNextClick();
  }

  TempDir dir_;
  MessageBoxRecorder boxes_;
  std::unique_ptr<TfrmUpdate> window_;
  std::vector<int> stepsRun_;
  std::vector<bool> nextEnabledDuringStep_;
};

TEST_F(Win32WindowTest, FixedDialogWithA519By341ClientAreaOnlyACloseBoxAndSongTi) {
  TfrmUpdate& window = ShowWindow();
  HWND form = window.Hwnd();
  RECT client = {};
  ::GetClientRect(form, &client);
  EXPECT_EQ(client.right, kExpectedClientWidth);
  EXPECT_EQ(client.bottom, kExpectedClientHeight);
  EXPECT_EQ(Text("btnNext"), "下一步(&N)>");
  char caption[64] = {};
  ::GetWindowTextA(form, caption, sizeof caption);
  EXPECT_EQ(platform::GbkToUtf8(caption), "在线升级");
  const LONG style = ::GetWindowLongA(form, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_NE(::GetClassLongPtrA(form, GCLP_HICON), 0u);

  LOGFONTA font = {};
  ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(Control("Label3"), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -kExpectedFontPixels);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(std::string(font.lfFaceName), Utf8ToGbk("宋体"));
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  for (const char* name : kBoldLabels) {
    ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(Control(name), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfWeight, FW_BOLD) << name;
  }

  // The picture: the 24-bit bitmap of its place's size.
  BITMAP picture = {};
  ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(Control("Image1"), STM_GETIMAGE, IMAGE_BITMAP, 0)),
               sizeof picture, &picture);
  EXPECT_EQ(picture.bmWidth, 118);
  EXPECT_EQ(picture.bmHeight, 254);
  EXPECT_EQ(picture.bmBitsPixel, 24);
}

TEST_F(Win32WindowTest, ControlsHaveTheirPlacesSizesAndTexts) {
  ShowWindow();
  for (const ControlExpectation& control : kExpectedControls) {
    HWND hwnd = Control(control.name);
    ASSERT_NE(hwnd, nullptr) << control.name;
    EXPECT_EQ(ParentName(hwnd), control.parent) << control.name;
    const RECT place = PlaceInParent(hwnd);
    EXPECT_EQ(place.left, control.x) << control.name;
    EXPECT_EQ(place.top, control.y) << control.name;
    if (control.width != 0) {
      EXPECT_EQ(place.right - place.left, control.width) << control.name;
      EXPECT_EQ(place.bottom - place.top, control.height) << control.name;
    } else if (control.text && *control.text) {
      EXPECT_GT(place.right - place.left, 0) << control.name;  // auto-sized to its text
    }
    if (control.text) {
      EXPECT_EQ(Text(control.name), control.text) << control.name;
    }
  }
  // Auto-sized: the whole line fits.
  HWND label3 = Control("Label3");
  HDC dc = ::GetDC(label3);
  ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label3, WM_GETFONT, 0, 0)));
  const std::string text = window_->Caption("Label3");
  SIZE extent = {};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::ReleaseDC(label3, dc);
  EXPECT_GE(PlaceInParent(label3).right - PlaceInParent(label3).left, extent.cx);

  const struct {
    const char* name;
    const char* windowClass;
  } kinds[] = {{"lsvTest", "SysListView32"}, {"ProgressBar2", "msctls_progress32"}, {"Memo1", "Edit"},
               {"btnNext", "Button"},         {"btnClose", "Button"},                {"Image1", "Static"}};
  for (const auto& kind : kinds) {
    char className[64] = {};
    ::GetClassNameA(Control(kind.name), className, sizeof className);
    EXPECT_STREQ(className, kind.windowClass) << kind.name;
  }
  EXPECT_TRUE(::GetWindowLongA(Control("Memo1"), GWL_STYLE) & ES_MULTILINE);
  EXPECT_EQ(::GetWindowLongA(Control("lblHit"), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);  // word wrap
  EXPECT_EQ(::GetNextDlgTabItem(window_->Hwnd(), nullptr, FALSE), Control("btnNext"));  // first in tab order
}

TEST_F(Win32WindowTest, NotebookHasTheFivePagesAndTheServerListItsColumns) {
  TfrmUpdate& window = ShowWindow();
  for (int i = 0; i < 5; ++i) {
    HWND page = Control(kExpectedPages[i]);
    EXPECT_EQ(::GetParent(page), Control("Notebook1")) << i;
    EXPECT_EQ(::IsWindowVisible(page) != FALSE, i == 0) << i;
  }
  EXPECT_EQ(window.CurrentPage(), 0);

  HWND list = Control("lsvTest");
  const LONG style = ::GetWindowLongA(list, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
  for (int i = 0; i < 4; ++i) {
    char caption[64] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = caption;
    column.cchTextMax = sizeof caption;
    ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column))) << i;
    EXPECT_EQ(platform::GbkToUtf8(caption), kExpectedColumns[i].caption);
    EXPECT_EQ(column.cx, kExpectedColumns[i].width);
  }
  // The one built-in row, numbered from 1; rows only ever added.
  ASSERT_EQ(window.ServerCount(), 1);
  EXPECT_EQ(window.ServerName(0), Utf8ToGbk("电信一"));
  EXPECT_EQ(window.ServerUrl(0), "http://127.0.0.1");
  window.AddServer("two", "http://127.80.9.1");
  window.SetServerTestTime(1, "12ms");
  window.SetServerTestTime(7, "ignored");
  EXPECT_EQ(window.ServerTestTime(1), "12ms");
  EXPECT_EQ(window.ServerTestTime(0), "");
  EXPECT_EQ(window.ServerName(7), "");
  EXPECT_EQ(window.SelectedServer(), -1);
  window.SelectServer(1);
  window.SelectServer(0);
  EXPECT_EQ(window.SelectedServer(), 0);
  EXPECT_EQ(::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(Win32WindowTest, ProgressLogAndLabelsAsTheStepsUseThem) {
  TfrmUpdate& window = ShowWindow();
  EXPECT_EQ(window.ProgressPosition(), 0);
  EXPECT_EQ(window.ProgressMax(), 100);
  window.SetProgressMax(1000);
  window.SetProgressPosition(5000);
  EXPECT_EQ(window.ProgressPosition(), 1000);
  window.SetDownLabel(Utf8ToGbk("已完成 9,000/9,000 字节"));
  EXPECT_EQ(window.DownLabel(), Utf8ToGbk("已完成 9,000/9,000 字节"));
  window.SetFileLabel(Utf8ToGbk("正在下载升级包"));
  EXPECT_EQ(Text("lblFile"), "正在下载升级包");
  window.AppendLog(Utf8ToGbk("文件更新成功：a.txt"));
  window.AppendLog("b");
  EXPECT_EQ(window.LogText(), Utf8ToGbk("文件更新成功：a.txt") + "\nb");
  window.ClearLog();
  EXPECT_EQ(window.LogText(), "");
  window.RepaintNow();
}

TEST_F(Win32WindowTest, NextRunsEachStepOnItsPageAndOkCloses) {
  TfrmUpdate& window = ShowWindow();
  for (int step = 1; step <= 4; ++step) {
    window.btnNextClick();
    EXPECT_EQ(window.Steps().Current(), step);
    EXPECT_EQ(window.CurrentPage(), step);
    EXPECT_TRUE(::IsWindowVisible(Control(kExpectedPages[step])));
    EXPECT_TRUE(::IsWindowEnabled(Control("btnNext")));
  }
  EXPECT_EQ(stepsRun_, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(nextEnabledDuringStep_, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(Text("btnNext"), "确定(&O)");
  EXPECT_FALSE(window.Closed());
  window.btnNextClick();
  EXPECT_TRUE(window.Closed());
  EXPECT_FALSE(::IsWindowVisible(window.Hwnd()));
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(Win32WindowTest, StepsMoveThroughTheControllerAndErrorsLeaveNextDisabled) {
  ShowWindow(1, [](WizardWindow& window) { window.Steps().JumpTo(window, WizardStep::kFinish); });
  window_->btnNextClick();
  EXPECT_EQ(window_->CurrentPage(), 4);
  EXPECT_EQ(Text("btnNext"), "确定(&O)");
  EXPECT_EQ(Text("lblHit"), "您的计算机上已安装了最新的《》程序及数据。");
  ShowWindow(1, [](WizardWindow& window) {
    window.State().NoteFailure(UpdateFailure::kSignature);
    window.Steps().JumpTo(window, WizardStep::kFinish);
  });
  window_->btnNextClick();
  EXPECT_EQ(Text("lblHit"), FailedUpdateText("签名验证失败"));

  ShowWindow(2, [](WizardWindow& window) { window.Steps().Advance(window); });
  GoToStep(2);
  EXPECT_EQ(window_->Steps().Current(), 3);
  EXPECT_EQ(stepsRun_.back(), 3);

  ShowWindow(3, [](WizardWindow&) { throw std::runtime_error("bad"); });
  GoToStep(2);
  window_->btnNextClick();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "bad.");
  EXPECT_EQ(boxes_.Boxes()[0].caption, Utf8ToGbk("升级程序"));
  EXPECT_EQ(window_->CurrentPage(), 3);
  EXPECT_FALSE(::IsWindowEnabled(Control("btnNext")));
  EXPECT_EQ(::GetFocus(), Control("btnClose")) << "Close is all that is left";

  // A step outside the wizard's changes nothing; 5 only turns OK back into Next.
  ShowWindow();
  GoToStep(4);
  for (int step : {-1, 6, 100}) {
    window_->ShowStep(step);
    EXPECT_EQ(window_->CurrentPage(), 4);
    EXPECT_EQ(Text("btnNext"), "确定(&O)");
  }
  window_->ShowStep(5);
  EXPECT_EQ(window_->CurrentPage(), 4);
  EXPECT_EQ(Text("btnNext"), "下一步(&N)>");
}

TEST_F(Win32WindowTest, CloseAsksOnEveryPageAndTheCloseBoxDoesNot) {
  for (int step = 0; step <= 4; ++step) {
    TfrmUpdate& window = ShowWindow();
    GoToStep(step);
    boxes_.Clear();
    boxes_.Answer(platform::IDNO);
    window.btnCloseClick();
    ASSERT_EQ(boxes_.Boxes().size(), 1u) << step;
    EXPECT_EQ(boxes_.Boxes()[0].text, Utf8ToGbk("在线升级尚未完成，您确定要退出吗?"));
    EXPECT_EQ(boxes_.Boxes()[0].caption, Utf8ToGbk("在线升级"));
    EXPECT_EQ(boxes_.Boxes()[0].flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(boxes_.Boxes()[0].owner, window.Handle());
    EXPECT_FALSE(window.Closed());
    EXPECT_EQ(window.CurrentPage(), step);
    boxes_.Answer(platform::IDYES);
    window.btnCloseClick();
    EXPECT_TRUE(window.State().cancelFlag) << step;
    EXPECT_TRUE(window.Closed()) << step;
  }
  TfrmUpdate& window = ShowWindow();
  GoToStep(2);
  boxes_.Clear();
  ::SendMessageA(window.Hwnd(), platform::WM_CLOSE, 0, 0);  // what the title-bar close box sends
  EXPECT_TRUE(window.Closed());
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_TRUE(window.State().cancelFlag);  // no network wait goes on behind the closed window
}

// The update check gives the server list the focus, and Enter there presses nothing.
TEST_F(Win32WindowTest, KeyboardMnemonicsWorkEscapeDoesNotCloseEnterInTheListPressesNothing) {
  TfrmUpdate& window = ShowWindow(1, [this](WizardWindow& wizard) {
    stepsRun_.push_back(1);
    wizard.SelectServer(0);
    wizard.FocusServerList();
  });
  Press(VK_ESCAPE);
  EXPECT_FALSE(window.Closed());
  EXPECT_TRUE(boxes_.Boxes().empty());

  PressAlt('n');
  EXPECT_EQ(stepsRun_, (std::vector<int>{1}));
  EXPECT_EQ(window.CurrentPage(), 1);
  ASSERT_EQ(::GetFocus(), Control("lsvTest"));
  Press(VK_RETURN);
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(stepsRun_, (std::vector<int>{1}));

  ASSERT_TRUE(TabTo("btnClose"));
  Press(VK_RETURN);  // Enter on the focused Close presses it
  EXPECT_EQ(boxes_.Boxes().size(), 1u);
  PressAlt('c');
  EXPECT_EQ(boxes_.Boxes().size(), 2u);
  EXPECT_FALSE(window.Closed());
}

// Next disables itself for the step and the page changes under the focus: afterwards the
// focus is on Next again, so that Enter goes on page after page, as it does from the start.
TEST_F(Win32WindowTest, AfterEveryNextTheFocusIsOnNextAndEnterGoesOn) {
  TfrmUpdate& window = ShowWindow(2, [](WizardWindow& wizard) { wizard.Steps().Advance(wizard); });
  ASSERT_EQ(::GetFocus(), Control("btnNext"));
  std::vector<int> pages;
  for (int press = 0; press < 4 && !window.Closed(); ++press) {
    Press(VK_RETURN);
    if (window.Closed()) break;
    pages.push_back(window.CurrentPage());
    EXPECT_EQ(::GetFocus(), Control("btnNext")) << "page " << window.CurrentPage();
  }
  EXPECT_EQ(pages, (std::vector<int>{1, 3, 4}));
  EXPECT_TRUE(window.Closed());
  EXPECT_TRUE(boxes_.Boxes().empty());
}

// A message box or another program takes the activation away; back on the wizard the
// focus is where it was, not on the window itself, where Enter presses nothing.
TEST_F(Win32WindowTest, TheFocusComesBackWithTheActivation) {
  TfrmUpdate& window = ShowWindow();
  ASSERT_TRUE(TabTo("btnClose"));
  HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
  ::SetActiveWindow(other);
  ASSERT_EQ(::GetActiveWindow(), other);
  ::SetActiveWindow(window.Hwnd());
  EXPECT_EQ(::GetFocus(), Control("btnClose"));
  ::DestroyWindow(other);
}

// The multi-line log takes Esc and Tab for itself and hands them to its parent panel: Esc
// must not close the page, and Tab and Shift+Tab lead out along the tab order.
TEST_F(Win32WindowTest, EscapeInTheLogKeepsThePageAndTabLeadsOutBothWays) {
  TfrmUpdate& window = ShowWindow(2, [](WizardWindow& wizard) { wizard.Steps().Advance(wizard); });
  GoToStep(3);
  window.AppendLog("a");
  ASSERT_TRUE(TabTo("Memo1"));
  Press(VK_TAB);
  EXPECT_EQ(::GetFocus(), Control("btnNext"));
  ASSERT_TRUE(TabTo("Memo1"));
  Press(VK_TAB, true);
  EXPECT_EQ(::GetFocus(), Control("btnClose"));
  EXPECT_EQ(window.LogText(), "a") << "Tab is no character of the log";

  ASSERT_TRUE(TabTo("Memo1"));
  Press(VK_ESCAPE);
  EXPECT_TRUE(::IsWindow(Control("4")));
  EXPECT_TRUE(::IsWindowVisible(Control("Memo1")));
  EXPECT_FALSE(window.Closed());
  window.AppendLog("b");
  EXPECT_EQ(window.LogText(), "a\nb");
}

// The task bar shows the application title: an owner window of that caption stands there,
// is never seen itself, and hands a click on its button and Close in its menu to the wizard.
TEST_F(Win32WindowTest, TheTaskBarButtonIsTheApplicationTitleAndLeadsToTheWizard) {
  TfrmUpdate& window = ShowWindow();
  HWND owner = ::GetWindow(window.Hwnd(), GW_OWNER);
  ASSERT_NE(owner, nullptr);
  char caption[64] = {};
  ::GetWindowTextA(owner, caption, sizeof caption);
  EXPECT_EQ(platform::GbkToUtf8(caption), "升级程序");
  // A button belongs to a visible window that is owned by none and is no tool window,
  // unless a window asks for one; the wizard does not.
  EXPECT_EQ(::GetWindow(owner, GW_OWNER), nullptr);
  EXPECT_TRUE(::IsWindowVisible(owner));
  EXPECT_FALSE(::GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(::GetWindowLongA(window.Hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  RECT place = {};
  ::GetWindowRect(owner, &place);
  EXPECT_TRUE(::IsRectEmpty(&place));

  ::SetActiveWindow(owner);  // what a click on the button does
  PumpMessages(window);
  EXPECT_EQ(::GetActiveWindow(), window.Hwnd());
  ::PostMessageA(owner, WM_SYSCOMMAND, SC_CLOSE, 0);  // Close in the button's menu
  PumpMessages(window);
  EXPECT_TRUE(window.Closed());
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_FALSE(::IsWindowVisible(owner));
}

// The pump that a step calls between chunks of its work goes through the same keyboard:
// Alt+C during the download asks the exit question; Yes ends the loop afterwards.
TEST_F(Win32WindowTest, KeysReachTheWindowWhileAStepPumpsMessages) {
  bool cancelSeenByStep = false;
  ShowWindow(2, [&](WizardWindow& window) {
    ::PostMessageA(Control("btnClose"), WM_SYSCHAR, 'c', 0);
    ::PostMessageA(Control("btnClose"), WM_SYSCHAR, 'c', 0);
    boxes_.Answer(platform::IDNO);
    boxes_.Answer(platform::IDYES);
    PumpMessages(*window_);
    cancelSeenByStep = window.CancelFlag();
    PumpMessages(*window_);  // the quit waits for the program's loop
  });
  GoToStep(2);
  EXPECT_EQ(boxes_.Boxes().size(), 2u);
  EXPECT_TRUE(cancelSeenByStep);
  EXPECT_TRUE(window_->Closed());
  EXPECT_EQ(RunMessageLoop(*window_), 0);
}

}  // namespace
}  // namespace brimsel::test
