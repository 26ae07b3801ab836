#pragma once
// The updater's own files, in the installation folder and in its staging folder. The
// installation extracts every entry of a package into the staging folder and copies it into
// the installation folder, flattened and under its lower-case name, so a package entry of
// one of these names would overwrite the file or be deleted with it: the vendor's tool
// refuses such a package before it is published.

#include <string>

namespace brimsel {

inline constexpr char kUpdaterName[] = "update.exe";
inline constexpr char kNewUpdaterName[] = "update.exe.new";  // the staged updater beside the running one
inline constexpr char kSelfReplaceScriptName[] = "update.bat";
inline constexpr char kUpdateLogName[] = "update.log";        // in the staging folder

// Why a package of `packageName` must not carry an entry installed under `installName` (its
// file name alone, as the installation writes it): the file of the updater's that it would
// meet, compared as the system compares names; empty when it may. update.exe it may carry:
// that is how a new updater arrives.
std::string OwnFileMet(const std::string& installName, const std::string& packageName);

}  // namespace brimsel
