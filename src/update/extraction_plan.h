#pragma once
// The extract-and-install plan: how the installation has the zip component extract the
// package, and the names under which it installs what comes out. `updtool check` extracts
// by the same plan, so that a check that passes means an installation that extracts.
//
// Every entry is extracted into the staging folder itself under its file name alone (the
// package's folders are not made) and installed into the installation folder under that
// name, ASCII letters lowered. A file in the way of the extraction is left to the
// component's overwrite question, which a program without a message box answers No.
// Whether the component pumps the message queue meanwhile is the caller's: the wizard's
// window is kept answering, a command-line tool has none.

#include <string>
#include <vector>

#include "update/package_location.h"

namespace brimsel {

class TUnzipper;

// Readies `unzipper` to load and extract the package at the location.
void PlanExtraction(TUnzipper& unzipper, const PackageLocation& location);

// The install names of the loaded package, one per listing line, in listing order: each
// entry's own file name with ASCII letters lowered. The name is not cut from the listing
// line, whose marks ("#" encrypted, "@" commented) would become part of it, and the
// lowering leaves double-byte characters whole, whose second byte may be a capital letter.
// Folder entries have no file name and install nothing: they are left out.
std::vector<std::string> InstallNames(const TUnzipper& unzipper);

// True when the staged file of `name` is a file of that very name: a name the file name
// rule refuses is never staged, and one that the system takes for another file's (a short
// alias, of the package say) must not reach that file.
bool StagedUnderItsOwnName(const std::string& stagingFolder, const std::string& name);
// Deletes a staged file, read-only or not.
void DeleteStagedFile(const std::string& path);
// Deletes the staged files of `names` (but for `kept`), where they are staged under their own names.
void DeleteStagedFiles(const std::string& stagingFolder, const std::vector<std::string>& names,
                       const std::string& kept = "");

}  // namespace brimsel
