// The Win32 wizard window under Wine, where it is the system's own: its frame and control
// classes, and its keyboard as a user meets it: keys posted to the window with the focus
// and handled by the program's own message pump, the focus after every step, the log's
// Esc and Tab, and the task-bar button. Message boxes are answered by a recorder; what
// every window does is checked by the window contract (../window_contract/).

#include <gtest/gtest.h>

#include "app/win32/message_loop.h"
#include "app/win32/tfrm_update.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "app/window_fixture.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

class Win32WindowTest : public WindowTest {
 protected:
  TfrmUpdate& Window() const { return static_cast<TfrmUpdate&>(*window_); }
  HWND Control(const char* name) const { return Window().Control(name); }
  // Shows the window with each step action noting that it ran, or with `action` as the
  // action of step `step`.
  TfrmUpdate& ShowWindow(int step = 0, WizardForm::StepAction action = nullptr) {
    if (action) ShowWithStep(step, std::move(action));
    else WindowTest::ShowWindow();
    return Window();
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
    PumpMessages(Window());
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
  }
  // Alt and a letter: the system posts its character as WM_SYSCHAR.
  void PressAlt(char letter) {
    ::PostMessageA(::GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
    PumpMessages(Window());
  }
  // Tab until `control` has the focus; false when it never gets it.
  bool TabTo(const char* control) {
    for (int i = 0; i < 6 && ::GetFocus() != Control(control); ++i) Press(VK_TAB);
    return ::GetFocus() == Control(control);
  }
};

// The frame and the controls are the system's own; the table's places, texts and fonts
// are checked by the window contract.
TEST_F(Win32WindowTest, AFixedDialogOfTheSystemsOwnControls) {
  TfrmUpdate& window = ShowWindow();
  HWND form = window.Hwnd();
  const LONG style = ::GetWindowLongA(form, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_NE(::GetClassLongPtrA(form, GCLP_HICON), 0u);
  LOGFONTA font = {};
  ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(Control("Label3"), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);

  // The picture: the 24-bit bitmap of its place's size.
  BITMAP picture = {};
  ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(Control("Image1"), STM_GETIMAGE, IMAGE_BITMAP, 0)),
               sizeof picture, &picture);
  EXPECT_EQ(picture.bmWidth, 118);
  EXPECT_EQ(picture.bmHeight, 254);
  EXPECT_EQ(picture.bmBitsPixel, 24);

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
  EXPECT_EQ(::GetNextDlgTabItem(form, nullptr, FALSE), Control("btnNext"));  // first in tab order
  HWND list = Control("lsvTest");
  EXPECT_EQ(::GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(::GetWindowLongA(list, GWL_STYLE) & LVS_SINGLESEL);
  EXPECT_TRUE(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
}

// An error escaping a step leaves Next disabled: Close is all that is left, and has the focus.
TEST_F(Win32WindowTest, AfterAnErrorInAStepTheFocusIsOnClose) {
  ShowWindow(1, [](WizardWindow&) { throw std::runtime_error("bad"); });
  Press(VK_RETURN);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_FALSE(::IsWindowEnabled(Control("btnNext")));
  EXPECT_EQ(::GetFocus(), Control("btnClose"));
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
    PumpMessages(Window());
    cancelSeenByStep = window.CancelFlag();
    PumpMessages(Window());  // the quit waits for the program's loop
  });
  GoToStep(2);
  EXPECT_EQ(boxes_.Boxes().size(), 2u);
  EXPECT_TRUE(cancelSeenByStep);
  EXPECT_TRUE(Window().Closed());
  EXPECT_EQ(RunMessageLoop(Window()), 0);
}

}  // namespace
}  // namespace brimsel::test
