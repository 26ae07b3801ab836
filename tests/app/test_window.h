#pragma once
// The wizard window of a test program and what a user does with it. Each test program
// links one of three: the Qt window (qt/), the Win32 window (win32/) or the fake window
// without a toolkit (fake_wizard_window.cpp), so that one test body runs against each.

#include <memory>
#include <string_view>

#include "app/wizard_form.h"

namespace brimsel::test {

// Makes the window, not shown yet.
std::unique_ptr<WizardForm> MakeTestWindow(WizardOptions options);
// Clicks a button of the table by its name, as a user does: a disabled one does nothing.
void Click(WizardForm& window, std::string_view button);
int CurrentPage(const WizardForm& window);
bool IsEnabled(const WizardForm& window, std::string_view control);

}  // namespace brimsel::test
