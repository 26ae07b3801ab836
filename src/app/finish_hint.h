#pragma once
// What the finish page says in the place of "the newest version is installed" when an
// update was started and did not install every file. The user must never read a failure as
// success: the page says that the update is not complete, names the class of its first
// failure, and points to update.log, which tells the whole story.

#include <optional>
#include <string>

#include "app/wizard_window.h"

namespace brimsel {

// Two lines (GBK, joined by "\n"); nothing when nothing failed, so that the finish after a
// successful update, or after a check that found no newer release, keeps its text.
std::optional<std::string> FailedUpdateHint(UpdateFailure failure);

}  // namespace brimsel
