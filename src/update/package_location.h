#pragma once
// Where the package of an update comes from and where it goes: a download server's URL of
// it, and the staging folder beside the installed files, which holds the package file and
// the files extracted from it.

#include <string>

namespace brimsel {

// The staging folder is the installation folder + this name.
inline constexpr char kStagingFolderName[] = "update";

struct PackageLocation {
  std::string stagingFolder;  // installation folder + "update", without a trailing "\"
  std::string packagePath;    // staging folder + "\" + package name + ".zip"
};

// The staging folder of `installationFolder` (which ends in "\").
std::string StagingFolderOf(const std::string& installationFolder);
PackageLocation LocatePackage(const std::string& installationFolder, const std::string& packageName);
// Server URL + "/update/" + package name + ".zip".
std::string PackageUrl(const std::string& serverUrl, const std::string& packageName);
// Where the extraction stages the file of an install name: the staging folder itself,
// whatever folder the entry lies in inside the package.
std::string StagedFile(const std::string& stagingFolder, const std::string& name);

// Why the location's paths are beyond what the system's file functions take, or nothing:
// such a package would be downloaded whole and then not be found.
std::string PathBeyondTheLimit(const PackageLocation& location);

}  // namespace brimsel
