#pragma once
// The files of a release folder as the package will carry them, and the reasons the
// updater would install such a package wrongly.

#include <filesystem>
#include <string>
#include <vector>

namespace brimsel::updtool {

struct ReleaseFile {
  std::filesystem::path source;
  std::string shownName;   // relative, UTF-8, "/" between folders
  std::string storedName;  // relative, GBK, "/" between folders
};

struct ReleaseContents {
  std::vector<ReleaseFile> files;  // in a fixed order
  std::vector<std::string> problems;  // empty when the folder can be published
  // Files that would meet one of the updater's own (update/own_files.h): a package that
  // carries one breaks every end user, so it goes out only when the vendor insists.
  std::vector<std::string> ownFilesMet;
};

// Walks `folder`. A problem is: a name GBK cannot hold; a file name that the file name
// rule refuses or that has the shape of a short alias; an empty folder (the installation
// makes no folders, so it would be lost); anything but files and folders; two files that
// become one once the installation puts every file straight into its folder under its
// name, as the system folds letter case; and a folder holding no file at all. The release
// is of the package `packageName` (GBK).
ReleaseContents GatherRelease(const std::filesystem::path& folder, const std::string& packageName);

}  // namespace brimsel::updtool
