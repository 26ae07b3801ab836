#pragma once
// The wizard window of a test program and what a user does with it. Each test program
// links one of three: the Qt window (qt/), the Win32 window (win32/) or the fake window
// without a toolkit (fake_wizard_window.cpp), so that one test body runs against each.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/wizard_form.h"

namespace brimsel::test {

// Makes the window, not shown yet.
std::unique_ptr<WizardForm> MakeTestWindow(WizardOptions options);
// Clicks a button of the table by its name, as a user does: a disabled one does nothing.
void Click(WizardForm& window, std::string_view button);
int CurrentPage(const WizardForm& window);
bool IsEnabled(const WizardForm& window, std::string_view control);

// What the window contract (window_contract/) also looks at and does; the real windows
// only.
struct ControlPlace {
  std::string parent;  // its name in the table; layout::kForm for the window itself
  int x = 0, y = 0, width = 0, height = 0;  // the window itself: its client area
};
struct ControlFont {
  std::string family;  // GBK
  int pixels = 0;      // character height
  bool bold = false;
};
struct ColumnShown {
  std::string caption;  // GBK
  int width = 0;
};
ControlPlace PlaceOf(const WizardForm& window, std::string_view control);  // or layout::kForm
ControlFont FontOf(const WizardForm& window, std::string_view control);
// The width of a control's text in its own font.
int TextWidth(const WizardForm& window, std::string_view control);
// Shown among its siblings (a page of the notebook, say), whether the window is or not.
bool IsShown(const WizardForm& window, std::string_view control);
ColumnShown ColumnOf(const WizardForm& window, int index);
int SelectedServerCount(const WizardForm& window);
std::string WindowTitle(const WizardForm& window);  // GBK
// Shown and not closed.
bool IsOpen(const WizardForm& window);
// What the window system does for the title-bar close box, and a press of Esc.
void PressCloseBox(WizardForm& window);
void PressEscape(WizardForm& window);
// Runs `inside` from the program's event loop, and the loop until it ends; its exit code,
// or 99 when it did not end within seconds.
int RunEventLoop(WizardForm& window, const std::function<void()>& inside);

}  // namespace brimsel::test
