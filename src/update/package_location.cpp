#include "update/package_location.h"

#include "net/update_site.h"
#include "platform/file_name_rule.h"

namespace brimsel {

std::string StagingFolderOf(const std::string& installationFolder) { return installationFolder + kStagingFolderName; }

PackageLocation LocatePackage(const std::string& installationFolder, const std::string& packageName) {
  PackageLocation location;
  location.stagingFolder = StagingFolderOf(installationFolder);
  location.packagePath = StagedFile(location.stagingFolder, PackageFileName(packageName));
  return location;
}

std::string PackageUrl(const std::string& serverUrl, const std::string& packageName) {
  return serverUrl + PackageTarget(packageName);
}

std::string StagedFile(const std::string& stagingFolder, const std::string& name) {
  return stagingFolder + "\\" + name;
}

std::string PathBeyondTheLimit(const PackageLocation& location) {
  const std::size_t folder = platform::SystemPathLength(location.stagingFolder);
  if (folder > platform::kMaxFolderUnits)
    return "the staging folder " + location.stagingFolder + " is " + std::to_string(folder) +
           " characters long, more than the " + std::to_string(platform::kMaxFolderUnits) + " a folder may have";
  const std::size_t package = platform::SystemPathLength(location.packagePath);
  if (package > platform::kMaxPathUnits)
    return "the package path " + location.packagePath + " is " + std::to_string(package) +
           " characters long, more than the " + std::to_string(platform::kMaxPathUnits) + " a path may have";
  return {};
}

}  // namespace brimsel
