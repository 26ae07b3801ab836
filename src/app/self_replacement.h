#pragma once
// Replacing the running update.exe. A program cannot replace its own file while it runs, so
// a script, update.bat, does it once the updater has ended. At every moment the
// installation folder holds a whole update.exe, the old one or the new one:
//  1. the updater copies the staged update.exe ("update\update.exe") beside the old one
//     as update.exe.new, whole or not at all;
//  2. it writes update.bat and starts it; the script renames update.exe.new over
//     update.exe, trying again every second until the old one no longer runs, and then
//     deletes itself;
//  3. whatever stopped this half way (the updater or the script killed at any moment), the
//     next start of update.exe finds update.bat still there and finishes it.

#include <optional>
#include <string>
#include <string_view>

#include "update/own_files.h"  // kUpdaterName, kNewUpdaterName, kSelfReplaceScriptName

namespace brimsel {

class UpdateLog;

// The script for the installation folder `folder` (ending in "\"), D below, every path in
// double quotes and every line ending in CR LF:
//   :START
//   ping -n 2 127.0.0.1 >nul                        (a pause of one second)
//   move /y "Dupdate.exe.new" "Dupdate.exe"
//   if exist "Dupdate.exe.new" goto START
//   del %0
// cmd.exe expands "%" in every line of a batch file, inside quotes too, so each "%" of D
// is written "%%", which it reads as one. Nothing for a folder that a batch line cannot
// hold: a double quote or a control character (no Windows name holds one).
std::optional<std::string> SelfReplaceScriptText(std::string_view folder);

// Steps 1 and 2 up to the start: update.exe.new and update.bat in `folder`. Raises
// brimsel::Exception saying what could not be done; then neither is left.
void PrepareSelfReplacement(std::string_view folder);

// Starts the prepared update.bat; true when it runs.
bool StartSelfReplacement(std::string_view folder);

// Removes what PrepareSelfReplacement made, for an update that is not recorded after all.
void AbandonSelfReplacement(std::string_view folder);

// At the start of a run: finishes a replacement that an earlier run left unfinished, and
// removes what a finished or abandoned one left behind. Says what it did in `log`.
void FinishInterruptedSelfReplacement(std::string_view folder, UpdateLog& log);

}  // namespace brimsel
